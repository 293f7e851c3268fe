#include "foundation/ReportUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

// The nearest double to a decimal text, as an amount read from a database
// field or a double variable arrives.
long double D(double v) { return v; }

TEST(RoundToTest, PositiveHalvesRoundUpEvenWhenStoredBelowTheHalf) {
  // 2.675 is stored as 2.67499999999999982236431605997495353221893310546875.
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(2.675))), 2.68);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(1.005))), 1.01);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(0.285))), 0.29);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(1.015))), 1.02);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(8.345))), 8.35);
  EXPECT_EQ(static_cast<double>(RoundTo(3, D(1.0005))), 1.001);
  EXPECT_EQ(static_cast<double>(RoundTo(1, D(0.05))), 0.1);
  EXPECT_EQ(static_cast<double>(RoundTo(2, 2.675L)), 2.68);
  EXPECT_EQ(RoundTo(0, D(2.5)), 3.0L);
  EXPECT_EQ(RoundTo(0, D(3.5)), 4.0L);  // not to even
  EXPECT_EQ(RoundTo(0, D(2.4999)), 2.0L);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(2.674999))), 2.67);
}

TEST(RoundToTest, NegativeDecimalsRoundToTensAndHundreds) {
  EXPECT_EQ(RoundTo(-1, D(1234)), 1230.0L);
  EXPECT_EQ(RoundTo(-2, D(1250)), 1300.0L);
  EXPECT_EQ(RoundTo(-2, D(1249.9)), 1200.0L);
  EXPECT_EQ(RoundTo(-3, D(0)), 0.0L);
}

TEST(RoundToTest, HalfIsSlightlyMoreThanAHalf) {
  // 0.4999999999 + 0.5000000001 reaches 1 (within the extended rounding);
  // a value a little further below does not.
  EXPECT_EQ(RoundTo(0, 0.49999999995L), 1.0L);
  EXPECT_EQ(RoundTo(0, 0.4999999998L), 0.0L);
  EXPECT_EQ(RoundTo(0, D(0.0)), 0.0L);
}

TEST(RoundToTest, NegativeValuesRoundAsTheirMirrorImage) {
  // Adding the half and cutting toward zero would give -1, 0, -1 and -1.22.
  EXPECT_EQ(RoundTo(0, D(-2.5)), -3.0L);
  EXPECT_EQ(RoundTo(0, D(-1.2)), -1.0L);
  EXPECT_EQ(RoundTo(0, D(-1.7)), -2.0L);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(-1.234))), -1.23);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(-2.675))), -2.68);
  EXPECT_EQ(static_cast<double>(RoundTo(2, D(-1.005))), -1.01);
  EXPECT_EQ(RoundTo(-1, D(-1235)), -1240.0L);
  for (double v : {0.004, 1.005, 2.675, 17.5, 123.456, 0.5}) {
    for (int n = -2; n <= 4; ++n) {
      SCOPED_TRACE(testing::Message() << v << " to " << n);
      EXPECT_EQ(RoundTo(static_cast<int8_t>(n), -D(v)), -RoundTo(static_cast<int8_t>(n), D(v)))
          << "or both are zero";
    }
  }
}

TEST(RoundToTest, ZeroResultIsPositiveZero) {
  EXPECT_FALSE(std::signbit(RoundTo(0, D(-0.2))));
  EXPECT_FALSE(std::signbit(RoundTo(2, D(-0.001))));
  EXPECT_FALSE(std::signbit(RoundTo(0, -0.0L)));
}

TEST(RoundToTest, ValuesBeyondA64BitIntegerRaise) {
  EXPECT_THROW(RoundTo(0, 1e19L), EInvalidOp);
  EXPECT_THROW(RoundTo(2, 1e17L), EInvalidOp);
  EXPECT_THROW(RoundTo(0, -1e19L), EInvalidOp);
  EXPECT_THROW(RoundTo(2, NAN), EInvalidOp);
  EXPECT_THROW(RoundTo(2, INFINITY), EInvalidOp);
  EXPECT_EQ(RoundTo(0, 9.2e18L), 9.2e18L);
}

// An independent model of the rounding in exact rational arithmetic: every
// extended operation is the exact result rounded to 64 significant bits,
// ties to even. Prints each result as "<sign><odd mantissa> <exponent>".
constexpr const char* kExtendedModel = R"PY(
import sys
from fractions import Fraction as F

def rnd64(q):
    if q == 0:
        return F(0)
    sign = -1 if q < 0 else 1
    q = abs(q)
    e = q.numerator.bit_length() - q.denominator.bit_length() - 64
    while q / F(2) ** e >= 2 ** 64:
        e += 1
    while q / F(2) ** e < 2 ** 63:
        e -= 1
    m = q / F(2) ** e
    fl = m.numerator // m.denominator
    rem = m - fl
    if rem > F(1, 2) or (rem == F(1, 2) and fl % 2 == 1):
        fl += 1
    return sign * F(fl) * F(2) ** e

C = rnd64(F("0.5000000001"))

def positive(n, x):
    if n > 0:
        for _ in range(n):
            x = rnd64(x * 10)
        r = F(int(rnd64(x + C)))
        for _ in range(n):
            r = rnd64(r / 10)
        return r
    if n < 0:
        for _ in range(-n):
            x = rnd64(x / 10)
        r = F(int(rnd64(x + C)))
        for _ in range(-n):
            r = rnd64(r * 10)
        return r
    return F(int(rnd64(x + C)))

def round_to(n, x):
    return -positive(n, -x) if x < 0 else positive(n, x)

def show(r):
    if r == 0:
        return "0 0"
    sign = "-" if r < 0 else ""
    r = abs(r)
    m, d = r.numerator, r.denominator
    e = -(d.bit_length() - 1)
    while m % 2 == 0:
        m //= 2
        e += 1
    return "%s%d %d" % (sign, m, e)

for line in sys.stdin:
    kind, n, text = line.split()
    x = F(float(text)) if kind == "d" else rnd64(F(text))
    print(show(round_to(int(n), x)))
)PY";

std::string Show(long double v) {
  if (v == 0) return "0 0";
  std::string sign = v < 0 ? "-" : "";
  int e = 0;
  long double f = std::frexp(std::fabs(v), &e);
  auto m = static_cast<uint64_t>(std::ldexp(f, 64));
  e -= 64;
  while ((m & 1) == 0) {
    m >>= 1;
    ++e;
  }
  return sign + std::to_string(m) + " " + std::to_string(e);
}

TEST(RoundToTest, MatchesAnExactModelOfExtendedArithmeticBitForBit) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  struct Case {
    const char* kind;  // d: nearest double, x: nearest extended
    int n;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"d", 2, "2.675"},
      {"d", 2, "1.005"},
      {"d", 0, "2.5"},
      {"d", -1, "1234"},
      {"d", -2, "1250"},
      {"d", 2, "0.285"},
      {"d", 2, "1.015"},
      {"d", 2, "8.345"},
      {"d", 3, "1.0005"},
      {"d", 1, "0.05"},
      {"d", 4, "1.00005"},
      {"d", 2, "1234567.125"},
      {"d", 6, "0.1234565"},
      {"d", 2, "0.1"},
      {"d", 8, "0.3"},
      {"d", 2, "1e-7"},
      {"d", 15, "0.000123456789012345"},
      {"d", -5, "987654321"},
      {"d", 2, "92233720368547.75"},
      {"x", 2, "2.675"},
      {"x", 0, "0.4999999999"},
      {"x", 0, "0.49999999995"},
      {"x", 3, "4.0005"},
      {"x", 2, "-2.675"},
      {"d", 0, "-2.5"},
      {"d", 2, "-1.234"},
      {"d", 1, "-0.05"},
      {"d", -1, "-1235"},
      {"d", 2, "-0.001"},
      {"d", 3, "0.003"},
      {"d", 3, "0.013"},
      {"d", 3, "-7.0125"},
      {"d", 4, "2.00015"},
  };
  test::TempRoot root;
  const std::string script = root.Path() + "/model.py";
  const std::string input = root.Path() + "/cases.txt";
  std::ofstream(script) << kExtendedModel;
  std::ostringstream in;
  for (const Case& c : cases) in << c.kind << ' ' << c.n << ' ' << c.text << '\n';
  std::ofstream(input) << in.str();
  int rc = 0;
  std::istringstream model(test::RunCommand("python3 " + script + " < " + input, &rc));
  ASSERT_EQ(rc, 0);
  for (const Case& c : cases) {
    std::string expected;
    ASSERT_TRUE(std::getline(model, expected)) << "model stopped early";
    long double x = c.kind[0] == 'd' ? static_cast<long double>(std::strtod(c.text, nullptr))
                                     : std::strtold(c.text, nullptr);
    EXPECT_EQ(Show(RoundTo(static_cast<int8_t>(c.n), x)), expected)
        << c.kind << " " << c.text << " to " << c.n;
  }
}

TEST(GetTempFileNameXMTest, MakesANewEmptyFileInTheTemporaryFolder) {
  test::TempRoot root;
  const std::string first = GetTempFileNameXM();
  const std::string second = GetTempFileNameXM();
  for (const std::string& name : {first, second}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(name.rfind("C:\\TEMP\\XM", 0), 0u);
    ASSERT_TRUE(name.ends_with(".tmp"));
    const std::string hex = name.substr(10, name.size() - 14);
    EXPECT_FALSE(hex.empty());
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEFabcdef"), std::string::npos);
    const std::string native = root.Path() + "/c/TEMP/" + name.substr(8);
    ASSERT_TRUE(std::filesystem::is_regular_file(native));
    EXPECT_EQ(std::filesystem::file_size(native), 0u);
  }
  EXPECT_NE(first, second);
}

TEST(RemoveStaleTempFilesXMTest, RemovesOnlyOwnFilesOlderThanADay) {
  test::TempRoot root;
  const std::string made = GetTempFileNameXM();  // makes the folder too
  const std::string folder = root.Path() + "/c/TEMP/";
  struct Case {
    std::string name;
    int ageHours;
    bool kept;
  };
  const Case cases[] = {
      {"XM1A2B3C.tmp", 25, false}, {"XMFFFFFF.tmp", 48, false}, {"XM1A2B3D.tmp", 23, true},
      {"XM12.txt", 48, true},      {"xm12.tmp", 48, true},      {"XMG1.tmp", 48, true},
      {"XM.tmp", 48, true},        {"other.tmp", 48, true},     {"XM1A2B3C4D5E.tmp", 48, true},
  };
  const auto now = std::filesystem::file_time_type::clock::now();
  for (const Case& c : cases) {
    std::ofstream(folder + c.name) << "x";
    std::filesystem::last_write_time(folder + c.name, now - std::chrono::hours(c.ageHours));
  }
  std::filesystem::create_directory(folder + "XM99.tmp");  // a folder of that name stays
  std::filesystem::last_write_time(folder + "XM99.tmp", now - std::chrono::hours(48));
  RemoveStaleTempFilesXM();
  for (const Case& c : cases)
    EXPECT_EQ(std::filesystem::exists(folder + c.name), c.kept) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(folder + "XM99.tmp"));
  EXPECT_TRUE(std::filesystem::exists(folder + made.substr(8)));  // new: in use
}

TEST(HeadUntilTest, CutsAtTheFirstSeparatorButKeepsTheFirstCharacter) {
  EXPECT_EQ(HeadUntil("abc;def"), "abc");
  EXPECT_EQ(HeadUntil(";x"), ";x");
  EXPECT_EQ(HeadUntil(" abc def"), " abc");
  EXPECT_EQ(HeadUntil("PAGE   ; note"), "PAGE");
  EXPECT_EQ(HeadUntil("EndRepeat\tx"), "EndRepeat");
  EXPECT_EQ(HeadUntil("a\nb"), "a");
  EXPECT_EQ(HeadUntil("a\fb"), "a");
  EXPECT_EQ(HeadUntil("a\rb"), "a");
  EXPECT_EQ(HeadUntil("32"), "32");
  EXPECT_EQ(HeadUntil("a-b"), "a-b");  // "-" stops only TailFrom
  EXPECT_EQ(HeadUntil(";"), ";");
  EXPECT_EQ(HeadUntil(""), "");
}

TEST(TailFromTest, CutsAfterTheLastSeparatorButKeepsTheLastCharacter) {
  EXPECT_EQ(TailFrom("12-345"), "345");
  EXPECT_EQ(TailFrom("nothing"), "nothing");
  EXPECT_EQ(TailFrom("a b c"), "c");
  EXPECT_EQ(TailFrom("ab-"), "ab-");  // the last character starts the search
  EXPECT_EQ(TailFrom("ab -"), "-");
  EXPECT_EQ(TailFrom("x\ty"), "y");
  EXPECT_EQ(TailFrom("x\ny"), "y");
  EXPECT_EQ(TailFrom("x\fy"), "y");
  EXPECT_EQ(TailFrom("x\ry"), "y");
  EXPECT_EQ(TailFrom("x;y"), "x;y");  // ";" stops only HeadUntil
  EXPECT_EQ(TailFrom("-"), "-");
  EXPECT_EQ(TailFrom(""), "");
}

}  // namespace
}  // namespace tv
