// The waybill exchange on 100 000 office waybills, every TTN column filled,
// through tolvaren-host processes as a host runs it, against references
// measured in the same run:
//   export: fetching the export's own SQL through the data-access layer,
//           plus Info-ZIP "zip -6" of the same packet file;
//   load:   "unzip" of the archive, plus inserting the same rows and their
//           detail rows with prepared statements in one transaction.
// Prints seconds, ratios and the peak memory (maximum resident set) of each
// side, the export's beside the peak of its own fetch (this process, from
// its resident size before the fetch) and the aim: at most twice the packet
// plus the fetch's peak. Databases are made once under
// $TOLVAREN_BENCH_ROOT/exchange.
//
//   build-bench/bench/exchange/exchange_bench [waybills]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchStation.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

namespace {

namespace fs = std::filesystem;

struct Measure {
  double seconds = 0;
  long peakKb = 0;
};

// Runs a shell command in a child and measures its time and peak memory.
Measure Child(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          usage.ru_maxrss};
}

long SelfPeakKb() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string Sh(const std::string& s) { return "'" + s + "'"; }

std::unique_ptr<tv::TIBDatabase> Connect(const std::string& path, tv::TIBTransaction& tr) {
  auto db = std::make_unique<tv::TIBDatabase>();
  db->SetDatabaseName(path);
  db->Params().Add("user_name=SYSDBA");
  db->Params().Add("lc_ctype=WIN1251");
  db->Open();
  tr.SetDefaultDatabase(db.get());
  return db;
}

// The export's SQL fetched row by row, every value read.
double RawFetch(const std::string& db) {
  const auto start = std::chrono::steady_clock::now();
  tv::TIBTransaction tr;
  auto conn = Connect(db, tr);
  tv::TIBDataSet ds;
  ds.SetDatabase(conn.get());
  ds.SetTransaction(&tr);
  ds.SetUniDirectional(true);
  ds.SelectSQL().SetText(
      "SELECT * FROM TTN WHERE TTN_ID >= 100000000 AND COALESCE(ISDELETE, 0)=0 ORDER BY TTN_ID");
  size_t values = 0;
  for (ds.Open(); !ds.Eof(); ds.Next()) {
    for (int i = 0; i < ds.FieldCount(); ++i) values += ds.Fields(i).AsVariant().IsNull() ? 0 : 1;
  }
  if (values == 0) std::exit(1);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The office rows inserted into `station` with prepared statements, each
// with its detail row, in one transaction.
double PreparedInserts(const std::string& office, const std::string& station) {
  const auto start = std::chrono::steady_clock::now();
  tv::TIBTransaction readTr, writeTr;
  auto from = Connect(office, readTr);
  auto to = Connect(station, writeTr);
  tv::TIBDataSet rows, ttn, detail;
  rows.SetDatabase(from.get());
  rows.SetTransaction(&readTr);
  rows.SetUniDirectional(true);
  rows.SelectSQL().SetText(
      "SELECT * FROM TTN WHERE TTN_ID >= 100000000 AND COALESCE(ISDELETE, 0)=0 ORDER BY TTN_ID");
  rows.Open();
  std::string columns, values;
  for (int i = 0; i < rows.FieldCount(); ++i) {
    columns += std::string(i ? "," : "") + "\"" + rows.Fields(i).FieldName() + "\"";
    values += std::string(i ? ",:" : ":") + rows.Fields(i).FieldName();
  }
  for (tv::TIBDataSet* ds : {&ttn, &detail}) {
    ds->SetDatabase(to.get());
    ds->SetTransaction(&writeTr);
  }
  ttn.SelectSQL().SetText("INSERT INTO TTN (" + columns + ") VALUES (" + values + ")");
  detail.SelectSQL().SetText(
      "INSERT INTO TTNDETAIL (ID, TTN_ID, PRINTTTN1, PRINTTTN2, PRINTSF, PRINTTN, INDEXSALE, NAME, "
      "\"COUNT\", MASSA) VALUES (1, :TTN_ID, 1, 1, 1, 1, :INDEXSALE, :NAME, :C, :MASSA)");
  std::vector<tv::TIBParam*> params;
  for (int i = 0; i < rows.FieldCount(); ++i) params.push_back(&ttn.ParamByName(rows.Fields(i).FieldName()));
  int32_t id = 0;
  for (; !rows.Eof(); rows.Next()) {
    ++id;
    for (int i = 0; i < rows.FieldCount(); ++i) params[i]->SetValue(rows.Fields(i).AsVariant());
    params[0]->SetAsInteger(id);
    ttn.ExecSQL();
    detail.ParamByName("TTN_ID").SetAsInteger(id);
    detail.ParamByName("INDEXSALE").SetValue(rows.FieldByName("INDEXSALE").AsVariant());
    detail.ParamByName("NAME").SetValue(rows.FieldByName("NAME1").AsVariant());
    detail.ParamByName("C").SetValue(rows.FieldByName("COUNT1").AsVariant());
    detail.ParamByName("MASSA").SetValue(rows.FieldByName("MASSA1").AsVariant());
    detail.ExecSQL();
  }
  writeTr.Commit();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int waybills = argc > 1 ? std::atoi(argv[1]) : 100000;
  const char* benchRoot = std::getenv("TOLVAREN_BENCH_ROOT");
  const std::string base = (benchRoot ? std::string(benchRoot) : std::string(TOLVAREN_BINARY_DIR) + "/bench-root") +
                           "/exchange";
  const std::string office = base + "/office", station = base + "/station";
  const std::string work = base + "/work";
  const std::string officeDb = office + "/c/FUEL/DB/Velmar.FDB";
  const std::string stationDb = station + "/c/FUEL/DB/Velmar.FDB";
  const std::string emptyDb = base + "/empty-station.fdb";
  const std::string create = std::string(TOLVAREN_SOURCE_DIR) + "/db/create-sample-db --only station ";
  ::setenv("TOLVAREN_ROOT", base.c_str(), 1);
  if (!fs::exists(officeDb)) {
    Child(create + "--root " + Sh(office) + " --office-waybills " + std::to_string(waybills));
    std::system(("printf '[Host]\\nMode=3\\n' > " + Sh(office + "/tolvaren-host.ini")).c_str());
  }
  if (!fs::exists(emptyDb)) {
    Child(create + "--root " + Sh(base + "/empty"));
    Child("printf \"CONNECT '%s' USER 'SYSDBA'; DELETE FROM TTNDETAIL; DELETE FROM TTN; COMMIT;\" " +
          Sh(base + "/empty/c/FUEL/DB/Velmar.FDB") + " | isql-fb -q -b -user SYSDBA");
    fs::rename(base + "/empty/c/FUEL/DB/Velmar.FDB", emptyDb);
  }
  fs::remove_all(work);
  fs::create_directories(work);
  fs::create_directories(station + "/c/FUEL/DB");
  const std::string host = std::string(TOLVAREN_BINARY_DIR) + "/tolvaren-host";
  const std::string archive = work + "/waybills.zip";

  const Measure exported = Child("TOLVAREN_ROOT=" + Sh(office) + " " + host + " export 'C:\\FUEL\\DB' " + Sh(archive));
  bench::ResetPeakRss();
  const double beforeFetch = bench::PhasePeakRssMiB();
  const double fetch = RawFetch(officeDb);
  const double fetchPeak = bench::PhasePeakRssMiB() - beforeFetch;
  Child("cd " + Sh(work) + " && unzip -q -o waybills.zip");
  const Measure zipped = Child("cd " + Sh(work) + " && zip -q -6 -j ref.zip ttn.ttnxml");
  const double exportRef = fetch + zipped.seconds;

  fs::copy_file(emptyDb, stationDb, fs::copy_options::overwrite_existing);
  const Measure loaded = Child("TOLVAREN_ROOT=" + Sh(station) + " " + host + " load " + Sh(archive));
  const Measure unzipped = Child("cd " + Sh(work) + " && unzip -q -o waybills.zip");
  fs::copy_file(emptyDb, work + "/ref-station.fdb", fs::copy_options::overwrite_existing);
  const double inserts = PreparedInserts(officeDb, work + "/ref-station.fdb");
  const double loadRef = unzipped.seconds + inserts;

  std::printf("waybills in the office: %d, packet %.1f MB, archive %.1f MB\n", waybills,
              fs::file_size(work + "/ttn.ttnxml") / 1e6, fs::file_size(archive) / 1e6);
  std::printf("export: %.2f s (peak %ld MB); fetch %.2f s + zip -6 %.2f s = %.2f s; ratio %.2f\n",
              exported.seconds, exported.peakKb / 1024, fetch, zipped.seconds, exportRef,
              exported.seconds / exportRef);
  const double packetMB = fs::file_size(work + "/ttn.ttnxml") / 1048576.0;
  std::printf("export peak %ld MiB against its fetch's peak %.1f MiB; aim 2 x packet %.1f MiB + "
              "fetch = %.1f MiB: %s\n",
              exported.peakKb / 1024, fetchPeak, packetMB, 2 * packetMB + fetchPeak,
              exported.peakKb / 1024.0 <= 2 * packetMB + fetchPeak ? "met" : "missed");
  std::printf("load:   %.2f s (peak %ld MB); unzip %.2f s + prepared inserts %.2f s = %.2f s; ratio %.2f\n",
              loaded.seconds, loaded.peakKb / 1024, unzipped.seconds, inserts, loadRef,
              loaded.seconds / loadRef);
  std::printf("reference side peak (this process): %ld MB\n", SelfPeakKb() / 1024);
  return 0;
}
