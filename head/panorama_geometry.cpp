// Where every pixel of a frame looks: the direction table of the camera, the head's rotation of it,
// the measured extent of every frame and the panorama's size.
//
// The camera scans: a column is a horizontal angle, a row the same columns turned about the
// horizontal axis. Row 0 of the table is the lowest row of the frame. The head first tilts the
// camera by its vertical angle, then its axes' non-orthogonality turns it about the optical axis,
// then the head pans by its horizontal angle.

#include "head/panorama_stitcher.h"

#include "platform/numbers.h"
#include "thermogram/frame_size.h"
#include "thermogram/thermogram_globals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr std::int32_t kHalfTurn = 32400;
constexpr std::int32_t kTurn = 64800;

std::int16_t ToInt16(double v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(RoundToInt32(v), -32768, 32767));
}

double Degrees(double units) {
  return units / 180.0;
}

} // namespace

void TFOV::SetRotation(double angle) {
  FCos = std::cos(angle);
  FSin = std::sin(angle);
}

void TFOV::RotateX(TDirVec &v) const {
  const double y = v.y, z = v.z;
  v.y = ToInt16(y * FCos + z * FSin);
  v.z = ToInt16(-y * FSin + z * FCos);
}

void TFOV::RotateY(TDirVec &v) const {
  const double x = v.x, z = v.z;
  v.z = ToInt16(z * FCos + x * FSin);
  v.x = ToInt16(-z * FSin + x * FCos);
}

void TFOV::RotateZ(TDirVec &v) const {
  const double x = v.x, y = v.y;
  v.x = ToInt16(x * FCos + y * FSin);
  v.y = ToInt16(-x * FSin + y * FCos);
}

std::int16_t TFOV::Azimuth(const TDirVec &v) {
  return AzimuthUnits(v);
}

std::int16_t TFOV::Elevation(std::int16_t y) {
  return ElevationUnits(y);
}

std::int32_t TFOV::AzimuthDiff(std::int32_t a, std::int32_t b) {
  // Azimuths a turn or less apart, as every caller's are, need no division.
  const std::int32_t near = a - b;
  if (near >= 0 && near < kTurn)
    return near;
  if (near < 0 && near >= -kTurn)
    return near + kTurn;
  const std::int32_t d = (a - b) % kTurn;
  return d < 0 ? d + kTurn : d;
}

void TFOV::PredProcess9points() {
  FWorkWidth = 16;
  FWorkHeight = 2;
  FUsedRect = TRect{0, 0, 15, 1};
  FHorAnglePerPixel = FScanArcH / 15.0;
  FVerAnglePerPixel = FScanArcV / 1.0;
  Trace(QStringLiteral("<PredProcess9points> called 16 x 2"));
  FDirTable.assign(32, TDirVec{});
  for (int x = 0; x < 8; ++x) {
    TDirVec e{0, 0, kDirLength};
    SetRotation(-((8 - x) - 0.5) * FHorAnglePerPixel);
    RotateY(e);
    FDirTable[static_cast<std::size_t>(x)] = e;
    FDirTable[static_cast<std::size_t>(15 - x)] = TDirVec{static_cast<std::int16_t>(-e.x), 0, e.z};
  }
  if (FLineYaw != 0.0) {
    SetRotation(FLineYaw);
    for (int x = 0; x < 16; ++x)
      RotateY(FDirTable[static_cast<std::size_t>(x)]);
  }
  if (FLineHeel != 0.0) {
    SetRotation(FLineHeel);
    for (int x = 0; x < 16; ++x)
      RotateZ(FDirTable[static_cast<std::size_t>(x)]);
  }
  SetRotation(-FScanArcV / 2.0);
  for (int x = 0; x < 16; ++x)
    RotateX(FDirTable[static_cast<std::size_t>(x)]);
  SetRotation(FScanArcV);
  for (int x = 0; x < 16; ++x) {
    TDirVec e = FDirTable[static_cast<std::size_t>(x)];
    RotateX(e);
    FDirTable[static_cast<std::size_t>(16 + x)] = e;
  }
  if (FFrameTilt != 0.0) {
    SetRotation(FFrameTilt);
    for (TDirVec &e : FDirTable)
      RotateZ(e);
  }
  FRotation.NonOrthCos = std::cos(FNonorthogonality);
  FRotation.NonOrthSin = std::sin(FNonorthogonality);
  FLeftAz = kHalfTurn;
  FRightAz = -kHalfTurn;
  FTopLimit = -kDirLength;
  FBottomLimit = kDirLength;
  FFullCircle = false;
  for (TPanoFrame &f : FFrames) {
    f.MinAz = kHalfTurn;
    f.MaxAz = -kHalfTurn;
    f.MaxEl = -kDirLength;
    f.MinEl = kDirLength;
    f.Pole = 0;
    f.Wraps = false;
  }
}

void TFOV::PrepareFrameRotation(int index, bool measuring) {
  TPanoFrame &f = FFrames[static_cast<std::size_t>(index)];
  FRotation.VerCos = std::cos(f.VerAngle);
  FRotation.VerSin = std::sin(f.VerAngle);
  FRotation.HorCos = std::cos(f.HorAngle);
  FRotation.HorSin = std::sin(f.HorAngle);
  if (!measuring)
    return;
  if (FScanArcV / 2.0 > std::fabs(kPi / 2.0 - f.VerAngle)) {
    FTopLimit = kDirLength;
    f.Pole = 1;
  } else if (FScanArcV / 2.0 > std::fabs(-kPi / 2.0 - f.VerAngle)) {
    FBottomLimit = -kDirLength;
    f.Pole = -1;
  }
  if (FScanArcH / 2.0 > kPi - std::fabs(f.HorAngle)) {
    if (f.HorAngle > 0.0)
      FLeftAz = -kHalfTurn;
    else
      FRightAz = kHalfTurn;
  }
}

void TFOV::RotateToFrame(TDirVec &v) const {
  v = RotatedToFrame(v, FRotation);
}

void TFOV::ProcessFrameCoords(int index, bool measure) {
  if (Cancelled())
    return;
  TPanoFrame &f = FFrames[static_cast<std::size_t>(index)];
  if (!f.InLimits)
    return;
  if (measure)
    f.Wraps = false;
  // Entries outside the used rectangle are never read; they keep whatever they held.
  if (FWorkTable.size() != FDirTable.size())
    FWorkTable.assign(FDirTable.size(), TDirVec{});
  if (FWorkAzimuth.size() != FDirTable.size()) {
    FWorkAzimuth.assign(FDirTable.size(), 0);
    FWorkElevation.assign(FDirTable.size(), 0);
  }
  PrepareFrameRotation(index, measure);
  const int right = FUsedRect.Right;
  const std::size_t count = static_cast<std::size_t>(right - FUsedRect.Left + 1);
  FRowAzimuths.resize(count);
  for (int r = FUsedRect.Top; r <= FUsedRect.Bottom; ++r) {
    const std::size_t row = static_cast<std::size_t>(r) * static_cast<std::size_t>(FWorkWidth);
    const std::size_t at = row + static_cast<std::size_t>(FUsedRect.Left);
    RotateRowToFrame(&FDirTable[at], &FWorkTable[at], count, FRotation);
    RowAzimuths(&FWorkTable[at], count, FRowAzimuths.data());
    RowElevations(&FWorkTable[at], count, &FWorkElevation[at]);
    for (std::size_t i = 0; i < count; ++i) {
      const std::int32_t a = FRowAzimuths[i];
      FWorkAzimuth[at + i] = static_cast<std::uint16_t>(a < 0 ? a + kTurn : a);
      if (!measure)
        continue;
      const TDirVec &v = FWorkTable[at + i];
      FTopLimit = std::max<std::int32_t>(FTopLimit, v.y);
      FBottomLimit = std::min<std::int32_t>(FBottomLimit, v.y);
      FLeftAz = std::min(FLeftAz, a);
      FRightAz = std::max(FRightAz, a);
      f.MinAz = std::min(f.MinAz, a);
      f.MaxAz = std::max(f.MaxAz, a);
      f.MaxEl = std::max<std::int32_t>(f.MaxEl, v.y);
      f.MinEl = std::min<std::int32_t>(f.MinEl, v.y);
    }
    // A row whose azimuths do not run one way crosses 180 degrees. Over a pole the azimuths turn
    // round as well, but such a frame spans every azimuth anyway (PanoLimits).
    if (measure && f.Pole == 0) {
      const std::int32_t a1 = Azimuth(FWorkTable[row]);
      const std::int32_t a2 = Azimuth(FWorkTable[row + static_cast<std::size_t>(right / 2)]);
      const std::int32_t a3 = Azimuth(FWorkTable[row + static_cast<std::size_t>(right)]);
      if ((a1 < a2) != (a2 < a3)) {
        f.Wraps = true;
        FFullCircle = true;
      }
    }
  }
  if (measure && f.Wraps) {
    f.MinAz = kTurn;
    f.MaxAz = -kHalfTurn;
    for (int r = FUsedRect.Top; r <= FUsedRect.Bottom; ++r) {
      const std::size_t row = static_cast<std::size_t>(r) * static_cast<std::size_t>(FWorkWidth);
      for (const std::size_t c : {std::size_t{0}, static_cast<std::size_t>(FWorkWidth - 1)}) {
        std::int32_t a = Azimuth(FWorkTable[row + c]);
        if (a < 0)
          a += kTurn;
        f.MinAz = std::min(f.MinAz, a);
        f.MaxAz = std::max(f.MaxAz, a);
      }
    }
  }
}

void TFOV::PanoLimits() {
  // A frame over a pole holds the pole and every azimuth around it: its measured edges would take the
  // far side of the frame for its azimuth span and stop short of the pole. It reaches the pole and
  // spans the whole turn instead, and so does the panorama.
  bool anyPole = false;
  for (TPanoFrame &f : FFrames) {
    if (!f.InLimits || f.Pole == 0)
      continue;
    anyPole = true;
    f.Wraps = false;
    if (f.Pole > 0)
      f.MaxEl = kDirLength;
    else
      f.MinEl = -kDirLength;
  }
  if (anyPole) {
    FFullCircle = true;
    FLeftAz = -kHalfTurn;
    FRightAz = kHalfTurn;
    for (TPanoFrame &f : FFrames) {
      if (f.InLimits && f.Pole != 0) {
        f.MinAz = FLeftAz;
        f.MaxAz = FLeftAz + kTurn - 1;
      }
    }
  }
  FTopLimit = Elevation(static_cast<std::int16_t>(std::clamp<std::int32_t>(FTopLimit, -32768, 32767)));
  FBottomLimit = Elevation(static_cast<std::int16_t>(std::clamp<std::int32_t>(FBottomLimit, -32768, 32767)));
  for (TPanoFrame &f : FFrames) {
    f.MaxEl = Elevation(static_cast<std::int16_t>(std::clamp<std::int32_t>(f.MaxEl, -32768, 32767)));
    f.MinEl = Elevation(static_cast<std::int16_t>(std::clamp<std::int32_t>(f.MinEl, -32768, 32767)));
  }
  Trace(QStringLiteral("panolimits  Vert: %1 %2Hor : %3 %4")
            .arg(Degrees(FTopLimit), 0, 'f', 6)
            .arg(Degrees(FBottomLimit), 0, 'f', 6)
            .arg(Degrees(FLeftAz), 0, 'f', 6)
            .arg(Degrees(FRightAz), 0, 'f', 6));
  FHorAnglePerPixel = FFrameWidth > 1 ? FScanArcH / (FFrameWidth - 1) : 0.0;
  FVerAnglePerPixel = FFrameHeight > 1 ? FScanArcV / (FFrameHeight - 1) : 0.0;
}

bool TFOV::ComputePanoSize() {
  FSizeError.clear();
  FPanoWidth = 0;
  FPanoHeight = 0;
  const double a = FPanoAnglePerPixel;
  if (!(a > 0.0)) {
    FSizeError = QStringLiteral("the frames have no angular size");
    return false;
  }
  const double span = FFullCircle ? 64799.0 : static_cast<double>(FRightAz - FLeftAz);
  const std::int64_t w = RoundToInt64(span / a / kPanoK);
  const std::int64_t h = RoundToInt64((FTopLimit - FBottomLimit) / a / kPanoK);
  double horExtent = FFullCircle ? 64799.0 : static_cast<double>(FRightAz - FLeftAz);
  double verExtent = FTopLimit - FBottomLimit;
  std::int64_t width = w;
  std::int64_t height = h;
  // Even sizes; the extents grow with them.
  if (width > 0 && width % 2 != 0) {
    horExtent = RoundHalfEven((width + 1) * horExtent / width);
    ++width;
  }
  if (height > 0 && height % 2 != 0) {
    verExtent = RoundHalfEven((height + 1) * verExtent / height);
    ++height;
  }
  if (width < 1 || height < 1) {
    FSizeError = QStringLiteral("the panorama would have no pixels");
    return false;
  }
  if (!FitsFrameSides(width, height) ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > FramePixelBudget) {
    FSizeError = QStringLiteral("the panorama would be %1 x %2 pixels, more than a thermogram can hold")
                     .arg(width)
                     .arg(height);
    return false;
  }
  FPanoWidth = static_cast<int>(width);
  FPanoHeight = static_cast<int>(height);
  FPanoHorExtent = static_cast<std::int32_t>(std::min(horExtent, 65535.0));
  FPanoVerExtent = static_cast<std::int32_t>(std::min(verExtent, 65535.0));
  FPanoElevation = -FBottomLimit;

  const TRect cuts{std::max(0, FFrameCuts.Left), std::max(0, FFrameCuts.Top), std::max(0, FFrameCuts.Right),
                   std::max(0, FFrameCuts.Bottom)};
  FUsedRect = TRect{cuts.Left, cuts.Top, FFrameWidth - 1 - cuts.Right, FFrameHeight - 1 - cuts.Bottom};
  if (FUsedRect.Left > FUsedRect.Right || FUsedRect.Top > FUsedRect.Bottom) {
    FSizeError =
        QStringLiteral("the frame cuts leave no pixel of a %1 x %2 frame").arg(FFrameWidth).arg(FFrameHeight);
    return false;
  }
  FProcessedCount = static_cast<int>(FFrames.size());
  return true;
}

void TFOV::PredProcess() {
  const int w = FFrameWidth;
  const int h = FFrameHeight;
  FWorkWidth = w;
  FWorkHeight = h;
  const int hw = w / 2;
  const int hh = h / 2;
  const auto deg = [](double radians) { return radians * 180.0 / kPi; };
  Trace(
      QStringLiteral("<PredProcess> called size:%1 x %2 tilt=%3  heel=%4  yaw=%5  nonOrth=%6  hor=%7  ver=%8")
          .arg(w)
          .arg(h)
          .arg(deg(FFrameTilt), 0, 'f', 6)
          .arg(deg(FLineHeel), 0, 'f', 6)
          .arg(deg(FLineYaw), 0, 'f', 6)
          .arg(deg(FNonorthogonality), 0, 'f', 6)
          .arg(deg(FScanArcH), 0, 'f', 6)
          .arg(deg(FScanArcV), 0, 'f', 6));
  const std::size_t sw = static_cast<std::size_t>(w);
  FDirTable.assign(sw * static_cast<std::size_t>(h), TDirVec{});
  FWorkTable.assign(FDirTable.size(), TDirVec{});
  // Row 0: every column, so that frame cuts of unequal width leave no used column without a direction;
  // the right half mirrors the left, and the centre column of an odd width looks straight ahead.
  for (int x = 0; x < hw; ++x) {
    TDirVec e{0, 0, kDirLength};
    SetRotation(-FScanArcH / 2.0 + x * FHorAnglePerPixel);
    RotateY(e);
    FDirTable[static_cast<std::size_t>(x)] = e;
    FDirTable[static_cast<std::size_t>(w - 1 - x)] = TDirVec{static_cast<std::int16_t>(-e.x), e.y, e.z};
  }
  if (w % 2 != 0) {
    TDirVec e{0, 0, kDirLength};
    SetRotation(-FScanArcH / 2.0 + hw * FHorAnglePerPixel);
    RotateY(e);
    FDirTable[static_cast<std::size_t>(hw)] = e;
  }
  const auto row0 = [this, sw](auto &&rotate) {
    for (std::size_t x = 0; x < sw; ++x)
      rotate(FDirTable[x]);
  };
  if (FLineYaw != 0.0) {
    SetRotation(FLineYaw);
    row0([this](TDirVec &v) { RotateY(v); });
  }
  if (FLineHeel != 0.0) {
    SetRotation(FLineHeel);
    row0([this](TDirVec &v) { RotateZ(v); });
  }
  SetRotation(-FScanArcV / 2.0);
  row0([this](TDirVec &v) { RotateX(v); });
  for (int r = 1; r <= FUsedRect.Bottom; ++r) {
    SetRotation(r * FVerAnglePerPixel);
    const std::size_t row = static_cast<std::size_t>(r) * sw;
    for (int c = FUsedRect.Left; c <= FUsedRect.Right; ++c) {
      TDirVec e = FDirTable[static_cast<std::size_t>(c)];
      RotateX(e);
      FDirTable[row + static_cast<std::size_t>(c)] = e;
    }
  }
  if (FFrameTilt != 0.0) {
    SetRotation(FFrameTilt);
    for (int r = FUsedRect.Top; r <= FUsedRect.Bottom; ++r)
      for (int c = FUsedRect.Left; c <= FUsedRect.Right; ++c)
        RotateZ(FDirTable[static_cast<std::size_t>(r) * sw + static_cast<std::size_t>(c)]);
  }
  FWeightMap.clear();
  if (FMergeMode == 0)
    return;
  FWeightMap.assign(FDirTable.size(), 0);
  const float cx = static_cast<float>(hw) * static_cast<float>(FWeightShiftX) / 100.0f;
  const float cy = static_cast<float>(hh) * static_cast<float>(FWeightShiftY) / 100.0f;
  const double rx = hw + std::fabs(cx) - 0.5;
  const double ry = hh + std::fabs(cy) - 0.5;
  const std::int32_t radius = RoundToInt32(std::sqrt(ry * ry + rx * rx)) + 1;
  const float f = 254.0f / static_cast<float>(radius);
  for (int r = FUsedRect.Top; r <= FUsedRect.Bottom; ++r) {
    for (int c = FUsedRect.Left; c <= FUsedRect.Right; ++c) {
      const double dy = r - hh - 0.5 - cy;
      const double dx = c - hw - 0.5 - cx;
      const std::int32_t d = RoundToInt32(std::sqrt(dy * dy + dx * dx));
      // The corners lie a little beyond the radius; their weight stays the smallest, not 255.
      const std::int32_t weight = RoundToInt32((radius - d) * static_cast<double>(f));
      FWeightMap[static_cast<std::size_t>(r) * sw + static_cast<std::size_t>(c)] =
          static_cast<std::uint8_t>(std::clamp(weight, 1, 254));
    }
  }
}

} // namespace calidarix
