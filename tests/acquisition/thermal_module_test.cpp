// The USB thermal module's driver against the fake module and the pseudo-terminal shutter: the start-up
// sequence, the frame requests and their sorting, the thread with its restart, its posts and the flat
// field, and the stall that ends it.

#include "acquisition/thermal_module.h"
#include "tests/sim/fake_module_device.h"
#include "tests/sim/pty_shutter.h"
#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace calidarix {
namespace {

using sim::FakeModuleDevice;
using sim::FakeModuleFrame;
using sim::FakeModuleTransfer;
using Clock = std::chrono::steady_clock;

// The module's start-up sequence, as the module expects it (value 0, index 0 throughout).
struct Step {
  bool in;
  int request;
  std::vector<std::uint8_t> data; // out
  int length;                     // in
};
const std::vector<Step> kStartup = {
    {false, 0x54, {0x01}, 0},
    {false, 0x3C, {0x00, 0x00}, 0},
    {true, 0x4E, {}, 4},
    {true, 0x36, {}, 12},
    {false, 0x56, {0x06, 0x00, 0x08, 0x00, 0x00, 0x00}, 0},
    {true, 0x58, {}, 12},
    {false, 0x56, {0x20, 0x00, 0x30, 0x00, 0x00, 0x00}, 0},
    {true, 0x58, {}, 64},
    {false, 0x56, {0x20, 0x00, 0x50, 0x00, 0x00, 0x00}, 0},
    {true, 0x58, {}, 64},
    {false, 0x56, {0x0C, 0x00, 0x70, 0x00, 0x00, 0x00}, 0},
    {true, 0x58, {}, 24},
    {false, 0x3E, {0x08, 0x00}, 0},
    {false, 0x55, {0x00, 0x00}, 0},
    {false, 0x3C, {0x01, 0x00}, 0},
    {true, 0x3D, {}, 2},
};

// Where the start-up sequences begin in a record of control transfers.
std::vector<std::size_t> StartupsIn(const std::vector<FakeModuleTransfer> &transfers) {
  std::vector<std::size_t> found;
  for (std::size_t first = 0; first + kStartup.size() <= transfers.size(); ++first) {
    bool match = true;
    for (std::size_t i = 0; i < kStartup.size() && match; ++i) {
      const FakeModuleTransfer &t = transfers[first + i];
      const Step &s = kStartup[i];
      match =
          t.In == s.in && t.Request == s.request &&
          (s.in ? t.RequestType == 0xC1 && t.Length == s.length : t.RequestType == 0x41 && t.Data == s.data);
    }
    if (match)
      found.push_back(first);
  }
  return found;
}

FakeModuleFrame Frame(std::uint8_t type, std::uint16_t fill, std::uint16_t header = 0) {
  return FakeModuleFrame{false, type, header, std::vector<std::uint16_t>(SeekImagePixels, fill)};
}

FakeModuleFrame Stall() {
  FakeModuleFrame f;
  f.Stall = true;
  return f;
}

// The frames before the first corrected image: gain 100, reference 200, the two required frames and a
// temperature table that reads 26.85 degrees at 450.
std::vector<FakeModuleFrame> Preparation() {
  FakeModuleFrame table = Frame(9, 0);
  table.Pixels[450] = 32 * 300;
  return {Frame(4, 100), Frame(1, 200), Frame(6, 1), Frame(7, 1), table};
}

// The image frame that corrects to 450: (1000 - 200) x 50 / 100 + 50.
FakeModuleFrame Image() {
  return Frame(3, 1000, 50);
}

template <typename Pred> bool WaitFor(Pred pred) {
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (!pred()) {
    if (Clock::now() > deadline)
      return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  QCoreApplication::processEvents();
  return true;
}

class ThermalModule : public ::testing::Test {
protected:
  void SetUp() override {
    state = std::make_shared<FakeModuleDevice::State>();
    owner = RegisterWindow(nullptr, [this](Message &m) {
      if (m.Msg == WM_MODULEFRAME)
        posts.push_back(m);
    });
    ASSERT_NE(owner, 0u);
  }
  void TearDown() override {
    state->Release();
    module.reset();
    UnregisterWindow(owner);
  }
  std::unique_ptr<TSeekThermal> Make(bool thread, TModuleSettings settings = {}) {
    return std::make_unique<TSeekThermal>(
        owner, std::make_unique<FakeModuleDevice>(state), settings,
        [this](const QString &line) {
          std::lock_guard guard(logLock);
          log << line;
        },
        thread);
  }
  // The driver has taken `frames` scripted frames and waits for the next.
  bool Consumed(int frames) {
    return WaitFor([&] {
      std::lock_guard guard(state->Lock);
      return state->FramesServed == frames && state->Waiting;
    });
  }
  std::vector<FakeModuleTransfer> Transfers() {
    std::lock_guard guard(state->Lock);
    return state->Transfers;
  }
  QStringList Log() {
    std::lock_guard guard(logLock);
    return log;
  }

  std::shared_ptr<FakeModuleDevice::State> state;
  WindowHandle owner = 0;
  std::vector<Message> posts;
  std::mutex logLock;
  QStringList log;
  std::unique_ptr<TSeekThermal> module;
};

TEST_F(ThermalModule, StartsWithItsSequenceOnlyOnItsOwnDevice) {
  module = Make(false);
  EXPECT_EQ(module->ReadModuleFrame(), 1); // not open
  ASSERT_EQ(module->InitializeModule(), 0);
  EXPECT_TRUE(module->FOpened);
  EXPECT_EQ(state->OpenRequests, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{0x289D, 0x0010}}));
  EXPECT_EQ(Transfers().size(), kStartup.size());
  EXPECT_EQ(StartupsIn(Transfers()), std::vector<std::size_t>{0});
  EXPECT_EQ(module->InitializeModule(), 1); // already open: nothing sent
  EXPECT_EQ(Transfers().size(), kStartup.size());

  module->ShutdownModule();
  EXPECT_FALSE(module->FOpened);
  const auto all = Transfers();
  ASSERT_EQ(all.size(), kStartup.size() + 3);
  for (std::size_t i = kStartup.size(); i < all.size(); ++i) {
    EXPECT_FALSE(all[i].In);
    EXPECT_EQ(all[i].Request, 60);
    EXPECT_EQ(all[i].Data, (std::vector<std::uint8_t>{0, 0}));
  }
}

TEST_F(ThermalModule, AnotherDeviceOrAModuleThatStopsAnsweringIsNotStarted) {
  state->Product = 0x0011;
  module = Make(false);
  EXPECT_EQ(module->InitializeModule(), 1);
  EXPECT_FALSE(module->FOpened);
  EXPECT_TRUE(Transfers().empty());

  state->Product = SeekProductId;
  state->FailControl = true;
  EXPECT_EQ(module->InitializeModule(), 1);
  EXPECT_FALSE(module->FOpened);
}

TEST_F(ThermalModule, FramesAreRequestedAndSortedByType) {
  module = Make(false);
  ASSERT_EQ(module->InitializeModule(), 0);
  const std::uint8_t types[] = {4, 1, 6, 7, 10, 9, 5, 3, 14, 12, 0};
  for (const std::uint8_t t : types)
    state->Add({Frame(t, static_cast<std::uint16_t>(t * 100 + 1))});
  std::vector<int> results;
  std::vector<int> sorted;
  for (std::size_t i = 0; i < std::size(types); ++i) {
    results.push_back(module->ReadModuleFrame());
    sorted.push_back(module->FFrameType);
    if (types[i] == 14 || types[i] == 12) {
      const TModuleImage m = module->ProcessingSnapshot();
      EXPECT_EQ(m.FFrameBuffers[10][500], 1401) << "after type " << int(types[i]); // 12 stores nothing
    }
  }
  EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(sorted, (std::vector<int>{4, 1, 6, 7, 10, 9, 5, 3, 10, 10, 0}));
  const TModuleImage m = module->ProcessingSnapshot();
  EXPECT_EQ(m.FFrameBuffers[6][500], 601);
  EXPECT_EQ(m.FFrameBuffers[7][500], 701);
  EXPECT_TRUE(m.HasDeadPixelMap());
  // Every frame was asked for with the raw frame's word count, C0 7E 00 00.
  int requests = 0;
  for (const FakeModuleTransfer &t : Transfers())
    if (!t.In && t.Request == 83) {
      ++requests;
      EXPECT_EQ(t.Data, (std::vector<std::uint8_t>{0xC0, 0x7E, 0x00, 0x00}));
    }
  EXPECT_EQ(requests, 11);
}

TEST_F(ThermalModule, AModuleThatDoesNotBeginWithItsGainFrameIsRestartedInPlace) {
  state->Add({Frame(1, 200)});
  state->Add(Preparation());
  state->Add({Image(), Image(), Image(), Image(), Image()});
  module = Make(true);
  ASSERT_TRUE(Consumed(11));
  EXPECT_FALSE(module->Finished());
  EXPECT_FALSE(module->FStopped);
  const auto transfers = Transfers();
  const auto startups = StartupsIn(transfers);
  ASSERT_EQ(startups.size(), 2u);
  // Between the two: the frame request, then the shutdown's three requests 60.
  int shutdowns = 0;
  for (std::size_t i = startups[0] + kStartup.size(); i < startups[1]; ++i)
    shutdowns += !transfers[i].In && transfers[i].Request == 60;
  EXPECT_EQ(shutdowns, 3);

  // Image frames 1, 3 and 5 are posted.
  ASSERT_TRUE(WaitFor([&] { return posts.size() == 3; }));
  EXPECT_EQ(module->FPostCount, 3);
  for (const Message &m : posts) {
    EXPECT_EQ(m.WParam, reinterpret_cast<WPARAM>(module.get()));
    EXPECT_EQ(m.LParam, 3);
  }
  const TModulePicture picture = module->PostedImage();
  EXPECT_TRUE(picture.Opened);
  EXPECT_EQ(picture.Pixels[30 * SeekImageWidth + 30], 450);
  EXPECT_EQ(picture.Maximum, 450);
  EXPECT_EQ(picture.BlindTemperature, 20.0);
}

TEST_F(ThermalModule, AShutterEventReadsTheShutterTakesAFlatFieldAndSkipsAPost) {
  sim::PtyShutter shutter;
  ASSERT_TRUE(shutter.Ready());
  test::ScopedEnv ports("CALIDARIX_SERIAL_PORTS", "7=" + shutter.SlavePath());
  state->Add(Preparation());
  state->Add({Image(), Frame(10, 0)});
  TModuleSettings settings;
  settings.ShutterPortNumber = 7;
  module = Make(true, settings);
  ASSERT_TRUE(Consumed(7));
  ASSERT_TRUE(WaitFor([&] { return posts.size() == 1; }));
  shutter.Send("24.1250");
  state->Add({Image(), Image(), Image(), Image()});
  ASSERT_TRUE(Consumed(11));
  ASSERT_TRUE(WaitFor([&] { return module->FPostCount == 2 && posts.size() == 2; }));
  const TModuleImage m = module->ProcessingSnapshot();
  EXPECT_EQ(m.FBlindTemperature, 24.125);
  EXPECT_NEAR(m.FInsideTemperature, 26.85, 1e-9);
  EXPECT_TRUE(m.FFlatFieldOn);
  EXPECT_EQ(m.FFlatField[30 * SeekImageWidth + 30], 450);
  EXPECT_EQ(module->PostedImage().BlindTemperature, 24.125);
  const QStringList lines = Log();
  EXPECT_TRUE(lines.contains("COM7 initialized"));
  EXPECT_TRUE(lines.contains("24.1250 received from COM port"));
  EXPECT_TRUE(lines.contains("seekRealTemp = 20.00"));
  EXPECT_TRUE(lines.contains("seekInsideTemp = 26.85"));
  EXPECT_EQ(shutter.NameRequests(), 1);
}

TEST_F(ThermalModule, AStalledTransferEndsTheThreadAndAStalledFirstFrameRestartsIt) {
  state->Add({Stall(), Frame(4, 100), Frame(1, 200)});
  module = Make(true);
  ASSERT_TRUE(Consumed(3));
  EXPECT_EQ(StartupsIn(Transfers()).size(), 2u);
  EXPECT_FALSE(module->Finished());

  state->Add({Stall()});
  ASSERT_TRUE(WaitFor([&] { return module->Finished(); }));
  EXPECT_TRUE(module->FReadFailed);
  EXPECT_TRUE(Log().contains("USB thermal module: frame transfer failed"));
  EXPECT_TRUE(posts.empty());
}

TEST_F(ThermalModule, WithoutTheModuleTheThreadStopsAtOnce) {
  state->Vendor = 0x1234;
  module = Make(true);
  ASSERT_TRUE(WaitFor([&] { return module->Finished(); }));
  EXPECT_TRUE(module->FStopped);
  EXPECT_FALSE(module->FOpened);
  EXPECT_TRUE(Transfers().empty());
}

} // namespace
} // namespace calidarix
