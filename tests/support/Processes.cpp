#include "tests/support/Processes.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace tv::test {

void RunInChildren(int count, const std::function<int(int index)>& body) {
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      int rc = 1;
      try {
        rc = body(i);
      } catch (...) {
        rc = 1;
      }
      ::_exit(rc);
    }
    ASSERT_GT(pid, 0) << "fork failed";
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  }
}

}  // namespace tv::test
