// ".ser" files: frames of 640 x 512 little-endian 16-bit samples after a 1024-byte head. Samples of 0
// are missing pixels; the rest are spread over the raw range, and Offset and Scale follow from it.

#include "thermogram/formats/sample_frame_reading.h"
#include "thermogram/tdtv.h"

namespace calidarix {

IoResult TDTV::LoadSER(const QString &fileName, int frame) {
  return LoadSampleFrame(*this, fileName, frame, {640, 512, 1024, false}, SampleValues::Temperatures);
}

} // namespace calidarix
