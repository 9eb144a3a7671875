// The main window's panorama commands: stitching a panorama folder chosen by the user or the last one
// again, stitching one folder in all eight frame orders, the parameter file of a panorama scan, the
// service presets of the stitching object and the panorama-by-frames dialog shown on its own.
//
// The stitch itself is headless (head/panorama_stitcher.h); here the window gathers the switches of
// its menus and of the head control form, runs it behind the progress window, and shows the result.
// A stitch that writes nothing keeps the image shown and says why over it.

#include "acquisition/camera_state.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/panorama_folder.h"
#include "head/ui/pano_scan_dialog.h"
#include "head/ui/qor_ctrl.h"
#include "mainwindow/auto_save.h"
#include "mainwindow/bmp_writer.h"
#include "mainwindow/ui/busy_job.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <numbers>
#include <string_view>

namespace calidarix {

namespace {

// "Try All Orders" runs the folder command with this tag.
constexpr int kAllOrdersTag = 666;

// The progress window for a stitch; without one the event loop still runs between frames.
class WindowStitchProgress : public TStitchProgress {
public:
  void Show() override {
    if (ProgressForm) {
      ProgressForm->FCancelled = false;
      ProgressForm->Show();
    }
  }
  void Hide() override {
    if (ProgressForm)
      ProgressForm->Hide();
  }
  void SetPosition(int percent) override {
    if (ProgressForm)
      ProgressForm->SetProgress(percent);
  }
  void ProcessMessages() override { QCoreApplication::processEvents(); }
  bool Cancelled() const override { return ProgressForm && ProgressForm->Cancelled(); }
};

QString WithoutFinalSeparator(QString folder) {
  while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
    folder.chop(1);
  return folder;
}

QString OrderText(int order) {
  return QString::fromLatin1((order & 1) != 0 ? " by columns " : " by rows ") +
         QString::fromLatin1((order & 2) != 0 ? "to right " : "to left ") +
         QString::fromLatin1((order & 4) != 0 ? "to bottom " : "to top ");
}

} // namespace

void TCalidarix::ConnectPanoramaCommands() {
  const auto item = [this](const char *name) { return findChild<QAction *>(QString::fromLatin1(name)); };
  if (QAction *open = item("OpenPanFolder1"))
    connect(open, &QAction::triggered, this, [this] { OpenPanFolder1Click(false); });
  if (QAction *blending = item("Blending1")) {
    blending->setCheckable(true);
    blending->setChecked(true);
  }

  // Service commands, in their places among the service menu's items.
  const auto service = [this](const char *name, const char *text, QAction *before) {
    auto *action = new QAction(QString::fromLatin1(text), ServiceFunctions);
    action->setObjectName(QString::fromLatin1(name));
    ServiceFunctions->insertAction(before, action);
    return action;
  };
  connect(service("CreateaDTVandappendDTV1", "Create aDTV and append DTV", ShowProgressForm),
          &QAction::triggered, this, &TCalidarix::CreateaDTVandappendDTV1Click);
  const QList<QAction *> existing = ServiceFunctions->actions();
  const qsizetype progressAt = existing.indexOf(ShowProgressForm);
  QAction *afterProgress =
      progressAt >= 0 && progressAt + 1 < existing.size() ? existing[progressAt + 1] : nullptr;
  connect(service("ShowPanDialog", "Show Pan Dialog", afterProgress), &QAction::triggered, this,
          &TCalidarix::ShowPanDialogClick);
  QAction *resolution = nullptr;
  if (auto *menu = findChild<QMenu *>(QStringLiteral("Resolution")))
    resolution = menu->menuAction();
  auto *allOrders = new QMenu(QStringLiteral("All Orders"), ServiceFunctions);
  allOrders->setObjectName(QStringLiteral("AllOrders1"));
  ServiceFunctions->insertMenu(resolution, allOrders);
  auto *tryAll = allOrders->addAction(QStringLiteral("Try All Orders"));
  tryAll->setObjectName(QStringLiteral("TryAllOrders1"));
  tryAll->setProperty("Tag", kAllOrdersTag);
  connect(tryAll, &QAction::triggered, this, [this] { OpenPanFolder1Click(true); });
  for (const char *name : {"AllOrdersStitch", "AllOrdersProject"}) {
    auto *check = allOrders->addAction(
        QString::fromLatin1(name == std::string_view("AllOrdersStitch") ? "Stitch" : "Project"));
    check->setObjectName(QString::fromLatin1(name));
    check->setCheckable(true);
  }

  FPanorama.FChooseFolder = [this](const QString &title, const QString &start) {
    return QFileDialog::getExistingDirectory(this, title, start);
  };
}

void TCalidarix::OpenPanFolder1Click(bool allOrders) {
  if (RefusedWhileBusy(QStringLiteral("Open Panoram Folder")))
    return;
  const QString title = FLanguage == 1 ? QString::fromUtf8("Выберите папку с панорамой")
                                       : QStringLiteral("Choose Folder with Panorama");
  const char drive = FDriveLetter.isEmpty() ? 'C' : FDriveLetter.front().toLatin1();
  const QString folder = FPanorama.FChooseFolder
                             ? FPanorama.FChooseFolder(title, DatabaseFolder(drive != 0 ? drive : 'C') + "/")
                             : QString();
  if (folder.isEmpty())
    return;
  auto *menu = findChild<QMenu *>(QStringLiteral("Panoram1"));
  if (menu)
    menu->setEnabled(false);
  ProcessPanFolder(folder, allOrders);
  if (menu)
    menu->setEnabled(true);
}

void TCalidarix::ReStitchBtnClick() {
  if (!FRegistrySettings.LastPanoPath.isEmpty()) {
    FHeadState.RestitchPending = true;
    ProcessPanFolder(FRegistrySettings.LastPanoPath, false);
  } else {
    OpenPanFolder1Click(false);
  }
}

void TCalidarix::CreateaDTVandappendDTV1Click() {
  if (FPanorama.PanoFov)
    return;
  const IniHeadGeometry &head = FIniSettings.Head;
  FPanorama.PanoFov = std::make_unique<TFOV>();
  TFOV &fov = *FPanorama.PanoFov;
  fov.FHorArc = head.ScanArcH;
  fov.FVerArc = head.ScanArcV;
  fov.FRatioHor = head.RatioHor;
  fov.FRatioHorTurns = head.RatioHorTurns;
  fov.FRatioVer = head.RatioVer;
  fov.FRatioVerTurns = head.RatioVerTurns;
  fov.FHorizonCorrection = head.HorizonCorrection;
  fov.SetFrameTilt(head.FrameTilt / kPanoK);
  fov.SetNonorthogonality(head.Nonorthogonality / kPanoK);
  if (logger)
    logger->AppendLine(QStringLiteral("Panorama object preset from the settings"));
}

void TCalidarix::ShowPanDialogClick() {
  if (!PanoScanDialog)
    return NotAvailable(QStringLiteral("Show Pan Dialog"));
  FillPanDialog();
  PanoScanDialog->show();
  PanoScanDialog->raise();
}

void TCalidarix::FillPanDialog() {
  if (!PanoScanDialog)
    return;
  const IniHeadGeometry &head = FIniSettings.Head;
  TPanoScanDialog &d = *PanoScanDialog;
  // Degrees between neighbouring frames: counter clicks of one step over the clicks of a turn.
  d.FVerStepAngle = head.RatioVer != 0 ? static_cast<double>(head.RatioVerTurns) * head.VerStep * 256.0 /
                                             head.RatioVer * 360.0
                                       : 0.0;
  d.FHorStepAngle = head.RatioHor != 0 ? static_cast<double>(head.RatioHorTurns) * head.HorStep * 256.0 /
                                             head.RatioHor * 360.0
                                       : 0.0;
  d.FVerFov = head.ScanArcV / 180.0;
  d.FHorFov = head.ScanArcH / 180.0;
  d.FHorStep = head.HorStep;
  d.FVerStep = head.VerStep;
  d.FRussian = LanguageCB && LanguageCB->currentIndex() == 1;
  d.FSpeed = ScanUnit.Speed;
  d.FSumCount = 1;
}

void TCalidarix::WriteHeadIni(const QString &fileName) {
  TPanoHeadIniValues v;
  if (QorHead) {
    v.HdType = QorHead->FQorType;
    v.HdVersion = QorHead->FQorVersion;
    v.HdSerial = QorHead->FQorSerial;
    v.TheDay = QorHead->FProgrammedDate;
    v.RN = QorHead->FRestartCount;
    v.RS = QorHead->FMotoSeconds;
  }
  const IniHeadGeometry &head = FIniSettings.Head;
  v.RatioHor = head.RatioHor;
  v.RatioHorTurns = head.RatioHorTurns;
  v.RatioVer = head.RatioVer;
  v.RatioVerTurns = head.RatioVerTurns;
  v.HorizonCorrection = head.HorizonCorrection;
  v.FrameTilt = head.FrameTilt;
  v.Nonorthogonality = head.Nonorthogonality;
  v.StripHeel = head.StripHeel;
  v.ScanArcH = head.ScanArcH;
  v.ScanArcV = head.ScanArcV;
  v.ColumnPriority = FIniSettings.ColumnPriority;
  v.LeftToRight = FIniSettings.LeftToRight;
  v.TopToBottom = FIniSettings.TopToBottom;
  const IoResult written = WritePanoParameterFile(fileName, v);
  if (!written) {
    if (logger)
      logger->AppendLine(written.message);
    FDialogs->ShowError(this, written.message);
  }
}

void TCalidarix::ProcessPanFolder(const QString &folder, bool allOrders) {
  if (RefusedWhileBusy(QStringLiteral("Stitching")))
    return;
  WindowStitchProgress progress;
  FPanorama.PanoFov = std::make_unique<TFOV>();
  TFOV &fov = *FPanorama.PanoFov;
  fov.FProgress = &progress;
  fov.FLog = [](const QString &text) {
    if (logger)
      logger->AppendLine(text);
  };
  if (logger)
    logger->FUserLog = ServiceMode;
  fov.FLogging = ServiceMode;
  const QString base = WithoutFinalSeparator(folder);

  if (allOrders) {
    const auto checked = [this](const char *name) {
      const auto *action = findChild<QAction *>(QString::fromLatin1(name));
      return action && action->isChecked();
    };
    for (int order = 0; order < 8; ++order) {
      fov.FApplyOrderSwitches = true;
      fov.FColumnPriority = (order & 1) != 0;
      fov.FLeftToRight = (order & 2) != 0;
      fov.FTopToBottom = (order & 4) != 0;
      fov.FNameSuffix = OrderText(order);
      if (checked("AllOrdersStitch")) {
        TBusyJob busy(*this, QStringLiteral("stitching"));
        FPanorama.FLastResult = fov.ProcessPanoFolder(folder, 9999, false);
      }
      fov.FFrames.clear();
      fov.FProcessedCount = 0;
      const QString name = base + OrderText(order) + QStringLiteral(".dtv");
      if (checked("AllOrdersProject")) {
        CurrentDTV->FFileName = name;
        ChangeDTV(true);
        FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
        const QImage snapshot = BuildSnapshot();
        const QString picture = base + OrderText(order) + QStringLiteral(".bmp");
        if (!snapshot.isNull()) {
          if (const IoResult saved = WriteBmp(snapshot, picture); !saved)
            ShowViewNotice(saved.message, picture);
        }
      }
    }
    fov.FNameSuffix.clear();
    fov.FApplyOrderSwitches = false;
    return;
  }

  fov.FStitchRequested = true;
  fov.FCamPosLimits = QorCtrl ? QorCtrl->FCamPosLimits : TRect{-180, -90, 180, 90};
  const auto *blending = findChild<QAction *>(QStringLiteral("Blending1"));
  fov.FMergeMode = blending && blending->isChecked() ? 2 : 0;
  const double k = kPanoK;
  if (ServiceMode && QorCtrl) {
    fov.FBlending = QorCtrl->FBlending;
    fov.FPointHitCounting = QorCtrl->FPointHitCounting;
    fov.FDrawFrameBorders = QorCtrl->FDrawFrameBorders;
    fov.FDrawFramesByLevels = QorCtrl->FDrawFramesByLevels;
    if (FHeadState.RestitchPending) {
      fov.FKeepGeometry = !QorCtrl->FFromSettings;
      fov.FHorArc = QorCtrl->FHorArc;
      fov.FVerArc = QorCtrl->FVerArc;
      fov.FHorizonCorrection = QorCtrl->FHorizonCorrection;
      fov.SetFrameTilt(QorCtrl->FTilt / k);
      fov.SetNonorthogonality(QorCtrl->FNonOrthogonality / k);
      fov.FLineYaw = QorCtrl->FLineYaw / k;
      fov.FLineHeel = QorCtrl->FLineHeel / k;
      fov.FDecodeDualScans = QorCtrl->FDecodeDualScans;
      fov.FFrameCuts = QorCtrl->FFrameCuts;
      fov.FColumnPriority = QorCtrl->FColumnPriority;
      fov.FLeftToRight = QorCtrl->FLeftToRight;
      fov.FTopToBottom = QorCtrl->FTopToBottom;
    }
  } else {
    fov.FColumnPriority = FIniSettings.ColumnPriority;
    fov.FLeftToRight = FIniSettings.LeftToRight;
    fov.FTopToBottom = FIniSettings.TopToBottom;
  }

  {
    TBusyJob busy(*this, QStringLiteral("stitching"));
    FPanorama.FLastResult = fov.ProcessPanoFolder(folder, 9999, false);
  }
  FRegistrySettings.LastPanoPath = folder;

  if (ServiceMode && QorCtrl) {
    QorCtrl->FHorArc = static_cast<std::uint16_t>(std::clamp(fov.FHorArc, 0, 65535));
    QorCtrl->FVerArc = static_cast<std::uint16_t>(std::clamp(fov.FVerArc, 0, 65535));
    QorCtrl->FHorizonCorrection = fov.FHorizonCorrection;
    QorCtrl->FTilt =
        static_cast<std::int16_t>(std::clamp(RoundToInt32(k * fov.GetFrameTilt()), -32768, 32767));
    QorCtrl->FNonOrthogonality =
        static_cast<std::int16_t>(std::clamp(RoundToInt32(k * fov.GetNonorthogonality()), -32768, 32767));
    QorCtrl->FBlending = fov.FBlending;
    QorCtrl->FPointHitCounting = fov.FPointHitCounting;
    QorCtrl->FDrawFrameBorders = fov.FDrawFrameBorders;
    QorCtrl->FDrawFramesByLevels = fov.FDrawFramesByLevels;
    QorCtrl->RefreshTable();
  }
  fov.FBlending = false;
  fov.FPointHitCounting = false;
  fov.FreeArrays();
  fov.FProgress = nullptr;

  const TStitchResult &result = FPanorama.FLastResult;
  if (result.Written()) {
    CurrentDTV->FFileName = result.OutputFile;
    ChangeDTV(true);
    if (!result.Warnings.isEmpty())
      ShowViewNotice(QStringLiteral("Stitched with %1 frame(s) left out: %2")
                         .arg(result.Warnings.size())
                         .arg(result.Warnings.join(QStringLiteral("; "))));
  } else {
    // The image shown stays; the reason goes over it.
    const QString why = result.Outcome == TStitchOutcome::Cancelled
                            ? QStringLiteral("cancelled, nothing written")
                            : result.Message;
    ShowViewNotice(QStringLiteral("Stitching %1: %2").arg(DisplayPathText(base), why));
  }
  if (QorCtrl)
    QorCtrl->FFromSettings = false;
  FHeadState.RestitchPending = false;
}

} // namespace calidarix
