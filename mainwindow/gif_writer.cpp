#include "mainwindow/gif_writer.h"

#include "mainwindow/picture_file.h"

#include <gif_lib.h>

#include <array>
#include <memory>

namespace calidarix {

namespace {

int AppendBytes(GifFileType *gif, const GifByteType *data, int length) {
  static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
  return length;
}

QString GifError(int code) {
  const char *text = GifErrorString(code);
  return QStringLiteral("GIF encoder: %1")
      .arg(text != nullptr ? QString::fromLatin1(text) : QString::number(code));
}

struct MapDeleter {
  void operator()(ColorMapObject *map) const { GifFreeMapObject(map); }
};

} // namespace

QByteArray EncodeGif(const QImage &indexed, QString *error) {
  const auto fail = [error](const QString &why) {
    if (error)
      *error = why;
    return QByteArray();
  };
  if (indexed.isNull() || indexed.width() < 1 || indexed.height() < 1)
    return fail(QStringLiteral("There is no picture to write"));
  if (indexed.format() != QImage::Format_Indexed8)
    return fail(QStringLiteral("A GIF needs an 8-bit picture with a colour table"));
  if (indexed.width() > 65535 || indexed.height() > 65535)
    return fail(QStringLiteral("The picture is too large for a GIF"));

  std::array<GifColorType, 256> colours{};
  const QList<QRgb> table = indexed.colorTable();
  for (qsizetype i = 0; i < table.size() && i < 256; ++i)
    colours[static_cast<std::size_t>(i)] =
        GifColorType{static_cast<GifByteType>(qRed(table[i])), static_cast<GifByteType>(qGreen(table[i])),
                     static_cast<GifByteType>(qBlue(table[i]))};
  const std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(256, colours.data()));
  if (!map)
    return fail(QStringLiteral("GIF encoder: out of memory"));

  QByteArray bytes;
  int code = 0;
  GifFileType *gif = EGifOpen(&bytes, AppendBytes, &code);
  if (gif == nullptr)
    return fail(GifError(code));
  const int w = indexed.width();
  const int h = indexed.height();
  bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < h; ++y)
    ok = EGifPutLine(gif, const_cast<GifPixelType *>(indexed.constScanLine(y)), w) == GIF_OK;
  if (!ok)
    code = gif->Error;
  int closeCode = 0;
  if (EGifCloseFile(gif, &closeCode) != GIF_OK && ok) {
    ok = false;
    code = closeCode;
  }
  if (!ok)
    return fail(GifError(code));
  return bytes;
}

IoResult WriteGif(const QImage &indexed, const QString &fileName) {
  QString error;
  const QByteArray bytes = EncodeGif(indexed, &error);
  if (bytes.isEmpty())
    return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(fileName, error));
  return WritePictureFile(fileName, bytes);
}

} // namespace calidarix
