#pragma once
// Start-up measurement: with CALIDARIX_FIRST_PAINT_EXIT set, the program prints the wall-clock time of
// the first paint of the image box ("first-paint <nanoseconds since the epoch>") and leaves at once,
// saving nothing, so that the settings of the next run are the same. tools/measure_startup.sh uses it.

class QCoreApplication;

namespace calidarix {

// Watches the paint events of the application for the image box ("ImagePB") when the variable is
// set; does nothing otherwise.
void WatchFirstPaintIfAsked(QCoreApplication &app);

} // namespace calidarix
