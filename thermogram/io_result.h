#pragma once
// Outcome of a reader or writer: success, or a message the caller can show or log.

#include <QString>
#include <utility>

namespace calidarix {

struct IoResult {
  bool ok = false;
  QString message;

  explicit operator bool() const { return ok; }

  static IoResult Ok() { return IoResult{true, QString()}; }
  static IoResult Error(QString text) { return IoResult{false, std::move(text)}; }
};

} // namespace calidarix
