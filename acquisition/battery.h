#pragma once
// The computer's batteries as the kernel's power-supply class shows them (/sys/class/power_supply).
//
// A battery is a supply of type "Battery" that is present and powers the system (a supply whose scope
// is "Device" powers a mouse or a headset and is left out). Its level is taken from "capacity" (in
// percent), else from "energy_now" over "energy_full", else from "charge_now" over "charge_full". Its
// power state is a set of flags: on line while any other supply (mains, USB) is online, charging or
// discharging as "status" says, critical when "capacity_level" says so.

#include <filesystem>
#include <optional>
#include <vector>

namespace calidarix {

// Power-state flags of a battery.
enum : int {
  BatteryPowerOnLine = 1,
  BatteryDischarging = 2,
  BatteryCharging = 4,
  BatteryCritical = 8,
};

inline constexpr const char *kPowerSupplyRoot = "/sys/class/power_supply";

struct TBatteryStatus {
  long long Capacity = 0;     // remaining, in the unit of FullCapacity
  long long FullCapacity = 0; // 0: the battery gives no level
  int PowerState = 0;
};

// The battery folders under `root`, in name order.
std::vector<std::filesystem::path> EnumBatteries(const std::filesystem::path &root);

// The state of one battery folder; nothing when the folder cannot be read.
std::optional<TBatteryStatus> QueryBattery(const std::filesystem::path &root,
                                           const std::filesystem::path &battery);

// Capacity / full capacity in percent, truncated (at most 1000: more is no sensible level either); 0 (no
// value) when the full capacity is not positive.
int BatteryLevel(long long capacity, long long fullCapacity);

} // namespace calidarix
