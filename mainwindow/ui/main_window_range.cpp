// The display range commands of the main window: a click on a range panel opens an edit over it, Enter
// applies the typed range (as the locked display range, or by re-scaling the thermogram), Esc cancels;
// the lock button freezes or releases the range, the crop button zooms to the selected area. The
// headless range functions check and apply the values; the window shows the result.

#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/key_state.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "thermogram/image_layout.h"
#include "thermogram/scale_ticks.h"
#include "thermogram/thermogram_globals.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace calidarix {

namespace {

// The key's code as the key messages of the design number keys: letters and digits by their
// character, the editing keys by their virtual-key numbers.
int VirtualKeyCode(int key) {
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return 13;
  case Qt::Key_Escape:
    return 27;
  case Qt::Key_Backspace:
    return 8;
  case Qt::Key_Minus:
    return 189;
  case Qt::Key_Period:
    return 190;
  default:
    return (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ? key : 0;
  }
}

// Only the characters of a decimal number reach the range edits; editing keys pass.
bool DropsCharacter(const QKeyEvent &event) {
  const QString text = event.text();
  return !text.isEmpty() && text.at(0).isPrint() && !FloatEditAccepts(text.at(0));
}

} // namespace

void TCalidarix::BuildRangeControls() {
  MaxEdit = new QLineEdit(PalBasePanel);
  MaxEdit->setObjectName(QStringLiteral("MaxEdit"));
  MaxEdit->hide();
  MinEdit = new QLineEdit(PalBasePanel);
  MinEdit->setObjectName(QStringLiteral("MinEdit"));
  MinEdit->hide();
  KeyLabel = new QLabel(ScalePanel);
  KeyLabel->setObjectName(QStringLiteral("KeyLabel"));
  KeyLabel->hide();

  auto *keys = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
      return false;
    const auto &key = static_cast<const QKeyEvent &>(*event);
    // A decimal comma (the Russian keyboard's, or a habit) is the decimal separator, never dropped:
    // "35,5" read as "355" would be another number.
    if (key.text() == QStringLiteral(",")) {
      static_cast<QLineEdit *>(watched)->insert(QStringLiteral("."));
      return true;
    }
    const bool ends = IsEnter(key.key()) || key.key() == Qt::Key_Escape;
    if (watched == MinEdit)
      MinEditKeyDown(key.key());
    else if (ends)
      MaxEditKeyDown(key.key());
    return ends || DropsCharacter(key);
  });
  keys->Watch(MaxEdit);
  keys->Watch(MinEdit);
  WatchRangeEditFocus();

  auto *clicks = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonRelease)
      return false;
    if (watched == MaxPanel || watched == MaximumLabel || watched == PalMaxLabel)
      MaxClick();
    else
      MinClick();
    return true;
  });
  for (QObject *part : {static_cast<QObject *>(MaxPanel), static_cast<QObject *>(MaximumLabel),
                        static_cast<QObject *>(PalMaxLabel), static_cast<QObject *>(MinPanel),
                        static_cast<QObject *>(MinimumLabel), static_cast<QObject *>(PalMinLabel)})
    clicks->Watch(part);

  connect(LockSB, &QToolButton::clicked, this, &TCalidarix::LockSBClick);
  CropSB = findChild<QToolButton *>(QStringLiteral("CropSB"));
  connect(CropSB, &QToolButton::clicked, this, &TCalidarix::CropSBClick);
}

namespace {

// The number typed into a range edit: a pasted decimal comma counts as the separator, as a typed one.
QString TypedText(const QLineEdit *edit) {
  QString text = edit->text();
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  return text;
}

// The edit lies over its panel while it is open.
void OpenOver(QLineEdit *edit, const QWidget *panel) {
  edit->setGeometry(panel->geometry());
  edit->raise();
  edit->show();
  edit->setFocus();
  edit->selectAll();
}

} // namespace

void TCalidarix::MaxClick() {
  if (MinEdit->isVisible() || !CurrentDTV || RefusedWhileBusy(QStringLiteral("Range")))
    return;
  const RangeEditTexts texts = RangeEditTextsFor(*CurrentDTV);
  MaxEdit->setText(texts.Max);
  MinEdit->setText(texts.Min);
  FRangeEntry.MaxEditTag = 1;
  OpenOver(MaxEdit, MaxPanel);
}

void TCalidarix::MinClick() {
  if (MaxEdit->isVisible() || !CurrentDTV || RefusedWhileBusy(QStringLiteral("Range")))
    return;
  MinEdit->setText(RangeEditTextsFor(*CurrentDTV).Min);
  // The upper end stays the one shown now.
  FRangeEntryMax = DisplayedRange(*CurrentDTV, false).High;
  OpenOver(MinEdit, MinPanel);
}

void TCalidarix::OpenRangeEntry(bool rescale) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Range")))
    return;
  const TDTV &dtv = *CurrentDTV;
  const RangeEditTexts texts = dtv.FRangeLocked ? RangeEditTextsFor(dtv) : RescaleEditTexts(dtv);
  MaxEdit->setText(texts.Max);
  MinEdit->setText(texts.Min);
  FRangeEntry.MaxEditTag = 0;
  FRangeEntry.MinEditTag = rescale ? 1 : 0;
  MinEdit->hide();
  OpenOver(MaxEdit, MaxPanel);
}

void TCalidarix::MaxEditKeyDown(int key) {
  if (key == Qt::Key_Escape) {
    MaxEdit->hide();
    return;
  }
  if (!IsEnter(key) || !CurrentDTV)
    return;
  MaxEdit->hide();
  const TypedRangeValue typed = ParseTypedRangeValue(TypedText(MaxEdit), CurrentDTV->MaxTemperature());
  if (!typed.Typed)
    MaxEdit->setText(typed.LabelText);
  PalMaxLabel->setText(typed.LabelText);
  FRangeEntryMax = typed.Value;
  if (FRangeEntry.MaxEditTag == 0) {
    OpenOver(MinEdit, MinPanel);
    return;
  }
  // The lower end stays the one shown now, in full rather than as its label rounds it.
  SetTempRange(DisplayedRange(*CurrentDTV, false).Low, typed.Value);
}

void TCalidarix::MinEditKeyDown(int key) {
  KeyLabel->setText(QString::number(VirtualKeyCode(key)));
  if (!CurrentDTV)
    return;
  if (key == Qt::Key_Escape) {
    if (auto *maxLabel = findChild<QLabel *>(QStringLiteral("MaxLabel")))
      maxLabel->setText(QString::fromStdString(FixedText(CurrentDTV->MaxTemperature(), 2)));
    MinEdit->hide();
    return;
  }
  if (!IsEnter(key))
    return;
  MinEdit->hide();
  const TypedRangeValue typed = ParseTypedRangeValue(TypedText(MinEdit), CurrentDTV->MinTemperature());
  if (!typed.Typed)
    MinEdit->setText(typed.LabelText);
  PalMinLabel->setText(typed.LabelText);
  SetTempRange(typed.Value, FRangeEntryMax);
}

void TCalidarix::SetTempRange(double lo, double hi) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Range")))
    return;
  TDTV &dtv = *CurrentDTV;
  const bool rescale = FRangeEntry.MinEditTag != 0;
  const auto refuse = [this](const QString &message) {
    // Nothing changed; the labels show the range in force again.
    ShowViewNotice(message);
    ScalePBPaint(this);
  };
  if (!rescale) {
    // The thermogram's own range rule puts ends typed the wrong way round, or below absolute zero,
    // in order; only what it cannot use at all (an end that is not a number) is refused.
    const double lockMin = dtv.LockMin;
    const double lockMax = dtv.LockMax;
    if (!dtv.SetTemperatureRange(false, lo, hi)) {
      dtv.LockMin = lockMin;
      dtv.LockMax = lockMax;
      refuse(QStringLiteral("The range %1 .. %2 cannot be shown")
                 .arg(QString::fromStdString(FloatToText(lo)), QString::fromStdString(FloatToText(hi))));
      return;
    }
    lo = dtv.LockMin;
    hi = dtv.LockMax;
  }
  const RangeScanState scan{FServices.acquisition->ScanRunning(),
                            FServices.acquisition->CameraInterfaceType()};
  const SetTempRangeResult applied = calidarix::SetTempRange(dtv, rescale, lo, hi, scan);
  if (!applied.Result) {
    refuse(applied.Result.message);
    return;
  }
  if (applied.LockPressed) {
    // The range is the user's now, not the film's: it stays when the next file is opened.
    dtv.FFilmRangeLock = false;
    LockSB->setChecked(true);
  }
  if (applied.StopAutoRange)
    FServices.acquisition->SetAutoRange(false);
  // The view update repaints the scale and the bar, whose temperatures follow the new range.
  ChangeDTV(false);
}

void TCalidarix::LockSBClick() {
  if (!CurrentDTV)
    return;
  if (RefusedWhileBusy(QStringLiteral("Lock"))) {
    LockSB->setChecked(CurrentDTV->FRangeLocked); // the click toggled the button
    return;
  }
  TDTV &dtv = *CurrentDTV;
  const bool wasLocked = dtv.FRangeLocked;
  LockContext context;
  context.ScanRunning = FServices.acquisition->ScanRunning();
  context.ThreadExists = context.ScanRunning;
  context.CameraInterfaceType = FServices.acquisition->CameraInterfaceType();
  // Band thermograms exist only for the dual-band camera; the headless command checks them.
  const LockResult result = calidarix::LockSBClick(dtv, BandDTV35.get(), BandDTV812.get(), context);
  if (result.KeepPressed) {
    LockSB->setChecked(true);
    return;
  }
  if (!result.Result) {
    if (logger)
      logger->AppendLine(result.Result.message);
    LockSB->setChecked(wasLocked);
    return;
  }
  if (dtv.FRangeLocked != wasLocked)
    LockSB->setChecked(dtv.FRangeLocked);
  if (result.AutoRange)
    FServices.acquisition->SetAutoRange(*result.AutoRange);
  if (result.Redraw) {
    ChangeDTV(false); // repaints the scale and the bar too
  } else {
    ScalePBPaint(this);
    PalPBPaint(this);
  }
}

void TCalidarix::CropSBClick() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Zoom")))
    return;
  TDTV &dtv = *CurrentDTV;
  const bool fit = FMarkers.FCurrentArea.IsEmpty();
  TImageView view = ImageViewOf(dtv);
  if (CropView(view, FMarkers.FCurrentArea.Rect(), TRect{0, 0, ImagePB->width(), ImagePB->height()})) {
    ApplyImageView(view, dtv);
    FZoomFitted = fit;
  }
  FMarkers.FCurrentArea.SetRect(TRect{});
  FMarkers.FFreePolygon.clear();
  ImagePBPaint(this);
}

} // namespace calidarix
