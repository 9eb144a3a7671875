// The keyboard command table driven through the real main window: every row of both key-down tables and
// of the key-up table is pressed by its hardware scan code, under a US, a Russian and a German keyboard
// layout (the Qt key of the event is what that layout gives; the native scan code must win), and the
// state the command changes is checked. Then the action shortcuts, the key message kinds and a few
// sequences the rows alone do not show.

#include "acquisition/camera_state.h"
#include "analysis/ui/graph_form.h"
#include "head/head_globals.h"
#include "head/ui/head_service.h"
#include "mainwindow/key_commands.h"
#include "mainwindow/ui/film_process_form.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "tests/head/head_sim_fixture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "thermogram/palette_nodes.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <linux/input-event-codes.h>
#include <map>

// The delivery of a key press to the shortcut map, as Qt's own test library makes it.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject *o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString &text = QString(), bool autorep = false,
                                               ushort count = 1);

namespace calidarix {
namespace {

enum class Layout { Us, Russian, German };

// The Linux input code of a key by its set-1 scan code; the extended keys have codes of their own.
int LinuxCode(int scan) {
  switch (scan) {
  case 71:
    return KEY_HOME;
  case 72:
    return KEY_UP;
  case 73:
    return KEY_PAGEUP;
  case 75:
    return KEY_LEFT;
  case 77:
    return KEY_RIGHT;
  case 79:
    return KEY_END;
  case 80:
    return KEY_DOWN;
  case 81:
    return KEY_PAGEDOWN;
  case 82:
    return KEY_INSERT;
  case 83:
    return KEY_DELETE;
  case 93:
    return KEY_COMPOSE;
  default:
    return scan;
  }
}

// What a US layout makes of each key of the tables.
int UsKey(int scan) {
  static const std::map<int, int> keys = {
      {1, Qt::Key_Escape},  {11, Qt::Key_0},           {14, Qt::Key_Backspace}, {16, Qt::Key_Q},
      {17, Qt::Key_W},      {18, Qt::Key_E},           {19, Qt::Key_R},         {20, Qt::Key_T},
      {21, Qt::Key_Y},      {22, Qt::Key_U},           {23, Qt::Key_I},         {24, Qt::Key_O},
      {25, Qt::Key_P},      {26, Qt::Key_BracketLeft}, {28, Qt::Key_Return},    {29, Qt::Key_Control},
      {30, Qt::Key_A},      {31, Qt::Key_S},           {32, Qt::Key_D},         {33, Qt::Key_F},
      {34, Qt::Key_G},      {35, Qt::Key_H},           {36, Qt::Key_J},         {37, Qt::Key_K},
      {38, Qt::Key_L},      {41, Qt::Key_QuoteLeft},   {44, Qt::Key_Z},         {45, Qt::Key_X},
      {46, Qt::Key_C},      {47, Qt::Key_V},           {48, Qt::Key_B},         {49, Qt::Key_N},
      {50, Qt::Key_M},      {51, Qt::Key_Comma},       {52, Qt::Key_Period},    {53, Qt::Key_Slash},
      {56, Qt::Key_Alt},    {57, Qt::Key_Space},       {71, Qt::Key_Home},      {72, Qt::Key_Up},
      {73, Qt::Key_PageUp}, {75, Qt::Key_Left},        {77, Qt::Key_Right},     {79, Qt::Key_End},
      {80, Qt::Key_Down},   {81, Qt::Key_PageDown},    {82, Qt::Key_Insert},    {83, Qt::Key_Delete},
      {87, Qt::Key_F11},    {88, Qt::Key_F12},         {93, Qt::Key_Menu},
  };
  if (scan >= 2 && scan <= 10)
    return Qt::Key_1 + scan - 2;
  if (scan >= 59 && scan <= 68)
    return Qt::Key_F1 + scan - 59;
  const auto it = keys.find(scan);
  return it == keys.end() ? Qt::Key_unknown : it->second;
}

// The Russian layout puts Cyrillic letters (Qt gives their upper-case code point) on the letter keys
// and a full stop on the US slash key.
int RussianKey(int scan) {
  static const std::map<int, int> keys = {
      {16, 0x419}, {17, 0x426}, {18, 0x423},          {19, 0x41A}, {20, 0x415}, {21, 0x41D}, {22, 0x413},
      {23, 0x428}, {24, 0x429}, {25, 0x417},          {26, 0x425}, {30, 0x424}, {31, 0x42B}, {32, 0x412},
      {33, 0x410}, {34, 0x41F}, {35, 0x420},          {36, 0x41E}, {37, 0x41B}, {38, 0x414}, {41, 0x401},
      {44, 0x42F}, {45, 0x427}, {46, 0x421},          {47, 0x41C}, {48, 0x418}, {49, 0x422}, {50, 0x42C},
      {51, 0x411}, {52, 0x42E}, {53, Qt::Key_Period},
  };
  const auto it = keys.find(scan);
  return it == keys.end() ? UsKey(scan) : it->second;
}

// The German layout swaps Y and Z and has umlauts, a dead circumflex and the minus key where a US
// keyboard has brackets, the grave accent and the slash.
int GermanKey(int scan) {
  static const std::map<int, int> keys = {
      {21, Qt::Key_Z},     {44, Qt::Key_Y}, {26, Qt::Key_Udiaeresis}, {41, Qt::Key_Dead_Circumflex},
      {53, Qt::Key_Minus},
  };
  const auto it = keys.find(scan);
  return it == keys.end() ? UsKey(scan) : it->second;
}

int LayoutKey(Layout layout, int scan) {
  switch (layout) {
  case Layout::Russian:
    return RussianKey(scan);
  case Layout::German:
    return GermanKey(scan);
  default:
    return UsKey(scan);
  }
}

// Counts the right-button presses and releases a widget receives.
class RightButtons : public QObject {
public:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
      ++presses;
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
      ++releases;
    return false;
  }
  int presses = 0;
  int releases = 0;
};

constexpr int kWidth = 16;
constexpr int kHeight = 12;
constexpr int kSharpRow = 7;

class KeyWindow : public test::FileWindow {
protected:
  void TearDown() override {
    FileWindow::TearDown();
    ResetCameraState();
    GraphForm = TimeProfileForm = HistogramForm = nullptr;
    graphs = {};
    FilmProcessForm = nullptr;
    filmProcess.reset();
  }
  std::unique_ptr<TFilmProcessForm> filmProcess;

  // The three graph windows, as start-up makes them.
  void MakeGraphWindows() {
    for (auto &form : graphs)
      if (!form)
        form = std::make_unique<TGraphForm>();
    GraphForm = graphs[0].get();
    TimeProfileForm = graphs[1].get();
    HistogramForm = graphs[2].get();
    TimeProfileForm->Tag = 1;
    HistogramForm->Tag = 2;
  }
  std::array<std::unique_ptr<TGraphForm>, 3> graphs;

  // A film of three 16 x 12 frames: columns and rows rise, odd rows lie higher (stripes for the
  // filters), one row has sharp steps, and each frame has its own Offset.
  QString StripedFilm(const std::string &name, int frames) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = kWidth;
    t.FHeader.Height = kHeight;
    t.FHeader.Scale = 0.01f;
    t.FHeader.FrameInterval = 0.04f;
    t.FRaw.resize(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        t.FRaw[y * kWidth + x] = static_cast<std::uint16_t>(
            y == kSharpRow ? (x % 2) * 60000 : 1000 * x + 400 * y + (y % 2) * 3000 + (x * y % 5) * 200);
    const QString path = Path(name);
    for (int i = 0; i < frames; ++i) {
      t.FHeader.Offset = static_cast<float>(i);
      EXPECT_TRUE(i == 0 ? t.StartFilm(path) : t.AppendFilmFrame(path));
    }
    return path;
  }

  // A fresh window showing frame 1 of the three-frame film.
  TCalidarix &Fresh() {
    if (window) {
      TearDown();
      fakes = test::FakeServices();
      SetUp();
    }
    TCalidarix &w = Start();
    film = StripedFilm("film.dtv", 3);
    EXPECT_TRUE(w.OpenInView(film));
    before = CurrentDTV->FRaw;
    aspectBefore = CurrentDTV->FAspect;
    return w;
  }

  void Key(QEvent::Type type, int scan, Qt::KeyboardModifiers modifiers, bool autoRepeat = false) {
    const int key = LayoutKey(layout, scan);
    const QString text = key < 0x10000 && key >= 0x20 ? QString(QChar(key)).toLower() : QString();
    QKeyEvent event(type, key, modifiers, static_cast<quint32>(LinuxCode(scan) + 8), 0, 0, text, autoRepeat);
    QApplication::sendEvent(window.get(), &event);
  }

  // Presses (or, for a key-up row, lets go of) the row's key the way a user would.
  void Press(const KeyCommandRow &row) {
    switch (row.table) {
    case KeyTable::KeyUp:
      return Key(QEvent::KeyRelease, row.scan, Qt::NoModifier);
    case KeyTable::SysKeyDown:
      return Key(QEvent::KeyPress, row.scan, Qt::AltModifier);
    case KeyTable::KeyDown:
      if (row.when == KeyWhen::Ctrl) {
        Key(QEvent::KeyPress, 29, Qt::ControlModifier);
        return Key(QEvent::KeyPress, row.scan, Qt::ControlModifier);
      }
      return Key(QEvent::KeyPress, row.scan, Qt::NoModifier);
    }
  }

  int Raw(int x, int y) const { return CurrentDTV->FRaw[y * CurrentDTV->Width() + x]; }
  int Before(int x, int y) const { return before[y * kWidth + x]; }
  bool Changed() const { return CurrentDTV->FRaw != before; }
  bool Shown(const char *name) const {
    auto *widget = window->findChild<QWidget *>(QString::fromLatin1(name));
    return widget && widget->isVisible();
  }
  QString Notice() const { return window->FStatusNotice; }
  void Scanning() { fakes.acquisition->scanRunning = true; }
  void SelectArea(int left, int top, int right, int bottom) {
    window->FMarkers.FCurrentArea.SetRect(TRect{left, top, right, bottom});
  }
  QPoint ImageCentre() const { return window->ImagePB->mapToGlobal(window->ImagePB->rect().center()); }

  Layout layout = Layout::Us;
  QString film;
  std::vector<std::uint16_t> before;
  double aspectBefore = 0.0;
  bool flagBefore = false;
  TPaletteTable paletteBefore{};
  RightButtons rightButtons;
};

class KeyDispatch : public KeyWindow, public ::testing::WithParamInterface<Layout> {
protected:
  void SetUp() override {
    KeyWindow::SetUp();
    layout = GetParam();
  }

  struct RowCase {
    KeyTable table;
    int scan;
    KeyWhen when;
    std::function<void(TCalidarix &)> setup;
    std::function<void(TCalidarix &)> check;
  };
  std::vector<RowCase> RowCases();
};

std::vector<KeyDispatch::RowCase> KeyDispatch::RowCases() {
  using W = KeyWhen;
  constexpr KeyTable A = KeyTable::KeyDown;
  constexpr KeyTable B = KeyTable::SysKeyDown;
  constexpr KeyTable C = KeyTable::KeyUp;
  const auto none = [](TCalidarix &) {};
  const auto notice = [this](const char *text) {
    return [this, text](TCalidarix &) {
      EXPECT_TRUE(Notice().contains(QString::fromUtf8(text))) << Notice().toStdString();
    };
  };
  const auto changed = [this](TCalidarix &) { EXPECT_TRUE(Changed()); };
  const auto graphWindows = [this](TCalidarix &) { MakeGraphWindows(); };
  const auto palWindow = [](int bottom, int top) {
    return [bottom, top](TCalidarix &) {
      CurrentDTV->PalBottom = static_cast<std::uint8_t>(bottom);
      CurrentDTV->PalTop = static_cast<std::uint8_t>(top);
    };
  };
  const auto windowIs = [](int bottom, int top) {
    return [bottom, top](TCalidarix &) {
      EXPECT_EQ(CurrentDTV->PalBottom, bottom);
      EXPECT_EQ(CurrentDTV->PalTop, top);
      EXPECT_TRUE(ManualPaletteWindow);
    };
  };
  const auto panel = [](QFrame *TCalidarix::*frame, int tag, const char *caption) {
    return [frame, tag, caption](TCalidarix &w) {
      EXPECT_TRUE((w.*frame)->isVisible());
      EXPECT_EQ((w.*frame)->property("Tag").toInt(), tag);
      QLabel *label = frame == &TCalidarix::FixedLevelPanel ? w.FixedLevelLabel : w.FixedLevel2Label1;
      EXPECT_EQ(label->text(), QString::fromUtf8(caption));
    };
  };
  const auto autoSaved = [](TCalidarix &w) { EXPECT_FALSE(w.FSavedNotice.isEmpty()); };
  const auto areas = [](int count) {
    return [count](TCalidarix &w) {
      for (int i = 0; i < count; ++i) {
        TAreaRecord area;
        area.SetRect(TRect{1 + i, 1, 5 + i, 5});
        w.FMarkers.FAreas.push_back(area);
      }
    };
  };
  const auto points = [](TCalidarix &w) {
    w.AddPoint(2, 2, false);
    w.AddPoint(4, 3, false);
  };
  const auto aspectBy = [this](double factor) {
    return [this, factor](TCalidarix &) {
      const double aspect = aspectBefore * factor;
      EXPECT_NEAR(CurrentDTV->FAspect, aspect, 1e-9);
      EXPECT_EQ(CurrentDTV->FHeader.VertExtent, 180);
      EXPECT_EQ(CurrentDTV->FHeader.HorzExtent, static_cast<int>(180.0 * aspect));
    };
  };
  const auto jogRelease = [](int bit) {
    return RowCase{C, 0, W::CenterCrossShown,
                   [](TCalidarix &w) {
                     CenterCross = true;
                     w.FKeys.FJogKeys = w.FKeys.FJogSent = 15;
                   },
                   [bit](TCalidarix &w) {
                     EXPECT_EQ(w.FKeys.FJogKeys, 15 & ~bit);
                     EXPECT_EQ(w.FKeys.FJogSent, 15 & ~bit);
                   }};
  };

  std::vector<RowCase> cases = {
      // ---- Key-down without Alt ----
      {A, 1, W::Always,
       [](TCalidarix &w) {
         CenterCross = true;
         RowEditMode = true;
         w.PalTimer->start();
         w.FKeys.FilmTimer->start(1000);
         w.FPolygonDrawing = true;
         w.FMarkers.FFreePolygon = {TPoint{1, 1}, TPoint{5, 1}};
       },
       [](TCalidarix &w) {
         EXPECT_FALSE(CenterCross);
         EXPECT_FALSE(RowEditMode);
         EXPECT_FALSE(w.PalTimer->isActive());
         EXPECT_FALSE(w.FKeys.FilmTimer->isActive());
         EXPECT_FALSE(w.FPolygonDrawing);
         EXPECT_TRUE(w.FMarkers.FFreePolygon.empty());
       }},
      {A, 10, W::Always, [this](TCalidarix &w) { paletteBefore = w.FPalette; },
       [this](TCalidarix &w) {
         EXPECT_EQ(w.FPalette.front(), paletteBefore.back());
         EXPECT_EQ(w.FPalette.back(), paletteBefore.front());
       }},
      {A, 11, W::NoScan, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.PalTimer->isActive());
         EXPECT_FALSE(w.FPalCycleForward);
       }},
      {A, 14, W::PointsExist, points, [](TCalidarix &w) { EXPECT_EQ(w.FMarkers.FPoints.size(), 1u); }},
      {A, 16, W::Always, palWindow(10, 100),
       [](TCalidarix &) {
         EXPECT_EQ(CurrentDTV->PalBottom, 0);
         EXPECT_EQ(CurrentDTV->PalTop, 255);
         EXPECT_FALSE(ManualPaletteWindow);
       }},
      {A, 17, W::Always, [this](TCalidarix &w) { paletteBefore = w.FPalette; },
       [this](TCalidarix &w) { EXPECT_NE(w.FPalette, paletteBefore); }},
      {A, 18, W::Always, none, panel(&TCalidarix::FixedLevel2Panel, 1, "E:")},
      {A, 19, W::NotCtrl, points,
       [this](TCalidarix &w) {
         EXPECT_EQ(CurrentDTV->Width(), kHeight);
         EXPECT_EQ(CurrentDTV->Height(), kWidth);
         // Clockwise: the bottom-left corner comes to the top left.
         EXPECT_EQ(Raw(0, 0), Before(0, kHeight - 1));
         EXPECT_TRUE(w.FMarkers.FPoints.empty());
       }},
      {A, 19, W::Ctrl, none,
       [](TCalidarix &) {
         EXPECT_FLOAT_EQ(CurrentDTV->FRotateAngle, 1.0f);
         EXPECT_FALSE(CurrentDTV->FRotateAfterLoad);
       }},
      {A, 20, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.MaxEdit->isVisible());
         EXPECT_EQ(w.FRangeEntry.MinEditTag, 0);
       }},
      {A, 21, W::Always, [](TCalidarix &) { FixedLevelShift = true; },
       [p = panel(&TCalidarix::FixedLevelPanel, 6, "Time Delta")](TCalidarix &w) {
         p(w);
         EXPECT_FALSE(FixedLevelShift);
       }},
      {A, 22, W::Always, none, changed},
      {A, 23, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(CurrentDTV->isIso);
         EXPECT_EQ(w.PalBottomPanel->palette().color(QPalette::Window), QColor(255, 255, 0));
       }},
      {A, 24, W::Always,
       [](TCalidarix &w) {
         const QPoint centre = w.ImagePB->rect().center();
         w.FMousePos = TPoint{centre.x(), centre.y()};
       },
       changed},
      {A, 25, W::ScanRuns, [this](TCalidarix &) { Scanning(); }, notice("Start Panoram")},
      {A, 25, W::Always, none, [this](TCalidarix &) { EXPECT_EQ(dialogs->SaveRequests.size(), 1); }},
      {A, 26, W::Always, [](TCalidarix &) { CurrentDTV->FBestPeak = -1; },
       [](TCalidarix &) { EXPECT_EQ(CurrentDTV->FBestPeak, kSharpRow); }},
      {A, 28, W::CenterCrossShown,
       [](TCalidarix &w) {
         CenterCross = true;
         w.FKeys.FJogKeys = 3;
       },
       [n = notice("no head connected")](TCalidarix &w) {
         EXPECT_FALSE(CenterCross);
         EXPECT_EQ(w.FKeys.FJogKeys, 0);
         n(w);
       }},
      {A, 29, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.FCtrlDown);
         EXPECT_EQ(w.ImagePB->cursor().shape(), Qt::PointingHandCursor);
       }},
      {A, 30, W::Always, palWindow(10, 100), windowIs(11, 101)},
      {A, 31, W::ScanRuns,
       [this](TCalidarix &w) {
         Scanning();
         w.HeadConnected = true;
       },
       notice("Start Strip")},
      {A, 31, W::Always, palWindow(10, 100), windowIs(10, 101)},
      {A, 32, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(DateTimeMode);
         EXPECT_TRUE(w.findChild<QAction *>("DateTimeMode1")->isChecked());
       }},
      // The film's frames merged into one wide frame.
      {A, 33, W::Ctrl, none,
       [changed](TCalidarix &w) {
         EXPECT_FALSE(w.FCtrlDown);
         EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 1);
         changed(w);
       }},
      // Not scanning, F opens the frame number's value panel.
      {A, 33, W::NotCtrl, none,
       [this](TCalidarix &w) {
         EXPECT_TRUE(w.findChild<QToolButton *>("FrameSB")->isChecked());
         EXPECT_TRUE(Shown("FixedLevelPanel"));
       }},
      {A, 34, W::Always, graphWindows, [](TCalidarix &w) { EXPECT_TRUE(w.FGraphShown); }},
      {A, 35, W::Always, graphWindows, [](TCalidarix &w) { EXPECT_TRUE(w.FHistogramShown); }},
      {A, 36, W::Always, graphWindows, [](TCalidarix &w) { EXPECT_TRUE(w.FTimeGraphShown); }},
      {A, 37, W::Always, [this](TCalidarix &) { flagBefore = CurrentDTV->FSmoothPalette; },
       [this](TCalidarix &) { EXPECT_NE(CurrentDTV->FSmoothPalette, flagBefore); }},
      {A, 38, W::Always, none, [](TCalidarix &w) { EXPECT_TRUE(w.FPanels.InfoEdit->isVisible()); }},
      {A, 41, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_EQ(PalNumber, 8);
         EXPECT_EQ(w.FPalette, TPaletteNodes().Table());
       }},
      {A, 44, W::NotCtrl, palWindow(10, 100), windowIs(9, 99)},
      {A, 44, W::Ctrl, [this](TCalidarix &) { SelectArea(1, 2, 6, 7); },
       [](TCalidarix &w) { EXPECT_EQ(w.FMarkers.FSavedArea.Rect(), (TRect{1, 2, 6, 7})); }},
      {A, 45, W::Always, palWindow(10, 100), windowIs(10, 99)},
      {A, 46, W::Always, none, [](TCalidarix &) { EXPECT_TRUE(CurrentDTV->isIsoColor); }},
      {A, 49, W::Always, [](TCalidarix &w) { w.FCtrlDown = true; },
       [this](TCalidarix &w) {
         EXPECT_FALSE(w.FCtrlDown);
         EXPECT_TRUE(w.FRelief.FReliefView);
         EXPECT_TRUE(Shown("ThreeDPB"));
       }},
      {A, 50, W::OverlayLoaded,
       [](TCalidarix &) {
         CurrentDTV->FOverlay = QImage(4, 4, QImage::Format_RGB32);
         CurrentDTV->FOverlay.fill(Qt::red);
       },
       [](TCalidarix &w) {
         EXPECT_EQ(w.FKeys.FOverlayShownAt, w.FRenderCount);
         w.ImagePB->repaint();
         const QPoint centre = w.ImagePB->rect().center();
         EXPECT_EQ(w.ImagePB->Picture.pixelColor(centre), QColor(Qt::red));
         // The next rendering of the frame ends it.
         w.ImagePBPaint(&w);
         w.ImagePB->repaint();
         EXPECT_NE(w.ImagePB->Picture.pixelColor(centre), QColor(Qt::red));
       }},
      {A, 51, W::Always, none,
       [](TCalidarix &) {
         EXPECT_EQ(CurrentDTV->Width(), kWidth / 2);
         EXPECT_EQ(CurrentDTV->Height(), kHeight / 2);
       }},
      {A, 52, W::Always, none, [](TCalidarix &w) { EXPECT_TRUE(w.SetupPanel->isVisible()); }},
      {A, 53, W::Always,
       [graphWindows](TCalidarix &w) {
         graphWindows(w);
         w.GraphSBClick();
       },
       [](TCalidarix &) { EXPECT_EQ(GraphForm->FStoredCount, 1); }},
      {A, 57, W::NoScan, [this](TCalidarix &) { SelectArea(0, 0, 4, 3); },
       [](TCalidarix &) { EXPECT_FALSE(CurrentDTV->PalBottom == 0 && CurrentDTV->PalTop == 255); }},
      {A, 57, W::ScanRuns,
       [this](TCalidarix &) {
         Scanning();
         ScanRequests.PanByFramesActive.Set(true);
       },
       [](TCalidarix &w) { EXPECT_TRUE(w.FAcquisition.PanoPaused); }},
      {A, 59, W::ScanRuns, [this](TCalidarix &) { Scanning(); },
       [](TCalidarix &) { EXPECT_TRUE(ScanRequests.LaserOn.Get()); }},
      {A, 59, W::Always, none, [this](TCalidarix &) { EXPECT_EQ(dialogs->OpenRequests.size(), 1); }},
      {A, 60, W::Always, [](TCalidarix &w) { w.isSaveByF2 = false; }, autoSaved},
      {A, 61, W::ScanRuns,
       [this](TCalidarix &w) {
         Scanning();
         w.isSaveByF2 = false;
       },
       autoSaved},
      {A, 61, W::Always, none, changed},
      {A, 62, W::ScanRuns,
       [this](TCalidarix &) {
         Scanning();
         ScanUnit.Sectors = kLineModeSectors;
         ScanRequests.LineModeShotRequest.Set(true);
       },
       [](TCalidarix &) {
         EXPECT_TRUE(ScanRequests.LineModeTimingRequest.Get());
         EXPECT_FALSE(ScanRequests.LineModeShotRequest.Get());
       }},
      {A, 62, W::Always, none, changed},
      {A, 63, W::CameraTypeSet, [this](TCalidarix &) { fakes.acquisition->SetCameraInterfaceType(16); },
       [this](TCalidarix &) { EXPECT_TRUE(fakes.acquisition->calls.contains("ScanSBClick")); }},
      {A, 64, W::ScanRuns,
       [this](TCalidarix &) {
         Scanning();
         ScanUnit.Delay = {1, 2, 7};
         ScanUnit.Edge = {1, 2, 6};
         ScanUnit.Center = {1, 2, 5};
       },
       [](TCalidarix &w) {
         EXPECT_EQ(ScanUnit.Delay[0], 7);
         EXPECT_EQ(ScanUnit.Edge[0], 6);
         EXPECT_EQ(ScanUnit.Center[0], 5);
         EXPECT_TRUE(w.FAcquisition.FScanSet2);
         EXPECT_TRUE(w.FAcquisition.FScanSetChanged);
       }},
      {A, 65, W::ScanRuns, [this](TCalidarix &) { Scanning(); },
       panel(&TCalidarix::FixedLevelPanel, 4, "Sum Count:")},
      {A, 66, W::Always, [this](TCalidarix &) { flagBefore = CurrentDTV->FRangeLocked; },
       [this](TCalidarix &w) {
         EXPECT_NE(CurrentDTV->FRangeLocked, flagBefore);
         EXPECT_EQ(w.LockSB->isChecked(), CurrentDTV->FRangeLocked);
       }},
      {A, 71, W::DualBandCamera,
       [this](TCalidarix &w) {
         fakes.acquisition->SetCameraInterfaceType(257);
         ScanUnit.CalibrationBand = 1;
         ScanUnit.CalibrationRange = 2;
         w.VideoPanel->show();
       },
       [](TCalidarix &w) {
         EXPECT_EQ(ScanUnit.CalibrationBand, 0);
         EXPECT_EQ(ScanRequests.PendingRange.Get(), 2);
         EXPECT_FALSE(w.VideoPanel->isVisible());
       }},
      {A, 71, W::Always, areas(1), [](TCalidarix &w) { EXPECT_EQ(w.FMarkers.FAreas.back().Direction, 1); }},
      {A, 72, W::Always,
       [this](TCalidarix &) {
         QImage photo(8, 6, QImage::Format_RGB32);
         photo.fill(Qt::green);
         ASSERT_TRUE(photo.save(Path("film.JPG"), "JPG"));
       },
       [](TCalidarix &w) {
         EXPECT_TRUE(w.PhotoPB->isVisible());
         EXPECT_FALSE(w.ImagePB->isVisible());
         EXPECT_FALSE(CompanionPhoto.isNull());
       }},
      {A, 73, W::Always,
       [this](TCalidarix &w) {
         Thermogram("a.dtv", 1.0f);
         Thermogram("b.dtv", 2.0f);
         ASSERT_TRUE(w.OpenInView(Path("b.dtv")));
         w.UpDateFilesList(Path(""));
       },
       [](TCalidarix &) { EXPECT_TRUE(CurrentDTV->FFileName.endsWith("a.dtv")); }},
      {A, 75, W::Always, none, [](TCalidarix &) { EXPECT_EQ(CurrentDTV->FFrameIndex, 3); }},
      {A, 77, W::Always, none, [](TCalidarix &) { EXPECT_EQ(CurrentDTV->FFrameIndex, 2); }},
      {A, 79, W::DualBandCamera,
       [this](TCalidarix &) {
         fakes.acquisition->SetCameraInterfaceType(64);
         Scanning();
       },
       [](TCalidarix &) { EXPECT_EQ(ScanUnit.CalibrationBand, 1); }},
      {A, 80, W::Always,
       [](TCalidarix &w) {
         w.ImagePB->hide();
         w.PhotoPB->show();
       },
       [](TCalidarix &w) {
         EXPECT_FALSE(w.PhotoPB->isVisible());
         EXPECT_TRUE(w.ImagePB->isVisible());
       }},
      {A, 81, W::Always,
       [this](TCalidarix &w) {
         Thermogram("a.dtv", 1.0f);
         Thermogram("b.dtv", 2.0f);
         ASSERT_TRUE(w.OpenInView(Path("a.dtv")));
         w.UpDateFilesList(Path(""));
       },
       [](TCalidarix &) { EXPECT_TRUE(CurrentDTV->FFileName.endsWith("b.dtv")); }},
      {A, 82, W::PointsExist, points, [](TCalidarix &w) { EXPECT_EQ(w.FMarkers.FPoints.back().Direction, 1); }},
      // Del asks before it deletes the frame shown (answered No here: the film stays whole).
      {A, 83, W::Always, none,
       [this](TCalidarix &) {
         ASSERT_EQ(dialogs->Questions.size(), 1);
         EXPECT_TRUE(dialogs->Questions[0].startsWith("Delete frame 1 from")) << dialogs->Questions[0].toStdString();
         EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 3);
       }},
      {A, 93, W::Always,
       [this](TCalidarix &w) {
         QCursor::setPos(ImageCentre());
         w.ImagePB->installEventFilter(&rightButtons);
       },
       [this](TCalidarix &w) {
         QApplication::processEvents();
         EXPECT_EQ(rightButtons.presses, 1);
         EXPECT_EQ(rightButtons.releases, 0);
         EXPECT_TRUE(w.FKeys.ContextKeyDown);
         EXPECT_TRUE(w.KeyLabel->text().contains('x'));
       }},

      // ---- Key-down with Alt ----
      {B, 5, W::Always, none, changed},
      {B, 10, W::Always, [this](TCalidarix &w) { paletteBefore = w.FPalette; },
       [this](TCalidarix &w) {
         EXPECT_EQ(w.FPalette.front().R, 255 - paletteBefore.front().R);
         EXPECT_TRUE(isPalInverted);
       }},
      {B, 11, W::NoScan, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.PalTimer->isActive());
         EXPECT_TRUE(w.FPalCycleForward);
       }},
      {B, 14, W::AreasExist, areas(2), [](TCalidarix &w) { EXPECT_EQ(w.FMarkers.FAreas.size(), 1u); }},
      {B, 16, W::Always, [](TCalidarix &) { CurrentDTV->SetAspect(2.0); },
       [](TCalidarix &) {
         EXPECT_NE(CurrentDTV->Width() * 1000 / CurrentDTV->Height(), kWidth * 1000 / kHeight);
       }},
      {B, 17, W::Always, none,
       [this](TCalidarix &w) {
         EXPECT_TRUE(w.FSubtraction);
         ASSERT_TRUE(ReferenceDTV);
         EXPECT_EQ(ReferenceDTV->FRaw, before);
       }},
      {B, 18, W::Always, [this](TCalidarix &) { SelectArea(1, 1, 6, 6); },
       panel(&TCalidarix::FixedLevel2Panel, 7, "Tr:")},
      {B, 19, W::Ctrl, [](TCalidarix &w) { w.FCtrlDown = true; },
       [](TCalidarix &) { EXPECT_FLOAT_EQ(CurrentDTV->FRotateAngle, 359.5f); }},
      {B, 19, W::NoScan, none,
       [this](TCalidarix &) {
         EXPECT_EQ(CurrentDTV->Width(), kHeight);
         // Counter-clockwise: the top-right corner comes to the top left.
         EXPECT_EQ(Raw(0, 0), Before(kWidth - 1, 0));
       }},
      {B, 19, W::ScanAreaSelected,
       [this](TCalidarix &) {
         Scanning();
         SelectArea(1, 1, 6, 6);
       },
       panel(&TCalidarix::FixedLevelPanel, 3, "Enter Repper Value")},
      {B, 20, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.MaxEdit->isVisible());
         EXPECT_EQ(w.FRangeEntry.MinEditTag, 1);
       }},
      {B, 21, W::Always, none,
       [p = panel(&TCalidarix::FixedLevelPanel, 1, "Fixed Level")](TCalidarix &w) {
         p(w);
         EXPECT_TRUE(FixedLevelShift);
       }},
      {B, 22, W::Always, none,
       [](TCalidarix &) {
         EXPECT_TRUE(RowEditMode);
         EXPECT_EQ(RowEditIndex, 1);
       }},
      {B, 23, W::Always, [this](TCalidarix &w) { paletteBefore = w.FPalette; },
       [this](TCalidarix &w) { EXPECT_NE(w.FPalette, paletteBefore); }},
      {B, 24, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.FKeys.SplitMode);
         EXPECT_EQ(w.FKeys.SplitHor, 224);
         EXPECT_EQ(w.FKeys.SplitVer, -57);
       }},
      {B, 28, W::Always,
       [this](TCalidarix &) {
         filmProcess = std::make_unique<TFilmProcessForm>();
         FilmProcessForm = filmProcess.get();
       },
       [this](TCalidarix &) {
         EXPECT_TRUE(FilmProcessForm->isVisible());
         EXPECT_EQ(FilmProcessForm->FFilmFileName, film);
       }},
      {B, 30, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(w.FAngleTool);
         EXPECT_EQ(w.FAngleArms[1] - w.FAngleArms[0], 90);
       }},
      {B, 31, W::ScanRuns, [this](TCalidarix &) { Scanning(); }, notice("Start Strip")},
      {B, 31, W::FilmOfTwoFrames, none,
       [p = panel(&TCalidarix::FixedLevel2Panel, 2, "F1:")](TCalidarix &w) {
         p(w);
         EXPECT_EQ(w.FixedLevel2Edit1->text(), "1");
         EXPECT_EQ(w.FixedLevel2Edit2->text(), "2");
       }},
      {B, 31, W::Always, [this](TCalidarix &w) { ASSERT_TRUE(w.OpenInView(Thermogram("one.dtv", 0.0f))); },
       notice("Maximum over")},
      {B, 32, W::Always, none,
       [](TCalidarix &) {
         EXPECT_EQ(CurrentDTV->Width(), kWidth);
         EXPECT_EQ(CurrentDTV->Height(), 3 * kHeight);
       }},
      {B, 35, W::Always, none,
       [this](TCalidarix &) {
         EXPECT_TRUE(CurrentDTV->FMirrorAfterLoad);
         EXPECT_EQ(Raw(0, 0), Before(kWidth - 1, 0));
       }},
      {B, 38, W::Always, none, [](TCalidarix &) { EXPECT_TRUE(BadgeOverlay); }},
      {B, 41, W::Always, none,
       [this](TCalidarix &w) {
         EXPECT_TRUE(w.FImageOnly);
         EXPECT_FALSE(w.ToolPanel->isVisible());
         // The same key brings the window back, whatever the menu shows.
         Key(QEvent::KeyPress, 41, Qt::AltModifier);
         EXPECT_FALSE(w.FImageOnly);
         EXPECT_TRUE(w.ToolPanel->isVisible());
       }},
      {B, 44, W::Always,
       [this](TCalidarix &w) {
         w.FMarkers.FSavedArea.SetRect(TRect{2, 3, 8, 9});
         SelectArea(0, 0, 4, 4);
       },
       [](TCalidarix &w) { EXPECT_EQ(w.FMarkers.FCurrentArea.Rect(), (TRect{2, 3, 8, 9})); }},
      {B, 45, W::Always, none, [](TCalidarix &w) { EXPECT_FALSE(w.isVisible()); }},
      {B, 46, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_TRUE(CurrentDTV->isIsoAuto);
         EXPECT_TRUE(w.isIsoAuto);
       }},
      {B, 47, W::Always, none,
       [this](TCalidarix &) {
         EXPECT_TRUE(CurrentDTV->FFlipAfterLoad);
         EXPECT_EQ(Raw(0, 0), Before(0, kHeight - 1));
       }},
      {B, 48, W::Always, none, [this](TCalidarix &) { EXPECT_EQ(dialogs->OpenRequests.size(), 1); }},
      {B, 49, W::Always, [](TCalidarix &w) { w.FGridStep = 8; },
       [](TCalidarix &w) {
         EXPECT_TRUE(GridOverlay);
         EXPECT_EQ(w.FGridStep, 32);
       }},
      {B, 50, W::Always,
       [](TCalidarix &) {
         CurrentDTV->FHeader.CameraTemp = 23.456f;
         CurrentDTV->FHeader.ModelHigh = 3;
         CurrentDTV->FHeader.ModelLow = 7;
       },
       [](TCalidarix &w) {
         EXPECT_EQ(w.FileInfoLabel->text(), "23.46");
         EXPECT_EQ(w.FileNameLabel->text(), "307");
       }},
      {B, 53, W::Always, none, [](TCalidarix &) { EXPECT_FALSE(TrueColorRender); }},
      {B, 59, W::Always, none, [this](TCalidarix &) { EXPECT_EQ(dialogs->OpenRequests.size(), 1); }},
      {B, 60, W::Always, [](TCalidarix &w) { w.isSaveByF2 = true; }, autoSaved},
      {B, 61, W::ScanRuns,
       [this](TCalidarix &w) {
         Scanning();
         w.isSaveByF2 = true;
       },
       autoSaved},
      {B, 61, W::Always, none, changed},
      {B, 72, W::NoScan, none, aspectBy(1.0 / 1.1)},
      {B, 75, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_FALSE(w.FKeys.FPlayForward);
         EXPECT_EQ(w.FKeys.FPlaySpeedStep, 0);
         EXPECT_FALSE(w.FKeys.FilmTimer->isActive());
       }},
      {B, 77, W::Always, none,
       [](TCalidarix &w) {
         EXPECT_EQ(w.FKeys.FPlaySpeedStep, 1);
         EXPECT_TRUE(w.FKeys.FilmTimer->isActive());
         EXPECT_EQ(w.FKeys.FilmTimer->interval(), 1);
       }},
      {B, 80, W::NoScan, none, aspectBy(1.1)},
      {B, 88, W::ScanIdleForCommand,
       [this](TCalidarix &) {
         Scanning();
         ScanRequests.FixedLineMode.Set(true);
         QCursor::setPos(ImageCentre());
       },
       [](TCalidarix &w) {
         EXPECT_FALSE(ScanRequests.FixedLineMode.Get());
         EXPECT_EQ(ScanRequests.FixedLinePosition.Get(), w.ImagePB->rect().center().y() * 120 / w.ImagePB->height());
         EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 0);
       }},

      // ---- Key-up ----
      {C, 29, W::Always, [](TCalidarix &w) { w.FCtrlDown = true; },
       [](TCalidarix &w) { EXPECT_FALSE(w.FCtrlDown); }},
      {C, 93, W::Always,
       [this](TCalidarix &w) {
         QCursor::setPos(ImageCentre());
         w.ImagePB->installEventFilter(&rightButtons);
         Key(QEvent::KeyPress, 93, Qt::NoModifier);
         Key(QEvent::KeyPress, 93, Qt::NoModifier, true);
       },
       [this](TCalidarix &w) {
         QApplication::processEvents();
         EXPECT_EQ(rightButtons.presses, 1);
         EXPECT_EQ(rightButtons.releases, 1);
         EXPECT_FALSE(w.FKeys.ContextKeyDown);
         EXPECT_TRUE(w.KeyLabel->text().contains('X'));
       }},
  };
  for (int slot = 0; slot < 8; ++slot)
    cases.push_back({A, 2 + slot, W::Always, [slot](TCalidarix &w) { w.PalChange((slot + 1) % 8); },
                     [slot](TCalidarix &) { EXPECT_EQ(PalNumber, slot); }});
  for (auto [scan, bit] : {std::pair{72, 1}, {75, 2}, {77, 4}, {80, 8}}) {
    RowCase release = jogRelease(bit);
    release.scan = scan;
    cases.push_back(release);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeyDispatch, ::testing::Values(Layout::Us, Layout::Russian, Layout::German),
                         [](const ::testing::TestParamInfo<Layout> &info) {
                           return info.param == Layout::Us        ? "US"
                                  : info.param == Layout::Russian ? "Russian"
                                                                  : "German";
                         });

TEST_P(KeyDispatch, EveryRowOfTheTablesRunsItsCommandByScanCode) {
  const std::vector<RowCase> cases = RowCases();
  for (const KeyCommandRow &row : KeyCommandRows()) {
    SCOPED_TRACE(testing::Message() << "table " << int(row.table) << " " << row.key << " (scan "
                                    << int(row.scan) << ", condition " << int(row.when) << ")");
    const auto c = std::find_if(cases.begin(), cases.end(), [&row](const RowCase &rc) {
      return rc.table == row.table && rc.scan == row.scan && rc.when == row.when;
    });
    ASSERT_NE(c, cases.end()) << "no case drives this row";
    TCalidarix &w = Fresh();
    rightButtons.presses = rightButtons.releases = 0;
    c->setup(w);
    // The row chosen under the conditions the setup made is the row driven.
    const std::optional<KeyCommandRow> chosen = FindKeyCommand(row.table, row.scan, [&] {
      KeyConditions k = w.GatherKeyConditions();
      k.ctrl = k.ctrl || (row.table == KeyTable::KeyDown && row.when == KeyWhen::Ctrl);
      return k;
    }());
    ASSERT_TRUE(chosen);
    ASSERT_EQ(chosen->command, row.command);
    Press(row);
    c->check(w);
  }
}

using KeySequences = KeyWindow;

TEST_F(KeySequences, ActionShortcutsAreTakenBeforeTheTableAndSayWhatIsMissing) {
  TCalidarix &w = Fresh();
  // Window shortcuts belong to the active window.
  QApplication::setActiveWindow(&w);
  // The calibration hotkeys reach their command: with "Calidarix.ini" present (and, for the point
  // from the image, the blind correction off and an area selected) they need the calibration form,
  // which this window was created without.
  test::WriteText(dir.file("Calidarix.ini"), "[SETUP]\nCameraNo=7\n");
  w.FIniFileName = dir.file("Calidarix.ini");
  ScanRequests.BlindCorrectionOn.Set(false);
  w.FMarkers.FCurrentArea.SetRect(TRect{1, 1, 4, 4});
  const std::pair<QKeyCombination, const char *> shortcuts[] = {
      // The camera's keys work only while a scan runs, and say so otherwise.
      {Qt::Key_F9, "F9: only while a scan runs"},
      {Qt::Key_F10, "F10: only while a scan runs"},
      {Qt::Key_F11, "F11: only while a scan runs"},
      {Qt::Key_F12, "F12: only while a scan runs"},
      {Qt::ALT | Qt::Key_1, "Alt+1: only while a scan runs"},
      {Qt::ALT | Qt::Key_2, "Alt+2: only while a scan runs"},
      {Qt::ALT | Qt::Key_3, "Alt+3: only while a scan runs"},
      {Qt::ALT | Qt::Key_F, "Alt+F: only while a scan runs"},
      {Qt::ALT | Qt::Key_F6, "Alt+F6: only while a scan runs"},
      {Qt::ALT | Qt::Key_Insert, "Alt+F6: only while a scan runs"},
      {Qt::CTRL | Qt::ALT | Qt::Key_Period, "Calibration form [Ctrl+Alt+.]"},
      {Qt::CTRL | Qt::ALT | Qt::Key_Comma, "Calibration form [Ctrl+Alt+,]"},
      {Qt::CTRL | Qt::Key_F12, "Ctrl+F12"},
  };
  for (auto [keys, caption] : shortcuts) {
    SCOPED_TRACE(caption);
    w.FStatusNotice.clear();
    EXPECT_TRUE(qt_sendShortcutOverrideEvent(&w, 0, keys.key(), keys.keyboardModifiers()));
    EXPECT_TRUE(Notice().contains(QString::fromLatin1(caption))) << Notice().toStdString();
  }
  // Ctrl+C copies the picture; it does not reach the table's C (isotherm colours).
  EXPECT_TRUE(qt_sendShortcutOverrideEvent(&w, 0, Qt::Key_C, Qt::ControlModifier));
  EXPECT_FALSE(CurrentDTV->isIsoColor);
  // No menu mnemonic takes an Alt+letter from the table, with the main menu shown too.
  w.FIsMenuVisible = true;
  w.SetMenuItemsVisible(true);
  w.menuBar()->show();
  QApplication::processEvents();
  for (int letter = Qt::Key_A; letter <= Qt::Key_Z; ++letter) {
    if (letter != Qt::Key_F) {
      EXPECT_FALSE(qt_sendShortcutOverrideEvent(&w, 0, letter, Qt::AltModifier)) << char(letter);
    }
  }
}

TEST_F(KeySequences, KeyMessagesFollowTheModifiersAndIgnoreRepeatedReleases) {
  TCalidarix &w = Fresh();
  // Ctrl+Alt+R is a plain key-down with Ctrl: one degree back, that is 359.
  Key(QEvent::KeyPress, 29, Qt::ControlModifier);
  Key(QEvent::KeyPress, 56, Qt::ControlModifier | Qt::AltModifier);
  Key(QEvent::KeyPress, 19, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_FLOAT_EQ(CurrentDTV->FRotateAngle, 359.0f);
  EXPECT_EQ(w.KeyLabel->text(), "19");
  // Held, Ctrl repeats; the releases of the repeats are not the key let go.
  Key(QEvent::KeyRelease, 29, Qt::ControlModifier, true);
  EXPECT_TRUE(w.FCtrlDown);
  // Let go while Alt is still held, it is let go all the same.
  Key(QEvent::KeyRelease, 29, Qt::AltModifier);
  EXPECT_FALSE(w.FCtrlDown);
  // A Ctrl let go while another window had the keyboard is read again when the window comes back.
  w.FCtrlDown = true;
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&w, &activate);
  EXPECT_FALSE(w.FCtrlDown);
}

TEST_F(KeySequences, FilmFramesStepAndWrapAndASingleImageStaysPut) {
  TCalidarix &w = Fresh();
  Key(QEvent::KeyPress, 77, Qt::NoModifier);
  Key(QEvent::KeyPress, 77, Qt::NoModifier, true);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 3);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 2.0f);
  Key(QEvent::KeyPress, 77, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_EQ(w.FrameLabel->text(), "1");

  ASSERT_TRUE(w.OpenInView(Thermogram("single.dtv", 5.0f)));
  Key(QEvent::KeyPress, 77, Qt::NoModifier);
  Key(QEvent::KeyPress, 75, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_TRUE(Notice().isEmpty());
}

TEST_F(KeySequences, AltRightPlaysTheFilmFasterEachTimeAndStopsOnTheFourth) {
  TCalidarix &w = Fresh();
  // Turned backwards first: Alt+Right then only sets the direction.
  Key(QEvent::KeyPress, 75, Qt::AltModifier);
  Key(QEvent::KeyPress, 77, Qt::AltModifier);
  EXPECT_TRUE(w.FKeys.FPlayForward);
  EXPECT_FALSE(w.FKeys.FilmTimer->isActive());
  Key(QEvent::KeyPress, 77, Qt::AltModifier);
  EXPECT_EQ(w.FKeys.FilmTimer->interval(), 1);
  // The timer shows the frames one after another.
  QDeadlineTimer deadline(5000);
  while (CurrentDTV->FFrameIndex == 1 && !deadline.hasExpired())
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_NE(CurrentDTV->FFrameIndex, 1);
  Key(QEvent::KeyPress, 77, Qt::AltModifier);
  EXPECT_EQ(w.FKeys.FilmTimer->interval(), 40); // real time: the film's 0.04 s
  Key(QEvent::KeyPress, 77, Qt::AltModifier);
  EXPECT_FALSE(w.FKeys.FilmTimer->isActive());
  // A manual step stops a playback too.
  Key(QEvent::KeyPress, 77, Qt::AltModifier);
  Key(QEvent::KeyPress, 75, Qt::NoModifier);
  EXPECT_FALSE(w.FKeys.FilmTimer->isActive());
}

TEST_F(KeySequences, CtrlArrowsPanAZoomedViewAndActAsArrowsOnAWholeOne) {
  TCalidarix &w = Fresh();
  Key(QEvent::KeyPress, 29, Qt::ControlModifier);
  ASSERT_TRUE(w.FZoomFitted);
  Key(QEvent::KeyPress, 77, Qt::ControlModifier);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  Key(QEvent::KeyPress, 72, Qt::ControlModifier);
  EXPECT_TRUE(Notice().contains("No photo")) << Notice().toStdString();

  CurrentDTV->FZoom = 40.0;
  CurrentDTV->FViewOffsetX = 0.0;
  w.FZoomFitted = false;
  Key(QEvent::KeyPress, 77, Qt::ControlModifier);
  EXPECT_EQ(CurrentDTV->FViewOffsetX, std::min(10.0, kWidth - w.ImagePB->width() / 40.0));
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
}

TEST_F(KeySequences, ArrowsStepTheLockedRangeOfALiveScanWithinSoundLimits) {
  TCalidarix &w = Fresh();
  fakes.acquisition->scanRunning = true;
  // A film opens in its own locked range; a live range follows the frames until an arrow locks it.
  CurrentDTV->FRangeLocked = false;
  w.LockSB->setChecked(false);
  Key(QEvent::KeyPress, 77, Qt::NoModifier);
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());
  CurrentDTV->LockMin = 20.0;
  CurrentDTV->LockMax = 24.0;
  for (int repeat = 0; repeat < 5; ++repeat)
    Key(QEvent::KeyPress, 75, Qt::NoModifier, repeat > 0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 21.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 23.0);
  Key(QEvent::KeyPress, 72, Qt::NoModifier);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 22.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 24.0);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1); // no film stepping while the scan runs

  // The dual-band camera steps both bands.
  fakes.acquisition->SetCameraInterfaceType(257);
  w.CreateThermograms(true);
  BandDTV35->LockMin = 10.0;
  BandDTV35->LockMax = 20.0;
  BandDTV812->LockMin = -273.0;
  BandDTV812->LockMax = 0.0;
  Key(QEvent::KeyPress, 80, Qt::NoModifier);
  EXPECT_DOUBLE_EQ(BandDTV35->LockMin, 9.0);
  EXPECT_DOUBLE_EQ(BandDTV812->LockMin, -273.0);
}

TEST_F(KeySequences, EscStopsTheScanAndLeavesFullScreen) {
  TCalidarix &w = Fresh();
  fakes.acquisition->scanRunning = true;
  w.ToggleFullScreen();
  ASSERT_TRUE(w.FullScreenOn);
  Key(QEvent::KeyPress, 1, Qt::NoModifier);
  EXPECT_TRUE(fakes.acquisition->calls.contains("StopScan"));
  EXPECT_FALSE(w.FullScreenOn);
}

TEST_F(KeySequences, QFillsTheWindowFirstAndThenReleasesALockedRange) {
  TCalidarix &w = Fresh();
  if (!CurrentDTV->FRangeLocked)
    Key(QEvent::KeyPress, 66, Qt::NoModifier); // F8 locks
  ASSERT_TRUE(CurrentDTV->FRangeLocked);
  ASSERT_TRUE(w.LockSB->isChecked());
  CurrentDTV->PalBottom = 30;
  Key(QEvent::KeyPress, 16, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->PalBottom, 0);
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  Key(QEvent::KeyPress, 16, Qt::NoModifier);
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_FALSE(w.LockSB->isChecked());
}

TEST_F(KeySequences, RowAlignmentArrowsKeepTheRowInsideTheFrame) {
  TCalidarix &w = Fresh();
  Key(QEvent::KeyPress, 22, Qt::AltModifier);
  Key(QEvent::KeyPress, 72, Qt::NoModifier);
  EXPECT_EQ(RowEditIndex, 1);
  for (int repeat = 0; repeat < 10; ++repeat)
    Key(QEvent::KeyPress, 80, Qt::NoModifier, repeat > 0);
  EXPECT_EQ(RowEditIndex, kHeight - 1);
  EXPECT_EQ(w.KeyLabel->text(), QString::number(kHeight - 1));
  const int shifted = Raw(1, RowEditIndex);
  Key(QEvent::KeyPress, 77, Qt::NoModifier);
  EXPECT_EQ(Raw(2, RowEditIndex), shifted);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  Key(QEvent::KeyPress, 1, Qt::NoModifier);
  EXPECT_FALSE(RowEditMode);
}

TEST_F(KeySequences, KeysWaitWhileAJobHasTheThermogram) {
  TCalidarix &w = Fresh();
  w.FBusyJob = QStringLiteral("Joining");
  Key(QEvent::KeyPress, 19, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->Width(), kWidth);
  EXPECT_FALSE(Notice().isEmpty());
  Key(QEvent::KeyPress, 29, Qt::ControlModifier);
  EXPECT_TRUE(w.FCtrlDown);
  Key(QEvent::KeyRelease, 29, Qt::NoModifier);
  EXPECT_FALSE(w.FCtrlDown);
  w.FBusyJob.clear();
}

class KeysWithHead : public KeyWindow {
protected:
  void SetUp() override {
    KeyWindow::SetUp();
    head = std::make_unique<sim::HeadSimulator>('M');
    const std::string path = head->OpenPty();
    ASSERT_FALSE(path.empty());
    head->Start();
    ports = std::make_unique<test::ScopedEnv>("CALIDARIX_SERIAL_PORTS", "1=" + path);
    address = std::make_unique<test::ScopedEnv>("CALIDARIX_HEAD_ADDRESS",
                                                "127.0.0.1:" + std::to_string(test::UnusedUdpPort()));
    fakes.services.head = std::make_unique<QorHeadLink>();
    fakes.head = nullptr;
  }
  void TearDown() override {
    KeyWindow::TearDown();
    head->Stop();
    ResetHeadGlobals();
  }
  // The commands the head received since the last call, by their first three bytes and speeds.
  std::vector<std::string> Received() {
    std::vector<std::string> commands = head->Commands();
    head->ClearCommands();
    return commands;
  }

  test::ScopedEnv network{"CALIDARIX_NETWORK", "loopback"};
  std::unique_ptr<sim::HeadSimulator> head;
  std::unique_ptr<test::ScopedEnv> ports;
  std::unique_ptr<test::ScopedEnv> address;
};

TEST_F(KeysWithHead, ArrowsJogTheHeadWhileTheCentreCrossIsShownAndEnterResetsIt) {
  TCalidarix &w = Fresh();
  w.AfterAllWindowsCreated();
  QCoreApplication::processEvents();
  w.InterfaceTimer->stop();
  ASSERT_TRUE(w.HeadConnected);
  w.ChangeHeadPosition1Click();
  ASSERT_TRUE(CenterCross);
  // The cross switches autotrack off. The command is written before the click returns but reaches the
  // head's record a moment later: it is awaited, or it would land among the jog commands below.
  ASSERT_TRUE(head->WaitForCommand("$TAmoff", 2000));
  Received();

  const std::string up("$TB\x00\xFFhv", 7);
  const std::string left("$TB\x7F\x00hv", 7);
  Key(QEvent::KeyPress, 72, Qt::NoModifier);
  ASSERT_TRUE(head->WaitForCommand(up, 2000));
  // Held, Up repeats without a second command; Left pressed meanwhile changes the set and is sent.
  Key(QEvent::KeyPress, 72, Qt::NoModifier, true);
  Key(QEvent::KeyPress, 75, Qt::NoModifier);
  ASSERT_TRUE(head->WaitForCommand(left, 2000));
  EXPECT_EQ(Received(), (std::vector<std::string>{up, left}));
  EXPECT_EQ(w.FKeys.FJogKeys, 3);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1); // the arrows did not step the film

  Key(QEvent::KeyRelease, 75, Qt::NoModifier);
  ASSERT_TRUE(head->WaitForCommand("$Stoppp", 2000));
  EXPECT_EQ(w.FKeys.FJogKeys, 1);
  Received();
  Key(QEvent::KeyPress, 28, Qt::NoModifier);
  ASSERT_TRUE(head->WaitForCommand("$XReset", 2000));
  EXPECT_FALSE(CenterCross);
  EXPECT_EQ(w.FKeys.FJogKeys, 0);
}

} // namespace
} // namespace calidarix
