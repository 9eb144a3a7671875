// Test main of the headless suites: a QGuiApplication on the offscreen platform, so that QImage,
// QPainter with fonts and posted events work without a display.
#include "tests/support/test_run_setup.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char **argv) {
  const bool listing = calidarix::test::PrepareTestRun(argc, argv);
  std::unique_ptr<QGuiApplication> app;
  if (!listing) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
