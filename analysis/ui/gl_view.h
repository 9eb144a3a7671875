#pragma once
// The 3-D view window ("GLview"): the current thermogram as a lit, coloured relief in OpenGL, turned by
// the mouse and the keys and animated by a 5 ms timer. It draws through an OpenGL 2.0 compatibility
// context (fixed pipeline, client arrays, GLSL 1.10 fragment shaders when the driver has 1.20 or more);
// the entry points are resolved by name through the context.
//
// The view keeps its context to itself: it draws each frame into a frame buffer object of its own size,
// reads the picture back and shows it as an image, like every other picture of the program. A
// QOpenGLWidget would hand the frame to Qt's own compositor, which needs GLSL 1.20 and brings the whole
// program down on an OpenGL 2.0 driver with GLSL 1.10; this way any 2.0 driver serves, a frame is on
// the screen when FormPaint returns, and the saved frames are exactly the pictures shown.
//
// The window has a surface mode (the mesh of the current thermogram) and a box mode (FBoxMode): a
// panorama seen from inside a cube whose six faces carry it, or the frames of a panorama folder placed
// one by one in their own directions (FPanoLoaded).
//
// The state shared by the view's parts (mesh, camera, light, gestures, samples) is `State`; the
// computation lives in the headless library (analysis/view3d_*.h), and this window gathers the check
// marks of its actions, calls it, and draws.
//
// Files: gl_view.cpp (window, actions, menu, timer, full screen), gl_view_commands.cpp (switches, keys,
// mouse, transitions, commands), gl_view_render.cpp (drawing a frame and its overlays, frame saving),
// gl_view_shaders.cpp (context set-up, shaders, palette textures), gl_view_box.cpp (box mode: face
// textures, the box or the panorama frames, the frame-by-frame display).

#include "analysis/view3d_actions.h"
#include "analysis/view3d_state.h"
#include "head/panorama_stitcher.h"
#include "thermogram/tdtv.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QOpenGLFunctions_2_0;
class QPainter;
class QPlainTextEdit;
class QTimer;

namespace calidarix {

class TGLview : public QWidget {
  Q_OBJECT
public:
  explicit TGLview(QWidget *parent = nullptr);
  ~TGLview() override;

  // ---- Window, context and view state ----
  // The context's fixed state, shaders and palette textures (on the current context).
  void FormInit();
  // The context (made once; the window hides itself when there is no OpenGL 2.0) and FormInit, then
  // ResetView without painting; every show runs it.
  void Refresh();
  // Camera, light and scale defaults of the mode; with repaint the view is drawn at once.
  void ResetView(bool repaint);
  // The field of view or the window size changed: the projection is applied at the next paint.
  void FormResize();
  // Draws one frame now and shows it (the commands and transitions that "paint" call this).
  void FormPaint();
  // Draws one frame and returns its picture, without showing it (tests, benchmarks).
  QImage RenderPicture();

  // ---- Mesh and modes ----
  // Rebuilds the surface from CurrentDTV; does nothing while the window is hidden.
  void DTVchanged();
  // Surface mode (false) or box mode (true): the box's faces are built from CurrentDTV when it carries
  // its scan angles. A change of mode resets the view and drops the picked samples.
  void ChangeToBoxMode(bool enable);
  // The frame-by-frame display of a panorama folder (its parameter file and frames): each frame flies
  // into its direction. Without process the frames listed by the last run are shown again. Runs on the
  // GUI thread, letting the event loop turn between steps; Esc (AbortRequested) ends it.
  void ProcessPano(const QString &folder, bool process);
  // FrustumTanH and FrustumTanV from the arcs of PanoFOV.
  void UpdateArcs();
  // Blending on or off from the next frame on.
  void Blend(bool on);
  // Follows a palette change of the main window: the mesh takes the new colours.
  void UpdatePalette(bool paletteChanged, bool isoChanged, bool rebind);
  // The palette uniforms from CurrentDTV's windows (at the next paint, on the context).
  void ReValPallette();

  // ---- Commands ----
  QAction *Action(TViewAction id) const { return FActions[static_cast<std::size_t>(id)]; }
  // Runs the command of a key or a menu entry: the action's check mark flips first when it checks itself.
  void Execute(TViewAction id);
  void ApplySwitches(TViewAction sender);
  void ReProject(int kind);
  void aTransparencyExecute();
  void aUseShaderExecute();
  void aShaderForGLSL11Execute();
  void aMorphExecute();
  void aZeroFromViewExecute();
  void aTurnExecute();
  void aResetViewExecute();
  void F11Execute();
  void SaveEveryFrameExecute();
  void a0posExecute();
  void aTemperatureSampleExecute();
  void aFlyModeExecute();
  void print1Click();
  void Memo1Click();

  // ---- State ----
  TView3DState State;
  bool FBoxMode = false;    // box mode (panorama cube) on; false: surface mode
  bool FPanoLoaded = false; // the panorama frames own the picture
  int GLSLVersion = 0;      // two digits, 0: none
  QString GLInfoText;       // the version line of the status overlay
  // The context works: made and its entry points resolved (false until the first successful show).
  bool GLReady() const { return FGL != nullptr; }
  bool ShadersReady() const { return ColorProgram != 0 && PaletteProgram != 0; }
  // A colour shader is in use for the mesh.
  bool ColorProgramInUse() const { return FUseColorProgram && ColorProgram != 0; }
  int PaintCount() const { return FPaintCount; }
  // The texts drawn over the last frame (status lines, read-outs, sample labels), each once and in the
  // order drawn.
  QStringList OverlayTextsDrawn() const;
  // A texture name that is alive on the view's context (false without a context).
  bool IsTexture(unsigned name);
  // The box faces were built as 16-bit luminance textures coloured by the palette shader (false: RGBA
  // texels coloured when built).
  bool BoxFacesShaded() const { return FBoxShaded; }

  // ---- Box mode and panorama frames ----
  std::array<unsigned, 6> BoxTextures{}; // faces 0..5 of the box, 0: not built
  std::unique_ptr<TDTV> PanoDTV;         // the frame display's frames are loaded here
  std::unique_ptr<TFOV> PanoFOV;         // lists and orders the frames of a folder
  std::vector<unsigned> PanoTextures;    // one per frame in display order, 0: none
  float FrustumTanH = 0.0f;              // half width and height of a frame rectangle at distance 1
  float FrustumTanV = 0.0f;
  static constexpr int kNoPanoFrame = 9999;
  int PanoFrameIndex = kNoPanoFrame; // frame flying in
  int FlyInStep = 0;
  float FlyInFraction = 1.0f; // scale of the frame flying in

  // Messages of the view ("Here we are in ServiceMode", a shader that failed): a non-modal message box
  // unless replaced (tests).
  std::function<void(const QString &)> ShowMessage;
  // The folder chooser of "Save Every Frame": returns the chosen folder, or empty when cancelled.
  std::function<QString(const QString &start)> ChooseFramesFolder;
  // The shader sources used by the next FormInit (tests replace them to see a failing build).
  QByteArray ColorShaderText;
  QByteArray PaletteShaderText;

  QPlainTextEdit *Memo1 = nullptr;
  QFrame *Panel1 = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
  QMenu *PopupMenu1 = nullptr;
  QTimer *FAnimationTimer = nullptr; // the 5 ms animation timer, started at the first show

protected:
  void paintEvent(QPaintEvent *event) override;
  bool event(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void hideEvent(QHideEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // gl_view.cpp
  void BuildActions();
  void BuildPopupMenu();
  void AnimationTimerTick();
  void LeaveFullScreen(int height);
  // gl_view_commands.cpp
  void ApplyGLSwitches(TViewAction sender, bool repaint);
  void FormKeyDown(QKeyEvent *event);
  bool Checked(TViewAction id) const;
  void SetChecked(TViewAction id, bool on);
  // gl_view_shaders.cpp
  bool MakeCurrent();
  bool CreateContext();
  void LoadSources();
  void DeletePrograms();
  void UploadPaletteTextures(bool palette, bool iso);
  void SetPaletteUniforms(bool wholeSteps);
  void ReleaseGL();
  // gl_view_box.cpp
  // Builds the six faces from CurrentDTV (with scan angles) on the context.
  void BuildBoxFaces();
  // Deletes the faces and forgets the angles, so that nothing is read through them.
  void ClearBoxFaces();
  void DrawBox();
  void DrawPanoFrames();
  void DrawFrustumFrame();
  void DeletePanoTextures();
  bool BoxShaderSwitch() const;
  // gl_view_render.cpp
  bool RenderFrame();
  void DrawFrame(int w, int h);
  void ApplyDrawingState();
  void ApplyProjection(int x, int w, int h, bool stereoLeft, bool stereo);
  void BindMeshArrays();
  void DrawMeshRows();
  void DrawWireGrid();
  void DrawCoordinateGlobe();
  void PlaceLight();
  void DrawSamples(int w, int h);
  // The model point under the mouse (from the depth buffer) and the panorama pixel it looks at.
  struct TMousePoint {
    int WindowX = 0;   // device pixels from the left
    int WindowTop = 0; // device pixels from the bottom to the mouse's row
    std::array<double, 3> Model{};
    std::array<double, 2> Source{};
  };
  std::optional<TMousePoint> PointUnderMouse(int h);
  void PickSamplePoint(int h);
  void DrawTemperatureSample(int h);
  void DrawSampleMarker(const TVec3 &p);
  void DrawSampleLabel(const QString &text, int x, int y);
  void DrawStatusOverlay();
  void DrawOverlayTexts();
  void SaveFrameJpeg();
  void SetColorBypass(int value);

  std::unique_ptr<QOpenGLContext> FContext;
  std::unique_ptr<QOffscreenSurface> FSurface;
  std::unique_ptr<QOpenGLFramebufferObject> FFrameBuffer;
  QOpenGLFunctions_2_0 *FGL = nullptr;
  QImage FPicture;            // the last frame drawn
  bool FPictureFresh = false; // drawn by FormPaint and not shown yet
  std::array<QAction *, kViewActionCount> FActions{};
  QActionGroup *FVertexLimitGroup = nullptr;
  QActionGroup *FBoxSideGroup = nullptr;
  QElapsedTimer FAnimationClock;
  std::int64_t FTicksApplied = 0;
  int FPaintCount = 0;

  // Switch state applied to the context at every paint.
  bool FLightingOn = true;
  bool FColorArrayOn = true;
  bool FBlendOn = true;
  bool FSmoothShade = true;
  bool FUseColorProgram = false;
  bool FUniformsDirty = false;
  bool FBoxShaded = false;    // the box faces are luminance textures
  bool FPanoShaded = false;   // the panorama frames are luminance textures
  bool FPanoDepthTest = true; // the frames are drawn in order, without the depth test, once placed

  // Context objects (names of the design).
  unsigned ColorProgram = 0;
  unsigned PaletteProgram = 0;
  unsigned PaletteTexture = 0;
  unsigned IsoTexture = 0;
  unsigned GlobeList = 0;
  int LocColorBypass = -1;
  int LocLutPal = -1, LocLutIso = -1, LocTxtr = -1, LocPalBeg = -1, LocPalEnd = -1, LocIsoBeg = -1,
      LocIsoEnd = -1, LocIsIso = -1, LocPaletteBypass = -1;
  QString FDriverInfo; // renderer, vendor, version, an empty line and the extensions ("aPrint")
  bool FShaderMessageShown = false;

  // Texts drawn over the frame, window coordinates with the origin at the bottom left.
  struct TOverlayText {
    int X = 0;
    int Y = 0;
    QString Text;
    bool Black = false;
  };
  std::vector<TOverlayText> FOverlayTexts;
  // Matrices and viewport of the frame being drawn, for the read-outs.
  std::array<double, 16> FModelView{};
  std::array<double, 16> FProjection{};
  std::array<int, 4> FViewport{};
};

// The one 3-D view of the run (created hidden at start-up), or nullptr.
extern TGLview *GLview;

} // namespace calidarix
