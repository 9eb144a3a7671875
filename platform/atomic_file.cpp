#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calidarix {

namespace {

bool Fail(std::string *error, const std::string &what, int code) {
  if (error)
    *error = what + ": " + std::strerror(code);
  return false;
}

} // namespace

bool WriteFileAtomically(const std::filesystem::path &target, std::string_view content, std::string *error,
                         bool syncToDisk) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = target;
    temporary += ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      return Fail(error, "cannot create " + temporary.string(), errno);
  }
  if (fd < 0)
    return Fail(error, "cannot create a temporary file beside " + target.string(), EEXIST);

  struct stat old {};
  if (stat(target.c_str(), &old) == 0)
    fchmod(fd, old.st_mode & 07777);

  const char *data = content.data();
  std::size_t left = content.size();
  int code = 0;
  while (left > 0) {
    const ssize_t written = write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      code = errno;
      break;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  if (code == 0 && syncToDisk && fsync(fd) != 0)
    code = errno;
  if (close(fd) != 0 && code == 0)
    code = errno;
  if (code == 0 && rename(temporary.c_str(), target.c_str()) != 0)
    code = errno;
  if (code != 0) {
    unlink(temporary.c_str());
    return Fail(error, "cannot write " + target.string(), code);
  }
  return true;
}

} // namespace calidarix
