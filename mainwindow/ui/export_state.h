#pragma once
// State of the main window's snapshot, picture export, printing and Save As commands.

#include <QImage>
#include <QString>

namespace calidarix {

struct TExportState {
  // A snapshot is being built: a copy command arriving meanwhile does nothing.
  bool FSnapshotBusy = false;
  // A picture export runs (a film export processes window messages between frames): a second one
  // started meanwhile does nothing.
  bool FExportBusy = false;
  // The folder of the last export when it differed from the thermogram's own folder.
  QString LastPictureDir;
  // The file type the picture save dialog starts on (1-based), as the user last chose it.
  int BMPFilterIndex = 1;
  // The thermogram rendered at the last snapshot's size, reused by the next one.
  QImage SnapshotRender;
  // A film export runs: the image box, the scale and the palette bar are drawn only when the export
  // lets the window show a frame, not for every frame loaded, which the screen would never show.
  bool FViewPaintDeferred = false;
  // A drawing of the image box was put off meanwhile.
  bool FViewPaintPending = false;
};

// The companion photo of the thermogram shown, drawn over the image by PhotoPB while it is shown;
// a null image when there is none.
extern QImage CompanionPhoto;

} // namespace calidarix
