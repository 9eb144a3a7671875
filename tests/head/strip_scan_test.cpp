// Strip scanning: the line count and its refusals, the extents from the head counters, and the sequence
// driven by a scripted actor that plays the acquisition thread, the window's step handling and the
// head, on a clock that moves 10 ms per pass of the event queue.

#include "head/strip_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace calidarix {
namespace {

// ---- Line count ----

TEST(StripLineCount, SweepDurationTimesLineRateRoundedToTheCamerasMultiple) {
  struct Case {
    bool udp;
    std::int32_t count, type255, type256;
    double sweepMs;
  };
  const Case cases[] = {
      {false, 980, 978, 980, 16000.0}, // 128000 counts at 8 a ms: 16 s at 60 lines a second
      {true, 1469, 1464, 1468, 24000.0},
  };
  for (const Case &c : cases) {
    TStripRequest r;
    r.LineRate = 60.0;
    r.UdpLink = c.udp;
    const TStripLineCount n = StripLineCountFor(r);
    ASSERT_TRUE(n.Ok) << n.Message.toStdString();
    EXPECT_EQ(n.Count, c.count);
    EXPECT_DOUBLE_EQ(n.SweepMs, c.sweepMs);
    EXPECT_FALSE(n.Capped);
    EXPECT_EQ(RoundStripLineCount(n.Count, 255), c.type255);
    EXPECT_EQ(RoundStripLineCount(n.Count, 256), c.type256);
  }
}

TEST(StripLineCount, UnknownRatesAndASweepThatDoesNotGoDownAreRefused) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double lineRate, counterRate;
    std::int32_t up, down;
    const char *says;
  };
  const Case cases[] = {
      {0.0, 8.0, 250, -250, "line rate"},   {inf, 8.0, 250, -250, "line rate"},
      {nan, 8.0, 250, -250, "line rate"},   {-60.0, 8.0, 250, -250, "line rate"},
      {60.0, 0.0, 250, -250, "sweep rate"}, {60.0, inf, 250, -250, "sweep rate"},
      {60.0, 8.0, 100, 100, "not above"},   {60.0, 8.0, -250, 250, "not above"},
  };
  for (const Case &c : cases) {
    TStripRequest r;
    r.LineRate = c.lineRate;
    r.CounterRate = c.counterRate;
    r.StripUp = c.up;
    r.StripDown = c.down;
    const TStripLineCount n = StripLineCountFor(r);
    EXPECT_FALSE(n.Ok) << c.lineRate << " " << c.counterRate << " " << c.up << " " << c.down;
    EXPECT_TRUE(n.Message.contains(QString::fromLatin1(c.says))) << n.Message.toStdString();
    EXPECT_EQ(n.Count, 0);
  }
}

TEST(StripLineCount, AnOverlongStripIsCutToTheCamerasLimit) {
  struct Case {
    double lineRate;
    bool quarter;
    std::int32_t count;
  };
  const Case cases[] = {
      {600.0, false, 8191}, {600.0, true, 9793}, {6000.0, true, 4 * 8191}, {1e300, false, 8191}};
  for (const Case &c : cases) {
    TStripRequest r;
    r.LineRate = c.lineRate;
    r.QuarterLines = c.quarter;
    const TStripLineCount n = StripLineCountFor(r);
    ASSERT_TRUE(n.Ok);
    EXPECT_EQ(n.Count, c.count) << c.lineRate;
    EXPECT_EQ(n.Capped, c.count % 8191 == 0) << c.lineRate;
  }
}

TEST(StripLineCount, EachWaitGetsTheSweepTheReplyTimeOutAndAMargin) {
  EXPECT_EQ(StripWaitMs(16000.0), 20000);
  EXPECT_EQ(StripWaitMs(16000.2, 500, 100), 16601);
  EXPECT_EQ(StripWaitMs(std::numeric_limits<double>::infinity()), 4000);
}

// ---- Extents ----

TEST(StripExtents, VerticalExtentAndElevationFromTheRawCounters) {
  // 250 and -250 target units of a head whose 4 turns take 4049117 counts.
  const std::int32_t start = 250 * 256 + kRawCounterOffset;
  const std::int32_t end = -250 * 256 + kRawCounterOffset;
  const std::optional<TStripExtents> e = StripExtents(start, end, 4049117, 4);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->VertExtent, 8194); // 45.5 degrees
  EXPECT_EQ(e->Elevation, 4097);
  // The elevation counts downwards from the horizon: a strip that ends above it has a negative one.
  const std::optional<TStripExtents> high = StripExtents(start, 100 * 256 + kRawCounterOffset, 4049117, 4);
  ASSERT_TRUE(high);
  EXPECT_EQ(high->Elevation, -1639);
}

TEST(StripExtents, NoExtentsWithoutARatioForAnUpwardSweepOrBeyondTheHeader) {
  const std::int32_t up = 250 * 256 + kRawCounterOffset;
  const std::int32_t down = -250 * 256 + kRawCounterOffset;
  EXPECT_FALSE(StripExtents(up, down, 0, 4));
  EXPECT_FALSE(StripExtents(up, down, 4049117, 0));
  EXPECT_FALSE(StripExtents(down, up, 4049117, 4));
  EXPECT_FALSE(StripExtents(up, up, 4049117, 4));
  EXPECT_FALSE(StripExtents(up, down, 4000, 4)); // far more than a turn
}

// ---- The sequence ----

constexpr std::int32_t kUp = 250 * 256;    // the head's counter at the start
constexpr std::int32_t kDown = -250 * 256; // ... and at the end

// Plays everybody the sequence waits for. Each pass of the event queue moves the clock by 10 ms and
// advances the acquisition thread and the window as they would: steps 1 -> 2 -> 3 between frames, 3 ->
// 4 on the head's step message, 60 lines a second during the sweep, 5 -> 6 when the blinds are done.
// A stage listed in `stall` never happens.
class ScriptedStrip : public TStripActor {
public:
  std::int64_t now = 0;
  std::int64_t doneAtMs = 300; // the head reaches the start
  std::uint8_t step = 0;
  bool scanning = false;
  bool scanRunning = true;
  bool identify = true;
  std::int32_t lineCount = 0;
  std::int32_t line = 0;
  std::int32_t vReplyAtLine = -1; // the serial head reports the end of its travel at this line
  std::uint8_t stall = 0;         // a step the script never reaches
  bool stallH = false, stallV = false;
  std::int64_t cancelAtMs = -1;
  std::int64_t endAtMs = -1; // the scanning flag is cleared from outside
  std::int32_t stopScans = 0;
  bool stubbornScan = false; // the acquisition does not stop when asked
  std::vector<std::uint8_t> speeds;
  std::vector<std::string> sent; // head commands, and "Stop", "Ver n", "Purge"
  std::vector<int> progress;
  std::vector<QString> log;
  std::deque<TStripReply> replies;

  std::int64_t NowMs() override { return now; }
  void ProcessEvents() override {
    now += 10;
    if (cancelAtMs >= 0 && now >= cancelAtMs)
      cancel = true;
    if (endAtMs >= 0 && now >= endAtMs)
      scanning = false;
    const auto advance = [&](std::uint8_t from) {
      if (step == from && stall != from + 1)
        ++step;
    };
    switch (step) {
    case 1:
    case 2:
      advance(step);
      break;
    case 3:
      advance(3);
      break;
    case 4:
      if (now % 1000 == 0)
        line += 60;
      if (vReplyAtLine >= 0 && line >= vReplyAtLine && stall != 5)
        replies.push_back({'V', kDown + kRawCounterOffset});
      if (line >= lineCount)
        advance(4);
      break;
    case 5:
      advance(5);
      break;
    default:
      break;
    }
  }
  bool CancelPressed() override { return cancel; }
  void ShowProgress(int percent) override { progress.push_back(percent); }
  std::uint8_t Step() override { return step; }
  void SetStep(std::uint8_t s) override { step = s; }
  bool Scanning() override { return scanning; }
  void SetScanning(bool on) override { scanning = on; }
  void SetLineCount(std::int32_t lines) override { lineCount = lines; }
  void RequestCameraSpeed(std::uint8_t speed) override { speeds.push_back(speed); }
  std::int32_t ScanLineNumber() override { return line; }
  bool ScanRunning() override { return scanRunning; }
  void StopScan() override {
    ++stopScans;
    scanRunning = stubbornScan;
  }
  bool HeadIdentify() override { return identify; }
  void HeadPurge() override { sent.push_back("Purge"); }
  void HeadSendVerTarget(std::int32_t target) override { sent.push_back("Ver " + std::to_string(target)); }
  void HeadSend(const QorCommand &command) override {
    sent.push_back(command.substr(0, 6));
    if (command == QorCmdRequestCountersRaw) {
      if (!stallH)
        replies.push_back({'H', 0x123456});
      if (!stallV)
        replies.push_back({'V', kDown - 512 + kRawCounterOffset});
    }
  }
  bool HeadCheckDone() override { return now >= doneAtMs; }
  std::int32_t HeadHorCounter(bool request) override {
    if (request)
      sent.push_back("Counters");
    return 0x1000;
  }
  std::int32_t HeadVerCounter() override { return kUp; }
  std::optional<TStripReply> HeadReadReply() override {
    if (replies.empty())
      return std::nullopt;
    const TStripReply r = replies.front();
    replies.pop_front();
    return r;
  }
  void HeadStop() override { sent.push_back("Stop"); }
  bool HeadWaitDone(int) override { return true; }
  void Log(const QString &line, bool) override { log.push_back(line); }

  int Count(const std::string &what) const {
    return static_cast<int>(std::count(sent.begin(), sent.end(), what));
  }

private:
  bool cancel = false;
};

TStripSetup StripOf(bool udp = false) {
  TStripRequest r;
  r.LineRate = 60.0;
  r.UdpLink = udp;
  const TStripLineCount n = StripLineCountFor(r);
  TStripSetup s;
  s.LineCount = n.Count;
  s.InterfaceType = 64;
  s.UdpLink = udp;
  s.WaitMs = StripWaitMs(n.SweepMs);
  return s;
}

TEST(StripSequence, ASerialStripEndedByItsLineCountTakesTheEndFromTheHeadsCounters) {
  ScriptedStrip a;
  const TStripOutcome out = RunStripSequence(StripOf(), a);
  ASSERT_EQ(out.End, TStripEnd::Done) << out.Message.toStdString();
  EXPECT_EQ(out.LineCount, 978);
  EXPECT_EQ(a.lineCount, 978);
  EXPECT_EQ(out.StopLine, 0);
  EXPECT_EQ(out.Lines(), 978);
  EXPECT_EQ(out.StartVerRaw, kUp + kRawCounterOffset);
  EXPECT_EQ(out.HorRaw, 0x123456);
  EXPECT_EQ(out.EndVerRaw, kDown - 512 + kRawCounterOffset);
  EXPECT_EQ(out.VerRaw, out.EndVerRaw);
  const std::optional<TStripExtents> e = StripExtents(out.StartVerRaw, out.EndVerRaw, 4049117, 4);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->VertExtent, 8227);
  // The sweep took about as long as the line count says.
  EXPECT_GE(a.now, 16000);
  EXPECT_LT(a.now, 18000);
  EXPECT_EQ(a.speeds, std::vector<std::uint8_t>{0});
  const std::vector<std::string> expected{"Purge",  "Ver 250", "Counters", "Stop", "Stop",
                                          "$RChvn", "$TASnn",  "$XSLmt",   "Ver 0"};
  EXPECT_EQ(a.sent, expected);
  EXPECT_EQ(a.stopScans, 1);
  EXPECT_TRUE(a.scanning); // the next frame ends the sequence
  EXPECT_EQ(a.progress.front(), 99);
  EXPECT_EQ(a.progress.back(), -1);
}

TEST(StripSequence, TheHeadsEndOfTravelStopsASerialStripAtItsLine) {
  ScriptedStrip a;
  a.vReplyAtLine = 600;
  TStripSetup s = StripOf();
  s.KeepOnStripping = true;
  const TStripOutcome out = RunStripSequence(s, a);
  ASSERT_EQ(out.End, TStripEnd::Done) << out.Message.toStdString();
  EXPECT_EQ(out.StopLine, 600);
  EXPECT_EQ(out.Lines(), 600);
  EXPECT_EQ(out.EndVerRaw, kDown + kRawCounterOffset);
  EXPECT_EQ(a.Count("$RChvn"), 0);
  EXPECT_EQ(a.Count("Stop"), 0);
  EXPECT_EQ(a.stopScans, 0); // kept running for the next strip
  EXPECT_EQ(a.log.back(), "U1_Stopped by Head Vertical Count at Scan Line: 600");
}

TEST(StripSequence, ANetworkHeadsStripTakesItsEndsFromTheTargetsAndStopsTheAcquisition) {
  ScriptedStrip a;
  const TStripOutcome out = RunStripSequence(StripOf(true), a);
  ASSERT_EQ(out.End, TStripEnd::Done) << out.Message.toStdString();
  EXPECT_EQ(out.LineCount, 1464);
  EXPECT_EQ(out.StopLine, 1463);
  EXPECT_EQ(out.StartVerRaw, kUp + kRawCounterOffset);
  EXPECT_EQ(out.EndVerRaw, kDown + kRawCounterOffset);
  EXPECT_EQ(out.HorRaw, 0x1000 + kRawCounterOffset);
  EXPECT_EQ(a.Count("Ver 258"), 1); // the start target 8 units higher
  EXPECT_EQ(a.Count("Counters"), 0);
  EXPECT_EQ(a.stopScans, 2);
  EXPECT_FALSE(a.scanRunning);
}

TEST(StripSequence, EveryWaitEndsAtItsDeadline) {
  struct Case {
    const char *stage;
    std::function<void(ScriptedStrip &)> stall;
    bool udp;
    std::int64_t limitMs;
  };
  const std::int64_t wait = StripOf().WaitMs;
  const Case cases[] = {
      {"the head reaching the start", [](ScriptedStrip &a) { a.doneAtMs = 1 << 30; }, false, wait},
      {"the strip frame request", [](ScriptedStrip &a) { a.stall = 3; }, false, wait},
      {"the start of the sweep", [](ScriptedStrip &a) { a.stall = 4; }, false, wait},
      {"the end of the sweep", [](ScriptedStrip &a) { a.stall = 5; }, false, wait},
      {"the blind step", [](ScriptedStrip &a) { a.stall = 6; }, false, wait},
      {"the acquisition stopping", [](ScriptedStrip &a) { a.stubbornScan = true; }, true, StripOf(true).WaitMs},
      {"'H' reply", [](ScriptedStrip &a) { a.stallH = true; }, false, kStripReplyMs},
      {"'V' reply", [](ScriptedStrip &a) { a.stallV = true; }, false, kStripReplyMs},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.stage);
    ScriptedStrip a;
    c.stall(a);
    const TStripOutcome out = RunStripSequence(StripOf(c.udp), a);
    EXPECT_EQ(out.End, TStripEnd::TimedOut);
    EXPECT_TRUE(out.Message.contains(QString::fromLatin1(c.stage))) << out.Message.toStdString();
    EXPECT_TRUE(out.Message.contains(QString::number(c.limitMs))) << out.Message.toStdString();
    EXPECT_FALSE(a.scanning);
    EXPECT_GE(a.Count("Stop"), 1); // a head that may still move is stopped
    EXPECT_EQ(a.Count("$XSLmt"), 0);
    EXPECT_EQ(a.progress.back(), -1);
    // The wait that stalled lasted its whole deadline, and not much more.
    EXPECT_GT(a.now, c.limitMs);
  }
}

TEST(StripSequence, CancelEndsEveryWaitWithoutSaving) {
  struct Case {
    std::int64_t atMs;
    bool headStopped; // moving to the start, the head is left to arrive
    std::vector<std::uint8_t> speeds;
  };
  const Case cases[] = {
      {100, false, {}}, {5000, true, {0, 2}}, // mid-sweep: the camera goes back to frames
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.atMs);
    ScriptedStrip a;
    a.cancelAtMs = c.atMs;
    const TStripOutcome out = RunStripSequence(StripOf(), a);
    EXPECT_EQ(out.End, TStripEnd::Cancelled);
    EXPECT_FALSE(a.scanning);
    EXPECT_EQ(a.Count("Stop") > 0, c.headStopped);
    EXPECT_EQ(a.speeds, c.speeds);
    EXPECT_LT(a.now, c.atMs + 50);
  }
}

TEST(StripSequence, AScanningFlagClearedFromOutsideEndsTheSequence) {
  ScriptedStrip a;
  a.endAtMs = 8000;
  const TStripOutcome out = RunStripSequence(StripOf(), a);
  EXPECT_EQ(out.End, TStripEnd::Ended);
  EXPECT_TRUE(out.Message.contains("the end of the sweep")) << out.Message.toStdString();
  EXPECT_LT(a.now, 8050);
  EXPECT_EQ(a.Count("$XSLmt"), 0);
}

TEST(StripSequence, AHeadThatDoesNotIdentifyStartsNothing) {
  ScriptedStrip a;
  a.identify = false;
  const TStripOutcome out = RunStripSequence(StripOf(), a);
  EXPECT_EQ(out.End, TStripEnd::NoHead);
  EXPECT_FALSE(a.scanning);
  EXPECT_TRUE(a.sent.empty());
  EXPECT_EQ(a.now, 0);
}

} // namespace
} // namespace calidarix
