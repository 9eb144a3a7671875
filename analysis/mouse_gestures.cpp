#include "analysis/mouse_gestures.h"

#include "analysis/coordinate_mapping.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace calidarix {

namespace {

TPoint ImagePixel(const TGestureContext &context, int x, int y) {
  return TPoint{GetRealX(context.View, x), GetRealY(context.View, y)};
}

bool SameRect(const TAreaRecord &a, const TAreaRecord &b) {
  return a.Rect() == b.Rect();
}

void LeftDown(TGestureState &state, TMarkerLists &markers, const TGestureContext &context, TPoint pixel,
              TShiftState shift, TGestureEffects &e) {
  state.ImageLeftDown = true;
  if (context.AngleTool)
    return;
  if (context.ProfileMode) {
    markers.FProfileLine = TLineRecord{pixel.X, pixel.Y, pixel.X, pixel.Y};
    if (!markers.FProfileLines.empty())
      markers.FProfileLines[0] = TLineRecord{};
    e.ProfileStarted = true;
    e.OverlayChanged = true;
    return;
  }
  state.FRubberBand = true;
  TAreaRecord &area = markers.FCurrentArea;
  const TRect hit{area.Left, area.Top, area.Right + 1, area.Bottom};
  if (PtInArray(hit, pixel, context.ArrayType)) {
    state.FAreaMoving = true;
    markers.FDragArea = area;
  } else {
    area.SetRect(TRect{pixel.X, pixel.Y, pixel.X, pixel.Y});
  }
  e.OverlayChanged = true;
  if ((shift.Alt || shift.Ctrl) && state.FAreaMoving && !context.GridShown) {
    if (shift.Alt) {
      e.Crop = true;
      // The area holds its last column and row; the crop takes a half-open rectangle.
      const TRect r = NormalizeRect(area.Rect());
      e.CropRect = TRect{r.Left, r.Top, r.Right + 1, r.Bottom + 1};
      ClearMarkerLists(markers);
    } else {
      e.ZoomToArea = true;
    }
    state.FAreaMoving = false;
    state.FRubberBand = false;
    state.FImageMouseDown = false;
  }
}

void RightDown(TGestureState &state, TMarkerLists &markers, const TGestureContext &context, TPoint pixel,
               TShiftState shift, TGestureEffects &e) {
  state.ImageRightDown = true;
  if (context.AngleTool)
    return;
  if (shift.Alt && !context.ScanRunning) {
    ClearMarkerLists(markers);
    e.ResetAll = true;
    return;
  }
  e.SidecarChanged = true;
  if (context.CtrlDown) {
    e.ZoomReset = true;
    return;
  }
  const TAreaRecord &current = markers.FCurrentArea;
  if (PtInArray(current.Rect(), pixel, 0)) {
    state.FDragInside = true;
    const bool stored = std::any_of(markers.FAreas.begin(), markers.FAreas.end(),
                                    [&](const TAreaRecord &a) { return SameRect(a, current); });
    if (!stored) {
      TAreaRecord copy = current;
      copy.RawMin = copy.RawMax = copy.RawAvg = 0;
      copy.Count = static_cast<std::int32_t>(markers.FAreas.size()) + 1;
      markers.FAreas.push_back(copy);
      e.AreaStored = true;
      e.OverlayChanged = true;
      if (context.TimeGraphShown)
        e.StoreTimeProfile = context.ArrayStatisticAll ? 3 : 1;
    }
  } else {
    if (AddPoint(markers.FPoints, pixel.X, pixel.Y, context.View.Width, context.View.Height)) {
      e.PointAdded = true;
      e.OverlayChanged = true;
    }
    if (context.TimeGraphShown)
      e.StoreTimeProfile = 1;
  }
  if (context.ResolutionOn)
    e.ShowResolutionRatio = true;
}

// The angle tool's arm towards the mouse; a mouse on the vertex gives no direction and changes nothing.
void TurnAngleArm(TGestureState &state, int dx, int dy, bool firstArm) {
  if (dx == 0 && dy == 0)
    return;
  const double slope = static_cast<double>(dy) / static_cast<double>(dx);
  int a = RoundToInt32(90.0 - std::atan(slope) * 180.0 / std::numbers::pi);
  if (firstArm) {
    if (a > 180)
      a = 180 - a;
    if (a < 0)
      a = -a;
    state.FAngleArms[0] = a;
  } else {
    a %= 180;
    state.FAngleArms[1] = a < 0 ? -a : a;
  }
}

void Pan(TGestureState &state, TGestureContext &context, int x, int y, bool wholeFrame) {
  TImageView &v = context.View;
  if (context.BoxWidth <= 0 || context.BoxHeight <= 0 || !(v.Zoom > 0.0) || !(v.PixelAspect > 0.0))
    return;
  const double mx = static_cast<double>(state.FMousePos.X) - x;
  const double my = static_cast<double>(state.FMousePos.Y) - y;
  if (wholeFrame) {
    v.ViewOffsetX += mx / context.BoxWidth * v.Width;
    v.ViewOffsetY += my / context.BoxHeight * v.Height;
  } else {
    v.ViewOffsetX += mx / v.Zoom;
    v.ViewOffsetY += my / v.Zoom / v.PixelAspect;
  }
  v.ViewOffsetX = std::max(v.ViewOffsetX, 0.0);
  v.ViewOffsetY = std::max(v.ViewOffsetY, 0.0);
  const double lastX = v.Width - context.BoxWidth / v.Zoom;
  const double lastY = v.Height - context.BoxHeight / v.Zoom / v.PixelAspect;
  if (v.ViewOffsetX >= lastX)
    v.ViewOffsetX = lastX;
  if (v.ViewOffsetY >= lastY)
    v.ViewOffsetY = lastY;
}

} // namespace

TRect DragAreaCorner(TRect area, std::int32_t ix, std::int32_t iy, bool square, int width, int height) {
  std::int64_t l = area.Left;
  std::int64_t t = area.Top;
  std::int64_t r = ix;
  std::int64_t b = iy;
  if (square) {
    // The side that follows the other keeps the direction of the drag.
    const auto squareX = [&] { r = r >= l ? l + std::llabs(b - t) : l - std::llabs(b - t); };
    const auto squareY = [&] { b = b >= t ? t + std::llabs(r - l) : t - std::llabs(r - l); };
    if (std::llabs(r - l) < std::llabs(b - t))
      squareX();
    else if (std::llabs(r - l) > std::llabs(b - t))
      squareY();
    if (r < 0) {
      r = 0;
      squareY();
    }
    if (b < 0) {
      b = 0;
      squareX();
    }
    if (r > width - 1) {
      r = width - 1;
      squareY();
    }
    if (b > height - 1) {
      b = height - 1;
      squareX();
    }
  }
  return TRect{area.Left, area.Top, static_cast<std::int32_t>(r), static_cast<std::int32_t>(b)};
}

TRect MoveAreaInside(TRect area, std::int32_t dx, std::int32_t dy, int width, int height) {
  std::int64_t l = std::int64_t{area.Left} + dx;
  std::int64_t t = std::int64_t{area.Top} + dy;
  std::int64_t r = std::int64_t{area.Right} + dx;
  std::int64_t b = std::int64_t{area.Bottom} + dy;
  std::int64_t cx = 0;
  std::int64_t cy = 0;
  if (l < 0)
    cx = -l;
  if (t < 0)
    cy = -t;
  if (r > width - 1)
    cx = width - 1 - r;
  if (b > height - 1)
    cy = height - 1 - b;
  const auto i32 = [](std::int64_t v) { return static_cast<std::int32_t>(v); };
  return TRect{i32(l + cx), i32(t + cy), i32(r + cx), i32(b + cy)};
}

TGestureEffects ImageMouseDown(TGestureState &state, TMarkerLists &markers, TGestureContext &context,
                               TMouseButton button, int x, int y, TShiftState shift) {
  TGestureEffects e;
  const TPoint pixel = ImagePixel(context, x, y);
  if (context.FocusTool) {
    if (context.ScanRunning && context.View.Height > 0) {
      e.RequestFocus = true;
      e.FocusPosition = static_cast<double>(pixel.Y) / context.View.Height;
    }
    e.HideFocusTool = true;
    e.Repaint = true;
    return e;
  }
  state.FImageMouseDown = true;
  state.FMouseDownPos = TPoint{x, y};
  state.FMousePos = TPoint{x, y};
  if (button == TMouseButton::Left)
    LeftDown(state, markers, context, pixel, shift, e);
  else if (button == TMouseButton::Right)
    RightDown(state, markers, context, pixel, shift, e);
  return e;
}

TGestureEffects ImageMouseMove(TGestureState &state, TMarkerLists &markers, TGestureContext &context, int x,
                               int y, TShiftState shift) {
  TGestureEffects e;
  const TPoint pixel = ImagePixel(context, x, y);
  const int w2 = context.BoxWidth / 2;
  const int h2 = context.BoxHeight / 2;

  if (context.AngleTool && state.ImageRightDown) {
    TurnAngleArm(state, x - w2 - state.FAnglePos.X, y - h2 - state.FAnglePos.Y, shift.Alt);
    e.OverlayChanged = true;
    return e;
  }
  if (state.ImageRightDown && !shift.Alt && !context.CtrlDown && !context.PalDragActive) {
    // The label of the newest point, or of the area the right button just stored, follows the mouse.
    if (!state.FDragInside) {
      if (!markers.FPoints.empty()) {
        TPointRecord &p = markers.FPoints.back();
        p.DX = pixel.X - p.X;
        p.DY = pixel.Y - p.Y;
        e.OverlayChanged = true;
      }
      state.FDragInside = false;
    } else if (!markers.FAreas.empty()) {
      TAreaRecord &a = markers.FAreas.back();
      a.DX = static_cast<std::int32_t>(pixel.X - (std::int64_t{a.Left} + a.Right) / 2);
      a.DY = static_cast<std::int32_t>(pixel.Y - (std::int64_t{a.Top} + a.Bottom) / 2);
      e.OverlayChanged = true;
    }
    return e;
  }
  if (context.AngleTool && state.ImageLeftDown) {
    state.FAnglePos = TPoint{x - w2, y - h2};
    e.OverlayChanged = true;
    return e;
  }
  if (context.GridShown && state.ImageLeftDown) {
    if (shift.Alt)
      state.FGridStep =
          std::max(std::abs(w2 + state.FGridOffset.X - x), std::abs(h2 + state.FGridOffset.Y - y));
    else
      state.FGridOffset = TPoint{x - w2, y - h2};
    e.OverlayChanged = true;
    return e;
  }
  if (markers.FCurrentArea.IsEmpty() && context.TimeGraphShown) {
    e.PixelTimeProfile = true;
    e.Pixel = pixel;
  }
  const bool dragging = state.ImageLeftDown && state.FImageMouseDown;
  if (dragging && !shift.Ctrl) {
    if (context.ProfileMode) {
      markers.FProfileLine.X2 = pixel.X;
      markers.FProfileLine.Y2 = pixel.Y;
      e.ProfileChanged = true;
    } else if (state.FAreaMoving) {
      markers.FCurrentArea = markers.FDragArea;
      const std::int32_t dx =
          GetRealXPure(context.View, x) - GetRealXPure(context.View, state.FMouseDownPos.X);
      const std::int32_t dy =
          GetRealYPure(context.View, y) - GetRealYPure(context.View, state.FMouseDownPos.Y);
      markers.FCurrentArea.SetRect(
          MoveAreaInside(markers.FCurrentArea.Rect(), dx, dy, context.View.Width, context.View.Height));
    } else {
      markers.FCurrentArea.SetRect(DragAreaCorner(markers.FCurrentArea.Rect(), pixel.X, pixel.Y, shift.Shift,
                                                  context.View.Width, context.View.Height));
    }
    e.OverlayChanged = true;
  } else if (dragging) {
    Pan(state, context, x, y, shift.Shift);
    e.ViewChanged = true;
  }
  state.FMousePos = TPoint{x, y};
  return e;
}

TGestureEffects ImageMouseUp(TGestureState &state, TMarkerLists &markers, TGestureContext &context,
                             TMouseButton button, int x, int y, TShiftState shift) {
  TGestureEffects e;
  const bool moved = TPoint{x, y} != state.FMouseDownPos;
  if (button == TMouseButton::Right) {
    state.ImageRightDown = false;
    e.Repaint = moved;
  } else if (button == TMouseButton::Left) {
    state.ImageLeftDown = false;
    if (state.FImageMouseDown && !shift.Ctrl) {
      state.FImageMouseDown = false;
      state.FRubberBand = false;
      TAreaRecord &area = markers.FCurrentArea;
      if (context.ProfileMode) {
        if (!moved) {
          markers.FProfileLine = TLineRecord{};
          e.ProfileCleared = true;
        }
      } else if (moved || state.FAreaMoving) {
        state.FAreaMoving = false;
        area.SetRect(NormalizeRect(area.Rect()));
        // Under 2 x 2 pixels, or a single column or row, which no statistic can measure: a click.
        const bool tooSmall = (area.Right - area.Left < 2 && area.Bottom - area.Top < 2) ||
                              area.Right == area.Left || area.Bottom == area.Top;
        if (tooSmall) {
          area.SetRect(TRect{});
          e.AreaTooSmall = true;
        } else {
          e.CountArea = true;
        }
      } else {
        area.SetRect(TRect{});
        e.AreaCleared = true;
      }
      e.OverlayChanged = true;
      e.Repaint = true;
    }
  }
  state.FDragInside = false;
  return e;
}

TGestureEffects ImageDoubleClick() {
  TGestureEffects e;
  e.FitPalette = true;
  e.Repaint = true;
  return e;
}

} // namespace calidarix
