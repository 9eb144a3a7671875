#include "mainwindow/ui/view_texts.h"

#include <QLocale>

namespace calidarix {

QString ShortDateText(const QDate &date) {
  return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString LongTimeText(const QTime &time) {
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return QLocale::system().toString(time, format.trimmed());
}

} // namespace calidarix
