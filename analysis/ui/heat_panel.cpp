// The heat panel: the object's distance, thickness, density and specific heat for the heat figures, and
// the reference copy of the heat map. Its button is hidden; the panel is built in full for the time a
// command shows it.

#include "mainwindow/ui/main_window.h"

#include "mainwindow/ui/entry_focus.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include <memory>

namespace calidarix {

namespace {

// Enter is OK and Esc Cancel in every edit of the panel.
class HeatKeys : public QObject {
public:
  HeatKeys(TCalidarix &window) : QObject(&window), window_(window) {}
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() != QEvent::KeyPress)
      return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      window_.HeatOkBtnClick();
      return true;
    }
    if (key == Qt::Key_Escape) {
      window_.HeatCancelBtnClick();
      return true;
    }
    return false;
  }

private:
  TCalidarix &window_;
};

} // namespace

void TCalidarix::BuildHeatPanel() {
  // Hidden and outside the tool bar: nothing shows it.
  HeatSB = new QToolButton(this);
  HeatSB->setObjectName(QStringLiteral("HeatSB"));
  HeatSB->setCheckable(true);
  HeatSB->hide();
  connect(HeatSB, &QToolButton::clicked, this, &TCalidarix::HeatSBClick);

  HeatPanel = new QFrame(ImagePanel);
  HeatPanel->setObjectName(QStringLiteral("HeatPanel"));
  HeatPanel->setFrameShape(QFrame::StyledPanel);
  HeatPanel->setAutoFillBackground(true);
  auto *grid = new QGridLayout(HeatPanel);
  auto *keys = new HeatKeys(*this);
  // Digits and the point only; Backspace works as always.
  auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), HeatPanel);
  const std::tuple<const char *, QLineEdit **, const char *, const char *> rows[] = {
      {"Distance", &DistanceEdit, "DistanceEdit", "0.5"},
      {"Thickness", &ThicknessEdit, "ThicknessEdit", "0.004"},
      {"Density", &DensityEdit, "DensityEdit", "1200"},
      {"SpecificHeat", &SpecificHeatEdit, "SpecificHeatEdit", "1200"},
  };
  int row = 0;
  for (auto [caption, edit, name, text] : rows) {
    grid->addWidget(new QLabel(QString::fromLatin1(caption), HeatPanel), row, 0);
    *edit = new QLineEdit(QString::fromLatin1(text), HeatPanel);
    (*edit)->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setBold(true);
    (*edit)->setFont(font);
    (*edit)->setValidator(digits);
    (*edit)->installEventFilter(keys);
    grid->addWidget(*edit, row++, 1);
  }
  CountHeatCB = new QCheckBox(QStringLiteral("Count Heat"), HeatPanel);
  CountHeatCB->setObjectName(QStringLiteral("CountHeatCB"));
  ReferenceCB = new QCheckBox(QStringLiteral("Reference"), HeatPanel);
  ReferenceCB->setObjectName(QStringLiteral("ReferenceCB"));
  grid->addWidget(CountHeatCB, row, 0);
  grid->addWidget(ReferenceCB, row++, 1);
  auto *ok = new QPushButton(QStringLiteral("&Ok"), HeatPanel);
  ok->setObjectName(QStringLiteral("HeatOkBtn"));
  auto *cancel = new QPushButton(QStringLiteral("&Cancel"), HeatPanel);
  cancel->setObjectName(QStringLiteral("HeatCancelBtn"));
  grid->addWidget(ok, row, 0);
  grid->addWidget(cancel, row, 1);
  connect(ok, &QPushButton::clicked, this, &TCalidarix::HeatOkBtnClick);
  connect(cancel, &QPushButton::clicked, this, &TCalidarix::HeatCancelBtnClick);
  HeatPanel->hide();
}

void TCalidarix::HeatSBClick() {
  if (!HeatPanel->isHidden()) {
    HideEntry(HeatPanel);
    HeatSB->setChecked(false);
    return;
  }
  HeatSB->setChecked(true);
  if (!ReferenceDTV) {
    ReferenceCB->setChecked(true);
    CountHeatCB->setChecked(true);
  }
  HeatPanel->adjustSize();
  HeatPanel->move(4, 4);
  HeatPanel->show();
  HeatPanel->raise();
  DistanceEdit->setFocus();
}

void TCalidarix::HeatCancelBtnClick() {
  HideEntry(HeatPanel);
  HeatSB->setChecked(false);
}

void TCalidarix::HeatOkBtnClick() {
  if (HeatPanel->isHidden() || !CurrentDTV)
    return;
  HideEntry(HeatPanel);
  HeatSB->setChecked(false);
  // Every entry must be a number; otherwise nothing is taken and the panel says which one.
  const std::pair<QLineEdit *, const char *> entries[] = {{DistanceEdit, "Distance"},
                                                          {ThicknessEdit, "Thickness"},
                                                          {DensityEdit, "Density"},
                                                          {SpecificHeatEdit, "SpecificHeat"}};
  std::array<double, 4> values{};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::optional<double> v = ParseFloat(entries[i].first->text().toStdString(), '.');
    if (!v) {
      MeasureNotice(QStringLiteral("Heat: %1 is not a number").arg(QString::fromLatin1(entries[i].second)));
      HeatPanel->show();
      entries[i].first->setFocus();
      return;
    }
    values[i] = *v;
  }
  TDTV &dtv = *CurrentDTV;
  dtv.SetDistance(values[0]);
  dtv.FThickness = values[1];
  dtv.FDensity = values[2];
  dtv.FSpecificHeat = values[3];
  if (ReferenceCB->isChecked()) {
    ReferenceDTV = std::make_unique<TDTV>();
    ReferenceDTV->Assign(dtv);
    ReferenceCB->setChecked(false);
  }
  HeatMode = CountHeatCB->isChecked() ? 1 : 0;
  for (QLabel *label : {AnswerLabel, LevLabel, RngLabel, LevelLabel, RangeLabel})
    label->setVisible(HeatMode != 0);
  RefreshAreaStatistics();
}

} // namespace calidarix
