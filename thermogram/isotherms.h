#pragma once
// The contour tracer behind TDTV::AddIsothermLevel and TDTV::BuildIsotherms, open to tests.

#include "thermogram/tdtv.h"

#include <cstdint>
#include <vector>

namespace calidarix {

// Appends the contour segments of each of `levels` in turn, in the order given (a level given twice is
// traced twice), over the frame v of w x h values (the smoothed copy), to points as x1, y1, x2, y2 in
// fractions of the frame width and height. The segments of one level come in row-major cell order;
// levels outside 1 .. 65535 add nothing.
void TraceIsothermLevels(const std::vector<std::uint16_t> &v, int w, int h, const std::vector<int> &levels,
                         std::vector<double> &points);

} // namespace calidarix
