// The main window's window procedure. Messages posted or sent to the window's published handle arrive
// in WndProc; the Qt events that stand for the system's messages (wheel, move, resize, the mouse on the
// image panel, keys) call the same handlers. WndProc tests the message number in a fixed order and
// hands every message to DefaultWindowProc at the end, which dispatches the two message methods
// (WM_SYSCOMMAND and WM_TRAYICON).

#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "platform/scancodes.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>
#include <cstdlib>
#include <map>

namespace calidarix {

namespace {

// The framework's notifications that the mouse entered or left a child control (lParam: the control).
constexpr MessageId CM_MOUSEENTER = 0xB013;
constexpr MessageId CM_MOUSELEAVE = 0xB014;
// Mouse buttons in the key state of a wheel message, besides MK_SHIFT and MK_CONTROL.
constexpr std::uint32_t MK_LBUTTON = 0x0001;
constexpr std::uint32_t MK_RBUTTON = 0x0002;
constexpr std::uint32_t MK_MBUTTON = 0x0010;
constexpr std::uint32_t MK_XBUTTON1 = 0x0020;
constexpr std::uint32_t MK_XBUTTON2 = 0x0040;
// System commands the framework's handler carries out.
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr ScanCode kScanSpace = 57;

std::uint16_t LowWord(std::uintptr_t value) {
  return static_cast<std::uint16_t>(value & 0xFFFF);
}
std::uint16_t HighWord(std::uintptr_t value) {
  return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}

// What remains of the framework's window procedure: the message methods and the system commands.
void DefaultWindowProc(TCalidarix &window, Message &message) {
  if (message.Msg == WM_SYSCOMMAND)
    window.WMSysCommand(message);
  else if (message.Msg == WM_TRAYICON)
    window.WMTrayIcon(message);
}

void SystemCommand(TCalidarix &window, WPARAM command) {
  switch (command & 0xFFF0) {
  case SC_MAXIMIZE:
    window.showMaximized();
    break;
  case SC_MINIMIZE:
    window.showMinimized();
    break;
  case SC_RESTORE:
    window.showNormal();
    break;
  case SC_CLOSE:
    window.close();
    break;
  default:
    break;
  }
}

// Gives a window the outer bounds (x, y, width, height), its frame included.
void PlaceWindow(QWidget *window, int x, int y, int width, int height) {
  if (!window)
    return;
  const QSize frame = window->frameGeometry().size() - window->size();
  window->move(x, y);
  window->resize(std::max(width - frame.width(), 1), std::max(height - frame.height(), 1));
}

std::uint32_t KeyState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  std::uint32_t state = 0;
  if (modifiers & Qt::ShiftModifier)
    state |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier)
    state |= MK_CONTROL;
  if (buttons & Qt::LeftButton)
    state |= MK_LBUTTON;
  if (buttons & Qt::RightButton)
    state |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton)
    state |= MK_MBUTTON;
  if (buttons & Qt::XButton1)
    state |= MK_XBUTTON1;
  if (buttons & Qt::XButton2)
    state |= MK_XBUTTON2;
  return state;
}

// The Qt events of the main window's children that stand for window messages: the mouse entering and
// leaving the image panel, a middle click that activates the window, and clicks on the big buttons.
class MessageTranslator : public QObject {
public:
  explicit MessageTranslator(TCalidarix &window) : QObject(&window), window_(window) {}

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched == window_.ImagePanel) {
      if (event->type() == QEvent::Enter)
        window_.ImagePanelMouseEnter();
      else if (event->type() == QEvent::Leave)
        window_.ImagePanelMouseLeave();
    }
    if (event->type() == QEvent::MouseButtonPress && watched == window_.ImagePB) {
      const auto *press = static_cast<QMouseEvent *>(event);
      if (press->button() == Qt::MiddleButton && !window_.isActiveWindow())
        window_.MouseActivate(WM_MBUTTONDOWN);
    }
    if (event->type() == QEvent::MouseButtonRelease) {
      const auto *release = static_cast<QMouseEvent *>(event);
      if (release->button() == Qt::LeftButton)
        if (const auto it = bigButtons_.find(watched); it != bigButtons_.end())
          (window_.*(it->second))();
    }
    return false;
  }

  void AddBigButton(QObject *panel, void (TCalidarix::*command)()) {
    if (!panel)
      return;
    bigButtons_[panel] = command;
    panel->installEventFilter(this);
  }

private:
  TCalidarix &window_;
  std::map<QObject *, void (TCalidarix::*)()> bigButtons_;
};

} // namespace

void TCalidarix::WndProc(Message &message) {
  const MessageId msg = message.Msg;
  if (msg == WM_DEVICECHANGE)
    DeviceChange(message.WParam);
  if (msg == WM_OPENLISTFILE) {
    // Its file name would come from a side list that never holds a selection: nothing to open.
  }
  if (msg == WM_HEADSTEP)
    HeadStepMessage(message);
  if (msg == WM_SCANLINE)
    ScanLineMessage(message);
  if (msg == WM_FRAMEDONE)
    FrameDoneMessage(message);
  if (msg == WM_RESTITCH)
    RestitchMessage();
  if (msg == WM_MOVE)
    DockCompanionWindows(true);
  if (msg == CM_MOUSELEAVE && message.LParam == reinterpret_cast<LPARAM>(ImagePanel))
    ImagePanelMouseLeave();
  if (msg == CM_MOUSEENTER && message.LParam == reinterpret_cast<LPARAM>(ImagePanel))
    ImagePanelMouseEnter();
  if (msg == WM_MOUSEWHEEL) {
    const std::uint32_t keyState = LowWord(message.WParam);
    const int delta = static_cast<std::int16_t>(HighWord(message.WParam));
    const QPoint at(static_cast<std::int16_t>(LowWord(static_cast<std::uintptr_t>(message.LParam))),
                    static_cast<std::int16_t>(HighWord(static_cast<std::uintptr_t>(message.LParam))));
    const bool zoom = keyState == MK_CONTROL || keyState == MK_SHIFT;
    if (zoom && std::abs(delta) != 120 && !FImagePainting) {
      // More than one notch at a time is not a zoom step: the framework has it unchanged.
      DefaultWindowProc(*this, message);
      return;
    }
    MouseWheel(keyState, delta, at);
  }
  if (msg == WM_SIZING && message.LParam != 0)
    WindowSizing(static_cast<int>(message.WParam), *reinterpret_cast<TRect *>(message.LParam));
  if (msg == WM_SIZE) {
    // The framework lays the controls out first; the steps below need their new sizes.
    DefaultWindowProc(*this, message);
    WindowSized();
  }
  if (msg == WM_MOUSEACTIVATE)
    MouseActivate(HighWord(static_cast<std::uintptr_t>(message.LParam)));
  if (msg == WM_SIBLINGOPEN) {
    SiblingOpenRequest();
    message.Result = 1;
  }
  if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) {
    if (((message.LParam >> 16) & 0xFF) == kScanSpace)
      FSpaceDown = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    KeyCommand(message);
  }
  if (msg == WM_MODULEFRAME)
    ModuleFrameMessage(message);
  DefaultWindowProc(*this, message);
}

void TCalidarix::WMSysCommand(Message &message) {
  // Only the maximise button's own command switches full screen; a caption double-click (0xF032)
  // maximises without it.
  if (message.WParam == SC_MAXIMIZE)
    ToggleFullScreen();
  SystemCommand(*this, message.WParam);
}

void TCalidarix::WMTrayIcon(Message &message) {
  if (message.LParam == WM_LBUTTONDOWN) {
    if (isVisible())
      Hide1Click();
    else
      Show1Click();
  } else if (message.LParam == WM_RBUTTONDOWN) {
    raise();
    activateWindow();
    const bool shown = isVisible();
    Hide1->setVisible(shown);
    Show1->setVisible(!shown);
    TrayPopupMenu->popup(QCursor::pos());
  }
}

void TCalidarix::ConnectTrayIcon() {
  if (!FTrayIcon)
    return;
  connect(FTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    Message message{WM_TRAYICON, 0, 0, 0};
    if (reason == QSystemTrayIcon::Trigger)
      message.LParam = WM_LBUTTONDOWN;
    else if (reason == QSystemTrayIcon::Context)
      message.LParam = WM_RBUTTONDOWN;
    else
      return;
    WndProc(message);
  });
}

void TCalidarix::Show1Click() {
  show();
}

void TCalidarix::Hide1Click() {
  hide();
}

void TCalidarix::Close1Click() {
  close();
}

void TCalidarix::ShowMinMax1Click() {
  if (auto *item = findChild<QAction *>(QStringLiteral("ShowMinMax1")))
    FIsShowMinMax = item->isChecked();
  ImagePBPaint(this);
}

void TCalidarix::DoubleMinMax1Click() {
  if (auto *item = findChild<QAction *>(QStringLiteral("DoubleMinMax1")))
    FIsDoubleMinMax = item->isChecked();
  ImagePBPaint(this);
}

void TCalidarix::DateTimeMode1Click() {
  if (auto *item = findChild<QAction *>(QStringLiteral("DateTimeMode1")))
    DateTimeMode = item->isChecked();
  ImagePBPaint(this);
}

void TCalidarix::DecodeDualScanClick() {
  if (!CurrentDTV)
    return;
  if (auto *item = findChild<QAction *>(QStringLiteral("DecodeDualScan")))
    CurrentDTV->FDecodeDualScan = item->isChecked();
  // The frame is read again, decoded or as it is stored.
  ChangeDTV(true);
}

void TCalidarix::DeviceChange(WPARAM event) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
    return;
  const bool arrival = event == DBT_DEVICEARRIVAL;
  if (logger) {
    logger->AppendLine(arrival ? QStringLiteral("New device detected") : QStringLiteral("Device is gone"));
    logger->AppendLine(QStringLiteral("Device change event 0x%1").arg(event, 4, 16, QLatin1Char('0')));
  }
  HeadLink &head = *FServices.head;
  if (arrival == head.Connected())
    return; // a connected head stays as it is; without one there is nothing gone
  // Only the serial port the head was found on before is tried again.
  if (arrival)
    head.SetScanPorts(false);
  Note(head.InitLink(), "Head link");
  HeadConnected = head.Connected();
  SetHeadMenuItems();
  // Changing the position needs a head of type 'A'.
  if (auto *item = findChild<QAction *>(QStringLiteral("ChangeHeadPosition1")))
    item->setEnabled(HeadConnected && head.HeadType() == 'A');
  if (!arrival && !HeadConnected)
    head.Close();
  if (logger && arrival)
    logger->AppendLine(QStringLiteral("Device added was QOR"));
  if (logger && !arrival && !HeadConnected)
    logger->AppendLine(QStringLiteral("Device gone was QOR"));
}

void TCalidarix::DockCompanionWindows(bool printFormToo) {
  const QRect bounds = frameGeometry();
  const int l = bounds.left();
  const int t = bounds.top();
  const int w = bounds.width();
  const int h = bounds.height();
  if (FGraphShown)
    PlaceWindow(GraphForm, l, t + h, w, FGraphHeight);
  if (FTimeGraphShown)
    PlaceWindow(TimeProfileForm, l + w, t, FTimeGraphWidth, h);
  if (FHistogramShown)
    PlaceWindow(HistogramForm, l + w, t + h, FTimeGraphWidth, FGraphHeight);
  if (printFormToo && FPrintFormShown && PrintForm)
    PlaceWindow(PrintForm, l, t + h, w, PrintForm->frameGeometry().height());
}

void TCalidarix::ImagePanelMouseEnter() {
  FMouseInImage = true;
}

void TCalidarix::ImagePanelMouseLeave() {
  for (QLabel *label : {XLabel, YLabel, TemperatureLabel, TemperatureLabelWhite})
    label->clear();
  // No colour of its own: the image shows through.
  TemperatureLabelWhite->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  if (PalCursorTemp >= 0.0)
    SetPaletteCursor(-1.0);
  FMouseInImage = false;
  // The live time profile of the point under the mouse goes with the mouse; the profile window
  // draws it once the graph windows exist.
  if (FTimeGraphShown && FMarkers.FCurrentArea.IsEmpty() && TimeProfileForm)
    TimeProfileForm->update();
}

void TCalidarix::MouseWheel(std::uint32_t keyState, int delta, QPoint screenPos) {
  if (FImagePainting || delta == 0 || RefusedWhileBusy(QStringLiteral("Wheel")))
    return;
  if (keyState == MK_CONTROL || keyState == MK_SHIFT) {
    if (std::abs(delta) != 120 || !CurrentDTV)
      return;
    TDTV &dtv = *CurrentDTV;
    const QPoint box = ImagePB->mapFromGlobal(screenPos);
    const double cx = box.x();
    const double cy = box.y();
    const double z0 = dtv.FZoom;
    const double pw = ImagePB->width();
    const double ph = ImagePB->height();
    const double wi = dtv.Width();
    const double hi = dtv.Height();
    const double a = dtv.FPixelAspect;
    // A frame that was never laid out has no zoom to scale from.
    if (!(z0 > 0.0 && std::isfinite(z0)) || !(a > 0.0 && std::isfinite(a)) || pw <= 0 || ph <= 0 || wi <= 0 ||
        hi <= 0)
      return;
    const bool wider = pw / ph > dtv.FAspect;
    const double fit = wider ? ph / hi / a : pw / wi;
    double z = delta > 0 ? z0 * 1.2 : z0 / 1.2;
    z = std::min(z, std::max(kMaxWheelZoom, fit));
    if (fit >= z) {
      // Never smaller than the fit: the image is centred in the box instead.
      z = fit;
      dtv.FViewOffsetX = wider ? (wi - pw / fit) / 2.0 : 0.0;
      dtv.FViewOffsetY = wider ? 0.0 : (hi - ph / fit / a) / 2.0;
      FZoomFitted = true;
    } else {
      // The image point under the mouse stays where it is.
      dtv.FViewOffsetX += cx / z0 - cx / z;
      dtv.FViewOffsetY += (cy / z0 - cy / z) / a;
      FZoomFitted = false;
    }
    dtv.FZoom = z;
    ImagePBPaint(this);
    return;
  }
  if (FServices.acquisition->ScanRunning() || FSpaceDown)
    return;
  StepFileInList(delta < 0);
}

void TCalidarix::WindowSizing(int edge, TRect &bounds) {
  FResized = true;
  if (bounds.Right - bounds.Left < 256) {
    if (edge == 1 || edge == 4 || edge == 7)
      bounds.Left = bounds.Right - 256;
    else if (edge == 2 || edge == 5 || edge == 8)
      bounds.Right = bounds.Left + 256;
  }
  if (bounds.Bottom - bounds.Top < 224) {
    if (edge == 3 || edge == 4 || edge == 5)
      bounds.Top = bounds.Bottom - 224;
    else if (edge == 6 || edge == 7 || edge == 8)
      bounds.Bottom = bounds.Top + 224;
  }
}

void TCalidarix::WindowSized() {
  FResized = true;
  // The system's task bar has no counterpart here; the desktop keeps its own panels.
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, FZoomFitted);
  FGridOffset = TPoint{0, 0};
  FGridStep = 32;
  DockCompanionWindows(false);
}

void TCalidarix::MouseActivate(MessageId mouseMessage) {
  if ((mouseMessage & 0xFF) != (WM_MBUTTONDOWN & 0xFF))
    return;
  if (isMaximized())
    showNormal();
  else
    showMaximized();
}

void TCalidarix::ModuleFrameMessage(const Message &message) {
  ModuleFrameArrived(message);
}

void TCalidarix::wheelEvent(QWheelEvent *event) {
  event->accept();
  // The glide a touchpad adds after the fingers have left it is not the user turning the wheel.
  if (event->phase() == Qt::ScrollMomentum || event->phase() == Qt::ScrollEnd) {
    FWheelNotches.Reset();
    return;
  }
  // A horizontal wheel, or a vertical one turned horizontal by a held modifier, counts the same.
  const QPoint angle = event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  const std::uint32_t keyState = KeyState(event->modifiers(), event->buttons());
  // Smooth wheels and touchpads report a notch in parts: each zoom step and each file wants a whole one.
  const int notches = FWheelNotches.Add(delta, keyState);
  for (int i = 0; i < std::abs(notches); ++i)
    MouseWheel(keyState, notches > 0 ? kWheelNotch : -kWheelNotch, event->globalPosition().toPoint());
}

void TCalidarix::moveEvent(QMoveEvent *event) {
  QMainWindow::moveEvent(event);
  DockCompanionWindows(true);
}

void TCalidarix::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  WindowSized();
}

void TCalidarix::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::MiddleButton && !isActiveWindow())
    MouseActivate(WM_MBUTTONDOWN);
  QMainWindow::mousePressEvent(event);
}

namespace {

// The key message of a key event: Alt without Ctrl makes it a system key message; lParam carries the
// scan code in bits 16..24 and, in bit 29, whether Alt was held.
Message KeyMessage(const QKeyEvent &event, MessageId plain, MessageId system) {
  const bool alt = event.modifiers().testFlag(Qt::AltModifier);
  const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
  LPARAM lParam = static_cast<LPARAM>(KeyScanCode(event)) << 16;
  if (alt)
    lParam |= LPARAM{1} << 29;
  return Message{alt && !ctrl ? system : plain, static_cast<WPARAM>(event.key()), lParam, 0};
}

} // namespace

void TCalidarix::keyPressEvent(QKeyEvent *event) {
  Message message = KeyMessage(*event, WM_KEYDOWN, WM_SYSKEYDOWN);
  WndProc(message);
  QMainWindow::keyPressEvent(event);
}

void TCalidarix::keyReleaseEvent(QKeyEvent *event) {
  // A held key repeats its key-down only; the release of each repeat is not the key let go.
  if (!event->isAutoRepeat()) {
    Message message = KeyMessage(*event, WM_KEYUP, WM_SYSKEYUP);
    WndProc(message);
  }
  QMainWindow::keyReleaseEvent(event);
}

void TCalidarix::ConnectFilesAndMessages() {
  auto *translator = new MessageTranslator(*this);
  ImagePanel->installEventFilter(translator);
  ImagePB->installEventFilter(translator);
  const std::pair<const char *, void (TCalidarix::*)()> bigButtons[] = {
      {"OpenPanel", &TCalidarix::OpenSBClick},
      {"OpenNamePanel", &TCalidarix::OpenSBClick},
      {"SavePanel", &TCalidarix::SavePanelClick},
      {"SaveNamePanel", &TCalidarix::SavePanelClick},
      {"SaveCommentPanel", &TCalidarix::SaveCommentPanelClick},
      {"SaveCommentNamePanel", &TCalidarix::SaveCommentPanelClick},
      {"PrevPanel", &TCalidarix::PrevPanelClick},
      {"PrevNamePanel", &TCalidarix::PrevPanelClick},
      {"NextPanel", &TCalidarix::NextPanelClick},
      {"NextNamePanel", &TCalidarix::NextPanelClick},
  };
  for (auto [name, command] : bigButtons)
    translator->AddBigButton(findChild<QObject *>(QString::fromLatin1(name)), command);
  // The tool bar's own surface and the big-button panel switch between the two on a double-click.
  auto *switcher = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() != QEvent::MouseButtonDblClick)
      return false;
    ToolPBDblClick();
    return true;
  });
  switcher->Watch(ToolPanel);
  switcher->Watch(BigButtonsPanel);

  const std::pair<const char *, void (TCalidarix::*)()> items[] = {
      {"New1", &TCalidarix::New1Click},
      {"Open1", &TCalidarix::OpenSBClick},
      {"Save1", &TCalidarix::SaveDTVAuto},
      {"SaveAs1", &TCalidarix::SaveCommentPanelClick},
      {"ShowMinMax1", &TCalidarix::ShowMinMax1Click},
      {"DoubleMinMax1", &TCalidarix::DoubleMinMax1Click},
      {"DateTimeMode1", &TCalidarix::DateTimeMode1Click},
      {"DecodeDualScan", &TCalidarix::DecodeDualScanClick},
  };
  for (auto [name, command] : items)
    if (auto *item = findChild<QAction *>(QString::fromLatin1(name)))
      connect(item, &QAction::triggered, this, command);
  for (auto [name, command] :
       {std::pair{"OpenSB", &TCalidarix::OpenSBClick}, std::pair{"SaveSB", &TCalidarix::SaveSBClick}})
    if (auto *button = findChild<QToolButton *>(QString::fromLatin1(name)))
      connect(button, &QToolButton::clicked, this, command);

  TrayPopupMenu = new QMenu(this);
  TrayPopupMenu->setObjectName(QStringLiteral("TrayPopupMenu"));
  Show1 = TrayPopupMenu->addAction(QStringLiteral("Show"));
  Show1->setObjectName(QStringLiteral("Show1"));
  Hide1 = TrayPopupMenu->addAction(QStringLiteral("Hide"));
  Hide1->setObjectName(QStringLiteral("Hide1"));
  Close1 = TrayPopupMenu->addAction(QStringLiteral("Exit"));
  Close1->setObjectName(QStringLiteral("Close1"));
  connect(Show1, &QAction::triggered, this, &TCalidarix::Show1Click);
  connect(Hide1, &QAction::triggered, this, &TCalidarix::Hide1Click);
  connect(Close1, &QAction::triggered, this, &TCalidarix::Close1Click);

  // The confirmation of an automatic save and the notice of a command that did nothing are drawn over the
  // picture until the view changes.
  ImagePB->OnPaint = [this, paint = ImagePB->OnPaint] {
    if (paint)
      paint();
    if (FSavedNotice.isEmpty() && FStatusNotice.isEmpty())
      return;
    QPainter painter(&ImagePB->Picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(12);
    font.setBold(true);
    painter.setFont(font);
    if (!FStatusNotice.isEmpty()) {
      // At the foot of the image, wrapped to its width: a reason is read whole or not at all.
      const QRect text(2, 2, std::max(ImagePB->width() - 8, 1), std::max(ImagePB->height() - 8, 1));
      const int flags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap;
      painter.setPen(Qt::black);
      painter.drawText(text.translated(2, 2), flags, FStatusNotice);
      painter.setPen(Qt::yellow);
      painter.drawText(text, flags, FStatusNotice);
    }
    if (FSavedNotice.isEmpty())
      return;
    const QString title = QStringLiteral("DTV FILE SAVED...");
    const int ascent = painter.fontMetrics().ascent();
    painter.setPen(Qt::black);
    painter.drawText(4, 4 + ascent, title);
    painter.drawText(4, 20 + ascent, FSavedNotice);
    painter.setPen(Qt::white);
    painter.drawText(2, 2 + ascent, title);
    painter.drawText(2, 18 + ascent, FSavedNotice);
  };
}

} // namespace calidarix
