#pragma once
// A simulated network (LAN) scanning camera for tests, benchmarks and trying the program by hand.
// It listens on a loopback UDP port and answers every frame request with a frame: the status
// ("blind") line, then the scan lines, each line split into datagrams of 1470 data bytes and a
// 2-byte packet number, low byte first ((L div 1472) + 1 datagrams for a line of L bytes). Every
// datagram is 1472 bytes: the last one of a line carries the rest of the line, padding up to byte
// 1470 and its number in bytes 1470-1471. With `shortLastDatagram` the last one carries only the
// rest of the line and its number, as some cameras send it.
//
// It is written from the wire rules alone and shares no code with the program's reception, so a
// mistake there shows up as a wrong frame rather than being mirrored here.
//
// Frame height: the request's byte 8 with bits 8..12 from bits 2..6 of byte 9, times 4 in quarter
// mode, times the multiplier at speed 0 (both as configured here); every request is recorded.
//
// The status line: byte 0 the flags (0x40: blind made), bytes 2..15 seven big-endian status words
// (body temperature in 1/256 degree, battery, ..., word 4 the band-1 reference), the rest blind
// pixels in the camera's byte order; a dual-band line has its second band's half from byte
// 2 x ScanWidth, whose bytes 10-11 carry the band-2 reference (big-endian).

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace calidarix::sim {

struct LanCameraConfig {
  std::int32_t interfaceType = 256; // 32, 64, 256, 257 or 512; 64 and 257 send two bands
  std::int32_t scanWidth = 320;     // pixels of one band's line
  std::int32_t cameraNo = 0;        // 1002 (with a dual-band type) sends its extra datagrams
  bool bigEndian = true;            // pixel words high byte first
  bool quarterMode = false;         // four sub-frames: the height is four times the request's
  bool lineMode = false;            // every datagram twice, numbered n and n + 1
  bool shortLastDatagram = false;   // a line's last datagram without padding
  std::int32_t multiplier = 0;      // at speed 0 the height is this many times the request's
  bool quarterPhase = true;         // quarter-mode phase marker at the end of the first band half
  bool endMarker = false;           // the frame's last two pixels are 0 and 65535
  std::uint8_t statusFlags = 0x40;  // byte 0 of the status line
  std::int16_t bodyTemperatureRaw = 25 * 256;
  std::uint16_t battery = 835;
  std::uint16_t blind = 3000;      // blind pixels of band 1 (and of a single band)
  std::uint16_t blind2 = 3100;     // blind pixels of band 2
  std::uint16_t reference1 = 3000; // status word 4
  std::uint16_t reference2 = 3100; // bytes 10-11 of the second half
  // Pixel x (within the whole line of both bands) of scan line y of frame f; a ramp by default.
  std::function<std::uint16_t(int x, int y, int frame)> pixel;
};

// Faults applied to every frame while they are set. Rows: 0 is the status line, r >= 1 the scan line
// r - 1. Datagram indices count within a row.
struct LanCameraFaults {
  int datagramDelayMicros = 0;                  // pacing: pause after every datagram
  int dropRow = -1, dropDatagram = 0;           // that datagram is not sent
  int duplicateRow = -1, duplicateDatagram = 0; // that datagram is sent twice
  int reorderRow = -1, reorderDatagram = 0;     // that datagram is sent after the next one
  int shortRow = -1, shortDatagram = 0;         // that datagram is cut to shortBytes
  int shortBytes = 100;
  int emptyRow = -1;     // an empty datagram goes out before that row
  int oversizedRow = -1; // that row's first datagram is 1500 bytes long
  int stopAfterRow = -1; // nothing more of the frame after that row
  // Random loss: each datagram is dropped with this probability (a fixed seed: repeatable).
  double lossRate = 0.0;
};

// One frame request as it came.
struct LanCameraRequest {
  std::vector<std::uint8_t> block;
  std::uint8_t command = 0;
  std::int32_t height = 0; // as the request gives it
  std::uint8_t speed = 0;  // bits 0..1 of byte 9
};

class LanCameraSimulator {
public:
  explicit LanCameraSimulator(LanCameraConfig config = {});
  ~LanCameraSimulator();
  LanCameraSimulator(const LanCameraSimulator &) = delete;
  LanCameraSimulator &operator=(const LanCameraSimulator &) = delete;

  // Binds host:port (port 0: a free one) and returns the port; loopback addresses only.
  std::optional<std::uint16_t> Open(const std::string &host = "127.0.0.1", std::uint16_t port = 0);
  void Start();
  void Stop();

  void SetConfig(const LanCameraConfig &config);
  void SetFaults(const LanCameraFaults &faults);
  // The value of pixel (x, y) of frame f as the configuration makes it.
  std::uint16_t PixelValue(int x, int y, int frame) const;

  std::vector<LanCameraRequest> Requests() const;
  int FramesSent() const { return framesSent_.load(); }
  std::int64_t DatagramsSent() const { return datagramsSent_.load(); }

  // The bytes of one row of frame `frame` (row 0 the status line) as the camera sends them.
  std::vector<std::uint8_t> RowBytes(int row, int frame) const;

private:
  void Run();
  void SendFrame(const LanCameraRequest &request, const void *to, unsigned toLength);

  int fd_ = -1;
  std::atomic<bool> running_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  LanCameraConfig config_;
  LanCameraFaults faults_;
  std::vector<LanCameraRequest> requests_;
  std::atomic<int> framesSent_{0};
  std::atomic<std::int64_t> datagramsSent_{0};
  std::uint32_t random_ = 12345;
};

// Decodes a frame request's height and speed.
LanCameraRequest DecodeLanCameraRequest(const std::uint8_t *data, std::size_t length);

} // namespace calidarix::sim
