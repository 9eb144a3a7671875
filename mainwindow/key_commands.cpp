#include "mainwindow/key_commands.h"

#include <array>

namespace calidarix {

namespace {

using K = KeyCommand;
using W = KeyWhen;
constexpr KeyTable A = KeyTable::KeyDown;
constexpr KeyTable B = KeyTable::SysKeyDown;
constexpr KeyTable C = KeyTable::KeyUp;

// The camera interface types of the two-band cameras.
constexpr int kDualBandLan = 64;
constexpr int kDualBandLan2 = 257;

constexpr KeyCommandRow kRows[] = {
    // ---- Key-down without Alt ----
    {A, 1, W::Always, K::Escape, 0, "Esc"},
    {A, 2, W::Always, K::PaletteSlot, 0, "1"},
    {A, 3, W::Always, K::PaletteSlot, 1, "2"},
    {A, 4, W::Always, K::PaletteSlot, 2, "3"},
    {A, 5, W::Always, K::PaletteSlot, 3, "4"},
    {A, 6, W::Always, K::PaletteSlot, 4, "5"},
    {A, 7, W::Always, K::PaletteSlot, 5, "6"},
    {A, 8, W::Always, K::PaletteSlot, 6, "7"},
    {A, 9, W::Always, K::PaletteSlot, 7, "8"},
    {A, 10, W::Always, K::PaletteReverse, 0, "9"},
    {A, 11, W::NoScan, K::PaletteCycleBackward, 0, "0"},
    {A, 14, W::PointsExist, K::RemoveLastPoint, 0, "Backspace"},
    {A, 16, W::Always, K::PaletteWindowReset, 0, "Q"},
    {A, 17, W::Always, K::PalettePosterize, 0, "W"},
    {A, 18, W::Always, K::Emissivity, 0, "E"},
    {A, 19, W::NotCtrl, K::Rotate90Clockwise, 0, "R"},
    {A, 19, W::Ctrl, K::RotateOneDegree, 0, "Ctrl+R"},
    {A, 20, W::Always, K::RangeEntry, 0, "T"},
    {A, 21, W::Always, K::FocusOrTimeDeltaEntry, 0, "Y"},
    {A, 22, W::Always, K::Emboss, 0, "U"},
    {A, 23, W::Always, K::IsothermBand, 0, "I"},
    {A, 24, W::Always, K::BurnIsoline, 0, "O"},
    {A, 25, W::ScanRuns, K::PanoramaButton, 0, "P"},
    {A, 25, W::Always, K::SavePicture, 0, "P"},
    {A, 26, W::Always, K::FindSharpestRow, 0, "["},
    {A, 28, W::CenterCrossShown, K::CenterCrossOff, 0, "Enter"},
    {A, 29, W::Always, K::CtrlDown, 0, "Ctrl"},
    {A, 30, W::Always, K::PaletteWindowStep, 'A', "A"},
    {A, 31, W::ScanRuns, K::StripWithHead, 0, "S"},
    {A, 31, W::Always, K::PaletteWindowStep, 'S', "S"},
    {A, 32, W::Always, K::DateTimeMode, 0, "D"},
    {A, 33, W::Ctrl, K::MergeScans, 0, "Ctrl+F"},
    {A, 33, W::NotCtrl, K::GotoFrame, 0, "F"},
    {A, 34, W::Always, K::ThermoProfile, 0, "G"},
    {A, 35, W::Always, K::Histogram, 0, "H"},
    {A, 36, W::Always, K::TimeProfile, 0, "J"},
    {A, 37, W::Always, K::SmoothPalette, 0, "K"},
    {A, 38, W::Always, K::CommentEntry, 0, "L"},
    {A, 41, W::Always, K::EditorPalette, 0, "`"},
    {A, 44, W::NotCtrl, K::PaletteWindowStep, 'Z', "Z"},
    {A, 44, W::Ctrl, K::SaveSelection, 0, "Ctrl+Z"},
    {A, 45, W::Always, K::PaletteWindowStep, 'X', "X"},
    {A, 46, W::Always, K::IsothermColours, 0, "C"},
    {A, 49, W::Always, K::View3D, 0, "N"},
    {A, 50, W::OverlayLoaded, K::ShowOverlay, 0, "M"},
    {A, 51, W::Always, K::HalveSize, 0, ","},
    {A, 52, W::Always, K::Setup, 0, "."},
    {A, 53, W::Always, K::StoreProfiles, 0, "/"},
    {A, 57, W::NoScan, K::FitPaletteWindow, 0, "Space"},
    {A, 57, W::ScanRuns, K::SpaceWhileScanning, 0, "Space"},
    {A, 59, W::ScanRuns, K::LaserToggle, 0, "F1"},
    {A, 59, W::Always, K::OpenFile, 0, "F1"},
    {A, 60, W::Always, K::SaveF2, 1, "F2"},
    {A, 61, W::ScanRuns, K::SaveF2, 1, "F3"},
    {A, 61, W::Always, K::Sharpen, 0, "F3"},
    {A, 62, W::ScanRuns, K::LineSweep, 0, "F4"},
    {A, 62, W::Always, K::EdgeOrUnsharp, 0, "F4"},
    {A, 63, W::CameraTypeSet, K::Scan, 0, "F5"},
    {A, 64, W::ScanRuns, K::SwapScanSet, 0, "F6"},
    {A, 65, W::ScanRuns, K::Summation, 0, "F7"},
    {A, 66, W::Always, K::LockRange, 0, "F8"},
    {A, 71, W::DualBandCamera, K::CalibrationBand, 0, "Home"},
    {A, 71, W::Always, K::AreaLabelCorner, 0, "Home"},
    {A, 72, W::Always, K::Arrow, 72, "Up"},
    {A, 73, W::Always, K::StepFile, 0, "PgUp"},
    {A, 75, W::Always, K::Arrow, 75, "Left"},
    {A, 77, W::Always, K::Arrow, 77, "Right"},
    {A, 79, W::DualBandCamera, K::CalibrationBand, 1, "End"},
    {A, 80, W::Always, K::Arrow, 80, "Down"},
    {A, 81, W::Always, K::StepFile, 1, "PgDn"},
    {A, 82, W::PointsExist, K::PointLabelDirection, 0, "Ins"},
    {A, 83, W::Always, K::DeleteFrameOrFile, 0, "Del"},
    {A, 93, W::Always, K::ContextKeyDown, 0, "Menu"},

    // ---- Key-down with Alt (and without Ctrl) ----
    {B, 5, W::Always, K::Destripe, 0, "Alt+4"},
    {B, 10, W::Always, K::PaletteInvert, 0, "Alt+9"},
    {B, 11, W::NoScan, K::PaletteCycleForward, 0, "Alt+0"},
    {B, 14, W::AreasExist, K::RemoveLastArea, 0, "Alt+Backspace"},
    {B, 16, W::Always, K::ResampleToAspect, 0, "Alt+Q"},
    {B, 17, W::Always, K::Subtraction, 0, "Alt+W"},
    {B, 18, W::Always, K::RealTemperature, 0, "Alt+E"},
    {B, 19, W::Ctrl, K::RotateHalfDegreeBack, 0, "Alt+R"},
    {B, 19, W::NoScan, K::Rotate90CounterClockwise, 0, "Alt+R"},
    {B, 19, W::ScanAreaSelected, K::ReferenceValueEntry, 0, "Alt+R"},
    {B, 20, W::Always, K::RangeEntryRescale, 0, "Alt+T"},
    {B, 21, W::Always, K::FixedLevelEntry, 0, "Alt+Y"},
    {B, 22, W::Always, K::RowEditOn, 0, "Alt+U"},
    {B, 23, W::Always, K::PaletteRamp, 0, "Alt+I"},
    {B, 24, W::Always, K::SplitView, 0, "Alt+O"},
    {B, 28, W::Always, K::ProcessFilm, 0, "Alt+Enter"},
    {B, 30, W::Always, K::AngleTool, 0, "Alt+A"},
    {B, 31, W::ScanRuns, K::Strip, 0, "Alt+S"},
    {B, 31, W::FilmOfTwoFrames, K::FrameAverageEntry, 0, "Alt+S"},
    {B, 31, W::Always, K::MaxOverListedFiles, 0, "Alt+S"},
    {B, 32, W::Always, K::StackFrames, 0, "Alt+D"},
    {B, 35, W::Always, K::Mirror, 0, "Alt+H"},
    {B, 38, W::Always, K::Badge, 0, "Alt+L"},
    {B, 41, W::Always, K::ImageOnly, 0, "Alt+`"},
    {B, 44, W::Always, K::RestoreSelection, 0, "Alt+Z"},
    {B, 45, W::Always, K::CloseWindow, 0, "Alt+X"},
    {B, 46, W::Always, K::IsothermAuto, 0, "Alt+C"},
    {B, 47, W::Always, K::Flip, 0, "Alt+V"},
    {B, 48, W::Always, K::NoiseVsReference, 0, "Alt+B"},
    {B, 49, W::Always, K::Grid, 0, "Alt+N"},
    {B, 50, W::Always, K::CameraInfoLabels, 0, "Alt+M"},
    {B, 53, W::Always, K::TrueColour, 0, "Alt+/"},
    {B, 59, W::Always, K::AppendFile, 0, "Alt+F1"},
    {B, 60, W::Always, K::SaveAltF2, 1, "Alt+F2"},
    {B, 61, W::ScanRuns, K::SaveAltF2, 1, "Alt+F3"},
    {B, 61, W::Always, K::SmoothArea, 0, "Alt+F3"},
    {B, 72, W::NoScan, K::Aspect, 1, "Alt+Up"},
    {B, 75, W::Always, K::Playback, 0, "Alt+Left"},
    {B, 77, W::Always, K::Playback, 1, "Alt+Right"},
    {B, 80, W::NoScan, K::Aspect, 0, "Alt+Down"},
    {B, 88, W::ScanIdleForCommand, K::FixedLineFromMouse, 0, "Alt+F12"},

    // ---- Key-up ----
    {C, 29, W::Always, K::CtrlUp, 0, "Ctrl"},
    {C, 72, W::CenterCrossShown, K::JogRelease, 72, "Up"},
    {C, 75, W::CenterCrossShown, K::JogRelease, 75, "Left"},
    {C, 77, W::CenterCrossShown, K::JogRelease, 77, "Right"},
    {C, 80, W::CenterCrossShown, K::JogRelease, 80, "Down"},
    {C, 93, W::Always, K::ContextKeyUp, 0, "Menu"},
};

} // namespace

std::span<const KeyCommandRow> KeyCommandRows() {
  return kRows;
}

bool KeyConditionHolds(KeyWhen when, const KeyConditions &c) {
  switch (when) {
  case W::Always:
    return true;
  case W::Ctrl:
    return c.ctrl;
  case W::NotCtrl:
    return !c.ctrl;
  case W::ScanRuns:
    return c.scanRuns;
  case W::NoScan:
    return !c.scanRuns;
  case W::PointsExist:
    return c.pointsExist;
  case W::AreasExist:
    return c.areasExist;
  case W::CenterCrossShown:
    return c.centerCross;
  case W::OverlayLoaded:
    return c.overlayLoaded;
  case W::CameraTypeSet:
    return c.cameraInterfaceType >= 1;
  case W::DualBandCamera:
    return c.cameraInterfaceType == kDualBandLan2 || (c.scanRuns && c.cameraInterfaceType == kDualBandLan);
  case W::ScanAreaSelected:
    return c.scanRuns && c.areaSelected;
  case W::FilmOfTwoFrames:
    return c.filmOfTwoFrames;
  case W::ScanIdleForCommand:
    return c.scanRuns && !c.filmRecording && !c.summing;
  }
  return false;
}

std::optional<KeyCommandRow> FindKeyCommand(KeyTable table, ScanCode scanCode,
                                            const KeyConditions &conditions) {
  const auto scan = static_cast<std::uint8_t>(scanCode & 0xFF);
  for (const KeyCommandRow &row : kRows)
    if (row.table == table && row.scan == scan && KeyConditionHolds(row.when, conditions))
      return row;
  return std::nullopt;
}

} // namespace calidarix
