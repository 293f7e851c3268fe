#include "zip/ZipMatch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"

namespace tv::zip {
namespace {

struct MatchCase {
  const char* pattern;
  const char* name;
  int code;
};

// Each code worked out by hand from the matcher's rules.
const MatchCase kCases[] = {
    {"*.zip", "A.ZIP", kMatchOk},
    {"?", "", kMatchNameEnded},
    {"abc*", "abc", kMatchOk},
    {"abc**", "abc", kMatchNameEnded},
    {"abc?", "abc", kMatchNameEnded},
    {"<a-c>x", "bx", kMatchOk},
    {"<a-c>x", "Bx", kMatchOk},
    {"<A-C>X", "bx", kMatchOk},
    {"<!a-c>x", "bx", kMatchSetFailed},
    {"<^a>b", "cb", kMatchOk},
    {"<c-a>x", "bx", kMatchSetFailed},
    {"<>x", "bx", kMatchBadSet},
    {"<!>x", "bx", kMatchBadSet},
    {"*<0-9>", "123", kMatchOk},
    {"*<0-9>", "12a", kMatchNameEnded},
    {"*<!0-9>", "abc", kMatchOk},
    {"*<!0-9>", "ab1", kMatchNameEnded},
    {"*<a-c>x", "abcx", kMatchOk},
    {"*<a-c>x", "abdx", kMatchNameEnded},
    {"*<c-a>", "abc", kMatchNameEnded},
    {"*<0-9", "12", kMatchNameEnded},
    {"a<bc", "ab", kMatchBadSet},
    {"a<", "ab", kMatchBadSet},
    {"a<b-", "ab", kMatchBadSet},
    {"a<b->", "ab", kMatchBadSet},
    {"abc", "abcd", kMatchPatternEnded},
    {"abd", "abc", kMatchCharDiffers},
    {"*", "", kMatchOk},
    {"", "", kMatchOk},
    {"", "a", kMatchPatternEnded},
    {"a*b*c", "aXbYc", kMatchOk},
    {"*.txt", "file.TXT", kMatchOk},
    {"*.txt", "file.txt.bak", kMatchCharDiffers},
    {"a?c", "abc", kMatchOk},
    {"a?c", "ac", kMatchNameEnded},
    {"*.*", "README", kMatchCharDiffers},
    {"*.*", "README.", kMatchOk},
    {"*.", "README.", kMatchOk},
    {"*?", "a", kMatchNameEnded},
    {"x*", "xyz", kMatchOk},
};

TEST(ZipMatch, HandWorkedTable) {
  for (const auto& c : kCases) {
    EXPECT_EQ(ZipMatch(c.pattern, c.name), c.code) << c.pattern << " vs " << c.name;
    EXPECT_EQ(IsMatch(c.pattern, c.name), c.code == kMatchOk) << c.pattern << " vs " << c.name;
  }
}

TEST(ZipMatch, FoldsCyrillicCase) {
  EXPECT_TRUE(IsMatch("*.ТХТ"_w, "файл.тхт"_w));
  EXPECT_TRUE(IsMatch("<а-я>*"_w, "Ёж"_w) == false);  // Ё lies outside а..я in the code page
  EXPECT_TRUE(IsMatch("<а-я>*"_w, "Жук"_w));
}

TEST(ZipMatchHelpers, DirectoryTestsAndCreation) {
  test::TempRoot root;
  char before[4096];
  ASSERT_NE(::getcwd(before, sizeof before), nullptr);
  EXPECT_FALSE(IsDirectory("C:\\NO\\SUCH\\DIR"));
  char after[4096];
  ASSERT_NE(::getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(before, after);
  ForceDirectories("C:\\A\\B\\C\\");
  EXPECT_TRUE(IsDirectory("C:\\A\\B\\C"));
  EXPECT_TRUE(IsDirectory(root.Path() + "/c/A/B"));
  EXPECT_EQ(RemoveTrailingBackslash("C:\\A\\"), "C:\\A");
  EXPECT_EQ(RemoveTrailingBackslash("C:\\A"), "C:\\A");
  EXPECT_FALSE(YieldProcess());
}

}  // namespace
}  // namespace tv::zip
