#include "thermogram/formats/file_reading.h"

#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace calidarix {

IoResult OpenForReading(QFile &file, const QString &fileName) {
  file.setFileName(fileName);
  if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) {
    return IoResult::Error(QStringLiteral("Cannot open \"%1\": %2").arg(fileName, file.errorString()));
  }
  return IoResult::Ok();
}

IoResult ReadRange(QFile &file, std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t> &out) {
  const auto fileSize = static_cast<std::uint64_t>(file.size());
  // Checked before allocating, so a size field from the file cannot ask for more memory than the
  // file could ever fill.
  if (offset > fileSize || count > fileSize - offset) {
    return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
  }
  out.resize(static_cast<std::size_t>(count));
  if (!file.seek(static_cast<qint64>(offset))) {
    return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
  }
  std::uint64_t done = 0;
  while (done < count) {
    const qint64 got =
        file.read(reinterpret_cast<char *>(out.data() + done), static_cast<qint64>(count - done));
    if (got <= 0) {
      return IoResult::Error(got < 0 ? file.errorString() : QString::fromLatin1(kReadBeyondEnd));
    }
    done += static_cast<std::uint64_t>(got);
  }
  return IoResult::Ok();
}

IoResult ReadRangeAt(QFile &file, std::uint64_t fileSize, std::uint64_t offset, std::uint64_t count,
                     std::uint8_t *out) {
  if (offset > fileSize || count > fileSize - offset) {
    return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
  }
  const int fd = file.handle();
  std::uint64_t done = 0;
  while (done < count) {
    const ssize_t got =
        ::pread(fd, out + done, static_cast<std::size_t>(count - done), static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return IoResult::Error(got < 0 ? qt_error_string(errno) : QString::fromLatin1(kReadBeyondEnd));
    }
    done += static_cast<std::uint64_t>(got);
  }
  return IoResult::Ok();
}

IoResult OpenAndReadHead(QFile &file, const QString &fileName, std::uint64_t headBytes,
                         std::vector<std::uint8_t> &head) {
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  return ReadRange(file, 0, headBytes, head);
}

IoResult ReadWholeFile(const QString &fileName, std::uint64_t maxBytes, std::vector<std::uint8_t> &out) {
  QFile file;
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  const auto size = static_cast<std::uint64_t>(file.size());
  if (size > maxBytes) {
    return IoResult::Error(QStringLiteral("\"%1\" is too large").arg(fileName));
  }
  return ReadRange(file, 0, size, out);
}

std::optional<std::uint64_t> FrameOffset(std::uint64_t first, int frame, std::uint64_t frameBytes) {
  if (frame < 1) {
    return std::nullopt;
  }
  // frameBytes is at most 65535 x 65535 x 2 and frame below 2^31: the product fits in 64 bits.
  return first + static_cast<std::uint64_t>(frame - 1) * frameBytes;
}

IoResult NoSuchFrame(int frame) {
  return IoResult::Error(QStringLiteral("There is no frame %1").arg(frame));
}

IoResult ReadSamples16(QFile &file, std::uint64_t offset, std::uint64_t count, bool bigEndian,
                       std::vector<std::uint16_t> &out) {
  std::vector<std::uint8_t> bytes;
  if (IoResult read = ReadRange(file, offset, count * 2, bytes); !read) {
    return read;
  }
  out.resize(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint8_t first = bytes[2 * i];
    const std::uint8_t second = bytes[2 * i + 1];
    out[i] = bigEndian ? static_cast<std::uint16_t>((first << 8) | second)
                       : static_cast<std::uint16_t>(first | (second << 8));
  }
  return IoResult::Ok();
}

} // namespace calidarix
