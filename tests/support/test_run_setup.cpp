#include "tests/support/test_run_setup.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstring>
#include <gmock/gmock.h>

namespace calidarix::test {

bool PrepareTestRun(int &argc, char **argv) {
  testing::InitGoogleMock(&argc, argv);
  // No test may reach a device address outside the loopback range, whoever starts it.
  if (qEnvironmentVariableIsEmpty("CALIDARIX_NETWORK"))
    qputenv("CALIDARIX_NETWORK", "loopback");
  // Nor open a camera of the machine: video devices are looked for in a folder that holds none.
  if (qEnvironmentVariableIsEmpty("CALIDARIX_VIDEO_DEVICES"))
    qputenv("CALIDARIX_VIDEO_DEVICES", "/nonexistent/calidarix-video");
  bool listing = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
      listing = true;
  return listing;
}

} // namespace calidarix::test
