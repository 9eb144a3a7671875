// Test main of the window suites: a QApplication on the display that xvfb-run provides.
#include "tests/support/test_run_setup.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char **argv) {
  const bool listing = calidarix::test::PrepareTestRun(argc, argv);
  std::unique_ptr<QApplication> app;
  if (!listing)
    app = std::make_unique<QApplication>(argc, argv);
  return RUN_ALL_TESTS();
}
