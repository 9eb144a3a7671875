#pragma once
// Writing an encoded picture to its file: the bytes go to a temporary file beside it, which is then
// renamed over the target, so an export that fails half-way never leaves a broken picture under the
// name the user chose (nor destroys the file that was there). The data is not forced to disk, and no
// lock is taken against another program writing the same picture.

#include "thermogram/io_result.h"

#include <QByteArray>
#include <QString>

namespace calidarix {

IoResult WritePictureFile(const QString &fileName, const QByteArray &bytes);

} // namespace calidarix
