#pragma once
// Wave files of the voice comments and the sound recorder: RIFF "WAVE" with a 16-byte "fmt " chunk
// and one "data" chunk, little-endian. The program writes them itself; a file it reads is untrusted.
//
// Header written (44 bytes): "RIFF", data bytes + 36 (+ 1 pad byte when the data is odd), "WAVE",
// "fmt ", 16, format tag, channels, samples per second (all 32 bits), average bytes per second,
// block align, bits per sample, "data", data bytes.

#include "thermogram/io_result.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace calidarix {

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::size_t kWaveHeaderSize = 44;
// The largest data chunk whose RIFF size still fits 32 bits.
inline constexpr std::uint32_t kMaxWaveDataBytes = 0xFFFFFFFFu - 36u - 1u;

struct WaveFormat {
  std::uint16_t FormatTag = kWaveFormatPcm;
  std::uint16_t Channels = 1;
  std::uint32_t SamplesPerSec = 44100;
  std::uint32_t AvgBytesPerSec = 88200;
  std::uint16_t BlockAlign = 2;
  std::uint16_t BitsPerSample = 16;

  bool operator==(const WaveFormat &) const = default;
};

// PCM with block align and byte rate derived from the channels and bits (8 bits mono: block align 1;
// 16 bits mono: 2).
WaveFormat PcmFormat(std::uint16_t channels, std::uint32_t samplesPerSec, std::uint16_t bitsPerSample);

// The format with block align and byte rate recomputed from channels, rate and bits, so that a header
// never contradicts its own data. Other tags are returned as they are.
WaveFormat NormalisedPcm(const WaveFormat &format);

// Why a format cannot be recorded or played: empty when it is PCM of 1 .. 8 channels, 8, 16, 24 or
// 32 bits and 1 .. 768000 samples per second.
QString PcmFormatProblem(const WaveFormat &format);

std::array<std::uint8_t, kWaveHeaderSize> WaveHeader(const WaveFormat &format, std::uint32_t dataBytes);

// A whole file: header, data, and the pad byte of odd data.
std::vector<std::uint8_t> WaveFileBytes(const WaveFormat &format, std::span<const std::uint8_t> data);

// Writes a whole wave file, replacing an existing one only once the new one is complete.
IoResult WriteWaveFile(const QString &fileName, const WaveFormat &format, std::span<const std::uint8_t> data);

struct WaveSound {
  WaveFormat Format;
  std::vector<std::uint8_t> Data; // whole sample frames only
};

// Reads a PCM wave file. Chunks other than "fmt " and "data" are skipped. A data chunk that claims
// more bytes than the file holds (a recording cut off before its sizes were written) gives the bytes
// present; a trailing part of a sample frame is dropped. Refused with a message: a missing file, a
// file that is not RIFF WAVE, a missing or short "fmt " chunk, a format PcmFormatProblem refuses, or no
// "data" chunk.
IoResult ReadWaveFile(const QString &fileName, WaveSound &sound);

} // namespace calidarix
