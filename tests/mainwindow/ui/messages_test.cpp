// The main window's window procedure: the wheel's zoom and file stepping, the minimum size, docking of
// the companion windows, the tray icon, system commands, device changes, and messages posted to the
// window's published handle.

#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/sibling_link.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

namespace calidarix {
namespace {

using test::FileWindow;

WPARAM WheelWParam(std::uint32_t keyState, int delta) {
  return (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16) | keyState;
}

LPARAM ScreenLParam(QPoint p) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.y())) << 16) |
                             static_cast<std::uint16_t>(p.x()));
}

class Messages : public FileWindow {
protected:
  // Three files of 64 x 48 pixels, the middle one shown, the view fitted (10 box pixels a column).
  TCalidarix &StartInFolder() {
    TCalidarix &w = Start();
    files = {Thermogram("a.dtv", 1.0f, 64, 48), Thermogram("b.dtv", 2.0f, 64, 48),
             Thermogram("c.dtv", 3.0f, 64, 48)};
    dialogs->OpenAnswers.push_back({files[1]});
    w.OpenSBClick();
    return w;
  }

  void Wheel(std::uint32_t keyState, int delta, QPoint boxPoint = QPoint(100, 80)) {
    Message message{WM_MOUSEWHEEL, WheelWParam(keyState, delta),
                    ScreenLParam(window->ImagePB->mapToGlobal(boxPoint)), 0};
    window->WndProc(message);
  }

  // The image column under a box column.
  double ColumnAt(double boxX) const { return CurrentDTV->FViewOffsetX + boxX / CurrentDTV->FZoom; }

  QStringList files;
};

TEST_F(Messages, TheWheelZoomsWithCtrlOrShiftAloneAndStepsFilesOtherwise) {
  TCalidarix &w = StartInFolder();
  const double fitted = CurrentDTV->FZoom;
  ASSERT_TRUE(w.FZoomFitted);
  struct Case {
    std::uint32_t keyState;
    int delta;
    double zoom;   // expected zoom as a multiple of the fit
    int fileShown; // index into files
  } cases[] = {
      {MK_CONTROL, 120, 1.2, 1},             // Ctrl: zoom in by one notch
      {MK_SHIFT, 120, 1.2, 1},               // Shift zooms exactly like Ctrl
      {MK_CONTROL, -120, 1.0, 1},            // out below the fit: stays fitted
      {MK_CONTROL, 240, 1.0, 1},             // two notches at once: not a zoom step
      {MK_CONTROL | MK_SHIFT, -120, 1.0, 2}, // Ctrl + Shift steps files: next
      {0, -120, 1.0, 2},                     // towards the user: next file
      {0, 120, 1.0, 0},                      // away: previous file
      {0x0001 /* left button */, 120, 1.0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "key state " << c.keyState << " delta " << c.delta);
    CurrentDTV->FFileName = files[1];
    w.ChangeDTV(true);
    ASSERT_DOUBLE_EQ(CurrentDTV->FZoom, fitted);
    Wheel(c.keyState, c.delta);
    EXPECT_NEAR(CurrentDTV->FZoom, fitted * c.zoom, 1e-9);
    EXPECT_EQ(w.FZoomFitted, c.zoom == 1.0);
    EXPECT_EQ(CurrentDTV->FFileName, files[c.fileShown]);
  }
}

TEST_F(Messages, ZoomingInKeepsThePixelUnderTheMouseAndStopsAtTheLimit) {
  TCalidarix &w = StartInFolder();
  const QPoint mouse(300, 200);
  Wheel(MK_CONTROL, 120, mouse);
  const double column = ColumnAt(mouse.x());
  for (int i = 0; i < 3; ++i)
    Wheel(MK_CONTROL, 120, mouse);
  EXPECT_NEAR(ColumnAt(mouse.x()), column, 1e-9);
  EXPECT_FALSE(w.FZoomFitted);
  for (int i = 0; i < 60; ++i)
    Wheel(MK_SHIFT, 120, mouse);
  EXPECT_DOUBLE_EQ(CurrentDTV->FZoom, TCalidarix::kMaxWheelZoom);
  EXPECT_NEAR(ColumnAt(mouse.x()), column, 1e-9);
  for (int i = 0; i < 60; ++i)
    Wheel(MK_CONTROL, -120, mouse);
  EXPECT_TRUE(w.FZoomFitted);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
}

TEST_F(Messages, QtWheelEventsTakeTheSamePathAndTheHeldSpaceBarStopsStepping) {
  TCalidarix &w = StartInFolder();
  const double fitted = CurrentDTV->FZoom;
  const QPointF at(50, 50);
  auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(at, w.ImagePB->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    // Posted by the system the event rises from the image to the window; a sent one would not.
    QApplication::sendEvent(&w, &event);
  };
  wheel(120, Qt::ControlModifier);
  EXPECT_NEAR(CurrentDTV->FZoom, fitted * 1.2, 1e-9);
  wheel(-120, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFileName, files[2]);

  QKeyEvent spaceDown(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(&w, &spaceDown);
  EXPECT_TRUE(w.FSpaceDown);
  wheel(120, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFileName, files[2]);
  QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(&w, &spaceUp);
  wheel(120, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
}

TEST_F(Messages, SmoothWheelsAndTouchpadsAreAddedUpToWholeNotches) {
  TCalidarix &w = StartInFolder();
  const double fitted = CurrentDTV->FZoom;
  const QPointF at(50, 50);
  auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers, Qt::ScrollPhase phase = Qt::ScrollUpdate) {
    QWheelEvent event(at, w.ImagePB->mapToGlobal(at), QPoint(0, delta / 4), QPoint(0, delta), Qt::NoButton,
                      modifiers, phase, false);
    QApplication::sendEvent(&w, &event);
  };
  // A notch in eight parts is one step, not eight.
  for (int i = 0; i < 7; ++i)
    wheel(-15, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
  wheel(-15, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFileName, files[2]);
  // Half a notch, then the other way: the half is dropped.
  wheel(-60, Qt::NoModifier);
  wheel(60, Qt::NoModifier);
  wheel(60, Qt::NoModifier);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
  // A touchpad's glide after the swipe steps nothing.
  for (int i = 0; i < 30; ++i)
    wheel(-40, Qt::NoModifier, Qt::ScrollMomentum);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
  // Zoom steps likewise: four quarters with Ctrl are one step of 1.2.
  for (int i = 0; i < 4; ++i)
    wheel(30, Qt::ControlModifier);
  EXPECT_NEAR(CurrentDTV->FZoom, fitted * 1.2, 1e-9);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
}

TEST_F(Messages, ToolButtonsNeverTakeTheKeyboardFocus) {
  // A clicked button holding the focus would take the space bar and run its command again.
  TCalidarix &w = Start();
  const QList<QToolButton *> buttons = w.findChildren<QToolButton *>();
  ASSERT_GE(buttons.size(), 25);
  for (QToolButton *button : buttons) {
    if (button->window() == &w) {
      EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->objectName().toStdString();
    }
  }
}

TEST_F(Messages, TheImageToggleItemsSwitchTheirSettings) {
  TCalidarix &w = Start();
  QAction *doubleMinMax = w.findChild<QAction *>("DoubleMinMax1");
  QAction *dateTime = w.findChild<QAction *>("DateTimeMode1");
  ASSERT_TRUE(dateTime->isCheckable());
  const bool before = w.FIsDoubleMinMax;
  int renders = w.FRenderCount;
  doubleMinMax->trigger();
  EXPECT_EQ(w.FIsDoubleMinMax, !before);
  EXPECT_EQ(doubleMinMax->isChecked(), w.FIsDoubleMinMax);
  EXPECT_GT(w.FRenderCount, renders);
  doubleMinMax->trigger();
  EXPECT_EQ(w.FIsDoubleMinMax, before);

  renders = w.FRenderCount;
  dateTime->trigger();
  EXPECT_TRUE(DateTimeMode);
  EXPECT_GT(w.FRenderCount, renders);
  dateTime->trigger();
  EXPECT_FALSE(DateTimeMode);
}

TEST_F(Messages, ADoubleClickOnTheToolBarSwitchesToTheBigButtonsAndBack) {
  TCalidarix &w = Start();
  auto doubleClick = [](QWidget *widget) {
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &click);
  };
  QCheckBox *box = w.findChild<QCheckBox *>("BigButtonsCB");
  ASSERT_FALSE(w.FIsBigButtons);
  doubleClick(w.ToolPanel);
  EXPECT_TRUE(w.FIsBigButtons);
  EXPECT_TRUE(box->isChecked());
  EXPECT_FALSE(w.ToolPanel->isVisible());
  EXPECT_TRUE(w.BigButtonsPanel->isVisible());
  doubleClick(w.BigButtonsPanel);
  EXPECT_FALSE(w.FIsBigButtons);
  EXPECT_TRUE(w.ToolPanel->isVisible());
  EXPECT_FALSE(w.BigButtonsPanel->isVisible());

  // While scanning the panels stay as they are; in full screen without the menu nothing changes.
  fakes.acquisition->scanRunning = true;
  doubleClick(w.ToolPanel);
  doubleClick(w.BigButtonsPanel);
  EXPECT_FALSE(w.FIsBigButtons);
  EXPECT_TRUE(w.BigButtonsPanel->isVisible());
  fakes.acquisition->scanRunning = false;
  w.FullScreenOn = true;
  w.FIsMenuVisible = false;
  doubleClick(w.BigButtonsPanel);
  EXPECT_FALSE(w.FIsBigButtons);
}

TEST_F(Messages, TheRangeAndFilmBigButtonsAskTheCameraOnlyWhileItScans) {
  TCalidarix &w = Start();
  QObject range;
  range.setProperty("Tag", 2);
  w.RangeChangeActionExecute(&range);
  w.FilmPanelClick(); // no scan: the scan (and a film) is stopped
  fakes.acquisition->scanRunning = true;
  w.RangeChangeActionExecute(&range);
  w.FilmPanelClick();
  fakes.acquisition->filmRecording = true;
  w.FilmPanelClick();
  EXPECT_EQ(fakes.acquisition->calls,
            QStringList({"StopScan", "RequestRange(2)", "RequestFilmStart", "StopScan"}));
}

TEST_F(Messages, SizingKeepsTheWindowAtLeast256By224WithTheOtherEdgeInPlace) {
  TCalidarix &w = Start();
  struct Case {
    int edge;
    TRect proposed;
    TRect corrected;
  } cases[] = {
      {1, {100, 0, 300, 300}, {44, 0, 300, 300}},    // left edge dragged to 200 wide
      {2, {0, 0, 200, 300}, {0, 0, 256, 300}},       // right edge
      {4, {100, 100, 300, 300}, {44, 76, 300, 300}}, // top-left corner
      {6, {0, 0, 400, 100}, {0, 0, 400, 224}},       // bottom edge
      {8, {0, 0, 300, 300}, {0, 0, 300, 300}},       // large enough already
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.edge);
    TRect bounds = c.proposed;
    Message message{WM_SIZING, static_cast<WPARAM>(c.edge), reinterpret_cast<LPARAM>(&bounds), 0};
    w.FResized = false;
    w.WndProc(message);
    EXPECT_EQ(bounds, c.corrected);
    EXPECT_TRUE(w.FResized);
  }
  w.resize(100, 100);
  QApplication::processEvents();
  EXPECT_GE(w.width(), 256);
  EXPECT_GE(w.height(), 224);
}

TEST_F(Messages, CompanionWindowsFollowMovesAndThePrintWindowOnlyMoves) {
  TCalidarix &w = Start();
  TGraphForm timeProfile;
  TGraphForm histogram;
  TPrintForm print;
  TimeProfileForm = &timeProfile;
  HistogramForm = &histogram;
  PrintForm = &print;
  print.resize(300, 150);
  w.FTimeGraphShown = w.FHistogramShown = w.FPrintFormShown = true;

  w.move(40, 30);
  QApplication::processEvents();
  Message move{WM_MOVE, 0, 0, 0};
  w.WndProc(move);
  const QRect m = w.frameGeometry();
  EXPECT_EQ(timeProfile.frameGeometry(), QRect(m.right() + 1, m.top(), 255, m.height()));
  EXPECT_EQ(histogram.frameGeometry(), QRect(m.right() + 1, m.bottom() + 1, 255, 225));
  EXPECT_EQ(print.frameGeometry(), QRect(m.left(), m.bottom() + 1, m.width(), 150));

  print.move(0, 0);
  Message size{WM_SIZE, 0, 0, 0};
  w.WndProc(size);
  EXPECT_EQ(print.pos(), QPoint(0, 0));
  EXPECT_EQ(w.FGridStep, 32);
  TimeProfileForm = HistogramForm = nullptr;
  PrintForm = nullptr;
}

TEST_F(Messages, TheTrayIconHidesAndShowsAndItsMenuOffersTheOtherOne) {
  TCalidarix &w = Start();
  Message left{WM_TRAYICON, 1, WM_LBUTTONDOWN, 0};
  w.WndProc(left);
  EXPECT_FALSE(w.isVisible());
  Message right{WM_TRAYICON, 1, WM_RBUTTONDOWN, 0};
  w.WndProc(right);
  EXPECT_TRUE(w.Show1->isVisible());
  EXPECT_FALSE(w.Hide1->isVisible());
  w.TrayPopupMenu->hide();
  w.WndProc(left);
  EXPECT_TRUE(w.isVisible());
  w.WndProc(right);
  EXPECT_FALSE(w.Show1->isVisible());
  EXPECT_TRUE(w.Hide1->isVisible());
  EXPECT_EQ(w.TrayPopupMenu->actions().value(1)->text(), "Hide");
  w.TrayPopupMenu->hide();
}

TEST_F(Messages, OnlyTheMaximiseButtonsCommandSwitchesFullScreen) {
  TCalidarix &w = Start();
  Message caption{WM_SYSCOMMAND, 0xF032, 0, 0};
  w.WndProc(caption);
  EXPECT_FALSE(w.FullScreenOn);
  EXPECT_TRUE(w.isMaximized());
  w.showNormal();
  Message button{WM_SYSCOMMAND, SC_MAXIMIZE, 0, 0};
  w.WndProc(button);
  EXPECT_TRUE(w.FullScreenOn);
}

TEST_F(Messages, AMiddleClickThatActivatesTheWindowTogglesMaximised) {
  TCalidarix &w = Start();
  Message left{WM_MOUSEACTIVATE, 0, static_cast<LPARAM>(WM_LBUTTONDOWN) << 16, 0};
  w.WndProc(left);
  EXPECT_FALSE(w.isMaximized());
  Message middle{WM_MOUSEACTIVATE, 0, static_cast<LPARAM>(WM_MBUTTONDOWN) << 16, 0};
  w.WndProc(middle);
  EXPECT_TRUE(w.isMaximized());
  w.WndProc(middle);
  EXPECT_FALSE(w.isMaximized());
}

TEST_F(Messages, ADeviceArrivalLooksForTheHeadAndARemovalProbesItAgain) {
  TCalidarix &w = Start();
  QAction *frames = w.findChild<QAction *>("PanByFrames");
  QAction *search = w.findChild<QAction *>("ScanforPanHead1");
  fakes.head->present = true;
  Message arrival{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0, 0};
  w.WndProc(arrival);
  EXPECT_TRUE(w.HeadConnected);
  EXPECT_TRUE(frames->isEnabled());
  EXPECT_FALSE(search->isEnabled());
  EXPECT_TRUE(logger->Lines().join('\n').contains("New device detected"));
  const int inits = fakes.head->inits;
  w.WndProc(arrival); // a connected head is left alone
  EXPECT_EQ(fakes.head->inits, inits);

  fakes.head->present = false;
  Message removal{WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0, 0};
  w.WndProc(removal);
  EXPECT_FALSE(w.HeadConnected);
  EXPECT_FALSE(frames->isEnabled());
  EXPECT_TRUE(search->isEnabled());
  EXPECT_TRUE(logger->Lines().last().endsWith("Device gone was QOR"));
}

TEST_F(Messages, TheMouseLeavingTheImageClearsTheReadoutAndThePaletteCursor) {
  TCalidarix &w = Start();
  w.ImagePanelMouseEnter();
  EXPECT_TRUE(w.FMouseInImage);
  w.SetPaletteCursor(0.5);
  w.XLabel->setText("12");
  w.TemperatureLabel->setText("25.3");
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(w.ImagePanel, &leave);
  EXPECT_FALSE(w.FMouseInImage);
  EXPECT_TRUE(w.XLabel->text().isEmpty());
  EXPECT_TRUE(w.TemperatureLabel->text().isEmpty());
  EXPECT_DOUBLE_EQ(PalCursorTemp, -1.0);
}

TEST_F(Messages, MessagesPostedToThePublishedHandleReachTheWindowProcedure) {
  test::TempDir runtime;
  test::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().string());
  fakes.services.sibling = std::make_unique<ProcessSiblingLink>();
  TCalidarix &w = StartInFolder();
  ASSERT_NE(w.FPublishedHandle, 0);
  const WindowHandle handle = HandleFromRegistryValue(w.FPublishedHandle);
  ASSERT_TRUE(PostMessage(handle, WM_MOUSEWHEEL, WheelWParam(0, -120), 0));
  EXPECT_EQ(CurrentDTV->FFileName, files[1]); // posted: not yet handled
  const QDeadlineTimer deadline(5000);
  while (CurrentDTV->FFileName != files[2] && !deadline.hasExpired())
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(CurrentDTV->FFileName, files[2]);

  // The sibling's open request still arrives the same way.
  fakes.registry->strings["dtvimage\\Quillmere_Interface/FileName_To_Open"] = files[0];
  EXPECT_EQ(SendMessage(handle, WM_SIBLINGOPEN, 0, 0), std::optional<LRESULT>(1));
  EXPECT_EQ(CurrentDTV->FFileName, files[0]);
}

} // namespace
} // namespace calidarix
