// Pixel data for the 3-D view: the colour texture and height grid of the relief, and the six cube
// faces of a panorama shown inside a box. The view owns the destination arrays; these operations
// only fill them, growing an array that is too small rather than writing past its end.

#include "thermogram/cube_faces.h"

#include "thermogram/palette_render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace calidarix {

namespace {

constexpr double kPi = std::numbers::pi;
// Header angles are in 1/180 degree.
constexpr double kRadiansPerUnit = kPi / 32400.0;

template <typename T> void EnsureSize(std::vector<T> &v, std::size_t size) {
  if (v.size() < size) {
    v.resize(size);
  }
}

// The raw value of pixel (x, y), 0 outside the frame.
std::uint16_t PixelOrZero(const TDTV &t, std::int64_t x, std::int64_t y) {
  if (x < 0 || y < 0 || x >= t.Width() || y >= t.Height()) {
    return 0;
  }
  return t
      .FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(t.Width()) + static_cast<std::size_t>(x)];
}

std::size_t GridSize(TPoint count) {
  if (count.X <= 0 || count.Y <= 0) {
    return 0;
  }
  return static_cast<std::size_t>(count.X) * static_cast<std::size_t>(count.Y);
}

} // namespace

std::optional<FramePosition> CubeFaceSource(const TDTVHeader &header, int n, int face, int u, int v) {
  const double w = header.Width;
  const double h = header.Height;
  if (n < 1 || header.Width == 0 || header.Height == 0) {
    return std::nullopt;
  }
  const double dh = header.HorzExtent / w * kRadiansPerUnit; // radians per column
  const double dv = header.VertExtent / h * kRadiansPerUnit; // radians per row
  const double e = header.Elevation * kRadiansPerUnit;       // how far the bottom edge lies below the horizon
  const double c = (n - 1) / 2.0;
  const double s = 2.0 / n;
  double x = 0.0;
  double y = 0.0;
  if (face >= 0 && face <= 3) {
    const double fullCircle = header.HorzExtent >= 64799 ? w : 2.0 * kPi / dh;
    const double alpha = std::atan((c - u) * s);
    x = (face * kPi / 2.0 - alpha) / dh + w / 2.0;
    if (x > w) {
      x -= fullCircle;
    }
    y = h - e / dv - std::atan((c - v) * s * std::cos(alpha)) / dv;
  } else if (face == 4 || face == 5) {
    const double rho = std::sqrt((u - c) * (u - c) + (v - c) * (v - c)) / c;
    if (face == 4) {
      const double azimuth = std::atan2(u - c, c - v);
      x = w / 2.0 - azimuth / dh;
      y = h - (e + kPi / 2.0) / dv + std::atan(rho) / dv;
    } else {
      const double azimuth = std::atan2(u - c, v - c);
      x = w / 2.0 - azimuth / dh;
      y = h + (kPi / 2.0 - e) / dv - std::atan(rho) / dv;
    }
  } else {
    return std::nullopt;
  }
  // Written so that a not-a-number position (no angles in the header) counts as outside. The last row
  // is never sampled, so the sampler always has a row below.
  if (!(x >= 0.0 && x < w && y >= 0.0 && y < h - 1.0)) {
    return std::nullopt;
  }
  return FramePosition{x, y};
}

void TDTV::FillColorTexture(std::vector<TTexel> &texture, TPoint step, TPoint count, bool coloursOnly) const {
  PreparePaletteScaling();
  EnsureSize(texture, GridSize(count));
  // A row of samples at a time, coloured in one run.
  std::vector<std::uint16_t> raws(static_cast<std::size_t>(std::max(count.X, 0)));
  std::vector<TRGB> colours(raws.size());
  for (std::int64_t r = 0; r < count.Y; ++r) {
    for (std::int64_t c = 0; c < count.X; ++c) {
      raws[static_cast<std::size_t>(c)] = PixelOrZero(*this, c * step.X, r * step.Y);
    }
    RawsToColors(*this, raws, colours);
    for (std::int64_t c = 0; c < count.X; ++c) {
      const std::uint16_t raw = raws[static_cast<std::size_t>(c)];
      TTexel &texel = texture[static_cast<std::size_t>(r * count.X + c)];
      if (raw == 0) {
        if (!coloursOnly) {
          texel.A = 0; // an empty pixel is transparent; its colour bytes stay
        }
        continue;
      }
      const TRGB &colour = colours[static_cast<std::size_t>(c)];
      texel.R = colour.R;
      texel.G = colour.G;
      texel.B = colour.B;
      if (!coloursOnly) {
        texel.A = 255;
      }
    }
  }
}

void TDTV::SubsampleHeightMap(std::vector<std::uint16_t> &heights, TPoint count, TPoint step) const {
  PreparePaletteScaling(); // the view colours the heights with the scaling set here
  EnsureSize(heights, GridSize(count));
  for (std::int64_t r = 0; r < count.Y; ++r) {
    std::int64_t c = 0;
    // The samples that lie inside the frame straight from the row, the rest through the bounds check.
    const std::int64_t y = r * step.Y;
    if (step.X > 0 && y >= 0 && y < Height() && FRaw.size() >= static_cast<std::size_t>(Width()) * Height()) {
      const std::uint16_t *row =
          FRaw.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width());
      std::uint16_t *out = heights.data() + static_cast<std::size_t>(r * count.X);
      const std::int64_t inside = std::min<std::int64_t>(count.X, (Width() + step.X - 1) / step.X);
      for (; c < inside; ++c) {
        out[c] = row[c * step.X];
      }
    }
    for (; c < count.X; ++c) {
      heights[static_cast<std::size_t>(r * count.X + c)] = PixelOrZero(*this, c * step.X, r * step.Y);
    }
  }
}

void TDTV::BuildCubeFaceColors(std::vector<TTexel> &texture, int n, int face) const {
  if (n < 1) {
    return;
  }
  PreparePaletteScaling();
  const std::size_t side = static_cast<std::size_t>(n);
  EnsureSize(texture, side * side);
  for (int v = 0; v < n; ++v) {
    for (int u = 0; u < n; ++u) {
      TTexel &texel = texture[static_cast<std::size_t>(v) * side + static_cast<std::size_t>(u)];
      const std::optional<FramePosition> at = CubeFaceSource(FHeader, n, face, u, v);
      if (!at) {
        texel = TTexel{};
        continue;
      }
      const std::uint16_t raw = SampleBilinear(at->X, at->Y);
      const TRGB colour = RawToColor(raw);
      texel = TTexel{colour.R, colour.G, colour.B, static_cast<std::uint8_t>(raw == 0 ? 0 : 255)};
    }
  }
}

void TDTV::BuildCubeFaceRaw(std::vector<std::uint16_t> &values, int n, int face) const {
  if (n < 1) {
    return;
  }
  const std::size_t side = static_cast<std::size_t>(n);
  EnsureSize(values, side * side);
  for (int v = 0; v < n; ++v) {
    for (int u = 0; u < n; ++u) {
      const std::optional<FramePosition> at = CubeFaceSource(FHeader, n, face, u, v);
      values[static_cast<std::size_t>(v) * side + static_cast<std::size_t>(u)] =
          at ? SampleBilinear(at->X, at->Y) : std::uint16_t{0};
    }
  }
}

} // namespace calidarix
