#include "engines/HTMLProcess.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

TEST(HTMLProcess, CheckTRPairsCountsRowsInAnyLetterCase) {
  EXPECT_EQ(HTMLProcess::CheckTRPairs("<TR><td>a</td></tr>\r\n<tr><td>b</td></TR>"), 2);
  EXPECT_EQ(HTMLProcess::CheckTRPairs(""), 0);
  EXPECT_EQ(HTMLProcess::CheckTRPairs("<p>no rows</p>"), 0);
  THTML_Process checker;
  EXPECT_EQ(checker.CheckTRPairs("<Tr></tR><tr></tr><tr></tr>"), 3);
}

TEST(HTMLProcess, CheckTRPairsRejectsUnpairedRows) {
  try {
    HTMLProcess::CheckTRPairs("<tr><td>a</td></tr><TR><td>b</td>");
    FAIL() << "no error";
  } catch (const EHTMLError& e) {
    EXPECT_EQ(e.Message(), "Непарные теги [TR]"_w);
    EXPECT_STREQ(e.ClassName(), "EHTMLError");
  }
  EXPECT_THROW(HTMLProcess::CheckTRPairs("</tr>"), EHTMLError);
}

}  // namespace
}  // namespace tv
