#include "mainwindow/jpeg_writer.h"

#include "mainwindow/picture_file.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace calidarix {

namespace {

// libjpeg reports a fatal error by calling error_exit, which by default ends the program; ours jumps
// back to the encoder with the library's message instead.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto *manager = reinterpret_cast<ErrorManager *>(info->err);
  manager->base.format_message(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void NoOutputMessage(j_common_ptr) {}

// Runs the compression; kept free of C++ objects with destructors, since a libjpeg error leaves it by
// longjmp. Returns false with the message in manager.message.
bool Compress(const QImage &rgb32, int quality, ErrorManager &manager, unsigned char **buffer,
              unsigned long *size) {
  jpeg_compress_struct info;
  info.err = jpeg_std_error(&manager.base);
  manager.base.error_exit = ErrorExit;
  manager.base.output_message = NoOutputMessage;
  if (setjmp(manager.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(rgb32.width());
  info.image_height = static_cast<JDIMENSION>(rgb32.height());
  // Qt's 32-bit pixels lie in memory as blue, green, red, unused on a little-endian machine; libjpeg-turbo
  // reads that order directly, which saves converting every snapshot.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
  info.in_color_space = JCS_EXT_BGRX;
#else
  info.in_color_space = JCS_EXT_XRGB;
#endif
  info.input_components = 4;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb32.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

} // namespace

QByteArray EncodeJpeg(const QImage &picture, int quality, QString *error) {
  if (picture.isNull() || picture.width() < 1 || picture.height() < 1) {
    if (error)
      *error = QStringLiteral("There is no picture to write");
    return {};
  }
  const QImage rgb32 =
      picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
  ErrorManager manager{};
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  const bool ok = Compress(rgb32, std::clamp(quality, 1, 100), manager, &buffer, &size);
  QByteArray bytes;
  if (ok && buffer != nullptr)
    bytes = QByteArray(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  if (!ok && error)
    *error = QStringLiteral("JPEG encoder: %1").arg(QString::fromLocal8Bit(manager.message));
  return bytes;
}

IoResult WriteJpeg(const QImage &picture, int quality, const QString &fileName) {
  QString error;
  const QByteArray bytes = EncodeJpeg(picture, quality, &error);
  if (bytes.isEmpty())
    return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(fileName, error));
  return WritePictureFile(fileName, bytes);
}

} // namespace calidarix
