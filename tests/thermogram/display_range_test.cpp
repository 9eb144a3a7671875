#include "thermogram/display_range.h"

#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace calidarix {
namespace {

class DisplayRangeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetThermogramGlobals();
    Make(dtv, 10.0f, 0.001f);
  }
  void TearDown() override { ResetThermogramGlobals(); }

  static void Make(TDTV &t, float offset, float scale) {
    t.ResetHeader();
    t.FHeader.Width = 2;
    t.FHeader.Height = 1;
    t.FHeader.Offset = offset;
    t.FHeader.Scale = scale;
    t.FRaw = {1000, 30000};
    t.UpdateStatistics();
  }

  TDTV dtv;
};

TEST_F(DisplayRangeTest, LockModeLocksTheTypedRangeAndLeavesTheFrame) {
  const SetTempRangeResult r = SetTempRange(dtv, false, 20.0, 35.0, RangeScanState{});
  ASSERT_TRUE(r.Result);
  EXPECT_TRUE(dtv.FRangeLocked);
  EXPECT_TRUE(r.LockPressed);
  EXPECT_DOUBLE_EQ(dtv.LockMin, 20.0);
  EXPECT_DOUBLE_EQ(dtv.LockMax, 35.0);
  EXPECT_EQ(dtv.FRaw, (std::vector<std::uint16_t>{1000, 30000}));
  EXPECT_FLOAT_EQ(dtv.FHeader.Scale, 0.001f);
  EXPECT_FALSE(r.StopAutoRange);
}

TEST_F(DisplayRangeTest, RescaleModeMakesTheRawRangeSpanTheTypedRange) {
  const SetTempRangeResult r = SetTempRange(dtv, true, 0.0, 100.0, RangeScanState{});
  ASSERT_TRUE(r.Result);
  EXPECT_NEAR(dtv.RawToTemperature(65535), 100.0, 1e-4);
  EXPECT_NEAR(dtv.RawToTemperature(0), 0.0, 1e-9);
  EXPECT_FALSE(dtv.FRangeLocked);
  EXPECT_FALSE(r.LockPressed);

  // While a scan runs the range is locked as well and the camera's own ranging stops; a parallel-port
  // camera's analogue settings follow the range around its middle.
  TDTV scanning;
  Make(scanning, 10.0f, 0.001f);
  const SetTempRangeResult s = SetTempRange(scanning, true, 20.0, 40.0, RangeScanState{true, 8});
  ASSERT_TRUE(s.Result);
  EXPECT_TRUE(scanning.FRangeLocked);
  EXPECT_DOUBLE_EQ(scanning.LockMin, 20.0);
  EXPECT_DOUBLE_EQ(scanning.LockMax, 40.0);
  EXPECT_TRUE(s.StopAutoRange);
  EXPECT_TRUE(s.CameraRangeFollows);
  EXPECT_DOUBLE_EQ(s.Middle, 30.0);
  EXPECT_FALSE(SetTempRange(scanning, false, 20.0, 40.0, RangeScanState{true, 32}).CameraRangeFollows);
}

TEST_F(DisplayRangeTest, RangesAreHeldToTheThermogramRulesInBothModes) {
  struct Case {
    const char *what;
    double lo;
    double hi;
    bool applied;
    double low;
    double high;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Case> cases = {
      {"equal bounds widen by one degree", 25.0, 25.0, true, 25.0, 26.0},
      {"below absolute zero is clamped", -300.0, 10.0, true, -273.15, 10.0},
      {"both below absolute zero", -400.0, -300.0, true, -301.0, -300.0},
      {"reversed range is refused", 40.0, 20.0, false, 0, 0},
      {"not a number is refused", nan, 20.0, false, 0, 0},
  };
  for (const bool rescale : {false, true}) {
    for (const Case &c : cases) {
      TDTV t;
      Make(t, 10.0f, 0.001f);
      const SetTempRangeResult r = SetTempRange(t, rescale, c.lo, c.hi, RangeScanState{});
      EXPECT_EQ(static_cast<bool>(r.Result), c.applied) << c.what << " rescale " << rescale;
      if (!c.applied) {
        EXPECT_FALSE(r.Result.message.isEmpty());
        EXPECT_FALSE(t.FRangeLocked) << c.what;
        EXPECT_FLOAT_EQ(t.FHeader.Offset, 10.0f) << c.what;
        EXPECT_FLOAT_EQ(t.FHeader.Scale, 0.001f) << c.what;
      } else if (rescale) {
        EXPECT_GT(t.FHeader.Scale, 0.0f) << c.what;
        EXPECT_NEAR(t.RawToTemperature(0), c.low, 1e-3) << c.what;
        EXPECT_NEAR(t.RawToTemperature(65535), c.high, 1e-3) << c.what;
      } else {
        EXPECT_DOUBLE_EQ(t.LockMin, c.low) << c.what;
        EXPECT_DOUBLE_EQ(t.LockMax, c.high) << c.what;
      }
    }
  }
}

TEST(RangeEntryTest, TypedValuesAreTakenInFullAndLabelsShowFiveCharacters) {
  struct Case {
    const char *text;
    double value;
    const char *label;
    bool typed;
  };
  const std::vector<Case> cases = {
      {"35", 35.0, "35", true},          {"123.456", 123.456, "123.5", true},
      {"1234.5", 1234.5, "1234", true},  {"100000", 100000.0, "100000", true}, // never cut
      {"-12.75", -12.75, "-12.8", true}, {"abc", 42.5, "42.50", false},
      {"-", 42.5, "42.50", false},       {"", 42.5, "42.50", false},
      {"1-2", 42.5, "42.50", false},
  };
  for (const Case &c : cases) {
    const TypedRangeValue v = ParseTypedRangeValue(QString::fromLatin1(c.text), 42.5);
    EXPECT_DOUBLE_EQ(v.Value, c.value) << c.text;
    EXPECT_EQ(v.LabelText, QString::fromLatin1(c.label)) << c.text;
    EXPECT_EQ(v.Typed, c.typed) << c.text;
  }
  EXPECT_EQ(RangeLabelText(35.0), QStringLiteral("35.00"));
  EXPECT_EQ(RangeLabelText(123.456), QStringLiteral("123.5"));
  EXPECT_EQ(RangeLabelText(1234.56), QStringLiteral("1235"));

  for (const char c : std::string("0123456789-.")) {
    EXPECT_TRUE(FloatEditAccepts(QLatin1Char(c))) << c;
  }
  EXPECT_TRUE(FloatEditAccepts(QChar(8)));
  for (const char c : std::string("e,+ a")) {
    EXPECT_FALSE(FloatEditAccepts(QLatin1Char(c))) << c;
  }
}

TEST_F(DisplayRangeTest, EditsOpenWithTheLockedOrTheFrameRange) {
  // Frame extremes: raw 1000 and 30000 at Scale 0.001 and Offset 10.
  EXPECT_EQ(RangeEditTextsFor(dtv).Max, QStringLiteral("40.00"));
  EXPECT_EQ(RangeEditTextsFor(dtv).Min, QStringLiteral("11.00"));
  dtv.FRangeLocked = true;
  dtv.LockMin = -5.5;
  dtv.LockMax = 120.25;
  EXPECT_EQ(RangeEditTextsFor(dtv).Max, QStringLiteral("120.2"));
  EXPECT_EQ(RangeEditTextsFor(dtv).Min, QStringLiteral("-5.50"));
  EXPECT_EQ(RescaleEditTexts(dtv).Max, QStringLiteral("75.54"));
  EXPECT_EQ(RescaleEditTexts(dtv).Min, QStringLiteral("10.00"));
}

TEST_F(DisplayRangeTest, LockButtonReleasesAndFreezesTheRangeShown) {
  dtv.FRangeLocked = true;
  dtv.FFilmRangeLock = true;
  dtv.LockMin = 20.0;
  dtv.LockMax = 30.0;
  const LockResult released = LockSBClick(dtv, nullptr, nullptr, LockContext{});
  EXPECT_FALSE(dtv.FRangeLocked);
  EXPECT_FALSE(dtv.FFilmRangeLock);
  EXPECT_TRUE(released.Redraw);
  EXPECT_FALSE(released.AutoRange.has_value());

  const LockResult locked = LockSBClick(dtv, nullptr, nullptr, LockContext{false, true, true, 32});
  EXPECT_TRUE(dtv.FRangeLocked);
  EXPECT_NEAR(dtv.LockMin, 10.0, 1e-6);
  EXPECT_NEAR(dtv.LockMax, 75.535, 1e-4);
  EXPECT_FALSE(locked.Redraw);
  EXPECT_EQ(locked.AutoRange, std::optional<bool>(false));

  // While a film is recorded the button stays pressed and nothing changes.
  const LockResult recording = LockSBClick(dtv, nullptr, nullptr, LockContext{true, true, true, 32});
  EXPECT_TRUE(recording.KeepPressed);
  EXPECT_TRUE(dtv.FRangeLocked);

  // A thermogram without a temperature span still gets a range the renderer can divide by.
  TDTV flat;
  Make(flat, 25.0f, 0.0f);
  ASSERT_TRUE(LockSBClick(flat, nullptr, nullptr, LockContext{}).Result);
  EXPECT_DOUBLE_EQ(flat.LockMin, 25.0);
  EXPECT_DOUBLE_EQ(flat.LockMax, 26.0);

  TDTV broken;
  Make(broken, std::numeric_limits<float>::quiet_NaN(), 0.001f);
  EXPECT_FALSE(LockSBClick(broken, nullptr, nullptr, LockContext{}).Result);
  EXPECT_FALSE(broken.FRangeLocked);
}

TEST_F(DisplayRangeTest, TwoBandCamerasLockBothBandsToTheWidestRange) {
  TDTV band35;
  TDTV band812;
  Make(band35, 10.0f, 40.0f / 65535.0f);  // 10 .. 50
  Make(band812, 15.0f, 45.0f / 65535.0f); // 15 .. 60
  const LockContext scanning{false, true, true, 257};
  const LockResult locked = LockSBClick(dtv, &band35, &band812, scanning);
  for (const TDTV *band : {&band35, &band812}) {
    EXPECT_TRUE(band->FRangeLocked);
    EXPECT_NEAR(band->LockMin, 10.0, 1e-4);
    EXPECT_NEAR(band->LockMax, 60.0, 1e-4);
  }
  EXPECT_FALSE(dtv.FRangeLocked);
  // The scan's automatic range goes off with the bands' lock and comes back with its release.
  EXPECT_EQ(locked.AutoRange, std::optional<bool>(false));
  EXPECT_EQ(LockSBClick(dtv, &band35, &band812, scanning).AutoRange, std::optional<bool>(true));
  LockSBClick(dtv, &band35, &band812, scanning);

  // Without the band thermograms the current thermogram is locked instead.
  LockSBClick(dtv, &band35, nullptr, scanning);
  EXPECT_TRUE(dtv.FRangeLocked);
}

TEST(CropTest, ZoomsToTheAreaOrFitsTheFrame) {
  TImageView view;
  view.Width = 320;
  view.Height = 240;
  view.Aspect = 256.0 / 216.0;
  view.PixelAspect = 320.0 / 240.0 / view.Aspect;
  const TRect box{0, 0, 640, 480};
  ASSERT_TRUE(CropView(view, TRect{10, 10, 50, 40}, box));
  EXPECT_NEAR(view.Zoom, 480.0 / 30.0 / 1.125, 1e-9);

  TImageView fitted = view;
  bool zoomFitted = false;
  ASSERT_TRUE(FitImageLayout(fitted, box, true, zoomFitted));
  ASSERT_TRUE(CropView(view, TRect{}, box));
  EXPECT_DOUBLE_EQ(view.Zoom, fitted.Zoom);
  EXPECT_DOUBLE_EQ(view.ViewOffsetX, fitted.ViewOffsetX);
}

} // namespace
} // namespace calidarix
