#include "mainwindow/key_commands.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

namespace calidarix {
namespace {

// Rows of one key are tried in order: a row that always applies must be the key's last, and no two rows
// of a key may share a condition, or the later one could never be chosen.
TEST(KeyCommandTable, EveryRowOfAKeyCanBeChosen) {
  std::map<std::pair<KeyTable, int>, std::vector<KeyWhen>> keys;
  for (const KeyCommandRow &row : KeyCommandRows())
    keys[{row.table, row.scan}].push_back(row.when);
  for (const auto &[key, conditions] : keys) {
    SCOPED_TRACE(testing::Message() << "table " << int(key.first) << " scan " << key.second);
    const std::set<KeyWhen> distinct(conditions.begin(), conditions.end());
    EXPECT_EQ(distinct.size(), conditions.size());
    for (std::size_t i = 0; i + 1 < conditions.size(); ++i)
      EXPECT_NE(conditions[i], KeyWhen::Always);
  }
}

TEST(KeyCommandTable, NamesItsKeysAndCoversTheDesignedScanCodes) {
  std::set<int> keyDown, sysKeyDown, keyUp;
  for (const KeyCommandRow &row : KeyCommandRows()) {
    EXPECT_NE(row.key, nullptr);
    EXPECT_GT(std::string(row.key).size(), 0u);
    (row.table == KeyTable::KeyDown      ? keyDown
     : row.table == KeyTable::SysKeyDown ? sysKeyDown
                                         : keyUp)
        .insert(row.scan);
  }
  EXPECT_EQ(keyDown, (std::set<int>{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 14, 16, 17, 18, 19,
                                    20, 21, 22, 23, 24, 25, 26, 28, 29, 30, 31, 32, 33, 34, 35, 36,
                                    37, 38, 41, 44, 45, 46, 49, 50, 51, 52, 53, 57, 59, 60, 61, 62,
                                    63, 64, 65, 66, 71, 72, 73, 75, 77, 79, 80, 81, 82, 83, 93}));
  EXPECT_EQ(sysKeyDown,
            (std::set<int>{5,  10, 11, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 28, 30, 31, 32, 35,
                           38, 41, 44, 45, 46, 47, 48, 49, 50, 53, 59, 60, 61, 72, 75, 77, 80, 88}));
  EXPECT_EQ(keyUp, (std::set<int>{29, 72, 75, 77, 80, 93}));
}

struct LookupCase {
  const char *name;
  KeyTable table;
  ScanCode scan;
  KeyConditions conditions;
  std::optional<KeyCommand> expected;
  int argument = 0;
};

KeyConditions Ctrl() {
  KeyConditions c;
  c.ctrl = true;
  return c;
}
KeyConditions Scanning() {
  KeyConditions c;
  c.scanRuns = true;
  return c;
}
KeyConditions Type(int type, bool scanning) {
  KeyConditions c;
  c.cameraInterfaceType = type;
  c.scanRuns = scanning;
  return c;
}

TEST(KeyCommandTable, TheFirstRowWhoseConditionHoldsWins) {
  KeyConditions scanArea = Scanning();
  scanArea.areaSelected = true;
  KeyConditions film;
  film.filmOfTwoFrames = true;
  KeyConditions scanFilm = Scanning();
  scanFilm.filmOfTwoFrames = true;
  KeyConditions recording = Scanning();
  recording.filmRecording = true;
  KeyConditions summing = Scanning();
  summing.summing = true;
  KeyConditions cross;
  cross.centerCross = true;
  KeyConditions ctrlScanning = Scanning();
  ctrlScanning.ctrl = true;

  using K = KeyCommand;
  constexpr KeyTable A = KeyTable::KeyDown;
  constexpr KeyTable B = KeyTable::SysKeyDown;
  constexpr KeyTable C = KeyTable::KeyUp;
  const LookupCase cases[] = {
      {"R", A, 19, {}, K::Rotate90Clockwise},
      {"Ctrl+R", A, 19, Ctrl(), K::RotateOneDegree},
      {"P", A, 25, {}, K::SavePicture},
      {"P scanning", A, 25, Scanning(), K::PanoramaButton},
      {"S", A, 31, {}, K::PaletteWindowStep, 'S'},
      {"S scanning", A, 31, Scanning(), K::StripWithHead},
      {"Space", A, 57, {}, K::FitPaletteWindow},
      {"Space scanning", A, 57, Scanning(), K::SpaceWhileScanning},
      {"0 scanning has no command", A, 11, Scanning(), std::nullopt},
      {"Backspace without points", A, 14, {}, std::nullopt},
      {"Enter without the centre cross", A, 28, {}, std::nullopt},
      {"Enter with the centre cross", A, 28, cross, K::CenterCrossOff},
      {"F5 without a camera type", A, 63, {}, std::nullopt},
      {"F5 with a camera type", A, 63, Type(16, false), K::Scan},
      {"F6 idle", A, 64, {}, std::nullopt},
      {"Home", A, 71, {}, K::AreaLabelCorner},
      {"Home, type 257", A, 71, Type(257, false), K::CalibrationBand, 0},
      {"Home, type 64 idle", A, 71, Type(64, false), K::AreaLabelCorner},
      {"Home, type 64 scanning", A, 71, Type(64, true), K::CalibrationBand, 0},
      {"End, type 257", A, 79, Type(257, false), K::CalibrationBand, 1},
      {"End otherwise", A, 79, {}, std::nullopt},
      {"Up with the extended flag", A, 0x148, {}, K::Arrow, 72},
      {"keypad 8 without it", A, 0x48, {}, K::Arrow, 72},
      {"Right Ctrl", A, 0x11D, {}, K::CtrlDown},
      {"a key without a command", A, 15, {}, std::nullopt},
      {"Alt+R, stale Ctrl", B, 19, ctrlScanning, K::RotateHalfDegreeBack},
      {"Alt+R idle", B, 19, {}, K::Rotate90CounterClockwise},
      {"Alt+R scanning with an area", B, 19, scanArea, K::ReferenceValueEntry},
      {"Alt+R scanning without an area", B, 19, Scanning(), std::nullopt},
      {"Alt+S scanning", B, 31, scanFilm, K::Strip},
      {"Alt+S on a film", B, 31, film, K::FrameAverageEntry},
      {"Alt+S otherwise", B, 31, {}, K::MaxOverListedFiles},
      {"Alt+F12 scanning", B, 88, Scanning(), K::FixedLineFromMouse},
      {"Alt+F12 while a film is recorded", B, 88, recording, std::nullopt},
      {"Alt+F12 while summing", B, 88, summing, std::nullopt},
      {"Alt+Up scanning", B, 72, Scanning(), std::nullopt},
      {"Alt+Left", B, 75, Scanning(), K::Playback, 0},
      {"Alt itself", B, 56, {}, std::nullopt},
      {"Ctrl up", C, 29, {}, K::CtrlUp},
      {"arrow up without the cross", C, 75, {}, std::nullopt},
      {"arrow up with the cross", C, 75, cross, K::JogRelease, 75},
  };
  for (const LookupCase &c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<KeyCommandRow> row = FindKeyCommand(c.table, c.scan, c.conditions);
    ASSERT_EQ(row.has_value(), c.expected.has_value());
    if (!row)
      continue;
    EXPECT_EQ(row->command, *c.expected);
    EXPECT_EQ(row->argument, c.argument);
  }
}

} // namespace
} // namespace calidarix
