#include "thermogram/palette_files.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <string>
#include <string_view>

namespace calidarix {

namespace {

// Reads at most maxSize + 1 bytes, so that a file larger than any valid one is seen as such without
// reading all of it.
IoResult ReadBytes(const QString &fileName, int maxSize, std::vector<std::uint8_t> &bytes) {
  QFile file(fileName);
  if (!file.exists())
    return IoResult::Error(QStringLiteral("The palette file \"%1\" does not exist.").arg(fileName));
  if (!file.open(QIODevice::ReadOnly))
    return IoResult::Error(
        QStringLiteral("The palette file \"%1\" cannot be read: %2").arg(fileName, file.errorString()));
  const QByteArray data = file.read(maxSize + 1);
  if (file.error() != QFileDevice::NoError)
    return IoResult::Error(
        QStringLiteral("The palette file \"%1\" cannot be read: %2").arg(fileName, file.errorString()));
  bytes.assign(data.begin(), data.end());
  return IoResult::Ok();
}

IoResult BadFile(const QString &fileName, const QString &why) {
  return IoResult::Error(QStringLiteral("\"%1\" is not a palette file of this kind: %2").arg(fileName, why));
}

std::uint32_t U32At(const std::vector<std::uint8_t> &b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16At(const std::vector<std::uint8_t> &b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void PutU32(std::vector<std::uint8_t> &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutU16(std::vector<std::uint8_t> &b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutText(std::vector<std::uint8_t> &b, std::string_view text) {
  b.insert(b.end(), text.begin(), text.end());
}

IoResult WriteBytes(const QString &fileName, const std::vector<std::uint8_t> &bytes) {
  std::string error;
  const std::string_view content(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  if (!WriteFileAtomically(QFileInfo(fileName).absoluteFilePath().toStdString(), content, &error))
    return IoResult::Error(QStringLiteral("The palette file \"%1\" could not be written: %2")
                               .arg(fileName, QString::fromStdString(error)));
  return IoResult::Ok();
}

constexpr char kRiffHeader[] = "RIFF";
constexpr char kPalForm[] = "PAL data";
constexpr std::uint32_t kRiffSize = kPalFileSize - 8;  // 1040
constexpr std::uint32_t kDataSize = kPalFileSize - 20; // 1028
constexpr std::uint16_t kPalVersion = 0x0300;

} // namespace

std::optional<PaletteFileKind> PaletteFileKindOf(const QString &fileName) {
  const QString suffix = QFileInfo(fileName).suffix();
  if (suffix.compare(QLatin1String("irp"), Qt::CaseInsensitive) == 0)
    return PaletteFileKind::Irp;
  if (suffix.compare(QLatin1String("pal"), Qt::CaseInsensitive) == 0)
    return PaletteFileKind::Pal;
  if (suffix.compare(QLatin1String("col"), Qt::CaseInsensitive) == 0)
    return PaletteFileKind::Col;
  return std::nullopt;
}

IoResult ReadIrpFile(const QString &fileName, std::vector<TPaletteRecord> &records) {
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadBytes(fileName, kIrpFileSize, bytes); !read)
    return read;
  if (bytes.size() > static_cast<std::size_t>(kIrpFileSize))
    return BadFile(fileName, QStringLiteral("longer than %1 bytes.").arg(kIrpFileSize));
  if (bytes.size() % kIrpRecordSize != 0)
    return BadFile(fileName,
                   QStringLiteral("its size is not a whole number of %1-byte nodes.").arg(kIrpRecordSize));
  const std::size_t count = bytes.size() / kIrpRecordSize;
  if (count < 2)
    return BadFile(fileName, QStringLiteral("a palette needs at least two nodes."));
  std::vector<TPaletteRecord> read;
  read.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = i * kIrpRecordSize;
    if (bytes[at + 5] != 0)
      return BadFile(fileName, QStringLiteral("node %1 has no valid colour.").arg(i + 1));
    TPaletteRecord record;
    record.Position = bytes[at];
    record.Visible = bytes[at + 1] != 0;
    record.Color = TRGB{bytes[at + 2], bytes[at + 3], bytes[at + 4]};
    read.push_back(record);
  }
  if (!read.front().Visible || (count == kIrpRecordCount && !read.back().Visible))
    return BadFile(fileName, QStringLiteral("an end node is hidden."));
  records = std::move(read);
  return IoResult::Ok();
}

IoResult ReadPalFile(const QString &fileName, TPaletteTable &table) {
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadBytes(fileName, kPalFileSize, bytes); !read)
    return read;
  if (bytes.size() != static_cast<std::size_t>(kPalFileSize))
    return BadFile(fileName, QStringLiteral("a palette of 256 colours is %1 bytes long.").arg(kPalFileSize));
  if (std::memcmp(bytes.data(), kRiffHeader, 4) != 0 || U32At(bytes, 4) != kRiffSize ||
      std::memcmp(bytes.data() + 8, kPalForm, 8) != 0 || U32At(bytes, 16) != kDataSize ||
      U16At(bytes, 20) != kPalVersion || U16At(bytes, 22) != 256)
    return BadFile(fileName, QStringLiteral("its header is not that of a 256-colour RIFF palette."));
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::size_t at = 24 + 4 * i;
    table[i] = TRGB{bytes[at], bytes[at + 1], bytes[at + 2]};
  }
  return IoResult::Ok();
}

IoResult ReadColFile(const QString &fileName, TPaletteTable &table) {
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadBytes(fileName, kColFileSize, bytes); !read)
    return read;
  if (bytes.size() != static_cast<std::size_t>(kColFileSize))
    return BadFile(fileName, QStringLiteral("256 colours are %1 bytes long.").arg(kColFileSize));
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = TRGB{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  return IoResult::Ok();
}

std::vector<std::uint8_t> IrpFileBytes(const std::array<TPaletteRecord, kIrpRecordCount> &records) {
  std::vector<std::uint8_t> b;
  b.reserve(kIrpFileSize);
  for (const TPaletteRecord &r : records) {
    b.push_back(r.Position);
    b.push_back(r.Visible ? 1 : 0);
    PutU32(b, static_cast<std::uint32_t>(r.Color.R) | static_cast<std::uint32_t>(r.Color.G) << 8 |
                  static_cast<std::uint32_t>(r.Color.B) << 16);
  }
  return b;
}

std::vector<std::uint8_t> PalFileBytes(const TPaletteTable &table) {
  std::vector<std::uint8_t> b;
  b.reserve(kPalFileSize);
  PutText(b, "RIFF");
  PutU32(b, kRiffSize);
  PutText(b, "PAL data");
  PutU32(b, kDataSize);
  PutU16(b, kPalVersion);
  PutU16(b, 256);
  for (const TRGB &c : table) {
    b.push_back(c.R);
    b.push_back(c.G);
    b.push_back(c.B);
    b.push_back(0);
  }
  return b;
}

std::vector<std::uint8_t> ColFileBytes(const TPaletteTable &table) {
  std::vector<std::uint8_t> b;
  b.reserve(kColFileSize);
  for (const TRGB &c : table) {
    b.push_back(c.R);
    b.push_back(c.G);
    b.push_back(c.B);
  }
  return b;
}

IoResult WriteIrpFile(const QString &fileName, const std::array<TPaletteRecord, kIrpRecordCount> &records) {
  return WriteBytes(fileName, IrpFileBytes(records));
}

IoResult WritePalFile(const QString &fileName, const TPaletteTable &table) {
  return WriteBytes(fileName, PalFileBytes(table));
}

IoResult WriteColFile(const QString &fileName, const TPaletteTable &table) {
  return WriteBytes(fileName, ColFileBytes(table));
}

} // namespace calidarix
