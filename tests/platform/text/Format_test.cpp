#include "platform/text/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {
namespace {

// Expected texts write the no-break thousands separator (0xA0) as '_'.
std::string Nb(std::string s) {
  for (char& c : s)
    if (c == '_') c = '\xA0';
  return s;
}

TEST(Format, IntegersWidthPrecisionAndIndex) {
  EXPECT_EQ(Format("%d", {42}), "42");
  EXPECT_EQ(Format("%5d|", {42}), "   42|");
  EXPECT_EQ(Format("%-5d|", {42}), "42   |");
  EXPECT_EQ(Format("%.3d", {-5}), "-005");
  EXPECT_EQ(Format("%3.3d", {1}), "001");
  EXPECT_EQ(Format("%8.0d", {123}), "     123");
  // Unlike C, precision 0 still prints the zero; an empty precision is 0.
  EXPECT_EQ(Format("%.0d", {0}), "0");
  EXPECT_EQ(Format("%4.d", {0}), "   0");
  EXPECT_EQ(Format("%2.0d", {12345}), "12345");
  EXPECT_EQ(Format("%d - %d", {3, -4}), "3 - -4");
  EXPECT_EQ(Format("%d=%s", {7, "x"}), "7=x");
  EXPECT_EQ(Format("%d", {int64_t{1} << 40}), "1099511627776");
  EXPECT_EQ(Format("%d", {std::numeric_limits<int64_t>::min()}), "-9223372036854775808");
  EXPECT_EQ(Format("%0:s-%1:s-%0:s", {"a", "b"}), "a-b-a");
  EXPECT_EQ(Format("%1:d %d", {1, 2, 3}), "2 3");
  EXPECT_EQ(Format("%*d|%-*d|", {4, 7, 3, 8}), "   7|8  |");
  EXPECT_EQ(Format("%D", {9}), "9");
}

TEST(Format, UnsignedAndHex) {
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%x", {255}), "FF");
  EXPECT_EQ(Format("%.4x", {255}), "00FF");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%x", {int64_t{-1}}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%X", {0xABCDEF}), "ABCDEF");
}

TEST(Format, FixedRoundsHalfAwayFromZeroOnTheDecimalDigits) {
  EXPECT_EQ(Format("%f", {1.0}), "1,00");
  EXPECT_EQ(Format("%10f|", {3.14159}), "      3,14|");
  EXPECT_EQ(Format("%9f|", {-3.14159}), "    -3,14|");
  EXPECT_EQ(Format("%.0f", {0.5}), "1");
  EXPECT_EQ(Format("%.0f", {1.5}), "2");
  EXPECT_EQ(Format("%.0f", {2.5}), "3");       // printf: "2"
  EXPECT_EQ(Format("%.2f", {0.125}), "0,13");  // printf: "0.12"
  // 2.675 is 2.67499999999999982... as a double: it stays below the half.
  EXPECT_EQ(Format("%.2f", {2.675}), "2,67");
  EXPECT_EQ(Format("%.2f", {1.005}), "1,00");
  EXPECT_EQ(Format("%.4f", {1.00005}), "1,0001");
  EXPECT_EQ(Format("%.1f", {-0.05}), "-0,1");
  EXPECT_EQ(Format("%.4f", {0.00005}), "0,0001");
  EXPECT_EQ(Format("%.2f", {999.996}), "1000,00");
  EXPECT_EQ(Format("%0.4f", {2.0}), "2,0000");
  EXPECT_EQ(Format("%6.2f|", {-1.5}), " -1,50|");
  EXPECT_EQ(Format("%-*.*f|", {8, 1, 2.25}), "2,3     |");
  EXPECT_EQ(Format("%16.2f", {1234567.891}), "      1234567,89");
  EXPECT_EQ(Format("%.3f", {0.0}), "0,000");
  EXPECT_EQ(Format("%.20f", {0.5}), "0,500000000000000000");  // at most 18 decimals
}

TEST(Format, NegativeValueRoundingToZeroHasNoSign) {
  EXPECT_EQ(Format("%.2f", {-0.001}), "0,00");
  EXPECT_EQ(Format("%.0n", {-0.4}), "0");
  EXPECT_EQ(Format("%.2f", {-0.0}), "0,00");
}

TEST(Format, EighteenDigitsOfTheExtendedValue) {
  // 10^18 - 1 is exact in the 80-bit type and still prints in fixed form.
  EXPECT_EQ(Format("%.2f", {999999999999999999.0L}), "999999999999999999,00");
  // The double next to 1234567890123456789 is ...768: cut to 18 digits it
  // ends in ...677, and with 19 integer digits the text turns scientific.
  EXPECT_EQ(Format("%.2f", {1234567890123456789.0}), "1,23456789012345677E18");
  EXPECT_EQ(Format("%.2f", {1e20}), "1E20");
}

TEST(Format, NumberGroupsThousands) {
  EXPECT_EQ(Format("%n", {1234567.891}), Nb("1_234_567,89"));
  EXPECT_EQ(Format("%.0n", {999.5}), Nb("1_000"));
  EXPECT_EQ(Format("%.2n", {-1234.5}), Nb("-1_234,50"));
  EXPECT_EQ(Format("%10.2n|", {1234.5}), Nb("  1_234,50|"));
  EXPECT_EQ(Format("%.2n", {999.994}), "999,99");
  EXPECT_EQ(Format("%.4n", {0.5}), "0,5000");
  EXPECT_EQ(Format("%14.0n", {-1234567.0}), Nb("    -1_234_567"));
  EXPECT_EQ(Format("%10n|", {100.0}), "    100,00|");
  EXPECT_EQ(Format("%.1n%%", {12.34}), "12,3%");
  EXPECT_EQ(Format("%2.1n%%", {5.25}), "5,3%");  // an exact half goes up
  EXPECT_EQ(Format("%2.1n%%", {5.55}), "5,5%");  // 5.5499999999999998...: stays
  EXPECT_EQ(Format("%.2n", {Currency(1234.5678L)}), Nb("1_234,57"));
  TFormatSettings report = DefaultFormatSettings();
  report.ThousandSeparator = ' ';
  report.DecimalSeparator = '.';
  EXPECT_EQ(Format("%.2n", {1234.56}, report), "1 234.56");
  report.ThousandSeparator = '\0';
  EXPECT_EQ(Format("%.2n", {1234.56}, report), "1234.56");
}

TEST(Format, CurrencyLayoutsOfTheSettings) {
  EXPECT_EQ(Format("%m", {1234.5}), Nb("1_234,50 ") + "р."_w);
  EXPECT_EQ(Format("%m", {-5.0}), "-5,00 р."_w);
  EXPECT_EQ(Format("%.0m", {2.5}), "3 р."_w);
  EXPECT_EQ(Format("%m", {Currency::FromRaw(-12345)}), "-1,23 р."_w);
  TFormatSettings fs = DefaultFormatSettings();
  fs.CurrencyString = "$";
  fs.CurrencyDecimals = 1;
  const char* negative[16] = {"($1,5)", "-$1,5",  "$-1,5",   "$1,5-",  "(1,5$)", "-1,5$",
                              "1,5-$",  "1,5$-",  "-1,5 $",  "-$ 1,5", "1,5 $-", "$ 1,5-",
                              "$ -1,5", "1,5- $", "($ 1,5)", "(1,5 $)"};
  for (int i = 0; i < 16; ++i) {
    fs.NegCurrFormat = static_cast<uint8_t>(i);
    EXPECT_EQ(Format("%m", {-1.5}, fs), negative[i]) << "NegCurrFormat " << i;
  }
  const char* positive[4] = {"$1,5", "1,5$", "$ 1,5", "1,5 $"};
  for (int i = 0; i < 4; ++i) {
    fs.CurrencyFormat = static_cast<uint8_t>(i);
    EXPECT_EQ(Format("%m", {1.5}, fs), positive[i]) << "CurrencyFormat " << i;
  }
}

TEST(Format, ScientificAndGeneral) {
  EXPECT_EQ(Format("%e", {1234.5}), "1,23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {1234.5}), "1,23E+003");
  EXPECT_EQ(Format("%e", {-0.00012}), "-1,20000000000000E-004");
  EXPECT_EQ(Format("%.2e", {0.0}), "0,0E+000");
  EXPECT_EQ(Format("%g", {0.5}), "0,5");
  EXPECT_EQ(Format("%g", {1e20}), "1E20");
  EXPECT_EQ(Format("%.3g", {1234.5}), "1,23E3");
  EXPECT_EQ(Format("%g", {Currency(2.5L)}), "2,5");
}

TEST(Format, NotANumberAndInfinity) {
  EXPECT_EQ(Format("%.2f", {std::nan("")}), "NAN");
  EXPECT_EQ(Format("%.2n", {HUGE_VAL}), "INF");
  EXPECT_EQ(Format("%5.2f", {-HUGE_VAL}), " -INF");
}

TEST(Format, TextsCharactersAndLiterals) {
  EXPECT_EQ(Format("%s", {"abc"}), "abc");
  EXPECT_EQ(Format("%.2s", {"abc"}), "ab");
  EXPECT_EQ(Format("%5s|%-5s|", {"abc", std::string("de")}), "  abc|de   |");
  EXPECT_EQ(Format("%s", {'x'}), "x");
  EXPECT_EQ(Format("%s -> %s", {std::string_view("A"), "B"}), "A -> B");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("№ %.0f"_w, {5.0}), "№ 5"_w);
  EXPECT_EQ(Format("%s (%d шт)"_w, {"Болты"_w, 3}), "Болты (3 шт)"_w);
  EXPECT_EQ(Format("", {1}), "");
  EXPECT_EQ(Format("%p", {reinterpret_cast<const void*>(0xABC)}), "0000000000000ABC");
}

TEST(Format, MismatchesRaiseConvertError) {
  auto message = [](std::string_view fmt, std::initializer_list<TVarRec> args) {
    try {
      Format(fmt, args);
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("%d", {1.5}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(message("a%sb", {5}), "Format 'a%sb' invalid or incompatible with argument");
  EXPECT_EQ(message("%f", {5}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(message("%x", {Currency()}), "Format '%x' invalid or incompatible with argument");
  EXPECT_EQ(message("%d %d", {1}), "No argument for format '%d %d'");
  EXPECT_EQ(message("%z", {1}), "Format '%z' invalid or incompatible with argument");
  EXPECT_EQ(message("50%", {}), "Format '50%' invalid or incompatible with argument");
  EXPECT_EQ(message("%5", {1}), "Format '%5' invalid or incompatible with argument");
  EXPECT_EQ(message("%*d", {1.0, 2}), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(message("%99999999d", {1}),
            "Format '%99999999d' invalid or incompatible with argument");
  EXPECT_EQ(message("%3:d", {1}), "No argument for format '%3:d'");
}

}  // namespace
}  // namespace tv
