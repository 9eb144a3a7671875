// The main window's head commands: finding the head and remembering its serial port, moving it to
// zero, the control form, the service tests, the Projection menu, the joystick jog, and the head step
// and re-stitch messages of the window procedure.

#include "acquisition/camera_state.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/head_menu_commands.h"
#include "head/ui/qor_ctrl.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace calidarix {

namespace {

constexpr int kUpDownTarget = 23040;
constexpr int kUpDownWaitMs = 45000;

bool LinkUp() {
  return QorHead && QorHead->FConnected;
}

} // namespace

void TCalidarix::ConnectHeadCommands() {
  const auto item = [this](const char *name) { return findChild<QAction *>(QString::fromLatin1(name)); };
  const auto on = [this, &item](const char *name, void (TCalidarix::*handler)()) {
    if (QAction *action = item(name))
      connect(action, &QAction::triggered, this, handler);
  };
  on("ScanforPanHead1", &TCalidarix::ScanforPanHead1Click);
  on("Point01", &TCalidarix::Point01Click);
  on("ChangeHeadPosition1", &TCalidarix::ChangeHeadPosition1Click);
  on("PanoramHeadControl1", &TCalidarix::AdjustDriverItemClick);

  // Service commands, in their places among the service menu's items.
  const auto service = [this](const char *name, const char *text, QAction *before) {
    auto *action = new QAction(QString::fromLatin1(text), ServiceFunctions);
    action->setObjectName(QString::fromLatin1(name));
    ServiceFunctions->insertAction(before, action);
    return action;
  };
  const QList<QAction *> existing = ServiceFunctions->actions();
  const qsizetype removeAt = existing.indexOf(RemoveQorReg);
  QAction *afterRemove = removeAt >= 0 && removeAt + 1 < existing.size() ? existing[removeAt + 1] : nullptr;
  service("AdjustDriverItem", "Adjust Qor Driver", RemoveQorReg);
  service("MoveHeadUpDn", "MoveHeadUpDn", afterRemove);
  service("tabTan21", "tab Tan2", afterRemove)->setVisible(false);
  service("SetAutoAspect", "Set Auto Aspect", nullptr);
  ServiceFunctions->addSeparator();
  service("UnrollSphere1", "Unroll Sphere", nullptr);
  service("ProjectStrip1", "Project Strip", nullptr);
  service("ProjectFrame1", "ProjectFrame", nullptr);
  on("AdjustDriverItem", &TCalidarix::AdjustDriverItemClick);
  on("MoveHeadUpDn", &TCalidarix::MoveHeadUpDnClick);
  on("tabTan21", &TCalidarix::tabTan21Click);
  on("SetAutoAspect", &TCalidarix::SetAutoAspectClick);
  on("ProjectFrame1", &TCalidarix::ProjectFrame1Click);

  // The Projection menu: each item carries its projection kind as its Tag; one is checked.
  auto *projections = new QActionGroup(this);
  const std::pair<const char *, int> kinds[] = {
      {"Sphere1", 0},      {"Cylinder1", 1}, {"Transversal1", 2},   {"Mercator1", 3},     {"Plane1", 4},
      {"PolarLimited", 5}, {"PolarFull", 6}, {"UnrollSphere1", 21}, {"ProjectStrip1", 22}};
  for (auto [name, tag] : kinds) {
    QAction *action = item(name);
    if (!action)
      continue;
    action->setProperty("Tag", tag);
    action->setCheckable(true);
    projections->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { ChangeProjection(action); });
  }
  if (QAction *sphere = item("Sphere1"))
    sphere->setChecked(true);
  auto *directions = new QActionGroup(this);
  for (const char *name : {"FrontPlaneSwitch", "RightPlaneSwitch", "RearPlaneSwitch", "LeftPlaneSwitch"}) {
    QAction *action = item(name);
    if (!action)
      continue;
    action->setProperty("Tag", kProjectionPlane);
    action->setCheckable(true);
    directions->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { ChangeProjection(action); });
  }
  if (QAction *front = item("FrontPlaneSwitch"))
    front->setChecked(true);
  if (auto *options = findChild<QMenu *>(QStringLiteral("FlatProjectionOptions")))
    options->setEnabled(false);

  ConnectPanoramaCommands();

  // Closing the program ends the loops that wait for the head.
  connect(this, &TCalidarix::Closed, this, [this] {
    FHeadState.UpDownTestRunning = false;
    ReportLoopStopped = true;
    if (QorHead)
      QorHead->Cancel();
  });
}

void TCalidarix::SetHeadMenuItems() {
  for (const char *name : {"PanByFrames", "PanByStrips", "Strip1", "PanoramHeadControl1"})
    if (auto *action = findChild<QAction *>(QString::fromLatin1(name)))
      action->setEnabled(HeadConnected);
  if (auto *action = findChild<QAction *>(QStringLiteral("ScanforPanHead1")))
    action->setEnabled(!HeadConnected);
}

void TCalidarix::HeadNotice(const QString &text) {
  if (logger)
    logger->AppendLine(text);
  FStatusNotice = text;
  if (ImagePB)
    ImagePB->update();
}

void TCalidarix::ScanforPanHead1Click() {
  HeadLink &head = *FServices.head;
  head.SetScanPorts(true);
  Note(head.InitLink(), "Head link");
  HeadConnected = head.Connected();
  if (HeadConnected) {
    const QString key = QStringLiteral("\\dtvimage\\Qor");
    const int port = head.ComPort();
    if (FServices.registry->OpenKey(key) &&
        FServices.registry->ReadInteger(key, QStringLiteral("HeadCom")) != std::optional<std::int64_t>(port))
      FServices.registry->WriteInteger(key, QStringLiteral("HeadCom"), port);
  }
  head.SetScanPorts(false);
  SetHeadMenuItems();
  if (!HeadConnected)
    HeadNotice(QStringLiteral("Search for Pan Head: no head answered"));
}

void TCalidarix::Point01Click() {
  if (!LinkUp())
    return HeadNotice(QStringLiteral("Move to >0< position: no head connected"));
  QorHead->TrackTo(0, 0);
}

void TCalidarix::ChangeHeadPosition1Click() {
  CenterCross = true;
  if (QorHead)
    QorHead->SetTrackingMode(3);
  ImagePBPaint(this);
}

void TCalidarix::AdjustDriverItemClick() {
  if (!QorCtrl)
    return;
  const IniHeadGeometry &head = FIniSettings.Head;
  // Until a panorama has been stitched the form starts from the program's settings.
  if (QorCtrl->FFromSettings || FRegistrySettings.LastPanoPath.isEmpty()) {
    QorCtrl->FHorArc = head.ScanArcH;
    QorCtrl->FVerArc = head.ScanArcV;
    QorCtrl->FHorizonCorrection = head.HorizonCorrection;
    QorCtrl->FTilt = static_cast<std::int16_t>(std::clamp(head.FrameTilt, -32768, 32767));
    QorCtrl->FNonOrthogonality = static_cast<std::int16_t>(std::clamp(head.Nonorthogonality, -32768, 32767));
  }
  QorCtrl->FRatioVer = head.RatioVer;
  QorCtrl->FRatioVerTurns = head.RatioVerTurns;
  QorCtrl->FNotifyWnd = static_cast<WindowHandle>(FPublishedHandle);
  QorCtrl->FColumnPriority = FIniSettings.ColumnPriority;
  QorCtrl->FLeftToRight = FIniSettings.LeftToRight;
  QorCtrl->FTopToBottom = FIniSettings.TopToBottom;
  QorCtrl->RefreshTable();
  QorCtrl->show();
  QorCtrl->raise();
}

void TCalidarix::MoveHeadUpDnClick() {
  // The test has no end of its own: choosing it again (or closing the program) ends it.
  if (FHeadState.UpDownTestRunning) {
    FHeadState.UpDownTestRunning = false;
    if (QorHead)
      QorHead->Cancel();
    return;
  }
  if (!HeadConnected || !LinkUp())
    return HeadNotice(QStringLiteral("MoveHeadUpDn: no head connected"));
  FHeadState.UpDownTestRunning = true;
  QorHead->SendVerTarget(0);
  while (FHeadState.UpDownTestRunning && LinkUp()) {
    QorHead->TrackTo(kUpDownTarget, kUpDownTarget);
    QorHead->WaitDone(kUpDownWaitMs);
    if (!FHeadState.UpDownTestRunning || !LinkUp())
      break;
    QorHead->TrackTo(-kUpDownTarget, -kUpDownTarget);
    QorHead->WaitDone(kUpDownWaitMs);
  }
  FHeadState.UpDownTestRunning = false;
}

void TCalidarix::tabTan21Click() {
  if (!logger)
    return;
  logger->FUserLog = true;
  logger->AppendLine(QStringLiteral("tabbin tan & tan2"));
  for (const QString &line : TanTableLines())
    logger->AppendLine(line);
}

void TCalidarix::tr1Click() {
  if (QorHead)
    QorHead->SendCommand(QorCmdTrackVer(5), true);
}

void TCalidarix::ChangeProjection(QAction *item) {
  if (!CurrentDTV || !item)
    return;
  TDTV &dtv = *CurrentDTV;
  const int tag = item->property("Tag").toInt();
  const auto direction = [this]() -> std::uint16_t {
    const std::pair<const char *, std::uint16_t> switches[] = {{"FrontPlaneSwitch", kPlaneFront},
                                                               {"RightPlaneSwitch", kPlaneRight},
                                                               {"RearPlaneSwitch", kPlaneRear},
                                                               {"LeftPlaneSwitch", kPlaneLeft}};
    for (auto [name, value] : switches)
      if (auto *action = findChild<QAction *>(QString::fromLatin1(name)); action && action->isChecked())
        return value;
    return kPlaneFront;
  };
  auto *options = findChild<QMenu *>(QStringLiteral("FlatProjectionOptions"));
  if (dtv.FProjection != tag) {
    dtv.FProjection = tag;
    if (tag == kProjectionPlane)
      dtv.FPlaneDirection = direction();
    if (options)
      options->setEnabled(tag == kProjectionPlane);
  } else if (tag == kProjectionPlane) {
    dtv.FPlaneDirection = direction();
  } else {
    return;
  }
  ChangeDTV(true);
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
}

void TCalidarix::SetAutoAspectClick() {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  const std::optional<AutoAspect> a = AutoAspectFor(dtv.Width(), dtv.Height());
  if (!a)
    return HeadNotice(QStringLiteral("Set Auto Aspect: a picture this tall has no vertical extent"));
  dtv.FHeader.HorzExtent = a->horzExtent;
  dtv.FHeader.VertExtent = a->vertExtent;
  dtv.FHeader.Elevation = a->elevation;
  dtv.FHeader.Version = 3;
  dtv.SetAspect(a->aspect);
  ChangeDTV(false);
}

void TCalidarix::ProjectFrame1Click() {
  if (!CurrentDTV)
    return;
  CurrentDTV->ProjectFrame(40.0, 35.0, 17.5);
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ChangeDTV(false);
}

void TCalidarix::JoyMove(std::uint32_t buttons, int x, int y) {
  FHeadState.FJoyX = x;
  FHeadState.FJoyY = y;
  FHeadState.FJoyButtons = buttons;
  ImagePBPaint(this);
  FHeadState.FJoyShown = true;
  if (ImagePB)
    ImagePB->update();
  const JoyJogStep step = JoyJog(FHeadState.FJoyJogBits, x, y);
  // The jog is followed whether or not a head is there; commands go only to a linked head.
  if (HeadConnected && LinkUp()) {
    if (step.action == JoyJogStep::Action::Stop)
      QorHead->StopHead();
    else if (step.action == JoyJogStep::Action::Jog)
      QorHead->SendCommand(step.command, true);
  }
  FHeadState.FJoyJogBits = step.bits;
}

void TCalidarix::DrawJoystickPosition(QPainter &painter) {
  if (!FHeadState.FJoyShown)
    return;
  painter.save();
  painter.setPen(Qt::white);
  const int ascent = painter.fontMetrics().ascent();
  painter.drawText(0, ascent, QStringLiteral("X: %1 Y: %2").arg(FHeadState.FJoyX).arg(FHeadState.FJoyY));
  painter.drawText(
      0, 20 + ascent,
      QStringLiteral("1: %1 2: %2").arg(FHeadState.FJoyButtons & 1).arg(FHeadState.FJoyButtons & 2));
  painter.restore();
}

void TCalidarix::JoyButtonDown(std::uint32_t changed, std::uint32_t buttons) {
  if (logger)
    logger->AppendLine(QStringLiteral("Joystick button down %1 buttons %2").arg(changed).arg(buttons));
  // Buttons newly pressed count, so that holding one while pressing the other does not repeat it.
  if ((changed & 1) != 0) {
    const auto *thumbnails = findChild<QWidget *>(QStringLiteral("MultyDG"));
    if (!thumbnails || !thumbnails->isVisible())
      SaveSBClick();
  }
  if ((changed & 2) != 0 && !ScanRequests.StripScanning.Get())
    Strip1Click();
}

void TCalidarix::JoyButtonUp(std::uint32_t changed, std::uint32_t buttons) {
  if (logger)
    logger->AppendLine(QStringLiteral("Joystick button up %1 buttons %2").arg(changed).arg(buttons));
}

void TCalidarix::HeadStepMessage(const Message &message) {
  if (!HeadConnected || !ScanRequests.StripScanning.Get() || !LinkUp())
    return;
  // The acquisition thread advances the shared step between frames, and a step message may come before
  // anyone copied it here: take the later of the two, and give the thread the step set here.
  FHeadState.StripStep = std::max(FHeadState.StripStep, ScanRequests.StripStep.Get());
  // The message names the step of the frame it came with (0: not named). A short frame may be over
  // before the message is taken, and its sweep must still start.
  const auto frameStep =
      message.WParam > 0 ? static_cast<std::uint8_t>(message.WParam) : FHeadState.StripStep;
  switch (frameStep) {
  case 2:
    QorHead->PurgeInput();
    QorHead->SendCommand(
        StripSweepCommand(QorHead->FQorType, FHeadState.HalfSpeedStrip, FIniSettings.Head.StripDown), true);
    break;
  case 3:
    FHeadState.StripStep = std::max<std::uint8_t>(FHeadState.StripStep, 4);
    break;
  case 5:
    FHeadState.StripStep = std::max<std::uint8_t>(FHeadState.StripStep, 6);
    break;
  default:
    break;
  }
  ScanRequests.StripStep.Set(FHeadState.StripStep);
}

void TCalidarix::RestitchMessage() {
  ReStitchBtnClick();
}

} // namespace calidarix
