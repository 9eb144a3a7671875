#pragma once
// The calibration form's mirror sector preview: two drawing boxes with their bars around them and
// the two locks. How the bars follow each other and what the boxes show is TGeometryPreview's; this
// widget only keeps its bars in step with it and paints the boxes.

#include "acquisition/scanner_geometry.h"

#include <QWidget>

#include <cstdint>
#include <functional>

class QCheckBox;
class QScrollBar;

namespace calidarix {

// One drawing box: asks for its lines at its present size and paints them.
class TGeometryBox : public QWidget {
public:
  TGeometryBox(QWidget *parent, std::function<TGeometryLines(int width, int height)> lines);

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  std::function<TGeometryLines(int, int)> FLines;
};

class TCalibrGeometryPanel : public QWidget {
public:
  explicit TCalibrGeometryPanel(QWidget *parent);

  // Starts the bars from the frame width and the scanner's edge and centre; both locks checked.
  void Init(std::int32_t frameWidth, std::int32_t edge, std::int32_t center);
  // Whether the preview is shown in the form: the form's bars move it only while it is.
  void SetShowGeo(bool on);
  // The form's Edge or Center bar moved.
  void EdgeChanged(std::int32_t edge);
  void CenterChanged(std::int32_t center);
  // The number of sectors the boxes divide.
  void SetSectors(std::int32_t sectors);

  // A preview bar gave the form's Edge or Center bar a new position.
  std::function<void(const TGeometryPreview::TLinked &linked)> OnLinked;
  // The edge lock was checked or cleared (the form's Edge bar follows only under it).
  std::function<void(bool on)> OnLockEdge;

  const TGeometryPreview &Preview() const { return FPreview; }

  // ---- Components (objectName = member name) ----
  TGeometryBox *LPB, *RPB;
  QScrollBar *BLeftSB, *BRightSB, *LeftSB, *RightSB, *CentSB;
  QCheckBox *LockCenterCB, *LockEdgeCB;

private:
  void BarMoved(int tag, int position);
  // Puts the bars and locks where the preview has them and redraws the boxes.
  void Sync();

  TGeometryPreview FPreview;
  std::int32_t FSectors = 0;
};

} // namespace calidarix
