// The close-of-shift report (code '-') over a range of 10 000 shifts in the
// paired layout with the header, dispenser and tank sections, through the
// exported names as a host asks for it; against the four load statements of
// the report (SMTRK, SMSILO, SMLOG, SILOVO of the range) run and fetched
// through the data-access layer in the same process. The aim is the report
// at most 1.5 times that fetch in time and 3 times its peak resident memory;
// the report's run prints both figures of the fetch and the ratios.
//
// The database: db/create-sample-db --only station, then db/add-sample-shifts
// --large 10000 (24 nozzles, 6 tanks, 12 payment-type rows per tank: about
// 1 000 000 rows), under $TOLVAREN_BENCH_ROOT/shift (default
// bench-shift-root in the build folder), made on first use.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

constexpr int kFrom = 1001;
constexpr int kTo = 11000;

// The fetch runs first; the report prints its figures beside its own.
bench::TPhase FetchPhase, ReportPhase;

// The report's peak and mean time beside the fetch's, and their ratios.
void CompareWithFetch(benchmark::State& state) {
  state.counters["peak_rss_MiB"] = ReportPhase.PeakMiB;
  state.counters["report_ms"] = ReportPhase.MeanMs;
  if (FetchPhase.Runs == 0) return;
  state.counters["fetch_peak_MiB"] = FetchPhase.PeakMiB;
  state.counters["fetch_ms"] = FetchPhase.MeanMs;
  state.counters["peak_ratio"] = ReportPhase.PeakMiB / FetchPhase.PeakMiB;
  state.counters["time_ratio"] = ReportPhase.MeanMs / FetchPhase.MeanMs;
}

std::string Root() { return bench::BenchRoot("shift", TOLVAREN_BINARY_DIR, "bench-shift-root"); }

// The database (made when missing), cnf.ini and a closed shift in the registry.
std::string Database() {
  const std::string root = Root();
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  if (!std::filesystem::exists(path)) {
    const std::string q = "'" + root + "'";
    const std::string cmd = std::string(TOLVAREN_SOURCE_DIR) +
                            "/db/create-sample-db --only station --root " + q + " && " +
                            TOLVAREN_SOURCE_DIR + "/db/add-sample-shifts --large 10000 --root " + q;
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root);
  return path;
}

Variant Sections() {
  std::vector<Variant> items;
  const std::pair<int, const char*> sections[] = {{0, "Шапка сменного отчета.html"},
                                                  {2, "Информация о ТРК.html"},
                                                  {3, "Информация о резервуарах.html"}};
  for (const auto& [kind, html] : sections) {
    const std::string name = "s" + std::to_string(kind);
    for (const Variant& v : {Variant(name), Variant(kind), Variant(""), Variant(name), Variant(0),
                             Variant(tv::Utf8ToCp1251(html))})
      items.push_back(v);
  }
  return tv::VarArrayOf(items);
}

void BM_CloseSmenaReport(benchmark::State& state) {
  Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  bench::InitShiftHost(host);
  const Variant params = tv::VarArrayOf({Variant(kFrom), Variant(kTo), Sections()});
  std::size_t textBytes = 0;
  ReportPhase.Begin();
  for (auto _ : state) {
    ReportPhase.StartRun();
    const auto reply = host.Request('-', params);
    ReportPhase.EndRun();
    if (!bench::Made(state, reply)) break;
    textBytes = reply.Text.size();
  }
  ReportPhase.End();
  state.counters["text_bytes"] = static_cast<double>(textBytes);
  state.counters["html_bytes"] = static_cast<double>(host.Request('7', Variant()).Text.size());
  CompareWithFetch(state);
}

// The report's four load statements, the same texts, every row fetched.
void BM_CloseSmenaLoadSQL(benchmark::State& state) {
  const std::string path = Database();
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  bench::OpenForRead(db, tr, path);
  int64_t rows = 0;
  FetchPhase.Begin();
  for (auto _ : state) {
    FetchPhase.StartRun();
    rows = bench::FetchShiftLoad(db, kFrom, kTo);
    FetchPhase.EndRun();
  }
  FetchPhase.End();
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = FetchPhase.PeakMiB;
}

}  // namespace

BENCHMARK(BM_CloseSmenaLoadSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CloseSmenaReport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
