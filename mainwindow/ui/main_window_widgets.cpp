// The components of the main window. Every component's objectName is its name in the caption table, so
// the language routine and the tests find it by name. Texts are set by SetLanguageCaptions at start-up;
// the English ones given here are the design-time texts.

#include "mainwindow/info_panel_layout.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/flow_layout.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/menu_item.h"
#include "mainwindow/ui/widget_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>
#include <tuple>

namespace calidarix {

namespace {

QAction *AddItem(QMenu *menu, const char *name, const char *text) {
  auto *item = Named(new TMenuItem(QString::fromUtf8(text), menu), name);
  menu->addAction(item);
  return item;
}

QMenu *AddMenu(QMenuBar *bar, const char *name, const char *title) {
  return Named(bar->addMenu(QString::fromUtf8(title)), name);
}

QMenu *AddSubMenu(QMenu *menu, const char *name, const char *title) {
  return Named(menu->addMenu(QString::fromUtf8(title)), name);
}

QLabel *AddLabel(QWidget *parent, const char *name, const char *text) {
  return Named(new QLabel(QString::fromUtf8(text), parent), name);
}

QFrame *Panel(QWidget *parent, const char *name) {
  auto *frame = Named(new QFrame(parent), name);
  frame->setFrameShape(QFrame::StyledPanel);
  return frame;
}

// The widest text a value label usually shows, so that the columns keep still while the mouse moves:
// five characters of a temperature (the plus of a difference is wider than a digit), six digits of a
// pixel count (307200 of a 640 x 480 frame), a share in percent.
QString InfoValueSample(const char *name) {
  static const std::pair<const char *, const char *> kSamples[] = {
      {"XLabel", "0000"},     {"YLabel", "0000"},          {"TemperatureLabel", "+0000"},
      {"MaxLabel", "00000"},  {"MinLabel", "00000"},       {"AvgLabel", "00000"},
      {"PtsLabel", "000000"}, {"FramesLabel", "00000"},    {"FrameLabel", "00000"},
      {"TimeLabel", "00000"}, {"FrameTimeLabel", "00000"}, {"AIsoLabel", "00000%"},
  };
  for (auto [label, sample] : kSamples)
    if (std::strcmp(label, name) == 0)
      return QString::fromLatin1(sample);
  return QString();
}

} // namespace

void TCalidarix::BuildComponents() {
  BuildMenus();
  auto *central = Named(new QWidget(this), "ClientArea");
  setCentralWidget(central);
  auto *column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  BuildToolBar();
  column->addWidget(ToolPanel);
  BuildPanels();
  BuildFileBrowser();
  auto *row = new QHBoxLayout;
  row->setSpacing(0);
  for (QWidget *w : {static_cast<QWidget *>(FPanels.FilesPanel), static_cast<QWidget *>(BlackPanelLeft),
                     static_cast<QWidget *>(BigButtonsPanel), static_cast<QWidget *>(ImagePanel),
                     static_cast<QWidget *>(PalBasePanel), static_cast<QWidget *>(InfoBasePanel),
                     static_cast<QWidget *>(BlackPanelRight)})
    row->addWidget(w, w == ImagePanel ? 1 : 0);
  column->addLayout(row, 1);
  column->addWidget(FileInfoPanel);
  // Palette and range commands
  BuildPaletteControls();
  BuildRangeControls();
  // Measurement
  BuildMeasureControls();
  FServices.view->Attach(*this);
  ConnectFilesAndMessages();
  // Setup panel, file browser, comments: the design's info panel is the strip at the bottom.
  ConnectSetupPanel();
  ConnectComments();
  ApplyInfoPanelLayout(false);
  ConnectHeadCommands();
  BuildExportControls();
  BuildVideoControls();
  BuildGraphControls();
  BuildKeyCommands();
  // Acquisition
  FServices.acquisition->Attach(*this);
  BuildAcquisitionControls();
  ConnectPanoSequenceCommands();
  BuildView3DControls();
  BuildFilmsControls();
  // The keys are the window's commands: a tool button holding the focus would take Space and Enter and
  // run its own command again. This covers the buttons of every panel, whoever built them.
  for (QToolButton *button : findChildren<QToolButton *>())
    button->setFocusPolicy(Qt::NoFocus);
  // A menu item whose command is not built yet says so over the image when chosen.
  for (TMenuItem *item : findChildren<TMenuItem *>())
    item->SetUnbuiltReport([this](const QString &what) { NotAvailable(what); });
}

void TCalidarix::BuildMenus() {
  QMenuBar *bar = Named(menuBar(), "MainMenu1");
  Blank = Named(bar->addAction("[-]"), "Blank");
  connect(Blank, &QAction::triggered, this, &TCalidarix::ImageOnlyMode);

  QMenu *file = AddMenu(bar, "File1", "File");
  AddItem(file, "New1", "New");
  AddItem(file, "Open1", "Open [F1]");
  AddItem(file, "Save1", "Save [F2]");
  AddItem(file, "SaveAs1", "Save As... [Alt+F2]");
  QMenu *imageType = AddSubMenu(file, "ImageType1", "Image Type");
  AddItem(imageType, "ImageOnly4", "Image Only");
  AddItem(imageType, "ImageOnly5", "Image+Scale");
  AddItem(imageType, "ImageOnly6", "Image+Scale+Info");
  AddItem(imageType, "ImageOnly7", "Scale Only");
  AddItem(file, "SaveImage1", "Save Image... [P]");
  AddItem(file, "Multy1", "Multy [Tab]");
  AddItem(file, "Print1", "Print...");
  Exit1 = AddItem(file, "Exit1", "Exit [Alt+X]");
  connect(Exit1, &QAction::triggered, this, &QWidget::close);

  QMenu *edit = AddMenu(bar, "Edit1", "Edit");
  AddItem(edit, "CopyImage1", "Copy Image [Ctrl+C]");
  AddItem(edit, "CopyMarkers1", "Copy Markers [Ctrl+V]");
  AddItem(edit, "CopyInfo1", "Copy Info");
  AddItem(edit, "ShowMinMax1", "Show Min/Max")->setCheckable(true);
  AddItem(edit, "DoubleMinMax1", "Double Min/Max")->setCheckable(true);
  AddItem(edit, "Emissivity1", "Emissivity [E]");
  AddItem(edit, "RealTemperature1", "Real Temperature [Alt+E]");

  QMenu *scan = AddMenu(bar, "Scan1", "Scan");
  Start1 = AddItem(scan, "Start1", "Start [F5]");
  AddItem(scan, "Stop1", "Stop [Esc]");
  Interface1 = AddItem(scan, "Interface1", "Interface...");
  connect(Interface1, &QAction::triggered, this, &TCalidarix::Interface1Click);
  AddItem(scan, "Ping1", "Ping Camera...");

  QMenu *tools = AddMenu(bar, "Tools1", "Tools");
  AddItem(tools, "ThermoProfile1", "Thermo Profile [G]");
  AddItem(tools, "TimeProfile1", "Time Profile [J]");
  AddItem(tools, "Histogram1", "Histogram [H]");
  AddItem(tools, "N3DMode1", "3D View [N]");
  AddItem(tools, "DateTimeMode1", "Date-Time Mode [D]")->setCheckable(true);
  AddItem(tools, "FolderToFilm", "Folder to Film");
  AddItem(tools, "FolderToJPG2", "Folder to JPG");
  AddItem(tools, "Setup1", "Setup... [.]");

  QMenu *panorama = AddMenu(bar, "Panoram1", "Panorama");
  AddItem(panorama, "OpenPanFolder1", "Open Panoram Folder");
  AddItem(AddSubMenu(panorama, "PanoramOptions1", "Panoram options"), "Blending1", "Blending");
  AddItem(panorama, "ScanforPanHead1", "Search for Pan Head");
  AddItem(panorama, "PanByFrames", "Start Panoram [P]");
  // Kept out of sight: it only asks for the columns of a panorama of strips, which nothing scans yet.
  QAction *byStrips = AddItem(panorama, "PanByStrips", "Pan by Strips");
  byStrips->setVisible(false);
  byStrips->setEnabled(false);
  AddItem(panorama, "Strip1", "Start Strip [S]");
  AddItem(panorama, "PanoramHeadControl1", "Panoram Head Control");
  AddItem(panorama, "Point01", "Move to >0< position");
  AddItem(panorama, "ChangeHeadPosition1", "Change position");
  AddItem(panorama, "AutoStitch", "Auto stitch");
  AddItem(panorama, "KeepOnPanning", "Keep on sanning");
  AddItem(panorama, "KeepOnStripping", "Keep on stripping");

  QMenu *projection = AddMenu(bar, "Projection1", "Projection");
  for (auto [name, text] : {std::pair{"Sphere1", "Sphere"},
                            {"Cylinder1", "Cylinder"},
                            {"Transversal1", "Transversal"},
                            {"Mercator1", "Mercator"}})
    AddItem(projection, name, text);
  AddItem(projection, "Plane1", "Plane");
  QMenu *plane = AddSubMenu(projection, "FlatProjectionOptions", "--->");
  for (auto [name, text] : {std::pair{"FrontPlaneSwitch", "Front"},
                            {"RightPlaneSwitch", "Right"},
                            {"RearPlaneSwitch", "Rear"},
                            {"LeftPlaneSwitch", "Left"}})
    AddItem(plane, name, text);
  AddItem(projection, "PolarLimited", "Polar limited");
  AddItem(projection, "PolarFull", "Polar");

  ServiceFunctions = AddMenu(bar, "ServiceFunctions", "_Service");
  ServiceFunctions->menuAction()->setVisible(false);
  LogMemo = AddItem(ServiceFunctions, "LogMemo", "LogMemo");
  connect(LogMemo, &QAction::triggered, this, &TCalidarix::LogMemoClick);
  RemoveQorReg = AddItem(ServiceFunctions, "RemoveQorReg", "Remove Qor from Reg");
  connect(RemoveQorReg, &QAction::triggered, this, &TCalidarix::RemoveQorRegClick);
  ShowProgressForm = AddItem(ServiceFunctions, "ShowProgressForm", "Show Progress Form");
  connect(ShowProgressForm, &QAction::triggered, this, &TCalidarix::ShowProgressFormClick);

  ImageWithScalePopupMenu = Named(new QMenu(this), "ImageWithScalePopupMenu");
  AddItem(ImageWithScalePopupMenu, "ImageOnly1", "Image Only");
  AddItem(ImageWithScalePopupMenu, "ImageOnly2", "Image+Scale");
  AddItem(ImageWithScalePopupMenu, "ImageOnly3", "Image+Scale+Info");
  AddItem(ImageWithScalePopupMenu, "ScaleOnly1", "Scale Only");

  ArrayPopupMenu = Named(new QMenu(this), "ArrayPopupMenu");
  for (auto [name, text] : {std::pair{"ArrayAvg1", "Array Avg"},
                            {"ArrayMax1", "Array Max"},
                            {"ArrayMin1", "Array Min"},
                            {"ArrayAll1", "Array All"}})
    AddItem(ArrayPopupMenu, name, text)->setCheckable(true);
  QMenu *arrayType = AddSubMenu(ArrayPopupMenu, "ArrayType1", "Array Type");
  AddItem(arrayType, "Rectangle1", "Rectangle")->setCheckable(true);
  AddItem(arrayType, "Ellipse1", "Ellipse")->setCheckable(true);

  PalettePopupMenu = Named(new QMenu(this), "PalettePopupMenu");
  AddItem(PalettePopupMenu, "Other1", "Other...");

  FontPopupMenu = Named(new QMenu(this), "FontPopupMenu");
  for (auto [name, text] : {std::pair{"N81", "8"},
                            {"N101", "10"},
                            {"N121", "12"},
                            {"N141", "14"},
                            {"N181", "18"},
                            {"N241", "24"}})
    AddItem(FontPopupMenu, name, text)->setCheckable(true);
  Color = AddItem(FontPopupMenu, "Color", "Color...");
  connect(Color, &QAction::triggered, this, &TCalidarix::ColorClick);
}

void TCalidarix::BuildToolBar() {
  ToolPanel = Panel(this, "ToolPanel");
  // Twenty-five buttons do not fit one row of a window sized for a 640-pixel image: they wrap to a
  // second row rather than being cut.
  auto *layout = new TFlowLayout(ToolPanel);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);
  // Short faces of the speed buttons; the hints carry the full names.
  const std::pair<const char *, const char *> buttons[] = {
      {"ScanSB", "Scan"},      {"OpenSB", "Open"},      {"SaveSB", "Save"},      {"SaveBMPSB", "Img"},
      {"CopySB", "Copy"},      {"BMPFrameSB", "Type"},  {"DelSB", "Del"},        {"PalSB", "Pal"},
      {"FrameSB", "Frm"},      {"MinMaxAvgSB", "MMA"},  {"CropSB", "Zoom"},      {"View3dSB", "3D"},
      {"GraphSB", "Prof"},     {"HistogramSB", "Hist"}, {"TimeGraphSB", "Time"}, {"FontNSB", "Font"},
      {"CopyPointsSB", "Mrk"}, {"VideoSB", "Vid"},      {"SetupSB", "Set"},      {"PrintSB", "Prn"},
      {"ExcelSB", "SLK"},      {"FixedFileSB", "!"},    {"LockSB", "Lock"},      {"LinkSB", "Link"},
      {"CopyInfoSB", "Info"},
  };
  for (auto [name, face] : buttons) {
    auto *button = Named(new QToolButton(ToolPanel), name);
    button->setText(QString::fromLatin1(face));
    button->setAutoRaise(true);
    // The keys are the window's commands: a button holding the focus would take Space and Enter and
    // run its own command again (a second save, a second open).
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    if (button->objectName() == "ScanSB")
      ScanSB = button;
    if (button->objectName() == "LockSB") {
      LockSB = button;
      LockSB->setCheckable(true);
    }
  }
  connect(ScanSB, &QToolButton::clicked, this,
          [this] { Note(FServices.acquisition->ScanSBClick(), "Scan"); });
  // The "!" button records a short sound; it is hidden, and only the program's own calls press it.
  auto *fixedFile = findChild<QToolButton *>(QStringLiteral("FixedFileSB"));
  fixedFile->setVisible(false);
  connect(fixedFile, &QToolButton::clicked, this, &TCalidarix::FixedFileSBClick);
  // "Link palette" has no command of its own: it says so in the window instead of doing nothing.
  auto *link = findChild<QToolButton *>(QStringLiteral("LinkSB"));
  connect(link, &QToolButton::clicked, this,
          [this, link] { NotAvailable(link->toolTip().isEmpty() ? link->objectName() : link->toolTip()); });
}

void TCalidarix::BuildPanels() {
  BlackPanelLeft = Panel(this, "BlackPanelLeft");
  BlackPanelRight = Panel(this, "BlackPanelRight");
  for (QFrame *black : {BlackPanelLeft, BlackPanelRight}) {
    black->setFrameShape(QFrame::NoFrame);
    SetBackground(black, Qt::black);
    black->hide();
  }

  BigButtonsPanel = Panel(this, "BigButtonsPanel");
  auto *big = new QVBoxLayout(BigButtonsPanel);
  const std::pair<const char *, const char *> bigButtons[] = {
      {"ScanPanel", "ScanNamePanel"},
      {"SavePanel", "SaveNamePanel"},
      {"SaveCommentPanel", "SaveCommentNamePanel"},
      {"OpenPanel", "OpenNamePanel"},
      {"OptionsPanel", "OptionsNamePanel"},
      {"ClearPanel", "ClearNamePanel"},
      {"PrevPanel", "PrevNamePanel"},
      {"NextPanel", "NextNamePanel"},
      {"SetPanel", "SetNamePanel"},
  };
  for (auto [picture, name] : bigButtons) {
    QLabel *face = AddLabel(BigButtonsPanel, picture, "");
    face->setMinimumSize(64, 32);
    QLabel *caption = AddLabel(BigButtonsPanel, name, "");
    caption->setAlignment(Qt::AlignCenter);
    big->addWidget(face);
    big->addWidget(caption);
    BigButtonPanels << face << caption;
  }
  findChild<QLabel *>("ScanNamePanel")->setText("Scan [F5]");
  findChild<QLabel *>("ScanPanel")->setToolTip("Scan [F5]");
  findChild<QLabel *>("SetNamePanel")->setText("Video");
  big->addStretch(1);
  BigButtonsPanel->hide();

  ImagePanel = Panel(this, "ImagePanel");
  auto *image = new QGridLayout(ImagePanel);
  image->setContentsMargins(0, 0, 0, 0);
  image->setSpacing(0);
  ImagePB = Named(new TPaintBox(ImagePanel), "ImagePB");
  ImagePB->setMinimumSize(64, 56);
  ImagePB->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  ImTopPB = Named(new QWidget(ImagePanel), "ImTopPB");
  ImBottomPB = Named(new QWidget(ImagePanel), "ImBottomPB");
  ImLeftPB = Named(new QWidget(ImagePanel), "ImLeftPB");
  ImRightPB = Named(new QWidget(ImagePanel), "ImRightPB");
  image->addWidget(ImTopPB, 0, 0, 1, 3);
  image->addWidget(ImLeftPB, 1, 0);
  image->addWidget(ImagePB, 1, 1);
  image->addWidget(ImRightPB, 1, 2);
  image->addWidget(ImBottomPB, 2, 0, 1, 3);
  // The voice-comment button on the image, placed by the view when the image has a comment.
  BuildSoundButton();
  VideoPanel = AddLabel(ImagePanel, "VideoPanel", "Initializing Video...");
  VideoPanel->hide();

  BuildSetupPanel();

  PalBasePanel = Panel(this, "PalBasePanel");
  auto *pal = new QVBoxLayout(PalBasePanel);
  pal->setContentsMargins(2, 2, 2, 2);
  MaxPanel = AddLabel(PalBasePanel, "MaxPanel", "");
  ScalePanel = Panel(PalBasePanel, "ScalePanel");
  PalSpacerPanel = Panel(PalBasePanel, "PalSpacerPanel");
  MinPanel = AddLabel(PalBasePanel, "MinPanel", "");
  PalBottomPanel = AddLabel(PalBasePanel, "PalBottomPanel", "");
  for (QLabel *value : {MaxPanel, MinPanel, PalBottomPanel})
    value->setMinimumHeight(20);
  // The range panels: a caption over the value of the displayed range's end.
  MaximumLabel = AddLabel(MaxPanel, "MaximumLabel", "Maximum:");
  PalMaxLabel = AddLabel(MaxPanel, "PalMaxLabel", "");
  MinimumLabel = AddLabel(MinPanel, "MinimumLabel", "Minimum:");
  PalMinLabel = AddLabel(MinPanel, "PalMinLabel", "");
  for (auto [panel, caption, value] :
       {std::tuple{MaxPanel, MaximumLabel, PalMaxLabel}, std::tuple{MinPanel, MinimumLabel, PalMinLabel}}) {
    auto *pair = new QVBoxLayout(panel);
    pair->setContentsMargins(2, 1, 2, 1);
    pair->setSpacing(0);
    pair->addWidget(caption);
    pair->addWidget(value);
    panel->setMinimumHeight(36);
    QFont bold = value->font();
    bold.setBold(true);
    value->setFont(bold);
  }
  // The palette window's temperatures under the bar.
  auto *limits = new QHBoxLayout(PalBottomPanel);
  limits->setContentsMargins(2, 1, 2, 1);
  PalBegLabel = AddLabel(PalBottomPanel, "PalBegLabel", "");
  PalEndLabel = AddLabel(PalBottomPanel, "PalEndLabel", "");
  limits->addWidget(PalBegLabel);
  limits->addStretch(1);
  limits->addWidget(PalEndLabel);
  // A label that holds a layout asks only for the room of its own (empty) text: as its values change,
  // it takes the width its layout needs, so that no range text is cut.
  auto *fitPanels = new TEventHook(PalBasePanel, [](QObject *watched, QEvent *event) {
    auto *panel = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::LayoutRequest && panel->layout())
      panel->setMinimumWidth(panel->layout()->minimumSize().width());
    return false;
  });
  for (QLabel *panel : {MaxPanel, MinPanel, PalBottomPanel})
    fitPanels->Watch(panel);
  BuildViewBoxes(ScalePanel);
  pal->addWidget(MaxPanel);
  pal->addWidget(ScalePanel, 1);
  pal->addWidget(PalSpacerPanel);
  pal->addWidget(MinPanel);
  pal->addWidget(PalBottomPanel);

  InfoBasePanel = Panel(this, "InfoBasePanel");
  auto *infoBase = new QVBoxLayout(InfoBasePanel);
  infoBase->setContentsMargins(0, 0, 0, 0);
  InfoPanel = Panel(InfoBasePanel, "InfoPanel");
  infoBase->addWidget(InfoPanel);
  auto *info = new QGridLayout(InfoPanel);
  ClosePanel = Named(new QPushButton("X Close", InfoPanel), "ClosePanel");
  ClosePanel->setStyleSheet("background-color: red; color: white; font-weight: bold;");
  ClosePanel->setFocusPolicy(Qt::NoFocus);
  ClosePanel->hide();
  connect(ClosePanel, &QPushButton::clicked, this, &QWidget::close);
  info->addWidget(ClosePanel, 0, 0, 1, 2);
  int r = 1;
  // Caption and value of each measurement label.
  const std::pair<const char *, const char *> measurements[] = {
      {"XLab", "XLabel"},      {"YLab", "YLabel"},        {"TLab", "TemperatureLabel"},
      {"MaxLab", "MaxLabel"},  {"MinLab", "MinLabel"},    {"AvgLab", "AvgLabel"},
      {"PtsLab", "PtsLabel"},  {"FrsLab", "FramesLabel"}, {"FrmLab", "FrameLabel"},
      {"IsoLab", "AIsoLabel"}, {"TimLab", "TimeLabel"},   {"FrtLab", "FrameTimeLabel"},
  };
  // The values come and go with the mouse; a column as wide as the longest value (five characters)
  // keeps the panel, and so the image box, from changing width with them.
  const int valueWidth = InfoPanel->fontMetrics().horizontalAdvance(QStringLiteral("888888"));
  for (auto [caption, value] : measurements) {
    info->addWidget(AddLabel(InfoPanel, caption, ""), r, 0);
    QLabel *shown = AddLabel(InfoPanel, value, "");
    shown->setMinimumWidth(valueWidth);
    info->addWidget(shown, r++, 1);
  }
  info->addWidget(AddLabel(InfoPanel, "InfoLabel", ""), r++, 0);
  findChild<QLabel *>("TLab")->setText("T:");
  XLabel = findChild<QLabel *>("XLabel");
  YLabel = findChild<QLabel *>("YLabel");
  TemperatureLabel = findChild<QLabel *>("TemperatureLabel");
  FramesLabel = findChild<QLabel *>("FramesLabel");
  FrameLabel = findChild<QLabel *>("FrameLabel");
  TimeLabel = findChild<QLabel *>("TimeLabel");
  FrameTimeLabel = findChild<QLabel *>("FrameTimeLabel");
  // The temperature in white over the image's own colours: laid over TemperatureLabel, hidden
  // while the info panel shows the black one.
  TemperatureLabelWhite = AddLabel(InfoPanel, "TemperatureLabelWhite", "");
  TemperatureLabelWhite->setStyleSheet("color: white; background: transparent;");
  TemperatureLabelWhite->hide();
  for (auto [caption, value] : {std::pair{"BlLab", "BlindLabel"}, std::pair{"ThLab", "ThermoLabel"}}) {
    QLabel *hidden = AddLabel(InfoPanel, caption, "");
    QLabel *shown = AddLabel(InfoPanel, value, "");
    hidden->hide();
    shown->hide();
    info->addWidget(hidden, r, 0);
    info->addWidget(shown, r++, 1);
  }
  ThermoLabel = findChild<QLabel *>("ThermoLabel");
  RealTimeLabel = AddLabel(InfoPanel, "RealTimeLabel", "");
  info->addWidget(RealTimeLabel, r++, 0, 1, 2);
  info->setRowStretch(r, 1);
  // Once the labels are placed by hand, a label whose text changed asks its panel to lay out again:
  // the places follow the texts, so that none is cut or runs into the next.
  auto *relayout = new TEventHook(InfoPanel, [this](QObject *, QEvent *event) {
    if (event->type() == QEvent::LayoutRequest && !InfoPanel->layout())
      PlaceInfoLabels();
    return false;
  });
  relayout->Watch(InfoPanel);

  FileInfoPanel = Panel(this, "FileInfoPanel");
  auto *fileInfo = new QHBoxLayout(FileInfoPanel);
  fileInfo->setContentsMargins(4, 2, 4, 2);
  FileInfoLabel = AddLabel(FileInfoPanel, "FileInfoLabel", "");
  fileInfo->addWidget(FileInfoLabel, 1);
  fileInfo->addWidget(AddLabel(FileInfoPanel, "Label18", "FileName:"));
  FileNameLabel = AddLabel(FileInfoPanel, "FileNameLabel", "");
  fileInfo->addWidget(FileNameLabel, 1);
  FrameRealDateLabel = AddLabel(FileInfoPanel, "FrameRealDateLabel", "");
  FrameRealTimeLabel = AddLabel(FileInfoPanel, "FrameRealTimeLabel", "");
  fileInfo->addWidget(FrameRealDateLabel);
  fileInfo->addWidget(FrameRealTimeLabel);
}

void TCalidarix::PlaceInfoLabels() {
  const auto label = [this](const char *name) {
    return InfoPanel->findChild<QLabel *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
  };
  const auto needed = [&label](const char *name) {
    const QLabel *shown = label(name);
    if (!shown || shown->isHidden())
      return 0;
    const QFontMetrics metrics = shown->fontMetrics();
    // One pixel more than the advance, which is rounded.
    return std::max(metrics.horizontalAdvance(shown->text()),
                    metrics.horizontalAdvance(InfoValueSample(name))) +
           1;
  };
  // Two spaces between a text and the next on its row, so that a caption does not read into its value.
  const int gap = 2 * InfoPanel->fontMetrics().horizontalAdvance(QLatin1Char(' '));
  const InfoPanelFit fit = FitInfoLabels(FPanels.FInfoSideColumn, needed, gap);
  for (const InfoLabelBox &box : fit.Boxes)
    if (QLabel *shown = label(box.Name))
      shown->setGeometry(box.Left, box.Top, box.Width, box.Height);
  if (FPanels.FInfoSideColumn && InfoBasePanel->minimumWidth() != fit.Width) {
    InfoBasePanel->setMinimumWidth(fit.Width);
    InfoBasePanel->setMaximumWidth(fit.Width);
  }
}

} // namespace calidarix
