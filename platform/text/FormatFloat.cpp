// Picture formatting of FormatFloat and FormatCurr (declared in FloatText.h).
#include <functional>
#include <vector>

#include "platform/text/FloatText.h"

namespace tv {
namespace {

// What one section of a picture asks for.
struct Picture {
  std::string_view text;
  int intPlaces = 0;     // '0' and '#' before the point
  int minIntDigits = 0;  // from the first '0' before the point to the point
  int decPlaces = 0;     // placeholders after the point
  int minDecDigits = 0;  // up to the last '0' after the point
  bool thousands = false;
  bool scientific = false;
};

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsExponentAt(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (IsQuote(format[i])) {
      size_t close = format.find(format[i], i + 1);
      i = close == std::string_view::npos ? format.size() - 1 : close;
    } else if (format[i] == ';' && sections.size() < 2) {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

Picture Analyse(std::string_view text) {
  Picture pic;
  pic.text = text;
  bool point = false;
  int firstZero = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsQuote(c)) {
      size_t close = text.find(c, i + 1);
      i = close == std::string_view::npos ? text.size() : close;
    } else if (c == '0' || c == '#') {
      if (!point) {
        if (c == '0' && firstZero < 0) firstZero = pic.intPlaces;
        ++pic.intPlaces;
      } else {
        ++pic.decPlaces;
        if (c == '0') pic.minDecDigits = pic.decPlaces;
      }
    } else if (c == '.') {
      point = true;
    } else if (c == ',') {
      pic.thousands = true;
    } else if (IsExponentAt(text, i)) {
      pic.scientific = true;
      break;
    }
  }
  pic.minIntDigits = firstZero < 0 ? 0 : pic.intPlaces - firstZero;
  return pic;
}

char DigitOf(const TFloatRec& rec, long long index) {
  return index >= 0 && index < static_cast<long long>(rec.Digits.size()) ? rec.Digits[index] : '0';
}

// Renders one section with an already rounded value.
class SectionWriter {
 public:
  SectionWriter(const Picture& pic, const TFloatRec& rec, const TFormatSettings& fs)
      : pic_(pic), fs_(fs) {
    int intDigits = pic.scientific ? std::max(pic.intPlaces, 1) : std::max(rec.Exponent, 0);
    for (int i = 0; i < intDigits; ++i) int_ += DigitOf(rec, i);
    if (!pic.scientific) {
      size_t nonZero = int_.find_first_not_of('0');
      int_ = nonZero == std::string::npos ? "" : int_.substr(nonZero);
    }
    if (static_cast<int>(int_.size()) < pic.minIntDigits)
      int_.insert(0, pic.minIntDigits - int_.size(), '0');
    long long fracStart = pic.scientific ? intDigits : rec.Exponent;
    for (int j = 0; j < pic.decPlaces; ++j) frac_ += DigitOf(rec, fracStart + j);
    while (static_cast<int>(frac_.size()) > pic.minDecDigits && frac_.back() == '0')
      frac_.pop_back();
    exponent_ = rec.Digits.empty() ? 0 : rec.Exponent - intDigits;
  }

  std::string Write() {
    std::string_view t = pic_.text;
    for (size_t i = 0; i < t.size(); ++i) {
      char c = t[i];
      if (IsQuote(c)) {
        size_t close = t.find(c, i + 1);
        if (close == std::string_view::npos) close = t.size();
        out_.append(t.substr(i + 1, close - i - 1));
        i = close;
      } else if (c == '0' || c == '#') {
        Placeholder();
      } else if (c == '.' && !afterPoint_) {
        if (pic_.intPlaces == 0) EmitInt(0);
        afterPoint_ = true;
        if (!frac_.empty()) out_ += fs_.DecimalSeparator;
      } else if (c == ',') {
        continue;
      } else if (pic_.scientific && IsExponentAt(t, i)) {
        i = Exponent(i);
      } else {
        out_ += c;
      }
    }
    return out_;
  }

 private:
  void Placeholder() {
    if (afterPoint_) {
      if (fracIndex_ < static_cast<int>(frac_.size())) out_ += frac_[fracIndex_];
      ++fracIndex_;
    } else {
      EmitInt(intIndex_++);
    }
  }

  // Placeholder k of the integer part; the first one takes every digit the
  // picture has no room for.
  void EmitInt(int k) {
    long long len = static_cast<long long>(int_.size());
    long long offset = len - pic_.intPlaces;
    long long from = k == 0 ? 0 : offset + k;
    long long to = offset + k;
    if (pic_.intPlaces == 0) to = len - 1;
    for (long long p = std::max(from, 0LL); p <= to && p < len; ++p) {
      out_ += int_[p];
      long long left = len - 1 - p;
      if (pic_.thousands && fs_.ThousandSeparator != '\0' && left > 0 && left % 3 == 0)
        out_ += fs_.ThousandSeparator;
    }
  }

  size_t Exponent(size_t i) {
    std::string_view t = pic_.text;
    out_ += t[i];
    if (exponent_ < 0) {
      out_ += '-';
    } else if (t[i + 1] == '+') {
      out_ += '+';
    }
    size_t j = i + 2;
    size_t zeros = 0;
    while (j < t.size() && t[j] == '0') ++zeros, ++j;
    std::string digits = std::to_string(exponent_ < 0 ? -exponent_ : exponent_);
    if (digits.size() < zeros) out_.append(zeros - digits.size(), '0');
    out_ += digits;
    return j - 1;
  }

  const Picture& pic_;
  const TFormatSettings& fs_;
  std::string int_, frac_, out_;
  int exponent_ = 0;
  int intIndex_ = 0;
  int fracIndex_ = 0;
  bool afterPoint_ = false;
};

using Rounder = std::function<TFloatRec(int precision, int decimals)>;

TFloatRec RoundFor(const Picture& pic, const Rounder& round) {
  if (!pic.scientific) return round(18, pic.decPlaces);
  return round(std::min(std::max(pic.intPlaces + pic.decPlaces, 1), 18), 9999);
}

std::string PictureText(std::string_view format, int sign, const Rounder& round,
                        const TFormatSettings& fs) {
  std::vector<std::string_view> sections = SplitSections(format);
  auto usable = [&](size_t i) { return sections.size() > i && !sections[i].empty(); };
  size_t index = sign > 0 ? 0 : (sign < 0 ? (usable(1) ? 1 : 0) : (usable(2) ? 2 : 0));
  Picture pic = Analyse(sections[index]);
  TFloatRec rec = RoundFor(pic, round);
  if (rec.Special != TFloatRec::kFinite) return FloatRecToText(rec, ffGeneral, 15, 0, fs);
  if (!pic.scientific && rec.Exponent > 18) return FloatRecToText(rec, ffGeneral, 15, 0, fs);
  bool minus = sign < 0 && index == 0;
  if (rec.Digits.empty() && sign != 0) {
    minus = false;
    if (usable(2)) {
      pic = Analyse(sections[2]);
      rec = TFloatRec{};
    }
  }
  std::string text = SectionWriter(pic, rec, fs).Write();
  return minus ? "-" + text : text;
}

}  // namespace

std::string FormatFloat(std::string_view format, long double value, const TFormatSettings& fs) {
  if (format.empty()) return FloatToStr(value, fs);
  int sign = value > 0 ? 1 : (value < 0 ? -1 : 0);
  return PictureText(
      format, sign,
      [value](int precision, int decimals) {
        TFloatRec rec = FloatToDecimal(value, precision, decimals);
        if (rec.Special == TFloatRec::kFinite) rec.Negative = false;
        return rec;
      },
      fs);
}

std::string FormatCurr(std::string_view format, Currency value, const TFormatSettings& fs) {
  if (format.empty()) return CurrToStr(value, fs);
  int sign = value.Raw() > 0 ? 1 : (value.Raw() < 0 ? -1 : 0);
  return PictureText(
      format, sign,
      [value](int precision, int decimals) {
        TFloatRec rec = CurrToDecimal(value, decimals);
        if (precision < static_cast<int>(rec.Digits.size()) && decimals == 9999)
          rec = FloatToDecimal(static_cast<long double>(value), precision, decimals);
        rec.Negative = false;
        return rec;
      },
      fs);
}

}  // namespace tv
