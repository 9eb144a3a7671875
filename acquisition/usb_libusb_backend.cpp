#include "acquisition/usb_libusb_backend.h"

#include "acquisition/camera_log.h"
#include "platform/inifile.h"
#include "platform/numbers.h"

#include <libusb.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace calidarix {

namespace {

constexpr const char *kUsbSection = "USB CAMERA";

// Hexadecimal text with or without "0x"; nullopt when it is not a number in 0..max.
std::optional<int> ParseHex(std::string text, int max) {
  if (text.empty())
    return std::nullopt;
  if (!text.starts_with('$') && !text.starts_with("0x") && !text.starts_with("0X"))
    text.insert(0, 1, '$');
  if (text.starts_with("0X"))
    text[1] = 'x';
  const auto value = ParseInteger(text);
  if (!value || *value < 0 || *value > max)
    return std::nullopt;
  return static_cast<int>(*value);
}

void Log(const std::string &text) {
  CameraLog(QString::fromStdString("USB camera: " + text));
}

class LibusbDevice : public TUsbDevice {
public:
  LibusbDevice(libusb_device_handle *handle, int interfaceNumber, unsigned char out, unsigned char in,
               std::size_t packet)
      : handle_(handle), interface_(interfaceNumber), out_(out), in_(in), packet_(packet) {}
  ~LibusbDevice() override {
    libusb_release_interface(handle_, interface_);
    libusb_close(handle_);
  }
  LibusbDevice(const LibusbDevice &) = delete;
  LibusbDevice &operator=(const LibusbDevice &) = delete;

  TUsbTransfer BulkOut(std::span<const std::uint8_t> data, int timeoutMs) override {
    return Transfer(out_, const_cast<std::uint8_t *>(data.data()), data.size(), timeoutMs);
  }
  TUsbTransfer BulkIn(std::span<std::uint8_t> buffer, int timeoutMs) override {
    return Transfer(in_, buffer.data(), buffer.size(), timeoutMs);
  }
  std::size_t PacketSize() const override { return packet_; }

private:
  TUsbTransfer Transfer(unsigned char endpoint, std::uint8_t *data, std::size_t size, int timeoutMs) {
    int transferred = 0;
    const int length = static_cast<int>(std::min<std::size_t>(size, 0x7FFFFFFF));
    const int rc = libusb_bulk_transfer(handle_, endpoint, data, length, &transferred,
                                        static_cast<unsigned>(timeoutMs > 0 ? timeoutMs : 1));
    if (rc == LIBUSB_ERROR_PIPE)
      libusb_clear_halt(handle_, endpoint); // so the next transfer is not refused as well
    return {UsbStatusFromLibusb(rc), static_cast<std::size_t>(transferred > 0 ? transferred : 0)};
  }

  libusb_device_handle *handle_;
  int interface_;
  unsigned char out_;
  unsigned char in_;
  std::size_t packet_;
};

// The bulk endpoints of alternate setting 0 of the interface; false when one is missing.
bool FindBulkPair(libusb_device *device, const TUsbPipeSettings &settings, unsigned char &out,
                  unsigned char &in) {
  libusb_config_descriptor *config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS || !config)
    return false;
  bool haveOut = false;
  bool haveIn = false;
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface &iface = config->interface[i];
    if (iface.num_altsetting < 1 || iface.altsetting[0].bInterfaceNumber != settings.Interface)
      continue;
    const libusb_interface_descriptor &alt = iface.altsetting[0];
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor &ep = alt.endpoint[e];
      if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
        continue;
      const bool isIn = (ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
      const int wanted = isIn ? settings.EndpointIn : settings.EndpointOut;
      bool &have = isIn ? haveIn : haveOut;
      if (have || (wanted >= 0 && wanted != ep.bEndpointAddress))
        continue;
      (isIn ? in : out) = ep.bEndpointAddress;
      have = true;
    }
  }
  libusb_free_config_descriptor(config);
  return haveOut && haveIn;
}

} // namespace

TUsbPipeSettings ReadUsbPipeSettings(const IniFile &ini) {
  TUsbPipeSettings s;
  s.VendorId =
      static_cast<std::uint16_t>(ParseHex(ini.ReadString(kUsbSection, "VendorId", ""), 0xFFFF).value_or(0));
  s.ProductId =
      static_cast<std::uint16_t>(ParseHex(ini.ReadString(kUsbSection, "ProductId", ""), 0xFFFF).value_or(0));
  s.Interface = std::clamp(ini.ReadInteger(kUsbSection, "Interface", 0), 0, 255);
  s.EndpointOut = ParseHex(ini.ReadString(kUsbSection, "EndpointOut", ""), 0xFF).value_or(-1);
  s.EndpointIn = ParseHex(ini.ReadString(kUsbSection, "EndpointIn", ""), 0xFF).value_or(-1);
  s.TimeoutMs = std::clamp(ini.ReadInteger(kUsbSection, "TimeoutMs", kUsbDefaultTimeoutMs), 10, 60000);
  return s;
}

TUsbPipeSettings CurrentUsbSettings() {
  return ReadUsbPipeSettings(IniFile(ProgramIniPath()));
}

std::string UsbDevicePath(int bus, int address) {
  return "usb:" + std::to_string(bus) + ":" + std::to_string(address);
}

std::optional<std::pair<int, int>> ParseUsbDevicePath(const std::string &path) {
  if (!path.starts_with("usb:"))
    return std::nullopt;
  const std::string_view rest = std::string_view(path).substr(4);
  const std::size_t colon = rest.find(':');
  if (colon == std::string_view::npos)
    return std::nullopt;
  const auto bus = ParseInteger(rest.substr(0, colon));
  const auto address = ParseInteger(rest.substr(colon + 1));
  if (!bus || !address || *bus < 0 || *bus > 255 || *address < 0 || *address > 255)
    return std::nullopt;
  return std::pair<int, int>(static_cast<int>(*bus), static_cast<int>(*address));
}

TLibusbBackend::TLibusbBackend(TUsbPipeSettings settings) : settings_(settings) {}

TLibusbBackend::~TLibusbBackend() {
  if (context_)
    libusb_exit(context_);
}

bool TLibusbBackend::Start() {
  if (started_)
    return true;
  if (startFailed_)
    return false;
  const int rc = libusb_init(&context_);
  if (rc != LIBUSB_SUCCESS) {
    context_ = nullptr;
    startFailed_ = true;
    Log(std::string("USB not available (") + libusb_error_name(rc) + ")");
    return false;
  }
  started_ = true;
  return true;
}

bool TLibusbBackend::Available() {
  return Start();
}

std::vector<std::string> TLibusbBackend::Enumerate() {
  std::vector<std::string> paths;
  if (!settings_.HasIds()) {
    Log("no camera: VendorId and ProductId are not set in [USB CAMERA]");
    return paths;
  }
  if (!Start())
    return paths;
  libusb_device **list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  if (count < 0) {
    Log(std::string("cannot list the USB devices (") + libusb_error_name(static_cast<int>(count)) + ")");
    return paths;
  }
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS)
      continue; // a device whose descriptor cannot be read is not listed
    if (descriptor.idVendor == settings_.VendorId && descriptor.idProduct == settings_.ProductId)
      paths.push_back(UsbDevicePath(libusb_get_bus_number(list[i]), libusb_get_device_address(list[i])));
  }
  libusb_free_device_list(list, 1);
  if (paths.empty()) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", settings_.VendorId, settings_.ProductId);
    Log(std::string("no camera (") + ids + ") on the bus");
  }
  return paths;
}

std::unique_ptr<TUsbDevice> TLibusbBackend::Open(const std::string &devicePath, int &status) {
  status = kUsbErrorNotFound;
  const auto where = ParseUsbDevicePath(devicePath);
  if (!where || !Start())
    return nullptr;
  libusb_device **list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  if (count < 0) {
    status = UsbStatusFromLibusb(static_cast<int>(count));
    return nullptr;
  }
  libusb_device *device = nullptr;
  for (ssize_t i = 0; i < count && !device; ++i) {
    if (libusb_get_bus_number(list[i]) == where->first && libusb_get_device_address(list[i]) == where->second)
      device = list[i];
  }
  std::unique_ptr<TUsbDevice> result;
  unsigned char out = 0;
  unsigned char in = 0;
  libusb_device_handle *handle = nullptr;
  if (!device) {
    status = kUsbErrorNotFound;
  } else if (!FindBulkPair(device, settings_, out, in)) {
    status = kUsbErrorNotFound;
    Log(devicePath + ": interface " + std::to_string(settings_.Interface) + " has no bulk pair");
  } else if (const int rc = libusb_open(device, &handle); rc != LIBUSB_SUCCESS) {
    status = UsbStatusFromLibusb(rc);
    Log(devicePath + ": " + UsbStatusText(status));
  } else {
    libusb_set_auto_detach_kernel_driver(handle, 1);
    const int claim = libusb_claim_interface(handle, settings_.Interface);
    if (claim != LIBUSB_SUCCESS) {
      status = UsbStatusFromLibusb(claim);
      Log(devicePath + ": interface not claimed, " + UsbStatusText(status));
      libusb_close(handle);
    } else {
      const int packet = libusb_get_max_packet_size(device, in);
      result = std::make_unique<LibusbDevice>(handle, settings_.Interface, out, in,
                                              static_cast<std::size_t>(packet > 0 ? packet : 512));
      status = kUsbPipeOk;
    }
  }
  libusb_free_device_list(list, 1);
  return result;
}

} // namespace calidarix
