// ".ti4" files: frames of one byte per pixel; the head gives the frame size and the temperatures of
// byte 0 and byte 255, so the bytes map linearly onto the raw range (byte x 257).

#include "thermogram/formats/byte_reader.h"
#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/tdtv.h"

#include <QFile>

#include <cmath>

namespace calidarix {

namespace {

constexpr std::uint64_t kHeadBytes = 284; // through the temperature of byte 255
constexpr std::uint64_t kFirstFrame = 383;

} // namespace

IoResult TDTV::LoadTI4(const QString &fileName, int frame) {
  QFile file;
  std::vector<std::uint8_t> headBytes;
  if (IoResult read = OpenAndReadHead(file, fileName, kHeadBytes, headBytes); !read) {
    return read;
  }
  const ByteReader head(headBytes);
  const std::optional<std::uint16_t> height = FrameSide(*head.U16LE(1));
  const std::optional<std::uint16_t> width = FrameSide(*head.U16LE(3));
  const float minimum = *head.F32LE(276);
  const float maximum = *head.F32LE(280);
  if (!width || !height) {
    return FrameSizeError(fileName);
  }
  const float scale = static_cast<float>((static_cast<double>(maximum) - minimum) / 65535.0);
  if (!std::isfinite(minimum) || !std::isfinite(scale)) {
    return IoResult::Error(QStringLiteral("The temperature range in \"%1\" is not valid").arg(fileName));
  }
  if (IoResult fits = CheckFrameBudget(fileName, *width, *height); !fits) {
    return fits;
  }
  const std::uint64_t count = std::uint64_t{*width} * *height;
  const std::optional<std::uint64_t> offset = FrameOffset(kFirstFrame, frame, count);
  if (!offset) {
    return NoSuchFrame(frame);
  }
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadRange(file, *offset, count, bytes); !read) {
    return read;
  }
  DecodedFrame decoded{*width, *height, std::vector<std::uint16_t>(bytes.size())};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    decoded.Raw[i] = static_cast<std::uint16_t>(bytes[i] * 257);
  }
  InstallFileFrame(*this, fileName, std::move(decoded));
  FHeader.Offset = minimum;
  FHeader.Scale = scale;
  return IoResult::Ok();
}

} // namespace calidarix
