// The composite snapshot and the copy commands. The snapshot is composed in memory by
// ComposeSnapshot from the painting functions of the screen: the image is rendered again at the
// snapshot's size around the centre of the view, and the view is put back afterwards. Only the copy
// commands put it on the clipboard; the export and the print list take it from BuildSnapshot.

#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/print_form.h"
#include "mainwindow/ui/view_texts.h"
#include "platform/datetime.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QToolButton>

namespace calidarix {

QImage TCalidarix::BuildSnapshot() {
  if (!CurrentDTV)
    return QImage();
  TDTV &dtv = *CurrentDTV;
  TSnapshotRequest request;
  request.Look = SnapshotLookOf(BMPLook);
  request.Base = SnapshotBaseSize(dtv.Width(), dtv.Height(), dtv.FAspect);
  request.MaxLabel = FStatTexts[1].isEmpty() ? QStringLiteral("Max") : FStatTexts[1];
  request.MinLabel = FStatTexts[0].isEmpty() ? QStringLiteral("Min") : FStatTexts[0];
  const double lower = dtv.FRangeLocked ? dtv.LockMin : dtv.FHeader.Offset;
  const double upper = dtv.FRangeLocked
                           ? dtv.LockMax
                           : static_cast<double>(kFullScaleRaw) * dtv.FHeader.Scale + dtv.FHeader.Offset;
  request.UpperValue = ScalePaneValueText(upper, FIsInteger);
  request.LowerValue = ScalePaneValueText(lower, FIsInteger);
  const std::optional<QDateTime> date = UnpackDosDateTime(dtv.FFileDate);
  request.InfoLines =
      SnapshotInfoLines(dtv.FFileName, dtv.CommentText(), date ? ShortDateText(date->date()) : QString(),
                        date ? LongTimeText(date->time()) : QString());
  request.FontSize = FontN;
  request.ThermoProfilePane = FGraphShown;
  request.TimeProfilePane = FTimeGraphShown;

  const bool framed = request.Look != TSnapshotLook::ImageOnly;
  const QSize canvas(request.Base.width(), request.Base.height() + (framed ? 2 : 0));
  TSnapshotPainters painters;
  painters.Image = [&](QPainter &painter, QSize area) {
    // The relief view, while shown, is the picture part.
    if (FRelief.FReliefView) {
      ThreeDPBPaintTo(painter, TRect{0, 0, area.width(), area.height()});
      return;
    }
    // The view is rendered at the snapshot's size and put back. The snapshot renders into a bitmap of
    // its own, kept for the next snapshot, so the screen's cached rendering stays as it is and neither
    // bitmap is allocated again for every frame of a film export.
    const TImageView screen = ImageViewOf(dtv);
    std::swap(dtv.FBitmap, FExportState.SnapshotRender);
    const auto restore = qScopeGuard([&] {
      ApplyImageView(screen, dtv);
      std::swap(dtv.FBitmap, FExportState.SnapshotRender);
    });
    ApplyImageView(SnapshotImageView(screen, ImagePB->size(), canvas, framed), dtv);
    ImagePBPaintTo(painter, TRect{0, 0, area.width(), area.height()}, true);
  };
  painters.PaletteBar = [this](QPainter &painter, const TRect &r) { PalPBPaintTo(painter, r); };
  painters.Scale = [this](QPainter &painter, const TRect &r) { ScalePBPaintTo(painter, r); };
  painters.Badge = [](QPainter &painter, QPoint p, const QColor &colour) {
    DrawBadgeGlyph(painter, p, colour);
  };
  painters.GraphPane = [this](TGraphPane pane, QSize size) { return GraphPanePicture(pane, size); };
  const QImage snapshot = ComposeSnapshot(request, painters);
  // The bar's limit labels were filled for the snapshot's bar; the screen's bar fills them again.
  PalPB->update();
  return snapshot;
}

void TCalidarix::CtrlCExecute() {
  // Ctrl+C in the print window's comment copies its text, not a picture.
  if (PrintForm && PrintForm->RichEdit->hasFocus())
    return;
  if (FExportState.FSnapshotBusy)
    return;
  FExportState.FSnapshotBusy = true;
  const auto release = qScopeGuard([this] { FExportState.FSnapshotBusy = false; });
  const QImage snapshot = BuildSnapshot();
  if (snapshot.isNull()) {
    NotAvailable(QStringLiteral("Snapshot of this image"));
    return;
  }
  QGuiApplication::clipboard()->setImage(snapshot);
}

void TCalidarix::CopySBClick() {
  CtrlCExecute();
}

void TCalidarix::CopyInfoSBClick() {
  if (CurrentDTV)
    QGuiApplication::clipboard()->setText(CurrentDTV->CommentText());
}

void TCalidarix::BMPFrameSBClick() {
  auto *button = findChild<QToolButton *>(QStringLiteral("BMPFrameSB"));
  if (!button)
    return;
  ImageWithScalePopupMenu->popup(button->mapToGlobal(QPoint(button->width() + 1, -1)));
}

void TCalidarix::ImageWithScaleClick(int tag) {
  BMPLook = static_cast<int>(SnapshotLookOf(tag));
  for (const char *name : {"ImageOnly1", "ImageOnly2", "ImageOnly3", "ScaleOnly1", "ImageOnly4", "ImageOnly5",
                           "ImageOnly6", "ImageOnly7"})
    if (auto *item = findChild<QAction *>(QString::fromLatin1(name)))
      item->setChecked(item->property("Tag").toInt() == BMPLook);
}

} // namespace calidarix
