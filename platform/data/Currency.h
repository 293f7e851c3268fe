#pragma once
// The runtime's Currency: a signed 64-bit count of 1/10000, so money adds
// and subtracts exactly and keeps four decimals.
//
// From a floating value the amount is value * 10000 rounded to the nearest
// integer with exact halves to the even neighbour (EInvalidOp when it does
// not fit). Products and quotients are computed exactly and rounded the
// same way to four decimals; division by zero raises EZeroDivide.
// A Currency converts implicitly to long double, so mixed expressions with
// floating values are computed in extended precision, as in the original.

#include <compare>
#include <cstdint>

namespace tv {

class Currency {
 public:
  constexpr Currency() = default;
  explicit Currency(long double value);
  static constexpr Currency FromRaw(int64_t raw) {
    Currency c;
    c.value_ = raw;
    return c;
  }
  // The amount times 10000.
  constexpr int64_t Raw() const { return value_; }
  operator long double() const { return static_cast<long double>(value_) / 10000.0L; }

  Currency operator+(Currency o) const;  // EOverflow when the sum does not fit
  Currency operator-(Currency o) const;
  Currency operator-() const;
  Currency operator*(Currency o) const;
  Currency operator/(Currency o) const;
  Currency& operator+=(Currency o) { return *this = *this + o; }
  Currency& operator-=(Currency o) { return *this = *this - o; }
  constexpr bool operator==(const Currency& o) const = default;
  constexpr std::strong_ordering operator<=>(const Currency& o) const = default;

 private:
  int64_t value_ = 0;
};

}  // namespace tv
