// The system's own report templates (templates/web, written apart from the
// engine): each is cut without an error and, filled with one empty record,
// gives tables that Python's HTML parser finds sound, with as many rows as
// HTMLProcess::CheckTRPairs counts.
#include <gtest/gtest.h>

#include <filesystem>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

TEST(HTMLJetBuiltInTemplates, EveryTemplateCutsAndGivesSoundTables) {
  const fs::path dir = fs::path(TOLVAREN_SOURCE_DIR) / "templates" / "web";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no built-in templates in " << dir;
  TempRoot root;
  JetSettingsScope settings;
  int templates = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".html") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string file = kWebRepDir + Utf8ToCp1251(name);
    WriteCp1251File(file, ReadTextFile(entry.path()));
    std::string out;
    try {
      THTML_Jet jet(file);
      jet.Init();
      jet.EndLine();
      jet.MakeItog();
      jet.EndIGroup();
      jet.EndOGroup();
      jet.GetReady(out);
    } catch (const Exception& e) {
      ADD_FAILURE() << Cp1251ToUtf8(e.Message());
      continue;
    }
    EXPECT_EQ(out.find("&lt;#"), std::string::npos);
    const TableCheck check = CheckTables(out);
    if (!check.ran) GTEST_SKIP() << "python3 is missing: table structure not checked";
    EXPECT_TRUE(check.ok) << check.faults;
    EXPECT_EQ(check.rows, HTMLProcess::CheckTRPairs(out));
    ++templates;
  }
  EXPECT_GE(templates, 40);
}

}  // namespace
}  // namespace tv::test
