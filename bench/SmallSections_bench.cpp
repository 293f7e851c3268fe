// The close-of-shift report's five small sections (cash registers, unmade
// returns, statements, bonuses, restarts) in one paired request over the
// range of 10 000 shifts of the close-of-shift benchmark, against the same
// builders asked for by their own codes over the same period (19, 14, 9,
// '#' 11; the cash-register report has no code of its own and needs the
// shift lists that only the close-of-shift report loads, so its reference
// is a request with that section alone). The adapters add no data work of
// their own: the aim is the sections at most 1.1 times the reference.
//
// The database: db/create-sample-db --only station, db/add-sample-shifts
// --large 10000, then the rows below in the range's period (2024-04-01
// 08:00 .. 16:00): 200 000 statement sales of 50 counterparties, 50 000
// bonus rows, 50 000 unmade returns, 2 000 restarts and 1 000 register
// receipts (the DDL indexes them by time). Every shift of the range has the
// same eight hours, and the cash-register and restart reports query per
// shift and per restart, so those two tables stay small. Under
// $TOLVAREN_BENCH_ROOT/small (default bench-small-root in the build
// folder), made on first use.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

constexpr int kFrom = 1001;
constexpr int kTo = 11000;

// Server-side loops, so that the rows cost no client round trips.
const char* const kRows = R"(
SET TERM ^ ;
EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN
  WHILE (i < 50) DO BEGIN
    INSERT INTO CONTRAGENT (CONTR_ID, NAME, FULLNAME, INN, ISDELETE)
      VALUES (500 + :i, 'Контрагент ' || :i, 'ООО Контрагент ' || :i, '77' || :i, 0);
    INSERT INTO CONTRAGENTTYPE (CONTR_ID, CTYPE, PARAM1) VALUES (500 + :i, 1, 4);
    INSERT INTO VDCONTRACTOR (ID, NAME) VALUES (500 + :i, 'Контрагент ' || :i);
    i = i + 1;
  END
  i = 0;
  WHILE (i < 200000) DO BEGIN
    INSERT INTO LOGTRAN (INDEXSALE, DATA, GSMNAME, LITER, SUMMA, GSMPRICE, BASEPRICE, PLOTN,
        PLISTNUM, IDCNT, IDDRV, IDCAR, VIDOPL, KA)
      VALUES (5000000 + :i, DATEADD(MOD(:i, 28000) SECOND TO TIMESTAMP '2024-04-01 08:00:00'),
        IIF(MOD(:i, 3) = 0, 'АИ-92', IIF(MOD(:i, 3) = 1, 'АИ-95', 'ДТ')), 10 + MOD(:i, 40),
        (10 + MOD(:i, 40)) * 50, 50, 50, 0.75, 'ПЛ-' || :i, 500 + MOD(:i, 50), NULL, NULL, 4, 0);
    i = i + 1;
  END
  i = 0;
  WHILE (i < 1000) DO BEGIN
    INSERT INTO BCHECK VALUES (6000000 + :i,
        DATEADD(MOD(:i, 28000) SECOND TO TIMESTAMP '2024-04-01 08:00:00'), 1 + MOD(:i, 5),
        MOD(:i, 3), 0, 500, 10, 50, 'АИ-92', MOD(:i, 5), MOD(:i, 6), 1, 6000000 + :i);
    i = i + 1;
  END
  i = 0;
  WHILE (i < 50000) DO BEGIN
    INSERT INTO BONUS VALUES (1001 + MOD(:i, 10000), MOD(:i, 5), 'Акция', 'АИ-92', 20,
        '5% от 20 л', 50, 30, 1.5, 0, 0);
    INSERT INTO BACKCARD (DATA, TIPCARD, NUMBERCARD, GSM, LITERS, SUMMA, "COMMENT", TRAN, "STATUS")
      VALUES (DATEADD(MOD(:i, 28000) SECOND TO TIMESTAMP '2024-04-01 08:00:00'), 'Visa',
        '4276' || :i, 'АИ-92', 10, 500, 'Возврат', NULL, 0);
    i = i + 1;
  END
  i = 0;
  WHILE (i < 2000) DO BEGIN
    INSERT INTO RESETTRK (STARTDATA, TRKNUM, TRKNAME, PISTOLET, GSM, VIDOPL, STARTLITER,
        STARTSUMMA, TYPESTART, CLIENT, POKUPATEL, LITER_PROG, LASTDATA, LASTSTATE, DATA_LAST_KKM,
        SUMMA_LAST_KKM, LITER_LAST_KKM, RESETWINDOWS, PRIM, INDEXSALE, FIXEDDATA)
      VALUES (DATEADD(MOD(:i, 28000) SECOND TO TIMESTAMP '2024-04-01 08:00:00'), 1 + MOD(:i, 12),
        '' || (1 + MOD(:i, 12)), '1', 'АИ-92', MOD(:i, 3), 20, 1000, MOD(:i, 3), 1, 'Карта', 12.5,
        TIMESTAMP '2024-04-01 09:00:00', 2, TIMESTAMP '2024-04-01 09:05:00', 150, 3, 1,
        'Перезагрузка', 7000000 + :i, TIMESTAMP '2024-04-01 09:00:00');
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
)";

void Database() {
  const std::string root = bench::BenchRoot("small", TOLVAREN_BINARY_DIR, "bench-small-root");
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  if (!std::filesystem::exists(path)) {
    const std::string q = "'" + root + "'";
    const std::string sql = root + "/rows.sql";
    std::filesystem::create_directories(root);
    std::ofstream(sql) << "SET NAMES WIN1251;\nCONNECT '" << path << "' USER 'SYSDBA';\n"
                       << tv::Utf8ToCp1251(kRows);
    const std::string cmd = std::string(TOLVAREN_SOURCE_DIR) +
                            "/db/create-sample-db --only station --root " + q + " && " +
                            TOLVAREN_SOURCE_DIR + "/db/add-sample-shifts --large 10000 --root " +
                            q + " && FIREBIRD=" + q + "/firebird FIREBIRD_LOCK=" + q +
                            "/firebird/lock isql-fb -q -b -i " + "'" + sql + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root);
}

const std::string kKKMTemplate = "Финансовый отчет по кассам.html"_w;

Variant Sections(const std::vector<int>& kinds) {
  std::vector<Variant> items;
  for (int kind : kinds) {
    const std::string name = "s" + std::to_string(kind);
    for (const Variant& v : {Variant(name), Variant(kind), Variant(""), Variant(name), Variant(0),
                             Variant(kind == 13 ? kKKMTemplate : std::string())})
      items.push_back(v);
  }
  return tv::VarArrayOf(items);
}

struct TRequest {
  char Code;
  Variant Params;
};

// Runs the requests once per iteration; every one must succeed.
void Run(benchmark::State& state, const std::vector<TRequest>& requests) {
  Database();
  tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  host.Set(0, Variant(1));
  host.Set(9, Variant(2));
  bench::InitStationHost(host);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const TRequest& r : requests) {
      const auto reply = host.Request(r.Code, r.Params);
      if (reply.Result != TV_REPORT_TRUE || reply.Text.find("Ошибка"_w) != std::string::npos) {
        const std::size_t at = reply.Text.find("Ошибка"_w);
        state.SkipWithError(
            tv::Cp1251ToUtf8(reply.Text.substr(at == std::string::npos ? 0 : at, 400)).c_str());
        return;
      }
      bytes += reply.Text.size() + host.Request('7', Variant()).Text.size();
    }
  }
  state.counters["text_and_html_bytes"] = static_cast<double>(bytes);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

Variant Range(const std::vector<int>& kinds) {
  return tv::VarArrayOf({Variant(kFrom), Variant(kTo), Sections(kinds)});
}

void BM_SmallSections(benchmark::State& state) { Run(state, {{'-', Range({13, 14, 15, 16, 17})}}); }

void BM_BuildersByCode(benchmark::State& state) {
  const Variant beg = Variant::FromDate(tv::EncodeDateTime(2024, 4, 1, 8, 0, 0, 0));
  const Variant end = Variant::FromDate(tv::EncodeDateTime(2024, 4, 1, 16, 0, 0, 0));
  const Variant from = Variant(kFrom), to = Variant(kTo);
  std::vector<Variant> types(14, Variant(0));
  types[0] = Variant(1);
  Run(state, {{'-', Range({13})},
              {'\x13', tv::VarArrayOf({from, beg, end, Variant(""), to})},
              {'\x0E', tv::VarArrayOf({beg, end, Variant("1001"), Variant(""), Variant("11000")})},
              {'\x09', tv::VarArrayOf({from, tv::VarArrayOf(types), Variant(false), to,
                                       Variant(true), Variant(true)})},
              {'#', tv::VarArrayOf({Variant(11), beg, end, from, to})}});
}

}  // namespace

BENCHMARK(BM_BuildersByCode)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SmallSections)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
