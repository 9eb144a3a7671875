#include "mainwindow/ui/info_form.h"

#include "mainwindow/ui/desktop_integration.h"
#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/sound_wait.h"
#include "mainwindow/ui/widget_names.h"
#include "mainwindow/voice_comment.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace calidarix {

TInfoForm *InfoForm = nullptr;

namespace {

// A device that records nothing more after this long past the five seconds is given up on.
constexpr qint64 kRecordingMarginMs = 3000;

} // namespace

TInfoForm::TInfoForm(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("InfoForm"));
  setWindowTitle(QStringLiteral("Information"));
  setFont(QFont(QStringLiteral("DejaVu Sans")));
  auto *column = new QVBoxLayout(this);
  InfoEdit = Named(new QLineEdit(this), "InfoEdit");
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setBold(true);
  InfoEdit->setFont(mono);
  InfoEdit->setMinimumWidth(InfoEdit->fontMetrics().horizontalAdvance(QString(40, QLatin1Char('M'))));
  column->addWidget(InfoEdit);

  auto *row = new QHBoxLayout;
  KeyboardBtn = Named(new QPushButton(QStringLiteral("Keyboard"), this), "KeyboardBtn");
  SoundBtn = Named(new QPushButton(QStringLiteral("Sound"), this), "SoundBtn");
  SoundProgress = Named(new QProgressBar(this), "SoundProgress");
  SoundProgress->setRange(0, 100);
  SoundProgress->setTextVisible(false);
  CancelBtn = Named(new QPushButton(QStringLiteral("Cancel [Esc]"), this), "CancelBtn");
  OkBtn = Named(new QPushButton(QStringLiteral("Ok [Enter]"), this), "OkBtn");
  for (QPushButton *button : {KeyboardBtn, SoundBtn, CancelBtn, OkBtn})
    button->setAutoDefault(false);
  row->addWidget(KeyboardBtn);
  row->addWidget(SoundBtn);
  row->addWidget(SoundProgress, 1);
  row->addStretch(0);
  row->addWidget(CancelBtn);
  row->addWidget(OkBtn);
  column->addLayout(row);

  SoundTimer = Named(new QTimer(this), "SoundTimer");
  SoundTimer->setInterval(200);
  connect(SoundTimer, &QTimer::timeout, this, &TInfoForm::SoundTimerTimer);

  EscAct = Named(new QAction(this), "EscAct");
  EscAct->setShortcut(Qt::Key_Escape);
  connect(EscAct, &QAction::triggered, this, &QDialog::reject);
  EnterAct = Named(new QAction(this), "EnterAct");
  EnterAct->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  connect(EnterAct, &QAction::triggered, this, &QDialog::accept);
  SoundAct = Named(new QAction(this), "SoundAct");
  SoundAct->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Space));
  connect(SoundAct, &QAction::triggered, this, &TInfoForm::SoundActExecute);
  addActions({EscAct, EnterAct, SoundAct});

  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(SoundBtn, &QPushButton::clicked, this, &TInfoForm::SoundActExecute);
  connect(KeyboardBtn, &QPushButton::clicked, this, &TInfoForm::KeyboardBtnClick);
}

TInfoForm::~TInfoForm() {
  if (InfoForm == this)
    InfoForm = nullptr;
}

void TInfoForm::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  FormShow();
}

void TInfoForm::FormShow() {
  SoundProgress->hide();
  FRecorded = false;
  InfoEdit->setFocus();
}

SoundDevice &TInfoForm::Device() {
  return FDevice ? *FDevice : ProgramSoundDevice();
}

void TInfoForm::ShowError(const QString &text) {
  if (FDialogs)
    FDialogs->ShowError(this, text);
  else
    QMessageBox::critical(this, windowTitle(), text);
}

void TInfoForm::SoundActExecute() {
  if (FPlaying || FRecording)
    return;
  FRecording = true;
  const WaveFormat format = VoiceCommentFormat();
  VoiceRecording recording(Device(), format, SoundBytes(format, kVoiceCommentMs));
  const auto idle = [this] {
    SoundTimer->stop();
    SoundBtn->setEnabled(true);
    FRecording = false;
  };
  QString error;
  if (!recording.Start(error)) {
    idle();
    ShowError(QStringLiteral("MCI open error\n") + error);
    return;
  }
  FSoundTicks = 0;
  SoundProgress->setValue(0);
  SoundProgress->show();
  SoundBtn->setEnabled(false);
  SoundTimer->start();
  QElapsedTimer clock;
  clock.start();
  // Until five seconds of sound are in, the device gives up, or the dialog is closed.
  while (!recording.Complete() && isVisible() && clock.elapsed() < kVoiceCommentMs + kRecordingMarginMs)
    RunEventsFor(20);
  if (!isVisible()) {
    idle(); // closed while recording: the recording is dropped
    return;
  }
  const IoResult saved = recording.Finish(VoiceCommentFileName());
  idle();
  if (!saved) {
    ShowError(QStringLiteral("MCI save error\n") + saved.message);
    return;
  }
  SoundProgress->setValue(100);
  FRecorded = true;
}

void TInfoForm::SoundTimerTimer() {
  ++FSoundTicks;
  SoundProgress->setValue(std::min(FSoundTicks * 4, 100));
}

void TInfoForm::KeyboardBtnClick() {
  if (Calidarix && Calidarix->OSKExec(true) == 0)
    ShowError(
        QStringLiteral("The on-screen keyboard \"%1\" could not be started.").arg(OnScreenKeyboardProgram()));
}

bool TInfoForm::PlayWaveFile(const QString &fileName) {
  if (FRecording || FPlaying || !QFileInfo::exists(fileName))
    return false;
  FPlaying = true;
  const QString error = PlayWaveFileAndWait(Device(), fileName, {});
  FPlaying = false;
  if (!error.isEmpty()) {
    ShowError(QStringLiteral("MCI play error\n") + error);
    return false;
  }
  return true;
}

} // namespace calidarix
