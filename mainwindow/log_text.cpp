#include "mainwindow/log_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace calidarix {

namespace {

QString Two(int v) {
  return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

} // namespace

QString LogLineStamp(const QTime &time) {
  return Two(time.hour()) + QLatin1Char(':') + Two(time.minute()) + QLatin1Char(':') + Two(time.second()) +
         QLatin1Char('.') + QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0')) + QLatin1Char(' ');
}

QString UserLogFileName(const QDateTime &when) {
  const QDate d = when.date();
  const QTime t = when.time();
  return QStringLiteral("UserLog_") + QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) +
         QLatin1Char('-') + Two(d.month()) + QLatin1Char('-') + Two(d.day()) + QLatin1Char(' ') +
         Two(t.hour()) + QLatin1Char('-') + Two(t.minute()) + QLatin1Char('-') + Two(t.second()) +
         QStringLiteral(".log");
}

QString DefaultLogFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/calidarix");
}

QString WriteLogFile(const QString &path, const QStringList &lines) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder))
    return QStringLiteral("Cannot create the folder %1").arg(folder);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
    return file.errorString();
  for (const QString &line : lines) {
    file.write(line.toUtf8());
    file.write("\n");
  }
  if (!file.commit())
    return file.errorString();
  return {};
}

} // namespace calidarix
