#include "mainwindow/ui/progress_form.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(ProgressForm, CaptionShowsThePercentageEvenWhereTheBarClips) {
  TProgressForm form;
  EXPECT_EQ(form.windowTitle(), "Progress");
  form.SetProgress(150);
  EXPECT_EQ(form.windowTitle(), "Progress: 150%");
  EXPECT_EQ(form.FPosition, 150);
  EXPECT_EQ(form.Bar->value(), 100);
  form.SetProgress(-20);
  EXPECT_EQ(form.windowTitle(), "Progress: -20%");
  EXPECT_EQ(form.Bar->value(), 0);
  form.Bar->setMaximum(1000);
  form.SetProgressPrefix("Film processing");
  form.SetProgress(370);
  EXPECT_EQ(form.windowTitle(), "Film processing: 37%");
  EXPECT_EQ(form.Bar->value(), 370);
}

TEST(ProgressForm, ShowAndHideResetTheirState) {
  TProgressForm form;
  form.Bar->setMaximum(500);
  form.SetProgressPrefix("Stitching");
  form.show();
  EXPECT_EQ(form.Tag, 1);
  form.CancelBtn->click();
  EXPECT_TRUE(form.FCancelled);
  EXPECT_EQ(form.FModalResult, TProgressForm::mrCancel);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.Tag, 0);
  EXPECT_EQ(form.Bar->maximum(), 100);
  form.SetProgress(10);
  EXPECT_EQ(form.windowTitle(), "Progress: 10%"); // the prefix went with the hide
  EXPECT_TRUE(form.Cancelled());                  // and the cancel stays until the next show
  form.show();
  EXPECT_FALSE(form.Cancelled());
  EXPECT_EQ(form.FModalResult, TProgressForm::mrNone);
  form.hide();
}

// A job that follows the protocol stops at the step where the user cancels.
int RunJob(Progress &progress, int steps, int cancelAt, QPushButton *cancel) {
  progress.SetProgress(0);
  progress.Show();
  int done = 0;
  for (int i = 0; i < steps; ++i) {
    ++done;
    progress.SetProgress(done * 100 / steps);
    if (i == cancelAt && cancel)
      cancel->click();
    QCoreApplication::processEvents();
    if (progress.Cancelled())
      break;
  }
  progress.Hide();
  return done;
}

TEST(ProgressForm, AJobStopsWhenCancelled) {
  TProgressForm form;
  EXPECT_EQ(RunJob(form, 10, 3, form.CancelBtn), 4);
  EXPECT_EQ(RunJob(form, 10, -1, nullptr), 10);
  EXPECT_EQ(form.FPosition, 100);
}

} // namespace
} // namespace calidarix
