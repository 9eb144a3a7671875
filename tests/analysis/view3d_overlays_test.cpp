#include "analysis/view3d_overlays.h"

#include "analysis/view3d_matrices.h"
#include "analysis/view3d_shaders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace calidarix {
namespace {

TEST(View3DOverlaysTest, StatusLinesSitAtOddMultiplesOfThePitch) {
  TView3DState s;
  s.MeshCols = 320;
  s.MeshRows = 240;
  s.MeshMegabytes = 2.9296875f;
  s.FramesPerSecond = 59.8765;
  s.SpinAngle = -90.5f; // halves round to even
  s.TiltAngle = 30.5f;
  TStatusContext context;
  context.Lighting = true;
  context.Colour = true;
  context.Transparency = true;
  const std::vector<TStatusLine> lines = StatusOverlayLines(s, context);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].Pitch, 1);
  EXPECT_EQ(lines[0].Text, QStringLiteral("vrtx# 76800 (2.93 Mb) ;FPS_59.88"));
  EXPECT_EQ(lines[1].Pitch, 3);
  EXPECT_EQ(lines[1].Text, QStringLiteral("FOV 30"));
  EXPECT_EQ(lines[2].Pitch, 5);
  EXPECT_EQ(lines[2].Text, QStringLiteral("(-90° ; 30°) (0° ; 0°)"));
  EXPECT_EQ(lines[3].Text, QStringLiteral("Lighting On"));
  EXPECT_EQ(lines[4].Pitch, 13);
  EXPECT_EQ(lines[4].Text, QStringLiteral("Color On"));
  EXPECT_EQ(lines[5].Pitch, 15);

  context.FlyMode = true;
  context.BoxMode = true;
  context.GLInfoText = QStringLiteral("OpenGL version: 2.1");
  const std::vector<TStatusLine> fly = StatusOverlayLines(s, context);
  EXPECT_EQ(fly[0].Text, QStringLiteral("OpenGL version: 2.1 BoxSide 512 ;FPS_59.88 ; dstnc 7.00"));
  EXPECT_EQ(fly[4].Text, QStringLiteral("FlyRate 0.00 "));
  EXPECT_EQ(fly[5].Pitch, 11);
  EXPECT_EQ(fly[6].Text, QStringLiteral("Look@ 0.00, 0.00, 0.00"));
}

TEST(View3DOverlaysTest, ReadOutTexts) {
  EXPECT_EQ(SampleLabelText(25.368), QStringLiteral("25.37°"));
  EXPECT_EQ(TemperatureSampleText(25.37, 12.5, -3.0), QStringLiteral("25.37°@(12.5°;-3.0°)"));
  EXPECT_EQ(SavedFrameFileName(QStringLiteral("/tmp/frames"), 42),
            QStringLiteral("/tmp/frames/frame_00042.jpg"));
  EXPECT_EQ(SavedFrameFileName(QStringLiteral("/tmp/"), 0), QStringLiteral("/tmp/frame_00000.jpg"));
}

TEST(View3DOverlaysTest, ModelPointsMapBackToPanoramaPixels) {
  TView3DState s;
  // 360 x 90 degrees over 360 x 90 pixels: one degree per pixel; the lower edge 45 degrees down.
  s.BoxRadPerPixelH = std::numbers::pi / 180;
  s.BoxRadPerPixelV = std::numbers::pi / 180;
  const double vx = 90 * 180, elevation = 45 * 180;
  const auto ahead = ModelPointSource({-1.0, 0.0, 0.0}, s, 360, vx, elevation);
  EXPECT_NEAR(ahead[0], 180.0, 1e-9);
  EXPECT_NEAR(ahead[1], 45.0, 1e-9);
  const auto up = ModelPointSource({-1.0, 0.0, 1.0}, s, 360, vx, elevation);
  EXPECT_NEAR(up[1], 0.0, 1e-9); // 45 degrees up: the top row
  EXPECT_TRUE(SourceOnFrame(ahead, 360, 90));
  EXPECT_FALSE(SourceOnFrame({360.0, 10.0}, 360, 90));
  // The read-out's azimuth is the source column's distance from the centre column.
  EXPECT_NEAR(ModelPointDirection({-1.0, 0.0, 0.0})[0], 0.0, 1e-9);
  const std::array<double, 3> right{-1.0, 1.0, 0.0};
  const auto direction = ModelPointDirection(right);
  EXPECT_NEAR(direction[0], 45.0, 1e-9);
  EXPECT_NEAR(direction[0], ModelPointSource(right, s, 360, vx, elevation)[0] - 180.0, 1e-9);
  EXPECT_NEAR(direction[1], 0.0, 1e-9);
  EXPECT_NEAR(ModelPointDirection({1.0, 0.0, 0.0})[0], 180.0, 1e-9) << "behind the viewer";

  // Before the box mode ran the pixel sizes are 0: the position is not finite and is never on the frame.
  TView3DState before;
  EXPECT_FALSE(SourceOnFrame(ModelPointSource({-1.0, 0.0, 0.0}, before, 360, vx, elevation), 360, 90));
  EXPECT_FALSE(SourceOnFrame({std::numeric_limits<double>::quiet_NaN(), 1.0}, 360, 90));
}

TEST(View3DOverlaysTest, SamplesOnTheWindowOnly) {
  struct Case {
    std::array<double, 3> window;
    bool on;
  };
  const Case cases[] = {{{0.0, 0.0, 0.0}, true},     {{639.9, 479.9, 1.0}, true},
                        {{640.0, 10.0, 0.5}, false}, {{-0.1, 10.0, 0.5}, false},
                        {{10.0, 10.0, 1.01}, false}, {{10.0, 10.0, -0.01}, false}};
  for (const Case &c : cases)
    EXPECT_EQ(SampleOnWindow(c.window, 640, 480), c.on)
        << c.window[0] << " " << c.window[1] << " " << c.window[2];
}

TEST(View3DMatricesTest, TheStartCameraSeesTheOriginInTheMiddle) {
  const TMat4 projection =
      MultiplyMat4(PerspectiveMat4(30.0, 640.0 / 480.0, 0.1, 15.0),
                   LookAtMat4({7.0f, 0.0f, 3.5f}, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}));
  const TViewport viewport{0, 0, 640, 480};
  const auto centre = ProjectToWindow({0.0, 0.0, 0.0}, IdentityMat4(), projection, viewport);
  ASSERT_TRUE(centre);
  EXPECT_NEAR((*centre)[0], 320.0, 1e-9);
  EXPECT_NEAR((*centre)[1], 240.0, 1e-9);
  EXPECT_GT((*centre)[2], 0.0);
  EXPECT_LT((*centre)[2], 1.0);
  // Up in the model is up on the screen; looking along -x, +y is to the right.
  EXPECT_GT((*ProjectToWindow({0.0, 0.0, 1.0}, IdentityMat4(), projection, viewport))[1], 240.0);
  EXPECT_GT((*ProjectToWindow({0.0, 1.0, 0.0}, IdentityMat4(), projection, viewport))[0], 320.0);

  const auto back = UnProjectFromWindow(*centre, IdentityMat4(), projection, viewport);
  ASSERT_TRUE(back);
  for (double v : *back)
    EXPECT_NEAR(v, 0.0, 1e-9);
  EXPECT_FALSE(InvertMat4(TMat4{}).has_value());
}

TEST(View3DShadersTest, TheVersionComesFromTheFirstAndThirdCharacter) {
  EXPECT_EQ(GLSLVersionOf("1.10 Mesa 22.3.6"), 11);
  EXPECT_EQ(GLSLVersionOf("1.20"), 12);
  EXPECT_EQ(GLSLVersionOf("4.60 NVIDIA"), 46);
  EXPECT_EQ(GLSLVersionOf(""), 0);
  EXPECT_EQ(GLSLVersionOf("x.y"), 0);
  EXPECT_LT(GLSLVersionOf("1.10"), kMinShaderVersion) << "1.10 drivers run without shaders";
  for (const QByteArray &source : {ColorShaderSource(), PaletteShaderSource()}) {
    EXPECT_TRUE(source.startsWith("#version 110\r\n"));
    EXPECT_EQ(source.count("\r\n"), source.count("\n"));
  }
}

} // namespace
} // namespace calidarix
