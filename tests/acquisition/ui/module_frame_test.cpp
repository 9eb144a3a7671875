// The USB thermal module's frame message in the main window: the posted image becomes the current
// thermogram; a message naming another module is not followed.

#include "acquisition/thermal_module.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/sim/fake_module_device.h"

#include <chrono>
#include <thread>

namespace calidarix {
namespace {

using sim::FakeModuleDevice;
using sim::FakeModuleFrame;

FakeModuleFrame Frame(std::uint8_t type, std::uint16_t fill, std::uint16_t header = 0) {
  return FakeModuleFrame{false, type, header, std::vector<std::uint16_t>(SeekImagePixels, fill)};
}

class ModuleWindow : public test::RealViewWindow {};

TEST_F(ModuleWindow, ThePostedImageBecomesTheCurrentThermogram) {
  CreateWindow();
  TCalidarix &w = ShowWindow();
  auto state = std::make_shared<FakeModuleDevice::State>();
  state->Add({Frame(4, 100), Frame(1, 200), Frame(6, 1), Frame(7, 1), Frame(3, 1000, 50)});
  w.FPeripherals.SeekThermal =
      std::make_unique<TSeekThermal>(0, std::make_unique<FakeModuleDevice>(state), TModuleSettings{});
  TSeekThermal *module = w.FPeripherals.SeekThermal.get();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (module->FPostCount == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(module->FPostCount, 1);

  const int width = CurrentDTV->Width();
  Message foreign{WM_MODULEFRAME, reinterpret_cast<WPARAM>(&w), 3, 0};
  w.WndProc(foreign);
  EXPECT_EQ(CurrentDTV->Width(), width);

  Message frame{WM_MODULEFRAME, reinterpret_cast<WPARAM>(module), 3, 0};
  w.WndProc(frame);
  ASSERT_EQ(CurrentDTV->Width(), SeekImageWidth);
  ASSERT_EQ(CurrentDTV->Height(), SeekImageHeight);
  EXPECT_EQ(CurrentDTV->FRaw[30 * SeekImageWidth + 30], 450); // (1000 - 200) x 50 / 100 + 50
  EXPECT_EQ(CurrentDTV->FRawMax, 450);
  state->Release();
  w.FPeripherals.SeekThermal.reset();
}

} // namespace
} // namespace calidarix
