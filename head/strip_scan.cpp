#include "head/strip_scan.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace calidarix {

TStripLineCount StripLineCountFor(const TStripRequest &request) {
  TStripLineCount out;
  const auto positiveFinite = [](double v) { return std::isfinite(v) && v > 0.0; };
  if (!positiveFinite(request.LineRate)) {
    out.Message =
        QStringLiteral("The camera's line rate is not known (%1 lines a second)").arg(request.LineRate);
    return out;
  }
  if (!positiveFinite(request.CounterRate)) {
    out.Message = QStringLiteral("The head's sweep rate is not known (%1 counts a millisecond)")
                      .arg(request.CounterRate);
    return out;
  }
  if (request.StripUp <= request.StripDown) {
    out.Message = QStringLiteral("The start elevation %1 is not above the end elevation %2")
                      .arg(request.StripUp)
                      .arg(request.StripDown);
    return out;
  }
  out.Rate = request.UdpLink ? request.CounterRate / 1.5 : request.CounterRate;
  const double sweep = (static_cast<double>(request.StripUp) - request.StripDown) * 256.0;
  out.SweepMs = sweep / out.Rate;
  const double lines = std::trunc(out.SweepMs / 1000.0 * request.LineRate * 1.02) + 1.0;
  const std::int32_t limit = kStripMaxRequestLines * (request.QuarterLines ? 4 : 1);
  if (!(lines <= limit)) {
    out.Count = limit;
    out.Capped = true;
  } else {
    out.Count = static_cast<std::int32_t>(lines);
  }
  out.Ok = true;
  return out;
}

std::int32_t RoundStripLineCount(std::int32_t count, std::int32_t interfaceType) {
  const std::int32_t multiple = interfaceType < 256 ? 6 : 4;
  return count / multiple * multiple;
}

std::int64_t StripWaitMs(double sweepMs, std::int64_t replyMs, std::int64_t marginMs) {
  const std::int64_t sweep = std::isfinite(sweepMs) && sweepMs > 0.0 ? TruncToInt64(std::ceil(sweepMs)) : 0;
  return sweep + replyMs + marginMs;
}

std::optional<TStripExtents> StripExtents(std::int32_t startVerRaw, std::int32_t endVerRaw,
                                          std::int32_t ratioVer, std::int32_t ratioVerTurns) {
  if (ratioVer <= 0 || ratioVerTurns <= 0)
    return std::nullopt;
  const double perClick = static_cast<double>(ratioVerTurns) / ratioVer * 64800.0;
  const std::int64_t vert =
      RoundToInt64((static_cast<double>(startVerRaw) - static_cast<double>(endVerRaw)) * perClick);
  const std::int64_t elevation =
      RoundToInt64((static_cast<double>(kRawCounterOffset) - static_cast<double>(endVerRaw)) * perClick);
  if (vert <= 0 || vert > std::numeric_limits<std::uint16_t>::max())
    return std::nullopt;
  // The lowest 16-bit value marks an elevation that is not set.
  if (elevation <= std::numeric_limits<std::int16_t>::min() ||
      elevation > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return TStripExtents{static_cast<std::uint16_t>(vert), static_cast<std::int16_t>(elevation)};
}

namespace {

enum class WaitResult { Reached, Cancelled, Ended, TimedOut };

// Runs `pass` and lets the event queue run until `reached` holds, Cancel is pressed, the scanning flag
// is cleared or limitMs have passed.
template <typename Reached, typename Pass>
WaitResult WaitFor(TStripActor &actor, std::int64_t limitMs, Reached reached, Pass pass) {
  const std::int64_t start = actor.NowMs();
  for (;;) {
    if (!actor.Scanning())
      return WaitResult::Ended;
    if (actor.CancelPressed())
      return WaitResult::Cancelled;
    if (reached())
      return WaitResult::Reached;
    if (actor.NowMs() - start > limitMs)
      return WaitResult::TimedOut;
    pass();
    actor.ProcessEvents();
  }
}

class Sequence {
public:
  Sequence(const TStripSetup &setup, TStripActor &actor) : s_(setup), a_(actor) {}

  TStripOutcome Run() {
    if (!a_.HeadIdentify()) {
      out_.End = TStripEnd::NoHead;
      out_.Message = QStringLiteral("Strip: the head does not answer");
      return out_;
    }
    // Armed: the acquisition thread latches its blind signals at step 0.
    out_.StopLine = 0;
    a_.SetStep(0);
    a_.SetScanning(true);
    a_.ShowProgress(99);
    a_.HeadPurge();
    a_.HeadSendVerTarget(s_.StripUp + (s_.UdpLink ? 8 : 0));

    // The head travels to the start; the bar runs down meanwhile. Cancel here leaves the head moving.
    int progress = 99;
    const double perPass =
        s_.StripUp != 0 && s_.CounterRate > 0.0 ? 7600.0 / s_.StripUp / s_.CounterRate : 0.0;
    const int step = std::max(0, RoundToInt32(perPass));
    if (!Passed(WaitFor(
                    a_, s_.WaitMs, [this] { return a_.HeadCheckDone(); },
                    [&] {
                      progress = std::max(0, progress - step);
                      a_.ShowProgress(progress);
                    }),
                QStringLiteral("the head reaching the start"), s_.WaitMs, false))
      return out_;

    // Line mode and the strip frame's length.
    a_.RequestCameraSpeed(0);
    speedRequested_ = true;
    out_.LineCount = RoundStripLineCount(s_.LineCount, s_.InterfaceType);
    a_.SetLineCount(out_.LineCount);
    a_.SetStep(1);

    if (!WaitStep(3, QStringLiteral("the strip frame request")))
      return out_;
    if (s_.UdpLink) {
      out_.HorRaw = a_.HeadHorCounter(false) + kRawCounterOffset;
      out_.VerRaw = s_.StripUp * 256 + kRawCounterOffset;
    } else {
      out_.HorRaw = a_.HeadHorCounter(true) + kRawCounterOffset;
      out_.VerRaw = a_.HeadVerCounter() + kRawCounterOffset;
    }
    a_.Log(QStringLiteral("Strip: By first string %1").arg(out_.VerRaw), false);
    out_.StartVerRaw = out_.VerRaw;

    // The sweep: lines arrive until the frame is complete or (serial) the head reports its end.
    if (!WaitStep(4, QStringLiteral("the start of the sweep")))
      return out_;
    std::optional<TStripReply> endReply;
    int shown = -1;
    if (!Passed(WaitFor(
                    a_, s_.WaitMs, [&] { return a_.Step() != 4 || endReply.has_value(); },
                    [&] {
                      const int percent = out_.LineCount > 0
                                              ? TruncToInt32(static_cast<double>(a_.ScanLineNumber()) /
                                                             out_.LineCount * 100.0)
                                              : 0;
                      if (percent != shown) {
                        shown = percent;
                        a_.ShowProgress(std::clamp(percent, 0, 100));
                      }
                      if (!s_.UdpLink)
                        if (const std::optional<TStripReply> r = a_.HeadReadReply(); r && r->Type == 'V')
                          endReply = r;
                    }),
                QStringLiteral("the end of the sweep"), s_.WaitMs, true))
      return out_;
    a_.ShowProgress(-1);

    if (s_.UdpLink) {
      out_.StopLine = out_.LineCount - 1;
      out_.VerRaw = s_.StripDown * 256 + kRawCounterOffset;
    } else if (endReply) {
      out_.StopLine = a_.ScanLineNumber();
      a_.Log(QStringLiteral("U1_Stopped by Head Vertical Count at Scan Line: %1").arg(out_.StopLine), true);
      out_.VerRaw = endReply->RawCounter;
    } else {
      out_.StopLine = 0;
      a_.HeadStop();
      a_.HeadStop();
      a_.Log(QStringLiteral("U1_Stopping strip by ScanLines end"), true);
    }
    out_.EndVerRaw = out_.VerRaw;

    if (!WaitStep(6, QStringLiteral("the blind step")))
      return out_;
    if (s_.UdpLink) {
      a_.StopScan();
      if (!Passed(WaitFor(
                      a_, s_.WaitMs, [this] { return !a_.ScanRunning(); }, [] {}),
                  QStringLiteral("the acquisition stopping"), s_.WaitMs, false))
        return out_;
    }

    if (out_.StopLine == 0) {
      // The frame ended by its count: ask the head where it stands now.
      a_.HeadSend(QorCmdRequestCountersRaw);
      if (!Reply('H', out_.HorRaw) || !Reply('V', out_.VerRaw))
        return out_;
      out_.EndVerRaw = out_.VerRaw;
      a_.HeadSend(QorCmdAutotrackOn);
      a_.HeadWaitDone(1000);
    }

    a_.HeadSend(QorCmdSetSpeedLimit(s_.HiSpeed));
    a_.HeadSendVerTarget(0);
    if (!s_.KeepOnStripping)
      a_.StopScan();
    out_.End = TStripEnd::Done;
    return out_;
  }

private:
  bool WaitStep(std::uint8_t step, const QString &what) {
    return Passed(WaitFor(
                      a_, s_.WaitMs, [&] { return a_.Step() >= step; }, [] {}),
                  what, s_.WaitMs, true);
  }

  // Reads replies until one of `type` arrives; its counter goes to `raw`.
  bool Reply(char type, std::int32_t &raw) {
    bool got = false;
    return Passed(WaitFor(
                      a_, s_.ReplyMs, [&] { return got; },
                      [&] {
                        if (const std::optional<TStripReply> r = a_.HeadReadReply(); r && r->Type == type) {
                          raw = r->RawCounter;
                          got = true;
                        }
                      }),
                  QStringLiteral("'%1' reply of the head").arg(QLatin1Char(type)), s_.ReplyMs, true);
  }

  // Ends the sequence unless the wait reached its goal. The head is stopped when the wait timed out, or
  // with `stopHead` whatever ended it.
  bool Passed(WaitResult result, const QString &what, std::int64_t limitMs, bool stopHead) {
    if (result == WaitResult::Reached)
      return true;
    switch (result) {
    case WaitResult::Cancelled:
      out_.End = TStripEnd::Cancelled;
      out_.Message = QStringLiteral("Strip cancelled while waiting for %1").arg(what);
      break;
    case WaitResult::Ended:
      out_.End = TStripEnd::Ended;
      out_.Message = QStringLiteral("Strip ended while waiting for %1").arg(what);
      break;
    default:
      out_.End = TStripEnd::TimedOut;
      out_.Message = QStringLiteral("Strip stopped: no %1 within %2 ms").arg(what).arg(limitMs);
      break;
    }
    a_.SetScanning(false);
    a_.ShowProgress(-1);
    if (stopHead || result == WaitResult::TimedOut)
      a_.HeadStop();
    if (speedRequested_)
      a_.RequestCameraSpeed(2);
    a_.Log(out_.Message, false);
    return false;
  }

  const TStripSetup &s_;
  TStripActor &a_;
  TStripOutcome out_;
  bool speedRequested_ = false;
};

} // namespace

TStripOutcome RunStripSequence(const TStripSetup &setup, TStripActor &actor) {
  return Sequence(setup, actor).Run();
}

} // namespace calidarix
