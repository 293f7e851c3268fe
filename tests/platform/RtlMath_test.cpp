#include "platform/RtlMath.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "platform/data/Currency.h"

namespace tv {
namespace {

TEST(RtlMath, RoundHalvesToEven) {
  EXPECT_EQ(Round(0.5L), 0);
  EXPECT_EQ(Round(1.5L), 2);
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(3.5L), 4);
  EXPECT_EQ(Round(-2.5L), -2);
  EXPECT_EQ(Round(-3.5L), -4);
  EXPECT_EQ(Round(2.5L + LDBL_EPSILON * 2), 3);  // just above the half, in extended
  EXPECT_EQ(Round(0.49999999999999994), 0);
  EXPECT_EQ(Round(180.4L), 180);  // the VAT rate 18.04 x 10
  EXPECT_EQ(Round(-0.4L), 0);
  EXPECT_EQ(Round(-9223372036854775808.0L), INT64_MIN);
  EXPECT_EQ(Round(4503599627370497.0L), 4503599627370497);
}

// The C library's rounding in its default mode (to nearest, halves to
// even) and truncation are the reference over random values and halves of
// every magnitude up to the 64-bit range, both signs.
TEST(RtlMath, RoundAndTruncAgreeWithTheCLibrary) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 50000; ++i) {
    const int bits = static_cast<int>(random() % 64);
    long double x = std::ldexp(static_cast<long double>(random() >> 1), bits - 64);
    if (i % 3 == 0) x = std::floor(x) + 0.5L;
    if (i % 2 == 0) x = -x;
    ASSERT_EQ(Round(x), static_cast<int64_t>(std::nearbyintl(x))) << static_cast<double>(x);
    ASSERT_EQ(Trunc(x), static_cast<int64_t>(std::truncl(x))) << static_cast<double>(x);
  }
}

TEST(RtlMath, TruncFracInt) {
  EXPECT_EQ(Trunc(1.7L), 1);
  EXPECT_EQ(Trunc(-1.7L), -1);
  EXPECT_EQ(Trunc(0.05L * 10 + 0.5L), 1);
  EXPECT_EQ(Frac(-1.25L), -0.25L);
  EXPECT_EQ(Frac(3.75L), 0.75L);
  EXPECT_EQ(Int(-1.7L), -1.0L);
  EXPECT_EQ(Int(2.9L), 2.0L);
}

TEST(RtlMath, OutOfRangeAndNotANumberRaise) {
  EXPECT_THROW(Round(NAN), EInvalidOp);
  EXPECT_THROW(Round(1e19L), EInvalidOp);
  EXPECT_THROW(Round(9223372036854775808.0L), EInvalidOp);
  EXPECT_THROW(Trunc(-1e30L), EInvalidOp);
  EXPECT_THROW(Trunc(INFINITY), EInvalidOp);
}

TEST(RtlMath, DivisionTraps) {
  EXPECT_EQ(CheckedDiv(1, 4), 0.25L);
  try {
    CheckedDiv(1, 0);
    FAIL();
  } catch (const EZeroDivide& e) {
    EXPECT_EQ(e.Message(), "Floating point division by zero");
    EXPECT_STREQ(e.ClassName(), "EZeroDivide");
  }
  try {
    CheckedDiv(0, 0);
    FAIL();
  } catch (const EInvalidOp& e) {
    EXPECT_EQ(e.Message(), "Invalid floating point operation");
  }
  EXPECT_THROW(CheckedDiv(LDBL_MAX, 0.5L), EOverflow);
  EXPECT_THROW(CheckFloat(NAN), EInvalidOp);
}

TEST(RtlMath, SameValueAndIsZero) {
  EXPECT_TRUE(SameValue(1.0L, 1.0L + 1e-17L));
  EXPECT_FALSE(SameValue(1.0L, 1.0L + 1e-14L));
  EXPECT_TRUE(SameValue(1e20L, 1e20L + 1e3L));
  EXPECT_TRUE(SameValue(0.1L, 0.2L, 0.15L));
  EXPECT_TRUE(IsZero(1e-17L));
  EXPECT_FALSE(IsZero(1e-15L));
}

TEST(Currency, FromFloatingRoundsHalvesToEven) {
  EXPECT_EQ(Currency(1.5L).Raw(), 15000);
  EXPECT_EQ(Currency(0.03125L).Raw(), 312);  // 312.5 -> even
  EXPECT_EQ(Currency(0.09375L).Raw(), 938);  // 937.5 -> even
  EXPECT_EQ(Currency(-0.03125L).Raw(), -312);
  EXPECT_EQ(Currency(1.00005).Raw(), 10001);  // the double is above the half
  EXPECT_EQ(Currency(0.1).Raw(), 1000);
  EXPECT_THROW(Currency(1e16L), EInvalidOp);
  EXPECT_EQ(static_cast<long double>(Currency::FromRaw(12345)), 1.2345L);
}

TEST(Currency, ArithmeticIsExact) {
  Currency sum;
  for (int i = 0; i < 1000; ++i) sum += Currency(0.1);
  EXPECT_EQ(sum.Raw(), 1000000);
  EXPECT_EQ((Currency(1.5L) * Currency(1.5L)).Raw(), 22500);
  EXPECT_EQ((Currency::FromRaw(1) * Currency(0.5L)).Raw(), 0);  // 0.5 -> even 0
  EXPECT_EQ((Currency::FromRaw(3) * Currency(0.5L)).Raw(), 2);  // 1.5 -> even 2
  EXPECT_EQ((Currency(1) / Currency(3)).Raw(), 3333);
  EXPECT_EQ((Currency(2) / Currency(3)).Raw(), 6667);
  EXPECT_EQ((Currency(-2) / Currency(3)).Raw(), -6667);
  EXPECT_EQ((Currency(5) - Currency(7)).Raw(), -20000);
  EXPECT_EQ((-Currency(5)).Raw(), -50000);
  EXPECT_THROW(Currency(1) / Currency(), EZeroDivide);
  EXPECT_THROW(Currency::FromRaw(INT64_MAX) + Currency::FromRaw(1), EOverflow);
  EXPECT_THROW(Currency::FromRaw(INT64_MAX) * Currency(2), EOverflow);
  EXPECT_TRUE(Currency(1) < Currency(2));
  EXPECT_TRUE(Currency(2.5L) == Currency::FromRaw(25000));
  long double mixed = Currency(1.5L) * 2.0L;  // mixed with floating: extended
  EXPECT_EQ(mixed, 3.0L);
}

}  // namespace
}  // namespace tv
