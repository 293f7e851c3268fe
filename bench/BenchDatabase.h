#pragma once
// The benchmarks' station database: 300 shifts and 1 000 000 sales made once
// by db/create-sample-db under $TOLVAREN_BENCH_ROOT (default: bench-root in
// the build folder) and reused; the root becomes TOLVAREN_ROOT.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

namespace bench {

// Opens a station database as the reports read it: SYSDBA, WIN1251, a
// read-only read-committed default transaction.
inline void OpenForRead(tv::TIBDatabase& db, tv::TIBTransaction& tr, const std::string& path) {
  db.SetDatabaseName(path);
  db.Params().Add("user_name=SYSDBA");
  db.Params().Add("lc_ctype=WIN1251");
  tr.Params().SetText("read_committed\nrec_version\nnowait\nread");
  db.SetDefaultTransaction(&tr);
  db.Open();
}

// The close-of-shift report's four load statements over the shifts from
// `from` to `to`, every row fetched and kept until the statement closes; the
// number of rows.
inline int64_t FetchShiftLoad(tv::TIBDatabase& db, int from, int to) {
  int64_t rows = 0;
  for (const char* table : {"SmTrk", "SmSilo", "SmLog", "SiloVO"}) {
    tv::TIBDataSet ds;
    ds.SetDatabase(&db);
    ds.SelectSQL().SetText(std::string("SELECT * FROM ") + table + " WHERE SmNum BETWEEN " +
                           std::to_string(from) + " AND " + std::to_string(to) + " ORDER BY SmNum");
    ds.Open();
    ds.FetchAll();
    rows += ds.RecordCount();
    ds.Close();
  }
  return rows;
}

inline std::string BenchRoot() {
  const char* root = std::getenv("TOLVAREN_BENCH_ROOT");
  return root != nullptr ? root : std::string(TOLVAREN_BINARY_DIR) + "/bench-root";
}

// Native path of the database, made when missing.
inline std::string BenchDatabase() {
  const std::string root = BenchRoot();
  const std::string path = root + "/c/FUEL/DB/Velmar.FDB";
  if (!std::filesystem::exists(path)) {
    const std::string cmd = std::string(TOLVAREN_SOURCE_DIR) +
                            "/db/create-sample-db --only station --shifts 300 --sales 1000000 "
                            "--root '" +
                            root + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  return path;
}

}  // namespace bench
