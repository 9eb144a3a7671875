#include "mainwindow/bmp_writer.h"

#include "mainwindow/picture_file.h"

#include <QBuffer>
#include <QImageWriter>

namespace calidarix {

QByteArray EncodeBmp(const QImage &picture, QString *error) {
  if (picture.isNull() || picture.width() < 1 || picture.height() < 1) {
    if (error)
      *error = QStringLiteral("There is no picture to write");
    return {};
  }
  // Qt writes a 32-bit picture as 24 bits per pixel; other formats are brought to it first.
  const QImage rgb32 =
      picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "BMP");
  if (!writer.write(rgb32)) {
    if (error)
      *error = QStringLiteral("BMP encoder: %1").arg(writer.errorString());
    return {};
  }
  return bytes;
}

IoResult WriteBmp(const QImage &picture, const QString &fileName) {
  QString error;
  const QByteArray bytes = EncodeBmp(picture, &error);
  if (bytes.isEmpty())
    return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(fileName, error));
  return WritePictureFile(fileName, bytes);
}

} // namespace calidarix
