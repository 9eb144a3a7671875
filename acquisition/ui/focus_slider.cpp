#include "acquisition/ui/focus_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>

namespace calidarix {

namespace {

constexpr int kMarkerWidth = 16;
constexpr int kFirstStepDelayMs = 500;
constexpr int kStepIntervalMs = 100;

} // namespace

TFocusSlider::TFocusSlider(QWidget *parent) : QWidget(parent), FocusTimer(new QTimer(this)) {
  setObjectName(QStringLiteral("FocusPB"));
  FocusTimer->setObjectName(QStringLiteral("FocusTimer"));
  FocusTimer->setInterval(kFirstStepDelayMs);
  connect(FocusTimer, &QTimer::timeout, this, [this] { FocusTimerTimer(); });
}

int TFocusSlider::TrackWidth() const {
  return std::max(0, width() - kMarkerWidth);
}

int TFocusSlider::MarkerLeft() const {
  if (FocusMax <= 0)
    return 0;
  const int position = std::clamp(FocusPosition, 0, FocusMax);
  return static_cast<int>(static_cast<long long>(position) * TrackWidth() / FocusMax);
}

int TFocusSlider::PositionAtTrack(int trackX) const {
  const int track = TrackWidth();
  if (track == 0)
    return FocusPosition;
  // Truncation towards zero, then the limits: a pointer left of the track gives 0.
  const long long position = static_cast<long long>(trackX) * FocusMax / track;
  return static_cast<int>(std::clamp<long long>(position, 0, std::max(0, FocusMax)));
}

void TFocusSlider::SetFocusPosition(int position) {
  position = std::clamp(position, 0, std::max(0, FocusMax));
  if (position == FocusPosition)
    return;
  FocusPosition = position;
  update();
}

bool TFocusSlider::Step() {
  const int before = FocusPosition;
  SetFocusPosition(FocusStepUp ? FocusPosition + 1 : FocusPosition - 1);
  return FocusPosition != before;
}

bool TFocusSlider::TargetReached() const {
  const int target = FocusTargetX - kMarkerWidth / 2;
  return FocusStepUp ? MarkerLeft() >= target : MarkerLeft() <= target;
}

void TFocusSlider::FocusTimerTimer() {
  FocusTimer->setInterval(kStepIntervalMs);
  // The marker moves by whole pixels that need not hit the click exactly: reaching or passing it
  // ends the stepping, as does the end of the track.
  if (TargetReached() || !Step() || TargetReached())
    FocusTimer->stop();
}

void TFocusSlider::mousePressEvent(QMouseEvent *event) {
  const int x = qRound(event->position().x());
  const int m = MarkerLeft();
  if (event->button() == Qt::LeftButton) {
    FocusTargetX = x;
    if (x >= m && x <= m + kMarkerWidth) {
      FocusDragOffset = m - x - kMarkerWidth / 2;
      FocusDragging = true;
      return;
    }
    FocusStepUp = x > m;
    if (Step() && !TargetReached())
      FocusTimer->start(kFirstStepDelayMs);
    return;
  }
  if (event->button() == Qt::RightButton) {
    SetFocusPosition(PositionAtTrack(x - kMarkerWidth / 2));
    FocusTargetX = x;
  }
}

void TFocusSlider::mouseMoveEvent(QMouseEvent *event) {
  if (!(event->buttons() & Qt::LeftButton))
    return;
  const int x = qRound(event->position().x());
  if (FocusDragging)
    SetFocusPosition(PositionAtTrack(FocusDragOffset + x + kMarkerWidth / 2));
  else
    FocusTargetX = x;
}

void TFocusSlider::mouseReleaseEvent(QMouseEvent *) {
  FocusDragging = false;
  FocusTimer->stop();
}

void TFocusSlider::paintEvent(QPaintEvent *) {
  const int w = width();
  const int h = height();
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Button));

  p.setPen(Qt::black);
  p.setBrush(QColor(0x80, 0x80, 0x80));
  p.drawRoundedRect(QRect(0, 4, w - 1, h - 13), 4, 4);

  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(6);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(w / 2 - 12, (h - 4) / 2 - 5, w, h), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("FOCUS"));

  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawLine(8, h - 3, w - 8, h - 3);

  const int track = TrackWidth();
  p.setPen(Qt::black);
  for (int i = 0; i <= 4; ++i) {
    const int x = track * i / 4 + 8;
    p.drawLine(x, h - 5, x, h - 1);
    const int half = x + track / 8;
    p.drawLine(half, h - 4, half, h - 2);
  }

  const int m = MarkerLeft();
  QPainterPath marker;
  marker.moveTo(m, 0);
  marker.lineTo(m + 15, 0);
  marker.lineTo(m + 8, h - 4);
  marker.closeSubpath();
  p.setPen(Qt::red);
  p.setBrush(Qt::yellow);
  p.drawPath(marker);
}

} // namespace calidarix
