#include "mainwindow/info_panel_layout.h"

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

} // namespace calidarix
