// ".img" files: frames of 327 x 240 big-endian 16-bit samples from byte 1084. The samples other than
// 0 are spread over the raw range; Scale and Offset stay as they were.

#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadIMG(const QString &fileName, int frame) {
  const SampleFrameLayout layout{327, 240, 1084, true};
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
