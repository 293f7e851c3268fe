#include "engines/HTMLJetText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "platform/SysUtils.h"

namespace tv::htmltext {

std::string_view Before(std::string_view s, std::string_view mark) {
  std::size_t p = s.find(mark);
  return p == npos ? std::string_view() : s.substr(0, p);
}

std::string_view After(std::string_view s, std::string_view mark) {
  std::size_t p = s.find(mark);
  return p == npos ? std::string_view() : s.substr(p + mark.size());
}

int Count(std::string_view s, std::string_view sub) {
  if (sub.empty()) return 0;
  int n = 0;
  for (std::size_t p = s.find(sub); p != npos; p = s.find(sub, p + sub.size())) ++n;
  return n;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool PairCursor::Next(std::string_view& element) {
  const std::size_t open = text_.find(open_, openFrom_);
  const std::size_t close = text_.find(close_, closeFrom_);
  if (open == npos || close == npos) return false;
  openFrom_ = open + open_.size() + 1;
  closeFrom_ = close + close_.size() + 1;
  const std::size_t end = std::min(close + close_.size() + 1, text_.size());
  if (end <= open) return false;
  start_ = open;
  element = text_.substr(open, end - open);
  return true;
}

std::string_view TableRows(std::string_view text) {
  const std::size_t first = text.find("<tr");
  const std::size_t last = text.rfind("</tr");
  if (first == npos || last == npos) return {};
  const std::size_t end = std::min(last + 5, text.size());
  if (end <= first) return {};
  return text.substr(first, end - first);
}

void ReplaceAllFrom(std::string& text, std::size_t first, std::string_view pattern,
                    std::string_view value) {
  if (first == npos) return;
  // One place, the usual case: replaced where it is, without a new text.
  if (text.find(pattern, first + pattern.size()) == npos) {
    text.replace(first, pattern.size(), value);
    return;
  }
  std::string out;
  out.reserve(text.size() + value.size());
  std::size_t from = 0;
  for (std::size_t p = first; p != npos; p = text.find(pattern, from)) {
    out.append(text, from, p - from);
    out += value;
    from = p + pattern.size();
  }
  out.append(text, from, npos);
  text = std::move(out);
}

namespace {

long double ThroughText(long double x) {
  long double value = 0;
  return TryStrToFloat(FloatToStr(x), value) ? value : 0;
}

// 10^n for 0 <= n <= 27, exact in a long double and in 128 bits.
constexpr std::array<unsigned __int128, 28> kPow10 = [] {
  std::array<unsigned __int128, 28> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

}  // namespace

long double ThroughGeneralText(long double x) {
  // FloatToStr cuts the exact decimal digits to 18 (nearest, halves to
  // even) and then rounds to 15 (halves up); the text reads back as the
  // long double nearest to that decimal. Worked out here in 128-bit
  // integers for the magnitudes of report sums; the rest goes through text.
  if (!std::isfinite(x) || x == 0) return ThroughText(x);
  const long double a = std::fabs(x);
  if (a < 1e-6L || a >= 1e16L) return ThroughText(x);
  int exp2 = 0;
  const std::uint64_t mantissa =
      static_cast<std::uint64_t>(std::ldexp(std::frexp(a, &exp2), 64));  // a = m * 2^(exp2-64)
  const int k = 17 - static_cast<int>(std::floor(std::log10(a)));      // a * 10^k has 18 digits
  if (k < 0 || k > 27) return ThroughText(x);
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * (kPow10[k] >> k);
  // a * 10^k = scaled * 2^(exp2 - 64 + k), as 10^k = 5^k * 2^k.
  const int shift = 64 - exp2 - k;
  if (shift <= 0 || shift >= 127) return ThroughText(x);
  const unsigned __int128 one = static_cast<unsigned __int128>(1) << shift;
  const unsigned __int128 whole = scaled >> shift;
  if (whole >= kPow10[18]) return ThroughText(x);
  std::uint64_t digits = static_cast<std::uint64_t>(whole);
  const unsigned __int128 rest = scaled & (one - 1), half = one >> 1;
  if (rest > half || (rest == half && (digits & 1) != 0)) ++digits;
  if (digits < kPow10[17] || digits >= kPow10[18]) return ThroughText(x);
  const std::uint64_t cut15 = digits / 1000 + (digits % 1000 >= 500);
  const int decimals = k - 3;  // the value is cut15 / 10^decimals
  long double value = decimals >= 0
                          ? static_cast<long double>(cut15) / static_cast<long double>(kPow10[decimals])
                          : static_cast<long double>(cut15) * static_cast<long double>(kPow10[-decimals]);
  return x < 0 ? -value : value;
}

bool PlaceholderNames::MayHold(std::string_view text, std::string_view name) {
  if (!ready_) {
    names_.clear();
    for (std::size_t p = text.find("&lt;#"); p != npos; p = text.find("&lt;#", p + 5)) {
      const std::size_t end = text.find_first_of("&(", p + 5);
      if (end == npos) break;
      if (text[end] == '(' || text.compare(end, 4, "&gt;") == 0)
        names_.emplace(text.substr(p + 5, end - p - 5));
    }
    ready_ = true;
  }
  return !names_.empty() && names_.find(name) != names_.end();
}

}  // namespace tv::htmltext
