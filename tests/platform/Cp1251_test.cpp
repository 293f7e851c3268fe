#include "platform/Cp1251.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempRoot.h"

namespace tv {
namespace {

// Every byte of the code page, as iconv reads it, round-trips through our
// tables: iconv is the independent reference.
TEST(Cp1251, AgreesWithIconvOnEveryByte) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  test::TempRoot root;
  std::string all;
  for (int b = 0x20; b < 256; ++b)
    if (b != 0x98 && b != 0x7F) all += static_cast<char>(b);
  root.WriteFile("in.txt", all);
  std::string expected = test::RunCommand("iconv -f CP1251 -t UTF-8 " + root.Path() + "/in.txt");
  EXPECT_EQ(Cp1251ToUtf8(all), expected);
  EXPECT_EQ(Utf8ToCp1251(expected), all);
}

TEST(Cp1251, Cp866AgreesWithIconv) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  test::TempRoot root;
  std::string text = Utf8ToCp1251("Привет, мир! Ёжик ёлка №5");
  root.WriteFile("in.txt", text);
  std::string expected = test::RunCommand("iconv -f CP1251 -t CP866 " + root.Path() + "/in.txt");
  EXPECT_EQ(Cp1251ToCp866(text), expected);
  EXPECT_EQ(Cp866ToCp1251(expected), text);
}

TEST(Cp1251, LiteralHelperConvertsAtCompileTime) {
  const std::string& s = "Ошибка: ё"_w;
  ASSERT_EQ(s.size(), 9u);
  EXPECT_EQ(static_cast<unsigned char>(s[0]), 0xCE);  // О
  EXPECT_EQ(static_cast<unsigned char>(s[8]), 0xB8);  // ё
  EXPECT_EQ("abc"_w, "abc");
  EXPECT_EQ(Cp1251ToUtf8("Отчет"_w), "Отчет");
}

TEST(Cp1251, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD" "b"), "a?b");      // a CJK character
  EXPECT_EQ(Utf8ToCp1251("a\xFF" "b"), "a?b");              // a stray byte
  EXPECT_EQ(Utf16ToCp1251(u"x\U0001F600y"), "x?y");         // a surrogate pair
  EXPECT_EQ(Cp1251ToUtf16("Я"_w), u"Я");
}

// Ill-formed UTF-8 (overlong forms, surrogates, code points past U+10FFFF,
// stray and missing continuation bytes) is never read as the character it
// imitates: Python's decoder is the reference for validity and for where
// each "?" falls (one per maximal ill-formed piece).
TEST(Cp1251, IllFormedUtf8AgreesWithPython) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  const auto hex = [](const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes) {
      out += "0123456789abcdef"[b >> 4];
      out += "0123456789abcdef"[b & 15];
    }
    return out;
  };
  const std::vector<std::string> cases = {"\xC0\xAE\xC0\xAE/evil.txt",
                                          "\xE0\x80\xAE",
                                          "\xF0\x80\x80\xAE",
                                          "\xC1\xBF",
                                          "\xED\xA0\x80",
                                          "\xED\xBF\xBF.",
                                          "\xF4\x90\x80\x80",
                                          "\xF5\x80\x80\x80",
                                          "\xF8\x88\x80\x80\x80",
                                          "\xFF\xFE",
                                          "a\xD0",
                                          "\xE2\x82",
                                          "\xF0\x9F\x98/",
                                          "\xD0\x41",
                                          "\xE2\x82.b",
                                          "\x80\xBF",
                                          "\xD0\x9F\xD1\x80\xD0\xB8",
                                          "\xE2\x84\x96 5",
                                          "\xF0\x9F\x98\x80",
                                          "\xEF\xBF\xBD",
                                          "\xED\x9F\xBF",
                                          "\xF4\x8F\xBF\xBF",
                                          ""};
  test::TempRoot root;
  std::string input;
  for (const std::string& c : cases) input += hex(c) + "\n";
  root.WriteFile("cases.txt", input);
  const std::string reference = test::RunCommand(
      "python3 -c \"import sys\n"
      "for h in open(sys.argv[1]).read().split('\\n')[:-1]:\n"
      " b = bytes.fromhex(h)\n"
      " try: b.decode('utf-8'); ok = 1\n"
      " except UnicodeDecodeError: ok = 0\n"
      " print(b.decode('utf-8', 'replace').encode('cp1251', 'replace').hex(), ok)\" '" +
      root.Path() + "/cases.txt'");
  std::string ours;
  for (const std::string& c : cases)
    ours += hex(Utf8ToCp1251(c)) + " " + (IsValidUtf8(c) ? "1" : "0") + "\n";
  EXPECT_EQ(ours, reference);
}

TEST(Cp1251, CaseMappingCoversCyrillic) {
  EXPECT_EQ(AnsiUpperCase("абвгдеёжзийклмнопрстуфхцчшщъыьэюя abc"_w),
            "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ ABC"_w);
  EXPECT_EQ(AnsiLowerCase("C:\\WINDOWS\\Ёлка.INI"_w), "c:\\windows\\ёлка.ini"_w);
  EXPECT_EQ(UpperCase("abcя"_w), "ABCя"_w);  // ASCII only
  EXPECT_TRUE(AnsiSameText("Отчет"_w, "ОТЧЕТ"_w));
}

TEST(Cp1251, CollationPutsYoAfterYeAndCyrillicAfterLatin) {
  EXPECT_LT(AnsiCompareText("Е"_w, "Ё"_w), 0);
  EXPECT_LT(AnsiCompareText("Ё"_w, "Ж"_w), 0);
  EXPECT_LT(AnsiCompareText("z", "а"_w), 0);
  EXPECT_LT(AnsiCompareText("1", "a"), 0);
  EXPECT_EQ(AnsiCompareText("abc", "ABC"), 0);
  EXPECT_LT(AnsiCompareText("ab", "abc"), 0);
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {
// A global built from a literal while globals are still being initialised.
const std::string kEarly = "Январь"_w;

TEST(Cp1251, LiteralsAreReadyDuringStaticInitialisation) {
  EXPECT_EQ(kEarly, Utf8ToCp1251("Январь"));
}
}  // namespace
}  // namespace tv
