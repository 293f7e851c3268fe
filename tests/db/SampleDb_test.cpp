// The sample databases made by db/create-sample-db, checked through isql-fb.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "platform/text/Cp1251.h"
#include "platform/ib/IBEnvironment.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

using test::IsqlSelect;
using test::RunCommand;

const char* const kStationTables[] = {
    "BACKCARD",       "BCHECK",   "BONUS",        "CONTRAGENT",    "CONTRAGENTTYPE",
    "COUPONLIST",     "KKMOPER",  "LOGTRAN",      "LOGTRANDSC",    "PRX",
    "PRXSILO",        "RESETTRK", "SCANDOCTYPES", "SCANDOCUMENTS", "SILOVO",
    "SMLOG",          "SMSILO",   "SMTRK",        "TRK",           "TTN",
    "TTNDETAIL",      "VDCAR",    "VDCONTRACTOR", "VDDRIVER",      "VDLIMITS",
    "VDLIMITSHISTORY"};

// Runs the script on a fresh root folder; returns its output.
std::string CreateSample(const std::string& root, const std::string& options = "") {
  test::UseFirebirdTestEngine();
  int rc = -1;
  std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) + "/db/create-sample-db --root '" +
                                   root + "' " + options + " 2>&1",
                               &rc);
  EXPECT_EQ(rc, 0) << out;
  return out;
}

std::set<std::string> UserTables(const std::string& db) {
  std::set<std::string> names;
  for (auto& row : IsqlSelect(db,
                              "SELECT TRIM(RDB$RELATION_NAME) AS N FROM RDB$RELATIONS "
                              "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"))
    names.insert(row["N"]);
  return names;
}

std::set<std::string> Columns(const std::string& db, const std::string& table) {
  std::set<std::string> names;
  for (auto& row : IsqlSelect(db,
                              "SELECT TRIM(RDB$FIELD_NAME) AS N FROM RDB$RELATION_FIELDS "
                              "WHERE RDB$RELATION_NAME = '" +
                                  table + "'"))
    names.insert(row["N"]);
  return names;
}

double Num(const std::string& s) { return std::stod(s); }

class SampleDbTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new test::TempRoot();
    CreateSample(root_->Path());
  }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }
  static std::string Station() { return root_->Path() + "/c/FUEL/DB/Velmar.FDB"; }
  static test::TempRoot* root_;
};
test::TempRoot* SampleDbTest::root_ = nullptr;

TEST_F(SampleDbTest, FilesLandWhereTheLibraryLooksForThem) {
  const std::string& r = root_->Path();
  EXPECT_TRUE(std::filesystem::exists(r + "/c/FUEL/DB/Velmar.FDB"));
  EXPECT_TRUE(std::filesystem::exists(r + "/c/FUEL/OfficeDB/OFFICE.FDB"));
  EXPECT_TRUE(std::filesystem::exists(r + "/c/FUEL/SHOP/SHOP.FDB"));
  EXPECT_TRUE(std::filesystem::exists(r + "/c/FUEL/CAFE/CAFE.FDB"));
  EXPECT_EQ(root_->ReadFile("c/FUEL/Departments.txt"),
            "Магазин=C:\\FUEL\\SHOP\r\nКафе=C:\\FUEL\\CAFE\r\n"_w);
}

TEST_F(SampleDbTest, FullSchemaHoldsEveryTableAndOptionalColumn) {
  std::set<std::string> expected(std::begin(kStationTables), std::end(kStationTables));
  EXPECT_EQ(UserTables(Station()), expected);
  EXPECT_EQ(UserTables(root_->Path() + "/c/FUEL/OfficeDB/OFFICE.FDB"),
            (std::set<std::string>{"DSCCARDS", "GSMCHANGEHISTORY"}));
  EXPECT_EQ(UserTables(root_->Path() + "/c/FUEL/SHOP/SHOP.FDB"),
            (std::set<std::string>{"BATCHES", "CATEGORY", "DOCUMENTS", "GOODS", "GOODSMOTION",
                                   "PAYMENT", "SALEDOC"}));
  auto logtran = Columns(Station(), "LOGTRAN");
  EXPECT_EQ(logtran.size(), 20u);
  for (const char* c : {"PLOTNOMER", "TRKDENSITY", "ID2CNT", "KEEPER_ID", "INN"})
    EXPECT_TRUE(logtran.count(c)) << c;
  EXPECT_EQ(Columns(Station(), "TTN").size(), 103u);
  EXPECT_EQ(Columns(Station(), "TTNDETAIL").size(), 43u);
  EXPECT_EQ(Columns(Station(), "SMSILO").size(), 51u);
  EXPECT_TRUE(Columns(Station(), "BCHECK").count("CHECKNUM"));
}

TEST_F(SampleDbTest, OldSchemaLeavesOutOptionalTablesAndColumns) {
  test::TempRoot old;
  CreateSample(old.Path(), "--schema old --only station");
  const std::string db = old.Path() + "/c/FUEL/DB/Velmar.FDB";
  auto tables = UserTables(db);
  for (const char* t : {"KKMOPER", "TTNDETAIL", "RESETTRK", "PRXSILO", "VDLIMITS"})
    EXPECT_FALSE(tables.count(t)) << t;
  EXPECT_TRUE(tables.count("LOGTRAN"));
  auto logtran = Columns(db, "LOGTRAN");
  EXPECT_FALSE(logtran.count("PLOTNOMER"));
  EXPECT_FALSE(logtran.count("ID2CNT"));
  EXPECT_TRUE(logtran.count("INDEXSALE"));
  auto bcheck = Columns(db, "BCHECK");
  EXPECT_FALSE(bcheck.count("KKM"));
  EXPECT_FALSE(bcheck.count("CHECKNUM"));
  EXPECT_FALSE(Columns(db, "SMSILO").count("BLOCKED"));
  EXPECT_FALSE(Columns(db, "BACKCARD").count("STATUS"));
  EXPECT_TRUE(Columns(db, "TTN").count("NAME1")) << "legacy columns stay";
  EXPECT_EQ(IsqlSelect(db, "SELECT COUNT(*) AS N FROM LOGTRAN")[0]["N"], "133");
}

// The shift tables tell the same story as the sales log.
TEST_F(SampleDbTest, ShiftFiguresAgreeWithTheSales) {
  auto shifts = IsqlSelect(
      Station(),
      "SELECT sm.SMNUM, sm.INDEXSALE_BEG AS B, sm.INDEXSALE_END AS E, "
      "(SELECT SUM(l.LITER) FROM LOGTRAN l WHERE l.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME) AS "
      "SOLD, "
      "(SELECT MIN(l.INDEXSALE) FROM LOGTRAN l WHERE l.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME) "
      "AS FIRSTSALE, "
      "(SELECT MAX(l.INDEXSALE) FROM LOGTRAN l WHERE l.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME) "
      "AS LASTSALE, "
      "(SELECT SUM(v.LITRE) FROM SILOVO v WHERE v.SMNUM = sm.SMNUM) AS VO, "
      "(SELECT SUM(t.TRKSMENA) FROM SMTRK t WHERE t.SMNUM = sm.SMNUM) AS TRK, "
      "(SELECT COUNT(*) FROM BCHECK b WHERE b.SUMMA < 0 AND b.DATA BETWEEN sm.BEGTIME AND "
      "sm.ENDTIME) AS RETS FROM SMLOG sm ORDER BY sm.SMNUM");
  ASSERT_EQ(shifts.size(), 3u);
  for (auto& s : shifts) {
    SCOPED_TRACE("shift " + s["SMNUM"]);
    EXPECT_NEAR(Num(s["SOLD"]), Num(s["VO"]), 0.05);
    EXPECT_NEAR(Num(s["SOLD"]), Num(s["TRK"]), 0.05);
    EXPECT_EQ(s["B"], s["FIRSTSALE"]);
    EXPECT_EQ(s["E"], s["LASTSALE"]);
    EXPECT_GE(Num(s["RETS"]), 1);
  }
  for (auto& r : IsqlSelect(Station(), "SELECT TRKBEG, TRKEND, TRKSMENA, TRKSMENAM FROM SMTRK"))
    EXPECT_NEAR(Num(r["TRKEND"]) - Num(r["TRKBEG"]), Num(r["TRKSMENA"]) + Num(r["TRKSMENAM"]),
                0.011);
  // a tank starts each shift with what it held at the end of the one before
  auto gaps = IsqlSelect(Station(),
                         "SELECT COUNT(*) AS N FROM SMSILO a JOIN SMSILO b ON b.SILONUM = "
                         "a.SILONUM AND b.SMNUM = a.SMNUM + 1 WHERE a.SILOENDL <> b.SILOBEGL");
  EXPECT_EQ(gaps[0]["N"], "0");
  auto calc = IsqlSelect(Station(),
                         "SELECT MAX(ABS(SILOBEGL + SILOPRX - SILORASHL - SILOENDCALCL)) AS D "
                         "FROM SMSILO");
  EXPECT_LT(Num(calc[0]["D"]), 0.011);
  auto gen = IsqlSelect(Station(),
                        "SELECT GEN_ID(GEN_INDEXSALE, 0) AS G, (SELECT MAX(INDEXSALE) FROM "
                        "LOGTRAN) AS M FROM RDB$DATABASE");
  EXPECT_EQ(gen[0]["G"], gen[0]["M"]);
}

TEST_F(SampleDbTest, OpenShiftHasSalesButNoLogRow) {
  auto open = IsqlSelect(Station(),
                         "SELECT COUNT(*) AS N, MIN(DATA) AS F FROM LOGTRAN WHERE DATA > (SELECT "
                         "MAX(ENDTIME) FROM SMLOG)");
  EXPECT_EQ(open[0]["N"], "13");
  EXPECT_EQ(open[0]["F"].substr(0, 10), "2024-03-02");
  EXPECT_EQ(IsqlSelect(Station(), "SELECT MAX(SMNUM) AS M FROM SMLOG")[0]["M"], "3");
  EXPECT_EQ(IsqlSelect(Station(), "SELECT COUNT(*) AS N FROM KKMOPER WHERE SMNUM = 0")[0]["N"],
            "3");
}

TEST_F(SampleDbTest, EveryBaseKindOfPaymentTypeIsSold) {
  std::set<std::string> kinds;
  for (auto& r : IsqlSelect(Station(), "SELECT DISTINCT MOD(VIDOPL, 100) AS K FROM LOGTRAN"))
    kinds.insert(r["K"]);
  EXPECT_EQ(kinds.size(), 13u);
  auto contractors = IsqlSelect(
      Station(),
      "SELECT COUNT(*) AS N FROM CONTRAGENT c LEFT JOIN CONTRAGENTTYPE ct ON ct.CONTR_ID = "
      "c.CONTR_ID WHERE (ct.CTYPE=1) AND (ct.PARAM1 - ct.PARAM1 / 100 * 100 = 4)");
  EXPECT_EQ(contractors[0]["N"], "4");
}

TEST_F(SampleDbTest, CyrillicTextComesBackAsWindows1251) {
  auto rows = IsqlSelect(Station(), "SELECT NAME, FULLNAME FROM CONTRAGENT WHERE CONTR_ID = 1");
  EXPECT_EQ(rows[0]["NAME"], "ООО Велмар-Север"_w);
  EXPECT_EQ(rows[0]["FULLNAME"], "Общество с ограниченной ответственностью «Велмар-Север»"_w);
  auto ttn = IsqlSelect(Station(),
                        "SELECT CAST(VARLIST AS VARCHAR(200)) AS V, GDOCUMENTS AS G FROM "
                        "TTNDETAIL d JOIN TTN t ON t.TTN_ID = d.TTN_ID WHERE d.TTN_ID = 1 AND "
                        "d.ID = 1");
  EXPECT_EQ(ttn[0]["G"], "Паспорт качества №1"_w);
  auto crlf = IsqlSelect(Station(),
                         "SELECT POSITION(ASCII_CHAR(13) || ASCII_CHAR(10) IN VARLIST) AS P "
                         "FROM TTN WHERE TTN_ID = 1");
  EXPECT_EQ(crlf[0]["P"], "36");
}

// Without FIREBIRD the script prepares the same engine folder as the library,
// so that both use one lock folder.
TEST(SampleDbEngine, ScriptPreparesTheLibrarysEngineFolder) {
  test::TempRoot root;
  int rc = -1;
  std::string out =
      RunCommand("env -u FIREBIRD -u FIREBIRD_LOCK " + std::string(TOLVAREN_SOURCE_DIR) +
                     "/db/create-sample-db --only office --root '" + root.Path() + "' 2>&1",
                 &rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_EQ(root.ReadFile("firebird/firebird.conf"), std::string(EmbeddedFirebirdConf()));
  EXPECT_TRUE(std::filesystem::is_regular_file(
      std::filesystem::symlink_status(root.Path() + "/firebird/intl/libfbintl.so")));
  EXPECT_TRUE(std::filesystem::is_directory(root.Path() + "/firebird/lock"));
}

TEST(SampleDbDeterminism, SameArgumentsGiveTheSameRows) {
  test::TempRoot a;
  CreateSample(a.Path(), "--only station");
  const std::string dbA = a.Path() + "/c/FUEL/DB/Velmar.FDB";
  const std::string query =
      "SELECT COUNT(*) AS N, SUM(LITER) AS L, SUM(SUMMA) AS S, MAX(DATA) AS D, "
      "HASH(LIST(GSMNAME || VIDOPL || LITER, '')) AS G FROM LOGTRAN";
  auto first = IsqlSelect(dbA, query);
  test::TempRoot b;
  CreateSample(b.Path(), "--only station");
  EXPECT_EQ(IsqlSelect(b.Path() + "/c/FUEL/DB/Velmar.FDB", query), first);
  test::TempRoot c;
  CreateSample(c.Path(), "--only station --seed 7");
  EXPECT_NE(IsqlSelect(c.Path() + "/c/FUEL/DB/Velmar.FDB", query), first);
}

}  // namespace
}  // namespace tv
