// The golden-case script runner (the commands are listed in
// HTMLJetGolden_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/engines/HTMLJetTestSupport.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

fs::path GoldenCasesDir() {
  return fs::path(TOLVAREN_TESTDATA_DIR) / "engines" / "html" / "golden";
}

std::string ReadTextFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void GoldenRun::InstallTemplates() {
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    if (name == "rows.txt" || name == "expected.html") continue;
    WriteCp1251File(kWebRepDir + Utf8ToCp1251(name), ReadTextFile(entry.path()));
  }
}

void GoldenRun::RunScript() {
  std::istringstream script(ReadTextFile(dir_ / "rows.txt"));
  std::string line;
  for (int number = 1; std::getline(script, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty() || Trim(line)[0] == '#') continue;
    SCOPED_TRACE("rows.txt:" + std::to_string(number) + ": " + line);
    RunLine(Fields(line));
    if (::testing::Test::HasFatalFailure()) return;
  }
}

void GoldenRun::MakeReady() {
  jet_->GetReady(output_);
  ready_ = true;
}

void GoldenRun::RunLine(const std::vector<std::string>& f) {
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

void GoldenRun::Execute(const std::vector<std::string>& f) {
  const std::string& cmd = f[0];
  if (cmd == "create") {
    jet_ = std::make_unique<THTML_Jet>(kWebRepDir + f.at(1), f.size() > 2 && f[2] == "1",
                                       f.size() > 3 ? std::stoi(f[3]) : 0);
  } else if (cmd == "set" || cmd == "global" || cmd == "replacement") {
    Setting(f);
  } else if (cmd == "exists") {
    EXPECT_TRUE(FileExists(f.at(1))) << Cp1251ToUtf8(f.at(1));
  } else {
    ASSERT_NE(jet_, nullptr) << "create first";
    Operation(f);
  }
}

void GoldenRun::Operation(const std::vector<std::string>& f) {
  const std::string& cmd = f[0];
  auto arg = [&](std::size_t i) -> const std::string& { return f.at(i); };
  auto opt = [&](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
  THTML_Jet& jet = *jet_;
  if (cmd == "init") {
    jet.Init();
  } else if (cmd == "add") {
    jet.Add(arg(1), opt(2));
  } else if (cmd == "list") {
    TStringList items;
    for (std::size_t i = 2; i < f.size(); ++i) items.Add(f[i]);
    jet.Add(arg(1), items);
  } else if (cmd == "float") {
    jet.AddFloat(arg(1), arg(2), Number(arg(3)));
  } else if (cmd == "int") {
    jet.AddInteger(arg(1), Number(arg(2)));
  } else if (cmd == "money") {
    jet.AddFloatDefault(arg(1), Number(arg(2)));
  } else if (cmd == "date") {
    jet.AddDateTime(arg(1), arg(2), DateValue(arg(3)));
  } else if (cmd == "initog") {
    jet.AddInItog(arg(1), opt(2));
  } else if (cmd == "outitog") {
    jet.AddOutItog(arg(1), opt(2));
  } else if (cmd == "initogfloat") {
    jet.AddInItogFloat(arg(1), arg(2), Number(arg(3)));
  } else if (cmd == "outitogfloat") {
    jet.AddOutItogFloat(arg(1), arg(2), Number(arg(3)));
  } else if (cmd == "makeitog") {
    jet.MakeItog(opt(1));
  } else if (cmd == "makeitog2") {
    jet.MakeItog2(arg(1));
  } else if (cmd == "endline") {
    jet.EndLine();
  } else if (cmd == "endigroup") {
    jet.EndIGroup();
  } else if (cmd == "endogroup") {
    jet.EndOGroup();
  } else if (cmd == "enddoc") {
    jet.EndDoc();
  } else if (cmd == "ready") {
    MakeReady();
  } else if (cmd == "param") {
    EXPECT_EQ(Cp1251ToUtf8(jet.Params().Values(arg(1))), Cp1251ToUtf8(opt(2)));
  } else if (cmd == "subtable") {
    EXPECT_EQ(Cp1251ToUtf8(jet.SubTables().Values(arg(1))), Cp1251ToUtf8(opt(2)));
  } else {
    FAIL() << "unknown command " << cmd;
  }
}

void GoldenRun::Setting(const std::vector<std::string>& f) {
  const std::string& cmd = f[0];
  const std::string& name = f.at(1);
  const std::string value = f.size() > 2 ? f[2] : std::string();
  if (cmd == "global") return HTMLJet::SetGlobalVar(name, value);
  if (cmd == "replacement") return HTMLJet::AddReplacement(name, value);
  auto separator = [&] { return static_cast<char>(std::stoi(value, nullptr, 16)); };
  if (name == "UseAltTemplates") {
    HTMLJet::UseAltTemplates = value == "1";
  } else if (name == "MaxReportSizeMB") {
    HTMLJet::MaxReportSizeMB = std::stoi(value);
  } else if (name == "MaxReportRows") {
    HTMLJet::MaxReportRows = std::stoi(value);
  } else if (name == "MoneyFormat") {
    HTMLJet::MoneyFormat = value;
  } else if (name == "RepeatTableHeaderDefault") {
    HTMLJet::RepeatTableHeaderDefault = value == "1";
  } else if (name == "DecimalSeparator") {
    HTMLJet::ReportFormatSettings().DecimalSeparator = separator();
  } else if (name == "ThousandSeparator") {
    HTMLJet::ReportFormatSettings().ThousandSeparator = separator();
  } else {
    FAIL() << "unknown setting " << name;
  }
}

}  // namespace tv::test
