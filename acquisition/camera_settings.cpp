#include "acquisition/camera_settings.h"

#include "acquisition/camera_frame.h"
#include "acquisition/camera_state.h"

#include <cmath>

namespace calidarix {

namespace {

// Calls visit(field of each unit...) for every setting, so that copying, comparing and merging walk
// the same list.
template <typename Visit, typename... Units> void ForEachSetting(Visit visit, Units &...u) {
  // Geometry of the frame requests and of the strips.
  visit(u.ScanWidth...);
  visit(u.ScanHeight...);
  visit(u.Sectors...);
  visit(u.SectorsExtended...);
  visit(u.Sinus...);
  visit(u.Delay...);
  visit(u.Edge...);
  visit(u.Center...);
  visit(u.Set...);
  visit(u.ScanArcH...);
  visit(u.ScanArcV...);
  visit(u.StripUp...);
  visit(u.StripDown...);
  visit(u.StripHiSpeed...);
  visit(u.StripLoSpeed...);
  visit(u.HorStep...);
  visit(u.VerStep...);
  // The calibration sets.
  visit(u.Exp_A...);
  visit(u.Exp_B...);
  visit(u.Signal0...);
  visit(u.Exp2_A...);
  visit(u.Exp2_B...);
  visit(u.Signal20...);
  visit(u.Exp3_A...);
  visit(u.Exp3_B...);
  visit(u.Signal30...);
  visit(u.Amplification...);
  visit(u.Exp_AL...);
  visit(u.Exp_BL...);
  visit(u.Signal0L...);
  visit(u.Band1Coefficients...);
  visit(u.Band2Coefficients...);
  visit(u.AmplificationBand1...);
  visit(u.AmplificationBand2...);
  // The working values of the selected range (TwoCurves among them) and the band the form edits.
  ForEachWorkingValue(visit, u...);
  visit(u.CalibrationBand...);
  // Conditions of the calibration and the body temperature's offset.
  visit(u.Emissivity...);
  visit(u.Ambient...);
  visit(u.RefPoint...);
  visit(u.isRefPoint...);
  visit(u.AddTermoDelta...);
  visit(u.TermoDelta...);
}

template <typename T> bool Same(const T &a, const T &b) {
  return a == b;
}
bool Same(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}
bool Same(float a, float b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}
bool Same(const TCalibrationSet &a, const TCalibrationSet &b) {
  return Same(a.Exp1A, b.Exp1A) && Same(a.Exp1B, b.Exp1B) && Same(a.Exp2A, b.Exp2A) &&
         Same(a.Exp2B, b.Exp2B) && Same(a.Exp3A, b.Exp3A) && Same(a.Exp3B, b.Exp3B) &&
         Same(a.Signal10, b.Signal10) && Same(a.Signal20, b.Signal20) && Same(a.Signal30, b.Signal30);
}

} // namespace

void CopyCameraSettings(TScanUnit &to, const TScanUnit &from) {
  ForEachSetting([](auto &t, const auto &f) { t = f; }, to, from);
}

bool SameCameraSettings(const TScanUnit &a, const TScanUnit &b) {
  bool same = true;
  ForEachSetting([&same](const auto &x, const auto &y) { same = same && Same(x, y); }, a, b);
  return same;
}

void MergeCameraSettings(TScanUnit &thread, const TScanUnit &published, const TScanUnit &base) {
  ForEachSetting(
      [](auto &t, const auto &p, const auto &b) {
        if (!Same(p, b))
          t = p;
      },
      thread, published, base);
}

void TCameraSettingsChannel::Publish(const TScanUnit &unit) {
  const std::lock_guard lock(mutex_);
  if (latest_ && SameCameraSettings(*latest_, unit))
    return;
  auto copy = std::make_shared<TScanUnit>();
  CopyCameraSettings(*copy, unit);
  latest_ = std::move(copy);
  version_.fetch_add(1, std::memory_order_acq_rel);
}

std::shared_ptr<const TScanUnit> TCameraSettingsChannel::Latest(std::uint64_t *version) const {
  const std::lock_guard lock(mutex_);
  if (version)
    *version = version_.load(std::memory_order_acquire);
  return latest_;
}

void TCameraSettingsChannel::Clear() {
  const std::lock_guard lock(mutex_);
  latest_.reset();
}

} // namespace calidarix
