#pragma once
// The palette files of the palette editor: the ".IRP" node file (32 records of 6 bytes: position,
// shown flag, colour R + G x 256 + B x 65536 as a little-endian u32), the ".PAL" RIFF palette of 256
// entries and the ".COL" file of 256 raw R, G, B triples. Files are untrusted: a reader checks the
// size and layout before it hands anything back, and on failure leaves its output untouched. Writers
// write the whole file to a temporary one and rename it over the target.

#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

enum class PaletteFileKind { Irp, Pal, Col };

// The kind named by the file's extension, whatever its case; nullopt for any other extension.
std::optional<PaletteFileKind> PaletteFileKindOf(const QString &fileName);

// One record of a ".IRP" file.
struct TPaletteRecord {
  std::uint8_t Position = 0;
  bool Visible = false;
  TRGB Color;
};

inline constexpr int kIrpRecordCount = 32;
inline constexpr int kIrpRecordSize = 6;
inline constexpr int kIrpFileSize = kIrpRecordCount * kIrpRecordSize; // 192
inline constexpr int kPalFileSize = 1048;
inline constexpr int kColFileSize = 768;

// Reads a ".IRP" file of 2 .. 32 whole records (a file of fewer records has its last node as the
// right end node). Refused: a missing or unreadable file, a size that is not a whole number of
// records, fewer than two records or more than 32, a colour whose top byte is not 0, or a hidden
// first node or (in a full file) hidden last node, since the end nodes always exist.
IoResult ReadIrpFile(const QString &fileName, std::vector<TPaletteRecord> &records);
// Reads a 1048-byte RIFF palette of 256 entries into table.
IoResult ReadPalFile(const QString &fileName, TPaletteTable &table);
// Reads a 768-byte ".COL" file into table.
IoResult ReadColFile(const QString &fileName, TPaletteTable &table);

// The bytes of each file as written.
std::vector<std::uint8_t> IrpFileBytes(const std::array<TPaletteRecord, kIrpRecordCount> &records);
std::vector<std::uint8_t> PalFileBytes(const TPaletteTable &table);
std::vector<std::uint8_t> ColFileBytes(const TPaletteTable &table);

// Writes the file whole, replacing an existing one only once the new one is complete.
IoResult WriteIrpFile(const QString &fileName, const std::array<TPaletteRecord, kIrpRecordCount> &records);
IoResult WritePalFile(const QString &fileName, const TPaletteTable &table);
IoResult WriteColFile(const QString &fileName, const TPaletteTable &table);

} // namespace calidarix
