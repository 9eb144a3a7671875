// ".is2" files: one 320 x 240 frame of little-endian 16-bit samples at byte 15986, after an image
// block head at 15974 whose size fields the frame does not depend on. Only the first frame is read.

#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadIS2(const QString &fileName) {
  const SampleFrameLayout layout{320, 240, 15986, false};
  DecodedFrame decoded{layout.Width, layout.Height, {}};
  if (IoResult read = ReadSampleFrame(fileName, 1, layout, decoded.Raw); !read) {
    return read;
  }
  const NormalisedRange range = NormaliseRange(decoded.Raw, RangeSamples::NonZero);
  FFileName = fileName;
  InstallFrame(*this, std::move(decoded));
  FHeader.Offset = range.Offset;
  FHeader.Scale = range.Scale;
  SetAspect(static_cast<double>(FHeader.Width) / FHeader.Height);
  return IoResult::Ok();
}

} // namespace calidarix
