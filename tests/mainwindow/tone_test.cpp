// Beeps of a given pitch: the tone's samples have the pitch and length asked for, and the device is
// given them; a tone that cannot be made or played says so.

#include "mainwindow/fake_sound.h"
#include "mainwindow/tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace calidarix {
namespace {

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t> &data) {
  std::vector<std::int16_t> out;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    out.push_back(static_cast<std::int16_t>(data[i] | (data[i + 1] << 8)));
  return out;
}

// The pitch from the rising zero crossings, over the sound's length.
double Pitch(const std::vector<std::int16_t> &s, std::uint32_t rate) {
  int rises = 0;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (s[i - 1] < 0 && s[i] >= 0)
      ++rises;
  return s.empty() ? 0.0 : rises * static_cast<double>(rate) / static_cast<double>(s.size());
}

TEST(Tone, HasThePitchAndLengthAskedForAndStartsAndEndsQuietly) {
  for (const double hz : {250.0, 500.0, 1000.0}) {
    SCOPED_TRACE(hz);
    const WaveSound tone = ToneSound(hz, 200);
    EXPECT_EQ(tone.Format, PcmFormat(1, kToneSampleRate, 16));
    const std::vector<std::int16_t> s = Samples(tone.Data);
    ASSERT_EQ(s.size(), kToneSampleRate / 5);
    EXPECT_NEAR(Pitch(s, kToneSampleRate), hz, 10.0);
    std::int16_t peak = 0;
    for (std::int16_t v : s)
      peak = std::max<std::int16_t>(peak, v);
    EXPECT_GT(peak, 8000); // audible
    EXPECT_LT(std::abs(s.front()), 100);
    EXPECT_LT(std::abs(s.back()), 2000);
  }
}

TEST(Tone, NoPitchOrNoLengthGivesNoToneAndPlayingItSaysSo) {
  FakeSoundDevice device;
  for (auto [hz, ms] : {std::pair{0.0, 200}, {-250.0, 200}, {250.0, 0}, {20000.0, 200}}) {
    SCOPED_TRACE(testing::Message() << hz << " Hz " << ms << " ms");
    EXPECT_TRUE(ToneSound(hz, ms).Data.empty());
    QString error;
    EXPECT_FALSE(PlayTone(device, hz, ms, error));
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_EQ(device.PlayCount(), 0);
}

TEST(Tone, TonesReachTheDeviceInTheOrderTheyArePlayed) {
  FakeSoundDevice device;
  QString error;
  ASSERT_TRUE(PlayTone(device, 250.0, 200, error)) << error.toStdString();
  ASSERT_TRUE(PlayTone(device, 500.0, 200, error)) << error.toStdString();
  const std::vector<WaveSound> played = device.Playbacks();
  ASSERT_EQ(played.size(), 2u);
  EXPECT_NEAR(Pitch(Samples(played[0].Data), played[0].Format.SamplesPerSec), 250.0, 10.0);
  EXPECT_NEAR(Pitch(Samples(played[1].Data), played[1].Format.SamplesPerSec), 500.0, 10.0);

  FakeSoundDevice::Options failing;
  failing.FailText = QStringLiteral("device busy");
  FakeSoundDevice broken(failing);
  EXPECT_FALSE(PlayTone(broken, 250.0, 200, error));
  EXPECT_EQ(error, QStringLiteral("device busy"));
}

} // namespace
} // namespace calidarix
