// Commands the keys call whose own parts of the program are not built yet. Each says in the window that
// it is not available; whoever builds a command deletes its stub here and defines it with its part.

#include "mainwindow/ui/main_window.h"

namespace calidarix {

void TCalidarix::MergeMultiScan() {
  NotAvailable(QStringLiteral("Merge scans [Ctrl+F]"));
}

} // namespace calidarix
