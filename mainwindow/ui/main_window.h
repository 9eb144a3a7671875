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
//   main_window_setup.cpp    the setup panel, the info panel's layouts, ping and resolution switch
//   main_window_browser.cpp  the hidden file browser panel
//   main_window_comments.cpp the comment under the image, the comment dialog, the sound button

#include "acquisition/ui/acquisition_state.h"
#include "acquisition/ui/peripherals_state.h"
#include "analysis/markers.h"
#include "analysis/relief_state.h"
#include "analysis/ui/measure_state.h"
#include "head/ui/head_state.h"
#include "head/ui/pano_sequence_state.h"
#include "head/ui/panorama_state.h"
#include "mainwindow/auto_save.h"
#include "mainwindow/command_line.h"
#include "mainwindow/image_sidecar.h"
#include "mainwindow/ini_settings.h"
#include "mainwindow/key_commands.h"
#include "mainwindow/registry_settings.h"
#include "mainwindow/snapshot_layout.h"
#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/export_state.h"
#include "mainwindow/ui/films_state.h"
#include "mainwindow/ui/key_state.h"
#include "mainwindow/ui/paint_boxes.h"
#include "mainwindow/ui/panels_state.h"
#include "mainwindow/ui/shell_services.h"
#include "mainwindow/wheel_notches.h"
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
#include <filesystem>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;
class QToolButton;

namespace calidarix {

class TFocusSlider;
class TFormVideo;
struct TLanTimings;
class TMultyGrid;

class TCameraCommandLink;
class TExchangeLanHost;

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
  int BMPLook = 1;
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
  // and head parts, which take them from this struct; the camera's values in use are the camera
  // state's (the calibration form and the camera itself change them), never these.
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
  // A damaged registry file or a failed registry write: logged, and told in one message box with the
  // other reports of the same moment.
  void ReportRegistryProblem(const QString &text);
  QStringList FRegistryProblems;
  // Joystick 1: moves jog the head, button 1 saves, button 2 starts a strip (head/ui/main_window_head.cpp).
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
  // read again from its file (frame 1) and the markers are dropped. A call made while one runs, or
  // while a busy job works on the thermogram, does nothing. A file that does not exist shows the
  // demo image under the missing file's name. Returns false when the reload could not read the file:
  // the image, its markers and frame stay as they were (FFileName is the caller's to restore, see
  // OpenInView), and the update stops with the reason over the image.
  bool ChangeDTV(bool reload);
  // Loads frame frameNo (1-based) of the open file and refreshes every view. A frame that cannot be
  // read leaves the frame shown, and its number, with the reason over the image: false then.
  bool ChangeFrame(int frameNo);
  // Logs text and draws it over the image until the view changes; over the image, the folder of
  // fileName (when given) is left out of the text.
  void ShowViewNotice(const QString &text, const QString &fileName = QString());
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
  // Fits the frame afresh when its size is not the one the layout was made for.
  void FitLayoutToNewFrameSize();
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
  // The frame size the zoom and offsets were made for; a frame of another size is fitted anew.
  QSize FLayoutFrameSize;
  bool FImagePainting = false;
  bool FResized = false;
  // Set by whoever shows the window right after its creation handler: until that first show the image,
  // scale and palette paints make no pictures (the image paint only marks the frame for rendering),
  // because the show gives the boxes their final sizes and their first paints draw them there anyway.
  bool FRenderAtFirstPaint = false;
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
  // A job that lets the event loop run while it waits names itself here (TBusyJob, busy_job.h);
  // empty while none runs.
  QString FBusyJob;
  // The one check of every command that could run inside such a wait: true while a job runs, with
  // the reason shown over the image; the command then does nothing.
  bool RefusedWhileBusy(const QString &command);
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
  // The wheel events of the window added up to whole notches before they reach MouseWheel.
  TWheelNotches FWheelNotches;
  // edge: 1 left ... 8 bottom-right; bounds (left, top, right, bottom) is corrected in place.
  void WindowSizing(int edge, TRect &bounds);
  void WindowSized();
  // mouseMessage: the mouse message that activates the window (WM_MBUTTONDOWN toggles maximised).
  void MouseActivate(MessageId mouseMessage);
  // The head step and re-stitch messages are the head's (head/ui/main_window_head.cpp); later parts
  // handle the others, which until then only log.
  void HeadStepMessage(const Message &message);
  void ScanLineMessage(const Message &message);
  // "Scan Progressive": one received line drawn over the image as it arrives, and its noise figure in
  // the progress window.
  void ShowScanLineBMP(std::int32_t lineNo);
  void FrameDoneMessage(const Message &message);
  void ModuleFrameMessage(const Message &message);
  void RestitchMessage();
  // The keyboard command table by scan code (main_window_keys.cpp). The window procedure keeps the
  // space bar's state (wheel stepping waits while it is held) before it calls it.
  void KeyCommand(Message &message);
  void Show1Click();
  void Hide1Click();
  void Close1Click();
  void ShowMinMax1Click();
  // The menu toggles of the image paint: large minimum and maximum markers, and the frame's date and
  // time written on the image.
  void DoubleMinMax1Click();
  void DateTimeMode1Click();
  // Service item "Decode Dual Scan": frames scanned in both directions are read back to their rows.
  void DecodeDualScanClick();
  // Connects the tray icon's clicks to WMTrayIcon (called once the icon exists).
  void ConnectTrayIcon();

  // Opens fileName at frame 1 as the current thermogram (ChangeDTV with reload). A file that cannot be
  // read leaves the thermogram shown as it was, its name included, with the reason over the image:
  // false then. A file that does not exist shows the demo image (true).
  bool OpenInView(const QString &fileName);
  // The file list of the folder shown (and the side list window when it exists).
  void UpDateFilesList(const QString &folder);
  // Opens the next or previous file of FileList; false when there is none.
  bool StepFileInList(bool next);
  void NextPanelClick();
  void PrevPanelClick();
  // Double-click on the tool bar or the big-button panel: switches between the two.
  void ToolPBDblClick();
  // The big buttons "R1" .. "R3" (Tag 0 .. 2): while scanning, the next calibration range.
  void RangeChangeActionExecute(QObject *control);
  // The big button "Film (F)": while scanning, a film starts with the next frame; otherwise (or while
  // a film is recorded) the scan stops.
  void FilmPanelClick();
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
  // The comment dialog of the save with a comment: false when it was cancelled. Save As
  // (main_window_save_as.cpp) writes the thermogram or the chosen frames of a film under a name the
  // user picks; a cancel answers an error without a message.
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
  // The window was maximised or full screen when the docked graph windows took their room from it,
  // which a maximised window gives up; closing them gives the room back.
  bool FFilledScreenBeforeGraphs = false;
  bool FMouseInImage = false;
  bool FSpaceDown = false;
  QMenu *TrayPopupMenu = nullptr;
  QAction *Show1 = nullptr, *Hide1 = nullptr, *Close1 = nullptr;
  SidecarState FSidecarState;
  AutoSaveState FAutoSaveState;
  // The confirmation of the last automatic save (its file name), drawn on the image until the view
  // changes (ImagePBPaint with the window as sender).
  QString FSavedNotice;
  // A stepped-to file that could not be shown (unreadable: the image before it stays; missing: the
  // nameless demo image shows), so that the next step continues from it.
  QString FFailedStepFile;
  // The name shown when that step failed (empty for the demo image); stepping goes on from the
  // failed file only while it is still shown.
  QString FFailedStepShown;
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
  // Area shape, statistic and marker text size are the module settings ArrayType, ArrayStatistic and
  // FontN (analysis/markers.h).
  TMeasureState FMeasure;

  // The mouse on the image (main_window_mouse.cpp): markers, areas, profile line, panning, angle tool and
  // grid through the gesture state machine, and the readout under the cursor. A move never renders the
  // frame again; it changes labels and overlays.
  void ImagePBMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers);
  void ImagePBMouseMove(int x, int y, Qt::KeyboardModifiers modifiers);
  void ImagePBMouseUp(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers);
  void ImagePBDblClick();
  // X, Y and T of the box position (x, y), and the palette bar's cursor.
  void UpdateCursorReadout(int x, int y);

  // Region statistics and labels (main_window_statistics.cpp).
  // Statistics of the area into the area, the result fields and the labels; an empty area changes
  // nothing. useShape measures the ellipse while ArrayType is 1.
  void CountArray(TAreaRecord &area, bool useShape);
  void CountFreeArray(const TPolygon &polygon);
  // The share of rect inside the isotherm band on AIsoLabel.
  void CountIso(const TRect &rect);
  // The statistics of a rectangle or ellipse of any thermogram into the result fields, without labels.
  void CountArrayAlt(const TDTV &dtv, const TRect &rect);
  void UpdateImageStatsLabels();
  // The view update's step for the selected area: its statistics and iso share, or the whole frame.
  void RefreshAreaStatistics();

  // Marker drawing (main_window_marker_drawing.cpp), on any painter over a target of width x height.
  void DrawPoint(QPainter &painter, const TPointRecord &point, int width, int height);
  void DrawArray(QPainter &painter, TAreaRecord &area, int width, int height, bool withLabel);
  void DrawFreeArray(QPainter &painter, const TPolygon &polygon, int width, int height, bool withLabel);
  void DrawGraphLine(QPainter &painter, const TLineRecord &line, int colourIndex, const TRect &clip);
  void DrawArrowLine(QPainter &painter, QPoint from, QPoint tip, bool filled);
  void DrawMinMaxMarkers(QPainter &painter, const TRect &r);
  // Text with its shadow, the colours exchanged while "Invert" is checked.
  void DrawShadowText(QPainter &painter, int x, int y, const QString &text);

  // Marker commands and menus (main_window_marker_commands.cpp).
  void MinMaxAvgSBClick();
  void ArrayMenuItemClick(int tag);
  void ArrayRMenuItemClick(int tag);
  void ArraySigmaMIClick();
  void ArrayTypeClick(int tag);
  void FontNSBClick();
  void FontNClick(int tag);
  void DelSBClick();
  void MaxLabelDblClick();
  void AvgLabelDblClick();
  void PtsLabelDblClick();
  void TLabDblClick();
  // The palette window (or with fixedRange the display range) fitted to the selected area, or to the
  // whole frame when none is selected.
  void FitPaletteWindowToRegion(bool fixedRange);
  void ArrayHorLevelCorrectionClick();

  // Temperature corrections (main_window_corrections.cpp).
  void EmissivityCorrect(double e, double ta);
  void SetEmissivity(double tm, double tr, double ta);
  void ApplyFixedLevel(double level);
  void TwoArraysCorrectClick();
  void AverageFilmFrames(int f1, int f2);
  // The row alignment mode's row RowEditIndex one pixel right or left.
  void ShiftImageRow(bool right);
  void FilmScrollBarChange(int position);

  // Value-entry panels (value_panels.cpp). The openers write the captions and start texts and the mode
  // (the panel's Tag); OK acts by the mode.
  void OpenValuePanel(int tag, const QString &caption, const QString &text);
  void OpenValue2Panel(int tag, const QString &caption1, const QString &caption2, const QString &text1,
                       const QString &text2);
  void FixedLevelOKBtnClick();
  void FixedLevelCancelBtnClick();
  void FixedLevel2OKBtnClick();
  void FixedLevel2CancelBtnClick();
  void EmissivityActionExecute();
  void RealTemperatureActionExecute();

  // Difference, noise and resolution figures (main_window_figures.cpp).
  void NoiseVsReference();
  void RowNoise(int r);
  void ShowResolutionRatio();
  void BuildDifferenceImage();

  // Heat panel, clipboard copies and small commands (main_window_copies.cpp, heat_panel.cpp).
  void HeatSBClick();
  void HeatOkBtnClick();
  void HeatCancelBtnClick();
  void CopyRegionTableToClipboard(int mode);
  void TeleMetry2ClipboardClick();
  void CopyTelemetryToClipboard();
  void CopyPointsSBClick();
  void Thermo2FrameClick();
  void BoxModeClick();

  QLabel *MinLabel = nullptr, *MaxLabel = nullptr, *AvgLabel = nullptr, *PtsLabel = nullptr;
  QLabel *AIsoLabel = nullptr, *AnswerLabel = nullptr, *LevLabel = nullptr, *RngLabel = nullptr;
  QLabel *LevelLabel = nullptr, *RangeLabel = nullptr, *TLab = nullptr;
  QFrame *FixedLevelPanel = nullptr, *FixedLevel2Panel = nullptr, *HeatPanel = nullptr;
  QLabel *FixedLevelLabel = nullptr, *FixedLevel2Label1 = nullptr, *FixedLevel2Label2 = nullptr;
  QLineEdit *FixedLevelEdit = nullptr, *FixedLevel2Edit1 = nullptr, *FixedLevel2Edit2 = nullptr;
  QLineEdit *DistanceEdit = nullptr, *ThicknessEdit = nullptr, *DensityEdit = nullptr,
            *SpecificHeatEdit = nullptr;
  QCheckBox *CountHeatCB = nullptr, *ReferenceCB = nullptr;
  QToolButton *HeatSB = nullptr;
  QAction *ResSwitch = nullptr, *Thermo2Frame = nullptr;

  // ---- Graph windows (analysis/ui/) ----
  // main_window_graphs.cpp. The flags FGraphShown, FTimeGraphShown, FHistogramShown and the docked sizes
  // FGraphHeight, FTimeGraphWidth are with the window's messages above.
  // Show or hide, and dock, the thermo-profile, time-profile and histogram windows; each call turns its
  // window over (the button follows), so buttons, menu items and keys may all call them.
  void GraphSBClick();
  void TimeGraphSBClick();
  void HistogramSBClick();
  // The "/" key: the live profile of each shown profile window is kept as a further stored profile.
  void StoreGraphProfiles();
  // The graph window of that Tag was closed: its button and flag are released.
  void GraphFormClosed(int tag);
  // The graph data (analysis/graph_data.h) into the windows; the callers repaint.
  void BuildThermoProfile(const TLineRecord &line);
  void BuildTimeProfile(const TRect &region);
  void BuildPointTimeProfile(std::int32_t x, std::int32_t y);
  void BuildHistogram(const TRect &region);
  // The view update's step for the shown graph windows (stored profiles dropped on reload).
  void RefreshGraphWindows(bool reload);
  // The value scales of the shown profile windows, after the main scale was painted.
  void PaintGraphScales();
  // The thermo-profile window's current and stored profiles emptied (with the markers).
  void ClearThermoProfiles();
  // The graph windows' part of a mouse gesture on the image.
  void CarryOutGraphGesture(const TGestureEffects &effects);
  void BuildGraphControls();
  // Why a graph could not be read, over the image and in the log; a text already shown is not repeated.
  void GraphNotice(const QString &text);
  QString FLastGraphNotice;

  // ---- 3-D view and relief view (analysis/ui/) ----
  // The software relief view (main_window_relief.cpp): ThreeDPB lies over the image and is shown instead
  // of it while FRelief.FReliefView is set. View3dSB switches between the two; with Ctrl held it shows
  // the OpenGL 3-D view (GLview) in surface mode instead (main_window_view3d.cpp).
  TReliefState FRelief;
  // The button's command; the first form reads Ctrl from the keyboard.
  void View3DSBClick();
  void View3DSBClick(bool ctrlHeld);
  // Draws the relief into ThreeDPB while the relief is shown; a call while one runs is dropped.
  void ThreeDPBPaint();
  // The relief of CurrentDTV (512 x 432) stretched onto r of any painter: the screen and the snapshot.
  void ThreeDPBPaintTo(QPainter &painter, const TRect &r);
  void ThreeDPBMouseDown(Qt::MouseButton button, int x, int y);
  void ThreeDPBMouseMove(Qt::MouseButtons buttons, int x, int y);
  void Timer3DTimer();
  // The key commands' automatic turn of the shown relief (forward: the azimuth grows), every 100 ms.
  void StartReliefRotation(bool forward);
  // Menu "GL", "Surface Mode": the 3-D view shows the surface of the current thermogram.
  void SurfaceModeClick();
  void BuildView3DControls();
  TPaintBox *ThreeDPB = nullptr;
  QToolButton *View3dSB = nullptr;
  QTimer *Timer3D = nullptr;

  // ---- Keyboard command table (mainwindow/ui/main_window_keys.cpp) ----
  // main_window_keys.cpp: a key message chooses its command by scan code from the command table
  // (mainwindow/key_commands.h) under the conditions of the moment, and the command is carried out.
  // main_window_key_commands.cpp: the commands of more than a line or two; main_window_film_playback.cpp:
  // the film timer. The action shortcuts (Tab, F9 .. F12, Alt+1 .. Alt+3 ...) are taken before any key
  // message and never reach the table.
  KeyConditions GatherKeyConditions() const;
  void RunKeyCommand(KeyTable table, ScanCode scan);
  void CarryOutKeyCommand(const KeyCommandRow &row);
  void EscapeKey();
  void PaletteWindowKey(char key);
  void PaletteWindowResetKey();
  void IsothermBandKey();
  void RotateKey(double degrees);
  void ValueEntryKey(int tag);
  // A save key: the F2 choice (the save with a comment when "Save by F2" is set) or its opposite.
  void SaveKey(bool f2Choice, bool clearThumbnails);
  // Arrows without Alt: split shifts, panning, the head jog, range steps, row alignment, film frames,
  // the photo and video views, in that order of conditions.
  void ArrowKey(int scan);
  void JogKey(int scan);
  void JogKeyUp(int scan);
  void RangeStepKey(int scan);
  void PhotoOrVideoKey(bool up);
  void SplitViewKey();
  void SplitShiftKey(int scan);
  void PlaybackKey(bool forward);
  void AspectKey(bool up); // Alt+Up narrows the aspect by 1.1, Alt+Down widens it
  void SwapScanSetKey();
  void FixedLineFromMouseKey();
  void ContextMenuKey(bool down);
  void CalibrationBandKey(int band);
  // Brings the flag FCtrlDown in line with the Ctrl key, which may have been released while another
  // window had the keyboard.
  void ReadCtrlState();
  // One frame on in the playback direction, wrapping at either end; a frame that cannot be read stops
  // the playback.
  void StepFilmFrame(bool forward);
  void FilmTimerTimer();
  // The film timer, the action shortcuts, the overlay picture and the activation hook.
  void BuildKeyCommands();
  // A command of the camera service: a missing service says so in the window.
  void CameraServiceCommand(ServiceStatus status, const QString &caption);
  TKeyState FKeys;
  QAction *Tab = nullptr, *F9 = nullptr, *F10 = nullptr, *F11 = nullptr, *F12 = nullptr;
  QAction *Alt1 = nullptr, *Alt2 = nullptr, *Alt3 = nullptr, *AltF = nullptr, *AltF6 = nullptr;
  QAction *AltInsert = nullptr, *CtrlAltPoint = nullptr, *CtrlAltComma = nullptr, *CtrlF12 = nullptr;
  // ---- Calibration hotkeys and the range edits' pause (acquisition/ui/main_window_calibration.cpp) ----
  // Ctrl+Alt+".": the calibration form on the set of the current range and band. Ctrl+Alt+",": the
  // same with a new point taken from the selected area. Both do nothing without "Calidarix.ini".
  void CtrlAltPointExecute();
  void CtrlAltCommaExecute();
  // The INI file the hotkeys hand to the form; empty: the one ProgramIniPath() finds.
  std::filesystem::path FIniFileName;
  std::filesystem::path CalibrationIniPath() const;
  // The network cameras' link for the form's exchange: the one of the acquisition thread object while
  // that has not started. With an address, the object is made (suspended) when there is none and its
  // link opened. Null while acquisition runs.
  TCameraCommandLink *CalibrationLanLink(const std::string *address);
  TExchangeLanHost *CalibrLanHost();
  std::shared_ptr<TExchangeLanHost> FCalibrLanHost;
  // Entering a range edit pauses running acquisition (cooperatively) while the user types; leaving
  // it lets the thread go on.
  void MaxEditEnter();
  void MaxEditExit();
  void MinEditEnter();
  void MinEditExit();
  void WatchRangeEditFocus();
  bool FRangeEditPaused = false;

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
  // Film processing and the review window's frames (main_window_films.cpp). Alt+Enter: every frame of
  // the film shown measured over the selected area (or the whole frame) and the review window filled
  // and shown. The frame shown stays.
  void ProcessFilm();
  // A row picked in the review window: that frame of the film the table was made from, opening the
  // film again when another file is shown meanwhile.
  void ShowReviewedFrame(const QString &film, int frame);
  // Frame stepping keeps the review window's current row on the frame shown (ChangeFrame).
  void FilmReviewFollowFrame(int frameNo);
  // Thumbnail grid (main_window_thumbnails.cpp). TabExecute shows or hides the grid over the image
  // area (while scanning it locks the range to the fixed range instead); leaving it opens the file
  // focused last, Esc leaves it for the file shown before. Keys are Qt key codes.
  void TabExecute();
  // Hides the grid. With open the focused file is opened, unless it is the file shown before; else, and
  // then, the view returns to that file as it was: its frame, markers and view.
  void LeaveThumbnailGrid(bool open);
  void MultyDGDrawCell(QPainter &painter, int column, int row, const QRect &r);
  void MultyDGKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void MultyDGKeyUp(int key);
  void MultyDGMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers);
  void MultyDGMouseWheelUp();
  void MultyDGMouseWheelDown();
  void MultyDGDblClick();
  void ImagePanelResize();
  // Deleting (main_window_delete.cpp): Del deletes the frame shown from a film (the film is rewritten
  // without it) or the file shown with its companions; in the grid, the marked files or the focused one.
  void DeleteFrameOrFile();
  void DeleteMarkedFiles();
  // Folder conversions (main_window_conversions.cpp): the folder list as one film of first frames, as
  // one JPEG snapshot per file, and (Alt+S) the per-pixel maximum over its files as an unnamed image.
  void FolderToFilmClick();
  void FoldertoJPGClick();
  void MaxOverListedFiles(bool unused);
  TFilmsState FFilms;
  TMultyGrid *MultyDG = nullptr;
  QAction *Multy1 = nullptr;
  QAction *FoldertoJPG = nullptr;
  void BuildFilmsControls();
  // The page of the grid after a change of the page, the focus or the column count: its thumbnails
  // rendered where missing, the focused file loaded, the scroll bar and the picture brought up to date.
  void ThumbPageChanged();

  // ---- Setup panel, file browser, comments, shortcuts (mainwindow/ui/) ----
  PanelsState FPanels;
  // Setup panel (main_window_setup.cpp). OK checks every edit first and applies nothing while one is
  // bad; it then applies the panel, stores the settings and refreshes the view.
  void SetupSBClick();
  void SetupOkBtnClick();
  void SetupCancelBtnClick();
  // The info panel as a side column at the right edge or a strip at the bottom; the window then lays
  // itself out anew.
  void SetInfoPanelLayout(bool sideColumn);
  void InfoPanelDblClick();
  // The Up and Down panels of the fixed-level entry (their "Tag" property: 1 up, 2 down).
  void UpDownPanelMouseDown(QFrame *panel);
  void UpDownPanelMouseUp(QFrame *panel);
  // "Ping Camera...": a continuous ping of the camera in a terminal, through the network policy.
  void Ping1Click();
  // File browser panel (main_window_browser.cpp), hidden for the whole run. BrowseShowFolder lists
  // the browse folder and selects a line.
  void BrowseShowFolder(int select);
  void FilesLBClick();
  void FilesLBDblClick();
  void FilesLBKeyDown(int key); // Qt key code
  void PreviewPBPaint();
  // Comments (main_window_comments.cpp).
  void InfoEditExecute();
  void InfoEditKeyDown(int key); // Qt key code: Enter stores, Esc drops
  void FileInfoLabelClick();
  void FileInfoPanelResize();
  void SoundImageClick();
  void SoundTimerTimer();
  SoundDevice &SoundOutput();
  // The hidden "!" button: 4.5 s of sound from the input into the recorder's fixed file.
  void FixedFileSBClick();
  bool FFixedFileRecording = false;
  // Starts the on-screen keyboard (true) and returns its process id (0: not started), or lets go of
  // it (false; it keeps running) and returns 0.
  std::int64_t OSKExec(bool start);
  void BuildSetupPanel();
  void ConnectSetupPanel();
  void ConnectFixedLevelSpin();
  void ApplyInfoPanelLayout(bool sideColumn);
  // Places the info labels of the current layout, each as wide as its text needs (see FitInfoLabels).
  void PlaceInfoLabels();
  void PlaceClosePanel();
  void BuildFileBrowser();
  void BuildSoundButton();
  void ConnectComments();

  // ---- Acquisition (acquisition/ui/) ----
  // Visible-light video (main_window_video.cpp). The Video command builds the capture on first use
  // (asking for the device when there are several) and then switches the video view on and off; the
  // palette timer draws the frames.
  void VideoSBClick();
  // The "0" key: the visible-light frame becomes the current thermogram, as a grey image.
  void GrabVideoToImage();
  // An item of the device menu: its Tag becomes the menu's.
  void VideoDeviceMenuClick(QAction *item);
  // A format chosen in VideoSetupCB: applied, and the video panel fitted to it.
  void VideoSetupCBChange();
  // The running device's settings.
  void VideoSetupSBClick();
  // Saves the current video frame as "c:\video_capture.bmp" (JPEG data).
  void VideoPanelDblClick();
  // Places VideoPanel over the image area at the given aspect, centred, covering all of it.
  void FitVideoPanel(double aspect);
  // The palette timer's step while video is on: the current frame onto the image or the video window.
  void PaintVideoFrame();
  // The image box shows the video rather than the thermogram: video on and shown, no scan running,
  // not a two-window layout.
  bool VideoShownOnImage() const;
  // The image box's picture: the last video frame fitted, the bars black.
  void DrawVideoOnImage();
  void BuildVideoControls();
  QToolButton *VideoSB = nullptr;
  // Battery gauges (main_window_battery.cpp) on the info panel, placed by the info panel's layout.
  void BuildBatteryGauges();
  void PlaceBatteryGauges();
  // The USB thermal module (main_window_module.cpp): started only in module mode (FSeekMode), and its
  // frame message.
  void StartThermalModule();
  void StopThermalModule();
  void ModuleFrameArrived(const Message &message);
  TPeripheralsState FPeripherals;
  TAcquisitionState FAcquisition;
  // Start and stop, film finishing and the commands of the scan tool panel, its keys and the
  // Options panel (main_window_acquisition.cpp).
  void ScanSBClick();
  // Returns at once: no command of the program starts acquisition (it says so over the image, and
  // the Scan button goes back up).
  void StartScan();
  void StopScan();
  void SaveFilm();
  void F9Execute();
  void F10Execute();
  void F11Execute();
  void F12Execute();
  void CtrlF12Execute();
  void Alt1Execute();
  void Alt2Execute();
  void Alt3Execute();
  void AltFExecute();
  void AltF6Execute();
  void SpeedChangeActionExecute(QObject *control);
  void SumPanelClick();
  void LaserPanelClick();
  void FrameSBClick();
  void ButterAutoFocus1Click();
  // "Focus" of the Butter Fly menu: the focus overlay on the image on or off.
  void Focus1Click();
  // The focus slider; hidden, as nothing in the program shows it.
  TFocusSlider *FocusPB = nullptr;
  void OptionsPanelClick();
  // The acquisition thread against a camera, as a harness drives it (no command does): the thread
  // posts to this window. Stop ends and releases it.
  TScan &StartAcquisitionThread(const TScanUnit &unit, std::uint16_t cameraPort, const TLanTimings &timings);
  void StopAcquisitionThread();
  WindowHandle AcquisitionWindowHandle();
  // Frame arrival (main_window_frames.cpp) and scan lines (main_window_scan_lines.cpp).
  void DrawAcquisitionOverlay(QPainter &painter);
  bool MenuChecked(const char *name) const;
  QFrame *ScanToolPanel = nullptr;

private:
  bool Scanning() const;
  bool IdleScan() const;
  void ScanOnlyNotice(const QString &command);
  void RestoreScanButton();
  // The stop's step for the USB camera: its stop command through the thread's pipe.
  void SendUsbStopCommand();
  void RequestSpeedKey(std::uint8_t speed, const QString &key);
  void RequestRangeKey(std::uint8_t range, const QString &key);
  void BuildAcquisitionControls();
  void FrameResultHandling(const TFrameResult &result);
  void ProcessFrame(const TCameraFrame &frame);
  void RecordFilmFrame(bool dualBand);
  void SaveFilmVideoFrame(const std::filesystem::path &drive, int frameCount);
  void SaveFixedFile(bool dualBand);
  void TemperatureAlarm(bool dualBand);
  void EndFrameTiming(const TCameraFrame &frame);
  void StartLineSweep();
  void PanoramaFrameStep();
  void WaitForStripStep6();

public:
  // ---- Head and panoramas (head/ui/) ----
  // Head commands of the menus (head/ui/main_window_head.cpp); JoyMove and the head step message above
  // are there too.
  void ConnectHeadCommands();
  void ScanforPanHead1Click();
  void Point01Click();
  void ChangeHeadPosition1Click();
  // The head control form, filled from the program's settings ("Adjust Qor Driver", "Panoram Head
  // Control").
  void AdjustDriverItemClick();
  // Service test: the head up and down until chosen again or the program closes.
  void MoveHeadUpDnClick();
  void tabTan21Click();
  void tr1Click();
  // Items of the Projection menu and the plane switches; the item's "Tag" is the projection kind.
  void ChangeProjection(QAction *item);
  void SetAutoAspectClick();
  void ProjectFrame1Click();
  // The panorama items follow HeadConnected.
  void SetHeadMenuItems();
  // Why a head command did nothing: drawn over the image and logged.
  void HeadNotice(const QString &text);
  // The stick's position and buttons at the image's top left after a joystick move, until the view
  // changes.
  void DrawJoystickPosition(QPainter &painter);
  THeadState FHeadState;
  // Panorama commands (head/ui/main_window_panorama.cpp): stitching a folder, the re-stitch of the
  // last one, all eight frame orders, the parameter file of a scan, the service presets and dialog.
  void ConnectPanoramaCommands();
  // Asks for a folder and stitches it; with allOrders in every frame order ("Try All Orders").
  void OpenPanFolder1Click(bool allOrders);
  void ProcessPanFolder(const QString &folder, bool allOrders);
  // The last folder again with the head control form's settings, or a folder asked for.
  void ReStitchBtnClick();
  void CreateaDTVandappendDTV1Click();
  void ShowPanDialogClick();
  // The parameter file of a panorama scan: the head's identity and the geometry settings.
  void WriteHeadIni(const QString &fileName);
  // The dialog's geometry fields from the settings.
  void FillPanDialog();
  TPanoramaState FPanorama;
  // Panorama by frames (head/ui/main_window_pano_frames.cpp) and strips (head/ui/main_window_strip.cpp),
  // both fed by frames of a running acquisition.
  void ConnectPanoSequenceCommands();
  void PanoPanelClick();
  void Strip1Click();
  void PanByFramesClick();
  void StartPanByFrames();
  // The frame of the current cell is complete: save it and move on.
  void NextPanoFrame();
  void StripActionExecute(const TStripLineCount &lines);
  // "Pan by Strips" (an invisible item): the columns of a panorama of strips, asked for in the two-value
  // panel.
  void PanByStripsClick();
  // Ctrl+F, and the stop of a scan that Ctrl+F asked to merge (head/ui/main_window_merge_scans.cpp): the
  // frames of a multi-frame scan become one wide frame, saved at once. One frame: nothing happens.
  void MergeMultiScan();
  // The head did not identify itself: the panorama items off, the search item on.
  void HeadLostForSequence();
  TPanoSequenceState FPanoSequence;

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
  // Once every window exists (AfterAllWindowsCreated).
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
  // Measurement: menus, labels, panels and the image box's mouse (analysis/ui/measure_controls.cpp).
  void BuildMeasureControls();
  void BuildValuePanels();
  void BuildHeatPanel();
  TGestureContext GatherGestureContext();
  void CarryOutGesture(const TGestureEffects &effects, const TGestureContext &context);
  void ResetAllFromMouse();
  void RepaintOverlays();
  // Why a measurement command changed nothing: drawn over the image until the view changes, and logged.
  void MeasureNotice(const QString &text);

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
// The program's window and tray icon.
QIcon ProgramIcon();

} // namespace calidarix
