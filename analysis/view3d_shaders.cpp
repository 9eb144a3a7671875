#include "analysis/view3d_shaders.h"

namespace calidarix {

namespace {

QByteArray WithCrLf(const char *text) {
  QByteArray source(text);
  source.replace("\n", "\r\n");
  return source;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

} // namespace

int GLSLVersionOf(const QByteArray &version) {
  if (version.size() < 3 || !IsDigit(version[0]) || !IsDigit(version[2]))
    return 0;
  return (version[0] - '0') * 10 + (version[2] - '0');
}

QByteArray ColorShaderSource() {
  return WithCrLf("#version 110\n"
                  "uniform int isBypass;\n"
                  "void main()\n"
                  "{\n"
                  "  if (isBypass == 1) {\n"
                  "    gl_FragColor = gl_Color;\n"
                  "    return;\n"
                  "  }\n"
                  "  if (gl_Color.a < 0.9)\n"
                  "    discard;\n"
                  "  gl_FragColor = gl_Color;\n"
                  "}\n");
}

QByteArray PaletteShaderSource() {
  return WithCrLf(
      "#version 110\n"
      "uniform sampler1D lutPal;\n"
      "uniform sampler1D lutIso;\n"
      "uniform sampler2D Txtr;\n"
      "uniform int isIso;\n"
      "uniform int isBypass;\n"
      "uniform float PalBeg;\n"
      "uniform float PalEnd;\n"
      "uniform float IsoBeg;\n"
      "uniform float IsoEnd;\n"
      "void main()\n"
      "{\n"
      "  if (isBypass == 1) {\n"
      "    gl_FragColor = gl_Color;\n"
      "    return;\n"
      "  }\n"
      "  if (gl_Color.a < 0.3)\n"
      "    discard;\n"
      "  float level = texture2D(Txtr, gl_TexCoord[0].st).r;\n"
      "  if (level == 0.0)\n"
      "    discard;\n"
      "  if (isIso == 1 && level >= IsoBeg && level <= IsoEnd)\n"
      "    gl_FragColor = texture1D(lutIso, (level - IsoBeg) / (IsoEnd - IsoBeg));\n"
      "  else\n"
      "    gl_FragColor = texture1D(lutPal, clamp((level - PalBeg) / (PalEnd - PalBeg), 0.0, 1.0));\n"
      "}\n");
}

} // namespace calidarix
