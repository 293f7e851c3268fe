#include "foundation/XMUtils.h"

#include <algorithm>
#include <array>

#include "foundation/SafeIniFiles.h"
#include "platform/text/Cp1251.h"
#include "platform/text/FloatText.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"

namespace tv {
namespace {

using Words = std::array<const std::string*, 10>;

const Words& Units() {
  static const Words w = {&""_w,      &"один "_w,  &"два "_w,  &"три "_w,    &"четыре "_w,
                          &"пять "_w, &"шесть "_w, &"семь "_w, &"восемь "_w, &"девять "_w};
  return w;
}
const Words& Tens() {
  static const Words w = {
      &""_w,           &"десять "_w,     &"двадцать "_w,  &"тридцать "_w,    &"сорок "_w,
      &"пятьдесят "_w, &"шестьдесят "_w, &"семьдесят "_w, &"восемьдесят "_w, &"девяносто "_w};
  return w;
}
const Words& Teens() {
  static const Words w = {&""_w,
                          &"одиннадцать "_w,
                          &"двенадцать "_w,
                          &"тринадцать "_w,
                          &"четырнадцать "_w,
                          &"пятнадцать "_w,
                          &"шестнадцать "_w,
                          &"семнадцать "_w,
                          &"восемнадцать "_w,
                          &"девятнадцать "_w};
  return w;
}
const Words& Hundreds() {
  static const Words w = {&""_w,           &"сто "_w,      &"двести "_w,   &"триста "_w,
                          &"четыреста "_w, &"пятьсот "_w,  &"шестьсот "_w, &"семьсот "_w,
                          &"восемьсот "_w, &"девятьсот "_w};
  return w;
}

// Singular, 2-4 and other forms of a unit name.
struct UnitName {
  const std::string& one;
  const std::string& few;
  const std::string& many;
};

// The three digits of a group ("7" is 0, 0, 7).
struct Group {
  int h = 0, t = 0, u = 0;
  bool IsZero() const { return h == 0 && t == 0 && u == 0; }
};

Group GroupOf(std::string_view digits) {
  Group g;
  int n = static_cast<int>(digits.size());
  if (n > 0) g.u = digits[n - 1] - '0';
  if (n > 1) g.t = digits[n - 2] - '0';
  if (n > 2) g.h = digits[n - 3] - '0';
  return g;
}

const std::string& NameFor(int t, int u, const UnitName& name) {
  if (u == 1 && t != 1) return name.one;
  if (u >= 2 && u <= 4 && t != 1) return name.few;
  return name.many;
}

void AppendGroupWords(std::string& out, const Group& g, bool feminine) {
  out += *Hundreds()[g.h];
  if (g.t == 1 && g.u != 0) {
    out += *Teens()[g.u];
    return;
  }
  out += *Tens()[g.t];
  if (feminine && g.u == 1) {
    out += "одна "_w;
  } else if (feminine && g.u == 2) {
    out += "две "_w;
  } else {
    out += *Units()[g.u];
  }
}

std::string Overflow() { return std::string(25, '*'); }

}  // namespace

const TFormatSettings& DBFormatSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings fs = DefaultFormatSettings();
    fs.ShortDateFormat = fs.LongDateFormat = "yyyy/mm/dd";
    fs.ShortTimeFormat = fs.LongTimeFormat = "hh:nn:ss.zzz";
    fs.DateSeparator = '-';
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = '.';
    return fs;
  }();
  return settings;
}

std::string AmountInWords(long double amount) {
  std::string text = FloatToStrF(amount, ffFixed, 12, 2);
  if (!text.empty() && text[0] == '-') text.erase(0, 1);
  if (text.empty() || text.size() > 12) return Overflow();
  size_t sep = text.find_first_of(",.");
  // Anything but digits, one separator and two kopeck digits (NAN, INF or
  // an exponent form) cannot be put into words.
  if (sep == std::string::npos || sep == 0 || text.size() - sep != 3 ||
      text.find_first_not_of("0123456789", 0) != sep ||
      text.find_first_not_of("0123456789", sep + 1) != std::string::npos)
    return Overflow();
  std::string_view whole(text.data(), sep);
  std::string_view kopecks(text.data() + sep + 1, 2);

  static const UnitName kMillions{"миллион "_w, "миллиона "_w, "миллионов "_w};
  static const UnitName kThousands{"тысяча "_w, "тысячи "_w, "тысяч "_w};
  static const UnitName kRubles{"рубль "_w, "рубля "_w, "рублей "_w};
  static const UnitName kKopecks{"копейка "_w, "копейки "_w, "копеек "_w};

  std::string out;
  size_t n = whole.size();
  if (n >= 7) {
    Group millions = GroupOf(whole.substr(0, n - 6));
    AppendGroupWords(out, millions, false);
    out += NameFor(millions.t, millions.u, kMillions);
  }
  if (n >= 4) {
    Group thousands = GroupOf(whole.substr(n >= 6 ? n - 6 : 0, std::min<size_t>(3, n - 3)));
    if (!thousands.IsZero()) {
      AppendGroupWords(out, thousands, true);
      out += NameFor(thousands.t, thousands.u, kThousands);
    }
  }
  Group units = GroupOf(whole.substr(n >= 3 ? n - 3 : 0));
  AppendGroupWords(out, units, false);
  if (out.empty()) out += "ноль "_w;
  out += NameFor(units.t, units.u, kRubles);
  out += kopecks;
  out += ' ';
  out += NameFor(kopecks[0] - '0', kopecks[1] - '0', kKopecks);
  // Lowering the code by 32 turns a Windows-1251 small letter а..я into
  // its capital; every text starts with one of them.
  auto first = static_cast<unsigned char>(out[0]);
  if (first >= 0xE0) out[0] = static_cast<char>(first - 32);
  return out;
}

std::unique_ptr<Exception> MakeContextException(const std::exception& e, std::string_view context,
                                                bool addClassName) {
  const auto* own = dynamic_cast<const Exception*>(&e);
  std::string message(context);
  message += " -> ";
  message += own != nullptr ? own->Message() : std::string(e.what());
  if (addClassName && message.find(" <# ") == std::string::npos) {
    message += " <# ";
    message += own != nullptr ? own->ClassName() : "Exception";
    message += " #>";
  }
  if (own != nullptr) return own->Clone(std::move(message));
  return std::make_unique<Exception>(std::move(message));
}

std::string DateTimeToDBStr(bool withMs, TDateTime v) {
  return FormatDateTime(withMs ? "yyyy/mm/dd hh:nn:ss.zzz" : "yyyy/mm/dd hh:nn:ss", v,
                        DBFormatSettings());
}

namespace {

// Creates a global object: first under "Global\" + name, then under the
// plain name; failures become the routine's own message and context.
template <typename Make>
auto CreateGlobal(const std::string& name, int* lastError, const std::string& failure,
                  std::string_view context, Make make) -> decltype(make(name)) {
  try {
    decltype(make(name)) object;
    try {
      object = make("Global\\" + name);
    } catch (const EOSError&) {
      try {
        object = make(name);
      } catch (const EOSError&) {
      }
    }
    if (lastError != nullptr) *lastError = GetLastError();
    if (!object) throw Exception(Format(failure, {SysErrorMessage(GetLastError())}));
    return object;
  } catch (const std::exception& e) {
    MakeContextException(e, context, true)->Raise();
  }
  __builtin_unreachable();
}

}  // namespace

std::unique_ptr<NamedMutex> CreateGlobalMutex(const std::string& name, int* lastError) {
  return CreateGlobal(name, lastError, "Ошибка создания объекта \"мьютекс\": %s"_w,
                      "СозданиеМьютекса"_w,
                      [](const std::string& n) { return NamedMutex::Create(n); });
}

std::unique_ptr<SharedMemory> CreateGlobalFileMapping(const std::string& name, uint64_t size,
                                                      int* lastError) {
  return CreateGlobal(
      name, lastError, "Ошибка создания объекта \"FileMapping\": %s"_w, "СозданиеFileMapping"_w,
      [size](const std::string& n) { return SharedMemory::Create(n, static_cast<size_t>(size)); });
}

std::string FastStringReplace(std::string_view s, std::string_view oldPattern,
                              std::string_view newPattern, int flags) {
  return StringReplace(s, oldPattern, newPattern, flags);
}

std::string ReadCnfIniValue(const std::string& section, const std::string& ident,
                            const std::string& def) {
  TSafeIniFile ini(GetWindowsDir() + "cnf.ini");
  return ini.ReadQuotedString(section, ident, def, '`');
}

std::string VariantToDebugStr(const Variant& v) {
  VarType type = v.Type();
  switch (type) {
    case VarType::String:
    case VarType::OleStr:
      return "str:" + SafeIniFiles::StrToHexStr(v.AsString());
    case VarType::Empty:
    case VarType::Smallint:
    case VarType::Integer:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Int64: {
      std::string out = "raw:";
      for (uint32_t word : v.RawImage()) out += IntToHex(word, 8) + "#";
      out.pop_back();
      return out;
    }
    default:
      break;
  }
  if (v.IsArray() && v.DimCount() == 1 &&
      type == static_cast<VarType>(0x2000 | static_cast<uint16_t>(VarType::Variant))) {
    // Request arrays start at 0; a higher lower bound is rendered from it
    // rather than failing in the log line.
    std::string out = "varar:";
    for (int i = std::max(0, v.LowBound()); i <= v.HighBound(); ++i)
      out += SafeIniFiles::StrToHexStr(VariantToDebugStr(v[i])) + "#";
    if (out.back() == '#') out.pop_back();
    return out;
  }
  return {};
}

std::string ReverseStr(std::string_view s) { return std::string(s.rbegin(), s.rend()); }

int LastPos(std::string_view sub, std::string_view s) {
  int p = Pos(ReverseStr(sub), ReverseStr(s));
  return p > 0 ? static_cast<int>(s.size()) - static_cast<int>(sub.size()) - p + 2 : 0;
}

int PosFrom(std::string_view sub, std::string_view s, int offset) {
  return PosEx(sub, s, offset < 1 ? 1 : offset);
}

int NthPos(std::string_view sub, std::string_view s, int n) {
  int offset = 0, result = 0;
  for (int i = 0; i < n; ++i) {
    result = PosFrom(sub, s, offset);
    offset = static_cast<int>(sub.size()) + result + 1;
  }
  return result;
}

std::string ExtractNumberPrefix(std::string_view s, const TFormatSettings& fs) {
  std::string text = Trim(s);
  text.erase(std::remove(text.begin(), text.end(), fs.ThousandSeparator), text.end());
  text = Trim(text);
  size_t n = 0;
  while (n < text.size() &&
         ((text[n] >= '0' && text[n] <= '9') || text[n] == '-' || text[n] == fs.DecimalSeparator))
    ++n;
  return text.substr(0, n);
}

std::string NoBr(std::string_view s) {
  std::string out = "<nobr>";
  out += s;
  out += "</nobr>";
  return out;
}

}  // namespace tv
