#pragma once
// The shell's registry values on the program's registry file.

#include "mainwindow/ui/shell_services.h"
#include "platform/registry.h"

namespace calidarix {

class RegistryKeyValueStore : public KeyValueStore {
public:
  RegistryKeyValueStore() = default;
  explicit RegistryKeyValueStore(std::filesystem::path file) : registry_(std::move(file)) {}

  // Key paths are taken from the root whether or not they start with "\".
  bool OpenKey(const QString &key) override;
  std::optional<std::int64_t> ReadInteger(const QString &key, const QString &name) override;
  std::optional<QString> ReadString(const QString &key, const QString &name) override;
  // Registry integers are 32-bit: a value outside that range is refused (false), never cut.
  bool WriteInteger(const QString &key, const QString &name, std::int64_t value) override;

private:
  Registry registry_;
};

} // namespace calidarix
