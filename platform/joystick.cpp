#include "platform/joystick.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/joystick.h>
#include <string>
#include <unistd.h>

namespace calidarix {

namespace {

constexpr std::size_t kRecordSize = sizeof(js_event);
static_assert(kRecordSize == 8, "struct js_event is 8 bytes: time, value, type, number");

std::uint16_t Position(std::int16_t value) {
  return static_cast<std::uint16_t>(std::clamp(static_cast<int>(value) + 32767, 0, 65535));
}

} // namespace

JoystickReader::JoystickReader(int fd) : fd_(fd) {
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0)
    lost_ = true;
}

JoystickReader::~JoystickReader() {
  if (fd_ >= 0)
    ::close(fd_);
}

std::unique_ptr<JoystickReader> JoystickReader::Open(const std::filesystem::path &device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return nullptr;
  return std::make_unique<JoystickReader>(fd);
}

void JoystickReader::Apply(const unsigned char *record) {
  js_event event{};
  std::memcpy(&event, record, kRecordSize);
  const bool initial = (event.type & JS_EVENT_INIT) != 0;
  const std::uint8_t type = event.type & ~JS_EVENT_INIT;
  State next = current_;
  if (type == JS_EVENT_AXIS && event.number == 0) {
    next.x = Position(event.value);
  } else if (type == JS_EVENT_AXIS && event.number == 1) {
    next.y = Position(event.value);
  } else if (type == JS_EVENT_BUTTON && event.number < 32) {
    const std::uint32_t bit = 1u << event.number;
    next.buttons = event.value != 0 ? (next.buttons | bit) : (next.buttons & ~bit);
  }
  current_ = next;
  // The state found at opening is where changes are counted from.
  if (initial)
    reported_ = next;
}

std::vector<JoystickChange> JoystickReader::Poll() {
  std::vector<JoystickChange> changes;
  if (lost_)
    return changes;
  std::array<unsigned char, 64 * kRecordSize> buffer{};
  for (;;) {
    std::memcpy(buffer.data(), partial_.data(), partialSize_);
    const ssize_t got = ::read(fd_, buffer.data() + partialSize_, buffer.size() - partialSize_);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK)
        lost_ = true;
      break;
    }
    if (got == 0)
      break; // a pipe without a writer; a device never ends
    const std::size_t total = partialSize_ + static_cast<std::size_t>(got);
    std::size_t offset = 0;
    for (; offset + kRecordSize <= total; offset += kRecordSize)
      Apply(buffer.data() + offset);
    partialSize_ = total - offset;
    std::memcpy(partial_.data(), buffer.data() + offset, partialSize_);
  }

  const State now = current_;
  if (now.x != reported_.x || now.y != reported_.y)
    changes.push_back({JoystickChange::Kind::Move, now.x, now.y, now.buttons, 0});
  const std::uint32_t pressed = now.buttons & ~reported_.buttons;
  const std::uint32_t released = reported_.buttons & ~now.buttons;
  if (pressed != 0)
    changes.push_back({JoystickChange::Kind::ButtonDown, now.x, now.y, now.buttons, pressed});
  if (released != 0)
    changes.push_back({JoystickChange::Kind::ButtonUp, now.x, now.y, now.buttons, released});
  reported_ = now;
  return changes;
}

std::optional<std::filesystem::path> JoystickDevicePath(int index) {
  std::filesystem::path path;
  const char *named = std::getenv("CALIDARIX_JOYSTICK");
  if (index == 0 && named != nullptr && *named != '\0')
    path = named;
  else
    path = "/dev/input/js" + std::to_string(index);
  std::error_code error;
  if (!std::filesystem::exists(path, error))
    return std::nullopt;
  return path;
}

} // namespace calidarix
