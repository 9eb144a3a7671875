#pragma once
// Playing a wave file while the window stays alive: the sound plays on a thread of its own and the
// caller's event loop keeps running until it ends. The wait ends at the latest a few seconds after the
// sound's own length, so a device that hangs cannot hold the window.

#include "mainwindow/sound_device.h"

#include <QString>

#include <functional>

namespace calidarix {

// Runs the event loop for `ms` milliseconds without spinning.
void RunEventsFor(int ms);

// Plays the file to its end. `progress` (may be empty) is called with 0 .. 100 while it plays.
// Returns an empty text, or why the file could not be played.
QString PlayWaveFileAndWait(SoundDevice &device, const QString &fileName,
                            const std::function<void(int percent)> &progress);

} // namespace calidarix
