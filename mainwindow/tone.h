#pragma once
// Beeps of a given pitch on the sound device, where the program signals with the speaker's pitch and
// length: a sine tone as 16-bit mono PCM, played to its end while the caller waits, as the speaker
// beep does.

#include "mainwindow/sound_device.h"
#include "mainwindow/wave_file.h"

#include <QString>

#include <cstdint>

namespace calidarix {

inline constexpr std::uint32_t kToneSampleRate = 22050;

// A tone of `hz` lasting `ms`, faded in and out over a few milliseconds so that it starts and ends
// without a click. A pitch that is not a positive number below half the sample rate, or a length that
// is not positive, gives no samples.
WaveSound ToneSound(double hz, int ms);

// Plays the tone; false with `error` when the device cannot play or the tone is empty.
bool PlayTone(SoundDevice &device, double hz, int ms, QString &error);

} // namespace calidarix
