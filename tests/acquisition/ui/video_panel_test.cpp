// The video panel of the main window over the fake frame source: the Video command with one, several
// or no devices, the frames on the image and in the video window, the formats, the device's settings,
// the saved frame and the video companions of the saves.

#include "acquisition/camera_state.h"
#include "acquisition/ui/video_form.h"
#include "acquisition/ui/video_properties_dialog.h"
#include "acquisition/video_capture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/sim/fake_video.h"
#include "thermogram/palette_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace calidarix {
namespace {

const QColor kGreen(0, 200, 0);

class VideoPanelWindow : public test::FileWindow {
protected:
  void SetUp() override {
    FileWindow::SetUp();
    fake = std::make_shared<sim::FakeVideoState>();
    fake->Devices = {QStringLiteral("Front camera")};
    fake->Formats = {sim::FakeFormat(640, 480, 16, 30), sim::FakeFormat(320, 240, 12, 30),
                     sim::FakeFormat(1280, 720, 24, 10)};
    fake->Colour = kGreen;
    UseVideoBackend(std::make_unique<sim::FakeVideoBackend>(fake));
  }
  void TearDown() override {
    FileWindow::TearDown();
    ResetVideoCapture();
    ScanRequests.VideoOn.Set(false);
  }

  QToolButton *VideoSB() { return window->findChild<QToolButton *>("VideoSB"); }
  // The Video command as the button runs it; a device menu that opens is answered by `answer` (the
  // name of the item to choose, or empty to close it) and its items are kept.
  void ClickVideo(const QString &answer = QString()) {
    auto *watch = new QTimer(window.get());
    watch->setInterval(5);
    QObject::connect(watch, &QTimer::timeout, [this, watch, answer] {
      auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
      if (!menu)
        return;
      watch->stop();
      menuName = menu->objectName();
      for (QAction *item : menu->actions())
        menuItems << item->objectName() + "=" + item->text();
      QAction *chosen = answer.isEmpty() ? nullptr : menu->findChild<QAction *>(answer);
      if (chosen)
        chosen->trigger();
      menu->close();
    });
    watch->start();
    VideoSB()->click();
    delete watch;
  }
  // One step of the palette timer, then the image box painted.
  void Tick() {
    window->PalTimerTimer();
    window->ImagePB->repaint();
  }
  QColor ImageCentre() const {
    const QImage &p = window->ImagePB->Picture;
    return p.pixelColor(p.width() / 2, p.height() / 2);
  }

  std::shared_ptr<sim::FakeVideoState> fake;
  QString menuName;
  QStringList menuItems;
};

TEST_F(VideoPanelWindow, OneDeviceStartsWithoutAMenuAndItsFramesFillTheImage) {
  TCalidarix &w = Start();
  ClickVideo();
  EXPECT_TRUE(menuName.isEmpty());
  EXPECT_EQ(fake->OpenedIndex, 0);
  EXPECT_TRUE(ScanRequests.VideoOn.Get());
  EXPECT_TRUE(VideoSB()->isChecked());
  EXPECT_TRUE(w.PalTimer->isActive());
  EXPECT_FALSE(w.VideoPanel->isVisible());
  EXPECT_TRUE(w.FPanels.VideoSetupSB->isEnabled());
  EXPECT_TRUE(w.FPanels.VideoSetupCB->isEnabled());
  QStringList formats;
  for (int i = 0; i < w.FPanels.VideoSetupCB->count(); ++i)
    formats << w.FPanels.VideoSetupCB->itemText(i);
  EXPECT_EQ(formats, (QStringList{"640x480 30", "1280x720 10"}));
  EXPECT_EQ(w.FPanels.VideoSetupCB->currentIndex(), 0);

  Tick();
  const QImage &picture = w.ImagePB->Picture;
  const auto fit = FitVideoFrame(TRect{0, 0, picture.width(), picture.height()}, 640, 480);
  ASSERT_TRUE(fit);
  EXPECT_EQ(
      picture.pixelColor((fit->Frame.Left + fit->Frame.Right) / 2, (fit->Frame.Top + fit->Frame.Bottom) / 2),
      kGreen);
  if (fit->Bar1.Bottom > fit->Bar1.Top && fit->Bar1.Right > fit->Bar1.Left) {
    EXPECT_EQ(picture.pixelColor(fit->Bar1.Left, fit->Bar1.Top), QColor(Qt::black));
  }
  if (const QByteArray folder = qgetenv("CALIDARIX_TEST_SCREENSHOTS"); !folder.isEmpty())
    w.grab().save(QString::fromLocal8Bit(folder) + "/video_on.png");

  // The command now only hides and shows the video; the device stays open.
  ClickVideo();
  EXPECT_FALSE(w.PalTimer->isActive());
  EXPECT_FALSE(VideoSB()->isChecked());
  w.ImagePB->repaint();
  EXPECT_NE(ImageCentre(), kGreen);
  ClickVideo();
  EXPECT_TRUE(w.PalTimer->isActive());
  EXPECT_TRUE(VideoSB()->isChecked());
  Tick();
  EXPECT_EQ(ImageCentre(), kGreen);
  EXPECT_EQ(fake->OpenCount, 1);

  // While a scan runs the image keeps the thermogram.
  fakes.acquisition->scanRunning = true;
  w.ChangeDTV(false);
  Tick();
  EXPECT_NE(ImageCentre(), kGreen);
}

TEST_F(VideoPanelWindow, WithoutADeviceTheButtonSpringsBackAndTheWindowSaysWhy) {
  TCalidarix &w = Start();
  fake->Devices.clear();
  ClickVideo();
  EXPECT_FALSE(ScanRequests.VideoOn.Get());
  EXPECT_FALSE(VideoSB()->isChecked());
  EXPECT_FALSE(w.FPanels.VideoSetupSB->isEnabled());
  EXPECT_FALSE(w.FPanels.VideoSetupCB->isEnabled());
  EXPECT_FALSE(w.PalTimer->isActive());
  EXPECT_EQ(w.FStatusNotice, "Video: no video device");
  if (const QByteArray folder = qgetenv("CALIDARIX_TEST_SCREENSHOTS"); !folder.isEmpty())
    w.grab().save(QString::fromLocal8Bit(folder) + "/video_none.png");

  // A device that refuses to open, then the next try succeeds.
  fake->Devices = {QStringLiteral("Front camera")};
  fake->FailOpen = true;
  ClickVideo();
  EXPECT_FALSE(ScanRequests.VideoOn.Get());
  EXPECT_TRUE(w.FStatusNotice.contains("refuses"));
  fake->FailOpen = false;
  ClickVideo();
  EXPECT_TRUE(ScanRequests.VideoOn.Get());
}

TEST_F(VideoPanelWindow, SeveralDevicesAreOfferedInAMenu) {
  struct Case {
    const char *answer;
    int device;
  };
  for (const Case c : {Case{"MI2", 2}, Case{"", 0}}) {
    SCOPED_TRACE(c.answer);
    fake->Devices = {QStringLiteral("Front camera"), QStringLiteral("Capture card"),
                     QStringLiteral("Microscope")};
    Start();
    menuItems.clear();
    ClickVideo(QString::fromLatin1(c.answer));
    EXPECT_EQ(menuName, "VideoPopUpMenu");
    EXPECT_EQ(menuItems, (QStringList{"MI0=Front camera", "MI1=Capture card", "MI2=Microscope"}));
    EXPECT_EQ(fake->OpenedIndex, c.device);
    EXPECT_EQ(window->FPeripherals.VideoDeviceIndex, c.device);
    EXPECT_TRUE(ScanRequests.VideoOn.Get());
    window.reset();
    ResetVideoCapture();
    ScanRequests.VideoOn.Set(false);
    UseVideoBackend(std::make_unique<sim::FakeVideoBackend>(fake));
  }
}

TEST_F(VideoPanelWindow, TheTwoWindowLayoutTakesDeviceZeroAndDrawsIntoTheVideoWindow) {
  fake->Devices = {QStringLiteral("Front camera"), QStringLiteral("Capture card")};
  TCalidarix &w = Start();
  w.PolyFormLeft = true;
  w.FormVideo = new TFormVideo(&w);
  w.FormVideo->resize(400, 300);
  w.FormVideo->show();
  ClickVideo("MI1");
  EXPECT_TRUE(menuName.isEmpty());
  EXPECT_EQ(fake->OpenedIndex, 0);
  Tick();
  const QImage &video = w.FormVideo->PolyFormPB->Picture;
  const int usable = video.width() - w.PalBasePanel->width();
  ASSERT_GT(usable, 0);
  EXPECT_EQ(video.pixelColor(usable / 2, video.height() / 2), kGreen);
  EXPECT_NE(ImageCentre(), kGreen);
}

TEST_F(VideoPanelWindow, AChosenFormatIsAppliedAndTheShownPanelCoversTheImageArea) {
  TCalidarix &w = Start();
  ClickVideo();
  // Chosen while the panel is hidden: applied all the same.
  w.FPanels.VideoSetupCB->setCurrentIndex(1);
  w.VideoSetupCBChange();
  ASSERT_EQ(fake->FormatsSet.size(), 1u);
  EXPECT_EQ(fake->FormatsSet[0].Width, 1280);

  w.ImagePanel->setFixedSize(800, 450);
  w.adjustSize();
  QApplication::processEvents();
  ASSERT_EQ(w.ImagePanel->size(), QSize(800, 450));
  w.VideoPanel->show();
  w.FPanels.VideoSetupCB->setCurrentIndex(0);
  w.VideoSetupCBChange();
  EXPECT_EQ(w.VideoPanel->geometry(), QRect(0, -75, 800, 600)); // 4:3 over 800 x 450
  // Wider than the area: as high as it, centred, the sides cut off; narrower: as wide, the top and
  // bottom cut off.
  w.FitVideoPanel(8.0 / 3.0);
  EXPECT_EQ(w.VideoPanel->geometry(), QRect(-200, 0, 1200, 450));
  w.FitVideoPanel(1.0);
  EXPECT_EQ(w.VideoPanel->geometry(), QRect(0, -175, 800, 800));

  // The shown panel carries the live picture.
  QMetaObject::invokeMethod(w.FPeripherals.VideoPanelTimer, "timeout");
  ASSERT_FALSE(w.VideoPanel->pixmap().isNull());
  EXPECT_EQ(w.VideoPanel->pixmap().toImage().pixelColor(10, 10), kGreen);
}

TEST_F(VideoPanelWindow, ADoubleClickOnThePanelSavesTheFrameAsJpeg) {
  TCalidarix &w = Start();
  test::WriteText(dir.file("video_capture.bmp"), "an older capture");
  w.VideoPanelDblClick(); // no video: nothing
  EXPECT_EQ(test::ReadText(dir.file("video_capture.bmp")), "an older capture");

  ClickVideo();
  w.VideoPanel->show();
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w.VideoPanel, &click);
  QImageReader reader(Path("video_capture.bmp"));
  EXPECT_EQ(reader.format(), "jpeg");
  EXPECT_EQ(reader.read().size(), QSize(640, 480));
}

TEST_F(VideoPanelWindow, SavesCarryTheVideoFrameBesideTheThermogram) {
  TCalidarix &w = Start();
  ClickVideo();
  w.SaveDTVAuto();
  QStringList jpegs;
  QStringList thermograms;
  for (QDirIterator it(Path(""), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
    const QFileInfo file(it.next());
    (file.suffix() == "jpg" ? jpegs : thermograms) << file.completeBaseName();
  }
  ASSERT_EQ(jpegs.size(), 1);
  EXPECT_TRUE(thermograms.contains(jpegs[0]));

  dialogs->SaveAnswers.push_back({Path("shot.dtv"), 1});
  ASSERT_TRUE(w.SaveDTVAs());
  QImageReader reader(Path("shot.bmp"));
  EXPECT_EQ(reader.format(), "jpeg");
}

TEST_F(VideoPanelWindow, TheDeviceSettingsAreShownAndChanged) {
  VideoControl brightness;
  brightness.Id = 1;
  brightness.Name = QStringLiteral("Brightness");
  brightness.Minimum = 0;
  brightness.Maximum = 255;
  brightness.Value = 128;
  VideoControl automatic;
  automatic.Id = 2;
  automatic.Name = QStringLiteral("White Balance Automatic");
  automatic.Type = VideoControl::Kind::Boolean;
  automatic.Maximum = 1;
  fake->Controls = {brightness, automatic};
  TCalidarix &w = Start();
  ClickVideo();
  w.FPanels.VideoSetupSB->click();
  ASSERT_NE(w.FPeripherals.VideoProperties, nullptr);
  EXPECT_TRUE(w.FPeripherals.VideoProperties->isVisible());
  EXPECT_EQ(w.FPeripherals.VideoProperties->windowTitle(), "Front camera");
  auto *slider = w.FPeripherals.VideoProperties->findChild<QSlider *>("Brightness");
  auto *box = w.FPeripherals.VideoProperties->findChild<QCheckBox *>("White Balance Automatic");
  ASSERT_TRUE(slider && box);
  EXPECT_EQ(slider->value(), 128);
  slider->setValue(140);
  box->setChecked(true);
  EXPECT_EQ(fake->ControlsSet[1], 140);
  EXPECT_EQ(fake->ControlsSet[2], 1);
}

} // namespace
} // namespace calidarix
