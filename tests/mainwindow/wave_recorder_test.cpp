#include "mainwindow/wave_recorder.h"

#include "mainwindow/fake_sound.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;

std::uint32_t U32(const std::vector<std::uint8_t> &b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t> &b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// The sound recorder's own command: 4 buffers of 2048 bytes, 8000 samples per second, 8 bits, mono.
// The fake device runs dry after 4.5 s of sound (36000 bytes): 17 whole buffers come back.
TEST(WaveRecorderTest, RecordingWritesTheWholeBuffersReturnedAndAMatchingHeader) {
  TempDir dir;
  FakeSoundDevice::Options options;
  options.CaptureLimit = 36000;
  FakeSoundDevice device(options);
  TWaveRecorder recorder(2048, 4, device, QPath(dir.file("rec.wav")));
  ASSERT_TRUE(recorder.FReady) << recorder.FErrorText.toStdString();
  recorder.FFormat.SamplesPerSec = 8000;
  recorder.FFormat.BitsPerSample = 8;
  recorder.FFormat.AvgBytesPerSec = 8000;
  ASSERT_TRUE(recorder.Open());
  EXPECT_EQ(recorder.FBytesPerBuffer, 2048);
  ASSERT_TRUE(recorder.Start());
  device.WaitForEmitted(36000);
  recorder.Stop();

  EXPECT_EQ(recorder.FDoneCount, 17);
  EXPECT_EQ(recorder.FDataBytes, 17u * 2048u);
  const std::vector<std::uint8_t> file = test::ReadFile(dir.file("rec.wav"));
  ASSERT_EQ(file.size(), 44u + 17u * 2048u);
  EXPECT_EQ(U32(file, 4), 17u * 2048u + 36u);
  EXPECT_EQ(U16(file, 22), 1);     // mono
  EXPECT_EQ(U32(file, 24), 8000u); // samples per second
  EXPECT_EQ(U32(file, 28), 8000u); // bytes per second
  EXPECT_EQ(U16(file, 32), 1);     // block align
  EXPECT_EQ(U16(file, 34), 8);     // bits
  EXPECT_EQ(U32(file, 40), 17u * 2048u);
  for (std::size_t i = 0; i < 17u * 2048u; i += 997)
    ASSERT_EQ(file[44 + i], FakeSoundDevice::PatternByte(i)) << i;
  // Nothing of the unfinished recording is left beside the file.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
    ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(WaveRecorderTest, DefaultFormatIsSixteenBitWithItsRealBlockAlign) {
  TempDir dir;
  FakeSoundDevice::Options options;
  options.CaptureLimit = 4000;
  FakeSoundDevice device(options);
  TWaveRecorder recorder(1001, 2, device, QPath(dir.file("rec.wav")));
  ASSERT_TRUE(recorder.Open());
  EXPECT_EQ(recorder.FFormat.SamplesPerSec, 20000u);
  EXPECT_EQ(recorder.FFormat.BlockAlign, 2);
  EXPECT_EQ(recorder.FFormat.AvgBytesPerSec, 40000u);
  EXPECT_EQ(recorder.FBytesPerBuffer, 1000); // rounded down to whole samples
  ASSERT_TRUE(recorder.Start());
  device.WaitForEmitted(4000);
  recorder.Stop();
  WaveSound sound;
  ASSERT_TRUE(ReadWaveFile(QPath(dir.file("rec.wav")), sound));
  EXPECT_EQ(sound.Format, PcmFormat(1, 20000, 16));
  EXPECT_EQ(sound.Data.size(), 4000u);
}

TEST(WaveRecorderTest, NoInputDeviceLeavesTheRecorderUnready) {
  FakeSoundDevice::Options options;
  options.HasInput = false;
  FakeSoundDevice device(options);
  TWaveRecorder recorder(2048, 4, device, QStringLiteral("/nonexistent/rec.wav"));
  EXPECT_FALSE(recorder.FReady);
  EXPECT_EQ(recorder.FErrorText, QString::fromUtf8("Не найдено устройств, способных записывать звук"));
  EXPECT_FALSE(recorder.Open());
  EXPECT_FALSE(recorder.Start());
  recorder.Stop();
}

TEST(WaveRecorderTest, DeviceThatDoesNotStartIsReported) {
  TempDir dir;
  FakeSoundDevice::Options options;
  options.FailText = QStringLiteral("device busy");
  FakeSoundDevice device(options);
  TWaveRecorder recorder(2048, 4, device, QPath(dir.file("rec.wav")));
  ASSERT_TRUE(recorder.Open());
  EXPECT_FALSE(recorder.Start());
  EXPECT_EQ(recorder.FErrorText, QString::fromUtf8("Ошибка начала записи wave: device busy"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("rec.wav")));
}

// A recorder whose buffer handling is slow: Stop must not return while a buffer is being handled.
class SlowRecorder : public TWaveRecorder {
public:
  using TWaveRecorder::TWaveRecorder;
  ~SlowRecorder() override { Stop(); }
  void ProcessBuffer(int message, const std::uint8_t *data, std::size_t size) override {
    inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    TWaveRecorder::ProcessBuffer(message, data, size);
    inside = false;
  }
  std::atomic<bool> inside{false};
};

TEST(WaveRecorderTest, StopWaitsForTheBufferBeingWrittenAndTheFileHoldsWholeBuffers) {
  TempDir dir;
  FakeSoundDevice device; // endless, as fast as it can
  SlowRecorder recorder(512, 4, device, QPath(dir.file("rec.wav")));
  ASSERT_TRUE(recorder.Open());
  ASSERT_TRUE(recorder.Start());
  // The first buffer is in the file; the second is being handled when Stop comes.
  while (recorder.FDoneCount < 1 || !recorder.inside)
    std::this_thread::yield();
  recorder.Stop();
  EXPECT_FALSE(recorder.inside);
  const std::vector<std::uint8_t> file = test::ReadFile(dir.file("rec.wav"));
  ASSERT_GE(file.size(), 44u);
  EXPECT_EQ((file.size() - 44) % 512, 0u);
  EXPECT_EQ(U32(file, 40), file.size() - 44);
}

TEST(WaveRecorderTest, EachRecordingMakesANewFile) {
  TempDir dir;
  FakeSoundDevice::Options options;
  options.CaptureLimit = 2048;
  FakeSoundDevice device(options);
  TWaveRecorder recorder(1024, 2, device, QPath(dir.file("rec.wav")));
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(recorder.Open());
    ASSERT_TRUE(recorder.Start());
    device.WaitForEmitted(2048);
    recorder.Stop();
    EXPECT_EQ(test::ReadFile(dir.file("rec.wav")).size(), 44u + 2048u) << run;
  }
}

} // namespace
} // namespace calidarix
