// The 16-bit PNG thermogram: what SavePNG writes (checked chunk by chunk) and what LoadPNG accepts.

#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QString>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace calidarix {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

QString Name(const std::filesystem::path &path) {
  return QString::fromStdString(path.string());
}

std::uint32_t BigEndian32(const std::uint8_t *p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void PutBigEndian32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(v >> shift));
  }
}

struct Chunk {
  std::string Type;
  std::vector<std::uint8_t> Data;
};

// The chunk list of a PNG file; fails the test on a bad signature, a bad CRC or a cut chunk.
std::vector<Chunk> ParseChunks(const std::vector<std::uint8_t> &file) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<Chunk> chunks;
  EXPECT_GE(file.size(), 8u);
  EXPECT_TRUE(std::equal(std::begin(kSignature), std::end(kSignature), file.begin()));
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = BigEndian32(&file[at]);
    EXPECT_LE(at + 12 + length, file.size());
    if (at + 12 + length > file.size()) {
      break;
    }
    Chunk chunk{std::string(file.begin() + at + 4, file.begin() + at + 8),
                std::vector<std::uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + length)};
    const auto crc = static_cast<std::uint32_t>(crc32(0, &file[at + 4], 4 + length));
    EXPECT_EQ(crc, BigEndian32(&file[at + 8 + length])) << chunk.Type;
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  EXPECT_EQ(at, file.size());
  return chunks;
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t> &data, std::size_t expected) {
  std::vector<std::uint8_t> out(expected + 1);
  uLongf size = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &size, data.data(), static_cast<uLong>(data.size())), Z_OK);
  out.resize(size);
  return out;
}

// A PNG file built here: IHDR, the given rows (filter byte 0 added) in one IDAT, IEND.
std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                                  const std::vector<std::vector<std::uint8_t>> &rows) {
  std::vector<std::uint8_t> raw;
  for (const auto &row : rows) {
    raw.push_back(0);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(raw.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  EXPECT_EQ(compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
  packed.resize(packedSize);

  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto addChunk = [&file](const std::string &type, const std::vector<std::uint8_t> &data) {
    PutBigEndian32(file, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = file.size();
    file.insert(file.end(), type.begin(), type.end());
    file.insert(file.end(), data.begin(), data.end());
    PutBigEndian32(
        file, static_cast<std::uint32_t>(crc32(0, &file[start], static_cast<uInt>(file.size() - start))));
  };
  std::vector<std::uint8_t> header;
  PutBigEndian32(header, width);
  PutBigEndian32(header, height);
  header.insert(header.end(),
                {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colourType), 0, 0, 0});
  addChunk("IHDR", header);
  if (colourType == 3) {
    addChunk("PLTE", {0, 0, 0, 255, 255, 255});
  }
  addChunk("IDAT", packed);
  addChunk("IEND", {});
  return file;
}

// A thermogram of w x h pixels whose values run through the raw range.
void Fill(TDTV &t, int w, int h, double aspect) {
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < t.FRaw.size(); ++i) {
    t.FRaw[i] = static_cast<std::uint16_t>(i * 40503u);
  }
  t.FAspect = aspect;
}

class Png16ThermogramTest : public test::ThermogramTest {
protected:
  TempDir dir_;
};

TEST_F(Png16ThermogramTest, RoundTripKeepsEveryRawValue) {
  TDTV source;
  source.FHeader.Width = 256;
  source.FHeader.Height = 256;
  source.FRaw.resize(65536);
  for (std::size_t i = 0; i < source.FRaw.size(); ++i) {
    source.FRaw[i] = static_cast<std::uint16_t>(i);
  }
  source.FRaw[5] = 0x1234;
  source.FHeader.Scale = static_cast<float>(40.0 / 65535);
  source.FHeader.Offset = -12.25f;
  source.SetAspect(1.0);
  const QString name = Name(dir_.file("round.png"));
  ASSERT_TRUE(source.SavePNG(name));

  TDTV back;
  back.FHeader.Scale = 0.5f;
  back.FHeader.Offset = -3.0f;
  back.FFileName = QStringLiteral("kept.dtv");
  ASSERT_TRUE(back.LoadPNG(name));
  EXPECT_EQ(back.Width(), 256);
  EXPECT_EQ(back.Height(), 256);
  EXPECT_EQ(back.FRaw, source.FRaw);
  EXPECT_EQ(back.FRaw[5], 0x1234);
  EXPECT_DOUBLE_EQ(back.FAspect, 1.0);
  EXPECT_EQ(back.FHeader.HorzExtent, 256);
  EXPECT_EQ(back.FHeader.VertExtent, 256);
  EXPECT_EQ(back.FRawMin, 0);
  EXPECT_EQ(back.FRawMax, 65535);
  EXPECT_EQ(back.FHeader.Scale, source.FHeader.Scale) << "the temperature rule travels with the picture";
  EXPECT_EQ(back.FHeader.Offset, source.FHeader.Offset);
  EXPECT_EQ(back.FFileName, QStringLiteral("kept.dtv"));
}

// Every frame saved at its own aspect comes back at its own size with every raw value, whatever its
// size: neither the picture size nor the row and column choice may lose a row or a column.
TEST_F(Png16ThermogramTest, EveryFrameSizeRoundTripsAtItsOwnAspect) {
  std::vector<std::pair<int, int>> sizes;
  for (int w = 1; w <= 64; ++w) {
    for (int h = 1; h <= 64; ++h) {
      sizes.emplace_back(w, h);
    }
  }
  sizes.insert(sizes.end(), {{320, 240}, {640, 480}, {100, 161}});
  // Every save is flushed to disk before it replaces the file: four thousand of them go to a folder in
  // memory where the system has one.
  std::optional<test::ScopedEnv> memoryFolder;
  if (std::filesystem::is_directory("/dev/shm")) {
    memoryFolder.emplace("TMPDIR", std::string("/dev/shm"));
  }
  TempDir folder;
  const QString name = Name(folder.file("size.png"));
  int failures = 0;
  for (const auto &[w, h] : sizes) {
    TDTV t;
    Fill(t, w, h, 1.0);
    t.SetAspect(static_cast<double>(w) / h); // as a frame read from a picture of that size has it
    ASSERT_TRUE(t.SavePNG(name)) << w << "x" << h;
    TDTV back;
    ASSERT_TRUE(back.LoadPNG(name)) << w << "x" << h;
    const bool same = back.Width() == w && back.Height() == h && back.FRaw == t.FRaw;
    EXPECT_TRUE(same) << w << "x" << h << " came back as " << back.Width() << "x" << back.Height();
    failures += same ? 0 : 1;
    ASSERT_LT(failures, 5) << "stopping after five sizes that do not survive";
  }

  // A frame read from a 100 x 161 picture is written again as 100 x 161.
  TDTV read;
  ASSERT_TRUE(read.LoadPNG(name)); // the last size written above
  ASSERT_TRUE(read.SavePNG(Name(folder.file("again.png"))));
  TDTV again;
  ASSERT_TRUE(again.LoadPNG(Name(folder.file("again.png"))));
  EXPECT_EQ(again.Width(), read.Width());
  EXPECT_EQ(again.Height(), read.Height());
  EXPECT_EQ(again.FRaw, read.FRaw);
}

// The temperature rule travels in a text chunk of its own; a picture without it reads with the rule
// of a reset header, whatever the thermogram showed before.
TEST_F(Png16ThermogramTest, ScaleAndOffsetTravelInTheirOwnChunk) {
  TDTV t;
  Fill(t, 8, 4, 2.0);
  t.FHeader.Scale = 0.0123f;
  t.FHeader.Offset = -40.5f;
  const auto path = dir_.file("rule.png");
  ASSERT_TRUE(t.SavePNG(Name(path)));
  int texts = 0;
  for (const Chunk &c : ParseChunks(ReadFile(path))) {
    texts += c.Type == "tEXt" ? 1 : 0;
  }
  EXPECT_EQ(texts, 1);

  for (const float before : {0.5f, 7.0f}) {
    TDTV back;
    back.FHeader.Scale = before;
    back.FHeader.Offset = before * 3;
    ASSERT_TRUE(back.LoadPNG(Name(path)));
    EXPECT_EQ(back.FHeader.Scale, 0.0123f);
    EXPECT_EQ(back.FHeader.Offset, -40.5f);
  }

  // A picture from elsewhere carries no rule.
  WriteFile(dir_.file("plain.png"), MakePng(1, 1, 16, 2, {{0, 1, 0, 2, 0, 3}}));
  TDTV reset;
  reset.ResetHeader();
  for (const float before : {0.5f, 7.0f}) {
    TDTV back;
    back.FHeader.Scale = before;
    back.FHeader.Offset = before * 3;
    ASSERT_TRUE(back.LoadPNG(Name(dir_.file("plain.png"))));
    EXPECT_EQ(back.FHeader.Scale, reset.FHeader.Scale);
    EXPECT_EQ(back.FHeader.Offset, reset.FHeader.Offset);
    EXPECT_EQ(back.FRaw, std::vector<std::uint16_t>{3});
  }
}

TEST_F(Png16ThermogramTest, WrittenFileHasTheExpectedChunks) {
  TDTV t;
  Fill(t, 256, 256, 1.0);
  t.FRaw[1] = 0x1234;
  const auto path = dir_.file("chunks.png");
  ASSERT_TRUE(t.SavePNG(Name(path)));
  const std::vector<Chunk> chunks = ParseChunks(ReadFile(path));
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front().Type, "IHDR");
  EXPECT_EQ(chunks.back().Type, "IEND");

  const std::vector<std::uint8_t> &ihdr = chunks.front().Data;
  ASSERT_EQ(ihdr.size(), 13u);
  EXPECT_EQ(BigEndian32(&ihdr[0]), 256u);
  EXPECT_EQ(BigEndian32(&ihdr[4]), 256u);
  EXPECT_EQ(ihdr[8], 16) << "bit depth";
  EXPECT_EQ(ihdr[9], 2) << "RGB";
  EXPECT_EQ(ihdr[12], 0) << "not interlaced";

  std::vector<std::uint8_t> stream;
  std::vector<std::size_t> idatSizes;
  int zTxt = 0;
  int tIme = 0;
  for (const Chunk &c : chunks) {
    if (c.Type == "IDAT") {
      idatSizes.push_back(c.Data.size());
      stream.insert(stream.end(), c.Data.begin(), c.Data.end());
    } else if (c.Type == "zTXt") {
      ++zTxt;
      const std::string keyword = "PING";
      ASSERT_GT(c.Data.size(), keyword.size() + 2);
      EXPECT_EQ(std::string(c.Data.begin(), c.Data.begin() + 4), keyword);
      EXPECT_EQ(c.Data[4], 0) << "keyword terminator";
      EXPECT_EQ(c.Data[5], 0) << "deflate";
      const std::vector<std::uint8_t> text = Inflate({c.Data.begin() + 6, c.Data.end()}, 64);
      EXPECT_EQ(std::string(text.begin(), text.end()), "Portable Infrared Network Graphics");
    } else if (c.Type == "tIME") {
      ++tIme;
      EXPECT_EQ(c.Data, (std::vector<std::uint8_t>{0x07, 0xE1, 1, 1, 0, 0, 0})) << "2017-01-01 00:00:00";
    }
  }
  EXPECT_EQ(zTxt, 1);
  EXPECT_EQ(tIme, 1);

  // Pixel rows of 1 + 256 x 6 bytes, stored (level 0): the stream is larger than the data, and it is
  // split into IDAT chunks of 65535 bytes but the last.
  const std::size_t pixelBytes = 256 * (1 + 256 * 6);
  ASSERT_GT(idatSizes.size(), 1u);
  for (std::size_t i = 0; i + 1 < idatSizes.size(); ++i) {
    EXPECT_EQ(idatSizes[i], 65535u) << i;
  }
  EXPECT_LE(idatSizes.back(), 65535u);
  EXPECT_GT(stream.size(), pixelBytes);
  ASSERT_GE(stream.size(), 2u);
  EXPECT_EQ(stream[1] >> 6, 0) << "zlib header announces the fastest (stored) level";
  EXPECT_EQ(Inflate(stream, pixelBytes).size(), pixelBytes);
}

TEST_F(Png16ThermogramTest, PictureIsScaledToTheDisplayAspect) {
  struct Case {
    int w, h;
    double aspect;
    int pictureWidth, pictureHeight;
  } cases[] = {
      {256, 256, 1.0, 256, 256},
      {256, 248, 32.0 / 27.0, 293, 248},
      {320, 120, 4.0 / 3.0, 320, 240},
      {30, 20, std::numeric_limits<double>::quiet_NaN(), 30, 20},
      {30, 20, std::numeric_limits<double>::infinity(), 30, 20},
      {30, 20, 0.0, 30, 20},
      {30, 20, -2.0, 30, 20},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.aspect));
    TDTV t;
    Fill(t, c.w, c.h, c.aspect);
    const QString name = Name(dir_.file("scaled.png"));
    ASSERT_TRUE(t.SavePNG(name));
    TDTV back;
    ASSERT_TRUE(back.LoadPNG(name));
    ASSERT_EQ(back.Width(), c.pictureWidth);
    ASSERT_EQ(back.Height(), c.pictureHeight);
    // Nearest-lower sampling: picture (c, r) shows thermogram (c x W div Wp, r x H div Hp).
    for (int r = 0; r < back.Height(); ++r) {
      for (int col = 0; col < back.Width(); ++col) {
        const int x = col * c.w / c.pictureWidth;
        const int y = r * c.h / c.pictureHeight;
        ASSERT_EQ(back.FRaw[static_cast<std::size_t>(r) * back.Width() + col],
                  t.FRaw[static_cast<std::size_t>(y) * c.w + x])
            << col << "," << r;
      }
    }
  }
  // The two spot checks of the layout: the last picture column shows the last frame column, and the
  // first two picture rows of a doubled height both show frame row 0.
  TDTV wide;
  Fill(wide, 256, 248, 32.0 / 27.0);
  ASSERT_TRUE(wide.SavePNG(Name(dir_.file("wide.png"))));
  TDTV back;
  ASSERT_TRUE(back.LoadPNG(Name(dir_.file("wide.png"))));
  EXPECT_EQ(back.FRaw[292], wide.FRaw[255]);
}

TEST_F(Png16ThermogramTest, SaveRefusesWhatCannotBeWritten) {
  TDTV empty;
  EXPECT_FALSE(empty.SavePNG(Name(dir_.file("empty.png"))));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("empty.png")));

  TDTV t;
  Fill(t, 4, 4, 1.0);
  EXPECT_FALSE(t.SavePNG(Name(dir_.file("no-such-folder") / "x.png")));

  // An earlier picture survives a save that is refused: here an aspect that asks for a picture of
  // four million million columns.
  WriteFile(dir_.file("kept.png"), {1, 2, 3});
  Fill(t, 4, 4, 1e12);
  EXPECT_FALSE(t.SavePNG(Name(dir_.file("kept.png"))));
  EXPECT_EQ(ReadFile(dir_.file("kept.png")), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(Png16ThermogramTest, LoadAcceptsGreyAndRgbOf8And16Bits) {
  // 100 x 50 pictures; pixel (x, y) has blue (or grey) value 300 x + y, red and green other values.
  const auto rows = [](int channels, int bytes) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int y = 0; y < 50; ++y) {
      std::vector<std::uint8_t> row;
      for (int x = 0; x < 100; ++x) {
        for (int ch = 0; ch < channels; ++ch) {
          const int v = ch == channels - 1 ? 300 * x + y : 7777;
          if (bytes == 2) {
            row.push_back(static_cast<std::uint8_t>(v >> 8));
          }
          row.push_back(static_cast<std::uint8_t>(v & 0xFF));
        }
      }
      out.push_back(row);
    }
    return out;
  };
  struct Case {
    const char *what;
    int depth, colourType, channels;
  } cases[] = {{"RGB 16", 16, 2, 3}, {"grey 16", 16, 0, 1}, {"RGB 8", 8, 2, 3}, {"grey 8", 8, 0, 1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const auto path = dir_.file("in.png");
    WriteFile(path, MakePng(100, 50, c.depth, c.colourType, rows(c.channels, c.depth / 8)));
    TDTV t;
    ASSERT_TRUE(t.LoadPNG(Name(path)));
    EXPECT_EQ(t.Width(), 100);
    EXPECT_EQ(t.Height(), 50);
    EXPECT_DOUBLE_EQ(t.FAspect, 2.0);
    EXPECT_EQ(t.FHeader.HorzExtent, 100);
    EXPECT_EQ(t.FHeader.VertExtent, 50);
    for (const auto &[x, y] : {std::pair{0, 0}, std::pair{1, 2}, std::pair{99, 49}}) {
      const int v = 300 * x + y;
      const int expected = c.depth == 16 ? v : (v & 0xFF) * 257;
      EXPECT_EQ(t.FRaw[static_cast<std::size_t>(y) * 100 + x], expected) << x << "," << y;
    }
    EXPECT_EQ(t.FRawMax, *std::max_element(t.FRaw.begin(), t.FRaw.end()));
  }
}

TEST_F(Png16ThermogramTest, LoadRefusesOtherLayoutsAndDamagedFiles) {
  const std::vector<std::vector<std::uint8_t>> rgb16Rows(4, std::vector<std::uint8_t>(4 * 6, 0x40));
  const std::vector<std::uint8_t> good = MakePng(4, 4, 16, 2, rgb16Rows);
  std::vector<std::uint8_t> badCrc = good;
  badCrc[good.size() - 12 - 5] ^= 0xFF; // inside the IDAT data
  const std::vector<std::uint8_t> notPng(good.begin() + 8, good.end());
  struct Case {
    const char *what;
    std::vector<std::uint8_t> file;
  } cases[] = {
      {"palette", MakePng(4, 1, 8, 3, {{0, 1, 0, 1}})},
      {"RGBA 16", MakePng(1, 1, 16, 6, {std::vector<std::uint8_t>(8, 1)})},
      {"grey 4 bits", MakePng(2, 1, 4, 0, {{0x12}})},
      {"grey and alpha", MakePng(1, 1, 8, 4, {{1, 2}})},
      {"cut in the pixels", std::vector<std::uint8_t>(good.begin(), good.end() - 20)},
      {"without IEND", std::vector<std::uint8_t>(good.begin(), good.end() - 12)},
      {"bad IDAT checksum", badCrc},
      {"no signature", notPng},
      {"60000 x 60000 claimed, a few bytes present", MakePng(60000, 60000, 16, 2, {{0}})},
      {"70000 wide", MakePng(70000, 1, 8, 0, {std::vector<std::uint8_t>(70000, 1)})},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const auto path = dir_.file("bad.png");
    WriteFile(path, c.file);
    TDTV t;
    Fill(t, 3, 2, 1.5);
    t.UpdateStatistics();
    const std::vector<std::uint16_t> raw = t.FRaw;
    const IoResult result = t.LoadPNG(Name(path));
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(t.Width(), 3);
    EXPECT_EQ(t.Height(), 2);
    EXPECT_EQ(t.FRaw, raw);
    EXPECT_DOUBLE_EQ(t.FAspect, 1.5);
    EXPECT_EQ(t.FHeader.HorzExtent, 0);
  }
  TDTV t;
  EXPECT_FALSE(t.LoadPNG(Name(dir_.file("missing.png"))));
}

} // namespace
} // namespace calidarix
