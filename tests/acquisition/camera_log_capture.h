#pragma once
// Collects the camera module's log, detailed lines included, while it lives.

#include "acquisition/camera_log.h"

#include <QStringList>

#include <mutex>

namespace calidarix::test {

struct CameraLogCapture {
  CameraLogCapture() {
    SetCameraUserLog(true);
    SetCameraLogSink([this](const QString &line) {
      const std::lock_guard lock(mutex);
      lines << line;
    });
  }
  ~CameraLogCapture() {
    SetCameraLogSink(nullptr);
    SetCameraUserLog(false);
  }
  CameraLogCapture(const CameraLogCapture &) = delete;
  CameraLogCapture &operator=(const CameraLogCapture &) = delete;

  QStringList Lines() {
    const std::lock_guard lock(mutex);
    return lines;
  }

  std::mutex mutex;
  QStringList lines;
};

} // namespace calidarix::test
