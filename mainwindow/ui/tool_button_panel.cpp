#include "mainwindow/ui/tool_button_panel.h"

#include "mainwindow/ui/event_hook.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <utility>

namespace calidarix {

namespace {

constexpr const char *kKindProperty = "ToolButtonKind";

} // namespace

TToolButtonPanel::TToolButtonPanel(QWidget *parent, const QString &name, PressHandler onPress)
    : panel_(new QFrame(parent)), grid_(new QGridLayout(panel_)) {
  panel_->setObjectName(name);
  panel_->setFrameShape(QFrame::StyledPanel);
  panel_->setAutoFillBackground(true);
  grid_->setContentsMargins(2, 2, 2, 2);
  grid_->setSpacing(2);
  press_ = new TEventHook(panel_, [onPress = std::move(onPress)](QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress)
      return false;
    onPress(watched, watched->property(kKindProperty).toString());
    return true;
  });
  panel_->hide();
}

QFrame *TToolButtonPanel::AddButton(int index, const QString &base, const QString &caption,
                                    const QString &kind, int tag) {
  auto *button = new QFrame(panel_);
  button->setObjectName(base + QStringLiteral("Panel"));
  auto *column = new QVBoxLayout(button);
  column->setContentsMargins(1, 1, 1, 1);
  column->setSpacing(1);
  auto *image = new QLabel(button);
  image->setObjectName(base + QStringLiteral("Image"));
  image->setFixedSize(64, 16);
  auto *name = new QLabel(caption, button);
  name->setObjectName(base + QStringLiteral("NamePanel"));
  name->setAlignment(Qt::AlignCenter);
  column->addWidget(image);
  column->addWidget(name);
  for (QObject *part :
       {static_cast<QObject *>(button), static_cast<QObject *>(image), static_cast<QObject *>(name)}) {
    part->setProperty(kKindProperty, kind);
    part->setProperty("Tag", tag);
    press_->Watch(part);
  }
  grid_->addWidget(button, index / 4, index % 4);
  return button;
}

} // namespace calidarix
