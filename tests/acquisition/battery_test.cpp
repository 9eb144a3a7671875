// The battery reader over fake power-supply folders: which supplies are batteries, and how levels and
// power states are read.

#include "acquisition/battery.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <map>

namespace calidarix {
namespace {

namespace fs = std::filesystem;
using Attributes = std::map<std::string, std::string>;

void Supply(const fs::path &root, const std::string &name, const Attributes &attributes) {
  fs::create_directories(root / name);
  for (const auto &[file, value] : attributes)
    test::WriteText(root / name / file, value + "\n");
}

TEST(Battery, OnlyPresentSystemBatteriesAreListedInNameOrder) {
  test::TempDir root;
  Supply(root.path(), "BAT1", {{"type", "Battery"}, {"present", "1"}});
  Supply(root.path(), "BAT0", {{"type", "Battery"}});
  Supply(root.path(), "AC", {{"type", "Mains"}, {"online", "1"}});
  Supply(root.path(), "hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}});
  Supply(root.path(), "BAT2", {{"type", "Battery"}, {"present", "0"}});
  const auto batteries = EnumBatteries(root.path());
  ASSERT_EQ(batteries.size(), 2u);
  EXPECT_EQ(batteries[0].filename(), "BAT0");
  EXPECT_EQ(batteries[1].filename(), "BAT1");
  EXPECT_TRUE(EnumBatteries(root.file("missing")).empty());
  EXPECT_FALSE(QueryBattery(root.path(), root.file("missing")));
}

TEST(Battery, LevelsAndPowerStatesFollowTheSupplyFiles) {
  struct Case {
    const char *what;
    Attributes battery;
    std::string mainsOnline; // empty: no mains supply
    int level;
    int state;
  };
  const Case cases[] = {
      {"capacity, discharging", {{"capacity", "57"}, {"status", "Discharging"}}, "0", 57, BatteryDischarging},
      {"energy, charging on mains",
       {{"energy_now", "30000000"}, {"energy_full", "40000000"}, {"status", "Charging"}},
       "1",
       75,
       BatteryCharging | BatteryPowerOnLine},
      {"charge, full on mains",
       {{"charge_now", "1000"}, {"charge_full", "4000"}, {"status", "Full"}},
       "1",
       25,
       BatteryPowerOnLine},
      {"capacity wins over energy",
       {{"capacity", "90"}, {"energy_now", "1"}, {"energy_full", "4"}},
       "",
       90,
       0},
      {"critical",
       {{"capacity", "3"}, {"capacity_level", "Critical"}, {"status", "Discharging"}},
       "0",
       3,
       BatteryDischarging | BatteryCritical},
      {"not charging", {{"capacity", "80"}, {"status", "Not charging"}}, "1", 80, BatteryPowerOnLine},
      {"full capacity 0 is no value", {{"energy_now", "5"}, {"energy_full", "0"}}, "", 0, 0},
      {"no level at all", {{"status", "Unknown"}}, "", 0, 0},
      {"two thirds truncated", {{"charge_now", "2"}, {"charge_full", "3"}}, "", 66, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir root;
    Attributes battery = c.battery;
    battery["type"] = "Battery";
    Supply(root.path(), "BAT0", battery);
    if (!c.mainsOnline.empty())
      Supply(root.path(), "ADP1", {{"type", "Mains"}, {"online", c.mainsOnline}});
    const auto s = QueryBattery(root.path(), root.file("BAT0"));
    ASSERT_TRUE(s);
    EXPECT_EQ(BatteryLevel(s->Capacity, s->FullCapacity), c.level);
    EXPECT_EQ(s->PowerState, c.state);
  }
}

} // namespace
} // namespace calidarix
