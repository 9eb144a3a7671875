// The palette commands of the main window: choosing a slot from the palette menu, the tool-panel
// buttons or the keys, reversing, complementing, posterizing, the adaptive palette, the ramp, cycling
// on the palette timer and the isotherm band switch. The work is done by the headless palette commands
// on a copy of the window's palette state; the window stores the result and repaints.

#include "acquisition/camera_state.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/tool_button_panel.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

namespace calidarix {

int PosterizeStep = 1;

namespace {

constexpr int kPalTimerInterval = 40; // ms
const QColor kIsoBandColour(255, 255, 0);

// The palette menu: items by slot, the item's image index being its slot.
const std::pair<const char *, const char *> kPaletteItems[8] = {
    {"RGB1", "RGB"},           {"HotMetal1", "Hot Metal"}, {"HotBlue1", "Hot Blue"},     {"Gray1", "Gray"},
    {"Infratec1", "Infratec"}, {"Agema1", "Agema"},        {"rainbow1", "Inframetrics"}, {"CMY1", "CMY"},
};

// A strip of the palette's colours, lowest at the left, for the face of a palette button.
QPixmap PaletteStrip(const TPaletteTable &table, QSize size) {
  QImage strip(256, 1, QImage::Format_RGB32);
  for (int i = 0; i < 256; ++i) {
    const TRGB &c = table[static_cast<std::size_t>(i)];
    strip.setPixel(i, 0, qRgb(c.R, c.G, c.B));
  }
  return QPixmap::fromImage(strip.scaled(size));
}

// The folder part of a file name, with its final separator; empty for a name without a folder.
QString FolderOf(const QString &fileName) {
  return fileName.left(fileName.lastIndexOf(QLatin1Char('/')) + 1);
}

// Runs the palette editor over the image and, when it ends with OK, makes its palette slot 8. The
// editor's dialogs start in the folders last used and hand their folders back in every case.
void OtherPalClick(TCalidarix &window) {
  if (!PaletteForm)
    return;
  const QPoint imageAt = window.ImagePanel->mapTo(&window, QPoint(0, 0));
  PaletteForm->move(window.x() + imageAt.x() + (window.ImagePanel->width() - PaletteForm->width()) / 2,
                    window.y() + imageAt.y() + (window.ImagePanel->height() - PaletteForm->height()) / 2);
  PaletteForm->OpenPalDialog.InitialDir = window.FPalOpenDirectory;
  PaletteForm->SavePalDialog.InitialDir = window.FPalSaveDirectory;
  if (PaletteForm->exec() == QDialog::Accepted)
    window.UseEditorPalette(PaletteForm->FPalTable());
  window.FPalOpenDirectory = FolderOf(PaletteForm->OpenPalDialog.FileName);
  window.FPalSaveDirectory = FolderOf(PaletteForm->SavePalDialog.FileName);
}

} // namespace

// ---- Controls ----

void TCalidarix::BuildPaletteControls() {
  // The palette menu: the eight slots before "Other...", the adaptive palette after it.
  QAction *other = PalettePopupMenu->findChild<QAction *>(QStringLiteral("Other1"));
  connect(other, &QAction::triggered, this, [this] { OtherPalClick(*this); });
  for (int slot = 0; slot < 8; ++slot) {
    auto *item = new QAction(QString::fromUtf8(kPaletteItems[slot].second), PalettePopupMenu);
    item->setObjectName(QString::fromLatin1(kPaletteItems[slot].first));
    item->setProperty("ImageIndex", slot);
    PalettePopupMenu->insertAction(other, item);
    connect(item, &QAction::triggered, this, [this, slot] { PalChange(slot); });
  }
  AdaptivePalette = PalettePopupMenu->addAction(QStringLiteral("Adaptive Palette"));
  AdaptivePalette->setObjectName(QStringLiteral("AdaptivePalette"));
  connect(AdaptivePalette, &QAction::triggered, this, &TCalidarix::AdaptivePaletteClick);

  Invert1 = FontPopupMenu->addAction(QStringLiteral("Invert"));
  Invert1->setObjectName(QStringLiteral("Invert1"));
  Invert1->setCheckable(true);
  connect(Invert1, &QAction::toggled, this, [this] { ImagePBPaint(this); });

  PalChangeAction = new QAction(QStringLiteral("PalChangeAction"), this);
  PalChangeAction->setObjectName(QStringLiteral("PalChangeAction"));
  PalChangeAction->setProperty("Tag", 0);
  connect(PalChangeAction, &QAction::triggered, this, [this] { PalChangeActionExecute(PalChangeAction); });
  PalRotateAction = new QAction(QStringLiteral("PalRotateAction"), this);
  PalRotateAction->setObjectName(QStringLiteral("PalRotateAction"));
  connect(PalRotateAction, &QAction::triggered, this, &TCalidarix::PalRotateActionExecute);
  PalInvertAction = new QAction(QStringLiteral("PalInvertAction"), this);
  PalInvertAction->setObjectName(QStringLiteral("PalInvertAction"));
  connect(PalInvertAction, &QAction::triggered, this, &TCalidarix::PalInvertActionExecute);

  PalSB = findChild<QToolButton *>(QStringLiteral("PalSB"));
  connect(PalSB, &QToolButton::clicked, this, &TCalidarix::PalSBClick);

  PalTimer = new QTimer(this);
  PalTimer->setObjectName(QStringLiteral("PalTimer"));
  PalTimer->setInterval(kPalTimerInterval);
  connect(PalTimer, &QTimer::timeout, this, &TCalidarix::PalTimerTimer);

  // The drop-down tool panel: a picture and a caption per button, both acting as the button.
  const auto press = [this](QObject *part, const QString &kind) {
    if (kind == QLatin1String("slot"))
      PalChangeActionExecute(part);
    else if (kind == QLatin1String("rotate"))
      PalRotateAction->trigger();
    else if (kind == QLatin1String("inverse"))
      PalInvertAction->trigger();
    else if (kind == QLatin1String("iso"))
      PalIsoPanelClick();
    else if (kind == QLatin1String("setup")) {
      HideToolPanels();
      if (auto *setup = findChild<QToolButton *>(QStringLiteral("SetupSB")))
        setup->click();
    }
  };
  TToolButtonPanel tools(centralWidget(), QStringLiteral("PalToolPanel"), press);
  PalToolPanel = tools.Panel();
  for (int slot = 0; slot < 8; ++slot)
    tools.AddButton(slot, QStringLiteral("Pal%1").arg(slot + 1), QStringLiteral("Pal%1 (%1)").arg(slot + 1),
                    QStringLiteral("slot"), slot);
  tools.AddButton(8, QStringLiteral("PalRotate"), QStringLiteral("Rotate (9)"), QStringLiteral("rotate"), 0);
  tools.AddButton(9, QStringLiteral("PalInverse"), QStringLiteral("Inv (Alt+9)"), QStringLiteral("inverse"),
                  0);
  tools.AddButton(10, QStringLiteral("PalIso"), QStringLiteral("Iso (I)"), QStringLiteral("iso"), 0);
  tools.AddButton(11, QStringLiteral("PalOther"), QStringLiteral("Setup [.]"), QStringLiteral("setup"), 0);
  PalToolPanel->adjustSize();
  PalToolPanel->hide();
  // The slot pictures show the slots as they are when the panel drops down.
  auto *shown = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() == QEvent::Show) {
      for (int slot = 0; slot < 8; ++slot)
        if (auto *image = PalToolPanel->findChild<QLabel *>(QStringLiteral("Pal%1Image").arg(slot + 1)))
          image->setPixmap(PaletteStrip(FPalettes[static_cast<std::size_t>(slot)], image->size()));
    }
    return false;
  });
  shown->Watch(PalToolPanel);

  // The isotherm band switch under the bar, and its labels.
  auto *label8 = new QLabel(PalBottomPanel);
  label8->setObjectName(QStringLiteral("Label8"));
  auto *label9 = new QLabel(PalBottomPanel);
  label9->setObjectName(QStringLiteral("Label9"));
  if (auto *limits = qobject_cast<QHBoxLayout *>(PalBottomPanel->layout())) {
    limits->insertWidget(limits->indexOf(PalBegLabel) + 1, label8);
    limits->insertWidget(limits->indexOf(PalEndLabel), label9);
  }
  auto *band = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress)
      return false;
    PalBottomPanelMouseDown();
    return true;
  });
  for (QObject *part :
       {static_cast<QObject *>(PalBottomPanel), static_cast<QObject *>(PalBegLabel),
        static_cast<QObject *>(PalEndLabel), static_cast<QObject *>(label8), static_cast<QObject *>(label9)})
    band->Watch(part);

  // A double click on the bar or the scale reverses the palette.
  auto *doubleClick = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() != QEvent::MouseButtonDblClick)
      return false;
    PalPBDblClick();
    return true;
  });
  doubleClick->Watch(PalPB);
  doubleClick->Watch(ScalePB);
}

// ---- State ----

TPaletteSlots TCalidarix::GatherPaletteSlots() const {
  TPaletteSlots s;
  s.FPalettes = FPalettes;
  s.FPalette = FPalette;
  s.FIsoPalette = FIsoPalette;
  s.PalNumber = PalNumber;
  s.IsoNumber = IsoNumber;
  s.isPalInverted = isPalInverted;
  s.isIsoInverted = isIsoInverted;
  s.isPalRotated = isPalRotated;
  s.isIsoRotated = isIsoRotated;
  s.PosterizeStep = PosterizeStep;
  s.FSidecarSaved = FSidecarSaved;
  return s;
}

void TCalidarix::StorePaletteSlots(const TPaletteSlots &s) {
  FPalettes = s.FPalettes;
  FPalette = s.FPalette;
  FIsoPalette = s.FIsoPalette;
  PalNumber = s.PalNumber;
  IsoNumber = s.IsoNumber;
  isPalInverted = s.isPalInverted;
  isIsoInverted = s.isIsoInverted;
  isPalRotated = s.isPalRotated;
  isIsoRotated = s.isIsoRotated;
  PosterizeStep = s.PosterizeStep;
  FSidecarSaved = s.FSidecarSaved;
}

void TCalidarix::PaletteRepaint() {
  PalPBPaint(this);
  ImagePBPaint(this);
}

void TCalidarix::HideToolPanels() {
  if (auto *scan = findChild<QWidget *>(QStringLiteral("ScanToolPanel")); scan && scan->isVisible())
    scan->hide();
  if (PalToolPanel && PalToolPanel->isVisible())
    PalToolPanel->hide();
}

// ---- Commands ----

void TCalidarix::PalChange(int slot) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Palette")))
    return;
  TPaletteSlots s = GatherPaletteSlots();
  const PaletteRole role = calidarix::PalChange(s, *CurrentDTV, slot);
  if (role == PaletteRole::None)
    return;
  StorePaletteSlots(s);
  if (GLview && GLview->isVisible())
    GLview->UpdatePalette(role == PaletteRole::Image, role == PaletteRole::Isotherm, false);
  PaletteRepaint();
}

void TCalidarix::PalChangeActionExecute(QObject *control) {
  bool ok = false;
  const int slot = control ? control->property("Tag").toInt(&ok) : -1;
  if (ok)
    PalChange(slot);
  HideToolPanels();
}

void TCalidarix::PalInvert() {
  if (!CurrentDTV)
    return;
  TPaletteSlots s = GatherPaletteSlots();
  calidarix::PalInvert(s, *CurrentDTV);
  StorePaletteSlots(s);
}

void TCalidarix::PalRotate() {
  if (!CurrentDTV)
    return;
  TPaletteSlots s = GatherPaletteSlots();
  calidarix::PalRotate(s, *CurrentDTV);
  StorePaletteSlots(s);
}

void TCalidarix::PalRotateActionExecute() {
  if (RefusedWhileBusy(QStringLiteral("Reverse palette")))
    return;
  PalInvert();
  PaletteRepaint();
  HideToolPanels();
}

void TCalidarix::PalInvertActionExecute() {
  if (RefusedWhileBusy(QStringLiteral("Invert palette")))
    return;
  PalRotate();
  PaletteRepaint();
  HideToolPanels();
}

void TCalidarix::PalPBDblClick() {
  if (RefusedWhileBusy(QStringLiteral("Reverse palette")))
    return;
  PalInvert();
  PaletteRepaint();
}

void TCalidarix::PalPosterize() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Posterize palette")))
    return;
  TPaletteSlots s = GatherPaletteSlots();
  calidarix::PalPosterize(s, *CurrentDTV);
  StorePaletteSlots(s);
  PaletteRepaint();
}

void TCalidarix::AdaptivePaletteClick() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Adaptive palette")))
    return;
  TPaletteSlots s = GatherPaletteSlots();
  const QStringList lines = calidarix::AdaptivePalette(s, *CurrentDTV);
  if (lines.isEmpty())
    return; // an empty frame has no histogram to follow
  if (logger)
    for (const QString &line : lines)
      logger->AppendLine(line);
  StorePaletteSlots(s);
  PaletteRepaint();
}

void TCalidarix::BuildPaletteRamp() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Palette ramp")))
    return;
  TPaletteSlots s = GatherPaletteSlots();
  calidarix::BuildPaletteRamp(s, *CurrentDTV);
  StorePaletteSlots(s);
  PaletteRepaint();
}

void TCalidarix::PalCycle(bool forward) {
  // The cycling timer keeps running through a job; it just leaves the palette alone meanwhile.
  if (!CurrentDTV || !FBusyJob.isEmpty())
    return;
  TPaletteSlots s = GatherPaletteSlots();
  calidarix::PalCycle(s, *CurrentDTV, forward);
  StorePaletteSlots(s);
  PaletteRepaint();
}

void TCalidarix::TogglePalTimer(bool forward) {
  FPalCycleForward = forward;
  if (PalTimer->isActive())
    PalTimer->stop();
  else
    PalTimer->start();
}

void TCalidarix::PalTimerTimer() {
  if (ScanRequests.VideoOn.Get()) {
    PaintVideoFrame();
    return;
  }
  PalCycle(FPalCycleForward);
}

void TCalidarix::PalBottomPanelMouseDown() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Isotherm")))
    return;
  const bool on = ToggleIsothermBand(*CurrentDTV);
  SetBackground(PalBottomPanel, on ? kIsoBandColour : FMinPanelColor);
  ImagePBPaint(this);
  PalPBPaint(this);
}

void TCalidarix::PalIsoPanelClick() {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Isotherm")))
    return;
  const bool on = ToggleIsothermBand(*CurrentDTV);
  SetBackground(PalBottomPanel, on ? kIsoBandColour : FMinPanelColor);
  FSidecarSaved = false;
  HideToolPanels();
  ImagePBPaint(this);
  PalPBPaint(this);
}

void TCalidarix::PalSBClick() {
  // Just right of the button's top-right corner.
  PalettePopupMenu->popup(PalSB->mapToGlobal(QPoint(PalSB->width() + 1, -1)));
}

void TCalidarix::Invert1Click() {
  Invert1->toggle(); // the toggle repaints
}

void TCalidarix::UseEditorPalette(const TPaletteTable &table) {
  FPalettes[kEditorPaletteSlot] = table;
  PalChange(kEditorPaletteSlot);
}

void TCalidarix::UsePaletteSlots(std::int64_t palSlot, std::int64_t isoSlot) {
  PalNumber = CheckedPaletteSlot(palSlot).value_or(0);
  IsoNumber = CheckedPaletteSlot(isoSlot).value_or(3);
  FPalette = FPalettes[PalNumber];
  FIsoPalette = FPalettes[IsoNumber];
  if (CurrentDTV) {
    CurrentDTV->FPalette = FPalette;
    CurrentDTV->FIsoPalette = FIsoPalette;
  }
}

} // namespace calidarix
