#include "mainwindow/ui/tool_button_panel.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace calidarix {
namespace {

void Press(QWidget *widget) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

// A press on the frame, the picture or the caption of a button is that button's, with its kind and
// Tag; the buttons stand four to a row.
TEST(ToolButtonPanel, EveryPartOfAButtonPressesIt) {
  QWidget parent;
  struct Pressed {
    QString kind;
    int tag;
  };
  std::vector<Pressed> pressed;
  TToolButtonPanel tools(&parent, QStringLiteral("TestToolPanel"), [&](QObject *part, const QString &kind) {
    pressed.push_back({kind, part->property("Tag").toInt()});
  });
  EXPECT_EQ(tools.Panel()->objectName(), "TestToolPanel");
  EXPECT_TRUE(tools.Panel()->isHidden());
  for (int i = 0; i < 6; ++i)
    tools.AddButton(i, QStringLiteral("B%1").arg(i), QStringLiteral("Button %1").arg(i),
                    QStringLiteral("k%1").arg(i), 10 + i);

  for (const char *part : {"B5Panel", "B5Image", "B5NamePanel"})
    Press(tools.Panel()->findChild<QWidget *>(QString::fromLatin1(part)));
  ASSERT_EQ(pressed.size(), 3u);
  for (const Pressed &p : pressed) {
    EXPECT_EQ(p.kind, "k5");
    EXPECT_EQ(p.tag, 15);
  }
  EXPECT_EQ(tools.Panel()->findChild<QLabel *>("B5NamePanel")->text(), "Button 5");

  auto *grid = qobject_cast<QGridLayout *>(tools.Panel()->layout());
  ASSERT_NE(grid, nullptr);
  int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
  grid->getItemPosition(grid->indexOf(tools.Panel()->findChild<QWidget *>("B5Panel")), &row, &column,
                        &rowSpan, &columnSpan);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(column, 1);
}

} // namespace
} // namespace calidarix
