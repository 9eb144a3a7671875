// The commands around the markers: the statistic, shape and text-size menus, removing the markers, the
// double-click switches of the statistics labels, fitting the palette window to the measured region
// and the column level correction of the service menu.

#include "mainwindow/ui/main_window.h"

#include "analysis/ui/graph_form.h"

#include "analysis/corrections.h"
#include "analysis/measure_texts.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace calidarix {

void TCalidarix::MinMaxAvgSBClick() {
  auto *button = findChild<QToolButton *>(QStringLiteral("MinMaxAvgSB"));
  ArrayPopupMenu->popup(button->mapToGlobal(QPoint(button->width() + 1, -1)));
}

void TCalidarix::ArrayMenuItemClick(int tag) {
  ArrayStatistic = tag;
  if (FTimeGraphShown && TimeProfileForm) {
    // The time profile shows the chosen statistic of the area.
    TimeProfileForm->ClearProfiles();
    if (!FMarkers.FCurrentArea.IsEmpty())
      BuildTimeProfile(FMarkers.FCurrentArea.Rect());
    TimeProfileForm->GraphPBPaint();
    TimeProfileForm->ScalePBPaint();
    TimeProfileForm->PalPBPaint();
  }
  // The labels of the stored areas change with the statistic.
  RepaintOverlays();
}

void TCalidarix::ArrayRMenuItemClick(int tag) {
  ArrayStatistic = tag;
  OpenValue2Panel(3, QStringLiteral("T In:"), QStringLiteral("Out:"),
                  QString::fromStdString(FloatToText(TIn)), QString::fromStdString(FloatToText(TOut)));
}

void TCalidarix::ArraySigmaMIClick() {
  ArrayStatistic = 7;
  const double average = CurrentDTV ? CurrentDTV->RawToTemperature(FMeasure.FAreaRawAvg) : 0.0;
  OpenValuePanel(7, QStringLiteral("Average Value"), Fixed2(average));
  // Until a value is confirmed the figures are measured against the reference entered last.
  SigmaRefSet = 1;
}

void TCalidarix::ArrayTypeClick(int tag) {
  ArrayType = tag;
  ChangeDTV(false);
}

void TCalidarix::FontNSBClick() {
  auto *button = findChild<QToolButton *>(QStringLiteral("FontNSB"));
  FontPopupMenu->popup(button->mapToGlobal(QPoint(button->width() + 1, -86)));
}

void TCalidarix::FontNClick(int tag) {
  FontN = tag;
  RepaintOverlays();
}

void TCalidarix::DelSBClick() {
  HideToolPanels();
  ClearAllMarkers();
}

void TCalidarix::MaxLabelDblClick() {
  // Off, single, double, off again.
  if (!FIsShowMinMax) {
    FIsShowMinMax = true;
    FIsDoubleMinMax = false;
  } else if (!FIsDoubleMinMax) {
    FIsDoubleMinMax = true;
  } else {
    FIsShowMinMax = false;
    FIsDoubleMinMax = false;
  }
  findChild<QAction *>(QStringLiteral("ShowMinMax1"))->setChecked(FIsShowMinMax);
  findChild<QAction *>(QStringLiteral("DoubleMinMax1"))->setChecked(FIsDoubleMinMax);
  RepaintOverlays();
}

void TCalidarix::AvgLabelDblClick() {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  TMeasureState &m = FMeasure;
  m.FAvgShowsSpan = !m.FAvgShowsSpan;
  const bool frame = FMarkers.FCurrentArea.IsEmpty();
  double value = 0.0;
  if (m.FAvgShowsSpan)
    value = frame ? dtv.MaxTemperature() - dtv.MinTemperature()
                  : (m.FAreaRawMax - m.FAreaRawMin) * static_cast<double>(dtv.FHeader.Scale);
  else
    value = dtv.RawToTemperature(frame ? dtv.FRawMean : m.FAreaRawAvg);
  AvgLabel->setText(Fixed2(value));
}

void TCalidarix::PtsLabelDblClick() {
  FMeasure.FSigmaMode = !FMeasure.FSigmaMode;
  CountArray(FMarkers.FCurrentArea, true);
}

void TCalidarix::TLabDblClick() {
  FMeasure.FPointDiffMode = !FMeasure.FPointDiffMode;
  TLab->setText(FMeasure.FPointDiffMode ? QStringLiteral("D:") : QStringLiteral("T:"));
  RepaintOverlays();
}

void TCalidarix::FitPaletteWindowToRegion(bool fixedRange) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  const bool frame = FMarkers.FCurrentArea.IsEmpty();
  const double tmin = frame ? dtv.MinTemperature() : dtv.RawToTemperature(FMeasure.FAreaRawMin);
  const double tmax = frame ? dtv.MaxTemperature() : dtv.RawToTemperature(FMeasure.FAreaRawMax);
  if (fixedRange) {
    SetTempRange(tmin, tmax);
    return;
  }
  const TPaletteWindow window = FitPaletteWindow(tmin, tmax, dtv.FRangeLocked, dtv.LockMin, dtv.LockMax,
                                                 dtv.RawToTemperature(0), dtv.RawToTemperature(65535));
  dtv.PalBottom = static_cast<std::uint8_t>(window.Bottom);
  dtv.PalTop = static_cast<std::uint8_t>(window.Top);
}

void TCalidarix::ArrayHorLevelCorrectionClick() {
  if (!CurrentDTV || FMarkers.FCurrentArea.IsEmpty())
    return;
  ColumnLevelCorrection(*CurrentDTV, FMarkers.FCurrentArea);
  ChangeDTV(false);
}

} // namespace calidarix
