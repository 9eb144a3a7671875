#pragma once
// A joystick read through the Linux joystick interface (/dev/input/jsN, struct js_event records).
//
// The reader never blocks: each Poll drains what the device has queued and reports what changed
// since the previous Poll, the way a captured joystick reports changes only. Positions are given
// in 0 .. 65535 with 32767 near the centre (the device's -32767 .. 32767 shifted up); axis 0 is X,
// axis 1 is Y. Buttons are a bit mask, bit n for button n (up to 32 buttons).
//
// The state the driver reports when the device is opened (records flagged as initial) becomes the
// starting point and produces no change. Records are taken whole; a record split across two reads
// is put together again. The source may be any readable file descriptor (tests use a pipe).

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace calidarix {

struct JoystickChange {
  enum class Kind { Move, ButtonDown, ButtonUp };
  Kind kind = Kind::Move;
  std::uint16_t x = 32767;
  std::uint16_t y = 32767;
  std::uint32_t buttons = 0; // buttons held after the change
  std::uint32_t changed = 0; // ButtonDown: buttons newly pressed; ButtonUp: newly released

  friend bool operator==(const JoystickChange &, const JoystickChange &) = default;
};

class JoystickReader {
public:
  // Takes ownership of `fd`, which is switched to non-blocking reads.
  explicit JoystickReader(int fd);
  ~JoystickReader();
  JoystickReader(const JoystickReader &) = delete;
  JoystickReader &operator=(const JoystickReader &) = delete;

  // Opens a joystick device or any readable file; nullptr when it cannot be opened.
  static std::unique_ptr<JoystickReader> Open(const std::filesystem::path &device);

  // Reads every queued record and returns the changes since the last call, in the order move,
  // buttons pressed, buttons released (at most one of each).
  std::vector<JoystickChange> Poll();

  // The device went away (unplugged, read error). Nothing more is read.
  bool Lost() const { return lost_; }

private:
  struct State {
    std::uint16_t x = 32767;
    std::uint16_t y = 32767;
    std::uint32_t buttons = 0;
  };
  void Apply(const unsigned char *record);

  int fd_ = -1;
  bool lost_ = false;
  State current_;
  State reported_;
  std::array<unsigned char, 8> partial_{};
  std::size_t partialSize_ = 0;
};

// The device of joystick `index` (0 is the first): CALIDARIX_JOYSTICK when set and not empty (for
// joystick 0), else /dev/input/js<index>. nullopt when that file does not exist.
std::optional<std::filesystem::path> JoystickDevicePath(int index);

} // namespace calidarix
