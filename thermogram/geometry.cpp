// In-place geometric operations on the raw frame: square pixels, mirror, flip, crop, doubling and
// halving, rotation. None of them touches Scale or Offset, so every raw value keeps its temperature.
//
// Rectangles from callers are normalised and clipped to the frame; an operation whose result would
// be empty or wider or taller than 65535 leaves the thermogram unchanged. An operation that moves
// pixels drops the isotherm contours, which were traced on the old arrangement.

#include "platform/numbers.h"
#include "thermogram/frame_size.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace calidarix {

namespace {

// The mean of two raw values with the fraction dropped.
std::uint16_t Mean(std::uint16_t a, std::uint16_t b) {
  return static_cast<std::uint16_t>((static_cast<unsigned>(a) + b) >> 1);
}

// Normalised rectangle with Left/Top and Right/Bottom clipped to 0 .. limitX and 0 .. limitY.
TRect NormalisedClipped(const TRect &rect, int limitX, int limitY) {
  TRect r;
  r.Left = std::clamp(std::min(rect.Left, rect.Right), 0, limitX);
  r.Right = std::clamp(std::max(rect.Left, rect.Right), 0, limitX);
  r.Top = std::clamp(std::min(rect.Top, rect.Bottom), 0, limitY);
  r.Bottom = std::clamp(std::max(rect.Top, rect.Bottom), 0, limitY);
  return r;
}

// An inclusive rectangle that overlaps the frame at all, clipped to it.
bool ClipInclusive(const TRect &rect, int w, int h, TRect &clipped) {
  const int left = std::min(rect.Left, rect.Right);
  const int right = std::max(rect.Left, rect.Right);
  const int top = std::min(rect.Top, rect.Bottom);
  const int bottom = std::max(rect.Top, rect.Bottom);
  if (right < 0 || bottom < 0 || left >= w || top >= h) {
    return false;
  }
  clipped = NormalisedClipped(rect, w - 1, h - 1);
  return true;
}

} // namespace

void TDTV::ResampleToAspect() {
  if (!HasFrame(*this)) {
    return;
  }
  const std::int64_t w = Width();
  const std::int64_t h = Height();
  const double a = static_cast<double>(w) / static_cast<double>(h);
  if (a == FAspect) {
    return;
  }
  std::int64_t newW = w;
  std::int64_t newH = h;
  if (a < FAspect) {
    newW = TruncToInt64(static_cast<double>(h) * FAspect);
  } else {
    newH = TruncToInt64(static_cast<double>(w) / FAspect);
  }
  if (!FitsComputedFrame(newW, newH)) {
    return;
  }
  // Integer arithmetic gives the exact Trunc(i / W' x W) the nearest-neighbour pick stands for.
  std::vector<std::uint16_t> out(static_cast<std::size_t>(newW * newH));
  for (std::int64_t j = 0; j < newH; ++j) {
    const std::int64_t sy = j * h / newH;
    for (std::int64_t i = 0; i < newW; ++i) {
      const std::int64_t sx = i * w / newW;
      out[static_cast<std::size_t>(j * newW + i)] = FRaw[static_cast<std::size_t>(sy * w + sx)];
    }
  }
  ReplaceFrame(*this, newW, newH, std::move(out));
  SetAspect(static_cast<double>(newW) / static_cast<double>(newH));
}

void TDTV::MirrorRect(const TRect &rect) {
  TRect r;
  if (!HasFrame(*this) || !ClipInclusive(rect, Width(), Height(), r)) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  for (int y = r.Top; y <= r.Bottom; ++y) {
    const auto row = FRaw.begin() + static_cast<std::ptrdiff_t>(y * w);
    std::reverse(row + r.Left, row + r.Right + 1);
  }
  FIsoPoints.clear();
}

void TDTV::FlipRect(const TRect &rect) {
  TRect r;
  if (!HasFrame(*this) || !ClipInclusive(rect, Width(), Height(), r)) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  for (int top = r.Top, bottom = r.Bottom; top < bottom; ++top, --bottom) {
    const auto upper = FRaw.begin() + static_cast<std::ptrdiff_t>(top * w);
    const auto lower = FRaw.begin() + static_cast<std::ptrdiff_t>(bottom * w);
    std::swap_ranges(upper + r.Left, upper + r.Right + 1, lower + r.Left);
  }
  FIsoPoints.clear();
}

void TDTV::CropToRect(const TRect &rect) {
  if (!HasFrame(*this)) {
    return;
  }
  const int w = Width();
  const TRect r = NormalisedClipped(rect, w, Height());
  const int newW = r.Right - r.Left;
  const int newH = r.Bottom - r.Top;
  if (!FitsFrameSides(newW, newH)) {
    return;
  }
  std::vector<std::uint16_t> out(static_cast<std::size_t>(newW) * newH);
  for (int y = 0; y < newH; ++y) {
    const auto source =
        FRaw.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(r.Top + y) * w + r.Left);
    std::copy_n(source, newW, out.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * newW));
  }
  const double pixelAspect = FPixelAspect;
  ReplaceFrame(*this, newW, newH, std::move(out));
  // Keep the shape of one pixel on screen.
  SetAspect(static_cast<double>(newW) / newH / pixelAspect);
}

void TDTV::DoubleWidth() {
  if (!HasFrame(*this) || !FitsFrameSides(std::int64_t{Width()} * 2, Height())) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  const std::size_t h = static_cast<std::size_t>(Height());
  std::vector<std::uint16_t> out(w * 2 * h);
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint16_t *in = &FRaw[y * w];
    std::uint16_t *row = &out[y * w * 2];
    for (std::size_t x = 0; x < w; ++x) {
      row[2 * x] = in[x];
      row[2 * x + 1] = x + 1 < w ? Mean(in[x], in[x + 1]) : in[x];
    }
  }
  FHeader.Width = static_cast<std::uint16_t>(w * 2);
  FRaw = std::move(out);
  FIsoPoints.clear();
}

void TDTV::HalveWidth() {
  if (!HasFrame(*this) || Width() < 2) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  const std::size_t h = static_cast<std::size_t>(Height());
  const std::size_t newW = w / 2;
  std::vector<std::uint16_t> out(newW * h);
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < newW; ++x) {
      out[y * newW + x] = Mean(FRaw[y * w + 2 * x], FRaw[y * w + 2 * x + 1]);
    }
  }
  FHeader.Width = static_cast<std::uint16_t>(newW);
  FRaw = std::move(out);
  FIsoPoints.clear();
  // Halving is used on double-width camera frames, which are shown at the camera's own aspect.
  SetAspect(256.0 / 216.0);
}

void TDTV::DoubleHeight() {
  if (!HasFrame(*this) || !FitsFrameSides(Width(), std::int64_t{Height()} * 2)) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  const std::size_t h = static_cast<std::size_t>(Height());
  std::vector<std::uint16_t> out(w * h * 2);
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint16_t *in = &FRaw[y * w];
    const std::uint16_t *next = y + 1 < h ? &FRaw[(y + 1) * w] : in;
    std::copy_n(in, w, &out[2 * y * w]);
    std::uint16_t *between = &out[(2 * y + 1) * w];
    for (std::size_t x = 0; x < w; ++x) {
      between[x] = Mean(in[x], next[x]);
    }
  }
  FHeader.Height = static_cast<std::uint16_t>(h * 2);
  FRaw = std::move(out);
  FIsoPoints.clear();
}

void TDTV::HalveHeight() {
  if (!HasFrame(*this) || Height() < 2) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  const std::size_t newH = static_cast<std::size_t>(Height()) / 2;
  std::vector<std::uint16_t> out(w * newH);
  for (std::size_t y = 0; y < newH; ++y) {
    for (std::size_t x = 0; x < w; ++x) {
      out[y * w + x] = Mean(FRaw[2 * y * w + x], FRaw[(2 * y + 1) * w + x]);
    }
  }
  FHeader.Height = static_cast<std::uint16_t>(newH);
  FRaw = std::move(out);
  FIsoPoints.clear();
}

void TDTV::RotateByAngle(double angle) {
  if (!HasFrame(*this) || !std::isfinite(angle)) {
    return;
  }
  const int w = Width();
  const int h = Height();
  const int cx = w / 2;
  const int cy = h / 2;
  const double radians = angle / 180.0 * std::numbers::pi;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  // Forward mapping: each source pixel also covers its right neighbour, which closes most of the
  // one-pixel holes a forward rotation leaves. Later writes win, in source order.
  std::vector<std::uint16_t> out(FRaw.size(), 0);
  for (int y = 0; y < h; ++y) {
    const double dy = y - cy;
    for (int x = 0; x < w; ++x) {
      const double dx = x - cx;
      const int nx = RoundToInt32(dx * c - dy * s + cx);
      const int ny = RoundToInt32(dx * s + dy * c + cy);
      if (nx < 0 || nx >= w || ny < 0 || ny >= h) {
        continue;
      }
      const std::uint16_t v = FRaw[static_cast<std::size_t>(y) * w + x];
      const std::size_t at = static_cast<std::size_t>(ny) * w + nx;
      out[at] = v;
      if (nx < w - 1) {
        out[at + 1] = v;
      }
    }
  }
  FRaw = std::move(out);
  FIsoPoints.clear();
}

void TDTV::Rotate90(bool clockwise) {
  if (!HasFrame(*this)) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(Width());
  const std::size_t h = static_cast<std::size_t>(Height());
  // The result is h wide and w high.
  std::vector<std::uint16_t> out(w * h);
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < w; ++x) {
      const std::size_t nx = clockwise ? h - 1 - y : y;
      const std::size_t ny = clockwise ? x : w - 1 - x;
      out[ny * h + nx] = FRaw[y * w + x];
    }
  }
  FHeader.Width = static_cast<std::uint16_t>(h);
  FHeader.Height = static_cast<std::uint16_t>(w);
  FRaw = std::move(out);
  FIsoPoints.clear();
  std::swap(FHeader.HorzExtent, FHeader.VertExtent);
  SetAspect(1.0 / FAspect);
}

} // namespace calidarix
