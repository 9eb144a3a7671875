#include "mainwindow/captions.h"

#include <QAction>
#include <QObject>
#include <QSet>
#include <QStringListModel>
#include <QWindow>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

bool IsComponentRow(const CaptionRow &row) {
  return row.target == CaptionTarget::Hint || row.target == CaptionTarget::Caption;
}

// One QAction per component row (an action has both a text and a tool tip), below one root.
class CaptionTree : public ::testing::Test {
protected:
  void SetUp() override {
    for (const CaptionRow &row : CaptionTable()) {
      if (!IsComponentRow(row) || root.findChild<QObject *>(row.component))
        continue;
      auto *action = new QAction(&root);
      action->setObjectName(row.component);
    }
  }

  QString Text(const CaptionRow &row) const {
    const QObject *object = root.findChild<QObject *>(row.component);
    return object->property(row.target == CaptionTarget::Hint ? "toolTip" : "text").toString();
  }

  QObject root;
};

TEST(CaptionTable, HasEveryRowOnceAndOnlyThreeLeftAloneInRussian) {
  const auto table = CaptionTable();
  EXPECT_EQ(table.size(), 143u);
  QSet<QString> seen;
  QStringList untouched;
  for (const CaptionRow &row : table) {
    const QString key = QString::fromLatin1(row.component) + "/" + QString::number(int(row.target));
    EXPECT_FALSE(seen.contains(key)) << key.toStdString();
    seen.insert(key);
    ASSERT_NE(row.english, nullptr);
    if (row.russian == nullptr)
      untouched << key;
  }
  EXPECT_EQ(untouched, (QStringList{"ScanPanel/2", "ScanNamePanel/3", "AutoStitch/3"}));
}

TEST_F(CaptionTree, EveryRowSwitchesBetweenTheTwoLanguages) {
  LanguageTexts english = SetLanguageCaptions(root, 0);
  for (const CaptionRow &row : CaptionTable())
    if (IsComponentRow(row)) {
      EXPECT_EQ(Text(row), QString::fromUtf8(row.english)) << row.component;
    }
  EXPECT_EQ(english.baseCaption, "Calidarix");
  EXPECT_EQ(root.property("windowTitle").toString(), "Calidarix");
  EXPECT_EQ(english.statTexts, (std::array<QString, 5>{"Min", "Max", "Avg", "Pts", "P"}));

  LanguageTexts russian = SetLanguageCaptions(root, 1);
  for (const CaptionRow &row : CaptionTable()) {
    if (!IsComponentRow(row))
      continue;
    // The rows the Russian set leaves alone keep the English text they had.
    const char *expected = row.russian ? row.russian : row.english;
    EXPECT_EQ(Text(row), QString::fromUtf8(expected)) << row.component;
    if (row.russian && std::string(row.russian) != row.english) {
      EXPECT_NE(Text(row), QString::fromUtf8(row.english)) << row.component;
    }
  }
  EXPECT_EQ(russian.baseCaption, QString::fromUtf8("Калидарикс"));
  EXPECT_EQ(root.property("windowTitle").toString(), russian.baseCaption);
  EXPECT_EQ(russian.statTexts[1], QString::fromUtf8("Мкс"));
  EXPECT_EQ(russian.statTexts[4], QString::fromUtf8("Т"));
  EXPECT_EQ(root.findChild<QObject *>("CopySB")->property("toolTip").toString(),
            QString::fromUtf8("Копировать изображение [Ctrl+C]"));
  EXPECT_EQ(root.findChild<QObject *>("SetupCancelBtn")->property("text").toString(),
            QString::fromUtf8("Отмена"));
  EXPECT_EQ(root.findChild<QObject *>("ScanNamePanel")->property("text").toString(), "Scan [F5]");

  SetLanguageCaptions(root, 0);
  for (const CaptionRow &row : CaptionTable())
    if (IsComponentRow(row)) {
      EXPECT_EQ(Text(row), QString::fromUtf8(row.english)) << row.component;
    }
}

TEST_F(CaptionTree, UnknownLanguagesShowEnglish) {
  for (int language : {2, 5, -1, 1000}) {
    SetLanguageCaptions(root, 1);
    LanguageTexts texts = SetLanguageCaptions(root, language);
    EXPECT_EQ(EffectiveLanguage(language), 0);
    EXPECT_EQ(texts.baseCaption, "Calidarix") << language;
    EXPECT_EQ(root.findChild<QObject *>("File1")->property("text").toString(), "File") << language;
    EXPECT_EQ(root.findChild<QObject *>("OpenSB")->property("toolTip").toString(), "Open [F1]") << language;
  }
}

// The window's own texts switch with the rest: the faces of the tool buttons and the items of a list.
TEST(OwnCaptions, FacesAndListItemsSwitchToo) {
  QObject root;
  auto *face = new QAction(&root);
  face->setObjectName("ScanSB");
  auto *list = new QObject(&root);
  list->setObjectName("PointsCB");
  auto *items = new QStringListModel({"Off", "On"}, list);
  SetLanguageCaptions(root, 1);
  EXPECT_EQ(face->text(), QString::fromUtf8("Скан"));
  EXPECT_EQ(face->toolTip(), QString::fromUtf8("Сканирование [F5]"));
  EXPECT_EQ(items->stringList(), (QStringList{QString::fromUtf8("Выкл"), QString::fromUtf8("Вкл")}));
  SetLanguageCaptions(root, 0);
  EXPECT_EQ(face->text(), "Scan");
  EXPECT_EQ(items->stringList(), (QStringList{"Off", "On"}));
  for (const CaptionRow &row : OwnCaptionTable())
    EXPECT_NE(row.russian, nullptr) << row.component;
}

TEST(CaptionSetter, UsesTheTitleWhereThereIsNoText) {
  QObject root;
  auto *menu = new QWindow(); // has "title" but no "text", like a menu or a group box
  menu->setObjectName("Edit1");
  static_cast<QObject *>(menu)->setParent(&root);
  SetLanguageCaptions(root, 1);
  EXPECT_EQ(menu->title(), QString::fromUtf8("Правка"));
}

} // namespace
} // namespace calidarix
