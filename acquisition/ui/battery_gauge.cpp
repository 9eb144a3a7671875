#include "acquisition/ui/battery_gauge.h"

#include "acquisition/battery.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace calidarix {

namespace {

const QColor kGaugeColour(224, 224, 255);

bool Shown(int level) {
  return level >= 1 && level <= 100;
}

} // namespace

TBattery::TBattery(QWidget *owner, std::filesystem::path powerSupplyRoot)
    : QWidget(owner), root_(std::move(powerSupplyRoot)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  FBatteryCount = EnumBatteries();
  ShowLevel();
}

void TBattery::SetExternalLevel(bool on) {
  FExternalLevel = on;
  update();
}

int TBattery::EnumBatteries() {
  FDevicePaths = calidarix::EnumBatteries(root_);
  return static_cast<int>(FDevicePaths.size());
}

void TBattery::UsePowerSupplyFolder(std::filesystem::path root) {
  root_ = std::move(root);
  FBatteryCount = EnumBatteries();
}

void TBattery::QueryBattery() {
  if (FBatteryCount <= 0 || FDevicePaths.empty())
    return;
  FLastLevel = FLevel;
  FLastPowerState = FPowerState;
  const auto status = calidarix::QueryBattery(root_, FDevicePaths.front());
  if (!status)
    return;
  FCapacity = status->Capacity;
  FFullCapacity = status->FullCapacity;
  FPowerState = status->PowerState;
  FLevel = BatteryLevel(FCapacity, FFullCapacity);
}

void TBattery::Refresh() {
  QueryBattery();
  if (FLevel == FLastLevel && FPowerState == FLastPowerState)
    return;
  ShowLevel();
  ++FRepaintRequests;
  update();
}

void TBattery::SetLevel(int percent) {
  FLevel = percent;
  ShowLevel();
  ++FRepaintRequests;
  update();
}

void TBattery::ShowLevel() {
  setVisible(Shown(FLevel));
}

QColor TBattery::BarColour(int level) {
  const int green = level * 511 / 100;
  return QColor(std::clamp(511 - green, 0, 255), std::clamp(green, 0, 255), 0);
}

QRectF TBattery::BarRect(const QRect &client, int level, bool camera, int margin) {
  const QRect work = client.adjusted(margin, margin, -margin, -margin);
  const double left = work.left();
  const double top = work.top();
  const double right = work.left() + work.width();
  const double bottom = work.top() + work.height();
  const double u = (client.width() > client.height() ? work.height() : work.width()) / 8;
  const double e = camera ? 1.0 : 0.0;
  const double barLeft = left + 3 * u + (work.width() - 4 * u) * (100 - level) / 100.0 - 0.5 * u;
  const double barRight = right - 1.5 * u;
  return QRectF(QPointF(barLeft, top + (1.5 + e) * u), QPointF(barRight, bottom - 1.5 * u));
}

void TBattery::PaintGaugeTo(QPainter &painter, const QRect &client) const {
  painter.fillRect(client, kGaugeColour);
  if (!Shown(FLevel))
    return;
  const QRect work = client.adjusted(FMargin, FMargin, -FMargin, -FMargin);
  const int u = std::max((client.width() > client.height() ? work.height() : work.width()) / 8, 1);
  const int L = work.left();
  const int T = work.top();
  const int R = work.left() + work.width();
  const int B = work.top() + work.height();
  const int e = FExternalLevel ? 1 : 0;
  const int line = std::max(u / 2, 1);
  const auto box = [&](int x1, int y1, int x2, int y2) {
    painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), Qt::black);
  };

  // The body's four edges, then the terminal (battery) or the view-finder and release (camera).
  const int bodyTop = T + (1 + e) * u;
  box(L + 2 * u, bodyTop, R, bodyTop + line);
  box(L + 2 * u, B - u - line, R, B - u);
  box(L + 2 * u, bodyTop, L + 2 * u + line, B - u);
  box(R - line, bodyTop, R, B - u);
  if (FExternalLevel) {
    const int mid = (L + 2 * u + R) / 2;
    box(mid - 2 * u, T, mid - 2 * u + line, bodyTop);
    box(mid - 2 * u, T, mid + 2 * u, T + line);
    box(mid + 2 * u - line, T, mid + 2 * u, bodyTop);
    box(R - 3 * u, T + u / 2, R - u, bodyTop);
  } else {
    box(L + u, T + 3 * u, L + 2 * u, T + 3 * u + line);
    box(L + u, B - 3 * u - line, L + 2 * u, B - 3 * u);
  }

  const QRectF bar = BarRect(client, FLevel, FExternalLevel, FMargin);
  painter.fillRect(bar, BarColour(FLevel));

  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(std::max(2 * u + 2, 8));
  painter.setFont(font);
  const QString text = QStringLiteral("%1% ").arg(FLevel);
  const int textWidth = painter.fontMetrics().horizontalAdvance(text);
  const double down = e * u / 2.0;
  if (textWidth < bar.width() - 2 * u) {
    // On the bar in white over a black shadow.
    const QRectF area(bar.left(), client.top() + down, bar.width(), client.height());
    painter.setPen(Qt::black);
    painter.drawText(area.translated(1, 1), Qt::AlignCenter, text);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, text);
  } else {
    // Too wide for the bar: on the gauge in black over a white shadow.
    const QRectF area(client.left(), client.top() + down, client.width(), client.height());
    painter.setPen(Qt::white);
    painter.drawText(area.translated(1, 1), Qt::AlignCenter, text);
    painter.setPen(Qt::black);
    painter.drawText(area, Qt::AlignCenter, text);
  }

  if (FExternalLevel) {
    // The lens.
    box(L, T + 3 * u, L + u, B - 2 * u);
    box(L + u, T + 4 * u, L + 2 * u, B - 3 * u);
  } else if (FPowerState == 1 || FPowerState == 4 || FPowerState == 5) {
    // On line or charging: a flash at the terminal end.
    const double x = L;
    const QPolygonF flash({QPointF(x + 6 * u, T), QPointF(x + 3 * u, (T + B) / 2.0 + u / 2.0),
                           QPointF(x + 5.5 * u, (T + B) / 2.0 + u / 2.0), QPointF(x + 4 * u, B),
                           QPointF(x + 9 * u, (T + B) / 2.0 - u / 2.0),
                           QPointF(x + 6.5 * u, (T + B) / 2.0 - u / 2.0), QPointF(x + 8 * u, T)});
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::yellow);
    painter.drawPolygon(flash);
  }
}

void TBattery::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  PaintGaugeTo(painter, rect());
}

void TBattery::mouseDoubleClickEvent(QMouseEvent *event) {
  if (OnDblClick)
    OnDblClick();
  event->accept();
}

} // namespace calidarix
