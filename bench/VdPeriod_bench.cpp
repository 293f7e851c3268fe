// The statements for a period (report code 11) over the benchmark sample's
// 1 000 000 sales rows, all inside the report's period, requested through
// the exported names as a host does; against the report's own SQL run and
// fetched through the data-access layer in the same process: the fuel list,
// the counterparty query of each statement payment type and the four limit
// queries of each counterparty row. The report cannot be faster than that
// fetch; the aim is at most 1.5 times it. The process's peak resident
// memory is reported as a counter.
//
// The database is the data-access benchmark's (db/create-sample-db --shifts
// 300 --sales 1000000 under $TOLVAREN_BENCH_ROOT, default bench-root in the
// build folder), made on first use.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "bench/BenchHost.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

const tv::TDateTime kBegin = tv::EncodeDateTime(2024, 3, 1, 0, 0, 0, 0);
const tv::TDateTime kEnd = tv::EncodeDateTime(2024, 9, 1, 0, 0, 0, 0);
const int kCodes[] = {4, 104};

using bench::BenchRoot;

// The benchmarks' database; the root also gets the station's cnf.ini and
// open shift.
std::string Database() {
  const std::string root = BenchRoot();
  const std::string path = bench::BenchDatabase();
  bench::PrepareStationRoot(root);
  return path;
}

// The report through the library, as the station's host asks for it.
void BM_VdPeriodReport(benchmark::State& state) {
  Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  bench::InitStationHost(host);
  const Variant params = tv::VarArrayOf(
      {Variant::FromDate(kBegin), Variant::FromDate(kEnd), Variant(), tv::VarArrayOf({4, 104})});
  std::size_t textBytes = 0;
  for (auto _ : state) {
    const auto reply = host.Request(11, params);
    if (reply.Result != TV_REPORT_TRUE || reply.Text.find("Ошибка"_w) != std::string::npos) {
      state.SkipWithError(tv::Cp1251ToUtf8(reply.Text).c_str());
      break;
    }
    textBytes = reply.Text.size();
  }
  state.counters["text_bytes"] = static_cast<double>(textBytes);
  state.counters["html_bytes"] = static_cast<double>(host.Request('7', Variant()).Text.size());
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

// One statement through the layer, every row fetched; returns the rows.
int Fetch(tv::TIBDataSet& ds, const std::string& sql, int vidOpl = -1) {
  ds.SelectSQL().SetText(sql);
  if (ds.Params().FindParam("BegDate") != nullptr) {
    ds.ParamByName("BegDate").SetAsDateTime(kBegin);
    ds.ParamByName("EndDate").SetAsDateTime(kEnd);
  }
  if (vidOpl >= 0) ds.ParamByName("VidOpl").SetAsInteger(vidOpl);
  ds.Open();
  ds.FetchAll();
  const int rows = ds.RecordCount();
  return rows;
}

// The report's own statements, the same texts, through the layer.
void BM_VdPeriodSQL(benchmark::State& state) {
  const std::string path = Database();
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  bench::OpenForRead(db, tr, path);
  const std::string fuels =
      "SELECT GSMName\r\nfrom LogTran a\r\nWHERE (a.DATA BETWEEN :BegDate AND :EndDate) and "
      "a.VidOpl in (4,104)\r\nGROUP BY A.GSMName\r\nORDER BY a.GSMName";
  const std::string orgs =
      "select O.Name, a.GSMName as GSM, sum(a.liter) as Liter,\r\n"
      "SUM(a.Summa) as Summa, SUM(a.Liter * a.Plotn) as Kg, COALESCE(a.IDCnt, 0) AS IDCnt\r\n"
      "from LogTran a\r\n"
      "LEFT JOIN CONTRAGENT o ON (COALESCE(a.IDCnt, 0) = CAST(o.CONTR_ID AS VARCHAR(10)))\r\n"
      "WHERE a.DATA BETWEEN :BegDate AND :EndDate AND a.VidOpl = :VidOpl  AND ((a.KA = 0)  ) \r\n"
      "GROUP BY o.Name, A.GSMName, a.IDCnt\r\nORDER BY o.Name, A.GSMName";
  int64_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    tv::TIBDataSet ds;
    ds.SetDatabase(&db);
    rows += Fetch(ds, fuels);
    ds.Close();
    for (int code : kCodes) {
      tv::TIBDataSet main;
      main.SetDatabase(&db);
      rows += Fetch(main, orgs, code);
      std::set<std::string> ids;
      for (main.First(); !main.Eof(); main.Next()) ids.insert(main.FieldByName("IDCnt").AsString());
      main.Close();
      for (const std::string& id : ids) {
        for (int type = 0; type < 4; ++type) {
          tv::TIBDataSet limit;
          limit.SetDatabase(&db);
          limit.SelectSQL().SetText(
              "SELECT Min(Liters) AS LimLiter\r\nFROM vdLimits\r\nWHERE LimitType = "
              ":LimitType\r\nAND CONTR_ID = :ID\r\nAND CarID IS NULL AND DriverID IS NULL");
          limit.ParamByName("LimitType").SetAsInteger(type);
          limit.ParamByName("ID").SetAsInteger(std::atoi(id.c_str()));
          limit.Open();
          limit.FetchAll();
          rows += limit.RecordCount();
        }
      }
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

}  // namespace

BENCHMARK(BM_VdPeriodSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VdPeriodReport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
