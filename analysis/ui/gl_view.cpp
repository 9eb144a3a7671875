// The 3-D view window: its components, actions and context menu, the animation timer, showing and
// closing, and full screen.

#include "analysis/ui/gl_view.h"

#include "analysis/view3d_shaders.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/paths.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace calidarix {

TGLview *GLview = nullptr;

TGLview::TGLview(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("GLview"));
  setWindowTitle(QStringLiteral("GLview"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(QFont(QStringLiteral("Tahoma"), 16));
  // The whole window is covered by the picture: no background to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  resize(640, 480);
  ColorShaderText = ColorShaderSource();
  PaletteShaderText = PaletteShaderSource();

  ShowMessage = [this](const QString &text) {
    auto *box = new QMessageBox(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  };
  ChooseFramesFolder = [this](const QString &start) {
    return QFileDialog::getExistingDirectory(this, QStringLiteral("Folder for saved frames"), start);
  };

  // The text panel docked left and the side panel docked right, both hidden: they lie over the picture.
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->hide();
  Memo1->viewport()->installEventFilter(this);
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setAutoFillBackground(true);
  auto *side = new QVBoxLayout(Panel1);
  for (auto [label, name] : {std::pair{&Label1, "Label1"}, {&Label2, "Label2"}, {&Label3, "Label3"}}) {
    *label = new QLabel(QString::fromLatin1(name), Panel1);
    (*label)->setObjectName(QString::fromLatin1(name));
    side->addWidget(*label);
  }
  side->addStretch(1);
  Panel1->hide();

  BuildActions();
  BuildPopupMenu();

  FAnimationTimer = new QTimer(this);
  FAnimationTimer->setObjectName(QStringLiteral("AnimationTimer"));
  FAnimationTimer->setTimerType(Qt::PreciseTimer);
  FAnimationTimer->setInterval(static_cast<int>(kAnimationTickMs));
  connect(FAnimationTimer, &QTimer::timeout, this, &TGLview::AnimationTimerTick);
}

TGLview::~TGLview() {
  FAnimationTimer->stop();
  ReleaseGL();
}

void TGLview::paintEvent(QPaintEvent *) {
  // A frame drawn by FormPaint is shown as it is; any other repaint (a size change, the timer's update)
  // draws a new one first.
  if (!FPictureFresh || FPicture.size() != size() * devicePixelRatio())
    RenderFrame();
  FPictureFresh = false;
  QPainter painter(this);
  if (FPicture.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(QPoint(0, 0), FPicture);
}

void TGLview::BuildActions() {
  FVertexLimitGroup = new QActionGroup(this);
  FBoxSideGroup = new QActionGroup(this);
  for (const TViewActionSpec &entry : ViewActions()) {
    auto *action = new QAction(QString::fromUtf8(entry.Caption), this);
    action->setObjectName(QString::fromLatin1(entry.Name));
    action->setProperty("Tag", entry.Tag);
    action->setProperty("Category", QString::fromLatin1(entry.Category));
    // Shortcuts are dispatched by the key handler in the list's order; the menu only shows them.
    if (entry.Shortcut != 0)
      action->setText(action->text() + QLatin1Char('\t') +
                      QKeySequence(entry.Shortcut).toString(QKeySequence::NativeText));
    const bool manualCheck = entry.Id == TViewAction::aTemperatureSample;
    action->setCheckable(entry.AutoCheck || manualCheck);
    action->setChecked(entry.CheckedAtStart);
    action->setEnabled(entry.EnabledAtStart);
    action->setVisible(entry.VisibleAtStart);
    if (entry.Group == 3)
      FVertexLimitGroup->addAction(action);
    else if (entry.Group == 4 && entry.AutoCheck)
      FBoxSideGroup->addAction(action);
    const TViewAction id = entry.Id;
    connect(action, &QAction::triggered, this, [this, id, manualCheck](bool) {
      if (manualCheck) // the handler decides the check mark itself
        Action(id)->setChecked(!Action(id)->isChecked());
      Execute(id);
    });
    FActions[static_cast<std::size_t>(entry.Id)] = action;
  }
}

void TGLview::BuildPopupMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  using A = TViewAction;
  auto add = [this](QMenu *menu, std::initializer_list<A> ids) {
    for (A id : ids)
      menu->addAction(Action(id));
  };
  add(PopupMenu1, {A::aGridOnly, A::aLighting});
  PopupMenu1->addSeparator();
  add(PopupMenu1, {A::aProcessPano, A::F11});
  PopupMenu1->addSeparator();
  add(PopupMenu1, {A::aCoordinateGrid});
  QMenu *animation = PopupMenu1->addMenu(QStringLiteral("Animation"));
  animation->setObjectName(QStringLiteral("Animation1"));
  add(animation, {A::aDynamic, A::aScalingDynamic});
  add(PopupMenu1, {A::aExit, A::aPrint, A::SaveEveryFrame});
  QMenu *projection = PopupMenu1->addMenu(QStringLiteral("Projection"));
  projection->setObjectName(QStringLiteral("Projection1"));
  add(projection, {A::apEquidistant, A::apPolar, A::apSphere, A::apBox, A::apBoxCylinder, A::apCylinder});
  projection->addSeparator();
  add(projection, {A::RadialLevel, A::BiasProjection});
  QMenu *service = PopupMenu1->addMenu(QStringLiteral("Service Switches"));
  service->setObjectName(QStringLiteral("ServiceSwitches1"));
  QMenu *limits = service->addMenu(QStringLiteral("VertexNumberLimits"));
  limits->setObjectName(QStringLiteral("VertexNumberLimits1"));
  add(limits, {A::a128k, A::a256k, A::a512k, A::a1M, A::a2M, A::a4M, A::a8M});
  QMenu *sides = service->addMenu(QStringLiteral("Box Side Texture"));
  sides->setObjectName(QStringLiteral("BoxSideTexture1"));
  add(sides, {A::a512, A::a1024, A::a2048, A::a4096});
  add(service, {A::aShaderForGLSL11, A::aUseShader, A::aColour, A::aSmoothShade, A::aTransparency,
                A::aBlending, A::aShowStatus});
}

void TGLview::AnimationTimerTick() {
  if (!isVisible())
    return;
  const int due = DueAnimationTicks(FAnimationClock.elapsed(), FTicksApplied);
  const TAnimationSwitches switches{Checked(TViewAction::aFlyMode), Checked(TViewAction::aDynamic),
                                    Checked(TViewAction::aScalingDynamic)};
  bool paint = false;
  for (int i = 0; i < due; ++i)
    paint = AnimationTick(State, switches) || paint;
  if (paint)
    update();
}

void TGLview::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!State.TimerStarted) {
    // The first show places the window over the middle of the main window.
    if (Calidarix)
      move(Calidarix->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    FAnimationClock.start();
    FTicksApplied = 0;
    FAnimationTimer->start();
    State.TimerStarted = true;
  }
  // The colour shader starts off at every show; F9 switches it on.
  Action(TViewAction::aUseShader)->setChecked(false);
  Refresh();
}

void TGLview::closeEvent(QCloseEvent *event) {
  if (isFullScreen() || isMaximized())
    showNormal();
  resize(640, 480);
  QWidget::closeEvent(event);
}

void TGLview::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  // The window's maximise command means full screen: the whole screen, no border.
  if (event->type() == QEvent::WindowStateChange && isMaximized() && !isFullScreen())
    QTimer::singleShot(0, this, [this] {
      if (isMaximized() && !isFullScreen())
        showFullScreen();
    });
}

void TGLview::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  Memo1->setGeometry(0, 0, 225, height());
  const int sideWidth = 160;
  Panel1->setGeometry(width() - sideWidth, 0, sideWidth, height());
}

bool TGLview::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    Memo1Click();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TGLview::LeaveFullScreen(int height) {
  showNormal();
  resize(640, height);
}

void TGLview::F11Execute() {
  if (isFullScreen() || isMaximized())
    LeaveFullScreen(360);
  else
    showFullScreen();
}

void TGLview::SaveEveryFrameExecute() {
  State.SaveEveryFrameOn = !State.SaveEveryFrameOn;
  if (!State.SaveEveryFrameOn)
    return;
  const auto drive = DriveFolder('D');
  State.SaveFramesFolder = drive ? QString::fromStdString(drive->string()) : QString();
  const QString chosen = ChooseFramesFolder ? ChooseFramesFolder(State.SaveFramesFolder) : QString();
  if (!chosen.isEmpty())
    State.SaveFramesFolder = chosen;
}

void TGLview::print1Click() {
  Memo1->show();
  Memo1->clear();
  Memo1->setPlainText(FDriverInfo);
}

void TGLview::Memo1Click() {
  Memo1->hide();
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::FramelessWindowHint, true);
  if (wasVisible)
    show();
  Panel1->hide();
  update();
}

} // namespace calidarix
