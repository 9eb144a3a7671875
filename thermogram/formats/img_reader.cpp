// ".img" files: frames of 327 x 240 big-endian 16-bit samples from byte 1084. The samples other than
// 0 are spread over the raw range; Scale and Offset stay as they were.

#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadIMG(const QString &fileName, int frame) {
  return LoadSampleFrame(*this, fileName, frame, {327, 240, 1084, true}, SampleValues::Uncalibrated);
}

} // namespace calidarix
