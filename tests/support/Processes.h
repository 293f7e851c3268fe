#pragma once
// Runs a body in several forked processes at once, as several station
// programs would, and checks that each ended well.

#include <functional>

namespace tv::test {

// Forks `count` children; child i runs body(i) and exits with its result
// (an exception counts as 1). Waits for all and adds a test failure for
// every child that did not exit with 0.
void RunInChildren(int count, const std::function<int(int index)>& body);

}  // namespace tv::test
