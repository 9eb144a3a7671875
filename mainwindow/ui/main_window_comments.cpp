// The comment under the image, edited in place; the comment dialog of the save with a comment; the
// sound button on the image, which plays the thermogram's spoken comment; and the on-screen keyboard.

#include "mainwindow/comment_field.h"
#include "mainwindow/ui/desktop_integration.h"
#include "mainwindow/ui/entry_focus.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/info_form.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/sound_wait.h"
#include "mainwindow/ui/widget_names.h"
#include "mainwindow/voice_comment.h"
#include "mainwindow/wave_recorder.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace calidarix {

namespace {} // namespace

void TCalidarix::BuildSoundButton() {
  PanelsState &p = FPanels;
  auto *face = Named(new QFrame(ImagePanel), "SoundBtn");
  face->setFrameShape(QFrame::Panel);
  face->setFrameShadow(QFrame::Raised);
  face->setAutoFillBackground(true);
  face->setFixedHeight(34);
  auto *column = new QVBoxLayout(face);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(1);
  p.SoundImage = Named(new QLabel(face), "SoundImage");
  p.SoundImage->setAlignment(Qt::AlignCenter);
  // Its picture is looked up in the icon theme when the button is first shown (ConnectComments): the
  // lookup reads the theme's index files, and most thermograms carry no spoken comment.
  p.SoundImage->setToolTip(QStringLiteral("Play the spoken comment"));
  p.SoundProgressBar = Named(new QProgressBar(face), "SoundProgressBar");
  p.SoundProgressBar->setRange(0, 100);
  p.SoundProgressBar->setTextVisible(false);
  p.SoundProgressBar->setFixedHeight(5);
  column->addWidget(p.SoundImage, 1);
  column->addWidget(p.SoundProgressBar);
  face->hide();
  SoundBtn = face;
  p.SoundTimer = Named(new QTimer(this), "SoundTimer");
  p.SoundTimer->setInterval(200);
}

void TCalidarix::ConnectComments() {
  PanelsState &p = FPanels;
  p.InfoEdit = Named(new QLineEdit(FileInfoPanel), "InfoEdit");
  p.InfoEdit->setFrame(false);
  p.InfoEdit->hide();
  auto *hook = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    PanelsState &s = FPanels;
    if (watched == s.InfoEdit) {
      if (event->type() != QEvent::KeyPress)
        return false;
      const int key = static_cast<QKeyEvent *>(event)->key();
      if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
        return false;
      InfoEditKeyDown(key);
      return true;
    }
    if (watched == SoundBtn && event->type() == QEvent::Show) {
      if (s.SoundImage->pixmap().isNull())
        s.SoundImage->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(20, 20));
      return false;
    }
    if (watched == FileInfoPanel && event->type() == QEvent::Resize) {
      FileInfoPanelResize();
      return false;
    }
    if (event->type() != QEvent::MouseButtonPress)
      return false;
    if (watched == s.SoundImage || watched == SoundBtn)
      SoundImageClick();
    else
      FileInfoLabelClick();
    return true;
  });
  for (QObject *watched : {static_cast<QObject *>(p.InfoEdit), static_cast<QObject *>(FileInfoPanel),
                           static_cast<QObject *>(FileInfoLabel), static_cast<QObject *>(p.SoundImage),
                           static_cast<QObject *>(SoundBtn)})
    hook->Watch(watched);
  connect(p.SoundTimer, &QTimer::timeout, this, &TCalidarix::SoundTimerTimer);
}

// ---- In-place editing ----

void TCalidarix::InfoEditExecute() {
  QLineEdit *edit = FPanels.InfoEdit;
  edit->setText(CurrentDTV ? CurrentDTV->CommentText() : QString());
  FileInfoPanelResize();
  edit->raise();
  edit->show();
  edit->setFocus();
  edit->selectAll();
}

void TCalidarix::InfoEditKeyDown(int key) {
  QLineEdit *edit = FPanels.InfoEdit;
  if (key == Qt::Key_Escape) {
    HideEntry(edit);
    return;
  }
  if (key != Qt::Key_Return && key != Qt::Key_Enter)
    return;
  // The label shows what the header now holds, cut to 64 characters, not what was typed.
  if (CurrentDTV)
    FileInfoLabel->setText(StoreComment(*CurrentDTV, edit->text()));
  HideEntry(edit);
}

void TCalidarix::FileInfoLabelClick() {
  // On a window as wide as the screen the line is the full-screen view's, not an editor.
  const QScreen *screen = this->screen();
  if (screen && width() >= screen->geometry().width())
    return;
  InfoEditExecute();
}

void TCalidarix::FileInfoPanelResize() {
  QLineEdit *edit = FPanels.InfoEdit;
  const QWidget *names = findChild<QLabel *>(QStringLiteral("Label18"));
  // From the comment's place to the file name's caption.
  const int right = names ? names->geometry().left() - 4 : FileInfoPanel->width();
  edit->setGeometry(FileInfoLabel->geometry().left(), FileInfoLabel->geometry().top(),
                    std::max(right - FileInfoLabel->geometry().left(), 16),
                    FileInfoLabel->geometry().height());
}

// ---- The comment dialog ----

bool TCalidarix::InfoFormExecute() {
  if (!InfoForm) {
    // Tests and tools that run the window without the program's other windows get one of their own.
    FPanels.OwnInfoForm = std::make_unique<TInfoForm>();
    InfoForm = static_cast<TInfoForm *>(FPanels.OwnInfoForm.get());
  }
  TInfoForm &form = *InfoForm;
  form.SetDialogs(FDialogs.get());
  // A recording left by a save that never happened belongs to no thermogram.
  QFile::remove(VoiceCommentFileName());
  form.InfoEdit->setText(CurrentDTV ? CurrentDTV->CommentText() : QString());
  const QPoint centre = ImagePanel->mapToGlobal(ImagePanel->rect().center());
  form.adjustSize();
  form.move(centre - QPoint(form.width() / 2, form.height() / 2));
  if (form.exec() != QDialog::Accepted) {
    // A cancelled comment takes its spoken part with it, so that the next save does not find it.
    QFile::remove(VoiceCommentFileName());
    return false;
  }
  const QString stored = CurrentDTV ? StoreComment(*CurrentDTV, form.InfoEdit->text()) : QString();
  FPanels.InfoEdit->setText(stored);
  FileInfoLabel->setText(stored);
  return true;
}

// ---- The sound button on the image ----

void TCalidarix::SoundImageClick() {
  PanelsState &p = FPanels;
  if (p.FSoundPlaying || (InfoForm && (InfoForm->FPlaying || InfoForm->FRecording)) || !CurrentDTV)
    return;
  const QString wave = VoiceNoteOf(CurrentDTV->FFileName);
  if (wave.isEmpty()) {
    NotAvailable(QStringLiteral("Spoken comment (no sound file beside the thermogram)"));
    return;
  }
  p.FSoundPlaying = true;
  SetBackground(SoundBtn, Qt::red);
  p.SoundProgressBar->setValue(0);
  p.SoundTimer->start();
  const QString error =
      PlayWaveFileAndWait(SoundOutput(), wave, [&p](int percent) { p.SoundProgressBar->setValue(percent); });
  p.SoundTimer->stop();
  SetBackground(SoundBtn, QApplication::palette().color(QPalette::Button));
  p.FSoundPlaying = false;
  if (!error.isEmpty())
    FDialogs->ShowError(this, QStringLiteral("MCI play error\n") + error);
}

void TCalidarix::SoundTimerTimer() {
  // The bar follows the sound itself (PlayWaveFileAndWait); the tick only repaints it.
  FPanels.SoundProgressBar->update();
}

SoundDevice &TCalidarix::SoundOutput() {
  return FPanels.Sound ? *FPanels.Sound : ProgramSoundDevice();
}

void TCalidarix::FixedFileSBClick() {
  // One recording at a time: a second would write the same file.
  if (FFixedFileRecording)
    return;
  auto recorder = std::make_shared<TWaveRecorder>(2048, 4, SoundOutput());
  recorder->FFormat = PcmFormat(1, 8000, 8);
  if (!recorder->Open() || !recorder->Start()) {
    ShowViewNotice(QStringLiteral("Recording: ") + recorder->FErrorText, recorder->FileName());
    return;
  }
  // The recording runs while the window goes on; closing the window stops it (the recorder goes with
  // the timer's slot) and the file is finished all the same.
  FFixedFileRecording = true;
  QTimer::singleShot(4500, this, [this, recorder] {
    recorder->Stop();
    FFixedFileRecording = false;
  });
}

// ---- On-screen keyboard ----

std::int64_t TCalidarix::OSKExec(bool start) {
  PanelsState &p = FPanels;
  if (!start) {
    // The keyboard keeps running; only the program lets go of it.
    p.OskProcess = 0;
    return 0;
  }
  p.OskProcess = p.StartDetached(OnScreenKeyboardProgram(), {});
  return p.OskProcess;
}

} // namespace calidarix
