// The main window's controls of the 3-D views: the relief's paint box and timer over the image, the
// "3D" button and menu item, and the "Surface Mode" entry of the GL menu.

#include "analysis/ui/gl_view.h"
#include "mainwindow/ui/main_window.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

namespace calidarix {

void TCalidarix::SurfaceModeClick() {
  if (GLview)
    GLview->ChangeToBoxMode(false);
  else
    NotAvailable(QStringLiteral("3-D view"));
}

void TCalidarix::BuildView3DControls() {
  // The relief's box covers the whole image panel and is shown instead of the image.
  ThreeDPB = new TPaintBox(ImagePanel);
  ThreeDPB->setObjectName(QStringLiteral("ThreeDPB"));
  ThreeDPB->setFont(QFont(QStringLiteral("Terminal")));
  if (auto *grid = qobject_cast<QGridLayout *>(ImagePanel->layout()))
    grid->addWidget(ThreeDPB, 0, 0, grid->rowCount(), grid->columnCount());
  ThreeDPB->hide();
  ThreeDPB->OnResize = [this] { ThreeDPBPaint(); };
  ThreeDPB->OnMouseDown = [this](QMouseEvent *e) {
    const QPoint at = e->position().toPoint();
    ThreeDPBMouseDown(e->button(), at.x(), at.y());
  };
  ThreeDPB->OnMouseMove = [this](QMouseEvent *e) {
    const QPoint at = e->position().toPoint();
    ThreeDPBMouseMove(e->buttons(), at.x(), at.y());
  };

  Timer3D = new QTimer(this);
  Timer3D->setObjectName(QStringLiteral("Timer3D"));
  Timer3D->setInterval(100);
  connect(Timer3D, &QTimer::timeout, this, &TCalidarix::Timer3DTimer);

  View3dSB = findChild<QToolButton *>(QStringLiteral("View3dSB"));
  View3dSB->setCheckable(true);
  connect(View3dSB, &QToolButton::clicked, this, [this] { View3DSBClick(); });
  if (auto *item = findChild<QAction *>(QStringLiteral("N3DMode1")))
    connect(item, &QAction::triggered, this, [this] {
      View3dSB->toggle();
      View3DSBClick();
    });
  if (auto *gl = findChild<QMenu *>(QStringLiteral("GL1"))) {
    auto *surface = gl->addAction(QStringLiteral("Surface Mode"));
    surface->setObjectName(QStringLiteral("SurfaceMode"));
    connect(surface, &QAction::triggered, this, &TCalidarix::SurfaceModeClick);
  }
}

} // namespace calidarix
