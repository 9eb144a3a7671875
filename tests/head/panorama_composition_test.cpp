// Stitching synthetic panorama folders made from an independent camera model: orientation, a grid of
// frames with hot spots at known angles, the merge modes, a full turn and a frame over the zenith.

#include "head/panorama_stitcher.h"
#include "tests/head/synthetic_panorama.h"
#include "thermogram/tdtv.h"

#include <gtest/gtest.h>

#include <cmath>

namespace calidarix {
namespace {

using namespace test;

// Whether panorama pixel (x, y) lies inside some frame by at least `margin` degrees.
bool InsideFrames(const TFOV &fov, const SynthCamera &cam, const std::vector<SynthFrame> &frames, int x,
                  int y, double margin) {
  const auto [az, el] = DirectionOfPixel(fov, x, y);
  for (const SynthFrame &f : frames) {
    const auto angles = CameraAngles(az * kDeg, el * kDeg, f.pan, f.tilt);
    if (angles && std::fabs(angles->first) <= cam.arcH / 2.0 - margin &&
        std::fabs(angles->second) <= cam.arcV / 2.0 - margin)
      return true;
  }
  return false;
}

TEST(PanoramaComposition, OneFrameKeepsItsOrientation) {
  TempDir dir;
  const SynthCamera cam;
  // A ramp that warms to the right and a hot mark up and to the left.
  const Scene scene = [](double az, double el) {
    return 20.0 + az / kDeg + Spot(az, el, -6.0, 4.0, 40.0, 0.3);
  };
  const auto folder = MakeSynthFolder(dir.path(), "IRPano-ramp", cam, {{0.0, 0.0}}, scene);
  const Stitched s = Stitch(folder);
  ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
  EXPECT_EQ(s.result.OutputFile, QPath(dir.file("IRPano-ramp.dtv")));
  const TDTV &p = s.pano();
  ASSERT_GT(p.Width(), 300);
  // Left is colder than right along the middle row.
  const int mid = p.Height() / 2;
  EXPECT_LT(TemperatureAt(p, p.Width() / 4, mid), TemperatureAt(p, p.Width() / 2, mid));
  EXPECT_LT(TemperatureAt(p, p.Width() / 2, mid), TemperatureAt(p, p.Width() * 3 / 4, mid));
  EXPECT_NEAR(TemperatureAt(p, p.Width() / 2, mid), 20.0, 0.2);
  // The mark is up and to the left, where the camera model put it.
  const PanoPosition expected = PanoPositionOf(*s.fov, -6.0, 4.0);
  const auto found = HotCentroid(p, expected, 12.0, 40.0);
  ASSERT_TRUE(found);
  EXPECT_NEAR(found->x, expected.x, 1.0);
  EXPECT_NEAR(found->y, expected.y, 1.0);
  EXPECT_LT(found->x, p.Width() / 2);
  EXPECT_LT(found->y, p.Height() / 2);
  // The header: one frame of 20 x 15 degrees, centred on the horizon.
  EXPECT_EQ(p.FHeader.Version, 3);
  EXPECT_NEAR(p.FHeader.VertExtent, 2700, 40);
  EXPECT_NEAR(p.FHeader.Elevation, 1350, 20);
  EXPECT_EQ(p.Width() % 2, 0);
}

// A frame's outermost pixels are its traced outline, which bounds what is composed; everything further
// in than that holds data.
double OutlineMargin(const SynthCamera &cam) {
  return std::max(0.15, 1.5 * cam.arcH / (cam.width - 1));
}

// Panorama pixels inside some frame by at least `margin` degrees, and how many of them are empty.
struct Coverage {
  int inside = 0;
  int holes = 0;
};
Coverage CoverageOf(const Stitched &s, const SynthCamera &cam, const std::vector<SynthFrame> &frames,
                    double margin) {
  Coverage c;
  const TDTV &p = s.pano();
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (InsideFrames(*s.fov, cam, frames, x, y, margin)) {
        ++c.inside;
        if (p.FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width()) +
                   static_cast<std::size_t>(x)] == 0)
          ++c.holes;
      }
  return c;
}

// Grids of six frames (three columns, two rows) of several sizes, and two spacings. Whatever the size,
// the spots sit where they are and nothing inside the frames is left empty: a frame box one pixel
// short of where the pixels land loses an edge, and the box rows without it are never composed.
TEST(PanoramaComposition, GridOfFramesPlacesHotSpotsAndLeavesNoHoles) {
  struct Case {
    int width, height;
    double panStep, tiltStep; // degrees between neighbouring frames
  } cases[] = {{320, 240, 15.0, 12.0}, {320, 240, 18.0, 14.0}, {80, 60, 18.0, 14.0}, {65, 48, 15.0, 12.0},
               {65, 48, 18.0, 14.0},   {97, 61, 15.0, 12.0},   {97, 61, 18.0, 14.0}};
  for (const Case &g : cases) {
    SynthCamera cam;
    cam.width = g.width;
    cam.height = g.height;
    std::vector<SynthFrame> frames;
    for (const double pan : {-g.panStep, 0.0, g.panStep})
      for (const double tilt : {0.0, g.tiltStep})
        frames.push_back({pan, tilt});
    // Spots inside single frames, on the seams between two frames and where four frames meet.
    const std::vector<std::pair<double, double>> spots{{-g.panStep - 5.0, -3.0},
                                                       {-g.panStep / 2.0, 2.0},
                                                       {0.0, g.tiltStep + 4.0},
                                                       {g.panStep / 2.0, g.tiltStep / 2.0},
                                                       {g.panStep + 6.0, g.tiltStep - 2.0},
                                                       {3.0, -5.0}};
    const Scene scene = [&spots](double az, double el) {
      double t = 25.0 + 3.0 * std::sin(az * 3.0) + 2.0 * std::cos(el * 5.0);
      for (auto [a, e] : spots)
        t += Spot(az, el, a, e, 40.0, 0.3);
      return t;
    };
    TempDir dir;
    const auto folder = MakeSynthFolder(dir.path(), "IRPano-grid", cam, frames, scene);
    for (const std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{2}}) {
      SCOPED_TRACE(testing::Message() << g.width << " x " << g.height << ", frames " << g.panStep << " x "
                                      << g.tiltStep << " degrees apart, merge mode " << int{mode});
      RecordingProgress progress;
      const Stitched s = Stitch(
          folder, [mode](TFOV &f) { f.FMergeMode = mode; }, &progress);
      ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
      EXPECT_TRUE(s.result.Warnings.isEmpty());
      EXPECT_EQ(progress.shown, 1);
      EXPECT_EQ(progress.hidden, 1);
      EXPECT_EQ(progress.positions.back(), 100);
      for (auto [a, e] : spots) {
        const PanoPosition expected = PanoPositionOf(*s.fov, a, e);
        const auto found = HotCentroid(s.pano(), expected, 12.0, 45.0);
        ASSERT_TRUE(found) << a << " " << e;
        EXPECT_NEAR(found->x, expected.x, 1.0) << a << " " << e;
        EXPECT_NEAR(found->y, expected.y, 1.0) << a << " " << e;
      }
      const Coverage c = CoverageOf(s, cam, frames, OutlineMargin(cam));
      EXPECT_GT(c.inside, 4 * cam.width * cam.height);
      EXPECT_EQ(c.holes, 0);
    }
  }
}

// Two constant frames side by side, overlapping from -4 to +4 degrees of azimuth.
class TwoFrames : public ::testing::Test {
protected:
  void SetUp() override {
    const SynthCamera cam;
    folder = dir.path() / "IRPano-two";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(WritePanoParameterFile(QPath(folder / "p.ini"), SynthParams(cam)));
    WriteSynthFrame(folder, cam, {-6.0, 0.0}, [](double, double) { return 20.0; });
    WriteSynthFrame(folder, cam, {6.0, 0.0}, [](double, double) { return 40.0; });
  }
  double At(const Stitched &s, double az) const {
    const PanoPosition p = PanoPositionOf(*s.fov, az, 0.0);
    return TemperatureAt(s.pano(), static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
  }
  TempDir dir;
  std::filesystem::path folder;
};

TEST_F(TwoFrames, MergeModesDecideTheOverlap) {
  struct Case {
    const char *name;
    std::uint8_t mode;
    bool blending;
    double atMinus3, atZero, atPlus3;
    double tolerance;
  };
  const Case cases[] = {
      // The later frame of the order (the right one) covers the overlap.
      {"overwrite", 0, false, 40.0, 40.0, 40.0, 0.01},
      // Each side of the overlap keeps the frame whose centre is nearer.
      {"nearest centre", 1, false, 20.0, -1.0, 40.0, 0.01},
      // Weighted by the distance to each centre: colder on the left, the mean in the middle.
      {"weighted", 2, false, 25.4, 30.0, 34.6, 1.0},
      // Equal weights everywhere in the overlap.
      {"blending", 0, true, 30.0, 30.0, 30.0, 0.01},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const Stitched s = Stitch(folder, [&c](TFOV &f) {
      f.FMergeMode = c.mode;
      f.FBlending = c.blending;
    });
    ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
    EXPECT_NEAR(At(s, -8.0), 20.0, 0.01);
    EXPECT_NEAR(At(s, 8.0), 40.0, 0.01);
    EXPECT_NEAR(At(s, -3.0), c.atMinus3, c.tolerance);
    if (c.atZero >= 0.0) {
      EXPECT_NEAR(At(s, 0.0), c.atZero, c.tolerance);
    }
    EXPECT_NEAR(At(s, 3.0), c.atPlus3, c.tolerance);
    // Nothing inside the two frames is left empty, whatever the mode.
    for (double az = -15.5; az <= 15.5; az += 0.05)
      ASSERT_FALSE(std::isnan(At(s, az))) << az;
  }
  const Stitched weighted = Stitch(folder, [](TFOV &f) { f.FMergeMode = 2; });
  EXPECT_EQ(weighted.result.OutputFile, QPath(dir.file("IRPano-two_Blended.dtv")));
  double last = 0.0;
  for (double az = -5.0; az <= 5.0; az += 0.5) {
    const double t = At(weighted, az);
    EXPECT_GE(t, last - 0.05) << az;
    last = t;
  }
}

TEST_F(TwoFrames, BordersAndHitCounts) {
  // Borders at full scale; with blending a border mark stays whatever frame comes later.
  const Stitched borders = Stitch(folder, [](TFOV &f) {
    f.FDrawFrameBorders = true;
    f.FBlending = true;
  });
  ASSERT_TRUE(borders.result.Written());
  const double full = borders.pano().RawToTemperature(65535);
  // The right edge of the left frame lies at +4 degrees, inside the right frame.
  bool borderSeen = false;
  const PanoPosition edge = PanoPositionOf(*borders.fov, 4.0, 0.0);
  for (int x = static_cast<int>(edge.x) - 3; x <= static_cast<int>(edge.x) + 3; ++x)
    borderSeen = borderSeen || TemperatureAt(borders.pano(), x, static_cast<int>(edge.y)) == full;
  EXPECT_TRUE(borderSeen);

  // Hit counting: counts of source pixels, read through Scale 65536/65535 and Offset -1.
  const Stitched hits = Stitch(folder, [](TFOV &f) { f.FPointHitCounting = true; });
  ASSERT_TRUE(hits.result.Written());
  EXPECT_FLOAT_EQ(hits.pano().FHeader.Scale, static_cast<float>(65536.0 / 65535.0));
  EXPECT_FLOAT_EQ(hits.pano().FHeader.Offset, -1.0f);
  std::int64_t total = 0;
  for (const std::uint16_t n : hits.pano().FRaw)
    total += n;
  // Almost every source pixel lands inside the panorama; none is counted twice.
  EXPECT_LE(total, 2 * 320 * 240);
  EXPECT_GT(total, 2 * 320 * 240 * 95 / 100);
}

TEST(PanoramaComposition, FullTurnHasNoSeam) {
  TempDir dir;
  SynthCamera cam;
  cam.arcH = 24.0;
  // Head positions centred on zero, as a scan of the whole turn has them.
  std::vector<SynthFrame> frames;
  for (int i = 0; i < 18; ++i)
    frames.push_back({-170.0 + i * 20.0, 0.0});
  const std::vector<std::pair<double, double>> spots{{179.0, 2.0}, {-150.0, -3.0}, {10.0, 4.0}};
  const Scene scene = [&spots](double az, double el) {
    double t = 20.0 + 5.0 * std::cos(az) + el / kDeg * 0.2;
    for (auto [a, e] : spots)
      t += Spot(az, el, a, e, 40.0, 0.3);
    return t;
  };
  const auto folder = MakeSynthFolder(dir.path(), "IRPano-ring", cam, frames, scene);
  const Stitched s = Stitch(folder);
  ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
  EXPECT_TRUE(s.fov->FFullCircle);
  const double a = s.fov->FPanoAnglePerPixel;
  std::int64_t width = std::llround(64799.0 / a / kPanoK);
  width += width % 2;
  EXPECT_EQ(s.pano().Width(), width);
  EXPECT_GE(s.pano().FHeader.HorzExtent, 64799);
  // Azimuth 0 in the middle column, as the box mode reads it.
  EXPECT_NEAR(PanoPositionOf(*s.fov, 0.0, 0.0).x, s.pano().Width() / 2.0, 1.0);
  // No empty column anywhere along the horizon band, across the seam too.
  const int top = static_cast<int>(PanoPositionOf(*s.fov, 0.0, 5.0).y);
  const int bottom = static_cast<int>(PanoPositionOf(*s.fov, 0.0, -5.0).y);
  for (int y = top; y <= bottom; y += 7)
    for (int x = 0; x < s.pano().Width(); ++x)
      ASSERT_NE(s.pano().FRaw[static_cast<std::size_t>(y) * s.pano().Width() + x], 0) << x << "," << y;
  EXPECT_EQ(CoverageOf(s, cam, frames, OutlineMargin(cam)).holes, 0);
  // The two ends meet: the last column continues the first.
  const int mid = static_cast<int>(PanoPositionOf(*s.fov, 0.0, 0.0).y);
  EXPECT_NEAR(TemperatureAt(s.pano(), 0, mid), TemperatureAt(s.pano(), s.pano().Width() - 1, mid), 0.05);
  for (auto [az, el] : spots) {
    const PanoPosition expected = PanoPositionOf(*s.fov, az, el);
    const auto found = HotCentroid(s.pano(), expected, 12.0, 45.0, true);
    ASSERT_TRUE(found) << az;
    EXPECT_NEAR(std::remainder(found->x - expected.x, s.pano().Width()), 0.0, 1.0) << az;
    EXPECT_NEAR(found->y, expected.y, 1.0) << az;
  }
}

// Ten frames round the whole turn, overlapping by a tenth: one of them straddles 180 degrees and is
// composed across the panorama's seam. Small frames round their boxes differently from large ones.
TEST(PanoramaComposition, RingsOfSmallFramesLeaveNoHoles) {
  struct Case {
    int width, height;
  } cases[] = {{80, 60}, {65, 48}, {97, 61}};
  const Scene scene = [](double az, double el) { return 25.0 + 3.0 * std::sin(az * 3.0) + el / kDeg * 0.1; };
  std::vector<SynthFrame> frames;
  for (int i = 0; i < 10; ++i)
    frames.push_back({-180.0 + 36.0 * i, 0.0});
  for (const Case &size : cases) {
    SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
    SynthCamera cam;
    cam.width = size.width;
    cam.height = size.height;
    cam.arcH = 39.6;
    cam.arcV = 30.0;
    TempDir dir;
    const Stitched s = Stitch(MakeSynthFolder(dir.path(), "IRPano-ring", cam, frames, scene));
    ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
    EXPECT_TRUE(s.fov->FFullCircle);
    const Coverage c = CoverageOf(s, cam, frames, OutlineMargin(cam));
    EXPECT_GT(c.inside, 8 * cam.width * cam.height);
    EXPECT_EQ(c.holes, 0);
  }
}

TEST(PanoramaComposition, FrameOverTheZenithKeepsTheCap) {
  TempDir dir;
  const SynthCamera cam;
  const Scene scene = [](double az, double el) {
    return 10.0 + 0.5 * el / kDeg + Spot(az, el, 0.0, 81.0, 40.0, 0.3) + Spot(az, el, 180.0, 88.5, 40.0, 0.3);
  };
  const auto folder = MakeSynthFolder(dir.path(), "IRPano-zenith", cam, {{0.0, 85.0}}, scene);
  const Stitched s = Stitch(folder);
  ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
  EXPECT_EQ(s.fov->FTopLimit, 16200);
  EXPECT_TRUE(s.fov->FFullCircle);
  // Every direction above 88 degrees is inside the frame; all of it holds data, right up to the pole.
  const int capRows = static_cast<int>(PanoPositionOf(*s.fov, 0.0, 88.0).y);
  ASSERT_GT(capRows, 10);
  for (int y = 0; y < capRows; ++y)
    for (int x = 0; x < s.pano().Width(); ++x)
      ASSERT_NE(s.pano().FRaw[static_cast<std::size_t>(y) * s.pano().Width() + x], 0) << x << "," << y;
  // The bottom edge of the frame lies near 77.5 degrees straight ahead; below it there is nothing.
  const PanoPosition below = PanoPositionOf(*s.fov, 0.0, 76.5);
  EXPECT_TRUE(std::isnan(TemperatureAt(s.pano(), static_cast<int>(below.x), static_cast<int>(below.y))));
  const PanoPosition inside = PanoPositionOf(*s.fov, 0.0, 79.0);
  EXPECT_NEAR(TemperatureAt(s.pano(), static_cast<int>(inside.x), static_cast<int>(inside.y)), 10.0 + 39.5,
              1.0);
  // The spot in front sits where it belongs; the one beyond the zenith in the right row, behind.
  const PanoPosition front = PanoPositionOf(*s.fov, 0.0, 81.0);
  const auto foundFront = HotCentroid(s.pano(), front, 40.0, 60.0);
  ASSERT_TRUE(foundFront);
  EXPECT_NEAR(foundFront->y, front.y, 1.0);
  EXPECT_NEAR(foundFront->x, front.x, 3.0);
  const PanoPosition back = PanoPositionOf(*s.fov, 180.0, 88.5);
  const auto foundBack = HotCentroid(s.pano(), back, 40.0, 60.0, true);
  ASSERT_TRUE(foundBack);
  EXPECT_NEAR(foundBack->y, back.y, 1.0);
}

} // namespace
} // namespace calidarix
