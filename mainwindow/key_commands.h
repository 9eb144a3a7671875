#pragma once
// The main window's keyboard command table. A key chooses its command by the hardware scan code of the
// physical key (platform/scancodes.h), never by the character the keyboard layout gives it, so every
// command stays on the same key whatever the layout or language.
//
// The table is data: each row names the message kind that carries the key (a key-down without Alt, a
// key-down with Alt and without Ctrl, a key-up), the scan code, the condition under which the row
// applies and the command. Rows of one key are tried in order and the first whose condition holds wins,
// so a key's conditional rows come before its "otherwise" row. The window gathers the conditions,
// asks FindKeyCommand and carries the command out (mainwindow/ui/main_window_keys.cpp).

#include "platform/scancodes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace calidarix {

// The message kind a key arrives as.
enum class KeyTable : std::uint8_t {
  KeyDown,    // no Alt, or Ctrl and Alt together
  SysKeyDown, // Alt held, Ctrl not
  KeyUp,      // the release of a key pressed without Alt
};

// When a row applies. "Ctrl" is the window's own Ctrl flag; "a scan runs" means the camera is scanning.
enum class KeyWhen : std::uint8_t {
  Always,
  Ctrl,
  NotCtrl,
  ScanRuns,
  NoScan,
  PointsExist,
  AreasExist,
  CenterCrossShown,
  OverlayLoaded,
  CameraTypeSet,      // a camera interface type (1 or more) is chosen
  DualBandCamera,     // camera type 257, or a scan runs with type 64
  ScanAreaSelected,   // a scan runs and an area is selected
  FilmOfTwoFrames,    // the file is a film of 2 or more frames
  ScanIdleForCommand, // a scan runs, no film is recorded and no summation runs
};

enum class KeyCommand : std::uint8_t {
  // Key-down without Alt.
  Escape,
  PaletteSlot, // argument: the slot 0 .. 7
  PaletteReverse,
  PaletteCycleBackward, // with the video grab while video is shown
  RemoveLastPoint,
  PaletteWindowReset,
  PalettePosterize,
  Emissivity,
  Rotate90Clockwise,
  RotateOneDegree,
  RangeEntry,
  FocusOrTimeDeltaEntry,
  Emboss,
  IsothermBand,
  BurnIsoline,
  PanoramaButton,
  SavePicture,
  FindSharpestRow,
  CenterCrossOff,
  CtrlDown,
  PaletteWindowStep, // argument: the key letter 'A', 'S', 'Z' or 'X'
  StripWithHead,
  DateTimeMode,
  MergeScans,
  GotoFrame,
  ThermoProfile,
  Histogram,
  TimeProfile,
  SmoothPalette,
  CommentEntry,
  EditorPalette,
  SaveSelection,
  IsothermColours,
  View3D,
  ShowOverlay,
  HalveSize,
  Setup,
  StoreProfiles,
  FitPaletteWindow,
  SpaceWhileScanning,
  LaserToggle,
  OpenFile,
  SaveF2,
  Sharpen,
  LineSweep,
  EdgeOrUnsharp,
  Scan,
  SwapScanSet,
  Summation,
  LockRange,
  CalibrationBand, // argument: the band 0 or 1
  AreaLabelCorner,
  Arrow,    // argument: the scan code of the arrow
  StepFile, // argument: 1 next, 0 previous
  PointLabelDirection,
  DeleteFrameOrFile,
  ContextKeyDown,
  // Key-down with Alt.
  Destripe,
  PaletteInvert,
  PaletteCycleForward,
  RemoveLastArea,
  ResampleToAspect,
  Subtraction,
  RealTemperature,
  RotateHalfDegreeBack,
  Rotate90CounterClockwise,
  ReferenceValueEntry,
  RangeEntryRescale,
  FixedLevelEntry,
  RowEditOn,
  PaletteRamp,
  SplitView,
  ProcessFilm,
  AngleTool,
  Strip,
  FrameAverageEntry,
  MaxOverListedFiles,
  StackFrames,
  Mirror,
  Badge,
  ImageOnly,
  RestoreSelection,
  CloseWindow,
  IsothermAuto,
  Flip,
  NoiseVsReference,
  Grid,
  CameraInfoLabels,
  TrueColour,
  AppendFile,
  SaveAltF2,
  SmoothArea,
  Aspect,   // argument: 1 wider (Alt+Up divides by 1.1), 0 narrower
  Playback, // argument: 1 forwards, 0 backwards
  FixedLineFromMouse,
  // Key-up.
  CtrlUp,
  JogRelease, // argument: the scan code of the arrow
  ContextKeyUp,
};

struct KeyCommandRow {
  KeyTable table;
  std::uint8_t scan;
  KeyWhen when;
  KeyCommand command;
  int argument;
  const char *key; // the key as the user reads it: "Esc", "Alt+4", "Ctrl+R" ...
};

// Every row of the three tables, key-downs without Alt first, in scan-code order.
std::span<const KeyCommandRow> KeyCommandRows();

// The facts the conditions ask about, gathered by the window just before the lookup.
struct KeyConditions {
  bool ctrl = false;
  bool scanRuns = false;
  bool pointsExist = false;
  bool areasExist = false;
  bool centerCross = false;
  bool overlayLoaded = false;
  bool areaSelected = false;
  bool filmOfTwoFrames = false;
  bool filmRecording = false;
  bool summing = false;
  int cameraInterfaceType = 0;
};

bool KeyConditionHolds(KeyWhen when, const KeyConditions &conditions);

// The row a key chooses: the first row of that table and scan code (bits 0..7 of scanCode; the
// extended-key flag is not looked at) whose condition holds. nullopt: the key has no command now.
std::optional<KeyCommandRow> FindKeyCommand(KeyTable table, ScanCode scanCode,
                                            const KeyConditions &conditions);

} // namespace calidarix
