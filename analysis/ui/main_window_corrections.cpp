// Temperature corrections on the current thermogram: the window gathers the area and its statistics,
// the headless corrections change the frame, and the view is brought up to date.

#include "mainwindow/ui/main_window.h"

#include "analysis/corrections.h"
#include "mainwindow/ui/logger_window.h"
#include "thermogram/thermogram_globals.h"

namespace calidarix {

void TCalidarix::MeasureNotice(const QString &text) {
  if (logger)
    logger->AppendLine(text);
  FStatusNotice = text;
  ImagePB->update();
}

void TCalidarix::EmissivityCorrect(double e, double ta) {
  if (!CurrentDTV)
    return;
  TAreaRecord &area = FMarkers.FCurrentArea;
  const bool whole = area.IsEmpty();
  if (!whole)
    CountArray(area, true);
  if (!calidarix::EmissivityCorrect(*CurrentDTV, e, ta, whole ? nullptr : &area, FMeasure.FAreaRawMin,
                                    FMeasure.FAreaRawMax))
    MeasureNotice(QStringLiteral("Emissivity: a frame of one temperature is left as it is"));
}

void TCalidarix::SetEmissivity(double tm, double tr, double ta) {
  if (!CurrentDTV)
    return;
  const std::optional<double> e = EmissivityFromRealTemperature(tm, tr, ta);
  if (!e) {
    MeasureNotice(QStringLiteral("Real temperature: it equals the ambient temperature; nothing changed"));
    return;
  }
  CurrentDTV->FEmissivity = *e;
  EmissivityCorrect(*e, ta);
}

void TCalidarix::ApplyFixedLevel(double level) {
  FixedLevel = level;
  if (CurrentDTV)
    ShiftLevel(*CurrentDTV, level);
}

void TCalidarix::TwoArraysCorrectClick() {
  if (!CurrentDTV || FMarkers.FAreas.size() < 2)
    return;
  if (!TwoAreaCorrection(*CurrentDTV, FMarkers.FAreas[0], FMarkers.FAreas[1]))
    return;
  ChangeDTV(false);
}

void TCalidarix::AverageFilmFrames(int f1, int f2) {
  if (!CurrentDTV)
    return;
  const IoResult done = calidarix::AverageFilmFrames(*CurrentDTV, f1, f2);
  if (!done)
    MeasureNotice(QStringLiteral("Average frames: ") + done.message);
}

void TCalidarix::ShiftImageRow(bool right) {
  if (!CurrentDTV)
    return;
  calidarix::ShiftImageRow(*CurrentDTV, RowEditIndex, right);
  ImagePBPaint(this);
}

void TCalidarix::FilmScrollBarChange(int position) {
  if (!CurrentDTV)
    return;
  SetSkewFromPosition(*CurrentDTV, position);
  ChangeDTV(false);
}

} // namespace calidarix
