#pragma once
// Finishing a recorded film: the temporary film(s) on the film drive move into a folder per day
// under the database folder, get the film's temperature range and comment in their headers, and the
// visible-light frames recorded beside the film move next to it.
//
//   <drive>/filmtemp.dt~                         single-band film being recorded
//   <drive>/filmtemp35.dt~, filmtemp812.dt~      the two band films of a dual-band camera
//   <drive>/videotmp/vidNNNNN.jpg                visible-light frames, NNNNN = 1.. in five digits
//   <drive>/DATABASE.KVD/yy-mm-dd.KVD/hh_mm_ss.dtv (dual band: hh_mm_ss_35.dtv and hh_mm_ss_812.dtv)
//
// Nothing is ever overwritten: a film finished in the same second as another is named hh_mm_ss_1,
// hh_mm_ss_2, ... A move to another file system is a copy, an fsync, a rename and an unlink. A film
// that cannot be moved into the database is renamed aside on the film drive ("UnsavedFilm_...") so
// that the next recording does not write over it, and the result says so. A video frame is deleted
// only after its copy was written.

#include <QDateTime>
#include <QString>

#include <array>
#include <filesystem>
#include <vector>

namespace calidarix {

inline constexpr const char *kFilmTempName = "filmtemp.dt~";
inline constexpr const char *kFilmTemp35Name = "filmtemp35.dt~";
inline constexpr const char *kFilmTemp812Name = "filmtemp812.dt~";
inline constexpr const char *kVideoTempFolder = "videotmp";
inline constexpr const char *kDatabaseFolder = "DATABASE.KVD";

// The range and comment written into a finished film's header.
struct TFilmHeaderPatch {
  float Scale = 0.0f;  // (film maximum - film minimum) / 65535
  float Offset = 0.0f; // film minimum
  std::array<char, 64> Comment{};
};
TFilmHeaderPatch FilmHeaderPatch(double filmMin, double filmMax, const std::array<char, 64> &comment);

struct TFilmFinishInput {
  std::filesystem::path DriveFolder;
  QDateTime Now;
  bool DualBand = false;
  TFilmHeaderPatch Single;  // single band
  TFilmHeaderPatch Band35;  // dual band, the first band's file
  TFilmHeaderPatch Band812; // dual band, the second band's file keeps its own range
  bool VideoOn = false;
  int VideoFrames = 0;
  // Tests: behave as if every rename crossed file systems.
  bool ForceCopy = false;
};

struct TFinishedFilm {
  std::filesystem::path Temporary;
  std::filesystem::path Target; // where it is now (the database, or aside on the film drive)
  bool InDatabase = false;
  bool HeaderPatched = false;
};

struct TFilmFinishResult {
  std::vector<TFinishedFilm> Films; // one per temporary film that existed
  std::filesystem::path MainFilm;   // the single-band film or the first band's, when moved
  int VideoFramesMoved = 0;
  QStringList Problems; // what went wrong, for the user

  bool Ok() const { return Problems.isEmpty(); }
};

std::filesystem::path DatabaseDayFolder(const std::filesystem::path &driveFolder, const QDateTime &now);

// Moves a file; across file systems by copy, fsync, rename and unlink. Never replaces an existing
// target. False with the reason when the file could not be moved (the source then stays).
bool MoveFileSafely(const std::filesystem::path &from, const std::filesystem::path &to, QString *error,
                    bool forceCopy = false);

// Writes Scale, Offset (and its copy at bytes 42-43) and the comment into a film's header.
bool PatchFilmHeader(const std::filesystem::path &film, const TFilmHeaderPatch &patch, QString *error);

TFilmFinishResult FinishFilm(const TFilmFinishInput &input);

} // namespace calidarix
