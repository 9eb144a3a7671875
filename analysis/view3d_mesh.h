#pragma once
// The surface mesh of the 3-D view: the current thermogram sampled into a grid of vertices (one per
// sampled raw pixel, its height the raw value), with normals, quad-strip indices and RGBA colours from
// the thermogram's palette. The number of vertices stays under the vertex limit by sampling every n-th
// pixel, never by averaging.

#include "analysis/view3d_state.h"
#include "thermogram/tdtv.h"

#include <cstdint>
#include <vector>

namespace calidarix {

// Empties every mesh array (and counts a new mesh generation).
void ClearMesh(TView3DState &s);

// Rebuilds the whole mesh from dtv (sampling, size, aspect, wire steps, cells, positions, normals,
// indices, colours, hidden quads, transparency, size figure). A frame without pixels gives an empty
// mesh (0 x 0). transparency: the action "Transparency" is checked.
void BuildSurfaceMesh(TView3DState &s, const TDTV &dtv, bool transparency);

// The sampling step that keeps W x H div (x x y) within limit: a version-4 thermogram (a panorama of
// scan angles) loses rows only, any other thermogram rows and columns alike.
TPoint MeshSampleStep(int width, int height, bool rowsOnly, std::int64_t limit);

// Plane positions: x falls with the column, y rises with the row, z = raw / 65535.
void PreCalcVertexes(TView3DState &s);
// Normals of a cols x rows grid of positions: the negated, normalised sum of the normals of the (up to
// four) triangles around each vertex; a vertex whose sum is zero keeps the normal it had.
void PreCalcNormalVectors(const std::vector<float> &vertices, std::vector<float> &normals, int cols,
                          int rows);
void PreCalcIndices(TView3DState &s);

// Every vertex that shares a quad with a hidden vertex (alpha 0) is hidden as well, so no quad is drawn
// half empty; the hidden region grows by one vertex, not further.
void BypassZeroQuads(std::vector<TTexel> &colors, int cols, int rows);

// The transparency switch: on, every opaque alpha (255) becomes 128; off, every 128 becomes 255. Hidden
// vertices stay hidden.
void ApplyTransparency(std::vector<TTexel> &colors, bool transparent);

} // namespace calidarix
