// Test main of the window suites: a QApplication on the display that xvfb-run provides.
#include <QApplication>
#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char **argv) {
  testing::InitGoogleMock(&argc, argv);
  // No test may reach a device address outside the loopback range, whoever starts it.
  if (qEnvironmentVariableIsEmpty("CALIDARIX_NETWORK"))
    qputenv("CALIDARIX_NETWORK", "loopback");
  bool listing = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
      listing = true;
  std::unique_ptr<QApplication> app;
  if (!listing)
    app = std::make_unique<QApplication>(argc, argv);
  return RUN_ALL_TESTS();
}
