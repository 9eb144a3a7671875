#include "mainwindow/film_processing.h"

#include "mainwindow/film_frame_readers.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "thermogram/frame_statistics.h"
#include "thermogram/thermogram_globals.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

namespace calidarix {

namespace {

// A whole decimal number: optional sign and digits only, within 32 bits.
std::optional<std::int32_t> DecimalInt(QStringView text) {
  text = text.trimmed();
  if (text.isEmpty())
    return std::nullopt;
  qsizetype i = 0;
  const bool negative = text[0] == QLatin1Char('-');
  if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+'))
    i = 1;
  if (i == text.size())
    return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return std::nullopt;
    value = value * 10 + (c.unicode() - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
      return std::nullopt;
  }
  value = negative ? -value : value;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// "hh:nn:ss" with an optional ".zzz" (1 to 3 digits of milliseconds).
std::optional<std::int64_t> TimeOfDayMs(QStringView text) {
  text = text.trimmed();
  const qsizetype dot = text.indexOf(QLatin1Char('.'));
  const QStringView clock = dot < 0 ? text : text.left(dot);
  std::int64_t ms = 0;
  if (dot >= 0) {
    const QStringView fraction = text.mid(dot + 1);
    if (fraction.isEmpty() || fraction.size() > 3 || fraction[0] == QLatin1Char('-') ||
        fraction[0] == QLatin1Char('+'))
      return std::nullopt;
    const std::optional<std::int32_t> z = DecimalInt(fraction);
    if (!z)
      return std::nullopt;
    ms = *z;
  }
  const QList<QStringView> parts = clock.split(QLatin1Char(':'));
  if (parts.size() != 3)
    return std::nullopt;
  std::int64_t values[3];
  const int limits[3] = {24, 60, 60};
  for (int k = 0; k < 3; ++k) {
    if (parts[k].isEmpty() || parts[k].size() > 2 || parts[k][0] == QLatin1Char('-') ||
        parts[k][0] == QLatin1Char('+'))
      return std::nullopt;
    const std::optional<std::int32_t> v = DecimalInt(parts[k]);
    if (!v || *v >= limits[k])
      return std::nullopt;
    values[k] = *v;
  }
  return ((values[0] * 60 + values[1]) * 60 + values[2]) * 1000 + ms;
}

// The next field value: after the next ": ", up to and including the following space (the last field
// runs to the end of the line). `from` moves on to that space. Empty optional when there is no ": ".
std::optional<QStringView> NextField(QStringView line, qsizetype &from, bool toEnd) {
  const qsizetype colon = line.indexOf(QStringLiteral(": "), from);
  if (colon < 0)
    return std::nullopt;
  const qsizetype start = colon + 2;
  const qsizetype space = toEnd ? -1 : line.indexOf(QLatin1Char(' '), start);
  if (space < 0) {
    from = line.size();
    return line.mid(start);
  }
  from = space;
  return line.mid(start, space - start + 1);
}

QString SinReadText(QStringView line) {
  return line.size() > 60 ? line.left(60).toString() + QStringLiteral("...") : line.toString();
}

} // namespace

TSinParse ParseSinLine(QStringView line) {
  TSinParse result;
  if (line.trimmed().isEmpty())
    return result;
  result.Kind = TSinLineKind::Bad;
  qsizetype from = 0;
  const std::optional<QStringView> time = NextField(line, from, false);
  const std::optional<std::int64_t> ms = time ? TimeOfDayMs(*time) : std::nullopt;
  if (!ms) {
    result.Error = QStringLiteral("no time of day");
    return result;
  }
  TSinLine parsed;
  parsed.TimeMs = *ms;
  result.Line = parsed;
  const std::optional<QStringView> position = NextField(line, from, false);
  const std::optional<QStringView> text = position ? NextField(line, from, false) : std::nullopt;
  const std::optional<QStringView> number = text ? NextField(line, from, true) : std::nullopt;
  if (!number) {
    result.Error = QStringLiteral("fewer than four fields");
    return result;
  }
  const QStringView route = position->trimmed();
  const qsizetype plus = route.indexOf(QLatin1Char('+'));
  const std::optional<std::int32_t> picket = plus > 0 ? DecimalInt(route.left(plus)) : std::nullopt;
  const std::optional<std::int32_t> metres = plus > 0 ? DecimalInt(route.mid(plus + 1)) : std::nullopt;
  if (!picket || !metres) {
    result.Error = QStringLiteral("the route position is not picket+metres");
    return result;
  }
  const std::optional<std::int32_t> value = DecimalInt(*number);
  if (!value) {
    result.Error = QStringLiteral("the last field is not a whole number");
    return result;
  }
  // The recorder writes a negative picket with a leading zero instead of a minus sign.
  parsed.Picket = route.startsWith(QLatin1Char('0')) ? -*picket : *picket;
  parsed.Metres = *metres;
  parsed.SinText = text->toString();
  parsed.SinValue = *value;
  parsed.Valid = true;
  result.Kind = TSinLineKind::Ok;
  result.Line = parsed;
  return result;
}

std::optional<QString> ReadSinLine(QIODevice &file) {
  if (!file.isOpen() || file.atEnd())
    return std::nullopt;
  QByteArray bytes = file.readLine(kMaxSinLineBytes);
  while (bytes.endsWith('\n') || bytes.endsWith('\r'))
    bytes.chop(1);
  return Cp1251ToString(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

TSinMatcher::TSinMatcher(std::function<std::optional<QString>()> nextLine,
                         std::function<void(const QString &)> log)
    : FNextLine(std::move(nextLine)), FLog(std::move(log)) {}

std::optional<TSinLine> TSinMatcher::Read() {
  while (FNextLine) {
    const std::optional<QString> text = FNextLine();
    if (!text)
      return std::nullopt;
    ++FLineNo;
    const TSinParse parse = ParseSinLine(*text);
    if (parse.Kind == TSinLineKind::Empty)
      continue;
    if (parse.Kind == TSinLineKind::Bad && FLog)
      FLog(QStringLiteral("Route file line %1 \"%2\" not read: %3")
               .arg(FLineNo)
               .arg(SinReadText(*text), parse.Error));
    if (!parse.Line)
      continue; // without its time the line has no place among the others
    FAnyLineRead = FAnyLineRead || parse.Line->Valid;
    return parse.Line;
  }
  return std::nullopt;
}

std::optional<TSinLine> TSinMatcher::Match(std::int64_t frameTimeMs) {
  if (!FStarted) {
    FStarted = true;
    FCurrent = Read();
    FNext = FCurrent ? Read() : std::nullopt;
  }
  if (!FCurrent || FCurrent->TimeMs > frameTimeMs)
    return std::nullopt;
  while (FNext && FNext->TimeMs < frameTimeMs) {
    FCurrent = FNext;
    FNext = Read();
  }
  if (!FNext || !FCurrent->Valid)
    return std::nullopt;
  return FCurrent;
}

QString SinFileName(const QString &film) {
  return film + QStringLiteral(".sin");
}

QString DatFileName(const QString &film) {
  return film + QStringLiteral(".dat");
}

QByteArray FilmReportLine(const TFilmProcessTable &row, bool sinTimes) {
  // One line per frame read: it is put together in the report's code page directly, and only the
  // route's words and its text are converted.
  static const std::string picketWord = StringToCp1251(QStringLiteral(" пк +"));
  static const std::string metreWord = StringToCp1251(QStringLiteral(" м"));
  const std::int64_t ms = RoundToInt64(row.Time * 86400000.0);
  const auto ofDay = static_cast<int>(((ms % 86400000) + 86400000) % 86400000);
  char clock[16];
  const int clockLength = sinTimes
                              ? std::snprintf(clock, sizeof clock, "%02d:%02d:%02d.%03d", ofDay / 3600000,
                                              ofDay / 60000 % 60, ofDay / 1000 % 60, ofDay % 1000)
                              : std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", ofDay / 3600000,
                                              ofDay / 60000 % 60, ofDay / 1000 % 60);
  std::string frameNo = std::to_string(row.FrameNo);
  if (frameNo.size() < 4)
    frameNo.insert(0, 4 - frameNo.size(), '0');
  std::string line;
  line.reserve(96);
  line += frameNo;
  line += '\t';
  line.append(clock, static_cast<std::size_t>(std::max(clockLength, 0)));
  for (const float t : {row.MinTemp, row.MaxTemp, row.CameraTemp}) {
    line += '\t';
    line += FixedText(t, 2, '.');
  }
  line += '\t';
  // A route text never holds a space, so "No Data" only ever stands for a frame without a match.
  if (row.SinText != QLatin1String("No Data")) {
    line += std::to_string(row.Picket) + picketWord + std::to_string(row.Metres) + metreWord;
  } else {
    line += "No Data";
  }
  line += "\t(" + std::to_string(row.SinValue) + ')';
  line += StringToCp1251(row.SinText);
  line += "\r\n";
  return QByteArray(line.data(), static_cast<qsizetype>(line.size()));
}

void MeasureFilmFrame(const TDTV &frame, const TRect &rect, TFilmProcessTable &row,
                      const std::optional<RawSummary> &wholeFrame) {
  const int w = frame.Width();
  const int h = frame.Height();
  if (w < 1 || h < 1 || frame.FRaw.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
    return;
  TRect area{0, 0, w - 1, h - 1};
  bool whole = rect.Right <= rect.Left || rect.Bottom <= rect.Top;
  if (!whole) {
    const TRect clipped{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, w - 1),
                        std::min(rect.Bottom, h - 1)};
    if (clipped.Left <= clipped.Right && clipped.Top <= clipped.Bottom)
      area = clipped;
  }
  // Whole rows are one run; a rectangle is a run per row.
  const auto columns = static_cast<std::size_t>(area.Right - area.Left + 1);
  const bool wholeRows = columns == static_cast<std::size_t>(w);
  const std::size_t runLength =
      wholeRows ? columns * static_cast<std::size_t>(area.Bottom - area.Top + 1) : columns;
  const int runs = wholeRows ? 1 : area.Bottom - area.Top + 1;
  std::uint16_t lo = 65535;
  std::uint16_t hi = 0;
  std::uint64_t sum = 0;
  const bool wholeArea = area.Left == 0 && area.Top == 0 && area.Right == w - 1 && area.Bottom == h - 1;
  if (wholeArea && wholeFrame &&
      frame.FRaw.size() == static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    lo = wholeFrame->min;
    hi = wholeFrame->max;
    sum = wholeFrame->sum;
  }
  for (int r = 0; r < runs && !(wholeArea && wholeFrame); ++r) {
    const std::size_t first = static_cast<std::size_t>(area.Top + r) * static_cast<std::size_t>(w) +
                              static_cast<std::size_t>(area.Left);
    const RawSummary run = SummariseRaw(frame.FRaw.data() + first, runLength);
    lo = std::min(lo, run.min);
    hi = std::max(hi, run.max);
    sum += run.sum;
  }
  const std::int64_t count =
      std::int64_t{area.Right - area.Left + 1} * std::int64_t{area.Bottom - area.Top + 1};
  row.MeanTemp =
      static_cast<float>(frame.RawToTemperature(static_cast<int>(sum / static_cast<std::uint64_t>(count))));
  if (whole && frame.FHeader.Version == 5) {
    // A film frame's record carries the frame's own range.
    row.MinTemp = static_cast<float>(frame.FFrameRec.MinTemp);
    row.MaxTemp = static_cast<float>(frame.FFrameRec.MaxTemp);
  } else {
    row.MinTemp = static_cast<float>(frame.RawToTemperature(lo));
    row.MaxTemp = static_cast<float>(frame.RawToTemperature(hi));
  }
}

TFilmProcessOutcome ProcessFilm(TDTV &film, const TRect &rect, Progress &progress,
                                const std::function<void()> &letEventsRun) {
  TFilmProcessOutcome outcome;
  const int count = film.FHeader.FrameCount;
  const QString fileName = film.FFileName;
  if (count < 2) {
    outcome.Error = QStringLiteral("Film processing needs a film of two or more frames");
    return outcome;
  }
  if (!QFileInfo(fileName).isFile()) {
    outcome.Error = QStringLiteral("The film \"%1\" can no longer be read").arg(fileName);
    return outcome;
  }

  const std::optional<std::filesystem::path> sinPath =
      FindFileWithExtension(QtFileSystemPath(fileName), ".sin");
  QFile sin(sinPath ? QtPathText(*sinPath) : QString());
  if (sinPath && !sin.open(QIODevice::ReadOnly))
    ThermogramLog(
        QStringLiteral("Route file \"%1\" cannot be read: %2").arg(sin.fileName(), sin.errorString()));
  TSinMatcher matcher([&sin] { return ReadSinLine(sin); }, [](const QString &text) { ThermogramLog(text); });

  AtomicFileWriter report(QtFileSystemPath(DatFileName(fileName)));
  if (!report.Open()) {
    outcome.Error = QStringLiteral("Cannot write the report \"%1\": %2")
                        .arg(DatFileName(fileName), QString::fromStdString(report.Error()));
    return outcome;
  }
  film.FHasSinFile = sinPath.has_value();

  std::vector<TFilmProcessTable> rows(static_cast<std::size_t>(count));
  std::vector<std::uint32_t> seconds(static_cast<std::size_t>(count));
  // Report lines go to the file in blocks, not one write per frame.
  constexpr qsizetype kReportBlockBytes = 64 * 1024;
  QByteArray pending;
  pending.reserve(kReportBlockBytes + 256);
  const auto writePending = [&report, &pending] {
    const bool written = report.Write(pending.constData(), static_cast<std::size_t>(pending.size()));
    pending.clear();
    return written;
  };
  const auto reportError = [&fileName, &report] {
    return QStringLiteral("Cannot write the report \"%1\": %2")
        .arg(DatFileName(fileName), QString::fromStdString(report.Error()));
  };
  progress.SetProgressPrefix(QStringLiteral("Film processing"));
  progress.SetProgress(0);
  progress.Show();
  const auto hide = qScopeGuard([&progress] { progress.Hide(); });

  // The readers measure the frames ahead; the route file and the report take them here, in order.
  FilmFrameReaders readers(film, fileName, rect, rows, seconds);
  int done = 0;
  for (int i = 0; i < count; ++i) {
    progress.SetProgress(static_cast<int>(std::int64_t{i} * 100 / count));
    if (letEventsRun)
      letEventsRun();
    if (progress.Cancelled()) {
      outcome.Cancelled = true;
      break;
    }
    if (const QString error = readers.Wait(i, letEventsRun); !error.isEmpty()) {
      outcome.Error = error;
      break;
    }
    TFilmProcessTable &row = rows[static_cast<std::size_t>(i)];
    const std::uint32_t frameSeconds = seconds[static_cast<std::size_t>(i)];
    // Both the frame and the route file's lines are times of the film's own day.
    if (const std::optional<TSinLine> line = matcher.Match(std::int64_t{frameSeconds} * 1000)) {
      row.Picket = line->Picket;
      row.Metres = line->Metres;
      row.SinValue = line->SinValue;
      row.SinText = line->SinText;
    } else {
      row.Picket = 0;
      row.Metres = 0;
      row.SinValue = 0;
      row.SinText = QStringLiteral("No Data");
    }
    pending += FilmReportLine(row, matcher.AnyLineRead());
    if (pending.size() >= kReportBlockBytes && !writePending()) {
      outcome.Error = reportError();
      break;
    }
    ++done;
  }
  readers.Stop();
  if (!pending.isEmpty() && !writePending() && outcome.Error.isEmpty())
    outcome.Error = reportError();
  if (!report.Commit() && outcome.Error.isEmpty())
    outcome.Error = reportError();
  // The rows not reached are dropped rather than left holding another run's (or another film's) values.
  rows.resize(static_cast<std::size_t>(done));
  film.FFilmProcessTable = std::move(rows);
  outcome.FramesDone = done;
  outcome.Completed = done == count && outcome.Error.isEmpty();
  return outcome;
}

} // namespace calidarix
