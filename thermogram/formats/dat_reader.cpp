// ".dat" files: frames of one byte per pixel, 128 x 128 unless a ".STD" companion (the file name less
// its last four characters, plus ".STD") gives the frame count, the frame size, Offset and Scale.
// The bytes are stored one pixel late: byte i belongs to pixel i + 1, so the frame's first pixel has
// no byte (it is left empty, raw 0) and the frame's last byte is not used. Byte 255 marks a missing
// pixel and becomes raw 0.

#include "thermogram/formats/byte_reader.h"
#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/tdtv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

constexpr std::uint64_t kCompanionBytes = 148; // through Scale
constexpr std::uint16_t kDefaultSide = 128;

// The companion as named, or a file of the same name in another letter case.
QString FindCompanion(const QString &path) {
  const QFileInfo wanted(path);
  if (wanted.isFile()) {
    return path;
  }
  const QDir folder = wanted.absoluteDir();
  for (const QString &entry : folder.entryList(QDir::Files | QDir::Hidden)) {
    if (entry.compare(wanted.fileName(), Qt::CaseInsensitive) == 0) {
      return folder.filePath(entry);
    }
  }
  return QString();
}

struct DatHeader {
  std::uint16_t FrameCount = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  float Offset = 0.0f;
  float Scale = 0.0f;
};

IoResult ReadCompanion(const QString &path, DatHeader &header) {
  QFile file;
  std::vector<std::uint8_t> bytes;
  if (IoResult read = OpenAndReadHead(file, path, kCompanionBytes, bytes); !read) {
    return read;
  }
  const ByteReader head(bytes);
  // The companion stores each count less one; a stored 65535 would not fit the header's fields.
  const std::optional<std::uint16_t> frames = FrameSide(std::uint64_t{*head.U16LE(20)} + 1);
  const std::optional<std::uint16_t> width = FrameSide(std::uint64_t{*head.U16LE(58)} + 1);
  const std::optional<std::uint16_t> height = FrameSide(std::uint64_t{*head.U16LE(96)} + 1);
  if (!frames || !width || !height) {
    return FrameSizeError(path);
  }
  header.FrameCount = *frames;
  header.Width = *width;
  header.Height = *height;
  header.Offset = *head.F32LE(140);
  header.Scale = *head.F32LE(144);
  if (!std::isfinite(header.Offset) || !std::isfinite(header.Scale)) {
    return IoResult::Error(QStringLiteral("The temperature range in \"%1\" is not valid").arg(path));
  }
  return IoResult::Ok();
}

} // namespace

IoResult TDTV::LoadDAT(const QString &fileName, int frame) {
  const QString companion =
      FindCompanion(fileName.left(std::max<qsizetype>(0, fileName.size() - 4)) + ".STD");
  DatHeader header;
  if (!companion.isEmpty()) {
    if (IoResult read = ReadCompanion(companion, header); !read) {
      return read;
    }
  }

  QFile file;
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  if (companion.isEmpty()) {
    header.Width = kDefaultSide;
    header.Height = kDefaultSide;
    const std::uint64_t frames =
        static_cast<std::uint64_t>(file.size()) / (std::uint64_t{kDefaultSide} * kDefaultSide);
    header.FrameCount = static_cast<std::uint16_t>(std::min<std::uint64_t>(frames, 65535));
  }

  if (IoResult fits = CheckFrameBudget(fileName, header.Width, header.Height); !fits) {
    return fits;
  }
  const std::uint64_t count = std::uint64_t{header.Width} * header.Height;
  const std::optional<std::uint64_t> offset = FrameOffset(0, frame, count);
  if (!offset) {
    return NoSuchFrame(frame);
  }
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadRange(file, *offset, count, bytes); !read) {
    return read;
  }
  DecodedFrame decoded{header.Width, header.Height, std::vector<std::uint16_t>(count, 0)};
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    decoded.Raw[i + 1] = bytes[i] == 255 ? 0 : static_cast<std::uint16_t>(bytes[i] * 257);
  }

  FFileName = fileName;
  InstallFrame(*this, std::move(decoded));
  FHeader.FrameCount = header.FrameCount;
  if (!companion.isEmpty()) {
    FHeader.Offset = header.Offset;
    FHeader.Scale = header.Scale;
  }
  // The display aspect stays; only the pixel aspect follows the new frame size.
  SetAspect(FAspect);
  return IoResult::Ok();
}

} // namespace calidarix
