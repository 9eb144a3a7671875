#pragma once
// The shared step of the readers whose files hold frames of 16-bit samples of a fixed size at a fixed
// position: the samples of one frame, read whole or not at all.

#include "thermogram/io_result.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace calidarix {

struct SampleFrameLayout {
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint64_t FirstFrame = 0; // byte offset of frame 1
  bool BigEndian = false;
};

// Reads the samples of 1-based frame `frame`; frames follow each other without gaps.
IoResult ReadSampleFrame(const QString &fileName, int frame, const SampleFrameLayout &layout,
                         std::vector<std::uint16_t> &samples);

} // namespace calidarix
