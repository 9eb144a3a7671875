// The USB pipe: status codes, whole-packet reads with the queue behind them, partial reads, transport
// failures, opening and flushing; the libusb backend on the machine's real bus and its settings.

#include "acquisition/usb_libusb_backend.h"
#include "acquisition/usb_pipe.h"
#include "platform/inifile.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>

namespace calidarix {
namespace {

// A device that answers IN transfers from a script and records what was asked.
class ScriptedDevice : public TUsbDevice {
public:
  struct Step {
    int status = kUsbPipeOk;
    std::vector<std::uint8_t> bytes;
  };
  explicit ScriptedDevice(std::size_t packet) : packet_(packet) {}

  TUsbTransfer BulkOut(std::span<const std::uint8_t> data, int) override {
    written.emplace_back(data.begin(), data.end());
    return {outStatus, outStatus == kUsbPipeOk ? data.size() : 0};
  }
  TUsbTransfer BulkIn(std::span<std::uint8_t> buffer, int timeoutMs) override {
    asked.push_back(buffer.size());
    timeouts.push_back(timeoutMs);
    if (steps.empty())
      return {kUsbErrorTimeout, 0};
    Step step = std::move(steps.front());
    steps.pop_front();
    const std::size_t n = std::min(step.bytes.size(), buffer.size());
    std::copy_n(step.bytes.begin(), n, buffer.begin());
    return {step.status, n};
  }
  std::size_t PacketSize() const override { return packet_; }

  std::deque<Step> steps;
  std::vector<std::size_t> asked;
  std::vector<int> timeouts;
  std::vector<std::vector<std::uint8_t>> written;
  int outStatus = kUsbPipeOk;

private:
  std::size_t packet_;
};

// Hands out one scripted device; the test keeps a pointer to script it after opening.
class OneDeviceBackend : public TUsbBackend {
public:
  explicit OneDeviceBackend(std::size_t packet = 64) : packet_(packet) {}
  std::vector<std::string> Enumerate() override { return paths; }
  std::unique_ptr<TUsbDevice> Open(const std::string &path, int &status) override {
    if (openStatus != kUsbPipeOk || path != "usb:1:2") {
      status = openStatus != kUsbPipeOk ? openStatus : kUsbErrorNotFound;
      return nullptr;
    }
    auto device = std::make_unique<ScriptedDevice>(packet_);
    device->steps = std::move(stale);
    last = device.get();
    status = kUsbPipeOk;
    return device;
  }
  std::vector<std::string> paths{"usb:1:2"};
  int openStatus = kUsbPipeOk;
  std::deque<ScriptedDevice::Step> stale; // what the device has ready when opened
  ScriptedDevice *last = nullptr;

private:
  std::size_t packet_;
};

std::vector<std::uint8_t> ByteRamp(std::size_t n, std::uint8_t first = 0) {
  std::vector<std::uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

struct OpenPipe {
  std::shared_ptr<OneDeviceBackend> backend = std::make_shared<OneDeviceBackend>();
  TUSBPipe pipe{backend};
  ScriptedDevice *device = nullptr;
  OpenPipe() {
    EXPECT_EQ(pipe.OpenPipes("usb:1:2"), kUsbPipeOk);
    device = backend->last;
    device->asked.clear();
  }
};

TEST(UsbPipe, ClosedAndZeroLengthTransfersTouchNothing) {
  auto backend = std::make_shared<OneDeviceBackend>();
  TUSBPipe pipe(backend);
  std::vector<std::uint8_t> buffer(4, 0xEE);
  std::size_t written = 99;
  EXPECT_EQ(pipe.ReadPipe(buffer), kUsbPipeNotOpen);
  EXPECT_EQ(pipe.WritePipe(buffer, written), kUsbPipeNotOpen);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(pipe.FlushPipe(), kUsbPipeNotOpen);

  ASSERT_EQ(pipe.OpenPipes("usb:1:2"), kUsbPipeOk);
  backend->last->asked.clear();
  EXPECT_EQ(pipe.ReadPipe(std::span<std::uint8_t>()), kUsbPipeZeroLength);
  EXPECT_EQ(pipe.WritePipe(std::span<const std::uint8_t>(), written), kUsbPipeZeroLength);
  EXPECT_TRUE(backend->last->asked.empty());
  EXPECT_TRUE(backend->last->written.empty());
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(4, 0xEE));
}

TEST(UsbPipe, SmallReadsAskForWholePacketsAndKeepTheRest) {
  OpenPipe p;
  p.device->steps.push_back({kUsbPipeOk, ByteRamp(64)});
  p.device->steps.push_back({kUsbPipeOk, ByteRamp(64, 64)});
  std::array<std::uint8_t, 2> piece{};
  ASSERT_EQ(p.pipe.ReadPipe(piece), kUsbPipeOk);
  EXPECT_EQ(piece[0], 0);
  EXPECT_EQ(piece[1], 1);
  EXPECT_EQ(p.pipe.Queued(), 62u);
  // 100 bytes: 62 from the queue, then 38 more, asked as one 64-byte packet.
  std::vector<std::uint8_t> block(100);
  ASSERT_EQ(p.pipe.ReadPipe(block), kUsbPipeOk);
  EXPECT_EQ(block, ByteRamp(100, 2));
  EXPECT_EQ(p.device->asked, (std::vector<std::size_t>{64, 64}));
  EXPECT_EQ(p.pipe.Queued(), 26u);
}

TEST(UsbPipe, ABlockInFourPiecesIsWholeInFiveIncomplete) {
  for (const int pieces : {4, 5}) {
    OpenPipe p;
    for (int i = 0; i < pieces; ++i)
      p.device->steps.push_back({kUsbPipeOk, ByteRamp(64, static_cast<std::uint8_t>(64 * i))});
    std::vector<std::uint8_t> block(64 * static_cast<std::size_t>(pieces));
    const int status = p.pipe.ReadPipe(block);
    if (pieces == 4) {
      EXPECT_EQ(status, kUsbPipeOk);
      EXPECT_EQ(block, ByteRamp(256));
    } else {
      EXPECT_EQ(status, kUsbPipeIncomplete);
      EXPECT_EQ(p.device->asked.size(), 4u);
    }
  }
}

TEST(UsbPipe, TransportFailuresNeverLookLikeThePipesOwnCodes) {
  struct Case {
    int libusb;
    int status;
  };
  for (const Case c : {Case{0, 0}, Case{-1, kUsbErrorIo}, Case{-2, 1002}, Case{-3, kUsbErrorAccess},
                       Case{-7, kUsbErrorTimeout}, Case{-9, kUsbErrorStall}, Case{-99, kUsbErrorOther}}) {
    EXPECT_EQ(UsbStatusFromLibusb(c.libusb), c.status) << c.libusb;
    if (c.libusb < 0) {
      EXPECT_GT(UsbStatusFromLibusb(c.libusb), 0);
    }
  }

  OpenPipe p;
  p.device->steps.push_back({kUsbPipeOk, ByteRamp(10)});
  p.device->steps.push_back({kUsbErrorStall, {}});
  std::vector<std::uint8_t> block(40);
  EXPECT_EQ(p.pipe.ReadPipe(block), kUsbErrorStall);
  // Nothing more from the device: the read times out rather than waiting for ever.
  EXPECT_EQ(p.pipe.ReadPipe(block), kUsbErrorTimeout);
  EXPECT_EQ(p.device->timeouts.back(), kUsbDefaultTimeoutMs);

  p.device->outStatus = kUsbErrorNoDevice;
  std::size_t written = 7;
  EXPECT_EQ(p.pipe.WritePipe(ByteRamp(256), written), kUsbErrorNoDevice);
  EXPECT_EQ(written, 0u);
  p.device->outStatus = kUsbPipeOk;
  EXPECT_EQ(p.pipe.WritePipe(ByteRamp(256), written), kUsbPipeOk);
  EXPECT_EQ(written, 256u);
}

TEST(UsbPipe, OpeningFlushesStaleBytesAndAFailedOpenLeavesItClosed) {
  auto backend = std::make_shared<OneDeviceBackend>();
  backend->stale.push_back({kUsbPipeOk, ByteRamp(64)});
  backend->stale.push_back({kUsbPipeOk, ByteRamp(30)});
  TUSBPipe pipe(backend);
  std::vector<std::string> list{"kept"};
  EXPECT_EQ(pipe.EnumUSBDevices(list), 1);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", "usb:1:2"}));
  ASSERT_EQ(pipe.OpenPipes(list.back()), kUsbPipeOk);
  EXPECT_TRUE(backend->last->steps.empty());
  EXPECT_EQ(pipe.Queued(), 0u);

  // Reopening a wrong path closes what was open and says why.
  EXPECT_EQ(pipe.OpenPipes("usb:9:9"), kUsbErrorNotFound);
  EXPECT_FALSE(pipe.IsOpen());
  backend->openStatus = kUsbErrorAccess;
  EXPECT_EQ(pipe.OpenPipes("usb:1:2"), kUsbErrorAccess);
  EXPECT_FALSE(pipe.IsOpen());

  backend->paths.clear();
  std::vector<std::string> none;
  EXPECT_EQ(pipe.EnumUSBDevices(none), 0);
  EXPECT_TRUE(none.empty());
}

TEST(UsbPipe, FlushEndsWithACameraThatNeverStopsSending) {
  OpenPipe p;
  for (int i = 0; i < 1000; ++i)
    p.device->steps.push_back({kUsbPipeOk, ByteRamp(64)});
  EXPECT_EQ(p.pipe.FlushPipe(), kUsbPipeOk);
  EXPECT_EQ(p.device->asked.size(), static_cast<std::size_t>(kUsbFlushMaxReads));
}

TEST(UsbLibusbBackend, EnumerationOnTheRealBusFindsNoCameraCleanly) {
  TUsbPipeSettings settings;
  settings.VendorId = 0xFFFF; // reserved: no device carries it
  settings.ProductId = 0xFFFE;
  auto backend = std::make_shared<TLibusbBackend>(settings);
  TUSBPipe pipe(backend);
  std::vector<std::string> list;
  EXPECT_EQ(pipe.EnumUSBDevices(list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_NE(pipe.OpenPipes("usb:0:0"), kUsbPipeOk);
  EXPECT_NE(pipe.OpenPipes("not a path"), kUsbPipeOk);
  EXPECT_FALSE(pipe.IsOpen());

  // Without ids nothing counts as a camera, whatever is on the bus.
  TLibusbBackend unset{TUsbPipeSettings{}};
  EXPECT_TRUE(unset.Enumerate().empty());
}

TEST(UsbLibusbBackend, DevicePathsAndSettings) {
  EXPECT_EQ(UsbDevicePath(3, 17), "usb:3:17");
  EXPECT_EQ(ParseUsbDevicePath("usb:3:17"), (std::pair<int, int>(3, 17)));
  for (const char *bad : {"", "usb:", "usb:3", "usb:3:x", "usb:-1:2", "usb:1:256", "USB:1:2", "usb:1:2:3"})
    EXPECT_FALSE(ParseUsbDevicePath(bad)) << bad;

  test::TempDir dir;
  test::WriteText(dir.file("Calidarix.ini"), "[USB CAMERA]\nVendorId=04b4\nProductId=0x1004\nInterface=1\n"
                                             "EndpointOut=0x02\nEndpointIn=86\nTimeoutMs=250\n");
  const TUsbPipeSettings s = ReadUsbPipeSettings(IniFile(dir.file("Calidarix.ini")));
  EXPECT_EQ(s.VendorId, 0x04B4);
  EXPECT_EQ(s.ProductId, 0x1004);
  EXPECT_EQ(s.Interface, 1);
  EXPECT_EQ(s.EndpointOut, 0x02);
  EXPECT_EQ(s.EndpointIn, 0x86);
  EXPECT_EQ(s.TimeoutMs, 250);

  test::WriteText(dir.file("Bad.ini"), "[USB CAMERA]\nVendorId=camera\nProductId=0x10000\nEndpointIn=-3\n");
  const TUsbPipeSettings bad = ReadUsbPipeSettings(IniFile(dir.file("Bad.ini")));
  EXPECT_FALSE(bad.HasIds());
  EXPECT_EQ(bad.EndpointIn, -1);
  EXPECT_EQ(bad.TimeoutMs, kUsbDefaultTimeoutMs);
}

} // namespace
} // namespace calidarix
