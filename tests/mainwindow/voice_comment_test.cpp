#include "mainwindow/voice_comment.h"

#include "mainwindow/fake_sound.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;

TEST(VoiceCommentTest, FiveSecondRecordingIsWrittenWhole) {
  TempDir dir;
  FakeSoundDevice device;
  const WaveFormat format = VoiceCommentFormat();
  EXPECT_EQ(format, PcmFormat(1, 44100, 16));
  VoiceRecording recording(device, format, SoundBytes(format, kVoiceCommentMs));
  EXPECT_EQ(recording.Wanted(), 441000u);
  QString error;
  ASSERT_TRUE(recording.Start(error)) << error.toStdString();
  while (!recording.Complete())
    std::this_thread::yield();
  ASSERT_TRUE(recording.Finish(QPath(dir.file("IRSound.wav"))));

  WaveSound sound;
  ASSERT_TRUE(ReadWaveFile(QPath(dir.file("IRSound.wav")), sound));
  EXPECT_EQ(sound.Format.SamplesPerSec, 44100u);
  EXPECT_EQ(sound.Format.BlockAlign, 2);
  EXPECT_EQ(sound.Format.AvgBytesPerSec, 88200u);
  ASSERT_EQ(sound.Data.size(), 441000u);
  // The device's stream from its start, cut exactly at five seconds.
  for (std::size_t i = 0; i < sound.Data.size(); i += 4409)
    ASSERT_EQ(sound.Data[i], FakeSoundDevice::PatternByte(i)) << i;
  EXPECT_EQ(sound.Data.back(), FakeSoundDevice::PatternByte(440999));
}

TEST(VoiceCommentTest, RecordingCutShortWritesNothing) {
  TempDir dir;
  FakeSoundDevice::Options options;
  options.CaptureLimit = 88200; // one second, then silence
  FakeSoundDevice device(options);
  VoiceRecording recording(device, VoiceCommentFormat(), 441000);
  QString error;
  ASSERT_TRUE(recording.Start(error));
  device.WaitForEmitted(441000);
  const IoResult finished = recording.Finish(QPath(dir.file("IRSound.wav")));
  EXPECT_FALSE(finished);
  EXPECT_TRUE(finished.message.contains("1000 ms of the 5000 ms")) << finished.message.toStdString();
  EXPECT_FALSE(std::filesystem::exists(dir.file("IRSound.wav")));
}

TEST(VoiceCommentTest, NoDeviceCannotRecordOrPlay) {
  NoSoundDevice device;
  VoiceRecording recording(device, VoiceCommentFormat(), 441000);
  QString error;
  EXPECT_FALSE(recording.Start(error));
  EXPECT_FALSE(error.isEmpty());
  WaveSound sound{VoiceCommentFormat(), std::vector<std::uint8_t>(10)};
  SoundPlayback playback(device, sound);
  while (!playback.Done())
    std::this_thread::yield();
  EXPECT_FALSE(playback.Succeeded());
  EXPECT_FALSE(playback.Error().isEmpty());
}

TEST(VoiceCommentTest, PlaybackHandsTheSoundToTheDevice) {
  FakeSoundDevice device;
  WaveSound sound{PcmFormat(1, 8000, 8), {1, 2, 3, 4, 5}};
  {
    SoundPlayback playback(device, sound);
    EXPECT_EQ(playback.DurationMs(), 0); // 5 bytes at 8000 bytes per second
    while (!playback.Done())
      std::this_thread::yield();
    EXPECT_TRUE(playback.Succeeded());
  }
  EXPECT_EQ(device.Played(), sound.Data);
  EXPECT_EQ(device.PlayedFormat(), sound.Format);
}

TEST(VoiceCommentTest, ThermogramsVoiceNoteIsFoundWhateverTheCase) {
  TempDir dir;
  test::WriteFile(dir.file("a.dtv"), {});
  test::WriteFile(dir.file("a.WAV"), {});
  test::WriteFile(dir.file("b.dtv"), {});
  EXPECT_EQ(VoiceNoteOf(QPath(dir.file("a.dtv"))), QPath(dir.file("a.WAV")));
  EXPECT_TRUE(VoiceNoteOf(QPath(dir.file("b.dtv"))).isEmpty());
  EXPECT_TRUE(VoiceNoteOf(QString()).isEmpty());
}

TEST(VoiceCommentTest, RecordingLivesOnDriveC) {
  TempDir dir;
  test::ScopedEnv drive("CALIDARIX_DRIVE_C", dir.path().string());
  EXPECT_EQ(VoiceCommentFileName(), QPath(dir.file("IRSound.wav")));
}

} // namespace
} // namespace calidarix
