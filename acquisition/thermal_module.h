#pragma once
// The USB thermal module's driver: a worker thread that opens the module (USB vendor 0x289D, product
// 0x0010), sends its start-up sequence of vendor control requests, then requests frames over and over,
// sorts them by frame type, builds the corrected image (module_image.h) and posts WM_MODULEFRAME
// (wParam: the driver, lParam: 3) to its owner window for every second image frame.
//
// The thread owns the device and the frame buffers. What the owner window shows is a copy of the image
// made at the moment of posting (PostedImage), so the driver can go on with the next frame while the
// window draws the last one. The owner may also take a new flat field (StoreFlatField); the driver's
// lock keeps that apart from the frame processing.

#include "acquisition/module_image.h"
#include "acquisition/shutter.h"
#include "platform/messages.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace calidarix {

// The module's USB link.
class ModuleUsbDevice {
public:
  virtual ~ModuleUsbDevice() = default;
  // Opens the first device of that vendor and product and claims its interface 0. No request is sent
  // to a device of another identity. False with the reason when there is none or it cannot be used.
  virtual bool Open(std::uint16_t vendor, std::uint16_t product, QString *error) = 0;
  virtual void Close() = 0;
  // Vendor control transfers (value 0, index 0); false when the transfer failed.
  virtual bool ControlOut(std::uint8_t requestType, std::uint8_t request,
                          std::span<const std::uint8_t> data) = 0;
  virtual bool ControlIn(std::uint8_t requestType, std::uint8_t request, std::span<std::uint8_t> buffer) = 0;
  // Up to `count` bytes from a bulk endpoint within timeoutMs: the bytes read, or -1 when the transfer
  // failed or nothing came in time.
  virtual int BulkRead(std::uint8_t endpoint, std::uint8_t *buffer, int count, int timeoutMs) = 0;
};

// The module through libusb.
std::unique_ptr<ModuleUsbDevice> MakeLibUsbModuleDevice();

// The request types of the module's control transfers and its bulk endpoint.
inline constexpr std::uint8_t kModuleRequestOut = 0x41; // vendor, interface, host to device
inline constexpr std::uint8_t kModuleRequestIn = 0xC1;  // vendor, interface, device to host
inline constexpr std::uint8_t kModuleBulkEndpoint = 0x81;
inline constexpr int kModuleBulkTimeoutMs = 4096;

// One step of the start-up sequence: data sent (out) or the length read (in).
struct TModuleStartupStep {
  bool In = false;
  std::uint8_t Request = 0;
  std::vector<std::uint8_t> Data; // out
  int Length = 0;                 // in
};
const std::vector<TModuleStartupStep> &ModuleStartupSequence();

// The image the owner window shows, as it was when the frame was posted.
struct TModulePicture {
  std::vector<std::uint16_t> Pixels; // SeekImageWidth x SeekImageHeight, row after row
  std::uint16_t Minimum = 0;
  std::uint16_t Maximum = 0;
  double BlindTemperature = 20.0;
  bool Opened = false;
};

struct TModuleSettings {
  int ShutterPortNumber = 0; // COM number of the reference shutter; 0: none
  bool MedianFilterOn = false;
};

class TSeekThermal {
public:
  // Probes the shutter, then starts the thread at once unless startThread is false (tests drive the
  // steps themselves then). `log` may be called from the driver thread.
  TSeekThermal(WindowHandle ownerWindow, std::unique_ptr<ModuleUsbDevice> device,
               const TModuleSettings &settings, std::function<void(const QString &)> log = {},
               bool startThread = true);
  // Ends the thread, shuts the module down and closes it.
  ~TSeekThermal();
  TSeekThermal(const TSeekThermal &) = delete;
  TSeekThermal &operator=(const TSeekThermal &) = delete;

  // Opens the device and sends the start-up sequence: 0 on success, 1 otherwise (also when open).
  int InitializeModule();
  // When open: request 60 with 00 00 three times; then not open.
  void ShutdownModule();
  // Requests and processes one frame: 0 when a frame of types 1 .. 10 was handled, 1 when not open,
  // when the frame type was 0 or when the transfer failed (FReadFailed then).
  int ReadModuleFrame();
  // Asks the thread to end and waits for it.
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }
  // The thread has left its loop (after Terminate, a failed start-up or a failed transfer).
  bool Finished() const { return FFinished.load(); }

  // A new flat field from the last shutter frame (owner's command).
  void StoreFlatField();
  TModulePicture PostedImage() const;
  // A copy of the processing state (tests, benchmarks).
  TModuleImage ProcessingSnapshot() const;

  WindowHandle FOwnerWindow = 0;
  int FDeviceIndex = 0;
  std::atomic<bool> FOpened{false};
  std::atomic<bool> FFrameReady{false};
  std::atomic<bool> FReadBusy{false};
  std::atomic<bool> FStopped{true};
  std::atomic<bool> FReadFailed{false};
  std::atomic<std::uint8_t> FFrameType{0};
  std::atomic<std::uint8_t> FPrevFrameType{0};
  std::atomic<int> FFrameToggle{0};
  std::atomic<int> FPostCount{0}; // WM_MODULEFRAME posted so far
  double FGain = 1.0;             // the owner's display settings; the driver does not use them
  double FLevel = 0.0;

private:
  void Execute();
  bool ControlOut(std::uint8_t request, std::span<const std::uint8_t> data);
  bool ControlIn(std::uint8_t request, std::span<std::uint8_t> buffer);
  // count bytes from the bulk endpoint: 0, or 1 when a transfer failed or timed out.
  int BulkRead(int count, std::uint8_t *buffer);
  // Waits up to `ms` or until Terminate.
  void Pause(int ms);
  void Log(const QString &text) const;

  std::unique_ptr<ModuleUsbDevice> device_;
  std::function<void(const QString &)> log_;
  TModuleShutter shutter_;
  mutable std::mutex lock_; // processing_ and posted_
  TModuleImage processing_;
  TModulePicture posted_;
  std::vector<std::uint8_t> rawBytes_;
  std::vector<std::uint16_t> rawWords_;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::mutex waitLock_;
  std::condition_variable wake_;
  std::thread thread_;
};

} // namespace calidarix
