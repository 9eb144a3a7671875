#include "mainwindow/save_as.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace calidarix {

QString SaveNameBaseOf(const QString &chosen) {
  QString base = QFileInfo(chosen).fileName();
  const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0)
    base.truncate(dot);
  while (base.size() > 1 && base.back().isDigit())
    base.chop(1);
  return base.isEmpty() ? QStringLiteral("kvd") : base;
}

QString RecordedVoiceComment() {
  const auto path = LocalPathFromWindows("c:\\IRSound.wav");
  return path ? QFile::decodeName(QByteArray::fromStdString(path->string())) : QString();
}

IoResult MoveVoiceComment(const QString &recording, const QString &thermogram) {
  if (recording.isEmpty() || !QFileInfo(recording).isFile())
    return IoResult::Ok();
  const QFileInfo target(thermogram);
  QString wav = target.fileName();
  const qsizetype dot = wav.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0)
    wav.truncate(dot);
  wav = target.absolutePath() + QLatin1Char('/') + wav + QStringLiteral(".wav");
  std::error_code ec;
  const std::filesystem::path from(QFile::encodeName(recording).toStdString());
  const std::filesystem::path to(QFile::encodeName(wav).toStdString());
  std::filesystem::rename(from, to, ec);
  if (ec == std::errc::cross_device_link) {
    // The recording lies on another file system: copy it over, then remove it.
    ec.clear();
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec)
      std::filesystem::remove(from, ec);
  }
  if (ec)
    return IoResult::Error(QStringLiteral("The voice comment could not be moved to \"%1\": %2")
                               .arg(wav, QString::fromStdString(ec.message())));
  return IoResult::Ok();
}

} // namespace calidarix
