// The forms look-up of the close-of-shift report: the current folder first,
// then the station's forms folder.

#include "reports/shift/ShiftForms.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

TEST(ShiftForms, CurrentFolderThenFormsFolder) {
  TempRoot root;
  root.WriteFile("work/Here.FRM", "@Page\n");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(root.Path() + "/work");
  struct Case {
    const char* name;
    const char* found;
  };
  const Case cases[] = {
      {"Here.FRM", "Here.FRM"},
      {"here.frm", "here.frm"},  // found without regard to letter case
      {"Smena1.FRM", "C:\\FUEL\\FORMS\\REPORT\\Smena1.FRM"},
      {"D:\\F\\Here.FRM", "D:\\F\\Here.FRM"},
      {"sub\\x.frm", "sub\\x.frm"},
  };
  for (const Case& c : cases) EXPECT_EQ(FindShiftForm(c.name), c.found) << c.name;
  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace tv::test
