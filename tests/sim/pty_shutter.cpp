#include "tests/sim/pty_shutter.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace calidarix::sim {

PtyShutter::PtyShutter(std::string name) : name_(std::move(name)) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    if (master_ >= 0)
      ::close(master_);
    master_ = -1;
    return;
  }
  slave_ = ::ptsname(master_);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  thread_ = std::thread([this] { Serve(); });
}

PtyShutter::~PtyShutter() {
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
  if (master_ >= 0)
    ::close(master_);
}

void PtyShutter::Send(const std::string &text) {
  std::lock_guard guard(writeLock_);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(master_, text.data() + done, text.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR)
      return;
  }
}

void PtyShutter::Serve() {
  std::string received;
  while (!stop_) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) {
      // With no slave open the master reports a hang-up at once: wait instead of spinning.
      if (p.revents & (POLLHUP | POLLERR))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    char buffer[64];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    received.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t at; (at = received.find("getName")) != std::string::npos;) {
      received.erase(0, at + 7);
      ++nameRequests_;
      Send(name_);
    }
    if (received.size() > 64)
      received.erase(0, received.size() - 7);
  }
}

} // namespace calidarix::sim
