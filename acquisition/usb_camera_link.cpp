#include "acquisition/usb_camera_link.h"

#include "acquisition/camera_log.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>

namespace calidarix {

namespace {

std::uint16_t WordLE(const std::uint8_t *p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void SetWordLE(std::uint8_t *p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

bool IsQuarterModeType(std::int32_t type) {
  return type == CamIfUsb || type == CamIfUsbVariant || type == CamIfLan2 || type == CamIfLan2Dual ||
         type == CamIfLan3;
}

// Copies the first `width` words of a line block into a frame row.
void CopyLine(const std::uint8_t *block, std::uint16_t *row, std::int32_t width) {
  for (std::int32_t x = 0; x < width; ++x)
    row[x] = WordLE(block + 2 * x);
}

TFrameResult Outcome(std::int32_t kind, std::int32_t line = 0) {
  return {kind, line};
}

// Widens an empty signal span so that every consumer can divide by it.
void WidenEqualRange(TScanUnit &unit) {
  if (unit.FrameMin != unit.FrameMax)
    return;
  if (unit.FrameMax < 65535)
    ++unit.FrameMax;
  else
    --unit.FrameMin;
}

} // namespace

TUsbCameraLink::TUsbCameraLink(TUSBPipe &pipe, Sleeper sleep) : pipe_(pipe), sleep_(std::move(sleep)) {}

bool TUsbCameraLink::Send(std::span<const std::uint8_t> block) {
  std::size_t written = 0;
  const int status = pipe_.WritePipe(block, written);
  if (status != kUsbPipeOk)
    CameraLog(QString::fromStdString("USB camera: write failed, " + UsbStatusText(status)));
  return status == kUsbPipeOk && written == block.size();
}

std::optional<std::size_t> TUsbCameraLink::Receive(std::span<std::uint8_t> buffer, int /*timeoutMs*/) {
  if (pipe_.ReadPipe(buffer) != kUsbPipeOk)
    return std::nullopt;
  return buffer.size();
}

void TUsbCameraLink::Pause(int ms) {
  if (ms <= 0)
    return;
  if (sleep_)
    sleep_(ms);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool CameraUsbConnect(TUsbConnection &connection, std::shared_ptr<TUsbBackend> backend) {
  if (connection.FUsbConnected)
    return true;
  connection.FUsbPipe = std::make_unique<TUSBPipe>(std::move(backend));
  std::vector<std::string> devices;
  if (connection.FUsbPipe->EnumUSBDevices(devices) > 0) {
    const int status = connection.FUsbPipe->OpenPipes(devices.front());
    if (status == kUsbPipeOk) {
      connection.FUsbConnected = true;
      return true;
    }
    CameraLog(
        QString::fromStdString("USB camera: " + devices.front() + " not opened, " + UsbStatusText(status)));
  }
  connection.FUsbPipe->ClosePipes();
  return false;
}

bool CameraUsbDisconnect(TUsbConnection &connection) {
  if (!connection.FUsbConnected)
    return false;
  connection.FUsbPipe.reset();
  connection.FUsbConnected = false;
  return true;
}

void SetUsbFrameGeometry(TScanUnit &unit) {
  unit.FrameWidth = unit.ScanWidth;
  switch (unit.Speed) {
  case 0:
  case 1:
    unit.FrameHeight = 2 * unit.ScanHeight;
    break;
  case 3:
    unit.FrameHeight = unit.ScanHeight / 2;
    break;
  default:
    unit.FrameHeight = unit.ScanHeight;
    break;
  }
}

std::int32_t UsbSectorLineFactor(std::int32_t sectors) {
  if (sectors == 2)
    return 2;
  if (sectors == kQuarterSectors)
    return 4;
  return 1;
}

bool FindUsbSync(TUSBPipe &pipe, std::size_t maxBytes) {
  std::array<std::uint8_t, 2> piece{};
  for (std::size_t read = 0; read + 2 <= maxBytes; read += 2) {
    if (pipe.ReadPipe(piece) != kUsbPipeOk)
      return false;
    if (piece[0] == kUsbSyncByte && piece[1] == kUsbSyncByte)
      return true;
  }
  return false;
}

void DecodeUsbStatusBlock(TScanUnit &unit, std::span<std::uint8_t, kUsbBlockSize> block) {
  const auto raw = static_cast<std::int16_t>((block[2] << 8) | block[3]);
  unit.BodyTemperatureRaw = raw;
  unit.CameraTemperature = static_cast<float>(raw / 256.0);
  // The first three words carry the pattern and the temperature; the blind pixels there are taken
  // from the three words after them.
  std::memmove(block.data(), block.data() + 6, 6);
  const std::int32_t width = std::clamp(unit.ScanWidth, 1, kUsbMaxFrameWidth);
  std::int64_t sum = 0;
  for (std::int32_t x = 0; x < width; ++x)
    sum += WordLE(block.data() + 2 * x);
  unit.BlindSignal = static_cast<std::uint16_t>(sum / width);
  if (unit.Speed == 0)
    unit.BlindSignal = unit.Set[0];
  unit.BlindLow = unit.BlindSignal < 500;
}

TFrameResult ReceiveUsbFrame(TScanUnit &unit, const TScanRequests &requests, TSectorTable &table,
                             TUsbCameraLink &link, std::int32_t &rows) {
  rows = 0;
  unit.LptErrorCode = 0;
  SetUsbFrameGeometry(unit);
  if (unit.FrameWidth < 1 || unit.FrameWidth > kUsbMaxFrameWidth || unit.FrameHeight < 1) {
    CameraLog(QStringLiteral("USB camera: a frame of %1 x %2 pixels cannot be received (at most %3 pixels a "
                             "line)")
                  .arg(unit.FrameWidth)
                  .arg(unit.FrameHeight)
                  .arg(kUsbMaxFrameWidth));
    return Outcome(kUsbFrameRequestFailed);
  }
  if (SendFrameRequestUsb(unit, SnapshotFrameModes(requests), table, link) != 0) {
    link.Pause(kUsbRetryPauseMs);
    return Outcome(kUsbFrameRequestFailed);
  }
  unit.FrameHeight *= UsbSectorLineFactor(unit.Sectors);
  const std::int32_t width = unit.FrameWidth;
  const std::int32_t height = unit.FrameHeight;
  unit.FrameBuffer.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  // Thread priorities above normal need rights the program does not ask for; the reads do not depend
  // on them, the block time-outs keep a stalled camera from holding the thread.

  TUSBPipe &pipe = link.Pipe();
  std::array<std::uint8_t, kUsbBlockSize> block{};
  if (pipe.ReadPipe(block) != kUsbPipeOk)
    return Outcome(kUsbFrameStatusFailed);
  if (block[0] != kUsbSyncByte || block[1] != kUsbSyncByte) {
    // At most a frame's worth of bytes is searched, so a camera that sends noise ends the frame.
    const std::size_t limit = (static_cast<std::size_t>(height) + 2) * kUsbBlockSize;
    if (!FindUsbSync(pipe, limit))
      return Outcome(kUsbFrameSyncLost);
    block[0] = block[1] = kUsbSyncByte;
    if (pipe.ReadPipe(std::span<std::uint8_t>(block).subspan(2)) != kUsbPipeOk)
      return Outcome(kUsbFrameSyncLost);
  }
  DecodeUsbStatusBlock(unit, block);

  if (pipe.ReadPipe(block) != kUsbPipeOk)
    return Outcome(kUsbFrameFirstLineFailed);
  std::memcpy(block.data(), block.data() + 2, 2); // pixel 0 := pixel 1
  if (IsQuarterModeType(unit.CameraInterfaceType) && unit.Sectors == kQuarterSectors && width >= 4) {
    const std::uint8_t *tail = block.data() + 2 * width - 4;
    if (tail[0] == 0x00 && tail[1] == 0x00 && tail[2] == 0xFF && tail[3] == 0xFF)
      unit.QuarterPhase = true;
    else if (tail[0] == 0xFF && tail[1] == 0xFF && tail[2] == 0x00 && tail[3] == 0x00)
      unit.QuarterPhase = false;
    std::uint8_t *w = block.data();
    SetWordLE(w + 2 * (width - 2), WordLE(w + 2 * (width - 4)));
    SetWordLE(w + 2 * (width - 1), WordLE(w + 2 * (width - 3)));
  }
  std::uint16_t *frame = unit.FrameBuffer.data();
  CopyLine(block.data(), frame, width);
  rows = 1;

  for (std::int32_t n = 1; n < height; ++n) {
    if (pipe.ReadPipe(block) != kUsbPipeOk)
      return Outcome(kUsbFrameLineFailed, n);
    CopyLine(block.data(), frame + static_cast<std::size_t>(n) * width, width);
    rows = n + 1;
  }

  const std::size_t count = unit.FrameBuffer.size();
  if (requests.BlindCorrectionOn.Get()) {
    const std::int32_t shift = static_cast<std::int32_t>(unit.Set[0]) - unit.BlindSignal;
    for (std::size_t i = 0; i < count; ++i)
      frame[i] = static_cast<std::uint16_t>(std::clamp(frame[i] + shift, 0, 65535));
    frame[0] = frame[1 % count];
    unit.BlindSignal = unit.Set[0];
  }
  const auto [lo, hi] = std::minmax_element(frame, frame + count);
  unit.FrameMin = *lo;
  unit.FrameMax = *hi;
  WidenEqualRange(unit);
  return Outcome(kUsbFrameOk);
}

} // namespace calidarix
