#pragma once
// Outcome of a reader or writer: success, or a message the caller can show or log.

#include <QString>

#include <new>
#include <stdexcept>
#include <utility>

namespace calidarix {

struct IoResult {
  bool ok = false;
  QString message;

  explicit operator bool() const { return ok; }

  static IoResult Ok() { return IoResult{true, QString()}; }
  static IoResult Error(QString text) { return IoResult{false, std::move(text)}; }
};

// Runs `step` and turns a failed allocation into an error that names `what`, so that a file or a
// command asking for more memory than there is ends in a message, never in the end of the program.
template <typename Step> IoResult WithoutAllocationFailure(const QString &what, Step &&step) {
  try {
    return step();
  } catch (const std::bad_alloc &) {
  } catch (const std::length_error &) {
  }
  return IoResult::Error(QStringLiteral("Not enough memory for %1").arg(what));
}

} // namespace calidarix
