#pragma once
// Small helpers shared by the test suites: temporary folders and byte-level file builders.

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace calidarix::test {

// A fresh folder under the system's temporary folder, removed with everything in it at destruction.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::filesystem::path &path() const { return path_; }
  std::filesystem::path file(const std::string &name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

// Little-endian byte writer for building binary fixtures byte by byte.
class Bytes {
public:
  Bytes &u8(std::uint8_t v);
  Bytes &u16(std::uint16_t v);
  Bytes &u32(std::uint32_t v);
  Bytes &i16(std::int16_t v) { return u16(static_cast<std::uint16_t>(v)); }
  Bytes &i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
  Bytes &f32(float v);
  Bytes &f64(double v);
  Bytes &text(const std::string &s, std::size_t width); // zero-padded or cut to width
  Bytes &raw(const std::vector<std::uint8_t> &v);
  Bytes &zeros(std::size_t n);

  const std::vector<std::uint8_t> &data() const { return data_; }
  std::size_t size() const { return data_.size(); }

private:
  std::vector<std::uint8_t> data_;
};

void WriteFile(const std::filesystem::path &path, const std::vector<std::uint8_t> &data);
std::vector<std::uint8_t> ReadFile(const std::filesystem::path &path);
void WriteText(const std::filesystem::path &path, const std::string &text);
std::string ReadText(const std::filesystem::path &path); // empty when the file cannot be read

// A path as the QString file name the code under test takes.
inline QString QPath(const std::filesystem::path &path) {
  return QString::fromStdString(path.string());
}

// Sets (or, with nullopt, removes) an environment variable for the life of the object.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const std::optional<std::string> &value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
  const char *name_;
  std::optional<std::string> old_;
};

} // namespace calidarix::test
