// Image layout and the image paint. The frame is rendered into the thermogram's cached bitmap only on
// a relayout (a direct call with the window as sender, or the first paint after sizing); every paint
// composes that bitmap and the overlays into the box's picture, which the box copies to the screen.

#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/view_texts.h"
#include "platform/datetime.h"
#include "platform/numbers.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QPainter>
#include <QScopeGuard>

#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr auto kInvert = QPainter::RasterOp_NotDestination;

TRect BoxRect(const QWidget *box) {
  return TRect{0, 0, box->width(), box->height()};
}

// Draws text in black at the four diagonal neighbours and then in white, readable on any colour.
void TextOutOutlined(QPainter &painter, int x, int y, const QString &text) {
  painter.setPen(Qt::black);
  for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}})
    TextOut(painter, x + dx, y + dy, text);
  painter.setPen(Qt::white);
  TextOut(painter, x, y, text);
}

} // namespace

void TCalidarix::FitImageLayout(const TRect &box, bool fit) {
  if (!CurrentDTV)
    return;
  // An empty box (a hidden or collapsed image) or an empty frame leaves the layout as it was.
  TImageView view = ImageViewOf(*CurrentDTV);
  bool fitted = FZoomFitted;
  if (calidarix::FitImageLayout(view, box, fit, fitted)) {
    ApplyImageView(view, *CurrentDTV);
    FZoomFitted = fitted;
    FLayoutFrameSize = QSize(view.Width, view.Height);
  }
}

void TCalidarix::FitLayoutToNewFrameSize() {
  if (!CurrentDTV || FLayoutFrameSize.isEmpty())
    return;
  // The zoom and offsets of a frame of another size (a crop's, before the film's next frame) would show
  // a part of this one, or leave it small in a corner.
  if (FLayoutFrameSize != QSize(CurrentDTV->Width(), CurrentDTV->Height()))
    FitImageLayout(BoxRect(ImagePB), true);
}

void TCalidarix::ZoomToImageRect(const TRect &imageRect, const TRect &viewRect, bool fitAspect) {
  if (!CurrentDTV)
    return;
  TImageView view = ImageViewOf(*CurrentDTV);
  if (calidarix::ZoomToImageRect(view, imageRect, viewRect, fitAspect)) {
    ApplyImageView(view, *CurrentDTV);
    FZoomFitted = false;
    FLayoutFrameSize = QSize(view.Width, view.Height);
  }
}

void TCalidarix::ImagePBResize() {
  // A fitted view follows the box; a zoomed one keeps its zoom and is centred again. The next paint
  // renders the frame at the new size.
  FResized = true;
  FitImageLayout(BoxRect(ImagePB), FZoomFitted);
}

void TCalidarix::ImagePBPaint(QObject *sender) {
  // A running job works on the thermogram: the picture on screen stays the last one shown.
  if (!FBusyJob.isEmpty())
    return;
  if (FExportState.FViewPaintDeferred) {
    FExportState.FViewPaintPending = true;
    return;
  }
  if (FImagePainting) {
    if (logger)
      logger->AppendLine(QStringLiteral("Drawing collision"));
    return;
  }
  // The relief view stands in for the image while it is shown.
  if (FRelief.FReliefView) {
    ThreeDPBPaint();
    return;
  }
  FImagePainting = true;
  const auto release = qScopeGuard([this] { FImagePainting = false; });
  const bool relayout = sender == this || FResized;
  // A view change ends the confirmation of the last save; a repaint of the same view keeps it.
  if (sender == this) {
    FSavedNotice.clear();
    FStatusNotice.clear();
    FMeasure.FResolutionText.clear();
    FMeasure.FEmissivityText.clear();
    FHeadState.FJoyShown = false;
    FAcquisition.FilmSavedName.clear();
  }
  if (FRenderAtFirstPaint) {
    FResized = true;
    return;
  }
  // While the video is shown the image box holds its frames, not the thermogram.
  if (VideoShownOnImage()) {
    DrawVideoOnImage();
    return;
  }

  QImage picture = ImagePB->NewPicture();
  {
    QPainter painter(&picture);
    ImagePBPaintTo(painter, BoxRect(ImagePB), relayout);
    FResized = false;
    const int boxW = ImagePB->width();
    const int boxH = ImagePB->height();
    const int w2 = boxW / 2;
    const int h2 = boxH / 2;

    if (CurrentDTV && CurrentDTV->FShowIsolines) {
      // Contour segments as fractions of the frame's width and height, four numbers each.
      const TDTV &dtv = *CurrentDTV;
      const std::vector<double> &s = dtv.FIsoPoints;
      painter.setPen(QPen(Qt::black, 0));
      for (std::size_t i = 0; i + 3 < s.size(); i += 4) {
        const auto at = [&](double fx, double fy) {
          return QPoint(GetScreenX(RoundToInt32(dtv.Width() * fx)),
                        GetScreenY(RoundToInt32(dtv.Height() * fy)));
        };
        painter.drawLine(at(s[i], s[i + 1]), at(s[i + 2], s[i + 3]));
      }
    }
    if (RowEditMode) {
      const int y = GetScreenY(RowEditIndex);
      painter.save();
      painter.setCompositionMode(kInvert);
      painter.setPen(QPen(Qt::white, 0));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(0, y, 2, 2);
      painter.drawRect(boxW - 3, y, 2, 2);
      painter.restore();
    }
    if (BadgeOverlay) {
      DrawBadgeLarge(painter, QPoint(12, 5), Qt::black);
      DrawBadgeLarge(painter, QPoint(11, 4), Qt::white);
    }
    painter.setPen(QPen(Qt::white, 0));
    if (CenterCross) {
      painter.drawLine(w2, 0, w2, boxH);
      painter.drawLine(0, h2, boxW, h2);
    }
    if (FAngleTool) {
      painter.save();
      painter.setCompositionMode(kInvert);
      for (int arm : FAngleArms) {
        const double a = arm * std::numbers::pi / 180.0;
        const int dx = RoundToInt32(std::sin(a) * 128.0);
        const int dy = RoundToInt32(std::cos(a) * 128.0);
        painter.drawLine(w2 + FAnglePos.X + dx, h2 + FAnglePos.Y + dy, w2 + FAnglePos.X - dx,
                         h2 + FAnglePos.Y - dy);
      }
      painter.restore();
      painter.save();
      QFont font(QStringLiteral("DejaVu Sans"));
      font.setPointSize(12);
      painter.setFont(font);
      const QString angle = QString::number(FAngleArms[1] - FAngleArms[0]) + QChar(0x00B0);
      painter.setPen(Qt::black);
      TextOut(painter, w2 + FAnglePos.X + 4, h2 + FAnglePos.Y + 4, angle);
      painter.setPen(Qt::white);
      TextOut(painter, w2 + FAnglePos.X + 3, h2 + FAnglePos.Y + 3, angle);
      painter.restore();
    }
    if (GridOverlay) {
      const int step = FGridStep == 0 ? 1 : std::abs(FGridStep);
      const int n = boxW / step - 1;
      for (int i = 1; i <= n; ++i) {
        for (int x : {w2 + i * step + FGridOffset.X, w2 - i * step + FGridOffset.X})
          painter.drawLine(x, 0, x, boxH);
        for (int y : {h2 + i * step + FGridOffset.Y, h2 - i * step + FGridOffset.Y})
          painter.drawLine(0, y, boxW, y);
      }
      painter.fillRect(QRect(QPoint(0, h2 - 1 + FGridOffset.Y), QPoint(boxW, h2 + 1 + FGridOffset.Y)),
                       Qt::white);
      painter.fillRect(QRect(QPoint(w2 - 1 + FGridOffset.X, 0), QPoint(w2 + 1 + FGridOffset.X, boxH)),
                       Qt::white);
    }
    if (FSubtraction && !FServices.acquisition->ScanRunning()) {
      painter.save();
      QFont font(QStringLiteral("DejaVu Sans"));
      font.setPointSize(12);
      painter.setFont(font);
      painter.setPen(Qt::black);
      TextOut(painter, 5, 5, QStringLiteral("Subtraction"));
      painter.setPen(Qt::white);
      TextOut(painter, 4, 4, QStringLiteral("Subtraction"));
      painter.restore();
    }
    if (FFocusTool && CurrentDTV && CurrentDTV->Height() > 0) {
      TDTV &dtv = *CurrentDTV;
      painter.save();
      painter.setCompositionMode(kInvert);
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(QRect(QPoint(1, 1), QPoint(25, boxH - 2)));
      painter.drawRect(QRect(QPoint(2, 2), QPoint(24, boxH - 3)));
      dtv.FindSharpestRow(TRect{0, 0, dtv.Width(), dtv.Height()});
      const auto rowY = [&](int row) {
        return TruncToInt32(static_cast<double>(row) / dtv.Height() * (boxH - 8));
      };
      for (int peak : dtv.FPeakRows)
        painter.drawLine(5, rowY(peak) + 4, 21, rowY(peak) + 4);
      for (int d : {3, 4, 5})
        painter.drawLine(5, rowY(dtv.FBestPeak) + d, 21, rowY(dtv.FBestPeak) + d);
      painter.restore();
    }
    DrawJoystickPosition(painter);
    DrawAcquisitionOverlay(painter);
  }
  ImagePB->Picture = picture;
  if (sender != ImagePB)
    ImagePB->update();
}

void TCalidarix::ImagePBPaintTo(QPainter &painter, const TRect &r, bool relayout) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (!TrueColorRender) {
    dtv.RenderPalettedBitmap();
    ++FRenderCount;
  } else if (FStretchView) {
    dtv.RenderAnaglyph();
    ++FRenderCount;
  } else if (relayout) {
    dtv.RenderToBitmap(r, 0, 0);
    ++FRenderCount;
  }
  if (FStretchView)
    painter.drawImage(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), dtv.FBitmap);
  else
    painter.drawImage(0, 0, dtv.FBitmap);

  DrawMarkers(painter, r);

  if (DateTimeMode) {
    painter.save();
    QFont font(QStringLiteral("DejaVu Sans"));
    const int size = (r.Right - r.Left) / 48;
    font.setPointSize(std::max(size, 1));
    font.setBold(true);
    painter.setFont(font);
    const int h = painter.fontMetrics().height();
    const int x = r.Left + size;
    if (dtv.FFrameIndex > 1)
      TextOutOutlined(painter, x, r.Bottom - 4 * h, QString::number(dtv.FFrameIndex));
    if (const std::optional<QDateTime> date = UnpackDosDateTime(dtv.FFileDate)) {
      TextOutOutlined(painter, x, r.Bottom - 3 * h, ShortDateText(date->date()));
      TextOutOutlined(painter, x, r.Bottom - 2 * h, LongTimeText(date->time()));
    }
    painter.restore();
  }

  DrawMinMaxMarkers(painter, r);
}

} // namespace calidarix
