// The print window: the list of snapshots, its order, and one page printed to PDF.

#include "mainwindow/ui/print_form.h"
#include "mainwindow/ui/print_grid.h"
#include "tests/mainwindow/external_tools.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QToolButton>

namespace calidarix {
namespace {

using test::FileWindow;

class PrintWindow : public FileWindow {
protected:
  TCalidarix &StartWithPrintForm() {
    TCalidarix &w = Start();
    form = std::make_unique<TPrintForm>();
    PrintForm = form.get();
    return w;
  }
  void TearDown() override {
    PrintForm = nullptr;
    form.reset();
    FileWindow::TearDown();
  }
  // A snapshot of the demo image in a palette slot, so that the entries can be told apart.
  void AddInSlot(int slot) {
    window->PalChange(slot);
    form->AddBtn->click();
  }
  std::unique_ptr<TPrintForm> form;
};

TEST_F(PrintWindow, AddingAndDeletingKeepTheCaptionAndThePrintButtonInStep) {
  StartWithPrintForm();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Print"));
  EXPECT_FALSE(form->PrintBtn->isEnabled());
  EXPECT_FALSE(form->RichEdit->isEnabled());
  AddInSlot(0);
  AddInSlot(1);
  EXPECT_EQ(form->PrintImageCount, 2);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Print 2 image(s)"));
  EXPECT_TRUE(form->PrintBtn->isEnabled());
  EXPECT_EQ(form->PrintDG->ColCount(), 2);
  EXPECT_EQ(form->PrintDG->Col(), 1);
  EXPECT_EQ(form->PrintImages[0].size(), QSize(576, 434));
  form->PrintDG->SetCol(0);
  form->DeleteBtn->click();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Print 1 image(s)"));
  form->PrintDGKeyDown(Qt::Key_Delete);
  EXPECT_EQ(form->PrintImageCount, 0);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Print"));
  EXPECT_FALSE(form->PrintBtn->isEnabled());
  EXPECT_EQ(form->PrintDG->ColCount(), 1);
  form->PrintDGKeyDown(Qt::Key_Delete); // nothing left to delete
  EXPECT_EQ(form->PrintImageCount, 0);
}

TEST_F(PrintWindow, DraggingTheThirdOntoTheFirstExchangesThem) {
  StartWithPrintForm();
  for (int slot : {0, 1, 2})
    AddInSlot(slot);
  const QImage first = form->PrintImages[0];
  const QImage second = form->PrintImages[1];
  const QImage third = form->PrintImages[2];
  ASSERT_NE(first, third);
  form->PrintDGColumnMoved(2, 0);
  EXPECT_EQ(form->PrintImages[0], third);
  EXPECT_EQ(form->PrintImages[1], second);
  EXPECT_EQ(form->PrintImages[2], first);
}

TEST_F(PrintWindow, TwoSnapshotsPrintToAOnePagePdf) {
  StartWithPrintForm();
  AddInSlot(0);
  AddInSlot(1);
  form->CommentCB->click();
  form->RichEdit->setPlainText(QStringLiteral("Pump 3\nEast side"));
  const QString pdf = Path("two.pdf");
  dialogs->PrintAnswers.push_back({pdf, false});
  form->PrintDGKeyDown(Qt::Key_Space);
  EXPECT_EQ(dialogs->PrintsAsked, 1);
  EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join(';').toStdString();
  ASSERT_TRUE(QFileInfo::exists(pdf));
  const test::ToolRun info = test::RunTool(QStringLiteral("pdfinfo"), {pdf});
  if (!info.Installed)
    GTEST_SKIP() << "pdfinfo is not installed";
  EXPECT_TRUE(info.Output.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
      << info.Output.toStdString();
  EXPECT_TRUE(info.Output.contains(QStringLiteral("A4"))) << info.Output.toStdString();
  const test::ToolRun render = test::RunTool(
      QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                   QStringLiteral("-singlefile"), pdf, Path("two")});
  ASSERT_EQ(render.ExitCode, 0) << render.Output.toStdString();
  const QImage page(Path("two.png"));
  ASSERT_FALSE(page.isNull());
  // Both cells of the upper half carry a picture, the lower half only the comment lines.
  const auto colourful = [&](double xmm, double ymm) {
    const QColor c = page.pixelColor(static_cast<int>(xmm / 210.0 * page.width()),
                                     static_cast<int>(ymm / 297.0 * page.height()));
    return c != QColor(Qt::white);
  };
  EXPECT_TRUE(colourful(57, 40));
  EXPECT_TRUE(colourful(152, 40));
  EXPECT_FALSE(colourful(150, 250));
}

TEST_F(PrintWindow, MorePicturesThanCellsAreToldAndNotPrinted) {
  StartWithPrintForm();
  for (int i = 0; i < 10; ++i)
    form->AddBtn->click();
  dialogs->PrintAnswers.push_back({Path("ten.pdf"), false});
  form->PrintBtn->click();
  EXPECT_EQ(dialogs->PrintsAsked, 0); // refused before the print dialog
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].contains(QStringLiteral("at most 9"))) << dialogs->Errors[0].toStdString();
  EXPECT_FALSE(QFileInfo::exists(Path("ten.pdf")));

  // Nine on a landscape page with comments: that layout holds eight.
  form->DeleteBtn->click();
  form->CommentCB->click();
  dialogs->PrintAnswers.front().Landscape = true;
  form->PrintBtn->click();
  EXPECT_EQ(dialogs->PrintsAsked, 1);
  ASSERT_EQ(dialogs->Errors.size(), 2);
  EXPECT_TRUE(dialogs->Errors[1].contains(QStringLiteral("holds 8"))) << dialogs->Errors[1].toStdString();
  EXPECT_FALSE(QFileInfo::exists(Path("ten.pdf")));

  // Without comments a landscape sheet takes the upright grid of nine.
  form->CommentCB->click();
  dialogs->PrintAnswers.push_back({Path("nine.pdf"), true});
  form->PrintBtn->click();
  EXPECT_EQ(dialogs->Errors.size(), 2);
  EXPECT_TRUE(QFileInfo::exists(Path("nine.pdf")));
}

TEST_F(PrintWindow, ThePrintButtonShowsAndHidesTheWindowUnderTheMainWindow) {
  TCalidarix &w = StartWithPrintForm();
  auto *button = w.findChild<QToolButton *>(QStringLiteral("PrintSB"));
  button->click();
  QApplication::processEvents();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(w.FPrintFormShown);
  w.findChild<QAction *>(QStringLiteral("Print1"))->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(button->isChecked());
  button->click();
  form->close();
  EXPECT_FALSE(button->isChecked());
  EXPECT_FALSE(w.FPrintFormShown);
}

} // namespace
} // namespace calidarix
