// The head link's commands: the handshake that identifies the head and reads its registers, tracking,
// counters, the replies and what they change, motion done, and the register write.

#include "head/head_globals.h"
#include "head/head_link.h"

#include <QDate>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace calidarix {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::int32_t kVerCounterFloor = -300000; // below: a garbled 'V' reply
constexpr int kNoReplyLimit = 55;
constexpr int kAutotrackSettleMs = 500;
constexpr int kRegisterWritePauseMs = 100;
constexpr int kIdentityTries = 4;

bool IsIdentity(const std::array<std::uint8_t, 8> &frame) {
  return std::memcmp(frame.data(), "$Qor", 4) == 0;
}

} // namespace

float NextStripCounterRate(float rate, std::int32_t d, std::uint32_t t) {
  if (t < 950 || t > 1050)
    return rate;
  // The head may sweep up or down; the rate is a speed, so the direction is dropped.
  const float sample = static_cast<float>(std::abs(static_cast<double>(d)) / t);
  return rate == 0.0f ? sample : (3.0f * rate + sample) / 4.0f;
}

void tQor::ReadAndProcess() {
  if (ReceiveFrame())
    ProcessReply();
}

bool tQor::ReadQorValues() {
  HeadWaitScope scope(*this);
  FRegistersRead = false;
  // Answers to earlier requests would be read as the records; they are dropped first.
  DropWaitingReplies();
  SendCommand(QorCmdIdentify, false);
  FFrameLength = 8;
  // A reply still on its way from before is passed over; a few frames, then the identity must come.
  for (int frame = 0; frame < kIdentityTries; ++frame) {
    ReceiveFrame();
    if (FNoData || IsIdentity(FRxFrame))
      break;
  }
  // No answer, or answers that are not a head's identity: this is not the head.
  if (FNoData || !IsIdentity(FRxFrame)) {
    if (!FUseUdp && FComm) {
      FComm->ClosePort();
      FConnected = false;
    }
    return false;
  }
  const char type = static_cast<char>(FRxFrame[4]);
  if (type != 'A') {
    FFrameLength = 9;
    DropBytes(1);
    if (type == 'M')
      StripCounterRate = 3.2f;
    else if (type == 'S')
      StripCounterRate = 5.7f;
  }

  SendCommand(QorCmdReadAllRegisters, false);
  bool recordA = false;
  bool recordI = false;
  bool allRecords = true;
  for (char letter = 'A'; letter <= 'I'; ++letter) {
    ReceiveFrame();
    bool applied = false;
    if (FRxFrame[1] == 'W' && FRxFrame[2] == static_cast<std::uint8_t>(letter)) {
      applied = true;
      if (letter == 'A')
        FHorCounter = DecodeQorCounter(FRxFrame.data() + 4);
      else if (letter == 'B')
        FVerCounter = DecodeQorCounter(FRxFrame.data() + 4);
      else
        ApplyRegisterRecord(FRxFrame.data(), letter, *this);
      if (letter == 'H')
        FFrameLength = FQorType == 'A' ? 8 : 9;
    }
    if (letter == 'A')
      recordA = applied;
    if (letter == 'I')
      recordI = applied;
    allRecords = allRecords && applied;
  }
  HeadLog(QStringLiteral("Qor ") + (FQorType != 0 ? QString(QLatin1Char(FQorType)) : QString()) +
          QLatin1Char(' ') + QString::fromLatin1(FQorVersion.c_str()) + QLatin1Char(' ') +
          QString::number(FQorSerial));
  ReceiveFrame();
  ApplyRegisterRecord(FRxFrame.data(), 'J', *this);
  ReceiveFrame();

  SendCommand(QorCmdReadRegister(kQorRegMotoSeconds), false);
  ReceiveFrame();
  ApplyRegisterReply(FRxFrame.data(), kQorRegMotoSeconds, *this);
  SendCommand(QorCmdReadRegister(kQorRegProgrammedDate), false);
  ReceiveFrame();
  ApplyRegisterReply(FRxFrame.data(), kQorRegProgrammedDate, *this);
  FRxFrame.fill(0);

  SendCommand(QorCmdAutotrackOn, false);
  const bool ok = recordA && recordI;
  // Only registers that all came from this head may be written back to it.
  FRegistersRead = ok && allRecords;
  return ok;
}

bool tQor::Identify() {
  HeadWaitScope scope(*this);
  bool identified = false;
  int emptyPasses = 0;
  while (!identified && emptyPasses < 2 && !FCancelRequested) {
    SendCommand(QorCmdIdentify, true);
    const Clock::time_point deadline = Clock::now() + milliseconds(FPollReadMs);
    bool emptied = false;
    for (;;) {
      const bool got = ReceiveFrame();
      Pump();
      if (!got) {
        emptied = true;
        break;
      }
      if (IsIdentity(FRxFrame)) {
        identified = true;
        break;
      }
      if (FCancelRequested || Clock::now() >= deadline)
        break;
    }
    // A head that talks without ever identifying itself counts like one that is silent.
    if (!identified) {
      ++emptyPasses;
      if (emptied && !FUseUdp && FComm)
        FComm->PurgeRx();
    }
  }
  return identified;
}

void tQor::SetTrackingMode(std::uint8_t mode) {
  if (!FConnected || mode == FTrackingMode)
    return;
  if (mode == 0) {
    SendCommand(QorCmdAutotrackOn, true);
    std::this_thread::sleep_for(milliseconds(kAutotrackSettleMs));
  } else if (mode == 3) {
    SendCommand(QorCmdAutotrackOff, true);
  }
  FTrackingMode = mode;
}

void tQor::ResetHead() {
  SendCommand(QorCmdReset, true);
  FTrackingMode = 3;
}

void tQor::StopHead() {
  SendCommand(QorCmdStop, true);
  FTrackingMode = 3;
}

void tQor::TrackTo(std::int32_t hor, std::int32_t ver) {
  if (!FConnected)
    return;
  if (FTrackingMode != 0)
    SetTrackingMode(0);
  PurgeInput();
  if (!FUseUdp && FComm && FComm->InQueue() >= 9)
    ReadAndProcess();
  SendCommand(QorCmdTrackVer(ver), true);
  SendCommand(QorCmdTrackHor(hor), true);
  HeadLog(QString::asprintf("Track to %d %d", hor, ver));
  FDone = false;
  FDoneAcknowledged = false;
}

void tQor::TrackToTargets() {
  if (!FConnected)
    return;
  if (FTrackingMode != 0)
    SetTrackingMode(0);
  SendCommand(QorCmdTrackVer(FVerTarget), true);
  SendCommand(QorCmdTrackHor(FHorTarget), true);
  HeadLog(QString::asprintf("Track to %d %d", FHorTarget, FVerTarget));
  FDone = false;
  FDoneAcknowledged = false;
}

void tQor::SendHorTarget(std::int32_t value) {
  if (!FConnected)
    return;
  if (FTrackingMode != 0)
    SetTrackingMode(0);
  PurgeInput();
  if (!FUseUdp && FComm && FComm->InQueue() >= 9)
    ReadAndProcess();
  SendCommand(QorCmdTrackHor(value), true);
  FDone = false;
  FDoneAcknowledged = false;
}

void tQor::SendVerTarget(std::int32_t value) {
  if (!FConnected)
    return;
  if (FTrackingMode != 0)
    SetTrackingMode(0);
  PurgeInput();
  if (!FUseUdp && FComm && FComm->InQueue() >= 9)
    ReadAndProcess();
  SendCommand(QorCmdTrackVer(value), true);
  FDone = false;
  FDoneAcknowledged = false;
}

void tQor::RequestCounters(bool extras) {
  if (!FConnected)
    return;
  HeadWaitScope scope(*this);
  QorHorCounterSeen = false;
  QorCountersComplete = false;
  int attemptsLeft = 5;
  do {
    ReadAndProcess();
    SendCommand(QorCmdRequestCounters, true);
    HeadLog(QString::asprintf("Counters Rqst #%d attempt", attemptsLeft - 4));
    ReadAndProcess();
    ReadAndProcess();
    if (attemptsLeft < 5 && HeadLoggingOn())
      HeadLog(QStringLiteral("Counters ReRequested #_") + QString::number(5 - attemptsLeft));
    --attemptsLeft;
    Pump();
  } while (!QorCountersComplete && attemptsLeft > 0 && FConnected && !FCancelRequested);
  if (extras && FConnected && !FCancelRequested) {
    SendCommand(QorCmdRequestSpeeds, true);
    ReadAndProcess();
    SendCommand(QorCmdRequestValues, true);
    ReadAndProcess();
    SendCommand(QorCmdRequestStatus, true);
    ReadAndProcess();
  }
  if (!FUseUdp && FComm && FComm->InQueue() >= 9)
    ReadAndProcess();
}

void tQor::ProcessReply() {
  // Nested reads (a done reply requests the counters) overwrite FRxFrame: work on a copy.
  const std::array<std::uint8_t, 8> frame = FRxFrame;
  switch (frame[1]) {
  case 'S':
    FHorSpeed = QorSpeedFromReply(frame[2]);
    FVerSpeed = QorSpeedFromReply(frame[3]);
    FSpeedBytes = {frame[5], frame[6]};
    break;
  case 'H':
    FHorCounter = DecodeQorCounter(frame.data() + 4);
    QorHorCounterSeen = true;
    HeadLog(QString::asprintf("Hor Updated %d", FHorCounter));
    break;
  case '!': {
    FVerCounter = DecodeQorCounter(frame.data() + 4);
    const std::uint32_t tick = HeadTickCount();
    const std::int32_t d = FVerCounter - QorLastReportCounter;
    const std::uint32_t t = tick - QorLastReportTick;
    QorLastReportCounter = FVerCounter;
    QorLastReportTick = tick;
    StripCounterRate = NextStripCounterRate(StripCounterRate, d, t);
    break;
  }
  case 'V':
    FVerCounter = DecodeQorCounter(frame.data() + 4);
    if (FVerCounter >= kVerCounterFloor) {
      if (QorHorCounterSeen)
        QorCountersComplete = true;
    } else if (HeadLoggingOn()) {
      HeadLog(QStringLiteral("!!!!!!Vertical Counter:") + QString::number(FVerCounter) +
              QStringLiteral("  rcvd:") + RxFrameText() + QStringLiteral("   ") + QorLastFrameDump);
    }
    HeadLog(QString::asprintf("Ver Updated %d", FVerCounter));
    break;
  case 'W':
    FStatus1 = frame[4];
    if ((FStatus1 & 0x02) != 0)
      FNoReplyCount = 0;
    FTrackingMode = (FStatus1 & 0x01) != 0 ? 0 : 3;
    FStatus2 = frame[5];
    FRefVolts = frame[3];
    if (FStatus1 == 1 && !FDone) {
      FDone = true;
      RequestCounters(false);
      HeadLog(QStringLiteral("done rcvd by Register flag"));
    }
    break;
  case 'd':
    if (std::memcmp(frame.data(), "$doneOk\r", 8) == 0 && !FDone) {
      FDone = true;
      RequestCounters(false);
      if (HeadLoggingOn())
        HeadLog(QStringLiteral("done rcvd by $doneOk ") + QString::number(FRefVolts) +
                QStringLiteral(" ref volts"));
    }
    break;
  case 'E':
  case 'L':
    break;
  default:
    return; // another kind of frame stays for the caller
  }
  FRxFrame.fill(0);
}

bool tQor::CheckDone() {
  HeadWaitScope scope(*this);
  HeadLog(QStringLiteral("CheckDone in"));
  if (FPortLost) {
    if (FOnPortLost)
      FOnPortLost(*this);
    HeadLog(QStringLiteral("port lost"));
    return false;
  }
  if (!FConnected) {
    Reinit();
    HeadLog(FConnected ? QStringLiteral("Reinitialized Ok") : QStringLiteral("not Reinitialized"));
    FPortLost = !FConnected;
  }
  bool result = FDone && !FDoneAcknowledged;
  if (result)
    FDoneAcknowledged = true;
  if (FDone)
    return result;

  bool lackOfData = false;
  const Clock::time_point deadline = Clock::now() + milliseconds(FPollReadMs);
  for (;;) {
    const bool got = ReceiveFrame();
    if (got)
      ProcessReply();
    Pump();
    if (!got) {
      lackOfData = true;
      break;
    }
    if (FDone || FCancelRequested || Clock::now() >= deadline)
      break;
  }
  if (lackOfData) {
    HeadLog(QStringLiteral("CheckDone by IsZeroesRcvd"));
    // Only the poll that reaches the limit marks the link down; the next poll reconnects.
    if (++FNoReplyCount == kNoReplyLimit) {
      FConnected = false;
      if (HeadLoggingOn())
        HeadLog(QStringLiteral("Qor.Err.002 No Response"));
    }
  } else {
    FNoReplyCount = 0;
    result = FDone && !FDoneAcknowledged;
    if (result)
      FDoneAcknowledged = true;
  }
  SendCommand(QorCmdRequestValues, true);
  if (FTrackingMode != 0 && HeadLoggingOn())
    HeadLog(QStringLiteral("AutoTracking mode rerequested"));
  HeadLog(QStringLiteral("CheckDone out"));
  return result;
}

bool tQor::WaitDone(int timeoutMs) {
  HeadWaitScope scope(*this);
  const Clock::time_point start = Clock::now();
  const auto overdue = [&] { return Clock::now() - start > milliseconds(timeoutMs); };
  // A done already reported belongs to an earlier motion: it is let go, so that the next one can count.
  if (FDone && FDoneAcknowledged) {
    FDone = false;
    FDoneAcknowledged = false;
  }
  // Replies that wait are handled first. A track command clears the done flags when it is sent, so a
  // done among these belongs to the motion sent last and is kept, not wiped.
  while (!FDone && !FCancelRequested && FConnected && !overdue()) {
    const bool got = ReceiveFrame();
    if (got)
      ProcessReply();
    Pump();
    if (!got)
      break;
  }
  while (!FDone && !FCancelRequested && FConnected) {
    ReadAndProcess();
    Pump();
    if (timeoutMs < 0 || overdue())
      break;
  }
  const bool result = FDone && !FDoneAcknowledged;
  if (result)
    FDoneAcknowledged = true;
  return result;
}

bool tQor::WriteQorValues() {
  if (!Connect())
    return false;
  if (!FRegistersRead) {
    HeadLog(QStringLiteral("Qor registers were not read from this head: nothing written"));
    return false;
  }
  const QString problem = CheckRegisterValues(*this);
  if (!problem.isEmpty()) {
    HeadLog(QStringLiteral("Qor registers not written: ") + problem);
    return false;
  }
  const std::uint32_t today = QorDayNumber(QDate::currentDate());
  for (std::uint8_t reg : kQorWriteRegisters) {
    SendCommand(QorCmdWriteRegister(reg, RegisterWriteData(*this, reg, today)), true);
    std::this_thread::sleep_for(milliseconds(kRegisterWritePauseMs));
  }
  SendCommand(QorCmdRestart, true);
  return FConnected;
}

} // namespace calidarix
