// Fuzz target of the wave reader: any bytes are read or refused, never a crash. A sound that is read
// has a format the player takes and whole sample frames, and writing it and reading it back gives the
// same sound.

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "mainwindow/wave_file.h"

#include <cstdlib>

namespace {

using calidarix::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace calidarix;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, kWaveHeaderSize);
  const QString name = fuzz::WriteInputFile("input.wav", input.File);
  WaveSound sound;
  if (!ReadWaveFile(name, sound))
    return 0;
  Require(PcmFormatProblem(sound.Format).isEmpty());
  Require(sound.Format.BlockAlign > 0 && sound.Data.size() % sound.Format.BlockAlign == 0);
  Require(sound.Data.size() <= input.File.size());

  const QString copy =
      fuzz::WriteInputFile("copy.wav", WaveFileBytes(NormalisedPcm(sound.Format), sound.Data));
  WaveSound again;
  Require(static_cast<bool>(ReadWaveFile(copy, again)));
  Require(again.Data == sound.Data && again.Format == NormalisedPcm(sound.Format));
  return 0;
}
