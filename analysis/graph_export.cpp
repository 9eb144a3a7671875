#include "analysis/graph_export.h"

#include "analysis/measure_texts.h"
#include "platform/atomic_file.h"
#include "platform/numbers.h"

#include <QFile>

#include <cmath>

namespace calidarix {

namespace {

const QChar kTabChar(9);
const QChar kCr(13);

// The seven-digit, two-decimal form of every exported value.
QString Value(double v, char decimalSeparator) {
  return SignificantFixedText(v, 7, 2, decimalSeparator);
}

double BinCentre(const TGraphExport &graph, int bin) {
  return graph.LowLimitTemp + (graph.HighLimitTemp - graph.LowLimitTemp) * (bin + 0.5) / kHistogramBins;
}

void Cell(QByteArray &out, int column, int row, const QString &value) {
  out +=
      "C;X" + QByteArray::number(column) + ";Y" + QByteArray::number(row) + ";K" + value.toLatin1() + "\r\n";
}

} // namespace

QString SignificantFixedText(double v, int precision, int decimals, char decimalSeparator) {
  return FixedPrecisionText(v, decimals, precision, decimalSeparator);
}

QString GraphClipboardText(const TGraphExport &graph) {
  static const std::vector<TProfile> none;
  const std::vector<TProfile> &profiles = graph.Profiles ? *graph.Profiles : none;
  std::size_t rows = 0;
  for (const TProfile &slot : profiles)
    rows = std::max(rows, slot.size());
  QString text;
  for (std::size_t r = 0; r < rows; ++r) {
    if (graph.Tag == 2) {
      // Only the live slot holds bins; a row is its centre and its count.
      QStringList cells;
      for (const TProfile &slot : profiles)
        if (slot.size() > r) {
          cells << Value(BinCentre(graph, static_cast<int>(r)), ',');
          cells << QString::number(TruncToInt64(slot[r]));
        }
      text += cells.join(kTabChar) + kCr;
      continue;
    }
    for (std::size_t p = 0; p < profiles.size(); ++p) {
      if (profiles[p].size() > r)
        text += Value(profiles[p][r], ',');
      text += kTabChar;
      if (p == 0)
        text += kTabChar;
    }
    text += kCr;
  }
  return text;
}

QByteArray GraphSylkText(const TGraphExport &graph) {
  static const std::vector<TProfile> none;
  const std::vector<TProfile> &profiles = graph.Profiles ? *graph.Profiles : none;
  QByteArray out = "ID;E\r\n";
  const std::size_t n = profiles.empty() ? 0 : profiles[0].size();
  // The time and histogram windows put their time or temperature column first.
  if ((graph.Tag == 1 || graph.Tag == 2) && n > 1) {
    for (std::size_t r = 1; r <= n; ++r) {
      const double v = graph.Tag == 1 ? static_cast<double>(r) * graph.FrameInterval
                                      : BinCentre(graph, static_cast<int>(r) - 1);
      Cell(out, 1, static_cast<int>(r), Value(v, '.'));
    }
  }
  const int first = graph.Tag == 1 || graph.Tag == 2 ? 2 : 1;
  for (std::size_t c = 0; c < profiles.size() && !profiles[c].empty(); ++c) {
    const TProfile &slot = profiles[c];
    if (slot.size() < 2)
      continue;
    double total = 0.0;
    for (float v : slot)
      total += v;
    for (std::size_t r = 0; r < slot.size(); ++r) {
      const QString value = graph.Tag == 2 ? SignificantFixedText(total > 0.0 ? slot[r] / total : 0.0, 1, 7)
                                           : Value(slot[r], '.');
      Cell(out, first + static_cast<int>(c), static_cast<int>(r) + 1, value);
    }
  }
  out += "E\r\n";
  return out;
}

IoResult SaveGraphSylk(const QString &fileName, const TGraphExport &graph) {
  const QByteArray text = GraphSylkText(graph);
  std::string error;
  if (!WriteFileAtomically(QFile::encodeName(fileName).toStdString(),
                           std::string_view(text.constData(), static_cast<std::size_t>(text.size())), &error))
    return IoResult::Error(
        QStringLiteral("Cannot write \"%1\": %2").arg(fileName, QString::fromStdString(error)));
  return IoResult::Ok();
}

} // namespace calidarix
