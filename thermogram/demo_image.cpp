#include "thermogram/demo_image.h"

#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

// One raised cosine, 0 .. 65534, lowest at the middle of the span and highest at its ends.
std::int32_t RaisedCosine(int position, int span) {
  const double half = span / 2.0;
  return RoundToInt32((std::cos(std::numbers::pi * position / half) + 1.0) * 32767.0);
}

} // namespace

std::vector<std::uint16_t> MakeDemoFrame() {
  std::vector<std::int32_t> across(kDemoImageWidth);
  for (int x = 0; x < kDemoImageWidth; ++x) {
    across[static_cast<std::size_t>(x)] = RaisedCosine(x, kDemoImageWidth);
  }
  std::vector<std::uint16_t> frame(static_cast<std::size_t>(kDemoImageWidth) * kDemoImageHeight);
  std::size_t i = 0;
  for (int y = 0; y < kDemoImageHeight; ++y) {
    const std::int32_t down = RaisedCosine(y, kDemoImageHeight);
    for (int x = 0; x < kDemoImageWidth; ++x) {
      frame[i++] = static_cast<std::uint16_t>(65535 - (across[static_cast<std::size_t>(x)] + down) / 2);
    }
  }
  return frame;
}

void TDTV::MakeDemoImage() {
  ResetHeader();
  FHeader.Width = kDemoImageWidth;
  FHeader.Height = kDemoImageHeight;
  FHeader.Scale = std::bit_cast<float>(0x3AC800C8u); // 100 degrees over the full raw range
  FRaw = MakeDemoFrame();
  // The nominal span of the dome, set rather than measured.
  FRawMin = 0;
  FRawMax = 65535;
  FRawMean = 32767;
  FFrameIndex = 1;
  SetAspect(32.0 / 27.0);
  FViewOffsetX = 0.0;
  FViewOffsetY = 0.0;
  FZoom = 1.0;
  FFovHorz = 25.0;
  FFovVert = 20.0;
  FDistance = 10.0;
  UpdatePixelSize();
  FThickness = 1.0;
  FSpecificHeat = 1.0;
  FDensity = 1.0;
  // The companions of the file shown before do not belong to the demo image.
  FOverlay = QImage();
  FHasVoiceNote = false;
}

} // namespace calidarix
