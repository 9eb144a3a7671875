#include "mainwindow/file_list.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
  const QString base = WithFinalSeparator(folder);
  QStringList names = EntryNames(base, QDir::Files, mask.isEmpty() ? QStringLiteral("*") : mask);
  SortCaseBlind(names);
  QStringList files;
  files.reserve(names.size());
  for (const QString &name : names) {
    files.append(base + name);
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
