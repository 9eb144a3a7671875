// The 3-D view on a real OpenGL context (Mesa under Xvfb): pictures read back from the view's frame
// buffer and checked pixel by pixel, the context set-up for the driver at hand, keys, mouse, the timer
// and frame saving. ctest runs this suite three times: with the driver's own versions and with Mesa told
// to offer OpenGL 2.0 / GLSL 1.10 and OpenGL 2.1 / GLSL 1.20.

#include "analysis/ui/gl_view.h"

#include "analysis/view3d_shaders.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace calidarix {
namespace {

using A = TViewAction;

constexpr TRGB kColour{200, 120, 40};

class GLViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetThermogramGlobals();
    CurrentDTV = std::make_unique<TDTV>();
    Frame(9, 9, [](int, int) { return 32768; });
    view = std::make_unique<TGLview>();
    GLview = view.get();
    view->ShowMessage = [this](const QString &text) { messages << text; };
    view->resize(160, 120);
    view->show();
    ASSERT_TRUE(WaitFor([this] { return view->GLReady(); })) << "no OpenGL context on this display";
    // Painting "now" paints only a window that is on the screen.
    ASSERT_TRUE(WaitFor([this] { return view->windowHandle() && view->windowHandle()->isExposed(); }));
    view->DTVchanged();
    // The pictures are compared exactly: no light, no turning.
    view->Action(A::aLighting)->setChecked(false);
    view->ApplySwitches(A::aLighting);
  }
  void TearDown() override {
    view.reset();
    GLview = nullptr;
    CurrentDTV.reset();
    ResetThermogramGlobals();
  }

  // A frame with pixel(x, y) and a palette of one colour; with the window shown, the mesh follows.
  void Frame(int w, int h, const std::function<int(int, int)> &pixel) {
    TDTV &t = *CurrentDTV;
    t.ResetHeader();
    test::SetFrame(t, w, h, pixel);
    t.FPalette.fill(kColour);
    t.PalBottom = 0;
    t.PalTop = 255;
    if (view)
      view->DTVchanged();
  }

  bool WaitFor(const std::function<bool()> &done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }

  QImage Picture() { return view->RenderPicture(); }
  static QRgb Rgb(const TRGB &c) { return qRgb(c.R, c.G, c.B); }
  static QRgb Centre(const QImage &image) { return image.pixel(image.width() / 2, image.height() / 2); }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(view.get(), &press);
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, view->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &e);
  }

  std::unique_ptr<TGLview> view;
  QStringList messages;
};

TEST_F(GLViewTest, TheContextMatchesTheDriversShadingLanguage) {
  EXPECT_TRUE(view->GLInfoText.startsWith(QStringLiteral("OpenGL version: ")));
  const QByteArray glsl = qgetenv("MESA_GLSL_VERSION_OVERRIDE");
  if (glsl == "110") {
    // GLSL 1.10 reads as 11 (or, where the driver names no version at all, 0): the view runs on the
    // fixed pipeline, "Shader for GLSL 1.1+" or not.
    EXPECT_LT(view->GLSLVersion, kMinShaderVersion);
    if (view->GLSLVersion == 0) {
      EXPECT_TRUE(view->GLInfoText.endsWith(QStringLiteral(" no GLSL supported")));
    }
    EXPECT_FALSE(view->ShadersReady());
    EXPECT_TRUE(view->Action(A::aShaderForGLSL11)->isChecked());
  } else if (glsl == "120") {
    EXPECT_EQ(view->GLSLVersion, 12);
    EXPECT_TRUE(view->ShadersReady());
  } else {
    EXPECT_GE(view->GLSLVersion, kMinShaderVersion);
    EXPECT_TRUE(view->ShadersReady());
  }
  EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
  // A second set-up keeps the context and builds the programs again.
  view->Refresh();
  EXPECT_TRUE(view->GLReady());
  EXPECT_EQ(view->ShadersReady(), view->GLSLVersion >= kMinShaderVersion);
}

TEST_F(GLViewTest, AQuadShowsItsPaletteColourAndAnEmptyPixelShowsTheBackground) {
  // The camera looks at the origin, where the surface of level 32768 lies after its half-unit drop.
  EXPECT_EQ(Centre(Picture()), Rgb(kColour));
  // A pixel of raw 0 hides the quads around it, although the fixed pipeline would draw them in their
  // colours (without blending) and the empty pixel itself is black in the colour array.
  Frame(9, 9, [](int x, int y) { return x == 4 && y == 4 ? 0 : 32768; });
  const QImage hidden = Picture();
  EXPECT_EQ(Centre(hidden), qRgb(0, 0, 0));
  int coloured = 0;
  for (int y = 0; y < hidden.height(); ++y)
    for (int x = 0; x < hidden.width(); ++x)
      coloured += hidden.pixel(x, y) == Rgb(kColour);
  EXPECT_GT(coloured, hidden.width() * hidden.height() / 10) << "the rest of the surface stays";
}

TEST_F(GLViewTest, TheColourShaderHidesTransparentVertices) {
  if (!view->ShadersReady())
    GTEST_SKIP() << "this driver runs without shaders (GLSL " << view->GLSLVersion << ")";
  view->Action(A::aTransparency)->trigger();
  // Without the shader a transparent vertex is drawn (blending is off): its colour shows.
  EXPECT_EQ(Centre(Picture()), Rgb(kColour));
  Key(Qt::Key_F9); // "aUseShader"
  ASSERT_TRUE(view->ColorProgramInUse());
  EXPECT_EQ(Centre(Picture()), qRgb(0, 0, 0)) << "alpha 0.5 is below the shader's 0.9";
  view->Action(A::aTransparency)->trigger();
  EXPECT_EQ(Centre(Picture()), Rgb(kColour));
}

TEST_F(GLViewTest, AShaderThatCannotBeBuiltLeavesTheFixedPipelineWithOneMessage) {
  if (view->GLSLVersion < kMinShaderVersion)
    GTEST_SKIP() << "no shaders on this driver";
  view->ColorShaderText = QByteArrayLiteral("#version 110\r\nvoid main() { this is not a shader }\r\n");
  view->Refresh();
  view->ApplySwitches(A::aLighting); // the reset of the view switched the light on
  EXPECT_FALSE(view->ShadersReady());
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("colour shader"))) << messages[0].toStdString();
  view->Refresh();
  view->ApplySwitches(A::aLighting);
  EXPECT_EQ(messages.size(), 1) << "told once";
  Key(Qt::Key_F9);
  EXPECT_FALSE(view->ColorProgramInUse());
  EXPECT_EQ(Centre(Picture()), Rgb(kColour)) << "the fixed pipeline still draws";
}

TEST_F(GLViewTest, StereoFromTheCentreShowsTwoEqualHalves) {
  view->resize(200, 100);
  view->Action(A::a3Dstereo)->trigger();
  view->State.StereoSeparation = 0.1f;
  const auto halves = [this](const QImage &image) {
    const int half = image.width() / 2;
    return std::pair{image.copy(0, 0, half, image.height()), image.copy(half, 0, half, image.height())};
  };
  // From a distance the two eyes stand apart, so the halves differ...
  const auto apart = halves(Picture());
  EXPECT_NE(apart.first, apart.second);
  // ...and from the centre both see the same.
  Key(Qt::Key_O, Qt::ControlModifier | Qt::AltModifier); // "a0pos": the eye at the centre
  ASSERT_EQ(view->State.ViewDistance, 0.0f);
  const auto centre = halves(Picture());
  EXPECT_EQ(centre.first, centre.second);
  bool anything = false;
  for (int y = 0; y < centre.first.height() && !anything; ++y)
    for (int x = 0; x < centre.first.width() && !anything; ++x)
      anything = centre.first.pixel(x, y) != qRgb(0, 0, 0);
  EXPECT_TRUE(anything) << "the surface is in sight";
}

TEST_F(GLViewTest, TheGridShowsLinesAndTheStatusShowsText) {
  const QImage filled = Picture();
  view->Action(A::aGridOnly)->trigger();
  const QImage grid = Picture();
  int coloured = 0, colouredGrid = 0;
  for (int y = 0; y < grid.height(); ++y)
    for (int x = 0; x < grid.width(); ++x) {
      coloured += filled.pixel(x, y) != qRgb(0, 0, 0);
      colouredGrid += grid.pixel(x, y) != qRgb(0, 0, 0);
    }
  EXPECT_GT(colouredGrid, 0);
  EXPECT_LT(colouredGrid, coloured / 2) << "lines cover less than the filled surface";

  view->Action(A::aGridOnly)->trigger();
  view->Action(A::aShowStatus)->trigger();
  const QImage status = Picture();
  int changed = 0;
  for (int y = status.height() - 20; y < status.height(); ++y)
    for (int x = 0; x < status.width(); ++x)
      changed += status.pixel(x, y) != filled.pixel(x, y);
  EXPECT_GT(changed, 20) << "the first status line at the bottom";
}

TEST_F(GLViewTest, KeysRunTheirCommandsBeforeTheViewKeys) {
  Key(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(view->Action(A::aShowStatus)->isChecked());
  EXPECT_FALSE(view->Action(A::aScalingDynamic)->isChecked());
  // The hidden sequence reveals "Save Every Frame" and its menu entry.
  EXPECT_FALSE(view->Action(A::SaveEveryFrame)->isVisible());
  for (int key : {Qt::Key_W, Qt::Key_H, Qt::Key_A, Qt::Key_R, Qt::Key_F})
    Key(key);
  EXPECT_TRUE(view->Action(A::SaveEveryFrame)->isVisible());
  EXPECT_EQ(messages, QStringList{QStringLiteral("Here we are in ServiceMode")});
  // Arrows turn the model and stop the turning animation.
  Key(Qt::Key_D);
  ASSERT_TRUE(view->Action(A::aDynamic)->isChecked());
  const float spin = view->State.SpinAngle;
  Key(Qt::Key_Right);
  EXPECT_FLOAT_EQ(view->State.SpinAngle, spin + 1.0f);
  EXPECT_FALSE(view->Action(A::aDynamic)->isChecked());
  // Tab is the temperature read-out's key, not a focus move; outside the box mode it stays off.
  Key(Qt::Key_Tab);
  EXPECT_FALSE(view->Action(A::aTemperatureSample)->isChecked());
  // Esc closes the window and asks running animations to stop.
  Key(Qt::Key_Escape);
  EXPECT_FALSE(view->isVisible());
  EXPECT_TRUE(view->State.AbortRequested);
}

TEST_F(GLViewTest, TheMouseTurnsTheModelAndTheTimerAnimatesIt) {
  const float spin = view->State.SpinAngle, tilt = view->State.TiltAngle;
  Mouse(QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, QPoint(70, 45), Qt::NoButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, QPoint(70, 45), Qt::LeftButton, Qt::NoButton);
  EXPECT_FLOAT_EQ(view->State.SpinAngle, spin + 20.0f);
  EXPECT_FLOAT_EQ(view->State.TiltAngle, tilt - 5.0f);
  EXPECT_FALSE(view->State.RotateDragging);

  const int paints = view->PaintCount();
  const float turned = view->State.SpinAngle;
  Key(Qt::Key_D); // "Dynamic"
  EXPECT_TRUE(
      WaitFor([&] { return view->State.SpinAngle > turned + 0.5f && view->PaintCount() > paints + 1; }));
}

TEST_F(GLViewTest, TheSurfaceBendsIntoAProjectionOverPaintedSteps) {
  TDTV &t = *CurrentDTV;
  t.FScanReconstructed = true;
  t.FHeader.HorzExtent = 180 * 120;
  t.FHeader.VertExtent = 180 * 60;
  t.FHeader.Elevation = 180 * 30;
  view->DTVchanged();
  const int paints = view->PaintCount();
  Key(Qt::Key_3, Qt::ControlModifier); // "Sphere"
  EXPECT_EQ(view->State.ProjectionKind, 2);
  EXPECT_GE(view->PaintCount(), paints + 49);
  EXPECT_NEAR(
      std::hypot(view->State.MeshVertices[0], view->State.MeshVertices[1], view->State.MeshVertices[2]),
      1.0 + 0.5 * 32768.0 / 65535.0, 1e-4)
      << "on the sphere, raised by its relief";
}

TEST_F(GLViewTest, EveryFrameIsSavedUntilAFileCannotBeWritten) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QString chosen = folder.path();
  view->ChooseFramesFolder = [&](const QString &) { return chosen; };
  Key(Qt::Key_F2); // works before the sequence reveals its menu entry
  ASSERT_TRUE(view->State.SaveEveryFrameOn);
  view->FormPaint();
  view->FormPaint();
  const QImage first(QDir(folder.path()).filePath(QStringLiteral("frame_00000.jpg")));
  ASSERT_FALSE(first.isNull()) << QDir(folder.path()).entryList().join(QLatin1Char(32)).toStdString()
                               << view->State.SaveEveryFrameOn << " " << view->PaintCount() << " "
                               << view->State.SaveFramesFolder.toStdString();
  EXPECT_EQ(first.size(), view->size());
  const QRgb centre = Centre(first);
  EXPECT_NEAR(qRed(centre), kColour.R, 8) << "the saved frame is the picture just drawn";
  EXPECT_NEAR(qGreen(centre), kColour.G, 8);
  EXPECT_TRUE(QFileInfo::exists(QDir(folder.path()).filePath(QStringLiteral("frame_00001.jpg"))));

  // Off and on again into a folder that is not there: the number goes on, the first paint stops saving.
  Key(Qt::Key_F2);
  chosen = QDir(folder.path()).filePath(QStringLiteral("missing"));
  Key(Qt::Key_F2);
  const int number = view->State.SavedFrameNo;
  view->FormPaint();
  EXPECT_FALSE(view->State.SaveEveryFrameOn);
  EXPECT_EQ(view->State.SavedFrameNo, number);
  view->FormPaint();
  EXPECT_TRUE(view->isVisible()) << "the view goes on";
}

TEST_F(GLViewTest, FullScreenTheVertexLimitAndTheDriverList) {
  Key(Qt::Key_F11);
  EXPECT_TRUE(view->isFullScreen());
  Key(Qt::Key_Escape); // only leaves full screen
  EXPECT_FALSE(view->isFullScreen());
  EXPECT_TRUE(view->isVisible());
  EXPECT_FALSE(view->State.AbortRequested);
  EXPECT_EQ(view->size(), QSize(640, 480));

  Frame(640, 480, [](int x, int y) { return 20000 + 10 * x + y; });
  EXPECT_EQ(view->State.MeshCols, 320) << "the default limit samples every second pixel";
  view->Action(A::a1M)->trigger();
  EXPECT_EQ(view->State.VertexLimit, 1048576);
  EXPECT_EQ(view->State.MeshCols, 640);
  EXPECT_TRUE(view->Action(A::a1M)->isChecked());
  EXPECT_FALSE(view->Action(A::a256k)->isChecked()) << "one limit at a time";

  view->Action(A::aPrint)->trigger();
  EXPECT_TRUE(view->Memo1->isVisible());
  EXPECT_TRUE(view->Memo1->toPlainText().contains(QStringLiteral("Mesa")));
}

} // namespace
} // namespace calidarix
