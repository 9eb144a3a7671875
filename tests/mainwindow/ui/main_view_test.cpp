#include "mainwindow/ui/main_window.h"

#include "analysis/markers.h"
#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "mainwindow/ui/view_texts.h"
#include "platform/datetime.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "tests/support/test_support.h"
#include "thermogram/builtin_palettes.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace calidarix {
namespace {

QRgb Rgb(const TRGB &c) {
  return qRgb(c.R, c.G, c.B);
}

// The main window started as the program does, with the real thermogram view.
class MainView : public test::RealViewWindow {
protected:
  TCalidarix &Start(const QStringList &arguments = {}) {
    CreateWindow(arguments);
    return ShowWindow();
  }

  // A frame of width x height pixels in CurrentDTV, 0.01 degree per raw step from 0 degrees.
  TDTV &SmallFrame(int width, int height, std::vector<std::uint16_t> raw) {
    TDTV &dtv = *CurrentDTV;
    dtv.ResetHeader();
    dtv.FHeader.Width = static_cast<std::uint16_t>(width);
    dtv.FHeader.Height = static_cast<std::uint16_t>(height);
    dtv.FHeader.Scale = 0.01f;
    dtv.FHeader.Offset = 0.0f;
    dtv.FRaw = std::move(raw);
    dtv.SetAspect(static_cast<double>(width) / height);
    dtv.UpdateStatistics();
    return dtv;
  }

  QString SaveImage(const char *name, float offset) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = 4;
    t.FHeader.Height = 2;
    t.FHeader.Offset = offset;
    t.FHeader.Scale = static_cast<float>(10.0 / 65535);
    t.FRaw = {0, 100, 200, 300, 400, 500, 600, 65535};
    const QString path = QString::fromStdString(dir.file(name).string());
    EXPECT_TRUE(t.SaveDTV(path));
    return path;
  }

  QString SaveFilm(const char *name) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = 4;
    t.FHeader.Height = 2;
    t.FHeader.FrameInterval = 0.5f;
    t.FHeader.Offset = 20.0f;
    t.FHeader.Scale = static_cast<float>(10.0 / 65535);
    t.FRaw = {0, 1, 2, 3, 4, 5, 6, 65535};
    const QString path = QString::fromStdString(dir.file(name).string());
    EXPECT_TRUE(t.StartFilm(path));
    t.FHeader.Offset = 15.0f;
    t.FHeader.Scale = static_cast<float>(25.0 / 65535);
    EXPECT_TRUE(t.AppendFilmFrame(path)); // the film spans 15 .. 40 degrees
    return path;
  }

  void Drag(QWidget *box, Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    QMouseEvent press(QEvent::MouseButtonPress, from, box->mapToGlobal(from), button, button, mods);
    QApplication::sendEvent(box, &press);
    QMouseEvent move(QEvent::MouseMove, to, box->mapToGlobal(to), Qt::NoButton, button, mods);
    QApplication::sendEvent(box, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, box->mapToGlobal(to), button, Qt::NoButton, mods);
    QApplication::sendEvent(box, &release);
  }

  test::TempDir dir;
};

TEST_F(MainView, StartsWithTheDemoImageInThePaletteOfSlotZeroAndTheScaleOfItsRange) {
  TCalidarix &w = Start();
  ASSERT_TRUE(CurrentDTV && PreviewDTV && w.FThumbDTV);
  EXPECT_FALSE(BandDTV35); // only the dual-band camera has band thermograms
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(CurrentDTV->FFileName.isEmpty());
  EXPECT_EQ(w.FPalettes[1], BuiltinPalette(2));
  EXPECT_EQ(w.FPalettes[8], GreyRamp());
  EXPECT_EQ(CurrentDTV->FPalette, BuiltinPalette(1));
  // The isotherm palette (slot 3) starts reversed once.
  TPaletteTable reversed = BuiltinPalette(4);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(CurrentDTV->FIsoPalette, reversed);
  EXPECT_TRUE(isIsoInverted);
  EXPECT_FALSE(CurrentDTV->isIso);
  EXPECT_EQ(CurrentDTV->IsoTop, 96);
  EXPECT_EQ(w.PalMinLabel->text(), "0");
  EXPECT_EQ(w.PalMaxLabel->text(), "100");
  EXPECT_EQ(w.PalBegLabel->text(), "0");
  EXPECT_EQ(w.PalEndLabel->text(), "100");
  EXPECT_EQ(w.windowTitle(), "Calidarix");

  // The hot centre of the dome shows the palette's top colour in the middle of the image box, once the
  // window system has delivered the last resize and its paint.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 100)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  w.ImagePB->repaint();
  const QImage &shown = w.ImagePB->Picture;
  ASSERT_EQ(shown.size(), w.ImagePB->size());
  EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2) & 0xffffff,
            Rgb(CurrentDTV->FPalette[255]) & 0xffffff);
}

TEST_F(MainView, MetroModeAndTheDualBandCameraChangeWhatStartUpMakes) {
  fakes.acquisition->SetCameraInterfaceType(64);
  TCalidarix &w = Start();
  EXPECT_TRUE(BandDTV35 && BandDTV812);
  w.SetUpPalettes(true);
  EXPECT_EQ(w.FPalettes[1], BuiltinPalette(9));
  EXPECT_EQ(w.FPalettes[5], BuiltinPalette(11));
  EXPECT_EQ(w.FPalettes[7], BuiltinPalette(10));
  EXPECT_EQ(w.FPalettes[6], BuiltinPalette(7));
}

TEST_F(MainView, OnlyTheDualBandCameraTypeMakesTheBandThermograms) {
  for (int type : {0, 1, 63, 64, 65, 128, 192, 256, 257, 320}) {
    fakes.acquisition->SetCameraInterfaceType(type);
    Start();
    EXPECT_EQ(BandDTV35 != nullptr, type == 64) << type;
    EXPECT_EQ(BandDTV812 != nullptr, type == 64) << type;
    window.reset();
    ResetThermogramGlobals();
  }
}

TEST_F(MainView, AMissingFileShowsTheDemoImageAndAnUnreadableOneLeavesTheImageShown) {
  TCalidarix &w = Start({QString::fromStdString(dir.file("missing.dtv").string())});
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(w.FOpenDirectory.isEmpty());

  test::WriteFile(dir.file("broken.dtv"), {1, 2, 3});
  SmallFrame(2, 1, {1, 2});
  CurrentDTV->FFileName = QString::fromStdString(dir.file("broken.dtv").string());
  EXPECT_FALSE(w.ChangeDTV(true));
  EXPECT_FALSE(ChangeDTVBusy); // released on the failing path too
  EXPECT_EQ(CurrentDTV->Width(), 2) << "the frame shown stays";
  EXPECT_TRUE(w.FStatusNotice.contains("broken.dtv")) << w.FStatusNotice.toStdString();
  EXPECT_TRUE(logger->Lines().join('\n').contains("broken.dtv"));

  // Named on the command line, it leaves the demo image made at start, with the reason over it.
  window.reset();
  TCalidarix &v = Start({QString::fromStdString(dir.file("broken.dtv").string())});
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(CurrentDTV->FFileName.isEmpty());
  EXPECT_TRUE(v.FOpenDirectory.isEmpty());
  EXPECT_TRUE(v.FStatusNotice.contains("broken.dtv")) << v.FStatusNotice.toStdString();
}

TEST_F(MainView, AFilmLocksTheRangeAndTheNextSingleImageReleasesItButNotAUserLock) {
  TCalidarix &w = Start();
  const QString film = SaveFilm("film.dtv");
  const QString image = SaveImage("image.dtv", 0.0f);

  CurrentDTV->FFileName = film;
  ASSERT_TRUE(w.ChangeDTV(true));
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(CurrentDTV->FFilmRangeLock);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 15.0);
  EXPECT_NEAR(CurrentDTV->LockMax, 40.0, 1e-4);
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMinLabel->text(), "15");
  EXPECT_EQ(w.PalMaxLabel->text(), "40");
  EXPECT_EQ(w.FramesLabel->text(), "2");
  EXPECT_EQ(w.FrameLabel->text(), "1");

  ASSERT_TRUE(w.ChangeFrame(2));
  EXPECT_EQ(w.FrameLabel->text(), "2");
  EXPECT_EQ(w.FrameTimeLabel->text(), "1");
  EXPECT_TRUE(CurrentDTV->FFilmRangeLock); // stepping through the film keeps its lock

  CurrentDTV->FFileName = image;
  ASSERT_TRUE(w.ChangeDTV(true));
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_FALSE(CurrentDTV->FFilmRangeLock);
  EXPECT_FALSE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMaxLabel->text(), "10");

  // A lock the user set stays and is applied to the next image.
  CurrentDTV->FRangeLocked = true;
  CurrentDTV->LockMin = 2.0;
  CurrentDTV->LockMax = 8.0;
  ASSERT_TRUE(w.ChangeDTV(true));
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMinLabel->text(), "2");
  EXPECT_EQ(w.PalMaxLabel->text(), "8");
}

TEST_F(MainView, TheHubFillsTheFrameTimeAndFileLabelsAndTheCaption) {
  TCalidarix &w = Start();
  TDTV &dtv = *CurrentDTV;
  dtv.FHeader.FrameCount = 100;
  dtv.FFrameIndex = 40;
  dtv.FHeader.FrameInterval = 0.5f;
  dtv.FFileDate = *PackDosDateTime(QDateTime(QDate(2021, 3, 4), QTime(12, 0, 0)));
  dtv.FFileName = "/data/set/a.dtv";
  dtv.SetCommentText("roof");
  w.ChangeDTV(false);
  EXPECT_EQ(w.FramesLabel->text(), "100");
  EXPECT_EQ(w.FrameLabel->text(), "40");
  EXPECT_EQ(w.TimeLabel->text(), "50");
  EXPECT_EQ(w.FrameTimeLabel->text(), "20");
  EXPECT_EQ(w.FrameRealDateLabel->text(), ShortDateText(QDate(2021, 3, 4)));
  EXPECT_EQ(w.FrameRealTimeLabel->text(), LongTimeText(QTime(11, 59, 30)));
  EXPECT_EQ(w.windowTitle(), "Calidarix [/data/set/]");
  EXPECT_EQ(w.FileNameLabel->text(), "a");
  EXPECT_EQ(w.FileInfoLabel->text(), "roof");

  // The recorder of one day stamped its films 80 seconds late.
  dtv.FFileDate = *PackDosDateTime(QDateTime(QDate(2013, 7, 22), QTime(12, 0, 0)));
  w.ChangeDTV(false);
  EXPECT_EQ(w.FrameRealTimeLabel->text(), LongTimeText(QTime(11, 58, 10)));

  // An interval out of range leaves the time; an empty file name leaves caption and file labels.
  dtv.FHeader.FrameInterval = 1e7f;
  dtv.FFileDate = *PackDosDateTime(QDateTime(QDate(2021, 3, 4), QTime(8, 0, 0)));
  dtv.FFileName.clear();
  w.ChangeDTV(false);
  EXPECT_EQ(w.FrameRealTimeLabel->text(), LongTimeText(QTime(11, 58, 10)));
  EXPECT_EQ(w.FrameRealDateLabel->text(), ShortDateText(QDate(2021, 3, 4)));
  EXPECT_EQ(w.windowTitle(), "Calidarix [/data/set/]");
  EXPECT_EQ(w.FileNameLabel->text(), "a");
}

TEST_F(MainView, TheCursorReadoutShowsTheTemperatureUnderTheLastMousePosition) {
  TCalidarix &w = Start();
  struct Case {
    float offset;
    bool integer;
    const char *text;
  };
  // The offset is a 32-bit float: 36.5625 is exact, -12.3456 is not (and shows cut, not rounded).
  for (const Case &c :
       {Case{36.5625f, true, "37"}, Case{36.5625f, false, "36.56"}, Case{-12.3456f, false, "-12.3"}}) {
    TDTV &dtv = SmallFrame(2, 2, {0, 0, 0, 0});
    dtv.FHeader.Offset = c.offset;
    w.FIsInteger = c.integer;
    w.FMousePos = TPoint{-50, 100000}; // clamped into the frame
    w.ChangeDTV(false);
    EXPECT_EQ(w.TemperatureLabel->text(), c.text);
    EXPECT_EQ(w.TemperatureLabelWhite->text(), c.text);
    EXPECT_EQ(w.XLabel->text(), "0");
    EXPECT_EQ(w.YLabel->text(), "1");
  }
}

TEST_F(MainView, ANestedChangeDTVDoesNothingAndTheOuterCallFinishes) {
  TCalidarix &w = Start();
  CurrentDTV->FFrameIndex = 7;
  ChangeDTVBusy = true;
  w.ChangeDTV(false);
  EXPECT_NE(w.FrameLabel->text(), "7");
  ChangeDTVBusy = false;
  w.ChangeDTV(false);
  EXPECT_EQ(w.FrameLabel->text(), "7");
}

TEST_F(MainView, APaintIntoAPictureShowsThePaletteColoursWhereTheFrameIs) {
  TCalidarix &w = Start();
  // Left half cold, right half hot.
  TDTV &dtv = SmallFrame(8, 4, std::vector<std::uint16_t>(32, 0));
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x)
      dtv.FRaw[static_cast<std::size_t>(y * 8 + x)] = 65535;
  w.FitImageLayout(TRect{0, 0, 160, 80}, true);
  EXPECT_DOUBLE_EQ(dtv.FZoom, 20.0);

  QImage picture(160, 80, QImage::Format_RGB32);
  picture.fill(Qt::magenta);
  QPainter painter(&picture);
  w.ImagePBPaintTo(painter, TRect{0, 0, 160, 80}, true);
  painter.end();
  for (int y : {10, 40, 70}) {
    EXPECT_EQ(picture.pixel(20, y) & 0xffffff, Rgb(dtv.FPalette[0]) & 0xffffff) << y;
    EXPECT_EQ(picture.pixel(140, y) & 0xffffff, Rgb(dtv.FPalette[255]) & 0xffffff) << y;
  }

  // A zero-size box leaves the layout as it was.
  w.FitImageLayout(TRect{0, 0, 0, 80}, true);
  EXPECT_DOUBLE_EQ(dtv.FZoom, 20.0);
}

TEST_F(MainView, OnlyTheWindowAsSenderRendersAgainAndANestedPaintIsDropped) {
  TCalidarix &w = Start();
  const int before = w.FRenderCount;
  w.ImagePB->repaint(); // an ordinary paint event draws the cached bitmap
  EXPECT_EQ(w.FRenderCount, before);
  w.ImagePBPaint(&w);
  EXPECT_EQ(w.FRenderCount, before + 1);

  w.FImagePainting = true;
  w.ImagePBPaint(&w);
  EXPECT_EQ(w.FRenderCount, before + 1);
  EXPECT_TRUE(logger->Lines().last().endsWith("Drawing collision"));
  w.FImagePainting = false;
}

TEST_F(MainView, TheScaleTicksAndTextsFollowTheDisplayedRange) {
  TCalidarix &w = Start();
  CurrentDTV->FRangeLocked = true;
  CurrentDTV->LockMin = 20.0;
  CurrentDTV->LockMax = 40.0;
  QImage scale(60, 300, QImage::Format_RGB32);
  scale.fill(Qt::white);
  QPainter painter(&scale);
  w.ScalePBPaintTo(painter, TRect{0, 0, 60, 300});
  painter.end();
  const auto black = [&](int x, int y) { return (scale.pixel(x, y) & 0xffffff) == 0; };
  // Step 10: the tick of 30 is 151 rows above the bottom with its arrow head; that of 20 sits on the
  // bottom row, where its text would not fit: no arrow head, only the half-step tick above.
  EXPECT_TRUE(black(5, 149));
  EXPECT_TRUE(black(2, 147));
  EXPECT_FALSE(black(5, 299));
  EXPECT_TRUE(black(3, 224)); // half a step above 20
  bool text = false;
  for (int y = 135; y < 165; ++y)
    for (int x = 10; x < 40; ++x)
      text = text || black(x, y);
  EXPECT_TRUE(text);

  // A span too small for the scale's height draws nothing at all.
  CurrentDTV->LockMax = 20.0001;
  QImage empty(60, 300, QImage::Format_RGB32);
  empty.fill(Qt::white);
  QPainter emptyPainter(&empty);
  w.ScalePBPaintTo(emptyPainter, TRect{0, 0, 60, 300});
  emptyPainter.end();
  QImage white(60, 300, QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_EQ(empty, white);
}

TEST_F(MainView, TheMaxPanelTurnsRedWhileTheImageIsHotterThanTheScale) {
  TCalidarix &w = Start();
  CurrentDTV->FRangeLocked = true;
  CurrentDTV->LockMin = 0.0;
  CurrentDTV->LockMax = 50.0;
  w.ChangeDTV(false);
  EXPECT_EQ(w.MaxPanel->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(w.PalMaxLabel->palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(w.PalMaxLabel->text(), "50");
  CurrentDTV->FRangeLocked = false;
  w.ChangeDTV(false);
  EXPECT_EQ(w.MaxPanel->palette().color(QPalette::Window), QColor(255, 224, 224));
  EXPECT_EQ(w.PalMaxLabel->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

TEST_F(MainView, DraggingOnTheBarMovesAndStretchesThePaletteWindow) {
  TCalidarix &w = Start();
  w.PalPB->setFixedHeight(200);
  w.ScalePB->setFixedHeight(200);
  QApplication::processEvents();
  ASSERT_EQ(w.PalPB->height(), 200);
  TDTV &dtv = *CurrentDTV;
  dtv.PalBottom = 0;
  dtv.PalTop = 100;
  const int renders = w.FRenderCount;

  // Half the bar's height straight up: 127.5 steps, rounded half to even.
  Drag(w.PalPB, Qt::LeftButton, QPoint(10, 150), QPoint(10, 50));
  EXPECT_EQ(dtv.PalBottom, 128);
  EXPECT_EQ(dtv.PalTop, 228);
  EXPECT_TRUE(ManualPaletteWindow);
  EXPECT_FALSE(PalDragActive);
  EXPECT_GT(w.FRenderCount, renders); // the image follows the window
  EXPECT_EQ(w.PalBegLabel->text(), "50.2");

  // Far up on the scale: the lower end stops at 246.
  Drag(w.ScalePB, Qt::LeftButton, QPoint(10, 190), QPoint(10, 0));
  EXPECT_EQ(dtv.PalBottom, 246);
  EXPECT_GE(dtv.PalTop, 254);

  // Ctrl and the right button move the boundary between band and window, never above the window's
  // top, even when the band's lower end lies above it.
  dtv.PalBottom = 0;
  dtv.PalTop = 2;
  dtv.IsoBottom = 250;
  Drag(w.PalPB, Qt::RightButton, QPoint(10, 150), QPoint(10, 100), Qt::ControlModifier);
  EXPECT_LE(dtv.PalBottom, dtv.PalTop);
  EXPECT_EQ(dtv.IsoTop, dtv.PalBottom);

  // A right click resets the window.
  dtv.PalBottom = 30;
  dtv.PalTop = 90;
  Drag(w.PalPB, Qt::RightButton, QPoint(10, 100), QPoint(10, 100));
  EXPECT_EQ(dtv.PalBottom, 0);
  EXPECT_EQ(dtv.PalTop, 255);
  EXPECT_FALSE(ManualPaletteWindow);
}

TEST_F(MainView, ARightClickOnAFullLockedWindowReleasesTheFilmLockToo) {
  TCalidarix &w = Start();
  CurrentDTV->FFileName = SaveFilm("film.dtv");
  ASSERT_TRUE(w.ChangeDTV(true));
  ASSERT_TRUE(w.LockSB->isChecked());
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), w.PalPB->mapToGlobal(QPointF(5, 5)),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(w.PalPB, &press);
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_FALSE(CurrentDTV->FFilmRangeLock);
  EXPECT_FALSE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMinLabel->text(), "20"); // the views show the film frame's own range again
}

TEST_F(MainView, TheBarShowsThePaletteLowestAtTheBottomAndItsCursorOnTop) {
  TCalidarix &w = Start();
  QImage bar(20, 256, QImage::Format_RGB32);
  QPainter painter(&bar);
  w.PalPBPaintTo(painter, TRect{0, 0, 20, 256});
  painter.end();
  EXPECT_EQ(bar.pixel(10, 0) & 0xffffff, Rgb(w.FPalette[255]) & 0xffffff);
  EXPECT_EQ(bar.pixel(10, 255) & 0xffffff, Rgb(w.FPalette[0]) & 0xffffff);

  w.SetPaletteCursor(0.5);
  const QImage &shown = w.PalPB->Picture;
  const int y = w.PalPB->height() - qRound(w.PalPB->height() * 0.5);
  QImage plain(w.PalPB->size(), QImage::Format_RGB32);
  QPainter plainPainter(&plain);
  w.PalPBPaintTo(plainPainter, TRect{0, 0, w.PalPB->width(), w.PalPB->height()});
  plainPainter.end();
  EXPECT_EQ(shown.pixel(5, y) & 0xffffff, ~plain.pixel(5, y) & 0xffffff); // inverted
  w.SetPaletteCursor(-1.0);
  EXPECT_EQ(PalCursorTemp, -1.0);
  EXPECT_EQ(w.PalPB->Picture.pixel(5, y), plain.pixel(5, y));
}

TEST_F(MainView, CoordinatesAndPointsFollowTheView) {
  TCalidarix &w = Start();
  SmallFrame(320, 240, std::vector<std::uint16_t>(320 * 240, 100));
  CurrentDTV->SetAspect(256.0 / 216.0);
  w.FitImageLayout(TRect{0, 0, 640, 480}, true);
  EXPECT_NEAR(CurrentDTV->FZoom, 16.0 / 9.0, 1e-12);
  EXPECT_NEAR(CurrentDTV->FViewOffsetX, -20.0, 1e-9);
  EXPECT_EQ(w.GetRealX(-100), 0);
  EXPECT_EQ(w.GetRealX(100000), 319);
  EXPECT_EQ(w.GetScreenX(w.GetRealX(320)), 320);
  EXPECT_EQ(w.T_XY(320, 0), 0.0);
  EXPECT_FLOAT_EQ(static_cast<float>(w.T_XY(3, 3)), 1.0f);

  EXPECT_TRUE(w.AddPoint(320, 240, true));
  EXPECT_FALSE(w.AddPoint(320, 240, true)); // the same pixel again
  ASSERT_EQ(w.FMarkers.FPoints.size(), 1u);
  EXPECT_EQ(w.FMarkers.FPoints[0].X, w.GetRealX(320));
  EXPECT_FALSE(w.AddPoint(320, 0, false)); // outside the frame
  w.ClearAllMarkers();
  EXPECT_TRUE(w.FMarkers.FPoints.empty());
}

TEST_F(MainView, TheFrameAfterACropIsFittedToTheBoxAgain) {
  TCalidarix &w = Start();
  // A film of 160 x 120 frames: the next frame is whole again after a crop.
  TDTV t;
  t.ResetHeader();
  t.FHeader.Width = 160;
  t.FHeader.Height = 120;
  t.FHeader.Scale = static_cast<float>(10.0 / 65535);
  t.FRaw.resize(160 * 120);
  for (std::size_t i = 0; i < t.FRaw.size(); ++i)
    t.FRaw[i] = static_cast<std::uint16_t>(i * 3);
  const QString film = QString::fromStdString(dir.file("crop.dtv").string());
  ASSERT_TRUE(t.StartFilm(film));
  ASSERT_TRUE(t.AppendFilmFrame(film));
  ASSERT_TRUE(w.OpenInView(film));
  const TRect box{0, 0, w.ImagePB->width(), w.ImagePB->height()};
  const auto fitted = [&box](const TDTV &dtv) {
    TImageView view = ImageViewOf(dtv);
    bool zoomFitted = false;
    EXPECT_TRUE(FitImageLayout(view, box, true, zoomFitted));
    return view;
  };

  // An area, then Alt+click in it: the frame is cut to the area and fitted.
  const QPoint from(w.GetScreenX(10), w.GetScreenY(10));
  const QPoint to(w.GetScreenX(50), w.GetScreenY(40));
  Drag(w.ImagePB, Qt::LeftButton, from, to);
  Drag(w.ImagePB, Qt::LeftButton, (from + to) / 2, (from + to) / 2, Qt::AltModifier);
  ASSERT_LT(CurrentDTV->Width(), 160);
  EXPECT_DOUBLE_EQ(CurrentDTV->FZoom, fitted(*CurrentDTV).Zoom);

  ASSERT_TRUE(w.ChangeFrame(2));
  ASSERT_EQ(CurrentDTV->Width(), 160);
  const TImageView fit = fitted(*CurrentDTV);
  EXPECT_DOUBLE_EQ(CurrentDTV->FZoom, fit.Zoom);
  EXPECT_DOUBLE_EQ(CurrentDTV->FViewOffsetX, fit.ViewOffsetX);
  EXPECT_DOUBLE_EQ(CurrentDTV->FViewOffsetY, fit.ViewOffsetY);
  EXPECT_TRUE(w.FZoomFitted);
  // The whole frame is on screen, corner to corner.
  EXPECT_GE(w.GetScreenX(0), 0);
  EXPECT_GE(w.GetScreenY(0), 0);
  EXPECT_LE(w.GetScreenX(160), w.ImagePB->width());
  EXPECT_LE(w.GetScreenY(120), w.ImagePB->height());
}

TEST(Glyphs, TablesHaveTheirSizesAndCodes) {
  int colours[4] = {};
  for (int r = 0; r < MarkGlyph.kRows; ++r)
    for (int c = 0; c < MarkGlyph.kColumns; ++c)
      ++colours[MarkGlyph.Code(c, r)];
  EXPECT_EQ(MarkGlyph.kColumns * MarkGlyph.kRows, 22 * 25);
  EXPECT_GT(colours[1], 0);
  EXPECT_GT(colours[2], 0);
  EXPECT_GT(colours[3], 0);
  EXPECT_EQ(LetteringGlyph.kColumns, 40);
  EXPECT_EQ(LetteringGlyph.kRows, 5);
  EXPECT_EQ(BadgeGlyph.kColumns, 25);
  EXPECT_EQ(BadgeGlyph.kRows, 17);
  for (int c = 0; c < 25; ++c) // the three rules
    for (int r : {0, 8, 16})
      EXPECT_EQ(BadgeGlyph.Code(c, r), 1);

  // The emblem drawn at (3, 4) puts cell (0, 0) at that pixel and leaves code-0 cells alone.
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::green);
  QPainter painter(&image);
  DrawMarkGlyph(painter, QPoint(3, 4));
  painter.end();
  EXPECT_EQ(image.pixel(3, 4) & 0xffffff, 0xffffffu);
  EXPECT_EQ(image.pixel(3 + 1, 4 + 1) & 0xffffff, 0xff0000u);
  EXPECT_EQ(image.pixel(3, 4 + 24) & 0xffffff, 0x00ff00u);
}

} // namespace
} // namespace calidarix
