#pragma once
// Colour JPEG pictures (baseline, libjpeg) of the snapshots the export writes.

#include "thermogram/io_result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace calidarix {

// The picture as a baseline colour JPEG of the given quality (1 .. 100; other values are clamped).
// An empty picture or an encoder failure gives an empty array and, when asked, the reason.
QByteArray EncodeJpeg(const QImage &picture, int quality, QString *error = nullptr);

IoResult WriteJpeg(const QImage &picture, int quality, const QString &fileName);

} // namespace calidarix
