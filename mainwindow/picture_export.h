#pragma once
// The file types and file names of the picture export ("Save Picture").
//
// A single image is written to the name chosen. A film writes one file per chosen frame, named after
// the chosen name without its extension, the frame's time of day and its number:
//   JPEG, 16-bit PNG     <base>-<hh_nn_ss>-<NNNN>.jpg / .png
//   metro report (BMP)   <base>-<hh_nn_ss>-<NNNN>.jpg
//   GIF                  <base><NNNN>.gif
// NNNN is the frame number in at least four digits. The time is written with "_" between its fields,
// never in the locale's format, so names are the same on every machine and hold no ":".

#include <QString>

namespace calidarix {

// The entries of the save dialog, by its 1-based filter index.
enum class TPictureType { JpegHigh = 1, JpegLow = 2, Bmp = 3, Gif = 4, Png16 = 5 };

// The save dialog's filter: "text|pattern|..." in filter-index order.
QString PictureFilter();

// A filter index that names no entry is the first entry.
TPictureType PictureTypeOf(int filterIndex);

// 100 for the high-quality entry, 50 for the low one.
int JpegQuality(TPictureType type);

// The chosen name without the extension of its file name.
QString PictureBaseName(const QString &chosen);

// The file of one film frame. secondsOfDay is the frame's time stamp (taken modulo a day).
QString FilmFramePictureName(const QString &chosen, TPictureType type, int secondsOfDay, int frameNumber);

} // namespace calidarix
