#pragma once
// The fields the film review, thumbnail grid, deleting and folder conversion commands add to the main
// window (main_window_films.cpp, main_window_thumbnails.cpp, main_window_delete.cpp,
// main_window_conversions.cpp).

#include "mainwindow/thumbnail_cache.h"
#include "mainwindow/thumbnail_paging.h"

#include <QImage>
#include <QString>

namespace calidarix {

struct TFilmsState {
  // FThumbColumns, FThumbTopRow, FThumbKeyDown and the focused cell of the grid.
  TThumbGrid FThumb;
  // The rendered thumbnails of the folder list.
  TThumbnailCache MultyIL;
  // The focused file, loaded into the current thermogram when the focus reached it, and its picture
  // at full size; the focused cell draws this picture and never reads the file while it paints.
  QString FocusFile;
  QImage FocusPicture;
  int FocusFrames = 0;
};

} // namespace calidarix
