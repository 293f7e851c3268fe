// The remote data providers through the exported names, as a host serves
// them, against the same work done directly through the data-access layer
// in this process:
//   DSPTRKHistory over 1 000 000 dispenser-history rows and DSPRepTTN over
//   100 000 waybills, each against fetching its statement (aim: at most 2
//   times the fetch);
//   a delta of 10 000 modify records on TTN against the same UPDATE run as
//   one prepared statement with a commit per record (aim: at most 1.3 times).
// The database is made once under $TOLVAREN_BENCH_ROOT/providers. Run each
// benchmark in its own process (--benchmark_filter) to read its peak
// resident memory.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/BenchStation.h"
#include "platform/text/Cp1251.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/library/TestHost.h"

namespace {

using tv::Variant;

const char* const kTrkSql =
    "SELECT Trk.\"TIME\", Client, Gsm, Operation, Op1, Op2, Liters, Summa, AutoMobil FROM Trk\r\n"
    "ORDER BY Trk.\"TIME\" DESC";
const char* const kTtnSql = "SELECT * FROM TTN ORDER BY TTN_ID DESC";
constexpr int kModified = 10000;

// A station sample with 1 000 000 TRK rows and 100 000 waybills, made once.
std::string Database() {
  const std::string root = bench::BenchRoot() + "/providers";
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  if (!std::filesystem::exists(path)) {
    const std::string make = std::string(TOLVAREN_SOURCE_DIR) +
                             "/db/create-sample-db --only station --root '" + root + "'";
    const std::string fill =
        "FIREBIRD='" + root + "/firebird' FIREBIRD_LOCK='" + root + "/firebird/lock' isql-fb -q -u SYSDBA '" +
        path + "' <<'EOF'\n"
        "DELETE FROM TTNDETAIL; DELETE FROM TTN; DELETE FROM TRK; COMMIT;\n"
        "SET TERM ^;\n"
        "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1000000) DO BEGIN\n"
        "  INSERT INTO TRK (TRK, \"TIME\", GSM, CLIENT, OPERATION, OP1, OP2, LITERS, SUMMA, AUTOMOBIL)\n"
        "  VALUES ('T' || MOD(:I, 8), DATEADD(:I SECOND TO TIMESTAMP '2024-01-01 00:00:00'), 'AI-95',\n"
        "  MOD(:I, 300), MOD(:I, 4), :I, MOD(:I, 7), :I / 100.0, :I / 10.0, 'A' || MOD(:I, 999) || 'BC77');\n"
        "  I = I + 1; END END^\n"
        "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 100000) DO BEGIN\n"
        "  INSERT INTO TTN (TTN_ID, ISDELETE, INDEXSALE, TTNAPPLIED, GO_ID, GP_ID, TTNSER, TTNNUMBER,\n"
        "  TTNDATE, NADB, ALLSUMMANUM, BOSSFIO, DRIVERFIO, CARMARKA, CARNUM, PUNKTPOGRUZ)\n"
        "  VALUES (:I, 0, :I, 1, 1, MOD(:I, 40), 'AB', :I, DATEADD(:I MINUTE TO TIMESTAMP '2024-01-01'),\n"
        "  0, :I * 1.5, 'Orlov V. A.', 'Sokolov A. V.', 'Ford Transit', 'R654MN77', 'Moscow, 71');\n"
        "  I = I + 1; END END^\n"
        "SET TERM ;^\nCOMMIT;\nEOF";
    if (std::system(make.c_str()) != 0 || std::system(fill.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  bench::PrepareStationRoot(root);
  return path;
}

std::unique_ptr<tv::TIBDatabase> Connect(const std::string& path, tv::TIBTransaction& tr, bool readOnly) {
  auto db = std::make_unique<tv::TIBDatabase>();
  db->SetDatabaseName(path);
  db->Params().Add("user_name=SYSDBA");
  db->Params().Add("lc_ctype=WIN1251");
  tr.Params().SetText(readOnly ? "read_committed\nrec_version\nnowait\nread"
                               : "read_committed\nrec_version\nnowait");
  db->SetDefaultTransaction(&tr);
  tr.SetDefaultDatabase(db.get());
  db->Open();
  return db;
}

void Fetch(benchmark::State& state, const char* sql) {
  tv::TIBTransaction tr;
  auto db = Connect(Database(), tr, true);
  int64_t rows = 0;
  for (auto _ : state) {
    tv::TIBDataSet ds;
    ds.SetDatabase(db.get());
    ds.SelectSQL().SetText(sql);
    ds.SetUniDirectional(true);
    ds.Open();
    rows = 0;
    for (; !ds.Eof(); ds.Next()) ++rows;
    ds.Close();
    tr.Commit();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

// The test host with an owner whose register procedure keeps the handles.
struct Served {
  tv::test::TestLibrary lib{TOLVAREN_LIBRARY};
  tv::test::TestHost host{lib, "C:\\FUEL\\DB\\"};
  std::vector<std::pair<std::string, TVProvider*>> providers;
  TVProviderOwner* owner = nullptr;

  Served() {
    Database();
    host.Set(46, Variant(0));
    host.Set(69, Variant("C:\\FUEL\\DB\\Velmar.FDB"));
    if (host.Init() != 1) std::abort();
    auto reg = [](void* context, TVProvider* p, const char* name) {
      static_cast<Served*>(context)->providers.emplace_back(name, p);
    };
    owner = lib.Get<decltype(&::tv_owner_create)>("tv_owner_create")(reg, nullptr, this);
    lib.DCOMServerOnCreate(owner);
  }
  ~Served() { lib.Get<decltype(&::tv_owner_free)>("tv_owner_free")(owner); }
  TVProvider* Provider(const std::string& name) const {
    for (const auto& [n, p] : providers) {
      if (n == name) return p;
    }
    std::abort();
  }
};

void Read(benchmark::State& state, const char* provider) {
  Served s;
  auto get = s.lib.Get<decltype(&::tv_provider_get_records)>("tv_provider_get_records");
  std::size_t bytes = 0;
  for (auto _ : state) {
    TVText text{};
    if (get(s.Provider(provider), nullptr, &text) != 1) {
      state.SkipWithError(tv::Cp1251ToUtf8(s.lib.LastError()).c_str());
      break;
    }
    bytes = text.length;
    s.lib.TextFree(&text);
  }
  state.counters["packet_MiB"] = static_cast<double>(bytes) / (1 << 20);
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_FetchTRK(benchmark::State& state) { Fetch(state, kTrkSql); }
void BM_ReadTRKHistory(benchmark::State& state) { Read(state, "DSPTRKHistory"); }
void BM_FetchTTN(benchmark::State& state) { Fetch(state, kTtnSql); }
void BM_ReadRepTTN(benchmark::State& state) { Read(state, "DSPRepTTN"); }

// Each run writes a new number into TTNNUMBER of waybills 1 .. 10 000.
void BM_UpdateDirect(benchmark::State& state) {
  tv::TIBTransaction tr;
  auto db = Connect(Database(), tr, false);
  int run = 0;
  for (auto _ : state) {
    ++run;
    tv::TIBDataSet ds;
    ds.SetDatabase(db.get());
    ds.SetTransaction(&tr);
    ds.SelectSQL().SetText("UPDATE \"TTN\" SET\r\n  \"TTNNUMBER\" = :TTNNUMBER\r\nWHERE  (\"TTN_ID\" = :TTN_ID)");
    ds.Prepare();
    for (int id = 1; id <= kModified; ++id) {
      ds.ParamByName("TTNNUMBER").SetValue(Variant("d" + std::to_string(run) + "-" + std::to_string(id)));
      ds.ParamByName("TTN_ID").SetValue(Variant(std::to_string(id)));
      ds.ExecSQL();
      tr.Commit();
    }
  }
  state.counters["records"] = kModified;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

void BM_ApplyDelta(benchmark::State& state) {
  Served s;
  auto apply = s.lib.Get<decltype(&::tv_provider_apply_delta)>("tv_provider_apply_delta");
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++run;
    std::string delta = "<DELTA>";
    for (int id = 1; id <= kModified; ++id) {
      delta += "<RECORD kind=\"modify\"><FIELD name=\"TTN_ID\" old=\"" + std::to_string(id) +
               "\"/><FIELD name=\"TTNNUMBER\" new=\"p" + std::to_string(run) + "-" + std::to_string(id) +
               "\"/></RECORD>";
    }
    delta += "</DELTA>";
    state.ResumeTiming();
    TVText outcome{};
    if (apply(s.Provider("DSPRepTTN"), delta.data(), delta.size(), &outcome) != 1 ||
        std::string(outcome.data, outcome.length).find("failed=\"0\"") == std::string::npos) {
      state.SkipWithError("the delta failed");
      break;
    }
    s.lib.TextFree(&outcome);
  }
  state.counters["records"] = kModified;
  state.counters["peak_rss_MiB"] = bench::PeakRssMiB();
}

}  // namespace

BENCHMARK(BM_FetchTRK)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadTRKHistory)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FetchTTN)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadRepTTN)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UpdateDirect)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ApplyDelta)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
