#include "foundation/XMUtils.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>

#include "platform/text/Cp1251.h"
#include "platform/os/OsError.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

// Expected texts are worked out by hand from the word tables; every word,
// the kopeck digits included, is followed by one blank.
struct AmountCase {
  long double amount;
  const char* words;  // UTF-8
};

TEST(XMUtils, AmountInWordsTableCases) {
  const AmountCase cases[] = {
      {1, "Один рубль 00 копеек "},
      {21.01L, "Двадцать один рубль 01 копейка "},
      {0.5L, "Ноль рублей 50 копеек "},
      {12345.67L, "Двенадцать тысяч триста сорок пять рублей 67 копеек "},
      {1001000, "Один миллион одна тысяча рублей 00 копеек "},
      {12000000, "Двенадцать миллионов рублей 00 копеек "},
      {999999999.99L,
       "Девятьсот девяносто девять миллионов девятьсот девяносто девять тысяч девятьсот "
       "девяносто девять рублей 99 копеек "},
      {-5, "Пять рублей 00 копеек "},
      {0, "Ноль рублей 00 копеек "},
      {2000000, "Два миллиона рублей 00 копеек "},
      {13000000, "Тринадцать миллионов рублей 00 копеек "},
      {11.11L, "Одиннадцать рублей 11 копеек "},
      {1000, "Одна тысяча рублей 00 копеек "},
  };
  for (const AmountCase& c : cases)
    EXPECT_EQ(Cp1251ToUtf8(AmountInWords(c.amount)), c.words) << static_cast<double>(c.amount);
}

TEST(XMUtils, AmountInWordsSpread) {
  const AmountCase cases[] = {
      {2, "Два рубля 00 копеек "},
      {5, "Пять рублей 00 копеек "},
      {10, "Десять рублей 00 копеек "},
      {11, "Одиннадцать рублей 00 копеек "},
      {21, "Двадцать один рубль 00 копеек "},
      {40, "Сорок рублей 00 копеек "},
      {101, "Сто один рубль 00 копеек "},
      {112, "Сто двенадцать рублей 00 копеек "},
      {214, "Двести четырнадцать рублей 00 копеек "},
      {2000, "Две тысячи рублей 00 копеек "},
      {5000, "Пять тысяч рублей 00 копеек "},
      {11000, "Одиннадцать тысяч рублей 00 копеек "},
      {21000, "Двадцать одна тысяча рублей 00 копеек "},
      {22000, "Двадцать две тысячи рублей 00 копеек "},
      {1000000, "Один миллион рублей 00 копеек "},
      {2000001, "Два миллиона один рубль 00 копеек "},
      {5000002, "Пять миллионов два рубля 00 копеек "},
      {21001001, "Двадцать один миллион одна тысяча один рубль 00 копеек "},
      {1111111.11L, "Один миллион сто одиннадцать тысяч сто одиннадцать рублей 11 копеек "},
      {22222222.22L,
       "Двадцать два миллиона двести двадцать две тысячи двести двадцать два рубля 22 копейки "},
      {3.02L, "Три рубля 02 копейки "},
      {0.05L, "Ноль рублей 05 копеек "},
      {0.01L, "Ноль рублей 01 копейка "},
      {100.21L, "Сто рублей 21 копейка "},
      {300000.14L, "Триста тысяч рублей 14 копеек "},
  };
  for (const AmountCase& c : cases)
    EXPECT_EQ(Cp1251ToUtf8(AmountInWords(c.amount)), c.words) << static_cast<double>(c.amount);
}

TEST(XMUtils, AmountInWordsFractionsOfKopecks) {
  // Rounded to whole kopecks half away from zero on the decimal digits.
  EXPECT_EQ(Cp1251ToUtf8(AmountInWords(0.125L)), "Ноль рублей 13 копеек ");
  EXPECT_EQ(Cp1251ToUtf8(AmountInWords(0.004L)), "Ноль рублей 00 копеек ");
  EXPECT_EQ(Cp1251ToUtf8(AmountInWords(1.005)), "Один рубль 00 копеек ");  // 1.00499999...
  EXPECT_EQ(Cp1251ToUtf8(AmountInWords(0.995L)), "Один рубль 00 копеек ");
  EXPECT_EQ(Cp1251ToUtf8(AmountInWords(-0.001L)), "Ноль рублей 00 копеек ");
  EXPECT_EQ(Cp1251ToUtf8(AmountInWords(1999.999L)), "Две тысячи рублей 00 копеек ");
}

TEST(XMUtils, AmountInWordsOverflow) {
  const std::string stars(25, '*');
  EXPECT_EQ(AmountInWords(1000000000), stars);
  EXPECT_EQ(AmountInWords(-1000000000), stars);
  EXPECT_EQ(AmountInWords(999999999.995L), stars);  // rounds up to a milliard
  EXPECT_EQ(AmountInWords(1e30L), stars);
  EXPECT_EQ(AmountInWords(NAN), stars);
  EXPECT_EQ(AmountInWords(INFINITY), stars);
}

TEST(XMUtils, MakeContextExceptionChainsAndTagsOnce) {
  try {
    try {
      try {
        throw EConvertError("bad value");
      } catch (const Exception& e) {
        MakeContextException(e, "ФормирСпискаГСМ"_w)->Raise();
      }
    } catch (const Exception& e) {
      MakeContextException(e, "THTML_Jet.Add")->Raise();
    }
  } catch (const EConvertError& e) {  // the class survives the chain
    EXPECT_EQ(e.Message(), "THTML_Jet.Add -> ФормирСпискаГСМ -> bad value <# EConvertError #>"_w);
  }
  auto plain = MakeContextException(EOSError("x"), "Ctx", false);
  EXPECT_EQ(plain->Message(), "Ctx -> x");
  EXPECT_STREQ(plain->ClassName(), "EOSError");
  auto foreign = MakeContextException(std::runtime_error("boom"), "Ctx");
  EXPECT_EQ(foreign->Message(), "Ctx -> boom <# Exception #>");
}

TEST(XMUtils, DateTimeToDBStrReadsYearMonthDay) {
  TDateTime v = EncodeDateTime(2012, 5, 31, 8, 0, 0, 7);
  EXPECT_EQ(DateTimeToDBStr(true, v), "2012-05-31 08:00:00.007");
  EXPECT_EQ(DateTimeToDBStr(false, v), "2012-05-31 08:00:00");
  EXPECT_EQ(DateTimeToDBStr(false, 0), "1899-12-30 00:00:00");
  const TFormatSettings& db = DBFormatSettings();
  EXPECT_EQ(db.DecimalSeparator, '.');
  EXPECT_EQ(db.DateSeparator, '-');
  EXPECT_EQ(db.ShortDateFormat, "yyyy/mm/dd");
  EXPECT_EQ(db.LongTimeFormat, "hh:nn:ss.zzz");
  EXPECT_EQ(DateTimeToStr(v, db), "2012-05-31 08:00:00.007");
}

TEST(XMUtils, FastStringReplace) {
  EXPECT_EQ(FastStringReplace("aaa", "aa", "b", 0), "ba");
  EXPECT_EQ(FastStringReplace("aaa", "aa", "b", rfReplaceAll), "ba");
  EXPECT_EQ(FastStringReplace("xabcx", "AbC", "Y", rfIgnoreCase), "xYx");
  EXPECT_EQ(FastStringReplace("XabcxABC", "AbC", "", rfIgnoreCase | rfReplaceAll), "Xx");
  EXPECT_EQ(FastStringReplace("abc", "", "z", rfReplaceAll), "abc");
  EXPECT_EQ(FastStringReplace("", "a", "z", rfReplaceAll), "");
  EXPECT_EQ(FastStringReplace("a-b-c", "-", "<br>", rfReplaceAll), "a<br>b<br>c");
  EXPECT_EQ(FastStringReplace("Ёж ёж"_w, "ЁЖ"_w, "x", rfIgnoreCase | rfReplaceAll), "x x");
  std::string big(100000, 'a');
  EXPECT_EQ(FastStringReplace(big, "a", "bb", rfReplaceAll), std::string(200000, 'b'));
}

TEST(XMUtils, StringRoutines) {
  EXPECT_EQ(ReverseStr("abc"), "cba");
  EXPECT_EQ(LastPos("bc", "abcabc"), 5);
  EXPECT_EQ(LastPos("x", "abc"), 0);
  EXPECT_EQ(LastPos("abc", "abc"), 1);
  EXPECT_EQ(LastPos("", "abc"), 0);
  EXPECT_EQ(PosFrom("b", "abcb", 0), PosFrom("b", "abcb", 1));
  EXPECT_EQ(PosFrom("b", "abcb", 0), 2);
  EXPECT_EQ(PosFrom("b", "abcb", 3), 4);
  EXPECT_EQ(PosFrom("b", "abcb", 5), 0);
  EXPECT_EQ(NthPos("a", "aa", 2), 0);  // the adjacent occurrence is skipped
  EXPECT_EQ(NthPos("<td", "<tr><td>1</td><td>2</td>", 2), 15);
  EXPECT_EQ(NthPos("<td", "<tr><td>1</td><td>2</td>", 1), 5);
  EXPECT_EQ(NthPos("<td", "<tr><td>1</td><td>2</td>", 3), 0);
  EXPECT_EQ(NthPos("a", "a", 0), 0);
  EXPECT_EQ(NthPos("a", "a", -1), 0);
  EXPECT_EQ(NoBr("1 234"), "<nobr>1 234</nobr>");
}

TEST(XMUtils, ExtractNumberPrefix) {
  TFormatSettings fs = DefaultFormatSettings();
  fs.ThousandSeparator = ' ';
  fs.DecimalSeparator = ',';
  EXPECT_EQ(ExtractNumberPrefix(" 1 234,5 руб"_w, fs), "1234,5");
  EXPECT_EQ(ExtractNumberPrefix("-12,5%", fs), "-12,5");
  EXPECT_EQ(ExtractNumberPrefix("abc", fs), "");
  EXPECT_EQ(ExtractNumberPrefix("", fs), "");
  EXPECT_EQ(ExtractNumberPrefix("1\xA0"
                                "000,25",
                                DefaultFormatSettings()),
            "1000,25");
  EXPECT_EQ(ExtractNumberPrefix("3.5", fs), "3");
}

TEST(XMUtils, CreateGlobalMutexIsMachineWide) {
  test::TempRoot root;
  int lastError = -1;
  auto first = CreateGlobalMutex("XMUtilsTestMutex", &lastError);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(lastError, 0);
  auto second = CreateGlobalMutex("XMUtilsTestMutex", &lastError);
  EXPECT_EQ(lastError, kErrorAlreadyExists);
  ASSERT_EQ(first->Wait(0), NamedMutex::Signaled);
  // Another process cannot take it while this one holds it.
  pid_t child = fork();
  if (child == 0) {
    auto m = CreateGlobalMutex("XMUtilsTestMutex");
    _exit(m->Wait(100) == NamedMutex::Timeout ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  first->Release();
}

TEST(XMUtils, CreateGlobalMutexFailureIsWrapped) {
  test::TempRoot root;
  int lastError = 0;
  try {
    CreateGlobalMutex("", &lastError);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "СозданиеМьютекса -> Ошибка создания объекта \"мьютекс\": "_w +
                               SysErrorMessage(kErrorInvalidName) + " <# Exception #>");
  }
  EXPECT_EQ(lastError, kErrorInvalidName);
  try {
    CreateGlobalFileMapping("x", 0);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "СозданиеFileMapping -> Ошибка создания объекта \"FileMapping\": "_w +
                               SysErrorMessage(kErrorInvalidParameter) + " <# Exception #>");
  }
}

TEST(XMUtils, CreateGlobalFileMappingIsShared) {
  test::TempRoot root;
  int lastError = -1;
  auto first = CreateGlobalFileMapping("DB\\x__GEN__ID", 4, &lastError);
  EXPECT_EQ(lastError, 0);
  *static_cast<int32_t*>(first->Data()) = 41;
  pid_t child = fork();
  if (child == 0) {
    int err = 0;
    auto m = CreateGlobalFileMapping("DB\\x__GEN__ID", 4, &err);
    int32_t* counter = static_cast<int32_t*>(m->Data());
    bool ok = err == kErrorAlreadyExists && *counter == 41;
    ++*counter;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(*static_cast<int32_t*>(first->Data()), 42);
}

TEST(XMUtils, VariantToDebugStr) {
  EXPECT_EQ(VariantToDebugStr(Variant(5)), "raw:00000003#00000000#00000005#00000000");
  EXPECT_EQ(VariantToDebugStr(Variant()), "raw:00000000#00000000#00000000#00000000");
  EXPECT_EQ(VariantToDebugStr(Variant(true)), "raw:0000000B#00000000#0000FFFF#00000000");
  EXPECT_EQ(VariantToDebugStr(Variant(1.0)), "raw:00000005#00000000#00000000#3FF00000");
  EXPECT_EQ(VariantToDebugStr(Variant(Currency(-1))), "raw:00000006#00000000#FFFFD8F0#FFFFFFFF");
  EXPECT_EQ(VariantToDebugStr(Variant("AB")), "str:4142");
  EXPECT_EQ(VariantToDebugStr(Variant("Я"_w)), "str:DF");
  EXPECT_EQ(VariantToDebugStr(Variant(std::u16string(u"Я"))), "str:DF");
  EXPECT_EQ(VariantToDebugStr(Variant::Null()), "");
  // Each element's rendering is hex-encoded in turn: "str:41" and
  // "raw:00000003#00000000#00000001#00000000" as ASCII bytes.
  EXPECT_EQ(VariantToDebugStr(VarArrayOf({"A", 1})),
            "varar:7374723A3431#"
            "7261773A"
            "3030303030303033"
            "23"
            "3030303030303030"
            "23"
            "3030303030303031"
            "23"
            "3030303030303030");
  EXPECT_EQ(VariantToDebugStr(VarArrayOf({})), "varar:");
  EXPECT_EQ(VariantToDebugStr(VarArrayOf({Variant::Null()})), "varar:");
  EXPECT_EQ(VariantToDebugStr(VarArrayCreate({0, 1}, VarType::Integer)), "");
  EXPECT_EQ(VariantToDebugStr(VarArrayCreate({0, 1, 0, 1}, VarType::Variant)), "");
}

TEST(XMUtils, ReadCnfIniValueStripsBackticks) {
  test::TempRoot root;
  root.WriteFile("c/Windows/CNF.INI",
                 "[Organization]\r\n"
                 "Name=`ООО \"Ромашка\"`\r\n"_w +
                     "Plain=abc\r\nOneSided=`x\r\nQuoted=\"q\"\r\n");
  EXPECT_EQ(ReadCnfIniValue("Organization", "Name", "-"), "ООО \"Ромашка\""_w);
  EXPECT_EQ(ReadCnfIniValue("organization", "PLAIN", "-"), "abc");
  EXPECT_EQ(ReadCnfIniValue("Organization", "OneSided", "-"), "`x");
  EXPECT_EQ(ReadCnfIniValue("Organization", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ReadCnfIniValue("Organization", "Quoted", "-"), "q");  // the profile rule
}

TEST(XMUtils, ReadCnfIniValueWithoutTheFile) {
  test::TempRoot root;
  EXPECT_EQ(ReadCnfIniValue("Reports", "MaxSize", "100"), "100");
  EXPECT_THROW(ReadCnfIniValue("", "MaxSize", "100"), Exception);
}

}  // namespace
}  // namespace tv
