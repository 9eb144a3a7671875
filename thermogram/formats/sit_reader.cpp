// ".sit" files: frames of 320 x 240 little-endian 16-bit samples from byte 1025. The samples other
// than 0 are spread over the raw range; the file says nothing about temperatures, so Scale and Offset
// stay as they were.

#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadSIT(const QString &fileName, int frame) {
  const SampleFrameLayout layout{320, 240, 1025, false};
  DecodedFrame decoded{layout.Width, layout.Height, {}};
  if (IoResult read = ReadSampleFrame(fileName, frame, layout, decoded.Raw); !read) {
    return read;
  }
  NormaliseRange(decoded.Raw, RangeSamples::NonZero);
  FFileName = fileName;
  InstallFrame(*this, std::move(decoded));
  SetAspect(static_cast<double>(FHeader.Width) / FHeader.Height);
  return IoResult::Ok();
}

} // namespace calidarix
