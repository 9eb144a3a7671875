#include "acquisition/calibration_fit.h"

#include "acquisition/camera_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace calidarix {
namespace {

class CalibrationFit : public ::testing::Test {
protected:
  void SetUp() override {
    ResetCameraState();
    ResetCalibrationCurve();
  }
  void TearDown() override {
    ResetCameraState();
    ResetCalibrationCurve();
  }

  // A table of (net signal, temperature) points.
  static TCalibrationTable Table(const std::vector<std::pair<double, double>> &points) {
    TCalibrationTable t;
    t.Resize(static_cast<std::int32_t>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
      t.FCalibrPoints[i + 1].NetSignal = points[i].first;
      t.FCalibrPoints[i + 1].Temperature = points[i].second;
    }
    return t;
  }

  double refPoint = -100.0;
};

TEST_F(CalibrationFit, WorkedExamples) {
  TCalibrationTable three = Table({{1000, 20}, {4000, 100}, {9000, 150}});
  ASSERT_TRUE(UpDateCoef(three, false, refPoint));
  EXPECT_NEAR(CalibrExpB, 2228.2287, 5e-5);
  EXPECT_NEAR(CalibrExpA, 1770272.8, 0.05);

  TCalibrationTable two = Table({{1000, 20}, {4000, 100}});
  ASSERT_TRUE(UpDateCoef(two, false, refPoint));
  EXPECT_NEAR(CalibrExpB, 1895.5655, 5e-5);
  EXPECT_NEAR(CalibrExpA, 643033.39, 0.005);
  // Two points lie on their own curve exactly.
  EXPECT_NEAR(CalibrSignalToTemperature(1000), 20.0, 1e-9);
  EXPECT_NEAR(CalibrSignalToTemperature(4000), 100.0, 1e-9);
  EXPECT_NEAR(CalibrTemperatureToSignal(100.0), 4000.0, 1e-6);
}

TEST_F(CalibrationFit, TablesThatCannotBeFittedLeaveTheCurve) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char *what;
    std::vector<std::pair<double, double>> points;
  } cases[] = {
      {"no point", {}},
      {"one point", {{1000, 20}}},
      {"net signal below 1", {{0.5, 20}, {4000, 100}}},
      {"second net signal below 1", {{1000, 20}, {0.9, 100}}},
      {"temperature at absolute zero", {{1000, AbsoluteZero}, {4000, 100}}},
      {"temperature below absolute zero", {{1000, -300}, {4000, 100}}},
      {"neighbours at one temperature", {{1000, 20}, {4000, 20}}},
      {"NaN temperature", {{1000, nan}, {4000, 100}}},
      {"NaN net signal", {{1000, 20}, {nan, 100}}},
  };
  for (const Case &c : cases) {
    CalibrExpA = 123.0;
    CalibrExpB = 456.0;
    TCalibrationTable t = Table(c.points);
    EXPECT_FALSE(UpDateCoef(t, false, refPoint)) << c.what;
    EXPECT_EQ(CalibrExpA, 123.0) << c.what;
    EXPECT_EQ(CalibrExpB, 456.0) << c.what;
  }
}

TEST_F(CalibrationFit, ReferencePointJoinsTheFitBelowTheFirstPoint) {
  TCalibrationTable t = Table({{1000, 20}, {4000, 100}});
  refPoint = -100.0;
  ASSERT_TRUE(UpDateCoef(t, true, refPoint));
  EXPECT_EQ(refPoint, -100.0);
  EXPECT_EQ(t.FCalibrPoints[0].NetSignal, 1.0);
  EXPECT_EQ(t.FCalibrPoints[0].Temperature, -100.0);
  EXPECT_EQ(t.FCalibrPoints[0].RawSignal, 1);
  EXPECT_EQ(t.FCalibrPoints[0].BodyTemperature, 20.0);
  // Two pairs and three points: B is the mean of both slopes.
  const double z = AbsoluteZero;
  const double b01 = std::log(1.0 / 1000) / (1 / (20 - z) - 1 / (-100 - z));
  const double b12 = std::log(1000.0 / 4000) / (1 / (100 - z) - 1 / (20 - z));
  EXPECT_NEAR(CalibrExpB, (b01 + b12) / 2, 1e-9);

  // A reference at or above the first point moves below it at once, in whole degrees (whether or not
  // the steep curve next to it can be fitted).
  struct Case {
    double stored;
    double firstPoint;
    double moved;
  } cases[] = {{30.0, 25.0, 24.0}, {25.0, 25.0, 24.0}, {24.96, 25.0, 24.0}, {1000.0, 25.5, 25.0}};
  for (const Case &c : cases) {
    TCalibrationTable u = Table({{1000, c.firstPoint}, {4000, 100}});
    refPoint = c.stored;
    UpDateCoef(u, true, refPoint);
    EXPECT_DOUBLE_EQ(refPoint, c.moved) << c.stored;
    EXPECT_DOUBLE_EQ(u.FCalibrPoints[0].Temperature, c.moved) << c.stored;
    // A second fit leaves it where it is.
    UpDateCoef(u, true, refPoint);
    EXPECT_DOUBLE_EQ(refPoint, c.moved);
  }
}

TEST_F(CalibrationFit, PointsInsertClearedAndDelete) {
  TCalibrationTable t = Table({{1000, 20}, {4000, 100}});
  t.FCalibrPoints[2].RawSignal = 44;
  ASSERT_TRUE(t.InsertCalibr(2));
  EXPECT_EQ(t.FPointCount, 3);
  EXPECT_EQ(t.FCalibrPoints.size(), 4u);
  EXPECT_EQ(t.FCalibrPoints[2].NetSignal, 0.0);
  EXPECT_EQ(t.FCalibrPoints[2].Temperature, 0.0);
  EXPECT_EQ(t.FCalibrPoints[2].RawSignal, 0);
  EXPECT_EQ(t.FCalibrPoints[2].BodyTemperature, 0.0);
  EXPECT_EQ(t.FCalibrPoints[3].RawSignal, 44);
  EXPECT_TRUE(t.InsertCalibr(4)); // after the last
  EXPECT_FALSE(t.InsertCalibr(0));
  EXPECT_FALSE(t.InsertCalibr(6));

  ASSERT_TRUE(t.DeleteCalibr(1));
  EXPECT_EQ(t.FPointCount, 3);
  EXPECT_EQ(t.FCalibrPoints[2].RawSignal, 44);
  EXPECT_FALSE(t.DeleteCalibr(4));
  EXPECT_FALSE(t.DeleteCalibr(0));
  TCalibrationTable empty;
  EXPECT_FALSE(empty.DeleteCalibr(1));

  TCalibrationTable full;
  full.Resize(kMaxCalibrationPoints + 10);
  EXPECT_EQ(full.FPointCount, kMaxCalibrationPoints);
  EXPECT_FALSE(full.InsertCalibr(1));
}

TEST_F(CalibrationFit, EmissivityAndAmbientCorrectionOfOneTemperature) {
  struct Case {
    bool toApparent;
    double t;
    double ambient;
    double emissivity;
    double expected;
  } cases[] = {
      {true, 100.0, 25.0, 0.5, 68.6},
      {false, 100.0, 25.0, 0.5, 146.0},
      {true, 100.0, 25.0, 1.0, 100.0},
      {false, -20.0, 25.0, 1.0, -20.0},
      {true, 100.0, 120.0, 0.5, *CorrectPointTemperature(true, 100.0, 80.0, 0.5)}, // ambient taken as 80
      {true, 100.0, -90.0, 0.5, *CorrectPointTemperature(true, 100.0, -50.0, 0.5)},
      {true, 100.0, 25.0, 0.0, *CorrectPointTemperature(true, 100.0, 25.0, 0.01)}, // emissivity taken as 0.01
      {true, 100.0, 25.0, 3.0, 100.0},
  };
  for (const Case &c : cases) {
    const std::optional<double> r = CorrectPointTemperature(c.toApparent, c.t, c.ambient, c.emissivity);
    ASSERT_TRUE(r);
    EXPECT_NEAR(*r, c.expected, 0.05) << c.t << " " << c.ambient << " " << c.emissivity;
  }
  // The way back from a point colder than its surroundings has no answer (it used to come out as
  // 79.4 degrees from the magnitude of a negative radiance).
  EXPECT_FALSE(CorrectPointTemperature(false, 0.0, 25.0, 0.1));
  EXPECT_FALSE(CorrectPointTemperature(true, -300.0, 25.0, 0.5));
  EXPECT_FALSE(CorrectPointTemperature(true, std::nan(""), 25.0, 0.5));
  // Towards the apparent temperature a cold point is fine.
  EXPECT_TRUE(CorrectPointTemperature(true, 0.0, 25.0, 0.1));
}

TEST_F(CalibrationFit, EmissivityCommandChangesAllPointsOrNone) {
  TCalibrationTable t = Table({{1000, 100}, {2000, 200}});
  EXPECT_FALSE(ApplyEmissivity(t, true, 25.0, 0.5));
  EXPECT_NEAR(t.FCalibrPoints[1].Temperature, 68.6, 0.05);

  TCalibrationTable mixed = Table({{1000, 100}, {2000, 0}});
  const std::optional<QString> error = ApplyEmissivity(mixed, false, 25.0, 0.1);
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->contains(QStringLiteral("Point 2")));
  EXPECT_EQ(mixed.FCalibrPoints[1].Temperature, 100.0);
  EXPECT_EQ(mixed.FCalibrPoints[2].Temperature, 0.0);
}

TEST_F(CalibrationFit, AmbientCommandMovesSignalsToTheReferenceBody) {
  CalibrExpA = 6.0e7;
  CalibrExpB = 3000.0;
  CalibrSignal0 = 500.0;
  TCalibrationTable t;
  t.Resize(2);
  t.FCalibrPoints[1] = TCalibrPoint{0, 50.0, 3000, 30.0};
  t.FCalibrPoints[2] = TCalibrPoint{0, 80.0, 6000, 20.0};
  EXPECT_EQ(*MeanBodyTemperature(t), 25.0);
  ApplyAmbient(t, 20.0);
  // The point taken with another body temperature moves by the curve's signal difference between the
  // two body temperatures; the point taken at the reference stays.
  const double shift = CalibrTemperatureToSignal(20.0) - CalibrTemperatureToSignal(30.0);
  EXPECT_EQ(t.FCalibrPoints[1].RawSignal, static_cast<int>(std::nearbyint(3000 - shift)));
  EXPECT_NE(t.FCalibrPoints[1].RawSignal, 3000);
  EXPECT_EQ(t.FCalibrPoints[2].RawSignal, 6000);
  EXPECT_EQ(t.FCalibrPoints[1].NetSignal, t.FCalibrPoints[1].RawSignal - 500.0);
  EXPECT_EQ(t.FCalibrPoints[1].BodyTemperature, 20.0);
  EXPECT_FALSE(MeanBodyTemperature(TCalibrationTable{}));
}

TEST_F(CalibrationFit, NetSignalsFollowTheOffset) {
  TCalibrationTable t;
  t.Resize(2);
  t.FCalibrPoints[1].RawSignal = 1200;
  t.FCalibrPoints[2].RawSignal = 800;
  CalibrSignal0 = 1000.0;
  RecomputeNetSignals(t);
  EXPECT_EQ(t.FCalibrPoints[1].NetSignal, 200.0);
  EXPECT_EQ(t.FCalibrPoints[2].NetSignal, -200.0); // no clamping here
  ScanUnit.BlindCorrection = 5.0;
  EXPECT_EQ(CalibrNetSignal(1200, true), 205.0);
  CalibrExpA = 6.0e7;
  CalibrExpB = 3000.0;
  EXPECT_EQ(CalibrSignalToTemperature(-5.0), CalibrSignalToTemperature(1e-5));
  EXPECT_LT(CalibrSignalToTemperature(0.0), -100.0);
}

} // namespace
} // namespace calidarix
