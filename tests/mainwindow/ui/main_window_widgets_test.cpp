// The texts of the main window's own components: every label fits its box, in both languages and both
// info panel layouts, and every text of the window switches language.

#include "mainwindow/captions.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

namespace calidarix {
namespace {

class WindowTexts : public test::FileWindow {
protected:
  // A film of two 640 x 480 frames from 18.72 to 84.43 degrees, shown with the cursor over it.
  TCalidarix &ShowWideFilm(int language) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = 640;
    t.FHeader.Height = 480;
    t.FHeader.Offset = 18.7234f;
    t.FHeader.Scale = static_cast<float>((84.4274 - 18.7234) / 65535);
    t.FRaw.resize(640u * 480u);
    for (std::size_t i = 0; i < t.FRaw.size(); ++i)
      t.FRaw[i] = static_cast<std::uint16_t>(i * 65535 / (t.FRaw.size() - 1));
    const QString film = Path("wide.dtv");
    EXPECT_TRUE(t.StartFilm(film));
    EXPECT_TRUE(t.AppendFilmFrame(film));
    TCalidarix &w = Start();
    w.SetLanguageCaptions(language);
    dialogs->OpenAnswers.push_back({film});
    w.OpenSBClick();
    w.UpdateCursorReadout(w.ImagePB->width() - 2, w.ImagePB->height() - 2);
    QApplication::processEvents();
    return w;
  }

  // The labels whose text is cut by their box, and the info labels whose texts run into each other.
  static QStringList Clipped(const QWidget &w) {
    QStringList clipped;
    for (const QLabel *label : w.findChildren<QLabel *>()) {
      if (!label->isVisibleTo(&w) || label->text().isEmpty() || label->wordWrap() ||
          label->textFormat() == Qt::RichText)
        continue;
      const int needed = label->fontMetrics().horizontalAdvance(label->text());
      if (needed > label->contentsRect().width())
        clipped << QStringLiteral("%1 \"%2\" needs %3 of %4")
                       .arg(label->objectName(), label->text())
                       .arg(needed)
                       .arg(label->contentsRect().width());
    }
    return clipped;
  }

  static QStringList Overlapping(const TCalidarix &w) {
    QStringList overlapping;
    const QList<QLabel *> labels = w.InfoPanel->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QLabel *a : labels)
      for (const QLabel *b : labels) {
        if (a == b || !a->isVisible() || !b->isVisible() || a->text().isEmpty() || b->text().isEmpty() ||
            a->objectName() == "TemperatureLabelWhite" || b->objectName() == "TemperatureLabelWhite")
          continue;
        const QRect ta(a->pos(), QSize(a->fontMetrics().horizontalAdvance(a->text()), a->height()));
        const QRect tb(b->pos(), QSize(b->fontMetrics().horizontalAdvance(b->text()), b->height()));
        if (a->x() < b->x() && ta.intersects(tb))
          overlapping << a->objectName() + " \"" + a->text() + "\" runs into " + b->objectName();
      }
    return overlapping;
  }
};

// The widths of another platform's fonts cut "X: 128T:", "Pts: 30720(Frm: 1" and the range texts
// under the palette bar; the boxes now follow the texts.
TEST_F(WindowTexts, NoLabelIsCutOrRunsIntoAnotherWithA640By480Film) {
  for (const int language : {0, 1}) {
    for (const bool sideColumn : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << (language ? "Russian" : "English") << (sideColumn ? ", column" : ", strip"));
      TCalidarix &w = ShowWideFilm(language);
      w.SetInfoPanelLayout(sideColumn);
      QApplication::processEvents();
      EXPECT_EQ(w.findChild<QLabel *>("PtsLabel")->text(), "307200");
      EXPECT_EQ(w.PalBegLabel->text(), "18.72");
      EXPECT_EQ(w.PalEndLabel->text(), "84.43");
      const QStringList clipped = Clipped(w);
      EXPECT_TRUE(clipped.isEmpty()) << clipped.join("; ").toStdString();
      const QStringList overlapping = Overlapping(w);
      EXPECT_TRUE(overlapping.isEmpty()) << overlapping.join("; ").toStdString();
      window.reset();
    }
  }
}

// A label whose text grows later (a value typed into the average) takes the room it needs.
TEST_F(WindowTexts, ALongerValueWidensItsColumn) {
  TCalidarix &w = ShowWideFilm(0);
  QLabel *average = w.findChild<QLabel *>("AvgLabel");
  const int before = average->width();
  average->setText("1234567.89");
  QApplication::processEvents();
  EXPECT_GT(average->width(), before);
  EXPECT_TRUE(Clipped(w).isEmpty()) << Clipped(w).join("; ").toStdString();
  EXPECT_TRUE(Overlapping(w).isEmpty()) << Overlapping(w).join("; ").toStdString();
}

// The faces of the tool buttons, the points list and the video button were left in English.
TEST_F(WindowTexts, RussianReachesTheToolFacesAndTheSetupPanel) {
  TCalidarix &w = Start();
  w.SetLanguageCaptions(1);
  for (const CaptionRow &row : OwnCaptionTable()) {
    QObject *object = w.findChild<QObject *>(row.component);
    ASSERT_NE(object, nullptr) << row.component;
    if (row.target == CaptionTarget::Caption) {
      EXPECT_EQ(object->property("text").toString(), QString::fromUtf8(row.russian)) << row.component;
    }
  }
  QStringList english;
  for (const QToolButton *button : w.ToolPanel->findChildren<QToolButton *>())
    if (button->isVisibleTo(&w) && !button->text().contains(QRegularExpression("[А-Яа-я]")) &&
        button->text() != "3D" && button->text() != "SLK")
      english << button->objectName() + " " + button->text();
  EXPECT_TRUE(english.isEmpty()) << english.join("; ").toStdString();
  auto *points = w.findChild<QComboBox *>("PointsCB");
  EXPECT_EQ(points->itemText(0), QString::fromUtf8("Выкл"));
  EXPECT_EQ(points->itemText(1), QString::fromUtf8("Вкл"));
  EXPECT_EQ(w.findChild<QPushButton *>("VideoSetupSB")->text(), QString::fromUtf8("Видео..."));

  w.SetLanguageCaptions(0);
  EXPECT_EQ(points->itemText(0), "Off");
  EXPECT_EQ(w.findChild<QToolButton *>("ScanSB")->text(), "Scan");
}

} // namespace
} // namespace calidarix
