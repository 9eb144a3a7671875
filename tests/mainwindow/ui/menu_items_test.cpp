#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/menu_item.h"
#include "tests/mainwindow/ui/shell_fakes.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>
#include <memory>

namespace calidarix {
namespace {

TEST(MenuItem, ReportsOnlyWhileNoCommandListens) {
  // Menus that show an item listen to it themselves; that is not a command.
  QMenu menu;
  QMenu other;
  QMenuBar bar;
  auto *item = new TMenuItem(QStringLiteral("Save As... [Alt+F2]"), &menu);
  menu.addAction(item);
  other.addAction(item);
  bar.addAction(item);
  QStringList reports;
  item->SetUnbuiltReport([&](const QString &what) { reports << what; });
  EXPECT_FALSE(item->HasCommand());
  item->trigger();
  EXPECT_EQ(reports, QStringList{QStringLiteral("Save As")});

  int commands = 0;
  QObject::connect(item, &QAction::triggered, [&] { ++commands; });
  EXPECT_TRUE(item->HasCommand());
  item->trigger();
  EXPECT_EQ(commands, 1);
  EXPECT_EQ(reports.size(), 1);
}

TEST(MenuItem, ACheckableItemIsBuiltItsCheckMarkIsItsEffect) {
  QMenu menu;
  auto *item = new TMenuItem(QStringLiteral("Blending"), &menu);
  menu.addAction(item);
  QStringList reports;
  item->SetUnbuiltReport([&](const QString &what) { reports << what; });
  item->setCheckable(true);
  EXPECT_TRUE(item->HasCommand());
  item->trigger();
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(reports.isEmpty());
}

// Every item of the main window's menus that can be chosen either runs a command or says over the image
// that it is not available: none does nothing.
TEST(MainWindowMenus, NoItemIsSilent) {
  test::FakeServices fakes;
  auto window = std::make_unique<TCalidarix>(fakes.services);
  Calidarix = window.get();
  window->FormCreate({});
  const QList<TMenuItem *> items = window->findChildren<TMenuItem *>();
  ASSERT_GT(items.size(), 50);
  for (TMenuItem *item : items) {
    if (item->HasCommand() || !item->isEnabled())
      continue;
    window->FStatusNotice.clear();
    item->trigger();
    EXPECT_EQ(window->FStatusNotice.toStdString(), (item->CommandName() + ": not available").toStdString())
        << item->objectName().toStdString();
  }
  window.reset();
  Calidarix = nullptr;
}

} // namespace
} // namespace calidarix
