// Region statistics on the main window: the headless counts of the selected or a stored area written
// into the area, the window's result fields and the statistics labels; the whole-frame labels.

#include "mainwindow/ui/main_window.h"

#include "analysis/measure_texts.h"
#include "analysis/region_statistics.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QLabel>

namespace calidarix {

namespace {

QString FrameText(double v) {
  return QString::fromStdString(FixedTextInWidth(v, 2, 5));
}

// The heat figures: the heat of the region, the area of one pixel and of the region on the object.
void ShowHeatFigures(TCalidarix &w, const TDTV &dtv, double averageTemperature, double pixels) {
  w.AnswerLabel->setText(Fixed2(averageTemperature * pixels) + QStringLiteral(" J"));
  w.LevelLabel->setText(Fixed2(dtv.FPixelArea * 1000000.0) + QStringLiteral("*10(-6) m"));
  w.RangeLabel->setText(Fixed2(pixels * dtv.FPixelArea * 1000.0) + QStringLiteral("*10(-3) m(2)"));
}

} // namespace

void TCalidarix::CountArray(TAreaRecord &area, bool useShape) {
  if (!CurrentDTV || area.IsEmpty())
    return;
  const TDTV &dtv = *CurrentDTV;
  const TStatisticsSettings settings = CurrentStatisticsSettings(dtv);
  const TRegionStatistics st = CountRegion(dtv, area.Rect(), useShape && ArrayType == 1, settings);
  TMeasureState &m = FMeasure;
  m.FAreaRawMin = st.RawMin;
  m.FAreaRawMax = st.RawMax;
  m.FAreaRawAvg = st.RawAvg;
  m.FAreaMinPos = st.MinPos;
  m.FAreaMaxPos = st.MaxPos;
  m.AreaRIn = st.RIn;
  m.AreaQIn = st.QIn;
  m.AreaROut = st.ROut;
  m.AreaQOut = st.QOut;
  if (settings.SigmaRefSet) {
    m.SigmaRefMeanSquare = st.SigmaMeanSquare;
    m.SigmaRefRms = st.SigmaRms;
  }

  MinLabel->setText(ShortText(dtv.RawToTemperature(st.RawMin)));
  MaxLabel->setText(ShortText(dtv.RawToTemperature(st.RawMax)));
  AvgLabel->setText(m.FAvgShowsSpan
                        ? ShortText((st.RawMax - st.RawMin) * static_cast<double>(dtv.FHeader.Scale))
                        : ShortText(dtv.RawToTemperature(st.RawAvg)));

  area.MinPos = st.MinPos;
  area.MaxPos = st.MaxPos;
  area.RawMin = st.RawMin;
  area.RawMax = st.RawMax;
  area.RawAvg = st.RawAvg;
  area.Count = static_cast<std::int32_t>(st.Count);

  if (HeatMode)
    ShowHeatFigures(*this, dtv, dtv.RawToTemperature(st.RawAvg), static_cast<double>(st.Count));

  if (m.FSigmaMode) {
    const double deviation = RegionRawDeviation(dtv, area.Rect(), ArrayType, st.RawAvg);
    const double shown = ShownDeviation(deviation, st.RawMin, st.RawMax, dtv.FHeader.Scale);
    PtsLabel->setText(QString::fromStdString(FloatToText(RoundHalfEven(shown * 100.0) / 100.0)));
  } else {
    PtsLabel->setText(QString::number(st.Count));
  }
}

void TCalidarix::CountFreeArray(const TPolygon &polygon) {
  if (!CurrentDTV || polygon.size() < 3 || FPolygonDrawing)
    return;
  const TDTV &dtv = *CurrentDTV;
  const TStatisticsSettings settings = CurrentStatisticsSettings(dtv);
  const TRegionStatistics st = CountPolygon(dtv, polygon, settings);
  FMeasure.FAreaRawMin = st.RawMin;
  FMeasure.FAreaRawMax = st.RawMax;
  FMeasure.FAreaRawAvg = st.RawAvg;
  MinLabel->setText(ShortText(dtv.RawToTemperature(st.RawMin)));
  MaxLabel->setText(ShortText(dtv.RawToTemperature(st.RawMax)));
  AvgLabel->setText(FMeasure.FAvgShowsSpan
                        ? ShortText((st.RawMax - st.RawMin) * static_cast<double>(dtv.FHeader.Scale))
                        : ShortText(dtv.RawToTemperature(st.RawAvg)));
  PtsLabel->setText(QString::number(st.Count));
  if (settings.SigmaRefSet) {
    FMeasure.SigmaRefMeanSquare = st.SigmaMeanSquare;
    FMeasure.SigmaRefRms = st.SigmaRms;
  }
  if (HeatMode)
    ShowHeatFigures(*this, dtv, dtv.RawToTemperature(st.RawAvg), static_cast<double>(st.Count));
}

void TCalidarix::CountIso(const TRect &rect) {
  AIsoLabel->clear();
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const bool allZero = rect.Left == 0 && rect.Top == 0 && rect.Right == 0 && rect.Bottom == 0;
  if (dtv.isIso && !allZero)
    FMeasure.FIsoShare = IsoShare(dtv, rect, dtv.IsoBottom, dtv.IsoTop);
  AIsoLabel->setText(ShortText(FMeasure.FIsoShare) + QStringLiteral("%"));
}

void TCalidarix::CountArrayAlt(const TDTV &dtv, const TRect &rect) {
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
    return;
  const TRegionStatistics st =
      calidarix::CountRegionAlt(dtv, rect, ArrayType, ArrayStatistic, CurrentStatisticsSettings(dtv));
  FMeasure.FAreaRawMin = st.RawMin;
  FMeasure.FAreaRawMax = st.RawMax;
  FMeasure.FAreaRawAvg = st.RawAvg;
  FMeasure.FAreaMinPos = st.MinPos;
  FMeasure.FAreaMaxPos = st.MaxPos;
  if (ArrayStatistic == 4) {
    FMeasure.AreaRIn = st.RIn;
    FMeasure.AreaQIn = st.QIn;
  }
  if (ArrayStatistic == 5) {
    FMeasure.AreaROut = st.ROut;
    FMeasure.AreaQOut = st.QOut;
  }
}

void TCalidarix::UpdateImageStatsLabels() {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const double lo = dtv.MinTemperature();
  const double hi = dtv.MaxTemperature();
  MinLabel->setText(FrameText(lo));
  MaxLabel->setText(FrameText(hi));
  AvgLabel->setText(FrameText(FMeasure.FAvgShowsSpan ? hi - lo : dtv.RawToTemperature(dtv.FRawMean)));
  PtsLabel->setText(QString::number(static_cast<std::int64_t>(dtv.Width()) * dtv.Height()));
  if (HeatMode)
    ShowHeatFigures(*this, dtv, dtv.RawToTemperature(dtv.FRawMean),
                    static_cast<double>(dtv.Width()) * static_cast<double>(dtv.Height()));
}

void TCalidarix::RefreshAreaStatistics() {
  if (!CurrentDTV)
    return;
  TAreaRecord &area = FMarkers.FCurrentArea;
  if (!area.IsEmpty()) {
    if (!FMarkers.FFreePolygon.empty()) {
      CountFreeArray(FMarkers.FFreePolygon);
      CountIso(area.Rect());
      CountArray(area, true);
    } else {
      CountArray(area, true);
      CountIso(area.Rect());
    }
    return;
  }
  // The frame may have changed since its statistics were last taken.
  CurrentDTV->UpdateStatistics();
  UpdateImageStatsLabels();
}

} // namespace calidarix
