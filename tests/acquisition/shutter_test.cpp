// The module's reference shutter on pseudo-terminals: the probe of the configured port only, the
// readings and what an unusable reply gives.

#include "acquisition/shutter.h"
#include "tests/sim/pty_shutter.h"
#include "tests/support/test_support.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(ModuleShutter, TheConfiguredPortIsProbedAndReadAndNoOtherIsTouched) {
  sim::PtyShutter shutter;
  sim::PtyShutter neighbour; // another device (the head, say) on another number
  ASSERT_TRUE(shutter.Ready() && neighbour.Ready());
  test::ScopedEnv ports("CALIDARIX_SERIAL_PORTS", "3=" + neighbour.SlavePath() + ";5=" + shutter.SlavePath());
  QStringList log;
  TModuleShutter s(5, [&](const QString &line) { log << line; });
  s.FindShutterPort();
  ASSERT_TRUE(s.FShutterFound);
  EXPECT_EQ(log, (QStringList{"Initialize COM port", "Com port class created", "COM5 exists?",
                              "COM5 initialized"}));
  EXPECT_EQ(shutter.NameRequests(), 1);
  EXPECT_EQ(neighbour.NameRequests(), 0);

  shutter.Send("24.1250");
  EXPECT_EQ(s.ReadShutterTemperature(), 24.125);
  EXPECT_EQ(log.back(), "24.1250 received from COM port");
  shutter.Send("warm!!!");
  EXPECT_EQ(s.ReadShutterTemperature(), 0.0);
  EXPECT_EQ(s.ReadShutterTemperature(), 0.0); // nothing arrives
  EXPECT_EQ(log.back(), "COM receive failed");
  EXPECT_TRUE(s.FShutterFound);
}

TEST(ModuleShutter, ADeviceOfAnotherNameOrNoPortIsNoShutter) {
  sim::PtyShutter other("OTHER__");
  ASSERT_TRUE(other.Ready());
  test::ScopedEnv ports("CALIDARIX_SERIAL_PORTS", "4=" + other.SlavePath());
  QStringList log;
  TModuleShutter s(4, [&](const QString &line) { log << line; });
  s.FindShutterPort();
  EXPECT_FALSE(s.FShutterFound);
  EXPECT_FALSE(s.SeekShutterPort->IsOpen());
  EXPECT_TRUE(log.contains("COM4 closed"));
  EXPECT_EQ(log.back(), "Blinds initialization failed");

  log.clear();
  TModuleShutter none(0, [&](const QString &line) { log << line; });
  EXPECT_EQ(none.ReadShutterTemperature(), 0.0); // searches first
  EXPECT_EQ(log, (QStringList{"Initialize COM port", "Com port class created", "Blinds initialization failed",
                              "No Seek blinds. Exiting"}));
}

TEST(ModuleShutter, ReadingsAreDecimalTextWithAPoint) {
  struct Case {
    const char *text;
    std::optional<double> value;
  };
  const Case cases[] = {{"24.1250", 24.125},       {"  -3.5\r\n", -3.5},  {"21\n", 21.0},
                        {"24,1250", std::nullopt}, {"nan", std::nullopt}, {"", std::nullopt},
                        {"12.5abc", std::nullopt}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseShutterReading(QByteArray(c.text)), c.value);
  }
}

} // namespace
} // namespace calidarix
