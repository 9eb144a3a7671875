#include "acquisition/frame_arrival.h"
#include "acquisition/signal_model.h"
#include "thermogram/tdtv.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TCameraFrame Frame(std::int32_t width, std::int32_t height) {
  TCameraFrame f;
  f.Width = width;
  f.Height = height;
  for (std::int32_t i = 0; i < width * height; ++i)
    f.Pixels.push_back(static_cast<std::uint16_t>(i));
  f.FrameMinBand1 = 1;
  f.FrameMaxBand1 = 2;
  f.FrameMinBand2 = 3;
  f.FrameMaxBand2 = 4;
  return f;
}

TEST(FrameArrival, DualBandFrameSplitsIntoTwoHalfWidthThermograms) {
  TDTV b35;
  TDTV b812;
  SplitDualBandFrame(Frame(640, 3), b35, b812);
  EXPECT_EQ(b35.Width(), 320);
  EXPECT_EQ(b812.Height(), 3);
  EXPECT_EQ(b35.FRaw[0], 0);
  EXPECT_EQ(b35.FRaw[319], 319);
  EXPECT_EQ(b812.FRaw[0], 320);
  EXPECT_EQ(b35.FRaw[320], 640); // row 1 starts at the frame's row 1
  EXPECT_EQ(b812.FRaw.back(), 3 * 640 - 1);
  EXPECT_EQ(b35.FRawMax, 2);
  EXPECT_EQ(b812.FRawMin, 3);

  // An odd width: each band takes half of it rounded down, the last column belongs to neither.
  SplitDualBandFrame(Frame(7, 2), b35, b812);
  EXPECT_EQ(b35.Width(), 3);
  EXPECT_EQ(b35.FRaw, (std::vector<std::uint16_t>{0, 1, 2, 7, 8, 9}));
  EXPECT_EQ(b812.FRaw, (std::vector<std::uint16_t>{3, 4, 5, 10, 11, 12}));
}

TEST(FrameArrival, LowEndOfTheAutomaticRange) {
  TScanUnit unit;
  unit.CurExpA = 6.0e7;
  unit.CurExpB = 3000.0;
  unit.CurSignal0 = 1000.0;
  TDTV dtv;
  const auto lowestSignal = [&](double t) {
    return static_cast<std::uint16_t>(TemperatureToSignal(unit, t) + unit.CurSignal0);
  };
  // A raw minimum of 1000 is the offset itself: far colder than -60 degrees.
  dtv.FRawMin = 1000;
  ApplyAutoRangeLowEnd(unit, dtv, unit.CurSignal0, 0.0, true, true, AutoRangeLowest(unit));
  EXPECT_EQ(dtv.FRawMin, lowestSignal(-60.0));
  // In the third range the low end follows the camera.
  unit.CalibrationRange = 2;
  unit.CameraTemperature = 31.0f;
  dtv.FRawMin = 1000;
  ApplyAutoRangeLowEnd(unit, dtv, unit.CurSignal0, 0.0, true, true, AutoRangeLowest(unit));
  EXPECT_EQ(dtv.FRawMin, lowestSignal(31.0));
  // Without the automatic range or the drift correction nothing is raised.
  for (auto [autoRange, correction] : {std::pair{false, true}, std::pair{true, false}}) {
    dtv.FRawMin = 1000;
    ApplyAutoRangeLowEnd(unit, dtv, unit.CurSignal0, 0.0, autoRange, correction, AutoRangeLowest(unit));
    EXPECT_EQ(dtv.FRawMin, 1000);
  }
}

TEST(FrameArrival, RowGeometryBySpeedAndCamera) {
  using K = TRowGeometry::Kind;
  struct Case {
    std::uint8_t speed;
    std::int32_t type;
    std::int32_t sectors;
    bool timing;
    K kind;
    bool both;
  };
  const Case cases[] = {
      {0, 64, 15, false, K::None, false},         {1, 64, 15, false, K::DoubleHeight, true},
      {3, 64, 15, false, K::DoubleHeight, true},  {0, 257, 4, false, K::TripleHeight, true},
      {2, 257, 15, false, K::None, false},        {0, 256, 4, false, K::TripleHeight, false},
      {1, 512, 4, false, K::TripleHeight, false}, {0, 256, 15, false, K::None, false},
      {1, 256, 15, true, K::DoubleHeight, false}, {2, 32, 15, false, K::DoubleHeight, false},
      {2, 32, 15, true, K::None, false},
  };
  for (const Case &c : cases) {
    const TRowGeometry g = RowGeometryFor(c.speed, c.type, c.sectors, c.timing);
    EXPECT_EQ(g.What, c.kind) << int(c.speed) << " " << c.type << " " << c.sectors;
    EXPECT_EQ(g.BothBands, c.both) << int(c.speed) << " " << c.type;
  }
}

TEST(FrameArrival, OverlayTextsOfTheLiveImage) {
  TOverlayInput in;
  EXPECT_TRUE(LiveOverlayTexts(in).empty());
  in.AutoRange = false;
  in.Summing = true;
  in.SumDone = 3;
  in.SumCount = 8;
  in.CalibrationRange = 1;
  in.Speed = 0;
  in.LaserOn = true;
  in.DualBand = true;
  in.CalibrationBand = 1;
  QStringList texts;
  for (const TOverlayText &t : LiveOverlayTexts(in))
    texts << t.Text;
  EXPECT_EQ(texts, (QStringList{"AUTO OFF", "SUMM 3/8", "BAND 2", "SPEED 0", "LASER ON", "8-12 micron"}));
  EXPECT_EQ(LiveOverlayTexts(in)[3].X, -295);

  EXPECT_EQ(BlindLabelText(true, 23.456f, 0, 0), "23.46");
  EXPECT_EQ(BlindLabelText(false, 0.0f, 2980, 3001), "2980 / 3001");
}

TEST(FrameArrival, TelemetryAndTemperatureStamp) {
  TDTV dtv;
  TakeFrame(dtv, Frame(24, 14));
  WriteTelemetryRow(dtv, {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(std::vector<std::uint16_t>(dtv.FRaw.begin(), dtv.FRaw.begin() + 10),
            (std::vector<std::uint16_t>{0, 65535, 1, 2, 3, 4, 5, 6, 7, 9}));
  dtv.FHeader.Scale = 0.5f;
  dtv.FHeader.Offset = 10.0f;
  StampCameraTemperature(dtv, 30.0);
  EXPECT_EQ(dtv.FRaw[4 * 24 + 4], 40);
  EXPECT_EQ(dtv.FRaw[11 * 24 + 19], 40);
  EXPECT_EQ(dtv.FRaw[12 * 24 + 19], 12 * 24 + 19);
  EXPECT_EQ(dtv.FRaw[4 * 24 + 20], 4 * 24 + 20);
}

} // namespace
} // namespace calidarix
