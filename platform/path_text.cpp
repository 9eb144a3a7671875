#include "platform/path_text.h"

#include <QFile>
#include <QStringView>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <unistd.h>

namespace calidarix {

namespace {

namespace fs = std::filesystem;

constexpr char16_t kEscapeBase = 0xDC00; // byte b (0x80 .. 0xFF) is kept as U+DC00 + b
const QString kHandlePrefix = QStringLiteral("/proc/self/fd/");

// Length of the well-formed UTF-8 sequence at bytes[i], 0 when there is none (overlong forms,
// surrogates and values above U+10FFFF are not well-formed).
int SequenceLength(const QByteArray &bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<std::uint8_t>(bytes[k]); };
  const std::uint8_t lead = at(i);
  if (lead < 0x80)
    return 1;
  int length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0)
      low = 0xA0;
    if (lead == 0xED)
      high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0)
      low = 0x90;
    if (lead == 0xF4)
      high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > bytes.size())
    return 0;
  for (int k = 1; k < length; ++k) {
    const std::uint8_t c = at(i + k);
    const std::uint8_t min = k == 1 ? low : 0x80;
    const std::uint8_t max = k == 1 ? high : 0xBF;
    if (c < min || c > max)
      return 0;
  }
  return length;
}

bool IsUtf8(const QByteArray &bytes) {
  for (qsizetype i = 0; i < bytes.size();) {
    const int length = SequenceLength(bytes, i);
    if (length == 0)
      return false;
    i += length;
  }
  return true;
}

// Folder handles of the run, by the folder's native path, and the other way round.
struct FolderHandles {
  std::mutex mutex;
  std::map<std::string, int> byFolder;
  std::map<int, std::string> byHandle;
};

FolderHandles &Handles() {
  static FolderHandles handles;
  return handles;
}

std::optional<int> FolderHandle(const std::string &folder) {
  FolderHandles &handles = Handles();
  std::lock_guard lock(handles.mutex);
  if (const auto it = handles.byFolder.find(folder); it != handles.byFolder.end())
    return it->second;
  const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  // The name must lead back to the folder through the process's own handle table.
  std::error_code error;
  if (!fs::is_directory(fs::path(kHandlePrefix.toStdString() + std::to_string(fd)), error)) {
    ::close(fd);
    return std::nullopt;
  }
  handles.byFolder[folder] = fd;
  handles.byHandle[fd] = folder;
  return fd;
}

// The folder behind "/proc/self/fd/<n>" at the start of path, with the rest of the path.
std::optional<std::pair<std::string, QString>> SplitHandlePath(const QString &path) {
  if (!path.startsWith(kHandlePrefix))
    return std::nullopt;
  const qsizetype start = kHandlePrefix.size();
  qsizetype end = path.indexOf(QLatin1Char('/'), start);
  if (end < 0)
    end = path.size();
  bool ok = false;
  const int fd = QStringView(path).mid(start, end - start).toInt(&ok);
  if (!ok)
    return std::nullopt;
  FolderHandles &handles = Handles();
  std::lock_guard lock(handles.mutex);
  const auto it = handles.byHandle.find(fd);
  if (it == handles.byHandle.end())
    return std::nullopt;
  return std::make_pair(it->second, path.mid(end));
}

} // namespace

QString PathTextFromNative(const QByteArray &native) {
  QString text;
  text.reserve(native.size());
  for (qsizetype i = 0; i < native.size();) {
    const int length = SequenceLength(native, i);
    if (length == 0) {
      text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<std::uint8_t>(native[i])));
      ++i;
      continue;
    }
    text += QString::fromUtf8(native.constData() + i, length);
    i += length;
  }
  return text;
}

QByteArray NativeFromPathText(const QString &text) {
  QByteArray native;
  native.reserve(text.size());
  qsizetype runStart = 0;
  const auto flush = [&](qsizetype end) {
    native += QStringView(text).mid(runStart, end - runStart).toUtf8();
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    const bool escaped = unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF &&
                         (i == 0 || !text[i - 1].isHighSurrogate());
    if (!escaped)
      continue;
    flush(i);
    native += static_cast<char>(unit - kEscapeBase);
    runStart = i + 1;
  }
  flush(text.size());
  return native;
}

std::optional<QString> OpenablePathText(const QString &text) {
  const QByteArray native = NativeFromPathText(text);
  if (IsUtf8(native))
    return QString::fromUtf8(native);
  std::error_code error;
  const fs::path path = fs::absolute(fs::path(native.toStdString()), error);
  if (error)
    return std::nullopt;
  if (fs::is_directory(path, error)) {
    const std::optional<int> fd = FolderHandle(path.string());
    if (!fd)
      return std::nullopt;
    return kHandlePrefix + QString::number(*fd);
  }
  const QByteArray name = QByteArray::fromStdString(path.filename().string());
  if (!IsUtf8(name))
    return std::nullopt;
  const std::optional<int> fd = FolderHandle(path.parent_path().string());
  if (!fd)
    return std::nullopt;
  return kHandlePrefix + QString::number(*fd) + QLatin1Char('/') + QString::fromUtf8(name);
}

QByteArray NativePathOf(const QString &path) {
  if (const auto split = SplitHandlePath(path))
    return QByteArray::fromStdString(split->first) + NativeFromPathText(split->second);
  return NativeFromPathText(path);
}

QString DisplayPathText(const QString &path) {
  return QString::fromUtf8(NativePathOf(path));
}

std::filesystem::path QtFileSystemPath(const QString &name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QString QtPathText(const std::filesystem::path &path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

} // namespace calidarix
