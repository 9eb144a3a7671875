#include "mainwindow/ui/sibling_link.h"

#include "mainwindow/ui/main_window.h"

namespace calidarix {

std::int64_t HandleToRegistryValue(WindowHandle handle) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(handle));
}

WindowHandle HandleFromRegistryValue(std::int64_t value) {
  return static_cast<WindowHandle>(static_cast<std::uint32_t>(value));
}

bool AcceptedFromSibling(const Message &message) {
  return message.Msg == WM_SIBLINGOPEN && message.WParam == 0 && message.LParam == 0;
}

std::int64_t ProcessSiblingLink::PublishWindow(TCalidarix &window) {
  TCalidarix *target = &window;
  // Every message to the window's handle goes to its window procedure (the sibling's WM_SIBLINGOPEN
  // among them).
  const WindowHandle handle =
      RegisterWindow(&window, [target](Message &message) { target->WndProc(message); });
  if (handle == 0)
    return 0;
  // A handle that does not fit the registry's 32 bits could not be found again from there.
  if (HandleFromRegistryValue(HandleToRegistryValue(handle)) != handle ||
      !calidarix::PublishWindow(handle, AcceptedFromSibling)) {
    UnregisterWindow(handle);
    return 0;
  }
  return HandleToRegistryValue(handle);
}

ServiceStatus ProcessSiblingLink::SendNotify(std::int64_t handle) {
  const std::optional<LRESULT> answer =
      SendMessageToProcessWindow(HandleFromRegistryValue(handle), WM_SIBLINGNOTIFY, 0, 0, timeout_);
  return answer ? ServiceStatus::Done : ServiceStatus::Failed;
}

} // namespace calidarix
