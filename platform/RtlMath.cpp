#include "platform/RtlMath.h"

#include <cmath>

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

int64_t Round(long double x) {
  // nearbyintl honours the current rounding mode, which is to-nearest-even
  // unless someone changed it; do not rely on that and halve explicitly.
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

int64_t Trunc(long double x) { return ToInt64(std::trunc(x)); }

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
