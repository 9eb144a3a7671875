// The shell of the main window: first show, close, full screen, the image-only view, the colour schemes,
// the main menu's visibility, the service menu, the clock and battery timers and the tray icon.
// The task bar of Windows has no counterpart here, so hiding and showing it is left out.

#include "acquisition/ui/battery_gauge.h"
#include "acquisition/ui/video_form.h"
#include "mainwindow/captions.h"
#include "mainwindow/registry_settings.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "platform/paths.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace calidarix {

namespace {

const char *kSiblingKey = "dtvimage\\Quillmere_Interface";

} // namespace

// The program's icon: a small palette ramp, cold to hot.
QIcon ProgramIcon() {
  QPixmap pixmap(32, 32);
  QPainter painter(&pixmap);
  QLinearGradient ramp(0, 32, 0, 0);
  ramp.setColorAt(0.0, QColor(0, 0, 96));
  ramp.setColorAt(0.4, QColor(160, 0, 160));
  ramp.setColorAt(0.7, QColor(255, 96, 0));
  ramp.setColorAt(1.0, QColor(255, 255, 160));
  painter.fillRect(pixmap.rect(), ramp);
  return QIcon(pixmap);
}

void TCalidarix::SetLanguageCaptions(int language) {
  const LanguageTexts texts = calidarix::SetLanguageCaptions(*this, language);
  FBaseCaption = texts.baseCaption;
  FStatTexts = texts.statTexts;
}

void TCalidarix::SetTrayIcon() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    Note(ServiceStatus::NotAvailable, "Tray icon");
    return;
  }
  FTrayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
  FTrayIcon->setObjectName("FTrayIcon");
  FTrayIcon->setToolTip("Calidarix");
  FTrayIcon->show();
  ConnectTrayIcon();
}

void TCalidarix::FormDestroy() {
  if (FTrayIcon)
    FTrayIcon->hide();
}

void TCalidarix::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  FRenderAtFirstPaint = false; // the boxes have their sizes now
  if (!event->spontaneous())
    FormShow();
}

void TCalidarix::FormShow() {
  if (!FirstShowPending)
    return;
  FirstShowPending = false;

  if (FServices.registry->OpenKey(kSiblingKey)) {
    if (auto handle = FServices.registry->ReadInteger(kSiblingKey, "ExplorerWindow_Handle")) {
      SiblingWindowHandle = *handle;
      if (SiblingWindowHandle != 0)
        Note(FServices.sibling->SendNotify(SiblingWindowHandle), "Sibling notification");
    }
  }
  if (FullScreenStart) {
    ImageOnlyMode();
    QCoreApplication::processEvents();
  }
  if (AutoStartScan)
    Note(FServices.acquisition->ScanSBClick(), "Scan");
  if (FullVideoStart) {
    PalBasePanel->hide();
    FileInfoPanel->hide();
    VideoSBClick();
  }
  if (FixedFileStart)
    FHideOnStart = true;
  if (PolyFormLeft || PolyFormRight) {
    const QRect m = QGuiApplication::screens().value(0)->geometry();
    const int left = PolyFormLeft ? m.left() : m.left() + m.width() / 2;
    setGeometry(left, m.top() + m.height() / 2, m.width() / 2, m.height() / 2);
    FormVideo = new TFormVideo(this);
    FormVideo->setGeometry(left, m.top(), m.width() / 2, m.height() / 2);
    FormVideo->show();
    VideoSBClick();
  }
}

void TCalidarix::closeEvent(QCloseEvent *event) {
  // Closing inside a job's wait would tear down what the job still works on.
  if (RefusedWhileBusy(QStringLiteral("Close"))) {
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
  if (event->isAccepted())
    emit Closed();
}

void TCalidarix::FormClose() {
  StopThermalModule();
  FServices.joystick->Release();
  if (FServices.acquisition->ScanRunning())
    Note(FServices.acquisition->StopScan(), "Stop scan");
  // A registry write that fails here is logged and the close goes on.
  if (!FRegistryFailed) {
    Note(FServices.settings->ParamsRegister(*this), "Registry settings");
    RestoreSiblingHandle();
  }
  // The docked windows close with the main window.
  for (QWidget *docked : {static_cast<QWidget *>(GraphForm), static_cast<QWidget *>(TimeProfileForm),
                          static_cast<QWidget *>(HistogramForm), static_cast<QWidget *>(PrintForm)})
    if (docked && docked->isVisible())
      docked->close();
  setGeometry(1, 1, 1, 1);
}

void TCalidarix::RestoreSiblingHandle() {
  KeyValueStore &registry = *FServices.registry;
  if (FPublishedHandle == 0 || !registry.OpenKey(kInterfaceKey))
    return;
  // An instance started after this one has published itself there since; the value is its own.
  if (registry.ReadInteger(kInterfaceKey, "Active_Handle") != std::optional<std::int64_t>(FPublishedHandle))
    return;
  if (!registry.WriteInteger(kInterfaceKey, "Active_Handle", PrevActiveHandle))
    Note(ServiceStatus::Failed, "Restoring Active_Handle");
}

void TCalidarix::SiblingOpenRequest() {
  if (RefusedWhileBusy(QStringLiteral("Open from the database program")))
    return;
  KeyValueStore &registry = *FServices.registry;
  if (registry.OpenKey(kInterfaceKey)) {
    const auto left = registry.ReadInteger(kInterfaceKey, "Desirable_Left");
    const auto top = registry.ReadInteger(kInterfaceKey, "Desirable_Top");
    const auto height = registry.ReadInteger(kInterfaceKey, "Desirable_Height");
    const bool widthGiven = registry.ReadInteger(kInterfaceKey, "Desirable_Width").has_value();
    // The width follows from the height at the window's present ratio; the sibling's width is not
    // used. A height below one pixel cannot be honoured and leaves the bounds alone.
    if (left && top && height && widthGiven && *height > 0) {
      const QRect bounds = geometry();
      const int newHeight = static_cast<int>(*height);
      const int newWidth = bounds.height() > 0
                               ? TruncToInt32(double(bounds.width()) / bounds.height() * newHeight)
                               : bounds.width();
      move(static_cast<int>(*left), static_cast<int>(*top));
      resize(newWidth, newHeight);
    }
  }
  if (registry.OpenKey(kSiblingKey)) {
    if (FIsReadDTI)
      SaveImageSidecar();
    // A missing value reads as an empty name, which shows the demo image.
    const QString stored = registry.ReadString(kSiblingKey, "FileName_To_Open").value_or(QString());
    const QString text = LocalPathText(stored);
    const std::optional<QString> name = OpenablePathText(text);
    if (!name) {
      ShowViewNotice(QStringLiteral("\"%1\" cannot be opened: it does not exist or cannot be reached")
                         .arg(DisplayPathText(text)));
      return;
    }
    const QString previous = FServices.view->FileName();
    FServices.view->SetFileName(*name);
    const ServiceStatus shown = FServices.view->ChangeDTV(true);
    Note(shown, "Thermogram view");
    // An unreadable file leaves the image shown, and so its name.
    if (shown == ServiceStatus::Failed)
      FServices.view->SetFileName(previous);
  }
}

void TCalidarix::RemoveQorRegClick() {
  Note(FServices.settings->RemoveHeadComPort(), "Remove Qor from Reg");
}

void TCalidarix::ShowWithoutFrame(bool frameless) {
  if (windowFlags().testFlag(Qt::FramelessWindowHint) == frameless)
    return;
  const bool shown = isVisible();
  const QRect bounds = geometry();
  setWindowFlag(Qt::FramelessWindowHint, frameless);
  setGeometry(bounds);
  if (shown)
    show(); // changing the flags hides a window
}

void TCalidarix::ToggleFullScreen() {
  FullScreenOn = !FullScreenOn;
  if (FullScreenOn) {
    SavedWindowRect = geometry();
    if (!isMinimized()) {
      const QRect s = (screen() ? screen() : QGuiApplication::primaryScreen())->geometry();
      if (FIsMenuVisible)
        setGeometry(s.left() - 2, s.top() - 2, s.width() + 4, s.height() + 4);
      else
        setGeometry(s);
    }
    if (!FIsMenuVisible) {
      FileInfoPanel->show();
      ShowWithoutFrame(true);
      // Black side panels take the width the image does not need, which centres it. Only panels that
      // are shown take room beside the image.
      const std::optional<double> aspect = FServices.view->Aspect();
      if (!aspect)
        Note(ServiceStatus::NotAvailable, "Image aspect for the black side panels");
      auto shownWidth = [](QWidget *w) { return w->isVisible() ? w->width() : 0; };
      // The info panel takes width as the side column and height as the strip at the bottom.
      const bool column = FPanels.FInfoSideColumn;
      const int strip = column || !InfoBasePanel->isVisible() ? 0 : InfoBasePanel->height();
      const int d = aspect ? width() - TruncToInt32((height() - FileInfoPanel->height() - strip) * *aspect) -
                                 shownWidth(PalBasePanel) - shownWidth(BigButtonsPanel) -
                                 (column ? shownWidth(InfoBasePanel) : 0)
                           : 0;
      if (d > 0) {
        BlackPanelLeft->setFixedWidth(d / 2);
        BlackPanelRight->setFixedWidth(d / 2 + d % 2);
        BlackPanelLeft->show();
        BlackPanelRight->show();
      }
      ClosePanel->setText(FLanguage == 1 ? QString::fromUtf8("X Закрыть") : QStringLiteral("X Close"));
      // On the side column the close button lies across its top, on the strip at its right end.
      PlaceClosePanel();
      ClosePanel->show();
    }
    QCoreApplication::processEvents();
    Note(FServices.view->FitImageLayout(), "Image layout");
    ImagePB->update();
  } else {
    setGeometry(SavedWindowRect);
    if (!FIsMenuVisible) {
      ShowWithoutFrame(false);
      BlackPanelLeft->hide();
      BlackPanelRight->hide();
      QCoreApplication::processEvents();
      Note(FServices.view->FitImageLayout(), "Image layout");
      ImagePB->update();
    }
  }
  QCoreApplication::processEvents();
}

void TCalidarix::ImageOnlyMode() {
  FImageOnly = !FImageOnly;
  if (!FIsBigButtons)
    ToolPanel->setVisible(!FImageOnly);
  InfoBasePanel->setVisible(!FImageOnly);
  FileInfoPanel->setVisible(!FImageOnly);
  SetMenuItemsVisible(!FImageOnly && FIsMenuVisible);
  if (FImageOnly) {
    ShowWithoutFrame(true);
  } else {
    ShowWithoutFrame(false);
    BlackPanelLeft->hide();
    BlackPanelRight->hide();
    Note(FServices.view->FitImageLayout(), "Image layout");
    ImagePB->update();
  }
}

void TCalidarix::SetBackground(QWidget *widget, const QColor &colour) {
  if (!widget)
    return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

void TCalidarix::SetNightColours(bool night) {
  FIsNightMode = night;
  const QPalette system = QApplication::palette();
  const QColor face = system.color(QPalette::Button);
  const QColor shadow = system.color(QPalette::Dark);
  FMinPanelColor = night ? QColor(96, 96, 127) : QColor(224, 224, 255);
  FMaxPanelColor = night ? QColor(127, 96, 96) : QColor(255, 224, 224);
  for (QWidget *panel : {static_cast<QWidget *>(ToolPanel), static_cast<QWidget *>(BigButtonsPanel),
                         static_cast<QWidget *>(FileInfoPanel), static_cast<QWidget *>(InfoPanel),
                         static_cast<QWidget *>(PalSpacerPanel), static_cast<QWidget *>(ScalePanel)})
    SetBackground(panel, night ? shadow : face);
  for (QWidget *panel : BigButtonPanels)
    SetBackground(panel, night ? QColor(128, 128, 128) : face);
  SetBackground(MinPanel, FMinPanelColor);
  SetBackground(MaxPanel, FMaxPanelColor);
  SetBackground(PalBottomPanel, FMinPanelColor);
  update();
}

void TCalidarix::SetMenuItemsVisible(bool visible) {
  const QList<QAction *> items = menuBar()->actions();
  for (QAction *item : items)
    if (item != ServiceFunctions->menuAction())
      item->setVisible(visible);
}

void TCalidarix::StartServiceMode() {
  ServiceMode = true;
  ServiceFunctions->menuAction()->setVisible(true);
}

void TCalidarix::RealTimeTimerTimer() {
  if (ProgressForm && ProgressForm->FModalResult == TProgressForm::mrCancel && HeadConnected &&
      FServices.acquisition->FrameTimingOn() && !FServices.acquisition->ScanStopping())
    Note(FServices.acquisition->StopScan(), "Stop scan");
  if (RealTimeLabel->isVisible())
    RealTimeLabel->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void TCalidarix::RefreshTimerTimer() {
  if (FPeripherals.FPCBattery)
    FPeripherals.FPCBattery->Refresh();
}

void TCalidarix::LogMemoClick() {
  if (!logger)
    return;
  logger->show();
  logger->FUserLog = true;
}

void TCalidarix::ShowProgressFormClick() {
  if (!ProgressForm)
    return;
  ProgressForm->SetProgress(50);
  ProgressForm->show();
}

void TCalidarix::ColorClick() {
  const QColor chosen =
      QColorDialog::getColor(FTextColor, this, QString(), QColorDialog::DontUseNativeDialog);
  if (chosen.isValid())
    FTextColor = chosen;
  ImagePB->update();
}

} // namespace calidarix
