#include "thermogram/image_layout.h"

#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace calidarix {

namespace {

bool UsablePositive(double v) {
  return std::isfinite(v) && v > 0.0;
}

// The two ways of fitting the frame: filling the box's width or its height, the other dimension
// centred (with a negative offset when the image is smaller than the box there).
void ApplyWidthFit(TImageView &view, double pw, double ph) {
  view.Zoom = pw / view.Width;
  view.ViewOffsetX = 0.0;
  view.ViewOffsetY = (view.Height - ph / (view.Zoom * view.PixelAspect)) / 2.0;
}

void ApplyHeightFit(TImageView &view, double pw, double ph) {
  view.Zoom = ph / view.Height / view.PixelAspect;
  view.ViewOffsetX = (view.Width - pw / view.Zoom) / 2.0;
  view.ViewOffsetY = 0.0;
}

} // namespace

TImageView ImageViewOf(const TDTV &dtv) {
  TImageView view;
  view.Width = dtv.Width();
  view.Height = dtv.Height();
  view.Aspect = dtv.FAspect;
  view.PixelAspect = dtv.FPixelAspect;
  view.Zoom = dtv.FZoom;
  view.ViewOffsetX = dtv.FViewOffsetX;
  view.ViewOffsetY = dtv.FViewOffsetY;
  return view;
}

void ApplyImageView(const TImageView &view, TDTV &dtv) {
  dtv.FPixelAspect = view.PixelAspect;
  dtv.FZoom = view.Zoom;
  dtv.FViewOffsetX = view.ViewOffsetX;
  dtv.FViewOffsetY = view.ViewOffsetY;
}

bool FitImageLayout(TImageView &view, const TRect &box, bool fit, bool &zoomFitted) {
  const double pw = static_cast<double>(box.Right) - box.Left;
  const double ph = static_cast<double>(box.Bottom) - box.Top;
  if (pw <= 0.0 || ph <= 0.0 || view.Width <= 0 || view.Height <= 0 || !UsablePositive(view.Aspect)) {
    return false;
  }
  view.PixelAspect = static_cast<double>(view.Width) / view.Height / view.Aspect;

  // A box narrower than the frame's display shape is filled across, a wider one from top to bottom.
  const bool byWidth = pw / ph <= view.Aspect;
  const double fitZoom = byWidth ? pw / view.Width : ph / view.Height / view.PixelAspect;

  // The kept zoom is compared with the fit zoom itself rather than by multiplying it back into box
  // pixels, so a view that was just fitted stays fitted despite rounding.
  if (fit || !UsablePositive(view.Zoom) || view.Zoom <= fitZoom) {
    if (byWidth) {
      ApplyWidthFit(view, pw, ph);
    } else {
      ApplyHeightFit(view, pw, ph);
    }
    zoomFitted = true;
    return true;
  }

  // Zoomed in beyond the fit: keep the zoom and centre the view.
  view.ViewOffsetX = (view.Width - pw / view.Zoom) / 2.0;
  view.ViewOffsetY = (view.Height - ph / (view.Zoom * view.PixelAspect)) / 2.0;
  zoomFitted = false;
  return true;
}

bool ZoomToImageRect(TImageView &view, const TRect &imageRect, const TRect &viewRect, bool fitAspect) {
  // The centre is taken from the rectangle's smaller corner, so a rectangle dragged up or leftwards
  // is centred like the same rectangle dragged the other way.
  const std::int64_t left = std::min(imageRect.Left, imageRect.Right);
  const std::int64_t top = std::min(imageRect.Top, imageRect.Bottom);
  const std::int64_t iw = std::llabs(static_cast<std::int64_t>(imageRect.Right) - imageRect.Left);
  const std::int64_t ih = std::llabs(static_cast<std::int64_t>(imageRect.Bottom) - imageRect.Top);
  const double vw = std::fabs(static_cast<double>(viewRect.Right) - viewRect.Left);
  const double vh = std::fabs(static_cast<double>(viewRect.Bottom) - viewRect.Top);
  if (iw == 0 || ih == 0 || vw == 0.0 || vh == 0.0 || !UsablePositive(view.PixelAspect)) {
    return false;
  }

  double zoom = view.Zoom;
  if (fitAspect) {
    if (!UsablePositive(view.Aspect)) {
      return false;
    }
    const double rectShape = static_cast<double>(iw) / static_cast<double>(ih);
    if (vw / vh > rectShape * view.Aspect) {
      zoom = vw / static_cast<double>(iw);
    } else {
      zoom = vh / static_cast<double>(ih) / view.PixelAspect;
    }
  }
  if (!UsablePositive(zoom)) {
    return false;
  }

  const double cx = static_cast<double>(left + iw / 2);
  const double cy = static_cast<double>(top + ih / 2);
  view.Zoom = zoom;
  view.ViewOffsetX = cx - TruncToInt32(vw / 2.0 / zoom);
  view.ViewOffsetY = cy - TruncToInt32(vh / 2.0 / zoom) / view.PixelAspect;
  return true;
}

} // namespace calidarix
