// The 3-D view's box mode on a real OpenGL context (Mesa under Xvfb): a synthetic full-circle panorama
// whose raw value grows evenly with column and row, so that every direction has a known temperature,
// and a small synthetic panorama folder for the frame-by-frame display. ctest runs this suite with the
// driver's own versions and on the two older drivers, where the faces are RGBA texels.

#include "analysis/ui/gl_view.h"

#include "tests/head/synthetic_panorama.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

namespace calidarix {
namespace {

using A = TViewAction;

// 360 columns over the full circle and 90 rows from 45 degrees up to 45 degrees down: one pixel is one
// degree. Raw 20000 + 100 x column + 50 x row at 0.001 degrees per count.
constexpr int kW = 360;
constexpr int kH = 90;
constexpr double kScale = 0.001;

double PanoramaTemperature(double column, double row) {
  return kScale * (20000.0 + 100.0 * column + 50.0 * row);
}

class GLViewBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetThermogramGlobals();
    CurrentDTV = std::make_unique<TDTV>();
    Panorama([](int x, int y) { return 20000 + 100 * x + 50 * y; });
    view = std::make_unique<TGLview>();
    GLview = view.get();
    view->ShowMessage = [](const QString &) {};
    view->resize(160, 120);
    view->show();
    ASSERT_TRUE(WaitFor([this] { return view->GLReady(); })) << "no OpenGL context on this display";
    ASSERT_TRUE(WaitFor([this] { return view->windowHandle() && view->windowHandle()->isExposed(); }));
    view->DTVchanged();
  }
  void TearDown() override {
    view.reset();
    GLview = nullptr;
    CurrentDTV.reset();
    ResetThermogramGlobals();
  }

  // A panorama with scan angles and a red-rising palette over the whole raw range.
  void Panorama(const std::function<int(int, int)> &pixel) {
    TDTV &t = *CurrentDTV;
    t.ResetHeader();
    test::SetFrame(t, kW, kH, pixel);
    t.FHeader.Scale = static_cast<float>(kScale);
    t.FHeader.Offset = 0.0f;
    t.FHeader.HorzExtent = 64800;
    t.FHeader.VertExtent = 180 * 90;
    t.FHeader.Elevation = 180 * 45;
    t.FScanReconstructed = true;
    for (int i = 0; i < 256; ++i)
      t.FPalette[static_cast<std::size_t>(i)] =
          TRGB{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 64};
    t.PalBottom = 0;
    t.PalTop = 255;
  }

  bool WaitFor(const std::function<bool()> &done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  QRgb Centre() {
    const QImage image = view->RenderPicture();
    return image.pixel(image.width() / 2, image.height() / 2);
  }
  void Look(float azimuth, float elevation) {
    view->State.SpinAngle = azimuth;
    view->State.TiltAngle = elevation;
  }
  bool AllFacesBuilt() {
    for (unsigned name : view->BoxTextures)
      if (!view->IsTexture(name))
        return false;
    return true;
  }
  // With CALIDARIX_SCREENSHOTS naming a folder, the picture is kept there.
  void Screenshot(const char *name) {
    const QString folder = qEnvironmentVariable("CALIDARIX_SCREENSHOTS");
    if (!folder.isEmpty())
      view->RenderPicture().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
  }

  std::unique_ptr<TGLview> view;
};

TEST_F(GLViewBoxTest, SwitchingToTheBoxAndBack) {
  const QImage surface = view->RenderPicture();
  view->State.SamplePoints.push_back({1.0f, 0.0f, 0.0f});
  view->State.SampleTemps.push_back(25.0);

  view->ChangeToBoxMode(true);
  EXPECT_TRUE(view->FBoxMode);
  EXPECT_FALSE(view->FPanoLoaded);
  EXPECT_TRUE(AllFacesBuilt());
  EXPECT_EQ(view->BoxFacesShaded(), view->ShadersReady() && view->GLSLVersion >= 12);
  EXPECT_NEAR(view->State.BoxRadPerPixelH, std::numbers::pi / 180.0, 1e-12);
  EXPECT_NEAR(view->State.BoxRadPerPixelV, std::numbers::pi / 180.0, 1e-12);
  EXPECT_EQ(view->State.FieldOfView, 60.0f);
  EXPECT_EQ(view->State.ViewDistance, 0.0f) << "the viewer stands in the centre";
  EXPECT_TRUE(view->State.SamplePoints.empty());
  EXPECT_TRUE(view->State.SampleTemps.empty());
  Look(0.0f, 0.0f);
  const QImage box = view->RenderPicture();
  EXPECT_NE(box, surface);
  EXPECT_NE(box.pixel(box.width() / 2, box.height() / 2), qRgb(0, 0, 0)) << "a face fills the view";
  Screenshot("gl_view_box");

  // A second switch builds the faces again but keeps the view and the samples.
  view->State.SamplePoints.push_back({1.0f, 0.0f, 0.0f});
  view->State.SampleTemps.push_back(25.0);
  Look(12.0f, 3.0f);
  view->ChangeToBoxMode(true);
  EXPECT_EQ(view->State.SampleTemps.size(), 1u);
  EXPECT_EQ(view->State.SpinAngle, 12.0f);

  view->ChangeToBoxMode(false);
  EXPECT_FALSE(view->FBoxMode);
  EXPECT_TRUE(view->State.SampleTemps.empty());
  EXPECT_GT(view->State.MeshCols, 0) << "the surface is built again";
  EXPECT_EQ(view->State.ViewDistance, 7.0f);
  EXPECT_TRUE(AllFacesBuilt()) << "the faces outlive the mode";
}

TEST_F(GLViewBoxTest, WithoutScanAnglesNoFaceIsBuiltAndNothingIsRead) {
  const auto pick = [this] {
    view->State.SampleTemps.clear();
    view->State.LastMousePos = TPoint{80, 60};
    view->State.PickPending = true;
    view->RenderPicture();
    return view->State.SampleTemps.size();
  };
  CurrentDTV->FScanReconstructed = false;
  view->ChangeToBoxMode(true);
  EXPECT_TRUE(view->FBoxMode);
  for (unsigned name : view->BoxTextures)
    EXPECT_FALSE(view->IsTexture(name));
  Look(0.0f, 0.0f);
  EXPECT_EQ(Centre(), qRgb(0, 0, 0)) << "face 0 is an untextured black square";
  EXPECT_EQ(pick(), 0u);

  // Faces built from a panorama stay when the box is entered again with a thermogram without angles,
  // but nothing of this thermogram is read through the other one's angles.
  view->ChangeToBoxMode(false);
  CurrentDTV->FScanReconstructed = true;
  view->ChangeToBoxMode(true);
  Look(0.0f, 0.0f);
  EXPECT_EQ(pick(), 1u);
  view->ChangeToBoxMode(false);
  CurrentDTV->FScanReconstructed = false;
  view->ChangeToBoxMode(true);
  EXPECT_TRUE(AllFacesBuilt());
  Look(0.0f, 0.0f);
  EXPECT_NE(Centre(), qRgb(0, 0, 0));
  EXPECT_EQ(pick(), 0u);
}

// Neighbouring raw values inside one 8-bit step show different colours, and a new thermogram reaches
// the faces. The palette window spans two palette steps (about 512 raw counts over 256 colours).
TEST_F(GLViewBoxTest, TheFacesFollowTheThermogramAtFullRawPrecision) {
  const auto uniform = [this](int raw) {
    Panorama([raw](int, int) { return raw; });
    CurrentDTV->PalBottom = 128;
    CurrentDTV->PalTop = 129;
  };
  uniform(32906);
  view->ChangeToBoxMode(true);
  Look(0.0f, 0.0f);
  const QRgb low = Centre();
  // 32906 and 33016 both round to 128 in a byte (raw x 255 / 65535).
  uniform(33016);
  view->DTVchanged();
  const QRgb high = Centre();
  EXPECT_GT(qRed(high) - qRed(low), 30) << "low " << std::hex << low << " high " << high;
  EXPECT_LT(qGreen(high), qGreen(low));

  // A thermogram without scan angles empties the box instead of leaving the old faces.
  CurrentDTV->FScanReconstructed = false;
  view->DTVchanged();
  EXPECT_EQ(Centre(), qRgb(0, 0, 0));
  EXPECT_EQ(view->State.BoxRadPerPixelH, 0.0);
}

TEST_F(GLViewBoxTest, APaletteChangeRecoloursTheFaces) {
  view->ChangeToBoxMode(true);
  Look(0.0f, 0.0f);
  const QRgb before = Centre();
  ASSERT_NE(qBlue(before), 255);
  CurrentDTV->FPalette.fill(TRGB{0, 0, 255});
  view->UpdatePalette(true, false, false);
  EXPECT_EQ(Centre(), qRgb(0, 0, 255));
}

// Looking at azimuth a and elevation e (the view turned by spin a and tilt e from the centre), a double
// click picks the panorama pixel at column W / 2 + a and row 45 - e (one degree per pixel).
TEST_F(GLViewBoxTest, APickInsideTheBoxReadsTheTemperatureInThatDirection) {
  view->ChangeToBoxMode(true);
  struct Case {
    float azimuth;
    float elevation;
  };
  for (const Case c : {Case{0.0f, 0.0f}, Case{30.0f, 10.0f}, Case{-100.0f, -20.0f}, Case{170.0f, 30.0f}}) {
    SCOPED_TRACE(testing::Message() << "azimuth " << c.azimuth << " elevation " << c.elevation);
    view->State.SamplePoints.clear();
    view->State.SampleTemps.clear();
    Look(c.azimuth, c.elevation);
    view->State.LastMousePos = TPoint{80, 60};
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(80, 60), view->mapToGlobal(QPointF(80, 60)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &click);
    ASSERT_EQ(view->State.SampleTemps.size(), 1u);
    // The read-back pixel lies half a pixel (a quarter degree) off the centre at most.
    EXPECT_NEAR(view->State.SampleTemps[0], PanoramaTemperature(kW / 2.0 + c.azimuth, 45.0 - c.elevation),
                0.05);
  }
}

// Tab's read-out under the mouse names the temperature and the direction looked at: azimuth a and
// elevation e where the view is turned by spin a and tilt e, as the pick above reads column W / 2 + a.
TEST_F(GLViewBoxTest, TheReadOutUnderTheMouseNamesTheDirectionLookedAt) {
  view->ChangeToBoxMode(true);
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(view.get(), &tab);
  ASSERT_TRUE(view->Action(A::aTemperatureSample)->isChecked());
  view->State.LastMousePos = TPoint{80, 60};
  struct Case {
    float azimuth;
    float elevation;
  };
  for (const Case c : {Case{0.0f, 0.0f}, Case{22.5f, 0.0f}, Case{-100.0f, -20.0f}, Case{170.0f, 30.0f}}) {
    SCOPED_TRACE(testing::Message() << "azimuth " << c.azimuth << " elevation " << c.elevation);
    Look(c.azimuth, c.elevation);
    view->RenderPicture();
    const QStringList texts = view->OverlayTextsDrawn().filter(QStringLiteral("°@("));
    ASSERT_EQ(texts.size(), 1);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(-?\\d+\\.\\d\\d)°@\\((-?\\d+\\.\\d)°;(-?\\d+\\.\\d)°\\)$"))
            .match(texts[0]);
    ASSERT_TRUE(m.hasMatch()) << texts[0].toStdString();
    // The read-back point lies within a pixel of the window's centre, a fraction of a degree.
    EXPECT_NEAR(m.captured(1).toDouble(), PanoramaTemperature(kW / 2.0 + c.azimuth, 45.0 - c.elevation),
                0.06);
    EXPECT_NEAR(m.captured(2).toDouble(), c.azimuth, 0.75);
    EXPECT_NEAR(m.captured(3).toDouble(), c.elevation, 0.75);
  }
  // Room for the whole label in the picture kept for a look.
  view->resize(400, 200);
  view->State.LastMousePos = TPoint{120, 100};
  Look(22.5f, 0.0f);
  Screenshot("gl_box_readout");
}

class GLViewBoxFramesTest : public GLViewBoxTest {
protected:
  void SetUp() override {
    GLViewBoxTest::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_TRUE(folder.isValid());
    test::SynthCamera cam;
    cam.width = 64;
    cam.height = 48;
    const test::Scene scene = [](double az, double el) {
      return 20.0 + test::Spot(az, el, 0.0, 0.0, 30.0, 4.0);
    };
    pano = QString::fromStdString(test::MakeSynthFolder(folder.path().toStdString(), "pano", cam,
                                                        {{-20.0, 0.0}, {0.0, 0.0}, {20.0, 0.0}}, scene)
                                      .string());
    view->ChangeToBoxMode(true);
    // The frames' 20 to 50 degrees within the common range of all frames lie in the lowest eighth of
    // the raw scale: the palette window covers just that.
    CurrentDTV->PalTop = 30;
  }
  int ValidFrames() {
    int n = 0;
    for (unsigned name : view->PanoTextures)
      n += view->IsTexture(name) ? 1 : 0;
    return n;
  }

  QTemporaryDir folder;
  QString pano;
};

TEST_F(GLViewBoxFramesTest, EveryFrameFliesInAndStaysInItsDirection) {
  const int paints = view->PaintCount();
  view->ProcessPano(pano, true);
  EXPECT_TRUE(view->FPanoLoaded);
  ASSERT_EQ(view->PanoTextures.size(), 3u);
  EXPECT_EQ(ValidFrames(), 3);
  EXPECT_EQ(view->PanoFrameIndex, TGLview::kNoPanoFrame);
  EXPECT_FLOAT_EQ(view->FlyInFraction, 1.0f) << "the last frame reached its full size";
  // The opening paint, then 31, 30 and 29 steps.
  EXPECT_GE(view->PaintCount() - paints, 1 + 31 + 30 + 29);
  // The frame rectangles span the camera's 20 x 15 degrees (arcs as the listing holds them, in whole
  // 1/180 degree).
  ASSERT_TRUE(view->PanoFOV);
  EXPECT_NEAR(view->PanoFOV->FHorArc, 20 * 180, 1);
  EXPECT_NEAR(view->PanoFOV->FVerArc, 15 * 180, 1);
  const double halfH = view->PanoFOV->FHorArc / 180.0 / 2.0 * std::numbers::pi / 180.0;
  const double halfV = view->PanoFOV->FVerArc / 180.0 / 2.0 * std::numbers::pi / 180.0;
  EXPECT_NEAR(view->FrustumTanV, std::tan(halfV), 1e-6);
  EXPECT_NEAR(view->FrustumTanH, std::tan(halfH) / std::cos(halfV), 1e-6);
  EXPECT_TRUE(view->Action(A::aDynamic)->isChecked()) << "the view goes on turning";
  EXPECT_TRUE(view->State.ApproachAnim);

  // Seen from the centre towards azimuth 0 through a narrow field of view, the middle frame fills the
  // view with its hot spot in the middle.
  view->Action(A::aDynamic)->setChecked(false);
  view->State.ApproachAnim = false;
  ResetViewState(view->State, true);
  view->State.FieldOfView = 10.0f;
  Look(0.0f, 0.0f);
  const QImage picture = view->RenderPicture();
  Screenshot("gl_view_pano_frames");
  int dark = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      dark += picture.pixel(x, y) == qRgb(0, 0, 0);
  EXPECT_LT(dark, picture.width() * picture.height() / 20);
  EXPECT_GT(qRed(picture.pixel(80, 60)), qRed(picture.pixel(5, 5)) + 40) << "the spot lies at azimuth 0";

  // Hiding the window frees the frames' textures.
  view->hide();
  EXPECT_EQ(view->PanoTextures.size(), 3u);
  EXPECT_EQ(ValidFrames(), 0);
}

TEST_F(GLViewBoxFramesTest, AnAbortStopsAfterTheCurrentFrameAndKeepsWhatIsShown) {
  QTimer::singleShot(0, view.get(), [this] { view->State.AbortRequested = true; });
  view->ProcessPano(pano, true);
  EXPECT_TRUE(view->FPanoLoaded);
  EXPECT_FALSE(view->State.AbortRequested);
  ASSERT_EQ(view->PanoTextures.size(), 3u);
  EXPECT_TRUE(view->IsTexture(view->PanoTextures[0]));
  EXPECT_EQ(ValidFrames(), 1);
  EXPECT_FALSE(view->Action(A::aDynamic)->isChecked());
}

TEST_F(GLViewBoxFramesTest, AFolderWithoutParametersEndsWithTheOldFramesGone) {
  view->ProcessPano(pano, true);
  ASSERT_EQ(ValidFrames(), 3);
  const unsigned face = view->BoxTextures[0];
  QDir(pano).remove(QStringLiteral("pano.ini"));
  view->ProcessPano(pano, true);
  EXPECT_TRUE(view->FPanoLoaded);
  EXPECT_EQ(ValidFrames(), 0);
  EXPECT_TRUE(view->IsTexture(face)) << "the box faces are not touched";
  // Box mode again: the faces own the picture.
  view->ChangeToBoxMode(true);
  EXPECT_FALSE(view->FPanoLoaded);
}

} // namespace
} // namespace calidarix
