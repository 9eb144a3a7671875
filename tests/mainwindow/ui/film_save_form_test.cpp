#include "mainwindow/ui/film_save_form.h"

#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(FilmSaveForm, OnlyTheChosenOptionsEditsCanBeTypedIn) {
  TFilmSaveForm form;
  EXPECT_TRUE(form.AllRB->isChecked());
  const auto enabled = [&] {
    return std::vector<bool>{form.NumbersEdit1->isEnabled(), form.NumbersEdit2->isEnabled(),
                             form.FramesStrEdit->isEnabled(), form.EveryEdit1->isEnabled(),
                             form.EveryEdit2->isEnabled()};
  };
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, false}));
  const struct {
    QRadioButton *button;
    std::vector<bool> edits;
    TFramesOption option;
  } cases[] = {
      {form.NumbersRB, {true, true, false, false, false}, TFramesOption::Numbers},
      {form.EveryRB, {false, false, false, true, true}, TFramesOption::Every},
      {form.FramesStrRB, {false, false, true, false, false}, TFramesOption::FramesList},
      {form.CurrentRB, {false, false, false, false, false}, TFramesOption::Current},
      {form.AllRB, {false, false, false, false, false}, TFramesOption::All},
  };
  for (const auto &c : cases) {
    c.button->click();
    EXPECT_EQ(enabled(), c.edits) << c.button->objectName().toStdString();
    EXPECT_EQ(form.Choice().Option, c.option);
  }
}

TEST(FilmSaveForm, TheChoiceCarriesTheTextsAsTyped) {
  TFilmSaveForm form;
  const TFramesChoice defaults = form.Choice();
  EXPECT_EQ(defaults.NumbersFrom, QStringLiteral("1"));
  EXPECT_EQ(defaults.NumbersTo, QStringLiteral("2"));
  EXPECT_EQ(defaults.FramesList, QStringLiteral("1-10"));
  EXPECT_EQ(defaults.EveryStep, QStringLiteral("2"));
  EXPECT_EQ(defaults.EveryFrom, QStringLiteral("1"));
  form.EveryRB->click();
  form.EveryEdit1->setText(QStringLiteral("5"));
  form.EveryEdit2->setText(QStringLiteral("2"));
  const TFramesChoice c = form.Choice();
  EXPECT_EQ(c.Option, TFramesOption::Every);
  EXPECT_EQ(c.EveryStep, QStringLiteral("5"));
  EXPECT_EQ(c.EveryFrom, QStringLiteral("2"));
}

} // namespace
} // namespace calidarix
