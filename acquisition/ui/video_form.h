#pragma once
// The video window of the two-window layouts: no border, a paint box over all of it that the palette
// timer fills with the live video frame. It holds no logic of its own.

#include "mainwindow/ui/paint_boxes.h"

#include <QWidget>

namespace calidarix {

class TFormVideo : public QWidget {
public:
  explicit TFormVideo(QWidget *owner);
  TPaintBox *PolyFormPB = nullptr;
};

} // namespace calidarix
