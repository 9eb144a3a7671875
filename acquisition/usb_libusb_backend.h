#pragma once
// The USB camera through libusb: cameras are recognised by their vendor and product ids, one
// interface is claimed (the kernel driver, if any, is detached for the time the program holds it),
// and the bulk pair is the configured endpoints or, by default, the first bulk OUT and the first bulk
// IN endpoint of that interface.
//
// The settings come from the section "[USB CAMERA]" of "Calidarix.ini":
//   VendorId, ProductId   hexadecimal ("04b4", "0x04B4"); without them no device counts as a camera
//   Interface             interface number, 0 by default
//   EndpointOut, EndpointIn  endpoint addresses ("0x02", "0x86"); default: the first bulk ones
//   TimeoutMs             time-out of one transfer, 1000 by default
// A device path reads "usb:BUS:ADDRESS" (decimal), the numbers the kernel gives the device.

#include "acquisition/usb_pipe.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct libusb_context;

namespace calidarix {

class IniFile;

struct TUsbPipeSettings {
  std::uint16_t VendorId = 0;
  std::uint16_t ProductId = 0;
  int Interface = 0;
  int EndpointOut = -1; // -1: the first bulk OUT endpoint of the interface
  int EndpointIn = -1;  // -1: the first bulk IN endpoint
  int TimeoutMs = kUsbDefaultTimeoutMs;

  bool HasIds() const { return VendorId != 0 || ProductId != 0; }
};

TUsbPipeSettings ReadUsbPipeSettings(const IniFile &ini);
// The settings of "Calidarix.ini" as it is now.
TUsbPipeSettings CurrentUsbSettings();

// "usb:BUS:ADDRESS" and back.
std::string UsbDevicePath(int bus, int address);
std::optional<std::pair<int, int>> ParseUsbDevicePath(const std::string &path);

class TLibusbBackend : public TUsbBackend {
public:
  explicit TLibusbBackend(TUsbPipeSettings settings);
  ~TLibusbBackend() override;
  TLibusbBackend(const TLibusbBackend &) = delete;
  TLibusbBackend &operator=(const TLibusbBackend &) = delete;

  std::vector<std::string> Enumerate() override;
  std::unique_ptr<TUsbDevice> Open(const std::string &devicePath, int &status) override;

  // False when libusb could not start (no USB on this machine); Enumerate then finds nothing.
  bool Available();
  const TUsbPipeSettings &Settings() const { return settings_; }

private:
  bool Start();

  TUsbPipeSettings settings_;
  ::libusb_context *context_ = nullptr;
  bool started_ = false;
  bool startFailed_ = false;
};

} // namespace calidarix
