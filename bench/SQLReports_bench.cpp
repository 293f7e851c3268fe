// The host's SQL requests over the benchmark sample's 1 000 000 sales rows,
// "SELECT * FROM LOGTRAN" through the exported names as a host asks ('#' 3
// HTML table, '#' 2 data packet as hex), against the same SQL run and every
// row fetched through the data-access layer in this process (the physical
// limit). Aims: '#' 3 at most 1.5 times the fetch, '#' 2 at most 2 times.
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
#include "platform/Cp1251.h"
#include "platform/Files.h"
#include "platform/Registry.h"
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

void BM_FetchAll(benchmark::State& state) {
  const std::string path = Database();
  tv::TIBDatabase db;
  db.SetDatabaseName(path);
  db.Params().Add("user_name=SYSDBA");
  db.Params().Add("lc_ctype=WIN1251");
  tv::TIBTransaction tr;
  tr.Params().SetText("read_committed\nrec_version\nnowait\nread");
  db.SetDefaultTransaction(&tr);
  db.Open();
  int64_t rows = 0;
  for (auto _ : state) {
    tv::TIBDataSet ds;
    ds.SetDatabase(&db);
    ds.SelectSQL().SetText(kSql);
    ds.SetUniDirectional(true);
    ds.Open();
    rows = 0;
    for (; !ds.Eof(); ds.Next()) ++rows;
    ds.Close();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void Request(benchmark::State& state, const Variant& params, bool html) {
  Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  host.Set(8, Variant(false));
  if (host.Init() != 1) std::abort();
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
