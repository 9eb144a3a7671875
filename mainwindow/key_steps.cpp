#include "mainwindow/key_steps.h"

#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

constexpr int kScanUp = 72;
constexpr int kScanLeft = 75;
constexpr int kScanRight = 77;
constexpr int kScanDown = 80;

constexpr double kPanStep = 10.0; // image pixels

} // namespace

void StepPaletteWindow(char key, std::uint8_t &bottom, std::uint8_t &top) {
  switch (key) {
  case 'A':
    if (top < 255) {
      ++top;
      if (bottom < 254)
        ++bottom;
    } else if (bottom < 254) {
      ++bottom;
    }
    break;
  case 'S':
    if (top < 255)
      ++top;
    break;
  case 'Z':
    if (top >= 2) {
      --top;
      if (bottom > 0)
        --bottom;
    } else if (bottom > 0) {
      --bottom;
    }
    break;
  case 'X':
    if (top > bottom + 1)
      --top;
    break;
  default:
    break;
  }
}

bool StepLockedRange(RangeStep step, double &lockMin, double &lockMax) {
  if (!std::isfinite(lockMin) || !std::isfinite(lockMax))
    return false;
  const double oldMin = lockMin;
  const double oldMax = lockMax;
  double newMin = std::trunc(oldMin);
  double newMax = std::trunc(oldMax);
  switch (step) {
  case RangeStep::Narrow:
    newMin += 1.0;
    newMax -= 1.0;
    break;
  case RangeStep::Widen:
    newMin -= 1.0;
    newMax += 1.0;
    // Each end that would leave the allowed span stays where it was; the other still widens.
    if (newMin < kAbsoluteZero)
      newMin = oldMin;
    if (newMax > kRangeStepCeiling)
      newMax = oldMax;
    break;
  case RangeStep::ShiftDown:
    newMin -= 1.0;
    newMax -= 1.0;
    break;
  case RangeStep::ShiftUp:
    newMin += 1.0;
    newMax += 1.0;
    break;
  }
  // A lower end below absolute zero, an upper end above the ceiling (only where the step moved that end
  // outwards) or an empty range: the step is taken back whole.
  const bool minFell = newMin < oldMin;
  const bool maxRose = newMax > oldMax;
  if ((minFell && newMin < kAbsoluteZero) || (maxRose && newMax > kRangeStepCeiling) || !(newMax > newMin))
    return false;
  lockMin = newMin;
  lockMax = newMax;
  return newMin != oldMin || newMax != oldMax;
}

PlaybackState NextPlayback(PlaybackState state, bool forwardKey) {
  if (state.forward == forwardKey) {
    state.speedStep = (state.speedStep + 1) % 3;
  } else {
    state.forward = forwardKey;
    state.speedStep = 0;
  }
  return state;
}

int PlaybackIntervalMs(int speedStep, double frameIntervalSeconds) {
  constexpr int kFallbackMs = 100;
  constexpr double kLongestMs = 60000.0;
  switch (speedStep) {
  case 1:
    return 1;
  case 2: {
    const double ms = frameIntervalSeconds * 1000.0;
    if (!std::isfinite(ms) || ms <= 0.0)
      return kFallbackMs;
    return std::clamp(RoundToInt32(std::min(ms, kLongestMs)), 1, static_cast<int>(kLongestMs));
  }
  default:
    return 0;
  }
}

float WrapDegrees(double angle) {
  if (!std::isfinite(angle))
    return 0.0f;
  double wrapped = std::fmod(angle, 360.0);
  if (wrapped < 0.0)
    wrapped += 360.0;
  // fmod of a tiny negative value plus 360 rounds to 360 itself.
  if (wrapped >= 360.0)
    wrapped = 0.0;
  return static_cast<float>(wrapped);
}

void PanView(int arrowScan, const PanLimits &l, double &offsetX, double &offsetY) {
  if (!(l.zoom > 0.0) || !std::isfinite(l.zoom) || !(l.pixelAspect > 0.0) || !std::isfinite(l.pixelAspect))
    return;
  switch (arrowScan) {
  case kScanLeft:
    offsetX = std::max(offsetX - kPanStep, 0.0);
    break;
  case kScanRight: {
    const double limit = l.frameWidth - l.boxWidth / l.zoom;
    offsetX = offsetX + kPanStep >= limit ? limit : offsetX + kPanStep;
    break;
  }
  case kScanUp:
    offsetY = std::max(offsetY - kPanStep, 0.0);
    break;
  case kScanDown: {
    const double limit = l.frameHeight - l.boxHeight / l.zoom / l.pixelAspect;
    offsetY = offsetY + kPanStep >= limit ? limit : offsetY + kPanStep;
    break;
  }
  default:
    break;
  }
}

std::uint16_t HorzExtentForAspect(double aspect) {
  return static_cast<std::uint16_t>(std::clamp(TruncToInt32(180.0 * aspect), 0, 65535));
}

std::int32_t FixedLineFromRow(int y, int boxHeight) {
  if (boxHeight <= 0)
    return 1;
  const std::int64_t line = static_cast<std::int64_t>(y) * 120 / boxHeight;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(line, 1, 119));
}

std::uint8_t JogBit(int arrowScan) {
  switch (arrowScan) {
  case kScanUp:
    return 1;
  case kScanLeft:
    return 2;
  case kScanRight:
    return 4;
  case kScanDown:
    return 8;
  default:
    return 0;
  }
}

JogSpeeds JogSpeedsFor(int arrowScan) {
  switch (arrowScan) {
  case kScanUp:
    return {0x00, 0xFF};
  case kScanLeft:
    return {0x7F, 0x00};
  case kScanRight:
    return {0xFF, 0x00};
  case kScanDown:
    return {0x00, 0x7F};
  default:
    return {};
  }
}

const char *ArrowName(int arrowScan) {
  switch (arrowScan) {
  case kScanUp:
    return "Up";
  case kScanLeft:
    return "Left";
  case kScanRight:
    return "Right";
  case kScanDown:
    return "Down";
  default:
    return "";
  }
}

} // namespace calidarix
