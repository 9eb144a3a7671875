#include "analysis/view3d_actions.h"

#include <cstring>

namespace calidarix {

namespace {

constexpr int Ctrl = Qt::ControlModifier;
constexpr int Alt = Qt::AltModifier;

using A = TViewAction;

// Name, caption, category, Tag, shortcut, auto check, checked at start, group, enabled, visible.
constexpr std::array<TViewActionSpec, kViewActionCount> kActions{{
    {A::a64, "a64", "64", "BoxSide", 64, 0, false, false, 4, true, true},
    {A::aGridOnly, "aGridOnly", "Grid Only", "", 0, Qt::Key_G, true, false, 0, true, true},
    {A::a128, "a128", "128", "BoxSide", 128, 0, false, false, 4, false, true},
    {A::a256, "a256", "256", "BoxSide", 256, 0, false, false, 4, false, true},
    {A::aSmoothShade, "aSmoothShade", "Smooth Shade", "Switches", 0, Ctrl | Qt::Key_S, true, true, 0, true,
     true},
    {A::aColour, "aColour", "Colour Material", "", 0, Qt::Key_C, true, true, 0, true, true},
    {A::aLighting, "aLighting", "Lighting", "", 0, Qt::Key_L, true, true, 0, true, true},
    {A::aPrint, "aPrint", "aPrint", "", 0, 0, false, false, 0, true, true},
    {A::aCoordinateGrid, "aCoordinateGrid", "CoordinateGrid", "", 0, Qt::Key_M, true, false, 0, true, true},
    {A::F11, "F11", "Toggle Full Screen", "", 0, Qt::Key_F11, false, false, 0, true, true},
    {A::SaveEveryFrame, "SaveEveryFrame", "Save Every Frame", "", 0, Qt::Key_F2, true, false, 0, true, false},
    {A::aShowStatus, "aShowStatus", "Show Status", "Switches", 0, Ctrl | Alt | Qt::Key_S, true, false, 0,
     true, true},
    {A::a3Dstereo, "a3Dstereo", "3D stereo", "", 0, Ctrl | Alt | Qt::Key_3, true, false, 0, true, true},
    {A::aTransparency, "aTransparency", "Transparency", "Switches", 0, Ctrl | Qt::Key_T, true, false, 0, true,
     true},
    {A::a128k, "a128k", "128k", "VertexLimit", 1, 0, true, false, 3, true, true},
    {A::a256k, "a256k", "256k", "VertexLimit", 2, 0, true, true, 3, true, true},
    {A::a512k, "a512k", "512k", "VertexLimit", 4, 0, true, false, 3, true, true},
    {A::a1M, "a1M", "1M", "VertexLimit", 8, 0, true, false, 3, true, true},
    {A::a2M, "a2M", "2M", "VertexLimit", 16, 0, true, false, 3, true, true},
    {A::a4M, "a4M", "4M", "VertexLimit", 32, 0, true, false, 3, true, true},
    {A::a512, "a512", "512", "BoxSide", 512, 0, true, true, 4, true, true},
    {A::a1024, "a1024", "1024", "BoxSide", 1024, 0, true, false, 4, true, true},
    {A::a2048, "a2048", "2048", "BoxSide", 2048, 0, true, false, 4, true, true},
    {A::a4096, "a4096", "4096", "BoxSide", 4096, 0, true, false, 4, true, true},
    {A::aProcessPano, "aProcessPano", "Process Pano", "", 0, 0, false, false, 0, false, false},
    {A::a8M, "a8M", "8M", "VertexLimit", 64, 0, true, false, 3, true, true},
    {A::aBlending, "aBlending", "Blending", "Switches", 0, Ctrl | Qt::Key_B, true, false, 0, true, true},
    {A::aMorph, "aMorph", "aMorph", "", 0, Ctrl | Qt::Key_M, false, false, 0, true, true},
    {A::aDrawNormalVectors, "aDrawNormalVectors", "aDrawNormalVectors", "", 0, Ctrl | Alt | Qt::Key_N, true,
     false, 0, true, true},
    {A::a0pos, "a0pos", "a0pos", "", 0, Ctrl | Alt | Qt::Key_O, false, false, 0, true, true},
    {A::aResetView, "aResetView", "aResetView", "", 0, Ctrl | Qt::Key_R, false, false, 0, true, true},
    {A::aDynamic, "aDynamic", "Dynamic", "", 0, Qt::Key_D, true, false, 0, true, true},
    {A::aScalingDynamic, "aScalingDynamic", "Scaling Dynamic", "", 0, Ctrl | Alt | Qt::Key_S, true, false, 0,
     true, true},
    {A::aExit, "aExit", "aExit", "", 0, Ctrl | Qt::Key_N, false, false, 0, true, true},
    {A::aUseShader, "aUseShader", "aUseShader", "Switches", 0, Qt::Key_F9, true, true, 0, true, true},
    {A::apEquidistant, "apEquidistant", "Equidistant", "Projection", 0, Ctrl | Qt::Key_1, false, false, 7,
     true, true},
    {A::apPolar, "apPolar", "Polar", "Projection", 1, Ctrl | Qt::Key_2, false, false, 7, true, true},
    {A::apSphere, "apSphere", "Sphere", "Projection", 2, Ctrl | Qt::Key_3, false, false, 7, true, true},
    {A::apBox, "apBox", "Box", "Projection", 3, Ctrl | Qt::Key_4, false, false, 7, true, true},
    {A::apBoxCylinder, "apBoxCylinder", "Box_Cylinder :)", "Projection", 4, Ctrl | Qt::Key_5, false, false, 7,
     true, true},
    {A::apCylinder, "apCylinder", "Cylinder", "Projection", 5, Ctrl | Qt::Key_6, false, false, 7, true, true},
    {A::BiasProjection, "BiasProjection", "Bias", "Projection", 10, Ctrl | Qt::Key_0, true, true, 0, true,
     true},
    {A::aShaderForGLSL11, "aShaderForGLSL11", "Shader for GLSL 1.1+", "Switches", 0, 0, true, true, 0, true,
     true},
    {A::aZeroFromView, "aZeroFromView", "Zero From View", "", 0, Qt::Key_F1, true, false, 0, true, true},
    {A::aTemperatureSample, "aTemperatureSample", "Temperature Sample", "", 0, Qt::Key_Tab, false, false, 0,
     true, true},
    {A::aFixedLight, "aFixedLight", "aFixedLight", "", 0, Qt::Key_F5, true, false, 0, true, true},
    {A::aTurn, "aTurn", "aTurn", "", 0, Qt::Key_F6, false, false, 0, true, true},
    {A::aFlyMode, "aFlyMode", "aFlyMode", "Switches", 0, Alt | Qt::Key_Backspace, true, false, 0, true, true},
    {A::RadialLevel, "RadialLevel", "RadialLevel", "Projection", 9, Ctrl | Qt::Key_9, true, false, 0, true,
     true},
}};

constexpr bool TableInOrder() {
  for (int i = 0; i < kViewActionCount; ++i)
    if (static_cast<int>(kActions[static_cast<std::size_t>(i)].Id) != i)
      return false;
  return true;
}
static_assert(TableInOrder(), "the action table follows the order of TViewAction");

} // namespace

const std::array<TViewActionSpec, kViewActionCount> &ViewActions() {
  return kActions;
}

const TViewActionSpec &ViewActionSpec(TViewAction id) {
  return kActions[static_cast<std::size_t>(id)];
}

int ShortcutAction(int key, Qt::KeyboardModifiers modifiers,
                   const std::function<bool(TViewAction)> &enabled) {
  const int mods = static_cast<int>(
      (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)).toInt());
  const int combination = key | mods;
  for (const TViewActionSpec &entry : kActions)
    if (entry.Shortcut != 0 && entry.Shortcut == combination && (!enabled || enabled(entry.Id)))
      return static_cast<int>(entry.Id);
  return -1;
}

bool AdvanceKeySequence(int &pos, int key) {
  const int length = static_cast<int>(std::strlen(kServiceKeySequence));
  if (pos >= 0 && pos < length && key == kServiceKeySequence[pos]) {
    pos += 1;
    return pos == length;
  }
  pos = 0;
  return false;
}

} // namespace calidarix
