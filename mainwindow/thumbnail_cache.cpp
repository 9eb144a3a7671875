#include "mainwindow/thumbnail_cache.h"

#include "mainwindow/thumbnail_paging.h"

#include <QFileInfo>
#include <QPainter>
#include <QPen>
#include <QPolygon>

namespace calidarix {

void DrawFilmMark(QPainter &painter, int left, int bottom) {
  painter.save();
  painter.setBrush(Qt::NoBrush);
  const QRect circle(QPoint(left + 4, bottom - 36), QPoint(left + 36 - 1, bottom - 4 - 1));
  const QPolygon triangle(
      {QPoint(left + 12, bottom - 28), QPoint(left + 12, bottom - 12), QPoint(left + 32, bottom - 20)});
  for (const auto &[colour, width] : {std::pair{Qt::black, 4}, std::pair{Qt::white, 2}}) {
    painter.setPen(QPen(colour, width));
    painter.drawEllipse(circle);
    painter.drawPolygon(triangle);
  }
  painter.restore();
}

QImage RenderThumbnail(TDTV &scratch, const QString &fileName, QSize size, const TPaletteTable &palette,
                       const QColor &background) {
  QImage picture(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  picture.fill(background);
  QPainter painter(&picture);
  if (const IoResult read = scratch.LoadFromFile(fileName, 1); !read) {
    painter.setPen(QPen(Qt::darkRed, 2));
    painter.drawLine(picture.rect().topLeft(), picture.rect().bottomRight());
    painter.drawLine(picture.rect().topRight(), picture.rect().bottomLeft());
    return picture;
  }
  scratch.FPalette = palette;
  scratch.PalBottom = 0;
  scratch.PalTop = 255;
  scratch.isIso = false;
  scratch.RenderPalettedBitmap();
  const TRect fitted =
      FitThumbPicture(TRect{0, 0, picture.width(), picture.height()}, scratch.FAspect, false);
  if (!scratch.FBitmap.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(fitted.Left, fitted.Top, fitted.Right - fitted.Left, fitted.Bottom - fitted.Top),
                      scratch.FBitmap);
  }
  scratch.FBitmap = QImage();
  if (scratch.FHeader.FrameCount > 1)
    DrawFilmMark(painter, 0, picture.height());
  return picture;
}

QImage TThumbnailCache::Find(const QString &fileName) const {
  const auto it = FEntries.constFind(fileName);
  if (it == FEntries.constEnd())
    return QImage();
  const QFileInfo info(fileName);
  const qint64 size = info.exists() ? info.size() : -1;
  const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
  if (size != it->Size || modified != it->Modified)
    return QImage();
  return it->Picture;
}

QImage TThumbnailCache::Cached(const QString &fileName) const {
  const auto it = FEntries.constFind(fileName);
  return it == FEntries.constEnd() ? QImage() : it->Picture;
}

void TThumbnailCache::Store(const QString &fileName, const QImage &picture) {
  const QFileInfo info(fileName);
  Entry entry;
  entry.Picture = picture;
  entry.Size = info.exists() ? info.size() : -1;
  entry.Modified = info.exists() ? info.lastModified() : QDateTime();
  FEntries.insert(fileName, entry);
}

void TThumbnailCache::Remove(const QString &fileName) {
  FEntries.remove(fileName);
}

void TThumbnailCache::Trim(const std::vector<QString> &keep, int limit) {
  if (FEntries.size() <= limit)
    return;
  QHash<QString, Entry> kept;
  for (const QString &name : keep) {
    const auto it = FEntries.constFind(name);
    if (it != FEntries.constEnd())
      kept.insert(name, *it);
  }
  FEntries.swap(kept);
}

} // namespace calidarix
