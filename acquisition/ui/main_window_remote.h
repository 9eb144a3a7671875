#pragma once
// The main window as the remote-control commands see it: the point markers, the selected area and
// its statistics, the pixel under the mouse, the current thermogram and the acquisition commands.
//
// Every call is made on the GUI thread, where the remote-control server runs.

#include "acquisition/tcp_remote.h"

namespace calidarix {

class TCalidarix;

class TMainWindowRemoteHost : public TRemoteHost {
public:
  explicit TMainWindowRemoteHost(TCalidarix &window) : window_(window) {}

  void RemoteStart(const QString &fileName) override;
  void RemoteStop() override;
  std::optional<std::pair<std::int32_t, std::int32_t>> RemoteScanProgress() override;
  std::vector<double> RemotePointTemperatures() override;
  std::optional<TRemoteCursor> RemoteCursor() override;
  TRemoteArea RemoteArea() override;
  std::pair<std::int32_t, std::int32_t> RemoteImageSize() override;
  // A marker where one already stands is not added again: the marker list holds each pixel once.
  void RemoteAddPoint(std::int32_t x, std::int32_t y, std::int32_t direction) override;

private:
  TCalidarix &window_;
};

} // namespace calidarix
