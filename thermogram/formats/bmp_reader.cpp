// ".bmp" pictures as thermograms: each byte of a picture row is one pixel, byte x 255 its raw value,
// on the fixed range 10 .. 20 degrees. In an 8-bit picture the bytes are the colour indices; in a
// picture of more bits per pixel each colour byte counts as a pixel of its own, as the picture's rows
// are stored (pixel x takes byte x of its row). Pictures of fewer than 8 bits per pixel give their
// colour index per pixel, so no row is read past its end.

#include "thermogram/formats/byte_reader.h"
#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/tdtv.h"

#include <QFile>
#include <QImage>

namespace calidarix {

namespace {

constexpr std::uint64_t kHeadBytes = 34; // file header and the info header through its compression

// Bits per pixel from the file's info header, when the file holds every row that header promises.
// (The picture loader would fill a cut-off picture up silently.)
std::optional<int> StoredBitsPerPixel(const ByteReader &head, std::uint64_t fileSize) {
  if (!head.Has(0, kHeadBytes) || *head.U8(0) != 'B' || *head.U8(1) != 'M') {
    return std::nullopt;
  }
  const std::uint64_t pixelsAt = *head.U32LE(10);
  const bool coreHeader = *head.U32LE(14) == 12; // the small OS/2 header
  const int bits = coreHeader ? *head.U16LE(24) : *head.U16LE(28);
  const std::int64_t width = coreHeader ? *head.U16LE(18) : static_cast<std::int32_t>(*head.U32LE(18));
  const std::int64_t height = coreHeader ? *head.U16LE(20) : static_cast<std::int32_t>(*head.U32LE(22));
  const std::uint32_t compression = coreHeader ? 0 : *head.U32LE(30);
  if (width < 1 || height == 0 || bits < 1 || bits > 32) {
    return std::nullopt;
  }
  const std::uint64_t rowBytes =
      (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
  const bool packed = compression == 1 || compression == 2; // run-length coded: the size varies
  if (pixelsAt > fileSize || (!packed && rowBytes * rows > fileSize - pixelsAt)) {
    return std::nullopt;
  }
  return bits;
}

// The picture in a form whose row bytes are those of the file's rows.
QImage AsStoredRows(const QImage &picture, int bits) {
  switch (bits) {
  case 1:
  case 2:
  case 4:
  case 8:
    return picture.convertToFormat(QImage::Format_Indexed8);
  case 16:
    return picture.convertToFormat(QImage::Format_RGB555);
  case 24:
    return picture.convertToFormat(QImage::Format_BGR888);
  case 32:
    return picture.convertToFormat(QImage::Format_ARGB32);
  default:
    return QImage();
  }
}

} // namespace

IoResult TDTV::LoadBMP(const QString &fileName) {
  QFile file;
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  std::vector<std::uint8_t> headBytes;
  const std::optional<int> bits =
      ReadRange(file, 0, kHeadBytes, headBytes)
          ? StoredBitsPerPixel(ByteReader(headBytes), static_cast<std::uint64_t>(file.size()))
          : std::nullopt;
  file.close();
  QImage picture;
  if (bits) {
    picture.load(fileName, "BMP");
  }
  if (picture.isNull()) {
    return IoResult::Error(QStringLiteral("\"%1\" is not a readable bitmap").arg(fileName));
  }
  const std::optional<std::uint16_t> width = FrameSide(static_cast<std::uint64_t>(picture.width()));
  const std::optional<std::uint16_t> height = FrameSide(static_cast<std::uint64_t>(picture.height()));
  const QImage rows = AsStoredRows(picture, *bits);
  if (!width || !height || rows.isNull()) {
    return IoResult::Error(QStringLiteral("\"%1\" is not a readable bitmap").arg(fileName));
  }

  const std::size_t w = *width;
  DecodedFrame decoded{*width, *height, std::vector<std::uint16_t>(w * *height)};
  for (int y = 0; y < rows.height(); ++y) {
    const uchar *row = rows.constScanLine(y);
    for (std::size_t x = 0; x < w; ++x) {
      decoded.Raw[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint16_t>(row[x] * 255);
    }
  }
  InstallFrame(*this, std::move(decoded));
  FHeader.Version = 3;
  FHeader.Offset = 10.0f;
  FHeader.Scale = static_cast<float>((20.0 - 10.0) / 65535.0);
  FHeader.HorzExtent = FHeader.Width;
  FHeader.VertExtent = FHeader.Height;
  SetAspect(static_cast<double>(FHeader.Width) / FHeader.Height);
  return IoResult::Ok();
}

} // namespace calidarix
