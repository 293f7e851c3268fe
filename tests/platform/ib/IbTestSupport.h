#pragma once
// Fixture of the data-access tests: a fresh root folder, databases made by
// isql-fb in it, and connections through the layer.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

class IbTest : public ::testing::Test {
 protected:
  void SetUp() override { UseFirebirdTestEngine(); }

  // Creates <root>/<name> with `ddl` through isql-fb; returns its native path.
  std::string MakeDb(const std::string& name, const std::string& ddl) {
    const std::string path = root_.Path() + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    CreateTestDatabase(path, ddl);
    return path;
  }

  // A connected database (SYSDBA, WIN1251) whose default transaction is a
  // read-committed one it owns.
  std::unique_ptr<TIBDatabase> Connect(const std::string& name) {
    auto db = std::make_unique<TIBDatabase>();
    db->SetDatabaseName(name);
    db->Params().Add("user_name=SYSDBA");
    db->Params().Add("lc_ctype=WIN1251");
    auto* tr = new TIBTransaction(db.get());
    tr->SetName("DefTran");
    tr->Params().SetText("read_committed\nrec_version\nnowait");
    db->SetDefaultTransaction(tr);
    db->Open();
    return db;
  }

  // A data set on `db` with `sql`, not opened.
  std::unique_ptr<TIBDataSet> Query(TIBDatabase* db, const std::string& sql) {
    auto ds = std::make_unique<TIBDataSet>();
    ds->SetDatabase(db);
    ds->SelectSQL().SetText(sql);
    return ds;
  }

  TempRoot root_;
};

}  // namespace tv::test
