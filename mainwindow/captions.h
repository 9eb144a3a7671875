#pragma once
// The English and Russian texts of the main window's own components, and the one routine that sets them.
//
// The table is data: one row per text, in the order in which the texts are set. Components are found by
// objectName, and their texts are set through Qt properties ("toolTip" for hints; "text", else "title",
// for captions), so this code needs no widget classes and works on any QObject tree.

#include <QString>
#include <array>
#include <cstddef>
#include <span>

class QObject;

namespace calidarix {

enum class CaptionTarget {
  BaseCaption,   // FBaseCaption: the caption that view updates append the file name to
  WindowCaption, // the root window's title
  Hint,          // a component's hint (tool tip)
  Caption,       // a component's caption (text of a label, button, check box, panel, menu item; menu title)
  StatText,      // one of the five statistic abbreviations drawn on the image
  Items,         // the items of a list, "|" between them (the rows of the list's own model)
};

struct CaptionRow {
  const char *component; // objectName; for StatText the index 0..4 as text
  CaptionTarget target;
  const char *english;
  const char *russian; // nullptr: the Russian set leaves this text as it is
};

// Every row, in setting order.
std::span<const CaptionRow> CaptionTable();

// The texts of the window's own components that the rows above do not name (the faces of the tool
// buttons, the items of the points list, the video button), set after them in the same way.
std::span<const CaptionRow> OwnCaptionTable();

// 0 English, 1 Russian; every other value shows English.
int EffectiveLanguage(int language);

// The texts that are not component properties: kept by the main window.
struct LanguageTexts {
  QString baseCaption;
  std::array<QString, 5> statTexts; // Min, Max, Avg, Pts, point prefix
};

// Sets the text of every row of both tables in the chosen language on the objects below `root` (and on
// `root` itself for the window caption). Rows whose component does not exist are skipped. Does not
// store the language.
LanguageTexts SetLanguageCaptions(QObject &root, int language);

} // namespace calidarix
