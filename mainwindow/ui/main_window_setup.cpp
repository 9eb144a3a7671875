// The setup panel over the image and the small commands beside it: the two layouts of the info panel,
// the Up and Down panels of the fixed-level entry, "Ping Camera..." and the resolution-ratio switch.
// OK checks every edit before it applies anything; a bad one keeps the panel open with that edit
// selected and says what is wrong.

#include "mainwindow/info_panel_layout.h"
#include "mainwindow/setup_values.h"
#include "mainwindow/ui/entry_focus.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/key_state.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/widget_names.h"
#include "platform/network_policy.h"
#include "thermogram/display_range.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace calidarix {

namespace {

// A printable character an edit does not take; editing keys always pass.
bool Refused(const QKeyEvent &key, bool (*accepts)(QChar)) {
  const QString text = key.text();
  return !text.isEmpty() && text.at(0).isPrint() && !accepts(text.at(0));
}

bool DigitOrBackspace(QChar c) {
  return c == QChar(8) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

// The terminal that shows the continuous ping: CALIDARIX_TERMINAL, else the system's choice.
QString TerminalProgram() {
  const QString chosen = qEnvironmentVariable("CALIDARIX_TERMINAL").trimmed();
  return chosen.isEmpty() ? QStringLiteral("x-terminal-emulator") : chosen;
}

} // namespace

// ---- Building ----

void TCalidarix::BuildSetupPanel() {
  PanelsState &p = FPanels;
  SetupPanel = Named(new QFrame(ImagePanel), "SetupPanel");
  SetupPanel->setFrameShape(QFrame::StyledPanel);
  SetupPanel->setAutoFillBackground(true);
  auto *grid = new QGridLayout(SetupPanel);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);

  const std::pair<const char *, const char *> labels[] = {
      {"SetupFilmFramesLabel", "Film frames"}, {"SetupFrameTimeLabel", "Frame time"},
      {"SetupSumCountLabel", "Sum count"},     {"SetupLanguageLabel", "Language"},
      {"SetupPointsLabel", "Points Count"},    {"SetupFixedMinLabel", "Fixed Min"},
      {"SetupFixedMaxLabel", "Fixed Max"},     {"SetupLimitLabel", "Limit"}};
  int row = 0;
  for (auto [name, text] : labels)
    grid->addWidget(Named(new QLabel(QString::fromLatin1(text), SetupPanel), name), row++, 0);

  const auto edit = [&](const char *name, int at) {
    auto *e = Named(new QLineEdit(SetupPanel), name);
    e->setMaximumWidth(90);
    grid->addWidget(e, at, 1);
    return e;
  };
  p.FilmFramesEdit = edit("FilmFramesEdit", 0);
  p.FrameTimeEdit = edit("FrameTimeEdit", 1);
  p.SumCountEdit = edit("SumCountEdit", 2);
  LanguageCB = Named(new QComboBox(SetupPanel), "LanguageCB");
  LanguageCB->addItems({QStringLiteral("English"), QString::fromUtf8("Русский")});
  grid->addWidget(LanguageCB, 3, 1);
  p.PointsCB = Named(new QComboBox(SetupPanel), "PointsCB");
  p.PointsCB->addItems({QStringLiteral("Off"), QStringLiteral("On")});
  p.PointsCB->setCurrentIndex(0);
  grid->addWidget(p.PointsCB, 4, 1);
  p.FixedMinEdit = edit("FixedMinEdit", 5);
  p.FixedMaxEdit = edit("FixedMaxEdit", 6);
  p.LimitEdit = edit("LimitEdit", 7);

  row = 0;
  for (auto [name, text] : {std::pair{"AutoSaveCB", "AutoSave"},
                            {"FullScreenCB", "FullScreen"},
                            {"FixedRangeCB", "FixedRange"},
                            {"BigButtonsCB", "BigButtons"},
                            {"AutoIsothermCB", "Auto Isotherm"},
                            {"MenuVisibleCB", "MenuVisible"},
                            {"IntegerCB", "Integer"},
                            {"SavebyF2CB", "Save by F2"},
                            {"ReadDTICB", "Read DTI"},
                            {"NightModeCB", "Night mode"}})
    grid->addWidget(Named(new QCheckBox(QString::fromLatin1(text), SetupPanel), name), row++, 2);
  // "Save by F2" is switched off in the design: F2 saves as chosen at start-up.
  findChild<QCheckBox *>(QStringLiteral("SavebyF2CB"))->setEnabled(false);

  // The video panel's controls, enabled while video runs.
  p.VideoSetupSB = Named(new QPushButton(QStringLiteral("Video..."), SetupPanel), "VideoSetupSB");
  p.VideoSetupCB = Named(new QComboBox(SetupPanel), "VideoSetupCB");
  p.VideoSetupCB->addItem(QStringLiteral("640x480"));
  p.VideoSetupSB->setEnabled(false);
  p.VideoSetupCB->setEnabled(false);
  grid->addWidget(p.VideoSetupSB, 8, 0);
  grid->addWidget(p.VideoSetupCB, 8, 1);

  auto *buttons = new QHBoxLayout;
  p.SetupOkBtn = Named(new QPushButton(QStringLiteral("&Ok"), SetupPanel), "SetupOkBtn");
  p.SetupCancelBtn = Named(new QPushButton(QStringLiteral("&Cancel"), SetupPanel), "SetupCancelBtn");
  buttons->addStretch(1);
  buttons->addWidget(p.SetupOkBtn);
  buttons->addWidget(p.SetupCancelBtn);
  grid->addLayout(buttons, 10, 0, 1, 3);
  SetupPanel->hide();
}

void TCalidarix::ConnectSetupPanel() {
  PanelsState &p = FPanels;
  p.SetupSB = findChild<QToolButton *>(QStringLiteral("SetupSB"));
  p.SetupSB->setCheckable(true);
  connect(p.SetupSB, &QToolButton::clicked, this, &TCalidarix::SetupSBClick);
  if (auto *item = findChild<QAction *>(QStringLiteral("Setup1")))
    connect(item, &QAction::triggered, this, &TCalidarix::SetupSBClick);
  connect(p.SetupOkBtn, &QPushButton::clicked, this, &TCalidarix::SetupOkBtnClick);
  connect(p.SetupCancelBtn, &QPushButton::clicked, this, &TCalidarix::SetupCancelBtnClick);

  QLineEdit *const edits[] = {p.FilmFramesEdit, p.FrameTimeEdit, p.SumCountEdit,
                              p.FixedMinEdit,   p.FixedMaxEdit,  p.LimitEdit};
  auto *keys = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    PanelsState &s = FPanels;
    if (event->type() == QEvent::MouseButtonRelease) {
      static_cast<QLineEdit *>(watched)->selectAll();
      return false;
    }
    if (event->type() != QEvent::KeyPress)
      return false;
    const auto &key = static_cast<const QKeyEvent &>(*event);
    // Enter and Esc confirm and cancel in every edit but the limit's.
    if (watched != s.LimitEdit && IsEnter(key.key())) {
      SetupOkBtnClick();
      return true;
    }
    if (watched != s.LimitEdit && key.key() == Qt::Key_Escape) {
      SetupCancelBtnClick();
      return true;
    }
    if (watched == s.FilmFramesEdit)
      return Refused(key, &DigitOrBackspace);
    if (watched == s.FixedMinEdit || watched == s.FixedMaxEdit)
      return Refused(key, &FloatEditAccepts);
    return false;
  });
  for (QLineEdit *e : edits)
    keys->Watch(e);

  auto *doubleClick = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() == QEvent::Resize) {
      PlaceClosePanel(); // the strip's right end moves with the window
      return false;
    }
    if (event->type() != QEvent::MouseButtonDblClick)
      return false;
    InfoPanelDblClick();
    return true;
  });
  doubleClick->Watch(InfoPanel);

  p.Ping1 = findChild<QAction *>(QStringLiteral("Ping1"));
  if (p.Ping1)
    connect(p.Ping1, &QAction::triggered, this, &TCalidarix::Ping1Click);
  ConnectFixedLevelSpin();
  if (!p.StartDetached)
    p.StartDetached = [](const QString &program, const QStringList &arguments) -> std::int64_t {
      qint64 pid = 0;
      return QProcess::startDetached(program, arguments, QString(), &pid) ? pid : 0;
    };
}

void TCalidarix::ConnectFixedLevelSpin() {
  PanelsState &p = FPanels;
  auto *panel = findChild<QFrame *>(QStringLiteral("FixedLevelPanel"));
  if (!panel)
    return;
  // The value-entry panel may already carry its edit and spin panels; only missing ones are made.
  if (!FixedLevelEdit) {
    FixedLevelEdit = Named(new QLineEdit(QStringLiteral("0.00"), panel), "FixedLevelEdit");
    if (auto *row = qobject_cast<QBoxLayout *>(panel->layout()))
      row->insertWidget(0, FixedLevelEdit);
  }
  auto *spin = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    auto *face = static_cast<QFrame *>(watched);
    if (event->type() == QEvent::MouseButtonPress) {
      UpDownPanelMouseDown(face);
      return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
      UpDownPanelMouseUp(face);
      return true;
    }
    return false;
  });
  const std::tuple<const char *, const char *, int, QFrame **> spins[] = {
      {"UpPanel", "Up", 1, &p.UpPanel}, {"DownPanel", "Down", 2, &p.DownPanel}};
  for (auto [name, caption, tag, field] : spins) {
    QFrame *face = panel->findChild<QFrame *>(QString::fromLatin1(name));
    if (!face) {
      auto *label = new QLabel(QString::fromLatin1(caption), panel);
      label->setObjectName(QString::fromLatin1(name));
      label->setFrameShape(QFrame::Panel);
      label->setFrameShadow(QFrame::Raised);
      label->setAlignment(Qt::AlignCenter);
      label->setMinimumWidth(36);
      if (auto *row = qobject_cast<QBoxLayout *>(panel->layout()))
        row->insertWidget(tag, label);
      face = label;
    }
    face->setProperty("Tag", tag);
    *field = face;
    spin->Watch(face);
  }
}

// ---- The panel ----

void TCalidarix::SetupSBClick() {
  PanelsState &p = FPanels;
  if (SetupPanel->isVisible()) {
    HideEntry(SetupPanel);
    p.SetupSB->setChecked(false);
    return;
  }
  p.SetupSB->setChecked(true);
  SetupNumbers now;
  now.FilmFrames = FRegistrySettings.FilmFrames;
  now.FrameTime = FRegistrySettings.FrameTime;
  now.SumCount = CurrentDTV ? CurrentDTV->SumCount : FRegistrySettings.SumCount;
  now.FixedMin = FRegistrySettings.FixedMin;
  now.FixedMax = FRegistrySettings.FixedMax;
  now.FLimit = FLimit;
  const SetupTexts texts = SetupTextsFor(now);
  p.FilmFramesEdit->setText(texts.FilmFrames);
  p.FrameTimeEdit->setText(texts.FrameTime);
  p.SumCountEdit->setText(texts.SumCount);
  p.FixedMinEdit->setText(texts.FixedMin);
  p.FixedMaxEdit->setText(texts.FixedMax);
  p.LimitEdit->setText(texts.Limit);
  findChild<QCheckBox *>(QStringLiteral("ReadDTICB"))->setChecked(FIsReadDTI);
  SetupPanel->adjustSize();
  SetupPanel->move(4, 4);
  SetupPanel->raise();
  SetupPanel->show();
  p.FilmFramesEdit->setFocus();
}

void TCalidarix::SetupOkBtnClick() {
  PanelsState &p = FPanels;
  const SetupTexts texts{p.FilmFramesEdit->text(), p.FrameTimeEdit->text(), p.SumCountEdit->text(),
                         p.FixedMinEdit->text(),   p.FixedMaxEdit->text(),  p.LimitEdit->text()};
  const SetupCheck check = CheckSetupTexts(texts);
  if (!check.Values) {
    const std::pair<QLineEdit *, const char *> fields[] = {
        {p.FilmFramesEdit, "SetupFilmFramesLabel"}, {p.FrameTimeEdit, "SetupFrameTimeLabel"},
        {p.SumCountEdit, "SetupSumCountLabel"},     {p.FixedMinEdit, "SetupFixedMinLabel"},
        {p.FixedMaxEdit, "SetupFixedMaxLabel"},     {p.LimitEdit, "SetupLimitLabel"}};
    const auto [bad, label] = fields[static_cast<int>(check.Field)];
    const QString caption = findChild<QLabel *>(QString::fromLatin1(label))->text();
    if (logger)
      logger->AppendLine(QStringLiteral("Setup not applied: ") + caption + QStringLiteral(": ") +
                         check.Error);
    FDialogs->ShowError(this, caption + QStringLiteral(": ") + check.Error);
    bad->setFocus();
    bad->selectAll();
    return;
  }
  const SetupNumbers &v = *check.Values;
  const auto checked = [this](const char *name) {
    return findChild<QCheckBox *>(QString::fromLatin1(name))->isChecked();
  };

  HideEntry(SetupPanel);
  p.SetupSB->setChecked(false);
  FRegistrySettings.FilmFrames = v.FilmFrames;
  FRegistrySettings.FrameTime = v.FrameTime;
  FRegistrySettings.SumCount = v.SumCount;
  if (CurrentDTV)
    CurrentDTV->SumCount = v.SumCount;
  FIsFullScreen = checked("FullScreenCB"); // takes effect at the next start
  FRegistrySettings.FixedMin = v.FixedMin;
  FRegistrySettings.FixedMax = v.FixedMax;
  if (LanguageCB->currentIndex() >= 0 && LanguageCB->currentIndex() != FLanguage) {
    FLanguage = LanguageCB->currentIndex();
    SetLanguageCaptions(FLanguage);
  }
  if (p.PointsCB->currentIndex() >= 0)
    FMeasure.FPointsCount = static_cast<std::uint8_t>(p.PointsCB->currentIndex());
  isAutoSave = checked("AutoSaveCB");
  FIsFixedRange = checked("FixedRangeCB");
  const bool big = checked("BigButtonsCB");
  if (big && !FIsBigButtons) {
    ToolPanel->hide();
    BigButtonsPanel->show();
  } else if (!big && FIsBigButtons) {
    BigButtonsPanel->hide();
    ToolPanel->show();
  }
  isIsoAuto = checked("AutoIsothermCB");
  if (CurrentDTV)
    CurrentDTV->isIsoAuto = isIsoAuto;
  FIsBigButtons = big;
  FIsInteger = checked("IntegerCB");
  FIsReadDTI = checked("ReadDTICB");
  FIsMenuVisible = checked("MenuVisibleCB");
  isSaveByF2 = checked("SavebyF2CB");
  SetMenuItemsVisible(FIsMenuVisible);
  FLimit = v.FLimit;
  FLimitOn = v.FLimitOn;
  if (checked("NightModeCB") != FIsNightMode)
    SetNightColours(checked("NightModeCB"));

  const ServiceStatus stored = FServices.settings->ParamsRegister(*this);
  Note(stored, "Storing the settings");
  if (stored == ServiceStatus::Failed)
    FDialogs->ShowError(
        this, QStringLiteral("The settings could not be stored; they hold until the program ends."));
  ChangeDTV(false);
  PalPB->update();
}

void TCalidarix::SetupCancelBtnClick() {
  LanguageCB->setCurrentIndex(FLanguage == 0 || FLanguage == 1 ? FLanguage : -1);
  HideEntry(SetupPanel);
  FPanels.SetupSB->setChecked(false);
}

// ---- Info panel layouts ----

void TCalidarix::SetInfoPanelLayout(bool sideColumn) {
  ApplyInfoPanelLayout(sideColumn);
  // The window lays itself out anew, as after a size change.
  Message size{WM_SIZE, 0, 0, 0};
  if (!PostMessage(FPublishedHandle, WM_SIZE, 0, 0))
    WndProc(size);
  QCoreApplication::processEvents();
}

void TCalidarix::ApplyInfoPanelLayout(bool sideColumn) {
  FPanels.FInfoSideColumn = sideColumn;
  auto *column = qobject_cast<QVBoxLayout *>(centralWidget()->layout());
  QBoxLayout *row = nullptr;
  for (int i = 0; column && i < column->count() && !row; ++i)
    if (auto *inner = qobject_cast<QBoxLayout *>(column->itemAt(i)->layout());
        inner && inner->indexOf(ImagePanel) >= 0)
      row = inner;
  if (!column || !row)
    return;
  column->removeWidget(InfoBasePanel);
  row->removeWidget(InfoBasePanel);
  if (sideColumn) {
    InfoBasePanel->setMinimumSize(kInfoColumnWidth, 0);
    InfoBasePanel->setMaximumSize(kInfoColumnWidth, QWIDGETSIZE_MAX);
    row->insertWidget(row->indexOf(PalBasePanel) + 1, InfoBasePanel);
  } else {
    InfoBasePanel->setMinimumSize(0, kInfoStripHeight);
    InfoBasePanel->setMaximumSize(QWIDGETSIZE_MAX, kInfoStripHeight);
    column->insertWidget(column->indexOf(FileInfoPanel), InfoBasePanel);
  }

  // The labels sit where the layout's table puts them, moved right as far as their texts need; the grid
  // of the window's design goes. The strip uses a 10-pixel face, as small as its rows allow.
  delete InfoPanel->layout();
  QFont face = font();
  if (!sideColumn)
    face.setPixelSize(10);
  InfoPanel->setFont(face);
  for (const InfoLabelPlace &place : InfoLabelPlaces(sideColumn))
    if (auto *label =
            InfoPanel->findChild<QLabel *>(QString::fromLatin1(place.Name), Qt::FindDirectChildrenOnly)) {
      label->setMinimumWidth(0);
      if (!place.Shown)
        label->hide();
    }
  PlaceInfoLabels();
  // The caption of the free info line has no place on the strip.
  if (auto *info = InfoPanel->findChild<QLabel *>(QStringLiteral("InfoLabel"), Qt::FindDirectChildrenOnly)) {
    info->setGeometry(4, 320, kInfoColumnWidth - 4, 16);
    info->setVisible(sideColumn);
  }
  PlaceClosePanel();
  PlaceBatteryGauges();
  if (sideColumn) {
    RealTimeLabel->move(0, 40);
    QFont clock = RealTimeLabel->font();
    clock.setPointSize(17);
    RealTimeLabel->setFont(clock);
    RealTimeLabel->setStyleSheet(QStringLiteral("color: black;"));
    RealTimeLabel->adjustSize();
  }
}

void TCalidarix::PlaceClosePanel() {
  ClosePanel->setFixedSize(FPanels.FInfoSideColumn ? QSize(kInfoColumnWidth, 32)
                                                   : QSize(64, kInfoStripHeight));
  ClosePanel->move(FPanels.FInfoSideColumn ? 0 : std::max(InfoPanel->width() - 64, 0), 0);
  ClosePanel->raise();
}

void TCalidarix::InfoPanelDblClick() {
  if (!FIsMenuVisible && FullScreenOn)
    return;
  SetInfoPanelLayout(!FPanels.FInfoSideColumn);
}

// ---- Fixed-level spin panels ----

void TCalidarix::UpDownPanelMouseDown(QFrame *panel) {
  panel->setFrameShadow(QFrame::Sunken);
  QCoreApplication::processEvents();
  if (FixedLevelEdit)
    FixedLevelEdit->setText(FixedLevelStep(FixedLevelEdit->text(), panel->property("Tag").toInt()));
}

void TCalidarix::UpDownPanelMouseUp(QFrame *panel) {
  panel->setFrameShadow(QFrame::Raised);
}

// ---- Ping and resolution ratio ----

void TCalidarix::Ping1Click() {
  const QString address = QString::fromLatin1(kCameraPingAddress);
  if (!NetworkAllowed(address.toStdString(), "camera ping")) {
    NotAvailable(QStringLiteral("Ping Camera (%1 refused: CALIDARIX_NETWORK=loopback)").arg(address));
    return;
  }
  const QString terminal = TerminalProgram();
  if (FPanels.StartDetached(terminal, {QStringLiteral("-e"), QStringLiteral("ping"), address}) == 0)
    NotAvailable(QStringLiteral("Ping Camera (no terminal program \"%1\")").arg(terminal));
}

} // namespace calidarix
