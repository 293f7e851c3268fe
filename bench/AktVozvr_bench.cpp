// The periodic return report (code '"') over 300 shifts and 100 000 return
// rows, ordered by dispenser (flag 4), with the goods departments'
// back-sales on and two departments of 50 000 back-sale lines each,
// requested through the exported names as a host does; against the time
// Firebird needs to run and fetch the report's own queries through the
// data-access layer (the return rows, the shift log, the departments'
// counts and lists). The aim: at most 2 times that fetch. The process's peak
// resident memory is reported.
//
// The root bench-root/returns is made once: db/create-sample-db with 300
// shifts (station and goods databases), then the return rows and back-sales
// by EXECUTE BLOCK through isql-fb, with an index on SALEDOC (ID_DOC).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

const tv::TDateTime kBegin = tv::EncodeDateTime(2024, 3, 1, 8, 0, 0, 0);
const tv::TDateTime kEnd = tv::EncodeDateTime(2024, 7, 29, 8, 0, 0, 0);
const char* const kDeps[] = {"SHOP", "CAFE"};
// Payment codes of the station's 14 types.
const int kCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 104};

// 100 000 returns over the 150 days of the 300 shifts, eight dispensers,
// payment codes 0, 1, 4, 6 and 10.
const char* const kReturns =
    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 100000) DO BEGIN "
    "INSERT INTO BCHECK (INDEXSALE, DATA, CLIENT, KKM, KA, SUMMA, KOLVO, PRICE, GSM, VIDOPL, "
    "TRKINDEX, NUMBER, CHECKNUM) VALUES (800000000 + :i, DATEADD(:i * 129 SECOND TO TIMESTAMP "
    "'2024-03-01 08:00:30'), 1, 0, 0, -(MOD(:i, 1000) + 1) / 10.0, (MOD(:i, 1000) + 1) / 500.0, "
    "50, CASE MOD(:i, 3) WHEN 0 THEN 'АИ-92' WHEN 1 THEN 'АИ-95' ELSE 'ДТ' END, CASE MOD(:i, 5) "
    "WHEN 0 THEN 0 WHEN 1 THEN 1 WHEN 2 THEN 4 WHEN 3 THEN 6 ELSE 10 END, MOD(:i, 8), 1, :i); "
    "i = i + 1; END END";
// 25 000 back-sale documents of two lines each, payment codes 0, 1 and 3.
const char* const kBackSales =
    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 25000) DO BEGIN "
    "INSERT INTO DOCUMENTS (ID_DOC, DATA, \"TYPE\", PAYMENT, CLIENTNUM) VALUES (1000000 + :i, "
    "DATEADD(:i * 518 SECOND TO TIMESTAMP '2024-03-01 08:01:00'), 3, 0, 1); "
    "INSERT INTO SALEDOC (ID_DOC, PAYMENT) VALUES (1000000 + :i, 101 + MOD(:i, 3)); "
    "INSERT INTO GOODSMOTION (ID_DOC, ID_P, \"COUNT\", RPRICE, ZPRICE, PPRICE, \"TYPE\") VALUES "
    "(1000000 + :i, 101 + MOD(:i, 4), 1 + MOD(:i, 3), 59, 0, 59, 3); "
    "INSERT INTO GOODSMOTION (ID_DOC, ID_P, \"COUNT\", RPRICE, ZPRICE, PPRICE, \"TYPE\") VALUES "
    "(1000000 + :i, 101 + MOD(:i + 1, 4), 1, 149, 0, 149, 3); "
    "i = i + 1; END END";

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::abort();
}

// Runs statements (`block`: one EXECUTE BLOCK) on the database `db`.
void Isql(const std::string& root, const std::string& db, const std::string& sql, bool block) {
  const std::string file = root + "/fill.sql";
  const std::string body = block ? "SET TERM ^;\n" + sql + "^\nSET TERM ;^\n" : sql + "\n";
  tv::WriteFileBytes(file, "SET NAMES WIN1251;\nCONNECT '" + db + "' USER 'SYSDBA';\n" +
                               tv::Utf8ToCp1251(body) + "COMMIT;\n");
  Run("isql-fb -q -b -i '" + file + "'");
}

std::string Path(const std::string& root, const std::string& dep) {
  return root + "/c/FUEL/" + dep + "/" + dep + ".FDB";
}

// The benchmark's root, made on first use; it becomes the library's root.
std::string Root() {
  const std::string root = bench::BenchRoot() + "/returns";
  if (!std::filesystem::exists(root + "/ready")) {
    std::filesystem::remove_all(root);
    Run(std::string(TOLVAREN_SOURCE_DIR) +
        "/db/create-sample-db --only station,goods --shifts 300 "
        "--sales 3000 --root '" +
        root + "'");
    ::setenv("FIREBIRD", (root + "/firebird").c_str(), 1);
    ::setenv("FIREBIRD_LOCK", (root + "/firebird/lock").c_str(), 1);
    Isql(root, root + "/c/FUEL/DB/Velmar.FDB", kReturns, true);
    const std::string catalogue =
        tv::ReadFileBytes(std::string(TOLVAREN_SOURCE_DIR) + "/db/sample-returns-goods.sql");
    for (const char* dep : kDeps) {
      // The goods DDL indexes SALEDOC by document, which the join needs.
      Isql(root, Path(root, dep), catalogue, false);
      Isql(root, Path(root, dep), kBackSales, true);
    }
    tv::WriteFileBytes(root + "/ready", "");
  }
  ::setenv("FIREBIRD", (root + "/firebird").c_str(), 1);
  ::setenv("FIREBIRD_LOCK", (root + "/firebird/lock").c_str(), 1);
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root, 4000, 2000000);
  tv::WriteFileBytes(
      root + "/c/WINDOWS/cnf.ini",
      "[Reports]\r\nMaxSize=4000\r\nMaxRows=2000000\r\nPutTovarBackSalesToAkt=1\r\n");
  tv::WriteFileBytes(root + "/c/FUEL/Departments.txt",
                     tv::Utf8ToCp1251("Магазин=C:\\FUEL\\SHOP\r\nКафе=C:\\FUEL\\CAFE\r\n"));
  return root;
}

void BM_AktVozvrReport(benchmark::State& state) {
  Root();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  host.Set(18, Variant("0001234567012345"));
  host.Set(43, Variant("ШТРИХ-М-ПТК"_w));
  host.Set(44, Variant("00112233"));
  bench::InitStationHost(host);
  const Variant params =
      tv::VarArrayOf({tv::VarArrayCreate({0, -1}, tv::VarType::Variant), Variant(4), Variant(0),
                      Variant::FromDate(kBegin), Variant::FromDate(kEnd), Variant(1),
                      Variant("Оператор"_w), Variant(300), Variant(2)});
  std::size_t textBytes = 0;
  for (auto _ : state) {
    const auto reply = host.Request('"', params);
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

// A read connection as the report opens one.
struct Connection {
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  explicit Connection(const std::string& path) { bench::OpenForRead(db, tr, path); }
};

int64_t Fetch(tv::TIBDatabase& db, const std::string& sql, int code = -1) {
  tv::TIBDataSet ds;
  ds.SetDatabase(&db);
  ds.SelectSQL().SetText(tv::Utf8ToCp1251(sql));
  if (sql.find(":DATE1") != std::string::npos) {
    ds.ParamByName("DATE1").SetAsDateTime(kBegin);
    ds.ParamByName("DATE2").SetAsDateTime(kEnd);
    ds.ParamByName("OplNum").SetAsInteger(code);
  } else if (sql.find(":Data1") != std::string::npos) {
    ds.ParamByName("Data1").SetAsDateTime(kBegin);
    ds.ParamByName("Data2").SetAsDateTime(kEnd);
  }
  ds.Open();
  ds.FetchAll();
  return ds.RecordCount();
}

// The same queries the report runs: the return rows, the shift log, and per
// department one count for each payment type without returns and one list
// for each payment type written (with returns, or with back-sales), each on
// a connection of its own.
void BM_AktVozvrSQL(benchmark::State& state) {
  const std::string root = Root();
  const std::string count =
      "SELECT COUNT(*) AS CNT FROM Documents d LEFT JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc "
      "LEFT JOIN Payment p ON p.ID = sd.Payment WHERE (d.Data BETWEEN :DATE1 AND :DATE2) "
      "AND (p.GsmVO = :OplNum) AND (d.\"TYPE\" = 3)";
  const std::string list =
      "SELECT d.Data, c.Name AS CatName, g.Name AS TovarName, p.GsmVO, gm.ZPrice, gm.RPrice, "
      "gm.PPrice, gm.\"COUNT\", sd.LNR_CardNum AS CardNumber FROM Documents d LEFT JOIN SaleDoc "
      "sd ON sd.ID_Doc=d.ID_Doc LEFT JOIN Payment p ON p.ID = sd.Payment LEFT JOIN GoodsMotion "
      "gm ON gm.ID_Doc=d.ID_Doc LEFT JOIN Batches b ON b.ID_P = gm.ID_P LEFT JOIN Goods g ON "
      "g.ID_Goods = b.ID_Goods LEFT JOIN Category c ON c.ID_Category = g.ID_Category WHERE "
      "(d.Data BETWEEN :DATE1 AND :DATE2) AND (p.GsmVO = :OplNum) AND (gm.\"TYPE\" = 3) ORDER BY "
      "d.Data";
  const std::vector<int> withReturns = {0, 1, 4, 6, 10};
  int64_t rows = 0;
  int queries = 0;
  for (auto _ : state) {
    rows = queries = 0;
    {
      Connection station(root + "/c/FUEL/DB/Velmar.FDB");
      rows += Fetch(station.db,
                    "SELECT bc.* FROM BCheck bc WHERE (bc.Data between :Data1 and "
                    ":Data2) and (bc.Summa < -0.001) AND (COALESCE(bc.KA, 0) = 0) "
                    "ORDER BY bc.TrkIndex");
      rows += Fetch(station.db, "SELECT SmNum, BegTime, EndTime FROM SmLog");
      queries += 2;
    }
    for (int code : kCodes) {
      bool listed = false;
      for (int r : withReturns) listed = listed || r == code;
      if (!listed) {
        int64_t n = 0;
        for (const char* dep : kDeps) {
          Connection goods(Path(root, dep));
          tv::TIBDataSet ds;
          ds.SetDatabase(&goods.db);
          ds.SelectSQL().SetText(count);
          ds.ParamByName("DATE1").SetAsDateTime(kBegin);
          ds.ParamByName("DATE2").SetAsDateTime(kEnd);
          ds.ParamByName("OplNum").SetAsInteger(code);
          ds.Open();
          n += ds.Fields(0).AsInteger();
          ++queries;
        }
        listed = n > 0;
      }
      if (!listed) continue;
      for (const char* dep : kDeps) {
        Connection goods(Path(root, dep));
        rows += Fetch(goods.db, list, code);
        ++queries;
      }
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["queries"] = queries;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

BENCHMARK(BM_AktVozvrReport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AktVozvrSQL)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
