// The control form's headless side: the stitching settings table, the live state texts and the manual
// drive of the arrow keys.

#include "head/head_control.h"
#include "head/head_link.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(StitchingSettings, StartValuesAndTheirTexts) {
  TQorCtrlSettings s;
  EXPECT_EQ(SettingsCaption(13), "CamPos Top Limit");
  EXPECT_EQ(SettingsRawText(s, 13), "90"); // the top limit row edits the rectangle's Bottom
  EXPECT_EQ(SettingsRawText(s, 14), "-90");
  EXPECT_EQ(SettingsShownText(s, 15), QString::fromUtf8("-180 \u00B0"));
  EXPECT_EQ(SettingsShownText(s, 17), "0 pxl");
  EXPECT_EQ(SettingsShownText(s, 22), "false");
  s.FTilt = 2250;
  EXPECT_EQ(SettingsShownText(s, 0), QString::fromUtf8("   12.50 \u00B0"));
  s.FHorizonCorrection = 3000;
  EXPECT_EQ(SettingsShownText(s, 12), QString::fromUtf8("     --- \u00B0")); // no ratio: nothing to divide by
  s.FRatioVer = 4049117;
  s.FRatioVerTurns = 4;
  EXPECT_EQ(SettingsShownText(s, 12), QString::fromUtf8("    1.07 \u00B0"));
  s.FHorizonCorrection = 600000; // the product passes 32 bits' worth of clicks x turns only in 64 bits
  s.FRatioVerTurns = 4000;
  EXPECT_EQ(SettingsShownText(s, 12), QString::fromUtf8("213379.86 \u00B0"));
}

TEST(StitchingSettings, TypedValuesAreCheckedAndStored) {
  TQorCtrlSettings s;
  struct Case {
    int row;
    const char *text;
    bool stored;
    QString raw; // column 2 afterwards
  } cases[] = {
      {17, "-25", true, "25"},       // frame cuts keep the absolute value
      {0, "-32768", true, "-32768"}, // Tilt is 16-bit signed
      {0, "40000", false, "-32768"}, // out of range: the field keeps its value
      {4, "-1", false, "0"},         // HorArc is 16-bit unsigned
      {5, "65535", true, "65535"},   {12, "-3000", true, "-3000"}, {13, "85", true, "85"},
      {16, "", false, "180"},        {16, "1x", false, "180"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    const QString problem = StoreSettingsText(s, c.row, c.text);
    EXPECT_EQ(problem.isEmpty(), c.stored) << problem.toStdString();
    if (!c.stored) {
      EXPECT_TRUE(problem.startsWith(SettingsCaption(c.row)));
    }
    EXPECT_EQ(SettingsRawText(s, c.row), c.raw);
  }
  EXPECT_EQ(s.FCamPosLimits.Bottom, 85);
  // True/false rows take no typing; they flip.
  EXPECT_TRUE(StoreSettingsText(s, 22, "1").isEmpty());
  EXPECT_FALSE(s.FLeftToRight);
  ToggleSettingsRow(s, 22);
  EXPECT_TRUE(s.FLeftToRight);
  EXPECT_TRUE(IsBooleanSettingsRow(22));
  EXPECT_FALSE(IsBooleanSettingsRow(12));
  EXPECT_EQ(SteppedSettingsText("15", -10), "5");
  EXPECT_EQ(NegatedSettingsText("15"), "-15");
  EXPECT_EQ(NegatedSettingsText("x"), "x");
}

TEST(ManualDrive, PushToTrackFollowsTheKeysHeld) {
  struct Case {
    ManualKeys keys;
    ManualBars bars;
  } cases[] = {
      {{.right = true, .shift = true}, {28, 0}},
      {{.left = true, .shift = true}, {-16, 0}},
      {{.left = true}, {-127, 0}},
      {{.left = true, .right = true}, {127, 0}}, // Right wins over Left
      {{.up = true, .down = true}, {0, 127}},    // Up wins over Down
      {{.down = true, .shift = true}, {0, -16}},
      {{.up = true, .shift = true}, {0, 16}},
      {{}, {0, 0}}, // released: stop
  };
  for (const Case &c : cases)
    EXPECT_EQ(NextManualBars(c.keys, true, {55, -55}), c.bars);
}

TEST(ManualDrive, WithoutPushToTrackEachPressSteps) {
  ManualBars bars;
  for (int i = 0; i < 9; ++i)
    bars = NextManualBars({.right = true}, false, bars);
  EXPECT_EQ(bars, (ManualBars{127, 0}));            // 16 a press, held at 127
  EXPECT_EQ(NextManualBars({}, false, bars), bars); // releasing changes nothing
  bars = NextManualBars({.down = true, .shift = true}, false, bars);
  EXPECT_EQ(bars, (ManualBars{127, -1}));
  EXPECT_EQ(NextManualBars({.backspace = true}, false, bars), (ManualBars{0, 0}));
  EXPECT_EQ(ManualSpeedsWord({28, -16}), 0x1C90);
  EXPECT_EQ(ManualSpeedsWord({-127, 127}), 0xFF7F);
}

TEST(QorStatusTexts, AnglesCountersAndRates) {
  tQor head;
  head.FHorCounter = 4049252 / 4; // with 4049252 clicks per 4 turns: one full turn
  head.FVerCounter = -256;
  head.FRatioHorClicks = 4049252;
  head.FRatioHorRevs = 4;
  head.FRatioVerClicks = 4049117;
  head.FRatioVerRevs = 4;
  head.FHorSpeed = 0x90;
  head.FVerSpeed = 16;
  head.FSpeedBytes = {10, 0};
  const QorStatusTexts t = FormatQorStatus(head);
  EXPECT_TRUE(t.bar1.startsWith(QString::fromUtf8("Az:360.00 \u00B0(64800 trplclk/min)  El:-0.09 \u00B0")))
      << t.bar1.toStdString();
  EXPECT_EQ(t.bar2, "H:8F72D9=>1012313=>3954  V:7FFF80=>-256=>-1");
  EXPECT_TRUE(
      t.bar3.startsWith(QString::fromUtf8("Sh:144 rate (0.18 \u00B0/sec)  Sv:16 rate (0.00 \u00B0/sec)")))
      << t.bar3.toStdString();

  // A network head never had its ratios read: no division by zero, a mark instead.
  head.FRatioHorClicks = 0;
  head.FRatioVerRevs = 0;
  const QorStatusTexts unknown = FormatQorStatus(head);
  EXPECT_TRUE(unknown.bar1.startsWith("Az:---")) << unknown.bar1.toStdString();
  EXPECT_TRUE(unknown.bar1.contains("El:---"));
  EXPECT_TRUE(unknown.bar3.contains("(---"));
  EXPECT_EQ(QorStatusItemNames().size(), 18);
}

} // namespace
} // namespace calidarix
