#include "mainwindow/tone.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kToneAmplitude = 0.4 * 32767.0; // loud enough to hear, with room below full scale
constexpr int kToneFadeMs = 5;

} // namespace

WaveSound ToneSound(double hz, int ms) {
  WaveSound sound;
  sound.Format = PcmFormat(1, kToneSampleRate, 16);
  if (!(hz > 0.0) || !(hz < kToneSampleRate / 2.0) || ms <= 0)
    return sound;
  const std::size_t samples = static_cast<std::size_t>(kToneSampleRate) * static_cast<std::size_t>(ms) / 1000;
  const std::size_t fade =
      std::min(samples / 2, static_cast<std::size_t>(kToneSampleRate) * kToneFadeMs / 1000);
  sound.Data.reserve(samples * 2);
  for (std::size_t i = 0; i < samples; ++i) {
    double gain = 1.0;
    if (fade > 0) {
      const std::size_t edge = std::min(i, samples - 1 - i);
      if (edge < fade)
        gain = static_cast<double>(edge) / static_cast<double>(fade);
    }
    const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / kToneSampleRate;
    const auto value = static_cast<std::int16_t>(std::lround(kToneAmplitude * gain * std::sin(phase)));
    const auto bits = static_cast<std::uint16_t>(value);
    sound.Data.push_back(static_cast<std::uint8_t>(bits & 0xFFu));
    sound.Data.push_back(static_cast<std::uint8_t>(bits >> 8));
  }
  return sound;
}

bool PlayTone(SoundDevice &device, double hz, int ms, QString &error) {
  const WaveSound tone = ToneSound(hz, ms);
  if (tone.Data.empty()) {
    error = QStringLiteral("no tone of %1 Hz for %2 ms").arg(hz).arg(ms);
    return false;
  }
  const std::atomic<bool> never{false};
  return device.Play(tone.Format, tone.Data, never, error);
}

} // namespace calidarix
