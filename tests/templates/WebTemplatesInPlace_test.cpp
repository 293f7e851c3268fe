// The HTML template list as the form check hands it over: the forms library
// (loaded by file name) writes every missing template from it, and the
// files it writes are the source pages converted by iconv.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/Cp1251.h"
#include "templates/WebFormPatterns.h"
#include "templates/reportforms/PatternListView.h"
#include "templates/reportforms/ReportForms.h"
#include "tests/support/TempRoot.h"

namespace tv::WebFormPatterns {
namespace {

void Collect(void* context, const char* text, int level) {
  static_cast<std::vector<std::pair<std::string, int>>*>(context)->emplace_back(text, level);
}

TEST(WebTemplatesInPlace, CheckExPutsEveryTemplateInPlace) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  void* module = ::dlopen(TOLVAREN_REPORTFORMS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << ::dlerror();
  auto checkEx = reinterpret_cast<TReportFormsCheckExProc>(::dlsym(module, "CheckEx"));
  ASSERT_NE(checkEx, nullptr);
  test::TempRoot root;
  std::vector<std::pair<std::string, int>> log;
  const TReportFormsApplication app{&log, Collect};
  CreatePatterns();
  const TReportFormsListView view(*Patterns);
  checkEx(&app, view.List(), "C:\\FUEL\\FORMS\\WEBREP\\", "WebFormPatterns.pas", ".html");
  EXPECT_EQ(log.size(), 43u);
  for (const auto& line : log) EXPECT_EQ(line.second, 0) << Cp1251ToUtf8(line.first);

  const std::filesystem::path folder = std::filesystem::path(root.Path()) / "c/FUEL/FORMS/WEBREP";
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++files;
  EXPECT_EQ(files, 43);
  for (std::size_t i = 0; i < Patterns->size(); ++i) {
    const std::string name = Cp1251ToUtf8(PatternAt(*Patterns, i).Name);
    int rc = -1;
    const std::string reference =
        test::RunCommand("iconv -f UTF-8 -t WINDOWS-1251 '" TOLVAREN_SOURCE_DIR "/templates/web/" +
                             name + ".html' | sed 's/$/\\r/'",
                         &rc);
    ASSERT_EQ(rc, 0) << name;
    EXPECT_EQ(root.ReadFile("c/FUEL/FORMS/WEBREP/" + name + ".html"), reference) << name;
  }
  // Installed files equal to the built-in texts are left alone, silently.
  log.clear();
  checkEx(&app, view.List(), "C:\\FUEL\\FORMS\\WEBREP\\", "WebFormPatterns.pas", ".html");
  EXPECT_TRUE(log.empty());
  ::dlclose(module);
}

}  // namespace
}  // namespace tv::WebFormPatterns
