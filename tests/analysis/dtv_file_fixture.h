#pragma once
// Tiny ".dtv" files made by the graph tests: 8-bit (version 2), 16-bit (version 3) and film (version 5)
// frames, written byte by byte from the format's header and record layouts.

#include "tests/support/test_support.h"
#include "thermogram/formats/dtv_format.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace calidarix::test {

struct DtvFileContent {
  int Version = 3;
  int Width = 4;
  int Height = 3;
  float Scale = 0.01f;
  float Offset = 10.0f;
  float FrameInterval = 0.5f;
  // One vector of Width x Height values per frame (bytes for version 2).
  std::vector<std::vector<std::uint16_t>> Frames;
  // Films: each frame's own range (raw 0 and raw 65535 of the frame).
  std::vector<std::pair<double, double>> FrameRanges;
};

inline void WriteDtvFile(const std::filesystem::path &path, const DtvFileContent &content) {
  TDTVHeader h;
  h.HeaderSize = static_cast<std::uint8_t>(kDtvHeaderBytes);
  h.Version = static_cast<std::uint8_t>(content.Version);
  h.Width = static_cast<std::uint16_t>(content.Width);
  h.Height = static_cast<std::uint16_t>(content.Height);
  h.FrameCount = static_cast<std::uint16_t>(content.Frames.size());
  h.FrameInterval = content.FrameInterval;
  h.Scale = content.Scale;
  h.Offset = content.Offset;
  const DtvHeaderBytes header = EncodeDtvHeader(h);
  std::vector<std::uint8_t> bytes(header.begin(), header.end());
  for (std::size_t f = 0; f < content.Frames.size(); ++f) {
    if (content.Version == 5) {
      TFilmFrameRecord record;
      record.MinTemp = content.FrameRanges.at(f).first;
      record.MaxTemp = content.FrameRanges.at(f).second;
      const FilmRecordBytes r = EncodeFilmRecord(record);
      bytes.insert(bytes.end(), r.begin(), r.end());
    }
    for (std::uint16_t v : content.Frames[f]) {
      bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
      if (content.Version != 2)
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
  }
  WriteFile(path, bytes);
}

} // namespace calidarix::test
