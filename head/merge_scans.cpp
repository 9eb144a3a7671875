#include "head/merge_scans.h"

#include "platform/numbers.h"

#include <algorithm>
#include <limits>

namespace calidarix {

TMergedScanAngles MergedScanAngles(int width) {
  TMergedScanAngles angles;
  const double horizontal = static_cast<double>(std::max(width, 0)) / 240.0 * 6.0 * 180.0;
  // The header holds 16 bits: a wider scan is stored as the full circle it covers, and keeps its true
  // shape on screen through the aspect.
  const std::int32_t whole = TruncToInt32(horizontal);
  angles.HorzExtent =
      static_cast<std::uint16_t>(std::min<std::int32_t>(whole, std::numeric_limits<std::uint16_t>::max()));
  angles.Aspect = static_cast<double>(whole) / angles.VertExtent;
  return angles;
}

IoResult MergeScanFrames(TDTV &dtv, const std::function<void(int percent)> &step) {
  const int frames = dtv.FHeader.FrameCount;
  if (frames < 2)
    return IoResult::Error(QStringLiteral("Merge scans: the thermogram holds one frame only"));
  if (IoResult stacked = dtv.StackFilmFrames(1, frames); !stacked)
    return stacked;
  if (step)
    step(20);
  dtv.Rotate90(true);
  if (step)
    step(40);
  dtv.MirrorRect(TRect{0, 0, dtv.Width() - 1, dtv.Height() - 1});
  if (step)
    step(60);
  dtv.FHeader.FrameCount = 1;
  // The merged frame is the only one: a reload must not ask for a frame the single image lacks.
  dtv.FFrameIndex = 1;
  const TMergedScanAngles angles = MergedScanAngles(dtv.Width());
  dtv.FHeader.HorzExtent = angles.HorzExtent;
  dtv.FHeader.VertExtent = angles.VertExtent;
  dtv.FHeader.Elevation = angles.Elevation;
  dtv.SetAspect(angles.Aspect);
  return IoResult::Ok();
}

} // namespace calidarix
