// The video routines over the fake frame source: start and stop, formats, the grey thermogram, the JPEG
// file, the device's controls and the fitted drawing; and the V4L2 backend on a folder without devices.

#include "acquisition/video_capture.h"
#include "tests/sim/fake_video.h"
#include "tests/support/test_support.h"
#include "thermogram/tdtv.h"

#include <QImageReader>
#include <QPainter>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

using sim::FakeFormat;

class VideoCapture : public ::testing::Test {
protected:
  void SetUp() override {
    state = std::make_shared<sim::FakeVideoState>();
    state->Devices = {QStringLiteral("Front camera"), QStringLiteral("Capture card")};
    state->Formats = {FakeFormat(640, 480, 16, 30), FakeFormat(320, 240, 12, 30),
                      FakeFormat(1280, 720, 24, 10), FakeFormat(800, 600, 32, 20)};
    UseVideoBackend(std::make_unique<sim::FakeVideoBackend>(state));
  }
  void TearDown() override { ResetVideoCapture(); }
  std::shared_ptr<sim::FakeVideoState> state;
};

TEST_F(VideoCapture, EveryRoutineWaitsForVideo) {
  EXPECT_FALSE(VideoActive());
  EXPECT_EQ(ListVideoDevices(), state->Devices); // the device list needs no running device
  EXPECT_TRUE(ListVideoFormats().isEmpty());
  EXPECT_EQ(VideoFormatAspect(0), 1.3333333333333333);
  EXPECT_FALSE(SetVideoFormat(0));
  EXPECT_FALSE(GrabVideoFrame());
  EXPECT_TRUE(VideoControls().empty());
  EXPECT_FALSE(SetVideoControl(1, 5));
  test::TempDir dir;
  EXPECT_FALSE(SaveVideoFrameJPEG(test::QPath(dir.file("frame.jpg"))));
  EXPECT_FALSE(std::filesystem::exists(dir.file("frame.jpg")));
  TDTV dtv;
  const int w = dtv.Width();
  EXPECT_FALSE(GrabVideoToImage(dtv));
  EXPECT_EQ(dtv.Width(), w);
  EXPECT_EQ(state->OpenCount, 0);
}

TEST_F(VideoCapture, StartsOnceStopsAndReportsWhyItCouldNotStart) {
  QString error;
  ASSERT_TRUE(VideoStart(1, &error));
  EXPECT_EQ(state->OpenedIndex, 1);
  EXPECT_TRUE(VideoActive());
  EXPECT_FALSE(VideoStart(0, &error)); // already running
  EXPECT_EQ(state->OpenCount, 1);
  VideoStop();
  EXPECT_FALSE(VideoActive());
  EXPECT_EQ(state->CloseCount, 1);
  VideoStop(); // nothing more to stop
  EXPECT_EQ(state->CloseCount, 1);

  EXPECT_FALSE(VideoStart(2, &error));
  EXPECT_FALSE(error.isEmpty());
  state->FailOpen = true;
  error.clear();
  EXPECT_FALSE(VideoStart(0, &error));
  EXPECT_TRUE(error.contains("refuses"));
  EXPECT_FALSE(VideoActive());

  state->Devices.clear();
  EXPECT_FALSE(VideoStart(0, &error));
  EXPECT_EQ(error, "no video device");
}

TEST_F(VideoCapture, FormatsOfSixteenAndTwentyFourBitsAreListedAppliedAndMeasured) {
  state->Formats.push_back(FakeFormat(720, 576, 24, 0));
  VideoFormat ntsc = FakeFormat(720, 480, 16, 30);
  ntsc.FrameTime100ns = 333667; // 29.97 frames per second
  state->Formats.push_back(ntsc);
  ASSERT_TRUE(VideoStart(0));
  EXPECT_EQ(ListVideoFormats(), (QStringList{"640x480 30", "1280x720 10", "720x576 0", "720x480 29"}));
  EXPECT_DOUBLE_EQ(VideoFormatAspect(1), 1280.0 / 720.0);
  EXPECT_DOUBLE_EQ(VideoFormatAspect(7), 4.0 / 3.0);
  ASSERT_TRUE(SetVideoFormat(1));
  ASSERT_EQ(state->FormatsSet.size(), 1u);
  EXPECT_EQ(state->FormatsSet[0].Width, 1280); // the listed format, not the device's second one
  EXPECT_FALSE(SetVideoFormat(4));
  EXPECT_FALSE(SetVideoFormat(-1));
  state->FailSetFormat = true;
  QString error;
  EXPECT_FALSE(SetVideoFormat(0, &error));
  EXPECT_FALSE(error.isEmpty());
  VideoStop();

  state->Formats = {FakeFormat(640, 480, 12, 30), FakeFormat(320, 240, 12, 15)};
  ASSERT_TRUE(VideoStart(0));
  EXPECT_TRUE(ListVideoFormats().isEmpty());
}

TEST_F(VideoCapture, AFrameBecomesAGreyThermogramOfItsSize) {
  state->MakeFrame = [](int w, int h, int) {
    QImage frame(w, h, QImage::Format_RGB888);
    frame.fill(Qt::white);
    QPainter p(&frame);
    p.fillRect(0, 0, w / 2, h, Qt::black);
    p.end();
    frame.setPixelColor(1, 2, QColor(30, 60, 91));
    return frame;
  };
  TDTV dtv;
  dtv.FHeader.Width = 206;
  dtv.FHeader.Height = 152;
  dtv.FRaw.assign(206 * 152, 7);
  ASSERT_TRUE(VideoStart(0));
  ASSERT_TRUE(GrabVideoToImage(dtv));
  EXPECT_EQ(dtv.Width(), 640);
  EXPECT_EQ(dtv.Height(), 480);
  EXPECT_NEAR(dtv.FAspect, 1.3333, 1e-4);
  ASSERT_EQ(dtv.FRaw.size(), 640u * 480u);
  EXPECT_EQ(dtv.FRaw[0], 0);                  // black
  EXPECT_EQ(dtv.FRaw[640 * 480 - 1], 65535);  // white
  EXPECT_EQ(dtv.FRaw[2 * 640 + 1], 60 * 257); // (30 + 60 + 91) div 3 = 60
  EXPECT_EQ(VideoFrameBitmap().size(), QSize(640, 480));
}

TEST_F(VideoCapture, AFrameIsSavedAsJpegWhateverTheExtensionReplacingTheOldFile) {
  state->Colour = QColor(200, 40, 40);
  test::TempDir dir;
  const auto file = dir.file("video_capture.bmp");
  test::WriteText(file, "an older capture");
  ASSERT_TRUE(VideoStart(0));
  const IoResult saved = SaveVideoFrameJPEG(test::QPath(file));
  ASSERT_TRUE(saved) << saved.message.toStdString();
  const std::vector<std::uint8_t> bytes = test::ReadFile(file);
  ASSERT_GT(bytes.size(), 3u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  QImageReader reader(test::QPath(file));
  EXPECT_EQ(reader.format(), "jpeg");
  const QImage back = reader.read();
  ASSERT_EQ(back.size(), QSize(640, 480));
  const QColor c = back.pixelColor(320, 240);
  EXPECT_NEAR(c.red(), 200, 8);
  EXPECT_NEAR(c.green(), 40, 8);

  EXPECT_FALSE(SaveVideoFrameJPEG(test::QPath(dir.file("missing/folder.jpg"))));
  state->DeliverFrames = false;
  EXPECT_FALSE(SaveVideoFrameJPEG(test::QPath(dir.file("nothing.jpg"))));
  EXPECT_FALSE(std::filesystem::exists(dir.file("nothing.jpg")));
}

TEST_F(VideoCapture, TheDeviceControlsAreReadAndSet) {
  VideoControl brightness;
  brightness.Id = 0x00980900;
  brightness.Name = QStringLiteral("Brightness");
  brightness.Minimum = -64;
  brightness.Maximum = 64;
  brightness.Value = 0;
  state->Controls = {brightness};
  ASSERT_TRUE(VideoStart(0));
  ASSERT_TRUE(SetVideoControl(0x00980900, 12));
  const auto controls = VideoControls();
  ASSERT_EQ(controls.size(), 1u);
  EXPECT_EQ(controls[0].Name, "Brightness");
  EXPECT_EQ(controls[0].Value, 12);
}

TEST(VideoDrawing, A640By480FrameFillsA640By540AreaWithBlackBarsOf30) {
  QImage frame(640, 480, QImage::Format_RGB888);
  frame.fill(QColor(0, 200, 0));
  QImage target(640, 540, QImage::Format_RGB32);
  target.fill(Qt::white);
  QPainter painter(&target);
  EXPECT_EQ(DrawVideoFrame(painter, QRect(0, 0, 640, 540), frame, true), QRect(0, 30, 640, 480));
  painter.end();
  EXPECT_EQ(target.pixelColor(10, 29), QColor(Qt::black));
  EXPECT_EQ(target.pixelColor(10, 30), QColor(0, 200, 0));
  EXPECT_EQ(target.pixelColor(639, 509), QColor(0, 200, 0));
  EXPECT_EQ(target.pixelColor(10, 510), QColor(Qt::black));

  QImage unchanged(640, 540, QImage::Format_RGB32);
  unchanged.fill(Qt::white);
  QPainter p2(&unchanged);
  DrawVideoFrame(p2, QRect(0, 0, 640, 540), frame, false);
  p2.end();
  EXPECT_EQ(unchanged.pixelColor(10, 5), QColor(Qt::white)); // bars left as they were
}

TEST(V4l2Video, AFolderWithoutCaptureDevicesHasNoVideoDevice) {
  test::TempDir dir;
  test::WriteText(dir.file("video0"), "not a device");
  test::WriteText(dir.file("videoX"), "not a device either");
  UseVideoBackend(MakeV4l2VideoBackend(dir.path()));
  EXPECT_TRUE(ListVideoDevices().isEmpty());
  QString error;
  EXPECT_FALSE(VideoStart(0, &error));
  EXPECT_EQ(error, "no video device");
  ResetVideoCapture();
}

} // namespace
} // namespace calidarix
