#include "platform/path_text.h"

#include "platform/paths.h"

#include <QFile>
#include <QStringView>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
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

// A name as an alias that is UTF-8: each byte of a sequence that is not UTF-8, and each "%", becomes "%"
// and two upper-case hex digits, so that different names never share an alias.
std::string AliasName(const QByteArray &name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string alias;
  for (qsizetype i = 0; i < name.size();) {
    const int length = SequenceLength(name, i);
    if (length == 0 || name[i] == '%') {
      const auto byte = static_cast<std::uint8_t>(name[i]);
      alias += '%';
      alias += kHex[byte >> 4];
      alias += kHex[byte & 15];
      ++i;
      continue;
    }
    alias.append(name.constData() + i, static_cast<std::size_t>(length));
    i += length;
  }
  return alias;
}

bool IsUpperHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The native bytes of "/<alias>/<rest>" in an alias folder: the alias turned back into its name; the rest
// (below a folder the alias stands for) is plain path text.
QByteArray NativeOfAliasPath(const QString &path) {
  const qsizetype end = path.indexOf(QLatin1Char('/'), 1);
  const QByteArray alias = path.left(end < 0 ? path.size() : end).toUtf8();
  QByteArray name;
  for (qsizetype i = 0; i < alias.size(); ++i) {
    if (alias[i] == '%' && i + 2 < alias.size() && IsUpperHexDigit(alias[i + 1]) &&
        IsUpperHexDigit(alias[i + 2])) {
      name += static_cast<char>(alias.mid(i + 1, 2).toInt(nullptr, 16));
      i += 2;
    } else {
      name += alias[i];
    }
  }
  return end < 0 ? name : name + NativeFromPathText(path.mid(end));
}

// Folders of aliases: for a folder holding names that are not UTF-8, a private folder of this run with
// a symbolic link to each such entry under its alias, so that Qt's file classes reach the entry, and
// its companions beside it, by a name they can spell. The folder is read-only, so that nothing meant
// for the real folder is written there unnoticed; it is removed when the program ends.
class AliasFolders {
public:
  ~AliasFolders() {
    for (const auto &[alias, real] : byAlias_) {
      std::error_code error;
      fs::permissions(alias, fs::perms::owner_all, error);
      fs::remove_all(alias, error);
    }
    if (!base_.empty())
      ::rmdir(base_.c_str());
  }

  // The alias folder of `real`, holding a link for every name in it that is not UTF-8 now.
  std::optional<std::string> For(const std::string &real) {
    std::lock_guard lock(mutex_);
    auto it = byReal_.find(real);
    if (it == byReal_.end()) {
      if (base_.empty() && !MakeBase())
        return std::nullopt;
      const std::string alias = base_ + "/" + std::to_string(byReal_.size() + 1);
      if (::mkdir(alias.c_str(), 0700) != 0)
        return std::nullopt;
      it = byReal_.emplace(real, alias).first;
      byAlias_.emplace(alias, real);
    }
    Fill(real, it->second);
    return it->second;
  }

  // The real folder and the rest of the path when `path` lies in an alias folder.
  std::optional<std::pair<std::string, QString>> Split(const QString &path) {
    std::lock_guard lock(mutex_);
    for (const auto &[alias, real] : byAlias_) {
      const QString prefix = QString::fromStdString(alias);
      if (path == prefix || (path.startsWith(prefix) && path[prefix.size()] == QLatin1Char('/')))
        return std::make_pair(real, path.mid(prefix.size()));
    }
    return std::nullopt;
  }

private:
  bool MakeBase() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "calidarix-names-XXXXXX").string();
    if (error || ::mkdtemp(pattern.data()) == nullptr)
      return false;
    base_ = pattern;
    return true;
  }

  // Links the entries of `real` whose names are not UTF-8 and have none yet.
  static void Fill(const std::string &real, const std::string &alias) {
    std::error_code error;
    fs::permissions(alias, fs::perms::owner_all, error);
    for (fs::directory_iterator it(real, error), end; !error && it != end; it.increment(error)) {
      const fs::directory_entry &entry = *it;
      const QByteArray name = QByteArray::fromStdString(entry.path().filename().string());
      if (IsUtf8(name))
        continue;
      const fs::path link = fs::path(alias) / AliasName(name);
      std::error_code linkError;
      if (!fs::is_symlink(link, linkError))
        fs::create_symlink(entry.path(), link, linkError);
    }
    fs::permissions(alias, fs::perms::owner_read | fs::perms::owner_exec, error);
  }

  std::mutex mutex_;
  std::string base_;
  std::map<std::string, std::string> byReal_;
  std::map<std::string, std::string> byAlias_;
};

AliasFolders &Aliases() {
  static AliasFolders aliases;
  return aliases;
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
  if (!IsUtf8(name)) {
    // Through an alias beside the aliases of the other such names of its folder.
    if (!fs::exists(fs::symlink_status(path, error)))
      return std::nullopt;
    const std::optional<std::string> folder = Aliases().For(path.parent_path().string());
    if (!folder)
      return std::nullopt;
    return QString::fromStdString(*folder + "/" + AliasName(name));
  }
  const std::optional<int> fd = FolderHandle(path.parent_path().string());
  if (!fd)
    return std::nullopt;
  return kHandlePrefix + QString::number(*fd) + QLatin1Char('/') + QString::fromUtf8(name);
}

QByteArray NativePathOf(const QString &path) {
  if (const auto split = SplitHandlePath(path))
    return QByteArray::fromStdString(split->first) + NativeFromPathText(split->second);
  if (const auto split = Aliases().Split(path))
    return QByteArray::fromStdString(split->first) + NativeOfAliasPath(split->second);
  return NativeFromPathText(path);
}

QString ListableFolderText(const QString &folder) {
  if (const auto split = Aliases().Split(folder); split && split->second.isEmpty())
    return OpenablePathText(PathTextFromNative(QByteArray::fromStdString(split->first))).value_or(folder);
  return folder;
}

QString DisplayPathText(const QString &path) {
  return QString::fromUtf8(NativePathOf(path));
}

QString LocalPathText(const QString &stored) {
  const std::optional<fs::path> local = LocalPathFromWindows(NativeFromPathText(stored).toStdString());
  return local ? PathTextFromNative(QByteArray::fromStdString(local->string())) : QString();
}

std::filesystem::path QtFileSystemPath(const QString &name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QString QtPathText(const std::filesystem::path &path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

} // namespace calidarix
