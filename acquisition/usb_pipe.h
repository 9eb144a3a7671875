#pragma once
// TUSBPipe, the transport of the USB scanning camera: it lists the cameras present, opens the bulk
// pair of one of them (one endpoint to write, one to read) and moves byte blocks with small integer
// status codes.
//
// Status codes of the transfers:
//   0   success
//   -1  not open
//   -2  zero length asked
//   -3  incomplete: bytes still missing after four partial reads (reads only)
//   > 0 the transport failed; kUsbErrorBase + n, n being the USB library's error number without its
//       sign, so that no transport failure can be mistaken for one of the pipe's own codes.
//
// The device is reached through a TUsbBackend: the real one talks to libusb (usb_libusb_backend.h),
// tests give an in-process camera. Transfers are synchronous and every one has a time-out, so a camera
// that stops sending cannot hold the caller for ever.
//
// The read side keeps a small queue: a bulk read must ask for whole packets (a smaller buffer makes the
// library report an overflow when a full packet arrives), so a read of two bytes asks for one packet
// and keeps the rest for the reads that follow. Nothing the camera sent is ever dropped, except by
// FlushPipe.
//
// One object is used by one thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace calidarix {

inline constexpr int kUsbPipeOk = 0;
inline constexpr int kUsbPipeNotOpen = -1;
inline constexpr int kUsbPipeZeroLength = -2;
inline constexpr int kUsbPipeIncomplete = -3;

// Transport failures. The numbers after the base are libusb's error numbers without their sign.
inline constexpr int kUsbErrorBase = 1000;
inline constexpr int kUsbErrorIo = kUsbErrorBase + 1;
inline constexpr int kUsbErrorAccess = kUsbErrorBase + 3;
inline constexpr int kUsbErrorNoDevice = kUsbErrorBase + 4;
inline constexpr int kUsbErrorNotFound = kUsbErrorBase + 5;
inline constexpr int kUsbErrorBusy = kUsbErrorBase + 6;
inline constexpr int kUsbErrorTimeout = kUsbErrorBase + 7;
inline constexpr int kUsbErrorOverflow = kUsbErrorBase + 8;
inline constexpr int kUsbErrorStall = kUsbErrorBase + 9;
inline constexpr int kUsbErrorOther = kUsbErrorBase + 99;

// The pipe status of a libusb error number (a negative LIBUSB_ERROR_...); 0 stays 0.
int UsbStatusFromLibusb(int libusbError);
// A short English text for a status, for the log.
std::string UsbStatusText(int status);

// Partial reads a block may take before it counts as incomplete.
inline constexpr int kUsbReadAttempts = 4;
// Time-out of one transfer unless the settings say otherwise.
inline constexpr int kUsbDefaultTimeoutMs = 1000;
// The flush reads at most this many blocks, so a camera that never stops sending cannot hold it.
inline constexpr int kUsbFlushMaxReads = 64;
inline constexpr int kUsbFlushTimeoutMs = 20;
inline constexpr std::size_t kUsbFlushBlock = 1280;

// The outcome of one bulk transfer.
struct TUsbTransfer {
  int Status = kUsbPipeOk;
  std::size_t Transferred = 0;
};

// One opened camera with its claimed interface and bulk pair.
class TUsbDevice {
public:
  virtual ~TUsbDevice() = default;
  virtual TUsbTransfer BulkOut(std::span<const std::uint8_t> data, int timeoutMs) = 0;
  // buffer.size() is a multiple of PacketSize(). A time-out may come with some bytes transferred.
  virtual TUsbTransfer BulkIn(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
  // Largest packet of the IN endpoint.
  virtual std::size_t PacketSize() const = 0;
};

// Finds and opens cameras.
class TUsbBackend {
public:
  virtual ~TUsbBackend() = default;
  // The device paths of the cameras present; empty when there is none or the bus cannot be read.
  virtual std::vector<std::string> Enumerate() = 0;
  // Opens one camera; on failure null, and status holds the reason.
  virtual std::unique_ptr<TUsbDevice> Open(const std::string &devicePath, int &status) = 0;
};

// The backend of the running program (libusb with the program's settings). Tests replace it.
std::shared_ptr<TUsbBackend> DefaultUsbBackend();
void SetDefaultUsbBackend(std::shared_ptr<TUsbBackend> backend);

class TUSBPipe {
public:
  explicit TUSBPipe(std::shared_ptr<TUsbBackend> backend = DefaultUsbBackend());
  ~TUSBPipe();
  TUSBPipe(const TUSBPipe &) = delete;
  TUSBPipe &operator=(const TUSBPipe &) = delete;

  // Appends the device path of every camera present; returns how many were found.
  int EnumUSBDevices(std::vector<std::string> &list);
  // Opens the camera and drops what it had ready; 0 or the failure status (everything is closed then).
  int OpenPipes(const std::string &devicePath);
  // Drops what the camera has ready and closes; 0. Opening again afterwards is allowed.
  int ClosePipes();
  // Drops the queue and reads away what the camera has ready; 0, or -1 when not open.
  int FlushPipe();
  // Reads buffer.size() bytes; a status code.
  int ReadPipe(std::span<std::uint8_t> buffer);
  // One write of the whole buffer; 0 with written = bytes written, else a status code (written then
  // holds what went before the failure).
  int WritePipe(std::span<const std::uint8_t> buffer, std::size_t &written);

  bool IsOpen() const { return device_ != nullptr; }
  int TimeoutMs() const { return timeoutMs_; }
  void SetTimeoutMs(int ms) { timeoutMs_ = ms > 0 ? ms : kUsbDefaultTimeoutMs; }
  // Bytes read from the camera and not handed out yet.
  std::size_t Queued() const { return queue_.size() - queueHead_; }

private:
  std::size_t TakeQueued(std::span<std::uint8_t> out);
  void Keep(std::span<const std::uint8_t> bytes);

  std::shared_ptr<TUsbBackend> backend_;
  std::unique_ptr<TUsbDevice> device_;
  std::vector<std::uint8_t> queue_;
  std::size_t queueHead_ = 0;
  std::vector<std::uint8_t> scratch_;
  int timeoutMs_ = kUsbDefaultTimeoutMs;
};

} // namespace calidarix
