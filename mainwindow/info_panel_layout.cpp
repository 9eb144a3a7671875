#include "mainwindow/info_panel_layout.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace calidarix {

namespace {

constexpr InfoLabelPlace kColumn[] = {
    {"XLab", 4, 68},
    {"XLabel", 16, 68},
    {"YLab", 40, 68},
    {"YLabel", 52, 68},
    {"TLab", 4, 84},
    {"TemperatureLabel", 28, 84},
    {"TemperatureLabelWhite", 29, 85},
    {"MaxLab", 4, 112},
    {"MaxLabel", 32, 112},
    {"MinLab", 4, 128},
    {"MinLabel", 32, 128},
    {"AvgLab", 4, 144},
    {"AvgLabel", 32, 144},
    {"PtsLab", 4, 160},
    {"PtsLabel", 32, 160},
    {"FrsLab", 4, 176},
    {"FramesLabel", 32, 176},
    {"FrmLab", 4, 192},
    {"FrameLabel", 32, 192},
    {"TimLab", 4, 208},
    {"TimeLabel", 32, 208},
    {"FrtLab", 4, 224},
    {"FrameTimeLabel", 32, 224},
    {"IsoLab", 4, 240},
    {"AIsoLabel", 32, 240},
    {"FrameRealDateLabel", 4, 256},
    {"FrameRealTimeLabel", 4, 272},
    {"ThLab", 4, 288},
    {"ThermoLabel", 32, 288},
    {"BlLab", 4, 304},
    {"BlindLabel", 32, 304},
};

constexpr InfoLabelPlace kStrip[] = {
    {"XLab", 4, 4},
    {"XLabel", 16, 4},
    {"YLab", 4, 16},
    {"YLabel", 16, 16},
    {"TLab", 36, 2},
    {"TemperatureLabel", 60, 2},
    {"TemperatureLabelWhite", 61, 3},
    {"MaxLab", 124, 4},
    {"MaxLabel", 148, 4},
    {"MinLab", 124, 16},
    {"MinLabel", 148, 16},
    {"AvgLab", 184, 4},
    {"AvgLabel", 208, 4},
    {"PtsLab", 184, 16},
    {"PtsLabel", 208, 16},
    {"FrsLab", 244, 4},
    {"FramesLabel", 268, 4},
    {"FrmLab", 244, 16},
    {"FrameLabel", 268, 16},
    {"TimLab", 304, 4},
    {"TimeLabel", 328, 4},
    {"FrtLab", 304, 16},
    {"FrameTimeLabel", 328, 16},
    {"IsoLab", 364, 4},
    {"AIsoLabel", 388, 4},
    {"FrameRealDateLabel", 0, 0, false},
    {"FrameRealTimeLabel", 364, 16},
    {"ThLab", 424, 16},
    {"ThermoLabel", 452, 16},
    {"BlLab", 424, 4},
    {"BlindLabel", 452, 4},
};

} // namespace

std::span<const InfoLabelPlace> InfoLabelPlaces(bool sideColumn) {
  if (sideColumn)
    return kColumn;
  return kStrip;
}

InfoPanelFit FitInfoLabels(bool sideColumn, const std::function<int(const char *name)> &needed, int gap) {
  const std::span<const InfoLabelPlace> places = InfoLabelPlaces(sideColumn);
  const int height = sideColumn ? 16 : 13;
  // The strip's last label on a row reaches 56 pixels, the column's to its edge.
  const int designEdge = kInfoColumnWidth;
  const auto isOverlay = [](const InfoLabelPlace &p) {
    return std::strcmp(p.Name, "TemperatureLabelWhite") == 0;
  };
  const auto sameRow = [height](const InfoLabelPlace &a, const InfoLabelPlace &b) {
    return a.Top < b.Top + height && b.Top < a.Top + height;
  };
  // The next label to the right on the same row; nullptr at the row's end.
  const auto next = [&](const InfoLabelPlace &p) {
    const InfoLabelPlace *found = nullptr;
    for (const InfoLabelPlace &other : places)
      if (other.Shown && !isOverlay(other) && other.Left > p.Left && sameRow(p, other) &&
          (!found || other.Left < found->Left))
        found = &other;
    return found;
  };

  // Columns by their design left edge, placed from left to right.
  std::map<int, int> column;
  for (const InfoLabelPlace &p : places)
    if (p.Shown && !isOverlay(p))
      column[p.Left] = p.Left;
  int previousDesign = -1;
  int previousPlaced = 0;
  for (auto &[design, placed] : column) {
    placed = previousDesign < 0 ? design : previousPlaced + (design - previousDesign);
    for (const InfoLabelPlace &p : places) {
      const InfoLabelPlace *after = p.Shown && !isOverlay(p) ? next(p) : nullptr;
      if (after && after->Left == design)
        placed = std::max(placed, column[p.Left] + needed(p.Name) + gap);
    }
    previousDesign = design;
    previousPlaced = placed;
  }

  InfoPanelFit fit;
  fit.Width = sideColumn ? kInfoColumnWidth : 0;
  for (const InfoLabelPlace &p : places) {
    if (!p.Shown || isOverlay(p) || next(p))
      continue;
    const int designRight = sideColumn ? designEdge : p.Left + 56;
    fit.Width = std::max(
        fit.Width, std::max(column[p.Left] + (designRight - p.Left), column[p.Left] + needed(p.Name) + gap));
  }
  for (const InfoLabelPlace &p : places) {
    if (!p.Shown || isOverlay(p))
      continue;
    const InfoLabelPlace *after = next(p);
    const int left = column[p.Left];
    int right = 0;
    if (after)
      right = column[after->Left];
    else if (sideColumn)
      right = fit.Width;
    else
      right = std::max(left + 56, left + needed(p.Name) + gap);
    fit.Boxes.push_back({p.Name, left, p.Top, right - left, height});
  }
  for (const InfoLabelPlace &p : places)
    if (p.Shown && isOverlay(p))
      for (const InfoLabelBox &box : fit.Boxes)
        if (std::strcmp(box.Name, "TemperatureLabel") == 0)
          fit.Boxes.push_back({p.Name, box.Left + 1, box.Top + 1, box.Width, box.Height});
  return fit;
}

} // namespace calidarix
