#pragma once
// Test figures for judging a camera: the temporal noise between the thermogram and a reference, the
// noise between neighbouring rows of one scan direction, the three-area resolution ratio and the
// squared-difference image between the two bands of a dual-band camera.

#include "thermogram/tdtv.h"

#include <QString>

#include <optional>

namespace calidarix {

// Spread of the temperature differences d over the pixels of a region: U the span max - min, S the
// standard deviation x 0.707 (the noise of one of two equally noisy frames).
struct TNoiseFigure {
  double S = 0.0;
  double U = 0.0;
};

// Over the even rows of rectangle r (inclusive, cut to the frame) and all its columns, d = T of dtv -
// T of reference, each by its own scale. nullopt when the two frames differ in size or the region
// holds no pixel.
std::optional<TNoiseFigure> NoiseAgainstReference(const TDTV &dtv, const TDTV &reference, const TRect &r);

// Over all columns, d = T(x, r) - T(x, r + 2); nullopt unless 0 <= r and r + 2 <= H - 1.
std::optional<TNoiseFigure> RowNoiseFigure(const TDTV &dtv, int r);

// "S: " + S + " | " + "U: " + U with `decimals` decimals.
QString NoiseText(const TNoiseFigure &figure, int decimals);

// (t3 - t2) / (t1 - t2): the contrast the third area's peak reaches between the background (area 2)
// and the full signal (area 1). nullopt when t1 equals t2.
std::optional<double> ResolutionRatio(double t1, double t2, double t3);

// Replaces dtv's frame by (T of dtv - T of band)^2 spread over 0 .. 65535, with Offset and Scale
// describing the squared differences. false, and dtv unchanged, when the sizes differ.
bool BuildDifferenceImage(TDTV &dtv, const TDTV &band);

} // namespace calidarix
