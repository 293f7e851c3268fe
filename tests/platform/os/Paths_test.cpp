#include "platform/os/Paths.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

TEST(Paths, WindowsPathsLiveUnderTheRoot) {
  test::TempRoot root;
  EXPECT_EQ(MapPath("C:\\FUEL\\LogFiles\\Reports.log"), root.Path() + "/c/FUEL/LogFiles/Reports.log");
  EXPECT_EQ(MapPath("C:\\FUEL\\FORMS\\REPORT\\"), root.Path() + "/c/FUEL/FORMS/REPORT/");
  EXPECT_EQ(MapPath("/tmp/x.txt"), "/tmp/x.txt");
  EXPECT_EQ(MapPath("a\\b"), "a/b");
}

TEST(Paths, ExistingNamesAreFoundWithoutRegardToCase) {
  test::TempRoot root;
  root.WriteFile("c/Fuel/Forms/Отчет.frm", "x");
  EXPECT_EQ(MapPath("C:\\FUEL\\FORMS\\ОТЧЕТ.FRM"_w), root.Path() + "/c/Fuel/Forms/Отчет.frm");
  // A missing tail keeps its own spelling after the found part.
  EXPECT_EQ(MapPath("c:\\fuel\\NEW\\a.txt"), root.Path() + "/c/Fuel/NEW/a.txt");
}

// The run-long index gives what MapPath gives, folder by folder, for
// names as spelled, in another letter case, missing, and beside names
// that Windows-1251 cannot hold (which never meet through "?").
TEST(Paths, ResolverAgreesWithMapPath) {
  test::TempRoot root;
  root.WriteFile("c/Out/Sub/Отчет.frm", "x");
  root.WriteFile("c/Out/Sub/日本.txt", "y");
  root.WriteFile("c/Out/README", "z");
  const struct {
    const char* rel;
    bool exists;
  } cases[] = {{"Sub/Отчет.frm", true}, {"SUB/ОТЧЕТ.FRM", true}, {"sub/readme", false},
               {"readme", true},        {"sub/NEW/a.txt", false}, {"New/b.txt", false},
               {"Sub/??.txt", false},   {"Sub/日本.txt", true}};
  TNoCaseResolver resolver(root.Path() + "/c/Out");
  for (const auto& [rel, found] : cases) {
    std::string path(rel);
    std::size_t slash = path.rfind('/');
    std::string folder;
    ASSERT_TRUE(resolver.Folder(slash == std::string::npos ? "" : path.substr(0, slash), false, folder));
    bool exists = false;
    std::string native = resolver.Child(folder, path.substr(slash + 1), exists);
    std::string windows = "C:\\Out\\" + Utf8ToCp1251(path);
    for (char& c : windows)
      if (c == '/') c = '\\';
    if (path != "Sub/日本.txt") {
      EXPECT_EQ(native, MapPath(windows)) << rel;
    }
    EXPECT_EQ(exists, found) << rel;
  }
  EXPECT_EQ(MapPath("C:\\Out\\Sub\\??.txt"), root.Path() + "/c/Out/Sub/??.txt");
}

// Folders made through the resolver are known without reading them, and
// a name made in one is found in any letter case afterwards.
TEST(Paths, ResolverRecordsWhatItCreates) {
  test::TempRoot root;
  root.WriteFile("c/Out/keep", "");
  TNoCaseResolver resolver(root.Path() + "/c/Out");
  std::string folder;
  ASSERT_TRUE(resolver.Folder("Deep/Er/Est", true, folder));
  EXPECT_EQ(folder, root.Path() + "/c/Out/Deep/Er/Est");
  root.WriteFile("c/Out/Deep/Er/Est/Index.html", "");
  resolver.Added(folder, "Index.html");
  bool exists = false;
  EXPECT_EQ(resolver.Child(folder, "INDEX.HTML", exists), folder + "/Index.html");
  EXPECT_TRUE(exists);
  ASSERT_TRUE(resolver.Folder("deep/er/EST/more", true, folder));
  EXPECT_EQ(folder, root.Path() + "/c/Out/Deep/Er/Est/more");
  // A component that is a file cannot hold a folder.
  EXPECT_FALSE(resolver.Folder("keep/inside", true, folder));
}

// Names that differ only in letter case can stand side by side on Linux:
// a name spelled as one of them is that one, any other spelling is the
// one MapPath finds, also after the resolver has recorded more of them.
TEST(Paths, ResolverKeepsEveryExactSpellingOfOneName) {
  test::TempRoot root;
  for (const char* name : {"Data.txt", "DATA.txt", "data.TXT", "Отчет", "ОТЧЕТ", "日本"})
    root.WriteFile(std::string("c/Out/") + name, "x");
  TNoCaseResolver resolver(root.Path() + "/c/Out");
  std::string folder;
  ASSERT_TRUE(resolver.Folder("", false, folder));
  const auto check = [&](const std::string& name, const std::string& expected, bool found) {
    bool exists = false;
    EXPECT_EQ(resolver.Child(folder, name, exists), folder + "/" + expected) << name;
    EXPECT_EQ(exists, found) << name;
  };
  const std::string any = MapPath("C:\\Out\\dAtA.TxT").substr(folder.size() + 1);
  const std::string anyCyrillic = MapPath("C:\\Out\\отчет"_w).substr(folder.size() + 1);
  const struct {
    std::string name, expected;
    bool exists;
  } cases[] = {{"Data.txt", "Data.txt", true}, {"DATA.txt", "DATA.txt", true},
               {"data.TXT", "data.TXT", true}, {"dAtA.TxT", any, true},
               {"Отчет", "Отчет", true},       {"ОТЧЕТ", "ОТЧЕТ", true},
               {"отчет", anyCyrillic, true},   {"日本", "日本", true},
               {"日本.txt", "日本.txt", false}, {"Data.txt2", "Data.txt2", false}};
  for (const auto& c : cases) check(c.name, c.expected, c.exists);
  root.WriteFile("c/Out/DaTa.txt", "x");
  resolver.Added(folder, "DaTa.txt");
  check("DaTa.txt", "DaTa.txt", true);
  check("dAtA.TxT", any, true);
}

TEST(Paths, NamePartsSplitOnBothSeparators) {
  EXPECT_EQ(ExtractFilePath("C:\\FUEL\\a.frm"), "C:\\FUEL\\");
  EXPECT_EQ(ExtractFileName("C:\\FUEL\\a.frm"), "a.frm");
  EXPECT_EQ(ExtractFileExt("C:\\F.D\\a"), "");
  EXPECT_EQ(ExtractFileExt("/x/a.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\c.frm", ".html"), "C:\\a.b\\c.html");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\FUEL"), "C:\\FUEL\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/db"), "/opt/db/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\FUEL\\"), "C:\\FUEL");
}

}  // namespace
}  // namespace tv
