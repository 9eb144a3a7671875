#pragma once
// A simulated pan/tilt head for tests and for trying the program by hand. It serves one pseudo-terminal
// (the program opens its slave side as a serial port) and/or one UDP socket on a loopback address,
// answers the head's commands from its own state (counters that move, autotrack, registers), and can
// inject faults: silence, wrong sums, frames split in two, two frames to a datagram, short datagrams,
// a garbled register record, and answering as something that is not a head.
//
// It is written from the frame rules alone and shares no code with the program's head link, so a
// mistake in the link's framing shows up as a failed exchange rather than being mirrored here.
//
// Replies: identify "$Qor" + type; "$RVFull" the records 'W' + 'A' .. 'J' and one frame 'E' after them;
// "$?" + register the register's value; "$RCntrs" / "$RChvnn" an 'H' and a 'V' frame; "$RSpdss" an 'S'
// frame; "$RValus" and "$WIStts" a status 'W' frame (status byte 1: bit 0 autotrack, bit 1 moving). A
// track command moves both axes to their targets in MoveMs; at the end heads of type 'A' send "$doneOk"
// + CR, the others their status.
// Register writes, restarts, stops, speed limits and manual speeds answer nothing.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace calidarix::sim {

struct HeadFaults {
  bool silence = false;       // answers nothing at all
  int badSums = 0;            // the next n replies carry a wrong byte 7
  bool splitFrames = false;   // each reply in two pieces: two writes 20 ms apart, or two datagrams
  bool pairDatagrams = false; // UDP: the replies to one command go two to a datagram
  int shortDatagrams = 0;     // UDP: the next n replies are cut to their first 5 bytes
  bool notAHead = false;      // identify is answered by a frame that is no head's identity
  char badRecord = 0;         // the register record of this letter ('A' .. 'J') carries a wrong byte 7
};

struct HeadRegisters {
  std::uint16_t frameTilt = 90;
  std::uint16_t nonorthogonality = 18;
  std::uint16_t stripHeel = 36;
  std::uint16_t verticalMax = 30000;
  std::uint16_t verticalMin = 1000;
  std::uint32_t ratioHorClicks = 4049252;
  std::uint8_t ratioHorRevs = 4;
  std::uint32_t ratioVerClicks = 4049117;
  std::uint8_t ratioVerRevs = 4;
  std::uint8_t voltageLimit = 110;
  std::uint8_t voltageLastPowerOff = 118;
  std::array<char, 2> version{'2', '7'};
  std::uint16_t serial = 4711;
  std::uint32_t programmedDate = 738000;
  std::uint32_t motoSeconds = 3725;
  std::uint32_t restarts = 12;
};

class HeadSimulator {
public:
  // `type` is the head type letter: 'A' talks in 8-byte frames, every other letter in 9-byte frames.
  explicit HeadSimulator(char type = 'M');
  ~HeadSimulator();
  HeadSimulator(const HeadSimulator &) = delete;
  HeadSimulator &operator=(const HeadSimulator &) = delete;

  // Opens the pseudo-terminal and returns the path of its slave side; empty on failure.
  std::string OpenPty();
  // Binds a UDP socket to host:port (port 0: any free one) and returns the bound port. Only loopback
  // addresses are accepted.
  std::optional<std::uint16_t> OpenUdp(const std::string &host = "127.0.0.1", std::uint16_t port = 0);
  void Start();
  void Stop();

  void SetFaults(const HeadFaults &faults);
  void SetMoveMs(int ms);
  void SetCounters(std::int32_t hor, std::int32_t ver);
  std::int32_t HorCounter() const;
  std::int32_t VerCounter() const;
  bool Autotrack() const;
  bool Moving() const;
  // When the last move ended and its done went out; nothing before the first move ended.
  std::optional<std::chrono::steady_clock::time_point> LastDoneAt() const;
  HeadRegisters Registers() const;
  void SetRegisters(const HeadRegisters &registers);
  char Type() const { return type_; }

  // The commands received, 7 bytes each, oldest first.
  std::vector<std::string> Commands() const;
  void ClearCommands();
  // Waits until a command starting with `prefix` has been received (also before the call).
  bool WaitForCommand(const std::string &prefix, int timeoutMs) const;
  // Sends raw bytes to the program: on the pseudo-terminal, or as one datagram to the last UDP peer.
  void Inject(const std::vector<std::uint8_t> &bytes, bool udp = false);

private:
  struct Transport;
  void Run();
  void Advance(double elapsedMs);
  void ReadPty();
  void ReadUdp();
  void Parse(std::vector<std::uint8_t> &buffer, bool udp);
  std::vector<std::vector<std::uint8_t>> Handle(const std::string &command);
  std::vector<std::uint8_t> Reply(std::array<std::uint8_t, 7> bytes);
  std::vector<std::uint8_t> Status();
  void Emit(std::vector<std::vector<std::uint8_t>> replies, bool udp);
  void WriteAll(const std::uint8_t *data, std::size_t size);
  void SendDatagram(const std::vector<std::uint8_t> &bytes);

  const char type_;
  mutable std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  int wake_[2] = {-1, -1};
  int master_ = -1;
  int slave_ = -1; // held open so that the master never sees a hang-up between the program's opens
  int udp_ = -1;
  sockaddr_in peer_{};
  bool havePeer_ = false;
  std::vector<std::uint8_t> ptyBuffer_;

  // State, under mutex_.
  HeadFaults faults_;
  HeadRegisters registers_;
  std::vector<std::string> commands_;
  double hor_ = 0.0;
  double ver_ = 0.0;
  double fromHor_ = 0.0, fromVer_ = 0.0, toHor_ = 0.0, toVer_ = 0.0;
  double moveElapsed_ = 0.0;
  bool tracking_ = false;
  bool reporting_ = false; // '!' reports once a second during a vertical report move
  double sinceReport_ = 0.0;
  int moveMs_ = 200;
  int panSpeed_ = 0; // manual speeds, signed
  int tiltSpeed_ = 0;
  bool autotrack_ = false;
  std::uint8_t speedLimit_ = 255;
  bool lastCommandUdp_ = false;
  std::optional<std::chrono::steady_clock::time_point> lastDoneAt_;
};

} // namespace calidarix::sim
