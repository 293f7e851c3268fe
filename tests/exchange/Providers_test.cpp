// The remote data module created and read as a host does it: creation
// through DCOMServerOnCreate, every provider's packet (read by Python's XML
// parser) against its statement run through isql-fb, the fuel-sales
// statement's macros, the sale-number window, new waybill ids.

#include <gtest/gtest.h>

#include "tests/exchange/LogTranText.h"
#include "tests/exchange/ProvidersFixture.h"

namespace tv::test {
namespace {

const std::vector<std::string> kNames = {
    "DSPRepTTN",        "DSPTRKHistory",   "DSPRepLogTran", "DSPRepTTNID",   "DSPRepCustomSQL",
    "DSPRepAllLogTran", "DSPRepDBConnect", "DSPRepTTNDet",  "DSPRepScanDoc", "DSPRepScanDocTypes"};

TEST_F(ProvidersTest, CreationRegistersTheTenProvidersInOrder) {
  Create();
  EXPECT_EQ(registered, kNames);
  EXPECT_FALSE(Logged("DataModuleCreate"));
  // The module's attachment, seen from another connection in the monitoring
  // table, is there until the owner goes.
  const char* others =
      "SELECT COUNT(*) AS N FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
      "AND MON$SYSTEM_FLAG = 0";
  EXPECT_EQ(Sql(others)[0]["N"], "1");
  EXPECT_EQ(FreeOwner(), 1);
  EXPECT_EQ(unregistered, kNames);
  EXPECT_EQ(Sql(others)[0]["N"], "0");
}

TEST_F(ProvidersTest, NothingIsCreatedForOtherHostsOrWithoutOwner) {
  host->Set(46, Variant(2));
  Create();
  host->Set(46, Variant(0));
  lib->DCOMServerOnCreate(nullptr);
  EXPECT_TRUE(registered.empty());
  EXPECT_FALSE(Logged("DCOMServerOnCreate"));
  EXPECT_FALSE(Logged("DataModuleCreate"));
}

TEST_F(ProvidersTest, AFailedDatabaseQuestionRegistersNothingAndIsLogged) {
  host->Fail(69, "нет базы"_w);
  Create();
  EXPECT_TRUE(registered.empty());
  EXPECT_TRUE(Logged("[ошиб] [Tolvaren] Ошибка DataModuleCreate: нет базы"_w)) << Cp1251ToUtf8(Log());
  EXPECT_EQ(FreeOwner(), 1);
  EXPECT_TRUE(unregistered.empty());
}

TEST_F(ProvidersTest, AnUnreachableDatabaseLeavesProvidersThatFailWithItsError) {
  host->Set(69, Variant("C:\\FUEL\\DB\\Missing.FDB"));
  Create();
  EXPECT_EQ(registered, kNames);
  EXPECT_TRUE(Logged("Ошибка DataModuleCreate: "_w));
  for (const std::string& name : kNames) {
    const Result r = Read(name, name == "DSPRepCustomSQL" ? "SELECT 1 FROM RDB$DATABASE" : "");
    EXPECT_FALSE(r.Ok) << name;
    EXPECT_NE(r.Text.find("Missing.FDB"), std::string::npos) << name << ": " << Cp1251ToUtf8(r.Text);
  }
}

TEST_F(ProvidersTest, PacketsEqualTheirStatementsThroughIsql) {
  Create();
  struct Case {
    const char* provider;
    const char* statement;  // as isql-fb runs it
    const char* command = "";
  };
  const Case cases[] = {
      {"DSPRepTTN", "SELECT * FROM TTN ORDER BY TTN_ID DESC"},
      {"DSPTRKHistory",
       "SELECT Trk.\"TIME\", Client, Gsm, Operation, Op1, Op2, Liters, Summa, AutoMobil FROM Trk "
       "ORDER BY Trk.\"TIME\" DESC"},
      {"DSPRepTTNDet", "SELECT * FROM TTNDETAIL ORDER BY TTN_ID, ID"},
      {"DSPRepScanDoc",
       "SELECT sd.*, ct1.NAME AS CNTSENDER, ct2.NAME AS CNTTARGET, ct3.NAME AS CNTPER FROM "
       "SCANDOCUMENTS sd LEFT JOIN CONTRAGENT ct1 ON ct1.CONTR_ID=sd.CNTSENDER_ID LEFT JOIN "
       "CONTRAGENT ct2 ON ct2.CONTR_ID=sd.CNTTARGET_ID LEFT JOIN CONTRAGENT ct3 ON "
       "ct3.CONTR_ID=sd.CNTPER_ID WHERE sd.ISDELETE=0 ORDER BY ID DESC"},
      {"DSPRepScanDocTypes", "SELECT * FROM SCANDOCTYPES ORDER BY 1"},
      {"DSPRepAllLogTran",
       "SELECT lt.INDEXSALE, CAST(CAST(lt.DATA AS VARCHAR(30)) AS TIMESTAMP) AS TIDEDATE, "
       "lt.GSMNAME, lt.LITER, (lt.PLOTN * lt.LITER) AS MASSA, lt.SUMMA, lt.PLISTNUM, c.NAME AS "
       "CNAME, drv.NAME AS DRIVERFIO, drv.UDOST, car.MARKA AS CARMARKA, car.NAME AS CARGOSNUM FROM "
       "(SELECT FIRST 5000 lt.* FROM LOGTRAN lt WHERE (lt.INDEXSALE IS NOT NULL) ORDER BY "
       "lt.INDEXSALE DESC) lt LEFT JOIN VDCONTRACTOR c ON lt.IDCNT = c.ID LEFT JOIN VDDRIVER drv "
       "ON lt.IDDRV = drv.ID LEFT JOIN VDCAR car ON lt.IDCAR = car.ID ORDER BY lt.INDEXSALE DESC, "
       "TIDEDATE DESC"},
      {"DSPRepCustomSQL", "SELECT NAME, INN FROM CONTRAGENT ORDER BY CONTR_ID",
       "SELECT NAME, INN FROM CONTRAGENT ORDER BY CONTR_ID"},
      {"DSPRepTTN", "SELECT TTN_ID, TTNSER FROM TTN WHERE TTN_ID < 3 ORDER BY 1",
       "SELECT TTN_ID, TTNSER FROM TTN WHERE TTN_ID < 3 ORDER BY 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.provider);
    std::vector<IsqlRow> want = IsqlSelect(Db(), c.statement);
    const std::vector<IsqlRow> got = Rows(c.provider, c.command);
    ASSERT_FALSE(want.empty());
    ASSERT_EQ(got.size(), want.size());
    // isql-fb prints a BLOB's lines after its id; only the packet's columns count.
    for (IsqlRow& row : want) {
      std::erase_if(row, [&](const auto& kv) { return got[0].count(kv.first) == 0; });
    }
    EXPECT_EQ(Flat(got, {"VARLIST", "SCAN"}), Flat(want, {"VARLIST", "SCAN"}));
  }
}

TEST_F(ProvidersTest, EmptySetsAndNewIds) {
  Create();
  const Result connect = Read("DSPRepDBConnect");
  ASSERT_TRUE(connect.Ok) << connect.Text;
  EXPECT_NE(connect.Text.find("<FIELD attrname=\"ID\" fieldtype=\"i4\"/>"), std::string::npos);
  EXPECT_TRUE(Rows("DSPRepDBConnect").empty());
  const std::string max = Sql("SELECT MAX(TTN_ID) AS M FROM TTN WHERE TTN_ID < 100000000")[0]["M"];
  const std::vector<IsqlRow> first = Rows("DSPRepTTNID"), second = Rows("DSPRepTTNID");
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first[0].at("TTN_ID"), std::to_string(std::stoi(max) + 1));
  EXPECT_EQ(second[0].at("TTN_ID"), std::to_string(std::stoi(max) + 2));
  // Command text is for the query providers only.
  EXPECT_FALSE(Read("DSPRepTTNID", "SELECT 1 FROM RDB$DATABASE").Ok);
}

TEST_F(ProvidersTest, CommandTextsThatWriteChangeNothing) {
  Create();
  const std::string before = Flat(Sql("SELECT * FROM SCANDOCTYPES ORDER BY ID"))[0];
  for (const char* sql :
       {"DELETE FROM SCANDOCTYPES", "UPDATE SCANDOCTYPES SET NAME = 'x' RETURNING ID",
        "INSERT INTO SCANDOCTYPES (ID, NAME) VALUES (90, 'x') RETURNING ID",
        "EXECUTE BLOCK RETURNS (N INTEGER) AS BEGIN DELETE FROM SCANDOCTYPES; N = 1; SUSPEND; END",
        "CREATE TABLE X (A INTEGER)"}) {
    SCOPED_TRACE(sql);
    EXPECT_FALSE(Read("DSPRepCustomSQL", sql).Ok);
  }
  EXPECT_EQ(Flat(Sql("SELECT * FROM SCANDOCTYPES ORDER BY ID"))[0], before);
  EXPECT_TRUE(Sql("SELECT * FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'X'").empty());
}

TEST_F(ProvidersTest, SalesNeedTheWaybillListFirstAndKeepTheirWindow) {
  Create();
  const Result early = Read("DSPRepLogTran");
  EXPECT_FALSE(early.Ok);
  EXPECT_NE(early.Text.find("DSPRepTTN"), std::string::npos) << Cp1251ToUtf8(early.Text);
  const int generator = std::stoi(Sql("SELECT GEN_ID(GEN_INDEXSALE, 0) AS G FROM RDB$DATABASE")[0]["G"]);
  ASSERT_TRUE(Read("DSPRepTTN").Ok);
  // A later sale number does not move the window of this module.
  Exec("SET GENERATOR GEN_INDEXSALE TO " + std::to_string(generator + 100000) + ";");
  ASSERT_TRUE(Read("DSPRepTTN").Ok);
  const std::string window = "lt.INDEXSALE BETWEEN " + std::to_string(generator + 10 - 5000) +
                             " AND " + std::to_string(generator + 10);
  const std::string wherettn =
      "NOT EXISTS (SELECT * FROM TTNDETAIL td JOIN TTN ON TTN.TTN_ID = td.TTN_ID WHERE "
      "(td.INDEXSALE = lt.INDEXSALE) AND (COALESCE(TTN.ISDELETE, 0) <> 1))";
  const std::string sql = LogTranText(" CAST(0 AS INTEGER) AS CHECKED, ",
                                      ", lt.ID2CNT, gp.NAME AS GPNAME",
                                      ", (lt.PLOTNOMER * lt.LITER) AS MASSAPLM ", "", window,
                                      wherettn, " (lt.INN = c.INN) AND (CHAR_LENGTH(c.INN) > 9)",
                                      "LEFT JOIN CONTRAGENT gp ON gp.CONTR_ID = lt.ID2CNT");
  const std::vector<IsqlRow> want = IsqlSelect(Db(), sql);
  EXPECT_FALSE(want.empty());
  EXPECT_EQ(Flat(Rows("DSPRepLogTran")), Flat(want));
}

// A sale is offered once and only while no live waybill holds it.
TEST_F(ProvidersTest, SalesHeldByWaybillDetails) {
  Create();
  ASSERT_TRUE(Read("DSPRepTTN").Ok);
  const std::vector<IsqlRow> free = Sql(
      "SELECT FIRST 3 lt.INDEXSALE AS S FROM LOGTRAN lt WHERE NOT EXISTS (SELECT * FROM TTNDETAIL "
      "td WHERE td.INDEXSALE = lt.INDEXSALE) AND lt.INDEXSALE > GEN_ID(GEN_INDEXSALE, 0) - 4990 "
      "ORDER BY 1 DESC");
  ASSERT_EQ(free.size(), 3u);
  const std::string held = free[0].at("S"), twice = free[1].at("S"), kept = free[2].at("S");
  // held: a live and a deleted waybill; twice: two deleted waybills.
  std::string sql;
  const std::pair<int, std::pair<int, std::string>> waybills[] = {
      {90001, {0, held}}, {90002, {1, held}}, {90003, {1, twice}}, {90004, {1, twice}}};
  for (const auto& [id, w] : waybills) {
    sql += "INSERT INTO TTN (TTN_ID, ISDELETE) VALUES (" + std::to_string(id) + ", " +
           std::to_string(w.first) + ");\nINSERT INTO TTNDETAIL (ID, TTN_ID, INDEXSALE) VALUES (1, " +
           std::to_string(id) + ", " + w.second + ");\n";
  }
  Exec(sql);
  std::map<std::string, int> listed;
  for (const IsqlRow& row : Rows("DSPRepLogTran")) ++listed[row.at("INDEXSALE")];
  EXPECT_EQ(listed.count(held), 0u);
  EXPECT_EQ(listed[twice], 1);
  EXPECT_EQ(listed[kept], 1);
}

// An office host on an old station database: no TTNDETAIL, no LOGTRAN.ID2CNT,
// an empty VDCONTRACTOR, PLOTNOMER present.
TEST_F(ProvidersTest, OfficeWindowOnAnOldDatabase) {
  MakeSample("--detail none --contractors empty");
  Exec("ALTER TABLE LOGTRAN DROP ID2CNT;");
  Exec("UPDATE TTN SET INDEXSALE = (SELECT MAX(INDEXSALE) - 3 FROM LOGTRAN) WHERE TTN_ID = "
       "(SELECT MIN(TTN_ID) FROM TTN);");
  host->Set(46, Variant(3));
  Create();
  ASSERT_TRUE(Read("DSPRepTTN").Ok);
  const int max = std::stoi(Sql("SELECT MAX(INDEXSALE) AS M FROM LOGTRAN")[0]["M"]);
  const std::string sql = LogTranText(
      "", ", 0 AS ID2CNT, CAST('' AS VARCHAR(100)) AS GPNAME", ", (lt.PLOTNOMER * lt.LITER) AS MASSAPLM ",
      "", "lt.INDEXSALE BETWEEN " + std::to_string(max + 10 - 5000) + " AND " + std::to_string(max + 10),
      "NOT EXISTS (SELECT * FROM TTN WHERE TTN.INDEXSALE = lt.INDEXSALE)",
      " lt.IDCNT = CAST(c.CONTR_ID AS VARCHAR(10))", "");
  const std::vector<IsqlRow> want = IsqlSelect(Db(), sql);
  EXPECT_FALSE(want.empty());
  const std::vector<IsqlRow> got = Rows("DSPRepLogTran");
  EXPECT_EQ(Flat(got), Flat(want));
  for (const IsqlRow& row : got) EXPECT_NE(std::stoi(row.at("INDEXSALE")), max - 3);
}

}  // namespace
}  // namespace tv::test

namespace tv::test {
namespace {

// tolvaren-host's two commands on the same root.
TEST_F(ProvidersTest, HostCommands) {
  root.WriteFile("delta.xml", Utf8ToCp1251(R"(<?xml version="1.0" encoding="windows-1251"?><DELTA>
      <RECORD kind="insert"><FIELD name="ID" new="31"/><FIELD name="NAME" new="Счёт"/></RECORD>
      <RECORD kind="insert"><FIELD name="ID" new="1"/></RECORD></DELTA>)"));
  const std::string host =
      test::HostProgramEnv() + "TOLVAREN_ROOT='" + root.Path() + "' " + TOLVAREN_HOST_PROGRAM + " ";
  int rc = -1;
  const std::string applied = RunCommand(host + "apply DSPRepScanDocTypes '" + root.Path() + "/delta.xml' 2>&1", &rc);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(applied.rfind("1: applied\n2: error: ВставкаЗаписиИзПровайдера -> ", 0), 0u) << applied;
  const std::string packet = RunCommand(host + "provider DSPRepCustomSQL 'SELECT NAME FROM SCANDOCTYPES WHERE ID = 31'", &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_NE(packet.find("<ROW NAME=\"Счёт\"/>"), std::string::npos) << packet;
}

}  // namespace
}  // namespace tv::test
