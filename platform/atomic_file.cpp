#include "platform/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calidarix {

namespace {

// How long a writer waits for another writer of the same target before it gives up.
constexpr std::chrono::seconds kLockWait{10};
constexpr std::chrono::milliseconds kLockPoll{2};

bool SameFile(const struct stat &a, const struct stat &b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::filesystem::path TemporaryFileFor(const std::filesystem::path &target) {
  std::filesystem::path temporary = target;
  temporary += ".tmp";
  return temporary;
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, OtherWriters others)
    : target_(std::move(target)), temporary_(TemporaryFileFor(target_)), others_(others) {}

AtomicFileWriter::~AtomicFileWriter() {
  Abandon();
}

bool AtomicFileWriter::Fail(const std::string &what, int code) {
  if (error_.empty()) {
    error_ = what + ": " + std::strerror(code);
  }
  Abandon();
  return false;
}

void AtomicFileWriter::Abandon() {
  if (fd_ < 0) {
    return;
  }
  // The lock is still held (or no other writer exists), so the temporary file is this writer's own to
  // remove.
  unlink(temporary_.c_str());
  close(fd_);
  fd_ = -1;
}

bool AtomicFileWriter::Open() {
  if (fd_ >= 0) {
    return true;
  }
  if (others_ == OtherWriters::None) {
    return OpenUnshared();
  }
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    const int fd = open(temporary_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int code = errno;
      return Fail("cannot create " + temporary_.string(), code);
    }
    bool locked = false;
    while (!locked) {
      if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        locked = true;
      } else if (errno != EWOULDBLOCK && errno != EINTR) {
        const int code = errno;
        close(fd);
        return Fail("cannot lock " + temporary_.string(), code);
      } else if (std::chrono::steady_clock::now() > deadline) {
        close(fd);
        return Fail("another program keeps writing " + target_.string(), EBUSY);
      } else {
        std::this_thread::sleep_for(kLockPoll);
      }
    }
    // While this writer waited, the holder of the lock may have renamed the file over its target:
    // the lock is then on the target itself, and the writer starts again with a new temporary file.
    struct stat held {};
    struct stat named {};
    if (fstat(fd, &held) == 0 && stat(temporary_.c_str(), &named) == 0 && SameFile(held, named)) {
      fd_ = fd;
      break;
    }
    close(fd);
    if (std::chrono::steady_clock::now() > deadline) {
      return Fail("another program keeps writing " + target_.string(), EBUSY);
    }
  }
  // Whatever an interrupted write left in the file goes.
  if (ftruncate(fd_, 0) != 0) {
    const int code = errno;
    return Fail("cannot write " + temporary_.string(), code);
  }
  KeepTargetPermissions();
  return true;
}

bool AtomicFileWriter::OpenUnshared() {
  // No other writer: whatever an interrupted write left under the temporary name is simply cut away.
  fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    const int code = errno;
    return Fail("cannot create " + temporary_.string(), code);
  }
  KeepTargetPermissions();
  return true;
}

void AtomicFileWriter::KeepTargetPermissions() {
  struct stat old {};
  if (stat(target_.c_str(), &old) == 0) {
    fchmod(fd_, old.st_mode & 07777);
  }
}

bool AtomicFileWriter::Write(const void *data, std::size_t size) {
  if (fd_ < 0) {
    if (error_.empty()) {
      error_ = "cannot write " + target_.string() + ": the file is not open";
    }
    return false;
  }
  const char *bytes = static_cast<const char *>(data);
  while (size > 0) {
    const ssize_t written = write(fd_, bytes, size);
    if (written < 0) {
      const int code = errno;
      if (code == EINTR) {
        continue;
      }
      return Fail("cannot write " + temporary_.string(), code);
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool AtomicFileWriter::Commit(bool syncToDisk) {
  if (fd_ < 0) {
    if (error_.empty()) {
      error_ = "cannot write " + target_.string() + ": the file is not open";
    }
    return false;
  }
  if (syncToDisk && fsync(fd_) != 0) {
    const int code = errno;
    return Fail("cannot write " + temporary_.string(), code);
  }
  // Renamed while the lock is held, so a waiting writer finds either the old temporary file gone or a
  // new one, never this one under the temporary name.
  if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int code = errno;
    return Fail("cannot write " + target_.string(), code);
  }
  // The content is on disk under the target's name: closing only releases the lock.
  close(fd_);
  fd_ = -1;
  return true;
}

bool WriteFileAtomically(const std::filesystem::path &target, std::string_view content, std::string *error,
                         bool syncToDisk, OtherWriters others) {
  AtomicFileWriter writer(target, others);
  const bool ok = writer.Open() && writer.Write(content.data(), content.size()) && writer.Commit(syncToDisk);
  if (!ok && error) {
    *error = writer.Error();
  }
  return ok;
}

} // namespace calidarix
