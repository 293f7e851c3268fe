// The host's SQL requests over the benchmark sample's 1 000 000 sales rows,
// "SELECT * FROM LOGTRAN" through the exported names as a host asks ('#' 3
// HTML table, '#' 2 data packet as hex), against the same SQL run and every
// row fetched through the data-access layer in this process (the physical
// limit). Aims: '#' 3 at most 1.5 times the fetch, '#' 2 at most 2 times;
// '#' 2's peak at most twice its hex output plus the fetch's peak, both
// printed in one run (fetch_peak_MiB, report_peak_MiB: each above the
// resident size at the start of its phase).
// Also one custom-function call ('#' 17: connect, new id, disconnect).
// Run each benchmark in its own process (--benchmark_filter) to read its
// peak resident memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBField.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

const char* const kSql = "SELECT * FROM LOGTRAN";

std::string Database() {
  const std::string root = bench::BenchRoot();
  const std::string path = bench::BenchDatabase();
  bench::PrepareStationRoot(root);
  return path;
}

// The statement's rows fetched through the data-access layer (the physical
// limit): returns the rows.
int64_t FetchAll(const std::string& path) {
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  bench::OpenForRead(db, tr, path);
  tv::TIBDataSet ds;
  ds.SetDatabase(&db);
  ds.SelectSQL().SetText(kSql);
  ds.SetUniDirectional(true);
  ds.Open();
  int64_t rows = 0;
  for (; !ds.Eof(); ds.Next()) ++rows;
  ds.Close();
  return rows;
}

void BM_FetchAll(benchmark::State& state) {
  const std::string path = Database();
  int64_t rows = 0;
  for (auto _ : state) rows = FetchAll(path);
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

// The request through the exported names. Its peak is read beside that of
// the plain fetch of its SQL in the same process (each phase from the
// resident size at its start), so the ratio is read in one run.
void Request(benchmark::State& state, const Variant& params, bool html) {
  const std::string path = Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  host.Set(8, Variant(false));
  if (host.Init() != 1) std::abort();
  bench::ResetPeakRss();
  const double base = bench::PhasePeakRssMiB();
  FetchAll(path);
  state.counters["fetch_peak_MiB"] = bench::PhasePeakRssMiB() - base;
  bench::ResetPeakRss();
  const double requestBase = bench::PhasePeakRssMiB();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto reply = host.Request('#', params);
    if (reply.Result != TV_REPORT_TRUE || reply.Text.find("Ошибка"_w) != std::string::npos) {
      state.SkipWithError(tv::Cp1251ToUtf8(reply.Text.substr(0, 300)).c_str());
      break;
    }
    bytes = html ? host.Request('7', Variant()).Text.size() : reply.Text.size();
  }
  state.counters["out_bytes"] = static_cast<double>(bytes);
  state.counters["report_peak_MiB"] = bench::PhasePeakRssMiB() - requestBase;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_SQLTable(benchmark::State& state) {
  Request(state,
          tv::VarArrayOf({Variant(3), Variant(kSql), Variant(0), Variant(""), Variant("")}),
          true);
}

void BM_SQLData(benchmark::State& state) {
  Request(state, tv::VarArrayOf({Variant(2), Variant(kSql), Variant(0)}), false);
}

void BM_CustomFunction(benchmark::State& state) {
  Request(state,
          tv::VarArrayOf({Variant(17), Variant(2), tv::VarArrayOf({Variant(1), Variant(0)})}),
          false);
}

}  // namespace

BENCHMARK(BM_FetchAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SQLTable)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SQLData)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CustomFunction)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK_MAIN();
