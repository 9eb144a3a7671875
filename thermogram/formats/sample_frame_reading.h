#pragma once
// The readers whose files hold frames of 16-bit samples of a fixed size at a fixed position: the
// samples of one frame are read whole or not at all, those other than 0 are spread over the raw
// range, and the frame becomes the thermogram's.

#include "thermogram/io_result.h"

#include <QString>

#include <cstdint>

namespace calidarix {

class TDTV;

struct SampleFrameLayout {
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint64_t FirstFrame = 0; // byte offset of frame 1
  bool BigEndian = false;
};

// What the samples of a format stand for.
enum class SampleValues {
  Uncalibrated, // not temperatures: the thermogram's Offset and Scale stay as they were
  Temperatures  // temperatures: Offset and Scale follow from the samples' range
};

// Loads 1-based frame `frame` (frames follow each other without gaps). Samples of 0 are missing
// pixels and become raw 0. A failed read leaves the thermogram as it was.
IoResult LoadSampleFrame(TDTV &dtv, const QString &fileName, int frame, const SampleFrameLayout &layout,
                         SampleValues values);

} // namespace calidarix
