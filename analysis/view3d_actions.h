#pragma once
// The commands of the 3-D view as a table in the order of its action list: name, caption, category, Tag,
// shortcut and check behaviour. The order decides which command takes a shortcut that two share (the
// first enabled one), and the window builds its actions and its context menu from this table.

#include <Qt>

#include <array>
#include <functional>

namespace calidarix {

enum class TViewAction {
  a64,
  aGridOnly,
  a128,
  a256,
  aSmoothShade,
  aColour,
  aLighting,
  aPrint,
  aCoordinateGrid,
  F11,
  SaveEveryFrame,
  aShowStatus,
  a3Dstereo,
  aTransparency,
  a128k,
  a256k,
  a512k,
  a1M,
  a2M,
  a4M,
  a512,
  a1024,
  a2048,
  a4096,
  aProcessPano,
  a8M,
  aBlending,
  aMorph,
  aDrawNormalVectors,
  a0pos,
  aResetView,
  aDynamic,
  aScalingDynamic,
  aExit,
  aUseShader,
  apEquidistant,
  apPolar,
  apSphere,
  apBox,
  apBoxCylinder,
  apCylinder,
  BiasProjection,
  aShaderForGLSL11,
  aZeroFromView,
  aTemperatureSample,
  aFixedLight,
  aTurn,
  aFlyMode,
  RadialLevel,
};
inline constexpr int kViewActionCount = static_cast<int>(TViewAction::RadialLevel) + 1;

struct TViewActionSpec {
  TViewAction Id;
  const char *Name;
  const char *Caption;
  const char *Category; // "" for none
  int Tag;
  int Shortcut;   // Qt key | modifiers, 0 for none
  bool AutoCheck; // the action flips its own check mark before its handler runs
  bool CheckedAtStart;
  int Group; // 3, 4 or 7: the checked actions of a group are exclusive; 0 none
  bool EnabledAtStart;
  bool VisibleAtStart;
};

const std::array<TViewActionSpec, kViewActionCount> &ViewActions();
const TViewActionSpec &ViewActionSpec(TViewAction id);

// The action a key runs: the first in list order whose shortcut is the key with exactly these modifiers
// (the keypad flag does not count) and that is enabled; nothing (-1) when none is.
int ShortcutAction(int key, Qt::KeyboardModifiers modifiers, const std::function<bool(TViewAction)> &enabled);

// The hidden key sequence that reveals "Save Every Frame".
inline constexpr char kServiceKeySequence[] = "WHARF";
// One key of the sequence: a letter key counts by its upper-case letter whatever the Shift state. The
// right next letter advances pos; any other key sets it back to 0 (without being compared with the first
// letter again). Returns true when the fifth letter was just matched.
bool AdvanceKeySequence(int &pos, int key);

} // namespace calidarix
