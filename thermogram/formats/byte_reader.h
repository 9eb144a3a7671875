#pragma once
// Bounds-checked reads of fixed-width values from a byte buffer. Every read names its offset and
// yields nothing when the buffer does not hold all of the value's bytes, so a reader can never look
// past the data it actually got from a file.

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace calidarix {

class ByteReader {
public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }

  // Whether count bytes from offset lie inside the buffer (overflow-safe).
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }

  std::optional<std::uint8_t> U8(std::uint64_t offset) const {
    if (!Has(offset, 1)) {
      return std::nullopt;
    }
    return bytes_[offset];
  }

  std::optional<std::uint16_t> U16LE(std::uint64_t offset) const {
    if (!Has(offset, 2)) {
      return std::nullopt;
    }
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
  }

  std::optional<std::uint16_t> U16BE(std::uint64_t offset) const {
    if (!Has(offset, 2)) {
      return std::nullopt;
    }
    return static_cast<std::uint16_t>((bytes_[offset] << 8) | bytes_[offset + 1]);
  }

  std::optional<std::uint32_t> U32LE(std::uint64_t offset) const {
    if (!Has(offset, 4)) {
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(bytes_[offset]) |
           (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
  }

  // A little-endian IEEE 754 single.
  std::optional<float> F32LE(std::uint64_t offset) const {
    const std::optional<std::uint32_t> bits = U32LE(offset);
    if (!bits) {
      return std::nullopt;
    }
    return std::bit_cast<float>(*bits);
  }

private:
  std::span<const std::uint8_t> bytes_;
};

} // namespace calidarix
