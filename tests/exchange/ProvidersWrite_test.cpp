// Deltas applied through the providers as a host applies them (delta texts
// as docs/remote-providers.md writes them), checked through isql-fb: each
// kind on the four tables, the injection battery, and many threads on one
// module.

#include <gtest/gtest.h>

#include <thread>

#include "tests/exchange/ProvidersFixture.h"

namespace tv::test {
namespace {

std::string Delta(const std::string& records) { return "<DELTA>" + records + "</DELTA>"; }

class ProvidersWriteTest : public ProvidersTest {
 protected:
  void SetUp() override {
    ProvidersTest::SetUp();
    Create();
  }
  // TTN, TTNDETAIL, SCANDOCUMENTS and SCANDOCTYPES as isql-fb prints them.
  std::string Dump() const {
    std::string dump;
    for (const char* sql :
         {"SELECT TTN_ID, ISDELETE, INDEXSALE, TTNAPPLIED, TTNSER, TTNNUMBER, PLIST FROM TTN ORDER BY 1",
          "SELECT TTN_ID, ID, NAME, INDEXSALE FROM TTNDETAIL ORDER BY 1, 2",
          "SELECT ID, DOCNUMBER, ISDELETE FROM SCANDOCUMENTS ORDER BY 1",
          "SELECT ID, NAME FROM SCANDOCTYPES ORDER BY 1"}) {
      for (const std::string& row : Flat(IsqlSelect(Db(), sql))) dump += row + "\n";
    }
    return dump;
  }
};

TEST_F(ProvidersWriteTest, EachKindOnEachTable) {
  const std::vector<std::string> ok = {"ok", "ok", "ok"};
  EXPECT_EQ(Outcome("DSPRepTTN", Delta(R"(
      <RECORD kind="insert"><FIELD name="TTN_ID" new="500"/><FIELD name="TTNSER" new="ЯЯ"/>
        <FIELD name="INDEXSALE" new="7"/><FIELD name="TTNAPPLIED" new="1"/></RECORD>
      <RECORD kind="modify"><FIELD name="TTN_ID" old="500"/><FIELD name="TTNSER" old="ЯЯ" new="ЮЮ"/>
        <FIELD name="TTNNUMBER" newnull="true"/><FIELD name="PLIST" new="П-1"/></RECORD>
      <RECORD kind="delete"><FIELD name="TTN_ID" old="500"/></RECORD>)")),
            ok);
  EXPECT_EQ(Flat(Sql("SELECT ISDELETE, INDEXSALE, TTNAPPLIED, TTNSER, TTNNUMBER, PLIST FROM TTN WHERE TTN_ID = 500")),
            std::vector<std::string>{Utf8ToCp1251(
                "INDEXSALE=0 ISDELETE=1 PLIST=П-1 TTNAPPLIED=0 TTNNUMBER=<null> TTNSER=ЮЮ ")});
  EXPECT_EQ(Outcome("DSPRepTTNDet", Delta(R"(
      <RECORD kind="insert"><FIELD name="ID" new="1"/><FIELD name="TTN_ID" new="500"/><FIELD name="NAME" new="ДТ"/></RECORD>
      <RECORD kind="modify"><FIELD name="ID" old="1"/><FIELD name="TTN_ID" old="500"/><FIELD name="NAME" new="АИ-95"/></RECORD>
      <RECORD kind="insert"><FIELD name="ID" new="2"/><FIELD name="TTN_ID" new="500"/></RECORD>
      <RECORD kind="delete"><FIELD name="ID" old="2"/><FIELD name="TTN_ID" old="500"/></RECORD>)")),
            (std::vector<std::string>{"ok", "ok", "ok", "ok"}));
  EXPECT_EQ(Flat(Sql("SELECT ID, NAME FROM TTNDETAIL WHERE TTN_ID = 500")),
            std::vector<std::string>{Utf8ToCp1251("ID=1 NAME=АИ-95 ")});
  EXPECT_EQ(Outcome("DSPRepScanDoc", Delta(R"(
      <RECORD kind="insert"><FIELD name="ID" new="40"/><FIELD name="DOCNUMBER" new="А-40"/>
        <FIELD name="DOCDATE" new="2024-03-05 10:30:00"/></RECORD>
      <RECORD kind="modify"><FIELD name="ID" old="40"/><FIELD name="DOCNUMBER" new="А-41"/></RECORD>
      <RECORD kind="delete"><FIELD name="ID" old="40"/></RECORD>)")),
            ok);
  EXPECT_EQ(Flat(Sql("SELECT DOCNUMBER, DOCDATE, ISDELETE FROM SCANDOCUMENTS WHERE ID = 40")),
            std::vector<std::string>{Utf8ToCp1251("DOCDATE=2024-03-05 10:30:00.0000 DOCNUMBER=А-41 ISDELETE=1 ")});
  EXPECT_EQ(Outcome("DSPRepScanDocTypes", Delta(R"(
      <RECORD kind="insert"><FIELD name="ID" new="9"/><FIELD name="NAME" new="Акт"/></RECORD>
      <RECORD kind="modify"><FIELD name="ID" old="9"/><FIELD name="NAME" new="Акт сверки"/></RECORD>
      <RECORD kind="delete"><FIELD name="ID" old="9"/></RECORD>)")),
            ok);
  EXPECT_EQ(Flat(Sql("SELECT NAME FROM SCANDOCTYPES WHERE ID = 9")),
            std::vector<std::string>{Utf8ToCp1251("NAME=Акт сверки ")});
  // Providers without a table of their own take no changes.
  EXPECT_NE(Outcome("DSPTRKHistory", Delta(R"(<RECORD kind="delete"><FIELD name="ID" old="1"/></RECORD>)"))[0],
            "ok");
}

TEST_F(ProvidersWriteTest, InjectionsAreErrorsAndChangeNothing) {
  const std::string before = Dump();
  const std::string modify = R"(<RECORD kind="modify"><FIELD name="TTN_ID" old="1"/>)";
  const std::vector<std::string> records = {
      modify + R"(<FIELD name="TTN&quot;SER" new="x"/></RECORD>)",
      modify + R"(<FIELD name=") OR (1=1" new="x"/></RECORD>)",
      modify + R"(<FIELD name="TTNSER" new="x"/><FIELD name="CNTSENDER_ID" new="1"/></RECORD>)",
      modify + R"(<FIELD name="NOSUCHCOLUMN" new="x"/></RECORD>)",
      R"(<RECORD kind="delete"><FIELD name="TTN_ID" old="1 OR 1=1"/></RECORD>)",
      R"(<RECORD kind="delete"><FIELD name="TTN_ID" oldnull="true"/></RECORD>)",
      R"(<RECORD kind="delete"><FIELD name="TTNSER" old="АБ"/></RECORD>)",
      R"(<RECORD kind="modify"><FIELD name="TTNSER" old="АБ" new="x"/></RECORD>)",
      R"(<RECORD kind="modify"><FIELD name="TTN_ID" old="999999"/><FIELD name="TTNSER" new="x"/></RECORD>)",
      R"(<RECORD kind="modify"><FIELD name="TTN_ID" old="1" new="2"/></RECORD>)",
      R"(<RECORD kind="insert"><FIELD name="TTN_ID" new="1"/></RECORD>)",
  };
  for (const std::string& record : records) {
    SCOPED_TRACE(record);
    const std::vector<std::string> outcome = Outcome("DSPRepTTN", Delta(record));
    ASSERT_EQ(outcome.size(), 1u);
    EXPECT_NE(outcome[0], "ok");
  }
  // Detail keys: one missing is as bad as none.
  EXPECT_NE(Outcome("DSPRepTTNDet", Delta(R"(<RECORD kind="delete"><FIELD name="ID" old="1"/></RECORD>)"))[0], "ok");
  EXPECT_EQ(Dump(), before);
  // A malformed delta applies nothing at all.
  EXPECT_FALSE(Apply("DSPRepTTN", Delta(R"(<RECORD kind="insert"><FIELD name="TTN_ID" new="600"/></RECORD><RECORD kind="drop"/>)")).Ok);
  EXPECT_FALSE(Apply("DSPRepTTN", "<!DOCTYPE DELTA [<!ENTITY x \"y\">]><DELTA/>").Ok);
  EXPECT_EQ(Dump(), before);
  // A value holding SQL is stored as it is.
  const std::string sql = "x'); DELETE FROM TTN; --";
  EXPECT_EQ(Outcome("DSPRepTTN", Delta(modify + "<FIELD name=\"PMARSHRUT\" new=\"" + sql + "\"/></RECORD>")),
            std::vector<std::string>{"ok"});
  EXPECT_EQ(Sql("SELECT PMARSHRUT FROM TTN WHERE TTN_ID = 1")[0]["PMARSHRUT"], sql);
}

// 8 writers apply 200 records each to one module (every fifth fails on
// purpose) while 4 readers read: each good record lands once, no failing
// one does, and every outcome says which.
TEST_F(ProvidersWriteTest, ConcurrentCallsOnOneModule) {
  constexpr int kWriters = 8, kRecords = 200;
  std::vector<std::vector<std::string>> outcomes(kWriters);
  std::atomic<bool> writing{true};
  std::atomic<int> readFailures{0}, reads{0};
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      std::string records;
      for (int k = 0; k < kRecords; ++k) {
        const int id = 1000 + w * kRecords + k;
        const bool bad = k % 5 == 4;
        records += "<RECORD kind=\"insert\"><FIELD name=\"ID\" new=\"" + std::to_string(id) +
                   "\"/><FIELD name=\"" + (bad ? "NOPE" : "NAME") + "\" new=\"t" +
                   std::to_string(w) + "\"/></RECORD>";
      }
      // Each writer sends its records in 20 calls.
      for (int part = 0; part < 20; ++part) {
        std::string chunk;
        size_t at = 0;
        for (int k = 0; k < part * 10; ++k) at = records.find("</RECORD>", at) + 9;
        size_t end = at;
        for (int k = 0; k < 10; ++k) end = records.find("</RECORD>", end) + 9;
        for (const std::string& o : Outcome("DSPRepScanDocTypes", Delta(records.substr(at, end - at)))) {
          outcomes[w].push_back(o);
        }
      }
    });
  }
  for (int r = 0; r < 4; ++r) {
    threads.emplace_back([&, r] {
      while (writing) {
        ++reads;
        if (!Read(r % 2 == 0 ? "DSPRepScanDocTypes" : "DSPRepTTNID").Ok) ++readFailures;
      }
    });
  }
  for (int w = 0; w < kWriters; ++w) threads[w].join();
  writing = false;
  for (size_t t = kWriters; t < threads.size(); ++t) threads[t].join();
  EXPECT_EQ(readFailures, 0);
  EXPECT_GT(reads, 0);
  for (int w = 0; w < kWriters; ++w) {
    ASSERT_EQ(outcomes[w].size(), size_t(kRecords));
    for (int k = 0; k < kRecords; ++k) {
      if (k % 5 == 4) {
        EXPECT_NE(outcomes[w][k].find("NOPE"), std::string::npos) << outcomes[w][k];
      } else {
        EXPECT_EQ(outcomes[w][k], "ok");
      }
    }
  }
  EXPECT_EQ(Sql("SELECT COUNT(*) AS N, COUNT(DISTINCT ID) AS D FROM SCANDOCTYPES WHERE ID >= 1000 "
                "AND MOD(ID - 1000, 5) <> 4")[0],
            (IsqlRow{{"N", "1280"}, {"D", "1280"}}));
  EXPECT_EQ(Sql("SELECT COUNT(*) AS N FROM SCANDOCTYPES WHERE ID >= 1000 AND MOD(ID - 1000, 5) = 4")[0]["N"], "0");
}

}  // namespace
}  // namespace tv::test
