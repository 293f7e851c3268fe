// Two sections of the close-of-shift report through the exported names, as
// a host asks for them, each against its reference in the same process:
//
// - Receipts (kind 5) over 200 000 PRX operations of shift 50 (one to three
//   PRXSILO rows each, the full schema with both CONTRAGENT joins), against
//   the section's own statement run and fetched through the data-access
//   layer (aim: at most 3 times, as every row is written twice). The split:
//   fetch; fetch and copy into a client data set (FillClientDataSet, as the
//   section does); the section without its HTML template (triple layout: the
//   text form and an engine with nothing to fill); the whole section.
//   BM_ReceiptsPhases runs the fetch, the whole section and the hand-over
//   of its HTML ('7') one after the other in one process, each with its
//   own peak of resident memory, beside the aim for the section's peak
//   (its text and HTML plus 3 times the fetch's peak).
//   Database: db/create-sample-db --only station, db/add-sample-receipts and
//   db/add-sample-receipts --bench 200000, under $TOLVAREN_BENCH_ROOT/prx
//   (default bench-prx-root in the build folder), made on first use.
// - The non-standard financial section (kind 10) over the 10 000 shifts of
//   the close-of-shift benchmark (its database, made the same way), against
//   the report's four load statements fetched (aim: at most 1.5 times).
//
// Peak resident memory is reported with each.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "library/ReportRoutines.h"
#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "reports/operational/fuel/PrxReport.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

constexpr int kReceipts = 200000;
constexpr int kFrom = 1001, kTo = 11000;  // the close-of-shift benchmark's range

std::string Root(const char* sub, const char* fallback) {
  const char* root = std::getenv("TOLVAREN_BENCH_ROOT");
  return root != nullptr ? std::string(root) + "/" + sub
                         : std::string(TOLVAREN_BINARY_DIR) + "/" + fallback;
}

// The database under `root` (made by `scripts` of db/ when missing), cnf.ini
// with room for the rows and a closed shift in the registry.
std::string Database(const std::string& root, const std::vector<std::string>& scripts) {
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  if (!std::filesystem::exists(path)) {
    std::string cmd = "true";
    for (const std::string& script : scripts)
      cmd += " && " + std::string(TOLVAREN_SOURCE_DIR) + "/db/" + script + " --root '" + root + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root, 1000, 2000000);
  return path;
}

std::string PrxDatabase() {
  return Database(Root("prx", "bench-prx-root"),
                  {"create-sample-db --only station", "add-sample-receipts",
                   "add-sample-receipts --bench " + std::to_string(kReceipts)});
}

std::string ShiftDatabase() {
  return Database(Root("shift", "bench-shift-root"),
                  {"create-sample-db --only station", "add-sample-shifts --large 10000"});
}

// The receipt section's statement on the full schema, line by line.
std::vector<std::string> PrxStatement() {
  return {std::string(tv::PrxJoinedSelectList) +
              ", p.NAMESLIV , p.KEEPER_ID, kp.NAME AS KPNAME, kp.FULLNAME AS KPFULLNAME, kp.INN AS "
              "KPINN  , p.MASSAFROMTTN ",
          "FROM Prx p",
          "LEFT JOIN PRXSILO ps ON p.OPNUM=ps.OPNUM",
          "LEFT JOIN CONTRAGENT c ON p.CONTR_ID=c.CONTR_ID",
          "LEFT JOIN CONTRAGENT kp ON p.KEEPER_ID=kp.CONTR_ID",
          "where p.Prihod = 1 and p.SmNum >= 50 and p.SmNum <= 50 and COALESCE(p.COR, 0) = 0 Order "
          "By p.CarName, p.GSMName"};
}

struct TDirect {
  explicit TDirect(const std::string& path) { bench::OpenForRead(db, tr, path); }
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
};

// The statement fetched; with `copy`, then copied as the section copies it.
void BM_ReceiptsStatement(benchmark::State& state, bool copy) {
  TDirect direct(PrxDatabase());
  int64_t rows = 0;
  for (auto _ : state) {
    tv::TIBDataSet ds;
    ds.SetDatabase(&direct.db);
    for (const std::string& line : PrxStatement()) ds.SelectSQL().Add(line);
    if (copy) {
      tv::TClientDataSet cds;
      tv::FillClientDataSet(ds, cds);
      rows = cds.RecordCount();
    } else {
      ds.Open();
      ds.FetchAll();
      rows = ds.RecordCount();
    }
    ds.Close();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

// One section through the exported names; `html` empty: the triple layout
// (no template to fill).
void RunSection(benchmark::State& state, int from, int to, int kind, const char* html) {
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  bench::InitShiftHost(host);
  const Variant name("s");
  const Variant sections = *html == '\0'
                               ? tv::VarArrayOf({name, Variant(kind), Variant("Smena4.FRM")})
                               : tv::VarArrayOf({name, Variant(kind), Variant(""), name, Variant(0),
                                                 Variant(tv::Utf8ToCp1251(html))});
  const Variant params = tv::VarArrayOf({Variant(from), Variant(to), sections});
  std::size_t textBytes = 0;
  for (auto _ : state) {
    const auto reply = host.Request('-', params);
    if (!bench::Made(state, reply)) break;
    textBytes = reply.Text.size();
  }
  state.counters["text_bytes"] = static_cast<double>(textBytes);
  state.counters["html_bytes"] = static_cast<double>(host.Request('7', Variant()).Text.size());
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_ReceiptsSection(benchmark::State& state, const char* html) {
  PrxDatabase();
  RunSection(state, 50, 50, 5, html);
}

// Fetch, section and hand-over of the HTML version, each with its peak.
void BM_ReceiptsPhases(benchmark::State& state) {
  const std::string path = PrxDatabase();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  bench::InitShiftHost(host);
  const Variant name("s");
  const Variant params = tv::VarArrayOf(
      {Variant(50), Variant(50),
       tv::VarArrayOf({name, Variant(5), Variant(""), name, Variant(0),
                       Variant(tv::Utf8ToCp1251("Расшифровка поступления топлива.html"))})});
  double fetchMs = 0, fetchPeak = 0, reportMs = 0, reportPeak = 0, handPeak = 0;
  std::size_t textBytes = 0, htmlBytes = 0;
  for (auto _ : state) {
    {
      bench::ResetPeakRss();
      const auto t0 = std::chrono::steady_clock::now();
      TDirect direct(path);
      tv::TIBDataSet ds;
      ds.SetDatabase(&direct.db);
      for (const std::string& line : PrxStatement()) ds.SelectSQL().Add(line);
      ds.Open();
      ds.FetchAll();
      state.counters["rows"] = static_cast<double>(ds.RecordCount());
      ds.Close();
      fetchMs = bench::MsSince(t0);
      fetchPeak = bench::PhasePeakRssMiB();
    }
    bench::ResetPeakRss();
    const auto t0 = std::chrono::steady_clock::now();
    const auto reply = host.Request('-', params);
    reportMs = bench::MsSince(t0);
    reportPeak = bench::PhasePeakRssMiB();
    if (!bench::Made(state, reply)) return;
    textBytes = reply.Text.size();
    const bench::THandOver hand = bench::HandOverHtml(lib);
    handPeak = hand.PeakMiB;
    htmlBytes = hand.Bytes;
  }
  state.counters["fetch_ms"] = fetchMs;
  state.counters["report_ms"] = reportMs;
  state.counters["fetch_peak_MiB"] = fetchPeak;
  state.counters["report_peak_MiB"] = reportPeak;
  state.counters["aim_peak_MiB"] =
      static_cast<double>(textBytes + htmlBytes) / 1048576.0 + 3 * fetchPeak;
  state.counters["html7_peak_MiB"] = handPeak;
  state.counters["text_bytes"] = static_cast<double>(textBytes);
  state.counters["html_bytes"] = static_cast<double>(htmlBytes);
}

void BM_NonStdLoadSQL(benchmark::State& state) {
  TDirect direct(ShiftDatabase());
  int64_t rows = 0;
  for (auto _ : state) {
    rows = bench::FetchShiftLoad(direct.db, kFrom, kTo);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_NonStdSection(benchmark::State& state) {
  ShiftDatabase();
  RunSection(state, kFrom, kTo, 10, "Финансовый отчет нестандартный.html");
}

}  // namespace

BENCHMARK(BM_ReceiptsPhases)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_ReceiptsStatement, fetch, false)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ReceiptsStatement, fetch_and_copy, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_ReceiptsSection, text_only, "")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ReceiptsSection, text_and_html, "Расшифровка поступления топлива.html")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_NonStdLoadSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NonStdSection)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
