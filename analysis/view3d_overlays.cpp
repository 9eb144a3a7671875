#include "analysis/view3d_overlays.h"

#include "platform/numbers.h"
#include "thermogram/angle_units.h"

#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// The program's "%f": two decimals with ".".
QString F(double v) {
  return QString::fromStdString(FixedText(v, 2));
}

QString Degrees(double v) {
  return QString::number(RoundToInt64(v));
}

} // namespace

std::vector<TStatusLine> StatusOverlayLines(const TView3DState &s, const TStatusContext &context) {
  std::vector<TStatusLine> lines;
  if (context.PanoLoaded) {
    lines.push_back({1, QStringLiteral("Offset %1 ;FPS_%2 ; dstnc %3")
                            .arg(F(s.BoxFineAdjust), F(s.FramesPerSecond), F(s.ViewDistance))});
  } else if (context.BoxMode) {
    lines.push_back({1, context.GLInfoText +
                            QStringLiteral(" BoxSide %1 ;FPS_%2 ; dstnc %3")
                                .arg(QString::number(s.BoxSide), F(s.FramesPerSecond), F(s.ViewDistance))});
  } else {
    const std::int64_t vertices = static_cast<std::int64_t>(s.MeshCols) * s.MeshRows;
    lines.push_back({1, QStringLiteral("vrtx# %1 (%2 Mb) ;FPS_%3")
                            .arg(QString::number(vertices), F(s.MeshMegabytes), F(s.FramesPerSecond))});
  }
  lines.push_back({3, QStringLiteral("FOV %1").arg(QString::fromStdString(FixedText(s.FieldOfView, 0)))});
  lines.push_back(
      {5, QStringLiteral("(%1° ; %2°) (%3° ; %4°)")
              .arg(Degrees(s.SpinAngle), Degrees(s.TiltAngle), Degrees(s.LightSpin), Degrees(s.LightTilt))});
  if (context.Lighting)
    lines.push_back({7, QStringLiteral("Lighting On")});
  if (context.FlyMode) {
    lines.push_back({9, QStringLiteral("FlyRate %1 ").arg(F(s.FlySpeed))});
    lines.push_back({11, QStringLiteral("Flight  %1, %2, %3 ")
                             .arg(F(s.FlyPosition[0]), F(s.FlyPosition[1]), F(s.FlyPosition[2]))});
    lines.push_back(
        {13,
         QStringLiteral("Look@ %1, %2, %3").arg(F(s.LookPoint[0]), F(s.LookPoint[1]), F(s.LookPoint[2]))});
  } else {
    if (context.CoordinateGrid)
      lines.push_back({9, QStringLiteral("Globe_Grid On")});
    if (context.GridOnly)
      lines.push_back({11, QStringLiteral("Mesh_Grid On")});
    if (context.Colour)
      lines.push_back({13, QStringLiteral("Color On")});
  }
  if (context.Transparency)
    lines.push_back({15, QStringLiteral("Transparency On")});
  return lines;
}

QString SampleLabelText(double temperature) {
  return F(temperature) + QStringLiteral("°");
}

QString TemperatureSampleText(double temperature, double azimuth, double elevation) {
  return QStringLiteral("%1°@(%2°;%3°)")
      .arg(F(temperature), QString::fromStdString(FixedText(azimuth, 1)),
           QString::fromStdString(FixedText(elevation, 1)));
}

std::array<double, 2> ModelPointSource(const std::array<double, 3> &p, const TView3DState &s, int width,
                                       double vertExtent, double elevation) {
  const double xs = std::atan2(p[1], -p[0]) / s.BoxRadPerPixelH + width / 2.0;
  const double ys =
      ((vertExtent - elevation) / kUnitsPerRadian - std::atan2(p[2], std::sqrt(p[0] * p[0] + p[1] * p[1]))) /
      s.BoxRadPerPixelV;
  return {xs, ys};
}

bool SourceOnFrame(const std::array<double, 2> &source, int width, int height) {
  // Written so that a position that is not a number fails every test.
  return source[0] >= 0.0 && source[0] < width && source[1] >= 0.0 && source[1] < height;
}

std::array<double, 2> ModelPointDirection(const std::array<double, 3> &p) {
  // The box is drawn turned by 180 degrees about the vertical: straight ahead (azimuth 0, the centre
  // column of the panorama) lies along -x, as in ModelPointSource.
  return {std::atan2(p[1], -p[0]) * kDegreesPerRadian,
          std::atan2(p[2], std::sqrt(p[0] * p[0] + p[1] * p[1])) * kDegreesPerRadian};
}

bool SampleOnWindow(const std::array<double, 3> &window, int width, int height) {
  return window[0] >= 0.0 && window[0] < width && window[1] >= 0.0 && window[1] < height &&
         window[2] >= 0.0 && window[2] <= 1.0;
}

QString SavedFrameFileName(const QString &folder, int number) {
  QString path = folder;
  if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
    path += QLatin1Char('/');
  return path + QStringLiteral("frame_%1.jpg").arg(number, 5, 10, QLatin1Char('0'));
}

} // namespace calidarix
