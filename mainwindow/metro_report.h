#pragma once
// The report picture of metro mode, one per exported film frame: the snapshot with a black strip
// below it carrying the frame's time and date, the track position (picket) of the frame taken from the
// pick file "metropick.txt", and the frame's temperatures. The texts exist only in Russian.
//
// Pick file: one line per pick, four fields each introduced by a label ending in ": ", e.g.
//   "Time: 10:15:30.250 Pk: 12+345 Name: Sokol Line: 7"
// time of day, picket + metres (a picket written with a leading "0" is negative), a name and a line
// number. The pick times are taken on the film's own date, so a pick file is matched to the frames of
// the day they were recorded. A line that cannot be read gives no pick data to the frames it covers.

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace calidarix {

struct TPickLine {
  int TimeMs = 0; // milliseconds since midnight
  int Picket = 0;
  int Metres = 0;
  QString Name;
  int Line = 0;
};

// One line of the pick file; nullopt when a field is missing or not a number.
std::optional<TPickLine> ParsePickLine(const QString &line);

// The lines of a pick file read forward over the frames of one export, which come in time order: each
// frame gets the last pick not later than the frame, provided a pick at or after the frame exists; a
// frame before the first pick or after the last gets none.
class TPickTrack {
public:
  explicit TPickTrack(QStringList lines);
  // A track without lines: every frame has no pick data.
  TPickTrack() = default;

  std::optional<TPickLine> PickFor(int frameTimeMs);

private:
  struct Held {
    bool Present = false;
    std::optional<TPickLine> Pick;
  };
  Held Next();

  QStringList lines_;
  qsizetype next_ = 0;
  bool started_ = false;
  Held earlier_;
  Held later_;
};

// The pick file read whole (it is a small text file); a file that cannot be opened gives no picks.
TPickTrack ReadPickTrack(const QString &fileName);

// What the strip shows of one frame.
struct TMetroFrame {
  QString TimeText; // the frame's time of day, as the system shows times
  QString DateText; // the file's date, as the system shows dates
  int FrameIndex = 0;
  std::optional<TPickLine> Pick;
  double MaxTemp = 0.0;
  double MinTemp = 0.0;
  double AvgTemp = 0.0;
};

// The eight texts in the order: (4, y0), (4, y1), (128, y0), (128, y1), (W - 256, y0), (W - 256, y1),
// (W - 128, y0), (W - 128, y1).
std::array<QString, 8> MetroStripTexts(const TMetroFrame &frame);

// The snapshot grown by a 34-row black strip carrying the texts in white.
QImage MetroReportPicture(const QImage &snapshot, const TMetroFrame &frame);

} // namespace calidarix
