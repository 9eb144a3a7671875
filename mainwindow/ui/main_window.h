#pragma once
// The main window. One class spread over files by concern:
//   main_window_widgets.cpp  the components (tool bar, menus, panels, labels), named as the caption table
//   main_window_startup.cpp  the creation handler and the start-up command line
//   main_window_shell.cpp    first show, close, full screen, image-only view, colours, menus, timers, tray
//   main_window_camera_type.cpp  the camera-type question at start-up and from the Scan menu
//   main_window_view.cpp     the view update hub, the thermograms and palette slots of the run, coordinates
//   main_window_paint.cpp    image layout and the image paint
//   main_window_scale.cpp    the temperature scale, the palette bar and dragging on them
//   main_window_messages.cpp the window procedure: custom and system messages, wheel, moves, sizes
//   main_window_files.cpp    the file list, stepping, opening and joining, image sidecars
//   main_window_save.cpp     the automatic save and the save with a comment

#include "analysis/markers.h"
#include "mainwindow/auto_save.h"
#include "mainwindow/command_line.h"
#include "mainwindow/image_sidecar.h"
#include "mainwindow/ini_settings.h"
#include "mainwindow/registry_settings.h"
#include "mainwindow/snapshot_layout.h"
#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/export_state.h"
#include "mainwindow/ui/paint_boxes.h"
#include "mainwindow/ui/shell_services.h"
#include "platform/messages.h"
#include "thermogram/display_range.h"
#include "thermogram/palette_commands.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QColor>
#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
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
  // Called once every window of the program exists: starts the one-shot camera-type timer that FormCreate
  // asked for and queues the head connection. Both run from the event loop, because they may show
  // dialogs or close the program.
  void AfterAllWindowsCreated();

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
  QWidget *ImLeftPB, *ImRightPB, *ImTopPB, *ImBottomPB;
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

  // View
  // Brings every view up to date after a change of CurrentDTV; with reload the thermogram is first
  // read again from its file (frame 1) and the markers are dropped. A call made while one runs does
  // nothing. Returns false when the reload could not read the file (the demo image is then shown).
  bool ChangeDTV(bool reload);
  // Loads frame frameNo (1-based) of the open file and refreshes every view.
  bool ChangeFrame(int frameNo);
  // The thermograms of the run; the two band thermograms only for the dual-band camera.
  void CreateThermograms(bool dualBand);
  // The nine palette slots from the built-in palettes, then the start values of the palettes, the
  // palette window and the isotherm band.
  void SetUpPalettes(bool metroMode);
  // Reverses the isotherm palette while the isotherm is on, else the image palette and the isotherm
  // palette; the flags follow.
  void PalInvert();

  // Layout of the frame in the image box (box pixels). Fit forces a fresh fit; without, a zoom larger
  // than the fit is kept.
  void FitImageLayout(const TRect &box, bool fit);
  void ZoomToImageRect(const TRect &imageRect, const TRect &viewRect, bool fitAspect);
  // The image paint. With the window as sender the frame is rendered again; with the box as sender
  // (its paint event) the cached rendering is drawn again with the overlays.
  void ImagePBPaint(QObject *sender);
  // Draws the frame and the overlays that belong to it onto any painter over r; relayout renders the
  // frame again at r's size first.
  void ImagePBPaintTo(QPainter &painter, const TRect &r, bool relayout);
  // Markers, areas and profile lines on the image (drawing comes with the measurement tools).
  void DrawMarkers(QPainter &painter, const TRect &r);

  void UpDateScaleMinMax();
  void ScalePBPaint(QObject *sender);
  // Ticks, texts and unit over r; with a spacer painter the ticks are continued on the spacer.
  void ScalePBPaintTo(QPainter &painter, const TRect &r, QPainter *spacer = nullptr);
  void PalPBPaint(QObject *sender);
  // The palette bar and its window lines over r; fills PalBegLabel and PalEndLabel.
  void PalPBPaintTo(QPainter &painter, const TRect &r);
  // The cursor line at a relative height of the bar; drawing it twice removes it.
  void DrawPaletteCursor(QPainter &painter, const TRect &bar, double fraction);
  // Moves the bar's cursor (a negative fraction removes it) and repaints the bar.
  void SetPaletteCursor(double fraction);
  void PalPBMouseDown(Qt::MouseButton button, int x, int y);
  // Ctrl counts when the window's own Ctrl flag or the event's modifiers say it is held.
  void PalPBMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
  void PalPBMouseUp();

  // Image and box coordinates over the current view of CurrentDTV.
  std::int32_t GetRealXPure(std::int32_t sx) const;
  std::int32_t GetRealYPure(std::int32_t sy) const;
  std::uint16_t GetRealX(std::int32_t sx) const;
  std::uint16_t GetRealY(std::int32_t sy) const;
  std::int32_t GetScreenX(std::int32_t x) const;
  std::int32_t GetScreenY(std::int32_t y) const;
  TPoint GetRealPoint(TPoint p) const;
  TPoint GetScreenPoint(TPoint p) const;
  TRect GetRealRect(const TRect &r) const;
  TRect GetScreenRect(const TRect &r) const;
  double T_XY(std::int32_t x, std::int32_t y) const;

  // Markers (image pixels of CurrentDTV).
  bool AddPoint(std::int32_t x, std::int32_t y, bool screen);
  void ClearAllMarkers();
  void SaveSelectionRect();
  void RestoreSelectionRect();
  TMarkerLists FMarkers;
  bool FPolygonDrawing = false;
  bool FPolygonMoving = false;
  bool FRubberBand = false;
  TPoint FMousePos;

  std::array<TPaletteTable, 9> FPalettes{};
  TPaletteTable FPalette{};
  TPaletteTable FIsoPalette{};
  std::unique_ptr<TDTV> FThumbDTV;
  bool FZoomFitted = false;
  bool FImagePainting = false;
  bool FResized = false;
  bool FScalePainting = false;
  bool FSidecarSaved = false;
  bool FCtrlDown = false;
  bool FSubtraction = false;
  bool FStretchView = false;
  bool FAngleTool = false;
  TPoint FAnglePos;
  std::array<int, 2> FAngleArms{0, 90};
  bool FFocusTool = false;
  TPoint FGridOffset;
  int FGridStep = 16;
  TPoint FPalMousePos;
  // Rendering the frame or painting the scale and the bar, for the log of slow paints and tests.
  int FRenderCount = 0;

  TPaintBox *ImagePB = nullptr;
  TPaintBox *PalPB = nullptr;
  TPaintBox *PalSpacerPB = nullptr;
  TPaintBox *ScalePB = nullptr;
  QLabel *XLabel, *YLabel, *TemperatureLabel, *TemperatureLabelWhite, *FrameLabel, *FramesLabel, *TimeLabel;
  QLabel *FrameTimeLabel, *ThermoLabel, *FileInfoLabel, *MaximumLabel, *MinimumLabel, *PalMaxLabel;
  QLabel *PalMinLabel, *PalBegLabel, *PalEndLabel;
  QToolButton *LockSB = nullptr;
  QWidget *SoundBtn = nullptr;

  // Palette and range commands
  // Palette commands (main_window_palette.cpp). Each works on the window's palettes and the palette
  // globals, copies the result into CurrentDTV and repaints the bar and the image.
  // Makes a slot (0 .. 8) the image palette, or the isotherm palette while the band is shown; another
  // number changes nothing.
  void PalChange(int slot);
  // The tool-panel buttons and their images and captions carry the slot in their "Tag" property.
  void PalChangeActionExecute(QObject *control);
  void PalRotateActionExecute(); // reverses ("Rotate (9)")
  void PalInvertActionExecute(); // complements ("Inv (Alt+9)")
  void PalRotate();
  void PalPosterize();
  void AdaptivePaletteClick();
  void BuildPaletteRamp();
  void PalCycle(bool forward);
  // Keys 0 and Alt+0: start or stop the palette cycling timer in the given direction.
  void TogglePalTimer(bool forward);
  void PalTimerTimer();
  void PalIsoPanelClick();
  void PalBottomPanelMouseDown();
  void PalSBClick();
  void PalPBDblClick();
  void Invert1Click();
  // The palette editor's palette becomes slot 8 and the palette in use.
  void UseEditorPalette(const TPaletteTable &table);
  // Slot numbers as a file or the registry gave them: a number that names no slot keeps the start
  // slot of its role (0 for the image, 3 for the isotherm).
  void UsePaletteSlots(std::int64_t palSlot, std::int64_t isoSlot);
  void HideToolPanels();
  // The window's palettes and palette globals as one value, and back.
  TPaletteSlots GatherPaletteSlots() const;
  void StorePaletteSlots(const TPaletteSlots &slots);
  bool FPalCycleForward = false;
  QFrame *PalToolPanel = nullptr;
  QToolButton *PalSB = nullptr;
  QTimer *PalTimer = nullptr;
  QAction *PalChangeAction = nullptr, *PalRotateAction = nullptr, *PalInvertAction = nullptr;
  QAction *AdaptivePalette = nullptr, *Invert1 = nullptr;

  // Range commands (main_window_range.cpp): typing the displayed range over the range panels, the lock
  // and crop buttons.
  void MaxClick();
  void MinClick();
  // Keys are Qt key codes; Enter applies, Esc cancels.
  void MaxEditKeyDown(int key);
  void MinEditKeyDown(int key);
  // Keys T and Alt+T: both ends in turn, as the locked range or (rescale) as the thermogram's scale.
  void OpenRangeEntry(bool rescale);
  void SetTempRange(double lo, double hi);
  void LockSBClick();
  void CropSBClick();
  QLineEdit *MaxEdit = nullptr;
  QLineEdit *MinEdit = nullptr;
  QLabel *KeyLabel = nullptr;
  QToolButton *CropSB = nullptr;
  TRangeEntry FRangeEntry;
  // The upper end as typed, in full; the label shows it cut to five characters.
  double FRangeEntryMax = 0.0;
  // Files and messages
  // The window procedure: the program's own messages and the system's, tested in a fixed order. Posted
  // and sent messages reach it through the window's published handle; the Qt events of the window
  // (wheel, move, resize, mouse, keys) are translated into the same handlers.
  void WndProc(Message &message);
  void WMSysCommand(Message &message);
  void WMTrayIcon(Message &message);
  void DeviceChange(WPARAM event);
  // Moves the shown companion windows along: the graph windows always, the print window on a move.
  void DockCompanionWindows(bool printFormToo);
  void ImagePanelMouseEnter();
  void ImagePanelMouseLeave();
  // keyState: the MK_ flags; delta: 120 per notch, negative towards the user; screen position.
  void MouseWheel(std::uint32_t keyState, int delta, QPoint screenPos);
  // edge: 1 left ... 8 bottom-right; bounds (left, top, right, bottom) is corrected in place.
  void WindowSizing(int edge, TRect &bounds);
  void WindowSized();
  // mouseMessage: the mouse message that activates the window (WM_MBUTTONDOWN toggles maximised).
  void MouseActivate(MessageId mouseMessage);
  // Later parts handle these; until then they only log.
  void HeadStepMessage(const Message &message);
  void ScanLineMessage(const Message &message);
  void FrameDoneMessage(const Message &message);
  void ModuleFrameMessage(const Message &message);
  void RestitchMessage();
  // Hook for the keyboard command table by scan code, which comes later. The window procedure keeps
  // the space bar's state (wheel stepping waits while it is held) before it calls the hook.
  void KeyCommand(Message &message);
  void Show1Click();
  void Hide1Click();
  void Close1Click();
  void ShowMinMax1Click();
  // Connects the tray icon's clicks to WMTrayIcon (called once the icon exists).
  void ConnectTrayIcon();

  // The file list of the folder shown (and the side list window when it exists).
  void UpDateFilesList(const QString &folder);
  // Opens the next or previous file of FileList; false when there is none.
  bool StepFileInList(bool next);
  void NextPanelClick();
  void PrevPanelClick();
  // The sidecar of the image shown; written only while FIsReadDTI is set by the callers.
  bool SaveImageSidecar();
  bool LoadImageSidecar();
  void OpenSBClick();
  void AppendDTVFile();
  void New1Click();
  void SaveDTVAuto();
  void SaveWithComment();
  void SaveSBClick();
  void SavePanelClick();
  void SaveCommentPanelClick();
  // The comment dialog of the save with a comment comes with the comment window; until then it says so
  // and answers "cancelled". Save As (main_window_save_as.cpp) writes the thermogram or the chosen frames
  // of a film under a name the user picks; a cancel answers an error without a message.
  bool InfoFormExecute();
  IoResult SaveDTVAs();
  UserDialogs &Dialogs() { return *FDialogs; }
  void SetDialogs(std::unique_ptr<UserDialogs> dialogs) { FDialogs = std::move(dialogs); }

  bool FGraphShown = false;
  bool FTimeGraphShown = false;
  bool FHistogramShown = false;
  bool FPrintFormShown = false;
  int FTimeGraphWidth = 255;
  int FGraphHeight = 225;
  bool FMouseInImage = false;
  bool FSpaceDown = false;
  QMenu *TrayPopupMenu = nullptr;
  QAction *Show1 = nullptr, *Hide1 = nullptr, *Close1 = nullptr;
  SidecarState FSidecarState;
  AutoSaveState FAutoSaveState;
  // The confirmation of the last automatic save (its file name), drawn on the image until the view
  // changes (ImagePBPaint with the window as sender).
  QString FSavedNotice;
  // A stepped-to file that could not be read: the demo image shown in its place has no name, so the
  // next step continues from this one.
  QString FFailedStepFile;
  // The open dialog's folder and name as the mosaic join left them.
  QString FAppendFolder;
  QString FAppendFileName;
  // The largest wheel zoom in box pixels per image column (a smaller fitted zoom is never limited).
  static constexpr double kMaxWheelZoom = 64.0;

  // A command the user asked for that this build cannot carry out: the reason is drawn over the image
  // (until the view changes) and logged. Every control whose command is missing calls this.
  void NotAvailable(const QString &what);
  // Drawn at the bottom of the image until the view changes: why the last command did nothing.
  QString FStatusNotice;

  // ---- Measurement: markers, statistics, corrections, value panels (analysis/ui/) ----

  // ---- Graph windows (analysis/ui/) ----

  // ---- 3-D view and relief view (analysis/ui/) ----

  // ---- Keyboard command table (mainwindow/ui/main_window_keys.cpp) ----

  // ---- Snapshot, export, printing, Save As (mainwindow/ui/) ----
  // main_window_snapshot.cpp, main_window_export.cpp, main_window_print.cpp, main_window_save_as.cpp.
  // The composite snapshot of the view in the layout BMPLook, built in memory from the same painting
  // functions as the screen (main_window_snapshot.cpp). Null when there is no thermogram.
  QImage BuildSnapshot();
  // The copy commands: the snapshot, or the comment, on the clipboard.
  void CtrlCExecute();
  void CopySBClick();
  void CopyInfoSBClick();
  // The "Image Type" menu beside its button, and its items (tag = the layout).
  void BMPFrameSBClick();
  void ImageWithScaleClick(int tag);
  // The picture of a shown graph window at exactly `size` for the snapshot; null while the graph
  // windows have nothing to show, which leaves their panes white.
  QImage GraphPanePicture(TGraphPane pane, QSize size);
  // "Save Picture" (main_window_export.cpp): the snapshot as JPEG or BMP, the thermogram as GIF or
  // 16-bit PNG; for a film one file per chosen frame.
  void SaveBMPSBClick();
  // The print window (main_window_print.cpp): PrintSB shows or hides it docked under the window.
  void PrintSBClick();
  void Print1Click();
  void PrintFormClosed();
  // The companion photo over the whole image panel (hidden at start; shown by the keyboard command that
  // loads the photo): draws CompanionPhoto stretched, nothing without one.
  void PhotoPBPaint();
  TPaintBox *PhotoPB = nullptr;
  // Connects the buttons, menu items and shortcuts of these commands (main_window_export_controls.cpp).
  void BuildExportControls();
  TExportState FExportState;
  QAction *CtrlC = nullptr, *CtrlInsert = nullptr;

  // ---- Films, review table, thumbnail grid, folder conversions (mainwindow/ui/) ----

  // ---- Setup panel, file browser, comments, shortcuts (mainwindow/ui/) ----

  // ---- Acquisition (acquisition/ui/) ----

  // ---- Head and panoramas (head/ui/) ----

signals:
  // The window was closed by the user or a command; the program ends.
  void Closed();

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  // Files and messages: the Qt events that stand for the system's window messages.
  void wheelEvent(QWheelEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void keyReleaseEvent(QKeyEvent *event) override;

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
  void ConnectHeadAtStart();
  void EnableHeadMenuItems();
  void SizeForImage(int width, int height);
  void ShowWithoutFrame(bool frameless);
  void SetTrayIcon();
  void SetBackground(QWidget *widget, const QColor &colour);
  void PublishForSibling();
  void RestoreSiblingHandle();
  // View: the paint boxes beside the image and their handlers.
  void BuildViewBoxes(QWidget *scalePanel);
  void ImagePBResize();
  void ApplyLoadedRangeLock();
  void UpdateFrameTimeLabels();
  // Logs a service that was asked for and is not there yet (start-up services; no control of the user).
  void Note(ServiceStatus status, const char *what);
  // Palette and range commands: their controls.
  void BuildPaletteControls();
  void BuildRangeControls();
  void PaletteRepaint();
  // Files and messages: the buttons, menu items and Qt events of the file commands and the messages.
  void ConnectFilesAndMessages();

  ShellServices &FServices;
  std::unique_ptr<UserDialogs> FDialogs = std::make_unique<QtUserDialogs>();
};

// The main window of the run, or nullptr.
extern TCalidarix *Calidarix;

// View: switches of the main window's unit.
extern bool ChangeDTVBusy;       // ChangeDTV is running
extern bool TrueColorRender;     // 24-bit rendering; off: the 8-bit picture with its colour table
extern bool PalDragActive;       // a mouse button is held on the palette bar or the scale
extern bool ManualPaletteWindow; // the palette window was set by hand; live frames leave it
extern double PalCursorTemp;     // relative height 0..1 of the bar's cursor; -1.0: none
extern std::uint8_t PalNumber;   // slot of the image palette
extern std::uint8_t IsoNumber;   // slot of the isotherm palette
extern bool isPalInverted;
extern bool isIsoInverted;
extern bool isPalRotated;
extern bool isIsoRotated;
extern bool DateTimeMode; // frame number, date and time written on the image
extern bool BadgeOverlay; // the badge at the upper left corner of the image
extern bool CenterCross;  // a cross through the centre of the image box
extern bool GridOverlay;  // a grid over the image box
extern bool RowEditMode;  // the row-alignment mode marks its selected row
extern int RowEditIndex;
// Back to the start-of-run values.
void ResetViewGlobals();
// Palette and range commands: group width of the next posterization; 1 after a slot change.
extern int PosterizeStep;

} // namespace calidarix
