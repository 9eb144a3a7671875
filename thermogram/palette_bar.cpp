#include "thermogram/palette_bar.h"

#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <algorithm>

namespace calidarix {

namespace {

int LowerLineY(const TRect &bar, int step) {
  const int h = bar.Bottom - bar.Top;
  return bar.Bottom - RoundToInt32(static_cast<double>(step) * h / 256.0) - 1;
}

int UpperLineY(const TRect &bar, int step) {
  const int h = bar.Bottom - bar.Top;
  return bar.Bottom - RoundToInt32((static_cast<double>(step) + 1.0) * h / 256.0);
}

std::uint8_t ToStep(int v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

TPaletteBytes PaletteBytesOf(const TDTV &dtv) {
  return {dtv.PalBottom, dtv.PalTop, dtv.IsoBottom, dtv.IsoTop};
}

void ApplyPaletteBytes(const TPaletteBytes &bytes, TDTV &dtv) {
  dtv.PalBottom = bytes.PalBottom;
  dtv.PalTop = bytes.PalTop;
  dtv.IsoBottom = bytes.IsoBottom;
  dtv.IsoTop = bytes.IsoTop;
}

TPaletteLines PaletteWindowLines(const TRect &bar, const TPaletteBytes &bytes, bool isIso) {
  TPaletteLines lines;
  const int bottom = isIso ? bytes.IsoBottom : bytes.PalBottom;
  const int top = isIso ? bytes.IsoTop : bytes.PalTop;
  lines.HasLower = isIso || bottom > 0;
  lines.LowerY = LowerLineY(bar, bottom);
  lines.HasUpper = isIso || top < 255;
  lines.UpperY = UpperLineY(bar, top);
  return lines;
}

QString PaletteLimitText(const TDTV &dtv, std::uint8_t b) {
  double t = 0.0;
  if (dtv.FRangeLocked) {
    t = (dtv.LockMax - dtv.LockMin) / 255.0 * b + dtv.LockMin;
  } else {
    t = static_cast<double>(b) * 257.0 * dtv.FHeader.Scale + dtv.FHeader.Offset;
  }
  return QString::fromStdString(GeneralTextInWidth(t, 5, 2));
}

std::array<TPoint, 5> PaletteCursorPolyline(const TRect &bar, double fraction) {
  const int h = bar.Bottom - bar.Top;
  const int y = bar.Bottom - RoundToInt32(h * fraction);
  return {TPoint{bar.Left, y}, TPoint{bar.Right, y}, TPoint{bar.Right - 7, y - 3},
          TPoint{bar.Right - 7, y + 3}, TPoint{bar.Right, y}};
}

TPaletteRightClick PaletteRightClick(TPaletteBytes &bytes, bool isIso, bool rangeLocked) {
  if (isIso) {
    if (bytes.IsoBottom < bytes.PalBottom) {
      bytes.IsoTop = bytes.PalBottom;
    }
    if (bytes.IsoTop > bytes.PalTop) {
      bytes.IsoBottom = bytes.PalTop;
    }
    return TPaletteRightClick::Repaint;
  }
  if (bytes.PalBottom == 0 && bytes.PalTop == 255) {
    return rangeLocked ? TPaletteRightClick::UnlockRange : TPaletteRightClick::Nothing;
  }
  bytes.PalBottom = 0;
  bytes.PalTop = 255;
  return TPaletteRightClick::Repaint;
}

TPaletteDrag PaletteBarDrag(TPaletteBytes &bytes, bool isIso, bool leftHeld, bool rightHeld, bool ctrlDown,
                            TPoint last, TPoint now, int barHeight) {
  if (barHeight <= 0) {
    return TPaletteDrag::None;
  }
  // Moving up or left gives positive distances, in palette steps.
  const double dx = (static_cast<double>(last.X) - now.X) / barHeight * 255.0;
  const double dy = (static_cast<double>(last.Y) - now.Y) / barHeight * 255.0;

  if (leftHeld) {
    std::uint8_t &lowByte = isIso ? bytes.IsoBottom : bytes.PalBottom;
    std::uint8_t &highByte = isIso ? bytes.IsoTop : bytes.PalTop;
    int hi = RoundToInt32(highByte + dx + dy);
    int lo = RoundToInt32(lowByte + dy);
    lo = std::clamp(lo, 0, 246);
    hi = std::max(std::min(hi, 255), lo + 8);
    lowByte = ToStep(lo);
    highByte = ToStep(hi);
    return TPaletteDrag::Window;
  }

  if (rightHeld && ctrlDown) {
    int b = RoundToInt32(bytes.PalBottom + dy);
    b = std::min(b, bytes.PalTop - 4);
    b = std::max(b, bytes.IsoBottom + 4);
    // The two limits above can conflict near the ends of the bar; the window must still stay a
    // window (bottom not above top) inside 0..255.
    b = std::clamp(b, 0, static_cast<int>(bytes.PalTop));
    bytes.PalBottom = ToStep(b);
    bytes.IsoTop = ToStep(b);
    return TPaletteDrag::Boundary;
  }
  return TPaletteDrag::None;
}

} // namespace calidarix
