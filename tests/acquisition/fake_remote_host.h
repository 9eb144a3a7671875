#pragma once
// The window's side of the remote commands, answered from fields a test sets, and every call counted with
// the thread it came on.

#include "acquisition/tcp_remote.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace calidarix::test {

struct FakeRemoteHost : TRemoteHost {
  void RemoteStart(const QString &name) override {
    Called();
    started.push_back(name);
  }
  void RemoteStop() override {
    Called();
    ++stops;
  }
  std::optional<std::pair<std::int32_t, std::int32_t>> RemoteScanProgress() override {
    Called();
    return progress;
  }
  std::vector<double> RemotePointTemperatures() override {
    Called();
    return points;
  }
  std::optional<TRemoteCursor> RemoteCursor() override {
    Called();
    return cursor;
  }
  TRemoteArea RemoteArea() override {
    Called();
    return area;
  }
  std::pair<std::int32_t, std::int32_t> RemoteImageSize() override {
    Called();
    return {320, 240};
  }
  void RemoteAddPoint(std::int32_t x, std::int32_t y, std::int32_t direction) override {
    Called();
    added.push_back({x, y, direction});
  }
  // Every command must run on the thread that owns the window state.
  void Called() {
    ++calls;
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
      ++foreignThreadCalls;
  }

  int calls = 0;
  int foreignThreadCalls = 0;
  QStringList started;
  int stops = 0;
  std::optional<std::pair<std::int32_t, std::int32_t>> progress;
  std::vector<double> points;
  std::optional<TRemoteCursor> cursor;
  TRemoteArea area = WholeFrameArea(320, 240, -5.5, 40.25, 20.125);
  std::vector<std::array<std::int32_t, 3>> added;
};

} // namespace calidarix::test
