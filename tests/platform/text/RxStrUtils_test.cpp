#include "platform/text/RxStrUtils.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

TEST(RxStrUtilsTest, Tab2SpaceGivesEachTabTheSameNumberOfBlanks) {
  EXPECT_EQ(Tab2Space("\tA", 8), "        A");
  // Not tab stops: a TAB after three characters is still eight blanks.
  EXPECT_EQ(Tab2Space("abc\td", 8), "abc        d");
  EXPECT_EQ(Tab2Space("\t\t", 8), std::string(16, ' '));
  EXPECT_EQ(Tab2Space("a\tb", 3), "a   b");
  EXPECT_EQ(Tab2Space("no tabs", 8), "no tabs");
  EXPECT_EQ(Tab2Space("", 8), "");
  EXPECT_EQ(Tab2Space("a\tb", 0), "ab");
  EXPECT_EQ(Tab2Space("a\tb", -4), "ab");
  // Windows-1251 bytes pass unchanged.
  EXPECT_EQ(Tab2Space("Итог\tруб"_w, 2), "Итог  руб"_w);
}

}  // namespace
}  // namespace tv
