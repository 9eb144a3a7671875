#pragma once
// A property every reader's result must keep: a fuzz target stops at the first input that breaks one,
// and libFuzzer keeps that input.

#include <cstdlib>

namespace calidarix::fuzz {

inline void Require(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace calidarix::fuzz
