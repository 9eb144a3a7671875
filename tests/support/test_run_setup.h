#pragma once
// The start every test main shares, whichever Qt application object it then makes.

namespace calidarix::test {

// Takes the Google Test and Google Mock flags out of argc and argv and keeps every test's network
// on loopback. Returns whether the run only lists the tests, in which case no Qt application object
// is needed.
bool PrepareTestRun(int &argc, char **argv);

} // namespace calidarix::test
