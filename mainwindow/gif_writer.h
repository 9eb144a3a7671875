#pragma once
// 256-colour GIF pictures (giflib) of the thermogram's 8-bit rendering.

#include "thermogram/io_result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace calidarix {

// An 8-bit picture (QImage::Format_Indexed8) with its colour table as a GIF. A colour table shorter
// than 256 entries is padded with black; a picture of another format or without pixels gives an empty
// array and, when asked, the reason.
QByteArray EncodeGif(const QImage &indexed, QString *error = nullptr);

IoResult WriteGif(const QImage &indexed, const QString &fileName);

} // namespace calidarix
