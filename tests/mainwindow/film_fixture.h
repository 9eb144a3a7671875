#pragma once
// Small films and thermograms for the film, deletion and folder suites, written by the code under
// test's own writers and given known time stamps afterwards.

#include "thermogram/formats/dtv_format.h"
#include "thermogram/tdtv.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace calidarix::test {

// The frame of a film: its samples and its temperature of raw 0.
struct TFilmFrame {
  std::vector<std::uint16_t> Raw;
  float Offset = 0.0f;
};

// Seconds since midnight of 10:00:00 + s (the day of the month in the high byte stays 1).
inline std::uint32_t At10(int seconds) {
  return (1u << 24) + static_cast<std::uint32_t>(36000 + seconds);
}

// Writes a film of width x height frames, Scale 0.001 degrees per count, and stamps frame i with
// stamps[i] (when given).
inline void WriteFilm(const QString &path, int width, int height, const std::vector<TFilmFrame> &frames,
                      const std::vector<std::uint32_t> &stamps = {}) {
  TDTV t;
  t.ResetHeader();
  t.SetCommentText(QStringLiteral("route 7"));
  t.FHeader.Width = static_cast<std::uint16_t>(width);
  t.FHeader.Height = static_cast<std::uint16_t>(height);
  t.FHeader.Scale = 0.001f;
  t.FHeader.FrameInterval = 1.0f;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    t.FRaw = frames[i].Raw;
    t.FHeader.Offset = frames[i].Offset;
    t.FCameraTemp = 30.0 + static_cast<double>(i);
    ASSERT_TRUE(i == 0 ? t.StartFilm(path) : t.AppendFilmFrame(path));
  }
  if (stamps.empty())
    return;
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const std::uint64_t frameBytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 2;
  for (std::size_t i = 0; i < stamps.size() && i < frames.size(); ++i) {
    unsigned char bytes[4];
    for (int b = 0; b < 4; ++b)
      bytes[b] = static_cast<unsigned char>((stamps[i] >> (8 * b)) & 0xFFu);
    ASSERT_TRUE(file.seek(static_cast<qint64>(kDtvHeaderBytes + i * (kFilmRecordBytes + frameBytes) + 36)));
    ASSERT_EQ(file.write(reinterpret_cast<const char *>(bytes), 4), 4);
  }
}

// n frames of width x height; frame i holds the value 1000 (i + 1) everywhere and the Offset 20 + i.
inline std::vector<TFilmFrame> NumberedFrames(int n, int width, int height) {
  std::vector<TFilmFrame> frames;
  for (int i = 0; i < n; ++i)
    frames.push_back(TFilmFrame{std::vector<std::uint16_t>(static_cast<std::size_t>(width) * height,
                                                           static_cast<std::uint16_t>(1000 * (i + 1))),
                                20.0f + static_cast<float>(i)});
  return frames;
}

// A single thermogram of width x height whose every pixel has temperature t (Scale 0.01, Offset t
// minus 100 counts), except pixel `hot` which has temperature hotT.
inline void WriteThermogram(const QString &path, int width, int height, double t, int hot = -1,
                            double hotT = 0.0) {
  TDTV d;
  d.ResetHeader();
  d.FHeader.Width = static_cast<std::uint16_t>(width);
  d.FHeader.Height = static_cast<std::uint16_t>(height);
  d.FHeader.Scale = 0.01f;
  d.FHeader.Offset = static_cast<float>(t - 1.0);
  d.FRaw.assign(static_cast<std::size_t>(width) * height, 100);
  if (hot >= 0)
    d.FRaw[static_cast<std::size_t>(hot)] = static_cast<std::uint16_t>((hotT - (t - 1.0)) / 0.01 + 0.5);
  ASSERT_TRUE(d.SaveDTV(path));
}

} // namespace calidarix::test
