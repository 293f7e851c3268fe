#include "platform/text/FloatText.h"

#include <locale.h>

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/Exceptions.h"

namespace tv {
namespace {

// Unsigned big integer in base 10^9, least significant limb first: just
// enough to print the exact value of an extended number.
class BigDecimal {
 public:
  explicit BigDecimal(uint64_t v) {
    while (v != 0) {
      limbs_.push_back(static_cast<uint32_t>(v % kBase));
      v /= kBase;
    }
  }
  void Multiply(uint32_t m) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs_) {
      uint64_t t = static_cast<uint64_t>(limb) * m + carry;
      limb = static_cast<uint32_t>(t % kBase);
      carry = t / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }
  void MultiplyPow(uint32_t base, int power, uint32_t chunk, int chunkPower) {
    for (; power >= chunkPower; power -= chunkPower) Multiply(chunk);
    uint32_t rest = 1;
    for (; power > 0; --power) rest *= base;
    if (rest != 1) Multiply(rest);
  }
  std::string ToString() const {
    std::string out;
    for (size_t i = limbs_.size(); i-- > 0;) {
      std::string part = std::to_string(limbs_[i]);
      if (i + 1 != limbs_.size()) out.append(9 - part.size(), '0');
      out += part;
    }
    return out;
  }

 private:
  static constexpr uint64_t kBase = 1000000000;
  std::vector<uint32_t> limbs_;
};

// Adds one unit in the last digit; "999" becomes "1" with the exponent up.
void IncrementDigits(std::string& digits, int& exponent) {
  size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') --i;
  if (i == 0) {
    digits = "1";
    ++exponent;
    return;
  }
  digits.resize(i);
  ++digits[i - 1];
}

void StripTrailingZeros(TFloatRec& rec) {
  while (!rec.Digits.empty() && rec.Digits.back() == '0') rec.Digits.pop_back();
  if (rec.Digits.empty()) {
    rec.Exponent = 0;
    rec.Negative = false;
  }
}

// The exact decimal digits of |x| (x finite, non-zero).
void ExactDigits(long double x, TFloatRec& rec) {
  int exp2 = 0;
  long double m = std::frexp(std::fabs(x), &exp2);
  uint64_t mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
  int shift = exp2 - 64;
  int zeros = __builtin_ctzll(mantissa);
  mantissa >>= zeros;
  shift += zeros;
  BigDecimal big(mantissa);
  int fractionDigits = 0;
  if (shift >= 0) {
    big.MultiplyPow(2, shift, 1u << 29, 29);
  } else {
    big.MultiplyPow(5, -shift, 1220703125u, 13);  // 5^13
    fractionDigits = -shift;
  }
  rec.Digits = big.ToString();
  rec.Exponent = static_cast<int>(rec.Digits.size()) - fractionDigits;
}

// 5^k for k = 0..27: each fits in 63 bits, so that a 64-bit mantissa times
// one fits in 127.
constexpr auto kPow5 = [] {
  std::array<uint64_t, 28> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

constexpr uint64_t kE17 = 100000000000000000ULL, kE18 = 1000000000000000000ULL;

// The 18-digit cut of |x| (nearest, halves to even) worked out in 128-bit
// integers, without the exact digits: |x| * 10^k for the k that gives it 18
// digits before the point is the mantissa times 5^k shifted. False for the
// magnitudes where that does not fit (then the exact digits are cut).
bool FastDigits18(long double x, TFloatRec& rec) {
  int exp2 = 0;
  const uint64_t mantissa =
      static_cast<uint64_t>(std::ldexp(std::frexp(std::fabs(x), &exp2), 64));  // m * 2^(exp2-64)
  // log10(2) < 0.30103: the first guess is off by one at most.
  int k = 17 - static_cast<int>(std::floor((exp2 - 1) * 0.30102999566398120));
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (k < 0 || k >= static_cast<int>(kPow5.size())) return false;
    const int shift = 64 - exp2 - k;  // |x| * 10^k = mantissa * 5^k / 2^shift
    if (shift <= 0 || shift >= 127) return false;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPow5[k];
    const unsigned __int128 whole = scaled >> shift;
    if (whole >= kE18) {
      --k;
      continue;
    }
    if (whole < kE17) {
      ++k;
      continue;
    }
    const unsigned __int128 one = static_cast<unsigned __int128>(1) << shift;
    const unsigned __int128 rest = scaled & (one - 1), half = one >> 1;
    uint64_t digits = static_cast<uint64_t>(whole);
    int exponent = 18 - k;
    if (rest > half || (rest == half && (digits & 1) != 0)) ++digits;
    if (digits == kE18) {
      digits = kE17;
      ++exponent;
    }
    char buf[20];
    const auto r = std::to_chars(buf, buf + sizeof buf, digits);
    rec.Digits.assign(buf, r.ptr);
    rec.Exponent = exponent;
    return true;
  }
  return false;
}

// The 18-digit cut of the extended value: nearest, halves to even.
void CutTo18(TFloatRec& rec) {
  constexpr size_t kMax = 18;
  if (rec.Digits.size() <= kMax) return;
  char first = rec.Digits[kMax];
  bool restNonZero = rec.Digits.find_first_not_of('0', kMax + 1) != std::string::npos;
  bool odd = (rec.Digits[kMax - 1] - '0') % 2 != 0;
  bool up = first > '5' || (first == '5' && (restNonZero || odd));
  rec.Digits.resize(kMax);
  if (up) IncrementDigits(rec.Digits, rec.Exponent);
}

// Keeps at most `precision` significant digits and `decimals` digits after
// the point, the dropped part rounded half away from zero.
void RoundHalfUp(TFloatRec& rec, int precision, int decimals) {
  long long keep = std::min<long long>(precision, static_cast<long long>(rec.Exponent) + decimals);
  if (static_cast<long long>(rec.Digits.size()) > keep) {
    if (keep < 0) {
      rec.Digits.clear();
    } else {
      bool up = rec.Digits[keep] >= '5';
      rec.Digits.resize(keep);
      if (up) IncrementDigits(rec.Digits, rec.Exponent);
    }
  }
  StripTrailingZeros(rec);
}

char DigitAt(const TFloatRec& rec, long long index) {
  return index >= 0 && index < static_cast<long long>(rec.Digits.size()) ? rec.Digits[index] : '0';
}

std::string GroupThousands(const std::string& intPart, char separator) {
  if (separator == '\0' || intPart.size() <= 3) return intPart;
  std::string out;
  out.reserve(intPart.size() + intPart.size() / 3);
  for (size_t i = 0; i < intPart.size(); ++i) {
    if (i != 0 && (intPart.size() - i) % 3 == 0) out += separator;
    out += intPart[i];
  }
  return out;
}

std::string ExponentText(int exponent, int minDigits, bool plusSign) {
  std::string out = "E";
  if (exponent < 0) {
    out += '-';
  } else if (plusSign) {
    out += '+';
  }
  std::string digits = std::to_string(std::abs(exponent));
  if (static_cast<int>(digits.size()) < minDigits) out.append(minDigits - digits.size(), '0');
  return out + digits;
}

std::string GeneralText(const TFloatRec& rec, int precision, int digits,
                        const TFormatSettings& fs) {
  if (rec.Digits.empty()) return "0";
  std::string out = rec.Negative ? "-" : "";
  const int len = static_cast<int>(rec.Digits.size());
  if (rec.Exponent > precision || rec.Exponent < -3) {
    out += rec.Digits[0];
    if (len > 1) out += fs.DecimalSeparator + rec.Digits.substr(1);
    return out + ExponentText(rec.Exponent - 1, digits, false);
  }
  if (rec.Exponent <= 0) {
    out += '0';
    out += fs.DecimalSeparator;
    out.append(-rec.Exponent, '0');
    return out + rec.Digits;
  }
  for (int i = 0; i < rec.Exponent; ++i) out += DigitAt(rec, i);
  if (len > rec.Exponent) out += fs.DecimalSeparator + rec.Digits.substr(rec.Exponent);
  return out;
}

std::string ExponentFormText(const TFloatRec& rec, int precision, int digits,
                             const TFormatSettings& fs) {
  std::string out = rec.Negative ? "-" : "";
  out += DigitAt(rec, 0);
  if (precision > 1) {
    out += fs.DecimalSeparator;
    for (int i = 1; i < precision; ++i) out += DigitAt(rec, i);
  }
  int exponent = rec.Digits.empty() ? 0 : rec.Exponent - 1;
  return out + ExponentText(exponent, digits, true);
}

std::string CurrencyLayout(const std::string& number, bool negative, const TFormatSettings& fs) {
  static const char* const kPositive[] = {"$1", "1$", "$ 1", "1 $"};
  static const char* const kNegative[] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                          "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                          "$ -1", "1- $", "($ 1)", "(1 $)"};
  const char* layout =
      negative ? kNegative[fs.NegCurrFormat % 16] : kPositive[fs.CurrencyFormat % 4];
  std::string out;
  for (const char* p = layout; *p != '\0'; ++p) {
    if (*p == '$') {
      out += fs.CurrencyString;
    } else if (*p == '1') {
      out += number;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string FixedText(const TFloatRec& rec, TFloatFormat format, int digits,
                      const TFormatSettings& fs) {
  std::string intPart;
  if (rec.Exponent <= 0 || rec.Digits.empty()) {
    intPart = "0";
  } else {
    for (int i = 0; i < rec.Exponent; ++i) intPart += DigitAt(rec, i);
  }
  if (format != ffFixed) intPart = GroupThousands(intPart, fs.ThousandSeparator);
  std::string number = intPart;
  if (digits > 0) {
    number += fs.DecimalSeparator;
    for (int j = 0; j < digits; ++j)
      number += DigitAt(rec, static_cast<long long>(rec.Exponent) + j);
  }
  if (format == ffCurrency) return CurrencyLayout(number, rec.Negative, fs);
  return rec.Negative ? "-" + number : number;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

// Checks the runtime's float syntax and rewrites it for strtold.
bool NormaliseFloatText(std::string_view s, char decimalSeparator, std::string& out) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  while (n > i && s[n - 1] == ' ') --n;
  if (i < n && (s[i] == '+' || s[i] == '-')) out += s[i++];
  int mantissaDigits = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') out += s[i++], ++mantissaDigits;
  if (i < n && s[i] == decimalSeparator) {
    out += '.';
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') out += s[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < n && (s[i] == 'E' || s[i] == 'e')) {
    out += 'e';
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) out += s[i++];
    int expDigits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') out += s[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == n;
}

}  // namespace

TFloatRec FloatToDecimal(long double value, int precision, int decimals) {
  TFloatRec rec;
  if (std::isnan(value)) {
    rec.Special = TFloatRec::kNaN;
    return rec;
  }
  rec.Negative = std::signbit(value);
  if (std::isinf(value)) {
    rec.Special = TFloatRec::kInf;
    return rec;
  }
  if (value == 0) {
    rec.Negative = false;
    return rec;
  }
  if (!FastDigits18(value, rec)) {
    ExactDigits(value, rec);
    CutTo18(rec);
  }
  StripTrailingZeros(rec);
  RoundHalfUp(rec, Clamp(precision, 1, 18), decimals);
  return rec;
}

TFloatRec CurrToDecimal(Currency value, int decimals) {
  TFloatRec rec;
  int64_t raw = value.Raw();
  rec.Negative = raw < 0;
  uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  if (magnitude == 0) return TFloatRec{};
  rec.Digits = std::to_string(magnitude);
  rec.Exponent = static_cast<int>(rec.Digits.size()) - 4;
  RoundHalfUp(rec, 19, decimals);
  return rec;
}

std::string FloatRecToText(const TFloatRec& rec, TFloatFormat format, int precision, int digits,
                           const TFormatSettings& fs) {
  if (rec.Special == TFloatRec::kNaN) return "NAN";
  if (rec.Special == TFloatRec::kInf) return rec.Negative ? "-INF" : "INF";
  switch (format) {
    case ffGeneral:
      return GeneralText(rec, precision, Clamp(digits, 0, 4), fs);
    case ffExponent:
      return ExponentFormText(rec, precision, Clamp(digits, 0, 4), fs);
    default:
      if (rec.Exponent > precision) return GeneralText(rec, precision, 0, fs);
      return FixedText(rec, format, digits, fs);
  }
}

std::string FloatToStrF(long double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  precision = Clamp(precision, 1, 18);
  bool general = format == ffGeneral || format == ffExponent;
  if (!general) digits = Clamp(digits, 0, 18);
  TFloatRec rec = FloatToDecimal(value, precision, general ? 9999 : digits);
  return FloatRecToText(rec, format, precision, digits, fs);
}

std::string CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& fs) {
  bool general = format == ffGeneral || format == ffExponent;
  if (!general) digits = Clamp(digits, 0, 18);
  TFloatRec rec = CurrToDecimal(value, general ? 9999 : digits);
  return FloatRecToText(rec, format, 19, digits, fs);
}

std::string FloatToStr(long double value, const TFormatSettings& fs) {
  return FloatToStrF(value, ffGeneral, 15, 0, fs);
}

std::string CurrToStr(Currency value, const TFormatSettings& fs) {
  return CurrToStrF(value, ffGeneral, 0, fs);
}

bool TryStrToFloat(std::string_view s, long double& out, const TFormatSettings& fs) {
  std::string text;
  if (!NormaliseFloatText(s, fs.DecimalSeparator, text)) return false;
  char* end = nullptr;
  long double v = strtold_l(text.c_str(), &end, CLocale());
  if (end == nullptr || *end != '\0' || std::isinf(v) || std::isnan(v)) return false;
  out = v;
  return true;
}

bool TryStrToFloat(std::string_view s, double& out, const TFormatSettings& fs) {
  long double v = 0;
  if (!TryStrToFloat(s, v, fs) || std::fabs(v) > 1.7976931348623157e308L) return false;
  out = static_cast<double>(v);
  return true;
}

long double StrToFloat(std::string_view s, const TFormatSettings& fs) {
  long double v = 0;
  if (!TryStrToFloat(s, v, fs))
    throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return v;
}

long double StrToFloatDef(std::string_view s, long double def, const TFormatSettings& fs) {
  long double v = 0;
  return TryStrToFloat(s, v, fs) ? v : def;
}

bool TryStrToCurr(std::string_view s, Currency& out, const TFormatSettings& fs) {
  long double v = 0;
  if (!TryStrToFloat(s, v, fs) || std::fabs(v) >= 922337203685477.5807L) return false;
  out = Currency(v);
  return true;
}

Currency StrToCurr(std::string_view s, const TFormatSettings& fs) {
  Currency c;
  if (!TryStrToCurr(s, c, fs))
    throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return c;
}

std::string ScaledText(int64_t raw, int decimals) {
  const uint64_t mag = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  std::string digits = std::to_string(mag);
  if (static_cast<int>(digits.size()) <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  std::string text = (raw < 0 ? "-" : "") + digits.substr(0, digits.size() - decimals);
  std::string frac = digits.substr(digits.size() - decimals);
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  return frac.empty() ? text : text + "." + frac;
}

}  // namespace tv
