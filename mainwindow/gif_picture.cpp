#include "mainwindow/gif_picture.h"

#include "mainwindow/scratch_thermogram.h"

#include <QHash>
#include <QPainter>

#include <cstdlib>
#include <limits>

namespace calidarix {

namespace {

// Nearest-neighbour resampling of an 8-bit picture to w x h; the colour table is kept.
QImage ResampledIndexed(const QImage &source, int w, int h) {
  QImage out(w, h, QImage::Format_Indexed8);
  if (out.isNull())
    return out;
  out.setColorTable(source.colorTable());
  const int sw = source.width();
  const int sh = source.height();
  for (int y = 0; y < h; ++y) {
    const uchar *in = source.constScanLine(static_cast<int>(static_cast<std::int64_t>(y) * sh / h));
    uchar *line = out.scanLine(y);
    for (int x = 0; x < w; ++x)
      line[x] = in[static_cast<std::int64_t>(x) * sw / w];
  }
  return out;
}

int NearestEntry(const QList<QRgb> &table, QRgb colour) {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < table.size(); ++i) {
    const int dr = qRed(table[i]) - qRed(colour);
    const int dg = qGreen(table[i]) - qGreen(colour);
    const int db = qBlue(table[i]) - qBlue(colour);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

// An 8-bit picture cannot be painted on, so the overlay is drawn on a transparent layer and every
// pixel it covers takes the table entry nearest to its colour.
void ApplyOverlay(QImage &indexed, const TPictureOverlay &overlay) {
  QImage layer(indexed.size(), QImage::Format_ARGB32);
  if (layer.isNull())
    return;
  layer.fill(Qt::transparent);
  {
    QPainter painter(&layer);
    overlay(painter);
  }
  const QList<QRgb> table = indexed.colorTable();
  QHash<QRgb, int> nearest;
  for (int y = 0; y < layer.height(); ++y) {
    const auto *over = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
    uchar *line = indexed.scanLine(y);
    for (int x = 0; x < layer.width(); ++x) {
      if (qAlpha(over[x]) < 128)
        continue;
      const QRgb colour = over[x] | 0xff000000u;
      auto found = nearest.find(colour);
      if (found == nearest.end())
        found = nearest.insert(colour, NearestEntry(table, colour));
      line[x] = static_cast<uchar>(found.value());
    }
  }
}

} // namespace

QImage PalettedGifPicture(const TDTV &dtv, const TPictureOverlay &overlay) {
  if (dtv.Width() < 1 || dtv.Height() < 1 ||
      dtv.FRaw.size() != static_cast<std::size_t>(dtv.Width()) * static_cast<std::size_t>(dtv.Height()))
    return QImage();
  TDTV copy;
  copy.Assign(dtv);
  CopyPaletteView(dtv, copy);
  copy.DoubleWidth();
  copy.DoubleHeight();
  copy.RenderPalettedBitmap();
  const QImage rendered = copy.FBitmap;
  if (rendered.isNull() || rendered.format() != QImage::Format_Indexed8)
    return QImage();
  const int wb = rendered.width();
  const int h = wb * 216 / 256;
  if (h < 1)
    return QImage();
  QImage picture = ResampledIndexed(rendered, wb, h);
  if (!picture.isNull() && overlay)
    ApplyOverlay(picture, overlay);
  return picture;
}

} // namespace calidarix
