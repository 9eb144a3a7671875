// Comments as the user meets them: editing the line under the image in place, the comment dialog of
// the save with a comment with its five-second spoken comment (on the fake sound device), the sound
// button that plays a thermogram's spoken comment, and the on-screen keyboard.

#include "mainwindow/fake_sound.h"
#include "mainwindow/ui/info_form.h"
#include "mainwindow/voice_comment.h"
#include "mainwindow/wave_recorder.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/support/key_events.h"

#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

namespace calidarix {
namespace {

using test::FileWindow;

void Press(QWidget *widget) {
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &down);
}

class Comments : public FileWindow {
protected:
  void SetUp() override {
    FileWindow::SetUp();
    auto fake = std::make_unique<FakeSoundDevice>();
    sound = fake.get();
    SetProgramSoundDevice(std::move(fake));
  }
  void TearDown() override {
    FileWindow::TearDown();
    SetProgramSoundDevice(nullptr);
  }
  // The comment dialog of the save with a comment, answered by `answer` once it shows.
  bool RunDialog(const std::function<void(TInfoForm &)> &answer) {
    QTimer::singleShot(0, [&] { answer(*InfoForm); });
    return window->InfoFormExecute();
  }
  // Opens a thermogram as the user does, through the open dialog.
  void Open(const QString &file) {
    dialogs->OpenAnswers.push_back({file});
    window->OpenSBClick();
    ASSERT_EQ(CurrentDTV->FFileName, file);
  }
  QString IrSound() const { return Path("IRSound.wav"); }

  FakeSoundDevice *sound = nullptr;
};

TEST_F(Comments, InPlaceEditingStoresAtMost64CharactersAndEscDrops) {
  TCalidarix &w = Start();
  Open(Thermogram("a.dtv", 1.0f));
  QLineEdit *edit = w.FPanels.InfoEdit;
  w.InfoEditExecute();
  EXPECT_TRUE(edit->isVisible());
  edit->setText(QString(70, QLatin1Char('z')));
  test::PressKey(edit, Qt::Key_Return);
  EXPECT_FALSE(edit->isVisible());
  EXPECT_EQ(CurrentDTV->CommentText(), QString(64, QLatin1Char('z')));
  EXPECT_EQ(CurrentDTV->FHeader.Comment[63], 'z'); // no zero byte after a full field
  EXPECT_EQ(w.FileInfoLabel->text(), QString(64, QLatin1Char('z')));

  w.InfoEditExecute();
  EXPECT_EQ(edit->text(), QString(64, QLatin1Char('z')));
  edit->setText("dropped");
  test::PressKey(edit, Qt::Key_Escape);
  EXPECT_FALSE(edit->isVisible());
  EXPECT_EQ(CurrentDTV->CommentText(), QString(64, QLatin1Char('z')));

  w.InfoEditExecute();
  edit->clear();
  test::PressKey(edit, Qt::Key_Enter);
  EXPECT_TRUE(CurrentDTV->CommentText().isEmpty());
  EXPECT_EQ(CurrentDTV->FHeader.Comment[0], '\0');
}

TEST_F(Comments, ClickOnTheCommentLineEditsOnlyInAWindowNarrowerThanTheScreen) {
  TCalidarix &w = Start();
  Press(w.FileInfoLabel);
  EXPECT_TRUE(w.FPanels.InfoEdit->isVisible());
  test::PressKey(w.FPanels.InfoEdit, Qt::Key_Escape);

  w.setGeometry(w.screen()->geometry());
  QApplication::processEvents();
  ASSERT_GE(w.width(), w.screen()->geometry().width());
  Press(w.FileInfoLabel);
  EXPECT_FALSE(w.FPanels.InfoEdit->isVisible());
}

TEST_F(Comments, DialogRecordsFiveSecondsAndOkStoresTheComment) {
  TCalidarix &w = Start();
  Open(Thermogram("a.dtv", 1.0f));
  test::WriteFile(IrSound().toStdString(), {1, 2, 3}); // left by a save that never happened
  const bool ok = RunDialog([&](TInfoForm &form) {
    EXPECT_FALSE(QFile::exists(IrSound()));
    EXPECT_FALSE(form.SoundProgress->isVisible());
    form.InfoEdit->setText(QString::fromUtf8("Щит 3, контакт"));
    form.SoundBtn->click();
    EXPECT_TRUE(form.FRecorded);
    EXPECT_FALSE(form.FRecording);
    EXPECT_TRUE(form.SoundBtn->isEnabled());
    form.OkBtn->click();
  });
  ASSERT_TRUE(ok);
  EXPECT_EQ(CurrentDTV->CommentText(), QString::fromUtf8("Щит 3, контакт"));
  EXPECT_EQ(w.FileInfoLabel->text(), QString::fromUtf8("Щит 3, контакт"));
  WaveSound recorded;
  ASSERT_TRUE(ReadWaveFile(IrSound(), recorded));
  EXPECT_EQ(recorded.Format, PcmFormat(1, 44100, 16));
  EXPECT_EQ(recorded.Data.size(), 441000u);
  EXPECT_EQ(recorded.Data[1000], FakeSoundDevice::PatternByte(1000));
}

TEST_F(Comments, TheHiddenFixedFileButtonRecordsFourAndAHalfSecondsWhileTheWindowGoesOn) {
  TCalidarix &w = Start();
  // A device that records in real time, so that the length of the recording shows when it stopped.
  FakeSoundDevice::Options realTime;
  realTime.Pace = 1.0;
  SetProgramSoundDevice(std::make_unique<FakeSoundDevice>(realTime));
  auto *button = w.findChild<QToolButton *>(QStringLiteral("FixedFileSB"));
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isHidden());
  button->click();
  ASSERT_TRUE(w.FFixedFileRecording);
  button->click(); // a second press while it records starts nothing
  QElapsedTimer clock;
  clock.start();
  while (w.FFixedFileRecording && clock.elapsed() < 15000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_FALSE(w.FFixedFileRecording);
  EXPECT_GE(clock.elapsed(), 4000);
  WaveSound recorded;
  ASSERT_TRUE(ReadWaveFile(RecorderFileName(), recorded));
  EXPECT_EQ(recorded.Format, PcmFormat(1, 8000, 8));
  // 4.5 s at 8000 bytes a second, in whole buffers of 2048 bytes; a loaded machine may stop late.
  EXPECT_GE(recorded.Data.size(), 8u * 2048u);
  EXPECT_LE(recorded.Data.size(), 8000u * 7u);
  EXPECT_EQ(recorded.Data.size() % 2048, 0u);
  EXPECT_EQ(recorded.Data[2047], FakeSoundDevice::PatternByte(2047));
}

TEST_F(Comments, CancelledDialogLeavesNoSpokenCommentAndNoChange) {
  Start();
  Open(Thermogram("a.dtv", 1.0f));
  CurrentDTV->SetCommentText("kept");
  const bool ok = RunDialog([](TInfoForm &form) {
    form.InfoEdit->setText("not stored");
    form.SoundBtn->click();
    EXPECT_TRUE(QFile::exists(VoiceCommentFileName()));
    form.CancelBtn->click();
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(CurrentDTV->CommentText(), "kept");
  EXPECT_FALSE(QFile::exists(IrSound()));
}

TEST_F(Comments, RecordingWithoutADeviceIsReportedAndTheDialogStaysUsable) {
  SetProgramSoundDevice(std::make_unique<NoSoundDevice>());
  Start();
  const bool ok = RunDialog([&](TInfoForm &form) {
    form.SoundBtn->click();
    EXPECT_FALSE(form.FRecording);
    EXPECT_TRUE(form.SoundBtn->isEnabled());
    form.OkBtn->click();
  });
  EXPECT_TRUE(ok);
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].startsWith("MCI open error")) << dialogs->Errors[0].toStdString();
  EXPECT_FALSE(QFile::exists(IrSound()));
}

TEST_F(Comments, SoundButtonPlaysTheThermogramsSpokenComment) {
  TCalidarix &w = Start();
  const QString file = Thermogram("spoken.dtv", 1.0f);
  std::vector<std::uint8_t> speech(8820);
  for (std::size_t i = 0; i < speech.size(); ++i)
    speech[i] = static_cast<std::uint8_t>(i * 3);
  ASSERT_TRUE(WriteWaveFile(Path("spoken.WAV"), PcmFormat(1, 44100, 16), speech));
  Open(file);
  EXPECT_TRUE(w.SoundBtn->isVisible());
  EXPECT_FALSE(w.FPanels.SoundImage->pixmap().isNull()) << "the button shows its picture";

  Press(w.FPanels.SoundImage);
  EXPECT_EQ(sound->PlayCount(), 1);
  EXPECT_EQ(sound->Played(), speech);
  EXPECT_EQ(sound->PlayedFormat().SamplesPerSec, 44100u);
  EXPECT_EQ(w.FPanels.SoundProgressBar->value(), 100);
  EXPECT_FALSE(w.FPanels.FSoundPlaying);
  EXPECT_TRUE(dialogs->Errors.isEmpty());

  // A spoken comment that is no sound file is reported, not played.
  test::WriteFile(dir.file("spoken.WAV"), {'R', 'I', 'F', 'F'});
  Press(w.FPanels.SoundImage);
  EXPECT_EQ(sound->PlayCount(), 1);
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].startsWith("MCI play error")) << dialogs->Errors[0].toStdString();
}

TEST_F(Comments, OnScreenKeyboardIsStartedAndLetGo) {
  TCalidarix &w = Start();
  QStringList started;
  w.FPanels.StartDetached = [&](const QString &program, const QStringList &) -> std::int64_t {
    started << program;
    return 4242;
  };
  test::ScopedEnv keyboard("CALIDARIX_KEYBOARD", std::string("my-keyboard"));
  EXPECT_EQ(w.OSKExec(true), 4242);
  EXPECT_EQ(started, QStringList{"my-keyboard"});
  EXPECT_EQ(w.FPanels.OskProcess, 4242);
  EXPECT_EQ(w.OSKExec(false), 0);
  EXPECT_EQ(w.FPanels.OskProcess, 0);
  EXPECT_EQ(started.size(), 1); // letting go starts and stops nothing

  // A keyboard that does not start is reported by the dialog's button.
  w.FPanels.StartDetached = [](const QString &, const QStringList &) -> std::int64_t { return 0; };
  RunDialog([](TInfoForm &form) {
    form.KeyboardBtn->click();
    form.CancelBtn->click();
  });
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].contains("my-keyboard"));
}

} // namespace
} // namespace calidarix
