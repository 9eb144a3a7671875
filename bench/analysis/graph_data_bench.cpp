// The graph data: the time profile of a 10 x 10 area over a 500-frame film of 640 x 480 pixels, read
// again from the file on every call (goal: 200 ms), the pixel time profile the mouse asks for on every
// move, and the histogram and thermo profile of a whole frame.
//
// The film is written once as a sparse file: every frame's record and the rows of the area hold data,
// the rest of each frame is a hole that reads as zeros. The reads are those of a full film.

#include "analysis/graph_data.h"
#include "thermogram/formats/dtv_format.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <cmath>
#include <filesystem>

namespace {

using namespace calidarix;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFrames = 500;
const TRect kArea{300, 200, 309, 209}; // 10 x 10 pixels in a film (inclusive edges)

std::filesystem::path FilmPath() {
  return std::filesystem::temp_directory_path() / "calidarix_graph_bench_film.dtv";
}

// The film goes with the benchmark program.
struct RemoveFilmAtExit {
  ~RemoveFilmAtExit() {
    std::error_code ignored;
    std::filesystem::remove(FilmPath(), ignored);
  }
} removeFilmAtExit;

// Writes the film the first time it is needed.
const std::filesystem::path &Film() {
  static const std::filesystem::path path = [] {
    const std::filesystem::path p = FilmPath();
    TDTVHeader h;
    h.HeaderSize = static_cast<std::uint8_t>(kDtvHeaderBytes);
    h.Version = 5;
    h.Width = kWidth;
    h.Height = kHeight;
    h.FrameCount = kFrames;
    h.FrameInterval = 0.04f;
    h.Scale = static_cast<float>(100.0 / 65535.0);
    QFile file(QString::fromStdString(p.string()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return p;
    const DtvHeaderBytes header = EncodeDtvHeader(h);
    file.write(reinterpret_cast<const char *>(header.data()), static_cast<qint64>(header.size()));
    const std::uint64_t frameBytes = kFilmRecordBytes + std::uint64_t{kWidth} * kHeight * 2;
    for (int f = 0; f < kFrames; ++f) {
      const std::uint64_t start = kDtvHeaderBytes + f * frameBytes;
      TFilmFrameRecord record;
      record.MinTemp = 10.0 + 0.01 * f;
      record.MaxTemp = 60.0 + 0.01 * f;
      const FilmRecordBytes r = EncodeFilmRecord(record);
      file.seek(static_cast<qint64>(start));
      file.write(reinterpret_cast<const char *>(r.data()), static_cast<qint64>(r.size()));
      std::vector<std::uint8_t> row(kWidth * 2);
      for (int y = kArea.Top; y <= kArea.Bottom; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const auto v = static_cast<std::uint16_t>(30000 + 20000 * std::sin((x + f) / 40.0) + y);
          row[2 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v & 0xFF);
          row[2 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(v >> 8);
        }
        file.seek(static_cast<qint64>(start + kFilmRecordBytes + std::uint64_t(y) * kWidth * 2));
        file.write(reinterpret_cast<const char *>(row.data()), static_cast<qint64>(row.size()));
      }
    }
    file.resize(static_cast<qint64>(kDtvHeaderBytes + kFrames * frameBytes));
    return p;
  }();
  return path;
}

TTimeProfileSource Source() {
  TTimeProfileSource s;
  s.FileName = QString::fromStdString(Film().string());
  s.FrameCount = kFrames;
  s.Version = 5;
  s.Width = kWidth;
  s.Height = kHeight;
  s.FilmMin = 0.0;
  s.FilmMax = 100.0;
  return s;
}

void BM_TimeProfileArea10x10Film500x640x480(benchmark::State &state) {
  const TTimeProfileSource source = Source();
  std::size_t samples = 0;
  for (auto _ : state) {
    const TTimeProfile p = RegionTimeProfile(source, kArea, static_cast<int>(state.range(0)));
    samples = p.Slots[0].size();
    benchmark::DoNotOptimize(p.Slots[0].data());
  }
  state.counters["frames"] = static_cast<double>(samples);
}
BENCHMARK(BM_TimeProfileArea10x10Film500x640x480)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_PixelTimeProfileFilm500(benchmark::State &state) {
  const TTimeProfileSource source = Source();
  for (auto _ : state) {
    const TTimeProfile p = PointTimeProfile(source, 305, 205);
    benchmark::DoNotOptimize(p.Slots[0].data());
  }
}
BENCHMARK(BM_PixelTimeProfileFilm500)->Unit(benchmark::kMillisecond);

void MakeFrame(TDTV &dtv) {
  dtv.ResetHeader();
  dtv.FHeader.Width = kWidth;
  dtv.FHeader.Height = kHeight;
  dtv.FHeader.Scale = static_cast<float>(100.0 / 65535.0);
  dtv.FRaw.resize(std::size_t{kWidth} * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      dtv.FRaw[std::size_t(y) * kWidth + std::size_t(x)] =
          static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin(x / 90.0) * std::cos(y / 70.0));
}

void BM_HistogramWholeFrame640x480(benchmark::State &state) {
  TDTV dtv;
  MakeFrame(dtv);
  for (auto _ : state) {
    const THistogram h = RegionHistogram(dtv, TRect{0, 0, kWidth, kHeight});
    benchmark::DoNotOptimize(h.Counts.data());
  }
}
BENCHMARK(BM_HistogramWholeFrame640x480)->Unit(benchmark::kMicrosecond);

void BM_ThermoProfileDiagonal640x480(benchmark::State &state) {
  TDTV dtv;
  MakeFrame(dtv);
  for (auto _ : state) {
    const TProfile p = ThermoProfile(dtv, TLineRecord{0, 0, kWidth - 1, kHeight - 1});
    benchmark::DoNotOptimize(p.data());
  }
}
BENCHMARK(BM_ThermoProfileDiagonal640x480)->Unit(benchmark::kMicrosecond);

} // namespace
