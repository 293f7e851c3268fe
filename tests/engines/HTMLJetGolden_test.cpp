// Golden cases: each folder under tests/data/engines/html/golden/ holds templates,
// a script "rows.txt" that drives the engine the way a report builder does,
// and the expected document "expected.html". A new case needs no new C++.
//
// rows.txt: one command per line, fields separated by "|", blanks around
// fields ignored, "#" starts a comment line. Commands:
//   create | file [| flag | limit]      init      ready      enddoc
//   add | name | text                   list | name | item | item ...
//   float | name | format | number      int | name | number    money | name | number
//   date | name | format | yyyy-mm-dd[ hh:nn:ss] (or a day number)
//   initog | name | text    outitog | name | text
//   initogfloat | name | format | number    outitogfloat | name | format | number
//   makeitog [| arg]   makeitog2 | format   endline   endigroup   endogroup
//   set | UseAltTemplates|MaxReportSizeMB|MaxReportRows|MoneyFormat|
//         RepeatTableHeaderDefault|DecimalSeparator|ThousandSeparator | value
//         (separators as hexadecimal character codes, 2C for ",")
//   global | name | value    replacement | name | value
//   error | message           the next command must fail with this message
//   param | name | value      subtable | name | value      exists | path
// Numbers use "." and may be "nan". Templates are stored as UTF-8 and
// installed as Windows-1251 in the templates folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCasesDir = GoldenCasesDir();

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  if (fs::is_directory(kCasesDir))
    for (const auto& entry : fs::directory_iterator(kCasesDir))
      if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class HTMLJetGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(HTMLJetGolden, ProducesExpectedDocument) {
  TempRoot root;
  JetSettingsScope settings;
  GlobalListsScope lists;
  const fs::path dir = kCasesDir / GetParam();
  GoldenRun run(dir);
  run.InstallTemplates();
  run.RunScript();
  if (HasFatalFailure() || !fs::exists(dir / "expected.html")) return;
  ASSERT_TRUE(run.HasJet());
  if (!run.Ready()) run.MakeReady();
  const std::string actual = ToUtf8Lf(run.Output());
  const fs::path outDir = fs::path(TOLVAREN_BINARY_DIR) / "golden-out";
  fs::create_directories(outDir);
  std::ofstream(outDir / (GetParam() + ".html"), std::ios::binary) << actual;
  EXPECT_EQ(actual, ReadTextFile(dir / "expected.html"))
      << "actual output written to " << (outDir / (GetParam() + ".html")).string();

  const TableCheck check = CheckTables(run.Output());
  if (!check.ran) GTEST_SKIP() << "python3 is missing: table structure not checked";
  EXPECT_TRUE(check.ok) << check.faults;
  EXPECT_EQ(check.rows, HTMLProcess::CheckTRPairs(run.Output()));
}

INSTANTIATE_TEST_SUITE_P(Cases, HTMLJetGolden, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace tv::test
