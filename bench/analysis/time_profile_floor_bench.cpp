// The time profile of a 10 x 10 area over a 500-frame 640 x 480 film against its floor: what any reader
// of the same values must do, with the file opened and its size taken once, then per frame one
// positioned read of the frame's record and one of the band of rows that holds the area. Both in one
// program, one after the other, over the same file.
//
// The film is a sparse file: each frame's record and the rows of the area hold data, the rest reads as
// zeros.

#include "analysis/graph_data.h"
#include "bench/bench_films.h"
#include "thermogram/formats/dtv_format.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace calidarix;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFrames = 500;
const TRect kArea{300, 200, 309, 209}; // 10 x 10 pixels in a film (inclusive edges)
constexpr std::uint64_t kFrameBytes = kFilmRecordBytes + std::uint64_t{kWidth} * kHeight * 2;

class SparseFilm {
public:
  SparseFilm() {
    path_ = bench::TempPath("time-profile", ".dtv");
    TDTVHeader h;
    h.HeaderSize = static_cast<std::uint8_t>(kDtvHeaderBytes);
    h.Version = 5;
    h.Width = kWidth;
    h.Height = kHeight;
    h.FrameCount = kFrames;
    h.FrameInterval = 0.04f;
    h.Scale = static_cast<float>(100.0 / 65535.0);
    QFile file(QString::fromStdString(path_.string()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return;
    const DtvHeaderBytes header = EncodeDtvHeader(h);
    file.write(reinterpret_cast<const char *>(header.data()), static_cast<qint64>(header.size()));
    std::vector<std::uint8_t> row(kWidth * 2);
    for (int f = 0; f < kFrames; ++f) {
      const std::uint64_t start = kDtvHeaderBytes + std::uint64_t(f) * kFrameBytes;
      TFilmFrameRecord record;
      record.MinTemp = 10.0 + 0.01 * f;
      record.MaxTemp = 60.0 + 0.01 * f;
      const FilmRecordBytes r = EncodeFilmRecord(record);
      file.seek(static_cast<qint64>(start));
      file.write(reinterpret_cast<const char *>(r.data()), static_cast<qint64>(r.size()));
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
    file.resize(static_cast<qint64>(kDtvHeaderBytes + kFrames * kFrameBytes));
  }
  ~SparseFilm() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  const std::filesystem::path &path() const { return path_; }

private:
  std::filesystem::path path_;
};

const SparseFilm &Film() {
  static const SparseFilm film;
  return film;
}

// The floor: open, take the size, read the header, then two reads per frame; the sum keeps the reads
// from being thought unused.
void BM_TimeProfileFloorTwoReadsPerFrame(benchmark::State &state) {
  const std::filesystem::path &path = Film().path();
  const std::uint64_t bandValues =
      std::uint64_t(kArea.Bottom - kArea.Top) * kWidth + (kArea.Right - kArea.Left + 1);
  std::vector<std::uint8_t> record(kFilmRecordBytes);
  std::vector<std::uint8_t> band(bandValues * 2);
  std::vector<std::uint8_t> header(kDtvHeaderBytes);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || ::pread(fd, header.data(), header.size(), 0) != 110) {
      state.SkipWithError("cannot read the film");
      break;
    }
    std::uint64_t sum = 0;
    for (int f = 0; f < kFrames; ++f) {
      const std::uint64_t start = kDtvHeaderBytes + std::uint64_t(f) * kFrameBytes;
      const std::uint64_t first =
          start + kFilmRecordBytes + (std::uint64_t(kArea.Top) * kWidth + kArea.Left) * 2;
      if (::pread(fd, record.data(), record.size(), static_cast<off_t>(start)) !=
              static_cast<ssize_t>(record.size()) ||
          ::pread(fd, band.data(), band.size(), static_cast<off_t>(first)) !=
              static_cast<ssize_t>(band.size())) {
        state.SkipWithError("short read");
        break;
      }
      sum += band[0] + record[0];
    }
    ::close(fd);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_TimeProfileFloorTwoReadsPerFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_TimeProfileArea10x10Film500(benchmark::State &state) {
  TTimeProfileSource source;
  source.FileName = QString::fromStdString(Film().path().string());
  source.FrameCount = kFrames;
  source.Version = 5;
  source.Width = kWidth;
  source.Height = kHeight;
  source.FilmMin = 0.0;
  source.FilmMax = 100.0;
  std::size_t samples = 0;
  for (auto _ : state) {
    const TTimeProfile p = RegionTimeProfile(source, kArea, static_cast<int>(state.range(0)));
    samples = p.Slots[0].size();
    benchmark::DoNotOptimize(p.Slots[0].data());
  }
  state.counters["frames"] = static_cast<double>(samples);
}
BENCHMARK(BM_TimeProfileArea10x10Film500)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
