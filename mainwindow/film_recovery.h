#pragma once
// Recovery of films whose recording was cut off: a recording writes its film under a temporary name
// in the film drive's folder ("filmtemp.dt~", and for the dual-band camera also "filmtemp35.dt~" and
// "filmtemp812.dt~") and renames it when it ends. A temporary film found at start-up is renamed to
// "RestoredFilm<N>.dtv" (the band films to "RestoredFilm<N>_35.dtv" and "RestoredFilm<N>_812.dtv"),
// with the first N for which none of those names exists, so the films of one recording share N.
//
// A recording holds FilmRecordingLock on its temporary film for as long as it writes it; recovery
// leaves a locked film alone, so a second instance of the program never takes the film that the
// first is recording.

#include <QString>

#include <filesystem>
#include <vector>

namespace calidarix {

struct TemporaryFilm {
  const char *TemporaryName;
  const char *RestoredSuffix; // after "RestoredFilm<N>"
};

inline constexpr TemporaryFilm kTemporaryFilms[] = {
    {"filmtemp.dt~", ""}, {"filmtemp35.dt~", "_35"}, {"filmtemp812.dt~", "_812"}};

struct RecoveredFilm {
  std::filesystem::path From;
  std::filesystem::path To;
  bool Moved = false;
  QString Error; // why it was not moved
};

struct FilmRecovery {
  std::vector<RecoveredFilm> Films;         // the temporary films found, moved or not
  std::vector<std::filesystem::path> InUse; // films another recording holds, left alone
};

// Looks for the temporary films in `driveFolder` and moves each one that no recording holds.
FilmRecovery RecoverInterruptedFilms(const std::filesystem::path &driveFolder);

// True when a recording holds the film's lock.
bool FilmRecordingInProgress(const std::filesystem::path &film);

// The lock of a recording on its temporary film (an advisory flock on the file, released when the
// object goes or the process ends, also by a crash).
class FilmRecordingLock {
public:
  explicit FilmRecordingLock(const std::filesystem::path &film);
  ~FilmRecordingLock();
  FilmRecordingLock(const FilmRecordingLock &) = delete;
  FilmRecordingLock &operator=(const FilmRecordingLock &) = delete;

  bool Locked() const { return fd_ >= 0; }

private:
  int fd_ = -1;
};

} // namespace calidarix
