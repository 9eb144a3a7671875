#pragma once
// The settings registry: the HKEY_CLASSES_ROOT tree of keys and values, kept in one text file.
//
// File: $XDG_CONFIG_HOME/calidarix/registry.txt (~/.config/calidarix/registry.txt by default), or the
// file named by CALIDARIX_REGISTRY. Format (UTF-8 text, LF line ends):
//
//   Calidarix registry 1
//   [\dtvimage]
//   @="dtvimage"
//   [\dtvimage\Setup]
//   "isAutoSave"=dword:00000001
//   "FixedMin"=hex:00,00,00,00,00,00,34,40
//   "OpenDirectory"="C:\\DATA\\"
//   End of registry
//
// - The first line is the header, the last line "End of registry"; a file without either (a
//   truncated file, for instance) is corrupt. Blank lines and lines starting with ";" are ignored.
// - "[path]" starts a key: its full path from the root with a leading "\". Every key is listed, empty
//   ones too; the values below a key line belong to it. Key names cannot contain "\" or control
//   characters; keys nest at most 512 deep.
// - A value line is its name in double quotes (or "@" for the unnamed default value), "=", then
//   "text in quotes" (REG_SZ), dword:XXXXXXXX (REG_DWORD, 8 hex digits) or hex:bb,bb,... (REG_BINARY,
//   possibly empty). In quoted names and texts "\\" is a backslash, "\"" a quote, "\n", "\r", "\t" the
//   control characters and "\xHH" any other byte; other bytes stand for themselves.
//
// Key and value names compare without regard to case; the spelling first stored is kept.
//
// Sharing: readers see a whole file at any time because every write makes a new file and renames it
// over the old one. Writers serialise on an flock of "<file>.lock"; each write re-reads the file under
// the lock and applies only its own change, so two programs (or two objects) writing the same file
// do not lose each other's values. A write that leaves every key and value as it was leaves the file
// alone (no rewrite, no flush to disk).
//
// Damage: a line that cannot be read (a stray line, a bad value, a key path that is not allowed, a
// file cut short) is left out, with the values below a key line that could not be read; every
// well-formed key and value is kept. A damaged file, or one that cannot be read at all, is reported
// once through the problem handler. It is never overwritten: the next write first renames it aside to
// "<file>.corrupt-<n>" (the first free n from 1), reports that too, and writes what could be read
// together with the change.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calidarix {

namespace registry_detail {
struct Key;
struct Value;
struct Snapshot;
} // namespace registry_detail

enum class RegDataType { String, DWord, Binary };

// The registry file in use: CALIDARIX_REGISTRY when set and not empty, else the configuration folder's.
std::filesystem::path RegistryFilePath();

// Receives a message when a registry file is damaged or cannot be written. The default handler
// prints the message as a Qt warning. Pass an empty function to restore the default.
using RegistryProblemHandler = std::function<void(const std::string &message)>;
void SetRegistryProblemHandler(RegistryProblemHandler handler);

// A registry object with a current key, like the Windows registry classes: open a key, then read and
// write values of that key. Key paths that start with "\" are taken from the root, others relative to
// the current key; before any key is opened (and after CloseKey) the current key is the root.
// Reads return nullopt for a missing value or a value of another type. Writes return false when the
// current key no longer exists (another program deleted it), when a name is not allowed or when the
// file cannot be written.
class Registry {
public:
  explicit Registry(std::filesystem::path file = RegistryFilePath());
  ~Registry();
  Registry(const Registry &) = delete;
  Registry &operator=(const Registry &) = delete;

  const std::filesystem::path &FileName() const { return file_; }

  // Makes the key current; true when it exists (or was created because canCreate is set).
  bool OpenKey(std::string_view path, bool canCreate);
  void CloseKey();
  bool KeyExists(std::string_view path);
  // Full path of the current key with its stored spelling, "\" for the root.
  std::string CurrentPath() const;

  bool ValueExists(std::string_view name);
  std::optional<RegDataType> GetDataType(std::string_view name);

  std::optional<std::int32_t> ReadInteger(std::string_view name); // REG_DWORD
  std::optional<bool> ReadBool(std::string_view name);            // REG_DWORD, non-zero is true
  std::optional<std::string> ReadString(std::string_view name);   // REG_SZ
  std::optional<double> ReadFloat(std::string_view name);         // REG_BINARY of exactly 8 bytes
  std::optional<std::vector<std::uint8_t>> ReadBinaryData(std::string_view name); // REG_BINARY

  bool WriteInteger(std::string_view name, std::int32_t value);
  bool WriteBool(std::string_view name, bool value); // DWORD 1 or 0
  bool WriteString(std::string_view name, std::string_view value);
  bool WriteFloat(std::string_view name, double value); // little-endian IEEE double, bit exact
  bool WriteBinaryData(std::string_view name, const std::vector<std::uint8_t> &data);

  // False when the value or key did not exist (or the file cannot be written). DeleteKey removes the
  // key with all its subkeys; the root cannot be deleted.
  bool DeleteValue(std::string_view name);
  bool DeleteKey(std::string_view path);

  std::vector<std::string> GetKeyNames();   // subkeys of the current key
  std::vector<std::string> GetValueNames(); // values of the current key ("" is the default value)

private:
  std::optional<std::vector<std::string>> ResolvePath(std::string_view path) const;
  const registry_detail::Key &Load();
  const registry_detail::Value *FindValue(std::string_view name);
  bool Modify(const std::function<bool(registry_detail::Key &root)> &change);
  bool WriteValue(std::string_view name, registry_detail::Value value);

  std::filesystem::path file_;
  std::vector<std::string> current_; // names of the current key from the root, stored spelling
  std::unique_ptr<registry_detail::Snapshot> cache_; // the file as last read, with its identity
};

} // namespace calidarix
