#pragma once
// Panorama folders made by the tests: frames of a scene seen through a camera model written here on
// its own, in double precision, from the camera's description (a column is a horizontal angle across
// the field of view, a row that column turned up or down about the horizontal axis; the head tilts,
// then pans). Nothing of the stitcher's integer direction tables is used, so a stitched panorama can
// be checked against where the scene really is.

#include "head/panorama_folder.h"
#include "head/panorama_stitcher.h"
#include "platform/numbers.h"
#include "tests/support/test_support.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <vector>

namespace calidarix::test {

inline constexpr double kDeg = std::numbers::pi / 180.0;

// Scene temperature (degrees Celsius) in the direction azimuth, elevation (radians; azimuth grows to
// the right, elevation upwards).
using Scene = std::function<double(double az, double el)>;

struct SynthCamera {
  int width = 320;
  int height = 240;
  double arcH = 20.0; // degrees
  double arcV = 15.0;
  double tilt = 0.0; // degrees about the optical axis
};

// 100 counter clicks per degree on both axes.
inline constexpr int kClicksPerTurn = 36000;

struct Direction {
  double x = 0.0, y = 0.0, z = 0.0;
};

// Camera angles of pixel (column, data row from the top).
inline void PixelAngles(const SynthCamera &cam, int column, int row, double &h, double &e) {
  h = (-cam.arcH / 2.0 + column * cam.arcH / (cam.width - 1)) * kDeg;
  e = (cam.arcV / 2.0 - row * cam.arcV / (cam.height - 1)) * kDeg;
}

// World direction of a camera direction (h across, e up) for a head at (pan, tilt) degrees.
inline Direction WorldDirection(const SynthCamera &cam, double h, double e, double pan, double tilt) {
  // Camera frame: x towards the left edge, y up, z forward.
  double x = -std::sin(h);
  double y = std::cos(h) * std::sin(e);
  double z = std::cos(h) * std::cos(e);
  if (cam.tilt != 0.0) {
    const double t = cam.tilt * kDeg;
    const double x1 = x * std::cos(t) + y * std::sin(t);
    y = -x * std::sin(t) + y * std::cos(t);
    x = x1;
  }
  const double v = tilt * kDeg;
  const double y1 = y * std::cos(v) + z * std::sin(v);
  const double z1 = -y * std::sin(v) + z * std::cos(v);
  const double p = pan * kDeg;
  return Direction{x * std::cos(p) - z1 * std::sin(p), y1, z1 * std::cos(p) + x * std::sin(p)};
}

inline double AzimuthOf(const Direction &d) {
  return std::atan2(-d.x, d.z);
}
inline double ElevationOf(const Direction &d) {
  return std::asin(std::clamp(d.y, -1.0, 1.0));
}

// Where a world direction (az, el radians) falls in the frame of a head at (pan, tilt), as camera
// angles in degrees; nothing when it lies behind the camera.
inline std::optional<std::pair<double, double>> CameraAngles(double az, double el, double pan, double tilt) {
  const double x = -std::cos(el) * std::sin(az);
  const double y = std::sin(el);
  const double z = std::cos(el) * std::cos(az);
  const double p = pan * kDeg;
  const double x1 = x * std::cos(p) + z * std::sin(p);
  const double z1 = z * std::cos(p) - x * std::sin(p);
  const double v = tilt * kDeg;
  const double y0 = y * std::cos(v) - z1 * std::sin(v);
  const double z0 = y * std::sin(v) + z1 * std::cos(v);
  if (z0 <= 0.0)
    return std::nullopt;
  return std::pair{std::atan2(-x1, std::sqrt(y0 * y0 + z0 * z0)) / kDeg, std::atan2(y0, z0) / kDeg};
}

struct SynthFrame {
  double pan = 0.0; // degrees
  double tilt = 0.0;
  int filmFrames = 1;
};

// A round Gaussian spot of amplitude `amp` degrees and width `sigma` degrees at (az, el) degrees.
inline double Spot(double az, double el, double spotAz, double spotEl, double amp, double sigma) {
  const double daz = std::remainder(az - spotAz * kDeg, 2.0 * std::numbers::pi);
  // The angle between the two directions, so that a spot stays round near a pole.
  const double c =
      std::sin(el) * std::sin(spotEl * kDeg) + std::cos(el) * std::cos(spotEl * kDeg) * std::cos(daz);
  const double angle = std::acos(std::clamp(c, -1.0, 1.0)) / kDeg;
  return amp * std::exp(-(angle * angle) / (2.0 * sigma * sigma));
}

inline constexpr double kSynthScale = 0.01; // degrees per raw count
inline constexpr double kSynthOffset = -20.0;

// Writes one frame file (all film frames; film frame i sees the scene plus i x filmStep degrees).
inline void WriteSynthFrame(const std::filesystem::path &folder, const SynthCamera &cam, const SynthFrame &f,
                            const Scene &scene, double filmStep = 0.0) {
  TDTV t;
  t.FHeader.Version = 3;
  t.FHeader.Width = static_cast<std::uint16_t>(cam.width);
  t.FHeader.Height = static_cast<std::uint16_t>(cam.height);
  t.FHeader.FrameCount = 1;
  t.FHeader.Scale = static_cast<float>(kSynthScale);
  t.FHeader.Offset = static_cast<float>(kSynthOffset);
  t.FRaw.assign(static_cast<std::size_t>(cam.width) * static_cast<std::size_t>(cam.height), 0);
  const std::int32_t hor = RoundToInt32(f.pan * kClicksPerTurn / 360.0);
  const std::int32_t ver = RoundToInt32(f.tilt * kClicksPerTurn / 360.0);
  const QString file = QPath(folder / PanoFrameName(hor, ver).toStdString());
  for (int film = 0; film < f.filmFrames; ++film) {
    for (int r = 0; r < cam.height; ++r) {
      for (int c = 0; c < cam.width; ++c) {
        double h = 0.0, e = 0.0;
        PixelAngles(cam, c, r, h, e);
        const Direction d = WorldDirection(cam, h, e, f.pan, f.tilt);
        const double temp = scene(AzimuthOf(d), ElevationOf(d)) + film * filmStep;
        t.FRaw[static_cast<std::size_t>(r) * static_cast<std::size_t>(cam.width) +
               static_cast<std::size_t>(c)] = RoundToUInt16Clamped((temp - kSynthOffset) / kSynthScale);
      }
    }
    const IoResult written =
        film == 0 ? (f.filmFrames == 1 ? t.SaveDTV(file) : t.StartFilm(file)) : t.AppendFilmFrame(file);
    if (!written)
      throw std::runtime_error(written.message.toStdString());
  }
}

inline TPanoHeadIniValues SynthParams(const SynthCamera &cam) {
  TPanoHeadIniValues v;
  v.HdType = 'M';
  v.HdVersion = "12";
  v.RatioHor = kClicksPerTurn;
  v.RatioHorTurns = 1;
  v.RatioVer = kClicksPerTurn;
  v.RatioVerTurns = 1;
  v.ScanArcH = RoundToInt32(cam.arcH * 180.0);
  v.ScanArcV = RoundToInt32(cam.arcV * 180.0);
  v.FrameTilt = RoundToInt32(cam.tilt * 180.0);
  v.ColumnPriority = true;
  return v;
}

// A panorama folder "<parent>/<name>" with its parameter file and frames.
inline std::filesystem::path MakeSynthFolder(const std::filesystem::path &parent, const std::string &name,
                                             const SynthCamera &cam, const std::vector<SynthFrame> &frames,
                                             const Scene &scene, double filmStep = 0.0) {
  const std::filesystem::path folder = parent / name;
  std::filesystem::create_directories(folder);
  if (!WritePanoParameterFile(QPath(folder / (name + ".ini")), SynthParams(cam)))
    throw std::runtime_error("parameter file not written");
  for (const SynthFrame &f : frames)
    WriteSynthFrame(folder, cam, f, scene, filmStep);
  return folder;
}

// Answers a run's progress like the progress window; Cancel is pressed once `cancelAfter` positions
// were reported (never when negative).
class RecordingProgress : public TStitchProgress {
public:
  void Show() override { ++shown; }
  void Hide() override { ++hidden; }
  void SetPosition(int percent) override { positions.push_back(percent); }
  void ProcessMessages() override { ++pumped; }
  bool Cancelled() const override {
    return cancelAfter >= 0 && static_cast<int>(positions.size()) > cancelAfter;
  }

  int shown = 0;
  int hidden = 0;
  int pumped = 0;
  int cancelAfter = -1;
  std::vector<int> positions;
};

// Stitches a folder with a fresh object set up by `setUp`; the panorama is read back when written.
struct Stitched {
  TStitchResult result;
  std::unique_ptr<TFOV> fov;
  std::unique_ptr<TDTV> panorama = std::make_unique<TDTV>();
  const TDTV &pano() const { return *panorama; }
};
inline Stitched Stitch(const std::filesystem::path &folder, const std::function<void(TFOV &)> &setUp = {},
                       TStitchProgress *progress = nullptr) {
  Stitched s;
  s.fov = std::make_unique<TFOV>();
  s.fov->FProgress = progress;
  if (setUp)
    setUp(*s.fov);
  s.result = s.fov->ProcessPanoFolder(QPath(folder), 9999, false);
  if (s.result.Written())
    s.panorama->LoadDTV(s.result.OutputFile, 1);
  return s;
}

// Panorama pixel position of a direction (degrees), by the stitched object's limits.
struct PanoPosition {
  double x = 0.0;
  double y = 0.0;
};
inline PanoPosition PanoPositionOf(const TFOV &fov, double azDeg, double elDeg) {
  const double unitsPerPixel = fov.FPanoAnglePerPixel * kPanoK;
  double az = azDeg * 180.0 - fov.FLeftAz;
  if (az < 0.0)
    az += 64800.0;
  return PanoPosition{az / unitsPerPixel, (fov.FTopLimit - elDeg * 180.0) / unitsPerPixel};
}
// Direction (degrees) of a panorama pixel.
inline std::pair<double, double> DirectionOfPixel(const TFOV &fov, int x, int y) {
  const double unitsPerPixel = fov.FPanoAnglePerPixel * kPanoK;
  return {(fov.FLeftAz + x * unitsPerPixel) / 180.0, (fov.FTopLimit - y * unitsPerPixel) / 180.0};
}

// Centroid of the pixels hotter than `threshold` degrees within `radius` pixels of (x, y); weights are
// the excess over the threshold. The seam of a full turn is crossed when `wrap` is set.
inline std::optional<PanoPosition> HotCentroid(const TDTV &pano, PanoPosition around, double radius,
                                               double threshold, bool wrap = false) {
  double sx = 0.0, sy = 0.0, sw = 0.0;
  const int w = pano.Width();
  for (int y = static_cast<int>(around.y - radius); y <= static_cast<int>(around.y + radius); ++y) {
    if (y < 0 || y >= pano.Height())
      continue;
    for (int x = static_cast<int>(around.x - radius); x <= static_cast<int>(around.x + radius); ++x) {
      int px = x;
      if (wrap)
        px = ((x % w) + w) % w;
      if (px < 0 || px >= w)
        continue;
      const std::uint16_t raw =
          pano.FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(px)];
      if (raw == 0)
        continue;
      const double excess = pano.RawToTemperature(raw) - threshold;
      if (excess <= 0.0)
        continue;
      sx += excess * x;
      sy += excess * y;
      sw += excess;
    }
  }
  if (sw == 0.0)
    return std::nullopt;
  return PanoPosition{sx / sw, sy / sw};
}

inline double TemperatureAt(const TDTV &pano, int x, int y) {
  const std::uint16_t raw = pano.FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(pano.Width()) +
                                      static_cast<std::size_t>(x)];
  return raw == 0 ? std::nan("") : pano.RawToTemperature(raw);
}

} // namespace calidarix::test
