#include "platform/os/NamedMutex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"
#include "platform/os/SysInfo.h"
#include "tests/support/ProcessUsage.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

int WaitChild(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status)
                           : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

TEST(NamedMutex, ReportsWhetherItExisted) {
  test::TempRoot root;
  int err = -1;
  auto a = NamedMutex::Create("Global\\TestMutex", &err);
  EXPECT_EQ(err, 0);
  auto b = NamedMutex::Create("TestMutex", &err);  // same object without the prefix
  EXPECT_EQ(err, 183);
  EXPECT_EQ(GetLastError(), 183);
  a.reset();
  b.reset();
  auto c = NamedMutex::Create("TestMutex", &err);  // every handle closed: new again
  EXPECT_EQ(err, 0);
  EXPECT_THROW(NamedMutex::Create("Global\\"), EOSError);
}

TEST(NamedMutex, IsRecursiveForItsOwnerAndExcludesOthers) {
  test::TempRoot root;
  auto m = NamedMutex::Create("rec");
  auto other = NamedMutex::Create("rec");
  EXPECT_EQ(m->Wait(), NamedMutex::Signaled);
  EXPECT_EQ(other->Wait(0), NamedMutex::Signaled);  // the same object, the same owner
  std::atomic<int> seen{-1};
  std::thread t([&] { seen = m->Wait(50); });
  t.join();
  EXPECT_EQ(seen, NamedMutex::Timeout);
  EXPECT_TRUE(m->Release());
  std::thread t2([&] { seen = m->Wait(50); });
  t2.join();
  EXPECT_EQ(seen, NamedMutex::Timeout);  // still held once
  EXPECT_TRUE(other->Release());
  EXPECT_FALSE(m->Release());  // not owned any more
  EXPECT_EQ(GetLastError(), 288);
  std::thread t3([&] {
    seen = m->Wait(1000);
    if (seen == NamedMutex::Signaled) m->Release();
  });
  t3.join();
  EXPECT_EQ(seen, NamedMutex::Signaled);
}

TEST(NamedMutex, SerialisesThreadsAndProcesses) {
  test::TempRoot root;
  ASSERT_TRUE(ForceDirectories("C:\\m"));
  const std::string counter = "C:\\m\\counter";
  WriteFileBytes(counter, std::string(4, '\0'));
  // Each worker does an unprotected read-modify-write of a counter file
  // under the mutex; any overlap loses increments.
  auto work = [&](int rounds) {
    auto m = NamedMutex::Create("Global\\counter-mutex");
    for (int i = 0; i < rounds; ++i) {
      if (m->Wait() != NamedMutex::Signaled) return false;
      std::string bytes = ReadFileBytes(counter);
      uint32_t v = 0;
      std::memcpy(&v, bytes.data(), 4);
      ++v;
      std::memcpy(bytes.data(), &v, 4);
      WriteFileBytes(counter, bytes);
      m->Release();
    }
    return true;
  };
  std::vector<pid_t> children;
  for (int p = 0; p < 3; ++p) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      std::thread t1([&] { ok = work(50) && ok; });
      std::thread t2([&] { ok = work(50) && ok; });
      t1.join();
      t2.join();
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  EXPECT_TRUE(work(100));
  for (pid_t pid : children) EXPECT_EQ(WaitChild(pid), 0);
  uint32_t v = 0;
  std::memcpy(&v, ReadFileBytes(counter).data(), 4);
  EXPECT_EQ(v, 3u * 100u + 100u);
}

TEST(NamedMutex, AChildKilledWhileHoldingItAbandonsIt) {
  test::TempRoot root;
  int pipefd[2];
  ASSERT_EQ(::pipe(pipefd), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    auto m = NamedMutex::Create("Global\\crash");
    char ok = m->Wait() == NamedMutex::Signaled ? 'y' : 'n';
    (void)!::write(pipefd[1], &ok, 1);
    for (;;) ::pause();
  }
  char ok = 0;
  ASSERT_EQ(::read(pipefd[0], &ok, 1), 1);
  EXPECT_EQ(ok, 'y');
  auto m = NamedMutex::Create("Global\\crash");
  EXPECT_EQ(m->Wait(100), NamedMutex::Timeout);  // the child still holds it
  ::kill(pid, SIGKILL);
  WaitChild(pid);
  EXPECT_EQ(m->Wait(2000), NamedMutex::Abandoned);  // owned now
  EXPECT_TRUE(m->Release());
  EXPECT_EQ(m->Wait(0), NamedMutex::Signaled);  // released properly this time
  m->Release();
  ::close(pipefd[0]);
  ::close(pipefd[1]);
}

TEST(NamedMutex, AThreadEndingWhileHoldingItAbandonsIt) {
  test::TempRoot root;
  auto m = NamedMutex::Create("thread-end");
  std::thread t([&] { EXPECT_EQ(m->Wait(), NamedMutex::Signaled); });
  t.join();
  EXPECT_EQ(m->Wait(1000), NamedMutex::Abandoned);
  EXPECT_TRUE(m->Release());
  EXPECT_EQ(m->Wait(0), NamedMutex::Signaled);
  m->Release();
}

TEST(NamedMutex, TimeoutsAreKept) {
  test::TempRoot root;
  auto m = NamedMutex::Create("timeouts");
  // The child says when it holds the mutex, so that a loaded machine cannot
  // make the parent's timed wait come first.
  int held[2];
  ASSERT_EQ(::pipe(held), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(held[0]);
    auto own = NamedMutex::Create("timeouts");
    own->Wait();
    const char c = 1;
    if (::write(held[1], &c, 1) != 1) ::_exit(2);
    Sleep(1500);
    own->Release();
    ::_exit(0);
  }
  ::close(held[1]);
  char c = 0;
  ASSERT_EQ(::read(held[0], &c, 1), 1);
  ::close(held[0]);
  uint32_t start = GetTickCount();
  EXPECT_EQ(m->Wait(100), NamedMutex::Timeout);
  uint32_t spent = GetTickCount() - start;
  EXPECT_GE(spent, 95u);
  EXPECT_LT(spent, 2000u);
  EXPECT_EQ(m->Wait(5000), NamedMutex::Signaled);  // after the child lets go
  m->Release();
  EXPECT_EQ(WaitChild(pid), 0);
}

TEST(NamedMutex, HandlesLeaveNoDescriptorsBehind) {
  test::TempRoot root;
  { NamedMutex::Create("warm-up"); }
  const int before = test::OpenDescriptors();
  for (int i = 0; i < 300; ++i) {
    auto a = NamedMutex::Create("Global\\fd-count");
    auto b = NamedMutex::Create("fd-count-" + std::to_string(i % 7));
    ASSERT_EQ(a->Wait(0), NamedMutex::Signaled);
    a->Release();
  }
  EXPECT_EQ(test::OpenDescriptors(), before);
}

}  // namespace
}  // namespace tv
