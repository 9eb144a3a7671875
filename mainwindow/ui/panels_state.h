#pragma once
// The main window's fields of the setup panel, the file browser panel, the comments and the desktop
// services, with their components. TCalidarix holds one of these as FPanels.

#include "mainwindow/file_browser.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace calidarix {

class SoundDevice;
class TPaintBox;

// Starts a program detached from this one; its process id, or 0 when it could not be started.
using DetachedStarter = std::function<std::int64_t(const QString &program, const QStringList &arguments)>;

struct PanelsState {
  // Setup panel (its "Points Count" choice is the measurement's FMeasure.FPointsCount)
  QToolButton *SetupSB = nullptr;
  QLineEdit *FilmFramesEdit = nullptr;
  QLineEdit *FrameTimeEdit = nullptr;
  QLineEdit *SumCountEdit = nullptr;
  QLineEdit *FixedMinEdit = nullptr;
  QLineEdit *FixedMaxEdit = nullptr;
  QLineEdit *LimitEdit = nullptr;
  QComboBox *PointsCB = nullptr;
  QPushButton *SetupOkBtn = nullptr;
  QPushButton *SetupCancelBtn = nullptr;
  QPushButton *VideoSetupSB = nullptr;
  QComboBox *VideoSetupCB = nullptr;
  // Info panel: the side column at the right edge, else the bottom strip (the design's layout).
  bool FInfoSideColumn = false;
  // Spin panels of the fixed-level entry (its edit is the window's FixedLevelEdit)
  QFrame *UpPanel = nullptr;
  QFrame *DownPanel = nullptr;
  // Scan and service menus
  QAction *Ping1 = nullptr;

  // File browser panel (hidden for the whole run)
  QFrame *FilesPanel = nullptr;
  QFrame *FilesTopPanel = nullptr;
  QFrame *FilesBottomPanel = nullptr;
  QComboBox *DriveCB = nullptr;
  TPaintBox *PreviewPB = nullptr;
  QListWidget *FilesLB = nullptr;
  BrowseState Browse = BrowseState::Initial();
  std::vector<BrowseEntry> BrowseEntries; // what FilesLB lists

  // Comments
  QLineEdit *InfoEdit = nullptr; // in-place editor of the comment under the image
  QLabel *SoundImage = nullptr;
  QProgressBar *SoundProgressBar = nullptr;
  QTimer *SoundTimer = nullptr;
  bool FSoundPlaying = false;
  SoundDevice *Sound = nullptr; // null: the program's sound device
  // The comment dialog of a window that runs without the program's other windows.
  std::unique_ptr<QObject> OwnInfoForm;

  // Desktop services
  std::int64_t OskProcess = 0; // the on-screen keyboard last started
  DetachedStarter StartDetached;
};

// The camera address the "Ping Camera..." command pings: the start value of the camera address.
inline constexpr const char *kCameraPingAddress = "192.168.0.32";

} // namespace calidarix
