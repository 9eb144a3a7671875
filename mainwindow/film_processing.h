#pragma once
// The film processing job: every frame of a film measured (the whole frame or a rectangle), the
// route position of the frame looked up in the film's ".sin" companion, one row per frame in the
// film's processing table and one line per frame in its ".dat" report.
//
// Companions are named by appending to the film's whole name: x.dtv has x.dtv.sin and x.dtv.dat.
//
// ".sin" lines (read only) hold four fields, each a label, ": " and a value, separated by single
// spaces: the time of day "hh:nn:ss.zzz", the route position "picket+metres" (a picket written with a
// leading 0 is negative), a text without spaces, and a whole number running to the end of the line.
// The lines are in time order; a frame takes the line at or before its time when the next line lies
// at or after it. Times are compared on the film's own day. A line that cannot be read is logged and
// matches no frame.
//
// The ".dat" report is replaced whole on every run (the old one stays until the new one is written):
// one line per processed frame, tab-separated, CR LF, Windows-1251.
//
// The job reads the frames into a thermogram of its own, so the thermogram the user looks at keeps
// its frame; only its processing table and FHasSinFile change.

#include "mainwindow/progress.h"
#include "thermogram/frame_statistics.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>

namespace calidarix {

// One line of a ".sin" file as read.
struct TSinLine {
  std::int64_t TimeMs = 0; // time of day in milliseconds
  bool Valid = false;      // position, text and number could be read
  std::int32_t Picket = 0;
  std::int32_t Metres = 0;
  std::int32_t SinValue = 0;
  QString SinText; // with its trailing space
};

enum class TSinLineKind { Empty, Bad, Ok };

struct TSinParse {
  TSinLineKind Kind = TSinLineKind::Empty;
  // Set for Ok, and for a Bad line whose time could still be read (it keeps its place in time).
  std::optional<TSinLine> Line;
  QString Error; // why a Bad line is bad
};

TSinParse ParseSinLine(QStringView line);

// A ".sin" line longer than this is no line the recorder wrote; it is read in pieces, which are bad.
inline constexpr qint64 kMaxSinLineBytes = 4096;

// The next line of an open ".sin" file without its line end, from Windows-1251; nullopt at its end.
std::optional<QString> ReadSinLine(QIODevice &file);

// Looks up frames in the lines of one ".sin" file, frames in time order, keeping the two lines
// around the last frame's time as it goes.
class TSinMatcher {
public:
  // nextLine gives the file's lines one by one and nullopt at its end; log receives the bad lines.
  TSinMatcher(std::function<std::optional<QString>()> nextLine, std::function<void(const QString &)> log);

  // The line that covers a frame at frameTimeMs (milliseconds since the film's midnight); nullopt for
  // no match, also when the covering line is a bad one.
  std::optional<TSinLine> Match(std::int64_t frameTimeMs);

  // Some line of the file could be read.
  bool AnyLineRead() const { return FAnyLineRead; }

private:
  std::optional<TSinLine> Read();

  std::function<std::optional<QString>()> FNextLine;
  std::function<void(const QString &)> FLog;
  std::optional<TSinLine> FCurrent;
  std::optional<TSinLine> FNext;
  bool FStarted = false;
  bool FAnyLineRead = false;
  int FLineNo = 0;
};

// The companions of a film.
QString SinFileName(const QString &film);
QString DatFileName(const QString &film);

// One report line, CR LF included, in Windows-1251. sinTimes: the film has a ".sin" file with readable
// lines, and the time is written with milliseconds.
QByteArray FilmReportLine(const TFilmProcessTable &row, bool sinTimes);

// Fills a row's measurement from a frame: over the inclusive rectangle, or over the whole frame when
// the rectangle is empty (Right <= Left or Bottom <= Top). The whole frame of a film takes its lowest
// and highest temperature from the frame record; a rectangle is clipped to the frame, and one
// outside it measures the whole frame by its pixels.
// wholeFrame, when given, is the minimum, maximum and sum of all of the frame's raw values as they
// are now (the reader's own figures); a measurement of the whole frame takes them instead of passing
// over the pixels again.
void MeasureFilmFrame(const TDTV &frame, const TRect &rect, TFilmProcessTable &row,
                      const std::optional<RawSummary> &wholeFrame = std::nullopt);

struct TFilmProcessOutcome {
  bool Completed = false; // every frame was processed
  bool Cancelled = false;
  int FramesDone = 0;
  QString Error; // why the job stopped; empty on completion and on cancel
};

// Runs the job over `film` (FrameCount >= 2; anything else does nothing and returns not completed).
// letEventsRun is called once per frame, and every 30 ms while the job waits for a frame to be read,
// so that the progress window can repaint and take a Cancel.
// After a cancel or a failure the table holds the rows done and the report their lines.
TFilmProcessOutcome ProcessFilm(TDTV &film, const TRect &rect, Progress &progress,
                                const std::function<void()> &letEventsRun = {});

} // namespace calidarix
