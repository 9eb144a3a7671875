#pragma once
// Reading byte ranges of a thermogram file. The readers ask for exactly the bytes a layout needs and
// get an error, never a short buffer, when the file does not hold them.

#include "thermogram/io_result.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

// The error of a read that needs bytes the file does not hold.
inline const char *const kReadBeyondEnd = "Read beyond end of file";

// Opens the file read-only; the error names the file and the system's reason.
IoResult OpenForReading(QFile &file, const QString &fileName);

// Reads count bytes from offset into out (replacing its content).
IoResult ReadRange(QFile &file, std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t> &out);

// Reads count bytes from offset into out with one positioned read (pread: no seek, no buffer), for a
// reader that takes many small ranges from one open file. fileSize is the size the caller took once
// when it opened the file; a range beyond it, or a file that turns out shorter, is an error.
IoResult ReadRangeAt(QFile &file, std::uint64_t fileSize, std::uint64_t offset, std::uint64_t count,
                     std::uint8_t *out);

// Opens the file read-only and reads its first headBytes bytes into head; the file stays open for
// the reads that follow.
IoResult OpenAndReadHead(QFile &file, const QString &fileName, std::uint64_t headBytes,
                         std::vector<std::uint8_t> &head);

// Reads a whole file that is not larger than maxBytes.
IoResult ReadWholeFile(const QString &fileName, std::uint64_t maxBytes, std::vector<std::uint8_t> &out);

// Byte offset of 1-based frame `frame` when frames of frameBytes follow each other from `first`;
// nothing for a frame number below 1.
std::optional<std::uint64_t> FrameOffset(std::uint64_t first, int frame, std::uint64_t frameBytes);

// The error for a frame number FrameOffset refuses.
IoResult NoSuchFrame(int frame);

// Reads count 16-bit samples from offset, little- or big-endian.
IoResult ReadSamples16(QFile &file, std::uint64_t offset, std::uint64_t count, bool bigEndian,
                       std::vector<std::uint16_t> &out);

} // namespace calidarix
