#include "platform/SysUtils.h"

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {
namespace {

std::string HexDigits(uint64_t v, int digits) {
  std::string out;
  do {
    out.insert(out.begin(), "0123456789ABCDEF"[v & 15]);
    v >>= 4;
  } while (v != 0);
  if (digits > static_cast<int>(out.size())) out.insert(0, digits - out.size(), '0');
  return out;
}

// The runtime's integer syntax. `bits` is 32 or 64; hexadecimal may fill
// all bits, decimal must fit the signed range.
bool ParseInteger(std::string_view s, int bits, int64_t& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return false;
  const uint64_t limit = bits == 32 ? 0xFFFFFFFFull : ~0ull;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    int d;
    char c = s[i];
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (hex && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else if (hex && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else {
      return false;
    }
    unsigned base = hex ? 16 : 10;
    if (value > (limit - d) / base) return false;
    value = value * base + d;
  }
  if (hex) {
    int64_t v = bits == 32 ? static_cast<int32_t>(static_cast<uint32_t>(value))
                           : static_cast<int64_t>(value);
    out = negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(v)) : v;
    return true;
  }
  const uint64_t maxPositive = bits == 32 ? 0x7FFFFFFFull : 0x7FFFFFFFFFFFFFFFull;
  if (value > maxPositive + (negative ? 1 : 0)) return false;
  out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view s) {
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

}  // namespace

std::string IntToStr(int64_t v) { return std::to_string(v); }

std::string IntToHex(uint64_t v, int digits) { return HexDigits(v, digits); }
std::string IntToHex(int64_t v, int digits) { return HexDigits(static_cast<uint64_t>(v), digits); }
std::string IntToHex(int v, int digits) { return HexDigits(static_cast<uint32_t>(v), digits); }
std::string IntToHex(unsigned v, int digits) { return HexDigits(v, digits); }

bool TryStrToInt(std::string_view s, int& out) {
  int64_t v = 0;
  if (!ParseInteger(s, 32, v)) return false;
  out = static_cast<int>(v);
  return true;
}

int StrToInt(std::string_view s) {
  int v = 0;
  if (!TryStrToInt(s, v)) InvalidInteger(s);
  return v;
}

int StrToIntDef(std::string_view s, int def) {
  int v = 0;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(std::string_view s, int64_t& out) { return ParseInteger(s, 64, out); }

int64_t StrToInt64(std::string_view s) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v)) InvalidInteger(s);
  return v;
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
  int64_t v = 0;
  return TryStrToInt64(s, v) ? v : def;
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
  return std::string(s.substr(0, n));
}

int Pos(std::string_view sub, std::string_view s) { return PosEx(sub, s, 1); }

int PosEx(std::string_view sub, std::string_view s, int offset) {
  if (sub.empty() || offset < 1 || static_cast<size_t>(offset) > s.size()) return 0;
  size_t p = s.find(sub, static_cast<size_t>(offset - 1));
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<size_t>(index) > s.size()) return {};
  return std::string(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

std::string LeftStr(std::string_view s, int count) { return Copy(s, 1, count); }

std::string RightStr(std::string_view s, int count) {
  if (count <= 0) return {};
  size_t n = static_cast<size_t>(count);
  return std::string(n >= s.size() ? s : s.substr(s.size() - n));
}

std::string StringOfChar(char c, int count) {
  return count <= 0 ? std::string() : std::string(static_cast<size_t>(count), c);
}

std::string QuotedStr(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '\'';
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, int flags) {
  if (oldPattern.empty()) return std::string(s);
  std::string searchIn, pattern;
  std::string_view hay = s, needle = oldPattern;
  if (flags & rfIgnoreCase) {
    searchIn = AnsiUpperCase(s);
    pattern = AnsiUpperCase(oldPattern);
    hay = searchIn;
    needle = pattern;
  }
  std::string out;
  out.reserve(s.size());
  size_t from = 0;
  while (from <= s.size()) {
    size_t p = hay.find(needle, from);
    if (p == std::string_view::npos) break;
    out.append(s.substr(from, p - from));
    out.append(newPattern);
    from = p + oldPattern.size();
    if (!(flags & rfReplaceAll)) break;
  }
  out.append(s.substr(std::min(from, s.size())));
  return out;
}

}  // namespace tv
