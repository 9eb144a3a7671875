// The stitching object's defaults, its parameter file and the order of its frames.

#include "head/panorama_stitcher.h"

#include "platform/inifile.h"
#include "platform/numbers.h"
#include "platform/path_text.h"

#include <algorithm>
#include <numbers>

namespace calidarix {

namespace {

constexpr std::int32_t kMissingTurns = 99;

double UnitsToRadians(double units) {
  return units / 180.0 * std::numbers::pi / 180.0;
}

} // namespace

TFOV::TFOV() {
  FKeepGeometry = false;
  FMergeMode = 0;
  FWeightShiftX = 0;
  FWeightShiftY = 0;
  SetDefaults();
}

TFOV::~TFOV() {
  FreeArrays();
}

void TFOV::SetDefaults() {
  // Until a frame size is known there is no step between pixels.
  FHorAnglePerPixel = FFrameWidth > 0 ? FScanArcH / FFrameWidth : 0.0;
  FVerAnglePerPixel = FFrameHeight > 0 ? FScanArcV / FFrameHeight : 0.0;
  FFrameTilt = 0.0;
  FNonorthogonality = 0.0;
  FRatioVer = 1;
  FRatioHor = 1;
  FDoublePixels = true;
  FLeftToRight = true;
  FTopToBottom = true;
  FColumnPriority = true;
  FCamPosLimits = TRect{-180, -90, 180, 90};
  FAnyInLimits = false;
  FFullCircle = false;
  FNameSuffix.clear();
}

void TFOV::FreeArrays() {
  FFrames.clear();
  FDirTable.clear();
  FWorkTable.clear();
  FWeightMap.clear();
  FLevelMap.clear();
  FSortIndex.clear();
  FRowMaxX.clear();
  FRowMinX.clear();
  FColMinY.clear();
  FColMaxY.clear();
  PanoMaxWeightMap.clear();
  PanoWeightedSums.clear();
  PanoWeightTotals.clear();
  FBoxValues.clear();
  FBoxWeights.clear();
  for (auto *v : {&FDirTable, &FWorkTable})
    v->shrink_to_fit();
  PanoWeightedSums.shrink_to_fit();
  PanoWeightTotals.shrink_to_fit();
  PanoMaxWeightMap.shrink_to_fit();
  FLevelMap.shrink_to_fit();
}

void TFOV::SetFrameWidth(int value) {
  FFrameWidth = value;
  FHorAnglePerPixel = value > 0 ? FScanArcH / value : 0.0;
}

void TFOV::SetFrameHeight(int value) {
  FFrameHeight = value;
  FVerAnglePerPixel = value > 0 ? FScanArcV / value : 0.0;
}

bool TFOV::LoadPanoParams(const QString &iniFileName) {
  FParamsError.clear();
  const IniFile ini(std::filesystem::path(NativeFromPathText(iniFileName).toStdString()));
  const auto fail = [this](const QString &why) {
    FParamsError = why;
    return false;
  };
  FRatioHor = ini.ReadInteger("PARAMS", "RatioHor", 0);
  if (FRatioHor == 0)
    return fail(QStringLiteral("\"RatioHor\" is missing or 0"));
  FRatioHorTurns = ini.ReadInteger("PARAMS", "RatioHorTurns", kMissingTurns);
  // No turns would put every frame at angle 0.
  if (FRatioHorTurns == kMissingTurns || FRatioHorTurns == 0)
    return fail(QStringLiteral("\"RatioHorTurns\" is missing or 0"));
  FRatioVer = ini.ReadInteger("PARAMS", "RatioVer", 0);
  if (FRatioVer == 0)
    return fail(QStringLiteral("\"RatioVer\" is missing or 0"));
  FRatioVerTurns = ini.ReadInteger("PARAMS", "RatioVerTurns", kMissingTurns);
  if (FRatioVerTurns == kMissingTurns || FRatioVerTurns == 0)
    return fail(QStringLiteral("\"RatioVerTurns\" is missing or 0"));
  if (!FKeepGeometry) {
    FFrameTilt = UnitsToRadians(ini.ReadInteger("PARAMS", "FrameTilt", 0));
    FNonorthogonality = UnitsToRadians(ini.ReadInteger("PARAMS", "Nonorthogonality", 0));
    FScanArcH = UnitsToRadians(ini.ReadInteger("PARAMS", "ScanArcH", 0));
    FScanArcV = UnitsToRadians(ini.ReadInteger("PARAMS", "ScanArcV", 0));
    if (!FApplyOrderSwitches) {
      FColumnPriority = ini.ReadBool("PARAMS", "ColumnPriority", true);
      FLeftToRight = ini.ReadBool("PARAMS", "LeftToRight", false);
      FTopToBottom = ini.ReadBool("PARAMS", "TopToBottom", false);
    }
    // A field of view of zero or less has no pixels to place.
    if (!(FScanArcV > 0.0))
      return fail(QStringLiteral("\"ScanArcV\" is missing or not positive"));
    if (!(FScanArcH > 0.0))
      return fail(QStringLiteral("\"ScanArcH\" is missing or not positive"));
    FHorArc = TruncToInt32(FScanArcH * kPanoK);
    FVerArc = TruncToInt32(FScanArcV * kPanoK);
    FHorizonCorrection = ini.ReadInteger("PARAMS", "HorizonCorrection", 0);
  } else {
    FScanArcH = UnitsToRadians(FHorArc);
    FScanArcV = UnitsToRadians(FVerArc);
    if (!(FScanArcV > 0.0) || !(FScanArcH > 0.0))
      return fail(QStringLiteral("the horizontal and vertical arcs of the settings must be positive"));
  }
  return true;
}

void TFOV::SortPanoFrames() {
  if (!FApplyOrderSwitches) {
    FLeftToRight = true;
    FTopToBottom = true;
    FColumnPriority = true;
  }
  FSortIndex.resize(FFrames.size());
  for (std::size_t i = 0; i < FSortIndex.size(); ++i)
    FSortIndex[i] = static_cast<int>(i);
  // Keys that run in the order asked for: the horizontal counter grows to the right, the vertical one
  // upwards.
  const auto horKey = [this](int i) {
    const std::int64_t c = FFrames[static_cast<std::size_t>(i)].HorCounter;
    return FLeftToRight ? c : -c;
  };
  const auto verKey = [this](int i) {
    const std::int64_t c = FFrames[static_cast<std::size_t>(i)].VerCounter;
    return FTopToBottom ? -c : c;
  };
  std::stable_sort(FSortIndex.begin(), FSortIndex.end(), [&](int a, int b) {
    if (FColumnPriority) {
      if (horKey(a) != horKey(b))
        return horKey(a) < horKey(b);
      return verKey(a) < verKey(b);
    }
    if (verKey(a) != verKey(b))
      return verKey(a) < verKey(b);
    return horKey(a) < horKey(b);
  });
}

} // namespace calidarix
