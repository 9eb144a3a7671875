#include "mainwindow/ui/palette_form.h"

#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/paint_boxes.h"
#include "thermogram/palette_files.h"
#include "thermogram/thermogram_globals.h"

#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace calidarix {

namespace {

constexpr int kLabelTop = 4;
constexpr int kStripLeft =
    6; // the labels panel and the strip share their left edge, so a node sits on its entry

struct Swatch {
  const char *name;
  const char *hint;
  int x, top;
  TRGB color;
};

constexpr Swatch kSwatches[] = {
    {"Panel16", "Black", 4, 4, {0, 0, 0}},        {"Panel7", "Gray", 4, 24, {128, 128, 128}},
    {"Panel8", "White", 24, 4, {255, 255, 255}},  {"Panel15", "Silver", 24, 24, {192, 192, 192}},
    {"Panel1", "Red", 44, 4, {255, 0, 0}},        {"Panel9", "Maroon", 44, 24, {128, 0, 0}},
    {"Panel6", "Yellow", 64, 4, {255, 255, 0}},   {"Panel14", "Olive", 64, 24, {128, 128, 0}},
    {"Panel2", "Lime", 84, 4, {0, 255, 0}},       {"Panel10", "Green", 84, 24, {0, 128, 0}},
    {"Panel4", "Aqua", 104, 4, {0, 255, 255}},    {"Panel12", "Teal", 104, 24, {0, 128, 128}},
    {"Panel3", "Blue", 124, 4, {0, 0, 255}},      {"Panel11", "Navy", 124, 24, {0, 0, 128}},
    {"Panel5", "Fuchsia", 144, 4, {255, 0, 255}}, {"Panel13", "Purple", 144, 24, {128, 0, 128}},
    {"Panel24", "Orange", 164, 4, {255, 128, 0}}, {"Panel25", "Brown", 164, 24, {128, 64, 0}},
    {"Panel28", "", 184, 4, {128, 255, 0}},       {"Panel29", "Forest", 184, 24, {64, 128, 0}},
    {"Panel26", "Violet", 204, 4, {128, 0, 255}}, {"Panel27", "River", 204, 24, {64, 0, 128}},
};

QColor ToQColor(TRGB c) {
  return QColor(c.R, c.G, c.B);
}

void Fill(QWidget *widget, const QColor &colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

bool RunQtFileDialog(QWidget *parent, TPalFileDialog &dialog, bool save) {
  QFileDialog box(parent, save ? QStringLiteral("Save") : QStringLiteral("Load"), dialog.InitialDir);
  box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = QtNameFilters(dialog.Filter).split(QStringLiteral(";;"));
  box.setNameFilters(filters);
  if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
    box.selectNameFilter(filters[dialog.FilterIndex - 1]);
  QString suffix = dialog.DefaultExt;
  suffix.remove(QStringLiteral("*.")); // "*.pal" names the suffix "pal"
  box.setDefaultSuffix(suffix);
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
    return false;
  dialog.FileName = box.selectedFiles().constFirst();
  dialog.FilterIndex = static_cast<int>(filters.indexOf(box.selectedNameFilter())) + 1;
  return true;
}

} // namespace

TPaletteForm::TPaletteForm(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PaletteForm"));
  setWindowTitle(QStringLiteral("Palette"));
  setFixedSize(286, 163);
  SavePalDialog.Filter = QString::fromUtf8("IR Palette|*.IRP|Microsoft Palette\u00ae|*.PAL|RGB(64)|*.COL");
  SavePalDialog.DefaultExt = QStringLiteral("*.pal");
  OpenPalDialog.Filter = QStringLiteral("IR Palette|*.IRP");
  OpenPalDialog.DefaultExt = QStringLiteral("*.irp");
  RunFileDialog = RunQtFileDialog;
  ShowError = [](QWidget *owner, const QString &text) {
    QMessageBox::warning(owner, QStringLiteral("Palette"), text);
  };
  BuildControls();
  SetPanelColor(FNodes.Color(1));
  ShowNodes();
  UpDatePalette();
}

void TPaletteForm::BuildControls() {
  LabelsPanel = new QFrame(this);
  LabelsPanel->setObjectName(QStringLiteral("LabelsPanel"));
  LabelsPanel->setGeometry(kStripLeft, 2, 273, 17);
  auto *panelPress = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress)
      return false;
    LabelsPanelMouseDown(static_cast<QMouseEvent *>(event)->position().toPoint().x());
    return true;
  });
  panelPress->Watch(LabelsPanel);

  auto *labelMouse = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    const int node = watched->property("Tag").toInt();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      LabelMouseDown(node, mouse->button(), mouse->position().toPoint().x());
      return true;
    }
    case QEvent::MouseMove:
      if (node > 1 && node < TPaletteNodes::kCount)
        LabelMouseMove(node, static_cast<QMouseEvent *>(event)->position().toPoint().x());
      return true;
    case QEvent::MouseButtonRelease:
      LabelMouseUp();
      return true;
    default:
      return false;
    }
  });
  QFont small = font();
  small.setPointSize(7);
  for (int node = 1; node <= TPaletteNodes::kCount; ++node) {
    auto *label = new QLabel(LabelsPanel);
    label->setObjectName(QStringLiteral("NodeLabel%1").arg(node));
    label->setProperty("Tag", node);
    label->setFont(small);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Dark)); // the button-shadow colour
    label->setPalette(palette);
    labelMouse->Watch(label);
    FLabels[static_cast<std::size_t>(node)] = label;
  }

  PaintBox2 = new TPaintBox(this);
  PaintBox2->setObjectName(QStringLiteral("PaintBox2"));
  PaintBox2->setGeometry(kStripLeft, 19, 273, 5);
  PaintBox2->OnPaint = [this] { PaintRuler(PaintBox2, false); };
  PalPanel = new QFrame(this);
  PalPanel->setObjectName(QStringLiteral("PalPanel"));
  PalPanel->setGeometry(kStripLeft, 24, 256, 20);
  PaintBox3 = new TPaintBox(PalPanel);
  PaintBox3->setObjectName(QStringLiteral("PaintBox3"));
  PaintBox3->setGeometry(0, 0, 256, 20);
  PaintBox3->OnPaint = [this] { PaintStrip(); };
  PaintBox1 = new TPaintBox(this);
  PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
  PaintBox1->setGeometry(kStripLeft, 44, 273, 5);
  PaintBox1->OnPaint = [this] { PaintRuler(PaintBox1, true); };

  auto *swatches = new QFrame(this);
  swatches->setObjectName(QStringLiteral("SwatchPanel"));
  swatches->setGeometry(2, 52, 226, 44);
  auto *swatchClick = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress)
      return false;
    ColPanelClick(static_cast<QFrame *>(watched));
    return true;
  });
  for (const Swatch &s : kSwatches) {
    auto *swatch = new QFrame(swatches);
    swatch->setObjectName(QString::fromLatin1(s.name));
    swatch->setFrameShape(QFrame::Panel);
    swatch->setFrameShadow(QFrame::Sunken);
    swatch->setGeometry(s.x, s.top, 16, 16);
    swatch->setToolTip(QString::fromLatin1(s.hint));
    Fill(swatch, ToQColor(s.color));
    swatchClick->Watch(swatch);
  }

  ColorPanel = new QFrame(this);
  ColorPanel->setObjectName(QStringLiteral("ColorPanel"));
  ColorPanel->setFrameShape(QFrame::Panel);
  ColorPanel->setFrameShadow(QFrame::Sunken);
  ColorPanel->setGeometry(232, 56, 50, 36);

  auto *editKeys = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    auto *edit = static_cast<QLineEdit *>(watched);
    switch (event->type()) {
    case QEvent::FocusIn:
      EditEnter(edit);
      return false;
    case QEvent::FocusOut:
      ColorProcess();
      return false;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent *>(event)->key();
      if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
      QWidget *next = edit == Edit1   ? static_cast<QWidget *>(Edit2)
                      : edit == Edit2 ? static_cast<QWidget *>(Edit3)
                                      : static_cast<QWidget *>(BitBtn1);
      next->setFocus(Qt::TabFocusReason);
      return true;
    }
    default:
      return false;
    }
  });
  const auto addEdit = [&](const char *name, const char *caption, const char *hint, int x) {
    auto *label = new QLabel(QString::fromLatin1(caption), this);
    label->setGeometry(x, 102, 10, 16);
    auto *edit = new QLineEdit(QStringLiteral("0"), this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(QString::fromLatin1(hint));
    edit->setGeometry(x + 10, 100, 34, 20);
    editKeys->Watch(edit);
    return edit;
  };
  Edit1 = addEdit("Edit1", "R", "Red", 4);
  Edit2 = addEdit("Edit2", "G", "Green", 52);
  Edit3 = addEdit("Edit3", "B", "Blue", 100);

  const auto addButton = [&](const char *name, const char *hint, const QString &text,
                             QStyle::StandardPixmap icon, int x, void (TPaletteForm::*handler)()) {
    auto *button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    if (text.isEmpty())
      button->setIcon(style()->standardIcon(icon));
    else
      button->setText(text);
    button->setGeometry(x, 99, 24, 22);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
  };
  InvertBtn = addButton("InvertBtn", "Invert", QStringLiteral("Inv"), QStyle::SP_CustomBase, 154,
                        &TPaletteForm::InvertBtnClick);
  RotateBtn = addButton("RotateBtn", "Rotate", QStringLiteral("Rot"), QStyle::SP_CustomBase, 180,
                        &TPaletteForm::RotateBtnClick);
  ResetBtn = addButton("ResetBtn", "Restore", QString(), QStyle::SP_BrowserReload, 206,
                       &TPaletteForm::ResetBtnClick);
  SavePalSB = addButton("SavePalSB", "Save", QString(), QStyle::SP_DialogSaveButton, 232,
                        &TPaletteForm::SavePalSBClick);
  OpenPalSB = addButton("OpenPalSB", "Load", QString(), QStyle::SP_DialogOpenButton, 258,
                        &TPaletteForm::OpenPalSBClick);
  auto *hidden = new QToolButton(this);
  hidden->setObjectName(QStringLiteral("SpeedButton5"));
  hidden->hide();

  BitBtn2 = new QPushButton(QStringLiteral("&Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(124, 130, 75, 26);
  BitBtn2->setAutoDefault(false);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  BitBtn1 = new QPushButton(QStringLiteral("&Ok"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(205, 130, 75, 26);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

// ---- Showing the nodes ----

void TPaletteForm::ShowNodes() {
  for (int node = 1; node <= TPaletteNodes::kCount; ++node) {
    QLabel *label = FLabels[static_cast<std::size_t>(node)];
    const int position = FNodes.Position(node);
    label->setText(QString::number(position));
    label->adjustSize();
    label->move(position, kLabelTop);
    // Only the selected node's label is opaque, and it lies over its neighbours.
    const bool selected = node == FNodes.Selected();
    label->setAutoFillBackground(selected);
    if (selected)
      label->raise();
    label->setVisible(FNodes.Visible(node));
  }
}

void TPaletteForm::UpDatePalette() {
  FNodes.UpDatePalette();
  PaintBox3->update();
}

void TPaletteForm::SetPanelColor(TRGB color) {
  FPanelColor = color;
  Fill(ColorPanel, ToQColor(color));
}

void TPaletteForm::UpDateEditValues() {
  Edit1->setText(QString::number(FPanelColor.R));
  Edit2->setText(QString::number(FPanelColor.G));
  Edit3->setText(QString::number(FPanelColor.B));
}

void TPaletteForm::PaintStrip() {
  QImage strip(256, 1, QImage::Format_RGB32);
  const TPaletteTable &table = FNodes.Table();
  for (int i = 0; i < 256; ++i) {
    const TRGB &c = table[static_cast<std::size_t>(i)];
    strip.setPixel(i, 0, qRgb(c.R, c.G, c.B));
  }
  PaintBox3->Picture = strip.scaled(PaintBox3->size());
}

void TPaletteForm::PaintRuler(TPaintBox *box, bool below) {
  QImage picture(box->size(), QImage::Format_RGB32);
  picture.fill(palette().color(QPalette::Window));
  const int h = picture.height();
  for (int i = 0; i < 52; ++i) {
    const int x = 8 + 5 * i;
    const bool even = i % 2 == 0;
    // Below the strip the ticks hang from the top; above it they stand on the bottom edge.
    const int from = below ? 1 : h - 5 + (even ? 0 : 1);
    const int to = below ? (even ? 4 : 3) : h - 2;
    for (int y = from; y < to; ++y)
      if (x < picture.width() && y >= 0 && y < h)
        picture.setPixel(x, y, qRgb(0, 0, 0));
  }
  box->Picture = picture;
}

// ---- Nodes ----

void TPaletteForm::LabelsPanelMouseDown(int x) {
  if (FNodes.AddNode(x, FPanelColor) == 0)
    return;
  ShowNodes();
  UpDatePalette();
}

void TPaletteForm::LabelMouseDown(int node, Qt::MouseButton button, int x) {
  if (button == Qt::RightButton && node > 1 && node < TPaletteNodes::kCount) {
    FNodes.DeleteNode(node);
    ShowNodes();
    UpDatePalette();
  } else if (button == Qt::LeftButton) {
    FNodes.Select(node);
    FDragX = x;
    FDragging = true;
    ShowNodes();
  }
  SetPanelColor(FNodes.Color(FNodes.Selected()));
  UpDateEditValues();
}

void TPaletteForm::LabelMouseUp() {
  FDragging = false;
}

void TPaletteForm::LabelMouseMove(int node, int x) {
  if (!FDragging || node != FNodes.Selected())
    return;
  FNodes.DragSelected(x - FDragX);
  ShowNodes();
  UpDatePalette();
}

// ---- Colours ----

void TPaletteForm::EditEnter(QLineEdit *edit) {
  std::uint8_t &entry = edit == Edit1 ? FEntryR : edit == Edit2 ? FEntryG : FEntryB;
  entry = ColourEditValue(edit->text(), entry);
}

void TPaletteForm::ColorProcess() {
  const auto take = [](QLineEdit *edit, std::uint8_t onEntry) {
    const std::uint8_t value = ColourEditValue(edit->text(), onEntry);
    edit->setText(QString::number(value));
    return value;
  };
  const TRGB color{take(Edit1, FEntryR), take(Edit2, FEntryG), take(Edit3, FEntryB)};
  SetPanelColor(color);
  FNodes.SetSelectedColor(color);
  UpDatePalette();
}

void TPaletteForm::ColPanelClick(QFrame *swatch) {
  const QColor c = swatch->palette().color(QPalette::Window);
  const TRGB color{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                   static_cast<std::uint8_t>(c.blue())};
  SetPanelColor(color);
  FNodes.SetSelectedColor(color);
  UpDateEditValues();
  UpDatePalette();
}

// ---- Buttons ----

void TPaletteForm::InvertBtnClick() {
  FNodes.Invert();
  SetPanelColor(FNodes.Color(FNodes.Selected()));
  UpDateEditValues();
  UpDatePalette();
}

void TPaletteForm::RotateBtnClick() {
  FNodes.Rotate();
  SetPanelColor(FNodes.Color(FNodes.Selected()));
  UpDateEditValues();
  ShowNodes();
  UpDatePalette();
}

void TPaletteForm::ResetBtnClick() {
  FNodes.Restore();
  SetPanelColor(FNodes.Color(1));
  UpDateEditValues();
  ShowNodes();
  UpDatePalette();
}

void TPaletteForm::SavePalSBClick() {
  if (!RunFileDialog(this, SavePalDialog, true))
    return;
  const QString name = SavePalDialog.FileName;
  LastSavedPalName = name;
  IoResult written;
  switch (SavePalDialog.FilterIndex) {
  case 2:
    written = WritePalFile(name, FNodes.Table());
    break;
  case 3:
    written = WriteColFile(name, FNodes.Table());
    break;
  default:
    written = WriteIrpFile(name, FNodes.Records());
    break;
  }
  if (!written)
    ShowError(this, written.message);
}

void TPaletteForm::OpenPalSBClick() {
  if (!RunFileDialog(this, OpenPalDialog, false))
    return;
  LastSavedPalName = OpenPalDialog.FileName;
  if (!ReadPal(OpenPalDialog.FileName))
    return;
  SetPanelColor(FNodes.Color(1));
  UpDateEditValues();
  ShowNodes();
  UpDatePalette();
}

bool TPaletteForm::ReadPal(const QString &fileName) {
  std::vector<TPaletteRecord> records;
  const IoResult read = ReadIrpFile(fileName, records);
  if (!read) {
    ShowError(this, read.message);
    return false;
  }
  FNodes.LoadRecords(records);
  return true;
}

} // namespace calidarix
