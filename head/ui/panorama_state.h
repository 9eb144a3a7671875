#pragma once
// The panorama fields of the main window: the stitching object of the last stitch and how the window
// asks for a panorama folder.

#include "head/panorama_stitcher.h"

#include <QString>

#include <functional>
#include <memory>

namespace calidarix {

struct TPanoramaState {
  // The object of the current stitch; a fresh one for every stitch, kept until the next.
  std::unique_ptr<TFOV> PanoFov;
  // Asks for a folder (title, starting folder); empty when none was chosen. The directory dialog by
  // default; tests answer it.
  std::function<QString(const QString &, const QString &)> FChooseFolder;
  // The outcome of the last stitch, for the window and the tests.
  TStitchResult FLastResult;
};

} // namespace calidarix
