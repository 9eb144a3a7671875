#pragma once
// The rendered thumbnails of the folder list. A thumbnail is made the first time its cell is shown
// and kept with the size and modification time its file had, so a file saved or replaced since is
// rendered again while the others are only drawn. Rendering reads the file into a thermogram of its
// own; the one on screen is not touched.

#include "thermogram/tdtv.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

class QPainter;

namespace calidarix {

// A thumbnail of size `size`: the grid's colour around frame 1 of the file fitted by its display aspect
// in the given palette, and the film mark (a circle with a play triangle at the lower left) when the
// file holds more than one frame. A missing file is drawn as the demo image; an unreadable one as
// the background with a cross.
QImage RenderThumbnail(TDTV &scratch, const QString &fileName, QSize size, const TPaletteTable &palette,
                       const QColor &background);

// The film mark of a cell whose lower-left corner is (left, bottom).
void DrawFilmMark(QPainter &painter, int left, int bottom);

class TThumbnailCache {
public:
  // The cached thumbnail of a file, null when there is none or the file changed since.
  QImage Find(const QString &fileName) const;
  // The thumbnail as drawn, without looking at the file; null when there is none.
  QImage Cached(const QString &fileName) const;
  void Store(const QString &fileName, const QImage &picture);
  void Remove(const QString &fileName);
  void Clear() { FEntries.clear(); }
  bool Empty() const { return FEntries.isEmpty(); }
  int Count() const { return static_cast<int>(FEntries.size()); }
  // Keeps only the named files' thumbnails once more than `limit` are held, so paging through a huge
  // folder does not hold every picture.
  void Trim(const std::vector<QString> &keep, int limit);

private:
  struct Entry {
    QImage Picture;
    qint64 Size = -1;
    QDateTime Modified;
  };
  QHash<QString, Entry> FEntries;
};

} // namespace calidarix
