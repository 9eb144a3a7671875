// The foreign thermogram readers, each against a small file built here byte by byte from its layout.

#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <functional>
#include <limits>

namespace calidarix {
namespace {

using test::Bytes;
using test::TempDir;
using test::WriteFile;

QString Name(const std::filesystem::path &path) {
  return QString::fromStdString(path.string());
}

// The fields a reader may change, to show that a refused file changed none of them.
struct Snapshot {
  std::uint16_t Width, Height, FrameCount, HorzExtent, VertExtent;
  std::uint8_t Version;
  float Scale, Offset;
  std::vector<std::uint16_t> Raw;
  QString FileName;
  double Aspect, PixelAspect;
  std::uint16_t RawMin, RawMax;
  int RawMean;

  bool operator==(const Snapshot &) const = default;
};

Snapshot Take(const TDTV &t) {
  const TDTVHeader &h = t.FHeader;
  return {h.Width, h.Height,    h.FrameCount, h.HorzExtent,   h.VertExtent, h.Version, h.Scale,   h.Offset,
          t.FRaw,  t.FFileName, t.FAspect,    t.FPixelAspect, t.FRawMin,    t.FRawMax, t.FRawMean};
}

// A thermogram holding an earlier 2 x 1 frame with Offset 20 and Scale 0.002.
void Prepare(TDTV &t) {
  t.FHeader.Width = 2;
  t.FHeader.Height = 1;
  t.FHeader.Version = 5;
  t.FHeader.FrameCount = 7;
  t.FRaw = {5, 6};
  t.FHeader.Offset = 20.0f;
  t.FHeader.Scale = 0.002f;
  t.FFileName = QStringLiteral("previous.dtv");
  t.SetAspect(2.0);
  t.UpdateStatistics();
}

// Scale and Offset of a reset header.
TDTVHeader ResetRule() {
  TDTV t;
  t.ResetHeader();
  return t.FHeader;
}

// A file of `head` zero bytes followed by 16-bit samples.
std::vector<std::uint8_t> SampleFile(std::size_t head, const std::vector<std::uint16_t> &samples,
                                     bool bigEndian = false) {
  Bytes b;
  b.zeros(head);
  for (const std::uint16_t s : samples) {
    if (bigEndian) {
      b.u8(static_cast<std::uint8_t>(s >> 8)).u8(static_cast<std::uint8_t>(s & 0xFF));
    } else {
      b.u16(s);
    }
  }
  return b.data();
}

// A frame of n samples: 1000 at the start, 5000 at the end, 3000 at index 1 and 0 at index 2.
std::vector<std::uint16_t> RangeFrame(std::size_t n) {
  std::vector<std::uint16_t> s(n, 2000);
  s[0] = 1000;
  s[1] = 3000;
  s[2] = 0;
  s[n - 1] = 5000;
  return s;
}

// ".bmt": samples at 64, 3 x 2, bottom row first (values 1 .. 6), the fixed trailing blocks zero.
std::vector<std::uint8_t> BmtFile(std::uint32_t width = 3, std::uint32_t height = 2,
                                  const std::vector<std::uint16_t> &samples = {4, 5, 6, 1, 2, 3}) {
  Bytes b;
  b.zeros(10).u32(64).zeros(4).u32(width).u32(height);
  b.zeros(64 - b.size());
  for (const std::uint16_t s : samples) {
    b.u16(s);
  }
  b.zeros(768321 + 38 * 31 * 4 - b.size());
  return b.data();
}

// ".ti4": H at 1, W at 3, temperatures of byte 0 and 255 at 276 and 280, frames from 383.
std::vector<std::uint8_t> Ti4File(std::uint16_t width, std::uint16_t height, float minimum, float maximum,
                                  const std::vector<std::uint8_t> &frames) {
  Bytes b;
  b.zeros(1).u16(height).u16(width);
  b.zeros(276 - b.size()).f32(minimum).f32(maximum);
  b.zeros(383 - b.size()).raw(frames);
  return b.data();
}

// Radiometric JPEG: 200 x 160 samples (64000 bytes) whose values are their indices, in a tagged
// segment at 400; they run across the first 64 KiB block into the next one. An untagged APP1 marker
// of the same length comes first.
constexpr std::uint32_t kJpgWidth = 200;
constexpr std::uint32_t kJpgHeight = 160;
std::vector<std::uint8_t> JpgFile(bool tagged = true) {
  Bytes b;
  b.u8(0xFF).u8(0xD8).u8(0xFF).u8(0xE1).u8(0xFF).u8(0xFE).text("FLIX", 4);
  b.zeros(376 - b.size()).u32(kJpgWidth);
  b.zeros(388 - b.size()).u32(kJpgHeight);
  b.zeros(400 - b.size());
  b.u8(0xFF).u8(0xE1).u8(0xFF).u8(0xFE).text(tagged ? "FLIR" : "FLIP", 4);
  b.zeros(400 + 3964 - b.size());
  for (std::uint32_t i = 0; i < kJpgWidth * kJpgHeight; ++i) {
    if (b.size() == 400 + 65536) {
      for (int k = 0; k < 12; ++k) {
        b.u8(0xAA);
      }
    }
    b.u16(static_cast<std::uint16_t>(i ^ 0x8000u));
  }
  return b.data();
}

// A bitmap file of the given bits per pixel; rows are given unpadded in file order (bottom row first
// unless the height is negative).
std::vector<std::uint8_t> BmpFile(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                  const std::vector<std::vector<std::uint8_t>> &rows) {
  const std::uint32_t colours = bits <= 8 ? (1u << bits) : 0;
  const std::uint32_t pixelsAt = 14 + 40 + colours * 4;
  Bytes pixels;
  for (const std::vector<std::uint8_t> &row : rows) {
    pixels.raw(row);
    pixels.zeros((4 - row.size() % 4) % 4);
  }
  Bytes b;
  b.u8('B').u8('M').u32(pixelsAt + static_cast<std::uint32_t>(pixels.size())).u16(0).u16(0).u32(pixelsAt);
  b.u32(40).i32(width).i32(height).u16(1).u16(bits).u32(0).u32(static_cast<std::uint32_t>(pixels.size()));
  b.i32(2835).i32(2835).u32(colours).u32(0);
  for (std::uint32_t i = 0; i < colours; ++i) { // not a grey ramp: the indices, not colours, are read
    b.u8(static_cast<std::uint8_t>(255 - i)).u8(static_cast<std::uint8_t>(i / 2)).u8(7).u8(0);
  }
  b.raw(pixels.data());
  return b.data();
}

class ForeignFormatsTest : public test::ThermogramTest {
protected:
  QString Write(const std::string &name, const std::vector<std::uint8_t> &data) {
    WriteFile(dir_.file(name), data);
    return Name(dir_.file(name));
  }

  TempDir dir_;
};

TEST_F(ForeignFormatsTest, SerSpreadsNonZeroSamplesAndReadsTheRequestedFrame) {
  std::vector<std::uint16_t> frames = RangeFrame(640 * 512);
  const std::vector<std::uint16_t> second(640 * 512, 9);
  frames.insert(frames.end(), second.begin(), second.end());
  const QString name = Write("a.ser", SampleFile(1024, frames));
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadSER(name, 1));
  EXPECT_EQ(t.Width(), 640);
  EXPECT_EQ(t.Height(), 512);
  EXPECT_EQ(t.FHeader.Offset, 1000.0f);
  EXPECT_EQ(t.FHeader.Scale, static_cast<float>(4000.0 / 65535.0));
  EXPECT_EQ(t.FRaw[0], 0);
  EXPECT_EQ(t.FRaw[1], 32767);
  EXPECT_NEAR(t.TemperatureAt(1, 0), 2999.97, 0.01);
  EXPECT_EQ(t.FRaw[2], 0) << "a sample of 0 stays raw 0";
  EXPECT_EQ(t.FRaw.back(), 65535);
  EXPECT_EQ(t.FFileName, name);
  EXPECT_DOUBLE_EQ(t.FAspect, 640.0 / 512.0);
  EXPECT_EQ(t.FRawMin, 0);
  EXPECT_EQ(t.FRawMax, 65535);
  EXPECT_EQ(t.FHeader.FrameCount, 1) << "the format has no frame count: the reset header's";

  ASSERT_TRUE(t.LoadSER(name, 2));
  EXPECT_EQ(t.FRaw[0], 0) << "a flat frame is raw 0 everywhere";
  EXPECT_EQ(t.FHeader.Offset, 9.0f);
  EXPECT_EQ(t.FHeader.Scale, 0.0f);
  EXPECT_EQ(t.FRawMax, 0);

  for (const int frame : {0, -1, 3}) {
    const Snapshot before = Take(t);
    EXPECT_FALSE(t.LoadSER(name, frame)) << frame;
    EXPECT_EQ(Take(t), before) << frame;
  }
}

// The files carry no temperature rule: they get the reset header's, not the previous file's.
TEST_F(ForeignFormatsTest, SitAndImgTakeTheResetTemperatureRule) {
  const std::vector<std::uint16_t> sit = RangeFrame(320 * 240);
  std::vector<std::uint16_t> img = RangeFrame(327 * 240);
  struct Case {
    const char *file;
    std::vector<std::uint8_t> data;
    std::function<IoResult(TDTV &, const QString &)> load;
    int width;
  } cases[] = {
      {"a.sit", SampleFile(1025, sit), [](TDTV &t, const QString &n) { return t.LoadSIT(n, 1); }, 320},
      {"a.img", SampleFile(1084, img, true), [](TDTV &t, const QString &n) { return t.LoadIMG(n, 1); }, 327},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    TDTV t;
    Prepare(t);
    ASSERT_TRUE(c.load(t, Write(c.file, c.data)));
    EXPECT_EQ(t.Width(), c.width);
    EXPECT_EQ(t.Height(), 240);
    EXPECT_EQ(t.FRaw[0], 0);
    EXPECT_EQ(t.FRaw[1], 32767);
    EXPECT_EQ(t.FRaw[2], 0);
    EXPECT_EQ(t.FRaw.back(), 65535);
    EXPECT_EQ(t.FHeader.Offset, ResetRule().Offset);
    EXPECT_EQ(t.FHeader.Scale, ResetRule().Scale);
    EXPECT_DOUBLE_EQ(t.FAspect, c.width / 240.0);
  }
}

TEST_F(ForeignFormatsTest, FrameWithoutNonZeroSamplesIsEmpty) {
  const QString name = Write("zero.is2", SampleFile(15986, std::vector<std::uint16_t>(320 * 240, 0)));
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadIS2(name));
  EXPECT_EQ(t.FRawMax, 0);
  EXPECT_EQ(t.FHeader.Offset, 0.0f);
  EXPECT_EQ(t.FHeader.Scale, 0.0f);
}

TEST_F(ForeignFormatsTest, Is2ReadsTheOnlyFrameAt15986) {
  const QString name = Write("a.is2", SampleFile(15986, RangeFrame(320 * 240)));
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadIS2(name));
  EXPECT_EQ(t.Width(), 320);
  EXPECT_EQ(t.Height(), 240);
  EXPECT_EQ(t.FHeader.Offset, 1000.0f);
  EXPECT_EQ(t.FRaw[1], 32767);
  EXPECT_EQ(t.FRaw.back(), 65535);
}

TEST_F(ForeignFormatsTest, BmtTurnsRowsTopFirstAndNormalisesAllSamples) {
  TDTV t;
  Prepare(t);
  const QString name = Write("a.bmt", BmtFile());
  ASSERT_TRUE(t.LoadBMT(name));
  EXPECT_EQ(t.Width(), 3);
  EXPECT_EQ(t.Height(), 2);
  EXPECT_EQ(t.FHeader.Offset, 1.0f);
  EXPECT_EQ(t.FHeader.Scale, static_cast<float>(5.0 / 65535.0));
  // Stored bottom row first: 4 5 6 / 1 2 3 shows as 1 2 3 / 4 5 6.
  const std::vector<std::uint16_t> expected = {0, 13107, 26214, 39321, 52428, 65535};
  EXPECT_EQ(t.FRaw, expected);
  EXPECT_DOUBLE_EQ(t.FAspect, 1.5);
  EXPECT_EQ(t.FFileName, name);

  ASSERT_TRUE(t.LoadBMT(Write("flat.bmt", BmtFile(3, 2, std::vector<std::uint16_t>(6, 700)))));
  EXPECT_EQ(t.FRaw, std::vector<std::uint16_t>(6, 0));
  EXPECT_EQ(t.FHeader.Offset, 700.0f);
  EXPECT_EQ(t.FHeader.Scale, 0.0f);
}

TEST_F(ForeignFormatsTest, BmtSizesMustFitTheFieldsAndTheFile) {
  // Width 65539 would wrap to 3 in the 16-bit header field; 3000 x 3000 samples are not in the file;
  // a second block larger than the file; a zero height.
  std::vector<std::uint8_t> hugeSecondBlock = BmtFile();
  hugeSecondBlock[153740 + 3] = 0x40; // w2 = 2^30
  hugeSecondBlock[153744 + 3] = 0x40; // h2 = 2^30
  const std::vector<std::uint8_t> files[] = {BmtFile(65539, 2), BmtFile(3000, 3000), hugeSecondBlock,
                                             BmtFile(3, 0)};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    TDTV t;
    Prepare(t);
    const Snapshot before = Take(t);
    EXPECT_FALSE(t.LoadBMT(Write("bad" + std::to_string(i) + ".bmt", files[i]))) << i;
    EXPECT_EQ(Take(t), before) << i;
  }
}

TEST_F(ForeignFormatsTest, Ti4MapsBytesOntoTheFilesTemperatureRange) {
  const std::vector<std::uint8_t> frames = {0, 255, 128, 1, 2, 3,    // frame 1
                                            9, 9,   9,   9, 9, 255}; // frame 2
  const QString name = Write("a.ti4", Ti4File(3, 2, 20.0f, 40.0f, frames));
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadTI4(name, 1));
  EXPECT_EQ(t.Width(), 3);
  EXPECT_EQ(t.Height(), 2);
  EXPECT_EQ(t.FRaw[1], 65535);
  EXPECT_DOUBLE_EQ(t.TemperatureAt(0, 0), 20.0);
  EXPECT_NEAR(t.TemperatureAt(1, 0), 40.0, 1e-4);
  EXPECT_EQ(t.FRaw[2], 128 * 257);
  ASSERT_TRUE(t.LoadTI4(name, 2));
  EXPECT_EQ(t.FRaw[0], 9 * 257);
  EXPECT_EQ(t.FRawMax, 65535);

  const std::vector<std::uint8_t> bad[] = {
      Ti4File(3, 2, std::numeric_limits<float>::quiet_NaN(), 40.0f, frames),
      Ti4File(3, 2, 20.0f, std::numeric_limits<float>::infinity(), frames),
      Ti4File(0, 2, 20.0f, 40.0f, frames),
  };
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    const Snapshot before = Take(t);
    EXPECT_FALSE(t.LoadTI4(Write("bad" + std::to_string(i) + ".ti4", bad[i]), 1)) << i;
    EXPECT_EQ(Take(t), before) << i;
  }
  const Snapshot before = Take(t);
  EXPECT_FALSE(t.LoadTI4(name, 3));
  EXPECT_EQ(Take(t), before);
}

TEST_F(ForeignFormatsTest, RadiometricJpgSkipsTheBlockHeadsAndInvertsTheTopBit) {
  const QString name = Write("a.jpg", JpgFile());
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadRadiometricJPG(name));
  EXPECT_EQ(t.Width(), 200);
  EXPECT_EQ(t.Height(), 160);
  EXPECT_EQ(t.FHeader.Offset, 0.0f);
  EXPECT_EQ(t.FHeader.Scale, static_cast<float>(31999.0 / 65535.0));
  // Every pixel's temperature is its index, also after the 12 skipped bytes at the block border.
  for (const int i : {0, 1, 30785, 30786, 30787, 31999}) {
    EXPECT_NEAR(t.TemperatureAt(i % 200, i / 200), i, 0.5) << i;
  }
  EXPECT_EQ(t.FRaw.back(), 65535);

  TDTV u;
  Prepare(u);
  const Snapshot before = Take(u);
  EXPECT_FALSE(u.LoadRadiometricJPG(Write("plain.jpg", JpgFile(false))));
  EXPECT_EQ(Take(u), before);
}

TEST_F(ForeignFormatsTest, DatWithoutCompanionIs128Square) {
  std::vector<std::uint8_t> data(49152, 1);
  data[0] = 10;
  data[1] = 20;
  data[2] = 255;
  data[3] = 30;
  data[16384] = 77; // first byte of frame 2
  const QString name = Write("run01.dat", data);
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadDAT(name, 1));
  EXPECT_EQ(t.Width(), 128);
  EXPECT_EQ(t.Height(), 128);
  EXPECT_EQ(t.FHeader.FrameCount, 3);
  EXPECT_EQ(t.FRaw[0], 0) << "the first pixel has no byte";
  EXPECT_EQ(t.FRaw[1], 2570);
  EXPECT_EQ(t.FRaw[2], 5140);
  EXPECT_EQ(t.FRaw[3], 0) << "byte 255 marks a missing pixel";
  EXPECT_EQ(t.FRaw[4], 7710);
  EXPECT_EQ(t.FHeader.Offset, ResetRule().Offset) << "without a companion: the reset header's rule";
  EXPECT_EQ(t.FHeader.Scale, ResetRule().Scale);
  EXPECT_DOUBLE_EQ(t.FAspect, 2.0) << "the display aspect stays";
  EXPECT_DOUBLE_EQ(t.FPixelAspect, 0.5);
  EXPECT_EQ(t.FRawMax, 7710);
  ASSERT_TRUE(t.LoadDAT(name, 2));
  EXPECT_EQ(t.FRaw[1], 77 * 257);
  const Snapshot before = Take(t);
  EXPECT_FALSE(t.LoadDAT(name, 4));
  EXPECT_EQ(Take(t), before);
}

std::vector<std::uint8_t> StdFile(std::uint16_t frames, std::uint16_t width, std::uint16_t height,
                                  float offset, float scale) {
  Bytes b;
  b.zeros(20).u16(frames);
  b.zeros(58 - b.size()).u16(width);
  b.zeros(96 - b.size()).u16(height);
  b.zeros(140 - b.size()).f32(offset).f32(scale);
  return b.data();
}

TEST_F(ForeignFormatsTest, DatCompanionGivesSizeCountAndTemperatureRule) {
  // Stored less one: 2 frames of 4 x 3. The companion is found whatever the case of its name.
  Write("run02.std", StdFile(1, 3, 2, -5.0f, 0.1f));
  const QString name =
      Write("run02.dat", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  TDTV t;
  Prepare(t);
  ASSERT_TRUE(t.LoadDAT(name, 2));
  EXPECT_EQ(t.Width(), 4);
  EXPECT_EQ(t.Height(), 3);
  EXPECT_EQ(t.FHeader.FrameCount, 2);
  EXPECT_EQ(t.FHeader.Offset, -5.0f);
  EXPECT_EQ(t.FHeader.Scale, 0.1f);
  const std::vector<std::uint16_t> expected = {0,    514,  771,  1028, 1285, 1542,
                                               1799, 2056, 2313, 2570, 2827, 3084};
  EXPECT_EQ(t.FRaw, expected);

  // A stored 65535 would wrap the 16-bit size; a short or non-finite companion is refused.
  const std::vector<std::uint8_t> bad[] = {StdFile(0, 65535, 2, 0.0f, 1.0f), StdFile(0, 3, 2, 0.0f, NAN),
                                           std::vector<std::uint8_t>(100, 0)};
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    Write("run02.std", bad[i]);
    const Snapshot before = Take(t);
    EXPECT_FALSE(t.LoadDAT(name, 1)) << i;
    EXPECT_EQ(Take(t), before) << i;
  }
}

TEST_F(ForeignFormatsTest, BmpTakesOneRowBytePerPixel) {
  struct Case {
    const char *what;
    std::vector<std::uint8_t> file;
    std::vector<std::uint16_t> raw;
  } cases[] = {
      {"8-bit indices", BmpFile(3, 2, 8, {{4, 5, 255}, {1, 2, 3}}), {255, 510, 765, 1020, 1275, 65025}},
      {"24-bit colour bytes, blue first", BmpFile(2, 1, 24, {{1, 2, 3, 4, 5, 6}}), {255, 510}},
      {"4-bit indices", BmpFile(3, 1, 4, {{0x12, 0x30}}), {255, 510, 765}},
      {"top-down rows", BmpFile(2, -2, 8, {{9, 8}, {7, 6}}), {9 * 255, 8 * 255, 7 * 255, 6 * 255}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TDTV t;
    Prepare(t);
    ASSERT_TRUE(t.LoadBMP(Write("a.bmp", c.file)));
    EXPECT_EQ(t.FRaw, c.raw);
    EXPECT_EQ(t.FHeader.Version, 3);
    EXPECT_EQ(t.FHeader.Offset, 10.0f);
    EXPECT_EQ(t.FHeader.Scale, static_cast<float>(10.0 / 65535.0));
    EXPECT_EQ(t.FHeader.HorzExtent, t.Width());
    EXPECT_EQ(t.FHeader.VertExtent, t.Height());
    EXPECT_DOUBLE_EQ(t.FAspect, static_cast<double>(t.Width()) / t.Height());
    EXPECT_EQ(t.FFileName, QStringLiteral("previous.dtv")) << "the callers name the file";
    EXPECT_EQ(t.FRawMax, *std::max_element(c.raw.begin(), c.raw.end()));
  }
}

using Loader = std::function<IoResult(TDTV &, const QString &)>;
struct FormatCase {
  const char *file;
  std::vector<std::uint8_t> data;
  Loader load;
};

// One whole file of every format.
std::vector<FormatCase> EveryFormat() {
  return {
      {"c.bmp", BmpFile(4, 2, 8, {{1, 2, 3, 4}, {5, 6, 7, 8}}),
       [](TDTV &t, const QString &n) { return t.LoadBMP(n); }},
      {"c.bmt", BmtFile(), [](TDTV &t, const QString &n) { return t.LoadBMT(n); }},
      {"c.ser", SampleFile(1024, RangeFrame(640 * 512)),
       [](TDTV &t, const QString &n) { return t.LoadSER(n, 1); }},
      {"c.sit", SampleFile(1025, RangeFrame(320 * 240)),
       [](TDTV &t, const QString &n) { return t.LoadSIT(n, 1); }},
      {"c.img", SampleFile(1084, RangeFrame(327 * 240)),
       [](TDTV &t, const QString &n) { return t.LoadIMG(n, 1); }},
      {"c.ti4", Ti4File(3, 2, 20.0f, 40.0f, {1, 2, 3, 4, 5, 6}),
       [](TDTV &t, const QString &n) { return t.LoadTI4(n, 1); }},
      {"c.is2", SampleFile(15986, RangeFrame(320 * 240)),
       [](TDTV &t, const QString &n) { return t.LoadIS2(n); }},
      {"c.jpg", JpgFile(), [](TDTV &t, const QString &n) { return t.LoadRadiometricJPG(n); }},
      {"c.dat", std::vector<std::uint8_t>(16384, 3),
       [](TDTV &t, const QString &n) { return t.LoadDAT(n, 1); }},
  };
}

// Every format: the whole file loads; cut short, or missing, it is refused and the thermogram keeps
// everything it had.
TEST_F(ForeignFormatsTest, ShortOrMissingFilesLeaveTheThermogramUnchanged) {
  for (const FormatCase &c : EveryFormat()) {
    SCOPED_TRACE(c.file);
    TDTV whole;
    Prepare(whole);
    EXPECT_TRUE(c.load(whole, Write(c.file, c.data)));
    for (const std::size_t keep : {c.data.size() - 1, c.data.size() / 2, std::size_t{3}, std::size_t{0}}) {
      TDTV t;
      Prepare(t);
      const Snapshot before = Take(t);
      const std::vector<std::uint8_t> cut(c.data.begin(), c.data.begin() + static_cast<std::ptrdiff_t>(keep));
      const IoResult result = c.load(t, Write(c.file, cut));
      EXPECT_FALSE(result) << keep;
      EXPECT_FALSE(result.message.isEmpty()) << keep;
      EXPECT_EQ(Take(t), before) << keep;
    }
    TDTV t;
    Prepare(t);
    const Snapshot before = Take(t);
    EXPECT_FALSE(c.load(t, Name(dir_.file("missing"))));
    EXPECT_EQ(Take(t), before);
  }
}

// A foreign file gives the same header, frame record and projection flags whatever the thermogram
// held before: nothing of a previous film (comment, version, frame count, interval, angles, camera
// values, its record) shows through, and a format without a temperature rule gets the reset one.
TEST_F(ForeignFormatsTest, ReadersStartFromAResetHeader) {
  for (const FormatCase &c : EveryFormat()) {
    SCOPED_TRACE(c.file);
    const QString name = Write(c.file, c.data);
    TDTV fresh;
    ASSERT_TRUE(c.load(fresh, name));

    TDTV used;
    Prepare(used);
    used.SetCommentText(QStringLiteral("previous film"));
    TDTVHeader &h = used.FHeader;
    h.HeaderSize = 64;
    h.Reserved2 = 0x0102;
    h.Reserved4 = 1;
    h.Reserved5 = 2;
    h.Reserved6 = 0x0304;
    h.Reserved8 = 0x0506;
    h.Reserved14 = 0x0708;
    h.FieldMode = 2;
    h.ModelHigh = 7;
    h.ModelLow = 42;
    h.CameraTemp = 31.5f;
    h.HorzExtent = 300;
    h.VertExtent = 200;
    h.FrameInterval = 0.25f;
    h.Elevation = 17;
    used.FFrameRec.MinTemp = 3.0;
    used.FFrameRec.MaxTemp = 13.0;
    used.FFrameRec.CameraTemp = 33.0;
    used.FFrameRec.TimeStamp = 12345;
    used.FScanReconstructed = true;
    used.FAspectFromAngles = true;
    ASSERT_TRUE(c.load(used, name));

    EXPECT_EQ(EncodeDtvHeader(used.FHeader), EncodeDtvHeader(fresh.FHeader));
    EXPECT_EQ(EncodeFilmRecord(used.FFrameRec), EncodeFilmRecord(fresh.FFrameRec));
    EXPECT_EQ(used.FRaw, fresh.FRaw);
    EXPECT_TRUE(used.CommentText().isEmpty());
    EXPECT_FALSE(used.FScanReconstructed);
    EXPECT_FALSE(used.FAspectFromAngles);
  }
}

} // namespace
} // namespace calidarix
