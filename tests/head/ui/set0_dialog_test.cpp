// The zero-position dialog's texts and Ok button, scanning or not, in both languages.

#include "head/ui/set0_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(Set0Dialog, TellsWhatToDoAndAllowsOkOnlyWhileScanning) {
  TSet0Dialog dialog;
  EXPECT_EQ(dialog.windowTitle(), "Set >0< position");
  EXPECT_EQ(dialog.CancelBtn->text(), "Cancel");
  struct Case {
    bool scanning;
    bool russian;
    const char *text;
  } cases[] = {
      {true, false, "To adjust head position use arrow keys\rPress ENTER key to finish adjustment"},
      {false, false, "Please, start scanning"},
      {false, true, "Пожалуйста, запустите сканирование"},
  };
  for (const Case &c : cases) {
    dialog.FormShow(c.scanning, c.russian);
    EXPECT_EQ(dialog.InfoLabel->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(dialog.OkBtn->isEnabled(), c.scanning);
  }
  dialog.FormShow(true, true);
  EXPECT_TRUE(dialog.InfoLabel->text().startsWith(QString::fromUtf8("Для настройки")));
  // Shown without a main window: nothing scans.
  dialog.show();
  EXPECT_FALSE(dialog.OkBtn->isEnabled());
  EXPECT_EQ(dialog.InfoLabel->text(), "Please, start scanning");
}

} // namespace
} // namespace calidarix
