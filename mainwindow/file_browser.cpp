#include "mainwindow/file_browser.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

namespace calidarix {

BrowseState BrowseState::Initial() {
  BrowseState state;
  const auto drive = DriveFolder('C');
  state.BrowseFolder = drive ? QDir::cleanPath(QString::fromStdString(drive->string())) : QDir::homePath();
  state.BrowsePrevFolder = state.BrowseFolder;
  return state;
}

std::vector<BrowseEntry> ListBrowseFolder(const QString &folder, const QString &mask) {
  std::vector<BrowseEntry> entries;
  const QDir dir(folder);
  if (!dir.isRoot())
    entries.push_back({QStringLiteral(".."), true});
  const QFileInfoList folders =
      dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo &info : folders)
    entries.push_back({info.fileName(), true});
  const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo &info : files)
    if (info.suffix().compare(mask, Qt::CaseInsensitive) == 0)
      entries.push_back({info.fileName(), false});
  return entries;
}

int BrowseEnter(BrowseState &state, const std::vector<BrowseEntry> &entries, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size())
    return -1;
  const BrowseEntry &entry = entries[static_cast<std::size_t>(index)];
  if (!entry.IsFolder)
    return -1;
  state.BrowsePrevFolder = state.BrowseFolder;
  if (entry.Name == QLatin1String("..")) {
    QDir dir(state.BrowseFolder);
    dir.cdUp();
    state.BrowseFolder = dir.absolutePath();
    if (state.BrowseIndexStack.empty())
      return 0;
    const int back = state.BrowseIndexStack.back();
    state.BrowseIndexStack.pop_back();
    return back;
  }
  state.BrowseIndexStack.push_back(index);
  state.BrowseFolder = QDir::cleanPath(QDir(state.BrowseFolder).filePath(entry.Name));
  return 0;
}

QString BrowseFileName(const BrowseState &state, const BrowseEntry &entry) {
  return QDir(state.BrowseFolder).filePath(entry.Name);
}

} // namespace calidarix
