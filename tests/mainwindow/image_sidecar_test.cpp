#include "mainwindow/image_sidecar.h"

#include "tests/support/test_support.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calidarix {
namespace {
using test::QPath;
namespace fs = std::filesystem;

TPointRecord Point(std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy, std::uint8_t flag) {
  TPointRecord p;
  p.X = x;
  p.Y = y;
  p.DX = dx;
  p.DY = dy;
  p.Direction = flag;
  return p;
}

TAreaRecord Area(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  TAreaRecord a;
  a.SetRect({left, top, right, bottom});
  return a;
}

// The image of the worked example: palette slot 2, isotherm slot 3, full palette window, isotherm
// window 0 to 96, no isotherm, one point at (120, 80), one area from (10, 20) to (50, 60).
ImageSidecar WorkedExample() {
  ImageSidecar s;
  s.PalNumber = 2;
  s.IsoNumber = 3;
  s.PalBottom = 0;
  s.PalTop = 255;
  s.IsoBottom = 0;
  s.IsoTop = 96;
  s.isPalInverted = false;
  s.isIsoInverted = false;
  s.isIso = false;
  s.isIsoColor = true;
  s.isIsoAuto = true;
  s.Points = {Point(120, 80, 5, -6, 1)};
  s.Areas = {Area(10, 20, 50, 60)};
  return s;
}

const char kWorkedExampleText[] = "[PALETTE]\n"
                                  "PalNumber=2\n"
                                  "IsoNumber=3\n"
                                  "PalBeg=0\n"
                                  "PalEnd=255\n"
                                  "IsoBeg=0\n"
                                  "IsoEnd=96\n"
                                  "isPalInverted=0\n"
                                  "isIsoInverted=0\n"
                                  "isIso=0\n"
                                  "isIsoColor=1\n"
                                  "isIsoAuto=1\n"
                                  "[POINTS]\n"
                                  "PointsCount=1\n"
                                  "P0X:=120\n"
                                  "P0Y:=80\n"
                                  "P0DX:=5\n"
                                  "P0DY:=-6\n"
                                  "P0P:=1\n"
                                  "[ARRAYS]\n"
                                  "ArraysCount=1\n"
                                  "A0L:=10\n"
                                  "A0T:=20\n"
                                  "A0R:=50\n"
                                  "A0B:=60\n";

class ImageSidecarTest : public testing::Test {
protected:
  void SetUp() override { test::WriteText(image, "image bytes"); }

  test::TempDir dir;
  fs::path image = dir.file("x.dtv");
  SidecarState state;
  std::vector<QString> warnings;
  SidecarWarning warn = [this](const QString &t) { warnings.push_back(t); };
};

TEST_F(ImageSidecarTest, WorkedExampleIsWrittenAsExactTextAndReadBack) {
  ASSERT_TRUE(SaveImageSidecar(QPath(image), WorkedExample(), state, warn));
  EXPECT_TRUE(state.FSidecarSaved);
  EXPECT_EQ(test::ReadText(dir.file("x.dti")), kWorkedExampleText);
  EXPECT_EQ(test::ReadText(image), "image bytes");

  ImageSidecar in;
  SidecarState fresh;
  ASSERT_TRUE(LoadImageSidecar(QPath(image), 320, 240, in, fresh));
  EXPECT_TRUE(fresh.FSidecarSaved);
  const ImageSidecar expected = WorkedExample();
  EXPECT_EQ(in.PalNumber, 2);
  EXPECT_EQ(in.IsoNumber, 3);
  EXPECT_EQ(in.IsoTop, 96);
  EXPECT_EQ(in.PalTop, 255);
  EXPECT_FALSE(in.isIso);
  EXPECT_TRUE(in.isIsoColor);
  EXPECT_TRUE(in.isIsoAuto);
  EXPECT_FALSE(in.Range.has_value());
  EXPECT_EQ(in.Points, expected.Points);
  EXPECT_EQ(in.Areas, expected.Areas);
}

TEST_F(ImageSidecarTest, NothingIsWrittenWhileUpToDateOrWithoutAName) {
  state.FSidecarSaved = true;
  EXPECT_FALSE(SaveImageSidecar(QPath(image), WorkedExample(), state, warn));
  EXPECT_FALSE(fs::exists(dir.file("x.dti")));
  state.FSidecarSaved = false;
  EXPECT_FALSE(SaveImageSidecar(QString(), WorkedExample(), state, warn));
  EXPECT_FALSE(state.FSidecarSaved);
  ImageSidecar in;
  EXPECT_FALSE(LoadImageSidecar(QString(), 10, 10, in, state));
  EXPECT_FALSE(LoadImageSidecar(QPath(image), 10, 10, in, state)) << "no sidecar yet";
  EXPECT_FALSE(state.FSidecarSaved);
}

TEST_F(ImageSidecarTest, MissingKeysTakeTheirDefaultsAndRangeLocksOnlyWhenOrdered) {
  test::WriteText(dir.file("x.dti"),
                  "[PALETTE]\nPalNumber=5\n[RANGE]\nLockMax=40\nLockMin=-10\n"
                  "[POINTS]\nPointsCount=2\nP0X:=3\nP0Y:=4\nP1P:=300\n[ARRAYS]\nArraysCount=0\n");
  ImageSidecar in;
  ASSERT_TRUE(LoadImageSidecar(QPath(image), 100, 100, in, state));
  EXPECT_EQ(in.PalNumber, 5);
  EXPECT_EQ(in.IsoNumber, 3);
  EXPECT_EQ(in.PalTop, 255);
  EXPECT_EQ(in.IsoTop, 255);
  EXPECT_TRUE(in.isIsoColor);
  EXPECT_TRUE(in.isIsoAuto);
  ASSERT_TRUE(in.Range.has_value());
  EXPECT_EQ(in.Range->LockMin, -10);
  EXPECT_EQ(in.Range->LockMax, 40);
  ASSERT_EQ(in.Points.size(), 2u);
  EXPECT_EQ(in.Points[0], Point(3, 4, 0, 0, 0));
  EXPECT_EQ(in.Points[1], Point(0, 0, 0, 0, 44));
  EXPECT_TRUE(in.Areas.empty());

  // The rewritten sidecar has no RANGE section.
  state.FSidecarSaved = false;
  ASSERT_TRUE(SaveImageSidecar(QPath(image), in, state, warn));
  EXPECT_EQ(test::ReadText(dir.file("x.dti")).find("RANGE"), std::string::npos);

  for (const char *range :
       {"[RANGE]\nLockMin=30\nLockMax=30\n", "[RANGE]\nLockMin=50\nLockMax=20\n", "[RANGE]\nLockMin=20\n"}) {
    SCOPED_TRACE(range);
    test::WriteText(dir.file("x.dti"), range);
    ImageSidecar r;
    ASSERT_TRUE(LoadImageSidecar(QPath(image), 100, 100, r, state));
    EXPECT_FALSE(r.Range.has_value());
  }
}

TEST_F(ImageSidecarTest, SidecarIsFoundWhateverItsCaseAndSharedByBmpAndBmt) {
  test::WriteText(dir.file("x.DTI"), "[PALETTE]\nPalNumber=4\n");
  ImageSidecar in;
  ASSERT_TRUE(LoadImageSidecar(QPath(image), 10, 10, in, state));
  EXPECT_EQ(in.PalNumber, 4);
  state.FSidecarSaved = false;
  ASSERT_TRUE(SaveImageSidecar(QPath(image), WorkedExample(), state, warn));
  EXPECT_EQ(test::ReadText(dir.file("x.DTI")), kWorkedExampleText) << "the existing file is rewritten";
  EXPECT_FALSE(fs::exists(dir.file("x.dti")));

  test::WriteText(dir.file("y.bmp"), "b");
  test::WriteText(dir.file("y.bmt"), "t");
  ImageSidecar first = WorkedExample();
  first.PalNumber = 1;
  state.FSidecarSaved = false;
  ASSERT_TRUE(SaveImageSidecar(QPath(dir.file("y.bmp")), first, state, warn));
  state.FSidecarSaved = false;
  ASSERT_TRUE(SaveImageSidecar(QPath(dir.file("y.bmt")), WorkedExample(), state, warn));
  ASSERT_TRUE(LoadImageSidecar(QPath(dir.file("y.bmp")), 10, 10, in, state));
  EXPECT_EQ(in.PalNumber, 2) << "the image left last decides";
  EXPECT_EQ(SidecarFileName("/a/y.bmp"), QString("/a/y.bmi"));
}

TEST_F(ImageSidecarTest, AnImageWhoseSidecarWouldBeItselfIsNeverOverwritten) {
  const fs::path self = dir.file("z.dti");
  test::WriteText(self, "[PALETTE]\nPalNumber=1\n");
  EXPECT_FALSE(SaveImageSidecar(QPath(self), WorkedExample(), state, warn));
  EXPECT_EQ(test::ReadText(self), "[PALETTE]\nPalNumber=1\n");
  ImageSidecar in;
  EXPECT_FALSE(LoadImageSidecar(QPath(self), 10, 10, in, state));
  EXPECT_FALSE(state.FSidecarSaved);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(ImageSidecarTest, UnwritableSidecarWarnsOncePerFolderAndIsTriedAgain) {
  // A folder in place of the sidecar file makes every write there fail, even for root.
  fs::create_directory(dir.file("x.dti"));
  test::WriteText(dir.file("w.dtv"), "w");
  fs::create_directory(dir.file("w.dti"));
  EXPECT_FALSE(SaveImageSidecar(QPath(image), WorkedExample(), state, warn));
  EXPECT_FALSE(state.FSidecarSaved);
  EXPECT_FALSE(SaveImageSidecar(QPath(dir.file("w.dtv")), WorkedExample(), state, warn));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "Unable to write to " + QPath(dir.file("x.dti")));

  fs::remove(dir.file("x.dti"));
  EXPECT_TRUE(SaveImageSidecar(QPath(image), WorkedExample(), state, warn))
      << "the next attempt writes again";
  EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(ImageSidecarTest, HostileSidecarLoadsWithinBounds) {
  std::string text =
      "junk before any section\n\x01\x02\xff\n[PALETTE]\nPalNumber=9\nIsoNumber=-1\nPalBeg=$1FF\n"
      "PalEnd=99999999999999999999\nisIso=yes\n"
      "[RANGE]\nLockMin=-2147483648\nLockMax=0x7FFFFFFF\n"
      "[POINTS]\nPointsCount=2000000000\nP0X:=-5\nP0Y:=100000\nP1X:=0x7FFFFFFF\n"
      "P1X:=3\nP1DX:=-2147483648\n"
      "[ARRAYS]\nArraysCount=-3\n[arrays]\nArraysCount=5\n";
  text += std::string(3000, 'A') + "=" + std::string(3000, '9') + "\n";
  text += std::string("P2Y:\0=7\n", 8);
  test::WriteText(dir.file("x.dti"), text);

  ImageSidecar in;
  ASSERT_TRUE(LoadImageSidecar(QPath(image), 64, 32, in, state));
  EXPECT_EQ(in.PalNumber, 0) << "slot 9 does not exist";
  EXPECT_EQ(in.IsoNumber, 3);
  EXPECT_EQ(in.PalBottom, 255);
  EXPECT_EQ(in.PalTop, 255);
  EXPECT_FALSE(in.isIso);
  ASSERT_TRUE(in.Range.has_value());
  EXPECT_EQ(in.Range->LockMin, -2147483647 - 1);
  EXPECT_EQ(in.Points.size(), static_cast<std::size_t>(kMaxSidecarMarkers));
  for (const TPointRecord &p : in.Points) {
    ASSERT_GE(p.X, 0);
    ASSERT_LT(p.X, 64);
    ASSERT_GE(p.Y, 0);
    ASSERT_LT(p.Y, 32);
  }
  EXPECT_EQ(in.Points[0].Y, 31);
  EXPECT_EQ(in.Points[1].X, 63) << "the first key of a name wins";
  EXPECT_TRUE(in.Areas.empty()) << "a negative count and the second section of a name are ignored";

  test::WriteText(dir.file("x.dti"), "[ARRAYS]\nArraysCount=2\nA0L:=500\nA0T:=-9\nA0R:=-1\nA0B:=7\nA1L:=3\n");
  ASSERT_TRUE(LoadImageSidecar(QPath(image), 64, 32, in, state));
  ASSERT_EQ(in.Areas.size(), 2u);
  EXPECT_EQ(in.Areas[0], Area(0, 0, 63, 7)) << "clipped to the frame, corners in order";
  EXPECT_EQ(in.Areas[1], Area(0, 0, 3, 0));

  // A frame of no pixels still gives coordinates in range.
  test::WriteText(dir.file("x.dti"), "[POINTS]\nPointsCount=1\nP0X:=5\n");
  ASSERT_TRUE(LoadImageSidecar(QPath(image), 0, 0, in, state));
  EXPECT_EQ(in.Points[0].X, 0);

  // An oversized file is not read at all.
  test::WriteText(dir.file("x.dti"), "[PALETTE]\nPalNumber=1\n" + std::string(kMaxSidecarBytes, ';'));
  SidecarState untouched;
  EXPECT_FALSE(LoadImageSidecar(QPath(image), 64, 32, in, untouched));
  EXPECT_FALSE(untouched.FSidecarSaved);
}

} // namespace
} // namespace calidarix
