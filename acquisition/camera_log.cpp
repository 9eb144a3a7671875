#include "acquisition/camera_log.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace calidarix {

namespace {

// The sink is called from the acquisition thread as well as from the GUI thread.
std::mutex &SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

CameraLogSink &Sink() {
  static CameraLogSink sink;
  return sink;
}

std::atomic<bool> &UserLog() {
  static std::atomic<bool> on{false};
  return on;
}

} // namespace

void SetCameraLogSink(CameraLogSink sink) {
  const std::lock_guard lock(SinkMutex());
  Sink() = std::move(sink);
}

void SetCameraUserLog(bool on) {
  UserLog().store(on, std::memory_order_release);
}

bool CameraUserLogOn() {
  return UserLog().load(std::memory_order_acquire);
}

void CameraLog(const QString &text) {
  const std::lock_guard lock(SinkMutex());
  if (Sink())
    Sink()(text);
}

void CameraUserLog(const QString &text) {
  if (CameraUserLogOn())
    CameraLog(text);
}

} // namespace calidarix
