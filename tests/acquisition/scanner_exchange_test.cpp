// The calibration form's exchange without its window: the live bars and their timer, Connect over
// the simulated USB camera and over a network link, Read, Write and Write-short, and what is refused.

#include "acquisition/camera_ini.h"
#include "acquisition/scanner_exchange.h"
#include "platform/inifile.h"
#include "tests/sim/usb_camera_simulator.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <deque>

namespace calidarix {
namespace {

// The thread object's network link as a script: what was sent, and the replies to hand out.
struct ScriptedLan : TCameraCommandLink {
  bool Connected() const override { return connected; }
  bool Send(std::span<const std::uint8_t> block) override {
    if (!connected)
      return false;
    sent.emplace_back(block.begin(), block.end());
    return true;
  }
  std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int timeoutMs) override {
    capacities.push_back(buffer.size());
    timeouts.push_back(timeoutMs);
    if (!connected || replies.empty())
      return std::nullopt;
    std::vector<std::uint8_t> reply = std::move(replies.front());
    replies.pop_front();
    const std::size_t n = std::min(reply.size(), buffer.size());
    std::copy_n(reply.begin(), n, buffer.begin());
    return n;
  }
  void Pause(int) override {}

  bool connected = false;
  std::vector<std::vector<std::uint8_t>> sent;
  std::deque<std::vector<std::uint8_t>> replies;
  std::vector<std::size_t> capacities;
  std::vector<int> timeouts;
};

struct FakeLanHost : TExchangeLanHost {
  TCameraCommandLink *LanLink() override { return link.get(); }
  TCameraCommandLink *EnsureLanLink(const std::string &address) override {
    if (!link) {
      link = std::make_unique<ScriptedLan>();
      link->replies = std::move(firstReplies);
      ++created;
    }
    if (!link->connected && reachable) {
      link->connected = true;
      addresses.push_back(address);
    }
    return link.get();
  }
  std::unique_ptr<ScriptedLan> link;
  std::deque<std::vector<std::uint8_t>> firstReplies; // what the camera answers once the link exists
  bool reachable = true;
  int created = 0;
  std::vector<std::string> addresses;
};

std::vector<std::uint8_t> LiveReply(TLiveValues v, std::size_t size = 64) {
  std::vector<std::uint8_t> r(size, 0);
  const std::uint8_t values[] = {v.Speed, v.Resonans, v.Amplitude, v.UKadr1, v.UKadr2, v.UKadr3};
  std::copy(std::begin(values), std::begin(values) + std::min<std::size_t>(6, size), r.begin());
  return r;
}

struct ExchangeRig {
  TScanUnit unit;
  TScanRequests requests;
  FakeLanHost host;
  TScannerExchange exchange{unit, requests, &host, nullptr};
  ExchangeRig() {
    unit.CameraInterfaceType = CamIfLan2;
    unit.CameraIP = "127.0.0.1";
  }
  ScriptedLan &Link() { return *host.link; }
  void ConnectWith(TLiveValues reply) {
    host.firstReplies.push_back(LiveReply(reply));
    exchange.Connect(true);
  }
};

struct UsbRig {
  TScanUnit unit;
  TScanRequests requests;
  std::shared_ptr<sim::UsbCameraSimulator> camera = std::make_shared<sim::UsbCameraSimulator>();
  TScannerExchange exchange{unit, requests, nullptr, camera};
  UsbRig() {
    unit.CameraInterfaceType = CamIfUsb;
    exchange.UsbSleep = [](int) {};
  }
};

TEST(ScannerExchange, MovingAFrameValueSendsOneBlockWithTheLatestValues) {
  ExchangeRig rig;
  rig.ConnectWith({1, 100, 120, 30, 40, 50});
  ASSERT_TRUE(rig.exchange.Connected);
  rig.Link().sent.clear();

  rig.exchange.LiveBarChanged(TLiveBar::UKadr2, 139);
  rig.exchange.LiveBarChanged(TLiveBar::UKadr2, 140); // within the same 100 ms
  EXPECT_TRUE(rig.exchange.TimerOn);
  EXPECT_EQ(rig.exchange.Live.Speed, 2); // the speed the value belongs to
  EXPECT_TRUE(rig.Link().sent.empty());
  EXPECT_EQ(rig.exchange.TimerTick(), TExchangeOutcome::Done);
  EXPECT_FALSE(rig.exchange.TimerOn);
  ASSERT_EQ(rig.Link().sent.size(), 1u);
  std::vector<std::uint8_t> expected(64, 0);
  const std::uint8_t head[] = {2, 6, 2, 100, 120, 30, 140, 50};
  std::copy(std::begin(head), std::end(head), expected.begin());
  EXPECT_EQ(rig.Link().sent[0], expected);
}

TEST(ScannerExchange, OnlyTheMechanismValuesCountAsChangedAndAreSavedOnce) {
  ExchangeRig rig;
  rig.ConnectWith({1, 100, 120, 30, 40, 50});
  rig.exchange.LiveValuesChanged = false;
  rig.exchange.LiveBarChanged(TLiveBar::Speed, 3);
  EXPECT_FALSE(rig.exchange.LiveValuesChanged);
  EXPECT_TRUE(rig.exchange.TimerOn);
  rig.exchange.LiveBarChanged(TLiveBar::Resonans, 101);
  EXPECT_TRUE(rig.exchange.LiveValuesChanged);

  test::TempDir dir;
  IniFile ini(dir.file("Calidarix.ini"));
  ASSERT_TRUE(SaveParamsData(&ini, rig.unit, rig.exchange.Live, rig.exchange.LiveValuesChanged));
  EXPECT_EQ(ini.ReadInteger(kSetupSection, "Resonans", -1), 101);
  EXPECT_EQ(ini.ReadInteger(kSetupSection, "UKadr2", -1), 40);
  EXPECT_FALSE(rig.exchange.LiveValuesChanged);
  ini.DeleteKey(kSetupSection, "Resonans");
  ASSERT_TRUE(SaveParamsData(&ini, rig.unit, rig.exchange.Live, rig.exchange.LiveValuesChanged));
  EXPECT_FALSE(ini.ValueExists(kSetupSection, "Resonans")); // written once
}

TEST(ScannerExchange, LanConnectMakesTheLinkOnceAndReadsTheLiveValues) {
  ExchangeRig rig;
  EXPECT_FALSE(rig.exchange.LiveControlsEnabled);
  // Connect makes the thread object and opens its link.
  rig.host.firstReplies.push_back(LiveReply({2, 11, 12, 13, 14, 15}));
  rig.exchange.Connect(true);
  EXPECT_TRUE(rig.exchange.Connected);
  EXPECT_TRUE(rig.exchange.LiveControlsEnabled);
  EXPECT_FALSE(rig.exchange.AutoSave);
  EXPECT_EQ(rig.host.addresses, (std::vector<std::string>{"127.0.0.1"}));
  EXPECT_EQ(rig.exchange.Live, (TLiveValues{2, 11, 12, 13, 14, 15}));
  // The values from the camera are not sent back, and nothing the thread reads was raised.
  EXPECT_FALSE(rig.exchange.TimerOn);
  EXPECT_FALSE(rig.requests.ScanRunning.Get());
  ASSERT_EQ(rig.Link().sent.size(), 1u);
  EXPECT_EQ(rig.Link().sent[0].size(), 64u);
  EXPECT_EQ(rig.Link().sent[0][0], 3);
  EXPECT_EQ(rig.Link().sent[0][1], 6);
  EXPECT_EQ(rig.Link().capacities, (std::vector<std::size_t>{kLiveReplyCapacity}));
  EXPECT_EQ(rig.Link().timeouts, (std::vector<int>{kLiveReplyTimeoutMs}));

  // A second Connect reuses the object and its open link and reads again.
  rig.Link().replies.push_back(LiveReply({0, 21, 22, 23, 24, 25}));
  rig.exchange.Connect(false);
  EXPECT_FALSE(rig.exchange.LiveControlsEnabled);
  rig.exchange.Connect(true);
  EXPECT_EQ(rig.host.created, 1);
  EXPECT_EQ(rig.host.addresses.size(), 1u);
  EXPECT_EQ(rig.exchange.Live, (TLiveValues{0, 21, 22, 23, 24, 25}));
}

TEST(ScannerExchange, ALanCameraThatDoesNotAnswerReleasesTheButton) {
  struct Case {
    bool reachable;
    std::optional<std::size_t> replySize;
  };
  for (const Case c : {Case{true, std::nullopt}, Case{true, 5}, Case{false, 64}}) {
    ExchangeRig rig;
    rig.host.reachable = c.reachable;
    if (c.replySize)
      rig.host.firstReplies.push_back(LiveReply({1, 2, 3, 4, 5, 6}, *c.replySize));
    rig.exchange.Connect(true);
    EXPECT_FALSE(rig.exchange.Connected);
    EXPECT_FALSE(rig.exchange.LiveControlsEnabled);
    EXPECT_EQ(rig.exchange.Live, TLiveValues{});
  }
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfLan3;
  TScanRequests requests;
  TScannerExchange alone(unit, requests, nullptr, nullptr); // no way to make a thread object
  alone.Connect(true);
  EXPECT_FALSE(alone.Connected);
}

TEST(ScannerExchange, UsbConnectReadsTheLiveValuesThroughItsOwnPipe) {
  UsbRig rig;
  rig.camera->SetLive({3, 90, 91, 92, 93, 94});
  rig.exchange.Connect(true);
  EXPECT_TRUE(rig.exchange.Connected);
  EXPECT_TRUE(rig.exchange.LiveControlsEnabled);
  EXPECT_EQ(rig.exchange.ConnectLabel, QStringLiteral("USB Connected"));
  ASSERT_TRUE(rig.exchange.CalibrUsbPipe);
  EXPECT_TRUE(rig.exchange.CalibrUsbPipe->IsOpen());
  EXPECT_EQ(rig.exchange.Live, (TLiveValues{3, 90, 91, 92, 93, 94}));
  EXPECT_FALSE(rig.exchange.TimerOn);

  rig.exchange.LiveBarChanged(TLiveBar::Amplitude, 77);
  EXPECT_EQ(rig.exchange.TimerTick(), TExchangeOutcome::Done);
  EXPECT_EQ(rig.camera->LiveWrites(), 1);
  EXPECT_EQ(rig.camera->Live(), (std::array<std::uint8_t, 6>{3, 90, 77, 92, 93, 94}));
  EXPECT_EQ(rig.camera->LastCommand().size(), 256u);

  // Activation releases the button and disables the bars, and closes nothing.
  rig.exchange.Activate();
  EXPECT_FALSE(rig.exchange.Connected);
  EXPECT_FALSE(rig.exchange.LiveControlsEnabled);
  EXPECT_TRUE(rig.exchange.CalibrUsbPipe->IsOpen());
  EXPECT_EQ(rig.exchange.Write(), TExchangeOutcome::NotConnected);
}

TEST(ScannerExchange, UsbWithoutACameraOrWithOneThatCannotBeOpened) {
  UsbRig none;
  none.camera->Config().present = false;
  none.exchange.Connect(true);
  EXPECT_TRUE(none.exchange.Connected); // the button stays down with the controls enabled
  EXPECT_TRUE(none.exchange.LiveControlsEnabled);
  EXPECT_EQ(none.exchange.ConnectLabel, QStringLiteral("Connect USB"));
  none.exchange.LiveBarChanged(TLiveBar::Resonans, 5);
  EXPECT_EQ(none.exchange.TimerTick(), TExchangeOutcome::Failed); // the closed pipe takes nothing
  EXPECT_EQ(none.exchange.Write(), TExchangeOutcome::Failed);

  struct Refusing : TUsbBackend {
    std::vector<std::string> Enumerate() override { return {"usb:9:9"}; }
    std::unique_ptr<TUsbDevice> Open(const std::string &, int &status) override {
      status = kUsbErrorAccess;
      return nullptr;
    }
  };
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfUsb;
  TScanRequests requests;
  TScannerExchange refused(unit, requests, nullptr, std::make_shared<Refusing>());
  refused.Connect(true);
  EXPECT_FALSE(refused.Connected);
  EXPECT_FALSE(refused.CalibrUsbPipe);
  EXPECT_FALSE(refused.LiveControlsEnabled);
}

TEST(ScannerExchange, ReadAndWriteTheParameterBlockOverUsb) {
  UsbRig rig;
  std::vector<std::uint8_t> tail(250, 0);
  const std::uint8_t head[] = {0x01, 0x2C, 0x01, 0x40, 0x00, 0x78, 15, 7, 20, 30, 0x09, 0xC4};
  std::copy(std::begin(head), std::end(head), tail.begin()); // CameraNo 300, 320 x 120, sectors ...
  rig.camera->SetParameterTail(tail);
  rig.camera->SetLive({1, 2, 3, 4, 5, 6});
  rig.exchange.Connect(true);

  test::TempDir dir;
  IniFile ini(dir.file("Calidarix.ini"));
  EXPECT_EQ(rig.exchange.Read(&ini), TExchangeOutcome::Done);
  EXPECT_EQ(rig.unit.CameraNo, 300);
  EXPECT_EQ(rig.unit.ScanWidth, 320);
  EXPECT_EQ(rig.unit.ScanHeight, 120);
  EXPECT_EQ(rig.unit.Sectors, 15);
  EXPECT_EQ(rig.unit.Center[0], 30);
  EXPECT_EQ(rig.unit.Set[0], 2500);
  EXPECT_TRUE(ini.SectionExists(kSetupSection)); // the first band's sets were saved
  EXPECT_EQ(rig.camera->LastCommand()[1], CamReadParamsUsb);

  rig.exchange.LiveBarChanged(TLiveBar::UKadr3, 200); // pending in the timer: goes first
  EXPECT_EQ(rig.exchange.Write(), TExchangeOutcome::Done);
  EXPECT_FALSE(rig.exchange.TimerOn);
  EXPECT_EQ(rig.camera->LiveWrites(), 1);
  const std::vector<std::uint8_t> block = rig.camera->WrittenParameterBlock();
  ASSERT_EQ(block.size(), 256u);
  EXPECT_EQ(block[0], 2);
  EXPECT_EQ(block[1], 78);
  EXPECT_EQ(block[2], 3); // speed of UKadr3
  EXPECT_EQ(block[7], 200);
  EXPECT_EQ(block[10], 0x01); // ScanWidth 320 big-endian
  EXPECT_EQ(block[11], 0x40);
  // Write-short goes over the network only.
  EXPECT_EQ(rig.exchange.WriteShort(), TExchangeOutcome::NoLink);
}

TEST(ScannerExchange, ReadWriteAndWriteShortOverTheNetworkLink) {
  ExchangeRig rig;
  rig.ConnectWith({1, 100, 120, 30, 40, 50});
  rig.Link().sent.clear();
  rig.unit.CameraNo = 0x1234;
  EXPECT_EQ(rig.exchange.WriteShort(), TExchangeOutcome::Done);
  ASSERT_EQ(rig.Link().sent.size(), 1u);
  EXPECT_EQ(rig.Link().sent[0].size(), 256u);
  EXPECT_EQ(rig.Link().sent[0][1], CamWriteLiveNumber);
  EXPECT_EQ(rig.Link().sent[0][8], 0x12);
  EXPECT_EQ(rig.exchange.Write(), TExchangeOutcome::Done);
  EXPECT_EQ(rig.Link().sent[1].size(), 80u);
  EXPECT_EQ(rig.Link().sent[1][1], CamWriteAll);
  // A read the camera does not answer fails and changes nothing.
  rig.unit.ScanWidth = 111;
  EXPECT_EQ(rig.exchange.Read(nullptr), TExchangeOutcome::Failed);
  EXPECT_EQ(rig.unit.ScanWidth, 111);
  EXPECT_EQ(rig.Link().sent[2][1], CamReadParams);
}

TEST(ScannerExchange, NothingGoesOutWhileScanningOrDuringAnotherExchange) {
  ExchangeRig rig;
  rig.ConnectWith({0, 100, 120, 30, 40, 50});
  rig.Link().sent.clear();
  rig.requests.ScanRunning.Set(true);
  rig.exchange.LiveBarChanged(TLiveBar::UKadr1, 9);
  EXPECT_FALSE(rig.exchange.TimerOn); // the bar moves, nothing is scheduled
  EXPECT_EQ(rig.exchange.Live.UKadr1, 9);
  EXPECT_EQ(rig.exchange.Live.Speed, 0);
  EXPECT_TRUE(rig.exchange.LiveValuesChanged);
  EXPECT_EQ(rig.exchange.TimerTick(), TExchangeOutcome::ScanRunning);
  EXPECT_EQ(rig.exchange.Read(nullptr), TExchangeOutcome::ScanRunning);
  EXPECT_EQ(rig.exchange.Write(), TExchangeOutcome::ScanRunning);
  EXPECT_EQ(rig.exchange.WriteShort(), TExchangeOutcome::ScanRunning);
  EXPECT_TRUE(rig.Link().sent.empty());

  rig.requests.ScanRunning.Set(false);
  rig.exchange.CalibrExchangeBusy = true;
  EXPECT_EQ(rig.exchange.Write(), TExchangeOutcome::Busy);
  EXPECT_EQ(rig.exchange.TimerTick(), TExchangeOutcome::Busy);
  EXPECT_TRUE(rig.Link().sent.empty());
}

TEST(ScannerExchange, ScannerGeometryValues) {
  TScanUnit unit;
  TScanRequests requests;
  TScannerExchange exchange(unit, requests, nullptr, nullptr);
  EXPECT_EQ(exchange.SetSectors(320), 255);
  EXPECT_EQ(exchange.SetSectors(1), 2);
  EXPECT_EQ(exchange.SetSectors(15), 15);
  EXPECT_EQ(unit.Sectors, 15);
  exchange.SetDelay(12);
  exchange.SetEdge(40);
  exchange.SetCenter(300);
  EXPECT_EQ(unit.Delay[0], 12);
  EXPECT_EQ(unit.Edge[0], 40);
  EXPECT_EQ(unit.Center[0], 255);
  exchange.LiveBarChanged(TLiveBar::Speed, 9);
  EXPECT_EQ(exchange.Live.Speed, 3);
}

} // namespace
} // namespace calidarix
