#include "platform/RtlMath.h"

#include <cmath>
#include <cstring>

#include "platform/Exceptions.h"

namespace tv {
namespace {

const char kInvalidOp[] = "Invalid floating point operation";

// The 64-bit range check done on the extended value itself, so that the
// boundaries are exact: [-2^63, 2^63).
int64_t ToInt64(long double r) {
  constexpr long double kLimit = 9223372036854775808.0L;  // 2^63
  if (std::isnan(r) || r >= kLimit || r < -kLimit) throw EInvalidOp(kInvalidOp);
  return static_cast<int64_t>(r);
}

}  // namespace

namespace {

// The integer part and the dropped fraction of |x| < 2^62 read from the
// extended number's bits, with no change of the x87 rounding mode: `half`
// compares the fraction with one half (-1 below, 0 equal, 1 above).
struct TIntegerParts {
  uint64_t whole;
  int half;
  bool negative;
};

bool SplitInteger(long double x, TIntegerParts& parts) {
  if (!(x > -0x1p62L && x < 0x1p62L)) return false;  // NaN too
  uint64_t significand;
  uint16_t signExponent;
  std::memcpy(&significand, &x, sizeof significand);
  std::memcpy(&signExponent, reinterpret_cast<const char*>(&x) + 8, sizeof signExponent);
  parts.negative = (signExponent & 0x8000) != 0;
  const int exponent = (signExponent & 0x7FFF) - 16383;  // |x| = 1.f * 2^exponent
  if (exponent < 0) {
    parts.whole = 0;
    parts.half = exponent < -1 ? -1 : (significand == (uint64_t{1} << 63) ? 0 : 1);
    return true;
  }
  const int shift = 63 - exponent;  // 2..63
  const uint64_t fraction = significand & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  parts.whole = significand >> shift;
  parts.half = fraction < half ? -1 : (fraction == half ? 0 : 1);
  return true;
}

int64_t Signed(const TIntegerParts& parts, uint64_t magnitude) {
  return parts.negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
}

}  // namespace

int64_t Round(long double x) {
  // nearbyintl honours the current rounding mode, which is to-nearest-even
  // unless someone changed it; do not rely on that and halve explicitly.
  // Halving to even is symmetric, so the magnitude is rounded.
  if (TIntegerParts parts; SplitInteger(x, parts)) {
    const bool up = parts.half > 0 || (parts.half == 0 && (parts.whole & 1) != 0);
    return Signed(parts, parts.whole + (up ? 1 : 0));
  }
  long double f = std::floor(x);
  long double diff = x - f;  // exact for the extended type
  long double r = f;
  if (diff > 0.5L) {
    r = f + 1;
  } else if (diff == 0.5L) {
    r = std::fmod(f, 2.0L) == 0 ? f : f + 1;
  }
  return ToInt64(r);
}

int64_t Trunc(long double x) {
  if (TIntegerParts parts; SplitInteger(x, parts)) return Signed(parts, parts.whole);
  return ToInt64(std::trunc(x));
}

long double Frac(long double x) { return x - std::trunc(x); }

long double Int(long double x) { return std::trunc(x); }

long double CheckedDiv(long double x, long double y) {
  if (std::isnan(x) || std::isnan(y)) throw EInvalidOp(kInvalidOp);
  if (y == 0) {
    if (x == 0) throw EInvalidOp(kInvalidOp);
    throw EZeroDivide("Floating point division by zero");
  }
  return CheckFloat(x / y);
}

long double CheckFloat(long double x) {
  if (std::isnan(x)) throw EInvalidOp(kInvalidOp);
  if (std::isinf(x)) throw EOverflow("Floating point overflow");
  return x;
}

bool SameValue(long double a, long double b, long double epsilon) {
  if (epsilon == 0) {
    long double m = std::fmin(std::fabs(a), std::fabs(b)) * 1E-16L;
    epsilon = m > 1E-16L ? m : 1E-16L;
  }
  return a > b ? a - b <= epsilon : b - a <= epsilon;
}

bool IsZero(long double x, long double epsilon) {
  if (epsilon == 0) epsilon = 1E-16L;
  return std::fabs(x) <= epsilon;
}

}  // namespace tv
