#include "platform/Paths.h"

#include <gtest/gtest.h>

#include "platform/Cp1251.h"
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
