#pragma once
// What the exchange tests share: a fresh root, the process's own Firebird
// engine, the database support library bound by path, a host query that
// answers the host mode, and connections made as the exchange makes them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/HostQuery.h"
#include "platform/ib/IBDatabase.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the database file `relative` under the root with `ddl`.
  std::string MakeDatabase(const std::string& relative, const std::string& ddl);
  // A connected database object on a native path, as FBUtils makes it.
  std::unique_ptr<TIBDatabase> Connect(const std::string& path);
  // A host query answering mode `mode` to question 46.
  static THostQuery Host(int mode);

  // Runs db/create-sample-db --only station with `options` into `root`
  // (native) and returns the database's native path.
  static std::string MakeSampleStation(const std::string& root, const std::string& options = "");
  // Runs tests/exchange/exchange_file.py with `args`; returns its output.
  static std::string Script(const std::string& args);
  // TTN and TTNDETAIL of a database as isql-fb prints their keys and a few
  // columns, for "unchanged" checks.
  static std::string Dump(const std::string& path);
  // The native path of the station database under this test's root.
  std::string StationPath() const { return root_.Path() + "/c/FUEL/DB/Velmar.FDB"; }

  TempRoot root_;
};

}  // namespace tv::test
