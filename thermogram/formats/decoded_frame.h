#pragma once
// A frame decoded from a foreign file, held apart from the thermogram until the whole file has been
// read, so that a failed read leaves the thermogram as it was.

#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

struct DecodedFrame {
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::vector<std::uint16_t> Raw; // Width x Height, rows from the top
};

// A width or height from a file as a frame side: 1 .. 65535, nothing otherwise (the header field is
// 16 bits wide, and an empty frame cannot be shown or measured).
std::optional<std::uint16_t> FrameSide(std::uint64_t value);

// The error for a file whose frame size FrameSide refuses.
IoResult FrameSizeError(const QString &fileName);

// Ok when a frame of width x height pixels stays within FramePixelBudget, else the error that names
// the file; checked before a reader allocates the frame.
IoResult CheckFrameBudget(const QString &fileName, std::uint64_t width, std::uint64_t height);

// Gives the thermogram the decoded frame and a reset header (ResetHeaderValues) of that size, so that
// nothing of the previous file (its comment, version, frame count, angles, temperature rule, frame
// record, projection flags) shows through; the reader then sets what its format carries. The file
// name and the view stay; the statistics are brought up to date.
void InstallFrame(TDTV &dtv, DecodedFrame &&frame);

// InstallFrame for a frame read from `fileName` as the thermogram's own picture: also the file name,
// shown with square pixels.
void InstallFileFrame(TDTV &dtv, const QString &fileName, DecodedFrame &&frame);

} // namespace calidarix
