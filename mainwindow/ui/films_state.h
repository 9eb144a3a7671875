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
  // The focused file, read when the focus reached it, and its picture at full size in the view's
  // palette; the focused cell draws this picture and never reads the file while it paints. The
  // thermogram shown stays as it is until the grid is left for the focused file.
  QString FocusFile;
  QImage FocusPicture;
  double FocusAspect = 1.0;
  int FocusFrames = 0;
};

} // namespace calidarix
