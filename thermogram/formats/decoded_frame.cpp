#include "thermogram/formats/decoded_frame.h"

#include <utility>

namespace calidarix {

std::optional<std::uint16_t> FrameSide(std::uint64_t value) {
  if (value < 1 || value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

void InstallFrame(TDTV &dtv, DecodedFrame &&frame) {
  dtv.FHeader.Width = frame.Width;
  dtv.FHeader.Height = frame.Height;
  dtv.FRaw = std::move(frame.Raw);
  dtv.UpdateStatistics();
}

} // namespace calidarix
