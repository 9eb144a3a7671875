#include "thermogram/palette_commands.h"

#include "thermogram/builtin_palettes.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

TRGB Grey(int v) {
  const auto b = static_cast<std::uint8_t>(v);
  return TRGB{b, b, b};
}

TPaletteTable ReversedGrey() {
  TPaletteTable t;
  for (int i = 0; i < 256; ++i) {
    t[static_cast<std::size_t>(i)] = Grey(255 - i);
  }
  return t;
}

class PaletteCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetThermogramGlobals();
    pal = StartupPaletteSlots(false);
    dtv.FPalette = pal.FPalette;
    dtv.FIsoPalette = pal.FIsoPalette;
  }
  void TearDown() override { ResetThermogramGlobals(); }

  TPaletteSlots pal;
  TDTV dtv;
};

TEST_F(PaletteCommandsTest, StartupSlotsFollowTheSlotTable) {
  EXPECT_EQ(pal.FPalettes[0], BuiltinPalette(1));
  EXPECT_EQ(pal.FPalettes[1], BuiltinPalette(2));
  EXPECT_EQ(pal.FPalettes[7], BuiltinPalette(8));
  EXPECT_EQ(pal.FPalettes[8], GreyRamp());
  EXPECT_EQ(pal.FPalette, BuiltinPalette(1));
  EXPECT_EQ(pal.FIsoPalette, ReversedGrey());
  EXPECT_EQ(pal.IsoNumber, 3);
  EXPECT_TRUE(pal.isIsoInverted);

  const TPaletteSlots metro = StartupPaletteSlots(true);
  EXPECT_EQ(metro.FPalettes[1], BuiltinPalette(9));
  EXPECT_EQ(metro.FPalettes[5], BuiltinPalette(11));
  EXPECT_EQ(metro.FPalettes[7], BuiltinPalette(10));
  EXPECT_EQ(metro.FPalettes[2], BuiltinPalette(3));
}

TEST_F(PaletteCommandsTest, ChangeSelectsTheRoleShownAndChecksTheSlot) {
  pal.isPalInverted = true;
  pal.PosterizeStep = 8;
  EXPECT_EQ(PalChange(pal, dtv, 2), PaletteRole::Image);
  EXPECT_EQ(pal.PalNumber, 2);
  EXPECT_EQ(dtv.FPalette, BuiltinPalette(3));
  EXPECT_FALSE(pal.isPalInverted);
  EXPECT_EQ(pal.PosterizeStep, 1);

  // In the isotherm band only the isotherm palette and its number change.
  dtv.isIso = true;
  EXPECT_EQ(PalChange(pal, dtv, 5), PaletteRole::Isotherm);
  EXPECT_EQ(pal.IsoNumber, 5);
  EXPECT_EQ(pal.PalNumber, 2);
  EXPECT_EQ(dtv.FIsoPalette, BuiltinPalette(6));
  EXPECT_EQ(dtv.FPalette, BuiltinPalette(3));
  EXPECT_FALSE(pal.isIsoInverted);

  // A slot number from a file that names no slot changes nothing.
  const TPaletteTable before = dtv.FIsoPalette;
  EXPECT_EQ(PalChange(pal, dtv, 9), PaletteRole::None);
  EXPECT_EQ(PalChange(pal, dtv, -1), PaletteRole::None);
  EXPECT_EQ(dtv.FIsoPalette, before);
  EXPECT_EQ(pal.IsoNumber, 5);
  EXPECT_EQ(CheckedPaletteSlot(8), std::optional<std::uint8_t>(8));
  EXPECT_EQ(CheckedPaletteSlot(9), std::nullopt);
  EXPECT_EQ(CheckedPaletteSlot(-1), std::nullopt);
}

TEST_F(PaletteCommandsTest, ReverseAndComplementUndoThemselves) {
  const TPaletteSlots start = pal;
  for (const bool band : {false, true}) {
    dtv.isIso = band;
    PalInvert(pal, dtv);
    if (!band) {
      // Outside the band both palettes turn round.
      EXPECT_EQ(dtv.FPalette[0], BuiltinPalette(1)[255]);
      EXPECT_EQ(dtv.FIsoPalette, GreyRamp());
      EXPECT_TRUE(pal.isPalInverted);
    } else {
      EXPECT_EQ(dtv.FPalette, BuiltinPalette(1));
      EXPECT_EQ(dtv.FIsoPalette, GreyRamp());
    }
    EXPECT_FALSE(pal.isIsoInverted);
    PalInvert(pal, dtv);
    EXPECT_EQ(pal.FPalette, start.FPalette);
    EXPECT_EQ(pal.FIsoPalette, start.FIsoPalette);
    EXPECT_EQ(pal.isPalInverted, start.isPalInverted);
    EXPECT_EQ(pal.isIsoInverted, start.isIsoInverted);

    PalRotate(pal, dtv);
    if (!band) {
      // The complement sets the inverted flag (not the rotated one) and leaves the isotherm palette.
      EXPECT_EQ(dtv.FPalette[0], (TRGB{255, 255, 255}));
      EXPECT_EQ(dtv.FIsoPalette, start.FIsoPalette);
      EXPECT_TRUE(pal.isPalInverted);
      EXPECT_FALSE(pal.isPalRotated);
    } else {
      EXPECT_EQ(dtv.FIsoPalette[0], Grey(0));
      EXPECT_EQ(dtv.FPalette, start.FPalette);
      EXPECT_FALSE(pal.isIsoInverted);
    }
    PalRotate(pal, dtv);
    EXPECT_EQ(dtv.FPalette, start.FPalette);
    EXPECT_EQ(dtv.FIsoPalette, start.FIsoPalette);
    EXPECT_EQ(pal.isPalInverted, start.isPalInverted);
    EXPECT_EQ(pal.isIsoInverted, start.isIsoInverted);
  }
}

TEST_F(PaletteCommandsTest, PosterizeAveragesInGrowingGroups) {
  PalChange(pal, dtv, 8); // the grey ramp
  PalPosterize(pal, dtv);
  EXPECT_EQ(pal.PosterizeStep, 2);
  for (int k = 0; k <= 126; ++k) {
    ASSERT_EQ(dtv.FPalette[static_cast<std::size_t>(2 * k)], Grey(2 * k)) << k;
    ASSERT_EQ(dtv.FPalette[static_cast<std::size_t>(2 * k + 1)], Grey(2 * k)) << k;
  }
  EXPECT_EQ(dtv.FPalette[254], Grey(254));
  EXPECT_EQ(dtv.FPalette[255], Grey(255));

  for (int call = 2; call <= 6; ++call) {
    PalPosterize(pal, dtv);
  }
  EXPECT_EQ(pal.PosterizeStep, 64);
  // Four groups of 64 entries, each of one colour, and the groups differ.
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(dtv.FPalette[static_cast<std::size_t>(i)], dtv.FPalette[static_cast<std::size_t>(i / 64 * 64)])
        << i;
  }
  EXPECT_LT(dtv.FPalette[0].R, dtv.FPalette[64].R);
  EXPECT_LT(dtv.FPalette[128].R, dtv.FPalette[192].R);
  const TPaletteTable sixth = dtv.FPalette;
  PalPosterize(pal, dtv);
  EXPECT_EQ(dtv.FPalette, sixth);

  // After a palette change posterization starts again with groups of 2.
  PalChange(pal, dtv, 8);
  PalPosterize(pal, dtv);
  EXPECT_EQ(dtv.FPalette[1], Grey(0));
  EXPECT_EQ(dtv.FPalette[3], Grey(2));
}

TEST_F(PaletteCommandsTest, CyclingRotatesByOneEntryAndComesBack) {
  const TPaletteTable start = pal.FPalette;
  PalCycle(pal, dtv, true);
  EXPECT_EQ(dtv.FPalette[0], start[1]);
  EXPECT_EQ(dtv.FPalette[255], start[0]);
  PalCycle(pal, dtv, false);
  EXPECT_EQ(dtv.FPalette, start);
  PalCycle(pal, dtv, false);
  EXPECT_EQ(dtv.FPalette[0], start[255]);
  EXPECT_EQ(dtv.FPalette[1], start[0]);
  PalCycle(pal, dtv, true);
  for (int i = 0; i < 256; ++i) {
    PalCycle(pal, dtv, true);
  }
  EXPECT_EQ(dtv.FPalette, start);
}

TEST_F(PaletteCommandsTest, AdaptivePaletteGivesRareBinsManyEntries) {
  dtv.ResetHeader();
  dtv.FHeader.Width = 4;
  dtv.FHeader.Height = 2;
  dtv.FRaw = {0, 100, 8000, 8191, 5, 6, 7, 8}; // all in the lowest of 8 bins
  const QStringList log = AdaptivePalette(pal, dtv);
  ASSERT_EQ(log.size(), 8);
  EXPECT_EQ(log[0], QStringLiteral("0 his - 100.00 "));
  EXPECT_EQ(log[7], QStringLiteral("7 his - 0.00 "));
  // One ramp from black to magenta over all 256 entries.
  EXPECT_EQ(dtv.FPalette[0], (TRGB{0, 0, 0}));
  EXPECT_EQ(dtv.FPalette[128], (TRGB{128, 0, 128}));
  EXPECT_EQ(dtv.FPalette[255], (TRGB{255, 0, 255}));
  EXPECT_EQ(pal.FPalette, dtv.FPalette);

  // Half the pixels in bin 0, half in bin 7: runs of 128 entries for those two, one node colour each
  // for the empty bins between them, and the last run cut off at entry 255.
  dtv.FRaw = {0, 0, 0, 0, 65535, 65535, 65535, 65535};
  AdaptivePalette(pal, dtv);
  EXPECT_EQ(dtv.FPalette[64], (TRGB{128, 0, 128}));
  EXPECT_EQ(dtv.FPalette[128], (TRGB{255, 0, 255}));
  EXPECT_EQ(dtv.FPalette[129], (TRGB{0, 0, 0}));
  EXPECT_EQ(dtv.FPalette[130], (TRGB{255, 255, 0}));
  EXPECT_EQ(dtv.FPalette[132], (TRGB{0, 255, 255}));
  EXPECT_EQ(dtv.FPalette[134], (TRGB{255, 0, 255}));
  EXPECT_EQ(dtv.FPalette[255], (TRGB{12, 0, 12}));
}

TEST_F(PaletteCommandsTest, AdaptivePaletteLeavesAnEmptyFrameAlone) {
  dtv.FHeader.Width = 0;
  dtv.FHeader.Height = 0;
  dtv.FRaw.clear();
  const TPaletteTable before = dtv.FPalette;
  EXPECT_TRUE(AdaptivePalette(pal, dtv).isEmpty());
  EXPECT_EQ(dtv.FPalette, before);
}

TEST_F(PaletteCommandsTest, RampOverTheFirstEightyEntries) {
  PalChange(pal, dtv, 8); // grey: entry 0 is black, so the ramp starts white
  BuildPaletteRamp(pal, dtv);
  EXPECT_EQ(dtv.FPalette[0], Grey(255));
  EXPECT_EQ(dtv.FPalette[79], Grey(82));
  EXPECT_EQ(dtv.FPalette[80], Grey(80));
  EXPECT_EQ(dtv.FPalette[255], Grey(255));

  PalChange(pal, dtv, 8);
  PalRotate(pal, dtv); // entry 0 white, entry 80 = 175: a ramp from black
  BuildPaletteRamp(pal, dtv);
  EXPECT_EQ(dtv.FPalette[0], Grey(0));
  EXPECT_EQ(dtv.FPalette[40], Grey(87));
  EXPECT_EQ(dtv.FPalette[80], Grey(175));
}

TEST(PaletteViewsTest, VideoFrameFitAndSpacerColours) {
  const auto fit = FitVideoFrame(TRect{0, 0, 640, 540}, 640, 480);
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->Frame, (TRect{0, 30, 640, 510}));
  EXPECT_EQ(fit->Bar1, (TRect{0, 0, 640, 30}));
  EXPECT_EQ(fit->Bar2, (TRect{0, 510, 640, 540}));

  const auto wide = FitVideoFrame(TRect{10, 0, 810, 480}, 640, 480);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->Frame, (TRect{90, 0, 730, 480}));
  EXPECT_EQ(FitVideoFrame(TRect{0, 0, 640, 480}, 0, 480), std::nullopt);

  EXPECT_EQ(PalSpacerColor(0, 100, false), (TRGB{255, 224, 224}));
  EXPECT_EQ(PalSpacerColor(99, 100, false), (TRGB{224, 224, 255}));
  EXPECT_EQ(PalSpacerColor(50, 100, true), (TRGB{112, 96, 112}));

  TDTV t;
  EXPECT_TRUE(ToggleIsothermBand(t));
  EXPECT_FALSE(ToggleIsothermBand(t));
}

} // namespace
} // namespace calidarix
