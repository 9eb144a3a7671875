#include "tests/support/thermogram_fixture.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include "tests/support/memory_limited_child.h"
#include "tests/support/test_support.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

namespace calidarix {
namespace {

using test::Bytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct HeaderFields {
  std::uint8_t headerSize = 110;
  std::uint8_t version = 3;
  std::uint16_t width = 4;
  std::uint16_t height = 2;
  std::uint16_t frames = 1;
  std::uint16_t fieldMode = 0;
  std::uint16_t extentA = 0; // bytes 26 .. 27
  std::uint16_t extentB = 0; // bytes 28 .. 29
  float interval = 0.0f;     // bytes 30 .. 33 (version 2 keeps its vertical extent in 30 .. 31)
  float scale = 0.01f;
  float offset = 20.0f;
  std::int16_t elevation = 0;
  std::string comment = "hello";
};

// The 110-byte header, built field by field at its offsets.
Bytes Header(const HeaderFields &s) {
  Bytes b;
  b.u8(s.headerSize).u8(s.version).u16(0x0102).u8(44).u8(18).u16(0x0304).u16(0x0506); // 0 .. 9
  b.u16(s.width).u16(s.height).u16(0x0708).u16(s.frames).u16(s.fieldMode);            // 10 .. 19
  b.u8(7).u8(42).f32(31.5f).u16(s.extentA).u16(s.extentB).f32(s.interval);            // 20 .. 33
  b.f32(s.scale).f32(s.offset).u16(0xAAAA).i16(s.elevation).text(s.comment, 64);      // 34 .. 109
  return b;
}

Bytes FilmRecord(double minTemp, double maxTemp, double cameraTemp, std::uint32_t stamp) {
  Bytes b;
  b.f64(minTemp).f64(maxTemp).f64(cameraTemp).zeros(12).u32(stamp);
  return b;
}

class DtvFormatTest : public test::ThermogramTest {
protected:
  QString Name(const char *file) const { return QString::fromStdString(dir.file(file).string()); }

  TempDir dir;
};

TEST_F(DtvFormatTest, Version3ReadsHeaderFieldsAndTheRequestedFrame) {
  HeaderFields fields;
  fields.frames = 2;
  fields.extentA = 300;
  fields.extentB = 200;
  fields.elevation = -32768; // not set: no reconstruction
  Bytes b = Header(fields);
  ASSERT_EQ(b.size(), 110u);
  for (int i = 0; i < 8; ++i) {
    b.u16(static_cast<std::uint16_t>(100 + i)); // frame 1, bytes 110 .. 125
  }
  for (int i = 0; i < 8; ++i) {
    b.u16(static_cast<std::uint16_t>(1000 + i)); // frame 2 from byte 126
  }
  WriteFile(dir.file("v3.dtv"), b.data());

  TDTV t;
  ASSERT_TRUE(t.LoadDTV(Name("v3.dtv"), 2));
  EXPECT_EQ(t.FFileName, Name("v3.dtv"));
  EXPECT_EQ(t.FFrameIndex, 2);
  const TDTVHeader &h = t.FHeader;
  EXPECT_EQ(h.HeaderSize, 110);
  EXPECT_EQ(h.Reserved2, 0x0102);
  EXPECT_EQ(h.Reserved4, 44);
  EXPECT_EQ(h.Reserved5, 18);
  EXPECT_EQ(h.Reserved6, 0x0304);
  EXPECT_EQ(h.Reserved8, 0x0506);
  EXPECT_EQ(h.Reserved14, 0x0708);
  EXPECT_EQ(h.FrameCount, 2);
  EXPECT_EQ(h.ModelHigh, 7);
  EXPECT_EQ(h.ModelLow, 42);
  EXPECT_EQ(h.CameraTemp, 31.5f);
  EXPECT_EQ(h.HorzExtent, 300);
  EXPECT_EQ(h.VertExtent, 200);
  EXPECT_EQ(h.Scale, 0.01f);
  EXPECT_EQ(h.Offset, 20.0f);
  EXPECT_EQ(t.CommentText(), "hello");
  ASSERT_EQ(t.FRaw.size(), 8u);
  EXPECT_EQ(t.FRaw.front(), 1000);
  EXPECT_EQ(t.FRaw.back(), 1007);
  EXPECT_EQ(t.FRawMin, 1000);
  EXPECT_EQ(t.FRawMax, 1007);
  EXPECT_EQ(t.FRawMean, 1004); // 1003.5 rounds to even
  EXPECT_DOUBLE_EQ(t.FAspect, 32.0 / 27.0);
  EXPECT_FALSE(t.FScanReconstructed);

  fields.fieldMode = 2;
  Bytes field = Header(fields);
  field.zeros(32);
  WriteFile(dir.file("field.dtv"), field.data());
  ASSERT_TRUE(t.LoadDTV(Name("field.dtv"), 1));
  EXPECT_DOUBLE_EQ(t.FAspect, 16.0 / 27.0);
}

TEST_F(DtvFormatTest, Version2ReadsBytesFromHeaderSizeAndDividesScale) {
  HeaderFields fields;
  fields.headerSize = 64;
  fields.version = 2;
  fields.width = 8;
  fields.height = 8;
  fields.extentA = 0x1111; // ignored by version 2
  fields.extentB = 500;    // version 2's horizontal extent
  fields.scale = 0.5f;
  fields.offset = 1.0f;
  Bytes b = Header(fields);
  // Version 2 keeps its vertical extent in bytes 30 .. 31, where the others keep FrameInterval.
  std::vector<std::uint8_t> bytes = b.data();
  bytes[30] = 0x2C; // 300
  bytes[31] = 0x01;
  bytes[46] = 0x80; // OEM 866 capital A
  bytes[47] = 0;
  bytes.resize(64 + 64, 0);
  bytes[64] = 200; // frame 1 starts at byte 64, not 110
  bytes[64 + 63] = 1;
  WriteFile(dir.file("v2.dtv"), bytes);

  TDTV t;
  ASSERT_TRUE(t.LoadDTV(Name("v2.dtv"), 1));
  EXPECT_EQ(t.FRaw[0], 51200);
  EXPECT_EQ(t.FRaw[63], 256);
  EXPECT_EQ(t.FHeader.Scale, 0.001953125f);
  EXPECT_DOUBLE_EQ(t.RawToTemperature(t.FRaw[0]), 200 * 0.5 + 1.0); // temperatures unchanged
  EXPECT_EQ(t.FHeader.HorzExtent, 500);
  EXPECT_EQ(t.FHeader.VertExtent, 300);
  EXPECT_EQ(static_cast<std::uint8_t>(t.FHeader.Comment[0]), 0xC0); // Windows-1251 capital A
  EXPECT_EQ(t.FHeader.Comment[1], 0);
  EXPECT_EQ(t.CommentText(), QString::fromUtf8("\xD0\x90"));
}

TEST_F(DtvFormatTest, Version4WithoutAnglesTakesFrameAspect) {
  HeaderFields fields;
  fields.version = 4;
  fields.width = 6;
  fields.height = 2;
  fields.extentA = 100;
  fields.extentB = 50;
  fields.elevation = -32768;
  Bytes b = Header(fields);
  b.zeros(24);
  WriteFile(dir.file("v4.dtv"), b.data());
  TDTV t;
  ASSERT_TRUE(t.LoadDTV(Name("v4.dtv"), 1));
  EXPECT_DOUBLE_EQ(t.FAspect, 3.0);
  EXPECT_EQ(t.FHeader.HorzExtent, 100); // no re-projection, angles kept

  // The strip projection only takes the aspect from the angles.
  fields.elevation = 10;
  b = Header(fields);
  b.zeros(24);
  WriteFile(dir.file("strip.dtv"), b.data());
  TDTV strip;
  strip.FProjection = 22;
  ASSERT_TRUE(strip.LoadDTV(Name("strip.dtv"), 1));
  EXPECT_DOUBLE_EQ(strip.FAspect, 2.0);
  EXPECT_TRUE(strip.FAspectFromAngles);
}

TEST_F(DtvFormatTest, Version5ReadsRecordAndFrameOfTheRequestedFrame) {
  HeaderFields fields;
  fields.version = 5;
  fields.width = 10;
  fields.height = 10;
  fields.frames = 3;
  fields.scale = static_cast<float>(40.0 / 65535);
  fields.offset = -5.0f;
  Bytes b = Header(fields);
  for (int k = 1; k <= 3; ++k) {
    ASSERT_EQ(b.size(), 110u + (k - 1) * 240u); // frame 3's record at 590, its pixels at 630
    b.raw(FilmRecord(k, 10.0 + k, 30.0 + k, (5u << 24) + 36000u + k).data());
    for (int i = 0; i < 100; ++i) {
      b.u16(static_cast<std::uint16_t>(k * 1000 + i));
    }
  }
  WriteFile(dir.file("film.dtv"), b.data());

  TDTV t;
  t.FTimeDelta = 3600;
  ASSERT_TRUE(t.LoadDTV(Name("film.dtv"), 3));
  EXPECT_EQ(t.FRaw[0], 3000);
  EXPECT_EQ(t.FRaw[99], 3099);
  EXPECT_EQ(t.FFrameRec.MinTemp, 3.0);
  EXPECT_EQ(t.FFrameRec.MaxTemp, 13.0);
  EXPECT_EQ(t.FFrameRec.CameraTemp, 33.0);
  EXPECT_EQ(t.FFrameRec.TimeStamp, (5u << 24) + 39603u);
  EXPECT_EQ(t.FHeader.Offset, 3.0f);
  EXPECT_EQ(t.FHeader.Scale, static_cast<float>(10.0 / 65535));
  EXPECT_NEAR(t.RawToTemperature(65535), 13.0, 1e-5);
  EXPECT_DOUBLE_EQ(t.FFilmMin, -5.0);
  EXPECT_NEAR(t.FFilmMax, 35.0, 1e-5);
  EXPECT_DOUBLE_EQ(t.FAspect, 32.0 / 27.0);
}

// A version 5 film of `frames` frames of 7 x 5, each with its own record and values.
Bytes SmallFilm(int frames) {
  HeaderFields fields;
  fields.version = 5;
  fields.width = 7;
  fields.height = 5;
  fields.frames = static_cast<std::uint16_t>(frames);
  Bytes b = Header(fields);
  for (int k = 1; k <= frames; ++k) {
    b.raw(FilmRecord(k, 20.0 + k, 30.0 + k, (5u << 24) + 36000u + k).data());
    for (int i = 0; i < 35; ++i) {
      b.u16(static_cast<std::uint16_t>((i * 977 + k * 4099) % 65536));
    }
  }
  return b;
}

// A film read through a session reads every frame as it reads without one, and the session's summary
// is that of the frame last read, never of another.
TEST_F(DtvFormatTest, AFilmReadThroughASessionReadsAsWithoutOne) {
  const Bytes b = SmallFilm(4);
  WriteFile(dir.file("film.dtv"), b.data());
  const QString film = Name("film.dtv");
  WriteFile(dir.file("other.dtv"), b.data());

  for (const int k : {1, 4, 2, 3, 99, 0}) {
    TDTV plain;
    TDTV viaSession;
    const IoResult plainRead = plain.LoadDTV(film, k);
    const DtvFilmReadSession session(film);
    const IoResult sessionRead = viaSession.LoadDTV(film, k);
    ASSERT_EQ(bool(plainRead), bool(sessionRead)) << k;
    EXPECT_EQ(plainRead.message, sessionRead.message) << k;
    EXPECT_EQ(plain.FRaw, viaSession.FRaw) << k;
    EXPECT_EQ(EncodeDtvHeader(plain.FHeader), EncodeDtvHeader(viaSession.FHeader)) << k;
    EXPECT_EQ(EncodeFilmRecord(plain.FFrameRec), EncodeFilmRecord(viaSession.FFrameRec)) << k;
    EXPECT_EQ(plain.FFrameIndex, viaSession.FFrameIndex) << k;
    EXPECT_EQ(plain.FRawMean, viaSession.FRawMean) << k;
    if (!sessionRead) {
      EXPECT_FALSE(session.ReadSummary(k)) << k;
      continue;
    }
    const RawSummary expected = SummariseRaw(plain.FRaw.data(), plain.FRaw.size());
    const std::optional<RawSummary> summary = session.ReadSummary(k);
    ASSERT_TRUE(summary) << k;
    EXPECT_EQ(summary->min, expected.min);
    EXPECT_EQ(summary->max, expected.max);
    EXPECT_EQ(summary->sum, expected.sum);
    EXPECT_FALSE(session.ReadSummary(k + 1));
    // Another file, even one with the same bytes, is read the ordinary way and leaves no summary.
    TDTV other;
    ASSERT_TRUE(other.LoadDTV(Name("other.dtv"), 1));
    EXPECT_TRUE(session.ReadSummary(k));
    ASSERT_FALSE(viaSession.LoadDTV(film, 99));
    EXPECT_FALSE(session.ReadSummary(k));
  }
}

// A session reads over the thermogram's frame: a frame cut off meanwhile fails and leaves a frame of
// the old size (nothing indexes past it), and the frames after it still read as without a session.
TEST_F(DtvFormatTest, AFrameThatFailsInASessionLeavesAFrameOfTheOldSize) {
  const Bytes b = SmallFilm(3);
  WriteFile(dir.file("film.dtv"), b.data());
  const QString film = Name("film.dtv");
  TDTV plain;
  ASSERT_TRUE(plain.LoadDTV(film, 2));

  TDTV viaSession;
  const DtvFilmReadSession session(film);
  ASSERT_TRUE(viaSession.LoadDTV(film, 1));
  const DtvHeaderBytes header = EncodeDtvHeader(viaSession.FHeader);
  ASSERT_TRUE(QFile::resize(film, static_cast<qint64>(b.data().size()) - 10));
  EXPECT_FALSE(viaSession.LoadDTV(film, 3));
  EXPECT_EQ(viaSession.FRaw.size(), 35u);
  EXPECT_EQ(viaSession.FFrameIndex, 1);
  EXPECT_EQ(EncodeDtvHeader(viaSession.FHeader), header);
  EXPECT_FALSE(session.ReadSummary(3));

  ASSERT_TRUE(viaSession.LoadDTV(film, 2));
  EXPECT_EQ(viaSession.FRaw, plain.FRaw);
  EXPECT_EQ(EncodeFilmRecord(viaSession.FFrameRec), EncodeFilmRecord(plain.FFrameRec));
}

// Every hostile or short file is refused and leaves the thermogram exactly as it was.
TEST_F(DtvFormatTest, BadFilesAreRefusedWithoutChangingTheThermogram) {
  const auto good = [](HeaderFields s) {
    return Header(s).zeros(std::size_t{s.width} * s.height * 2).data();
  };
  HeaderFields huge;
  huge.width = 65535;
  huge.height = 65535;
  HeaderFields film;
  film.version = 5;
  film.frames = 2;
  struct Case {
    const char *what;
    std::vector<std::uint8_t> bytes;
    int frame;
  };
  std::vector<std::uint8_t> shortByOne = good({});
  shortByOne.pop_back();
  std::vector<Case> cases = {
      {"empty file", {}, 1},
      {"short header", std::vector<std::uint8_t>(109, 0), 1},
      {"zero width", good({.width = 0}), 1},
      {"zero height", good({.height = 0}), 1},
      {"frame 0", good({}), 0},
      {"frame past the count", good({}), 2},
      {"negative frame", good({}), -1},
      {"version 1", good({.version = 1}), 1},
      {"version 6", good({.version = 6}), 1},
      {"frame one byte short", shortByOne, 1},
      {"huge size, tiny file", Header(huge).zeros(16).data(), 1},
      {"film frame 2 missing", Header(film).raw(FilmRecord(0, 1, 0, 0).data()).zeros(16).data(), 2},
      {"frame count lies", good({.frames = 40000}), 40000},
  };
  for (const Case &c : cases) {
    WriteFile(dir.file("bad.dtv"), c.bytes);
    TDTV t;
    t.MakeDemoImage();
    t.FFileName = "before.dtv";
    const DtvHeaderBytes headerBefore = EncodeDtvHeader(t.FHeader);
    const std::vector<std::uint16_t> rawBefore = t.FRaw;
    const IoResult r = t.LoadDTV(Name("bad.dtv"), c.frame);
    EXPECT_FALSE(r) << c.what;
    EXPECT_FALSE(r.message.isEmpty()) << c.what;
    EXPECT_EQ(EncodeDtvHeader(t.FHeader), headerBefore) << c.what;
    EXPECT_EQ(t.FRaw, rawBefore) << c.what;
    EXPECT_EQ(t.FFileName, "before.dtv") << c.what;
  }
  TDTV t;
  EXPECT_FALSE(t.LoadDTV(Name("missing.dtv"), 1));
}

TEST_F(DtvFormatTest, SaveWritesVersion3ByteExactly) {
  TDTV t;
  t.FHeader.Version = 2;
  t.FHeader.HeaderSize = 64;
  t.FHeader.Reserved2 = 0x0102;
  t.FHeader.Reserved4 = 44;
  t.FHeader.Reserved5 = 18;
  t.FHeader.Reserved6 = 0x0304;
  t.FHeader.Reserved8 = 0x0506;
  t.FHeader.Width = 4;
  t.FHeader.Height = 2;
  t.FHeader.Reserved14 = 0x0708;
  t.FHeader.FrameCount = 9;
  t.FHeader.ModelHigh = 7;
  t.FHeader.ModelLow = 42;
  t.FHeader.CameraTemp = 31.5f;
  t.FHeader.HorzExtent = 300;
  t.FHeader.VertExtent = 200;
  t.FHeader.Scale = 0.01f;
  t.FHeader.Offset = 20.0f;
  t.FHeader.Elevation = -32768;
  t.SetCommentText("hello");
  t.FRaw = {1, 2, 3, 4, 65535, 6, 7, 0x1234};
  ASSERT_TRUE(t.SaveDTV(Name("out.dtv")));

  HeaderFields fields;
  fields.extentA = 300;
  fields.extentB = 200;
  fields.elevation = -32768;
  Bytes want = Header(fields);
  std::vector<std::uint8_t> expected = want.data();
  expected[42] = expected[40]; // the writers repeat the upper half of Offset here
  expected[43] = expected[41];
  Bytes frame;
  for (std::uint16_t v : t.FRaw) {
    frame.u16(v);
  }
  expected.insert(expected.end(), frame.data().begin(), frame.data().end());
  EXPECT_EQ(ReadFile(dir.file("out.dtv")), expected);
  EXPECT_EQ(t.FFileName, Name("out.dtv"));
  EXPECT_EQ(t.FHeader.Version, 3);
  EXPECT_EQ(t.FHeader.FrameCount, 1);

  TDTV back;
  ASSERT_TRUE(back.LoadDTV(Name("out.dtv"), 1));
  EXPECT_EQ(back.FRaw, t.FRaw);
  EXPECT_EQ(EncodeDtvHeader(back.FHeader), EncodeDtvHeader(t.FHeader));
}

TEST_F(DtvFormatTest, SaveKeepsOrSetsTheVersion) {
  const std::pair<int, int> versions[] = {{2, 3}, {3, 3}, {4, 4}, {5, 3}, {7, 7}, {0, 3}};
  for (const auto &[before, after] : versions) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Version = static_cast<std::uint8_t>(before);
    ASSERT_TRUE(t.SaveDTV(Name("v.dtv")));
    EXPECT_EQ(ReadFile(dir.file("v.dtv"))[1], after) << before;
    EXPECT_EQ(t.FHeader.Version, after) << before;
  }
}

TEST_F(DtvFormatTest, WritersReportFailures) {
  TDTV empty;
  EXPECT_FALSE(empty.SaveDTV(Name("empty.dtv")));
  EXPECT_FALSE(empty.StartFilm(Name("empty.dtv")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("empty.dtv")));

  TDTV t;
  t.ResetHeader();
  t.FRaw.clear(); // frame and size disagree
  EXPECT_FALSE(t.SaveDTV(Name("mismatch.dtv")));

  t.ResetHeader();
  const QString nowhere = Name("no/such/folder/x.dtv");
  EXPECT_FALSE(t.SaveDTV(nowhere));
  EXPECT_FALSE(t.StartFilm(nowhere));
  EXPECT_FALSE(t.AppendFilmFrame(nowhere));
  EXPECT_TRUE(t.FFileName.isEmpty());
}

TEST_F(DtvFormatTest, FilmStartAndAppendWidenTheFilmRange) {
  TDTV t;
  t.ResetHeader();
  t.FHeader.Width = 3;
  t.FHeader.Height = 2;
  t.FHeader.FrameInterval = 0.25f;
  t.FHeader.Offset = 20.0f;
  t.FHeader.Scale = static_cast<float>(10.0 / 65535);
  t.FRaw = {0, 1, 2, 3, 4, 65535};
  t.FCameraTemp = 36.6;
  ASSERT_TRUE(t.StartFilm(Name("film.dtv")));
  EXPECT_EQ(t.FHeader.Version, 5);
  EXPECT_DOUBLE_EQ(t.FFilmMin, 20.0);

  t.FHeader.Offset = 18.0f;
  t.FHeader.Scale = static_cast<float>(7.0 / 65535);
  t.FHeader.FrameInterval = 0.5f;
  t.FRaw = {9, 8, 7, 6, 5, 4};
  ASSERT_TRUE(t.AppendFilmFrame(Name("film.dtv")));
  EXPECT_EQ(t.FHeader.FrameCount, 2);
  EXPECT_EQ(t.FFrameIndex, 2);
  EXPECT_EQ(t.FHeader.Offset, 18.0f); // the thermogram keeps its own quantization
  EXPECT_DOUBLE_EQ(t.FFilmMin, 18.0);
  EXPECT_NEAR(t.FFilmMax, 30.0, 1e-5);

  const std::vector<std::uint8_t> bytes = ReadFile(dir.file("film.dtv"));
  ASSERT_EQ(bytes.size(), 110u + 2 * (40 + 12));
  EXPECT_EQ(bytes[1], 5);
  EXPECT_EQ(bytes[16], 2);
  EXPECT_EQ(bytes[17], 0);
  float interval = 0, scale = 0, offset = 0;
  std::memcpy(&interval, &bytes[30], 4);
  std::memcpy(&scale, &bytes[34], 4);
  std::memcpy(&offset, &bytes[38], 4);
  EXPECT_EQ(interval, 0.5f);
  EXPECT_EQ(offset, 18.0f);
  EXPECT_EQ(scale, static_cast<float>(12.0 / 65535));
  // Frame 2's record: own range and camera temperature; the time stamp is day x 2^24 + seconds.
  double min2 = 0, cam2 = 0;
  std::uint32_t stamp = 0;
  std::memcpy(&min2, &bytes[162], 8);
  std::memcpy(&cam2, &bytes[162 + 16], 8);
  std::memcpy(&stamp, &bytes[162 + 36], 4);
  EXPECT_EQ(min2, 18.0);
  EXPECT_EQ(cam2, 36.6);
  EXPECT_GE(stamp >> 24, 1u);
  EXPECT_LE(stamp >> 24, 31u);
  EXPECT_LT(stamp & 0xFFFFFFu, 86400u);
  EXPECT_EQ(bytes[162 + 40], 9); // frame 2's first pixel right after its record

  TDTV first;
  ASSERT_TRUE(first.LoadDTV(Name("film.dtv"), 1));
  EXPECT_NEAR(first.RawToTemperature(0), 20.0, 1e-6);
  EXPECT_NEAR(first.RawToTemperature(65535), 30.0, 1e-5);
  EXPECT_EQ(first.FRaw[5], 65535);
  EXPECT_EQ(first.FFrameRec.CameraTemp, 36.6);

  // Saving a film frame writes a single version-3 thermogram with the frame's own scale.
  ASSERT_TRUE(first.SaveDTV(Name("single.dtv")));
  TDTV single;
  ASSERT_TRUE(single.LoadDTV(Name("single.dtv"), 1));
  EXPECT_EQ(single.FHeader.Version, 3);
  EXPECT_EQ(single.FHeader.FrameCount, 1);
  EXPECT_EQ(single.FHeader.Offset, 20.0f);
  EXPECT_EQ(single.FHeader.Scale, first.FHeader.Scale);
}

TEST_F(DtvFormatTest, AppendTakesTheFilmRangeFromTheFile) {
  TDTV starter;
  starter.ResetHeader();
  starter.FHeader.Offset = 20.0f;
  starter.FHeader.Scale = static_cast<float>(10.0 / 65535);
  ASSERT_TRUE(starter.StartFilm(Name("film.dtv")));

  // Another thermogram object, whose own film range knows nothing of this film, appends a narrower
  // frame: the stored range must stay 20 .. 30.
  TDTV other;
  other.ResetHeader();
  other.FHeader.Offset = 22.0f;
  other.FHeader.Scale = static_cast<float>(2.0 / 65535);
  ASSERT_TRUE(other.AppendFilmFrame(Name("film.dtv")));
  TDTV check;
  ASSERT_TRUE(check.LoadDTV(Name("film.dtv"), 2));
  EXPECT_DOUBLE_EQ(check.FFilmMin, 20.0);
  EXPECT_NEAR(check.FFilmMax, 30.0, 1e-5);
  EXPECT_NEAR(check.RawToTemperature(65535), 24.0, 1e-5);
}

TEST_F(DtvFormatTest, AppendRefusesWhatIsNotAMatchingFilm) {
  TDTV t;
  t.ResetHeader();
  ASSERT_TRUE(t.SaveDTV(Name("single.dtv")));
  const auto singleBefore = ReadFile(dir.file("single.dtv"));
  EXPECT_FALSE(t.AppendFilmFrame(Name("single.dtv")));
  EXPECT_EQ(ReadFile(dir.file("single.dtv")), singleBefore);

  ASSERT_TRUE(t.StartFilm(Name("film.dtv")));
  TDTV wide;
  wide.ResetHeader();
  wide.FHeader.Width = 2;
  wide.FRaw.assign(2, 0);
  const auto filmBefore = ReadFile(dir.file("film.dtv"));
  EXPECT_FALSE(wide.AppendFilmFrame(Name("film.dtv")));
  EXPECT_EQ(ReadFile(dir.file("film.dtv")), filmBefore);

  // A film cut short is not appended to at the wrong place.
  std::vector<std::uint8_t> cut = filmBefore;
  cut.pop_back();
  WriteFile(dir.file("cut.dtv"), cut);
  EXPECT_FALSE(t.AppendFilmFrame(Name("cut.dtv")));

  // The frame count is a 16-bit field: a full film takes no more frames.
  HeaderFields full;
  full.version = 5;
  full.width = 1;
  full.height = 1;
  full.frames = 65535;
  Bytes b = Header(full);
  b.zeros(65535u * 42u);
  WriteFile(dir.file("full.dtv"), b.data());
  EXPECT_FALSE(t.AppendFilmFrame(Name("full.dtv")));
  EXPECT_EQ(std::filesystem::file_size(dir.file("full.dtv")), 110u + 65535u * 42u);
}

// Old files, and counts that wrapped at 65536, hold a single image with a frame count of 0.
TEST_F(DtvFormatTest, SingleImageWithFrameCountZeroReadsAsOneFrame) {
  for (const int version : {2, 3, 4}) {
    SCOPED_TRACE(version);
    HeaderFields fields;
    fields.version = static_cast<std::uint8_t>(version);
    fields.frames = 0;
    fields.elevation = -32768;
    Bytes b = Header(fields);
    for (int i = 0; i < 8; ++i) {
      if (version == 2) {
        b.u8(static_cast<std::uint8_t>(i + 1));
      } else {
        b.u16(static_cast<std::uint16_t>(i + 1));
      }
    }
    WriteFile(dir.file("zero.dtv"), b.data());
    TDTV t;
    ASSERT_TRUE(t.LoadDTV(Name("zero.dtv"), 1));
    EXPECT_EQ(t.FHeader.FrameCount, 1);
    EXPECT_EQ(t.FRaw[7], version == 2 ? 8 * 256 : 8);
    EXPECT_FALSE(t.LoadDTV(Name("zero.dtv"), 2));

    // Without the frame's bytes there is nothing to read.
    WriteFile(dir.file("empty.dtv"), Header(fields).zeros(7).data());
    EXPECT_FALSE(t.LoadDTV(Name("empty.dtv"), 1));
  }
}

// A temperature rule that is not a number would show "NAN" for every reading.
TEST_F(DtvFormatTest, NonFiniteScaleOrOffsetIsRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char *what;
    float scale, offset;
    double recordMin, recordMax; // version 5 only
    int version;
  } cases[] = {
      {"NaN Scale", nan, 20.0f, 0, 1, 3},
      {"infinite Scale", inf, 20.0f, 0, 1, 3},
      {"NaN Offset", 0.01f, nan, 0, 1, 4},
      {"minus infinite Offset", 0.01f, -inf, 0, 1, 2},
      {"film with NaN Scale", nan, 0.0f, 0, 1, 5},
      {"film frame with NaN minimum", 0.01f, 0.0f, std::nan(""), 1, 5},
      {"film frame with infinite maximum", 0.01f, 0.0f, 0, HUGE_VAL, 5},
      {"film frame whose span overflows a single", 0.01f, 0.0f, -1e300, 1e300, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    HeaderFields fields;
    fields.version = static_cast<std::uint8_t>(c.version);
    fields.scale = c.scale;
    fields.offset = c.offset;
    fields.elevation = -32768;
    Bytes b = Header(fields);
    if (c.version == 5) {
      b.raw(FilmRecord(c.recordMin, c.recordMax, 0, 0).data());
    }
    b.zeros(16);
    WriteFile(dir.file("rule.dtv"), b.data());
    TDTV t;
    t.MakeDemoImage();
    const std::vector<std::uint16_t> before = t.FRaw;
    const IoResult r = t.LoadDTV(Name("rule.dtv"), 1);
    EXPECT_FALSE(r);
    EXPECT_TRUE(r.message.contains("temperature")) << r.message.toStdString();
    EXPECT_EQ(t.FRaw, before);
  }
}

// A film cut short (by a crash while recording, say) keeps every frame it holds readable, and shows
// the count of frames it really holds.
TEST_F(DtvFormatTest, FilmHoldingFewerFramesThanItsHeaderCountsShowsWhatItHolds) {
  HeaderFields fields;
  fields.version = 5;
  fields.width = 2;
  fields.height = 2;
  fields.frames = 65535;
  Bytes b = Header(fields);
  for (int k = 1; k <= 2; ++k) {
    b.raw(FilmRecord(0, 10, 0, 0).data());
    for (int i = 0; i < 4; ++i) {
      b.u16(static_cast<std::uint16_t>(100 * k + i));
    }
  }
  b.zeros(7); // part of a third frame
  WriteFile(dir.file("cut.dtv"), b.data());

  QStringList log;
  SetThermogramLogSink([&log](const QString &line) { log << line; });
  TDTV t;
  for (const int frame : {1, 2}) {
    ASSERT_TRUE(t.LoadDTV(Name("cut.dtv"), frame));
    EXPECT_EQ(t.FHeader.FrameCount, 2);
    EXPECT_EQ(t.FCountedFrames, 65535); // for the window to say so
    EXPECT_EQ(t.FRaw[0], 100 * frame);
  }
  EXPECT_FALSE(t.LoadDTV(Name("cut.dtv"), 3));
  ASSERT_FALSE(log.isEmpty());
  EXPECT_TRUE(log[0].contains("65535") && log[0].contains("2")) << log[0].toStdString();

  // A film that holds more than its header counts (an append cut short before the header was
  // rewritten) shows the frames the header counts.
  fields.frames = 1;
  Bytes longer = Header(fields);
  for (int k = 1; k <= 2; ++k) {
    longer.raw(FilmRecord(0, 10, 0, 0).data()).zeros(8);
  }
  WriteFile(dir.file("longer.dtv"), longer.data());
  ASSERT_TRUE(t.LoadDTV(Name("longer.dtv"), 1));
  EXPECT_EQ(t.FHeader.FrameCount, 1);
  EXPECT_EQ(t.FCountedFrames, 0);
  EXPECT_FALSE(t.LoadDTV(Name("longer.dtv"), 2));
}

// A frame beyond the memory budget is refused with a clear message before anything is allocated.
TEST_F(DtvFormatTest, FrameBeyondTheMemoryBudgetIsRefused) {
  HeaderFields fields;
  fields.width = 2000;
  fields.height = 1000;
  WriteFile(dir.file("big.dtv"), Header(fields).zeros(2000u * 1000u * 2u).data());
  TDTV t;
  t.MakeDemoImage();
  const std::vector<std::uint16_t> before = t.FRaw;
  FramePixelBudget = 1000000;
  const IoResult r = t.LoadDTV(Name("big.dtv"), 1);
  EXPECT_FALSE(r);
  EXPECT_TRUE(r.message.contains("too large")) << r.message.toStdString();
  EXPECT_EQ(t.FRaw, before);
  FramePixelBudget = 2000000;
  EXPECT_TRUE(t.LoadDTV(Name("big.dtv"), 1));
}

// A header claiming 65535 x 65535 pixels whose bytes are all present (an 8.6 GB file, sparse here):
// the default budget refuses it, and with the budget lifted the failed allocation is an error, not
// the end of the program. Both run in a child whose address space is capped.
TEST_F(DtvFormatTest, HugeFrameWithItsBytesPresentIsAnErrorNotAnAbort) {
  if (!test::MemoryLimitedChildAvailable()) {
    GTEST_SKIP() << "the address sanitizer's reservations do not fit under the cap";
  }
  HeaderFields fields;
  fields.width = 65535;
  fields.height = 65535;
  const auto path = dir.file("huge.dtv");
  WriteFile(path, Header(fields).data());
  std::filesystem::resize_file(path, 110 + 65535ull * 65535ull * 2);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  if (static_cast<unsigned long long>(info.st_blocks) * 512 > (1ull << 20)) {
    GTEST_SKIP() << "the temporary folder does not keep sparse files";
  }
  const QString name = Name("huge.dtv");
  for (const bool lifted : {false, true}) {
    SCOPED_TRACE(lifted ? "budget lifted" : "default budget");
    const std::string outcome = test::RunInMemoryLimitedChild([&] {
      if (lifted) {
        FramePixelBudget = std::numeric_limits<std::uint64_t>::max();
      }
      TDTV t;
      t.MakeDemoImage();
      const IoResult r = t.LoadFromFile(name, 1);
      return !r && !r.message.isEmpty() && t.Width() == 256;
    });
    EXPECT_EQ(outcome, "passed");
  }
}

// ---- From the reader to the projections ----

// A version-3 or version-4 file of 10 x 4 pixels (value 100 + row) with the given angles.
std::vector<std::uint8_t> AngleFile(int version, int horz, int vert, int elevation, int frames = 1) {
  HeaderFields fields;
  fields.version = static_cast<std::uint8_t>(version);
  fields.width = 10;
  fields.height = 4;
  fields.frames = static_cast<std::uint16_t>(frames);
  fields.extentA = static_cast<std::uint16_t>(horz);
  fields.extentB = static_cast<std::uint16_t>(vert);
  fields.elevation = static_cast<std::int16_t>(elevation);
  Bytes b = Header(fields);
  for (int k = 0; k < frames; ++k) {
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 10; ++x) {
        b.u16(static_cast<std::uint16_t>(100 + y));
      }
    }
  }
  return b.data();
}

// A thermogram that shows a reconstructed scan, so that flags left over from it would show.
void ShowReconstructedScan(TDTV &t) {
  t.MakeDemoImage();
  t.FScanReconstructed = true;
  t.FAspectFromAngles = true;
}

TEST_F(DtvFormatTest, Version3WithAnglesIsReconstructedUnlessRefused) {
  QStringList log;
  SetThermogramLogSink([&log](const QString &line) { log << line; });

  // Cylinder: 4 rows of 10 degrees standing on the horizon become Nearest(tan(40 deg) / 10 deg) = 5.
  WriteFile(dir.file("cylinder.dtv"), AngleFile(3, 3600, 7200, 0));
  TDTV t;
  ShowReconstructedScan(t);
  t.FProjection = 1;
  ASSERT_TRUE(t.LoadDTV(Name("cylinder.dtv"), 1));
  EXPECT_EQ(t.Height(), 5);
  EXPECT_TRUE(t.FScanReconstructed);
  EXPECT_TRUE(t.FAspectFromAngles);
  EXPECT_TRUE(log.isEmpty());

  // Three frames or more are a sequence, not one scan: read as they are.
  WriteFile(dir.file("sequence.dtv"), AngleFile(3, 3600, 1800, 0, 3));
  ShowReconstructedScan(t);
  ASSERT_TRUE(t.LoadDTV(Name("sequence.dtv"), 2));
  EXPECT_EQ(t.Height(), 4);
  EXPECT_FALSE(t.FScanReconstructed);
  EXPECT_FALSE(t.FAspectFromAngles);
  EXPECT_DOUBLE_EQ(t.FAspect, 32.0 / 27.0);

  // The limited polar disc of columns of 1/180 degree would be beyond the pixel budget: the frame is
  // shown as read, with the aspect of a frame without angles, and the log says why.
  WriteFile(dir.file("polar.dtv"), AngleFile(3, 10, 16200, 0));
  ShowReconstructedScan(t);
  t.FProjection = 5;
  ASSERT_TRUE(t.LoadDTV(Name("polar.dtv"), 1));
  EXPECT_EQ(t.Width(), 10);
  EXPECT_EQ(t.Height(), 4);
  EXPECT_EQ(t.FRaw[0], 100);
  EXPECT_DOUBLE_EQ(t.FAspect, 32.0 / 27.0);
  EXPECT_FALSE(t.FScanReconstructed);
  EXPECT_FALSE(t.FAspectFromAngles);
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains("polar.dtv")) << log[0].toStdString();
}

TEST_F(DtvFormatTest, Version4IsProjectedAndLosesItsAnglesUnlessRefused) {
  QStringList log;
  SetThermogramLogSink([&log](const QString &line) { log << line; });

  WriteFile(dir.file("plane.dtv"), AngleFile(4, 3600, 1800, 900));
  TDTV t;
  ShowReconstructedScan(t);
  ASSERT_TRUE(t.LoadDTV(Name("plane.dtv"), 1));
  EXPECT_NE(t.Height(), 4);
  EXPECT_EQ(t.FHeader.HorzExtent, 0);
  EXPECT_EQ(t.FHeader.VertExtent, 0);
  EXPECT_EQ(t.FHeader.Elevation, 0);
  EXPECT_TRUE(t.FAspectFromAngles);
  EXPECT_FALSE(t.FScanReconstructed);
  EXPECT_TRUE(log.isEmpty());

  // A plane 180 degrees wide has no finite picture: the frame keeps its size, its angles (they were
  // not used) and the aspect of a frame without angles.
  WriteFile(dir.file("wide.dtv"), AngleFile(4, 32400, 1800, 900));
  ShowReconstructedScan(t);
  ASSERT_TRUE(t.LoadDTV(Name("wide.dtv"), 1));
  EXPECT_EQ(t.Width(), 10);
  EXPECT_EQ(t.Height(), 4);
  EXPECT_EQ(t.FHeader.HorzExtent, 32400);
  EXPECT_EQ(t.FHeader.Elevation, 900);
  EXPECT_DOUBLE_EQ(t.FAspect, 2.5);
  EXPECT_FALSE(t.FAspectFromAngles);
  EXPECT_FALSE(t.FScanReconstructed);
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains("wide.dtv")) << log[0].toStdString();
}

TEST_F(DtvFormatTest, DualScanFramesAreDecodedOnLoadWhenAsked) {
  // A vertical gradient, tripled the way a bidirectional camera delivers it.
  TDTV source;
  source.ResetHeader();
  test::SetFrame(source, 16, 6, [](int x, int y) { return 1000 * y + x; });
  source.TripleHeight(false);
  ASSERT_EQ(source.Height(), 18);
  ASSERT_TRUE(source.SaveDTV(Name("dual3.dtv")));
  ASSERT_TRUE(source.StartFilm(Name("dual5.dtv")));

  for (const char *file : {"dual3.dtv", "dual5.dtv"}) {
    SCOPED_TRACE(file);
    TDTV plain;
    ASSERT_TRUE(plain.LoadDTV(Name(file), 1));
    EXPECT_EQ(plain.Height(), 18);
    EXPECT_FALSE(plain.FSkewCorrect);

    TDTV decoded;
    decoded.FDecodeDualScan = true;
    ASSERT_TRUE(decoded.LoadDTV(Name(file), 1));
    EXPECT_EQ(decoded.Height(), 6);
    EXPECT_TRUE(decoded.FSkewCorrect);
    EXPECT_EQ(decoded.FRawMax, *std::max_element(decoded.FRaw.begin(), decoded.FRaw.end()));
    // Read again as stored, the frame has no skew correction left from the decoded one.
    decoded.FDecodeDualScan = false;
    ASSERT_TRUE(decoded.LoadDTV(Name(file), 1));
    EXPECT_EQ(decoded.Height(), 18);
    EXPECT_FALSE(decoded.FSkewCorrect);
  }
}

// ---- Interrupted writes ----

std::vector<std::string> FolderEntries(const std::filesystem::path &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A save killed half-way leaves its temporary file beside the target; the next save takes it over.
TEST_F(DtvFormatTest, SavesTakeOverTheTemporaryFileOfAnInterruptedSave) {
  TDTV t;
  t.ResetHeader();
  test::SetFrame(t, 4, 3, [](int x, int y) { return x + 10 * y; });
  t.SetAspect(4.0 / 3.0);
  using Save = std::function<IoResult(TDTV &, const QString &)>;
  const std::pair<const char *, Save> saves[] = {
      {"single.dtv", [](TDTV &d, const QString &n) { return d.SaveDTV(n); }},
      {"film.dtv", [](TDTV &d, const QString &n) { return d.StartFilm(n); }},
      {"picture.png", [](TDTV &d, const QString &n) { return d.SavePNG(n); }},
  };
  for (const auto &[file, save] : saves) {
    SCOPED_TRACE(file);
    TempDir folder;
    test::WriteText(folder.file(std::string(file) + ".tmp"), "half a save");
    ASSERT_TRUE(save(t, QString::fromStdString(folder.file(file).string())));
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{file});
  }
}

// A film append cut short after any of its writes leaves a film whose header counts only frames that
// are whole and whose range covers every frame it counts.
TEST_F(DtvFormatTest, FilmAppendCutShortAfterAnyWriteLeavesAConsistentFilm) {
  TDTV t;
  t.ResetHeader();
  test::SetFrame(t, 3, 2, [](int x, int y) { return 1000 * (x + 3 * y); });
  t.FHeader.Offset = 20.0f;
  t.FHeader.Scale = static_cast<float>(10.0 / 65535);
  ASSERT_TRUE(t.StartFilm(Name("film.dtv")));
  const std::vector<std::uint8_t> before = ReadFile(dir.file("film.dtv"));

  // The next frame spans 18 .. 25 degrees, below the film's range so far.
  TFilmFrameRecord record;
  record.MinTemp = 18.0;
  record.MaxTemp = 25.0;
  DtvHeaderBytes headerBytes{};
  std::copy_n(before.begin(), headerBytes.size(), headerBytes.begin());
  const std::vector<FilmFileWrite> writes =
      FilmAppendWrites(DecodeDtvHeader(headerBytes), before.size(), record, t.FRaw, 0.5f, 18.0, 30.0);
  ASSERT_GE(writes.size(), 2u);

  for (std::size_t done = 0; done <= writes.size(); ++done) {
    SCOPED_TRACE(done);
    std::vector<std::uint8_t> bytes = before;
    for (std::size_t i = 0; i < done; ++i) {
      const FilmFileWrite &w = writes[i];
      if (bytes.size() < w.Offset + static_cast<std::size_t>(w.Bytes.size())) {
        bytes.resize(w.Offset + static_cast<std::size_t>(w.Bytes.size()));
      }
      std::copy(w.Bytes.begin(), w.Bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(w.Offset));
    }
    WriteFile(dir.file("cut.dtv"), bytes);
    TDTV probe;
    ASSERT_TRUE(probe.LoadDTV(Name("cut.dtv"), 1));
    const int counted = probe.FHeader.FrameCount;
    EXPECT_EQ(counted, done == writes.size() ? 2 : 1);
    for (int k = 1; k <= counted; ++k) {
      ASSERT_TRUE(probe.LoadDTV(Name("cut.dtv"), k)) << k;
      EXPECT_LE(probe.FFilmMin, probe.FFrameRec.MinTemp + 1e-4) << k;
      EXPECT_GE(probe.FFilmMax, probe.FFrameRec.MaxTemp - 1e-4) << k;
    }
  }
}

} // namespace
} // namespace calidarix
