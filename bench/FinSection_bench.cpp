// The financial section of the close-of-shift report (code '-', paired
// layout, the built-in form and template, goods rows by cash-register
// section) over 10 000 shifts, through the exported names as a host asks
// for it; against the SQL the report runs, in the same process through the
// data-access layer: the four load statements, the goods query on both
// departments, the cash-receipt query and the KKMOPER query, every row
// fetched; and against the four load statements with every row kept, as the
// close-of-shift benchmark fetches them. The report's run prints its peak
// resident memory and time beside those of the fetches, and its peak against
// three times the sum of both fetches' peaks (peak_to_aim, at most 1).
//
// The databases: db/create-sample-db, db/add-sample-shifts --large 10000
// (about 1 000 000 rows of SMTRK, SMSILO and SILOVO), db/add-sample-finance
// --bench (1 000 000 cash checks, 500 000 goods-motion rows in each of the
// two departments), under $TOLVAREN_BENCH_ROOT/fin (default bench-fin-root
// in the build folder), made on first use.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/Format.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

constexpr int kFrom = 1001;
constexpr int kTo = 11000;

// The statements of the section, as the report runs them (comments left out).
const char* const GoodsSql =
    "SELECT gm.\"TYPE\", gm.\"COUNT\" AS Kolvo, (gm.\"COUNT\" * gm.RPrice) AS RSumma, "
    "c.KKMSection, p.GsmVO AS Payment, d.Payment AS VOType, b.NDS, (gm.\"COUNT\" * b.ZPrice) AS "
    "ZSumma FROM Documents d LEFT JOIN GoodsMotion gm ON gm.ID_Doc=d.ID_Doc "
    "LEFT JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc LEFT JOIN Payment p ON p.ID = sd.Payment "
    "LEFT JOIN Batches b ON b.ID_P=gm.ID_P LEFT JOIN Goods g ON g.ID_Goods=b.ID_Goods "
    "LEFT JOIN Category c ON c.ID_Category=g.ID_Category "
    "WHERE (d.Data BETWEEN :BDate AND :EDate) AND (d.\"TYPE\" IN (2,3))";
const char* const CashSql =
    "SELECT NKKM, SUM(q.SUMMA) AS NALSUMMA FROM ( "
    "SELECT COALESCE(b.KKM, 0) + 1 AS NKKM, b.SUMMA FROM SMLOG sm "
    "LEFT JOIN BCHECK b ON (b.INDEXSALE BETWEEN sm.INDEXSALE_BEG AND sm.INDEXSALE_END) "
    "LEFT JOIN SMTRK tr ON tr.SMNUM=sm.SMNUM AND tr.TRKINDEX=b.TRKINDEX+1 AND tr.PISTOLET=b.NUMBER "
    "LEFT JOIN SILOVO vo ON (vo.SMNUM=sm.SMNUM) AND (vo.SILONUM=tr.SILONUM) AND "
    "(vo.VIDOPL=b.VIDOPL) "
    "WHERE (vo.CHECKTYPE=0) AND (b.KA = 0) AND (sm.SMNUM BETWEEN :SmBeg AND :SmEnd) "
    "AND (sm.INDEXSALE_BEG > 0) UNION ALL "
    "SELECT COALESCE(b.KKM, 0) + 1 AS NKKM, b.SUMMA FROM SMLOG sm "
    "LEFT JOIN BCHECK b ON (b.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME) "
    "LEFT JOIN SMTRK tr ON tr.SMNUM=sm.SMNUM AND tr.TRKINDEX=b.TRKINDEX+1 AND tr.PISTOLET=b.NUMBER "
    "LEFT JOIN SILOVO vo ON (vo.SMNUM=sm.SMNUM) AND (vo.SILONUM=tr.SILONUM) AND "
    "(vo.VIDOPL=b.VIDOPL) "
    "WHERE  (vo.CHECKTYPE=0) AND (b.KA = 0) AND (sm.SMNUM BETWEEN :SmBeg AND :SmEnd) "
    "AND ((sm.INDEXSALE_BEG IS NULL) or (sm.INDEXSALE_BEG = 0))) q GROUP BY NKKM";
const char* const KKMOperSql =
    "SELECT SMNUM, KKM, OPTYPE, SUM(SUMMA) AS SUMMA FROM KKMOPER WHERE (SMNUM BETWEEN :bSmNum AND "
    ":eSmNum) AND OPTYPE IN (0,1) GROUP BY SMNUM, KKM, OPTYPE ";

// The fetch runs first; the report prints its figures beside its own.
bench::TPhase FetchPhase, ReportPhase;

// The close-of-shift report's load fetched as that report's benchmark does.
bench::TPhase LoadPhase;

// The report's peak and mean time beside the fetches', and its peak against
// three times both fetches' peaks.
void CompareWithFetch(benchmark::State& state) {
  state.counters["peak_rss_MiB"] = ReportPhase.PeakMiB;
  state.counters["report_ms"] = ReportPhase.MeanMs;
  if (FetchPhase.Runs == 0 || LoadPhase.Runs == 0) return;
  state.counters["fetch_peak_MiB"] = FetchPhase.PeakMiB;
  state.counters["load_peak_MiB"] = LoadPhase.PeakMiB;
  state.counters["fetch_ms"] = FetchPhase.MeanMs;
  state.counters["peak_to_aim"] =
      ReportPhase.PeakMiB / (3 * LoadPhase.PeakMiB + 3 * FetchPhase.PeakMiB);
  state.counters["time_ratio"] = ReportPhase.MeanMs / FetchPhase.MeanMs;
}

std::string Root() { return bench::BenchRoot("fin", TOLVAREN_BINARY_DIR, "bench-fin-root"); }

// The databases (made when missing), cnf.ini with the goods rows switched on
// and a closed shift in the registry.
std::string Prepare() {
  const std::string root = Root();
  if (!std::filesystem::exists(root + "/c/FUEL/DB/Velmar.FDB")) {
    const std::string q = " --root '" + root + "'";
    const std::string db = std::string(TOLVAREN_SOURCE_DIR) + "/db/";
    const std::string cmd = db + "create-sample-db" + q + " && " + db +
                            "add-sample-shifts --large 10000" + q + " && " + db +
                            "add-sample-finance --bench" + q;
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root);
  // Sections 1 to 3 as "1=Магазин [Объем]", "2=Кафе [Масса]", "3=Прочее".
  std::string names;
  for (unsigned char c : "1=Магазин [Объем]\r\n2=Кафе [Масса]\r\n3=Прочее\r\n"_w)
    names += tv::Format("%.2X", {static_cast<int>(c)});
  tv::AppendFileBytes(root + "/c/WINDOWS/cnf.ini",
                      "PutTovarSalesToFinReport=1\r\nKKMSectionNames=" + names + "\r\n");
  return root;
}

void BM_FinSectionReport(benchmark::State& state) {
  Prepare();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  host.Set(0, Variant(1));
  host.Set(8, Variant(false));
  host.Set(9, Variant(2));
  host.Set(13, Variant("АЗС №1"_w));
  host.Set(45, Variant(true));
  if (host.Init() != 1) std::abort();
  std::vector<Variant> section;
  for (const Variant& v : {Variant("f"), Variant(4), Variant(""), Variant("f"), Variant(0),
                           Variant("Финансовый отчет.html"_w)})
    section.push_back(v);
  const Variant params = tv::VarArrayOf({Variant(kFrom), Variant(kTo), tv::VarArrayOf(section)});
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
  CompareWithFetch(state);
}

// A read-only connection through the data-access layer.
struct TConnection {
  tv::TIBDatabase Db;
  tv::TIBTransaction Tr;
  explicit TConnection(const std::string& path) { bench::OpenForRead(Db, Tr, path); }
};

// Runs `sql` with the integer or date parameters given and fetches every row.
int64_t Fetch(tv::TIBDatabase& db, const std::string& sql,
              const std::vector<std::pair<const char*, Variant>>& params) {
  tv::TIBDataSet ds;
  ds.SetDatabase(&db);
  ds.SelectSQL().SetText(sql);
  ds.SetUniDirectional(true);
  for (const auto& [name, value] : params) ds.ParamByName(name).SetValue(value);
  ds.Open();
  int64_t rows = 0;
  for (; !ds.Eof(); ds.Next()) ++rows;
  ds.Close();
  return rows;
}

// The report's SQL, the same texts, every row fetched.
void BM_FinSectionSQL(benchmark::State& state) {
  const std::string root = Prepare();
  TConnection station(root + "/c/FUEL/DB/Velmar.FDB");
  TConnection shop(root + "/c/FUEL/SHOP/SHOP.FDB");
  TConnection cafe(root + "/c/FUEL/CAFE/CAFE.FDB");
  const Variant beg = Variant::FromDate(tv::EncodeDateTime(2024, 4, 1, 8, 0, 0, 0));
  const Variant end = Variant::FromDate(tv::EncodeDateTime(2024, 4, 1, 16, 0, 0, 0));
  int64_t rows = 0;
  FetchPhase.Begin();
  for (auto _ : state) {
    FetchPhase.StartRun();
    rows = 0;
    for (const char* table : {"SmTrk", "SmSilo", "SmLog", "SiloVO"})
      rows += Fetch(station.Db,
                    std::string("SELECT * FROM ") + table + " WHERE SmNum BETWEEN " +
                        std::to_string(kFrom) + " AND " + std::to_string(kTo) + " ORDER BY SmNum",
                    {});
    for (TConnection* goods : {&shop, &cafe})
      rows += Fetch(goods->Db, GoodsSql, {{"BDate", beg}, {"EDate", end}});
    rows += Fetch(station.Db, CashSql, {{"SmBeg", Variant(kFrom)}, {"SmEnd", Variant(kTo)}});
    rows += Fetch(station.Db, KKMOperSql, {{"bSmNum", Variant(kFrom)}, {"eSmNum", Variant(kTo)}});
    FetchPhase.EndRun();
  }
  FetchPhase.End();
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = FetchPhase.PeakMiB;
}

// The four load statements with every row kept, as the close-of-shift
// benchmark fetches them: the first term of the report's memory aim.
void BM_FinSectionLoadSQL(benchmark::State& state) {
  const std::string root = Prepare();
  TConnection station(root + "/c/FUEL/DB/Velmar.FDB");
  int64_t rows = 0;
  LoadPhase.Begin();
  for (auto _ : state) {
    LoadPhase.StartRun();
    rows = bench::FetchShiftLoad(station.Db, kFrom, kTo);
    LoadPhase.EndRun();
  }
  LoadPhase.End();
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = LoadPhase.PeakMiB;
}

}  // namespace

BENCHMARK(BM_FinSectionLoadSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FinSectionSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FinSectionReport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
