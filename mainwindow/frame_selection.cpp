#include "mainwindow/frame_selection.h"

#include "platform/numbers.h"

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace calidarix {

namespace {

// A whole number typed by the user; leading and trailing blanks are allowed. Values beyond the int
// range are kept at its limits so that clamping into the film still works.
std::optional<int> WholeNumber(const QString &text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty())
    return std::nullopt;
  for (qsizetype i = 0; i < trimmed.size(); ++i) {
    const QChar c = trimmed[i];
    if (!(c.isDigit() || (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))))
      return std::nullopt;
  }
  const std::optional<std::int64_t> value = ParseInteger(trimmed.toStdString());
  if (!value) {
    // Only digits and a sign, yet too long for 64 bits: a huge number of that sign.
    return trimmed.startsWith(QLatin1Char('-')) ? INT32_MIN : INT32_MAX;
  }
  return static_cast<int>(std::clamp<std::int64_t>(*value, INT32_MIN, INT32_MAX));
}

QString NotAWholeNumber(const QString &what, const QString &text) {
  if (text.trimmed().isEmpty())
    return QStringLiteral("Enter a frame number in \"%1\".").arg(what);
  return QStringLiteral("\"%1\" in \"%2\" is not a whole number.").arg(text.trimmed(), what);
}

TFrameSelection Failed(const QString &error) {
  TFrameSelection out;
  out.Error = error;
  return out;
}

void AddRange(std::vector<int> &frames, int first, int last, int step) {
  for (std::int64_t k = first; k <= last; k += step)
    frames.push_back(static_cast<int>(k));
}

// "1-10,15": numbers and ranges separated by commas (semicolons and blanks are taken as well). Ranges
// are clamped into the film; items wholly outside it select nothing.
TFrameSelection ReadFramesList(const QString &text, int frameCount) {
  QString normalised = text;
  normalised.replace(QLatin1Char(';'), QLatin1Char(','));
  const QStringList items = normalised.split(QLatin1Char(','), Qt::SkipEmptyParts);
  std::vector<int> frames;
  bool anyItem = false;
  for (const QString &rawItem : items) {
    const QString item = rawItem.trimmed();
    if (item.isEmpty())
      continue;
    anyItem = true;
    // The dash of a range, not a leading minus sign.
    const qsizetype dash = item.indexOf(QLatin1Char('-'), 1);
    std::optional<int> first;
    std::optional<int> last;
    if (dash < 0) {
      first = last = WholeNumber(item);
    } else {
      first = WholeNumber(item.left(dash));
      last = WholeNumber(item.mid(dash + 1));
    }
    if (!first || !last)
      return Failed(
          QStringLiteral("\"%1\" in \"Frames\" is not a frame number or a range such as 1-10.").arg(item));
    if (*first > *last)
      std::swap(first, last);
    const int from = std::max(*first, 1);
    const int to = std::min(*last, frameCount);
    if (from <= to)
      AddRange(frames, from, to, 1);
  }
  if (!anyItem)
    return Failed(QStringLiteral("Enter the frames to save in \"Frames\", for example 1-10,15."));
  std::sort(frames.begin(), frames.end());
  frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
  if (frames.empty())
    return Failed(QStringLiteral("No frame of \"%1\" lies in the film (frames 1 to %2).")
                      .arg(text.trimmed())
                      .arg(frameCount));
  TFrameSelection out;
  out.Frames = std::move(frames);
  return out;
}

} // namespace

TFrameSelection SelectFilmFrames(const TFramesChoice &choice, int frameCount, int currentFrame,
                                 TReversedRange reversed) {
  if (frameCount < 1)
    return Failed(QStringLiteral("The film holds no frames."));
  TFrameSelection out;
  switch (choice.Option) {
  case TFramesOption::All:
    AddRange(out.Frames, 1, frameCount, 1);
    break;
  case TFramesOption::Current:
    out.Frames.push_back(std::clamp(currentFrame, 1, frameCount));
    break;
  case TFramesOption::Numbers: {
    const std::optional<int> from = WholeNumber(choice.NumbersFrom);
    if (!from)
      return Failed(NotAWholeNumber(QStringLiteral("Frames from"), choice.NumbersFrom));
    const std::optional<int> to = WholeNumber(choice.NumbersTo);
    if (!to)
      return Failed(NotAWholeNumber(QStringLiteral("to"), choice.NumbersTo));
    int first = std::clamp(*from, 1, frameCount);
    int last = std::clamp(*to, 1, frameCount);
    if (first > last) {
      if (reversed == TReversedRange::TakeLast)
        first = last;
      else
        last = first;
    }
    AddRange(out.Frames, first, last, 1);
    break;
  }
  case TFramesOption::FramesList:
    return ReadFramesList(choice.FramesList, frameCount);
  case TFramesOption::Every: {
    const std::optional<int> step = WholeNumber(choice.EveryStep);
    if (!step)
      return Failed(NotAWholeNumber(QStringLiteral("Every"), choice.EveryStep));
    if (*step < 1)
      return Failed(QStringLiteral("The step in \"Every\" must be at least 1, not %1.").arg(*step));
    const std::optional<int> from = WholeNumber(choice.EveryFrom);
    if (!from)
      return Failed(NotAWholeNumber(QStringLiteral("from"), choice.EveryFrom));
    AddRange(out.Frames, std::clamp(*from, 1, frameCount), frameCount, *step);
    break;
  }
  }
  return out;
}

} // namespace calidarix
