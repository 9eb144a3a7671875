// Markers on the image: points with their temperatures, area outlines with their statistic labels, the
// profile lines, leaders from moved labels, and the minimum and maximum markers. Everything is drawn on
// the painter the caller gives, so the box, the snapshot and printing show the same.

#include "mainwindow/ui/main_window.h"

#include "analysis/marker_geometry.h"
#include "analysis/measure_texts.h"
#include "analysis/region_statistics.h"
#include "analysis/ui/graph_form.h"
#include "mainwindow/ui/glyphs.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>

namespace calidarix {

namespace {

constexpr auto kInvert = QPainter::RasterOp_NotDestination;

// Colour k of the graphs: 0 black, then the seven profile colours.
QColor GraphColour(int k) {
  static const std::array<QColor, 8> colours{QColor(Qt::black),   QColor(255, 0, 0),   QColor(0, 0, 255),
                                             QColor(0, 128, 0),   QColor(255, 0, 255), QColor(0, 255, 0),
                                             QColor(0, 255, 255), QColor(128, 128, 0)};
  return colours[static_cast<std::size_t>(((k % 8) + 8) % 8)];
}

QPoint Q(TPoint p) {
  return QPoint(p.X, p.Y);
}

// The marker font: FontN / 432 of the target's height.
QFont MarkerFont(int height) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(std::max(1, RoundToInt32(FontN / 432.0 * height)));
  return font;
}

// A GDI-style outline over (l, t) .. (r, b) with the right column and bottom row left out.
QRect OutlineRect(const TRect &s) {
  const TRect n = NormalizeRect(s);
  return QRect(n.Left, n.Top, std::max(n.Right - n.Left - 1, 0), std::max(n.Bottom - n.Top - 1, 0));
}

} // namespace

void TCalidarix::DrawShadowText(QPainter &painter, int x, int y, const QString &text) {
  TextOutShadowed(painter, x, y, text, FTextColor, Invert1 && Invert1->isChecked());
}

void TCalidarix::DrawArrowLine(QPainter &painter, QPoint from, QPoint tip, bool filled) {
  const TArrowHead head = ArrowHead(TPoint{from.x(), from.y()}, TPoint{tip.x(), tip.y()});
  if (head.Empty)
    return;
  painter.save();
  if (filled) {
    painter.drawLine(from, tip);
    painter.setBrush(painter.pen().color());
    painter.drawPolygon(QPolygon({tip, Q(head.Wing1), Q(head.Wing2)}));
  } else {
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygon({from, Q(head.Base), Q(head.Wing1), tip, Q(head.Wing2), Q(head.Base)}));
  }
  painter.restore();
}

void TCalidarix::DrawMarkers(QPainter &painter, const TRect &r) {
  if (!CurrentDTV)
    return;
  painter.save();
  painter.setBrush(Qt::NoBrush);
  const int width = r.Right - r.Left;
  const int height = r.Bottom - r.Top;
  for (const TPointRecord &point : FMarkers.FPoints)
    DrawPoint(painter, point, r.Right, r.Bottom);

  painter.setCompositionMode(kInvert);
  const bool dotted = FRubberBand && !FMarkers.FCurrentArea.IsAllZero();
  painter.setPen(QPen(Qt::white, 0, dotted ? Qt::DotLine : Qt::SolidLine));
  DrawArray(painter, FMarkers.FCurrentArea, width, height, false);
  painter.setPen(QPen(Qt::white, 0, Qt::SolidLine));
  for (TAreaRecord &area : FMarkers.FAreas)
    DrawArray(painter, area, width, height, true);
  if (!FMarkers.FFreePolygon.empty() && !FPolygonMoving)
    DrawFreeArray(painter, FMarkers.FFreePolygon, r.Right, r.Bottom, false);
  for (const TPolygon &polygon : FMarkers.FPolygons)
    DrawFreeArray(painter, polygon, r.Right, r.Bottom, true);
  if (FGraphShown) {
    DrawGraphLine(painter, FMarkers.FProfileLine, 0, r);
    // The stored profile lines are those of the thermo-profile window's stored profiles.
    const std::size_t stored = GraphForm ? static_cast<std::size_t>(std::max(GraphForm->FStoredCount, 0)) : 0;
    for (std::size_t i = 1; i < FMarkers.FProfileLines.size() && i <= stored; ++i) {
      const int k = static_cast<int>(i % 7);
      DrawGraphLine(painter, FMarkers.FProfileLines[i], k == 0 ? 7 : k, r);
    }
  }
  painter.restore();
}

void TCalidarix::DrawPoint(QPainter &painter, const TPointRecord &point, int width, int height) {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const double t = dtv.TemperatureAt(point.X, point.Y);
  const double v = FIsInteger ? RoundHalfEven(t) : RoundHalfEven(t * 100.0) / 100.0;
  const TPoint s = GetScreenPoint(TPoint{point.X, point.Y});
  const TPoint l = GetScreenPoint(TPoint{point.X + point.DX, point.Y + point.DY});
  const auto inside = [&](TPoint p) { return p.X >= 0 && p.Y >= 0 && p.X < width && p.Y < height; };
  if (!inside(s) || !inside(l))
    return;

  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QFont font = MarkerFont(height);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const QString value = MarkerValueText(t, FIsInteger);
  QString text = value;
  const bool difference = FMeasure.FPointDiffMode && !FMarkers.FPoints.empty();
  if (difference) {
    const TPointRecord &first = FMarkers.FPoints.front();
    const double d = RoundHalfEven((v - dtv.TemperatureAt(first.X, first.Y)) * 100.0) / 100.0;
    text += QStringLiteral("(") + (d > 0.0 ? QStringLiteral("+") : QString()) +
            QString::fromStdString(FloatToText(d)) + QStringLiteral(")");
  }
  if (FMeasure.FPointsCount)
    text = (difference ? QStringLiteral("D") : QStringLiteral("T")) + QString::number(point.Number) +
           QStringLiteral(":") + text;
  const int w = metrics.horizontalAdvance(text);
  const int h = metrics.height();
  const int h1 = metrics.height(); // the plain value text has the same line height
  const bool leader = point.DX != 0 || point.DY != 0;
  TPoint offset;
  if (!leader) {
    DrawArrowMarker(painter, Q(s), point.Direction, font.pointSize());
    offset = LabelTextOffset(point.Direction, w, h, h1);
  } else {
    offset = LabelTextOffset(point.DX > 0 ? 3 : 2, w, h, h1);
    const int underline = point.DX > 0 ? w : -w;
    for (const auto &[colour, d] : {std::pair{QColor(Qt::black), 1}, std::pair{QColor(Qt::white), 0}}) {
      painter.setPen(QPen(colour, 0));
      painter.setBrush(colour);
      DrawArrowLine(painter, QPoint(l.X + d, l.Y + d), QPoint(s.X + d, s.Y + d), true);
      painter.drawLine(l.X + d, l.Y + d, l.X + d + underline, l.Y + d);
    }
  }
  painter.setPen(Qt::black);
  TextOut(painter, l.X + offset.X + 1, l.Y + offset.Y + 1, text);
  painter.setPen(FTimeGraphShown ? GraphColour(point.Number % 7) : FTextColor);
  TextOut(painter, l.X + offset.X, l.Y + offset.Y, text);
  painter.restore();
}

void TCalidarix::DrawArray(QPainter &painter, TAreaRecord &area, int, int height, bool withLabel) {
  if (area.IsEmpty() || !CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const QString n = FMeasure.FPointsCount ? QString::number(area.Count) : QString();
  TRect s = GetScreenRect(area.Rect());
  const std::int64_t cx = (std::int64_t{area.Left} + area.Right) / 2;
  const std::int64_t cy = (std::int64_t{area.Top} + area.Bottom) / 2;
  const bool leader = area.DX != 0 || area.DY != 0;
  TPoint anchor{s.Left, s.Top};
  if (leader)
    anchor =
        GetScreenPoint(TPoint{RoundToInt32((area.Left + static_cast<double>(area.Right)) / 2.0 + area.DX),
                              RoundToInt32((area.Top + static_cast<double>(area.Bottom)) / 2.0 + area.DY)});
  const TPoint leaderEnd = GetScreenPoint(AreaBoundaryPoint(
      TRect{area.Left, area.Top, area.Right + 1, area.Bottom + 1},
      TPoint{static_cast<std::int32_t>(cx + area.DX), static_cast<std::int32_t>(cy + area.DY)}, ArrayType));
  if (withLabel)
    s = TRect{s.Left + 1, s.Top + 1, s.Right - 1, s.Bottom - 1};
  if (s.Left != s.Right && s.Top != s.Bottom) {
    if (ArrayType == 1)
      painter.drawEllipse(OutlineRect(s));
    else
      painter.drawRect(OutlineRect(s));
  }
  if (!withLabel)
    return;

  // The values: as stored while they hold statistics of an average, minimum or maximum label, else
  // measured again over the rectangle.
  double rIn = 0.0, qIn = 0.0, rOut = 0.0, qOut = 0.0, d = 0.0, sd = 0.0;
  const bool stored = (area.RawMin != 0 || area.RawMax != 0 || area.RawAvg != 0) && ArrayStatistic < 4;
  if (area.Count == 0) {
    area.RawMin = area.RawMax = area.RawAvg = 0;
  } else if (!stored) {
    const TRegionStatistics st =
        CountRegion(dtv, NormalizeRect(area.Rect()), false, CurrentStatisticsSettings(dtv));
    area.RawMin = st.RawMin;
    area.RawMax = st.RawMax;
    area.RawAvg = st.RawAvg;
    rIn = st.RIn;
    qIn = st.QIn;
    rOut = st.ROut;
    qOut = st.QOut;
    d = st.SigmaMeanSquare;
    sd = st.SigmaRms;
  }

  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QFont font = MarkerFont(height);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int fh = metrics.height();
  if (leader) {
    for (const auto &[colour, o] : {std::pair{QColor(Qt::black), 1}, std::pair{QColor(Qt::white), 0}}) {
      painter.setPen(QPen(colour, 0));
      painter.setBrush(colour);
      DrawArrowLine(painter, QPoint(anchor.X + o, anchor.Y + o), QPoint(leaderEnd.X + o, leaderEnd.Y + o),
                    true);
    }
    area.Direction = AreaLabelDirection(area.DX, area.DY);
  }
  const auto valueText = [&](int raw) { return MarkerValueText(dtv.RawToTemperature(raw), FIsInteger); };
  const auto figureText = [&](double v) { return MarkerValueText(v, FIsInteger); };
  const QString avgText = FStatTexts[2] + n + QStringLiteral(":") + valueText(area.RawAvg);
  const QString minText = FStatTexts[0] + n + QStringLiteral(":") + valueText(area.RawMin);
  const QString maxText = FStatTexts[1] + n + QStringLiteral(":") + valueText(area.RawMax);
  const auto underline = [&](const QString &text) {
    if (!leader)
      return;
    const int w = metrics.horizontalAdvance(text);
    const int end = area.DX >= 1 ? anchor.X + w : anchor.X - w;
    painter.setPen(QPen(Qt::black, 0));
    painter.drawLine(anchor.X + 1, anchor.Y + 1, end + 1, anchor.Y + 1);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawLine(anchor.X, anchor.Y, end, anchor.Y);
  };
  const auto twoLines = [&](const QString &first, const QString &second) {
    DrawShadowText(painter, s.Left + 2, s.Top, first);
    DrawShadowText(painter, s.Left + 2, s.Top + fh, second);
  };
  switch (ArrayStatistic) {
  case 0:
  case 1:
  case 2: {
    const QString text = ArrayStatistic == 0 ? avgText : (ArrayStatistic == 1 ? minText : maxText);
    underline(text);
    const TPoint o = LabelTextOffset(area.Direction, metrics.horizontalAdvance(text), fh, fh);
    DrawShadowText(painter, anchor.X + o.X, anchor.Y + o.Y, text);
    break;
  }
  case 3:
    underline(avgText);
    DrawShadowText(painter, s.Left + 2, s.Top, avgText);
    DrawShadowText(painter, s.Left + 2, s.Top + fh, minText);
    DrawShadowText(painter, s.Left + 2, s.Top + 2 * fh, maxText);
    break;
  case 4:
    twoLines(QStringLiteral("RIn:") + figureText(rIn), QStringLiteral("QIn:") + figureText(qIn));
    break;
  case 5:
    twoLines(QStringLiteral("ROut:") + figureText(rOut), QStringLiteral("QOut:") + figureText(qOut));
    break;
  case 7:
    twoLines(QStringLiteral("D:") + figureText(d), QStringLiteral("S:") + figureText(sd));
    break;
  default:
    break;
  }
  painter.restore();
}

void TCalidarix::DrawFreeArray(QPainter &painter, const TPolygon &polygon, int, int height, bool withLabel) {
  if (polygon.empty() || !CurrentDTV)
    return;
  QPolygon outline;
  for (const TPoint &p : polygon)
    outline << Q(GetScreenPoint(p));
  painter.drawPolygon(outline);
  if (!withLabel)
    return;
  CountFreeArray(polygon);
  const TDTV &dtv = *CurrentDTV;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QFont font = MarkerFont(height);
  painter.setFont(font);
  const int fh = QFontMetrics(font).height();
  const QPoint first = outline.front();
  const auto value = [&](int raw) {
    return QString::fromStdString(FloatToText(RoundHalfEven(dtv.RawToTemperature(raw) * 100.0) / 100.0));
  };
  const QString avg = FStatTexts[2] + QStringLiteral(":") + value(FMeasure.FAreaRawAvg);
  const QString min = FStatTexts[0] + QStringLiteral(":") + value(FMeasure.FAreaRawMin);
  const QString max = FStatTexts[1] + QStringLiteral(":") + value(FMeasure.FAreaRawMax);
  const auto blackThenWhite = [&](int dy, const QString &text) {
    painter.setPen(Qt::black);
    TextOut(painter, first.x() + 3, first.y() + 1 + dy, text);
    painter.setPen(Qt::white);
    TextOut(painter, first.x() + 2, first.y() + dy, text);
  };
  switch (ArrayStatistic) {
  case 0:
    blackThenWhite(0, avg);
    break;
  case 1:
    blackThenWhite(0, min);
    break;
  case 2:
    blackThenWhite(0, max);
    break;
  case 3:
    blackThenWhite(0, avg);
    blackThenWhite(10, min);
    blackThenWhite(20, max);
    break;
  case 7:
    DrawShadowText(painter, first.x() + 3, first.y(),
                   QStringLiteral("D:") + MarkerValueText(FMeasure.SigmaRefMeanSquare, FIsInteger));
    DrawShadowText(painter, first.x() + 3, first.y() + fh,
                   QStringLiteral("S:") + MarkerValueText(FMeasure.SigmaRefRms, FIsInteger));
    break;
  default:
    break;
  }
  painter.restore();
}

void TCalidarix::DrawGraphLine(QPainter &painter, const TLineRecord &line, int colourIndex, const TRect &) {
  if (line.X1 == line.X2 && line.Y1 == line.Y2)
    return;
  painter.save();
  painter.setBrush(Qt::NoBrush);
  if (colourIndex == 0) {
    painter.setCompositionMode(kInvert);
    painter.setPen(QPen(Qt::white, 0));
  } else {
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(GraphColour(colourIndex), 0));
  }
  const TRect s = GetScreenRect(TRect{line.X1, line.Y1, line.X2, line.Y2});
  painter.drawRect(QRect(QPoint(s.Left - 3, s.Top - 3), QPoint(s.Left + 2, s.Top + 2)));
  painter.drawRect(QRect(QPoint(s.Right - 3, s.Bottom - 3), QPoint(s.Right + 2, s.Bottom + 2)));
  painter.drawLine(s.Left, s.Top, s.Right, s.Bottom);
  // Where the thermo profile's cursor is on the line.
  const int n = GraphForm ? GraphForm->SampleCount() : 0;
  if (n > 0 && painter.pen().style() != Qt::DotLine) {
    const double t = static_cast<double>(GraphForm->CursorIndex()) / n;
    const QPoint c(s.Left + RoundToInt32(t * (s.Right - s.Left)),
                   s.Top + RoundToInt32(t * (s.Bottom - s.Top)));
    painter.drawRect(QRect(c - QPoint(2, 2), c + QPoint(2, 2)));
  }
  painter.restore();
}

void TCalidarix::DrawMinMaxMarkers(QPainter &painter, const TRect &r) {
  if (!FIsShowMinMax || !CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  TAreaRecord *source = &FMarkers.FCurrentArea;
  if (source->IsEmpty()) {
    // The whole frame; measured here without touching the labels, which show the frame already.
    TAreaRecord &frame = FMarkers.FFrameArea;
    frame.SetRect(TRect{0, 0, dtv.Width() - 1, dtv.Height() - 1});
    const TRegionStatistics st = CountRegion(dtv, frame.Rect(), false, CurrentStatisticsSettings(dtv));
    frame.MinPos = st.MinPos;
    frame.MaxPos = st.MaxPos;
    frame.RawMin = st.RawMin;
    frame.RawMax = st.RawMax;
    frame.RawAvg = st.RawAvg;
    frame.Count = static_cast<std::int32_t>(st.Count);
    source = &frame;
  }
  const int n = FIsDoubleMinMax ? 2 : 1;
  const QPoint m = Q(GetScreenPoint(source->MinPos));
  const QPoint big = Q(GetScreenPoint(source->MaxPos));
  if (n == 1) {
    TPointRecord hottest;
    hottest.X = source->MaxPos.X;
    hottest.Y = source->MaxPos.Y;
    hottest.Direction = 2;
    DrawPoint(painter, hottest, r.Right - r.Left, r.Bottom - r.Top);
  }
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setPen(QPen(isPalInverted ? Qt::black : Qt::white, 0));
  painter.setBrush(QColor(0, 0, 255));
  painter.drawPolygon(
      QPolygon({m, QPoint(m.x() - 4 * n, m.y() - 8 * n), QPoint(m.x() + 4 * n, m.y() - 8 * n)}));
  painter.setBrush(QColor(255, 0, 0));
  painter.drawPolygon(
      QPolygon({big, QPoint(big.x() - 4 * n, big.y() + 8 * n), QPoint(big.x() + 4 * n, big.y() + 8 * n)}));
  painter.setBrush(Qt::NoBrush);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const QRect frame(
      QPoint(std::clamp(big.x() - 20, r.Left, r.Right), std::clamp(big.y() - 25, r.Top, r.Bottom)),
      QPoint(std::clamp(big.x() + 20, r.Left, r.Right), std::clamp(big.y() + 25, r.Top, r.Bottom)));
  painter.drawRect(frame);
  painter.restore();
}

} // namespace calidarix
