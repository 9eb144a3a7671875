#pragma once
// A simulated parallel-port camera: the port registers as a camera of type 16 or type 8 drives them,
// in process (the kernel has no virtual parallel port). It is written from the handshake rules alone
// and shares no code with the program's link.
//
// Registers: data at base, status at base + 1, control at base + 2. Status bit 3 is the camera's
// ready / strobe line, bit 4 the type-8 acknowledgement, bits 4..7 the data nibble.
//
// Type 16: control 10 strobes the data byte in as a command; bit 3 falls as its acknowledgement and
//   the reply word (the body temperature) follows. A frame command (speed code in bits 0..1) queues a
//   blind line (speeds above 0) and its lines. Control 9 starts a word; each change of control bit 2
//   after it shows the next nibble, lowest first. Control 8 after a word starts a ready pulse (bit 3
//   low for a few reads, then high); control 0 a strobe square wave.
// Type 8: with control 3 the data lines address the camera: 4 the level converter, 0 the range
//   converter, 8 the acknowledgement (bit 4 low for a few reads, then high), 0x80 + n line channel n,
//   0x40 or 0xC3 the image. Control 1 -> 9 latches the data into the addressed converter (level
//   inverted). A sample is ready while bit 3 is low; control 0 shows its high nibble, 4 its low one,
//   and 4 -> 1 moves to the next sample.
//
// Silence: a time-out code of the link (0xA1, 0xA2, 0xA3, 0x51, 0x52) keeps the line that handshake
// waits for from ever changing. The clock is the simulator's own and advances with every status
// read, so a time-out costs a couple of thousand reads, not two seconds.

#include "acquisition/parallel_port.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace calidarix::sim {

struct LptCameraConfig {
  int type = 16; // 16 or 8
  std::uint16_t base = 0x378;
  int width = 320;
  std::int16_t bodyTemperatureRaw = 23 * 256 + 64; // type 16: 23.25 degrees
  std::uint16_t blindWord = 3000;                  // type 16 blind line
  int readyLowReads = 2;                           // reads before a ready pulse rises
  int strobeHalfPeriod = 3;                        // reads per half period of the strobe
  int ackLowReads = 2;
  std::uint8_t silence = 0;   // a time-out code whose handshake never completes
  std::int64_t msPerRead = 1; // simulated time per status read
  // Type 16 pixel of line y, column x of frame n (frames counted from 1). 0 is a lost reading.
  std::function<std::uint16_t(int n, int y, int x)> word;
  // Type 8 line channels 0..3: zero reference, blind, thermistor, blind of range 1.
  std::uint8_t channel[4] = {100, 128, 150, 90};
  // Type 8 image sample of line y, column x of frame n under the converter settings.
  std::function<std::uint8_t(int n, int y, int x, std::uint8_t level, std::uint8_t range)> sample;
};

class LptCameraSimulator : public TParallelPortIo {
public:
  explicit LptCameraSimulator(LptCameraConfig config = {});

  void PortOut(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t port) override;

  // The simulator's clock, for the link under test.
  std::function<std::int64_t()> Clock() {
    return [this] { return now_; };
  }
  std::int64_t Now() const { return now_; }
  LptCameraConfig &Config() { return config_; }

  // What the camera saw.
  const std::vector<std::uint8_t> &Commands() const { return commands_; }
  std::uint8_t LevelDac() const { return level_; }
  std::uint8_t RangeDac() const { return range_; }
  std::uint64_t Writes() const { return writes_; }
  // Writes to addresses that are not the three registers (port, value).
  const std::vector<std::pair<std::uint16_t, std::uint8_t>> &OtherWrites() const { return other_; }
  int ImageFrames() const { return imageFrames_; }

private:
  enum class Mode { Idle, Ack, Word, Ready, Strobe };
  enum class Source { None, Channel, Image };

  void Control(std::uint8_t value);
  void Data(std::uint8_t value);
  std::uint8_t Status();
  void QueueFrame(std::uint8_t command);
  std::uint8_t CurrentSample();

  LptCameraConfig config_;
  std::int64_t now_ = 0;
  std::uint64_t writes_ = 0;
  std::uint8_t data_ = 0;
  std::uint8_t control_ = 0;
  // Type 16
  Mode mode_ = Mode::Idle;
  int reads_ = 0; // status reads since the mode began
  std::deque<std::uint16_t> words_;
  std::uint16_t word_ = 0;
  int phase_ = 0;
  int frames16_ = 0;
  std::vector<std::uint8_t> commands_;
  // Type 8
  std::uint8_t address_ = 0;
  std::uint8_t level_ = 0;
  std::uint8_t range_ = 0;
  bool ack_ = false;
  int ackReads_ = 0;
  Source source_ = Source::None;
  int channel_ = 0;
  int sampleIndex_ = 0;
  int nibble_ = 0; // 0 none, 1 high, 2 low
  int imageFrames_ = 0;
  std::vector<std::pair<std::uint16_t, std::uint8_t>> other_;
};

} // namespace calidarix::sim
