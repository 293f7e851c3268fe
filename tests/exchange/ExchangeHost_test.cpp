// The exchange as hosts run it: tolvaren-host processes on an office root
// and a station root (two machines), the archive checked with Info-ZIP and
// Python, the databases compared through isql-fb.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/text/Cp1251.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tolvaren/tolvaren.h"

namespace tv {
namespace {

using test::IsqlRow;
using test::IsqlSelect;
using test::RunCommand;

// The office's undeleted office rows, every column in isql-fb's notation
// (VARLIST as text with CR and LF spelled out).
const char kOfficeRows[] =
    "FROM TTN WHERE TTN_ID >= 100000000 AND COALESCE(ISDELETE, 0) = 0 ORDER BY TTN_ID";

class HostTest : public test::ExchangeTest {
 protected:
  void SetUp() override {
    ExchangeTest::SetUp();
    office_ = root_.Path() + "/office";
    station_ = root_.Path() + "/station";
    officeDb_ = MakeSampleStation(office_, "--office-waybills 30");
    stationDb_ = MakeSampleStation(station_);
    Config(office_, 3);
    Config(station_, 0);
    std::filesystem::create_directories(office_ + "/c/FUEL/OUT");
  }
  static void Config(const std::string& root, int mode) {
    std::ofstream(root + "/tolvaren-host.ini") << "[Host]\nMode=" << mode << "\n";
  }
  // Runs tolvaren-host in `root`; returns standard output and error.
  // The command that runs tolvaren-host in `root` (in a sanitizer build the
  // Firebird client's own leaks are not ours to report).
  static std::string HostCommand(const std::string& root, const std::string& args) {
    return test::HostProgramEnv() + "TOLVAREN_ROOT='" + root + "' " + TOLVAREN_HOST_PROGRAM + " " +
           args;
  }
  static std::string RunHost(const std::string& root, const std::string& args, int& rc) {
    return RunCommand(HostCommand(root, args) + " 2>&1", &rc);
  }
  // Every column of TTN but VARLIST, and VARLIST as one line.
  static std::string Columns(const std::string& db) {
    std::string list;
    for (IsqlRow& r : IsqlSelect(db, "SELECT TRIM(RDB$FIELD_NAME) AS F FROM RDB$RELATION_FIELDS "
                                     "WHERE RDB$RELATION_NAME = 'TTN' ORDER BY RDB$FIELD_POSITION")) {
      // Line breaks spelled out, so that isql-fb prints each value on one line.
      const std::string& f = r["F"];
      list += f == "VARLIST" || f == "READDRESS"
                  ? "REPLACE(REPLACE(CAST(" + f + " AS VARCHAR(4000)), ASCII_CHAR(13), '\\r'), "
                    "ASCII_CHAR(10), '\\n') AS " + f + ", "
                  : f + ", ";
    }
    return list.substr(0, list.size() - 2);
  }
  std::string ExportedFile() const { return office_ + "/c/FUEL/OUT/waybills.zip"; }

  std::string office_, station_, officeDb_, stationDb_;
};

TEST_F(HostTest, OfficeToStationRoundTrip) {
  // The last instants of a day and of the calendar keep their date through
  // the file (1/10000 s).
  int rc = -1;
  test::Isql("CONNECT '" + officeDb_ + "' USER 'SYSDBA';\nUPDATE TTN SET "
             "TTNDATE = '2024-12-31 23:59:59.9995', DOVERDATE = '9999-12-31 23:59:59.9999', "
             "SFDATE = '0001-01-01 00:00:00.0001' WHERE TTN_ID = (SELECT MAX(TTN_ID) FROM TTN "
             "WHERE TTN_ID >= 100000000 AND COALESCE(ISDELETE, 0) = 0);\n", &rc);
  ASSERT_EQ(rc, 0);
  std::string out = RunHost(office_, "export 'C:\\FUEL\\DB\\' 'C:\\FUEL\\OUT\\waybills.zip'", rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_FALSE(std::filesystem::exists(office_ + "/c/FUEL/OUT/ttn.ttnxml"));
  // Info-ZIP: sound, one deflated entry without folder or encryption.
  const std::string file = ExportedFile();
  RunCommand("unzip -t '" + file + "'", &rc);
  EXPECT_EQ(rc, 0);
  std::string info = RunCommand("zipinfo -v '" + file + "'", &rc);
  info.erase(std::unique(info.begin(), info.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
             info.end());
  for (const char* fact : {"central directory contains 1 entry.", "Central directory entry #1:",
                           "\n ttn.ttnxml\n", "compression method: deflated",
                           "file security status: not encrypted"}) {
    EXPECT_NE(info.find(fact), std::string::npos) << fact << "\n" << info;
  }
  const std::string bytes = RunCommand("unzip -p '" + file + "' ttn.ttnxml", &rc);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"yes\"?>", 0), 0u);
  // Python's zipfile and XML parser give back what isql-fb reads.
  std::istringstream decoded(Script("read '" + file + "'"));
  std::map<std::pair<int, std::string>, std::string> packet;
  for (std::string line; std::getline(decoded, line);) {
    const size_t a = line.find('\t'), b = line.find('\t', a + 1);
    packet[{std::stoi(line.substr(0, a)), line.substr(a + 1, b - a - 1)}] = line.substr(b + 1);
  }
  auto office = IsqlSelect(officeDb_, "SELECT " + Columns(officeDb_) + " " + kOfficeRows);
  ASSERT_EQ(office.size(), 26u);  // 30 office rows, 4 deleted
  for (size_t n = 0; n < office.size(); ++n) {
    for (auto& [column, value] : office[n]) {
      EXPECT_EQ(packet[std::make_pair(int(n), column)], value) << "row " << n << " column " << column;
    }
  }
  // The station loads it in a process of its own.
  std::filesystem::copy_file(file, station_ + "/in.zip");
  out = RunHost(station_, "load '" + station_ + "/in.zip'", rc);
  ASSERT_EQ(rc, 0) << out;
  auto copies = IsqlSelect(stationDb_, "SELECT " + Columns(stationDb_) +
                                           " FROM TTN WHERE TTN_ID < 100000000 AND OFCTTNID >= "
                                           "100000000 ORDER BY OFCTTNID");
  // The sample station already holds office row 100000001 (its own OFCTTNID).
  ASSERT_EQ(copies.size(), office.size() - 1);
  for (size_t n = 0; n < copies.size(); ++n) {
    IsqlRow& from = office[n + 1];
    EXPECT_LT(std::stoi(copies[n]["TTN_ID"]), 100000000);
    for (auto& [column, value] : copies[n]) {
      if (column == "TTN_ID") continue;
      EXPECT_EQ(value, from[column]) << "copy " << n << " column " << column;
    }
    auto detail = IsqlSelect(stationDb_, "SELECT * FROM TTNDETAIL WHERE TTN_ID = " + copies[n]["TTN_ID"]);
    ASSERT_EQ(detail.size(), 1u);
    EXPECT_EQ(detail[0]["ID"], "1");
    EXPECT_EQ(detail[0]["NAME"], from["NAME1"]);
    EXPECT_EQ(detail[0]["MEST"], from["MEST1"]);
    EXPECT_EQ(detail[0]["KARDNUM"], from["KARDNUM1"]);
    EXPECT_EQ(detail[0]["INDEXSALE"], from["INDEXSALE"]);
    EXPECT_EQ(detail[0]["PRESSURE"], "<null>");
    EXPECT_EQ(detail[0]["PRINTSF"], "1");
  }
  // Again: nothing; flagging the station changes nothing either (its one
  // office row has no local copy).
  const std::string before = Dump(stationDb_);
  out = RunHost(station_, "load '" + station_ + "/in.zip'", rc);
  EXPECT_EQ(rc, 0) << out;
  out = RunHost(station_, "flag 'C:\\FUEL\\DB'", rc);
  EXPECT_EQ(rc, 0) << out;
  EXPECT_EQ(Dump(stationDb_), before);
}

TEST_F(HostTest, WriterFailuresAndNoOfficeRows) {
  int rc = -1;
  // DBFolder with and without its delimiter: the same database and packet.
  std::string out = RunHost(office_, "export 'C:\\FUEL\\DB' 'C:\\FUEL\\OUT\\a.zip'", rc);
  ASSERT_EQ(rc, 0) << out;
  out = RunHost(office_, "export 'C:\\FUEL\\DB\\' 'C:\\FUEL\\OUT\\b.zip'", rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_EQ(RunCommand("unzip -p '" + office_ + "/c/FUEL/OUT/a.zip'", &rc),
            RunCommand("unzip -p '" + office_ + "/c/FUEL/OUT/b.zip'", &rc));
  const std::string old = root_.ReadFile("office/c/FUEL/OUT/a.zip");
  // No database: the error with context and class name, no file touched.
  out = RunHost(office_, "export 'C:\\FUEL\\NODB' 'C:\\FUEL\\OUT\\a.zip'", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(out.rfind("procedure AddRepDataToQueryFile -> ", 0), 0u) << out;
  EXPECT_NE(out.find("<# EIBInterBaseError #>"), std::string::npos) << out;
  EXPECT_EQ(root_.ReadFile("office/c/FUEL/OUT/a.zip"), old);
  // The packet cannot be written (its name taken by a folder): the old file
  // stays whole and nothing is left behind.
  std::filesystem::create_directory(office_ + "/c/FUEL/OUT/ttn.ttnxml");
  out = RunHost(office_, "export 'C:\\FUEL\\DB' 'C:\\FUEL\\OUT\\a.zip'", rc);
  EXPECT_EQ(rc, 1) << out;
  EXPECT_EQ(root_.ReadFile("office/c/FUEL/OUT/a.zip"), old);
  std::filesystem::remove(office_ + "/c/FUEL/OUT/ttn.ttnxml");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(office_ + "/c/FUEL/OUT"),
                          std::filesystem::directory_iterator()),
            2);
  // A text that XML cannot carry: refused with the waybill and the column,
  // before any file is touched.
  test::Isql("CONNECT '" + officeDb_ + "' USER 'SYSDBA';\nUPDATE TTN SET BOSSFIO = 'a' || "
             "ASCII_CHAR(1) WHERE TTN_ID = 100000002;\n");
  out = RunHost(office_, "export 'C:\\FUEL\\DB' 'C:\\FUEL\\OUT\\a.zip'", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_NE(out.find("TTN_ID=100000002"), std::string::npos) << out;
  EXPECT_NE(out.find("BOSSFIO"), std::string::npos) << out;
  EXPECT_EQ(root_.ReadFile("office/c/FUEL/OUT/a.zip"), old);
  // No office rows: the old file goes and none is written.
  test::Isql("CONNECT '" + officeDb_ + "' USER 'SYSDBA';\nUPDATE TTN SET ISDELETE = 1;\n");
  out = RunHost(office_, "export 'C:\\FUEL\\DB' 'C:\\FUEL\\OUT\\a.zip'", rc);
  EXPECT_EQ(rc, 0) << out;
  EXPECT_FALSE(std::filesystem::exists(office_ + "/c/FUEL/OUT/a.zip"));
  EXPECT_FALSE(std::filesystem::exists(office_ + "/c/FUEL/OUT/ttn.ttnxml"));
}

// A load stopped partway, by a crash or by the host's stop signals (which
// the host leaves at the default): none of its rows are in, the database
// is sound.
TEST_F(HostTest, StoppedLoadLeavesNothingAndTwoLoadsInsertOnce) {
  const std::string file = station_ + "/big.zip";
  Script("write '" + file + "' --rows 20000 --first 200000001");
  const std::string before = Dump(stationDb_);
  for (const int signal : {SIGKILL, SIGTERM, SIGINT}) {
    SCOPED_TRACE(::strsignal(signal));
    const pid_t child = ::fork();
    if (child == 0) {
      ::signal(SIGINT, SIG_DFL);
      ::signal(SIGTERM, SIG_DFL);
      ::setenv("TOLVAREN_ROOT", station_.c_str(), 1);
      ::execl(TOLVAREN_HOST_PROGRAM, TOLVAREN_HOST_PROGRAM, "load", file.c_str(), nullptr);
      ::_exit(127);
    }
    // Stopped once the packet is unpacked and the rows are going in.
    const std::string packet = station_ + "/c/FUEL/TEMP/REPORTDATA/UNPACK/ttn.ttnxml";
    for (int i = 0; i < 600 && !std::filesystem::exists(packet); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
        << "the load ended before it was stopped, status " << status;
    EXPECT_EQ(Dump(stationDb_), before);
    // Pages the stopped process had taken but not yet linked are warnings,
    // which validation mends (the pointer pages on one pass, the pages
    // themselves on the next); anything else is an error. The database
    // then validates clean.
    std::string summary = "not validated";
    for (int pass = 0; pass < 3 && !summary.empty(); ++pass) {
      int rc = -1;
      summary = RunCommand("gfix -v -full -user SYSDBA '" + stationDb_ + "' 2>&1", &rc);
      EXPECT_EQ(rc, 0);
      std::istringstream lines(summary);
      for (std::string line; std::getline(lines, line);) {
        if (line != "Summary of validation errors" && line.find(" warnings\t") == line.npos)
          ADD_FAILURE() << line;
      }
    }
    EXPECT_EQ(summary, "");
    std::filesystem::remove(packet);
  }
  // Two loads at once afterwards: each waybill goes in once.
  int rc = -1;
  const std::string load = HostCommand(station_, "load '" + file + "'");
  const std::string out = RunCommand("(" + load + " & " + load + " & wait) 2>&1", &rc);
  EXPECT_EQ(rc, 0) << out;
  EXPECT_EQ(IsqlSelect(stationDb_, "SELECT COUNT(*) AS N, COUNT(DISTINCT OFCTTNID) AS D FROM TTN "
                                   "WHERE OFCTTNID >= 200000001")[0],
            (IsqlRow{{"N", "20000"}, {"D", "20000"}}));
}

// The exports through the dynamic loader, as a host calls them.
TEST_F(HostTest, ExportsNeedInitReportsAndWindows1251Paths) {
  void* lib = ::dlopen(TOLVAREN_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  auto load = reinterpret_cast<decltype(&::ProcessQueryFile)>(::dlsym(lib, "ProcessQueryFile"));
  auto init = reinterpret_cast<decltype(&::InitReports)>(::dlsym(lib, "InitReports"));
  auto error = reinterpret_cast<decltype(&::tv_last_error)>(::dlsym(lib, "tv_last_error"));
  ASSERT_TRUE(load && init && error);
  const std::u16string file = u"C:\\FUEL\\in.zip";
  EXPECT_EQ(load(reinterpret_cast<const uint16_t*>(file.c_str())), 0);
  EXPECT_NE(std::string(error()).find("InitReports"), std::string::npos) << error();
  auto query = [](TVVariant*, int32_t, int32_t) -> int32_t { return TV_HOST_FAILED; };
  ASSERT_EQ(init(nullptr, query, nullptr), 1);
  const std::u16string foreign = u"C:\\FUEL\\\u65E5\u672C.zip";
  EXPECT_EQ(load(reinterpret_cast<const uint16_t*>(foreign.c_str())), 0);
  EXPECT_NE(std::string(error()).find("Windows-1251"), std::string::npos) << error();
  EXPECT_EQ(std::string(error()).rfind("procedure ProcessQueryFile -> ", 0), 0u) << error();
}

}  // namespace
}  // namespace tv
