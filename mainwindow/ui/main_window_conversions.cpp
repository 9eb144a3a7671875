// The folder conversions of the main window, over the folder list of the file shown: one film of the
// files' first frames, one JPEG snapshot per file, and the per-pixel maximum over the files. The film
// and the maximum are made headless; the pictures need the window's snapshot, so each file is shown
// in turn in the current thermogram. Each ends showing the file it started from again.

#include "mainwindow/file_list.h"
#include "mainwindow/folder_conversions.h"
#include "mainwindow/jpeg_writer.h"
#include "mainwindow/ui/busy_job.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/progress_form.h"
#include "thermogram/thermogram_globals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QToolButton>

namespace calidarix {

namespace {

// Lets the window repaint and the progress window take a Cancel, as often as the eye follows.
class TEventPacer {
public:
  TEventPacer() { FSince.start(); }
  void operator()() {
    if (FSince.elapsed() < 30)
      return;
    QCoreApplication::processEvents();
    FSince.start();
  }

private:
  QElapsedTimer FSince;
};

} // namespace

void TCalidarix::FolderToFilmClick() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Folder to Film")))
    return;
  TDTV &dtv = *CurrentDTV;
  const QString remembered = dtv.FFileName;
  if (remembered.isEmpty())
    return;
  const QString folder = QFileInfo(remembered).absolutePath();
  UpDateFilesList(folder);
  const QString film = FolderFilmName(remembered);
  TFolderFilmResult result;
  {
    const TBusyJob busy(*this, QStringLiteral("Folder to Film"));
    SilentProgress silent;
    Progress &progress = ProgressForm ? static_cast<Progress &>(*ProgressForm) : silent;
    progress.SetProgressPrefix(QStringLiteral("Folder to Film"));
    TEventPacer pacer;
    result = FolderToFilm(FileList, film, dtv, progress, [&pacer] { pacer(); });
  }
  UpDateFilesList(folder);
  dtv.FFileName = remembered;
  ChangeDTV(true);
  if (!result.Result) {
    LogLine(QStringLiteral("Folder to Film: ") + result.Result.message);
    FDialogs->ShowError(this, result.Result.message);
    return;
  }
  // The log window needs the service mode: the message itself names what was left out, and why.
  ShowViewNotice(QStringLiteral("Folder to Film: %1 frames written to \"%2\"%3")
                     .arg(result.FramesWritten)
                     .arg(QFileInfo(film).fileName(), SkippedFilesText(result.Skipped)));
}

void TCalidarix::FoldertoJPGClick() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Folder to JPG")))
    return;
  TDTV &dtv = *CurrentDTV;
  const QString remembered = dtv.FFileName;
  if (remembered.isEmpty())
    return;
  const QString folder = QFileInfo(remembered).absolutePath();
  UpDateFilesList(folder);
  const QStringList files = FileList;
  int written = 0;
  std::vector<TSkippedFile> skipped;
  bool cancelled = false;
  QString failure;
  {
    // Each file is shown in the current thermogram for its snapshot; nothing else may change it.
    const TBusyJob busy(*this, QStringLiteral("Folder to JPG"));
    SilentProgress silent;
    Progress &progress = ProgressForm ? static_cast<Progress &>(*ProgressForm) : silent;
    progress.SetProgressPrefix(QStringLiteral("Folder to JPG"));
    progress.SetProgress(0);
    progress.Show();
    TEventPacer pacer;
    for (qsizetype j = 0; j < files.size(); ++j) {
      const QString &name = files[j];
      if (const std::optional<QString> problem = ReadListedFile(dtv, name)) {
        skipped.push_back(TSkippedFile{name, *problem});
      } else {
        FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
        const IoResult saved = WriteJpeg(BuildSnapshot(), 100, FolderPictureName(name));
        if (!saved) {
          failure = saved.message;
          break;
        }
        ++written;
      }
      progress.SetProgress(static_cast<int>(static_cast<std::int64_t>(j) * 100 / files.size()));
      pacer();
      if (progress.Cancelled()) {
        cancelled = true;
        break;
      }
    }
    progress.Hide();
  }
  UpDateFilesList(folder);
  dtv.FFileName = remembered;
  ChangeDTV(true);
  if (!failure.isEmpty()) {
    LogLine(QStringLiteral("Folder to JPG: ") + failure);
    FDialogs->ShowError(this, failure);
    return;
  }
  ShowViewNotice(QStringLiteral("Folder to JPG: %1 pictures written%2%3")
                     .arg(written)
                     .arg(SkippedFilesText(skipped), cancelled ? QStringLiteral(", cancelled") : QString()));
}

void TCalidarix::MaxOverListedFiles(bool) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Maximum over the folder")))
    return;
  if (FileList.isEmpty()) {
    ShowViewNotice(QStringLiteral("Maximum over the folder: no files are listed"));
    return;
  }
  TDTV &dtv = *CurrentDTV;
  const TMaxOverFilesResult result = MaxOverFiles(FileList, dtv, dtv);
  if (!result.Result) {
    ShowViewNotice(QStringLiteral("Maximum over the folder: ") + result.Result.message);
    return;
  }
  if (dtv.FFilmRangeLock) {
    // The range of the film shown before is no range of the new picture.
    dtv.FRangeLocked = false;
    dtv.FFilmRangeLock = false;
    LockSB->setChecked(false);
  }
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ChangeDTV(false);
  ShowViewNotice(QStringLiteral("Maximum over %1 files").arg(result.FilesUsed));
}

} // namespace calidarix
