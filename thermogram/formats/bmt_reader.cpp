// ".bmt" files: a bitmap-style container of 16-bit samples stored bottom row first. The head gives the
// samples' position and the frame size; further blocks at fixed positions (a second block with its own
// size, two values and a table of 1178 values) are not used, but a file without them is incomplete.

#include "thermogram/formats/byte_reader.h"
#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/tdtv.h"

#include <QFile>

namespace calidarix {

namespace {

constexpr std::uint64_t kHeadBytes = 26;
constexpr std::uint64_t kSecondBlockSize = 153740; // width and height of the second block
constexpr std::uint64_t kSecondBlockData = 153776;
constexpr std::uint64_t kTrailerEnd = 768321 + 38 * 31 * 4; // end of the 1178-value table

// Whether the file holds the blocks after the frame.
IoResult CheckTrailingBlocks(QFile &file) {
  std::vector<std::uint8_t> sizeBytes;
  if (IoResult read = ReadRange(file, kSecondBlockSize, 8, sizeBytes); !read) {
    return read;
  }
  const ByteReader sizes(sizeBytes);
  const std::uint64_t blockValues = std::uint64_t{*sizes.U32LE(0)} * *sizes.U32LE(4);
  const auto fileSize = static_cast<std::uint64_t>(file.size());
  if (fileSize < kTrailerEnd || blockValues > (fileSize - kSecondBlockData) / 2) {
    return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
  }
  return IoResult::Ok();
}

} // namespace

IoResult TDTV::LoadBMT(const QString &fileName) {
  QFile file;
  std::vector<std::uint8_t> headBytes;
  if (IoResult read = OpenAndReadHead(file, fileName, kHeadBytes, headBytes); !read) {
    return read;
  }
  const ByteReader head(headBytes);
  const std::optional<std::uint16_t> width = FrameSide(*head.U32LE(18));
  const std::optional<std::uint16_t> height = FrameSide(*head.U32LE(22));
  if (!width || !height) {
    return FrameSizeError(fileName);
  }
  if (IoResult fits = CheckFrameBudget(fileName, *width, *height); !fits) {
    return fits;
  }
  const std::size_t w = *width;
  const std::size_t h = *height;
  std::vector<std::uint16_t> samples;
  if (IoResult read = ReadSamples16(file, *head.U32LE(10), std::uint64_t{w} * h, false, samples); !read) {
    return read;
  }
  if (IoResult trailer = CheckTrailingBlocks(file); !trailer) {
    return trailer;
  }
  const NormalisedRange range = NormaliseRange(samples, RangeSamples::All);

  DecodedFrame decoded{*width, *height, std::vector<std::uint16_t>(w * h)};
  for (std::size_t y = 0; y < h; ++y) {
    const auto from = samples.begin() + static_cast<std::ptrdiff_t>((h - 1 - y) * w);
    std::copy(from, from + static_cast<std::ptrdiff_t>(w),
              decoded.Raw.begin() + static_cast<std::ptrdiff_t>(y * w));
  }
  InstallFileFrame(*this, fileName, std::move(decoded));
  FHeader.Offset = range.Offset;
  FHeader.Scale = range.Scale;
  return IoResult::Ok();
}

} // namespace calidarix
