// The copy commands that put measured values on the clipboard as text, and the small commands beside
// them. Only these commands write the clipboard.

#include "mainwindow/ui/main_window.h"

#include "analysis/clipboard_texts.h"
#include "analysis/region_statistics.h"
#include "analysis/ui/gl_view.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace calidarix {

void TCalidarix::CopyRegionTableToClipboard(int mode) {
  if (!CurrentDTV)
    return;
  QGuiApplication::clipboard()->setText(RegionTableText(*CurrentDTV, FMarkers.FCurrentArea, mode));
}

void TCalidarix::TeleMetry2ClipboardClick() {
  CopyTelemetryToClipboard();
}

void TCalidarix::CopyTelemetryToClipboard() {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (!CarriesTelemetry(dtv)) {
    MeasureNotice(QStringLiteral("TeleMetry2Clipboard: this frame carries no telemetry"));
    return;
  }
  const std::optional<QString> text = TelemetryText(dtv, FMarkers.FCurrentArea, ArrayType == 1,
                                                    CurrentStatisticsSettings(dtv), FMeasure.FAreaRawAvg);
  if (!text) {
    MeasureNotice(QStringLiteral("TeleMetry2Clipboard: frame %1 could not be read or carries no telemetry")
                      .arg(dtv.FFrameIndex));
    return;
  }
  QGuiApplication::clipboard()->setText(*text);
}

void TCalidarix::CopyPointsSBClick() {
  if (!CurrentDTV)
    return;
  QGuiApplication::clipboard()->setText(
      MarkerValuesText(*CurrentDTV, FMarkers.FPoints, FMarkers.FAreas, FStatTexts));
}

void TCalidarix::Thermo2FrameClick() {
  if (CurrentDTV)
    CurrentDTV->FStampCameraTemp = Thermo2Frame->isChecked();
}

void TCalidarix::BoxModeClick() {
  if (GLview)
    GLview->ChangeToBoxMode(true);
  else
    NotAvailable(QStringLiteral("3-D view"));
}

} // namespace calidarix
