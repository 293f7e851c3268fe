#pragma once
// The runtime's Format: printf-like text building with the runtime's own
// rules, which differ from the C library's.
//
//   "%" [index ":"] ["-"] [width] ["." precision] type
//
// index, width and precision are numbers or "*" (taken from the next
// argument, which must be an integer); type letters ignore case:
//   d  integer; precision = minimum digit count, zero-padded ("%.3d" of
//      -5 is "-005"); "%.0d" of 0 is "0"; an empty precision ("%4.d") is 0
//   u  integer read as unsigned; x  upper-case hexadecimal, as d
//   e  scientific "1,23450000000000E+003" (precision = significant digits,
//      default 15, exponent with sign and at least three digits)
//   f  fixed, n  fixed with thousands separators, m  currency layout of the
//      settings; precision = decimals, default 2 (m: CurrencyDecimals);
//      values are rounded half away from zero on their decimal digits
//   g  general, as FloatToStr with the precision (default 15)
//   p  pointer, 16 upper-case hex digits
//   s  text; precision = at most that many characters
//   %% a percent sign
// The width pads with blanks on the left, or on the right after "-".
// Floating types take floating and Currency arguments (a Currency is
// formatted from its exact four decimals); d, u and x take integers only;
// s takes texts and characters. Any mismatch or malformed directive
// raises EConvertError "Format '<format>' invalid or incompatible with
// argument"; too few arguments raise EConvertError
// "No argument for format '<format>'".

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/data/Currency.h"
#include "platform/text/FormatSettings.h"

namespace tv {

// One argument of Format. Texts are referenced, not copied: a TVarRec lives
// only for the call it is built for.
class TVarRec {
 public:
  enum Kind { vtInteger, vtInt64, vtExtended, vtCurrency, vtString, vtChar, vtPointer };

  TVarRec(int v) : kind_(vtInteger), int_(v) {}
  TVarRec(long v) : kind_(vtInt64), int_(v) {}
  TVarRec(long long v) : kind_(vtInt64), int_(v) {}
  TVarRec(unsigned v) : kind_(vtInt64), int_(v) {}
  TVarRec(unsigned long v) : kind_(vtInt64), int_(static_cast<int64_t>(v)) {}
  TVarRec(unsigned long long v) : kind_(vtInt64), int_(static_cast<int64_t>(v)) {}
  TVarRec(float v) : kind_(vtExtended), float_(v) {}
  TVarRec(double v) : kind_(vtExtended), float_(v) {}
  TVarRec(long double v) : kind_(vtExtended), float_(v) {}
  TVarRec(Currency v) : kind_(vtCurrency), currency_(v) {}
  TVarRec(char c) : kind_(vtChar), char_(c) {}
  TVarRec(const char* s) : kind_(vtString), text_(s == nullptr ? "" : s) {}
  TVarRec(const std::string& s) : kind_(vtString), text_(s) {}
  TVarRec(std::string_view s) : kind_(vtString), text_(s) {}
  TVarRec(const void* p) : kind_(vtPointer), pointer_(p) {}
  TVarRec(bool) = delete;  // the runtime's Format has no Boolean type

  Kind kind() const { return kind_; }
  int64_t AsInt() const { return int_; }
  long double AsFloat() const { return float_; }
  Currency AsCurrency() const { return currency_; }
  std::string_view AsText() const { return kind_ == vtChar ? std::string_view(&char_, 1) : text_; }
  const void* AsPointer() const { return pointer_; }

 private:
  Kind kind_;
  int64_t int_ = 0;
  long double float_ = 0;
  Currency currency_;
  char char_ = 0;
  std::string_view text_;
  const void* pointer_ = nullptr;
};

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args,
                   const TFormatSettings& fs);
// The same over any contiguous argument list.
std::string FormatArgs(std::string_view fmt, const TVarRec* args, size_t count,
                       const TFormatSettings& fs);

}  // namespace tv
