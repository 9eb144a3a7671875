// Fuzz target of the INI reader: any bytes are read, never a crash. Every section the file names is
// looked up; the keys a section lists exist, have a value, and read as every type without undefined
// behaviour, and the key list and the key-value list of a section agree.

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "platform/inifile.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace {

using calidarix::fuzz::Require;

// The names between "[" and "]" at the start of the lines, as a user of the file would ask for them.
std::set<std::string> SectionNames(std::string_view text) {
  std::set<std::string> names;
  std::size_t at = 0;
  while (at < text.size() && names.size() < 32) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos)
      end = text.size();
    const std::string_view line = text.substr(at, end - at);
    const std::size_t open = line.find('[');
    const std::size_t close = line.find(']');
    if (open != std::string_view::npos && close != std::string_view::npos && open < close)
      names.emplace(line.substr(open + 1, close - open - 1));
    at = end + 1;
  }
  names.emplace("SETUP");
  return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace calidarix;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, 0);
  const QString name = fuzz::WriteInputFile("input.ini", input.File);
  const IniFile ini(name.toStdString());
  const std::string text(input.File.begin(), input.File.end());

  for (const std::string &section : SectionNames(text)) {
    const std::vector<std::string> keys = ini.ReadSection(section);
    const auto values = ini.ReadSectionValues(section);
    Require(keys.size() == values.size());
    Require(ini.SectionExists(section) == !keys.empty());
    for (std::size_t i = 0; i < keys.size() && i < 64; ++i) {
      Require(values[i].first == keys[i]);
      Require(ini.ValueExists(section, keys[i]));
      (void)ini.ReadString(section, keys[i], "");
      (void)ini.ReadInteger(section, keys[i], 0);
      (void)ini.ReadBool(section, keys[i], false);
      const double real = ini.ReadFloat(section, keys[i], 0.0);
      Require(std::isfinite(real));
    }
    Require(ini.ReadString(section, "no such key here", "default") == "default");
  }
  return 0;
}
