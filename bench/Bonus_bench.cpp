// The bonus report (code 9) and the financial report by cash registers on
// the benchmark's rows of db/add-sample-bonus --bench (shifts 1001 to 2000;
// 1 000 000 BONUS rows, 1 000 000 receipts of 20 registers, 1 000 000 goods
// lines over two departments), each against a reference in the same run:
//  - the bonus report over the closed shifts through the exported names,
//    against its summing query run and fetched (aim: at most 1.3 times);
//  - the bonus report of the open shift over 100 000 rows that the host
//    fills, against the time of the fill itself (aim: at most 3 times);
//  - the cash-register report called in-process as the close-of-shift report
//    calls it, against the same statements run directly in the same order
//    (aim: at most 1.3 times).
// The database lives under $TOLVAREN_BENCH_ROOT/bonus (default
// bench-bonus-root in the build folder) and is made on first use.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "foundation/FBUtils.h"
#include "library/CVariant.h"
#include "library/HostCallbacks.h"
#include "library/IBSource.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "reports/shift/FinKKMRep.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

constexpr int kFrom = 1001;
constexpr int kTo = 2000;
constexpr int kOpenRows = 100000;

std::string Root() { return bench::BenchRoot("bonus", TOLVAREN_BINARY_DIR, "bench-bonus-root"); }

std::string Database() {
  const std::string root = Root();
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  if (!std::filesystem::exists(path)) {
    const std::string q = "'" + root + "'";
    const std::string cmd = std::string(TOLVAREN_SOURCE_DIR) +
                            "/db/create-sample-db --only station,goods --root " + q + " && " +
                            TOLVAREN_SOURCE_DIR + "/db/add-sample-bonus --bench --root " + q;
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root, 2000, 2000000);
  return path;
}

// A read connection as the data-access layer makes it.
struct TDirect {
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  explicit TDirect(const std::string& path) { bench::OpenForRead(db, tr, path); }
};

std::unique_ptr<tv::test::TestHost> StationHost(const tv::test::TestLibrary& lib) {
  auto host = std::make_unique<tv::test::TestHost>(lib, "C:\\FUEL\\DB\\");
  host->Set(0, Variant(kTo + 1));
  host->Set(1, Variant::FromDate(tv::EncodeDateTime(2026, 1, 1, 8, 0, 0, 0)));
  for (int code : {2, 3, 4}) host->Set(code, Variant(std::string("Operator")));
  host->Set(8, Variant(false));
  host->Set(13, Variant(std::string("Station")));
  if (host->Init() != 1) std::abort();
  return host;
}

void BM_BonusClosedReport(benchmark::State& state) {
  Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  auto host = StationHost(lib);
  const Variant params = tv::VarArrayOf({Variant(kFrom), Variant(), Variant(false), Variant(kTo),
                                         Variant(true), Variant(true), Variant(true)});
  for (auto _ : state) {
    const auto reply = host->Request('\x09', params);
    if (!bench::Made(state, reply)) break;
    state.counters["text_bytes"] = static_cast<double>(reply.Text.size());
  }
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_BonusSummingQuery(benchmark::State& state) {
  TDirect c(Database());
  int rows = 0;
  for (auto _ : state) {
    tv::TIBDataSet ds;
    ds.SetDatabase(&c.db);
    ds.SelectSQL().SetText(
        "SELECT Sum(SmenaNum) AS SmenaNum, VidOpl, SubVidOpl, GSM, Porog, NameBonus, Price, "
        "Sum(ProdanoL) AS ProdanoL,\r\nSum(BonusL) AS BonusL, Sum(Summa) AS Summa FROM Bonus\r\n"
        "WHERE SmenaNum BETWEEN :pBegSm AND :pEndSm\r\nAND COALESCE(KA, 0) = 0\r\n"
        "GROUP BY VidOpl, SubVidOpl, GSM, Porog, NameBonus, Price");
    ds.ParamByName("pBegSm").SetAsInteger(kFrom);
    ds.ParamByName("pEndSm").SetAsInteger(kTo);
    ds.Open();
    ds.FetchAll();
    rows = ds.RecordCount();
  }
  state.counters["rows"] = rows;
}

// The open shift: the host fills 100 000 bonus rows (kind 5); the fill's
// own time is measured inside the host's procedure.
void BM_BonusOpenShift(benchmark::State& state) {
  Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  auto host = StationHost(lib);
  auto append = lib.Get<decltype(&::tv_md_append)>("tv_md_append");
  auto set = lib.Get<decltype(&::tv_md_set)>("tv_md_set");
  auto post = lib.Get<decltype(&::tv_md_post)>("tv_md_post");
  double fillSeconds = 0;
  host->SetFillProc(5, [&](TVMemoryData* data) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::string subs[] = {"Акция"_w, "акция "_w, "Скидка"_w, ""};
    for (int i = 0; i < kOpenRows; ++i) {
      append(data);
      const std::pair<const char*, Variant> values[] = {
          {"SMENANUM", Variant(kTo + 1)},
          {"VIDOPL", Variant(i % 12)},
          {"SUBVIDOPL", Variant(subs[i % 4] + std::to_string(i % 5))},
          {"GSM", Variant("АИ-9"_w + std::to_string(i % 10))},
          {"POROG", Variant(20.0)},
          {"NAMEBONUS", Variant(std::string("Scheme"))},
          {"PRICE", Variant(50.0 + i % 3)},
          {"PRODANOL", Variant(10.0)},
          {"BONUSL", Variant(0.5)},
          {"SUMMA", Variant(i % 2 == 0 ? 0.0 : 475.0)},
          {"KA", Variant(i % 20 == 0 ? 1 : 0)}};
      for (const auto& [field, value] : values) {
        TVVariant v{};
        lib.Put(value, &v);
        set(data, field, &v);
        lib.Clear(&v);
      }
      post(data);
    }
    fillSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return TV_HOST_OK;
  });
  host->SetFillRows(1, {{{"SMNUM", Variant(kTo + 1)}}});
  const Variant params = tv::VarArrayOf({Variant(kTo + 1), Variant(), Variant(false),
                                         Variant(kTo + 1), Variant(true), Variant(true)});
  double reportSeconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const auto reply = host->Request('\x09', params);
    reportSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!bench::Made(state, reply)) break;
  }
  state.counters["fill_ms"] = 1000 * fillSeconds / static_cast<double>(state.iterations());
  state.counters["report_to_fill"] = reportSeconds / fillSeconds;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

// In-process host answers of the cash-register report.
std::map<int, Variant> answers;
int32_t Answer(TVVariant* result, int32_t code, int32_t) {
  const auto it = answers.find(code);
  if (it == answers.end()) return TV_HOST_FAILED;
  tv::ToCVariant(it->second, result);
  return TV_HOST_OK;
}

const tv::TDateTime kBeg = tv::EncodeDateTime(2025, 1, 1, 8, 0, 0, 0);
const tv::TDateTime kEnd = kBeg + 1000 * 8 / 24.0;

void BM_FinKKMReport(benchmark::State& state) {
  const std::string root = Root();
  Database();
  tv::LibraryStartup();
  answers = {{46, Variant(3)}, {5, Variant(std::string("C:\\FUEL\\DB\\"))}};
  tv::StoreHostProcs(nullptr, Answer, nullptr);
  tv::OfficeHost = true;
  tv::WriteFileBytes(
      root + "/c/FUEL/FORMS/WEBREP/kkm.html",
      tv::Utf8ToCp1251(tv::ReadFileBytes(tv::Utf8ToCp1251(
          std::string(TOLVAREN_SOURCE_DIR) + "/templates/web/Финансовый отчет по кассам.html"))));
  tv::TReportCreator creator;
  tv::TRxMemoryData log("SmLog"), payTypes("SiloVO");
  {
    std::unique_ptr<tv::TIBDataSet> q(
        tv::FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
    q->SelectSQL().SetText("SELECT * FROM SMLOG WHERE SmNum BETWEEN 1001 AND 2000 ORDER BY SmNum");
    tv::CopyTableRows(*q, log);
    q->Close();
    q->SelectSQL().SetText("SELECT * FROM SILOVO WHERE SmNum BETWEEN 1001 AND 2000 ORDER BY SmNum");
    tv::CopyTableRows(*q, payTypes);
  }
  tv::TStringList deps;
  deps.Add("Магазин=C:\\FUEL\\SHOP"_w);
  deps.Add("Кафе=C:\\FUEL\\CAFE"_w);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string html, error;
    tv::FinKKMUnit::GetFinKKMReport(creator, log, payTypes, false, kBeg, kEnd, "C:\\FUEL\\SHOP", "",
                                    deps, "", "kkm.html", html, error);
    if (!error.empty()) {
      state.SkipWithError(tv::Cp1251ToUtf8(error).c_str());
      break;
    }
    bytes = html.size();
  }
  state.counters["html_bytes"] = static_cast<double>(bytes);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
  tv::ClearHostProcs();
}

// The report's statements in the same order, run and fetched directly.
void BM_FinKKMStatements(benchmark::State& state) {
  const std::string root = Root();
  TDirect station(Database());
  TDirect shop(root + "/c/FUEL/SHOP/SHOP.FDB"), cafe(root + "/c/FUEL/CAFE/CAFE.FDB");
  const std::string period = "DATA BETWEEN '2025-01-01 08:00:00.000' AND '2025-11-30 16:00:00.000'";
  int64_t statements = 0;
  for (auto _ : state) {
    statements = 0;
    auto run = [&](tv::TIBDataSet& ds) {
      ds.Open();
      ds.FetchAll();
      ds.Close();
      ++statements;
    };
    std::vector<int> registers;
    for (TDirect* dep : {&shop, &cafe}) {
      tv::TIBDataSet ds;
      ds.SetDatabase(&dep->db);
      ds.SelectSQL().SetText("SELECT FIRST 1 * FROM DOCUMENTS");
      run(ds);
      ds.SelectSQL().SetText(
          "SELECT DISTINCT ClientNum , COALESCE(KKMNUM, 1) AS KKMNUM FROM "
          "DOCUMENTS WHERE (ClientNum IS NOT NULL) AND (" +
          period + ") AND (\"TYPE\" IN (2,3))");
      run(ds);
    }
    tv::TIBDataSet reg;
    reg.SetDatabase(&station.db);
    reg.SelectSQL().SetText("SELECT FIRST 0 * FROM BCHECK");
    run(reg);
    reg.SelectSQL().SetText(
        "SELECT DISTINCT Client , COALESCE(KKM,0) AS KKM FROM BCheck\r\nWHERE "
        "Client IS NOT NULL AND " +
        period);
    reg.Open();
    for (; !reg.Eof(); reg.Next()) registers.push_back(reg.Fields(0).AsInteger());
    reg.Close();
    for (int r = 1; r <= 20; ++r) {
      tv::TIBDataSet fuel;
      fuel.SetDatabase(&station.db);
      fuel.SelectSQL().SetText(
          "SELECT b.Client, b.GSM, b.VidOpl, Sum(b.Summa) AS Summa, Sum(IIF(b.Summa < 0, "
          "-b.KOLVO, b.KOLVO)) AS Liter\r\nFROM BCheck b WHERE b.Data BETWEEN :BegTime AND "
          ":EndTime\r\n AND (b.Data > :AfterTime) AND (b.Client = " +
          std::to_string(r) +
          ")  AND (COALESCE(b.KA, 0) = 0) \r\nGROUP BY b.Client, b.GSM, b.VidOpl");
      fuel.Prepare();
      for (int k = 0; k < 1000; ++k) {
        fuel.ParamByName("BegTime").SetAsDateTime(kBeg + k / 3.0);
        fuel.ParamByName("EndTime").SetAsDateTime(kBeg + (k + 1) / 3.0);
        fuel.ParamByName("AfterTime").SetAsDateTime(k == 0 ? kBeg - 1 : kBeg + k / 3.0);
        run(fuel);
      }
      for (TDirect* dep : {&shop, &cafe})
        for (int n = 1; n <= 2; ++n) {
          tv::TIBDataSet goods;
          goods.SetDatabase(&dep->db);
          std::string half =
              "SELECT d.ClientNum, p.GSMVO, p.\"CHECK\" AS CheckType, #S#Sum(gm.RPrice * "
              "gm.\"COUNT\") AS Summa, #S#SUM(gm.\"COUNT\") AS KOLVO\r\nFROM Documents d\r\nLEFT "
              "JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc\r\nLEFT JOIN GoodsMotion gm ON gm.ID_Doc = "
              "d.ID_Doc\r\nLEFT JOIN Payment p ON sd.Payment = p.ID\r\nWHERE d.Data BETWEEN "
              ":BegTime\r\n  AND :EndTime AND d.\"TYPE\" = #T# AND d.ClientNum = " +
              std::to_string(r) + "  AND COALESCE(d.KKMNUM, 1) = " + std::to_string(n) +
              " \r\nGROUP BY d.ClientNum, p.\"CHECK\", p.GSMVO";
          const std::string sale = tv::StringReplace(
              tv::StringReplace(half, "#S#", "", tv::rfReplaceAll), "#T#", "2", tv::rfReplaceAll);
          const std::string back = tv::StringReplace(
              tv::StringReplace(half, "#S#", "-", tv::rfReplaceAll), "#T#", "3", tv::rfReplaceAll);
          goods.SelectSQL().SetText(sale + "\r\nUNION ALL\r\n" + back);
          goods.ParamByName("BegTime").SetAsDateTime(kBeg);
          goods.ParamByName("EndTime").SetAsDateTime(kEnd);
          run(goods);
        }
    }
    benchmark::DoNotOptimize(registers);
  }
  state.counters["statements"] = static_cast<double>(statements);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

}  // namespace

BENCHMARK(BM_BonusSummingQuery)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BonusClosedReport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BonusOpenShift)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FinKKMStatements)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FinKKMReport)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
