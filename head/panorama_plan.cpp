// The plan of a panorama by frames: actions, estimate, texts, net geometry and head targets.

#include "head/panorama_plan.h"

#include "platform/numbers.h"

#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr int kSecondsPerFrame[4] = {0, 8, 4, 2};
// Degrees at which a box 50 metres away no longer has a finite side.
constexpr double kAnyWidthDegrees = 160.0;

QString Tr(bool russian, const char *english, const char *russianText) {
  return russian ? QString::fromUtf8(russianText) : QString::fromUtf8(english);
}

QString TwoDigits(int v) {
  return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

double HorArc(const TPanoPlan &p) {
  return (p.FCols - 1) * p.FHorStepAngle + p.FHorFov;
}

double VerArc(const TPanoPlan &p) {
  return (p.FRows - 1) * p.FVerStepAngle + p.FVerFov;
}

QString BoxSideText(double degrees, bool russian) {
  if (degrees >= kAnyWidthDegrees)
    return Tr(russian, "any # of", "сколько угодно");
  return QString::number(RoundToInt32(std::tan(degrees / 2.0 * std::numbers::pi / 180.0) * 100.0));
}

int Coordinate(double fraction, int size) {
  return RoundToInt32(fraction * size);
}

} // namespace

bool PlanLeft(TPanoPlan &p) {
  if (p.FCols <= 1)
    return false;
  --p.FCols;
  return true;
}

bool PlanRight(TPanoPlan &p) {
  if (p.FCols >= p.FMaxCols || p.FSpeed == 0)
    return false;
  ++p.FCols;
  return true;
}

bool PlanUp(TPanoPlan &p) {
  if (p.FRows - p.FRise + p.FRowsBelowHorizon >= p.FMaxRows)
    return false;
  ++p.FRows;
  return true;
}

bool PlanDown(TPanoPlan &p) {
  if (p.FRows <= 1)
    return false;
  --p.FRows;
  return true;
}

bool PlanShiftUp(TPanoPlan &p) {
  if (p.FRows - p.FRise + p.FRowsBelowHorizon >= p.FMaxRows)
    return false;
  // Half a row up: a whole row up and half a row down, or the half row undone.
  if (!p.FHalfRowShift) {
    p.FHalfRowShift = true;
    --p.FRise;
  } else {
    p.FHalfRowShift = false;
  }
  return true;
}

bool PlanShiftDown(TPanoPlan &p) {
  if (p.FRowsBelowHorizon - p.FRise <= 0)
    return false;
  if (p.FHalfRowShift) {
    p.FHalfRowShift = false;
    ++p.FRise;
  } else {
    p.FHalfRowShift = true;
  }
  return true;
}

bool PlanSumUp(TPanoPlan &p) {
  ++p.FSumCount;
  return true;
}

bool PlanSumDown(TPanoPlan &p) {
  if (p.FSumCount <= 1)
    return false;
  --p.FSumCount;
  return true;
}

bool PlanSpeedUp(TPanoPlan &p) {
  if (p.FSpeed >= 3)
    return false;
  ++p.FSpeed;
  return true;
}

bool PlanSpeedDown(TPanoPlan &p) {
  if (p.FSpeed == 0)
    return false;
  --p.FSpeed;
  return true;
}

TPanoEstimate PanChanged(TPanoPlan &p) {
  if (p.FSpeed == 0)
    p.FCols = 1;
  TPanoEstimate e;
  e.Frames = p.FRows * p.FCols;
  const int perFrame = kSecondsPerFrame[p.FSpeed <= 3 ? p.FSpeed : 3];
  e.Seconds = e.Frames * perFrame * p.FSumCount + (p.FRows - 1) * (p.FCols - 1) * 8;
  // Arcs of 180 degrees and more would give a tangent beyond any number; the height follows the
  // width's rule.
  e.WidthText = BoxSideText(HorArc(p), p.FRussian);
  e.HeightText = BoxSideText(VerArc(p), p.FRussian);
  const QString time = TwoDigits(e.Seconds / 3600) + QLatin1Char(':') + TwoDigits(e.Seconds / 60 % 60) +
                       QLatin1Char(':') + TwoDigits(e.Seconds % 60);
  const QString cr = QStringLiteral("\r");
  if (p.FRussian) {
    e.Comments = cr + QString::fromUtf8("Панорама: ") + QString::number(e.Frames) +
                 QString::fromUtf8(" кадров. ") + QString::fromUtf8("Съёмка займёт около ") + time + cr + cr +
                 QString::fromUtf8("Панорама охватит объект размером") + cr + e.WidthText +
                 QString::fromUtf8(" на ") + e.HeightText + QString::fromUtf8(" метров ") + cr +
                 QString::fromUtf8("на расстоянии 50 метров от камеры.");
  } else {
    e.Comments = cr + QStringLiteral("Panorama: ") + QString::number(e.Frames) + QStringLiteral(" frames. ") +
                 QStringLiteral("Panning will take about ") + time + cr + cr +
                 QStringLiteral("Panning will cover box shaped object,") + cr + e.WidthText +
                 QStringLiteral(" by ") + e.HeightText + QStringLiteral(" meters ") + cr +
                 QStringLiteral("located 50 meters from the camera.");
  }
  return e;
}

QString SpeedText(std::uint8_t speed, TSpeedTextSource source, bool russian) {
  switch (speed) {
  case 0:
    switch (source) {
    case TSpeedTextSource::FunctionKeys:
      return Tr(russian, "Thermo Profile", "Термопрофиль");
    case TSpeedTextSource::Images:
      return Tr(russian, "Thermoprofile", "Термопрофиль");
    case TSpeedTextSource::Show:
      return Tr(russian, "Thermo profile", "Термопрофиль");
    }
    break;
  case 1:
    return Tr(russian, "Slow Speed", "Медленно");
  case 2:
    return Tr(russian, "Standard Speed", "Стандартно");
  default:
    break;
  }
  return Tr(russian, "Fast Speed", "Быстро");
}

QString SumText(int sumCount, bool onShow, bool russian) {
  if (sumCount <= 1)
    return onShow ? Tr(russian, "NoSum", "БезСуммы") : Tr(russian, "No Sum", "Без суммы");
  return Tr(russian, "Sum ", "Сумма ") + QString::number(sumCount) + Tr(russian, " frames", " кадров");
}

QString HorizontalText(const TPanoPlan &p) {
  return Tr(p.FRussian, "Horizontal: ", "Горизонталь: ") + QString::number(p.FCols) + QStringLiteral(" - ") +
         QString::number(RoundToInt32(HorArc(p))) + QString::fromUtf8(" °");
}

QString VerticalText(const TPanoPlan &p) {
  return Tr(p.FRussian, "Vertical:", "Вертикаль:") + QStringLiteral("\r") + QString::number(p.FRows) +
         QStringLiteral(" - ") + QString::number(RoundToInt32(VerArc(p))) + QString::fromUtf8(" °");
}

QString RiseText(const TPanoPlan &p) {
  const double rise = -(p.FRise + (p.FHalfRowShift ? 0.5 : 0.0)) * p.FVerStepAngle - p.FVerFov / 2.0;
  return Tr(p.FRussian, "Rise: ", "Подъём: ") + QString::number(RoundToInt32(rise)) + QString::fromUtf8(" °");
}

TNetGeometry NetGeometry(const TPanoPlan &p, int w, int h) {
  TNetGeometry g;
  const double odd = p.FCols % 2 != 0 ? 0.5 : 0.0;
  const double maxCols = p.FMaxCols;
  const double maxRows = p.FMaxRows;
  const double left = maxCols / 2.0 - p.FCols / 2.0 - odd;
  const double right = maxCols / 2.0 + p.FCols / 2.0 - odd;
  const double top = p.FMaxRows - p.FRowsBelowHorizon - p.FRows + p.FRise;
  const double bottom = p.FMaxRows - p.FRowsBelowHorizon + p.FRise;
  g.Grid = TRect{Coordinate(left / maxCols, w), Coordinate(top / maxRows, h), Coordinate(right / maxCols, w),
                 Coordinate(bottom / maxRows, h)};
  g.CentreX = Coordinate((p.FMaxCols / 2 - odd) / maxCols, w);
  const double horizonRow = p.FMaxRows - p.FRowsBelowHorizon - 1 + (p.FHalfRowShift ? 0.0 : 0.5);
  g.HorizonY = Coordinate(horizonRow / maxRows, h);
  return g;
}

TRect NetCellRect(const TPanoPlan &p, TPoint cell, int w, int h) {
  const double cw = static_cast<double>(w) / p.FMaxCols;
  const double ch = static_cast<double>(h) / p.FMaxRows;
  return TRect{RoundToInt32(cell.X * cw), RoundToInt32(cell.Y * ch), RoundToInt32((cell.X + 1) * cw),
               RoundToInt32((cell.Y + 1) * ch)};
}

TPoint NetCellAt(const TPanoPlan &p, int x, int y, int w, int h) {
  if (w <= 0 || h <= 0)
    return TPoint{-1, -1};
  return TPoint{TruncToInt32(static_cast<double>(x) / w * p.FMaxCols),
                TruncToInt32(static_cast<double>(y) / h * p.FMaxRows)};
}

TPoint HeadCellOf(const TPanoPlan &p, std::int32_t horCounter, std::int32_t verCounter, int horStep,
                  int verStep) {
  // Steps of 0 would put the head at no cell; the net's middle stands in.
  const double hor = horStep != 0 ? horCounter / 256.0 / horStep : 0.0;
  const double ver = verStep != 0 ? -verCounter / 256.0 / verStep : 0.0;
  return TPoint{RoundToInt32(hor + p.FMaxCols / 2.0 - 1.0),
                RoundToInt32(ver + p.FMaxRows - p.FRowsBelowHorizon - (p.FHalfRowShift ? 1 : 0) - 1)};
}

TPoint GotoTargetOf(const TPanoPlan &p, TPoint cell, int horStep, int verStep) {
  const double even = p.FCols % 2 == 0 ? 0.5 : 0.0;
  const double hor = (cell.X - p.FMaxCols / 2.0 - even + 1.0) * horStep;
  const double ver =
      (p.FMaxRows - p.FRowsBelowHorizon - cell.Y - (p.FHalfRowShift ? 0.5 : 0.0) - 1.0) * verStep;
  return TPoint{TruncToInt32(hor), TruncToInt32(ver)};
}

} // namespace calidarix
