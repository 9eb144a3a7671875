#include "tests/support/test_support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

namespace calidarix::test {

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("calidarix-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

Bytes &Bytes::u8(std::uint8_t v) {
  data_.push_back(v);
  return *this;
}

Bytes &Bytes::u16(std::uint16_t v) {
  u8(static_cast<std::uint8_t>(v & 0xFF));
  return u8(static_cast<std::uint8_t>(v >> 8));
}

Bytes &Bytes::u32(std::uint32_t v) {
  u16(static_cast<std::uint16_t>(v & 0xFFFF));
  return u16(static_cast<std::uint16_t>(v >> 16));
}

Bytes &Bytes::f32(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return u32(bits);
}

Bytes &Bytes::f64(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  u32(static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
  return u32(static_cast<std::uint32_t>(bits >> 32));
}

Bytes &Bytes::text(const std::string &s, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    u8(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
  return *this;
}

Bytes &Bytes::raw(const std::vector<std::uint8_t> &v) {
  data_.insert(data_.end(), v.begin(), v.end());
  return *this;
}

Bytes &Bytes::zeros(std::size_t n) {
  data_.insert(data_.end(), n, 0);
  return *this;
}

void WriteFile(const std::filesystem::path &path, const std::vector<std::uint8_t> &data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::filesystem::path &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

std::string ReadText(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

ScopedEnv::ScopedEnv(const char *name, const std::optional<std::string> &value) : name_(name) {
  if (const char *old = std::getenv(name))
    old_ = old;
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    setenv(name_, old_->c_str(), 1);
  else
    unsetenv(name_);
}

} // namespace calidarix::test
