#pragma once
// The fragment shaders of the 3-D view and the test of the driver's shading language. Both shaders are
// GLSL 1.10 without a vertex shader: the colour shader only hides fragments of hidden or transparent
// vertices; the palette shader colours the box faces' raw levels through the palette and isotherm
// textures.

#include <QByteArray>

namespace calidarix {

// The version as a two-digit number from the characters at positions 1 and 3 of the driver's version
// string ("1.20 ..." gives 12, "4.60 ..." gives 46); 0 when the string is empty or has no digits there.
int GLSLVersionOf(const QByteArray &version);

// Shaders are used from 1.20 on.
inline constexpr int kMinShaderVersion = 12;

// The sources, each starting with "#version 110", lines ending in CR LF.
QByteArray ColorShaderSource();
QByteArray PaletteShaderSource();

} // namespace calidarix
