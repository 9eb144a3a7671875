#pragma once
// Films the benchmarks read, written into the temporary folder before they are timed.

#include "thermogram/tdtv.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace calidarix::bench {

// A path in the temporary folder that belongs to this run: "calidarix-bench-<what>-<pid><suffix>".
inline std::filesystem::path TempPath(const std::string &what, const std::string &suffix = {}) {
  return std::filesystem::temp_directory_path() /
         ("calidarix-bench-" + what + "-" + std::to_string(::getpid()) + suffix);
}

// A frame of width x height whose temperatures span 10 to 40 degrees over the raw range.
inline void MakeBenchFrame(TDTV &t, int width, int height) {
  t.ResetHeader();
  t.FHeader.Width = width;
  t.FHeader.Height = height;
  t.FHeader.Offset = 10.0f;
  t.FHeader.Scale = static_cast<float>(30.0 / 65535);
  t.FRaw.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

// Writes a film of `frames` such frames; fill(k, frame) makes frame k (0-based) before it is written.
inline void WriteBenchFilm(const QString &name, int frames, int width, int height,
                           const std::function<void(int, TDTV &)> &fill) {
  TDTV t;
  MakeBenchFrame(t, width, height);
  for (int k = 0; k < frames; ++k) {
    fill(k, t);
    const bool ok = k == 0 ? bool(t.StartFilm(name)) : bool(t.AppendFilmFrame(name));
    if (!ok)
      throw std::runtime_error("cannot write the benchmark film");
  }
}

// The frames of the reading benchmarks: a ramp that moves from frame to frame.
inline void RampFrame(int k, TDTV &frame) {
  for (std::size_t i = 0; i < frame.FRaw.size(); ++i)
    frame.FRaw[i] = static_cast<std::uint16_t>(i * 7 + static_cast<std::size_t>(k) * 131);
}

} // namespace calidarix::bench
