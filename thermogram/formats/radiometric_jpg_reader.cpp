// Radiometric JPEG pictures: the raw frame travels in APP1 segments tagged "FLIR" of the full segment
// length. The frame size sits at fixed positions of the file; the samples start 3964 bytes into the
// first tagged segment and continue in the following 64 KiB blocks, each of which opens with 12 bytes
// of segment head that are not samples. Each sample is little-endian with its top bit inverted.

#include "thermogram/formats/byte_reader.h"
#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <array>

namespace calidarix {

namespace {

// An APP1 marker with the segment length 65534, then the tag.
constexpr std::array<std::uint8_t, 8> kTaggedSegment = {0xFF, 0xE1, 0xFF, 0xFE, 'F', 'L', 'I', 'R'};
constexpr std::uint64_t kFirstSample = 3964; // from the start of the tagged segment
constexpr std::uint64_t kBlockBytes = 65536;
constexpr std::uint64_t kBlockHead = 12;
// A picture file is read whole; anything larger than this is not a camera picture.
constexpr std::uint64_t kMaxFileBytes = 512ull * 1024 * 1024;

} // namespace

IoResult TDTV::LoadRadiometricJPG(const QString &fileName) {
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadWholeFile(fileName, kMaxFileBytes, bytes); !read) {
    return read;
  }
  const ByteReader file(bytes);
  const std::optional<std::uint32_t> width32 = file.U32LE(376);
  const std::optional<std::uint32_t> height32 = file.U32LE(388);
  if (!width32 || !height32) {
    return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
  }
  const std::optional<std::uint16_t> width = FrameSide(*width32);
  const std::optional<std::uint16_t> height = FrameSide(*height32);
  if (!width || !height) {
    return FrameSizeError(fileName);
  }

  if (IoResult fits = CheckFrameBudget(fileName, *width, *height); !fits) {
    return fits;
  }
  const auto tag = std::search(bytes.begin(), bytes.end(), kTaggedSegment.begin(), kTaggedSegment.end());
  if (tag == bytes.end()) {
    return IoResult::Error(QStringLiteral("\"%1\" holds no radiometric data").arg(fileName));
  }
  const auto segment = static_cast<std::uint64_t>(tag - bytes.begin());

  const std::uint64_t needed = std::uint64_t{*width} * *height * 2;
  std::vector<std::uint8_t> sampleBytes;
  std::uint64_t position = segment + kFirstSample;
  std::uint64_t blockEnd = segment + kBlockBytes;
  while (sampleBytes.size() < needed) {
    const std::uint64_t take = std::min(needed - sampleBytes.size(), blockEnd - position);
    if (!file.Has(position, take)) {
      return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
    }
    sampleBytes.insert(sampleBytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position),
                       bytes.begin() + static_cast<std::ptrdiff_t>(position + take));
    position = blockEnd + kBlockHead;
    blockEnd += kBlockBytes;
  }

  DecodedFrame decoded{*width, *height, std::vector<std::uint16_t>(needed / 2)};
  for (std::size_t i = 0; i < decoded.Raw.size(); ++i) {
    const auto sample = static_cast<std::uint16_t>(sampleBytes[2 * i] | (sampleBytes[2 * i + 1] << 8));
    decoded.Raw[i] = static_cast<std::uint16_t>(sample ^ 0x8000u);
  }
  const NormalisedRange range = NormaliseRange(decoded.Raw, RangeSamples::All);
  InstallFileFrame(*this, fileName, std::move(decoded));
  FHeader.Offset = range.Offset;
  FHeader.Scale = range.Scale;
  return IoResult::Ok();
}

} // namespace calidarix
