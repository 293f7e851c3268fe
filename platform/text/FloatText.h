#pragma once
// Floating values to text and back, as the runtime does it.
//
// Every conversion to text goes through FloatToDecimal: the exact value of
// the 80-bit extended number is cut to 18 significant decimal digits
// (nearest, halves to even), and that digit string is then rounded half
// away from zero at the requested place. So "%.2f" of 0.125 is "0,13",
// unlike printf's "0.12", while the double 2.675 (2.67499999999999982...)
// gives "2,67".
//
// Choices where the runtime's behaviour is not pinned down:
//  - a negative value that rounds to zero prints without a sign ("0,00");
//  - NaN prints "NAN", infinities "INF" and "-INF" in every format;
//  - FormatFloat uses its zero section also for a value that rounds to
//    zero, and never prints "-0".

#include <string>
#include <string_view>

#include "platform/data/Currency.h"
#include "platform/text/FormatSettings.h"

namespace tv {

// A decimal number: 0.Digits x 10^Exponent. Digits holds '0'..'9' without
// trailing zeros; an empty Digits means zero.
struct TFloatRec {
  enum Kind { kFinite, kNaN, kInf };
  Kind Special = kFinite;
  bool Negative = false;
  int Exponent = 0;
  std::string Digits;
};

// precision: significant digits (1..18); decimals: digits after the point
// at most (9999 = no limit). Rounds half away from zero on the 18 digits.
TFloatRec FloatToDecimal(long double value, int precision, int decimals);
// The exact four decimals of a Currency, rounded the same way.
TFloatRec CurrToDecimal(Currency value, int decimals);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The runtime's FloatToStrF. precision = significant digits (general,
// exponent; 18 for fixed and number formats as Format uses); digits =
// decimals (fixed, number, currency) or the minimum exponent digits
// (general, exponent; 0..4).
std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs = DefaultFormatSettings());
std::string CurrToStrF(Currency value, TFloatFormat format, int digits,
                       const TFormatSettings& fs = DefaultFormatSettings());
// Text of a rounded decimal in the given format (shared by the above).
std::string FloatRecToText(const TFloatRec& rec, TFloatFormat format, int precision, int digits,
                           const TFormatSettings& fs);

// General format with 15 significant digits: "1,5", "1E20", "1E-5",
// "0,0001", "-123456789012345".
std::string FloatToStr(long double value, const TFormatSettings& fs = DefaultFormatSettings());
// The exact amount with the fewest decimals: "1", "1,5", "0,0001".
std::string CurrToStr(Currency value, const TFormatSettings& fs = DefaultFormatSettings());

// The integer `raw` read with `decimals` decimals, exactly and with "." as
// the separator, trailing zeros dropped: ScaledText(-12500, 4) is "-1.25".
std::string ScaledText(int64_t raw, int decimals);

// Picture formatting: up to three sections "positive;negative;zero" with
// '0' (digit), '#' (optional digit), '.' (decimal point), ',' (group the
// thousands), "E+00"/"E-00" (exponent), "..." and '...' literals. An empty
// picture gives FloatToStr. Rounds half away from zero.
std::string FormatFloat(std::string_view format, long double value,
                        const TFormatSettings& fs = DefaultFormatSettings());
std::string FormatCurr(std::string_view format, Currency value,
                       const TFormatSettings& fs = DefaultFormatSettings());

// Text to floating value: optional blanks, sign, digits with the settings'
// decimal separator (no thousands separators), optional exponent "E-5",
// optional blanks. StrToFloat raises EConvertError
// "'<text>' is not a valid floating point value".
long double StrToFloat(std::string_view s, const TFormatSettings& fs = DefaultFormatSettings());
bool TryStrToFloat(std::string_view s, long double& out,
                   const TFormatSettings& fs = DefaultFormatSettings());
bool TryStrToFloat(std::string_view s, double& out,
                   const TFormatSettings& fs = DefaultFormatSettings());
long double StrToFloatDef(std::string_view s, long double def,
                          const TFormatSettings& fs = DefaultFormatSettings());
// Text to Currency by the same rules, rounded to four decimals.
Currency StrToCurr(std::string_view s, const TFormatSettings& fs = DefaultFormatSettings());
bool TryStrToCurr(std::string_view s, Currency& out,
                  const TFormatSettings& fs = DefaultFormatSettings());

}  // namespace tv
