#include "acquisition/ui/interface_form.h"

#include <QEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace calidarix {

TInterfaceForm *InterfaceForm = nullptr;

QPoint CentreOn(const QRect &outer, const QSize &size) {
  // C++ integer division truncates toward zero, as the placement requires for negative differences.
  return {outer.left() + (outer.width() - size.width()) / 2,
          outer.top() + (outer.height() - size.height()) / 2};
}

TInterfaceForm::TInterfaceForm(QWidget *mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint), FMainWindow(mainWindow) {
  setObjectName("InterfaceForm");
  setWindowTitle("Camera type");
  GroupBox1 = new QGroupBox("Camera Type", this);
  GroupBox1->setObjectName("GroupBox1");
  LanRB = new QRadioButton("LAN Interface", GroupBox1);
  LanRB->setObjectName("LanRB");
  USBRB = new QRadioButton("USB Interface", GroupBox1);
  USBRB->setObjectName("USBRB");
  auto *group = new QVBoxLayout(GroupBox1);
  group->addWidget(LanRB);
  group->addWidget(USBRB);
  OkBtn = new QPushButton("&Ok", this);
  OkBtn->setObjectName("OkBtn");
  OkBtn->setEnabled(false);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(OkBtn, 0, Qt::AlignHCenter);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  // A choice must have had the focus before the dialog can be confirmed; nothing disables Ok again.
  LanRB->installEventFilter(this);
  USBRB->installEventFilter(this);
  setFixedSize(sizeHint().expandedTo(QSize(220, 0)));
}

bool TInterfaceForm::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::FocusIn && (watched == LanRB || watched == USBRB))
    OkBtn->setEnabled(true);
  return QDialog::eventFilter(watched, event);
}

void TInterfaceForm::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (FMainWindow && !event->spontaneous())
    move(CentreOn(FMainWindow->frameGeometry(), frameGeometry().size()));
}

} // namespace calidarix
