#include "platform/os/SharedMemory.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

TEST(SharedMemory, LivesWhileSomeoneHoldsIt) {
  test::TempRoot root;
  int err = -1;
  auto a = SharedMemory::Create("Global\\C__FUEL_DB___SCANDOCUMENTS__ID", 4, &err);
  EXPECT_EQ(err, 0);
  ASSERT_EQ(a->Size(), 4u);
  int32_t* counter = static_cast<int32_t*>(a->Data());
  EXPECT_EQ(*counter, 0);  // new blocks are zero-filled
  *counter = 41;
  auto b = SharedMemory::Create("C__FUEL_DB___SCANDOCUMENTS__ID", 4, &err);
  EXPECT_EQ(err, 183);
  EXPECT_EQ(*static_cast<int32_t*>(b->Data()), 41);
  a.reset();
  auto c = SharedMemory::Create("C__FUEL_DB___SCANDOCUMENTS__ID", 4, &err);
  EXPECT_EQ(err, 183);  // b still holds it
  EXPECT_EQ(*static_cast<int32_t*>(c->Data()), 41);
  b.reset();
  c.reset();
  auto d = SharedMemory::Create("C__FUEL_DB___SCANDOCUMENTS__ID", 4, &err);
  EXPECT_EQ(err, 0);  // the last holder let go: a new, empty block
  EXPECT_EQ(*static_cast<int32_t*>(d->Data()), 0);
}

TEST(SharedMemory, IsSharedBetweenProcessesAndOutlivesACrash) {
  test::TempRoot root;
  int pipefd[2];
  ASSERT_EQ(::pipe(pipefd), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int err = 0;
    auto m = SharedMemory::Create("counter", 4, &err);
    *static_cast<int32_t*>(m->Data()) = 7;
    char c = err == 0 ? 'y' : 'n';
    (void)!::write(pipefd[1], &c, 1);
    for (;;) ::pause();
  }
  char c = 0;
  ASSERT_EQ(::read(pipefd[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  int err = 0;
  auto m = SharedMemory::Create("counter", 4, &err);
  EXPECT_EQ(err, 183);
  EXPECT_EQ(*static_cast<int32_t*>(m->Data()), 7);
  m.reset();
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  // The crashed holder counts as gone.
  auto n = SharedMemory::Create("counter", 4, &err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(*static_cast<int32_t*>(n->Data()), 0);
  ::close(pipefd[0]);
  ::close(pipefd[1]);
}

TEST(SharedMemory, RejectsEmptyRequests) {
  test::TempRoot root;
  EXPECT_THROW(SharedMemory::Create("x", 0), EOSError);
  EXPECT_THROW(SharedMemory::Create("", 4), EOSError);
}

}  // namespace
}  // namespace tv
