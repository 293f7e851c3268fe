#include "platform/text/Format.h"

#include "platform/Exceptions.h"
#include "platform/text/FloatText.h"

namespace tv {
namespace {

// Width and precision beyond this are taken as a broken format rather than
// a request for megabytes of blanks.
constexpr int kMaxNumber = 65535;

struct Directive {
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 0;  // lower case
};

class Formatter {
 public:
  Formatter(std::string_view fmt, const TVarRec* args, size_t count, const TFormatSettings& fs)
      : fmt_(fmt), args_(args), count_(count), fs_(fs) {}

  std::string Run() {
    out_.reserve(fmt_.size() + 16 * count_);
    size_t i = 0;
    while (i < fmt_.size()) {
      size_t percent = fmt_.find('%', i);
      if (percent == std::string_view::npos) percent = fmt_.size();
      out_.append(fmt_.substr(i, percent - i));
      if (percent == fmt_.size()) break;
      pos_ = percent + 1;
      if (pos_ < fmt_.size() && fmt_[pos_] == '%') {
        out_ += '%';
        i = pos_ + 1;
        continue;
      }
      Directive directive = ParseDirective();
      std::string text = Convert(directive, NextArg());
      Pad(text, directive);
      i = pos_;
    }
    return std::move(out_);
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + std::string(fmt_) + "' invalid or incompatible with argument");
  }

  const TVarRec& NextArg() {
    if (argIndex_ >= count_)
      throw EConvertError("No argument for format '" + std::string(fmt_) + "'");
    return args_[argIndex_++];
  }

  char Peek() const { return pos_ < fmt_.size() ? fmt_[pos_] : '\0'; }

  // A number or "*"; -1 when neither is there.
  int ReadNumber() {
    if (Peek() == '*') {
      ++pos_;
      const TVarRec& a = NextArg();
      if (a.kind() != TVarRec::vtInteger) Invalid();
      return static_cast<int>(a.AsInt());
    }
    if (Peek() < '0' || Peek() > '9') return -1;
    long value = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      value = value * 10 + (fmt_[pos_++] - '0');
      if (value > kMaxNumber) Invalid();
    }
    return static_cast<int>(value);
  }

  Directive ParseDirective() {
    Directive directive;
    int number = ReadNumber();
    if (Peek() == ':') {
      ++pos_;
      if (number < 0) Invalid();
      argIndex_ = static_cast<size_t>(number);
      number = -1;
    }
    if (number < 0) {
      if (Peek() == '-') {
        directive.left = true;
        ++pos_;
      }
      number = ReadNumber();
    }
    directive.width = number;
    if (Peek() == '.') {
      ++pos_;
      directive.precision = ReadNumber();
      if (directive.precision < 0) directive.precision = 0;
    }
    char t = Peek();
    if (t >= 'A' && t <= 'Z') t = static_cast<char>(t - 'A' + 'a');
    if (std::string_view("duefgnmpsx").find(t) == std::string_view::npos || t == '\0') Invalid();
    ++pos_;
    directive.type = t;
    return directive;
  }

  std::string Convert(const Directive& directive, const TVarRec& arg) {
    switch (directive.type) {
      case 'd':
      case 'u':
      case 'x':
        return Integer(directive, arg);
      case 's':
        return Text(directive, arg);
      case 'p':
        return Pointer(arg);
      default:
        return Float(directive, arg);
    }
  }

  std::string Integer(const Directive& directive, const TVarRec& arg) const {
    bool is32 = arg.kind() == TVarRec::vtInteger;
    if (!is32 && arg.kind() != TVarRec::vtInt64) Invalid();
    int64_t v = arg.AsInt();
    bool negative = false;
    uint64_t magnitude;
    if (directive.type == 'd') {
      negative = v < 0;
      magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    } else {
      magnitude = is32 ? static_cast<uint32_t>(v) : static_cast<uint64_t>(v);
    }
    std::string digits;
    const unsigned base = directive.type == 'x' ? 16 : 10;
    do {
      digits.insert(digits.begin(), "0123456789ABCDEF"[magnitude % base]);
      magnitude /= base;
    } while (magnitude != 0);
    if (directive.precision > static_cast<int>(digits.size()))
      digits.insert(0, directive.precision - digits.size(), '0');
    return negative ? "-" + digits : digits;
  }

  std::string Text(const Directive& directive, const TVarRec& arg) const {
    if (arg.kind() != TVarRec::vtString && arg.kind() != TVarRec::vtChar) Invalid();
    std::string_view s = arg.AsText();
    if (directive.precision >= 0 && static_cast<size_t>(directive.precision) < s.size())
      s = s.substr(0, directive.precision);
    return std::string(s);
  }

  std::string Pointer(const TVarRec& arg) const {
    if (arg.kind() != TVarRec::vtPointer) Invalid();
    auto v = reinterpret_cast<uintptr_t>(arg.AsPointer());
    std::string digits(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4) digits[i] = "0123456789ABCDEF"[v & 15];
    return digits;
  }

  std::string Float(const Directive& directive, const TVarRec& arg) const {
    bool currency = arg.kind() == TVarRec::vtCurrency;
    if (!currency && arg.kind() != TVarRec::vtExtended) Invalid();
    TFloatFormat format;
    int precision = 18;
    int digits = directive.precision;
    switch (directive.type) {
      case 'e':
        format = ffExponent;
        precision = directive.precision < 0 ? 15 : directive.precision;
        digits = 3;
        break;
      case 'g':
        format = ffGeneral;
        precision = directive.precision < 0 ? 15 : directive.precision;
        digits = 0;
        break;
      case 'f':
        format = ffFixed;
        break;
      case 'n':
        format = ffNumber;
        break;
      default:
        format = ffCurrency;
        if (digits < 0) digits = fs_.CurrencyDecimals;
        break;
    }
    if (digits < 0) digits = 2;
    if (currency && format != ffExponent && format != ffGeneral)
      return CurrToStrF(arg.AsCurrency(), format, digits, fs_);
    long double v = currency ? static_cast<long double>(arg.AsCurrency()) : arg.AsFloat();
    return FloatToStrF(v, format, precision, digits, fs_);
  }

  void Pad(const std::string& text, const Directive& directive) {
    size_t width = directive.width < 0 ? 0 : static_cast<size_t>(directive.width);
    if (text.size() >= width) {
      out_ += text;
    } else if (directive.left) {
      out_ += text;
      out_.append(width - text.size(), ' ');
    } else {
      out_.append(width - text.size(), ' ');
      out_ += text;
    }
  }

  std::string_view fmt_;
  const TVarRec* args_;
  size_t count_;
  const TFormatSettings& fs_;
  std::string out_;
  size_t pos_ = 0;
  size_t argIndex_ = 0;
};

}  // namespace

std::string FormatArgs(std::string_view fmt, const TVarRec* args, size_t count,
                       const TFormatSettings& fs) {
  return Formatter(fmt, args, count, fs).Run();
}

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
  return FormatArgs(fmt, args.begin(), args.size(), DefaultFormatSettings());
}

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args,
                   const TFormatSettings& fs) {
  return FormatArgs(fmt, args.begin(), args.size(), fs);
}

}  // namespace tv
