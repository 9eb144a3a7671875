#include "mainwindow/ui/palette_form.h"

#include "analysis/markers.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/thermogram_view.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "tests/support/test_support.h"
#include "thermogram/builtin_palettes.h"
#include "thermogram/palette_commands.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;

void Mouse(QWidget *widget, QEvent::Type type, int x, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF at(x, 3);
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                    held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void Focus(QWidget *widget, QEvent::Type type) {
  QFocusEvent event(type, Qt::OtherFocusReason);
  QApplication::sendEvent(widget, &event);
}

QLabel *NodeLabel(TPaletteForm &form, int node) {
  return form.findChild<QLabel *>(QStringLiteral("NodeLabel%1").arg(node));
}

void ExpectColor(TRGB actual, TRGB expected) {
  EXPECT_EQ(actual.R, expected.R);
  EXPECT_EQ(actual.G, expected.G);
  EXPECT_EQ(actual.B, expected.B);
}

// The form with its file dialogs and messages answered by the test.
struct ScriptedForm {
  ScriptedForm() {
    form.RunFileDialog = [this](QWidget *, TPalFileDialog &dialog, bool save) {
      if (answer.isEmpty())
        return false;
      dialog.FileName = answer;
      if (save)
        dialog.FilterIndex = filter;
      return true;
    };
    form.ShowError = [this](QWidget *, const QString &text) { errors << text; };
  }
  ~ScriptedForm() { ResetThermogramGlobals(); }
  TPaletteForm form;
  QString answer;
  int filter = 1;
  QStringList errors;
};

TEST(PaletteForm, OpensWithTheGreyRampTheEndNodesAndTheSwatches) {
  TPaletteForm form;
  EXPECT_EQ(form.objectName(), "PaletteForm");
  EXPECT_EQ(form.windowTitle(), "Palette");
  EXPECT_EQ(form.FPalTable(), GreyRamp());
  form.show();
  EXPECT_TRUE(NodeLabel(form, 1)->isVisible());
  EXPECT_EQ(NodeLabel(form, 1)->text(), "0");
  EXPECT_EQ(NodeLabel(form, 32)->text(), "255");
  EXPECT_EQ(NodeLabel(form, 32)->x(), 255);
  EXPECT_FALSE(NodeLabel(form, 2)->isVisible());
  EXPECT_EQ(form.Edit1->text(), "0");
  EXPECT_EQ(form.findChild<QFrame *>("Panel24")->toolTip(), "Orange");
  EXPECT_EQ(form.SavePalDialog.Filter,
            QString::fromUtf8("IR Palette|*.IRP|Microsoft Palette\u00ae|*.PAL|RGB(64)|*.COL"));
}

TEST(PaletteForm, MouseAddsSelectsDragsAndDeletesNodes) {
  TPaletteForm form;
  form.show();
  Mouse(form.findChild<QFrame *>("Panel1"), QEvent::MouseButtonPress, 2); // the red swatch on node 1
  ExpectColor(form.Nodes().Color(1), {255, 0, 0});
  Mouse(form.LabelsPanel, QEvent::MouseButtonPress, 128); // a new node takes the panel's colour
  ASSERT_TRUE(NodeLabel(form, 2)->isVisible());
  EXPECT_EQ(NodeLabel(form, 2)->text(), "128");
  EXPECT_EQ(form.Nodes().Selected(), 2);
  EXPECT_TRUE(NodeLabel(form, 2)->autoFillBackground());
  EXPECT_FALSE(NodeLabel(form, 1)->autoFillBackground());
  ExpectColor(form.FPalTable()[128], {255, 0, 0});

  // A press right of the last entry still puts the node inside the palette.
  Mouse(form.LabelsPanel, QEvent::MouseButtonPress, 270);
  EXPECT_EQ(form.Nodes().Position(3), 255);

  // Dragging node 2 follows the mouse within its label and stops at 254.
  QLabel *label = NodeLabel(form, 2);
  Mouse(label, QEvent::MouseButtonPress, 3);
  Mouse(label, QEvent::MouseMove, 13);
  EXPECT_EQ(form.Nodes().Position(2), 138);
  EXPECT_EQ(label->x(), 138);
  Mouse(label, QEvent::MouseMove, 500);
  EXPECT_EQ(form.Nodes().Position(2), 254);
  Mouse(label, QEvent::MouseButtonRelease, 500);
  Mouse(label, QEvent::MouseMove, 10);
  EXPECT_EQ(form.Nodes().Position(2), 254) << "no drag after the button is released";

  // Right-clicking an end node deletes nothing; right-clicking the selected node selects node 1.
  Mouse(NodeLabel(form, 32), QEvent::MouseButtonPress, 2, Qt::RightButton);
  EXPECT_TRUE(form.Nodes().Visible(32));
  Mouse(label, QEvent::MouseButtonPress, 2, Qt::RightButton);
  EXPECT_FALSE(label->isVisible());
  EXPECT_EQ(form.Nodes().Selected(), 1);
  EXPECT_TRUE(NodeLabel(form, 1)->autoFillBackground());
  EXPECT_EQ(form.Edit1->text(), "255");
}

TEST(PaletteForm, ColourEditsTakeLimitedValuesAndRestoreTextThatIsNoNumber) {
  TPaletteForm form;
  form.LabelsPanelMouseDown(100); // node 2, black
  form.Edit2->setText("40");
  Focus(form.Edit1, QEvent::FocusIn);
  form.Edit1->setText("abc");
  Focus(form.Edit1, QEvent::FocusOut);
  EXPECT_EQ(form.Edit1->text(), "0");
  Focus(form.Edit3, QEvent::FocusIn);
  form.Edit3->setText("300");
  Focus(form.Edit3, QEvent::FocusOut);
  EXPECT_EQ(form.Edit3->text(), "255");
  ExpectColor(form.Nodes().Color(2), {0, 40, 255});
  ExpectColor(form.FPalTable()[100], {0, 40, 255});
  EXPECT_EQ(form.ColorPanel->palette().color(QPalette::Window), QColor(0, 40, 255));
}

TEST(PaletteForm, EnterMovesThroughTheEditsToOk) {
  TPaletteForm form;
  form.show();
  QApplication::setActiveWindow(&form);
  form.Edit1->setFocus();
  QApplication::processEvents();
  if (!form.Edit1->hasFocus())
    GTEST_SKIP() << "the window system gave the dialog no focus";
  for (QWidget *next : {static_cast<QWidget *>(form.Edit2), static_cast<QWidget *>(form.Edit3),
                        static_cast<QWidget *>(form.BitBtn1)}) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &enter);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
  EXPECT_TRUE(form.isVisible()) << "Enter in an edit must not end the dialog";
}

TEST(PaletteForm, InvertRotateAndRestoreButtons) {
  TPaletteForm form;
  form.LabelsPanelMouseDown(10);
  form.RotateBtn->click();
  EXPECT_EQ(NodeLabel(form, 2)->text(), "246");
  ExpectColor(form.Nodes().Color(1), {255, 255, 255});
  form.InvertBtn->click();
  ExpectColor(form.Nodes().Color(2), {255, 255, 255}); // the selected node, shown in the edits
  EXPECT_EQ(form.Edit1->text(), "255");
  form.ResetBtn->click();
  EXPECT_EQ(form.FPalTable(), GreyRamp());
  EXPECT_EQ(form.Nodes().Selected(), 1);
  EXPECT_EQ(form.Edit1->text(), "0");
}

TEST(PaletteForm, SavingWritesTheFormatOfTheChosenFilter) {
  TempDir dir;
  ScriptedForm s;
  const struct {
    int filter;
    std::size_t size;
  } cases[] = {{1, 192}, {2, 1048}, {3, 768}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.filter);
    s.answer = QPath(dir.file("p" + std::to_string(c.filter) + ".pal")); // the filter decides, not the name
    s.filter = c.filter;
    s.form.SavePalSB->click();
    EXPECT_EQ(test::ReadFile(dir.file("p" + std::to_string(c.filter) + ".pal")).size(), c.size);
    EXPECT_EQ(LastSavedPalName, s.answer);
  }
  EXPECT_TRUE(s.errors.isEmpty());

  s.answer = QPath(dir.file("no/such/folder.irp"));
  s.filter = 1;
  s.form.SavePalSB->click();
  EXPECT_EQ(s.errors.size(), 1) << "a failed save is reported";
}

TEST(PaletteForm, OpeningANodeFileOrRefusingABadOne) {
  TempDir dir;
  ScriptedForm s;
  s.form.LabelsPanelMouseDown(50);
  test::Bytes two;
  two.u8(0).u8(1).u32(0).u8(100).u8(1).u32(0xff);
  test::WriteFile(dir.file("two.IRP"), two.data());
  const TPaletteTable before = s.form.FPalTable();

  s.answer = QPath(dir.file("two.IRP"));
  s.form.OpenPalSB->click();
  EXPECT_TRUE(s.errors.isEmpty());
  EXPECT_EQ(LastSavedPalName, s.answer);
  EXPECT_FALSE(NodeLabel(s.form, 2)->isVisibleTo(&s.form));
  EXPECT_EQ(NodeLabel(s.form, 32)->text(), "100");
  ExpectColor(s.form.FPalTable()[100], {255, 0, 0});
  ExpectColor(s.form.FPalTable()[200], before[200]);
  EXPECT_EQ(s.form.Nodes().Selected(), 1);

  // A file with a broken record changes nothing and says why.
  test::WriteFile(dir.file("bad.irp"), std::vector<std::uint8_t>(two.data().begin(), two.data().end() - 1));
  const TPaletteTable loaded = s.form.FPalTable();
  s.answer = QPath(dir.file("bad.irp"));
  s.form.OpenPalSB->click();
  ASSERT_EQ(s.errors.size(), 1);
  EXPECT_EQ(s.form.FPalTable(), loaded);
  EXPECT_EQ(NodeLabel(s.form, 32)->text(), "100");
}

// ---- The main window's "Other..." ----

class OtherPalette : public ::testing::Test {
protected:
  void SetUp() override { fakes.services.view = std::make_unique<MainWindowThermogramView>(); }
  void TearDown() override {
    PaletteForm = nullptr;
    editor.reset();
    window.reset();
    Calidarix = nullptr;
    ResetThermogramGlobals();
    ResetViewGlobals();
    ResetMarkerSettings();
  }

  TCalidarix &Start() {
    window = std::make_unique<TCalidarix>(fakes.services);
    Calidarix = window.get();
    window->FormCreate({});
    window->show();
    QApplication::processEvents();
    editor = std::make_unique<TPaletteForm>();
    PaletteForm = editor.get();
    return *window;
  }

  // Runs "Other..." with the editor ended by `end` once it shows.
  void RunOther(std::function<void()> end) {
    QTimer::singleShot(0, editor.get(), std::move(end));
    window->PalettePopupMenu->findChild<QAction *>("Other1")->trigger();
  }

  test::FakeServices fakes;
  std::unique_ptr<TCalidarix> window;
  std::unique_ptr<TPaletteForm> editor;
};

TEST_F(OtherPalette, OkMakesTheEditorsPaletteSlotEightCancelTakesNothing) {
  TCalidarix &w = Start();
  TempDir dir;
  w.FPalOpenDirectory = "/old/open/";
  RunOther([this] {
    EXPECT_EQ(editor->OpenPalDialog.InitialDir, "/old/open/");
    editor->LabelsPanelMouseDown(128);
    editor->ColPanelClick(editor->findChild<QFrame *>("Panel1"));
    editor->BitBtn2->click();
  });
  EXPECT_EQ(w.FPalettes[kEditorPaletteSlot], GreyRamp());
  EXPECT_NE(PalNumber, kEditorPaletteSlot);
  EXPECT_EQ(w.FPalOpenDirectory, "") << "no file was opened in the editor";

  editor->OpenPalDialog.FileName = QPath(dir.file("nodes.irp"));
  RunOther([this] { editor->BitBtn1->click(); });
  EXPECT_EQ(w.FPalettes[kEditorPaletteSlot], editor->FPalTable());
  ExpectColor(w.FPalettes[kEditorPaletteSlot][128], {255, 0, 0});
  EXPECT_EQ(PalNumber, kEditorPaletteSlot);
  EXPECT_EQ(CurrentDTV->FPalette, editor->FPalTable());
  EXPECT_EQ(w.FPalOpenDirectory, QPath(dir.path()) + "/");
}

} // namespace
} // namespace calidarix
