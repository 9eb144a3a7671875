#include "mainwindow/wave_file.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

using test::Bytes;
using test::QPath;
using test::TempDir;

// The 44 header bytes built field by field, as a player reads them.
std::vector<std::uint8_t> ExpectedHeader(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                         std::uint32_t data) {
  const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
  Bytes b;
  b.text("RIFF", 4).u32(data + 36 + (data & 1)).text("WAVE", 4).text("fmt ", 4).u32(16);
  b.u16(1).u16(channels).u32(rate).u32(rate * align).u16(align).u16(bits);
  b.text("data", 4).u32(data);
  return b.data();
}

TEST(WaveFileTest, HeaderBytesCarryTheFullRateAndTheRightBlockAlign) {
  const struct {
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint32_t data;
  } cases[] = {
      {1, 8000, 8, 36864}, {1, 44100, 16, 441000}, {1, 96000, 16, 0}, {2, 96000, 24, 576000}, {1, 8000, 8, 3},
  };
  for (const auto &c : cases) {
    const WaveFormat format = PcmFormat(c.channels, c.rate, c.bits);
    const auto header = WaveHeader(format, c.data);
    EXPECT_EQ(std::vector<std::uint8_t>(header.begin(), header.end()),
              ExpectedHeader(c.channels, c.rate, c.bits, c.data))
        << c.rate << " Hz";
  }
  // 96000 does not fit 16 bits: bytes 24 .. 27 hold all of it (0x00017700).
  const auto header = WaveHeader(PcmFormat(1, 96000, 16), 0);
  EXPECT_EQ(header[24], 0x00);
  EXPECT_EQ(header[25], 0x77);
  EXPECT_EQ(header[26], 0x01);
  EXPECT_EQ(header[27], 0x00);
  EXPECT_EQ(header[32], 2); // block align of 16-bit mono
}

TEST(WaveFileTest, InconsistentFormatIsNormalised) {
  WaveFormat format;
  format.Channels = 1;
  format.SamplesPerSec = 20000;
  format.BitsPerSample = 16;
  format.BlockAlign = 1; // wrong for 16 bits
  format.AvgBytesPerSec = 20000;
  const WaveFormat fixed = NormalisedPcm(format);
  EXPECT_EQ(fixed.BlockAlign, 2);
  EXPECT_EQ(fixed.AvgBytesPerSec, 40000u);
}

TEST(WaveFileTest, WrittenFileReadsBack) {
  TempDir dir;
  const std::vector<std::uint8_t> data = {1, 2, 3, 4, 5, 6};
  const WaveFormat format = PcmFormat(1, 44100, 16);
  ASSERT_TRUE(WriteWaveFile(QPath(dir.file("a.wav")), format, data));
  EXPECT_EQ(test::ReadFile(dir.file("a.wav")).size(), kWaveHeaderSize + data.size());
  WaveSound sound;
  ASSERT_TRUE(ReadWaveFile(QPath(dir.file("a.wav")), sound));
  EXPECT_EQ(sound.Format, format);
  EXPECT_EQ(sound.Data, data);

  // Odd data gets its pad byte, which is not read back as sound.
  const std::vector<std::uint8_t> odd = {9, 8, 7};
  ASSERT_TRUE(WriteWaveFile(QPath(dir.file("odd.wav")), PcmFormat(1, 8000, 8), odd));
  EXPECT_EQ(test::ReadFile(dir.file("odd.wav")).size(), kWaveHeaderSize + 4);
  ASSERT_TRUE(ReadWaveFile(QPath(dir.file("odd.wav")), sound));
  EXPECT_EQ(sound.Data, odd);
}

TEST(WaveFileTest, ReaderSkipsOtherChunksAndTakesWhatACutOffRecordingHolds) {
  TempDir dir;
  Bytes b;
  b.text("RIFF", 4).u32(0).text("WAVE", 4);
  b.text("LIST", 4).u32(3).text("abc", 3).u8(0); // odd chunk and its pad byte
  b.text("fmt ", 4).u32(18).u16(1).u16(1).u32(8000).u32(16000).u16(2).u16(16).u16(0);
  b.text("data", 4).u32(0).u16(0x1111).u16(0x2222).u8(0x33); // size never written, half a frame
  test::WriteFile(dir.file("cut.wav"), b.data());
  WaveSound sound;
  ASSERT_TRUE(ReadWaveFile(QPath(dir.file("cut.wav")), sound));
  EXPECT_EQ(sound.Format.SamplesPerSec, 8000u);
  EXPECT_EQ(sound.Data, (std::vector<std::uint8_t>{0x11, 0x11, 0x22, 0x22}));
}

TEST(WaveFileTest, FilesThatAreNoPlayableSoundAreRefused) {
  TempDir dir;
  const auto fmt = [](Bytes &b, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint16_t bits) {
    return b.text("fmt ", 4).u32(16).u16(tag).u16(channels).u32(rate).u32(rate).u16(1).u16(bits);
  };
  std::vector<std::pair<const char *, std::vector<std::uint8_t>>> files;
  files.push_back({"empty", {}});
  files.push_back({"not riff", Bytes().text("RIFX", 4).u32(4).text("WAVE", 4).data()});
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4).text("data", 4).u32(2).u16(0);
    files.push_back({"data before format", b.data()});
  }
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4).text("fmt ", 4).u32(8).u32(0).u32(0);
    files.push_back({"short format", b.data()});
  }
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4);
    fmt(b, 3, 1, 8000, 32).text("data", 4).u32(0);
    files.push_back({"float samples", b.data()});
  }
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4);
    fmt(b, 1, 0, 8000, 8).text("data", 4).u32(0);
    files.push_back({"no channels", b.data()});
  }
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4);
    fmt(b, 1, 1, 0, 8).text("data", 4).u32(0);
    files.push_back({"rate 0", b.data()});
  }
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4);
    fmt(b, 1, 1, 8000, 8);
    files.push_back({"no data chunk", b.data()});
  }
  {
    Bytes b;
    b.text("RIFF", 4).u32(0).text("WAVE", 4).text("junk", 4).u32(0xFFFFFFF0u);
    files.push_back({"chunk beyond the file", b.data()});
  }
  for (const auto &[name, bytes] : files) {
    test::WriteFile(dir.file("bad.wav"), bytes);
    WaveSound sound;
    sound.Data = {42};
    const IoResult read = ReadWaveFile(QPath(dir.file("bad.wav")), sound);
    EXPECT_FALSE(read) << name;
    EXPECT_FALSE(read.message.isEmpty()) << name;
    EXPECT_EQ(sound.Data, std::vector<std::uint8_t>{42}) << name;
  }
  WaveSound sound;
  EXPECT_FALSE(ReadWaveFile(QPath(dir.file("missing.wav")), sound));
}

} // namespace
} // namespace calidarix
