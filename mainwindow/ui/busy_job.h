#pragma once
// A job that waits with the window alive (it lets the event loop run: the film join, and later the
// head's moves and the film processing) makes the window busy while it runs. Every command that could
// run inside such a wait and would touch what the job works on asks TCalidarix::RefusedWhileBusy
// first; while a job runs the command does nothing and says why over the image.

#include <QString>

namespace calidarix {

class TCalidarix;

// Marks the window busy with a job for as long as it lives. Jobs may nest; the outer one stays
// named until it ends.
class TBusyJob {
public:
  TBusyJob(TCalidarix &window, const QString &job);
  ~TBusyJob();
  TBusyJob(const TBusyJob &) = delete;
  TBusyJob &operator=(const TBusyJob &) = delete;

private:
  TCalidarix &FWindow;
  QString FPrevious;
};

} // namespace calidarix
