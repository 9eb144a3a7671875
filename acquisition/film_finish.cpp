#include "acquisition/film_finish.h"

#include "acquisition/film_recording.h"
#include "platform/datetime.h"

#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calidarix {

namespace {

namespace fs = std::filesystem;

QString Text(const fs::path &p) {
  return QString::fromStdString(p.string());
}

QString SystemError(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

bool Exists(const fs::path &p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

bool WriteAll(int fd, const char *data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies `from` into a new file `to` (which must not exist) and flushes it to the disk.
bool CopyDurably(const fs::path &from, const fs::path &to, QString *error) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    *error = SystemError(errno);
    return false;
  }
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    *error = SystemError(errno);
    close(in);
    return false;
  }
  bool ok = true;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 || (n > 0 && !WriteAll(out, buffer, static_cast<std::size_t>(n)))) {
      ok = false;
      break;
    }
    if (n == 0)
      break;
  }
  if (ok && fsync(out) != 0)
    ok = false;
  if (!ok)
    *error = SystemError(errno);
  close(out);
  close(in);
  if (!ok)
    unlink(to.c_str());
  return ok;
}

// Renames without ever replacing an existing target. 0 or the errno.
int RenameNoReplace(const fs::path &from, const fs::path &to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS)
    return errno;
  // A file system without the flag: a hard link cannot replace either.
  if (link(from.c_str(), to.c_str()) != 0)
    return errno;
  unlink(from.c_str());
  return 0;
}

// hh_mm_ss, then hh_mm_ss_1, hh_mm_ss_2, ... until every name of the film is free.
fs::path FreeBase(const fs::path &folder, const QString &stem, const QStringList &suffixes) {
  for (int n = 0;; ++n) {
    const QString base = n == 0 ? stem : stem + QStringLiteral("_%1").arg(n);
    bool free = true;
    for (const QString &suffix : suffixes)
      free = free && !Exists(folder / (base + suffix + QStringLiteral(".dtv")).toStdString());
    if (free)
      return folder / base.toStdString();
  }
}

fs::path WithSuffix(const fs::path &base, const QString &suffix) {
  return fs::path(base.string() + suffix.toStdString() + ".dtv");
}

} // namespace

TFilmHeaderPatch FilmHeaderPatch(double filmMin, double filmMax, const std::array<char, 64> &comment) {
  TFilmHeaderPatch p;
  p.Scale = static_cast<float>((filmMax - filmMin) / 65535.0);
  p.Offset = static_cast<float>(filmMin);
  p.Comment = comment;
  return p;
}

fs::path DatabaseDayFolder(const fs::path &driveFolder, const QDateTime &now) {
  return driveFolder / kDatabaseFolder /
         (FormatDateTime(QStringLiteral("yy-mm-dd"), now) + QStringLiteral(".KVD")).toStdString();
}

bool MoveFileSafely(const fs::path &from, const fs::path &to, QString *error, bool forceCopy) {
  QString reason;
  if (!forceCopy) {
    const int e = RenameNoReplace(from, to);
    if (e == 0)
      return true;
    if (e != EXDEV) {
      if (error)
        *error = SystemError(e);
      return false;
    }
  }
  // Another file system: a whole copy under a temporary name first, so the target never exists
  // half-written, and the original goes only once the copy is on the disk.
  const fs::path part = fs::path(to.string() + ".part");
  unlink(part.c_str());
  if (!CopyDurably(from, part, &reason)) {
    if (error)
      *error = reason;
    return false;
  }
  const int e = RenameNoReplace(part, to);
  if (e != 0) {
    unlink(part.c_str());
    if (error)
      *error = SystemError(e);
    return false;
  }
  if (const int dir = open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  unlink(from.c_str());
  return true;
}

bool PatchFilmHeader(const fs::path &film, const TFilmHeaderPatch &patch, QString *error) {
  const int fd = open(film.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (error)
      *error = SystemError(errno);
    return false;
  }
  // Little-endian floats at 34 and 38, bytes 42-43 repeating 40-41, the comment at 46.
  std::array<std::uint8_t, 12> range{};
  std::uint32_t scale = 0;
  std::uint32_t offset = 0;
  std::memcpy(&scale, &patch.Scale, 4);
  std::memcpy(&offset, &patch.Offset, 4);
  for (int i = 0; i < 4; ++i) {
    range[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(scale >> (8 * i));
    range[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(offset >> (8 * i));
  }
  range[8] = range[6];
  range[9] = range[7];
  std::array<std::uint8_t, 2> elevation{};
  bool ok = pread(fd, elevation.data(), 2, 44) == 2;
  range[10] = elevation[0];
  range[11] = elevation[1];
  ok = ok && pwrite(fd, range.data(), range.size(), 34) == static_cast<ssize_t>(range.size());
  ok = ok && pwrite(fd, patch.Comment.data(), patch.Comment.size(), 46) ==
                 static_cast<ssize_t>(patch.Comment.size());
  ok = ok && fsync(fd) == 0;
  if (!ok && error)
    *error = SystemError(errno);
  close(fd);
  return ok;
}

TFilmFinishResult FinishFilm(const TFilmFinishInput &in) {
  TFilmFinishResult result;
  struct Part {
    const char *Temporary;
    QString Suffix;
    const TFilmHeaderPatch *Patch;
  };
  std::vector<Part> parts;
  if (in.DualBand)
    parts = {{kFilmTemp35Name, QStringLiteral("_35"), &in.Band35},
             {kFilmTemp812Name, QStringLiteral("_812"), &in.Band812}};
  else
    parts = {{kFilmTempName, QString(), &in.Single}};
  QStringList suffixes;
  bool any = false;
  for (const Part &p : parts) {
    suffixes << p.Suffix;
    any = any || Exists(in.DriveFolder / p.Temporary);
  }
  if (!any)
    return result; // nothing was recorded

  const fs::path day = DatabaseDayFolder(in.DriveFolder, in.Now);
  std::error_code ec;
  fs::create_directories(day, ec);
  QString folderProblem;
  if (ec)
    folderProblem = QStringLiteral("Cannot create the folder %1: %2")
                        .arg(Text(day), QString::fromStdString(ec.message()));
  const QString stem = FormatDateTime(QStringLiteral("hh_mm_ss"), in.Now);
  const fs::path base = folderProblem.isEmpty() ? FreeBase(day, stem, suffixes) : fs::path();
  const fs::path asideBase = FreeBase(
      in.DriveFolder,
      QStringLiteral("UnsavedFilm_%1_%2").arg(FormatDateTime(QStringLiteral("yy-mm-dd"), in.Now), stem),
      suffixes);

  for (const Part &p : parts) {
    const fs::path temporary = in.DriveFolder / p.Temporary;
    if (!Exists(temporary))
      continue;
    TFinishedFilm film;
    film.Temporary = temporary;
    QString why = folderProblem;
    if (why.isEmpty()) {
      film.Target = WithSuffix(base, p.Suffix);
      film.InDatabase = MoveFileSafely(temporary, film.Target, &why, in.ForceCopy);
    }
    if (!film.InDatabase) {
      const fs::path aside = WithSuffix(asideBase, p.Suffix);
      QString asideWhy;
      if (RenameNoReplace(temporary, aside) == 0) {
        film.Target = aside;
        result.Problems << QStringLiteral(
                               "The film could not be moved into the database (%1); it was kept as %2")
                               .arg(why, Text(aside));
      } else {
        film.Target = temporary;
        result.Problems << QStringLiteral(
                               "The film could not be moved into the database (%1) nor set aside; it "
                               "is still %2 and the next recording would replace it")
                               .arg(why, Text(temporary));
      }
    }
    QString patchWhy;
    film.HeaderPatched = PatchFilmHeader(film.Target, *p.Patch, &patchWhy);
    if (!film.HeaderPatched)
      result.Problems
          << QStringLiteral("The range of the film %1 was not written: %2").arg(Text(film.Target), patchWhy);
    if (result.MainFilm.empty() && film.InDatabase)
      result.MainFilm = film.Target;
    result.Films.push_back(film);
  }

  if (in.VideoOn && !result.MainFilm.empty()) {
    fs::path folder = result.MainFilm;
    folder.replace_extension();
    fs::create_directories(folder, ec);
    const fs::path videos = in.DriveFolder / kVideoTempFolder;
    for (int k = 1; k <= in.VideoFrames; ++k) {
      const std::string name = VideoFrameName(k);
      const fs::path from = videos / name;
      if (!Exists(from))
        continue;
      const fs::path to = folder / name;
      fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
      if (ec) {
        result.Problems << QStringLiteral("The video frame %1 was not copied: %2")
                               .arg(Text(from), QString::fromStdString(ec.message()));
        continue; // the frame stays where it was
      }
      fs::remove(from, ec);
      ++result.VideoFramesMoved;
    }
    fs::remove(videos, ec); // only when empty: frames that could not be copied stay
  }
  return result;
}

} // namespace calidarix
