// The form check at start-up against the real forms library, against
// stand-ins that record their calls or lack an entry, and without any forms
// library: what is copied from the host's data folder, what reaches the
// report log, and what ends up installed.

#include "library/CheckReportForms.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"
#include "templates/FormPatterns.h"
#include "templates/WebFormPatterns.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const std::string kRecording = TOLVAREN_RECORDING_FORMS_DIR;
const std::string kCheckExOnly = TOLVAREN_CHECKEX_ONLY_FORMS_DIR;
const std::string kRealForms = TOLVAREN_REPORTFORMS_DIR;

// The 31 text forms in registry order with their line counts.
const char kFormRegistry[] =
    "31|AktVozvr:43|AktVozvr2:28|BackCard:21|bneRep:22|bonus:24|CouponRep:19|history:16|"
    "ReportInventory:24|ReportTovarIn:24|Rsx:50|Smena1:15|Smena2:17|SMENA2_1:36|Smena3:31|"
    "Smena4:17|SmenaSink:17|Smena5:17|Smena6:16|SmenaBeg:16|SmenaEnd:14|SMENAPRX:33|"
    "SmenaRsx:31|vdAgent:19|vdMobil:19|vdPeriod:22|CardRep:20|AktVozvrPr2:46|PrxEx:28|"
    "RsxEx:18|SmenaKassaFinRep:7|EmptyReport:2";

struct TLogLine {
  int level;
  std::string text;  // UTF-8, for readable failures
  bool operator==(const TLogLine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TLogLine& line) {
  return out << "[" << line.level << "] " << line.text;
}

TLogLine Line(int level, const std::string& text) { return {level, Cp1251ToUtf8(text)}; }

// The level of a report log line from its tag ("" for level 0).
int LevelOfTag(const std::string& tag) {
  static const std::map<std::string, int> kTags = {
      {"[инф]", 1}, {"[ошиб]", 2}, {"[сбой]", 3}, {"[вним]", 4}, {"[событ]", 5}};
  return kTags.contains(tag) ? kTags.at(tag) : -1;
}

// The source texts of the built-in files, named in UTF-8.
std::vector<std::string> SourceNames(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(std::string(TOLVAREN_SOURCE_DIR) + folder))
    if (entry.path().extension() == extension) names.push_back(entry.path().stem().string());
  return names;
}

std::string ReadSource(const std::string& sourceFile) {
  std::ifstream in(std::string(TOLVAREN_SOURCE_DIR) + sourceFile, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A built-in text as it must be installed: the source file through iconv,
// every line ended by CR LF.
std::string Reference(const std::string& sourceFile) {
  int rc = -1;
  std::string text =
      test::RunCommand("iconv -f UTF-8 -t WINDOWS-1251 '" + std::string(TOLVAREN_SOURCE_DIR) +
                           sourceFile + "' | sed 's/$/\\r/'",
                       &rc);
  EXPECT_EQ(rc, 0) << sourceFile;
  return text;
}

class CheckReportFormsTest : public testing::Test {
 protected:
  void SetUp() override {
    // As InitReports leaves them before the check.
    ASSERT_TRUE(ForceDirectories("C:\\FUEL\\FORMS\\REPORT\\"));
    ASSERT_TRUE(ForceDirectories("C:\\FUEL\\FORMS\\WEBREP\\"));
    ASSERT_TRUE(ForceDirectories("C:\\FUEL\\LogFiles\\"));
    ASSERT_TRUE(ForceDirectories(kHostFolder));
    logger_ = std::make_unique<TFileLogger>("C:\\FUEL\\LogFiles\\Reports.log");
  }

  void Run(const std::string& libraryFolder) { CheckReportForms(*logger_, query_, libraryFolder); }

  // The report log so far; each line's tag gives its level.
  std::vector<TLogLine> Log() const {
    std::vector<TLogLine> out;
    const std::string text = root_.ReadFile("c/FUEL/LogFiles/Reports.log");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      // "dd.mm.yyyy hh:nn:ss.zzz", then an optional tag, then the text.
      std::string rest = Cp1251ToUtf8(text.substr(start + 24, end - start - 24));
      int level = 0;
      if (rest.starts_with("[")) {
        const std::size_t close = rest.find("] ");
        level = LevelOfTag(rest.substr(0, close + 1));
        rest = rest.substr(close + 2);
      }
      out.push_back({level, rest});
    }
    return out;
  }

  std::string FormFolder() const { return root_.Path() + "/c/FUEL/FORMS/REPORT/"; }
  std::string WebFolder() const { return root_.Path() + "/c/FUEL/FORMS/WEBREP/"; }
  std::string HostFolder() const { return root_.Path() + "/c/HOST/DATA/"; }
  std::set<std::string> FolderEntries(const std::string& folder) const {
    std::set<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder))
      out.insert(entry.path().filename().string());
    return out;
  }

  const std::string kHostFolder = "C:\\HOST\\DATA\\";
  test::TempRoot root_;
  std::unique_ptr<TFileLogger> logger_;
  std::vector<int> questions_;
  Variant answer_ = Variant(kHostFolder);
  THostQuery query_ = [this](Variant& result, int code, int) {
    questions_.push_back(code);
    result = answer_;
  };
};

TEST_F(CheckReportFormsTest, WithoutTheFormsLibraryOnlyTheCheckIsLost) {
  root_.WriteFile("c/HOST/DATA/Smena1.frm", "host form\r\n");
  root_.WriteFile("nolib/.keep", "");
  root_.WriteFile("garbage/libReportForms.so", "not a shared library");
  FormPatterns::CreatePatterns();
  WebFormPatterns::CreatePatterns();
  const FormPatterns::TPatternList* forms = FormPatterns::Patterns;
  const WebFormPatterns::TPatternList* templates = WebFormPatterns::Patterns;
  for (const std::string folder : {"nolib", "garbage"}) {
    Run(root_.Path() + "/" + folder);
    EXPECT_TRUE(FolderEntries(FormFolder()).empty()) << folder;
    EXPECT_TRUE(FolderEntries(WebFolder()).empty()) << folder;
  }
  const TLogLine missing = Line(4, "Библиотека форм отчетов не найдена."_w);
  EXPECT_EQ(Log(), (std::vector<TLogLine>{missing, missing}));
  // Neither the host nor the registries were asked anything.
  EXPECT_TRUE(questions_.empty());
  EXPECT_EQ(FormPatterns::Patterns, forms);
  EXPECT_EQ(WebFormPatterns::Patterns, templates);
}

TEST_F(CheckReportFormsTest, ALibraryWithCheckExOnlyChecksTheTemplatesAlone) {
  root_.WriteFile("c/HOST/DATA/Smena1.frm", "host form\r\n");
  FormPatterns::CreatePatterns();
  const FormPatterns::TPatternList* forms = FormPatterns::Patterns;
  const WebFormPatterns::TPatternList* templates = WebFormPatterns::Patterns;
  Run(kCheckExOnly);
  const std::vector<TLogLine> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], Line(2, "Функция библиотеки форм отчетов не найдена."_w));
  EXPECT_EQ(log[1].level, 0);
  EXPECT_TRUE(log[1].text.starts_with(
      "CheckEx|C:\\FUEL\\FORMS\\WEBREP\\|C:\\Work\\Tolvaren\\WebFormPatterns.pas|.html|43|"))
      << log[1].text;
  // No text form was copied and no form list built; a new template list was.
  EXPECT_TRUE(FolderEntries(FormFolder()).empty());
  EXPECT_TRUE(questions_.empty());
  EXPECT_EQ(FormPatterns::Patterns, forms);
  EXPECT_NE(WebFormPatterns::Patterns, templates);
  // The templates handed over are the 43 source templates, each with its
  // lines.
  std::set<std::string> handed;
  std::string rest = log[1].text.substr(log[1].text.find("|43|") + 4);
  for (std::size_t bar; !rest.empty();
       rest = bar == std::string::npos ? "" : rest.substr(bar + 1)) {
    bar = rest.find('|');
    handed.insert(rest.substr(0, bar));
  }
  std::set<std::string> expected;
  for (const std::string& name : SourceNames("/templates/web", ".html")) {
    const std::string text = ReadSource("/templates/web/" + name + ".html");
    expected.insert(name + ":" + std::to_string(std::count(text.begin(), text.end(), '\n')));
  }
  EXPECT_EQ(handed.size(), 43u);
  EXPECT_EQ(handed, expected);
}

TEST_F(CheckReportFormsTest, MissingFormsAreCopiedFromTheHostBeforeTheListsAreHandedOver) {
  // Installed: kept even though the host holds a newer one.
  root_.WriteFile("c/FUEL/FORMS/REPORT/Smena2.frm", "installed\r\n");
  root_.WriteFile("c/HOST/DATA/Smena2.frm", "newer\r\n");
  fs::last_write_time(HostFolder() + "Smena2.frm",
                      fs::last_write_time(FormFolder() + "Smena2.frm") + std::chrono::hours(1));
  // Missing here, present at the host (names matched in any letter case).
  root_.WriteFile("c/HOST/DATA/Smena1.frm", "host Smena1\r\n");
  root_.WriteFile("c/HOST/DATA/BONUS.FRM", std::string("host \xE1\xEE\xED\xF3\xF1\r\n"));
  // Not plain files at the host: neither copied nor waited for.
  fs::create_directories(HostFolder() + "Smena3.frm");
  ASSERT_EQ(::mkfifo((HostFolder() + "Smena4.frm").c_str(), 0600), 0);
  Run(kRecording);

  EXPECT_EQ(FolderEntries(FormFolder()),
            (std::set<std::string>{"Smena1.frm", "Smena2.frm", "bonus.frm"}));
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena2.frm"), "installed\r\n");
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena1.frm"), "host Smena1\r\n");
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/bonus.frm"), "host \xE1\xEE\xED\xF3\xF1\r\n");
  // The data folder is asked for each missing form.
  EXPECT_EQ(questions_, std::vector<int>(30, 5));
  // A form missing in both folders gives no line; the two entries get their
  // arguments in order.
  const std::vector<TLogLine> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], Line(0, "Check|C:\\FUEL\\FORMS\\REPORT\\|FormPatterns.pas|" +
                                std::string(kFormRegistry)));
  EXPECT_TRUE(log[1].text.starts_with("CheckEx|C:\\FUEL\\FORMS\\WEBREP\\|")) << log[1].text;
}

TEST_F(CheckReportFormsTest, AHostWithoutADataFolderGetsNoCopyButTheCheck) {
  root_.WriteFile("c/HOST/DATA/Smena1.frm", "host form\r\n");
  const TLogLine failed = Line(2, "Ошибка при проверке форм отчетов."_w);
  struct TCase {
    const char* what;
    THostQuery query;
  };
  const TCase cases[] = {
      {"a host that raises", [](Variant&, int, int) { throw std::runtime_error("no folder"); }},
      {"no host procedure", THostQuery()},
      {"an answer that is no text",
       [](Variant& result, int, int) {
         result = VarArrayOf({Variant(1), Variant(2)});
       }},
  };
  for (const TCase& c : cases) {
    query_ = c.query;
    const std::size_t before = Log().size();
    Run(kRecording);
    const std::vector<TLogLine> log = Log();
    ASSERT_EQ(log.size(), before + 3) << c.what;
    EXPECT_EQ(log[before], failed) << c.what;
    EXPECT_TRUE(log[before + 1].text.starts_with("Check|")) << c.what;
    EXPECT_TRUE(log[before + 2].text.starts_with("CheckEx|")) << c.what;
    EXPECT_TRUE(FolderEntries(FormFolder()).empty()) << c.what;
  }
  // An empty answer names no folder: the working folder is not searched.
  root_.WriteFile("cwd/Smena1.frm", "working folder\r\n");
  const fs::path cwd = fs::current_path();
  fs::current_path(root_.Path() + "/cwd");
  answer_ = Variant(std::string());
  query_ = [this](Variant& result, int code, int) {
    questions_.push_back(code);
    result = answer_;
  };
  const std::size_t before = Log().size();
  Run(kRecording);
  fs::current_path(cwd);
  EXPECT_TRUE(FolderEntries(FormFolder()).empty());
  EXPECT_EQ(questions_.size(), 31u);
  EXPECT_EQ(Log().size(), before + 2);
}

TEST_F(CheckReportFormsTest, AnEmptyRootEndsWithEveryFormAndTemplateInstalled) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  Run(kRealForms);
  const std::vector<std::string> forms = SourceNames("/templates/forms", ".frm");
  const std::vector<std::string> templates = SourceNames("/templates/web", ".html");
  ASSERT_EQ(forms.size(), 31u);
  ASSERT_EQ(templates.size(), 43u);
  std::set<std::string> created;
  for (const std::string& name : forms) {
    EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/" + name + ".frm"),
              Reference("/templates/forms/" + name + ".frm"))
        << name;
    created.insert("Создан файл формы отчета: C:\\FUEL\\FORMS\\REPORT\\" + name + ".frm");
  }
  for (const std::string& name : templates) {
    EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/WEBREP/" + name + ".html"),
              Reference("/templates/web/" + name + ".html"))
        << name;
    created.insert("Создан файл шаблона Web-отчета: C:\\FUEL\\FORMS\\WEBREP\\" + name + ".html");
  }
  EXPECT_EQ(FolderEntries(FormFolder()).size(), 31u);
  EXPECT_EQ(FolderEntries(WebFolder()).size(), 43u);
  std::set<std::string> logged;
  for (const TLogLine& line : Log()) {
    EXPECT_EQ(line.level, 0) << line;
    logged.insert(line.text);
  }
  EXPECT_EQ(logged, created);
  EXPECT_EQ(questions_.size(), 31u);

  // The next start finds everything in place: no question, no line, no
  // file touched.
  const auto stamp = fs::last_write_time(FormFolder() + "Smena1.frm");
  const std::size_t lines = Log().size();
  questions_.clear();
  Run(kRealForms);
  EXPECT_EQ(Log().size(), lines);
  EXPECT_TRUE(questions_.empty());
  EXPECT_EQ(fs::last_write_time(FormFolder() + "Smena1.frm"), stamp);
}

TEST_F(CheckReportFormsTest, AFormCopiedFromTheHostIsKeptAndReportedAsDifferent) {
  root_.WriteFile("c/HOST/DATA/Smena1.frm", "@Page\r\nhost layout\r\n@EndPage\r\n");
  Run(kRealForms);
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena1.frm"),
            "@Page\r\nhost layout\r\n@EndPage\r\n");
  const std::string path = "C:\\FUEL\\FORMS\\REPORT\\Smena1.frm";
  int differs = 0;
  for (const TLogLine& line : Log()) {
    EXPECT_EQ(line.text.find("Создан файл формы отчета: " + path), std::string::npos);
    if (line == Line(4, "Файл формы отчета отличается от встроенного текста: "_w + path)) ++differs;
  }
  EXPECT_EQ(differs, 1);
  EXPECT_EQ(FolderEntries(FormFolder()).size(), 31u);
}

TEST_F(CheckReportFormsTest, BadInstalledFilesAreReportedAndSkipped) {
  fs::create_directories(FormFolder() + "Smena3.frm");
  root_.WriteFile("c/HOST/DATA/Smena3.frm", "host form\r\n");
  const char kGarbage[] =
      "\x7F"
      "ELF\0\0\xFF\xFE garbage \x01\x02";
  const std::string garbage(kGarbage, sizeof kGarbage - 1);
  root_.WriteFile("c/FUEL/FORMS/REPORT/Smena4.frm", garbage);
  root_.WriteFile("c/FUEL/FORMS/REPORT/Smena6.frm", "unreadable\r\n");
  ::chmod((FormFolder() + "Smena6.frm").c_str(), 0);
  const bool unreadable = ::access((FormFolder() + "Smena6.frm").c_str(), R_OK) != 0;
  fs::create_directories(WebFolder() + "ТТН1.html");
  Run(kRealForms);

  const std::string folder = "C:\\FUEL\\FORMS\\REPORT\\";
  std::vector<TLogLine> problems;
  for (const TLogLine& line : Log())
    if (line.level != 0) problems.push_back(line);
  std::vector<TLogLine> expected = {
      Line(2, "Файл формы отчета не является обычным файлом: "_w + folder + "Smena3.frm"),
      Line(4, "Файл формы отчета отличается от встроенного текста: "_w + folder + "Smena4.frm"),
      Line(2, "Файл шаблона Web-отчета не является обычным файлом: "_w +
                  "C:\\FUEL\\FORMS\\WEBREP\\ТТН1.html"_w)};
  // Whoever may read any file (root) finds the text and sees it differ.
  expected.insert(expected.begin() + 2,
                  unreadable
                      ? Line(2, "Ошибка чтения файла формы отчета "_w + folder +
                                    "Smena6.frm: " + SysErrorMessage(ErrnoToWinError(EACCES)))
                      : Line(4, "Файл формы отчета отличается от встроенного текста: "_w + folder +
                                    "Smena6.frm"));
  EXPECT_EQ(problems, expected);
  // The bad files are left as they were; everything else was installed.
  EXPECT_TRUE(fs::is_directory(FormFolder() + "Smena3.frm"));
  ::chmod((FormFolder() + "Smena6.frm").c_str(), 0600);
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena4.frm"), garbage);
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena6.frm"), "unreadable\r\n");
  EXPECT_TRUE(fs::is_directory(WebFolder() + "ТТН1.html"));
  EXPECT_EQ(FolderEntries(FormFolder()).size(), 31u);
  EXPECT_EQ(FolderEntries(WebFolder()).size(), 43u);
}

TEST(ReportLibraryFolder, IsTheFolderOfTheModuleHoldingTheCheck) {
  // Linked into this program, the check lives in the program itself.
  const std::string folder = ReportLibraryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::equivalent(folder, fs::read_symlink("/proc/self/exe").parent_path()));
}

TEST(ReportLibraryFolder, TheReportLibraryDoesNotNeedTheFormsLibraryToLoad) {
  if (!test::HaveCommand("readelf")) GTEST_SKIP() << "readelf is not installed";
  int rc = -1;
  const std::string needed =
      test::RunCommand("readelf -d '" + std::string(TOLVAREN_LIBRARY_FILE) + "'", &rc);
  ASSERT_EQ(rc, 0);
  EXPECT_NE(needed.find("(NEEDED)"), std::string::npos);
  EXPECT_EQ(needed.find("ReportForms"), std::string::npos) << needed;
}

}  // namespace
}  // namespace tv
