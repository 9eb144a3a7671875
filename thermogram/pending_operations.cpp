// Placeholders for operations declared in tdtv.h that other files of this module will define and
// that the code already here calls. Each one gives a neutral result so that the library links; whoever
// implements an operation deletes its entry here. Nothing in this file is a finished operation.

#include "thermogram/tdtv.h"

namespace calidarix {

// Palette rendering (palette_render.cpp).
void TDTV::PreparePaletteScaling() const {}
TRGB TDTV::RawToColor(std::uint16_t) const {
  return TRGB{};
}

// Sampling (sampling.cpp).
std::uint16_t TDTV::SampleBilinear(double, double) const {
  return 0;
}

// Geometry (geometry.cpp).
void TDTV::ResampleToAspect() {}

// Loading by file type (load_from_file.cpp).
IoResult TDTV::LoadFromFile(const QString &, int) {
  return IoResult::Error(QStringLiteral("Loading by file type is not built yet"));
}

} // namespace calidarix
