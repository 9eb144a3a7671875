#include "mainwindow/alsa_sound.h"

#include "mainwindow/wave_recorder.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

// A device name ALSA does not know behaves as a machine without a sound card, on any machine.
TEST(AlsaSoundTest, MissingDeviceIsReportedNotHidden) {
  AlsaSoundDevice device("calidarix_no_such_device", "calidarix_no_such_device");
  EXPECT_FALSE(device.HasInput());
  QString error;
  EXPECT_FALSE(device.StartCapture(
      PcmFormat(1, 44100, 16), 4410, [](std::span<const std::uint8_t>) {}, error));
  EXPECT_TRUE(error.contains("cannot be opened")) << error.toStdString();
  device.StopCapture(); // harmless without a capture

  const std::vector<std::uint8_t> data(882);
  std::atomic<bool> cancel{false};
  error.clear();
  EXPECT_FALSE(device.Play(PcmFormat(1, 44100, 16), data, cancel, error));
  EXPECT_FALSE(error.isEmpty());

  test::TempDir dir;
  TWaveRecorder recorder(2048, 4, device, test::QPath(dir.file("rec.wav")));
  EXPECT_FALSE(recorder.FReady);
  EXPECT_EQ(recorder.FErrorText, QString::fromUtf8("Не найдено устройств, способных записывать звук"));
}

TEST(AlsaSoundTest, FormatsALSACannotTakeAreRefusedBeforeOpening) {
  AlsaSoundDevice device("calidarix_no_such_device", "calidarix_no_such_device");
  QString error;
  WaveFormat odd = PcmFormat(1, 44100, 12);
  EXPECT_FALSE(device.StartCapture(
      odd, 4410, [](std::span<const std::uint8_t>) {}, error));
  EXPECT_TRUE(error.contains("12 bits")) << error.toStdString();
}

} // namespace
} // namespace calidarix
