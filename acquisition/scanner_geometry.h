#pragma once
// The calibration form's preview of the mirror sector geometry, without the window: the five scroll
// bars around the two drawing boxes, how they follow each other and the form's Edge and Center bars,
// and the lines each box shows.
//
// Bars (Tag in brackets): BLeftSB (0) and BRightSB (1) under the boxes, 0 .. FrameWidth div 2;
// LeftSB (2) and RightSB (3) at the outer sides and CentSB (4) between the boxes, 0 .. 255. The
// vertical bars count from the top, so they hold 255 - Edge and 255 - Center.
//
// A box shows its sector boundaries in grey (none with fewer than two sectors) and the mirror's path
// in red: from the box's inner side at the centre height to the boundary of the middle sectors, and on
// to the outer side at the edge height. Every coordinate is truncated.

#include <QImage>
#include <QLine>
#include <QPainter>

#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

struct TGeometryBar {
  std::int32_t Position = 0;
  std::int32_t Max = 0;
};

// The lines of one box.
struct TGeometryLines {
  std::vector<QLine> Grey;
  std::vector<QLine> Red; // two segments
};

class TGeometryPreview {
public:
  // As the form is created: bottom bars 0 .. FrameWidth div 2 at FrameWidth div 4; the side bars at
  // 255 - Edge, the middle one at 255 - Center. Both locks are checked.
  void Init(std::int32_t frameWidth, std::int32_t edge, std::int32_t center);

  TGeometryBar BLeftSB, BRightSB, LeftSB, RightSB, CentSB;
  bool LockCenter = true;
  bool LockEdge = true;
  bool ShowGeo = false;

  // What a change leaves for the form's own Edge and Center bars (when it sets them).
  struct TLinked {
    std::optional<std::int32_t> Edge;
    std::optional<std::int32_t> Center;
  };

  // A preview bar moved (its Tag, 0..4): the bar takes the position, and the bars linked to it follow.
  TLinked BarChanged(int tag, std::int32_t position);
  // The form's Edge or Center bar moved: the preview follows while "ShowGeo" and the edge lock are on.
  void EdgeChanged(std::int32_t edge);
  void CenterChanged(std::int32_t center);
  // The lock boxes were checked or cleared.
  void SetLockCenter(bool on);
  void SetLockEdge(bool on);

  TGeometryLines LeftBox(int width, int height, std::int32_t sectors) const;
  TGeometryLines RightBox(int width, int height, std::int32_t sectors) const;

private:
  TLinked Apply(int tag);
};

// Widths of the two boxes' panels after the preview was resized.
std::pair<int, int> GeometryBoxWidths(int previewWidth, int valuePanelWidth, int leftBarWidth,
                                      int rightBarWidth);

// Draws a box's lines: the sector boundaries grey (0x808080), the mirror's path red.
void PaintGeometryBox(QPainter &painter, const TGeometryLines &lines);

} // namespace calidarix
