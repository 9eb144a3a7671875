#include "acquisition/ui/main_window_remote.h"

#include "acquisition/scan_thread.h"
#include "mainwindow/ui/main_window.h"
#include "thermogram/thermogram_globals.h"

#include <QToolButton>

#include <algorithm>

namespace calidarix {

void TMainWindowRemoteHost::RemoteStart(const QString &fileName) {
  window_.FAcquisition.FTcpFileName = fileName;
  if (!ScanRequests.ScanRunning.Get())
    window_.StartScan();
  if (auto *frame = window_.findChild<QToolButton *>(QStringLiteral("FrameSB")))
    frame->setChecked(!frame->isChecked());
  window_.FrameSBClick();
}

void TMainWindowRemoteHost::RemoteStop() {
  if (ScanRequests.ScanRunning.Get())
    window_.StopScan();
}

std::optional<std::pair<std::int32_t, std::int32_t>> TMainWindowRemoteHost::RemoteScanProgress() {
  if (!ScanRequests.ScanRunning.Get() || !CurrentDTV)
    return std::nullopt;
  return std::pair<std::int32_t, std::int32_t>(CurrentDTV->FHeader.FrameCount, Scan ? Scan->LineNumber() : 0);
}

std::vector<double> TMainWindowRemoteHost::RemotePointTemperatures() {
  std::vector<double> temperatures;
  for (const TPointRecord &point : window_.FMarkers.FPoints)
    temperatures.push_back(window_.T_XY(point.X, point.Y));
  return temperatures;
}

std::optional<TRemoteCursor> TMainWindowRemoteHost::RemoteCursor() {
  if (!window_.FMouseInImage)
    return std::nullopt;
  TRemoteCursor cursor;
  cursor.X = window_.GetRealX(window_.FMousePos.X);
  cursor.Y = window_.GetRealY(window_.FMousePos.Y);
  cursor.Temperature = window_.T_XY(cursor.X, cursor.Y);
  return cursor;
}

TRemoteArea TMainWindowRemoteHost::RemoteArea() {
  if (!CurrentDTV)
    return {};
  const TDTV &dtv = *CurrentDTV;
  const TAreaRecord &area = window_.FMarkers.FCurrentArea;
  if (area.IsEmpty())
    return WholeFrameArea(dtv.Width(), dtv.Height(), dtv.RawToTemperature(dtv.FRawMin),
                          dtv.RawToTemperature(dtv.FRawMax), dtv.RawToTemperature(dtv.FRawMean));
  const TMeasureState &m = window_.FMeasure;
  return {area.Left,
          area.Top,
          area.Right,
          area.Bottom,
          dtv.RawToTemperature(m.FAreaRawMin),
          dtv.RawToTemperature(m.FAreaRawMax),
          dtv.RawToTemperature(m.FAreaRawAvg)};
}

std::pair<std::int32_t, std::int32_t> TMainWindowRemoteHost::RemoteImageSize() {
  if (!CurrentDTV)
    return {0, 0};
  return {CurrentDTV->Width(), CurrentDTV->Height()};
}

void TMainWindowRemoteHost::RemoteAddPoint(std::int32_t x, std::int32_t y, std::int32_t direction) {
  std::vector<TPointRecord> &points = window_.FMarkers.FPoints;
  if (std::any_of(points.begin(), points.end(), [&](const TPointRecord &p) { return p.X == x && p.Y == y; }))
    return;
  TPointRecord point;
  point.X = x;
  point.Y = y;
  point.Direction = static_cast<std::uint8_t>(direction);
  points.push_back(point);
  window_.ImagePB->update();
}

} // namespace calidarix
