#include "mainwindow/captions.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QVariant>
#include <cstring>

namespace calidarix {

namespace {

using T = CaptionTarget;

// The Russian name of the product, shown as the window caption in Russian.
constexpr const char *kRussianProductName = "Калидарикс";

const CaptionRow kRows[] = {
    // Window
    {"", T::BaseCaption, "Calidarix", kRussianProductName},
    {"", T::WindowCaption, "Calidarix", kRussianProductName},
    // Tool-bar hints and the big Scan button
    {"ScanSB", T::Hint, "Scan [F5]", "Сканирование [F5]"},
    {"ScanPanel", T::Hint, "Scan [F5]", nullptr},
    {"ScanNamePanel", T::Caption, "Scan [F5]", nullptr},
    {"OpenSB", T::Hint, "Open [F1]", "Открыть [F1]"},
    {"SaveSB", T::Hint, "Save [F2]", "Сохранить [F2]"},
    {"SaveBMPSB", T::Hint, "Save Image [P]", "Сохранить изображение [P]"},
    {"CopySB", T::Hint, "Copy [Ctrl+C]", "Копировать изображение [Ctrl+C]"},
    {"BMPFrameSB", T::Hint, "Image Type", "Тип изображения"},
    {"DelSB", T::Hint, "Remove Markers", "Удалить маркеры"},
    {"PalSB", T::Hint, "Palette [1,2,...,8]", "Палитра [1,2,...,8]"},
    {"FrameSB", T::Hint, "Goto Frame [F]", "Перейти к кадру [F]"},
    {"MinMaxAvgSB", T::Hint, "Min Max Avg", "Мин Макс Сред"},
    {"CropSB", T::Hint, "Zoom", "Увеличить область"},
    {"View3dSB", T::Hint, "3D View [N]", "Трёхмерный вид [N]"},
    {"GraphSB", T::Hint, "Thermo Profile [G]", "Пространственный график [G]"},
    {"HistogramSB", T::Hint, "Histogram [H]", "Гистограмма [H]"},
    {"TimeGraphSB", T::Hint, "Time Profile [J]", "Временной график [J]"},
    {"FontNSB", T::Hint, "Font Size", "Размер шрифта"},
    {"CopyPointsSB", T::Hint, "Copy Markers", "Копировать маркеры"},
    {"VideoSB", T::Hint, "Video", "Видео"},
    {"SetupSB", T::Hint, "Setup [.]", "Настройки [.]"},
    {"PrintSB", T::Hint, "Print", "Печать"},
    {"ExcelSB", T::Hint, "Export SLK", "Экспорт SLK"},
    {"FixedFileSB", T::Hint, "!", "!"},
    {"LockSB", T::Hint, "Lock Scale [F8]", "Зафиксировать шкалу [F8]"},
    {"LinkSB", T::Hint, "Link palette [\\]", "Связать палитры [\\]"},
    {"CopyInfoSB", T::Hint, "Copy Info [Ctrl+V]", "Копировать информацию [Ctrl+V]"},
    // Image-type popup menu
    {"ImageOnly1", T::Caption, "Image Only", "Только изображение"},
    {"ImageOnly2", T::Caption, "Image+Scale", "Изображение+шкала"},
    {"ImageOnly3", T::Caption, "Image+Scale+Info", "Изображение+шкала+инфо"},
    {"ScaleOnly1", T::Caption, "Scale Only", "Только шкала"},
    // Area popup menu
    {"ArrayAvg1", T::Caption, "Array Avg", "Среднее области"},
    {"ArrayMax1", T::Caption, "Array Max", "Максимум области"},
    {"ArrayMin1", T::Caption, "Array Min", "Минимум области"},
    {"ArrayAll1", T::Caption, "Array All", "Всё по области"},
    {"ArrayType1", T::Caption, "Array Type", "Форма области"},
    {"Rectangle1", T::Caption, "Rectangle", "Прямоугольник"},
    {"Ellipse1", T::Caption, "Ellipse", "Эллипс"},
    // Palette popup menu
    {"Other1", T::Caption, "Other...", "Другая..."},
    // Setup panel labels
    {"SetupFilmFramesLabel", T::Caption, "Film frames", "Кадров фильма"},
    {"SetupFrameTimeLabel", T::Caption, "Frame time", "Время кадра"},
    {"SetupSumCountLabel", T::Caption, "Sum count", "Число сумм"},
    {"SetupLanguageLabel", T::Caption, "Language", "Язык"},
    {"SetupPointsLabel", T::Caption, "Points Count", "Нумерация"},
    {"SetupFixedMinLabel", T::Caption, "Fixed Min", "Фикс. мин"},
    {"SetupFixedMaxLabel", T::Caption, "Fixed Max", "Фикс. макс"},
    {"SetupLimitLabel", T::Caption, "Limit", "Порог"},
    // Setup panel check boxes
    {"AutoSaveCB", T::Caption, "AutoSave", "Автосохранение"},
    {"FullScreenCB", T::Caption, "FullScreen", "Полный экран"},
    {"FixedRangeCB", T::Caption, "FixedRange", "Фикс. диапазон"},
    {"BigButtonsCB", T::Caption, "BigButtons", "Большие кнопки"},
    {"AutoIsothermCB", T::Caption, "Auto Isotherm", "Автоизотерма"},
    {"MenuVisibleCB", T::Caption, "MenuVisible", "Показать меню"},
    {"IntegerCB", T::Caption, "Integer", "Целые"},
    {"SavebyF2CB", T::Caption, "Save by F2", "Сохранять по F2"},
    {"ReadDTICB", T::Caption, "Read DTI", "Читать DTI"},
    {"NightModeCB", T::Caption, "Night mode", "Ночной режим"},
    // Cancel buttons of the value panels and the setup panel
    {"FixedLevelCancelBtn", T::Caption, "&Cancel", "Отмена"},
    {"FixedLevel2CancelBtn", T::Caption, "&Cancel", "Отмена"},
    {"SetupCancelBtn", T::Caption, "&Cancel", "Отмена"},
    // Statistic abbreviations drawn on the image
    {"0", T::StatText, "Min", "Мин"},
    {"1", T::StatText, "Max", "Мкс"},
    {"2", T::StatText, "Avg", "Срд"},
    {"3", T::StatText, "Pts", "Тчк"},
    {"4", T::StatText, "P", "Т"},
    // Info labels
    {"XLab", T::Caption, "X:", "Х:"},
    {"YLab", T::Caption, "Y:", "У:"},
    {"MaxLab", T::Caption, "Max:", "Мкс:"},
    {"MinLab", T::Caption, "Min:", "Мин:"},
    {"AvgLab", T::Caption, "Avg:", "Срд:"},
    {"PtsLab", T::Caption, "Pts:", "Тчк:"},
    {"MaximumLabel", T::Caption, "Maximum:", "Максимум:"},
    {"MinimumLabel", T::Caption, "Minimum:", "Минимум:"},
    {"FrsLab", T::Caption, "Frs:", "Кры:"},
    {"FrmLab", T::Caption, "Frm:", "Кдр:"},
    {"IsoLab", T::Caption, "Iso:", "Изо:"},
    {"TimLab", T::Caption, "Tim:", "Врм:"},
    {"FrtLab", T::Caption, "Frt:", "ВрК:"},
    {"InfoLabel", T::Caption, "Info:", "Инф:"},
    {"Label18", T::Caption, "FileName:", "ИмяФайла:"},
    {"BlLab", T::Caption, "Bl:", "Шт.:"},
    {"ThLab", T::Caption, "Th:", "ТД:"},
    // Video panel
    {"VideoPanel", T::Caption, "Initializing Video...", "Запуск видео..."},
    // Main menu "File"
    {"File1", T::Caption, "File", "Файл"},
    {"New1", T::Caption, "New", "Новый"},
    {"Open1", T::Caption, "Open [F1]", "Открыть [F1]"},
    {"Save1", T::Caption, "Save [F2]", "Сохранить [F2]"},
    {"SaveAs1", T::Caption, "Save As... [Alt+F2]", "Сохранить как... [Alt+F2]"},
    {"ImageType1", T::Caption, "Image Type", "Тип изображения"},
    {"ImageOnly4", T::Caption, "Image Only", "Только изображение"},
    {"ImageOnly5", T::Caption, "Image+Scale", "Изображение+шкала"},
    {"ImageOnly6", T::Caption, "Image+Scale+Info", "Изображение+шкала+инфо"},
    {"SaveImage1", T::Caption, "Save Image... [P]", "Сохранить изображение... [P]"},
    {"Multy1", T::Caption, "Multy [Tab]", "Мульти [Tab]"},
    {"Print1", T::Caption, "Print...", "Печать..."},
    {"Exit1", T::Caption, "Exit [Alt+X]", "Выход [Alt+X]"},
    // Main menu "Edit"
    {"Edit1", T::Caption, "Edit", "Правка"},
    {"CopyImage1", T::Caption, "Copy Image [Ctrl+C]", "Копировать изображение [Ctrl+C]"},
    {"CopyMarkers1", T::Caption, "Copy Markers [Ctrl+V]", "Копировать маркеры [Ctrl+V]"},
    {"CopyInfo1", T::Caption, "Copy Info", "Копировать информацию"},
    {"ShowMinMax1", T::Caption, "Show Min/Max", "Показать мин/макс"},
    {"DoubleMinMax1", T::Caption, "Double Min/Max", "Двойной мин/макс"},
    {"Emissivity1", T::Caption, "Emissivity [E]", "Излучательная способность [E]"},
    {"RealTemperature1", T::Caption, "Real Temperature [Alt+E]", "Реальная температура [Alt+E]"},
    // Main menu "Scan"
    {"Scan1", T::Caption, "Scan", "Сканирование"},
    {"Start1", T::Caption, "Start [F5]", "Пуск [F5]"},
    {"Stop1", T::Caption, "Stop [Esc]", "Стоп [Esc]"},
    {"Interface1", T::Caption, "Interface...", "Интерфейс..."},
    // Main menu "Tools"
    {"Tools1", T::Caption, "Tools", "Инструменты"},
    {"ThermoProfile1", T::Caption, "Thermo Profile [G]", "Пространственный график [G]"},
    {"TimeProfile1", T::Caption, "Time Profile [J]", "Временной график [J]"},
    {"Histogram1", T::Caption, "Histogram [H]", "Гистограмма [H]"},
    {"N3DMode1", T::Caption, "3D View [N]", "Трёхмерный вид [N]"},
    {"DateTimeMode1", T::Caption, "Date-Time Mode [D]", "Дата и время [D]"},
    {"FolderToFilm", T::Caption, "Folder to Film", "Папку в фильм"},
    {"FolderToJPG2", T::Caption, "Folder to JPG", "Папку в JPG"},
    {"Setup1", T::Caption, "Setup... [.]", "Настройки... [.]"},
    // Main menu "Panorama"
    {"Panoram1", T::Caption, "Panorama", "Панорама"},
    {"OpenPanFolder1", T::Caption, "Open Panoram Folder", "Открыть папку панорамы"},
    {"PanoramOptions1", T::Caption, "Panoram options", "Опции сложения"},
    {"Blending1", T::Caption, "Blending", "Смешивание"},
    {"ScanforPanHead1", T::Caption, "Search for Pan Head", "Поиск поворотной головки"},
    {"PanByFrames", T::Caption, "Start Panoram [P]", "Начать панораму [P]"},
    {"Strip1", T::Caption, "Start Strip [S]", "Начать полосу [S]"},
    {"PanoramHeadControl1", T::Caption, "Panoram Head Control", "Управление поворотной головкой"},
    {"Point01", T::Caption, "Move to >0< position", "Перейти в позицию >0<"},
    {"ChangeHeadPosition1", T::Caption, "Change position", "Изменить позицию"},
    {"AutoStitch", T::Caption, "Auto stitch", nullptr},
    // Main menu "Projection"
    {"Projection1", T::Caption, "Projection", "Проекция"},
    {"Sphere1", T::Caption, "Sphere", "Сфера"},
    {"Cylinder1", T::Caption, "Cylinder", "Цилиндр"},
    {"Transversal1", T::Caption, "Transversal", "Поперечный цилиндр"},
    {"Mercator1", T::Caption, "Mercator", "Меркатор"},
    {"Plane1", T::Caption, "Plane", "Плоскость"},
    {"FrontPlaneSwitch", T::Caption, "Front", "Спереди"},
    {"RightPlaneSwitch", T::Caption, "Right", "Справа"},
    {"RearPlaneSwitch", T::Caption, "Rear", "Сзади"},
    {"LeftPlaneSwitch", T::Caption, "Left", "Слева"},
    {"PolarLimited", T::Caption, "Polar limited", "Полярная ограниченная"},
    {"PolarFull", T::Caption, "Polar", "Полярная"},
    // Service menu
    {"ServiceFunctions", T::Caption, "_Service", "Сервис"},
};

const CaptionRow kOwnRows[] = {
    // Faces of the tool buttons: short words, the hints above carry the full names
    {"ScanSB", T::Caption, "Scan", "Скан"},
    {"OpenSB", T::Caption, "Open", "Откр"},
    {"SaveSB", T::Caption, "Save", "Сохр"},
    {"SaveBMPSB", T::Caption, "Img", "Изоб"},
    {"CopySB", T::Caption, "Copy", "Копи"},
    {"BMPFrameSB", T::Caption, "Type", "Тип"},
    {"DelSB", T::Caption, "Del", "Удал"},
    {"PalSB", T::Caption, "Pal", "Пал"},
    {"FrameSB", T::Caption, "Frm", "Кдр"},
    {"MinMaxAvgSB", T::Caption, "MMA", "МмС"},
    {"CropSB", T::Caption, "Zoom", "Увел"},
    {"View3dSB", T::Caption, "3D", "3D"},
    {"GraphSB", T::Caption, "Prof", "Проф"},
    {"HistogramSB", T::Caption, "Hist", "Гист"},
    {"TimeGraphSB", T::Caption, "Time", "Врем"},
    {"FontNSB", T::Caption, "Font", "Шрифт"},
    {"CopyPointsSB", T::Caption, "Mrk", "Мрк"},
    {"VideoSB", T::Caption, "Vid", "Вид"},
    {"SetupSB", T::Caption, "Set", "Наст"},
    {"PrintSB", T::Caption, "Prn", "Печ"},
    {"ExcelSB", T::Caption, "SLK", "SLK"},
    {"LockSB", T::Caption, "Lock", "Фикс"},
    {"LinkSB", T::Caption, "Link", "Связь"},
    {"CopyInfoSB", T::Caption, "Info", "Инфо"},
    // Setup panel
    {"PointsCB", T::Items, "Off|On", "Выкл|Вкл"},
    {"VideoSetupSB", T::Caption, "Video...", "Видео..."},
    {"SetupOkBtn", T::Caption, "&Ok", "Ок"},
};

// Captions go to "text" (labels, buttons, check boxes, actions) or, where there is none, "title"
// (menus, group boxes).
void SetCaption(QObject &object, const QString &text) {
  const QMetaObject *meta = object.metaObject();
  for (const char *name : {"text", "title"}) {
    if (meta->indexOfProperty(name) >= 0) {
      object.setProperty(name, text);
      return;
    }
  }
}

// A list's items are the rows of the model it owns.
void SetItems(QObject &list, const QString &texts) {
  auto *model = list.findChild<QAbstractItemModel *>(QString(), Qt::FindDirectChildrenOnly);
  if (!model)
    return;
  const QStringList items = texts.split(QLatin1Char('|'));
  for (int row = 0; row < model->rowCount() && row < items.size(); ++row)
    model->setData(model->index(row, 0), items[row], Qt::DisplayRole);
}

// The objects below `root` by name, each name's in the order findChildren gives them. One walk of the
// tree instead of one per caption row: the main window holds thousands of objects.
QHash<QString, QList<QObject *>> ObjectsByName(const QObject &root) {
  QHash<QString, QList<QObject *>> byName;
  for (QObject *object : root.findChildren<QObject *>())
    if (const QString name = object->objectName(); !name.isEmpty())
      byName[name].append(object);
  return byName;
}

void SetRows(QObject &root, std::span<const CaptionRow> rows, bool russian, LanguageTexts &texts) {
  const QHash<QString, QList<QObject *>> byName = ObjectsByName(root);
  for (const CaptionRow &row : rows) {
    const char *chosen = russian ? row.russian : row.english;
    if (chosen == nullptr)
      continue;
    const QString text = QString::fromUtf8(chosen);
    switch (row.target) {
    case T::BaseCaption:
      texts.baseCaption = text;
      break;
    case T::WindowCaption:
      root.setProperty("windowTitle", text);
      break;
    case T::StatText:
      texts.statTexts[static_cast<std::size_t>(row.component[0] - '0')] = text;
      break;
    case T::Hint:
    case T::Caption:
    case T::Items:
      for (QObject *object : byName.value(QString::fromLatin1(row.component))) {
        if (row.target == T::Hint)
          object->setProperty("toolTip", text);
        else if (row.target == T::Items)
          SetItems(*object, text);
        else
          SetCaption(*object, text);
      }
      break;
    }
  }
}

} // namespace

std::span<const CaptionRow> CaptionTable() {
  return kRows;
}

std::span<const CaptionRow> OwnCaptionTable() {
  return kOwnRows;
}

int EffectiveLanguage(int language) {
  return language == 1 ? 1 : 0;
}

LanguageTexts SetLanguageCaptions(QObject &root, int language) {
  const bool russian = EffectiveLanguage(language) == 1;
  LanguageTexts texts;
  SetRows(root, kRows, russian, texts);
  SetRows(root, kOwnRows, russian, texts);
  return texts;
}

} // namespace calidarix
