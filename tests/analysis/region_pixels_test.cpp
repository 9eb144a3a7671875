#include "analysis/region_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

using Spans = std::vector<TRowSpan>;

struct SpanCase {
  const char *name;
  TRect rect;
  bool ellipse;
  int width;
  int height;
  Spans expected;
};

TEST(RegionPixelsTest, SpansOfSmallRegions) {
  const SpanCase cases[] = {
      {"2 x 2 rectangle", {1, 1, 2, 2}, false, 8, 8, {{1, 1, 2}, {2, 1, 2}}},
      {"single pixel", {3, 4, 3, 4}, false, 8, 8, {{4, 3, 3}}},
      // Three rows (b = 1): the centre column in the first and last rows, L .. L + 2a in the middle.
      {"ellipse three rows high", {0, 0, 4, 2}, true, 8, 8, {{0, 2, 2}, {1, 0, 4}, {2, 2, 2}}},
      // B - T = 3 = 2b + 1: the row below the ellipse keeps only its centre pixel.
      {"ellipse of odd height", {0, 0, 4, 3}, true, 8, 8, {{0, 2, 2}, {1, 0, 4}, {2, 2, 2}, {3, 2, 2}}},
      {"flat ellipse", {0, 0, 4, 1}, true, 8, 8, {{0, 2, 2}, {1, 2, 2}}},
      {"5 x 5 ellipse", {0, 0, 4, 4}, true, 8, 8, {{0, 2, 2}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 2, 2}}},
      // Odd width: the half width rounds down, so the centre column is L + a and the right column stays out.
      {"ellipse of odd width",
       {0, 0, 5, 4},
       true,
       8,
       8,
       {{0, 2, 2}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 2, 2}}},
      {"rectangle past every edge", {-2, -1, 9, 1}, false, 3, 3, {{0, 0, 2}, {1, 0, 2}}},
      // The ellipse keeps its shape; only the part inside the frame is read.
      {"ellipse past the left edge",
       {-2, 0, 2, 4},
       true,
       8,
       8,
       {{0, 0, 0}, {1, 0, 2}, {2, 0, 2}, {3, 0, 2}, {4, 0, 0}}},
      {"rectangle wholly outside", {10, 10, 12, 12}, false, 8, 8, {}},
      {"corners swapped", {4, 4, 1, 1}, false, 8, 8, {}},
      {"empty frame", {0, 0, 2, 2}, false, 0, 0, {}},
  };
  for (const SpanCase &c : cases)
    EXPECT_EQ(RegionSpans(c.rect, c.ellipse, c.width, c.height), c.expected) << c.name;
}

TEST(RegionPixelsTest, HugeRectanglesDoNotOverflow) {
  const Spans spans = RegionSpans(TRect{-2147483647, -2147483647, 2147483647, 2147483647}, true, 4, 3);
  ASSERT_EQ(spans.size(), 3u);
  for (const TRowSpan &s : spans) {
    EXPECT_GE(s.X0, 0);
    EXPECT_LE(s.X1, 3);
  }
}

} // namespace
} // namespace calidarix
