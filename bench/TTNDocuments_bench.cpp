// The five waybill documents ('#' 4, 5, 6, 7, 16) through the exported
// names, with the HTML fetched by '7', for a typical waybill (601: five
// detail rows) and for one with 1 000 detail rows and every print flag set
// (600), made by db/add-sample-waybills --large 1000 under
// $TOLVAREN_BENCH_ROOT/waybills. Against that, the invoice's and the
// ТОРГ-12's physical floor in this process: their template loaded and
// parsed, their header and detail queries run and fetched on an open
// database. Aims: a typical document under 50 ms; the 1 000-row invoice and
// ТОРГ-12 at most twice their floor.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchHost.h"
#include "bench/BenchStation.h"
#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;
using namespace tv::literals;

std::string Root() {
  static const std::string root = [] {
    const std::string r = bench::BenchRoot() + "/waybills";
    if (!std::filesystem::exists(r + "/c/FUEL/DB/Velmar.FDB")) {
      const std::string src = TOLVAREN_SOURCE_DIR;
      const std::string cmd = src + "/db/create-sample-db --only station --root '" + r +
                              "' >/dev/null && " + src + "/db/add-sample-waybills --large 1000 --root '" +
                              r + "' >/dev/null";
      if (std::system(cmd.c_str()) != 0) std::abort();
    }
    ::setenv("TOLVAREN_ROOT", r.c_str(), 1);
    bench::PrepareStationRoot(r);
    return r;
  }();
  return root;
}

// One host for the program: InitReports puts the default templates in place.
tv::test::TestHost& Host() {
  Root();
  static tv::test::TestLibrary lib(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  static tv::test::TestHost host(lib, "C:\\FUEL\\DB\\");
  static const bool ready = (bench::InitStationHost(host), true);
  (void)ready;
  return host;
}

void BM_Document(benchmark::State& state, int subCode, int id) {
  tv::test::TestHost& host = Host();
  const Variant params = subCode == 7 ? tv::VarArrayOf({Variant(7), Variant(id), Variant(0)})
                                      : tv::VarArrayOf({Variant(subCode), Variant(id)});
  std::size_t bytes = 0;
  for (auto _ : state) {
    if (!bench::Made(state, host.Request('#', params))) break;
    bytes = host.Request('7', Variant()).Text.size();
  }
  state.counters["html_bytes"] = static_cast<double>(bytes);
}

// The template and the two queries of a document, on an open database.
void BM_Floor(benchmark::State& state, const char* utf8Template, const char* flag) {
  Host();
  tv::TIBDatabase db;
  tv::TIBTransaction tr;
  bench::OpenForRead(db, tr, Root() + "/c/FUEL/DB/Velmar.FDB");
  const std::string header =
      "SELECT t.*, go.*, gp.*, tnpost.*, tnplat.* FROM TTN t "
      "LEFT JOIN CONTRAGENT go ON go.CONTR_ID = t.GO_ID "
      "LEFT JOIN CONTRAGENT gp ON gp.CONTR_ID = t.GP_ID "
      "LEFT JOIN CONTRAGENT tnpost ON tnpost.CONTR_ID = t.TNPOST_ID "
      "LEFT JOIN CONTRAGENT tnplat ON tnplat.CONTR_ID = t.TNPLAT_ID WHERE TTN_ID=600";
  const std::string detail =
      std::string("SELECT * FROM TTNDETAIL WHERE TTN_ID = 600 AND ") + flag + " = 1 ORDER BY ID";
  const std::string file = "C:\\FUEL\\FORMS\\WEBREP\\"_w + tv::Utf8ToCp1251(utf8Template);
  int64_t rows = 0;
  for (auto _ : state) {
    tv::THTML_Jet jet(file, false, 0);
    jet.Init();
    for (const std::string* sql : {&header, &detail}) {
      tv::TIBDataSet ds;
      ds.SetDatabase(&db);
      ds.SelectSQL().SetText(*sql);
      ds.Open();
      for (rows = 0; !ds.Eof(); ds.Next()) ++rows;
    }
  }
  state.counters["detail_rows"] = static_cast<double>(rows);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Document, ttn1_typical, 4, 601)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, ttn2_typical, 5, 601)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, invoice_typical, 6, 601)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, torg12_typical, 7, 601)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, shipment_typical, 16, 601)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, ttn1_1000, 4, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, ttn2_1000, 5, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, invoice_1000, 6, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, torg12_1000, 7, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Document, shipment_1000, 16, 600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, invoice_1000, "Счет-фактура.html", "PRINTSF")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Floor, torg12_1000, "ТОРГ-12.html", "PRINTTN")->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
