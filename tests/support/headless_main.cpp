// Test main of the headless suites: a QGuiApplication on the offscreen platform, so that QImage,
// QPainter with fonts and posted events work without a display.
#include <QGuiApplication>
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
  std::unique_ptr<QGuiApplication> app;
  if (!listing) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
