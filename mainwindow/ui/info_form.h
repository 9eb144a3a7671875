#pragma once
// The comment dialog of the save with a comment: the comment's text, and a spoken comment of five
// seconds recorded into the drive C folder's "IRSound.wav", which Save As then moves beside the saved
// thermogram. A recording and a playback never run at the same time; while either runs the dialog's
// event loop keeps going and every wait has an end.

#include <QDialog>
#include <QString>

class QAction;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace calidarix {

class SoundDevice;
class UserDialogs;

class TInfoForm : public QDialog {
public:
  explicit TInfoForm(QWidget *parent = nullptr);
  ~TInfoForm() override;

  QLineEdit *InfoEdit = nullptr;
  QPushButton *CancelBtn = nullptr;
  QPushButton *OkBtn = nullptr;
  QPushButton *KeyboardBtn = nullptr;
  QPushButton *SoundBtn = nullptr;
  QProgressBar *SoundProgress = nullptr;
  QTimer *SoundTimer = nullptr;
  QAction *EscAct = nullptr;
  QAction *EnterAct = nullptr;
  QAction *SoundAct = nullptr;

  int FSoundTicks = 0;
  bool FPlaying = false;
  bool FRecording = false;
  // A spoken comment was recorded since the dialog was last shown.
  bool FRecorded = false;

  // Records the spoken comment (Alt+Space and the Sound button). Does nothing while playing.
  void SoundActExecute();
  void SoundTimerTimer();
  void KeyboardBtnClick();
  // Plays a wave file when it exists and nothing is being recorded; false when it could not be played
  // (the reason has been shown).
  bool PlayWaveFile(const QString &fileName);

  // The sound device (the program's by default) and the message boxes; tests replace them.
  void SetSoundDevice(SoundDevice *device) { FDevice = device; }
  void SetDialogs(UserDialogs *dialogs) { FDialogs = dialogs; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
  void ShowError(const QString &text);
  SoundDevice &Device();

  SoundDevice *FDevice = nullptr;
  UserDialogs *FDialogs = nullptr;
};

extern TInfoForm *InfoForm;

} // namespace calidarix
