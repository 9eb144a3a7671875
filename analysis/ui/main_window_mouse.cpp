// The mouse on the image box: the readout under the cursor, and the gestures of the marker tools, which
// the headless state machine decides and this file carries out on the window.

#include "mainwindow/ui/main_window.h"

#include "analysis/coordinate_mapping.h"
#include "analysis/measure_texts.h"
#include "mainwindow/ui/logger_window.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QLabel>
#include <QToolButton>

#include <algorithm>
#include <optional>

namespace calidarix {

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers) {
  return TShiftState{modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::AltModifier),
                     modifiers.testFlag(Qt::ControlModifier)};
}

std::optional<TMouseButton> ButtonOf(Qt::MouseButton button) {
  switch (button) {
  case Qt::LeftButton:
    return TMouseButton::Left;
  case Qt::RightButton:
    return TMouseButton::Right;
  case Qt::MiddleButton:
    return TMouseButton::Middle;
  default:
    return std::nullopt;
  }
}

void SetTextIfChanged(QLabel *label, const QString &text) {
  if (label->text() != text)
    label->setText(text);
}

// The gesture fields that the window kept before the measurement tools live in the window; the state
// machine works on a copy that goes back after each event.
class GestureFields {
public:
  explicit GestureFields(TCalidarix &w) : w_(w) {
    TGestureState &g = w_.FMeasure.Gesture;
    g.FMousePos = w_.FMousePos;
    g.FRubberBand = w_.FRubberBand;
    g.FAnglePos = w_.FAnglePos;
    g.FAngleArms = w_.FAngleArms;
    g.FGridOffset = w_.FGridOffset;
    g.FGridStep = w_.FGridStep;
  }
  ~GestureFields() {
    const TGestureState &g = w_.FMeasure.Gesture;
    w_.FMousePos = g.FMousePos;
    w_.FRubberBand = g.FRubberBand;
    w_.FAnglePos = g.FAnglePos;
    w_.FAngleArms = g.FAngleArms;
    w_.FGridOffset = g.FGridOffset;
    w_.FGridStep = g.FGridStep;
  }
  GestureFields(const GestureFields &) = delete;
  GestureFields &operator=(const GestureFields &) = delete;

private:
  TCalidarix &w_;
};

} // namespace

TGestureContext TCalidarix::GatherGestureContext() {
  TGestureContext c;
  if (CurrentDTV)
    c.View = ImageViewOf(*CurrentDTV);
  c.BoxWidth = ImagePB->width();
  c.BoxHeight = ImagePB->height();
  c.ArrayType = ArrayType;
  c.ArrayStatisticAll = ArrayStatistic == 3;
  c.FocusTool = FFocusTool;
  c.AngleTool = FAngleTool;
  c.GridShown = GridOverlay;
  c.ProfileMode = FGraphShown;
  c.TimeGraphShown = FTimeGraphShown;
  c.CtrlDown = FCtrlDown;
  c.PalDragActive = PalDragActive;
  c.ScanRunning = FServices.acquisition->ScanRunning();
  c.ResolutionOn = ResSwitch && ResSwitch->isChecked();
  return c;
}

void TCalidarix::RepaintOverlays() {
  // The frame's rendering is cached; the box's next paint draws it again with the markers.
  ImagePB->update();
}

void TCalidarix::UpdateCursorReadout(int x, int y) {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const TImageView view = ImageViewOf(dtv);
  const std::int32_t xp = calidarix::GetRealXPure(view, x);
  const std::int32_t yp = calidarix::GetRealYPure(view, y);
  double fraction = -1.0;
  if (xp >= 0 && yp >= 0 && xp < dtv.Width() && yp < dtv.Height()) {
    SetTextIfChanged(XLabel, QString::number(xp));
    SetTextIfChanged(YLabel, QString::number(yp));
    const double t = dtv.TemperatureAt(xp, yp);
    const bool difference = FMeasure.FPointDiffMode && !FMarkers.FPoints.empty();
    const double shown =
        difference ? t - dtv.TemperatureAt(FMarkers.FPoints.front().X, FMarkers.FPoints.front().Y) : t;
    const QString text = CursorTemperatureText(shown, FIsInteger, difference);
    SetTextIfChanged(TemperatureLabel, text);
    SetTextIfChanged(TemperatureLabelWhite, text);
    // The bar's cursor marks the pixel's own temperature, also while differences are shown.
    fraction = PaletteCursorFraction(t, dtv.FRangeLocked, dtv.LockMin, dtv.LockMax, dtv.FHeader.Offset,
                                     dtv.FHeader.Scale);
  } else {
    for (QLabel *label : {XLabel, YLabel, TemperatureLabel, TemperatureLabelWhite})
      if (!label->text().isEmpty())
        label->clear();
  }
  if (fraction != PalCursorTemp && (fraction >= 0.0 || PalCursorTemp >= 0.0)) {
    PalCursorTemp = fraction;
    PalPB->update();
  }
}

void TCalidarix::ImagePBMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers) {
  const std::optional<TMouseButton> b = ButtonOf(button);
  if (!b || !CurrentDTV)
    return;
  TGestureContext context = GatherGestureContext();
  TGestureEffects effects;
  {
    GestureFields fields(*this);
    effects = ImageMouseDown(FMeasure.Gesture, FMarkers, context, *b, x, y, ShiftOf(modifiers));
  }
  CarryOutGesture(effects, context);
}

void TCalidarix::ImagePBMouseMove(int x, int y, Qt::KeyboardModifiers modifiers) {
  if (!CurrentDTV)
    return;
  UpdateCursorReadout(x, y);
  TGestureContext context = GatherGestureContext();
  TGestureEffects effects;
  {
    GestureFields fields(*this);
    effects = ImageMouseMove(FMeasure.Gesture, FMarkers, context, x, y, ShiftOf(modifiers));
  }
  CarryOutGesture(effects, context);
}

void TCalidarix::ImagePBMouseUp(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers) {
  const std::optional<TMouseButton> b = ButtonOf(button);
  if (!b || !CurrentDTV)
    return;
  TGestureContext context = GatherGestureContext();
  TGestureEffects effects;
  {
    GestureFields fields(*this);
    effects = ImageMouseUp(FMeasure.Gesture, FMarkers, context, *b, x, y, ShiftOf(modifiers));
  }
  CarryOutGesture(effects, context);
}

void TCalidarix::ImagePBDblClick() {
  TGestureContext context = GatherGestureContext();
  CarryOutGesture(ImageDoubleClick(), context);
}

void TCalidarix::ResetAllFromMouse() {
  TDTV &dtv = *CurrentDTV;
  // The demo image and a thermogram made in memory (averaged frames) have no file to read again;
  // their data stay as they are.
  if (!dtv.FFileName.isEmpty()) {
    const IoResult read = dtv.LoadFromFile(dtv.FFileName, std::max(dtv.FFrameIndex, 1));
    if (!read && logger)
      logger->AppendLine(read.message);
  }
  dtv.UpdateStatistics();
  UpdateImageStatsLabels();
  if (!dtv.FFilmRangeLock) {
    dtv.FRangeLocked = false;
    LockSB->setChecked(false);
  }
  dtv.FZoom = 1.0;
  dtv.FViewOffsetX = 0.0;
  dtv.FViewOffsetY = 0.0;
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ImagePBPaint(this);
  PalPBPaint(this);
  ScalePBPaint(this);
  // The window lays itself out again, as after a size change.
  WindowSized();
}

void TCalidarix::CarryOutGesture(const TGestureEffects &e, const TGestureContext &context) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  const TRect box{0, 0, ImagePB->width(), ImagePB->height()};
  if (e.RequestFocus)
    Note(ServiceStatus::NotAvailable, "Focus request to the camera");
  if (e.HideFocusTool)
    FFocusTool = false;
  if (e.Crop) {
    dtv.CropToRect(e.CropRect);
    FitImageLayout(box, true);
    ChangeDTV(false);
  }
  if (e.ZoomToArea)
    CropSBClick();
  if (e.ResetAll)
    ResetAllFromMouse();
  if (e.ZoomReset) {
    dtv.FZoom = 1.0;
    dtv.FViewOffsetX = 0.0;
    dtv.FViewOffsetY = 0.0;
    FitImageLayout(box, true);
    ChangeDTV(false);
  }
  if (e.SidecarChanged)
    FSidecarSaved = false;
  if (e.ShowResolutionRatio)
    ShowResolutionRatio();
  if (e.ViewChanged) {
    ApplyImageView(context.View, dtv);
    FZoomFitted = false;
    ImagePBPaint(this); // the view moved: the frame is rendered anew
  }
  if (e.CountArea) {
    CountArray(FMarkers.FCurrentArea, true);
    CountIso(FMarkers.FCurrentArea.Rect());
  }
  if (e.AreaTooSmall)
    for (QLabel *label : {MinLabel, MaxLabel, AvgLabel, PtsLabel})
      label->clear();
  if (e.AreaCleared) {
    dtv.UpdateStatistics();
    UpdateImageStatsLabels();
  }
  if (e.FitPalette) {
    FitPaletteWindowToRegion(false);
    ManualPaletteWindow = true;
    ImagePBPaint(this);
    PalPBPaint(this);
  }
  // The thermo profile along the line, the time profiles and the histogram of the area.
  CarryOutGraphGesture(e);
  if (e.OverlayChanged || e.Repaint)
    RepaintOverlays();
}

} // namespace calidarix
