#pragma once
// Bending the surface mesh into the projections of a thermogram that carries its scan angles: flat
// ("Equidistant"), "Polar", "Sphere", "Box", "Box_Cylinder :)" and "Cylinder", each optionally with the
// relief along the viewing ray ("RadialLevel"). The re-projection animation eases the mesh into these
// positions.

#include "analysis/view3d_state.h"
#include "thermogram/tdtv.h"

#include <vector>

namespace calidarix {

enum TProjectionKind { kEquidistant = 0, kPolar = 1, kSphere = 2, kBox = 3, kBoxCylinder = 4, kCylinder = 5 };

// The header's angles (1/180 degree) that the projections read.
struct TScanAngles {
  double HorzExtent = 0.0;
  double VertExtent = 0.0;
  double Elevation = 0.0;
};
TScanAngles ScanAnglesOf(const TDTV &dtv);

// Projected positions of every mesh vertex into out (sized to the mesh). heightFactor scales the relief
// (1 with the action "Bias" checked, else 0); radialLevel: the relief is laid along the viewing ray.
// Returns false and writes nothing for a kind outside 0 .. 5 or a mesh without raw values.
bool ProjectMesh(const TView3DState &s, const TScanAngles &angles, int kind, double heightFactor,
                 bool radialLevel, std::vector<float> &out);

// The same for one vertex at mesh column c and row r with raw value raw.
TVec3 ProjectVertex(const TView3DState &s, const TScanAngles &angles, int kind, double heightFactor,
                    bool radialLevel, int c, int r, int raw);

} // namespace calidarix
