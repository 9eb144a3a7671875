#pragma once
// Runs a piece of a test in a child process whose address space is capped a little above what the
// test program already uses. A test that must show that a huge allocation is refused, or fails
// cleanly, can then run without taking the machine's memory, and code that would abort on such an
// allocation ends only the child.

#include <functional>
#include <string>

namespace calidarix::test {

// False under the address sanitizer, which reserves far more address space than the cap allows.
bool MemoryLimitedChildAvailable();

// Runs `body` in a forked child limited to its current address space plus `headroomBytes`. Returns
// "passed" when body returned true, "failed" when it returned false, "threw an exception" when it
// threw, otherwise how the child ended
// (a signal, for example the abort of an uncaught exception).
std::string RunInMemoryLimitedChild(const std::function<bool()> &body,
                                    unsigned long long headroomBytes = 1ull << 30);

} // namespace calidarix::test
