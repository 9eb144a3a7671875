#include "mainwindow/picture_file.h"

#include "platform/atomic_file.h"

#include <QFile>

#include <string>
#include <string_view>

namespace calidarix {

IoResult WritePictureFile(const QString &fileName, const QByteArray &bytes) {
  std::string error;
  const std::filesystem::path target(QFile::encodeName(fileName).toStdString());
  // A film export writes a picture per frame: syncing each to the disk would make the export wait on
  // the disk, and a picture can be exported again. Pictures are written by this window alone, one
  // at a time, so the lock that lets two programs share a file is not taken.
  if (!WriteFileAtomically(target,
                           std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                           &error, false, OtherWriters::None))
    return IoResult::Error(
        QStringLiteral("Cannot write \"%1\": %2").arg(fileName, QString::fromLocal8Bit(error.c_str())));
  return IoResult::Ok();
}

} // namespace calidarix
