#include "mainwindow/metro_report.h"

#include "platform/numbers.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <utility>

namespace calidarix {

namespace {

QString Temperature(double t) {
  return QString::fromStdString(FixedText(t, 1)) + QStringLiteral("°C");
}

// The text of the next field of a pick line: after the next ": " up to and without the next space.
// `from` moves to that space. nullopt when the line has no further field.
std::optional<QString> NextField(const QString &line, qsizetype &from, bool rest) {
  const qsizetype label = line.indexOf(QStringLiteral(": "), from);
  if (label < 0)
    return std::nullopt;
  const qsizetype start = label + 2;
  if (rest) {
    from = line.size();
    return line.mid(start);
  }
  const qsizetype space = line.indexOf(QLatin1Char(' '), start);
  if (space < 0)
    return std::nullopt;
  from = space;
  return line.mid(start, space - start);
}

std::optional<int> Whole(const QString &text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

std::optional<TPickLine> ParsePickLine(const QString &line) {
  qsizetype from = 0;
  const std::optional<QString> time = NextField(line, from, false);
  const std::optional<QString> position = time ? NextField(line, from, false) : std::nullopt;
  const std::optional<QString> name = position ? NextField(line, from, false) : std::nullopt;
  const std::optional<QString> number = name ? NextField(line, from, true) : std::nullopt;
  if (!number)
    return std::nullopt;

  static const QRegularExpression timePattern(
      QStringLiteral("^(\\d{1,2})\\D(\\d{1,2})\\D(\\d{1,2})(?:[.,](\\d{1,3}))?$"));
  const QRegularExpressionMatch t = timePattern.match(*time);
  if (!t.hasMatch())
    return std::nullopt;
  const int hours = t.captured(1).toInt();
  const int minutes = t.captured(2).toInt();
  const int seconds = t.captured(3).toInt();
  // "250" is 250 ms, "5" is 500 ms: the digits are a decimal fraction of the second.
  const int millis = t.captured(4).isEmpty() ? 0 : t.captured(4).leftJustified(3, QLatin1Char('0')).toInt();
  if (hours > 23 || minutes > 59 || seconds > 59)
    return std::nullopt;

  static const QRegularExpression positionPattern(QStringLiteral("^(\\d{1,9})\\+(\\d{1,9})$"));
  const QRegularExpressionMatch p = positionPattern.match(*position);
  const std::optional<int> lineNumber = Whole(*number);
  if (!p.hasMatch() || !lineNumber || name->isEmpty())
    return std::nullopt;

  TPickLine pick;
  pick.TimeMs = ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
  pick.Picket = p.captured(1).toInt();
  if (position->startsWith(QLatin1Char('0')))
    pick.Picket = -pick.Picket;
  pick.Metres = p.captured(2).toInt();
  pick.Name = *name;
  pick.Line = *lineNumber;
  return pick;
}

TPickTrack::TPickTrack(QStringList lines) : lines_(std::move(lines)) {}

TPickTrack::Held TPickTrack::Next() {
  while (next_ < lines_.size()) {
    const QString line = lines_[next_++];
    if (line.trimmed().isEmpty())
      continue; // blank lines carry no pick
    return Held{true, ParsePickLine(line)};
  }
  return Held{};
}

std::optional<TPickLine> TPickTrack::PickFor(int frameTimeMs) {
  if (!started_) {
    started_ = true;
    earlier_ = Next();
    later_ = Next();
  }
  if (!earlier_.Present)
    return std::nullopt;
  if (earlier_.Pick && earlier_.Pick->TimeMs > frameTimeMs)
    return std::nullopt; // the frame comes before the first pick
  // A line that cannot be read has no time; it is passed over, and covers the frames after it with no data.
  while (later_.Present && !(later_.Pick && later_.Pick->TimeMs >= frameTimeMs)) {
    earlier_ = later_;
    later_ = Next();
  }
  if (!later_.Present)
    return std::nullopt; // the frame comes after the last pick
  return earlier_.Pick;
}

TPickTrack ReadPickTrack(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return TPickTrack();
  QStringList lines;
  QTextStream in(&file);
  while (!in.atEnd())
    lines << in.readLine();
  return TPickTrack(lines);
}

std::array<QString, 8> MetroStripTexts(const TMetroFrame &frame) {
  const QString number = QString::number(frame.FrameIndex).rightJustified(5, QLatin1Char('0'));
  std::array<QString, 8> texts;
  texts[0] = frame.TimeText;
  texts[1] = frame.DateText;
  if (frame.Pick) {
    texts[2] = QStringLiteral("Кадр :%1 Пикет:%2 пк +%3 м")
                   .arg(number)
                   .arg(frame.Pick->Picket)
                   .arg(frame.Pick->Metres);
    texts[3] = QStringLiteral("Линия:(%1)%2").arg(frame.Pick->Line).arg(frame.Pick->Name);
  } else {
    texts[2] = QStringLiteral("Кадр :%1 Пикет: нет данных").arg(number);
    texts[3] = QStringLiteral("Линия: нет данных");
  }
  texts[4] = QStringLiteral("Тмакс:") + Temperature(frame.MaxTemp);
  texts[5] = QStringLiteral("Тмин :") + Temperature(frame.MinTemp);
  texts[6] = QStringLiteral("Твозд :") + Temperature(frame.AvgTemp);
  texts[7] = QStringLiteral("Дельта:") + Temperature(frame.MaxTemp - frame.AvgTemp);
  return texts;
}

QImage MetroReportPicture(const QImage &snapshot, const TMetroFrame &frame) {
  if (snapshot.isNull())
    return QImage();
  const int h = snapshot.height();
  const int w = snapshot.width();
  QImage picture(w, h + 34, QImage::Format_RGB32);
  if (picture.isNull())
    return picture;
  picture.fill(Qt::black);
  QPainter painter(&picture);
  painter.drawImage(0, 0, snapshot);
  const std::array<QString, 8> texts = MetroStripTexts(frame);
  // The design's "Courier" at a 15-pixel cell: a fixed-pitch face whose two lines fit the strip. The
  // frame and picket texts must end before the temperatures begin at W - 256; on a narrow snapshot the
  // face is made smaller (down to 8 pixels) rather than writing one text over the other.
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  const int room = w - 256 - 128 - 4;
  for (int size = 12; size >= 8; --size) {
    font.setPixelSize(size);
    const QFontMetrics metrics(font);
    if (std::max(metrics.horizontalAdvance(texts[2]), metrics.horizontalAdvance(texts[3])) <= room)
      break;
  }
  painter.setFont(font);
  painter.setPen(Qt::white);
  const int y0 = h + 2;
  const int y1 = y0 + 15;
  const int ascent = painter.fontMetrics().ascent();
  const std::array<QPoint, 8> at = {QPoint(4, y0),       QPoint(4, y1),       QPoint(128, y0),
                                    QPoint(128, y1),     QPoint(w - 256, y0), QPoint(w - 256, y1),
                                    QPoint(w - 128, y0), QPoint(w - 128, y1)};
  for (std::size_t i = 0; i < texts.size(); ++i)
    painter.drawText(at[i].x(), at[i].y() + ascent, texts[i]);
  return picture;
}

} // namespace calidarix
