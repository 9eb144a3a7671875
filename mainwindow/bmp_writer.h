#pragma once
// Uncompressed 24-bit Windows bitmaps of the snapshots the export writes (Qt's BMP writer).

#include "thermogram/io_result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace calidarix {

// The picture as an uncompressed 24-bit BMP; empty (with the reason, when asked) for an empty picture.
QByteArray EncodeBmp(const QImage &picture, QString *error = nullptr);

IoResult WriteBmp(const QImage &picture, const QString &fileName);

} // namespace calidarix
