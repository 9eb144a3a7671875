#pragma once
// The sibling database program reached through the window sockets of platform/messages.h: the main
// window is entered in the handle table and published so that the sibling can send it
// WM_SIBLINGOPEN, and WM_SIBLINGNOTIFY goes to the sibling's published window with a timeout, so a
// sibling that hangs holds up the first show for at most that long.
//
// The registry keeps handles as 32-bit values; a handle is stored as its 32-bit pattern, and a
// stored value is read back the same way (a DWORD holding a value above 2^31 reads as negative).

#include "mainwindow/ui/shell_services.h"
#include "platform/messages.h"

#include <chrono>

namespace calidarix {

inline constexpr std::chrono::milliseconds kSiblingNotifyTimeout{1000};

std::int64_t HandleToRegistryValue(WindowHandle handle);
WindowHandle HandleFromRegistryValue(std::int64_t value);

// What the main window accepts from other processes: the sibling's WM_SIBLINGOPEN, which carries no
// arguments (both 0). Every other message of the window procedure comes from this process only.
bool AcceptedFromSibling(const Message &message);

class ProcessSiblingLink : public SiblingLink {
public:
  explicit ProcessSiblingLink(std::chrono::milliseconds timeout = kSiblingNotifyTimeout)
      : timeout_(timeout) {}

  // The handle is withdrawn when the window is destroyed.
  std::int64_t PublishWindow(TCalidarix &window) override;
  // Done when the sibling's window answered; Failed for an unknown or stale handle and on timeout.
  ServiceStatus SendNotify(std::int64_t handle) override;

private:
  std::chrono::milliseconds timeout_;
};

} // namespace calidarix
