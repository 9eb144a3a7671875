// Fuzz target of the per-image sidecar reader: any text is read or refused, never a crash; whatever is
// read keeps its coordinates inside the frame.

#include "fuzz/fuzz_input.h"
#include "mainwindow/image_sidecar.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 0);
  const QString image = calidarix::fuzz::WriteInputFile("scene.dtv", {});
  (void)calidarix::fuzz::WriteInputFile("scene.dti", input.File);
  constexpr int kWidth = 64;
  constexpr int kHeight = 48;
  calidarix::ImageSidecar sidecar;
  calidarix::SidecarState state;
  if (calidarix::LoadImageSidecar(image, kWidth, kHeight, sidecar, state)) {
    for (const auto &point : sidecar.Points)
      if (point.X < 0 || point.X >= kWidth || point.Y < 0 || point.Y >= kHeight)
        std::abort();
  }
  return 0;
}
