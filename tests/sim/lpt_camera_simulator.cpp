#include "tests/sim/lpt_camera_simulator.h"

namespace calidarix::sim {

LptCameraSimulator::LptCameraSimulator(LptCameraConfig config) : config_(std::move(config)) {}

void LptCameraSimulator::PortOut(std::uint16_t port, std::uint8_t value) {
  ++writes_;
  if (port == config_.base)
    Data(value);
  else if (port == config_.base + 2)
    Control(value);
  else
    other_.emplace_back(port, value);
}

std::uint8_t LptCameraSimulator::PortIn(std::uint16_t port) {
  if (port == config_.base + 1)
    return Status();
  if (port == config_.base)
    return data_;
  if (port == config_.base + 2)
    return control_;
  return 0xFF;
}

void LptCameraSimulator::QueueFrame(std::uint8_t command) {
  static constexpr int kLines[4] = {240, 240, 60, 120}; // by the speed code in bits 0..1
  const int code = command & 3;
  ++frames16_;
  if (code != 0)
    words_.insert(words_.end(), static_cast<std::size_t>(config_.width), config_.blindWord);
  for (int y = 0; y < kLines[code]; ++y) {
    for (int x = 0; x < config_.width; ++x)
      words_.push_back(config_.word ? config_.word(frames16_, y, x)
                                    : static_cast<std::uint16_t>(1000 + (3 * x + 5 * y) % 4000));
  }
}

void LptCameraSimulator::Control(std::uint8_t value) {
  const std::uint8_t previous = control_;
  control_ = value;
  if (config_.type == 16) {
    switch (value) {
    case 10:
      commands_.push_back(data_);
      words_.clear();
      words_.push_back(static_cast<std::uint16_t>(config_.bodyTemperatureRaw));
      QueueFrame(data_);
      mode_ = Mode::Ack;
      reads_ = 0;
      break;
    case 9:
      mode_ = Mode::Word;
      word_ = 0;
      if (!words_.empty()) {
        word_ = words_.front();
        words_.pop_front();
      }
      phase_ = 0;
      break;
    case 8:
    case 0x0C:
      if (mode_ == Mode::Word) {
        if ((previous ^ value) & 0x04)
          ++phase_;
        if (phase_ >= 4 && value == 8) {
          mode_ = Mode::Ready;
          reads_ = 0;
        }
      } else if (value == 8 && mode_ != Mode::Ack) {
        mode_ = Mode::Ready;
        reads_ = 0;
      }
      break;
    case 0:
      mode_ = Mode::Strobe;
      reads_ = 0;
      break;
    default:
      break;
    }
    return;
  }
  // Type 8
  if (previous == 1 && value == 9) {
    if (address_ == 4)
      level_ = static_cast<std::uint8_t>(~data_);
    else if (address_ == 0)
      range_ = data_;
  }
  if (value == 0 && source_ != Source::None)
    nibble_ = 1;
  else if (value == 4)
    nibble_ = 2;
  else if (value == 1 && previous == 4) {
    ++sampleIndex_;
    nibble_ = 0;
  }
}

void LptCameraSimulator::Data(std::uint8_t value) {
  data_ = value;
  if (config_.type != 8 || control_ != 3)
    return;
  address_ = value;
  ack_ = value == 8;
  ackReads_ = 0;
  if (value == 0x40 || value == 0xC3) {
    if (source_ != Source::Image)
      ++imageFrames_;
    source_ = Source::Image;
    sampleIndex_ = 0;
  } else if (value >= 0x80 && value <= 0x83) {
    source_ = Source::Channel;
    channel_ = value - 0x80;
    sampleIndex_ = 0;
  }
}

std::uint8_t LptCameraSimulator::CurrentSample() {
  if (source_ == Source::Channel)
    return config_.channel[channel_];
  const int width = config_.width > 0 ? config_.width : 1;
  const int x = sampleIndex_ % width;
  const int y = sampleIndex_ / width;
  if (config_.sample)
    return config_.sample(imageFrames_, y, x, level_, range_);
  return static_cast<std::uint8_t>(40 + (x + 2 * y) % 150);
}

std::uint8_t LptCameraSimulator::Status() {
  now_ += config_.msPerRead;
  const int reads = reads_++;
  if (config_.type == 16) {
    switch (mode_) {
    case Mode::Word:
      return static_cast<std::uint8_t>(((word_ >> (4 * (phase_ & 3))) & 0x0F) << 4);
    case Mode::Ack:
      return config_.silence == 0xA3 ? 0x08 : 0x00;
    case Mode::Ready:
      return config_.silence == 0xA2 || reads < config_.readyLowReads ? 0x00 : 0x08;
    case Mode::Strobe:
      return config_.silence == 0xA1 || (reads / config_.strobeHalfPeriod) % 2 == 0 ? 0x00 : 0x08;
    case Mode::Idle:
      return 0x08;
    }
    return 0x08;
  }
  std::uint8_t status = config_.silence == 0x52 ? 0x08 : 0x00; // bit 3 low: a sample is ready
  if (nibble_ == 1)
    status |= static_cast<std::uint8_t>(CurrentSample() & 0xF0);
  else if (nibble_ == 2)
    status |= static_cast<std::uint8_t>((CurrentSample() & 0x0F) << 4);
  if (ack_) {
    const bool high = config_.silence != 0x51 && ackReads_++ >= config_.ackLowReads;
    status = static_cast<std::uint8_t>((status & ~0x10) | (high ? 0x10 : 0x00));
  }
  return status;
}

} // namespace calidarix::sim
