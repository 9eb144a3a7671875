// Reading one frame of a long film, as the film player and the film processing job do, beside a plain
// pread of the same bytes into a buffer that is kept (the floor of any reader). Compare the two in the
// same run.

#include "bench/bench_films.h"
#include "thermogram/tdtv.h"

#include <QDir>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

using calidarix::TDTV;

constexpr int kFrames = 500;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A 500-frame 640 x 480 film in the temporary folder, written once per run and removed at exit.
class FilmFixture {
public:
  FilmFixture() {
    path_ = calidarix::bench::TempPath("film", ".dtv");
    name_ = QString::fromStdString(path_.string());
    calidarix::bench::WriteBenchFilm(name_, kFrames, kWidth, kHeight, calidarix::bench::RampFrame);
  }
  ~FilmFixture() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  const QString &name() const { return name_; }

private:
  std::filesystem::path path_;
  QString name_;
};

const FilmFixture &Film() {
  static FilmFixture film;
  return film;
}

void BM_LoadFilmFrame(benchmark::State &state) {
  const QString &name = Film().name();
  TDTV t;
  int frame = 1;
  for (auto _ : state) {
    if (!t.LoadDTV(name, frame)) {
      state.SkipWithError("LoadDTV failed");
      break;
    }
    benchmark::DoNotOptimize(t.FRaw.data());
    frame = frame % kFrames + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 2);
}
BENCHMARK(BM_LoadFilmFrame)->Unit(benchmark::kMicrosecond);

// The same frames' bytes read with pread into one buffer: no header, no record, no checks.
void BM_PreadFilmFrameBaseline(benchmark::State &state) {
  const std::string path = Film().name().toStdString();
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    state.SkipWithError("cannot open the benchmark film");
    return;
  }
  constexpr std::size_t kFrameBytes = std::size_t{kWidth} * kHeight * 2;
  constexpr std::size_t kRecordBytes = 40;
  std::vector<std::uint16_t> buffer(kFrameBytes / 2);
  int frame = 1;
  for (auto _ : state) {
    const auto offset = static_cast<off_t>(110 + (frame - 1) * (kRecordBytes + kFrameBytes) + kRecordBytes);
    if (::pread(fd, buffer.data(), kFrameBytes, offset) != static_cast<ssize_t>(kFrameBytes)) {
      state.SkipWithError("short read");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    frame = frame % kFrames + 1;
  }
  ::close(fd);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 2);
}
BENCHMARK(BM_PreadFilmFrameBaseline)->Unit(benchmark::kMicrosecond);

} // namespace
