#include "mainwindow/file_list.h"

#include "platform/path_text.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <filesystem>

namespace calidarix {

QStringList FileList;
QString FileListMask = QStringLiteral("*.dtv");
std::vector<std::uint8_t> FileMarks;

namespace {

// Case-blind order with byte order between names that differ only in case, so "X.DTV" and "x.dtv"
// side by side always come out in the same order.
bool CaseBlindLess(const QString &a, const QString &b) {
  const int folded = QString::compare(a.toCaseFolded(), b.toCaseFolded(), Qt::CaseSensitive);
  if (folded != 0) {
    return folded < 0;
  }
  return a < b;
}

void SortCaseBlind(QStringList &names) {
  std::stable_sort(names.begin(), names.end(), CaseBlindLess);
}

// The entry names of folder (no "." or ".."), without regard to the mask.
QStringList EntryNames(const QString &folder, QDir::Filters filters, const QString &mask) {
  if (folder.isEmpty()) {
    return {};
  }
  QDir dir(folder);
  if (!dir.exists()) {
    return {};
  }
  // QDir matches name filters without regard to case unless asked otherwise.
  return dir.entryList(QStringList{mask}, filters | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
}

std::filesystem::path LocalPath(const QString &name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

} // namespace

void ResetFileListGlobals() {
  FileList.clear();
  FileListMask = QStringLiteral("*.dtv");
  FileMarks.clear();
}

QString WithFinalSeparator(const QString &folder) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
    return folder;
  }
  return folder + QLatin1Char('/');
}

QStringList ListMatchingFiles(const QString &folder, const QString &mask) {
  // An alias folder stands for a real one: the list is the real folder's, all of it.
  const QString base = WithFinalSeparator(ListableFolderText(folder));
  const QString pattern = mask.isEmpty() ? QStringLiteral("*") : mask;
  QStringList names = EntryNames(base, QDir::Files, pattern);
  // Each file by the name the user sees, and the name it is opened by.
  std::vector<std::pair<QString, QString>> entries;
  entries.reserve(static_cast<std::size_t>(names.size()));
  for (const QString &name : names) {
    entries.emplace_back(name, base + name);
  }
  // Qt's listing leaves out names that are not UTF-8; they are listed by their aliases.
  if (!base.isEmpty()) {
    const QRegularExpression matches(QRegularExpression::wildcardToRegularExpression(pattern),
                                     QRegularExpression::CaseInsensitiveOption);
    const QByteArray realFolder = NativePathOf(base);
    std::error_code error;
    for (std::filesystem::directory_iterator it(LocalPath(base), error), end; !error && it != end;
         it.increment(error)) {
      const std::filesystem::directory_entry &entry = *it;
      const QByteArray name = QByteArray::fromStdString(entry.path().filename().string());
      const QString shown = QString::fromUtf8(name);
      std::error_code typeError;
      if (shown.toUtf8() == name || !matches.match(shown).hasMatch() || !entry.is_regular_file(typeError)) {
        continue;
      }
      if (const std::optional<QString> alias = OpenablePathText(PathTextFromNative(realFolder + name))) {
        entries.emplace_back(shown, *alias);
      }
    }
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto &a, const auto &b) { return CaseBlindLess(a.first, b.first); });
  QStringList files;
  files.reserve(static_cast<qsizetype>(entries.size()));
  for (const auto &entry : entries) {
    files.append(entry.second);
  }
  return files;
}

void UpDateFilesList(const QString &folder) {
  FileList = ListMatchingFiles(folder, FileListMask);
  FileMarks.assign(static_cast<std::size_t>(FileList.size()), 0);
}

QStringList SideListItems(const QString &folder, const QString &mask) {
  const QString base = WithFinalSeparator(folder);
  QStringList items;
  for (const QString &sub : EntryNames(base, QDir::Dirs, QStringLiteral("*"))) {
    items.append(QChar(1) + sub.toUpper());
  }
  for (const QString &name : EntryNames(base, QDir::Files, mask.isEmpty() ? QStringLiteral("*") : mask)) {
    items.append(name.toLower());
  }
  SortCaseBlind(items);
  return items;
}

SideListDock DockSideList(int mainLeft, int sideWidth) {
  const int left = mainLeft - sideWidth;
  if (left < 0) {
    return SideListDock{0, mainLeft + sideWidth};
  }
  return SideListDock{left, mainLeft};
}

int CurrentFileIndex(const QStringList &files, const QString &currentFileName) {
  const int count = static_cast<int>(files.size());
  if (count == 0) {
    return -1;
  }
  if (!currentFileName.isEmpty()) {
    // The same path first: a folder may hold "x.dtv" and "X.DTV" side by side, and then only the
    // path tells which of them is shown.
    const QString current = QDir::cleanPath(currentFileName);
    for (int i = 0; i < count; ++i) {
      if (QDir::cleanPath(files[i]) == current) {
        return i;
      }
    }
    // The same file under another spelling of its folder (a link, a relative path).
    const std::filesystem::path currentPath = LocalPath(currentFileName);
    if (std::error_code ec; std::filesystem::exists(currentPath, ec)) {
      for (int i = 0; i < count; ++i) {
        if (SameFile(LocalPath(files[i]), currentPath)) {
          return i;
        }
      }
    }
    // A thermogram from elsewhere continues from the entry of the same name, whatever its case.
    const QString name = QFileInfo(currentFileName).fileName();
    for (int i = 0; i + 1 < count; ++i) {
      if (QFileInfo(files[i]).fileName().compare(name, Qt::CaseInsensitive) == 0) {
        return i;
      }
    }
  }
  return count - 1;
}

std::optional<int> StepTargetIndex(const QStringList &files, const QString &currentFileName, bool next) {
  const int i = CurrentFileIndex(files, currentFileName);
  if (i < 0) {
    return std::nullopt;
  }
  if (next) {
    if (i == static_cast<int>(files.size()) - 1) {
      return std::nullopt;
    }
    return i + 1;
  }
  if (i == 0) {
    return std::nullopt;
  }
  return i - 1;
}

QString SaveNameForNumber(const QString &base, std::int64_t n, const QString &extension) {
  return base + QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0')) + extension;
}

QString NextFreeSaveName(const NameTakenPredicate &taken, const QString &base, const SaveNameCamera &camera) {
  const bool twoBand = camera.InterfaceType == 64 || camera.InterfaceType == 257;
  const bool firstBandNamesFile = camera.InterfaceType == 64 ||
                                  (camera.InterfaceType == 257 && camera.ScanRunning && camera.FilmRecording);
  const QString probeExtension = firstBandNamesFile ? QStringLiteral("_35.dtv") : QStringLiteral(".dtv");
  // A folder holds finitely many entries, so some number is always free.
  std::int64_t n = 0;
  while (taken(SaveNameForNumber(base, n, probeExtension))) {
    ++n;
  }
  return SaveNameForNumber(base, n, twoBand ? QStringLiteral(".dtv") : probeExtension);
}

QString NextFreeSaveName(const QString &folder, const QString &base, const SaveNameCamera &camera) {
  QSet<QString> taken;
  for (const QString &name :
       EntryNames(WithFinalSeparator(folder), QDir::AllEntries | QDir::System, QStringLiteral("*"))) {
    taken.insert(name.toCaseFolded());
  }
  return NextFreeSaveName([&taken](const QString &name) { return taken.contains(name.toCaseFolded()); }, base,
                          camera);
}

} // namespace calidarix
