#include "platform/datetime.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/demo_image.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include "tests/support/test_support.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace calidarix {
namespace {

using test::TempDir;
using test::WriteFile;

class LoadFromFileTest : public test::ThermogramTest {
protected:
  QString Name(const char *file) const { return QString::fromStdString(dir.file(file).string()); }

  // A small version-3 thermogram file of w x h pixels, all `raw`.
  void WriteThermogram(const char *file, int w, int h, std::uint16_t raw, float scale, float offset) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = static_cast<std::uint16_t>(w);
    t.FHeader.Height = static_cast<std::uint16_t>(h);
    t.FHeader.Scale = scale;
    t.FHeader.Offset = offset;
    t.FRaw.assign(static_cast<std::size_t>(w) * h, raw);
    ASSERT_TRUE(t.SaveDTV(Name(file)));
  }

  TempDir dir;
};

TEST_F(LoadFromFileTest, MissingFileGivesTheDemoImage) {
  FixedLevelShift = true;
  FixedLevel = 2.5;
  TDTV t;
  t.FAppendPos = TPoint{5, 6};
  t.FFileName = "old.dtv";
  t.FZoom = 3.0;
  t.SetCommentText("kept");
  ASSERT_TRUE(t.LoadFromFile(Name("missing.dtv"), 1));
  EXPECT_TRUE(t.FFileName.isEmpty());
  EXPECT_EQ(t.FHeader.Width, kDemoImageWidth);
  EXPECT_EQ(t.FHeader.Height, kDemoImageHeight);
  ASSERT_EQ(t.FRaw.size(), 256u * 248u);
  const auto at = [&](int x, int y) { return t.FRaw[static_cast<std::size_t>(y) * 256 + x]; };
  EXPECT_EQ(at(0, 0), 1);
  EXPECT_EQ(at(128, 124), 65535);
  EXPECT_EQ(at(128, 0), 32768);
  EXPECT_EQ(at(0, 124), 32768);
  EXPECT_EQ(t.FRawMin, 0);
  EXPECT_EQ(t.FRawMax, 65535);
  EXPECT_EQ(t.FRawMean, 32767);
  EXPECT_EQ(t.FHeader.Offset, 2.5f); // the fixed level applies to the demo image too
  EXPECT_EQ(t.FAppendPos, (TPoint{0, 0}));
  EXPECT_EQ(t.FZoom, 1.0);
  EXPECT_DOUBLE_EQ(t.FAspect, 32.0 / 27.0);
  EXPECT_EQ(t.CommentText(), "kept");
  // 25 x 20 degrees at 10 m over 256 x 248 pixels.
  EXPECT_NEAR(t.FPixelWidth, std::tan(12.5 * M_PI / 180) * 10 / 128, 1e-12);
  EXPECT_NEAR(t.FPixelHeight, std::tan(10.0 * M_PI / 180) * 10 / 124, 1e-12);
  EXPECT_EQ(t.FThickness, 1.0);

  // A folder is no thermogram either.
  TDTV folder;
  ASSERT_TRUE(folder.LoadFromFile(QString::fromStdString(dir.path().string()), 1));
  EXPECT_EQ(folder.FHeader.Width, kDemoImageWidth);
}

TEST_F(LoadFromFileTest, ExtensionIsComparedInLowerCaseAndFixedLevelApplies) {
  WriteThermogram("A.DTV", 3, 2, 500, 0.5f, 20.0f);
  const QDateTime modified(QDate(2021, 6, 15), QTime(10, 30, 20));
  {
    QFile f(Name("A.DTV"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
  }
  FixedLevelShift = true;
  FixedLevel = 2.5;
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(Name("A.DTV"), 1));
  EXPECT_EQ(t.FRaw.size(), 6u);
  EXPECT_EQ(t.FHeader.Offset, 22.5f);
  EXPECT_EQ(t.FFileDate, PackDosDateTime(modified).value());
  EXPECT_EQ(t.FFileName, Name("A.DTV"));
}

TEST_F(LoadFromFileTest, ForeignExtensionsReachTheirReaders) {
  // A 16-bit PNG thermogram written by us, named with an upper-case extension.
  TDTV source;
  test::SetFrame(source, 4, 3, [](int x, int y) { return 1000 * (1 + x + 4 * y); });
  source.FHeader.Scale = 0.01f;
  source.SetAspect(4.0 / 3.0);
  ASSERT_TRUE(source.SavePNG(Name("scene.PNG")));
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(Name("scene.PNG"), 1));
  EXPECT_EQ(t.Width(), 4);
  EXPECT_EQ(t.Height(), 3);
  EXPECT_EQ(t.FRaw, source.FRaw);
}

TEST_F(LoadFromFileTest, CameraTemperatureStampIsClippedAndClamped) {
  WriteThermogram("big.dtv", 24, 24, 7, 1.0f / 256, 20.0f);
  TDTV t;
  t.FStampCameraTemp = true;
  t.FFrameRec.CameraTemp = 25.0;
  ASSERT_TRUE(t.LoadFromFile(Name("big.dtv"), 1));
  EXPECT_EQ(t.FCameraTemp, 25.0);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool inSquare = x >= 4 && x <= 19 && y >= 4 && y <= 19;
      ASSERT_EQ(t.FRaw[static_cast<std::size_t>(y) * 24 + x], inSquare ? 1280 : 7) << x << "," << y;
    }
  }

  // A frame smaller than the square gets only the part that fits; a camera temperature far above
  // the frame's range gives the full-scale value, not a wrapped one.
  WriteThermogram("small.dtv", 6, 8, 7, 1.0f, 0.0f);
  TDTV s;
  s.FStampCameraTemp = true;
  s.FFrameRec.CameraTemp = 1e9;
  ASSERT_TRUE(s.LoadFromFile(Name("small.dtv"), 1));
  EXPECT_EQ(s.FRaw[4 * 6 + 4], 65535);
  EXPECT_EQ(s.FRaw[7 * 6 + 5], 65535);
  EXPECT_EQ(s.FRaw[3 * 6 + 5], 7);
  EXPECT_EQ(s.FRaw.size(), 48u);
}

TEST_F(LoadFromFileTest, CompanionsAreFoundWhateverTheirCase) {
  WriteThermogram("scan01.dtv", 4, 4, 100, 1.0f, 0.0f);
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(qRgb(10, 20, 30));
  ASSERT_TRUE(picture.save(Name("scan01.ABC"), "BMP"));
  WriteFile(dir.file("scan01.Wav"), {'R', 'I', 'F', 'F'});
  WriteThermogram("plain.dtv", 4, 4, 100, 1.0f, 0.0f);
  WriteThermogram("SCAN01x.dtv", 4, 4, 100, 1.0f, 0.0f); // a longer name is not a companion

  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(Name("scan01.dtv"), 1));
  ASSERT_FALSE(t.FOverlay.isNull());
  EXPECT_EQ(t.FOverlay.format(), QImage::Format_RGB888);
  EXPECT_EQ(t.FOverlay.pixel(1, 1), qRgb(10, 20, 30));
  EXPECT_TRUE(t.FHasVoiceNote);

  ASSERT_TRUE(t.LoadFromFile(Name("plain.dtv"), 1));
  EXPECT_TRUE(t.FOverlay.isNull());
  EXPECT_FALSE(t.FHasVoiceNote);

  // The demo image shown for a missing file has no companions either.
  ASSERT_TRUE(t.LoadFromFile(Name("scan01.dtv"), 1));
  ASSERT_FALSE(t.FOverlay.isNull());
  ASSERT_TRUE(t.LoadFromFile(Name("gone.dtv"), 1));
  EXPECT_EQ(t.Width(), kDemoImageWidth);
  EXPECT_TRUE(t.FOverlay.isNull());
  EXPECT_FALSE(t.FHasVoiceNote);
}

// Frames of one file take the companions found when the file was first read: the folder is not read
// again while it is unchanged (here a change is hidden by putting the folder's time back), and a
// change that moves the folder's time is seen by the next frame.
TEST_F(LoadFromFileTest, CompanionsAreLookedUpOncePerFileNotPerFrame) {
  WriteThermogram("film.dtv", 4, 4, 100, 1.0f, 0.0f);
  WriteFile(dir.file("FILM.wav"), {'R', 'I', 'F', 'F'});
  const auto setFolderTime = [&] {
    const timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.path().c_str(), times, 0), 0);
  };
  setFolderTime();
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(Name("film.dtv"), 1));
  EXPECT_TRUE(t.FHasVoiceNote);

  std::filesystem::rename(dir.file("FILM.wav"), dir.file("note.wav"));
  setFolderTime();
  ASSERT_TRUE(t.LoadFromFile(Name("film.dtv"), 1));
  EXPECT_TRUE(t.FHasVoiceNote);

  t.FCompanions.Forget(); // the file opened again
  ASSERT_TRUE(t.LoadFromFile(Name("film.dtv"), 1));
  EXPECT_FALSE(t.FHasVoiceNote);

  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(qRgb(10, 20, 30));
  ASSERT_TRUE(picture.save(Name("Film.abc"), "BMP"));
  ASSERT_TRUE(t.LoadFromFile(Name("film.dtv"), 1));
  EXPECT_FALSE(t.FOverlay.isNull());
}

TEST_F(LoadFromFileTest, UnreadableOverlayIsLoggedAndIgnored) {
  WriteThermogram("img.dtv", 4, 4, 100, 1.0f, 0.0f);
  WriteFile(dir.file("img.abc"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  QStringList log;
  SetThermogramLogSink([&](const QString &line) { log << line; });
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(Name("img.dtv"), 1));
  EXPECT_EQ(t.FRaw.size(), 16u);
  EXPECT_TRUE(t.FOverlay.isNull());
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains("img.abc")) << log[0].toStdString();
}

// When nothing new was read, the frame, Offset and view stay as they were and the load options
// are not applied a second time.
TEST_F(LoadFromFileTest, FailedOrMissingReaderLeavesTheThermogramAlone) {
  WriteFile(dir.file("data"), {1, 2, 3});
  WriteFile(dir.file("notes.xyz"), {1, 2, 3});
  WriteFile(dir.file("camera.bmt"), {1, 2, 3});
  WriteFile(dir.file("broken.dtv"), {110, 3, 0});
  FixedLevelShift = true;
  FixedLevel = 2.5;
  for (const char *file : {"data", "notes.xyz", "camera.bmt", "broken.dtv"}) {
    TDTV t;
    t.MakeDemoImage();
    t.FFileName = "shown.dtv";
    t.FZoom = 4.0;
    t.FViewOffsetX = 12.0;
    t.FStampCameraTemp = true;
    t.FFrameRec.CameraTemp = 50.0;
    const std::vector<std::uint16_t> before = t.FRaw;
    const IoResult r = t.LoadFromFile(Name(file), 1);
    EXPECT_FALSE(r) << file;
    EXPECT_TRUE(r.message.contains("not loaded")) << file;
    EXPECT_EQ(t.FRaw, before) << file;
    EXPECT_EQ(t.FHeader.Offset, 0.0f) << file;
    EXPECT_EQ(t.FFileName, "shown.dtv") << file;
    EXPECT_EQ(t.FZoom, 4.0) << file;
    EXPECT_EQ(t.FViewOffsetX, 12.0) << file;
  }
}

TEST_F(LoadFromFileTest, LockedRangeIsRevalidated) {
  WriteThermogram("x.dtv", 2, 2, 100, 1.0f, 0.0f);
  TDTV t;
  t.FRangeLocked = true;
  t.LockMin = -400;
  t.LockMax = 30;
  ASSERT_TRUE(t.LoadFromFile(Name("x.dtv"), 1));
  EXPECT_DOUBLE_EQ(t.LockMin, -273.15);
  EXPECT_DOUBLE_EQ(t.LockMax, 30);

  // A lock stored the wrong way round becomes the degree below its upper bound.
  t.LockMin = 40;
  t.LockMax = 30;
  ASSERT_TRUE(t.LoadFromFile(Name("x.dtv"), 1));
  EXPECT_DOUBLE_EQ(t.LockMin, 29);
  EXPECT_DOUBLE_EQ(t.LockMax, 30);
}

} // namespace
} // namespace calidarix
