#include "platform/text/Cp1251.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

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
// each "?" falls (one per maximal ill-formed piece). The cases in hex.
TEST(Cp1251, IllFormedUtf8AgreesWithPython) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  const std::string cases =
      "c0aec0ae2f6576696c e080ae f08080ae c1bf eda080 edbfbf2e f4908080 f5808080 f888808080 "
      "fffe 61d0 e282 f09f982f d041 e2822e62 80bf d09fd180d0b8 e284962035 f09f9880 efbfbd "
      "ed9fbf f48fbfbf";
  const std::string reference = test::RunCommand(
      "python3 -c \"import sys\nfor h in sys.argv[1].split():\n b = bytes.fromhex(h)\n"
      " try: b.decode('utf-8'); ok = 1\n except UnicodeDecodeError: ok = 0\n"
      " print(b.decode('utf-8', 'replace').encode('cp1251', 'replace').hex(), ok)\" '" +
      cases + "'");
  std::string ours;
  std::istringstream in(cases);
  for (std::string hex; in >> hex;) {
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2)
      bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    for (unsigned char b : Utf8ToCp1251(bytes))
      ours += "0123456789abcdef"[b >> 4], ours += "0123456789abcdef"[b & 15];
    ours += IsValidUtf8(bytes) ? " 1\n" : " 0\n";
  }
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
