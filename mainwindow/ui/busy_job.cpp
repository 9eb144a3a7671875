#include "mainwindow/ui/busy_job.h"

#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"

namespace calidarix {

TBusyJob::TBusyJob(TCalidarix &window, const QString &job) : FWindow(window), FPrevious(window.FBusyJob) {
  if (FPrevious.isEmpty())
    FWindow.FBusyJob = job;
}

TBusyJob::~TBusyJob() {
  FWindow.FBusyJob = FPrevious;
}

bool TCalidarix::RefusedWhileBusy(const QString &command) {
  if (FBusyJob.isEmpty())
    return false;
  const QString text = command + QStringLiteral(": not now, ") + FBusyJob + QStringLiteral(" is running");
  if (logger)
    logger->AppendLine(text);
  FStatusNotice = text;
  if (ImagePB)
    ImagePB->update();
  return true;
}

} // namespace calidarix
