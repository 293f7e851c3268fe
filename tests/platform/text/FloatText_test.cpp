#include "platform/text/FloatText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/Format.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

std::string Nb(std::string s) {
  for (char& c : s)
    if (c == '_') c = '\xA0';
  return s;
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, sep)) parts.push_back(part);
  return parts;
}

// Python's exact decimal arithmetic is the independent reference for the
// 18-digit cut and the half-up rounding of thousands of values.
TEST(FloatText, AgreesWithExactDecimalReference) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  std::string out = test::RunCommand(std::string("python3 ") + TOLVAREN_TESTDATA_DIR +
                                     "/platform/float_reference.py");
  std::stringstream lines(out);
  std::string line;
  int checked = 0;
  while (std::getline(lines, line)) {
    std::vector<std::string> f = Split(line, '|');
    ASSERT_EQ(f.size(), 5u) << line;
    double x = std::strtod(f[0].c_str(), nullptr);
    if (f[1] != "-") {
      EXPECT_EQ(Format("%.0f", {x}), f[1]) << f[0];
      EXPECT_EQ(Format("%.2f", {x}), f[2]) << f[0];
      EXPECT_EQ(Format("%.4f", {x}), f[3]) << f[0];
      EXPECT_EQ(FormatFloat("0.00", x), f[2]) << f[0];
    }
    EXPECT_EQ(FloatToStr(x), f[4]) << f[0];
    ++checked;
  }
  EXPECT_GT(checked, 2000);
}

TEST(FloatText, EighteenDigitCutRoundsHalvesToEven) {
  // 10^18 + 5 and 10^18 + 15 are exact in the 80-bit type; their 19th
  // digit is an exact half.
  TFloatRec down = FloatToDecimal(1000000000000000005.0L, 18, 9999);
  EXPECT_EQ(down.Digits, "1");
  EXPECT_EQ(down.Exponent, 19);
  TFloatRec up = FloatToDecimal(1000000000000000015.0L, 18, 9999);
  EXPECT_EQ(up.Digits, "100000000000000002");
  TFloatRec neg = FloatToDecimal(-0.5L, 15, 9999);
  EXPECT_TRUE(neg.Negative);
  EXPECT_EQ(neg.Digits, "5");
  EXPECT_EQ(neg.Exponent, 0);
}

// The C library prints the exact value rounded to 18 digits, halves to
// even: the reference for the cut over random values of every magnitude and
// for exact halves at the 19th digit, one of them carrying into a new digit.
TEST(FloatText, EighteenDigitCutAgreesWithPrintf) {
  std::mt19937_64 random(43);
  std::vector<long double> values = {123456789012345678.5L, 123456789012345677.5L,
                                     999999999999999999.5L, 0.1L, 2.675L, 1e-11L};
  for (int i = 0; i < 20000; ++i)
    values.push_back(std::ldexp(static_cast<long double>(random() >> (random() % 40)),
                                static_cast<int>(random() % 120) - 90));
  for (const long double x : values) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", x);  // d.ddddddddddddddddde±x
    std::string digits = std::string(1, buf[0]) + std::string(buf + 2, 17);
    digits.erase(digits.find_last_not_of('0') + 1);
    const TFloatRec rec = FloatToDecimal(x, 18, 9999);
    ASSERT_EQ(rec.Digits, digits) << buf;
    ASSERT_EQ(rec.Exponent, std::atoi(buf + 20) + 1) << buf;
  }
}

TEST(FloatText, FloatToStrGeneralForm) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_EQ(FloatToStr(-2), "-2");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0,3");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1e14), "100000000000000");
  EXPECT_EQ(FloatToStr(123456789012345678.0), "1,23456789012346E17");
  EXPECT_EQ(FloatToStr(0.0001), "0,0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0,333333333333333");
  EXPECT_EQ(FloatToStr(2.0 / 3), "0,666666666666667");
  EXPECT_EQ(FloatToStr(1234.5678), "1234,5678");
  EXPECT_EQ(FloatToStr(-1.5e-10), "-1,5E-10");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
  EXPECT_EQ(FloatToStr(-HUGE_VAL), "-INF");
  TFormatSettings dot = DefaultFormatSettings();
  dot.DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(12.25, dot), "12.25");
}

TEST(FloatText, CurrToStrKeepsTheExactDecimals) {
  EXPECT_EQ(CurrToStr(Currency(1.5L)), "1,5");
  EXPECT_EQ(CurrToStr(Currency(100)), "100");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(1)), "0,0001");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(-12345678)), "-1234,5678");
  EXPECT_EQ(CurrToStr(Currency()), "0");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(INT64_MAX)), "922337203685477,5807");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(INT64_MIN)), "-922337203685477,5808");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(12345), ffFixed, 2), "1,23");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(12350), ffFixed, 2), "1,24");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-12350), ffNumber, 2), "-1,24");
}

TEST(FloatText, FormatFloatPictures) {
  EXPECT_EQ(FormatFloat("0.00", 1.005), "1,00");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0,13");
  EXPECT_EQ(FormatFloat("0.00", -0.125), "-0,13");
  EXPECT_EQ(FormatFloat("0.0", 0.05), "0,1");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), Nb("1_234_567,89"));
  EXPECT_EQ(FormatFloat("#,##0", 999999.5), Nb("1_000_000"));
  EXPECT_EQ(FormatFloat("#,##0.00", 0), "0,00");
  EXPECT_EQ(FormatFloat("#,##0.00", 5), "5,00");
  EXPECT_EQ(FormatFloat("0.##", 1), "1");
  EXPECT_EQ(FormatFloat("0.##", 1.5), "1,5");
  EXPECT_EQ(FormatFloat("0.##", 1.256), "1,26");
  EXPECT_EQ(FormatFloat("0.0#", 1), "1,0");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ",5");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("0", 1234), "1234");
  EXPECT_EQ(FormatFloat("00.0", 3.14159), "03,1");
  EXPECT_EQ(FormatFloat("0\" р.\""_w, 5), "5 р."_w);
  EXPECT_EQ(FormatFloat("0'%'", 5), "5%");
  EXPECT_EQ(FormatFloat("x0y", 5), "x5y");
  EXPECT_EQ(FormatFloat("", 1.5), "1,5");
  EXPECT_EQ(FormatFloat("0.00", 1e20), "1E20");
}

TEST(FloatText, FormatFloatSections) {
  const char* pic = "#,##0.00;-#,##0.00;0";
  EXPECT_EQ(FormatFloat(pic, 1234.5), Nb("1_234,50"));
  EXPECT_EQ(FormatFloat(pic, -1234.5), Nb("-1_234,50"));
  EXPECT_EQ(FormatFloat(pic, 0), "0");
  // A value that rounds to zero takes the zero section.
  EXPECT_EQ(FormatFloat(pic, -0.001), "0");
  EXPECT_EQ(FormatFloat(pic, 0.004), "0");
  EXPECT_EQ(FormatFloat("0.00;(0.00)", -5), "(5,00)");
  EXPECT_EQ(FormatFloat("0.00;;zero", -5), "-5,00");
  EXPECT_EQ(FormatFloat("0.00;;zero", 0), "zero");
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0,00");  // never "-0,00"
  EXPECT_EQ(FormatFloat("\"a;b\"0", 3), "a;b3");
}

TEST(FloatText, FormatFloatScientific) {
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1,23E+03");
  EXPECT_EQ(FormatFloat("0.00E-00", 0.000123), "1,23E-04");
  EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), "1,23E03");
  EXPECT_EQ(FormatFloat("0.0E+0", 0), "0,0E+0");
  EXPECT_EQ(FormatFloat("00.0E+00", 1234.5), "12,3E+02");
}

TEST(FloatText, FormatCurrUsesTheExactAmount) {
  EXPECT_EQ(FormatCurr("0.00", Currency::FromRaw(12350)), "1,24");
  EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromRaw(-12345678900)), Nb("-1_234_567,89"));
  EXPECT_EQ(FormatCurr("", Currency::FromRaw(5)), "0,0005");
}

TEST(FloatText, StrToFloatAcceptsTheRuntimeSyntax) {
  EXPECT_EQ(StrToFloat("1,5"), 1.5L);
  EXPECT_EQ(StrToFloat("  -1,5  "), -1.5L);
  EXPECT_EQ(StrToFloat("+2"), 2.0L);
  EXPECT_EQ(StrToFloat("1E3"), 1000.0L);
  EXPECT_EQ(StrToFloat("1,5e-2"), 0.015L);
  EXPECT_EQ(StrToFloat(",5"), 0.5L);
  EXPECT_EQ(StrToFloat("5,"), 5.0L);
  EXPECT_EQ(StrToFloat("0,1"), 0.1L);
  EXPECT_EQ(StrToFloat("123456789012345678901234567890"), 123456789012345678901234567890.0L);
  TFormatSettings dot = DefaultFormatSettings();
  dot.DecimalSeparator = '.';
  EXPECT_EQ(StrToFloat("1.25", dot), 1.25L);
  double d = 0;
  EXPECT_TRUE(TryStrToFloat("2,5", d));
  EXPECT_EQ(d, 2.5);
  EXPECT_FALSE(TryStrToFloat("1e400", d));  // beyond double
  long double ld = 0;
  EXPECT_TRUE(TryStrToFloat("1e400", ld));  // within extended
  EXPECT_EQ(StrToFloatDef("x", 7), 7.0L);
  EXPECT_EQ(StrToCurr("1,23456"), Currency::FromRaw(12346));
}

TEST(FloatText, StrToFloatRejectsOtherTexts) {
  for (const char* bad : {"", " ", "1.5", "abc", "1,5x", "1 000", "1e", "-", ",", "1e5000", "\t1",
                          "1,2,3", "0x10", "NAN", "INF"}) {
    long double v = 0;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
  }
  try {
    StrToFloat("1.5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1.5' is not a valid floating point value");
  }
  Currency c;
  EXPECT_FALSE(TryStrToCurr("1e300", c));
}

}  // namespace
}  // namespace tv
