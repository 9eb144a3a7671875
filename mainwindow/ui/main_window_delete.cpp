// Deleting from the main window: the frame shown of a film, the file shown, or in the thumbnail grid
// the marked files. Every deletion is confirmed first; a thermogram goes with its companions.

#include "mainwindow/file_list.h"
#include "mainwindow/frame_deletion.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/multy_grid.h"
#include "thermogram/thermogram_globals.h"

#include <QFileInfo>
#include <QLabel>

namespace calidarix {

namespace {

void LogDeletion(const IoResult &deleted) {
  if (logger && !deleted.message.isEmpty())
    logger->AppendLine(deleted.message);
}

} // namespace

void TCalidarix::DeleteFrameOrFile() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Delete")))
    return;
  TDTV &dtv = *CurrentDTV;
  const QString shown = dtv.FFileName;
  if (shown.isEmpty())
    return;

  if (dtv.FHeader.FrameCount > 1) {
    const int frame = dtv.FFrameIndex;
    if (!FDialogs->Confirm(this, QStringLiteral("Delete frame %1 from\n%2?").arg(frame).arg(shown)))
      return;
    const IoResult deleted = DeleteFilmFrame(shown, frame);
    if (!deleted) {
      FDialogs->ShowError(this, deleted.message);
      return;
    }
    FFilms.MultyIL.Remove(shown);
    if (FIsReadDTI)
      SaveImageSidecar();
    dtv.FFileName = shown;
    ChangeDTV(true);
    return;
  }

  if (!FDialogs->Confirm(this, QStringLiteral("Delete file:\n%1?").arg(shown)))
    return;
  const IoResult deleted = DeleteThermogramFile(shown);
  if (!deleted) {
    FDialogs->ShowError(this, deleted.message);
    return;
  }
  LogDeletion(deleted);
  FFilms.MultyIL.Remove(shown);
  const QString folder = QFileInfo(shown).absolutePath();
  // The neighbour of the deleted file: the next one, or the previous one after the last. The sidecar of
  // the deleted file is not written on the way, which a step through the list would do.
  std::optional<int> target = StepTargetIndex(FileList, shown, true);
  if (!target)
    target = StepTargetIndex(FileList, shown, false);
  FMarkers.FPoints.clear();
  FMarkers.FAreas.clear();
  FFailedStepFile.clear();
  if (!target || !OpenInView(FileList[*target])) {
    dtv.MakeDemoImage();
    dtv.FFileName.clear();
    ChangeDTV(true);
    FileNameLabel->clear();
    FileInfoLabel->clear();
  }
  UpDateFilesList(folder);
}

void TCalidarix::DeleteMarkedFiles() {
  if (!CurrentDTV || !MultyDG || MultyDG->isHidden() || RefusedWhileBusy(QStringLiteral("Delete")))
    return;
  const QString focused = FFilms.FocusFile;
  QStringList chosen;
  for (std::size_t i = 0; i < FileMarks.size() && i < static_cast<std::size_t>(FileList.size()); ++i)
    if (FileMarks[i])
      chosen << FileList[static_cast<qsizetype>(i)];
  bool confirmed = false;
  if (!chosen.isEmpty()) {
    confirmed = FDialogs->Confirm(this, QStringLiteral("Delete %1 file(s)?").arg(chosen.size()));
  } else if (!focused.isEmpty()) {
    // Nothing marked: the file focused last.
    chosen << focused;
    confirmed = FDialogs->Confirm(this, QStringLiteral("Delete file:\n%1?").arg(focused));
  }
  if (!confirmed)
    return;
  for (const QString &name : chosen) {
    // A file that cannot be deleted is left in the list; the log says why.
    const IoResult deleted = DeleteThermogramFile(name);
    LogDeletion(deleted);
    FFilms.MultyIL.Remove(name);
  }
  UpDateFilesList(focused.isEmpty() ? FOpenDirectory : QFileInfo(focused).absolutePath());
  // The grid shows the list as it is now; the focus loads its file again.
  FFilms.FocusFile.clear();
  ThumbPageChanged();
}

} // namespace calidarix
