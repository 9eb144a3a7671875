// Saving a calibration set of 255 points into "Calidarix.ini" against its floor: writing the same bytes
// once, atomically (temporary file, flush to disk, rename), as any save that cannot lose the file must.
// The save runs over a file that holds the set already (each key replaced) and over one without it
// (every key new).

#include "acquisition/calibration_fit.h"
#include "acquisition/camera_ini.h"
#include "acquisition/camera_state.h"
#include "bench/bench_films.h"
#include "platform/atomic_file.h"
#include "platform/inifile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace calidarix;

constexpr int kPoints = 255;

// Installation settings a calibration set is saved beside.
const char kSettings[] = "[SETUP]\nCameraNo=339\nCameraType=16\nSpeed=1\nWidth=384\nHeight=288\nSet=3100\n"
                         "Sectors=15\nEmissivity=0.95\nAmbient=22.25\n[METRO]\nMetroMode=0\n";

class IniFolder {
public:
  IniFolder() {
    folder_ = bench::TempPath("ini");
    std::filesystem::create_directories(folder_);
  }
  ~IniFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::filesystem::path File(const std::string &name) const { return folder_ / name; }

private:
  std::filesystem::path folder_;
};

const IniFolder &Folder() {
  static const IniFolder folder;
  return folder;
}

void WriteSettings(const std::filesystem::path &file) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << kSettings;
}

std::string ReadAll(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TCalibrationTable Table() {
  TCalibrationTable table;
  table.Resize(kPoints);
  for (int i = 1; i <= kPoints; ++i)
    table.FCalibrPoints[static_cast<std::size_t>(i)] =
        TCalibrPoint{1000.0 + 12.25 * i, 20.0 + 0.5 * i, 2500 + 7 * i, 21.0 + 0.01 * i};
  return table;
}

// state.range(0): 1 when every key is new (a file without the set), 0 when the set is there already.
void BM_SaveCalibrationSet255(benchmark::State &state) {
  const bool fresh = state.range(0) != 0;
  const std::filesystem::path file = Folder().File(fresh ? "fresh.ini" : "resave.ini");
  WriteSettings(file);
  IniFile ini(file);
  TScanUnit unit;
  const TCalibrationTable table = Table();
  if (!SaveCalibrData(&ini, 0, unit, table)) {
    state.SkipWithError("the set was not saved");
    return;
  }
  for (auto _ : state) {
    if (fresh) {
      state.PauseTiming();
      WriteSettings(file);
      state.ResumeTiming();
    }
    if (!SaveCalibrData(&ini, 0, unit, table)) {
      state.SkipWithError("the set was not saved");
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_SaveCalibrationSet255)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

// The floor: the bytes of the saved file, written once atomically.
void BM_SaveCalibrationSet255Floor(benchmark::State &state) {
  const std::filesystem::path saved = Folder().File("saved.ini");
  WriteSettings(saved);
  IniFile ini(saved);
  TScanUnit unit;
  if (!SaveCalibrData(&ini, 0, unit, Table())) {
    state.SkipWithError("the set was not saved");
    return;
  }
  const std::string bytes = ReadAll(saved);
  const std::filesystem::path file = Folder().File("floor.ini");
  for (auto _ : state) {
    if (!WriteFileAtomically(file, bytes)) {
      state.SkipWithError("cannot write");
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_SaveCalibrationSet255Floor)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

} // namespace
