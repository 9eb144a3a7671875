// The two value-entry panels over the image. An opener sets the captions, the start texts and the mode
// (the panel's Tag); OK reads the numbers and acts by the mode. A panel hides before it acts, so a second
// Enter that arrives while the first is being carried out finds it hidden and does nothing.

#include "mainwindow/ui/main_window.h"

#include "analysis/measure_texts.h"
#include "analysis/value_entry.h"
#include "mainwindow/ui/entry_focus.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <functional>

namespace calidarix {

namespace {

constexpr const char *kTag = "Tag";

int TagOf(const QObject *panel) {
  return panel->property(kTag).toInt();
}

// Enter and Esc on the panels' edits.
class EntryKeys : public QObject {
public:
  EntryKeys(QObject *parent, std::function<void()> enter, std::function<void()> escape)
      : QObject(parent), enter_(std::move(enter)), escape_(std::move(escape)) {}

  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() != QEvent::KeyPress)
      return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      enter_();
      return true;
    }
    if (key == Qt::Key_Escape) {
      escape_();
      return true;
    }
    return false;
  }

private:
  std::function<void()> enter_;
  std::function<void()> escape_;
};

QLineEdit *ValueEdit(QWidget *parent, const char *name) {
  auto *edit = new QLineEdit(QStringLiteral("0.00"), parent);
  edit->setObjectName(QString::fromLatin1(name));
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setBold(true);
  edit->setFont(font);
  edit->setMaximumWidth(90);
  return edit;
}

QLabel *Caption(QWidget *parent, const char *name, const char *text) {
  auto *label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QPushButton *Button(QWidget *parent, const char *name, const char *text) {
  auto *button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

} // namespace

void TCalidarix::BuildValuePanels() {
  FixedLevelPanel = new QFrame(ImagePanel);
  FixedLevelPanel->setObjectName(QStringLiteral("FixedLevelPanel"));
  FixedLevelPanel->setFrameShape(QFrame::StyledPanel);
  FixedLevelPanel->setAutoFillBackground(true);
  auto *one = new QHBoxLayout(FixedLevelPanel);
  FixedLevelLabel = Caption(FixedLevelPanel, "FixedLevelLabel", "Fixed Level");
  FixedLevelEdit = ValueEdit(FixedLevelPanel, "FixedLevelEdit");
  // The spin panels step the number in the edit by one; the value counts when OK is pressed.
  auto *up = Caption(FixedLevelPanel, "UpPanel", "Up");
  auto *down = Caption(FixedLevelPanel, "DownPanel", "Down");
  up->setProperty(kTag, 1);
  down->setProperty(kTag, 2);
  for (QLabel *spin : {up, down}) {
    spin->setFrameShape(QFrame::Panel);
    spin->setFrameShadow(QFrame::Raised);
  }
  auto *ok = Button(FixedLevelPanel, "FixedLevelOKBtn", "&Ok");
  auto *cancel = Button(FixedLevelPanel, "FixedLevelCancelBtn", "&Cancel");
  for (QWidget *w : std::initializer_list<QWidget *>{FixedLevelLabel, FixedLevelEdit, up, down, ok, cancel})
    one->addWidget(w);
  connect(ok, &QPushButton::clicked, this, &TCalidarix::FixedLevelOKBtnClick);
  connect(cancel, &QPushButton::clicked, this, &TCalidarix::FixedLevelCancelBtnClick);
  FixedLevelEdit->installEventFilter(new EntryKeys(
      this, [this] { FixedLevelOKBtnClick(); }, [this] { FixedLevelCancelBtnClick(); }));
  class SpinClicks : public QObject {
  public:
    SpinClicks(QObject *parent, QLineEdit *edit) : QObject(parent), edit_(edit) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
      auto *panel = static_cast<QLabel *>(watched);
      if (event->type() == QEvent::MouseButtonPress) {
        panel->setFrameShadow(QFrame::Sunken);
        // Text that is no number starts the count at 4.
        double v = ParseFloat(edit_->text().toStdString(), '.').value_or(4.0);
        if (panel->property(kTag).toInt() == 1)
          v += 1.0;
        else if (v >= 1.0)
          v -= 1.0;
        edit_->setText(QString::fromStdString(FixedText(v, 2)));
      } else if (event->type() == QEvent::MouseButtonRelease) {
        panel->setFrameShadow(QFrame::Raised);
      }
      return false;
    }

  private:
    QLineEdit *edit_;
  };
  auto *spins = new SpinClicks(this, FixedLevelEdit);
  up->installEventFilter(spins);
  down->installEventFilter(spins);
  FixedLevelPanel->hide();

  FixedLevel2Panel = new QFrame(ImagePanel);
  FixedLevel2Panel->setObjectName(QStringLiteral("FixedLevel2Panel"));
  FixedLevel2Panel->setFrameShape(QFrame::StyledPanel);
  FixedLevel2Panel->setAutoFillBackground(true);
  auto *two = new QHBoxLayout(FixedLevel2Panel);
  FixedLevel2Label1 = Caption(FixedLevel2Panel, "FixedLevel2Label1", "T1:");
  FixedLevel2Edit1 = ValueEdit(FixedLevel2Panel, "FixedLevel2Edit1");
  FixedLevel2Label2 = Caption(FixedLevel2Panel, "FixedLevel2Label2", "T2:");
  FixedLevel2Edit2 = ValueEdit(FixedLevel2Panel, "FixedLevel2Edit2");
  auto *ok2 = Button(FixedLevel2Panel, "FixedLevel2OKBtn", "&Ok");
  auto *cancel2 = Button(FixedLevel2Panel, "FixedLevel2CancelBtn", "&Cancel");
  for (QWidget *w : std::initializer_list<QWidget *>{FixedLevel2Label1, FixedLevel2Edit1, FixedLevel2Label2,
                                                     FixedLevel2Edit2, ok2, cancel2})
    two->addWidget(w);
  connect(ok2, &QPushButton::clicked, this, &TCalidarix::FixedLevel2OKBtnClick);
  connect(cancel2, &QPushButton::clicked, this, &TCalidarix::FixedLevel2CancelBtnClick);
  FixedLevel2Edit1->installEventFilter(new EntryKeys(
      this, [this] { FixedLevel2Edit2->setFocus(); }, [this] { FixedLevel2CancelBtnClick(); }));
  FixedLevel2Edit2->installEventFilter(new EntryKeys(
      this, [this] { FixedLevel2OKBtnClick(); }, [this] { FixedLevel2CancelBtnClick(); }));
  FixedLevel2Panel->hide();
}

void TCalidarix::OpenValuePanel(int tag, const QString &caption, const QString &text) {
  FixedLevelLabel->setText(caption);
  FixedLevelEdit->setText(text);
  ValueEntryText = text;
  FixedLevelPanel->setProperty(kTag, tag);
  FixedLevelPanel->adjustSize();
  FixedLevelPanel->move(4, 4);
  FixedLevelPanel->show();
  FixedLevelPanel->raise();
  FixedLevelEdit->setFocus();
  FixedLevelEdit->selectAll();
}

void TCalidarix::OpenValue2Panel(int tag, const QString &caption1, const QString &caption2,
                                 const QString &text1, const QString &text2) {
  FixedLevel2Label1->setText(caption1);
  FixedLevel2Label2->setText(caption2);
  FixedLevel2Edit1->setText(text1);
  FixedLevel2Edit2->setText(text2);
  FMeasure.FValueText1 = text1;
  FMeasure.FValueText2 = text2;
  FixedLevel2Panel->setProperty(kTag, tag);
  FixedLevel2Panel->adjustSize();
  FixedLevel2Panel->move(4, 4);
  FixedLevel2Panel->show();
  FixedLevel2Panel->raise();
  FixedLevel2Edit1->setFocus();
  FixedLevel2Edit1->selectAll();
}

void TCalidarix::FixedLevelCancelBtnClick() {
  HideEntry(FixedLevelPanel);
  if (auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB")))
    frame->setChecked(false);
}

void TCalidarix::FixedLevel2CancelBtnClick() {
  HideEntry(FixedLevel2Panel);
}

void TCalidarix::FixedLevelOKBtnClick() {
  if (FixedLevelPanel->isHidden() || !CurrentDTV)
    return;
  // A text that is no number counts as the one the panel opened with, and shows it again.
  if (!ParseFloat(FixedLevelEdit->text().toStdString(), '.'))
    FixedLevelEdit->setText(ValueEntryText);
  const double v = EntryValue(FixedLevelEdit->text(), ValueEntryText).value_or(0.0);
  HideEntry(FixedLevelPanel);
  TDTV &dtv = *CurrentDTV;
  switch (TagOf(FixedLevelPanel)) {
  case 1:
    ApplyFixedLevel(v);
    ScalePBPaint(this);
    ImagePBPaint(this);
    break;
  case 2:
    ChangeFrame(FrameFromEntry(v, dtv.FHeader.FrameCount));
    if (auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB")))
      frame->setChecked(false);
    break;
  case 3:
    if (ArrayStatistic == 4)
      AlphaIn = v;
    if (ArrayStatistic == 5)
      AlphaOut = v;
    CountArray(FMarkers.FCurrentArea, true);
    RepaintOverlays();
    break;
  case 4:
    if (const std::optional<int> count = SumCountFromEntry(v)) {
      dtv.SumCount = *count;
      dtv.FSumming = true;
      dtv.FSumDone = 0;
      dtv.AccumulateFrame();
    } else {
      MeasureNotice(QStringLiteral("Sum count: at least 1 frame is needed"));
    }
    break;
  case 5:
    if (FServices.acquisition->ScanRunning())
      Note(ServiceStatus::NotAvailable, "Focus request to the camera");
    FFocusTool = false;
    RepaintOverlays();
    break;
  case 6:
    dtv.FTimeDelta = RoundToInt32(v);
    FFocusTool = false;
    RepaintOverlays();
    break;
  case 7:
    SigmaRefValue = v;
    SigmaRefSet = 1;
    CountArray(FMarkers.FCurrentArea, true);
    RepaintOverlays();
    break;
  default:
    break;
  }
}

void TCalidarix::FixedLevel2OKBtnClick() {
  if (FixedLevel2Panel->isHidden() || !CurrentDTV)
    return;
  for (auto [edit, opened] : {std::pair{FixedLevel2Edit1, &FMeasure.FValueText1},
                              std::pair{FixedLevel2Edit2, &FMeasure.FValueText2}})
    if (!ParseFloat(edit->text().toStdString(), '.'))
      edit->setText(*opened);
  const double e1 = EntryValue(FixedLevel2Edit1->text(), FMeasure.FValueText1).value_or(0.0);
  const double e2 = EntryValue(FixedLevel2Edit2->text(), FMeasure.FValueText2).value_or(0.0);
  HideEntry(FixedLevel2Panel);
  TDTV &dtv = *CurrentDTV;
  const auto showEmissivity = [this, &dtv] {
    FMeasure.FEmissivityText = QStringLiteral("E:") + QString::fromStdString(FixedText(dtv.FEmissivity, 2));
    ImagePB->update();
  };
  switch (TagOf(FixedLevel2Panel)) {
  case 1:
    // The whole frame is corrected from the data as read, so OK pressed twice does not compound. A
    // thermogram without a file (the demo image, averaged frames) is corrected as it stands.
    if (FMarkers.FCurrentArea.IsEmpty() && !dtv.FFileName.isEmpty())
      dtv.LoadFromFile(dtv.FFileName, std::max(dtv.FFrameIndex, 1));
    EmissivityCorrect(e1, e2);
    ChangeDTV(false);
    showEmissivity();
    break;
  case 2:
    AverageFilmFrames(TruncToInt32(e1), TruncToInt32(e2));
    ChangeDTV(false);
    break;
  case 3: {
    const TAirTemperatures air = AirTemperatures(e1, e2);
    TIn = air.In;
    TOut = air.Out;
    QString caption = FixedLevelLabel->text();
    QString text = FixedLevelEdit->text();
    if (ArrayStatistic == 4) {
      caption = QStringLiteral("Array In Alpha");
      text = Fixed2(AlphaIn);
    } else if (ArrayStatistic == 5) {
      caption = QStringLiteral("Array Out Alpha");
      text = Fixed2(AlphaOut);
    }
    OpenValuePanel(3, caption, text);
    break;
  }
  case 6:
    // The columns of a panorama of strips; the line count is only shown.
    FPanoSequence.Sequence.SetLastCol(TruncToInt32(e1) - 1);
    break;
  case 7:
    SetEmissivity(dtv.RawToTemperature(FMeasure.FRefRawAvg), e1, e2);
    ChangeDTV(false);
    showEmissivity();
    break;
  default:
    break;
  }
}

void TCalidarix::EmissivityActionExecute() {
  if (!CurrentDTV)
    return;
  OpenValue2Panel(1, QStringLiteral("E:"), QStringLiteral("Ta:"), Fixed2(CurrentDTV->FEmissivity),
                  Fixed2(CurrentDTV->FAmbientTemp));
}

void TCalidarix::RealTemperatureActionExecute() {
  if (!CurrentDTV || FMarkers.FCurrentArea.IsEmpty())
    return;
  CountArray(FMarkers.FCurrentArea, true);
  FMeasure.FRefRawAvg = FMeasure.FAreaRawAvg;
  const double mean = CurrentDTV->RawToTemperature(FMeasure.FAreaRawAvg);
  OpenValue2Panel(7, QStringLiteral("Tr:"), QStringLiteral("Ta:"),
                  QString::fromStdString(FloatToText(RoundHalfEven(mean))),
                  QString::fromStdString(FloatToText(CurrentDTV->FAmbientTemp)));
}

} // namespace calidarix
