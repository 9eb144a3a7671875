#pragma once
// Dates and times on the view's labels and on the image, in the user's locale as the system shows
// them: the short date format and the long time format (without a time zone).

#include <QDate>
#include <QString>
#include <QTime>

namespace calidarix {

QString ShortDateText(const QDate &date);
QString LongTimeText(const QTime &time);

} // namespace calidarix
