#pragma once
// Shared set-up of the thermogram suites: a frame filled from a function of (x, y), pixel access, and
// a fixture that resets the thermogram globals around each test.

#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>

namespace calidarix::test {

// Makes `t` a w x h frame whose pixel (x, y) holds pixel(x, y).
inline void SetFrame(TDTV &t, int w, int h, const std::function<int(int, int)> &pixel) {
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FRaw.assign(static_cast<std::size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      t.FRaw[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint16_t>(pixel(x, y));
    }
  }
}

inline int Px(const TDTV &t, int x, int y) {
  return t.FRaw[static_cast<std::size_t>(y) * t.Width() + x];
}

class ThermogramTest : public ::testing::Test {
protected:
  void SetUp() override { ResetThermogramGlobals(); }
  void TearDown() override { ResetThermogramGlobals(); }
};

} // namespace calidarix::test
