#include "thermogram/palette_commands.h"

#include "platform/numbers.h"
#include "thermogram/builtin_palettes.h"

#include <algorithm>
#include <vector>

namespace calidarix {

namespace {

constexpr std::array<int, 8> kSlotPalettes = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<int, 8> kMetroSlotPalettes = {1, 9, 3, 4, 5, 11, 7, 10};

std::uint8_t Byte(int v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

TPaletteTable Reversed(const TPaletteTable &p) {
  TPaletteTable r;
  std::reverse_copy(p.begin(), p.end(), r.begin());
  return r;
}

TPaletteTable Complemented(const TPaletteTable &p) {
  TPaletteTable r;
  std::transform(p.begin(), p.end(), r.begin(), [](const TRGB &c) {
    return TRGB{static_cast<std::uint8_t>(255 - c.R), static_cast<std::uint8_t>(255 - c.G),
                static_cast<std::uint8_t>(255 - c.B)};
  });
  return r;
}

} // namespace

int BuiltinPaletteOfSlot(int slot, bool metroMode) {
  if (slot < 0 || slot >= 8) {
    return 0;
  }
  return (metroMode ? kMetroSlotPalettes : kSlotPalettes)[static_cast<std::size_t>(slot)];
}

TPaletteSlots StartupPaletteSlots(bool metroMode) {
  TPaletteSlots s;
  for (int slot = 0; slot < 8; ++slot) {
    s.FPalettes[static_cast<std::size_t>(slot)] = BuiltinPalette(BuiltinPaletteOfSlot(slot, metroMode));
  }
  s.FPalettes[kEditorPaletteSlot] = GreyRamp();
  s.FIsoPalette = Reversed(GreyRamp());
  s.FPalette = s.FPalettes[0];
  s.PalNumber = 0;
  s.IsoNumber = 3;
  s.isPalInverted = false;
  s.isPalRotated = false;
  s.isIsoInverted = true;
  s.isIsoRotated = false;
  s.PosterizeStep = 1;
  return s;
}

std::optional<std::uint8_t> CheckedPaletteSlot(std::int64_t value) {
  if (value < 0 || value >= kPaletteSlotCount) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(value);
}

PaletteRole PalChange(TPaletteSlots &pal, TDTV &dtv, int slot) {
  const auto checked = CheckedPaletteSlot(slot);
  if (!checked) {
    return PaletteRole::None;
  }
  pal.FSidecarSaved = false;
  pal.PosterizeStep = 1;
  if (dtv.isIso) {
    pal.isIsoInverted = false;
    pal.isIsoRotated = false;
    pal.IsoNumber = *checked;
    pal.FIsoPalette = pal.FPalettes[*checked];
    dtv.FIsoPalette = pal.FIsoPalette;
    return PaletteRole::Isotherm;
  }
  pal.isPalInverted = false;
  pal.isPalRotated = false;
  pal.PalNumber = *checked;
  pal.FPalette = pal.FPalettes[*checked];
  dtv.FPalette = pal.FPalette;
  return PaletteRole::Image;
}

void PalInvert(TPaletteSlots &pal, TDTV &dtv) {
  if (!dtv.isIso) {
    pal.isPalInverted = !pal.isPalInverted;
    pal.FPalette = Reversed(pal.FPalette);
    dtv.FPalette = pal.FPalette;
  }
  // The isotherm palette follows the image palette's direction, so the band keeps its contrast.
  pal.isIsoInverted = !pal.isIsoInverted;
  pal.FIsoPalette = Reversed(pal.FIsoPalette);
  dtv.FIsoPalette = pal.FIsoPalette;
  pal.FSidecarSaved = false;
}

void PalRotate(TPaletteSlots &pal, TDTV &dtv) {
  if (dtv.isIso) {
    pal.isIsoInverted = !pal.isIsoInverted;
    pal.FIsoPalette = Complemented(pal.FIsoPalette);
    dtv.FIsoPalette = pal.FIsoPalette;
  } else {
    pal.isPalInverted = !pal.isPalInverted;
    pal.FPalette = Complemented(pal.FPalette);
    dtv.FPalette = pal.FPalette;
  }
  pal.FSidecarSaved = false;
}

void PalPosterize(TPaletteSlots &pal, TDTV &dtv) {
  if (pal.PosterizeStep < 63) {
    pal.PosterizeStep *= 2;
  }
  const int s = std::clamp(pal.PosterizeStep, 1, 256);
  const int n = RoundToInt32(255.0 / s - 1.0);
  for (int g = 0; g <= n; ++g) {
    const int first = g * s;
    const int last = std::min(first + s - 1, 255);
    int r = 0;
    int gr = 0;
    int b = 0;
    for (int i = first; i <= last; ++i) {
      const TRGB &c = pal.FPalette[static_cast<std::size_t>(i)];
      r += c.R;
      gr += c.G;
      b += c.B;
    }
    const TRGB mean{Byte(r / s), Byte(gr / s), Byte(b / s)};
    for (int i = first; i <= last; ++i) {
      pal.FPalette[static_cast<std::size_t>(i)] = mean;
    }
  }
  dtv.FPalette = pal.FPalette;
}

QStringList AdaptivePalette(TPaletteSlots &pal, TDTV &dtv) {
  constexpr int kBins = 8;
  const std::int64_t pixels = static_cast<std::int64_t>(dtv.Width()) * dtv.Height();
  if (pixels <= 0 || dtv.FRaw.size() != static_cast<std::size_t>(pixels)) {
    return {};
  }
  std::vector<std::int64_t> counts(kBins, 0);
  dtv.Histogram(counts, kBins);
  std::array<std::int64_t, kBins> weights{};
  std::int64_t sum = 0;
  for (int k = 0; k < kBins; ++k) {
    const std::int64_t c = counts[static_cast<std::size_t>(k)];
    weights[static_cast<std::size_t>(k)] = c > 0 ? pixels / c : 0;
    sum += weights[static_cast<std::size_t>(k)];
  }
  // A frame with pixels has a bin with pixels, and that bin's weight is at least 1.
  QStringList log;
  for (int k = 0; k < kBins; ++k) {
    const double share = static_cast<double>(weights[static_cast<std::size_t>(k)]) / static_cast<double>(sum);
    log.append(
        QStringLiteral("%1 his - %2 ").arg(k).arg(QString::fromStdString(FixedText(share * 100.0, 2))));
  }

  const std::array<TRGB, kBins + 1> nodes = {TRGB{0, 0, 0},     TRGB{255, 0, 255}, TRGB{0, 0, 0},
                                             TRGB{255, 255, 0}, TRGB{0, 0, 0},     TRGB{0, 255, 255},
                                             TRGB{0, 0, 0},     TRGB{255, 0, 255}, TRGB{0, 0, 0}};
  TPaletteTable palette = dtv.FPalette;
  int pos = 0;
  for (int k = 0; k < kBins; ++k) {
    const double share = static_cast<double>(weights[static_cast<std::size_t>(k)]) / static_cast<double>(sum);
    const int m = TruncToInt32(share * 255.0);
    const TRGB &c0 = nodes[static_cast<std::size_t>(k)];
    const TRGB &c1 = nodes[static_cast<std::size_t>(k) + 1];
    const auto channel = [m](int from, int to, int i) {
      return Byte(TruncToInt32(static_cast<double>(to - from) / m * i + from));
    };
    for (int i = 0; i <= m; ++i, ++pos) {
      if (pos > 255) {
        continue;
      }
      palette[static_cast<std::size_t>(pos)] =
          m > 0 ? TRGB{channel(c0.R, c1.R, i), channel(c0.G, c1.G, i), channel(c0.B, c1.B, i)} : c0;
    }
  }
  dtv.FPalette = palette;
  pal.FPalette = palette;
  return log;
}

void BuildPaletteRamp(TPaletteSlots &pal, TDTV &dtv) {
  const TRGB c = pal.FPalette[80];
  const bool fromWhite = pal.FPalette[0] == TRGB{0, 0, 0};
  const auto value = [fromWhite](int target, int i) {
    const double v = fromWhite ? 255.0 - (255.0 - target) / 80.0 * i : target / 80.0 * i;
    return Byte(TruncToInt32(v));
  };
  for (int i = 0; i < 80; ++i) {
    pal.FPalette[static_cast<std::size_t>(i)] = TRGB{value(c.R, i), value(c.G, i), value(c.B, i)};
  }
  dtv.FPalette = pal.FPalette;
}

void PalCycle(TPaletteSlots &pal, TDTV &dtv, bool forward) {
  if (forward) {
    std::rotate(pal.FPalette.begin(), pal.FPalette.begin() + 1, pal.FPalette.end());
  } else {
    std::rotate(pal.FPalette.rbegin(), pal.FPalette.rbegin() + 1, pal.FPalette.rend());
  }
  dtv.FPalette = pal.FPalette;
}

bool ToggleIsothermBand(TDTV &dtv) {
  dtv.isIso = !dtv.isIso;
  return dtv.isIso;
}

TRGB PalSpacerColor(int y, int height, bool nightMode) {
  const int v = height > 0 ? std::clamp(TruncToInt32(static_cast<double>(y) / height * 32.0), 0, 32) : 0;
  if (nightMode) {
    return TRGB{Byte(128 - v), 96, Byte(96 + v)};
  }
  return TRGB{Byte(255 - v), 224, Byte(224 + v)};
}

std::optional<VideoFit> FitVideoFrame(const TRect &target, int w, int h) {
  const int width = target.Right - target.Left;
  const int height = target.Bottom - target.Top;
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) {
    return std::nullopt;
  }
  VideoFit fit;
  fit.Frame = target;
  double a = static_cast<double>(width) / w;
  const double b = static_cast<double>(height) / h;
  if (a <= b) {
    const int d = (height - TruncToInt32(h * a)) / 2;
    fit.Frame.Top += d;
    fit.Frame.Bottom -= d;
    fit.Bar1 = TRect{target.Left, target.Top, target.Right, target.Top + d};
    fit.Bar2 = TRect{target.Left, target.Bottom - d, target.Right, target.Bottom};
  } else {
    a = static_cast<double>(height) / h;
    const int d = (width - TruncToInt32(w * a)) / 2;
    fit.Frame.Left += d;
    fit.Frame.Right -= d;
    fit.Bar1 = TRect{target.Left, target.Top, target.Left + d, target.Bottom};
    fit.Bar2 = TRect{target.Right - d, target.Top, target.Right, target.Bottom};
  }
  return fit;
}

} // namespace calidarix
