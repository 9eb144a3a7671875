#pragma once
// The paletted picture of a thermogram that the GIF export writes: the frame interpolated to twice
// its width and height, rendered through its 256-colour logical palette and brought to the display
// aspect 256:216.
//
// The picture is made from a copy of the thermogram: the thermogram itself is neither doubled nor
// read again from its file, so whatever was done to it since it was loaded stays as it is.

#include "thermogram/tdtv.h"

#include <QImage>

#include <functional>

class QPainter;

namespace calidarix {

// Draws over the finished picture (the program's badge); its colours are brought to the nearest entries
// of the picture's colour table.
using TPictureOverlay = std::function<void(QPainter &)>;

// The 8-bit picture (QImage::Format_Indexed8 with the logical palette as its colour table) of `dtv`:
// width Wb = twice the frame's width (even), height Wb x 216 div 256. A thermogram without a usable
// frame gives a null image.
QImage PalettedGifPicture(const TDTV &dtv, const TPictureOverlay &overlay = {});

} // namespace calidarix
