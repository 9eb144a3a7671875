#include "tests/support/memory_limited_child.h"

#include <fstream>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace calidarix::test {

namespace {

// Size of this process's address space in bytes (the first field of /proc/self/statm, in pages).
unsigned long long AddressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  unsigned long long pages = 0;
  statm >> pages;
  return pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
}

} // namespace

bool MemoryLimitedChildAvailable() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}

std::string RunInMemoryLimitedChild(const std::function<bool()> &body, unsigned long long headroomBytes) {
  const pid_t child = fork();
  if (child < 0) {
    return std::string("fork failed: ") + std::strerror(errno);
  }
  if (child == 0) {
    const unsigned long long cap = AddressSpaceInUse() + headroomBytes;
    const rlimit limit{cap, cap};
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
      _exit(3);
    }
    // Nothing may leave the child but its exit code: an escaping exception would otherwise reach
    // the test runner the child inherited and run the remaining tests a second time.
    int code = 4;
    try {
      code = body() ? 0 : 1;
    } catch (...) {
    }
    _exit(code);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      return std::string("waitpid failed: ") + std::strerror(errno);
    }
  }
  if (WIFEXITED(status)) {
    switch (WEXITSTATUS(status)) {
    case 0:
      return "passed";
    case 1:
      return "failed";
    case 3:
      return "could not limit the address space";
    case 4:
      return "threw an exception";
    default:
      return "exited with " + std::to_string(WEXITSTATUS(status));
    }
  }
  if (WIFSIGNALED(status)) {
    return std::string("ended by signal ") + strsignal(WTERMSIG(status));
  }
  return "ended in an unknown way";
}

} // namespace calidarix::test
