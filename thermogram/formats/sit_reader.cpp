// ".sit" files: frames of 320 x 240 little-endian 16-bit samples from byte 1025. The samples other
// than 0 are spread over the raw range; the file says nothing about temperatures, so Scale and Offset
// stay as they were.

#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadSIT(const QString &fileName, int frame) {
  return LoadSampleFrame(*this, fileName, frame, {320, 240, 1025, false}, SampleValues::Uncalibrated);
}

} // namespace calidarix
