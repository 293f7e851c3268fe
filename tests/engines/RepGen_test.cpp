// Golden cases of the text-form generator: every folder under
// tests/data/engines/repgen holds a form, the builder's steps and the exact
// report (see the README there).

#include "engines/RepGen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

const std::string kFormPath = "C:\\FUEL\\FORMS\\REPORT\\form.frm";
const std::string kOutPath = "C:\\TEMP\\report.txt";

std::string CasesDir() { return std::string(TOLVAREN_TESTDATA_DIR) + "/engines/repgen"; }

std::vector<std::string> ListCases() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CasesDir()))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The Windows-1251 bytes of a UTF-8 file, converted by iconv.
std::string ReadAsCp1251(const std::string& path) {
  int rc = 0;
  std::string bytes = test::RunCommand("iconv -f UTF-8 -t CP1251 '" + path + "'", &rc);
  EXPECT_EQ(rc, 0) << "iconv failed on " << path;
  return bytes;
}

std::string WithLineEnds(std::string_view text, std::string_view lineEnd) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += lineEnd;
    else
      out += c;
  }
  return out;
}

struct Steps {
  int columns = 1;
  int pageLength = 0;
  std::string formLineEnd = "\r\n";
  bool repeatGroupHeader = false;
  std::vector<std::string> commands;
};

Steps ParseSteps(const std::string& text) {
  Steps steps;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("columns ", 0) == 0) {
      steps.columns = std::stoi(line.substr(8));
    } else if (line.rfind("pagelength ", 0) == 0) {
      steps.pageLength = std::stoi(line.substr(11));
    } else if (line.rfind("formlineends ", 0) == 0) {
      const std::string kind = line.substr(13);
      steps.formLineEnd = kind == "lf" ? "\n" : kind == "cr" ? "\r" : "\r\n";
    } else if (line == "repeatgroupheader") {
      steps.repeatGroupHeader = true;
    } else {
      steps.commands.push_back(line);
    }
  }
  return steps;
}

void RunStep(TRepGen& gen, const std::string& command) {
  if (command.rfind("set ", 0) == 0) {
    const std::size_t eq = command.find('=');
    ASSERT_NE(eq, std::string::npos) << command;
    gen.SetVar(command.substr(4, eq - 4), command.substr(eq + 1));
  } else if (command == "repeat") {
    gen.PrintRepeat();
  } else if (command.rfind("repeat ", 0) == 0) {
    const int count = std::stoi(command.substr(7));
    for (int i = 1; i <= count; ++i) {
      gen.SetVar("ROW", std::to_string(i));
      gen.PrintRepeat();
    }
  } else if (command == "endgroup") {
    gen.EndGroup();
  } else if (command == "clearvars") {
    gen.ClearVars();
  } else if (command == "endreport") {
    gen.EndReport();
  } else {
    ADD_FAILURE() << "unknown step: " << command;
  }
}

std::string StripFinalLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

class RepGenGoldenTest : public testing::TestWithParam<std::string> {};

TEST_P(RepGenGoldenTest, WritesTheExpectedReport) {
  const std::string dir = CasesDir() + "/" + GetParam();
  test::TempRoot root;
  const Steps steps = ParseSteps(ReadAsCp1251(dir + "/steps.txt"));
  root.WriteFile("c/FUEL/FORMS/REPORT/form.frm",
                 WithLineEnds(ReadAsCp1251(dir + "/form.frm"), steps.formLineEnd));
  root.WriteFile("c/TEMP/.keep", "");
  std::string error = "(none)";
  try {
    TFileRepGen gen(kFormPath, kOutPath, true, static_cast<uint8_t>(steps.pageLength),
                    static_cast<uint8_t>(steps.columns));
    gen.RepeatGroupHeader = steps.repeatGroupHeader;
    for (const std::string& command : steps.commands) RunStep(gen, command);
  } catch (const Exception& e) {
    error = e.Message();
  }
  if (std::filesystem::exists(dir + "/error.txt")) {
    EXPECT_EQ(Cp1251ToUtf8(error),
              Cp1251ToUtf8(StripFinalLineEnd(ReadAsCp1251(dir + "/error.txt"))));
    return;
  }
  ASSERT_EQ(Cp1251ToUtf8(error), "(none)");
  const std::string expected = WithLineEnds(ReadAsCp1251(dir + "/expected.txt"), "\r\n");
  const std::string written = root.ReadFile("c/TEMP/report.txt");
  // Readable diff first, then the bytes themselves.
  EXPECT_EQ(Cp1251ToUtf8(written), Cp1251ToUtf8(expected));
  EXPECT_TRUE(written == expected) << "the bytes differ (code page or line ends)";
  EXPECT_TRUE(RepGen::ReadFileText(kOutPath) == expected);
}

std::string CaseName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Forms, RepGenGoldenTest, testing::ValuesIn(ListCases()), CaseName);

}  // namespace
}  // namespace tv
