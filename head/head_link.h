#pragma once
// The link to the motorised pan/tilt head (the "Qor"): one object, the global QorHead, that reaches the
// head over UDP (a network head) or a serial port at 19200 baud, frames and sends its commands, reads
// and checks its replies, and keeps what the replies say (counters, status, speeds, registers).
//
// Transport and framing live in head_link.cpp; the command vocabulary, the handshake, counters, motion
// and register writing in head_commands.cpp.
//
// Everything runs on the GUI thread. Every wait pumps the message queue (FProcessMessages), so timers
// and input handlers may run inside it; every wait also has a deadline and ends early after Cancel().
// Guards keep a connect from starting inside another and a send from starting inside another.
//
// The network head is found by asking it to identify itself over UDP (no ICMP, which needs
// privileges); a host that answers with anything but an identity frame is not taken for a head. Then
// it gets the handshake that a head on a serial port gets. The link keeps one UDP socket, and with it
// one local port, for as long as that socket works: the head sends its answers, the done of a move
// included, to the port that sent the command.
// Every datagram goes through the network policy (CALIDARIX_NETWORK=loopback keeps it on 127.0.0.0/8).

#include "acquisition/com_port.h"
#include "head/head_frame.h"
#include "head/head_registers.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace calidarix {

class tQor : public TQorRegisters {
public:
  tQor();
  virtual ~tQor();
  tQor(const tQor &) = delete;
  tQor &operator=(const tQor &) = delete;

  // ---- Transport and framing ----
  void SetComPort(std::uint8_t port) { FComPort = port; }
  // Opens the link: a network head that identifies itself first, else the stored serial port, else a
  // search of the configured serial ports. The result is FConnected.
  bool Connect();
  bool InitLink() { return Connect(); }
  void Close();
  void Reinit();
  // Drops replies received and not read (the serial receive buffer, or the datagrams waiting).
  void PurgeInput();
  // Frames and sends one command. With requireConnected a command for a link that is down is dropped.
  void SendCommand(const QorCommand &command, bool requireConnected);
  // Reads and checks one reply frame into FRxFrame; true when anything was received (good or bad).
  bool ReceiveFrame();
  QString RxFrameText() const;
  bool OpenUdp();
  bool CloseUdp();
  bool UdpSend(const std::uint8_t *data, int count);
  // Delivers up to count bytes of the head's datagrams into dest: bytes left in the last datagram
  // first, else the next datagram within timeoutMs. A datagram is never read past its end, so a short
  // one delivers fewer bytes. A time-out delivers 0 and keeps the socket, because the head answers the
  // port a command came from. A socket error delivers 0 and replaces the socket; the head is then
  // asked who it is from the new one, so that it answers there.
  int UdpReceive(std::uint8_t *dest, int count, int timeoutMs);

  // ---- Commands, registers and replies ----
  // The handshake on the open link (serial port or network): identify, read the registers, autotrack on.
  bool ReadQorValues();
  bool Identify();
  void SetTrackingMode(std::uint8_t mode);
  void ResetHead();
  void StopHead();
  void TrackTo(std::int32_t hor, std::int32_t ver);
  void TrackToTargets();
  void SetHorTarget(std::int32_t value) { FHorTarget = value; }
  void SetVerTarget(std::int32_t value) { FVerTarget = value; }
  void SendHorTarget(std::int32_t value);
  void SendVerTarget(std::int32_t value);
  void RequestCounters(bool extras);
  void ProcessReply();
  // One poll; true once per completed motion.
  bool CheckDone();
  // Waits for the end of the motion sent last; true when it ended within timeoutMs and was not
  // reported before. A done that came in after the track command but before this call counts; one
  // already reported is dropped first. A motion started some other way (a raw command) should clear
  // FDone and FDoneAcknowledged when it is sent.
  bool WaitDone(int timeoutMs);
  // Writes the editable registers and restarts the head. Refused (false, with the reason logged) when
  // the registers were not read from this head or do not pass CheckRegisterValues.
  bool WriteQorValues();

  // Ends every wait now running (a nested wait too); the next operation starts afresh.
  void Cancel();
  bool Cancelled() const { return FCancelRequested; }

  // ---- Fields ----
  std::function<void(tQor &)> FOnPortLost;
  bool FConnected = false;
  bool FSendBusy = false;
  std::uint8_t FComPort = 0;      // serial port 1..255; 0: none known (the next serial connect searches)
  std::uint8_t FTrackingMode = 3; // 0 autotrack on, 3 off
  std::int32_t FHorCounter = 0;
  std::int32_t FVerCounter = 0;
  std::int32_t FHorTarget = 0;
  std::int32_t FVerTarget = 0;
  std::int32_t FNoReplyCount = 0;
  std::unique_ptr<TComPort> FComm;
  std::uint8_t FFrameLength = 9;
  std::uint8_t FStatus1 = 0;
  std::uint8_t FStatus2 = 0;
  std::array<std::uint8_t, 8> FRxFrame{};
  bool FScanPorts = false;
  bool FNoData = false;
  bool FBadFrame = false;
  std::uint8_t FRefVolts = 0;
  std::uint16_t FHorSpeed = 0;
  std::uint16_t FVerSpeed = 0;
  std::array<std::uint8_t, 2> FSpeedBytes{};
  bool FDone = false;
  bool FDoneAcknowledged = false;
  bool FPortLost = false;
  int FSocket = -1;
  bool FUdpOpen = false;
  bool FUseUdp = false;
  // Every register record the write sends back came from this head (the handshake read them all).
  bool FRegistersRead = false;
  bool FConnecting = false;

  // The last datagram from the head and how far it has been read.
  std::vector<std::uint8_t> FUdpRxBuffer;
  std::size_t FUdpRxIndex = 0;

  // Pumps the message queue inside waits; by default the Qt event loop's pending events.
  std::function<void()> FProcessMessages;

  // Deadlines of the waits that the design left open.
  int FSendBusyWaitMs = 2000; // a second sender waits this long for the first
  int FPollReadMs = 2000;     // CheckDone and Identify read replies at most this long
  int FProbeMs = 100;         // the network head's identify probe
  int FUdpReadMs = 1000;      // one reply over UDP

protected:
  // The socket calls of the network link, kept apart so that a fuzz target can answer them
  // in-process. OpenSocket makes FSocket, connected to the head; CloseSocket closes it (false when
  // closing failed).
  virtual bool OpenSocket();
  virtual bool CloseSocket();
  virtual bool SendDatagram(const std::uint8_t *data, std::size_t count);
  // Waits up to timeoutMs, pumping the message queue, for the next datagram and stores it whole:
  // 1 when one came, 0 on a time-out or a cancel, -1 on a socket failure.
  virtual int TakeDatagram(std::vector<std::uint8_t> &datagram, int timeoutMs);
  // Drops the datagrams waiting now, without waiting.
  virtual void DropQueuedDatagrams();

private:
  friend class HeadWaitScope;
  void Pump();
  bool ProbeUdpHead();
  // UdpReceive without the recovery: -1 on a socket error.
  int ReadDatagram(std::uint8_t *dest, int count, int timeoutMs);
  bool SerialConnect();
  // Reads n bytes past a frame and drops them.
  void DropBytes(int n);
  void ReadAndProcess();
  void DropWaitingReplies();
  void LogBadFrame(const std::uint8_t *work);

  bool FCancelRequested = false;
  int FWaitDepth = 0;
};

// The rate estimate of one '!' report: d counter clicks in t milliseconds since the previous report.
// Only reports about a second apart (950 .. 1050 ms) count; the move's direction does not.
float NextStripCounterRate(float rate, std::int32_t d, std::uint32_t t);

// Keeps a wait cancellable: Cancel() is honoured until the outermost wait ends.
class HeadWaitScope {
public:
  explicit HeadWaitScope(tQor &link) : link_(link) { ++link_.FWaitDepth; }
  ~HeadWaitScope() {
    if (--link_.FWaitDepth == 0)
      link_.FCancelRequested = false;
  }
  HeadWaitScope(const HeadWaitScope &) = delete;
  HeadWaitScope &operator=(const HeadWaitScope &) = delete;

private:
  tQor &link_;
};

} // namespace calidarix
