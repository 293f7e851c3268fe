// Golden cases: each folder under tests/data/engines/html/ holds templates,
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
#include "platform/Cp1251.h"
#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/SysUtils.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCasesDir = fs::path(TOLVAREN_TESTDATA_DIR) / "engines" / "html" / "golden";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = line.find('|', start);
    fields.push_back(Utf8ToCp1251(Trim(line.substr(start, bar - start))));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return fields;
}

double Number(const std::string& text) {
  if (text == "nan") return std::nan("");
  return std::stod(text);
}

TDateTime DateValue(const std::string& text) {
  int y, m, d, h = 0, n = 0, s = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &m, &d, &h, &n, &s) >= 3)
    return EncodeDate(y, m, d) + EncodeTime(h, n, s, 0);
  return std::stod(text);
}

class GoldenRun {
 public:
  explicit GoldenRun(const fs::path& dir) : dir_(dir) {}

  void InstallTemplates() {
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name == "rows.txt" || name == "expected.html") continue;
      WriteCp1251File(kWebRepDir + Utf8ToCp1251(name), ReadText(entry.path()));
    }
  }

  void RunScript() {
    std::istringstream script(ReadText(dir_ / "rows.txt"));
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (Trim(line).empty() || Trim(line)[0] == '#') continue;
      SCOPED_TRACE("rows.txt:" + std::to_string(number) + ": " + line);
      RunLine(Fields(line));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }

  bool HasJet() const { return jet_ != nullptr; }
  bool Ready() const { return ready_; }
  const std::string& Output() const { return output_; }
  void MakeReady() {
    jet_->GetReady(output_);
    ready_ = true;
  }

 private:
  void RunLine(const std::vector<std::string>& f) {
    if (f[0] == "error") {
      expectedError_ = f.at(1);
      return;
    }
    if (expectedError_.empty()) {
      Execute(f);
      return;
    }
    const std::string expected = std::move(expectedError_);
    expectedError_.clear();
    try {
      Execute(f);
      ADD_FAILURE() << "no failure; expected: " << Cp1251ToUtf8(expected);
    } catch (const Exception& e) {
      EXPECT_EQ(Cp1251ToUtf8(e.Message()), Cp1251ToUtf8(expected));
    }
  }

  void Execute(const std::vector<std::string>& f) {
    const std::string& cmd = f[0];
    auto arg = [&](std::size_t i) -> const std::string& { return f.at(i); };
    auto opt = [&](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
    if (cmd == "create") {
      jet_ = std::make_unique<THTML_Jet>(kWebRepDir + arg(1), opt(2) == "1",
                                         f.size() > 3 ? std::stoi(arg(3)) : 0);
    } else if (cmd == "set" || cmd == "global" || cmd == "replacement") {
      Setting(f);
    } else if (cmd == "exists") {
      EXPECT_TRUE(FileExists(arg(1))) << Cp1251ToUtf8(arg(1));
    } else {
      ASSERT_NE(jet_, nullptr) << "create first";
      Operation(f, arg, opt);
    }
  }

  template <class Arg, class Opt>
  void Operation(const std::vector<std::string>& f, Arg arg, Opt opt) {
    const std::string& cmd = f[0];
    if (cmd == "init") jet_->Init();
    else if (cmd == "add") jet_->Add(arg(1), opt(2));
    else if (cmd == "list") {
      TStringList items;
      for (std::size_t i = 2; i < f.size(); ++i) items.Add(f[i]);
      jet_->Add(arg(1), items);
    } else if (cmd == "float") jet_->AddFloat(arg(1), arg(2), Number(arg(3)));
    else if (cmd == "int") jet_->AddInteger(arg(1), Number(arg(2)));
    else if (cmd == "money") jet_->AddFloatDefault(arg(1), Number(arg(2)));
    else if (cmd == "date") jet_->AddDateTime(arg(1), arg(2), DateValue(arg(3)));
    else if (cmd == "initog") jet_->AddInItog(arg(1), opt(2));
    else if (cmd == "outitog") jet_->AddOutItog(arg(1), opt(2));
    else if (cmd == "initogfloat") jet_->AddInItogFloat(arg(1), arg(2), Number(arg(3)));
    else if (cmd == "outitogfloat") jet_->AddOutItogFloat(arg(1), arg(2), Number(arg(3)));
    else if (cmd == "makeitog") jet_->MakeItog(opt(1));
    else if (cmd == "makeitog2") jet_->MakeItog2(arg(1));
    else if (cmd == "endline") jet_->EndLine();
    else if (cmd == "endigroup") jet_->EndIGroup();
    else if (cmd == "endogroup") jet_->EndOGroup();
    else if (cmd == "enddoc") jet_->EndDoc();
    else if (cmd == "ready") MakeReady();
    else if (cmd == "param") EXPECT_EQ(Cp1251ToUtf8(jet_->Params().Values(arg(1))), Cp1251ToUtf8(opt(2)));
    else if (cmd == "subtable") EXPECT_EQ(Cp1251ToUtf8(jet_->SubTables().Values(arg(1))), Cp1251ToUtf8(opt(2)));
    else FAIL() << "unknown command " << cmd;
  }

  void Setting(const std::vector<std::string>& f) {
    const std::string& cmd = f[0];
    const std::string& name = f.at(1);
    const std::string value = f.size() > 2 ? f[2] : std::string();
    if (cmd == "global") return HTMLJet::SetGlobalVar(name, value);
    if (cmd == "replacement") return HTMLJet::AddReplacement(name, value);
    if (name == "UseAltTemplates") HTMLJet::UseAltTemplates = value == "1";
    else if (name == "MaxReportSizeMB") HTMLJet::MaxReportSizeMB = std::stoi(value);
    else if (name == "MaxReportRows") HTMLJet::MaxReportRows = std::stoi(value);
    else if (name == "MoneyFormat") HTMLJet::MoneyFormat = value;
    else if (name == "RepeatTableHeaderDefault") HTMLJet::RepeatTableHeaderDefault = value == "1";
    else if (name == "DecimalSeparator")
      HTMLJet::ReportFormatSettings().DecimalSeparator = static_cast<char>(std::stoi(value, nullptr, 16));
    else if (name == "ThousandSeparator")
      HTMLJet::ReportFormatSettings().ThousandSeparator = static_cast<char>(std::stoi(value, nullptr, 16));
    else FAIL() << "unknown setting " << name;
  }

  fs::path dir_;
  std::unique_ptr<THTML_Jet> jet_;
  std::string expectedError_;
  std::string output_;
  bool ready_ = false;
};

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
  EXPECT_EQ(actual, ReadText(dir / "expected.html"))
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
