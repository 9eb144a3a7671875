// ".is2" files: one 320 x 240 frame of little-endian 16-bit samples at byte 15986, after an image
// block head at 15974 whose size fields the frame does not depend on. Only the first frame is read.

#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadIS2(const QString &fileName) {
  return LoadSampleFrame(*this, fileName, 1, {320, 240, 15986, false}, SampleValues::Temperatures);
}

} // namespace calidarix
