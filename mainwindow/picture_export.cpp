#include "mainwindow/picture_export.h"

#include "platform/datetime.h"
#include "thermogram/tdtv.h"

#include <QDateTime>

namespace calidarix {

QString PictureFilter() {
  return QStringLiteral("JPG - JPEG Bitmap (High Quality)|*.jpg|"
                        "JPG - JPEG Bitmap (Low Quality)|*.jpg|"
                        "BMP - Windows Bitmap|*.bmp|"
                        "GIF - 256 Colors CompuServe GIF|*.gif|"
                        "PNG - 16bit Portable Network Graphics|*.png");
}

TPictureType PictureTypeOf(int filterIndex) {
  if (filterIndex < 1 || filterIndex > 5)
    return TPictureType::JpegHigh;
  return static_cast<TPictureType>(filterIndex);
}

int JpegQuality(TPictureType type) {
  return type == TPictureType::JpegLow ? 50 : 100;
}

QString PictureBaseName(const QString &chosen) {
  const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
  return dot > slash + 1 ? chosen.left(dot) : chosen;
}

QString FilmFramePictureName(const QString &chosen, TPictureType type, int secondsOfDay, int frameNumber) {
  const QString base = PictureBaseName(chosen);
  const QString number = IntToStrZ(frameNumber, 4);
  if (type == TPictureType::Gif)
    return base + number + QStringLiteral(".gif");
  const int seconds = ((secondsOfDay % 86400) + 86400) % 86400;
  const QDateTime time(QDate(2000, 1, 1), QTime::fromMSecsSinceStartOfDay(seconds * 1000));
  const QString extension = type == TPictureType::Png16 ? QStringLiteral(".png") : QStringLiteral(".jpg");
  return base + QLatin1Char('-') + FormatDateTime(QStringLiteral("hh_nn_ss"), time) + QLatin1Char('-') +
         number + extension;
}

} // namespace calidarix
