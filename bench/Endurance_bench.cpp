// One process serving many requests, as a station host does for days: the
// statements for a period (code 11) on the small sample station database
// with the statement sales added, requested N times (default 50 000)
// through the exported names. Prints requests per second and the process's
// resident memory and open descriptors at the start, after 10 000 requests
// and at the end. A plain program: the figures over the run are the point,
// not a per-iteration time.
//
//   endurance_bench [requests]
//
// The database is made once under $TOLVAREN_BENCH_ROOT/endurance (default
// bench-root/endurance in the build folder).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "bench/BenchHost.h"
#include "tests/library/TestHost.h"
#include "tests/support/ProcessUsage.h"

namespace {

using tv::Variant;
using namespace tv::literals;

// The small sample with the statement sales; the root becomes TOLVAREN_ROOT.
void MakeRoot() {
  const char* base = std::getenv("TOLVAREN_BENCH_ROOT");
  const std::string root =
      (base != nullptr ? std::string(base) : std::string(TOLVAREN_BINARY_DIR) + "/bench-root") +
      "/endurance";
  if (!std::filesystem::exists(root + "/c/FUEL/DB/Velmar.FDB")) {
    const std::string db = std::string(TOLVAREN_SOURCE_DIR) + "/db/";
    const std::string cmd = db + "create-sample-db --only station --root '" + root + "' && " + db +
                            "add-sample-statements --root '" + root + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root, 30, 30000);
}

void Print(const char* when, int done) {
  std::printf("%-8s %6d requests  RSS %7.1f MiB  descriptors %4d\n", when, done,
              static_cast<double>(tv::test::ResidentBytes()) / (1024.0 * 1024.0),
              tv::test::OpenDescriptors());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::atoi(argv[1]) : 50000;
  MakeRoot();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  bench::InitStationHost(host);
  const Variant params = tv::VarArrayOf(
      {Variant::FromDate(tv::EncodeDateTime(2024, 2, 5, 0, 0, 0, 0)),
       Variant::FromDate(tv::EncodeDateTime(2024, 2, 6, 23, 59, 59, 0)), Variant(),
       tv::VarArrayOf({4, 104})});
  Print("start", 0);
  const auto t0 = std::chrono::steady_clock::now();
  int failed = 0;
  for (int i = 1; i <= requests; ++i) {
    const auto reply = host.Request(11, params);
    if (reply.Result != TV_REPORT_TRUE || reply.Text.rfind("Ошибка"_w, 0) == 0) {
      if (++failed == 1)
        std::printf("request %d failed: %s\n", i,
                    tv::Cp1251ToUtf8(reply.Text + reply.Error).c_str());
    }
    if (i == 10000) Print("10 000", i);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  Print("end", requests);
  std::printf("%d requests in %.1f s: %.1f requests/s, %d failed\n", requests, seconds,
              requests / seconds, failed);
  return failed == 0 ? 0 : 1;
}
