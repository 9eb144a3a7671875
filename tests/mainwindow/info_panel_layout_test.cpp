#include "mainwindow/info_panel_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace calidarix {
namespace {

std::map<std::string, InfoLabelBox> ByName(const InfoPanelFit &fit) {
  std::map<std::string, InfoLabelBox> boxes;
  for (const InfoLabelBox &box : fit.Boxes)
    boxes.emplace(box.Name, box);
  return boxes;
}

// Texts that fit the table's places leave them where they are; the places are the minimum.
TEST(FitInfoLabels, ShortTextsKeepTheTablesPlaces) {
  for (const bool side : {false, true}) {
    const InfoPanelFit fit = FitInfoLabels(
        side, [](const char *) { return 4; }, 2);
    for (const InfoLabelPlace &place : InfoLabelPlaces(side)) {
      const auto boxes = ByName(fit);
      const auto it = boxes.find(place.Name);
      ASSERT_EQ(it != boxes.end(), place.Shown) << place.Name;
      if (place.Shown) {
        EXPECT_EQ(it->second.Left, place.Left) << place.Name;
        EXPECT_EQ(it->second.Top, place.Top) << place.Name;
      }
    }
    EXPECT_EQ(fit.Width, side ? kInfoColumnWidth : 452 + 56);
  }
}

// A wide value moves the next caption on its row, and every column after it, right: the strip's
// "X: 128" no longer runs into "T:", and the column grows instead of cutting a caption.
TEST(FitInfoLabels, AWideTextMovesTheNextLabelOnItsRow) {
  const auto needed = [](const char *name) { return std::strcmp(name, "XLabel") == 0 ? 40 : 4; };
  auto strip = ByName(FitInfoLabels(false, needed, 3));
  EXPECT_EQ(strip.at("TLab").Left, 16 + 40 + 3);
  EXPECT_EQ(strip.at("XLabel").Width, 43);
  EXPECT_EQ(strip.at("TemperatureLabel").Left, 59 + 24); // the design's step from TLab
  EXPECT_EQ(strip.at("TemperatureLabelWhite").Left, strip.at("TemperatureLabel").Left + 1);
  EXPECT_EQ(strip.at("MaxLab").Left, 124 + 23); // the whole strip moved on by 23
  EXPECT_EQ(strip.at("YLabel").Width, strip.at("MinLab").Left - 16);

  const auto wideCaption = [](const char *name) { return std::strcmp(name, "MaxLab") == 0 ? 50 : 4; };
  const InfoPanelFit column = FitInfoLabels(true, wideCaption, 2);
  auto side = ByName(column);
  EXPECT_EQ(side.at("MaxLabel").Left, 4 + 50 + 2);
  EXPECT_EQ(side.at("MaxLabel").Left + side.at("MaxLabel").Width, column.Width);
  EXPECT_GT(column.Width, kInfoColumnWidth);
}

} // namespace
} // namespace calidarix
