// tolvaren-host run as a program, on a root folder made by host/prepare-root.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/os/Registry.h"
#include "platform/text/Cp1251.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv::host {
namespace {

// A sanitizing build checks the host program for leaks too; the Firebird
// client's own are not ours.
const std::string kEnv = test::HostProgramEnv();

class HostProgram : public ::testing::Test {
 protected:
  HostProgram() {
    int rc = 0;
    const std::string out = test::RunCommand(
        std::string(TOLVAREN_HOST_DIR) + "/prepare-root --root '" + root.Path() + "' 2>&1", &rc);
    EXPECT_EQ(rc, 0) << out;
  }
  // Runs the host with `args`; standard error goes with standard output.
  std::string Run(const std::string& args, int& rc) const {
    return test::RunCommand("cd '" + root.Path() + "' && " + kEnv + "'" + TOLVAREN_HOST_PROGRAM +
                                "' --library '" + TOLVAREN_LIBRARY + "' " + args + " 2>&1",
                            &rc);
  }
  test::TempRoot root;
};

TEST_F(HostProgram, HelpListsTheReportCodesWithTheirParameters) {
  int rc = -1;
  const std::string out = Run("--help", rc);
  EXPECT_EQ(rc, 0);
  for (const char* line :
       {"Usage: tolvaren-host [options] CODE [PARAMETER...]",
        "  -    shift report: [from, to, sections",
        "  11   statements for a period: [begin, end(, pay-type selection(, codes))]",
        "  #    extended: [sub-code, ...]:", "  d:YYYY-MM-DD[ HH:MM[:SS]]"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
}

TEST_F(HostProgram, PreparedRootHoldsTheStationFoldersAndFiles) {
  EXPECT_EQ(root.ReadFile("c/WINDOWS/cnf.ini").find(Utf8ToCp1251("OrgName=ООО «Велмар-Север»")) !=
                std::string::npos,
            true);
  EXPECT_NE(root.ReadFile("tolvaren-host.ini").find("[PaymentTypes]"), std::string::npos);
  int rc = -1;
  test::RunCommand("test -d '" + root.Path() + "/c/FUEL/LogFiles'", &rc);
  EXPECT_EQ(rc, 0);
}

TEST_F(HostProgram, FalseAndFailuresExitNonZeroWithTheText) {
  int rc = -1;
  std::string out = Run("'#' 1000 0", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(out, "the library made no report\n");
  out = Run("01 5", rc);
  EXPECT_EQ(rc, 1);
  out = Run("", rc);
  EXPECT_EQ(rc, 2);
  EXPECT_EQ(out, "tolvaren-host: no report code given (see --help)\n");
  out = Run("- i:x", rc);
  EXPECT_EQ(rc, 2);
  EXPECT_EQ(out, "tolvaren-host: parameter \"i:x\": not a 32-bit integer\n");
  out = Run("'#'", rc);  // no element 0: the library raises to the host
  EXPECT_EQ(rc, 2);
  EXPECT_EQ(out, "Params[0]: Variant or safe array index out of bounds\n");
  out = test::RunCommand(std::string(TOLVAREN_HOST_PROGRAM) + " --library /nonexistent.so 7 2>&1",
                         &rc);
  EXPECT_EQ(rc, 2);
  EXPECT_EQ(out.rfind("tolvaren-host: cannot load /nonexistent.so: ", 0), 0u) << out;
  // A root folder that was never prepared is named, not made.
  const std::string missing = root.Path() + "/not-prepared";
  out = test::RunCommand("TOLVAREN_ROOT='" + missing + "' '" + TOLVAREN_HOST_PROGRAM +
                             "' --library '" + TOLVAREN_LIBRARY + "' '#' 14 2>&1",
                         &rc);
  EXPECT_EQ(rc, 2);
  EXPECT_NE(out.find("\"" + missing + "\""), std::string::npos) << out;
  EXPECT_NE(out.find("host/prepare-root"), std::string::npos) << out;
  EXPECT_EQ(::access(missing.c_str(), F_OK), -1);
}

TEST_F(HostProgram, AnswersTheLibraryFromItsConfigurationAndKeepsTheShiftInTheRegistry) {
  int rc = -1;
  const std::string out = Run("--trace --no-html 7", rc);
  EXPECT_EQ(rc, 0) << out;
  for (const char* line :
       {"host: вопрос 46 (0)\n", "host: вопрос 87 (3)\n", "host: вопрос 88 (0)\n",
        "host: вопрос 23 (0)\n", "host: вопрос 57 (0)\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("SOFTWARE\\Halvorsk\\AZS"));
  EXPECT_EQ(reg.ReadInteger("IsSmenaOpen"), 1);
  EXPECT_EQ(reg.ReadInteger("SmenaNum"), 4);
  EXPECT_DOUBLE_EQ(reg.ReadDateTime("SmenaBeginTime"), EncodeDateTime(2024, 3, 2, 20, 0, 0, 0));
}

TEST_F(HostProgram, ARequestOverTheSampleStationPrintsTheTextAndStoresTheHtml) {
  int rc = -1;
  std::string out = test::RunCommand(
      std::string(TOLVAREN_HOST_DIR) + "/prepare-root --db --root '" + root.Path() + "' 2>&1", &rc);
  ASSERT_EQ(rc, 0) << out;
  out = test::RunCommand("cd '" + root.Path() + "' && " + kEnv + "'" + TOLVAREN_HOST_PROGRAM +
                             "' --library '" + TOLVAREN_LIBRARY + "' --html out.html '#' 14",
                         &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(out, "OK\n");
  EXPECT_EQ(root.ReadFile("out.html"), Utf8ToCp1251("HTML-отчет не сформирован!"));
  // A code without a report on a working station: False, nothing printed.
  out = Run("01 5", rc);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(out, "the library made no report\n");
}

// Home folders and data disks are often symbolic links: a root reached
// through one is prepared through it and serves the same reports as under
// its real path (the database engine must never see the link).
TEST_F(HostProgram, ARootReachedThroughALinkIsPreparedAndServesReports) {
  const std::string real = root.Path() + "/disk/root";
  const std::string linked = root.Path() + "/link/root";
  const std::string env = "env -u FIREBIRD -u FIREBIRD_LOCK ";
  int rc = -1;
  std::string out = test::RunCommand("mkdir '" + root.Path() + "/disk' && ln -s disk '" +
                                         root.Path() + "/link' && " + env + TOLVAREN_HOST_DIR +
                                         "/prepare-root --db --root '" + linked + "' 2>&1",
                                     &rc);
  ASSERT_EQ(rc, 0) << out;
  // The query's table as the host stores it (the HTML version).
  const auto report = [&](const std::string& rootPath) {
    out = test::RunCommand("cd '" + rootPath + "' && " + env + "TOLVAREN_ROOT='" + rootPath + "' " +
                               kEnv + "'" + TOLVAREN_HOST_PROGRAM + "' --library '" +
                               TOLVAREN_LIBRARY + "' --html out.html '#' 3 " +
                               "'SELECT COUNT(*) AS N, SUM(SUMMA) AS S FROM LOGTRAN' 0 '' '' 2>&1",
                           &rc);
    EXPECT_EQ(rc, 0) << out;
    return root.ReadFile("disk/root/out.html");
  };
  const std::string throughLink = report(linked);
  EXPECT_NE(throughLink.find("<td><b>N</b></td>"), std::string::npos) << throughLink;
  EXPECT_EQ(throughLink, report(real));
}

// SIGTERM or SIGINT to a host that leaves both at the default, at several
// points of a long car statement: while the rows stream and after the
// report is made (the HTML version is being fetched). The host ends at once
// by that signal, as any program does; the database engine inside it never
// takes the signal for itself. The next request gives the same report.
TEST_F(HostProgram, ACarStatementStoppedByASignalEndsAtOnceByThatSignal) {
  int rc = -1;
  const std::string db = root.Path() + "/c/FUEL/DB/Velmar.FDB";
  std::string out = test::RunCommand(
      std::string(TOLVAREN_HOST_DIR) + "/prepare-root --db --root '" + root.Path() + "' 2>&1 && " +
          TOLVAREN_HOST_DIR + "/../db/add-sample-statements --root '" + root.Path() + "' 2>&1 && " +
          TOLVAREN_HOST_DIR + "/../db/add-sample-vehicles --root '" + root.Path() +
          "' 2>&1 && sed -i 's/^MaxSize=.*/MaxSize=1000/; "
          "s/^MaxRows=.*/MaxRows=10000000/' '" +
          root.Path() + "/c/WINDOWS/cnf.ini'",
      &rc);
  ASSERT_EQ(rc, 0) << out;
  // 100 000 sales of the sample's car 31: a statement of a few seconds.
  out = test::Isql(
      "CONNECT '" + db +
          "' USER 'SYSDBA';\nSET TERM ^ ;\n"
          "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 100000) DO BEGIN "
          "INSERT INTO LOGTRAN (INDEXSALE, DATA, GSMNAME, LITER, SUMMA, GSMPRICE, "
          "BASEPRICE, PLOTN, PLISTNUM, IDCNT, IDDRV, IDCAR, VIDOPL, KA) VALUES (3000000 + "
          ":I, DATEADD(:I MILLISECOND TO TIMESTAMP '2024-01-10 13:00:00'), 'AI-92', 21, "
          "1100, 52.4, 52.4, 0.75, 'P-' || :I, '31', 31, 31, 4, 0); I = I + 1; END END^\n"
          "SET TERM ; ^\nCOMMIT;",
      &rc);
  ASSERT_EQ(rc, 0) << out;
  const std::string cd = "cd '" + root.Path() + "' && ";
  // A shell starts a background job with SIGINT ignored; the host is given
  // the default, as from a terminal.
  const std::string host = "env --default-signal=INT " + kEnv + "'" + TOLVAREN_HOST_PROGRAM +
                           "' --library '" + TOLVAREN_LIBRARY + "' ";
  const std::string request =
      "13 d:2024-01-10 'd:2024-01-11 23:59:59' 's:ООО Северный Путь' 's:Ав555кх99' empty "
      "[ 4 104 ]";
  // The statement's text without its first line, which holds the time it
  // was made.
  const auto report = [&] {
    out = test::RunCommand(cd + host + "--no-html " + request + " 2>&1 | tail -n +2", &rc);
    EXPECT_EQ(rc, 0);
    return out;
  };
  const std::string before = report();
  ASSERT_GT(before.size(), 5'000'000u) << before.substr(0, 2000);

  // The text version grows in a temporary file while the rows are fetched;
  // out.txt fills once the report is made. The shell prints the host's
  // exit status and how many milliseconds it took to end after the signal.
  const struct {
    const char* signal;
    const char* when;
    int status;
  } points[] = {
      {"TERM", "[ \"$(du -sb c/TEMP | cut -f1)\" -gt 20000 ]", 143},
      {"INT", "[ \"$(du -sb c/TEMP | cut -f1)\" -gt 300000 ]", 130},
      {"TERM", "[ \"$(du -sb c/TEMP | cut -f1)\" -gt 2000000 ]", 143},
      {"INT", "[ \"$(du -sb c/TEMP | cut -f1)\" -gt 4000000 ]", 130},
      {"TERM", "[ -s out.txt ]", 143},
  };
  for (const auto& point : points) {
    SCOPED_TRACE(std::string(point.signal) + " when " + point.when);
    out = test::RunCommand(cd + "rm -f c/TEMP/* out.txt && { " + host + "--html out.html " +
                               request + " > out.txt 2>&1 & } && pid=$! && until " + point.when +
                               "; do kill -0 $pid 2>/dev/null || exit 3; sleep 0.002; " +
                               "done && kill -" + point.signal +
                               " $pid && t=$(date +%s%N); { wait $pid; } 2>/dev/null; s=$?; " +
                               "echo $s $(( ($(date +%s%N) - t) / 1000000 ))",
                           &rc);
    ASSERT_EQ(rc, 0) << "the statement ended before it could be stopped: "
                     << root.ReadFile("out.txt").substr(0, 2000);
    int status = -1;
    int ms = -1;
    ASSERT_EQ(std::sscanf(out.c_str(), "%d %d", &status, &ms), 2) << out;
    EXPECT_EQ(status, point.status) << root.ReadFile("out.txt").substr(0, 2000);
    EXPECT_LT(ms, 1000);
  }
  EXPECT_EQ(report(), before);
}

}  // namespace
}  // namespace tv::host
