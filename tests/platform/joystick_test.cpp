#include "platform/joystick.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace calidarix {
namespace {

using Kind = JoystickChange::Kind;

constexpr std::uint8_t kButton = 0x01;
constexpr std::uint8_t kAxis = 0x02;
constexpr std::uint8_t kInitial = 0x80;

// One js_event record: time in ms, value, type, number.
std::vector<std::uint8_t> Record(std::uint8_t type, std::uint8_t number, std::int16_t value) {
  return test::Bytes().u32(1234).i16(value).u8(type).u8(number).data();
}

// A reader on the read end of a pipe; the test writes device records into the other end.
class Joystick : public ::testing::Test {
protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    reader = std::make_unique<JoystickReader>(fds[0]);
    writer = fds[1];
  }
  void TearDown() override {
    if (writer >= 0)
      ::close(writer);
  }
  void Write(const std::vector<std::uint8_t> &bytes) {
    ASSERT_EQ(::write(writer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Write(std::uint8_t type, std::uint8_t number, std::int16_t value) {
    Write(Record(type, number, value));
  }

  std::unique_ptr<JoystickReader> reader;
  int writer = -1;
};

TEST_F(Joystick, InitialStateIsTheStartingPointAndNothingQueuedMeansNoChange) {
  Write(kInitial | kAxis, 0, -32767);
  Write(kInitial | kAxis, 1, 32767);
  Write(kInitial | kButton, 2, 1);
  EXPECT_TRUE(reader->Poll().empty());
  EXPECT_TRUE(reader->Poll().empty()); // nothing queued: no read blocks, nothing reported
  EXPECT_FALSE(reader->Lost());

  Write(kAxis, 0, 0);
  const std::vector<JoystickChange> expected{{Kind::Move, 32767, 65534, 0b100, 0}};
  EXPECT_EQ(reader->Poll(), expected);
}

TEST_F(Joystick, ReportsOnlyTheNetChangeSinceTheLastPoll) {
  Write(kAxis, 0, 100);
  Write(kAxis, 0, 0); // back where it was: no move
  Write(kButton, 0, 1);
  Write(kButton, 3, 1);
  Write(kAxis, 5, 999); // a third axis is not a position
  std::vector<JoystickChange> expected{{Kind::ButtonDown, 32767, 32767, 0b1001, 0b1001}};
  EXPECT_EQ(reader->Poll(), expected);

  Write(kAxis, 1, -32768); // clamps at 0
  Write(kButton, 0, 0);
  Write(kButton, 1, 1);
  expected = {{Kind::Move, 32767, 0, 0b1010, 0},
              {Kind::ButtonDown, 32767, 0, 0b1010, 0b0010},
              {Kind::ButtonUp, 32767, 0, 0b1010, 0b0001}};
  EXPECT_EQ(reader->Poll(), expected);

  Write(kButton, 1, 1); // pressed again while held: no change
  EXPECT_TRUE(reader->Poll().empty());
}

TEST_F(Joystick, ARecordSplitAcrossReadsIsJoinedAndOutOfRangeButtonsIgnored) {
  const std::vector<std::uint8_t> record = Record(kButton, 4, 1);
  Write(std::vector<std::uint8_t>(record.begin(), record.begin() + 5));
  EXPECT_TRUE(reader->Poll().empty());
  Write(std::vector<std::uint8_t>(record.begin() + 5, record.end()));
  Write(kButton, 40, 1); // beyond the 32 buttons a mask holds
  const std::vector<JoystickChange> expected{{Kind::ButtonDown, 32767, 32767, 0b10000, 0b10000}};
  EXPECT_EQ(reader->Poll(), expected);
}

TEST_F(Joystick, AReadErrorMarksTheDeviceLost) {
  // A descriptor opened for writing only cannot be read: the reader gives up instead of spinning.
  JoystickReader broken(::dup(writer));
  EXPECT_TRUE(broken.Poll().empty());
  EXPECT_TRUE(broken.Lost());
}

TEST(JoystickDevice, MissingDevicesAreNotOpened) {
  test::TempDir dir;
  EXPECT_EQ(JoystickReader::Open(dir.file("js0")), nullptr);
  ::setenv("CALIDARIX_JOYSTICK", dir.file("js0").c_str(), 1);
  EXPECT_FALSE(JoystickDevicePath(0).has_value());
  test::WriteFile(dir.file("js0"), {});
  EXPECT_EQ(JoystickDevicePath(0), dir.file("js0"));
  EXPECT_NE(JoystickReader::Open(dir.file("js0")), nullptr);
  ::unsetenv("CALIDARIX_JOYSTICK");
}

} // namespace
} // namespace calidarix
