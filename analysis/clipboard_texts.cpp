#include "analysis/clipboard_texts.h"

#include "analysis/measure_texts.h"
#include "analysis/region_pixels.h"
#include "platform/numbers.h"

#include <QObject>

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

const QString kTab = QStringLiteral("\t");
const QString kCrLf = QStringLiteral("\r\n");

QString General(double v, char separator = '.') {
  return QString::fromStdString(FloatToText(v, separator));
}

} // namespace

QString RegionTableText(const TDTV &dtv, const TAreaRecord &area, int mode) {
  TRect r{0, 0, dtv.Width(), dtv.Height()};
  if (!area.IsEmpty())
    r = NormalizeRect(area.Rect());
  const int left = std::max(r.Left, 0);
  const int top = std::max(r.Top, 0);
  const int right = std::min(r.Right, dtv.Width());
  const int bottom = std::min(r.Bottom, dtv.Height());
  QString text;
  for (int x = left; x < right; ++x) {
    for (int y = top; y < bottom; ++y) {
      const double t = dtv.TemperatureAt(x, y);
      text += (mode > 1 ? General(std::pow(t, mode), ',') : Fixed2(t, ',')) + kTab;
    }
    text += QLatin1Char('\r');
  }
  return text;
}

QString MarkerValuesText(const TDTV &dtv, const std::vector<TPointRecord> &points,
                         const std::vector<TAreaRecord> &areas, const std::array<QString, 5> &statTexts) {
  QString text;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double t = dtv.TemperatureAt(points[i].X, points[i].Y);
    text += statTexts[4] + QString::number(i + 1) + kTab + General(RoundHalfEven(t * 100.0) / 100.0) + kCrLf;
  }
  if (areas.empty())
    return text;
  text +=
      kCrLf + kTab + statTexts[0] + kTab + statTexts[2] + kTab + statTexts[1] + kTab + statTexts[3] + kCrLf;
  TStatisticsSettings all;
  for (std::size_t j = 0; j < areas.size(); ++j) {
    const TAreaRecord &a = areas[j];
    const TRegionStatistics st = CountRegion(dtv, NormalizeRect(a.Rect()), false, all);
    std::int32_t average = 0;
    if (a.Right != a.Left && a.Bottom != a.Top && st.Count > 0)
      average = RoundToInt32(static_cast<double>(st.Sum) / static_cast<double>(st.Count));
    text += QStringLiteral("A") + QString::number(j + 1) + kTab + Fixed2(dtv.RawToTemperature(st.RawMin)) +
            kTab + Fixed2(dtv.RawToTemperature(average)) + kTab + Fixed2(dtv.RawToTemperature(st.RawMax)) +
            kTab + QString::number(st.Count) + kCrLf;
  }
  return text;
}

bool CarriesTelemetry(const TDTV &dtv) {
  return dtv.FRaw.size() >= 9 && dtv.FRaw[0] == 0 && dtv.FRaw[1] == 65535;
}

std::optional<QString> TelemetryText(TDTV &dtv, const TAreaRecord &area, bool ellipse,
                                     const TStatisticsSettings &settings, std::int32_t &lastAverage) {
  if (!CarriesTelemetry(dtv))
    return std::nullopt;
  const QString file = dtv.FFileName;
  const int frames = dtv.FHeader.FrameCount;
  QString text;
  std::int64_t firstStamp = 0;
  for (int n = 1; n <= frames; ++n) {
    if (!dtv.LoadFromFile(file, n) || !CarriesTelemetry(dtv))
      return std::nullopt;
    dtv.FFrameIndex = n;
    if (!area.IsEmpty())
      lastAverage = CountRegion(dtv, NormalizeRect(area.Rect()), ellipse, settings).RawAvg;
    const TFilmFrameRecord &rec = dtv.FFrameRec;
    const double t = (rec.MaxTemp - rec.MinTemp) * lastAverage / 65535.0 + rec.MinTemp;
    if (n == 1)
      firstStamp = rec.TimeStamp;
    QString line = QString::number(static_cast<std::int64_t>(rec.TimeStamp) - firstStamp);
    for (int w = 0; w < 3; ++w)
      line +=
          kTab + Fixed2(static_cast<std::int16_t>(dtv.FRaw[static_cast<std::size_t>(2 + w)]) / 256.0, ',');
    line += kTab;
    for (int w = 3; w < 7; ++w)
      line += QString::number(dtv.FRaw[static_cast<std::size_t>(2 + w)]) + kTab;
    text += line + Fixed2(t, ',') + QLatin1Char('\r');
  }
  return text;
}

} // namespace calidarix
