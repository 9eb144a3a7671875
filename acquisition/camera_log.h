#pragma once
// Diagnostics of the camera module. The log window installs itself as the sink; without one the
// lines are dropped. Lines that the camera writes only while the user asked for a detailed log go
// through CameraUserLog, which drops them unless that log is on.

#include <QString>

#include <functional>

namespace calidarix {

using CameraLogSink = std::function<void(const QString &)>;

void SetCameraLogSink(CameraLogSink sink);
void SetCameraUserLog(bool on);
bool CameraUserLogOn();

void CameraLog(const QString &text);
void CameraUserLog(const QString &text);

} // namespace calidarix
