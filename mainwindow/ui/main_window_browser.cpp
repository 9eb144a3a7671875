// The file browser panel at the window's left edge: folders and thermograms of one type, with a
// preview of the selected file. It is built and initialised with the window but stays hidden: no
// command shows it. Its handlers work all the same, driven by BrowseShowFolder and the list's events.

#include "mainwindow/file_browser.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/paint_boxes.h"
#include "mainwindow/ui/widget_names.h"
#include "thermogram/thermogram_globals.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

namespace calidarix {

namespace {} // namespace

void TCalidarix::BuildFileBrowser() {
  PanelsState &p = FPanels;
  p.FilesPanel = Named(new QFrame(this), "FilesPanel");
  p.FilesPanel->setFrameShape(QFrame::NoFrame);
  p.FilesPanel->setMinimumWidth(160);
  auto *column = new QVBoxLayout(p.FilesPanel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  p.FilesTopPanel = Named(new QFrame(p.FilesPanel), "FilesTopPanel");
  auto *top = new QHBoxLayout(p.FilesTopPanel);
  top->setContentsMargins(0, 0, 0, 0);
  p.DriveCB = Named(new QComboBox(p.FilesTopPanel), "DriveCB");
  p.DriveCB->setEnabled(false);
  p.DriveCB->setFocusPolicy(Qt::NoFocus);
  top->addWidget(p.DriveCB);

  p.FilesLB = Named(new QListWidget(p.FilesPanel), "FilesLB");
  p.FilesLB->setFocusPolicy(Qt::ClickFocus);
  p.FilesLB->setFrameShape(QFrame::NoFrame);

  p.FilesBottomPanel = Named(new QFrame(p.FilesPanel), "FilesBottomPanel");
  p.FilesBottomPanel->setFixedHeight(120);
  auto *bottom = new QHBoxLayout(p.FilesBottomPanel);
  bottom->setContentsMargins(0, 0, 0, 0);
  p.PreviewPB = Named(new TPaintBox(p.FilesBottomPanel), "PreviewPB");
  p.PreviewPB->OnPaint = [this] { PreviewPBPaint(); };
  bottom->addWidget(p.PreviewPB);

  column->addWidget(p.FilesTopPanel);
  column->addWidget(p.FilesLB, 1);
  column->addWidget(p.FilesBottomPanel);
  p.FilesPanel->hide();

  connect(p.FilesLB, &QListWidget::currentRowChanged, this, [this](int) { FilesLBClick(); });
  connect(p.FilesLB, &QListWidget::itemDoubleClicked, this, [this] { FilesLBDblClick(); });
  auto *keys = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
      return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Backspace)
      return false;
    FilesLBKeyDown(key);
    return true;
  });
  keys->Watch(p.FilesLB);
}

void TCalidarix::BrowseShowFolder(int select) {
  PanelsState &p = FPanels;
  p.BrowseEntries = ListBrowseFolder(p.Browse.BrowseFolder, p.Browse.BrowseMask);
  const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon file = style()->standardIcon(QStyle::SP_FileIcon);
  const QSignalBlocker quiet(p.FilesLB);
  p.FilesLB->clear();
  for (const BrowseEntry &entry : p.BrowseEntries)
    p.FilesLB->addItem(new QListWidgetItem(entry.IsFolder ? folder : file, entry.Name));
  if (select >= 0 && select < p.FilesLB->count())
    p.FilesLB->setCurrentRow(select);
}

void TCalidarix::FilesLBClick() {
  PanelsState &p = FPanels;
  const int row = p.FilesLB->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= p.BrowseEntries.size() || !PreviewDTV)
    return;
  const BrowseEntry &entry = p.BrowseEntries[static_cast<std::size_t>(row)];
  if (entry.IsFolder)
    return;
  // A file that cannot be read leaves the preview as it was.
  if (PreviewDTV->LoadFromFile(BrowseFileName(p.Browse, entry), 1))
    p.PreviewPB->update();
}

void TCalidarix::FilesLBDblClick() {
  PanelsState &p = FPanels;
  const int select = BrowseEnter(p.Browse, p.BrowseEntries, p.FilesLB->currentRow());
  if (select >= 0)
    BrowseShowFolder(select);
}

void TCalidarix::FilesLBKeyDown(int key) {
  PanelsState &p = FPanels;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    FilesLBDblClick();
    return;
  }
  if (key != Qt::Key_Backspace || p.BrowseEntries.empty())
    return;
  p.FilesLB->setCurrentRow(0);
  if (p.BrowseEntries.front().Name == QLatin1String(".."))
    FilesLBDblClick();
}

void TCalidarix::PreviewPBPaint() {
  TPaintBox *box = FPanels.PreviewPB;
  QImage picture = box->NewPicture();
  if (PreviewDTV && !PreviewDTV->FFileName.isEmpty() && PreviewDTV->FHeader.Width > 0 &&
      PreviewDTV->FHeader.Height > 0) {
    // Scaled to fit the box with the thermogram's display aspect, centred.
    const double aspect = PreviewDTV->FAspect > 0
                              ? PreviewDTV->FAspect
                              : static_cast<double>(PreviewDTV->FHeader.Width) / PreviewDTV->FHeader.Height;
    int w = box->width();
    int h = static_cast<int>(w / aspect);
    if (h > box->height()) {
      h = box->height();
      w = static_cast<int>(h * aspect);
    }
    if (w > 0 && h > 0) {
      PreviewDTV->RenderToBitmap(TRect{0, 0, w, h}, 0, 0);
      QPainter painter(&picture);
      painter.drawImage(QRect((box->width() - w) / 2, (box->height() - h) / 2, w, h), PreviewDTV->FBitmap);
    }
  }
  box->Picture = picture;
}

} // namespace calidarix
