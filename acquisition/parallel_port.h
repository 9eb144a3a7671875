#pragma once
// Port access for the parallel-port cameras. The camera code writes and reads port registers by
// their I/O address, as PortOut and PortIn: the data register at the base, status at base + 1,
// control at base + 2.
//
// Backends:
// - TPpdevPort: the kernel's parport driver through /dev/parportN (claimed exclusively while open).
//   It reaches the three standard registers; a control value with bit 5 set switches the data lines'
//   direction (PPDATADIR), the way that bit does on the card. Any other address (the extended
//   registers at base + 0x400 and above, a write to the status register) cannot be reached through
//   the driver: it goes to the raw backend when one was given, else it is skipped and logged once.
// - TRawPortIo: the processor's port instructions, for a program run with the right to use them
//   (ioperm; root or CAP_SYS_RAWIO). Only where the processor has port instructions (x86).
// - The simulated camera of the tests implements TParallelPortIo directly.
//
// Which device serves a base address: the key "PortDevice" of "[CAMERA PARAMETERS]" in
// "Calidarix.ini" when it is set, else the usual order of the PC's ports (0x378 the first parallel
// port, 0x278 the second, 0x3BC the third).

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace calidarix {

class IniFile;

class TParallelPortIo {
public:
  virtual ~TParallelPortIo() = default;
  virtual void PortOut(std::uint16_t port, std::uint8_t value) = 0;
  virtual std::uint8_t PortIn(std::uint16_t port) = 0;
};

// The device of a port base by the PC's usual order; empty for a base that has none.
std::string DefaultParallelDevice(std::uint16_t base);
// The device configured for the base ("PortDevice"), else the default one.
std::string ParallelDeviceFromSettings(const IniFile &ini, std::uint16_t base);

class TRawPortIo : public TParallelPortIo {
public:
  ~TRawPortIo() override;
  // Asks for access to `count` ports from `first` (in addition to ranges granted before); false (and
  // the reason) when the platform refuses.
  bool Open(std::uint16_t first, std::uint16_t count, QString *error = nullptr);
  bool IsOpen() const { return !ranges_.empty(); }
  bool Covers(std::uint16_t port) const;
  // Ports outside the granted ranges are neither written nor read (a read gives 0xFF, a floating bus).
  void PortOut(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t port) override;

private:
  std::vector<std::pair<std::uint16_t, std::uint16_t>> ranges_;
};

class TPpdevPort : public TParallelPortIo {
public:
  TPpdevPort() = default;
  ~TPpdevPort() override;
  TPpdevPort(const TPpdevPort &) = delete;
  TPpdevPort &operator=(const TPpdevPort &) = delete;

  // Opens and claims the device for the registers at `base`; false with the reason when it fails.
  bool Open(const std::string &device, std::uint16_t base, QString *error = nullptr);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Where the addresses the driver cannot reach go (not owned); null to skip them.
  void SetRawFallback(TParallelPortIo *raw) { raw_ = raw; }

  void PortOut(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t PortIn(std::uint16_t port) override;

private:
  void Unreachable(std::uint16_t port, const char *what);

  int fd_ = -1;
  std::uint16_t base_ = 0;
  bool reverse_ = false;
  bool warned_ = false;
  TParallelPortIo *raw_ = nullptr;
};

// The port of a camera at `base`: the ppdev device, with raw access for what the driver cannot reach
// when the program has the right to it.
class TParallelPortSet : public TParallelPortIo {
public:
  // False, with the reason, when the device cannot be opened.
  bool Open(const std::string &device, std::uint16_t base, QString *error = nullptr);
  void PortOut(std::uint16_t port, std::uint8_t value) override { ppdev_.PortOut(port, value); }
  std::uint8_t PortIn(std::uint16_t port) override { return ppdev_.PortIn(port); }
  bool HasRawAccess() const { return raw_.IsOpen(); }

private:
  TRawPortIo raw_;
  TPpdevPort ppdev_;
};

} // namespace calidarix
