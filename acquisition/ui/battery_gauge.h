#pragma once
// A battery gauge: a battery symbol (or, for the camera's battery, a camera symbol) with a coloured bar
// and the level in percent. The computer's gauge reads its first battery (acquisition/battery.h); the
// camera's is given its level by the program. A level outside 1 .. 100 hides the gauge; the level is
// what decides it, whenever it is set or read, so a gauge hidden for a missing value comes back with
// the next good one.

#include <QColor>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

namespace calidarix {

class TBattery : public QWidget {
public:
  // A computer gauge on `owner`, reading the batteries under `powerSupplyRoot`.
  explicit TBattery(QWidget *owner, std::filesystem::path powerSupplyRoot = "/sys/class/power_supply");

  // The level is given by the program (camera gauge), which also chooses the camera symbol.
  void SetExternalLevel(bool on);
  // Lists the batteries again, under another folder (tests) or the same one; returns their number.
  int EnumBatteries();
  void UsePowerSupplyFolder(std::filesystem::path root);
  // Reads the first battery; failed reads keep the last values.
  void QueryBattery();
  // Reads and repaints only when the level or the power state changed.
  void Refresh();
  void SetLevel(int percent);

  // The gauge over `client` (any painter: the screen, tests).
  void PaintGaugeTo(QPainter &painter, const QRect &client) const;
  // Bar colour of a level: green at full charge, yellow at half, red when empty.
  static QColor BarColour(int level);
  // Where the bar goes over `client`.
  static QRectF BarRect(const QRect &client, int level, bool camera, int margin = 2);

  bool FExternalLevel = false;
  std::vector<std::filesystem::path> FDevicePaths;
  int FBatteryCount = 0;
  int FPowerState = 0;
  int FLastPowerState = 0;
  int FLevel = 0;
  int FLastLevel = 0;
  long long FCapacity = 0;
  long long FFullCapacity = 0;
  int FMargin = 2;
  // Repaints asked for by the gauge itself (Refresh, SetLevel).
  int FRepaintRequests = 0;
  std::function<void()> OnDblClick;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
  void ShowLevel();
  std::filesystem::path root_;
};

} // namespace calidarix
