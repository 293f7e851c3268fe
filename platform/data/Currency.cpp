#include "platform/data/Currency.h"

#include "platform/Exceptions.h"
#include "platform/RtlMath.h"

namespace tv {
namespace {

// Quotient of num / den rounded to nearest, halves to even (den > 0 or < 0).
int64_t DivRoundEven(__int128 num, __int128 den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  __int128 q = num / den;
  __int128 r = num % den;  // same sign as num
  __int128 twice = (r < 0 ? -r : r) * 2;
  if (twice > den || (twice == den && (q % 2) != 0)) q += (num < 0) ? -1 : 1;
  if (q > INT64_MAX || q < INT64_MIN) throw EOverflow("Floating point overflow");
  return static_cast<int64_t>(q);
}

}  // namespace

Currency::Currency(long double value) : value_(Round(value * 10000.0L)) {}

Currency Currency::operator+(Currency o) const {
  int64_t r;
  if (__builtin_add_overflow(value_, o.value_, &r)) throw EOverflow("Floating point overflow");
  return FromRaw(r);
}

Currency Currency::operator-(Currency o) const {
  int64_t r;
  if (__builtin_sub_overflow(value_, o.value_, &r)) throw EOverflow("Floating point overflow");
  return FromRaw(r);
}

Currency Currency::operator-() const { return Currency() - *this; }

Currency Currency::operator*(Currency o) const {
  return FromRaw(DivRoundEven(static_cast<__int128>(value_) * o.value_, 10000));
}

Currency Currency::operator/(Currency o) const {
  if (o.value_ == 0) {
    if (value_ == 0) throw EInvalidOp("Invalid floating point operation");
    throw EZeroDivide("Floating point division by zero");
  }
  return FromRaw(DivRoundEven(static_cast<__int128>(value_) * 10000, o.value_));
}

}  // namespace tv
