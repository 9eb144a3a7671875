#include "mainwindow/ui/registry_store.h"

#include "platform/path_text.h"

#include <limits>

namespace calidarix {

namespace {

std::string FromRoot(const QString &key) {
  return (key.startsWith(QLatin1Char('\\')) ? key : QLatin1Char('\\') + key).toStdString();
}

} // namespace

bool RegistryKeyValueStore::OpenKey(const QString &key) {
  return registry_.OpenKey(FromRoot(key), true);
}

std::optional<std::int64_t> RegistryKeyValueStore::ReadInteger(const QString &key, const QString &name) {
  if (!registry_.OpenKey(FromRoot(key), false))
    return std::nullopt;
  const std::optional<std::int32_t> value = registry_.ReadInteger(name.toStdString());
  return value ? std::optional<std::int64_t>(*value) : std::nullopt;
}

std::optional<QString> RegistryKeyValueStore::ReadString(const QString &key, const QString &name) {
  if (!registry_.OpenKey(FromRoot(key), false))
    return std::nullopt;
  const std::optional<std::string> value = registry_.ReadString(name.toStdString());
  // Texts are bytes in the registry file; a file name among them keeps the ones that are not UTF-8.
  return value ? std::optional<QString>(PathTextFromNative(QByteArray::fromStdString(*value))) : std::nullopt;
}

bool RegistryKeyValueStore::WriteInteger(const QString &key, const QString &name, std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    return false;
  return registry_.OpenKey(FromRoot(key), true) &&
         registry_.WriteInteger(name.toStdString(), static_cast<std::int32_t>(value));
}

} // namespace calidarix
