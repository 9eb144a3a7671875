// The temperature scale and the palette bar beside the image, the range panels above and below them,
// and what dragging and right-clicking on the bar or the scale do to the palette window. The pictures
// are made here; the boxes copy them in their paint events.

#include "analysis/ui/gl_view.h"
#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "thermogram/palette_bar.h"
#include "thermogram/palette_render.h"
#include "thermogram/scale_ticks.h"
#include "thermogram/thermogram_globals.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kLightRed(255, 224, 224);
const QColor kLightBlue(224, 224, 255);

TRect BoxRect(const QWidget *box) {
  return TRect{0, 0, box->width(), box->height()};
}

QColor Background(const QWidget *widget) {
  return widget->palette().color(QPalette::Window);
}

void SetFontColour(QLabel *label, const QColor &colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

// The bar's 256 palette entries, entry 255 at the top. An opaque palette is laid out as 32-bit pixels
// directly: an indexed column would be converted for every bar drawn (on the thread pool, whose
// wake-ups cost more than the conversion), to the very same pixels.
QImage PaletteColumn(const QList<QRgb> &colours) {
  const bool opaque = colours.size() == 256 &&
                      std::all_of(colours.begin(), colours.end(), [](QRgb c) { return qAlpha(c) == 255; });
  if (opaque) {
    QImage column(1, 256, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i)
      reinterpret_cast<QRgb *>(column.scanLine(i))[0] = colours[255 - i];
    return column;
  }
  QImage column(1, 256, QImage::Format_Indexed8);
  column.setColorTable(colours);
  for (int i = 0; i < 256; ++i)
    column.scanLine(i)[0] = static_cast<uchar>(255 - i);
  return column;
}

} // namespace

void TCalidarix::BuildViewBoxes(QWidget *scalePanel) {
  PalPB = new TPaintBox(scalePanel);
  PalPB->setObjectName(QStringLiteral("PalPB"));
  PalPB->setFixedWidth(20);
  PalSpacerPB = new TPaintBox(scalePanel);
  PalSpacerPB->setObjectName(QStringLiteral("PalSpacerPB"));
  PalSpacerPB->setFixedWidth(8);
  ScalePB = new TPaintBox(scalePanel);
  ScalePB->setObjectName(QStringLiteral("ScalePB"));
  ScalePB->setFixedWidth(60);
  auto *row = new QHBoxLayout(scalePanel);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (QWidget *box :
       {static_cast<QWidget *>(PalPB), static_cast<QWidget *>(PalSpacerPB), static_cast<QWidget *>(ScalePB)})
    row->addWidget(box);

  PalPB->OnPaint = [this] { PalPBPaint(PalPB); };
  ScalePB->OnPaint = [this] { ScalePBPaint(ScalePB); };
  for (TPaintBox *box : {PalPB, ScalePB}) {
    box->OnMouseDown = [this](QMouseEvent *e) {
      PalPBMouseDown(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
    };
    box->OnMouseMove = [this](QMouseEvent *e) {
      PalPBMouseMove(e->buttons(), e->modifiers(), e->position().toPoint().x(), e->position().toPoint().y());
    };
    box->OnMouseUp = [this](QMouseEvent *) { PalPBMouseUp(); };
  }
  ImagePB->OnPaint = [this] { ImagePBPaint(ImagePB); };
  ImagePB->OnResize = [this] { ImagePBResize(); };
}

void TCalidarix::UpDateScaleMinMax() {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const TTemperatureRange range = DisplayedRange(dtv, false);
  if (dtv.MaxTemperature() <= range.High) {
    if (Background(MaxPanel) == kRed) {
      SetBackground(MaxPanel, kLightRed);
      SetFontColour(MaximumLabel, kRed);
      SetFontColour(PalMaxLabel, kRed);
    }
  } else if (Background(MaxPanel) != kRed) {
    // Part of the image is hotter than the top of the scale.
    SetBackground(MaxPanel, kRed);
    SetFontColour(MaximumLabel, Qt::white);
    SetFontColour(PalMaxLabel, Qt::white);
  }
  if (dtv.MinTemperature() >= range.Low) {
    if (Background(MinPanel) == kBlue) {
      SetBackground(MinPanel, kLightBlue);
      SetFontColour(MinimumLabel, kBlue);
      SetFontColour(PalMinLabel, kBlue);
    }
  } else if (Background(MinPanel) != kBlue) {
    SetBackground(MinPanel, kBlue);
    SetFontColour(MinimumLabel, Qt::white);
    SetFontColour(PalMinLabel, Qt::white);
  }
  PalMinLabel->setText(RangeLabelText(range.Low, FIsInteger));
  PalMaxLabel->setText(RangeLabelText(range.High, FIsInteger));
}

void TCalidarix::ScalePBPaint(QObject *sender) {
  if (FScalePainting)
    return;
  if (FExportState.FViewPaintDeferred) {
    FExportState.FViewPaintPending = true;
    return;
  }
  FScalePainting = true;
  const auto release = qScopeGuard([this] { FScalePainting = false; });

  // Before the first show the boxes have no final size yet; their first paint draws the scale.
  if (!FRenderAtFirstPaint) {
    QImage scale = ScalePB->NewPicture();
    QImage spacer = PalSpacerPB->NewPicture();
    {
      QPainter scalePainter(&scale);
      QPainter spacerPainter(&spacer);
      // A gradient from reddish at the top to bluish at the bottom, across the scale and the spacer.
      const int h = scale.height();
      for (int y = 0; y < h; ++y) {
        const int k = TruncToInt32(static_cast<double>(y) / h * 32.0);
        const QColor colour = FIsNightMode ? QColor(128 - k, 96, 96 + k) : QColor(255 - k, 224, 224 + k);
        scalePainter.fillRect(0, y, scale.width(), 1, colour);
        spacerPainter.fillRect(0, y, spacer.width(), 1, colour);
      }
      ScalePBPaintTo(scalePainter, BoxRect(ScalePB), &spacerPainter);
    }
    ScalePB->Picture = scale;
    PalSpacerPB->Picture = spacer;
  }
  UpDateScaleMinMax();
  PaintGraphScales();
  if (sender != ScalePB)
    ScalePB->update();
  PalSpacerPB->update();
}

void TCalidarix::ScalePBPaintTo(QPainter &painter, const TRect &r, QPainter *spacer) {
  if (!CurrentDTV)
    return;
  const int fontSize = ScaleFontSize(r.Right - r.Left);
  if (fontSize <= 0)
    return;
  painter.save();
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(fontSize);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QPen(Qt::black, 0));
  const TTemperatureRange range = DisplayedRange(*CurrentDTV, true);
  const TScaleLayout layout =
      LayoutScaleTicks(r, range.Low, range.High, painter.fontMetrics().height(), FIsInteger);
  if (layout.Step > 0.0) {
    const int left = r.Left;
    const int ws = spacer ? spacer->device()->width() : 0;
    if (spacer)
      spacer->setPen(QPen(Qt::black, 0));
    for (const TScaleTick &tick : layout.Ticks) {
      const int y = tick.Y;
      if (tick.Labelled) {
        TextOut(painter, layout.TextX, tick.TextY, tick.Text);
        // A small left-pointing arrow head and a short line.
        painter.drawPolyline(
            QPolygon({QPoint(left + 2, y - 2), QPoint(left + 2, y + 2), QPoint(left + 1, y + 1),
                      QPoint(left + 1, y - 1), QPoint(left, y), QPoint(left + 6, y)}));
      }
      if (spacer) {
        spacer->drawLine(ws, y, 0, y);
        spacer->drawPolyline(QPolygon({QPoint(ws - 3, y - 2), QPoint(ws - 3, y + 2), QPoint(ws - 2, y + 1),
                                       QPoint(ws - 2, y - 1), QPoint(ws - 1, y), QPoint(ws - 7, y)}));
      }
    }
    for (int y : layout.MinorRows) {
      painter.drawLine(left, y, left + 4, y);
      if (spacer)
        spacer->drawLine(ws - 1, y, ws - 4, y);
    }
    if (layout.ShowUnit)
      TextOut(painter, layout.UnitPos.X, layout.UnitPos.Y, QStringLiteral("\u00B0C"));
  }
  painter.restore();
}

void TCalidarix::PalPBPaint(QObject *sender) {
  if (FExportState.FViewPaintDeferred) {
    FExportState.FViewPaintPending = true;
    return;
  }
  // Before the first show the bar has no final size yet; its first paint draws it.
  if (!FRenderAtFirstPaint) {
    QImage picture = PalPB->NewPicture();
    {
      QPainter painter(&picture);
      PalPBPaintTo(painter, BoxRect(PalPB));
      if (PalCursorTemp >= 0.0)
        DrawPaletteCursor(painter, BoxRect(PalPB), PalCursorTemp);
    }
    PalPB->Picture = picture;
  }
  if (GLview && GLview->isVisible())
    GLview->UpdatePalette(false, false, false);
  if (sender != PalPB)
    PalPB->update();
}

void TCalidarix::PalPBPaintTo(QPainter &painter, const TRect &r) {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const QList<QRgb> colours =
      MakeLogicalPalette(FPalette, FIsoPalette, dtv.PalBottom, dtv.PalTop, dtv.IsoBottom, dtv.IsoTop,
                         dtv.isIso, dtv.isIsoColor, dtv.isIsoAuto);
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), PaletteColumn(colours));
  const TPaletteBytes bytes = PaletteBytesOf(dtv);
  const TPaletteLines lines = PaletteWindowLines(r, bytes, dtv.isIso);
  painter.setPen(QPen(QColor(128, 128, 128), 0));
  if (lines.HasLower)
    painter.drawLine(r.Left, lines.LowerY, r.Right - 1, lines.LowerY);
  if (lines.HasUpper)
    painter.drawLine(r.Left, lines.UpperY, r.Right - 1, lines.UpperY);
  painter.restore();
  PalBegLabel->setText(PaletteLimitText(dtv, dtv.isIso ? bytes.IsoBottom : bytes.PalBottom));
  PalEndLabel->setText(PaletteLimitText(dtv, dtv.isIso ? bytes.IsoTop : bytes.PalTop));
}

void TCalidarix::DrawPaletteCursor(QPainter &painter, const TRect &bar, double fraction) {
  const std::array<TPoint, 5> line = PaletteCursorPolyline(bar, fraction);
  QPolygon polygon;
  for (const TPoint &p : line)
    polygon << QPoint(p.X, p.Y);
  painter.save();
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(QPen(Qt::white, 0));
  painter.drawPolyline(polygon);
  painter.restore();
}

void TCalidarix::SetPaletteCursor(double fraction) {
  PalCursorTemp = fraction >= 0.0 ? fraction : -1.0;
  PalPBPaint(this);
}

void TCalidarix::PalPBMouseDown(Qt::MouseButton button, int x, int y) {
  if (RefusedWhileBusy(QStringLiteral("Palette window")))
    return;
  PalDragActive = true;
  if (button == Qt::LeftButton || button == Qt::RightButton)
    FPalMousePos = TPoint{x, y};
  if (button == Qt::LeftButton) {
    ManualPaletteWindow = true;
    return;
  }
  if (button != Qt::RightButton || !CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (!dtv.isIso)
    ManualPaletteWindow = false;
  TPaletteBytes bytes = PaletteBytesOf(dtv);
  const TPaletteRightClick click = PaletteRightClick(bytes, dtv.isIso, dtv.FRangeLocked);
  ApplyPaletteBytes(bytes, dtv);
  switch (click) {
  case TPaletteRightClick::Nothing:
    break;
  case TPaletteRightClick::Repaint:
    ImagePBPaint(this);
    PalPBPaint(this);
    break;
  case TPaletteRightClick::UnlockRange:
    // Released like the lock button does: a film's own range lock goes with it.
    dtv.FRangeLocked = false;
    dtv.FFilmRangeLock = false;
    LockSB->setChecked(false);
    ChangeDTV(false);
    break;
  }
}

void TCalidarix::PalPBMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y) {
  if (!CurrentDTV || !FBusyJob.isEmpty())
    return;
  TDTV &dtv = *CurrentDTV;
  const bool ctrl = FCtrlDown || modifiers.testFlag(Qt::ControlModifier);
  TPaletteBytes bytes = PaletteBytesOf(dtv);
  const TPaletteDrag drag =
      PaletteBarDrag(bytes, dtv.isIso, buttons.testFlag(Qt::LeftButton), buttons.testFlag(Qt::RightButton),
                     ctrl, FPalMousePos, TPoint{x, y}, PalPB->height());
  if (drag == TPaletteDrag::None)
    return;
  FSidecarSaved = false;
  ApplyPaletteBytes(bytes, dtv);
  FPalMousePos = TPoint{x, y};
  PalPBPaint(this);
  ImagePBPaint(this);
}

void TCalidarix::PalPBMouseUp() {
  PalDragActive = false;
}

} // namespace calidarix
