// The USB thermal module through libusb. The device is chosen by its vendor and product ids, so no
// request ever reaches a device of another identity. Access needs a udev rule (see the README).

#include "acquisition/thermal_module.h"

#include <libusb.h>

namespace calidarix {

namespace {

constexpr unsigned kControlTimeoutMs = 1000;

class LibUsbModuleDevice : public ModuleUsbDevice {
public:
  ~LibUsbModuleDevice() override { Close(); }

  bool Open(std::uint16_t vendor, std::uint16_t product, QString *error) override {
    Close();
    const auto fail = [&](const QString &text) {
      if (error)
        *error = text;
      Close();
      return false;
    };
    if (libusb_init(&context_) != 0) {
      context_ = nullptr;
      return fail(QStringLiteral("USB cannot be used"));
    }
    handle_ = libusb_open_device_with_vid_pid(context_, vendor, product);
    if (!handle_)
      return fail(QStringLiteral("no USB device %1:%2 found, or no permission to open it")
                      .arg(vendor, 4, 16, QLatin1Char('0'))
                      .arg(product, 4, 16, QLatin1Char('0')));
    libusb_set_auto_detach_kernel_driver(handle_, 1);
    if (const int r = libusb_claim_interface(handle_, 0); r != 0)
      return fail(QStringLiteral("the USB interface cannot be claimed: %1")
                      .arg(QString::fromUtf8(libusb_strerror(r))));
    claimed_ = true;
    return true;
  }

  void Close() override {
    if (handle_) {
      if (claimed_)
        libusb_release_interface(handle_, 0);
      libusb_close(handle_);
    }
    handle_ = nullptr;
    claimed_ = false;
    if (context_)
      libusb_exit(context_);
    context_ = nullptr;
  }

  bool ControlOut(std::uint8_t requestType, std::uint8_t request,
                  std::span<const std::uint8_t> data) override {
    if (!handle_)
      return false;
    // libusb takes a non-const buffer for both directions; an out transfer only reads it.
    auto *bytes = const_cast<unsigned char *>(data.data());
    const int n = libusb_control_transfer(handle_, requestType, request, 0, 0, bytes,
                                          static_cast<std::uint16_t>(data.size()), kControlTimeoutMs);
    return n == static_cast<int>(data.size());
  }

  bool ControlIn(std::uint8_t requestType, std::uint8_t request, std::span<std::uint8_t> buffer) override {
    if (!handle_)
      return false;
    const int n = libusb_control_transfer(handle_, requestType, request, 0, 0, buffer.data(),
                                          static_cast<std::uint16_t>(buffer.size()), kControlTimeoutMs);
    return n >= 0;
  }

  int BulkRead(std::uint8_t endpoint, std::uint8_t *buffer, int count, int timeoutMs) override {
    if (!handle_ || count <= 0)
      return -1;
    int transferred = 0;
    const int r = libusb_bulk_transfer(handle_, endpoint, buffer, count, &transferred,
                                       static_cast<unsigned>(timeoutMs));
    if (r == 0 || (r == LIBUSB_ERROR_TIMEOUT && transferred > 0))
      return transferred;
    return -1;
  }

private:
  libusb_context *context_ = nullptr;
  libusb_device_handle *handle_ = nullptr;
  bool claimed_ = false;
};

} // namespace

std::unique_ptr<ModuleUsbDevice> MakeLibUsbModuleDevice() {
  return std::make_unique<LibUsbModuleDevice>();
}

} // namespace calidarix
