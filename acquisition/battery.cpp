#include "acquisition/battery.h"

#include "platform/numbers.h"

#include <algorithm>
#include <fstream>
#include <string>

namespace calidarix {

namespace {

namespace fs = std::filesystem;

// The first line of an attribute file, without trailing blanks; nothing when it cannot be read.
std::optional<std::string> Attribute(const fs::path &folder, const char *name) {
  std::ifstream in(folder / name);
  if (!in)
    return std::nullopt;
  std::string line;
  std::getline(in, line);
  while (!line.empty() &&
         (line.back() == '\n' || line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.pop_back();
  return line;
}

std::optional<long long> Number(const fs::path &folder, const char *name) {
  const auto text = Attribute(folder, name);
  if (!text)
    return std::nullopt;
  const auto value = ParseInteger(*text);
  if (!value)
    return std::nullopt;
  return static_cast<long long>(*value);
}

// Another supply (mains, USB) that is online powers the computer.
bool OnLine(const fs::path &root) {
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(root, ec)) {
    if (Attribute(entry.path(), "type").value_or("Battery") == "Battery")
      continue;
    if (Number(entry.path(), "online").value_or(0) == 1)
      return true;
  }
  return false;
}

} // namespace

std::vector<fs::path> EnumBatteries(const fs::path &root) {
  std::vector<fs::path> batteries;
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(root, ec)) {
    const fs::path &folder = entry.path();
    if (Attribute(folder, "type") != "Battery")
      continue;
    if (Attribute(folder, "scope") == "Device")
      continue;
    if (Number(folder, "present").value_or(1) == 0)
      continue;
    batteries.push_back(folder);
  }
  std::sort(batteries.begin(), batteries.end());
  return batteries;
}

std::optional<TBatteryStatus> QueryBattery(const fs::path &root, const fs::path &battery) {
  if (!Attribute(battery, "type"))
    return std::nullopt;
  TBatteryStatus s;
  if (const auto capacity = Number(battery, "capacity")) {
    s.Capacity = *capacity;
    s.FullCapacity = 100;
  } else if (const auto now = Number(battery, "energy_now")) {
    s.Capacity = *now;
    s.FullCapacity = Number(battery, "energy_full").value_or(0);
  } else if (const auto charge = Number(battery, "charge_now")) {
    s.Capacity = *charge;
    s.FullCapacity = Number(battery, "charge_full").value_or(0);
  }
  const std::string status = Attribute(battery, "status").value_or(std::string());
  if (status == "Charging")
    s.PowerState |= BatteryCharging;
  else if (status == "Discharging")
    s.PowerState |= BatteryDischarging;
  if (Attribute(battery, "capacity_level") == "Critical")
    s.PowerState |= BatteryCritical;
  if (OnLine(root))
    s.PowerState |= BatteryPowerOnLine;
  return s;
}

int BatteryLevel(long long capacity, long long fullCapacity) {
  if (fullCapacity <= 0 || capacity < 0)
    return 0;
  // In whole numbers: 57 of 100 is 57 %, where the quotient in floating point gives 56.999...
  const long long level = capacity >= (1LL << 56) ? capacity / fullCapacity * 100 : capacity * 100 / fullCapacity;
  return static_cast<int>(std::min<long long>(level, 1000));
}

} // namespace calidarix
