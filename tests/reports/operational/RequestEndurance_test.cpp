// One process serving many requests, as a station host does for days: the
// descriptors it holds stay flat over requests, InitReports calls and
// loading the library again, and InitReports does not pile up memory.

#include <dlfcn.h>

#include "tests/reports/operational/StatementsFixture.h"
#include "tests/support/ProcessUsage.h"

namespace tv::test {
namespace {

class RequestEndurance : public StatementsFixture {};

#if defined(__SANITIZE_ADDRESS__)
constexpr int kRequests = 500;  // the checked build is ten times slower
#else
constexpr int kRequests = 5000;
#endif

TEST_F(RequestEndurance, DescriptorsStayFlatOverThousandsOfRequests) {
  const Variant params = A({PeriodBegin(), PeriodEnd(), Variant(), A({4, 104})});
  ASSERT_EQ(Request(11, params).Result, TV_REPORT_TRUE);
  const int before = OpenDescriptors();
  for (int i = 0; i < kRequests; ++i) {
    const auto r = Request(11, params);
    ASSERT_EQ(r.Result, TV_REPORT_TRUE) << "request " << i;
  }
  EXPECT_LE(OpenDescriptors() - before, 4) << "before: " << before;
}

TEST_F(RequestEndurance, InitReportsAgainKeepsDescriptorsAndMemoryFlat) {
  ASSERT_EQ(host->Init(), 1);
  const int fds = OpenDescriptors();
  const std::size_t rss = ResidentBytes();
  for (int i = 0; i < 500; ++i) ASSERT_EQ(host->Init(), 1) << "call " << i;
  EXPECT_LE(OpenDescriptors() - fds, 4);
#if !defined(__SANITIZE_ADDRESS__)  // its quarantine keeps freed memory resident
  EXPECT_LE(ResidentBytes(), rss + 4 * 1024 * 1024) << "after the first: " << rss;
#else
  static_cast<void>(rss);
#endif
}

// The library stays loaded once loaded (it binds Firebird): a host that
// loads and unloads it again reaches the same instance, which opens nothing
// more.
TEST_F(RequestEndurance, LoadingTheLibraryAgainLeavesNoDescriptors) {
  using InitProc = int32_t (*)(THostFillDataProc, THostCallback, THostReportCallback);
  auto cycle = [] {
    void* handle = ::dlopen(TOLVAREN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    auto init = reinterpret_cast<InitProc>(::dlsym(handle, "InitReports"));
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(init(nullptr, nullptr, nullptr), 1);
    ::dlclose(handle);
  };
  cycle();
  const int before = OpenDescriptors();
  for (int i = 0; i < 50; ++i) cycle();
  EXPECT_LE(OpenDescriptors() - before, 4) << "before: " << before;
}

}  // namespace
}  // namespace tv::test
