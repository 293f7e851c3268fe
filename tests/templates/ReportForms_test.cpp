// The forms library as the report library meets it: loaded by file name,
// its entries looked up by name, called on a fresh root folder.

#include "templates/reportforms/ReportForms.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/OsError.h"
#include "templates/FormPatterns.h"
#include "templates/reportforms/PatternListView.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

using TLogLines = std::vector<std::pair<std::string, int>>;

void Collect(void* context, const char* text, int level) {
  static_cast<TLogLines*>(context)->emplace_back(text, level);
}

// The reason a log line gives for a failed system call.
std::string Reason(int err) { return SysErrorMessage(ErrnoToWinError(err)); }

const char kReportFolder[] = "C:\\FUEL\\FORMS\\REPORT\\";

class ReportForms : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::dlopen(TOLVAREN_REPORTFORMS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << ::dlerror();
    check_ = reinterpret_cast<TReportFormsCheckProc>(::dlsym(module_, "Check"));
    checkEx_ = reinterpret_cast<TReportFormsCheckExProc>(::dlsym(module_, "CheckEx"));
    ASSERT_NE(check_, nullptr);
    ASSERT_NE(checkEx_, nullptr);
    FormPatterns::CreatePatterns();
    view_ = std::make_unique<TReportFormsListView>(*FormPatterns::Patterns);
  }
  void TearDown() override {
    if (module_ != nullptr) ::dlclose(module_);
  }

  void CheckForms(const TReportFormsList* list = nullptr) {
    check_(&app_, list != nullptr ? list : view_->List(), kReportFolder, "FormPatterns.pas");
  }
  std::string Folder() const { return root_.Path() + "/c/FUEL/FORMS/REPORT/"; }
  // The built-in text of a form: its source file through iconv, CR LF.
  static std::string Reference(const std::string& name) {
    int rc = -1;
    std::string text =
        test::RunCommand("iconv -f UTF-8 -t WINDOWS-1251 '" + std::string(TOLVAREN_SOURCE_DIR) +
                             "/templates/forms/" + name + ".frm' | sed 's/$/\\r/'",
                         &rc);
    EXPECT_EQ(rc, 0) << name;
    return text;
  }
  // Log lines that mention the file of a form.
  std::vector<std::pair<std::string, int>> LinesAbout(const std::string& file) const {
    std::vector<std::pair<std::string, int>> out;
    for (const auto& line : log_)
      if (line.first.ends_with(file) || line.first.find(file + ":") != std::string::npos)
        out.push_back(line);
    return out;
  }

  test::TempRoot root_;
  void* module_ = nullptr;
  TReportFormsCheckProc check_ = nullptr;
  TReportFormsCheckExProc checkEx_ = nullptr;
  std::unique_ptr<TReportFormsListView> view_;
  TLogLines log_;
  TReportFormsApplication app_{&log_, &Collect};
};

TEST_F(ReportForms, AnEmptyRootGetsEveryFormWithItsBuiltInText) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  CheckForms();
  ASSERT_EQ(log_.size(), FormPatterns::Patterns->size());
  for (std::size_t i = 0; i < FormPatterns::Patterns->size(); ++i) {
    const std::string& name = (*(*FormPatterns::Patterns)[i])->Name;
    EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/" + name + ".frm"), Reference(name)) << name;
    EXPECT_EQ(log_[i].first,
              "Создан файл формы отчета: C:\\FUEL\\FORMS\\REPORT\\"_w + name + ".frm");
    EXPECT_EQ(log_[i].second, 0);
  }
  // A second start finds everything in place and says nothing.
  const auto stamp = fs::last_write_time(Folder() + "Smena1.frm");
  log_.clear();
  CheckForms();
  EXPECT_TRUE(log_.empty()) << log_.front().first;
  EXPECT_EQ(fs::last_write_time(Folder() + "Smena1.frm"), stamp);
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 31);
}

TEST_F(ReportForms, InstalledFilesAreKeptAndDifferencesReported) {
  // Another letter case, an edited text, the same lines with LF ends, the
  // built-in text without its last line end, one empty line more.
  const std::string edited = "@Page\r\nмоя форма\r\n@EndPage\r\n"_w;
  root_.WriteFile("c/FUEL/FORMS/REPORT/smena1.FRM", edited);
  const FormPatterns::CPattern& smena2 = **(*FormPatterns::Patterns)[11];
  ASSERT_EQ(smena2.Name, "Smena2");
  std::string lf;
  for (int i = 0; i < smena2.Lines.Count(); ++i) lf += smena2.Lines[i] + "\n";
  root_.WriteFile("c/FUEL/FORMS/REPORT/Smena2.frm", lf);
  const std::string crlf = (*(*FormPatterns::Patterns)[4])->Lines.Text();
  root_.WriteFile("c/FUEL/FORMS/REPORT/Bonus.frm", crlf.substr(0, crlf.size() - 2));
  root_.WriteFile("c/FUEL/FORMS/REPORT/EmptyReport.frm", "@Page\r\n@EndPage\r\n\r\n");
  CheckForms();

  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/smena1.FRM"), edited);
  EXPECT_FALSE(fs::exists(Folder() + "Smena1.frm"));
  EXPECT_FALSE(fs::exists(Folder() + "bonus.frm"));
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena2.frm"), lf);
  const auto smena1 = LinesAbout("\\Smena1.frm");
  ASSERT_EQ(smena1.size(), 1u);
  EXPECT_EQ(
      smena1[0].first,
      "Файл формы отчета отличается от встроенного текста: C:\\FUEL\\FORMS\\REPORT\\Smena1.frm"_w);
  EXPECT_EQ(smena1[0].second, 4);
  EXPECT_TRUE(LinesAbout("\\Smena2.frm").empty());
  EXPECT_TRUE(LinesAbout("\\bonus.frm").empty());
  const auto empty = LinesAbout("\\EmptyReport.frm");
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_EQ(empty[0].second, 4);
  // The other 27 forms were written.
  int created = 0;
  for (const auto& line : log_) created += line.second == 0 ? 1 : 0;
  EXPECT_EQ(created, 27);
}

TEST_F(ReportForms, BadInstalledFilesAreReportedAndSkipped) {
  fs::create_directories(Folder() + "Smena3.frm");
  fs::create_symlink("Smena4.frm", Folder() + "Smena4.frm");
  std::string garbage(20000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 256);
  root_.WriteFile("c/FUEL/FORMS/REPORT/Smena5.frm", garbage);
  root_.WriteFile("c/FUEL/FORMS/REPORT/Smena6.frm", "\x98\xff\x01");
  ASSERT_EQ(::mkfifo((Folder() + "SmenaBeg.frm").c_str(), 0644), 0);
  const bool root = ::geteuid() == 0;
  if (!root) {
    root_.WriteFile("c/FUEL/FORMS/REPORT/SmenaEnd.frm", "x");
    ::chmod((Folder() + "SmenaEnd.frm").c_str(), 0);
  }
  CheckForms();

  EXPECT_TRUE(fs::is_directory(Folder() + "Smena3.frm"));
  EXPECT_TRUE(fs::is_symlink(Folder() + "Smena4.frm"));
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena5.frm"), garbage);
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/REPORT/Smena6.frm"), "\x98\xff\x01");
  EXPECT_EQ(fs::status(Folder() + "SmenaBeg.frm").type(), fs::file_type::fifo);
  const std::string prefix = "C:\\FUEL\\FORMS\\REPORT\\";
  const std::pair<std::string, int> expected[] = {
      {"Файл формы отчета не является обычным файлом: "_w + prefix + "Smena3.frm", 2},
      {"Ошибка чтения файла формы отчета "_w + prefix + "Smena4.frm: " + Reason(ELOOP), 2},
      {"Файл формы отчета отличается от встроенного текста: "_w + prefix + "Smena5.frm", 4},
      {"Файл формы отчета отличается от встроенного текста: "_w + prefix + "Smena6.frm", 4},
      {"Файл формы отчета не является обычным файлом: "_w + prefix + "SmenaBeg.frm", 2},
  };
  for (const auto& line : expected)
    EXPECT_NE(std::find(log_.begin(), log_.end(), line), log_.end()) << Cp1251ToUtf8(line.first);
  if (!root) {
    EXPECT_NE(std::find(log_.begin(), log_.end(),
                        std::pair<std::string, int>("Ошибка чтения файла формы отчета "_w + prefix +
                                                        "SmenaEnd.frm: " + Reason(EACCES),
                                                    2)),
              log_.end());
  }
  int created = 0;
  for (const auto& line : log_) created += line.second == 0 ? 1 : 0;
  EXPECT_EQ(created, root ? 26 : 25);
  EXPECT_TRUE(fs::is_regular_file(Folder() + "Smena1.frm"));
}

// The HTML templates: the extension comes from the caller, names are
// Windows-1251 and land on disk in UTF-8.
TEST_F(ReportForms, CheckExWritesTemplatesUnderTheirOwnExtension) {
  const std::string name = "Отчет по картам"_w;
  const char* lines[] = {"<html>", "", "<p>&lt;#Name&gt;</p>  ", "</html>"};
  const TReportFormsPattern items[] = {{name.c_str(), lines, 4}, {"Empty", nullptr, 0}};
  const TReportFormsList list{items, 2};
  checkEx_(&app_, &list, "C:\\FUEL\\FORMS\\WEBREP\\", "C:\\Work\\Tolvaren\\WebFormPatterns.pas",
           ".html");
  const std::string folder = root_.Path() + "/c/FUEL/FORMS/WEBREP/";
  EXPECT_EQ(root_.ReadFile("c/FUEL/FORMS/WEBREP/Отчет по картам.html"),
            "<html>\r\n\r\n<p>&lt;#Name&gt;</p>  \r\n</html>\r\n");
  EXPECT_TRUE(fs::exists(folder + "Empty.html"));
  EXPECT_EQ(fs::file_size(folder + "Empty.html"), 0u);
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_EQ(log_[0].first,
            "Создан файл шаблона Web-отчета: C:\\FUEL\\FORMS\\WEBREP\\Отчет по картам.html"_w);
  // An empty template matches an empty file.
  log_.clear();
  checkEx_(&app_, &list, "C:\\FUEL\\FORMS\\WEBREP\\", "", ".html");
  EXPECT_TRUE(log_.empty());
}

// Whatever the caller hands over, the entries return and log what is wrong.
TEST_F(ReportForms, HostileArgumentsAreLoggedNotThrown) {
  const char* one[] = {"x"};
  const char* holed[] = {"a", nullptr};
  const TReportFormsPattern items[] = {
      {nullptr, one, 1},     {"", one, 1},       {"..\\..\\evil", one, 1},
      {"a/b", one, 1},       {"C:x", one, 1},    {"..", one, 1},
      {"lines", nullptr, 2}, {"hole", holed, 2}, {"good", one, 1},
  };
  const TReportFormsList list{items, std::size(items)};
  CheckForms(&list);
  ASSERT_EQ(log_.size(), 9u);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(log_[i].second, 2) << Cp1251ToUtf8(log_[i].first);
  EXPECT_EQ(log_[2].first, "Неверное имя формы отчета: \"..\\..\\evil\""_w);
  EXPECT_EQ(log_[6].first, "Неверный текст формы отчета \"lines\""_w);
  EXPECT_EQ(log_[8].second, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(root_.Path()), fs::directory_iterator()), 1);

  log_.clear();
  check_(&app_, nullptr, kReportFolder, "FormPatterns.pas");
  const TReportFormsList broken{nullptr, 3};
  check_(&app_, &broken, kReportFolder, "FormPatterns.pas");
  check_(&app_, &list, nullptr, nullptr);
  checkEx_(&app_, &list, "C:\\FUEL\\FORMS\\WEBREP\\", nullptr, nullptr);
  ASSERT_EQ(log_.size(), 4u);
  for (const auto& line : log_) EXPECT_EQ(line.second, 2);
  EXPECT_FALSE(fs::exists(root_.Path() + "/c/FUEL/FORMS/WEBREP"));

  // A file where the folder should be.
  log_.clear();
  root_.WriteFile("c/FUEL/FORMS/BLOCKED", "x");
  check_(&app_, &list, "C:\\FUEL\\FORMS\\BLOCKED\\", "FormPatterns.pas");
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_TRUE(log_[0].first.starts_with("Ошибка создания папки C:\\FUEL\\FORMS\\BLOCKED\\: "_w));

  // Without a log procedure nothing is said, and the work is still done.
  const TReportFormsApplication silent{nullptr, nullptr};
  check_(&silent, view_->List(), "C:\\FUEL\\FORMS\\QUIET\\", "FormPatterns.pas");
  check_(nullptr, view_->List(), "C:\\FUEL\\FORMS\\QUIET\\", "FormPatterns.pas");
  EXPECT_EQ(std::distance(fs::directory_iterator(root_.Path() + "/c/FUEL/FORMS/QUIET"),
                          fs::directory_iterator()),
            31);
}

// A write that stops half-way (here at a file size limit) removes what it
// wrote, so that the next start does not take it for an installed form.
TEST_F(ReportForms, AFailedWriteLeavesNoHalfForm) {
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* previous = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  CheckForms();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(Folder()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"EmptyReport.frm"});
  ASSERT_EQ(log_.size(), 31u);
  EXPECT_EQ(
      log_[0].first,
      "Ошибка записи файла формы отчета C:\\FUEL\\FORMS\\REPORT\\AktVozvr.frm: "_w + Reason(EFBIG));
  EXPECT_EQ(log_[0].second, 2);
  EXPECT_EQ(log_[30].second, 0);
  // The next start puts the forms in place.
  log_.clear();
  CheckForms();
  EXPECT_EQ(log_.size(), 30u);
}

}  // namespace
}  // namespace tv
