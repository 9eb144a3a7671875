// The thumbnail grid over the image area: the files of the folder list as small pictures, a focus
// cell moved with the keys, the wheel and the mouse, marks for deleting, and the column count. The
// pictures are rendered when their page is first shown and kept (TThumbnailCache); the focused file
// is loaded into the current thermogram when the focus reaches it, so leaving the grid shows it.
// Painting only draws what is ready.

#include "mainwindow/file_list.h"
#include "mainwindow/scratch_thermogram.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/multy_grid.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

namespace {

// More thumbnails than this are not kept once their page is left.
constexpr int kThumbnailsKept = 512;

TThumbKey ThumbKeyOf(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::AltModifier)
    return key == Qt::Key_X ? TThumbKey::AltX : TThumbKey::Other;
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return TThumbKey::Enter;
  case Qt::Key_Escape:
    return TThumbKey::Escape;
  case Qt::Key_Space:
    return TThumbKey::Space;
  case Qt::Key_PageUp:
    return TThumbKey::PageUp;
  case Qt::Key_PageDown:
    return TThumbKey::PageDown;
  case Qt::Key_Left:
    return TThumbKey::Left;
  case Qt::Key_Right:
    return TThumbKey::Right;
  case Qt::Key_Up:
    return TThumbKey::Up;
  case Qt::Key_Down:
    return TThumbKey::Down;
  case Qt::Key_Delete:
    return TThumbKey::Delete;
  case Qt::Key_Plus:
  case Qt::Key_Equal:
    return TThumbKey::Plus;
  case Qt::Key_Minus:
    return TThumbKey::Minus;
  default:
    return TThumbKey::Other;
  }
}

// The mark sign of a marked file: a 16 x 16 white box with a red tick.
void DrawMarkSign(QPainter &painter, int x, int y) {
  painter.save();
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(x, y, 15, 15);
  painter.setPen(QPen(QColor(220, 0, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(QPolygon({QPoint(x + 3, y + 8), QPoint(x + 6, y + 12), QPoint(x + 13, y + 3)}));
  painter.restore();
}

QString ListedName(int entry) {
  QString name = FileList.value(entry);
  if (name.endsWith(QLatin1Char('*')))
    name.chop(1);
  return name;
}

bool Marked(int entry) {
  return entry >= 0 && static_cast<std::size_t>(entry) < FileMarks.size() &&
         FileMarks[static_cast<std::size_t>(entry)] != 0;
}

} // namespace

void TCalidarix::BuildFilmsControls() {
  MultyDG = new TMultyGrid(*this, ImagePanel);
  MultyDG->setGeometry(ImagePanel->rect());
  connect(MultyDG->ScrollBar, &QScrollBar::valueChanged, this, [this](int value) {
    if (value == FFilms.FThumb.FThumbTopRow)
      return;
    FFilms.FThumb.FThumbTopRow = value;
    ThumbPageChanged();
  });
  auto *resize = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() == QEvent::Resize)
      ImagePanelResize();
    return false;
  });
  resize->Watch(ImagePanel);

  Multy1 = findChild<QAction *>(QStringLiteral("Multy1"));
  if (Multy1) {
    Multy1->setCheckable(true);
    connect(Multy1, &QAction::triggered, this, [this] { TabExecute(); });
  }
  if (QAction *toFilm = findChild<QAction *>(QStringLiteral("FolderToFilm")))
    connect(toFilm, &QAction::triggered, this, &TCalidarix::FolderToFilmClick);
  if (QAction *toJpg = findChild<QAction *>(QStringLiteral("FolderToJPG2")))
    connect(toJpg, &QAction::triggered, this, &TCalidarix::FoldertoJPGClick);
  ImageWithScalePopupMenu->addSeparator();
  FoldertoJPG = ImageWithScalePopupMenu->addAction(QStringLiteral("Folder to JPG"));
  FoldertoJPG->setObjectName(QStringLiteral("FoldertoJPG"));
  connect(FoldertoJPG, &QAction::triggered, this, &TCalidarix::FoldertoJPGClick);
}

void TCalidarix::ImagePanelResize() {
  if (!MultyDG)
    return;
  MultyDG->setGeometry(ImagePanel->rect());
  if (MultyDG->isVisible())
    ThumbPageChanged();
}

void TCalidarix::TabExecute() {
  if (!CurrentDTV || !MultyDG || RefusedWhileBusy(QStringLiteral("Multy Screen")))
    return;
  TDTV &dtv = *CurrentDTV;
  if (FServices.acquisition->ScanRunning()) {
    // While scanning Tab locks the view to the fixed range instead.
    LockSB->setChecked(true);
    dtv.LockMin = FRegistrySettings.FixedMin;
    dtv.LockMax = FRegistrySettings.FixedMax;
    dtv.FRangeLocked = true;
    FServices.acquisition->SetAutoRange(false);
    return;
  }
  if (MultyDG->isHidden()) {
    if (FileList.isEmpty() || FFilms.MultyIL.Empty()) {
      UpDateFilesList(FOpenDirectory);
      FFilms.FThumb.FThumbTopRow = 0;
    }
    CopyLoadOptions(dtv, *FThumbDTV);
    MultyDG->setGeometry(ImagePanel->rect());
    MultyDG->show();
    MultyDG->raise();
    FFilms.FocusFile.clear();
    ThumbPageChanged();
    MultyDG->setFocus();
    if (Multy1)
      Multy1->setChecked(true);
    return;
  }
  MultyDG->hide();
  FFilms.FocusPicture = QImage();
  FFilms.FocusFile.clear();
  ChangeDTV(true);
  if (Multy1)
    Multy1->setChecked(false);
}

void TCalidarix::ThumbPageChanged() {
  if (!MultyDG || !CurrentDTV)
    return;
  TThumbGrid &grid = FFilms.FThumb;
  const int count = static_cast<int>(FileList.size());
  grid.FThumbTopRow =
      std::clamp(grid.FThumbTopRow, 0, std::max(LastThumbTopRow(count, grid.FThumbColumns), 0));

  // The page's thumbnails, rendered where missing or where the file changed since.
  const QSize size(MultyDG->DefaultColWidth(), MultyDG->DefaultRowHeight());
  std::vector<QString> page;
  for (int row = 0; row < grid.FThumbColumns; ++row) {
    for (int column = 0; column < grid.FThumbColumns; ++column) {
      const int entry = ThumbEntry(grid, column, row);
      if (entry >= count)
        continue;
      const QString name = ListedName(entry);
      page.push_back(name);
      if (FFilms.MultyIL.Find(name).isNull())
        FFilms.MultyIL.Store(name, RenderThumbnail(*FThumbDTV, name, size, FPalettes[0],
                                                   MultyDG->palette().color(QPalette::Button)));
    }
  }
  FFilms.MultyIL.Trim(page, kThumbnailsKept);

  // The focused file becomes the current file, so that leaving the grid shows it.
  const int focused = FocusedThumbEntry(grid);
  const QString focusName = focused < count ? ListedName(focused) : QString();
  if (!focusName.isEmpty() && focusName != FFilms.FocusFile) {
    TDTV &dtv = *CurrentDTV;
    FFilms.FocusFile = focusName;
    FFilms.FocusPicture = QImage();
    FFilms.FocusFrames = 0;
    if (const IoResult read = dtv.LoadFromFile(focusName, 1); !read) {
      FileInfoLabel->setText(read.message);
      if (logger)
        logger->AppendLine(read.message);
    } else {
      dtv.FFileName = focusName;
      dtv.FFrameIndex = 1;
      // The picture of the cell is rendered apart from the view's own, which the view renders again
      // when the grid is left.
      QImage view = std::move(dtv.FBitmap);
      dtv.RenderPalettedBitmap();
      FFilms.FocusPicture = std::move(dtv.FBitmap);
      dtv.FBitmap = std::move(view);
      FFilms.FocusFrames = dtv.FHeader.FrameCount;
      FileInfoLabel->setText(dtv.CommentText());
    }
  }

  QScrollBar *bar = MultyDG->ScrollBar;
  {
    const QSignalBlocker block(bar);
    bar->setRange(0, LastThumbTopRow(count, grid.FThumbColumns));
    bar->setPageStep(grid.FThumbColumns);
    bar->setValue(grid.FThumbTopRow);
  }
  MultyDG->update();
}

void TCalidarix::MultyDGDrawCell(QPainter &painter, int column, int row, const QRect &r) {
  const TThumbGrid &grid = FFilms.FThumb;
  const bool focused = column == grid.FocusColumn && row == grid.FocusRow;
  const QRect r1 = r.adjusted(1, 1, -1, -1);
  const QRect r2 = r.adjusted(2, 2, -2, -2);
  const QPalette &colours = MultyDG->palette();
  const QColor face = colours.color(QPalette::Button);
  painter.save();
  if (!focused) {
    painter.setPen(colours.color(QPalette::Light));
    painter.drawLine(r.left(), r.bottom(), r.left(), r.top());
    painter.drawLine(r.left(), r.top(), r.right(), r.top());
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
    painter.setPen(face);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r1.adjusted(0, 0, -1, -1));
  }
  const auto focusFrame = [&] {
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::NoBrush);
    QRect frame = r1;
    for (int i = 0; i < 5 && frame.width() > 1 && frame.height() > 1; ++i) {
      painter.drawRect(frame.adjusted(0, 0, -1, -1));
      frame.adjust(1, 1, -1, -1);
    }
  };

  const int entry = ThumbEntry(grid, column, row);
  if (entry >= static_cast<int>(FileList.size()) || r2.width() < 1 || r2.height() < 1) {
    painter.fillRect(r2, face);
    if (focused)
      focusFrame();
    painter.restore();
    return;
  }
  const QString name = ListedName(entry);
  if (focused && name == FFilms.FocusFile && !FFilms.FocusPicture.isNull()) {
    const double aspect = CurrentDTV ? CurrentDTV->FAspect : 0.0;
    const TRect fitted = FitThumbPicture(
        TRect{r2.left(), r2.top(), r2.left() + r2.width(), r2.top() + r2.height()}, aspect, true);
    painter.fillRect(r2, face);
    painter.drawImage(QRect(fitted.Left, fitted.Top, fitted.Right - fitted.Left, fitted.Bottom - fitted.Top),
                      FFilms.FocusPicture);
  } else {
    const QImage thumbnail = FFilms.MultyIL.Cached(name);
    if (thumbnail.isNull())
      painter.fillRect(r2, face);
    else
      painter.drawImage(r2, thumbnail);
  }
  if (Marked(entry))
    DrawMarkSign(painter, r2.left() + 4, r2.top() + r2.height() - 20);

  QFont font(QStringLiteral("DejaVu Sans"));
  if (focused) {
    focusFrame();
    if (FFilms.FocusFrames > 1 && name == FFilms.FocusFile) {
      font.setPointSize(8);
      painter.setFont(font);
      const QString frames = QStringLiteral("Fr: ") + QString::number(FFilms.FocusFrames);
      const int y = r.top() + 2 + QFontMetrics(font).height();
      painter.setPen(Qt::black);
      TextOut(painter, r.left() + 3, y, frames);
      painter.setPen(Qt::white);
      TextOut(painter, r.left() + 2, y - 1, frames);
      DrawFilmMark(painter, r.left(), r.top() + r.height());
    }
  }
  // The file's name without its extension.
  QString label = QFileInfo(name).fileName();
  label.chop(4);
  font.setPointSize(std::max(RoundToInt32((FontN + 8) / 432.0 * r.width()), 1));
  painter.setFont(font);
  painter.setPen(Qt::black);
  TextOut(painter, r.left() + 3, r.top() + 2, label);
  painter.setPen(Qt::white);
  TextOut(painter, r.left() + 2, r.top() + 1, label);
  painter.restore();
}

void TCalidarix::MultyDGKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (KeyLabel)
    KeyLabel->setText(QString::number(key));
  if (key == Qt::Key_Tab && !(modifiers & (Qt::AltModifier | Qt::ControlModifier))) {
    TabExecute();
    return;
  }
  const int count = static_cast<int>(FileList.size());
  const TThumbKeyResult result = ThumbKeyDown(FFilms.FThumb, ThumbKeyOf(key, modifiers), count);
  switch (result.Command) {
  case TThumbCommand::Leave:
    TabExecute();
    return;
  case TThumbCommand::ToggleMark: {
    const auto k = static_cast<std::size_t>(FocusedThumbEntry(FFilms.FThumb));
    if (k < FileMarks.size())
      FileMarks[k] = FileMarks[k] ? 0 : 1;
    MultyDG->update();
    return;
  }
  case TThumbCommand::DeleteMarked:
    DeleteMarkedFiles();
    return;
  case TThumbCommand::CloseWindow:
    close();
    return;
  case TThumbCommand::None:
    break;
  }
  if (result.Changed)
    ThumbPageChanged();
}

void TCalidarix::MultyDGKeyUp(int key) {
  if (ThumbKeyUp(FFilms.FThumb, ThumbKeyOf(key, Qt::NoModifier)))
    ThumbPageChanged();
}

void TCalidarix::MultyDGMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers) {
  TThumbGrid &grid = FFilms.FThumb;
  const std::optional<TThumbCell> cell =
      ThumbCellAt(grid, x, y, MultyDG->DefaultColWidth(), MultyDG->DefaultRowHeight());
  if (button == Qt::LeftButton) {
    MultyDG->setFocus();
    if (cell && (cell->Column != grid.FocusColumn || cell->Row != grid.FocusRow)) {
      grid.FocusColumn = cell->Column;
      grid.FocusRow = cell->Row;
      ThumbPageChanged();
    }
    return;
  }
  if (button != Qt::RightButton)
    return;
  if (modifiers & Qt::AltModifier) {
    FileMarks.assign(static_cast<std::size_t>(FileList.size()), 0);
  } else if (cell) {
    const auto k = static_cast<std::size_t>(ThumbEntry(grid, cell->Column, cell->Row));
    if (k < static_cast<std::size_t>(FileList.size()) && k < FileMarks.size())
      FileMarks[k] = FileMarks[k] ? 0 : 1;
  }
  MultyDG->update();
}

void TCalidarix::MultyDGMouseWheelUp() {
  if (ThumbWheel(FFilms.FThumb, true, static_cast<int>(FileList.size())))
    ThumbPageChanged();
}

void TCalidarix::MultyDGMouseWheelDown() {
  if (ThumbWheel(FFilms.FThumb, false, static_cast<int>(FileList.size())))
    ThumbPageChanged();
}

void TCalidarix::MultyDGDblClick() {
  TabExecute();
}

} // namespace calidarix
