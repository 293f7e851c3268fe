// The statements the library runs (tests/data/db/report_queries.sql) are
// prepared and run on the sample databases: every table and column they
// name must exist, with types that let them execute.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

struct Statement {
  std::string database;  // station, goods, office
  std::string text;      // Windows-1251
  int line = 0;
};

std::vector<Statement> LoadStatements() {
  std::ifstream in(std::string(TOLVAREN_TESTDATA_DIR) + "/db/report_queries.sql");
  std::vector<Statement> out;
  std::string database = "station", line, text;
  int number = 0, start = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.rfind("-- @", 0) == 0) {
      database = line.substr(4);
      continue;
    }
    if (line.rfind("--", 0) == 0 && text.empty()) continue;
    if (line == ";") {
      out.push_back({database, Utf8ToCp1251(text), start});
      text.clear();
      continue;
    }
    if (text.empty()) start = number;
    text += line + "\r\n";
  }
  return out;
}

// A value for each parameter, by the names the reports give them: periods
// wide enough to hold the sample, shift and register numbers 1..3.
Variant ValueFor(const std::string& name) {
  const bool isTime = name.find("DATE") != std::string::npos ||
                      name.find("DATA") != std::string::npos ||
                      name.find("TIME") != std::string::npos;
  const bool isEnd = name.find("END") != std::string::npos || name.find("2") != std::string::npos ||
                     name == "EDATE";
  if (isTime) return Variant::FromDate(isEnd ? EncodeDate(2025, 1, 1) : EncodeDate(2024, 1, 1));
  if (name.find("NAME") != std::string::npos) return Variant(std::string("1"));
  if (name == "SMEND" || name == "ESMNUM" || name == "PENDSM") return Variant(3);
  return Variant(1);
}

TEST(ReportSql, EveryStatementRunsOnTheSampleDatabases) {
  test::TempRoot root;
  test::UseFirebirdTestEngine();
  int rc = -1;
  const std::string out = test::RunCommand(
      std::string(TOLVAREN_SOURCE_DIR) + "/db/create-sample-db --root '" + root.Path() + "' 2>&1",
      &rc);
  ASSERT_EQ(rc, 0) << out;
  const std::map<std::string, std::string> paths = {{"station", "C:\\FUEL\\DB\\Velmar.FDB"},
                                                    {"goods", "C:\\FUEL\\SHOP\\SHOP.FDB"},
                                                    {"office", "C:\\FUEL\\OfficeDB\\OFFICE.FDB"}};
  std::map<std::string, std::unique_ptr<TIBDatabase>> dbs;
  for (const auto& [kind, path] : paths) {
    auto db = std::make_unique<TIBDatabase>();
    db->SetDatabaseName(path);
    db->Params().Add("user_name=SYSDBA");
    db->Params().Add("lc_ctype=WIN1251");
    auto* tr = new TIBTransaction(db.get());
    db->SetDefaultTransaction(tr);
    db->Open();
    dbs[kind] = std::move(db);
  }
  const std::vector<Statement> statements = LoadStatements();
  ASSERT_GE(statements.size(), 35u);
  int withRows = 0;
  for (const Statement& s : statements) {
    SCOPED_TRACE("report_queries.sql line " + std::to_string(s.line) + ": " +
                 Cp1251ToUtf8(s.text.substr(0, 60)));
    TIBDatabase* db = dbs.at(s.database).get();
    TIBDataSet ds;
    ds.SetDatabase(db);
    ds.SelectSQL().SetText(s.text);
    try {
      ds.Prepare();
      for (int i = 0; i < ds.Params().Count(); ++i)
        ds.Params()[i].SetValue(ValueFor(AnsiUpperCase(ds.Params()[i].Name())));
      if (s.text.rfind("UPDATE", 0) == 0) {
        ds.ExecSQL();
      } else {
        ds.Open();
        ds.FetchAll();
        if (ds.RecordCount() > 0) ++withRows;
      }
    } catch (const Exception& e) {
      ADD_FAILURE() << Cp1251ToUtf8(e.Message());
    }
  }
  for (auto& [kind, db] : dbs) db->DefaultTransaction()->Rollback();
  EXPECT_GE(withRows, 30) << "the sample gives most reports something to show";
}

}  // namespace
}  // namespace tv
