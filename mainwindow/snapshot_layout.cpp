#include "mainwindow/snapshot_layout.h"

#include "analysis/coordinate_mapping.h"
#include "platform/numbers.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

const QColor kSilver(192, 192, 192);

// No side of a snapshot grows beyond this, so a frame with a freak aspect cannot ask for a picture
// that cannot be allocated.
constexpr int kMaxSide = 16384;

int Side(double v) {
  return std::clamp(RoundToInt32(v), 1, kMaxSide);
}

// The scale pane's texts: the design's "Terminal" face is a fixed-pitch screen font.
QFont PaneFont(bool bold) {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setPointSize(10);
  font.setBold(bold);
  return font;
}

void PaneText(QPainter &painter, int x, int y, const QString &text, const QColor &colour, bool bold) {
  painter.setFont(PaneFont(bold));
  painter.setPen(colour);
  painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

QImage WhitePicture(int w, int h) {
  QImage picture(w, h, QImage::Format_RGB32);
  if (!picture.isNull())
    picture.fill(Qt::white);
  return picture;
}

// Grows a picture by white columns at the right and rows at the bottom.
QImage Grown(const QImage &picture, int extraW, int extraH) {
  QImage grown = WhitePicture(picture.width() + extraW, picture.height() + extraH);
  if (grown.isNull())
    return grown;
  QPainter painter(&grown);
  painter.drawImage(0, 0, picture);
  return grown;
}

void DrawGraphPanes(QImage &picture, const TSnapshotRequest &request, const TSnapshotPainters &painters) {
  const auto pane = [&](TGraphPane which, QSize size) {
    return painters.GraphPane ? painters.GraphPane(which, size) : QImage();
  };
  if (request.ThermoProfilePane) {
    picture = Grown(picture, 0, kThermoProfilePaneHeight);
    const QSize size(picture.width(), kThermoProfilePaneHeight);
    const QImage graph = pane(TGraphPane::ThermoProfile, size);
    if (!graph.isNull() && !picture.isNull()) {
      QPainter painter(&picture);
      painter.drawImage(QRect(QPoint(0, picture.height() - size.height()), size), graph);
    }
  }
  if (request.TimeProfilePane) {
    picture = Grown(picture, kTimeProfilePaneWidth, 0);
    const int h = picture.height() - (request.ThermoProfilePane ? kThermoProfilePaneHeight : 0);
    const QSize size(kTimeProfilePaneWidth, h);
    const QImage graph = pane(TGraphPane::TimeProfile, size);
    if (!graph.isNull() && !picture.isNull()) {
      QPainter painter(&picture);
      painter.drawImage(QRect(QPoint(picture.width() - kTimeProfilePaneWidth, 0), size), graph);
    }
  }
}

} // namespace

TSnapshotLook SnapshotLookOf(int bmpLook) {
  switch (bmpLook) {
  case 0:
    return TSnapshotLook::ImageOnly;
  case 2:
    return TSnapshotLook::ImageScaleInfo;
  case 3:
    return TSnapshotLook::ScaleOnly;
  default:
    return TSnapshotLook::ImageScale;
  }
}

QSize SnapshotBaseSize(int width, int height, double aspect) {
  if (width < 1 || height < 1) {
    width = 4;
    height = 3;
    aspect = 4.0 / 3.0;
  }
  if (!std::isfinite(aspect) || aspect <= 0.0)
    aspect = static_cast<double>(width) / height;
  if (width > height) {
    const int sw = std::clamp(std::max(width, 512), 1, kMaxSide);
    return QSize(sw, Side(sw / aspect));
  }
  const int sh = std::clamp(std::max(height, 432), 1, kMaxSide);
  return QSize(Side(sh * aspect), sh);
}

int ScalePaneWidth(int height) {
  return height * kScalePaneWidth / kScalePaneHeight;
}

QSize SnapshotSize(TSnapshotLook look, QSize base, bool thermoProfilePane, bool timeProfilePane) {
  QSize size = base;
  if (look == TSnapshotLook::ScaleOnly)
    size = QSize(kScalePaneWidth, kScalePaneHeight);
  else if (look != TSnapshotLook::ImageOnly)
    size = QSize(base.width() + ScalePaneWidth(base.height() + 2), base.height() + 2);
  if (thermoProfilePane)
    size.rheight() += kThermoProfilePaneHeight;
  if (timeProfilePane)
    size.rwidth() += kTimeProfilePaneWidth;
  return size;
}

TImageView SnapshotImageView(const TImageView &screen, QSize box, QSize canvas, bool framed) {
  TImageView view = screen;
  const int inset = framed ? 2 : 0;
  const QSize area(std::max(canvas.width() - inset, 1), std::max(canvas.height() - inset, 1));
  const bool screenUsable = box.width() > 0 && box.height() > 0 && std::isfinite(screen.Zoom) &&
                            screen.Zoom > 0.0 && std::isfinite(screen.PixelAspect) &&
                            screen.PixelAspect > 0.0;
  if (!screenUsable) {
    bool fitted = false;
    FitImageLayout(view, TRect{0, 0, area.width(), area.height()}, true, fitted);
    return view;
  }
  const int pw = box.width();
  const int ph = box.height();
  const double cx = framed ? GetRealXPure(screen, pw / 2) : GetRealX(screen, pw / 2);
  const double cy = framed ? GetRealYPure(screen, ph / 2) : GetRealY(screen, ph / 2);
  if (static_cast<double>(pw) / ph > static_cast<double>(canvas.width()) / canvas.height())
    view.Zoom = screen.Zoom * area.height() / ph;
  else
    view.Zoom = screen.Zoom * area.width() / pw;
  const int centreX = canvas.width() / 2 - (framed ? 1 : 0);
  const int centreY = canvas.height() / 2 - (framed ? 1 : 0);
  view.ViewOffsetX = cx - centreX / view.Zoom;
  view.ViewOffsetY = cy - centreY / view.Zoom / view.PixelAspect;
  return view;
}

QString ScalePaneValueText(double value, bool isInteger) {
  if (isInteger)
    return QString::number(RoundToInt64(value));
  return QString::fromStdString(FloatToText(RoundHalfEven(value * 100.0) / 100.0));
}

QStringList SnapshotInfoLines(const QString &fileName, const QString &comment, const QString &dateText,
                              const QString &timeText) {
  QString name = QFileInfo(fileName).fileName();
  name.chop(4); // the extension with its dot
  return {QStringLiteral("Name: ") + name, QStringLiteral("Info: ") + comment,
          QStringLiteral("Date: ") + dateText, QStringLiteral("Time: ") + timeText};
}

void DrawFrameBox(QPainter &painter, const TRect &r, bool fill) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (fill && r.Right - r.Left > 1 && r.Bottom - r.Top > 1)
    painter.fillRect(QRect(QPoint(r.Left + 1, r.Top + 1), QPoint(r.Right - 1, r.Bottom - 1)), Qt::white);
  painter.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Left, r.Bottom)), kSilver);           // left
  painter.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Top)), kSilver);         // top
  painter.fillRect(QRect(QPoint(r.Right, r.Top), QPoint(r.Right, r.Bottom)), Qt::black);       // right
  painter.fillRect(QRect(QPoint(r.Left + 1, r.Bottom), QPoint(r.Right, r.Bottom)), Qt::black); // bottom
  painter.restore();
}

QImage ComposeScalePane(const TSnapshotRequest &request, const TSnapshotPainters &painters) {
  QImage pane = WhitePicture(kScalePaneWidth, kScalePaneHeight);
  QPainter painter(&pane);
  DrawFrameBox(painter, TRect{0, 17, 15, 416}, false); // palette bar
  DrawFrameBox(painter, TRect{16, 17, 63, 416}, true); // scale
  DrawFrameBox(painter, TRect{0, 0, 63, 16}, true);    // upper value
  DrawFrameBox(painter, TRect{0, 417, 63, 433}, true); // lower value
  PaneText(painter, 2, 0, request.MaxLabel + QLatin1Char(':'), kSilver, false);
  PaneText(painter, 2, 417, request.MinLabel + QLatin1Char(':'), kSilver, false);
  PaneText(painter, 30, 0, request.UpperValue, Qt::black, true);
  PaneText(painter, 30, 417, request.LowerValue, Qt::black, true);
  if (painters.PaletteBar) {
    painter.save();
    painters.PaletteBar(painter, TRect{1, 18, 15, 416});
    painter.restore();
  }
  if (painters.Scale) {
    painter.save();
    painters.Scale(painter, TRect{17, 17, 63, 417});
    painter.restore();
  }
  return pane;
}

QImage ComposeSnapshot(const TSnapshotRequest &request, const TSnapshotPainters &painters) {
  const int sw = request.Base.width();
  const int sh = request.Base.height();
  if (sw < 1 || sh < 1)
    return QImage();
  QImage picture;
  if (request.Look == TSnapshotLook::ImageOnly) {
    picture = WhitePicture(sw, sh);
    if (picture.isNull())
      return picture;
    if (painters.Image) {
      QPainter painter(&picture);
      painters.Image(painter, QSize(sw, sh));
    }
  } else if (request.Look == TSnapshotLook::ScaleOnly) {
    picture = ComposeScalePane(request, painters);
  } else {
    const int sh2 = sh + 2;
    const int d = ScalePaneWidth(sh2);
    picture = WhitePicture(sw + d, sh2);
    if (picture.isNull())
      return picture;
    QPainter painter(&picture);
    if (painters.Image) {
      painter.save();
      painter.setClipRect(1, 1, sw - 2, sh2 - 2);
      painter.translate(1, 1);
      painters.Image(painter, QSize(sw - 2, sh2 - 2));
      painter.restore();
    }
    DrawFrameBox(painter, TRect{0, 0, sw - 1, sh2 - 1}, false);
    // The pane's pixels are stretched as they are, without smoothing, as the screen shows them.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(sw, 0, d, sh2), ComposeScalePane(request, painters));
    if (request.Look == TSnapshotLook::ImageScaleInfo) {
      QFont font(QStringLiteral("DejaVu Sans"));
      font.setPointSize(std::max(request.FontSize, 1));
      painter.setFont(font);
      const int lineHeight = painter.fontMetrics().height();
      const int ascent = painter.fontMetrics().ascent();
      for (int k = 0; k < request.InfoLines.size(); ++k) {
        painter.setPen(Qt::black);
        painter.drawText(5, 5 + k * lineHeight + ascent, request.InfoLines[k]);
        painter.setPen(Qt::white);
        painter.drawText(4, 4 + k * lineHeight + ascent, request.InfoLines[k]);
      }
    } else if (painters.Badge) {
      painters.Badge(painter, QPoint(3, 3), Qt::black);
      painters.Badge(painter, QPoint(2, 2), Qt::white);
    }
  }
  DrawGraphPanes(picture, request, painters);
  return picture;
}

} // namespace calidarix
