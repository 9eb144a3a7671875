#include "mainwindow/film_recovery.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace calidarix {

namespace {

std::filesystem::path RestoredName(const std::filesystem::path &folder, int n, const char *suffix) {
  return folder / ("RestoredFilm" + std::to_string(n) + suffix + ".dtv");
}

bool Exists(const std::filesystem::path &path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Renames without ever replacing a file that appeared under the new name in the meantime; errno is
// EEXIST when one did.
bool RenameNoReplace(const std::filesystem::path &from, const std::filesystem::path &to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS)
    return false;
  // File systems without the flag: a hard link fails on an existing name, too.
  if (link(from.c_str(), to.c_str()) != 0)
    return false;
  unlink(from.c_str());
  return true;
}

} // namespace

bool FilmRecordingInProgress(const std::filesystem::path &film) {
  const int fd = open(film.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd); // also releases the lock taken for the test
  return held;
}

FilmRecovery RecoverInterruptedFilms(const std::filesystem::path &driveFolder) {
  FilmRecovery recovery;
  std::vector<const TemporaryFilm *> found;
  for (const TemporaryFilm &film : kTemporaryFilms) {
    const std::filesystem::path path = driveFolder / film.TemporaryName;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
      continue;
    if (FilmRecordingInProgress(path))
      recovery.InUse.push_back(path);
    else
      found.push_back(&film);
  }
  if (found.empty())
    return recovery;

  int n = 0;
  for (;; ++n) {
    bool free = true;
    for (const TemporaryFilm &film : kTemporaryFilms)
      free = free && !Exists(RestoredName(driveFolder, n, film.RestoredSuffix));
    if (free)
      break;
  }
  for (const TemporaryFilm *film : found) {
    RecoveredFilm moved;
    moved.From = driveFolder / film->TemporaryName;
    for (int next = n;; ++next) {
      moved.To = RestoredName(driveFolder, next, film->RestoredSuffix);
      moved.Moved = RenameNoReplace(moved.From, moved.To);
      if (moved.Moved || errno != EEXIST)
        break;
    }
    if (!moved.Moved)
      moved.Error = QString::fromLocal8Bit(std::strerror(errno));
    recovery.Films.push_back(moved);
  }
  return recovery;
}

FilmRecordingLock::FilmRecordingLock(const std::filesystem::path &film) {
  fd_ = open(film.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

FilmRecordingLock::~FilmRecordingLock() {
  if (fd_ >= 0)
    close(fd_);
}

} // namespace calidarix
