#include "analysis/ui/graph_form.h"

#include "analysis/graph_export.h"
#include "mainwindow/ui/entry_focus.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/view_texts.h"
#include "platform/numbers.h"
#include "platform/scancodes.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace calidarix {

TGraphForm *GraphForm = nullptr;
TGraphForm *TimeProfileForm = nullptr;
TGraphForm *HistogramForm = nullptr;

namespace {

constexpr int kRuleHeight = 8;
constexpr int kReadoutHeight = 13;
// The form's own colour, behind the scale and the read-outs.
const QColor kFace(0xF0, 0xF0, 0xF0);

TRect BoxRect(const QWidget *box) {
  return TRect{0, 0, box->width(), box->height()};
}

QToolButton *Button(QWidget *parent, const char *name, const char *face, const char *hint, bool toggle,
                    bool down) {
  auto *button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(QString::fromLatin1(face));
  button->setToolTip(QString::fromLatin1(hint));
  button->setAutoRaise(true);
  button->setCheckable(toggle);
  button->setChecked(down);
  button->setFocusPolicy(Qt::NoFocus);
  button->setFixedSize(26, 22);
  return button;
}

TPaintBox *Box(QWidget *parent, const char *name) {
  auto *box = new TPaintBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QLabel *Label(QWidget *parent, const char *name, const char *text) {
  auto *label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(GraphFont());
  return label;
}

} // namespace

TGraphForm::TGraphForm(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("GraphForm"));
  setWindowTitle(QStringLiteral("Thermoprofile"));
  BuildComponents();
  resize(640, 225);
}

void TGraphForm::BuildComponents() {
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);

  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  auto *buttons = new QVBoxLayout(Panel2);
  buttons->setContentsMargins(1, 1, 1, 1);
  buttons->setSpacing(1);
  GraphCopySB = Button(Panel2, "GraphCopySB", "Cp", "Copy", false, false);
  BkGroundSB = Button(Panel2, "BkGroundSB", "Inv", "Invert Background", true, false);
  HorSB = Button(Panel2, "HorSB", "H", "Horizontal lines", true, true);
  VerSB = Button(Panel2, "VerSB", "V", "Vertical lines", true, true);
  GraphRemoveSB = Button(Panel2, "GraphRemoveSB", "Del", "Remove profiles", false, false);
  GraphColorSB = Button(Panel2, "GraphColorSB", "Pal", "Rainbow palette", true, false);
  SaveGraphSLKBtn = Button(Panel2, "SaveGraphSLKBtn", "XL", "Excel", false, false);
  for (QToolButton *b : {GraphCopySB, BkGroundSB, HorSB, VerSB, GraphRemoveSB, GraphColorSB, SaveGraphSLKBtn})
    buttons->addWidget(b);
  buttons->addStretch(1);
  connect(GraphCopySB, &QToolButton::clicked, this, &TGraphForm::GraphCopySBClick);
  connect(SaveGraphSLKBtn, &QToolButton::clicked, this, &TGraphForm::SaveGraphSLKBtnClick);
  connect(GraphRemoveSB, &QToolButton::clicked, this, &TGraphForm::GraphRemoveSBClick);
  for (QToolButton *b : {BkGroundSB, HorSB, VerSB, GraphColorSB})
    connect(b, &QToolButton::clicked, this, &TGraphForm::OptionButtonClick);

  GraphPB = Box(this, "GraphPB");
  GraphPB->setMinimumSize(40, 40);
  GraphPB->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

  // Right column: the sub-range bar beside the value scale and the two ends of the visible range.
  auto *right = new QWidget(this);
  auto *rightGrid = new QGridLayout(right);
  rightGrid->setContentsMargins(0, 0, 0, 0);
  rightGrid->setSpacing(0);
  PalPB = Box(right, "PalPB");
  PalPB->setFixedWidth(8);
  MaxPB = Box(right, "MaxPB");
  MinPB = Box(right, "MinPB");
  ScalePB = Box(right, "ScalePB");
  for (TPaintBox *box : {MaxPB, MinPB})
    box->setFixedSize(64, 18);
  ScalePB->setFixedWidth(64);
  ScalePB->setFont(GraphFont());
  rightGrid->addWidget(PalPB, 0, 0, 3, 1);
  rightGrid->addWidget(MaxPB, 0, 1);
  rightGrid->addWidget(ScalePB, 1, 1);
  rightGrid->addWidget(MinPB, 2, 1);

  // Bottom: the ruler under the graph, the cursor read-outs and the length of the profile.
  BottomPanel = new QFrame(this);
  BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
  BottomPanel->setFixedHeight(kRuleHeight + 2 * kReadoutHeight);
  BScalePB = Box(BottomPanel, "BScalePB");
  MarkerLabel0 = Label(BottomPanel, "MarkerLabel0", "0.00");
  MarkerLabel1 = Label(BottomPanel, "MarkerLabel1", "1.11");
  QFont bold = GraphFont();
  bold.setBold(true);
  MarkerLabel0->setFont(bold);
  DistancePanel = Label(this, "DistancePanel", "");
  DistancePanel->setAlignment(Qt::AlignCenter);
  DistancePanel->setFrameShape(QFrame::StyledPanel);
  DistancePanel->setToolTip(QStringLiteral("Length of the profile: click to calibrate"));
  DistancePanel->setFixedSize(72, kRuleHeight + 2 * kReadoutHeight);
  DistanceEdit = new QLineEdit(DistancePanel);
  DistanceEdit->setObjectName(QStringLiteral("DistanceEdit"));
  QFont terminal(QStringLiteral("DejaVu Sans Mono"));
  terminal.setBold(true);
  terminal.setPixelSize(12);
  DistanceEdit->setFont(terminal);
  DistanceEdit->setText(QStringLiteral("256"));
  DistanceEdit->setGeometry(2, 4, 68, 24);
  DistanceEdit->hide();
  DistanceEdit->installEventFilter(this);
  DistancePanel->installEventFilter(this);
  KeyLabel = Label(this, "KeyLabel", "");
  KeyLabel->hide();
  ProfileNamePanel = Label(this, "ProfileNamePanel", "");
  ProfileNamePanel->hide();

  grid->addWidget(Panel2, 0, 0, 2, 1);
  grid->addWidget(GraphPB, 0, 1);
  grid->addWidget(right, 0, 2);
  grid->addWidget(BottomPanel, 1, 1);
  grid->addWidget(DistancePanel, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(0, 1);

  GraphPB->OnPaint = [this] {
    if (GraphPB->Picture.size() != GraphPB->size())
      RenderGraph();
  };
  ScalePB->OnPaint = [this] {
    if (ScalePB->Picture.size() != ScalePB->size())
      RenderScale();
  };
  for (TPaintBox *box : {MaxPB, MinPB})
    box->OnPaint = [this, box] {
      if (box->Picture.size() != box->size())
        RenderScale();
    };
  PalPB->OnPaint = [this] {
    if (PalPB->Picture.size() != PalPB->size())
      RenderPal();
  };
  BScalePB->OnPaint = [this] {
    QImage ruler = BScalePB->NewPicture();
    ruler.fill(kFace);
    QPainter painter(&ruler);
    PaintRuler(painter, ruler.width());
    painter.end();
    BScalePB->Picture = ruler;
  };
  BottomPanel->installEventFilter(this); // the ruler follows the panel's width
  GraphPB->OnMouseDown = [this](QMouseEvent *e) {
    GraphPBMouseDown(e->button(), e->position().toPoint().x());
  };
  GraphPB->OnMouseMove = [this](QMouseEvent *e) {
    GraphPBMouseMove(e->buttons(), e->position().toPoint().x());
  };
  GraphPB->OnMouseUp = [this](QMouseEvent *e) { GraphPBMouseUp(e->button()); };
  GraphPB->OnResize = [this] { RenderGraph(); };
  PalPB->OnMouseDown = [this](QMouseEvent *e) {
    PalPBMouseDown(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
  };
  PalPB->OnMouseMove = [this](QMouseEvent *e) {
    PalPBMouseMove(e->buttons(), e->position().toPoint().x(), e->position().toPoint().y());
  };
  PalPB->OnMouseUp = [this](QMouseEvent *e) {
    PalPBMouseUp(e->position().toPoint().x(), e->position().toPoint().y());
  };
}

TGraphLook TGraphForm::Look() const {
  TGraphLook look;
  look.PaletteBars = GraphColorSB && GraphColorSB->isChecked();
  if (Calidarix) {
    look.WholeDegrees = Calidarix->FIsInteger;
    look.Palette = Calidarix->FPalette;
  }
  return look;
}

// ---- Profiles ----

void TGraphForm::StoreProfile(int n) {
  if (Tag == 2)
    return;
  if (TGraphState::StoreProfile(n) && Tag == 0 && Calidarix) {
    // Stored line k belongs to stored profile k; the image shows them all.
    std::vector<TLineRecord> &lines = Calidarix->FMarkers.FProfileLines;
    lines.resize(static_cast<std::size_t>(FStoredCount) + 1);
    lines[static_cast<std::size_t>(FStoredCount)] = Calidarix->FMarkers.FProfileLine;
    RepaintMainImage();
  }
  GraphPBPaint();
}

void TGraphForm::ClearProfiles() {
  TGraphState::ClearProfiles();
  GraphPBPaint();
}

void TGraphForm::ClearCurrentProfile() {
  TGraphState::ClearCurrentProfile();
  GraphPBPaint();
}

// ---- Painting ----

void TGraphForm::RenderGraph() {
  if (FPainting)
    return;
  FPainting = true;
  QImage picture = GraphPB->NewPicture();
  QPainter painter(&picture);
  PaintGraph(painter, BoxRect(GraphPB), *this, Look());
  painter.end();
  GraphPB->Picture = picture;
  DistancePanel->setText(DistanceText());
  PlaceMarkerLabels();
  FPainting = false;
}

void TGraphForm::GraphPBPaint() {
  RenderGraph();
  GraphPB->update();
}

void TGraphForm::RenderScale() {
  const bool whole = Look().WholeDegrees;
  const double hi = ScaleHigh(whole);
  const double lo = ScaleLow(whole);
  QImage scale = ScalePB->NewPicture();
  scale.fill(kFace);
  QPainter painter(&scale);
  painter.setFont(GraphFont());
  PaintValueScale(painter, BoxRect(ScalePB), hi, lo, Tag, whole);
  painter.end();
  ScalePB->Picture = scale;
  for (auto [box, caption, value] : {std::tuple{MaxPB, "Max:", hi}, std::tuple{MinPB, "Min:", lo}}) {
    QImage end = box->NewPicture();
    end.fill(kFace);
    QPainter p(&end);
    p.setFont(GraphFont());
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawText(QRect(4, 4, 28, 14), Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(caption));
    p.setPen(Qt::black);
    p.drawText(QRect(32, 4, 32, 14), Qt::AlignLeft | Qt::AlignTop, RangeEndText(value, Tag, whole));
    p.end();
    box->Picture = end;
  }
}

void TGraphForm::ScalePBPaint() {
  RenderScale();
  for (TPaintBox *box : {ScalePB, MaxPB, MinPB})
    box->update();
}

void TGraphForm::RenderPal() {
  QImage bar = PalPB->NewPicture();
  QPainter painter(&bar);
  painter.drawImage(QRect(QPoint(0, 0), bar.size()), SubRangeBar(*this));
  painter.end();
  PalPB->Picture = bar;
}

void TGraphForm::PalPBPaint() {
  RenderPal();
  PalPB->update();
}

void TGraphForm::UpdateReadouts() {
  const int n = SampleCount();
  if (n <= 1) {
    // Without a curve there is nothing to read out; the texts of the last one would belong to it.
    MarkerLabel0->clear();
    MarkerLabel1->clear();
    return;
  }
  QString first = CursorIndexText();
  if (Tag == 1 && CurrentDTV) {
    const TDTV &dtv = *CurrentDTV;
    const QDateTime t =
        FrameClockTime(dtv.FFileDate, CursorIndex(), dtv.FHeader.FrameCount, dtv.FHeader.FrameInterval);
    first = t.isValid() ? LongTimeText(t.time()) : QString();
  }
  MarkerLabel0->setText(first);
  MarkerLabel1->setText(CursorValueText());
}

void TGraphForm::PlaceMarkerLabels() {
  UpdateReadouts();
  const int n = SampleCount();
  if (n <= 1)
    return;
  const int x = TruncToInt32(static_cast<double>(CursorIndex()) / n * GraphPB->width());
  int top = kRuleHeight;
  for (QLabel *label : {MarkerLabel0, MarkerLabel1}) {
    label->adjustSize();
    // Centred under the cursor, but kept whole inside the panel at both ends of the graph.
    const int left =
        std::clamp(x - label->width() / 2, 0, std::max(BottomPanel->width() - label->width(), 0));
    label->move(left, top);
    top += kReadoutHeight;
  }
}

QImage TGraphForm::Picture(QSize size) {
  UpdateReadouts();
  return GraphPicture(size, *this, Look(), ScalePB->font(), MarkerLabel0->text(), MarkerLabel1->text());
}

// ---- Copy and export ----

void TGraphForm::CopyToClipboard(const TRect &r) {
  const QImage picture = Picture(QSize(r.Right - r.Left, r.Bottom - r.Top));
  if (!picture.isNull())
    QGuiApplication::clipboard()->setImage(picture);
}

void TGraphForm::GraphCopySBClick() {
  CopyToClipboard(TRect{0, 0, 576, 201});
}

void TGraphForm::ClipboardSLK() {
  TGraphExport graph{Tag, &FProfiles, FLowLimitTemp, FHighLimitTemp, 0.0};
  QGuiApplication::clipboard()->setText(GraphClipboardText(graph));
}

void TGraphForm::SaveGraphSLKBtnClick() {
  ClipboardSLK();
}

IoResult TGraphForm::SaveGraphSLK(const QString &fileName) {
  const double interval = CurrentDTV ? CurrentDTV->FHeader.FrameInterval : 0.0;
  return SaveGraphSylk(fileName, TGraphExport{Tag, &FProfiles, FLowLimitTemp, FHighLimitTemp, interval});
}

// ---- Buttons ----

void TGraphForm::GraphRemoveSBClick() {
  ClearProfiles();
  RepaintMainImage();
}

void TGraphForm::OptionButtonClick() {
  FInvertBackground = BkGroundSB->isChecked();
  FHorLines = HorSB->isChecked();
  FVerLines = VerSB->isChecked();
  GraphPBPaint();
}

// ---- Mouse ----

void TGraphForm::SetCursorFromMouse(int x) {
  const int width = std::max(GraphPB->width(), 1);
  x = std::clamp(x, 0, width - 1);
  FCursor.X = TruncToInt32(static_cast<double>(SampleCount()) * x / width);
  RepaintMainImage();
  GraphPBPaint();
}

void TGraphForm::GraphPBMouseDown(Qt::MouseButton button, int x) {
  if (Tag == 1 || (button != Qt::LeftButton && button != Qt::RightButton))
    return;
  SetCursorFromMouse(x);
}

void TGraphForm::GraphPBMouseMove(Qt::MouseButtons buttons, int x) {
  if (Tag == 1 || !(buttons & (Qt::LeftButton | Qt::RightButton)))
    return;
  SetCursorFromMouse(x);
}

void TGraphForm::GraphPBMouseUp(Qt::MouseButton button) {
  const int n = SampleCount();
  if (Tag != 0 || button != Qt::RightButton || n == 0 || !Calidarix)
    return;
  // The point of the cursor on the profile line.
  const TLineRecord &line = Calidarix->FMarkers.FProfileLine;
  const double t = static_cast<double>(CursorIndex()) / n;
  Calidarix->AddPoint(line.X1 + RoundToInt32(t * (line.X2 - line.X1)),
                      line.Y1 + RoundToInt32(t * (line.Y2 - line.Y1)), false);
}

void TGraphForm::PalPBMouseDown(Qt::MouseButton button, int x, int y) {
  if (button == Qt::LeftButton) {
    FPalDragPos = TPoint{x, y};
  } else if (button == Qt::RightButton) {
    ResetSubRange();
    PalPBPaint();
    ScalePBPaint();
    GraphPBPaint();
  }
}

void TGraphForm::PalPBMouseMove(Qt::MouseButtons buttons, int x, int y) {
  if (!(buttons & Qt::LeftButton))
    return;
  DragSubRange(x, y, PalPB->height());
  PalPBPaint();
  ScalePBPaint();
  GraphPBPaint();
}

void TGraphForm::PalPBMouseUp(int x, int y) {
  FPalDragPos = TPoint{x, y};
}

// ---- Length entry ----

void TGraphForm::DistancePanelClick() {
  DistanceEdit->setText(DistancePanel->text());
  DistanceEdit->show();
  DistanceEdit->setFocus();
  DistanceEdit->selectAll();
}

void TGraphForm::DistanceEditEnter() {
  if (const std::optional<QString> refused = AcceptDistance(DistanceEdit->text())) {
    // The entry stays open so the user can correct it; the reason shows beside it.
    DistanceEdit->setToolTip(*refused);
    QToolTip::showText(DistanceEdit->mapToGlobal(QPoint(0, DistanceEdit->height())), *refused, DistanceEdit);
    return;
  }
  DistanceEdit->setToolTip(QString());
  HideEntry(DistanceEdit);
  DistancePanel->setText(DistanceText());
}

// ---- Keys ----

bool TGraphForm::KeyDown(int scanCode) {
  switch (scanCode) {
  case 1: // Esc
    if (DistanceEdit->isVisible())
      HideEntry(DistanceEdit);
    else
      close();
    return true;
  case 19: { // R
    const std::optional<QString> caption = ResolutionStep(windowTitle());
    if (!caption)
      return false;
    setWindowTitle(*caption);
    return true;
  }
  case 29: // Ctrl
    StoreProfile(1);
    return true;
  case 34: // G
  case 35: // H
  case 36: // J
    if ((scanCode == 34 && Tag == 0) || (scanCode == 35 && Tag == 2) || (scanCode == 36 && Tag == 1))
      close();
    return true;
  default:
    if (SubRangeKey(scanCode)) {
      // The keys leave the scale and the range ends as they were; the mouse on the bar repaints them.
      PalPBPaint();
      GraphPBPaint();
    }
    return true;
  }
}

void TGraphForm::keyPressEvent(QKeyEvent *event) {
  if (!KeyDown(KeyScanCode(*event) & 0xFF))
    return;
  QWidget::keyPressEvent(event);
}

bool TGraphForm::eventFilter(QObject *watched, QEvent *event) {
  if (watched == BottomPanel && event->type() == QEvent::Resize) {
    BScalePB->setGeometry(0, 0, BottomPanel->width(), kRuleHeight);
    return false;
  }
  if (watched == DistanceEdit && event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      DistanceEditEnter();
      return true;
    case Qt::Key_Escape:
      HideEntry(DistanceEdit);
      return true;
    case Qt::Key_Backspace:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
      return false;
    default:
      // Digits only.
      return !(key->text().size() == 1 && key->text()[0].isDigit());
    }
  }
  if (watched == DistancePanel && event->type() == QEvent::MouseButtonPress) {
    DistancePanelClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TGraphForm::closeEvent(QCloseEvent *event) {
  QWidget::closeEvent(event);
  if (event->isAccepted() && Calidarix)
    Calidarix->GraphFormClosed(Tag);
}

void TGraphForm::RepaintMainImage() {
  if (Calidarix && Tag == 0)
    Calidarix->ImagePB->update();
}

} // namespace calidarix
