// Film processing from the main window and the film review window's link to the view: Alt+Enter
// measures every frame of the film shown into its processing table and report and shows the review
// window; a row picked there shows its frame here, and stepping frames here moves the row there.

#include "mainwindow/film_processing.h"
#include "mainwindow/ui/busy_job.h"
#include "mainwindow/ui/film_process_form.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace calidarix {

namespace {

bool IsFilmOfTable(const QString &shown, const QString &film) {
  if (shown.isEmpty() || film.isEmpty())
    return false;
  if (shown == film)
    return true;
  return SameFile(std::filesystem::path(QFile::encodeName(shown).toStdString()),
                  std::filesystem::path(QFile::encodeName(film).toStdString()));
}

} // namespace

void TCalidarix::ProcessFilm() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Film processing")))
    return;
  TDTV &dtv = *CurrentDTV;
  if (dtv.FHeader.FrameCount < 2) {
    ShowViewNotice(QStringLiteral("Film processing: the image shown is not a film"));
    return;
  }
  TFilmProcessOutcome outcome;
  {
    // The window stays alive while the frames are read; nothing may change the film meanwhile.
    const TBusyJob busy(*this, QStringLiteral("the film processing"));
    SilentProgress silent;
    Progress &progress = ProgressForm ? static_cast<Progress &>(*ProgressForm) : silent;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    // The window is brought up to date as often as the eye follows, not for every frame.
    const auto letEventsRun = [&sinceEvents] {
      if (sinceEvents.elapsed() < 30)
        return;
      QCoreApplication::processEvents();
      sinceEvents.start();
    };
    outcome = calidarix::ProcessFilm(dtv, FMarkers.FCurrentArea.Rect(), progress, letEventsRun);
  }
  if (!outcome.Error.isEmpty()) {
    if (logger)
      logger->AppendLine(QStringLiteral("Film processing stopped: ") + outcome.Error);
    FDialogs->ShowError(this, outcome.Error);
    return;
  }
  if (!outcome.Completed) {
    ShowViewNotice(QStringLiteral("Film processing cancelled after %1 frames").arg(outcome.FramesDone));
    return;
  }
  if (!FilmProcessForm)
    return;
  FilmProcessForm->FFilmFileName = dtv.FFileName;
  FilmProcessForm->TableFill();
  FilmProcessForm->show();
  FilmProcessForm->raise();
}

void TCalidarix::ShowReviewedFrame(const QString &film, int frame) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Frame of the review table")))
    return;
  TDTV &dtv = *CurrentDTV;
  if (!IsFilmOfTable(dtv.FFileName, film)) {
    // Another file is shown: the row belongs to the film the table was made from.
    if (!QFileInfo(film).isFile()) {
      ShowViewNotice(QStringLiteral("The film of the review table, \"%1\", no longer exists").arg(film),
                     film);
      return;
    }
    if (!OpenInView(film))
      return;
  }
  FMarkers.FPoints.clear();
  FMarkers.FAreas.clear();
  FMarkers.FCurrentArea.SetRect(TRect{});
  ChangeFrame(frame);
}

void TCalidarix::FilmReviewFollowFrame(int frameNo) {
  TFilmProcessForm *form = FilmProcessForm;
  if (!form || !form->isVisible() || !CurrentDTV ||
      !IsFilmOfTable(CurrentDTV->FFileName, form->FFilmFileName))
    return;
  bool ok = false;
  if (form->CellText(0, form->CurrentRow()).toInt(&ok) == frameNo && ok)
    return;
  int found = 0;
  for (int row = 1; row < form->RowCount(); ++row) {
    const int number = form->CellText(0, row).toInt(&ok);
    if (ok && number == frameNo)
      found = row;
  }
  if (found == 0) {
    form->SafeBtn->hide();
    return;
  }
  form->FRowFromViewer = true;
  form->SetCurrentRow(found);
  // A row that was already current runs no pick, which would have cleared the flag.
  form->FRowFromViewer = false;
  if (form->FMinAlarmOn || form->FMaxAlarmOn)
    form->SafeBtn->show();
}

} // namespace calidarix
