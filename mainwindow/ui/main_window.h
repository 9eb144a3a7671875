#pragma once
// The main window. One class spread over files by concern:
//   main_window_widgets.cpp  the components (tool bar, menus, panels, labels), named as the caption table
//   main_window_startup.cpp  the creation handler and the start-up command line
//   main_window_shell.cpp    first show, close, full screen, image-only view, colours, menus, timers, tray
//   main_window_camera_type.cpp  the camera-type question at start-up and from the Scan menu

#include "mainwindow/command_line.h"
#include "mainwindow/ini_settings.h"
#include "mainwindow/registry_settings.h"
#include "mainwindow/ui/shell_services.h"

#include <QColor>
#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <array>
#include <cstdint>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;
class QToolButton;

namespace calidarix {

class TFormVideo;

class TCalidarix : public QMainWindow {
  Q_OBJECT
public:
  // The components are built here; nothing else runs until FormCreate.
  explicit TCalidarix(ShellServices &services, QWidget *parent = nullptr);
  ~TCalidarix() override;

  // The creation handler: program-wide state in a fixed order, then the command line (`arguments`
  // without the program file). Runs once, before the window is first shown.
  void FormCreate(const QStringList &arguments);
  // Starts the one-shot camera-type timer that FormCreate asked for. Called once every window of the
  // program exists, because its handler may close the program.
  void StartInterfaceTimer();

  void SetLanguageCaptions(int language);
  void SetNightColours(bool night);
  void SetMenuItemsVisible(bool visible);
  void ToggleFullScreen();
  void ImageOnlyMode();
  void StartServiceMode();
  void RealTimeTimerTimer();
  void RefreshTimerTimer();
  void InterfaceTimerTimer();
  void Interface1Click();
  void LogMemoClick();
  void ShowProgressFormClick();
  void ColorClick();

  // Settings (read and written by the settings store).
  int FLanguage = 0;
  bool FIsMenuVisible = false;
  bool FIsFullScreen = false;
  bool FIsBigButtons = false;
  bool FIsNightMode = false;
  bool isAutoSave = false;
  bool FIsFixedRange = false;
  bool FIsInteger = false;
  bool isSaveByF2 = false;
  bool FIsShowMinMax = false;
  bool FIsDoubleMinMax = false;
  bool FIsReadDTI = false;
  bool isIsoAuto = false;
  int ArrayType = 0;
  bool FMetroMode = false;
  QString FDriveLetter = QStringLiteral("C");

  // Language texts.
  QString FBaseCaption;
  std::array<QString, 5> FStatTexts;

  // View state.
  bool FullScreenOn = false;
  QRect SavedWindowRect;
  bool FImageOnly = false;
  QColor FMinPanelColor;
  QColor FMaxPanelColor;
  QColor FTextColor = Qt::white;
  int FontN = 14;
  int BMPLook = 1;
  int ArrayStatistic = 0;
  bool ServiceMode = false;

  // Sibling program and registry.
  std::int64_t PrevActiveHandle = 0;
  std::int64_t SiblingWindowHandle = 0;
  bool FRegistryFailed = false;

  // Start-up.
  StartupSwitches FStartup;
  bool FirstShowPending = false;
  bool AutoStartScan = false;
  bool FullScreenStart = false;
  bool FullVideoStart = false;
  bool FixedFileStart = false;
  bool PolyFormLeft = false;
  bool PolyFormRight = false;
  bool FHideOnStart = false;
  bool FSeekMode = false;
  bool FScanCameraMode = true;
  bool HeadConnected = false;
  QString FOpenDirectory;
  QString FFixedFileName;
  bool FInterfaceTimerRequested = false;

  // Settings and sibling
  // "Calidarix.ini" as read at start-up. The camera and head values wait here for the acquisition
  // and head parts, which take them from this struct.
  IniSettings FIniSettings;
  // The registry settings as restored and as written back. Values that have a field or global of
  // their own (language, switches, folders, CurrentDTV's palette windows ...) are copied to and from
  // it; the others (palette slots and flags, scanning values, panorama folder, head port) live here
  // until their commands exist.
  RegistrySettings FRegistrySettings;
  bool FLimitOn = false; // temperature alarm
  double FLimit = 0.0;   // degrees Celsius
  QString FSaveDirectory;
  QString FPalOpenDirectory;
  QString FPalSaveDirectory;
  QString FSaveNameBase = QStringLiteral("kvd");
  // This window's handle as published in "Active_Handle"; 0 when it could not be published.
  std::int64_t FPublishedHandle = 0;
  // WM_SIBLINGOPEN: the sibling program asks for new bounds and a file to show.
  void SiblingOpenRequest();
  void RemoveQorRegClick();
  // Joystick 1. The head jogging these drive is not built yet; for now they only log.
  void JoyMove(std::uint32_t buttons, int x, int y);
  void JoyButtonDown(std::uint32_t changed, std::uint32_t buttons);
  void JoyButtonUp(std::uint32_t changed, std::uint32_t buttons);

  ShellServices &Services() { return FServices; }

  // Components (objectName = member name).
  QFrame *ToolPanel, *BigButtonsPanel, *ImagePanel, *PalBasePanel, *InfoBasePanel, *InfoPanel;
  QFrame *FileInfoPanel, *BlackPanelLeft, *BlackPanelRight, *PalSpacerPanel, *ScalePanel, *SetupPanel;
  QWidget *ImagePB, *ImLeftPB, *ImRightPB, *ImTopPB, *ImBottomPB;
  QLabel *MinPanel, *MaxPanel, *PalBottomPanel, *VideoPanel, *RealTimeLabel, *FrameRealDateLabel;
  QLabel *FrameRealTimeLabel, *FileNameLabel;
  QPushButton *ClosePanel;
  QToolButton *ScanSB;
  QComboBox *LanguageCB;
  QMenu *ServiceFunctions, *ImageWithScalePopupMenu, *ArrayPopupMenu, *PalettePopupMenu, *FontPopupMenu;
  QAction *Blank, *Start1, *Exit1, *Interface1, *LogMemo, *RemoveQorReg, *ShowProgressForm, *Color;
  QTimer *RealTimeTimer, *RefreshTimer, *InterfaceTimer;
  QSystemTrayIcon *FTrayIcon = nullptr;
  TFormVideo *FormVideo = nullptr;

  // The eighteen panels of the big buttons, in pairs of picture panel and name panel.
  QList<QWidget *> BigButtonPanels;

signals:
  // The window was closed by the user or a command; the program ends.
  void Closed();

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  void BuildComponents();
  void BuildMenus();
  void BuildToolBar();
  void BuildPanels();
  void FormShow();
  void FormClose();
  void FormDestroy();
  void ApplyCommandLine(const StartupSwitches &switches);
  void ConnectHead();
  void SizeForImage(int width, int height);
  void ShowWithoutFrame(bool frameless);
  void SetTrayIcon();
  void SetBackground(QWidget *widget, const QColor &colour);
  void PublishForSibling();
  void ApplyPaletteStartValues();
  void RestoreSiblingHandle();
  // Logs a service that was asked for and is not there yet (the log is the only trace it leaves).
  void Note(ServiceStatus status, const char *what);

  ShellServices &FServices;
};

// The main window of the run, or nullptr.
extern TCalidarix *Calidarix;

} // namespace calidarix
