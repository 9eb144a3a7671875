// Fuzz target of the registry file reader: any bytes are read, never a crash. Every key the file holds
// is walked and every value read as its type. A file that reads without damage takes a write that
// keeps everything it held.

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "platform/registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

// Reads every value of the current key; the count of values and keys seen.
std::size_t ReadValues(Registry &registry) {
  std::size_t seen = 0;
  for (const std::string &name : registry.GetValueNames()) {
    ++seen;
    Require(registry.ValueExists(name));
    const std::optional<RegDataType> type = registry.GetDataType(name);
    Require(type.has_value());
    if (*type == RegDataType::DWord)
      Require(registry.ReadInteger(name).has_value() && registry.ReadBool(name).has_value());
    else if (*type == RegDataType::String)
      Require(registry.ReadString(name).has_value() && !registry.ReadInteger(name).has_value());
    else
      Require(registry.ReadBinaryData(name).has_value() &&
              registry.ReadFloat(name).has_value() == (registry.ReadBinaryData(name)->size() == 8));
  }
  return seen;
}

std::size_t Walk(Registry &registry, const std::string &path, int depth, std::size_t &budget) {
  if (budget == 0 || depth > 600 || !registry.OpenKey(path, false))
    return 0;
  --budget;
  std::size_t seen = ReadValues(registry) + 1;
  for (const std::string &name : registry.GetKeyNames())
    seen += Walk(registry, (path == "\\" ? path : path + "\\") + name, depth + 1, budget);
  return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool quiet = [] {
    SetRegistryProblemHandler([](const std::string &) {});
    return true;
  }();
  (void)quiet;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, 0);
  const std::filesystem::path file = fuzz::WriteInputFile("registry.txt", input.File).toStdString();
  for (const auto &entry : std::filesystem::directory_iterator(file.parent_path()))
    if (entry.path().filename().string().starts_with("registry.txt.corrupt"))
      std::filesystem::remove(entry.path());

  std::size_t budget = 2000;
  std::size_t before = 0;
  {
    Registry registry(file);
    before = Walk(registry, "\\", 0, budget);
  }
  // Only a sound file is rewritten; a damaged one would be set aside first.
  if (size == 0 || budget == 0 || (data[0] & 8) == 0)
    return 0;
  {
    Registry registry(file);
    Require(registry.OpenKey("\\FuzzWrite", true) && registry.WriteString("Check", "value"));
  }
  Registry again(file);
  budget = 2000;
  const std::size_t after = Walk(again, "\\", 0, budget);
  Require(after >= before);
  return 0;
}
