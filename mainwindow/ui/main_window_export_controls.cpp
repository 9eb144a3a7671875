// The controls of the snapshot, picture export and print commands: tool-bar buttons, menu items, the
// "Image Type" radio items and the copy shortcuts.

#include "mainwindow/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QGridLayout>
#include <QMenu>
#include <QToolButton>

namespace calidarix {

void TCalidarix::BuildExportControls() {
  const std::pair<const char *, void (TCalidarix::*)()> buttons[] = {
      {"SaveBMPSB", &TCalidarix::SaveBMPSBClick},   {"CopySB", &TCalidarix::CopySBClick},
      {"BMPFrameSB", &TCalidarix::BMPFrameSBClick}, {"PrintSB", &TCalidarix::PrintSBClick},
      {"CopyInfoSB", &TCalidarix::CopyInfoSBClick},
  };
  for (auto [name, command] : buttons)
    if (auto *button = findChild<QToolButton *>(QString::fromLatin1(name)))
      connect(button, &QToolButton::clicked, this, command);
  if (auto *print = findChild<QToolButton *>(QStringLiteral("PrintSB")))
    print->setCheckable(true);

  const std::pair<const char *, void (TCalidarix::*)()> items[] = {
      {"SaveImage1", &TCalidarix::SaveBMPSBClick},
      {"CopyImage1", &TCalidarix::CopySBClick},
      {"CopyInfo1", &TCalidarix::CopyInfoSBClick},
      {"Print1", &TCalidarix::Print1Click},
  };
  for (auto [name, command] : items)
    if (auto *item = findChild<QAction *>(QString::fromLatin1(name)))
      connect(item, &QAction::triggered, this, command);

  // The layouts, in two radio groups: the button's popup menu and the File menu's sub-menu.
  const std::pair<const char *, int> looks[] = {{"ImageOnly1", 0}, {"ImageOnly2", 1}, {"ImageOnly3", 2},
                                                {"ScaleOnly1", 3}, {"ImageOnly4", 0}, {"ImageOnly5", 1},
                                                {"ImageOnly6", 2}, {"ImageOnly7", 3}};
  auto *popupGroup = new QActionGroup(this);
  auto *menuGroup = new QActionGroup(this);
  for (auto [name, tag] : looks) {
    auto *item = findChild<QAction *>(QString::fromLatin1(name));
    if (!item)
      continue;
    item->setProperty("Tag", tag);
    item->setCheckable(true);
    item->setChecked(tag == BMPLook);
    (item->parent() == ImageWithScalePopupMenu ? popupGroup : menuGroup)->addAction(item);
    connect(item, &QAction::triggered, this, [this, tag] { ImageWithScaleClick(tag); });
  }
  // The File menu's "Scale Only" item is not in the caption table; it speaks the popup item's language.
  if (auto *imageType = findChild<QMenu *>(QStringLiteral("ImageType1")))
    connect(imageType, &QMenu::aboutToShow, this, [this] {
      auto *scaleOnly = findChild<QAction *>(QStringLiteral("ScaleOnly1"));
      auto *item = findChild<QAction *>(QStringLiteral("ImageOnly7"));
      if (scaleOnly && item)
        item->setText(scaleOnly->text());
      ImageWithScaleClick(BMPLook);
    });
  connect(ImageWithScalePopupMenu, &QMenu::aboutToShow, this, [this] { ImageWithScaleClick(BMPLook); });

  PhotoPB = new TPaintBox(ImagePanel);
  PhotoPB->setObjectName(QStringLiteral("PhotoPB"));
  if (auto *grid = qobject_cast<QGridLayout *>(ImagePanel->layout()))
    grid->addWidget(PhotoPB, 0, 0, grid->rowCount(), grid->columnCount());
  PhotoPB->hide();
  PhotoPB->OnPaint = [this] { PhotoPBPaint(); };

  CtrlC = new QAction(this);
  CtrlC->setObjectName(QStringLiteral("CtrlC"));
  CtrlC->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  CtrlInsert = new QAction(this);
  CtrlInsert->setObjectName(QStringLiteral("CtrlInsert"));
  CtrlInsert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  for (QAction *action : {CtrlC, CtrlInsert}) {
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, &TCalidarix::CtrlCExecute);
  }
}

} // namespace calidarix
