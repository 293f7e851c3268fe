// Second process of the database tests, through the data-access layer.
//   ib_probe folder               prints the engine folder the client library uses
//   ib_probe count <db> <table>   prints the row count of a table (read committed)
//   ib_probe sums <db> <n>        n times the sum of ACC.AMOUNT, each in its own
//                                 snapshot transaction; prints each distinct sum once
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBEnvironment.h"
#include "platform/ib/IBTransaction.h"

// The client library's file-name converter and SRP numbers live as long as
// the process.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:__gconv_open\nleak:mp_init\n";
}
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
  return "print_suppressions=0";
}

namespace {

std::unique_ptr<tv::TIBDatabase> Connect(const std::string& path) {
  auto db = std::make_unique<tv::TIBDatabase>();
  db->SetDatabaseName(path);
  db->Params().Add("user_name=SYSDBA");
  db->Params().Add("lc_ctype=WIN1251");
  db->Open();
  return db;
}

int Count(const std::string& path, const std::string& table) {
  auto db = Connect(path);
  tv::TIBTransaction tr;
  tr.SetDefaultDatabase(db.get());
  tr.Params().SetText("read_committed\nrec_version\nnowait\nread");
  tv::TIBDataSet ds;
  ds.SetDatabase(db.get());
  ds.SetTransaction(&tr);
  ds.SelectSQL().Add("SELECT COUNT(*) FROM " + table);
  ds.Open();
  std::printf("%d\n", ds.Fields(0).AsInteger());
  return 0;
}

int Sums(const std::string& path, int n) {
  auto db = Connect(path);
  tv::TIBTransaction tr;
  tr.SetDefaultDatabase(db.get());
  tr.Params().SetText("concurrency\nnowait\nread");
  tv::TIBDataSet ds;
  ds.SetDatabase(db.get());
  ds.SetTransaction(&tr);
  ds.SelectSQL().Add("SELECT SUM(AMOUNT), COUNT(*) FROM ACC");
  std::set<std::string> seen;
  for (int i = 0; i < n; ++i) {
    tr.StartTransaction();
    ds.Open();
    seen.insert(ds.Fields(0).AsString());
    tr.Commit();
  }
  for (const auto& s : seen) std::printf("%s\n", s.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "folder") {
      std::printf("%s\n", tv::FirebirdEngineFolder().c_str());
      return 0;
    }
    if (cmd == "count" && argc == 4) return Count(argv[2], argv[3]);
    if (cmd == "sums" && argc == 4) return Sums(argv[2], std::stoi(argv[3]));
    std::fprintf(stderr, "usage: ib_probe folder | count <db> <table> | sums <db> <n>\n");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
