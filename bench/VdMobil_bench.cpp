// The statement by car (code 13) and the contracts report (code 25) over
// the benchmark sample's 1 000 000 sales rows, requested through the
// exported names as a host does, each against its own SQL run and fetched
// through the data-access layer in the same process (the aims: at most 1.5
// and 1.3 times that fetch). The process's peak resident memory is reported.
//
// BM_VdMobilReport runs the car statement's fetch, the report and the
// hand-over of its HTML version ('7') one after the other in one process,
// each with its own peak of resident memory, beside the aim for the
// report's peak (1.5 times the HTML plus 3 times the fetch's peak) and a
// checksum of the HTML (TOLVAREN_BENCH_HTML names a file to write it to),
// so that a change to how the document is held can be seen to leave it as
// it was.
//
// Each report gets its own copy of the benchmark database (BenchDatabase.h)
// under bench-root/vehicles and bench-root/contracts, skewed once by SQL:
// every sale becomes one car's statement sale, or a sale to one of 40
// customers under the three contract payment types 8, 108, 208 and six
// fuels. db/add-sample-vehicles adds the car, driver and organisation.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

const tv::TDateTime kBegin = tv::EncodeDateTime(2024, 3, 1, 0, 0, 0, 0);
const tv::TDateTime kEnd = tv::EncodeDateTime(2024, 9, 1, 0, 0, 0, 0);

const char* const kVehicleSkew =
    "UPDATE LOGTRAN SET IDCNT = '31', IDCAR = 31, IDDRV = 31, VIDOPL = 4, KA = 0 "
    "WHERE DATA >= '2024-03-01';";
const char* const kContractSkew =
    "UPDATE LOGTRAN SET KA = 0, VIDOPL = CASE MOD(INDEXSALE, 3) WHEN 0 THEN 8 WHEN 1 THEN 108 "
    "ELSE 208 END, POKUPATEL = 'Клиент ' || MOD(INDEXSALE, 40), GSMNAME = CASE MOD(INDEXSALE / "
    "3, 6) WHEN 0 THEN 'АИ-92' WHEN 1 THEN 'АИ-95' WHEN 2 THEN 'АИ-98' WHEN 3 THEN 'ДТ' WHEN 4 "
    "THEN 'ДТ-З' ELSE 'АИ-100' END WHERE DATA >= '2024-03-01';";

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::abort();
}

// The skewed copy <bench-root>/<name>, made on first use; it becomes the
// library's root, sharing the benchmark database's engine folder.
std::string Database(const std::string& name, const char* skew) {
  const std::string source = bench::BenchDatabase();
  const std::string engine = bench::BenchRoot() + "/firebird";
  const std::string root = bench::BenchRoot() + "/" + name;
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  ::setenv("FIREBIRD", engine.c_str(), 1);
  ::setenv("FIREBIRD_LOCK", (engine + "/lock").c_str(), 1);
  if (!std::filesystem::exists(path)) {
    std::filesystem::create_directories(root + "/c/FUEL/DB");
    std::filesystem::copy_file(source, path + ".part");
    const std::string sql = root + "/skew.sql";
    tv::WriteFileBytes(sql, "SET NAMES WIN1251;\nCONNECT '" + path + ".part' USER 'SYSDBA';\n" +
                                tv::Utf8ToCp1251(skew) + "\nCOMMIT;\n");
    Run("isql-fb -q -b -i '" + sql + "'");
    std::filesystem::rename(path + ".part", path);
    Run(std::string(TOLVAREN_SOURCE_DIR) + "/db/add-sample-vehicles --root '" + root + "'");
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root, 4000, 2000000);
  return path;
}

// The station's host with the payment types and statement types of the
// statements, then InitReports.
void InitHost(tv::test::TestHost& host) {
  host.Set(8, Variant(false));
  host.Set(13, Variant("АЗС"_w));
  const int codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 104, 204, 108, 208};
  const int n = static_cast<int>(std::size(codes));
  Variant names = tv::VarArrayCreate({0, n - 1}, tv::VarType::Variant);
  Variant list = tv::VarArrayCreate({0, n - 1, 0, 1}, tv::VarType::Variant);
  for (int i = 0; i < n; ++i) {
    names[i] = Variant("Payment type " + std::to_string(codes[i]));
    list.At(i, 0) = Variant(codes[i]);
    list.At(i, 1) = Variant(0);
  }
  host.Set(23, names);
  host.Set(57, list);
  if (host.Init() != 1) std::abort();
}

// One request through the library, as the station's host asks for it.
void Report(benchmark::State& state, char code, const Variant& params) {
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  InitHost(host);
  std::size_t textBytes = 0;
  for (auto _ : state) {
    const auto reply = host.Request(code, params);
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

// Statements through the layer, every row fetched; `bind` sets parameters.
template <typename Bind>
int64_t Fetch(tv::TIBDatabase& db, const std::string& sql, Bind bind) {
  tv::TIBDataSet ds;
  ds.SetDatabase(&db);
  ds.SelectSQL().SetText(tv::Utf8ToCp1251(sql));
  bind(ds);
  ds.Open();
  ds.FetchAll();
  return ds.RecordCount();
}

template <typename Body>
void Sql(benchmark::State& state, const std::string& path, Body body) {
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  bench::OpenForRead(db, tr, path);
  int64_t rows = 0;
  for (auto _ : state) rows = body(db);
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

const char* const kVdMobilSql =
    "select a.GSMName as GSM, a.Data, c.Name as Number, d.Name as Driver, a.Liter, a.Summa, "
    "a.PListNum as ListNumber, a.GSMPrice as Price, a.VidOpl\r\nfrom LogTran a\r\n"
    "LEFT JOIN CONTRAGENT o ON a.IDCnt = CAST(o.CONTR_ID AS VARCHAR(10))\r\n"
    "LEFT JOIN VDCar c on a.IDCar = c.ID\r\nLEFT JOIN VDDriver d on a.IDDrv = d.ID\r\n"
    "WHERE (a.Data BETWEEN '2024-03-01 00:00:00.000' AND '2024-09-01 00:00:00.000')\r\n"
    " and (a.VidOpl in (4)) \r\n and (UPPER(c.Name) = 'АВ555КХ99')\r\n"
    " and (UPPER(o.Name) = 'ООО СЕВЕРНЫЙ ПУТЬ')\r\n AND ((COALESCE(a.KA, 0) = 0)  ) \r\n"
    "ORDER BY A.GSMName, a.Data";

// Fetch, report and hand-over of the HTML version, each with its peak.
void BM_VdMobilReport(benchmark::State& state) {
  const std::string path = Database("vehicles", kVehicleSkew);
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  InitHost(host);
  const Variant params =
      tv::VarArrayOf({Variant::FromDate(kBegin), Variant::FromDate(kEnd),
                      Variant("ООО Северный Путь"_w), Variant("Ав555кх99"_w), Variant(),
                      tv::VarArrayOf({4})});
  double fetchMs = 0, fetchPeak = 0, reportMs = 0, reportPeak = 0, handPeak = 0;
  std::size_t textBytes = 0, htmlBytes = 0;
  std::size_t hash = 0;
  for (auto _ : state) {
    {
      bench::ResetPeakRss();
      const auto t0 = std::chrono::steady_clock::now();
      tv::TIBDatabase db;
      tv::TIBTransaction tr;
      bench::OpenForRead(db, tr, path);
      state.counters["rows"] = static_cast<double>(Fetch(db, kVdMobilSql, [](tv::TIBDataSet&) {}));
      fetchMs = bench::MsSince(t0);
      fetchPeak = bench::PhasePeakRssMiB();
    }
    bench::ResetPeakRss();
    const auto t0 = std::chrono::steady_clock::now();
    struct rusage ru0, ru1;
    getrusage(RUSAGE_SELF, &ru0);
    const auto reply = host.Request(13, params);
    reportMs = bench::MsSince(t0);
    getrusage(RUSAGE_SELF, &ru1);
    state.counters["report_faults"] = double(ru1.ru_minflt - ru0.ru_minflt);
    reportPeak = bench::PhasePeakRssMiB();
    if (reply.Result != TV_REPORT_TRUE || reply.Text.find("Ошибка"_w) != std::string::npos) {
      state.SkipWithError(tv::Cp1251ToUtf8(reply.Text.substr(0, 300)).c_str());
      return;
    }
    textBytes = reply.Text.size();
    const bench::THandOver hand = bench::HandOverHtml(lib);
    handPeak = hand.PeakMiB;
    htmlBytes = hand.Bytes;
    hash = hand.Hash;
  }
  const double htmlMiB = static_cast<double>(htmlBytes) / 1048576.0;
  state.counters["fetch_ms"] = fetchMs;
  state.counters["report_ms"] = reportMs;
  state.counters["time_ratio"] = fetchMs > 0 ? reportMs / fetchMs : 0;
  state.counters["fetch_peak_MiB"] = fetchPeak;
  state.counters["report_peak_MiB"] = reportPeak;
  state.counters["aim_peak_MiB"] = 1.5 * htmlMiB + 3 * fetchPeak;
  state.counters["html7_peak_MiB"] = handPeak;
  state.counters["text_bytes"] = static_cast<double>(textBytes);
  state.counters["html_bytes"] = static_cast<double>(htmlBytes);
  char label[32];
  std::snprintf(label, sizeof label, "html %016zx", hash);
  state.SetLabel(label);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_VdMobilSQL(benchmark::State& state) {
  Sql(state, Database("vehicles", kVehicleSkew),
      [](tv::TIBDatabase& db) { return Fetch(db, kVdMobilSql, [](tv::TIBDataSet&) {}); });
}

void BM_BNEReport(benchmark::State& state) {
  Database("contracts", kContractSkew);
  Report(state, 25,
         tv::VarArrayOf({Variant::FromDate(kBegin), Variant::FromDate(kEnd), Variant("1"),
                         Variant("Оператор"_w), Variant(), tv::VarArrayOf({8, 108, 208})}));
}

void BM_BNESQL(benchmark::State& state) {
  const auto period = [](tv::TIBDataSet& ds) {
    ds.ParamByName("BegDate").SetAsDateTime(kBegin);
    ds.ParamByName("EndDate").SetAsDateTime(kEnd);
  };
  Sql(state, Database("contracts", kContractSkew), [&](tv::TIBDatabase& db) {
    int64_t rows = Fetch(db,
                         "SELECT GSMName FROM LogTran a\r\nWHERE a.Data BETWEEN :BegDate AND "
                         ":EndDate and a.VidOpl in (8,108,208)\r\nGROUP BY a.GSMName\r\nORDER BY "
                         "a.GSMName",
                         period);
    for (int code : {8, 108, 208})
      rows += Fetch(db,
                    "select a.Pokupatel, a.GSMName, sum(a.liter) as Liter, SUM(a.Summa) as "
                    "Summa\r\nfrom LogTran a\r\nWHERE (a.Data BETWEEN :BegDate AND :EndDate) AND "
                    "(a.VidOpl = :VidOpl)  AND ((COALESCE(a.KA, 0) = 0)  ) \r\nGROUP BY a.Pokupatel, "
                    "a.GSMName\r\nORDER BY a.Pokupatel, a.GSMName",
                    [&](tv::TIBDataSet& ds) {
                      period(ds);
                      ds.ParamByName("VidOpl").SetAsInteger(code);
                    });
    return rows;
  });
}

}  // namespace

BENCHMARK(BM_VdMobilSQL)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_VdMobilReport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BNESQL)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BNEReport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
