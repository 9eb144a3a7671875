#include "acquisition/signal_model.h"

#include "acquisition/camera_state.h"
#include "thermogram/tdtv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace calidarix {
namespace {

class SignalModel : public ::testing::Test {
protected:
  void SetUp() override { ResetCameraState(); }
  void TearDown() override { ResetCameraState(); }

  TScanUnit &u = ScanUnit;
};

// A W x 1 thermogram holding `pixels`, with its signal range set.
void FillThermogram(TDTV &t, const std::vector<std::uint16_t> &pixels, std::uint16_t lo, std::uint16_t hi) {
  t.FHeader.Width = static_cast<std::uint16_t>(pixels.size());
  t.FHeader.Height = 1;
  t.FRaw = pixels;
  t.FRawMin = lo;
  t.FRawMax = hi;
}

TEST_F(SignalModel, DefaultCurveConvertsBothWaysBeforeAnyCameraData) {
  EXPECT_EQ(u.CurExpA, 6.0e7);
  EXPECT_EQ(u.CurExpB, 3000.0);
  EXPECT_EQ(u.CurSignal0, 1000.0);
  EXPECT_FLOAT_EQ(u.CameraTemperature, 20.0f);
  for (const double t : {-40.0, 0.0, 20.0, 100.0, 500.0}) {
    const double net = TemperatureToSignal(u, t);
    EXPECT_NEAR(SignalToTemperature(u, net), t, 1e-9) << t;
    // The raw signal of that temperature lies net above the offset.
    EXPECT_NEAR(NetSignal(u, false, net + 1000.0), net, 1e-6);
  }
  EXPECT_NEAR(TemperatureToSignal(u, 20.0), 2156.37993, 1e-4);
}

TEST_F(SignalModel, CurveGivesZeroWhereItHasNoAnswer) {
  struct Case {
    const char *what;
    double value;
  } cases[] = {
      {"A of 0", CurveSignalToTemperature(0.0, 3000.0, 100.0)},
      {"negative A", CurveSignalToTemperature(-5.0, 3000.0, 100.0)},
      {"net signal equal to A (ln 1)", CurveSignalToTemperature(500.0, 3000.0, 500.0)},
      {"temperature at absolute zero", CurveTemperatureToSignal(6e7, 3000.0, AbsoluteZero)},
      {"temperature below absolute zero", CurveTemperatureToSignal(6e7, 3000.0, -300.0)},
      {"negative A to signal", CurveTemperatureToSignal(-6e7, 3000.0, 20.0)},
      {"NaN temperature", CurveTemperatureToSignal(6e7, 3000.0, std::nan(""))},
  };
  for (const Case &c : cases)
    EXPECT_EQ(c.value, 0.0) << c.what;
  // Net signals at or below zero are taken as 1e-5, which still has a (very cold) answer.
  EXPECT_EQ(SignalToTemperature(u, 0.0), SignalToTemperature(u, kNetSignalFloor));
  EXPECT_EQ(SignalToTemperature(u, -50.0), SignalToTemperature(u, kNetSignalFloor));
  EXPECT_TRUE(std::isfinite(SignalToTemperature(u, 0.0)));
}

TEST_F(SignalModel, NetSignalFloorsAndPicksTheCurveAgainstTheSplitSignal) {
  EXPECT_EQ(NetSignal(u, false, 1000.0), kNetSignalFloor);
  EXPECT_EQ(NetSignal(u, false, 10.0), kNetSignalFloor);
  u.BlindCorrection = 25.0;
  EXPECT_EQ(NetSignal(u, true, 1100.0), 125.0);
  EXPECT_EQ(NetSignal(u, false, 1100.0), 100.0);

  u.TwoCurves = true;
  u.CurSignal0L = 400.0;
  u.BlindCorrectionMain = 1.0;
  u.BlindCorrectionLow = 2.0;
  u.Set[0] = 2500;
  EXPECT_EQ(NetSignal(u, true, 2500.0), 1501.0); // at the split: main curve
  EXPECT_EQ(NetSignal(u, true, 2499.0), 2101.0); // below: low curve
  u.CalibrationRange = 1;                        // the low curve belongs to range 0 only
  EXPECT_EQ(NetSignal(u, true, 2499.0), 1524.0);
}

TEST_F(SignalModel, LinearTableWidensCollapsedWindowsAndLeavesOtherEntries) {
  std::fill(u.SignalLut.begin(), u.SignalLut.end(), std::uint16_t{7});
  BuildLinearLut(u, 100, 100); // widened upwards
  EXPECT_EQ(u.SignalLut[100], 0);
  EXPECT_EQ(u.SignalLut[101], 65535);
  EXPECT_EQ(u.SignalLut[99], 7);
  EXPECT_EQ(u.SignalLut[102], 7);

  BuildLinearLut(u, 65535, 65535); // widened downwards at the top
  EXPECT_EQ(u.SignalLut[65534], 0);
  EXPECT_EQ(u.SignalLut[65535], 65535);

  BuildLinearLut(u, 2000, 6000);
  EXPECT_EQ(u.SignalLut[2000], 0);
  EXPECT_EQ(u.SignalLut[4000], 32768); // 32767.5, half to even
  EXPECT_EQ(u.SignalLut[6000], 65535);
  EXPECT_EQ(u.SignalLut[6001], 7);
  EXPECT_EQ(u.SignalLut.size(), 65536u);
}

TEST_F(SignalModel, TemperatureTableIsMonotonicAndStaysInsideItsEntries) {
  BuildTemperatureLut(u, 1500, 9000);
  EXPECT_EQ(u.SignalLut[0], 0);
  EXPECT_EQ(u.SignalLut[1500], 0);
  EXPECT_EQ(u.SignalLut[9000], 65535);
  EXPECT_EQ(u.SignalLut[65535], 65535);
  for (int s = 1500; s < 9000; ++s)
    ASSERT_LE(u.SignalLut[s], u.SignalLut[s + 1]) << s;
  // Linear in temperature: the middle temperature lands in the middle of the scale.
  const double tLo = TemperatureOfRawSignal(u, 1500);
  const double tHi = TemperatureOfRawSignal(u, 9000);
  const double net = TemperatureToSignal(u, (tLo + tHi) / 2);
  EXPECT_NEAR(u.SignalLut[static_cast<int>(std::lround(net + 1000.0))], 32768, 20);

  // Bounds outside the scale, reversed or collapsed at the top: the table keeps its 65536 entries
  // (an out-of-bounds write would be caught by the sanitizer build).
  for (const auto &[lo, hi] : std::vector<std::pair<int, int>>{{-500, 70000}, {9000, 1500}, {65535, 65535}}) {
    BuildTemperatureLut(u, lo, hi);
    EXPECT_EQ(u.SignalLut.size(), 65536u);
    EXPECT_EQ(u.SignalLut[65535], 65535) << lo << ".." << hi;
  }
}

TEST_F(SignalModel, RangeTwoFoldsTheWindowOntoTheOffset) {
  u.CalibrationRange = 2;
  u.CurSignal0 = 1100.0;
  u.BlindSignal = 0; // no drift correction
  struct Case {
    std::uint16_t rawMax;
    double expectedLo;
    double expectedHi;
  } cases[] = {{1150, 1100, 1175}, {1400, 1100, 1400}};
  for (const Case &c : cases) {
    TDTV t;
    FillThermogram(t, {1000, 1100, c.rawMax}, 1000, c.rawMax);
    LinearizeThermogram(u, t, true);
    const double tLo = TemperatureOfRawSignal(u, c.expectedLo);
    const double tHi = TemperatureOfRawSignal(u, c.expectedHi);
    EXPECT_FLOAT_EQ(t.FHeader.Offset, static_cast<float>(tLo)) << c.rawMax;
    EXPECT_NEAR(t.FHeader.Scale, (tHi - t.FHeader.Offset) / 65535.0, 1e-9) << c.rawMax;
    EXPECT_EQ(t.FRawMin, 0);
    EXPECT_EQ(t.FRawMax, 65535);
  }

  // A fold that would reach past the scale is kept inside it.
  u.CurSignal0 = 70000.0;
  TDTV t;
  FillThermogram(t, {100, 200, 65535}, 100, 200);
  LinearizeThermogram(u, t, true);
  EXPECT_EQ(u.SignalLut.size(), 65536u);
  EXPECT_TRUE(std::isfinite(t.FHeader.Offset));
  EXPECT_TRUE(std::isfinite(t.FHeader.Scale));
}

TEST_F(SignalModel, BlindNearEitherEndOfTheScaleSwitchesTheDriftCorrectionOff) {
  struct Case {
    std::uint16_t blind;
    bool corrected;
  } cases[] = {{3, false}, {4, false}, {5, true}, {3000, true}, {65530, true}, {65533, false}};
  for (const Case &c : cases) {
    ResetCameraState();
    u.BlindCorrection = 99.0;
    u.BlindSignal = c.blind;
    u.TermoDelta = 0.5f;
    TDTV t;
    FillThermogram(t, {1500, 2500}, 1500, 2500);
    LinearizeThermogram(u, t, true);
    if (!c.corrected) {
      EXPECT_EQ(u.BlindCorrection, 0.0) << c.blind;
      continue;
    }
    const double expected = TemperatureToSignal(u, 20.5); // body temperature plus TermoDelta
    EXPECT_DOUBLE_EQ(u.BlindExpectedSignal, expected) << c.blind;
    EXPECT_DOUBLE_EQ(u.BlindNetSignal, NetSignal(u, false, c.blind)) << c.blind;
    EXPECT_DOUBLE_EQ(u.BlindCorrection, expected - u.BlindNetSignal) << c.blind;
  }
}

TEST_F(SignalModel, CorrectedFrameBecomesLinearInTemperature) {
  u.BlindSignal = 0;
  TDTV t;
  FillThermogram(t, {1500, 3000, 9000}, 1500, 9000);
  LinearizeThermogram(u, t, true);
  EXPECT_EQ(t.FRaw[0], 0);
  EXPECT_EQ(t.FRaw[2], 65535);
  // Each remapped value read through the header's rule gives the pixel's temperature.
  const double shown = t.FRaw[1] * static_cast<double>(t.FHeader.Scale) + t.FHeader.Offset;
  EXPECT_NEAR(shown, TemperatureOfRawSignal(u, 3000), 0.01);

  // A curve whose temperature falls with the signal gives the fallback scale, not a negative one.
  u.CurExpB = -3000.0;
  FillThermogram(t, {1500, 3000, 9000}, 1500, 9000);
  LinearizeThermogram(u, t, true);
  EXPECT_EQ(t.FHeader.Scale, kFallbackScale);
}

TEST_F(SignalModel, RawDisplayShowsTheSignalItself) {
  u.BlindSignal = 3210;
  u.BlindCorrection = 12.0;
  u.BlindExpectedSignal = 5.0;
  TDTV t;
  FillThermogram(t, {2000, 4000, 6000}, 2000, 6000);
  LinearizeThermogram(u, t, false);
  EXPECT_EQ(t.FHeader.Offset, 2000.0f);
  EXPECT_FLOAT_EQ(t.FHeader.Scale, 4000.0f / 65535.0f);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{0, 32768, 65535}));
  EXPECT_EQ(t.FRawMin, 0);
  EXPECT_EQ(t.FRawMax, 65535);
  EXPECT_EQ(u.BlindCorrection, 0.0);
  EXPECT_EQ(u.BlindExpectedSignal, 0.0);
  EXPECT_EQ(u.BlindTemperature, 3210.0f);
}

TEST_F(SignalModel, RangeSelectionCopiesTheCurveOfEachCameraKind) {
  u.Exp_A = 1.0;
  u.Exp_B = 2.0;
  u.Signal0 = 3.0;
  u.Exp2_A = 11.0;
  u.Exp2_B = 12.0;
  u.Signal20 = 13.0;
  u.Exp3_A = 21.0;
  u.Exp3_B = 22.0;
  u.Signal30 = 23.0;
  u.Amplification = {100, 50, 200};

  u.CameraInterfaceType = CamIfLan;
  SelectCalibrationRange(u, 1);
  EXPECT_EQ(u.CalibrationRange, 1);
  EXPECT_EQ(u.CurExpA, 11.0);
  EXPECT_EQ(u.CurExpB, 12.0);
  EXPECT_EQ(u.CurSignal0, 13.0);
  EXPECT_EQ(u.CurAmplification, 50);

  // The level-and-range parallel-port camera counts its offsets in 1/256 steps around its zero and
  // keeps its amplification.
  u.CameraInterfaceType = CamIfLptLevel;
  u.VirtualZero = -2360;
  for (const auto &[range, offset] :
       std::vector<std::pair<int, double>>{{0, 3 * 256.0 + 2360}, {1, -13 * 256.0}, {2, 23 * 256.0 + 2360}}) {
    SelectCalibrationRange(u, static_cast<std::uint8_t>(range));
    EXPECT_EQ(u.CurSignal0, offset) << range;
    EXPECT_EQ(u.CurAmplification, 50) << range;
  }

  u.CameraInterfaceType = CamIfLan2Dual;
  u.Band1Coefficients = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  u.Band2Coefficients = {11, 12, 13, 14, 15, 16, 17, 18, 19};
  u.AmplificationBand1 = {31, 32, 33};
  u.AmplificationBand2 = {41, 42, 43};
  SelectCalibrationRange(u, 2);
  EXPECT_EQ(u.CurBand1ExpA, 5);
  EXPECT_EQ(u.CurBand1ExpB, 6);
  EXPECT_EQ(u.CurBand1Signal0, 9);
  EXPECT_EQ(u.CurBand2ExpA, 15);
  EXPECT_EQ(u.CurBand2ExpB, 16);
  EXPECT_EQ(u.CurBand2Signal0, 19);
  EXPECT_EQ(u.CurAmplificationBand1, 33);
  EXPECT_EQ(u.CurAmplificationBand2, 43);
  EXPECT_EQ(u.CurAmplification, 200);

  // 255 changes nothing; 3..254 only set the range number.
  const TScanUnit before = u;
  SelectCalibrationRange(u, 255);
  EXPECT_EQ(u.CalibrationRange, 2);
  SelectCalibrationRange(u, 7);
  EXPECT_EQ(u.CalibrationRange, 7);
  EXPECT_EQ(u.CurBand1ExpA, before.CurBand1ExpA);
  EXPECT_EQ(u.CurAmplification, before.CurAmplification);
}

TEST_F(SignalModel, PendingRequestsApplyOnceAndClear) {
  u.CameraInterfaceType = CamIfLan;
  u.Exp2_A = 11.0;
  ScanRequests.PendingSpeed.Set(0);
  ScanRequests.PendingRange.Set(1);
  ApplyPendingRequests(u, ScanRequests);
  EXPECT_EQ(u.Speed, 0);
  EXPECT_EQ(u.CalibrationRange, 1);
  EXPECT_EQ(u.CurExpA, 11.0);
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), kNoRequest);
  EXPECT_EQ(ScanRequests.PendingRange.Get(), kNoRequest);

  // With nothing pending nothing changes.
  u.CurExpA = 5.0;
  ApplyPendingRequests(u, ScanRequests);
  EXPECT_EQ(u.Speed, 0);
  EXPECT_EQ(u.CurExpA, 5.0);

  ScanRequests.PendingRange.Set(9);
  ApplyPendingRequests(u, ScanRequests);
  EXPECT_EQ(u.CalibrationRange, 9);
  EXPECT_EQ(ScanRequests.PendingRange.Get(), kNoRequest);
}

TEST_F(SignalModel, ParallelPortConverterValues) {
  u.KLevel = 16.0;
  // Span of 10..200 over 20..40 degrees, in either order.
  EXPECT_EQ(LptRangeForSpan(u, 10, 200, 20.0, 40.0), 24);
  EXPECT_EQ(LptRangeForSpan(u, 200, 10, 40.0, 20.0), 24);
  // Equal temperatures are one degree apart; a span too wide or too narrow is clamped to 3..255.
  EXPECT_EQ(LptRangeForSpan(u, 0, 255, 20.0, 20.0), 255);
  EXPECT_EQ(LptRangeForSpan(u, 10, 10, 20.0, 40.0), 3);
  EXPECT_EQ(LptLevelForTemperature(u, 40, 50, 100.0), 26);
  EXPECT_EQ(LptLevelForTemperature(u, 100, 50, 30.0), 0);
  EXPECT_EQ(LptRangeForTemperature(u, 20, 50, 100.0), 39);
  // A level factor of 0 or a curve without an answer gives a clamped value, not undefined behaviour.
  u.KLevel = 0.0;
  EXPECT_EQ(LptLevelForTemperature(u, 40, 50, 100.0), 255);
  u.CurExpA = 0.0;
  EXPECT_EQ(LptRangeForSpan(u, 10, 200, 20.0, 40.0), 255);
}

} // namespace
} // namespace calidarix
