#include "acquisition/ui/video_form.h"

#include <QVBoxLayout>

namespace calidarix {

TFormVideo::TFormVideo(QWidget *owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("FormVideo"));
  setWindowTitle(QStringLiteral("Video"));
  setWindowFlag(Qt::FramelessWindowHint, true);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  PolyFormPB = new TPaintBox(this);
  PolyFormPB->setObjectName(QStringLiteral("PolyFormPB"));
  layout->addWidget(PolyFormPB);
}

} // namespace calidarix
