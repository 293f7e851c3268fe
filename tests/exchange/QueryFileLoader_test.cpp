// The loader against a real sample station database, with exchange files
// written by a script from the documentation alone and packed by Info-ZIP
// zip, sound and damaged.

#include "exchange/QueryFileLoader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "exchange/TTNTable.h"
#include "exchange/TTNUnit.h"
#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "tests/exchange/ExchangeFixture.h"

namespace tv {
namespace {

using test::IsqlSelect;

class LoaderTest : public test::ExchangeTest {
 protected:
  void SetUp() override {
    ExchangeTest::SetUp();
    station_ = MakeSampleStation(root_.Path());
    root_.WriteFile("c/FUEL/LogFiles/Reports.log", "");
    log_ = std::make_unique<TFileLogger>("C:\\FUEL\\LogFiles\\Reports.log");
    host_.Query = Host(0);
    host_.Log = log_.get();
  }
  // Writes an exchange file with the script; returns its native path.
  std::string File(const std::string& options, const std::string& name = "in.zip") {
    const std::string path = root_.Path() + "/" + name;
    Script("write '" + path + "' " + options);
    return path;
  }
  void Load(const std::string& file) { exchange::ProcessQueryFile(file, host_); }
  std::string Count(const std::string& where) {
    return IsqlSelect(station_, "SELECT COUNT(*) AS N FROM TTN WHERE " + where)[0]["N"];
  }
  size_t UnpackedFiles() {
    size_t n = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_.Path() + "/c/FUEL/TEMP/REPORTDATA/UNPACK");
         it != std::filesystem::recursive_directory_iterator(); ++it) {
      ++n;
    }
    return n;
  }
  size_t LogLines(const std::string& text) {
    const std::string log = root_.ReadFile("c/FUEL/LogFiles/Reports.log");
    size_t n = 0;
    for (size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
    return n;
  }

  std::string station_;
  std::unique_ptr<TFileLogger> log_;
  exchange::TExchangeHost host_;
};

TEST_F(LoaderTest, CopiesEachNewOfficeWaybillWithOneDetailRow) {
  Load(File("--rows 3 --first 300000001"));
  auto rows = IsqlSelect(station_,
                         "SELECT TTN_ID, OFCTTNID, TTNSER, TTNDATE, NADB, BOSSFIO, "
                         "REPLACE(REPLACE(CAST(VARLIST AS VARCHAR(500)), ASCII_CHAR(13), '\\r'), "
                         "ASCII_CHAR(10), '\\n') AS V FROM TTN WHERE OFCTTNID >= 300000001 "
                         "ORDER BY OFCTTNID");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["TTN_ID"], "3");  // the sample's local rows are 1 and 2
  EXPECT_EQ(rows[2]["TTN_ID"], "5");
  EXPECT_EQ(rows[1]["TTNDATE"], "2024-03-01 08:01:07.1231");
  EXPECT_EQ(rows[1]["NADB"], "1.0001");
  EXPECT_EQ(rows[1]["BOSSFIO"], "");  // empty, not NULL
  EXPECT_EQ(rows[0]["BOSSFIO"], "Орлов В. А. «директор»"_w);
  EXPECT_EQ(rows[0]["V"], "Прим=Примечание|Рейс 0\\r\\nГруз=Груз|<ДТ> & \"налив\""_w);
  auto detail = IsqlSelect(station_,
                           "SELECT d.* FROM TTNDETAIL d JOIN TTN t ON t.TTN_ID = d.TTN_ID "
                           "WHERE t.OFCTTNID = 300000002");
  ASSERT_EQ(detail.size(), 1u);
  EXPECT_EQ(detail[0]["ID"], "1");
  EXPECT_EQ(detail[0]["NAME"], "Топливо ДТ-1"_w);
  EXPECT_EQ(detail[0]["COUNT"], "123.4567");
  EXPECT_EQ(detail[0]["INDEXSALE"], "1001");
  EXPECT_EQ(detail[0]["PKOD"], "<null>");
  for (const char* flag : {"PRINTTTN1", "PRINTTTN2", "PRINTSF", "PRINTTN"}) {
    EXPECT_EQ(detail[0][flag], "1");
  }
  EXPECT_EQ(UnpackedFiles(), 0u);
  // Again: nothing new.
  const std::string before = Dump(station_);
  Load(File("--rows 3 --first 300000001"));
  EXPECT_EQ(Dump(station_), before);
}

TEST_F(LoaderTest, RefusedFilesChangeNothing) {
  const std::string before = Dump(station_);
  const char* faults[] = {"not-zip",   "truncated", "bad-crc",     "huge",         "malformed",
                          "entities",  "external",  "no-ofcttnid", "text-ofcttnid", "null-ofcttnid"};
  for (const char* fault : faults) {
    SCOPED_TRACE(fault);
    const std::string file = File(std::string("--rows 3 --first 400000001 --fault ") + fault);
    try {
      Load(file);
      ADD_FAILURE() << "loaded";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind("procedure ProcessQueryFile -> ", 0), 0u) << e.Message();
      EXPECT_NE(e.Message().find(" <# E"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Dump(station_), before);
    EXPECT_EQ(UnpackedFiles(), 0u);
  }
  // No "ttn.ttnxml" in the archive, or no file at all: quietly nothing.
  Load(File("--rows 3 --first 400000001 --fault no-entry"));
  Load(root_.Path() + "/missing.zip");
  EXPECT_EQ(Dump(station_), before);
  EXPECT_EQ(UnpackedFiles(), 0u);
}

TEST_F(LoaderTest, AFailingRowLeavesNothingAndTheOthersGoIn) {
  const char* faults[] = {"too-long", "text-in-integer", "detail-fails"};
  int n = 0;
  for (const char* fault : faults) {
    SCOPED_TRACE(fault);
    const int first = 500000001 + 10 * n++;
    Load(File("--rows 3 --first " + std::to_string(first) + " --fault " + fault));
    const std::string range = "OFCTTNID BETWEEN " + std::to_string(first) + " AND " +
                              std::to_string(first + 2);
    EXPECT_EQ(Count(range), "2");
    EXPECT_EQ(Count("OFCTTNID = " + std::to_string(first + 1)), "0");
    EXPECT_EQ(IsqlSelect(station_, "SELECT COUNT(*) AS N FROM TTNDETAIL d JOIN TTN t ON "
                                   "t.TTN_ID = d.TTN_ID WHERE t." + range)[0]["N"],
              "2");
    EXPECT_EQ(LogLines("Ошибка добавления записи TTN (ID="_w), size_t(n));
  }
}

TEST_F(LoaderTest, DuplicateKeyRowIsSkipped) {
  // The loader's own connection string, so that the counter is not raised
  // to the row added behind its back.
  auto db = Connect("C:\\FUEL\\DB\\velmar.fdb");
  const int32_t next = TTNUnit::GetNextTTNID(db.get(), Host(0));  // loads the counter
  db.reset();
  test::Isql("CONNECT '" + station_ + "' USER 'SYSDBA';\nINSERT INTO TTN (TTN_ID) VALUES (" +
             std::to_string(next + 1) + ");\n");
  Load(File("--rows 3 --first 600000001"));
  EXPECT_EQ(Count("OFCTTNID BETWEEN 600000001 AND 600000003"), "2");
  EXPECT_EQ(Count("OFCTTNID = 600000001"), "0");
  EXPECT_EQ(LogLines("Ошибка добавления записи TTN (ID="_w + std::to_string(next + 1)), 1u);
}

TEST_F(LoaderTest, StrayEntriesStayInTheUnpackFolderAndGo) {
  ::unlink("/tmp/tolvaren-exchange-absolute.txt");
  Load(File("--rows 2 --first 700000001 --fault stray"));
  EXPECT_EQ(Count("OFCTTNID BETWEEN 700000001 AND 700000002"), "2");
  EXPECT_FALSE(std::filesystem::exists("/tmp/tolvaren-exchange-absolute.txt"));
  EXPECT_FALSE(std::filesystem::exists(root_.Path() + "/c/FUEL/TEMP/REPORTDATA/outside.txt"));
  EXPECT_EQ(UnpackedFiles(), 0u);
}

TEST_F(LoaderTest, ThousandsOfWaybillsLoadOnce) {
  const std::string file = File("--rows 5000 --first 800000001");
  Load(file);
  EXPECT_EQ(Count("OFCTTNID BETWEEN 800000001 AND 800005000"), "5000");
  Load(file);
  EXPECT_EQ(Count("OFCTTNID BETWEEN 800000001 AND 800005000"), "5000");
}

TEST_F(LoaderTest, WithoutTTNDetailOnlyWaybillsAndAPendingMigrationRunsFirst) {
  // An old station: single-detail columns in TTN, TTNDETAIL empty.
  const std::string old = MakeSampleStation(root_.Path(), "--detail empty");
  Load(File("--rows 2 --first 900000001"));
  // Every old waybill got its detail row before the loaded ones got theirs.
  EXPECT_EQ(IsqlSelect(old, "SELECT COUNT(*) AS N FROM TTN t WHERE NOT EXISTS (SELECT 1 FROM "
                            "TTNDETAIL d WHERE d.TTN_ID = t.TTN_ID)")[0]["N"],
            "0");
  TTNUnit::FinalizeConnectionData();
  const std::string none = MakeSampleStation(root_.Path(), "--schema old");
  Load(File("--rows 2 --first 900000001"));
  EXPECT_EQ(Count("OFCTTNID BETWEEN 900000001 AND 900000002"), "2");
}

TEST_F(LoaderTest, FlaggingMarksOnlyOfficeRowsWithALocalCopy) {
  const std::string path = MakeDatabase(
      "flag/Velmar.FDB",
      "CREATE TABLE TTN (TTN_ID INTEGER NOT NULL, OFCTTNID INTEGER, ISDELETE INTEGER);\n"
      "INSERT INTO TTN VALUES (100000001, 100000001, 0);\n"
      "INSERT INTO TTN VALUES (100000002, 100000002, NULL);\n"
      "INSERT INTO TTN VALUES (100000003, 100000003, NULL);\n"
      "INSERT INTO TTN VALUES (100000004, 100000004, 2);\n"
      "INSERT INTO TTN VALUES (5, 100000001, 0);\n"
      "INSERT INTO TTN VALUES (6, 100000003, NULL);\n"
      "INSERT INTO TTN VALUES (7, 100000004, 0);\n");
  exchange::ProcessTTNTable(root_.Path() + "/flag");
  std::string flags;
  for (auto& r : IsqlSelect(path, "SELECT ISDELETE FROM TTN ORDER BY TTN_ID")) flags += r["ISDELETE"] + " ";
  EXPECT_EQ(flags, "0 <null> 0 1 <null> 1 2 ");
  try {
    exchange::ProcessTTNTable(root_.Path() + "/nowhere");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("procedure ProcessTTNTable -> ", 0), 0u);
    EXPECT_NE(e.Message().find("<# EIBInterBaseError #>"), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace tv
