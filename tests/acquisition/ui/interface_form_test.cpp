#include "acquisition/ui/interface_form.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(InterfaceForm, CentresWithHalvesRoundedTowardZero) {
  EXPECT_EQ(CentreOn(QRect(100, 100, 300, 200), QSize(100, 50)), QPoint(200, 175));
  // Wider than the main window: left of its edge by half the difference (101 / 2 -> 50, not 51).
  EXPECT_EQ(CentreOn(QRect(100, 100, 300, 200), QSize(401, 301)), QPoint(50, 50));
}

TEST(InterfaceForm, OkNeedsAChoiceToHaveHadTheFocusOnce) {
  QWidget main;
  main.setGeometry(40, 60, 600, 400);
  main.show();
  TInterfaceForm form(&main);
  EXPECT_EQ(form.windowTitle(), "Camera type");
  bool okWasEnabledAtFirstShow = true;
  QTimer::singleShot(0, &form, [&] {
    okWasEnabledAtFirstShow = form.OkBtn->isEnabled() && !form.LanRB->hasFocus() && !form.USBRB->hasFocus();
    // Deliver the focus directly: without a window manager (Xvfb) the dialog may not be the active
    // window, and setFocus() then gives no focus event.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(form.USBRB, &focusIn);
    form.USBRB->setChecked(true);
    QApplication::processEvents();
    form.OkBtn->click();
  });
  form.LanRB->setFocusPolicy(Qt::ClickFocus);
  form.USBRB->setFocusPolicy(Qt::ClickFocus);
  form.OkBtn->setFocus();
  // A watchdog, so that a broken dialog fails the test instead of hanging it.
  QTimer::singleShot(10000, &form, [&] { form.done(-1); });
  EXPECT_EQ(form.exec(), QDialog::Accepted);
  EXPECT_FALSE(okWasEnabledAtFirstShow);
  EXPECT_TRUE(form.USBRB->isChecked());
  EXPECT_EQ(form.pos(), CentreOn(main.frameGeometry(), form.frameGeometry().size()));

  // From the second showing on, Ok stays enabled; closing by the frame cancels.
  QTimer::singleShot(0, &form, [&] {
    okWasEnabledAtFirstShow = form.OkBtn->isEnabled();
    form.close();
  });
  EXPECT_EQ(form.exec(), QDialog::Rejected);
  EXPECT_TRUE(okWasEnabledAtFirstShow);
}

} // namespace
} // namespace calidarix
