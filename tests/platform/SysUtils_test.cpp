#include "platform/SysUtils.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {
namespace {

TEST(SysUtils, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-123), "-123");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(uint64_t{0xABC}, 0), "ABC");
  EXPECT_EQ(IntToHex(0u, 1), "0");
}

TEST(SysUtils, StrToIntSyntax) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -42"), -42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  for (const char* bad : {"", " ", "2147483648", "12 ", "1,5", "abc", "$", "0x", "--1", "$1G",
                          "99999999999999999999"}) {
    int v = 0;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
  }
  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(StrToInt64Def("", 5), 5);
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(SysUtils, TrimRemovesControlCharactersAndBlanks) {
  EXPECT_EQ(Trim(" \t\r\n abc \x01"), "abc");
  EXPECT_EQ(TrimLeft("  a b "), "a b ");
  EXPECT_EQ(TrimRight("  a b \n"), "  a b");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // the no-break space is a character
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("   "), "");
}

TEST(SysUtils, PositionsAreOneBased) {
  EXPECT_EQ(Pos("bc", "abcabc"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(PosEx("bc", "abcabc", 3), 5);
  EXPECT_EQ(PosEx("bc", "abcabc", 2), 2);
  EXPECT_EQ(PosEx("bc", "abcabc", 0), 0);
  EXPECT_EQ(PosEx("bc", "abcabc", 7), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 5, 10), "ef");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(LeftStr("abc", 5), "abc");
  EXPECT_EQ(RightStr("abcdef", 2), "ef");
  EXPECT_EQ(RightStr("ab", 5), "ab");
}

TEST(SysUtils, SmallTextHelpers) {
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', -1), "");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
}

TEST(SysUtils, StringReplace) {
  EXPECT_EQ(StringReplace("aaa", "aa", "b", 0), "ba");
  EXPECT_EQ(StringReplace("aaa", "aa", "b", rfReplaceAll), "ba");
  EXPECT_EQ(StringReplace("a.b.c", ".", ",", rfReplaceAll), "a,b,c");
  EXPECT_EQ(StringReplace("a.b.c", ".", ",", 0), "a,b.c");
  EXPECT_EQ(StringReplace("xabcx", "AbC", "-", rfIgnoreCase), "x-x");
  EXPECT_EQ(StringReplace("XabcX", "ABC", "", rfIgnoreCase | rfReplaceAll), "XX");
  EXPECT_EQ(StringReplace("Сумма сумма"_w, "СУММА"_w, "итог"_w, rfIgnoreCase | rfReplaceAll),
            "итог итог"_w);
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
  EXPECT_EQ(StringReplace("", "a", "x", rfReplaceAll), "");
}

}  // namespace
}  // namespace tv
