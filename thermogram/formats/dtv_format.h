#pragma once
// Byte layout of the ".dtv" thermogram and film format.
//
// All values are little-endian. The 110-byte header is followed by the frames: version 2 stores one
// byte per pixel from HeaderSize on, versions 3 and 4 two bytes per pixel from byte 110, and a
// version-5 film puts a 40-byte frame record before each frame of two bytes per pixel.

#include "thermogram/frame_statistics.h"
#include "thermogram/tdtv.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace calidarix {

inline constexpr std::uint64_t kDtvHeaderBytes = 110;
inline constexpr std::uint64_t kFilmRecordBytes = 40;
inline constexpr int kMaxFilmFrames = 65535; // the frame count is a 16-bit field

using DtvHeaderBytes = std::array<std::uint8_t, kDtvHeaderBytes>;
using FilmRecordBytes = std::array<std::uint8_t, kFilmRecordBytes>;

// Header fields from their offsets. Version 2 keeps its angular extents two bytes later than the
// other versions.
TDTVHeader DecodeDtvHeader(const DtvHeaderBytes &bytes);
// The header as the writers lay it out: bytes 42 .. 43 repeat bytes 40 .. 41.
DtvHeaderBytes EncodeDtvHeader(const TDTVHeader &header);

TFilmFrameRecord DecodeFilmRecord(const FilmRecordBytes &bytes);
FilmRecordBytes EncodeFilmRecord(const TFilmFrameRecord &record);

// The header fields a film append rewrites, bytes 16 .. 43: the frame count, the fields between it and
// the film's range (rewritten as they were), the frame interval, the film's Scale and Offset and the
// copy of Offset's upper half.
inline constexpr std::uint64_t kFilmCountedFieldsBegin = 16;
inline constexpr std::uint64_t kFilmCountedFieldsEnd = 44;

// One write of a film append: bytes at an offset of the film file.
struct FilmFileWrite {
  std::uint64_t Offset = 0;
  QByteArray Bytes;
};

// The writes that append a frame to a film whose header is `stored` and whose frames end at `end`, in
// the order they reach the file: the frame's record, its samples, and last, in one write, the header
// fields that count it (frame count, frame interval and the film range filmMin .. filmMax). A film cut
// short after any of them reads as the film before or the film after.
std::vector<FilmFileWrite> FilmAppendWrites(const TDTVHeader &stored, std::uint64_t end,
                                            const TFilmFrameRecord &record,
                                            const std::vector<std::uint16_t> &raw, float frameInterval,
                                            double filmMin, double filmMax);

// A job that steps through every frame of one film (film processing) holds one of these for its run.
// While it lives, LoadDTV of that film on the same thread reads through the file opened here, with the
// file's size and header taken here once, and one positioned read per frame; without it every frame
// opens the file, asks its size and reads its header again. The film is not expected to change during
// the run: a frame appended meanwhile is not seen, and a film replaced meanwhile reads as it was
// opened, with the companion files it had at its first frame. A film that cannot be opened here is
// read the ordinary way, which reports why. A film frame read through the session is read over the
// thermogram's own frame buffer: a frame that cannot be read leaves the thermogram with its header
// and the size of its frame as they were, but with every value 0 (the job stops at such a frame).
class DtvFilmReadSession {
public:
  explicit DtvFilmReadSession(const QString &fileName);
  ~DtvFilmReadSession();
  DtvFilmReadSession(const DtvFilmReadSession &) = delete;
  DtvFilmReadSession &operator=(const DtvFilmReadSession &) = delete;

  // The open file, its size and its header bytes when `fileName` is this session's film on this
  // thread; nullptr otherwise.
  struct OpenFilm {
    QFile File;
    std::uint64_t Size = 0;
    DtvHeaderBytes Header{};
    bool HeaderRead = false;
    int SummaryFrame = 0; // the frame LastSummary describes, 0 for none
    RawSummary LastSummary;
    // Companion files by extension (".abc", ".wav") as first looked up during the run; empty: none.
    std::vector<std::pair<std::string, QString>> Companions;
  };
  static OpenFilm *For(const QString &fileName);

  // The minimum, maximum and sum of the raw values of `frame` as the last LoadDTV through this session
  // left them, when that was the last frame it read; nullopt otherwise. They describe the frame as
  // the reader made it: options applied after the reader (rotation, the camera temperature stamp, a
  // locked range) are for the caller to rule out.
  std::optional<RawSummary> ReadSummary(int frame) const;

private:
  QString FFileName;
  OpenFilm FFilm;
  bool FOpen = false;
  DtvFilmReadSession *FOuter = nullptr;
};

// Day of the month x 2^24 + seconds since midnight of the local clock now.
std::uint32_t FilmTimeStampNow();

} // namespace calidarix
