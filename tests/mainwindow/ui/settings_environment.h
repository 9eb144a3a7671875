#pragma once
// Points every store the settings use at a fresh temporary folder for the life of the object: the
// registry file, the program folder, the XDG configuration, data and runtime folders. Earlier values
// of the variables come back at destruction.

#include "tests/support/test_support.h"

#include <QByteArray>
#include <QtGlobal>
#include <filesystem>
#include <map>
#include <string>

namespace calidarix::test {

class SettingsEnvironment {
public:
  SettingsEnvironment() {
    for (const char *folder : {"program", "config", "data", "runtime"})
      std::filesystem::create_directories(dir.file(folder));
    std::filesystem::permissions(dir.file("runtime"), std::filesystem::perms::owner_all);
    Set("CALIDARIX_REGISTRY", registry());
    Set("CALIDARIX_PROGRAM_DIR", programDir());
    Set("XDG_CONFIG_HOME", dir.file("config"));
    Set("XDG_DATA_HOME", dir.file("data"));
    Set("XDG_RUNTIME_DIR", dir.file("runtime"));
  }
  ~SettingsEnvironment() {
    for (const auto &[name, value] : saved_)
      if (value.isNull())
        qunsetenv(name.c_str());
      else
        qputenv(name.c_str(), value);
  }
  SettingsEnvironment(const SettingsEnvironment &) = delete;
  SettingsEnvironment &operator=(const SettingsEnvironment &) = delete;

  std::filesystem::path registry() const { return dir.file("registry.txt"); }
  std::filesystem::path programDir() const { return dir.file("program"); }

  void Set(const char *name, const std::filesystem::path &value) {
    if (saved_.count(name) == 0)
      saved_[name] = qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray();
    qputenv(name, QByteArray::fromStdString(value.string()));
  }

  TempDir dir;

private:
  std::map<std::string, QByteArray> saved_;
};

} // namespace calidarix::test
