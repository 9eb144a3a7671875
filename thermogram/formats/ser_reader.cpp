// ".ser" files: frames of 640 x 512 little-endian 16-bit samples after a 1024-byte head. Samples of 0
// are missing pixels; the rest are spread over the raw range, and Offset and Scale follow from it.

#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadSER(const QString &fileName, int frame) {
  const SampleFrameLayout layout{640, 512, 1024, false};
  DecodedFrame decoded{layout.Width, layout.Height, {}};
  if (IoResult read = ReadSampleFrame(fileName, frame, layout, decoded.Raw); !read) {
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
