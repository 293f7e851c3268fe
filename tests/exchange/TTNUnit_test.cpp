// Waybill ids, capability records and the detail migration against real
// Firebird databases, checked through isql-fb.

#include "exchange/TTNUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "foundation/FBUtils.h"
#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/text/StringList.h"
#include "platform/ib/IBTransaction.h"
#include "tests/exchange/ExchangeFixture.h"

namespace tv {
namespace {

using test::IsqlSelect;

const std::string kLogTran = "CREATE TABLE LOGTRAN (INDEXSALE INTEGER, ID2CNT INTEGER, PLOTNOMER DOUBLE PRECISION);\n";
const std::string kLogTranOld = "CREATE TABLE LOGTRAN (INDEXSALE INTEGER);\n";
const std::string kContractors = "CREATE TABLE VDCONTRACTOR (ID INTEGER);\n";
// TTN with the old single-detail columns, TTNDETAIL as the newer schema has it.
const std::string kTTN =
    "CREATE TABLE TTN (TTN_ID INTEGER NOT NULL, OFCTTNID INTEGER, ISDELETE INTEGER, "
    "INDEXSALE INTEGER, NAME1 VARCHAR(40), COUNT1 NUMERIC(15,4), TTNSER VARCHAR(10));\n";
const std::string kDetail =
    "CREATE TABLE TTNDETAIL (ID INTEGER NOT NULL, TTN_ID INTEGER NOT NULL, PRINTTTN1 INTEGER, "
    "PRINTTTN2 INTEGER, PRINTSF INTEGER, PRINTTN INTEGER, INDEXSALE INTEGER, NAME VARCHAR(40), "
    "\"COUNT\" NUMERIC(15,4), PKOD VARCHAR(20));\n";

// The test's Cyrillic texts as the database takes them.
std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }

std::string TTNRows(std::initializer_list<int> ids) {
  std::string sql;
  for (int id : ids) sql += "INSERT INTO TTN (TTN_ID) VALUES (" + std::to_string(id) + ");\n";
  return sql;
}

class TTNUnitTest : public test::ExchangeTest {};

TEST_F(TTNUnitTest, FirstIdsFollowTheHostsRange) {
  struct Case {
    int mode;
    std::initializer_list<int> rows;
    int first;
  };
  const Case cases[] = {
      {3, {}, 100000001},              // office without office rows
      {3, {5, 100000007}, 100000008},  // office: local rows ignored
      {0, {}, 1},                      // station, empty TTN
      {0, {57, 100000003}, 58},        // station: office rows ignored
      {2, {9}, 10},                    // any mode other than 3 is a station
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    TTNUnit::ResetTTNIDCounter();
    auto db = Connect(MakeDatabase("ids" + std::to_string(n++) + ".fdb", kTTN + TTNRows(c.rows)));
    EXPECT_EQ(TTNUnit::GetNextTTNID(db.get(), Host(c.mode)), c.first);
    EXPECT_EQ(TTNUnit::GetNextTTNID(db.get(), Host(c.mode)), c.first + 1);
  }
}

TEST_F(TTNUnitTest, DatabasesShareOneSequenceThatNeverFallsBelowTheirOwnMaximum) {
  auto a = Connect(MakeDatabase("a.fdb", kTTN + TTNRows({10})));
  auto b = Connect(MakeDatabase("b.fdb", kTTN + TTNRows({3})));
  auto c = Connect(MakeDatabase("c.fdb", kTTN + TTNRows({40})));
  EXPECT_EQ(TTNUnit::GetNextTTNID(a.get(), Host(0)), 11);
  EXPECT_EQ(TTNUnit::GetNextTTNID(b.get(), Host(0)), 12);  // one sequence
  EXPECT_EQ(TTNUnit::GetNextTTNID(c.get(), Host(0)), 41);  // raised to c's own maximum
  EXPECT_EQ(TTNUnit::GetNextTTNID(a.get(), Host(0)), 42);
}

TEST_F(TTNUnitTest, FailingLoadLeavesTheCounterUnloadedAndTheRangeIsGuarded) {
  auto bad = Connect(MakeDatabase("bad.fdb", kContractors));  // no TTN table
  EXPECT_THROW(TTNUnit::GetNextTTNID(bad.get(), Host(0)), Exception);
  EXPECT_EQ(TTNUnit::LastTTNID(), -1);
  EXPECT_THROW(TTNUnit::GetNextTTNID(bad.get(), THostQuery()), Exception);  // no host procedure

  auto full = Connect(MakeDatabase("full.fdb", kTTN + TTNRows({99999998})));
  EXPECT_EQ(TTNUnit::GetNextTTNID(full.get(), Host(0)), 99999999);
  EXPECT_THROW(TTNUnit::GetNextTTNID(full.get(), Host(0)), Exception);
  EXPECT_EQ(TTNUnit::LastTTNID(), 99999999);

  TTNUnit::ResetTTNIDCounter();
  auto top = Connect(MakeDatabase("top.fdb", kTTN + TTNRows({2147483646})));
  EXPECT_EQ(TTNUnit::GetNextTTNID(top.get(), Host(3)), 2147483647);
  EXPECT_THROW(TTNUnit::GetNextTTNID(top.get(), Host(3)), Exception);
}

TEST_F(TTNUnitTest, ThreadsDrawDistinctIdsIncludingTheFirstLoad) {
  const std::string path = MakeDatabase("threads.fdb", kTTN + TTNRows({7}));
  constexpr int kThreads = 8, kPerThread = 1000;
  std::vector<std::unique_ptr<TIBDatabase>> dbs;
  for (int t = 0; t < kThreads; ++t) dbs.push_back(Connect(path));
  std::vector<std::vector<int32_t>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) got[t].push_back(TTNUnit::GetNextTTNID(dbs[t].get(), Host(0)));
    });
  }
  for (auto& th : threads) th.join();
  std::set<int32_t> all;
  for (auto& ids : got) all.insert(ids.begin(), ids.end());
  EXPECT_EQ(all.size(), size_t{kThreads * kPerThread});
  EXPECT_EQ(*all.begin(), 8);
  EXPECT_EQ(*all.rbegin(), 7 + kThreads * kPerThread);
}

TEST_F(TTNUnitTest, CapabilitiesAreProbedOnceAndCached) {
  struct Case {
    std::string ddl;
    TTNUnit::TAZSConnectionData expected;
  };
  const Case cases[] = {
      {kTTN + kDetail + kLogTran + kContractors, {true, true, true, true}},
      {kTTN + kLogTranOld + kContractors + "INSERT INTO VDCONTRACTOR VALUES (1);", {false, false, false, false}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = MakeDatabase("caps" + std::to_string(n++) + ".fdb", c.ddl);
    auto db = Connect(path);
    bool detail, id2cnt, empty, plot;
    TTNUnit::GetConnectionData(db.get(), nullptr, detail, id2cnt, empty, plot);
    EXPECT_EQ(detail, c.expected.HasTTNDetail);
    EXPECT_EQ(id2cnt, c.expected.HasID2CNT);
    EXPECT_EQ(empty, c.expected.ContractorsEmpty);
    EXPECT_EQ(plot, c.expected.HasPlotNomer);
  }
  // After the first call the database may change: the answer stays cached.
  const std::string first = root_.Path() + "/caps0.fdb";
  test::Isql("CONNECT '" + first + "' USER 'SYSDBA';\nDROP TABLE TTNDETAIL;\nDROP TABLE LOGTRAN;\n");
  auto again = Connect(first);
  EXPECT_TRUE(TTNUnit::GetConnectionData(again.get(), nullptr).HasTTNDetail);
  EXPECT_TRUE(TTNUnit::GetConnectionData(again.get(), nullptr).HasPlotNomer);
}

TEST_F(TTNUnitTest, CallersDuringTheFirstProbeWaitForItsFlags) {
  const std::string path = MakeDatabase("busy.fdb", kTTN + kDetail + kLogTran + kContractors + TTNRows({1, 2, 3}));
  constexpr int kThreads = 8;
  std::vector<std::unique_ptr<TIBDatabase>> dbs;
  for (int t = 0; t < kThreads; ++t) dbs.push_back(Connect(path));
  std::vector<TTNUnit::TAZSConnectionData> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] { got[t] = TTNUnit::GetConnectionData(dbs[t].get(), nullptr); });
  }
  for (auto& th : threads) th.join();
  for (const auto& data : got) {
    EXPECT_TRUE(data.HasTTNDetail && data.HasID2CNT && data.HasPlotNomer && data.ContractorsEmpty);
  }
  EXPECT_EQ(IsqlSelect(path, "SELECT COUNT(*) AS N FROM TTNDETAIL")[0]["N"], "3");
}

TEST_F(TTNUnitTest, FailedProbeIsForgottenAndProbedAgain) {
  const std::string path = MakeDatabase("probe.fdb", kTTN + kDetail + kContractors);  // no LOGTRAN
  auto db = Connect(path);
  EXPECT_THROW(TTNUnit::GetConnectionData(db.get(), nullptr), Exception);
  db->Close();
  test::Isql("CONNECT '" + path + "' USER 'SYSDBA';\n" + kLogTran);
  EXPECT_TRUE(TTNUnit::GetConnectionData(db.get(), nullptr).HasID2CNT);
}

TEST_F(TTNUnitTest, MigrationMovesTheSingleDetailColumnsOnce) {
  const std::string path = MakeDatabase(
      "old.fdb", kTTN + kDetail + kLogTranOld + kContractors +
                     W("INSERT INTO TTN (TTN_ID, INDEXSALE, NAME1, COUNT1) VALUES (4, 77, 'Аи-95', 12.3456);\n"
                       "INSERT INTO TTN (TTN_ID) VALUES (2);\n"));
  auto db = Connect(path);
  TIBTransaction tr;
  tr.SetDefaultDatabase(db.get());
  EXPECT_TRUE(TTNUnit::GetConnectionData(db.get(), &tr).HasTTNDetail);
  auto rows = IsqlSelect(path, "SELECT * FROM TTNDETAIL ORDER BY TTN_ID");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]["TTN_ID"], "2");
  EXPECT_EQ(rows[0]["NAME"], "<null>");
  EXPECT_EQ(rows[0]["INDEXSALE"], "<null>");
  EXPECT_EQ(rows[1]["TTN_ID"], "4");
  EXPECT_EQ(rows[1]["NAME"], "Аи-95"_w);
  EXPECT_EQ(rows[1]["COUNT"], "12.3456");
  EXPECT_EQ(rows[1]["INDEXSALE"], "77");
  EXPECT_EQ(rows[1]["PKOD"], "<null>");  // TTN has no PKOD1
  for (auto& r : rows) {
    EXPECT_EQ(r["ID"], "1");
    for (const char* f : {"PRINTTTN1", "PRINTTTN2", "PRINTSF", "PRINTTN"}) EXPECT_EQ(r[f], "1");
  }
  // A table that holds rows is never migrated again.
  TTNUnit::FinalizeConnectionData();
  TTNUnit::GetConnectionData(db.get(), &tr);
  EXPECT_EQ(IsqlSelect(path, "SELECT COUNT(*) AS N FROM TTNDETAIL")[0]["N"], "2");
}

TEST_F(TTNUnitTest, MigrationLeavesOtherDatabasesAlone) {
  const std::string noDetail = MakeDatabase("nodetail.fdb", kTTN + TTNRows({1}));
  const std::string emptyTTN = MakeDatabase("empty.fdb", kTTN + kDetail);
  const std::string failing = MakeDatabase("fail.fdb", kTTN + TTNRows({1, 2}) +
      "CREATE TABLE TTNDETAIL (ID INTEGER NOT NULL, TTN_ID INTEGER NOT NULL, PRINTTTN1 INTEGER, "
      "PRINTTTN2 INTEGER, PRINTSF INTEGER, PRINTTN INTEGER, NAME VARCHAR(40) NOT NULL, "
      "CONSTRAINT PK_D PRIMARY KEY (TTN_ID, ID));\n"
      "INSERT INTO TTN (TTN_ID, NAME1) VALUES (3, 'x');\n");
  auto a = Connect(noDetail);
  TTNUnit::MoveTTNDetailsToTable(a.get(), nullptr, false);
  auto b = Connect(emptyTTN);
  TIBTransaction tr;
  tr.SetDefaultDatabase(b.get());
  TTNUnit::MoveTTNDetailsToTable(b.get(), &tr, true);
  EXPECT_FALSE(tr.InTransaction());  // an empty TTN starts no transaction
  // A failing migration (NAME1 NULL into a NOT NULL column) leaves nothing
  // and is logged, not raised.
  root_.WriteFile("c/FUEL/LogFiles/Reports.log", "");
  TFileLogger log("C:\\FUEL\\LogFiles\\Reports.log");
  auto c = Connect(failing);
  TTNUnit::MoveTTNDetailsToTable(c.get(), nullptr, true, &log);
  EXPECT_EQ(IsqlSelect(failing, "SELECT COUNT(*) AS N FROM TTNDETAIL")[0]["N"], "0");
  EXPECT_NE(root_.ReadFile("c/FUEL/LogFiles/Reports.log").find("TTNDETAIL"), std::string::npos);
}

TEST_F(TTNUnitTest, DetailHelpers) {
  TStringList two;
  two.Add("ID");
  two.Add("TTN_ID");
  EXPECT_EQ(TTNUnit::BuildTTNDetailInsertSQL(two), "INSERT INTO TTNDETAIL (\"ID\",\"TTN_ID\") VALUES (:ID,:TTN_ID)");
  EXPECT_EQ(TTNUnit::BuildTTNDetailInsertSQL(TStringList()), "INSERT INTO TTNDETAIL () VALUES ()");
  auto with = Connect(MakeDatabase("with.fdb", kTTN + kDetail));
  auto without = Connect(MakeDatabase("without.fdb", kTTN));
  EXPECT_TRUE(TTNUnit::TTNDetailExists(with.get()));
  EXPECT_FALSE(TTNUnit::TTNDetailExists(without.get()));
  TStringList fields;
  fields.Add("junk");
  EXPECT_TRUE(TTNUnit::GetTTNDetailFields(with.get(), fields));
  ASSERT_EQ(fields.Count(), 10);
  EXPECT_EQ(fields[0], "ID");
  EXPECT_EQ(fields[8], "COUNT");
  EXPECT_THROW(TTNUnit::GetTTNDetailFields(without.get(), fields), Exception);
}

}  // namespace
}  // namespace tv
