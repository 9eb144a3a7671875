// The 3-D view's commands: the switch routine, the keys and the mouse, the animated transitions and the
// small commands. Each gathers the check marks it needs, calls the headless view code, and paints.

#include "analysis/ui/gl_view.h"

#include "analysis/view3d_input.h"
#include "analysis/view3d_mesh.h"
#include "analysis/view3d_transitions.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

namespace calidarix {

namespace {

using A = TViewAction;

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers) {
  return TShiftState{modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::AltModifier),
                     modifiers.testFlag(Qt::ControlModifier)};
}

// The window as the transitions see it: they paint every step at once and let the event loop run.
class TViewHost : public TTransitionHost {
public:
  explicit TViewHost(TGLview &view) : FView(view) {}
  bool Visible() const override { return FView.isVisible(); }
  void Paint() override { FView.FormPaint(); }
  void ProcessEvents() override { QApplication::processEvents(); }
  void ShowWireGrid() override { FView.Action(TViewAction::aGridOnly)->setChecked(true); }

private:
  TGLview &FView;
};

void LogRefused(const char *what) {
  if (logger)
    logger->AppendLine(
        QStringLiteral("3-D view: %1 waits for the running animation").arg(QLatin1String(what)));
}

} // namespace

bool TGLview::Checked(TViewAction id) const {
  return Action(id)->isChecked();
}

void TGLview::SetChecked(TViewAction id, bool on) {
  Action(id)->setChecked(on);
}

void TGLview::Execute(TViewAction id) {
  switch (id) {
  case A::aPrint:
    print1Click();
    return;
  case A::aCoordinateGrid:
  case A::aFixedLight:
    FormPaint();
    return;
  case A::F11:
    F11Execute();
    return;
  case A::SaveEveryFrame:
    SaveEveryFrameExecute();
    return;
  case A::aTransparency:
    aTransparencyExecute();
    return;
  case A::aMorph:
    aMorphExecute();
    return;
  case A::a0pos:
    a0posExecute();
    return;
  case A::aResetView:
    aResetViewExecute();
    return;
  case A::aExit:
    close();
    return;
  case A::aUseShader:
    aUseShaderExecute();
    return;
  case A::aShaderForGLSL11:
    aShaderForGLSL11Execute();
    return;
  case A::aZeroFromView:
    aZeroFromViewExecute();
    return;
  case A::aTemperatureSample:
    aTemperatureSampleExecute();
    return;
  case A::aTurn:
    aTurnExecute();
    return;
  case A::aFlyMode:
    aFlyModeExecute();
    return;
  case A::a128:
  case A::a256:
  case A::aProcessPano:
    return; // no command
  default:
    ApplySwitches(id);
    return;
  }
}

void TGLview::ApplySwitches(TViewAction sender) {
  const TViewActionSpec &entry = ViewActionSpec(sender);
  const QLatin1String category(entry.Category);
  if (category == QLatin1String("VertexLimit")) {
    State.VertexLimit = static_cast<std::int64_t>(entry.Tag) * 131072;
    if (!FBoxMode)
      DTVchanged();
  } else if (category == QLatin1String("Projection")) {
    if (entry.Tag == 9 || entry.Tag == 10) {
      if (!FBoxMode)
        ReProject(State.ProjectionKind);
      if (entry.Tag == 10) {
        const bool flat = State.ReliefScale == 0.0f;
        State.ReliefScale = flat ? 1.0f : 0.0f;
        SetChecked(A::aLighting, flat);
        ApplyGLSwitches(sender, true);
      }
    } else if (!FBoxMode) {
      State.ProjectionKind = entry.Tag;
      ReProject(entry.Tag);
    }
  } else if (category == QLatin1String("BoxSide")) {
    State.BoxSide = entry.Tag;
    if (FBoxMode)
      ChangeToBoxMode(true);
  } else {
    ApplyGLSwitches(sender, false);
  }
}

void TGLview::ApplyGLSwitches(TViewAction sender, bool repaint) {
  if (sender == A::aDynamic)
    State.SpinStep = 0.15;
  FColorArrayOn = Checked(A::aColour);
  FLightingOn = Checked(A::aLighting);
  FBlendOn = Checked(A::aBlending);
  FSmoothShade = Checked(A::aSmoothShade);
  FormPaint();
  if (repaint)
    FormPaint();
}

void TGLview::ReProject(int kind) {
  if (!CurrentDTV)
    return;
  TViewHost host(*this);
  const TTransitionEnd end =
      calidarix::ReProject(State, host, CurrentDTV->FScanReconstructed, ScanAnglesOf(*CurrentDTV), kind,
                           Checked(A::BiasProjection) ? 1.0 : 0.0, Checked(A::RadialLevel));
  if (end == TTransitionEnd::Refused)
    LogRefused("the projection");
}

void TGLview::aMorphExecute() {
  if (!CurrentDTV)
    return;
  TViewHost host(*this);
  if (PlayMorphTour(State, host, CurrentDTV->FScanReconstructed, ScanAnglesOf(*CurrentDTV),
                    Checked(A::RadialLevel)) == TTransitionEnd::Refused)
    LogRefused("the tour");
}

void TGLview::aZeroFromViewExecute() {
  TViewHost host(*this);
  if (ZeroFromView(State, host, Checked(A::aZeroFromView)) == TTransitionEnd::Refused)
    LogRefused("the flight");
}

void TGLview::aTurnExecute() {
  TViewHost host(*this);
  if (TurnScene(State, host) == TTransitionEnd::Refused)
    LogRefused("the turn");
}

void TGLview::aResetViewExecute() {
  ResetView(true);
}

void TGLview::aTransparencyExecute() {
  ApplyTransparency(State.MeshColors, Checked(A::aTransparency));
  FormPaint();
}

void TGLview::aUseShaderExecute() {
  FUseColorProgram =
      Checked(A::aUseShader) && GLSLVersion >= 12 && Checked(A::aShaderForGLSL11) && ColorProgram != 0;
  FormPaint();
}

void TGLview::aShaderForGLSL11Execute() {
  if (FBoxMode)
    ChangeToBoxMode(true);
  else
    aUseShaderExecute();
}

void TGLview::a0posExecute() {
  State.ViewDistance = 0.0f;
}

void TGLview::aTemperatureSampleExecute() {
  // The read-out turns a screen point into a direction of the panorama: only the box mode of a
  // thermogram with scan angles has one.
  if (Checked(A::aTemperatureSample))
    SetChecked(A::aTemperatureSample, false);
  else if (FBoxMode && CurrentDTV && CurrentDTV->FScanReconstructed)
    SetChecked(A::aTemperatureSample, true);
}

void TGLview::aFlyModeExecute() {
  if (!Checked(A::aFlyMode))
    return;
  const float v = State.ViewDistance;
  State.LookPoint = {-v / 2.0f, -v / 2.0f, -v};
  State.EyePoint = {0.0f, 0.0f, 0.0f};
  State.SpinAngle = 0.0f;
  State.TiltAngle = 0.0f;
}

void TGLview::DTVchanged() {
  if (!isVisible())
    return;
  ClearMesh(State);
  if (FBoxMode) {
    // The box shows the new thermogram (the frame display keeps its own frames); one without scan
    // angles leaves an empty box rather than the faces of another thermogram.
    if (!FPanoLoaded) {
      if (CurrentDTV && CurrentDTV->FScanReconstructed)
        BuildBoxFaces();
      else
        ClearBoxFaces();
    }
    update();
    return;
  }
  if (!CurrentDTV)
    return;
  BuildSurfaceMesh(State, *CurrentDTV, Checked(A::aTransparency));
  ApplySwitches(A::aExit);
  FUseColorProgram = Checked(A::aUseShader) && GLSLVersion >= 12 && Checked(A::aShaderForGLSL11);
  ReValPallette();
  update();
}

void TGLview::UpdatePalette(bool paletteChanged, bool isoChanged, bool rebind) {
  if (!isVisible() || !CurrentDTV)
    return;
  if (!FBoxMode) {
    CurrentDTV->FillColorTexture(State.MeshColors, State.SampleStep, TPoint{State.MeshCols, State.MeshRows},
                                 true);
    update();
    return;
  }
  // Faces built as RGBA texels carry the colours of the palette they were built with.
  if (!FBoxShaded && !FPanoLoaded)
    BuildBoxFaces();
  if (MakeCurrent()) {
    if (rebind)
      UploadPaletteTextures(true, true);
    else if (GLSLVersion >= 12 && Checked(A::aShaderForGLSL11) && (paletteChanged || isoChanged))
      UploadPaletteTextures(paletteChanged, isoChanged);
    SetPaletteUniforms(true);
  }
  update();
}

void TGLview::ReValPallette() {
  FUniformsDirty = true;
}

bool TGLview::event(QEvent *event) {
  // Tab is a command of the view, not a move of the focus.
  if (event->type() == QEvent::KeyPress) {
    keyPressEvent(static_cast<QKeyEvent *>(event));
    return true;
  }
  return QWidget::event(event);
}

void TGLview::keyPressEvent(QKeyEvent *event) {
  event->accept();
  // "Save Every Frame" keeps its key while it is hidden, and Qt disables hidden actions.
  const int id = ShortcutAction(event->key(), event->modifiers(),
                                [this](A a) { return Action(a)->isEnabled() || a == A::SaveEveryFrame; });
  if (id >= 0) {
    QAction *action = Action(static_cast<A>(id));
    if (action->isEnabled()) {
      action->trigger();
    } else {
      action->setChecked(!action->isChecked());
      Execute(static_cast<A>(id));
    }
    return;
  }
  FormKeyDown(event);
}

void TGLview::FormKeyDown(QKeyEvent *event) {
  if (AdvanceKeySequence(State.KeySeqPos, event->key())) {
    Action(A::SaveEveryFrame)->setVisible(true);
    Action(A::SaveEveryFrame)->setEnabled(true);
    if (ShowMessage)
      ShowMessage(QStringLiteral("Here we are in ServiceMode"));
  }
  const TViewKeyContext context{isFullScreen() || isMaximized(), Checked(A::aFlyMode),
                                ShiftOf(event->modifiers())};
  const TViewKeyEffects e = ViewKeyDown(State, ViewKeyOf(event->key(), event->modifiers()), context);
  if (e.LeaveFullScreen)
    LeaveFullScreen(480);
  if (e.Close)
    close();
  if (e.ResetView)
    Action(A::aResetView)->trigger();
  if (e.PopupMenu)
    PopupMenu1->popup(QCursor::pos());
  if (e.Resize)
    FormResize();
  if (e.Paint)
    FormPaint();
  if (e.UncheckDynamic)
    SetChecked(A::aDynamic, false);
}

void TGLview::mousePressEvent(QMouseEvent *event) {
  const TMouseButton button = event->button() == Qt::RightButton  ? TMouseButton::Right
                              : event->button() == Qt::LeftButton ? TMouseButton::Left
                                                                  : TMouseButton::Middle;
  const QPoint at = event->position().toPoint();
  if (ViewMouseDown(State, button, ShiftOf(event->modifiers()), at.x(), at.y()).UncheckDynamic)
    SetChecked(A::aDynamic, false);
}

void TGLview::mouseMoveEvent(QMouseEvent *event) {
  const QPoint at = event->position().toPoint();
  const TViewMouseContext context{FBoxMode, Checked(A::a3Dstereo), Checked(A::aGridOnly),
                                  Checked(A::aTemperatureSample)};
  const TViewMouseEffects e = ViewMouseMove(State, ShiftOf(event->modifiers()), at.x(), at.y(), context);
  if (e.StereoCaption)
    setWindowTitle(QString::fromStdString(FloatToText(*e.StereoCaption)));
  if (e.Paint)
    FormPaint();
}

void TGLview::mouseReleaseEvent(QMouseEvent *event) {
  if (ViewMouseUp(State, ShiftOf(event->modifiers()), FBoxMode).Paint)
    FormPaint();
  State.PanDragging = false;
}

void TGLview::mouseDoubleClickEvent(QMouseEvent *) {
  State.PickPending = true;
  FormPaint();
}

void TGLview::wheelEvent(QWheelEvent *event) {
  const int delta = event->angleDelta().y();
  if (delta == 0)
    return;
  ViewMouseWheel(State, delta > 0, ShiftOf(event->modifiers()), Checked(A::aFlyMode), FPanoLoaded);
  FormResize();
}

} // namespace calidarix
