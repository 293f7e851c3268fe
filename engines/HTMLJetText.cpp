#include "engines/HTMLJetText.h"

#include <string.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/SysUtils.h"

namespace tv::htmltext {

std::size_t FindText(std::string_view s, std::string_view what, std::size_t from) {
  if (from > s.size()) return npos;
  if (what.empty()) return from;
  const void* hit = ::memmem(s.data() + from, s.size() - from, what.data(), what.size());
  return hit == nullptr ? npos : static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
}

std::size_t FindPattern(std::string_view s, std::string_view what, std::size_t from) {
  if (what.empty()) return from <= s.size() ? from : npos;
  if (from >= s.size() || s.size() - from < what.size()) return npos;
  const char* const base = s.data();
  const char* const last = base + (s.size() - what.size());  // the last possible start
  const char first = what[0];
  const char* rest = what.data() + 1;
  const std::size_t restSize = what.size() - 1;
  for (const char* p = base + from; p <= last;) {
    p = static_cast<const char*>(std::memchr(p, first, static_cast<std::size_t>(last - p) + 1));
    if (p == nullptr) return npos;
    std::size_t i = 0;
    for (; i + 8 <= restSize; i += 8) {
      std::uint64_t a, b;
      std::memcpy(&a, p + 1 + i, 8);
      std::memcpy(&b, rest + i, 8);
      if (a != b) break;
    }
    if (i + 8 > restSize) {
      while (i < restSize && p[1 + i] == rest[i]) ++i;
      if (i == restSize) return static_cast<std::size_t>(p - base);
    }
    ++p;
  }
  return npos;
}

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
  if (FindPattern(text, pattern, first + pattern.size()) == npos) {
    text.replace(first, pattern.size(), value);
    return;
  }
  std::string out;
  out.reserve(text.size() + value.size());
  std::size_t from = 0;
  for (std::size_t p = first; p != npos; p = FindPattern(text, pattern, from)) {
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
  // a * 10^k has 18 digits: a first guess from the binary exponent (log10(2)
  // a shade below 0.30103), off by one at most, then put right.
  int k = 17 - static_cast<int>(std::floor((exp2 - 1) * 0.30102999566398120));
  unsigned __int128 scaled = 0, whole = 0;
  int shift = 0;
  for (int attempt = 0;; ++attempt) {
    if (attempt == 3 || k < 0 || k > 27) return ThroughText(x);
    scaled = static_cast<unsigned __int128>(mantissa) * (kPow10[k] >> k);
    // a * 10^k = scaled * 2^(exp2 - 64 + k), as 10^k = 5^k * 2^k.
    shift = 64 - exp2 - k;
    if (shift <= 0 || shift >= 127) return ThroughText(x);
    whole = scaled >> shift;
    if (whole >= kPow10[18])
      --k;
    else if (whole < kPow10[17])
      ++k;
    else
      break;
  }
  const unsigned __int128 one = static_cast<unsigned __int128>(1) << shift;
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

bool IsPlainText(std::string_view text, bool placeholders) {
  const auto entityChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
  };
  if (text.find('(') != npos) return false;
  for (std::size_t p = text.find('&'); p != npos; p = text.find('&', p + 1)) {
    std::size_t end = p + 1;
    while (end < text.size() && entityChar(text[end])) ++end;
    if (end == p + 1 || end == text.size() || text[end] != ';') return false;
    if (text.compare(p, 4, "&lt;") != 0) continue;
    if (!placeholders || text.compare(p + 4, 1, "#") != 0) return false;
    const std::size_t close = text.find('&', p + 5);
    if (close == npos || close == p + 5 || text.compare(close, 4, "&gt;") != 0) return false;
  }
  return true;
}

void ReplaceFound(std::string& text, std::size_t first, std::string_view pattern,
                  std::string_view shown, const RowFill& row) {
  ReplaceAllFrom(text, first, pattern, shown);
  if (row.plain != nullptr && *row.plain) *row.plain = IsPlainText(shown, false);
}

void RowSlots::Build(std::string_view row, bool plain) {
  template_.assign(row);
  slots_.clear();
  plain_ = plain;
  if (plain) {
    // A plain template's every "&lt;" opens "&lt;#" + name + "&gt;", the
    // name without "&".
    for (std::size_t p = template_.find("&lt;#"); p != npos; p = template_.find("&lt;#", p)) {
      const std::size_t close = template_.find("&gt;", p + 5);
      Slot slot;
      slot.at = p;
      slot.length = close + 4 - p;
      slots_.push_back(std::move(slot));
      p = close + 4;
    }
  }
  Reset();
}

void RowSlots::Reset() {
  for (Slot& slot : slots_) slot.filled = false;
  unfilled_ = slots_.size();
  size_ = template_.size();
  active_ = plain_;
}

bool RowSlots::Holds(std::string_view name) const {
  for (const Slot& slot : slots_)
    if (!slot.filled && NameOf(slot) == name) return true;
  return false;
}

void RowSlots::Fill(std::string_view name, std::string_view value) {
  for (Slot& slot : slots_) {
    if (slot.filled || NameOf(slot) != name) continue;
    slot.value.assign(value);
    slot.filled = true;
    --unfilled_;
    size_ = size_ - slot.length + value.size();
  }
}

void RowSlots::AppendTo(std::string& out) const {
  std::size_t from = 0;
  for (const Slot& slot : slots_) {
    out.append(template_, from, slot.at - from);
    if (slot.filled)
      out += slot.value;
    else
      out.append(template_, slot.at, slot.length);
    from = slot.at + slot.length;
  }
  out.append(template_, from, npos);
}

void RowSlots::Materialize(std::string& row) {
  row.clear();
  row.reserve(size_);
  AppendTo(row);
  active_ = false;
}

int PlaceholderNames::Count(std::string_view text, std::string_view name) {
  if (!ready_) {
    names_.clear();
    for (std::size_t p = text.find("&lt;#"); p != npos; p = text.find("&lt;#", p + 5)) {
      const std::size_t end = text.find_first_of("&(", p + 5);
      if (end == npos) break;
      if (text[end] == '(' || text.compare(end, 4, "&gt;") == 0)
        ++names_[std::string(text.substr(p + 5, end - p - 5))];
    }
    ready_ = true;
  }
  if (names_.empty()) return 0;
  const auto it = names_.find(name);
  return it == names_.end() ? 0 : it->second;
}

namespace {

constexpr std::size_t kFirstChunk = 16 * 1024;
// Above the largest size from which glibc's malloc still serves a block
// from its heap (32 MiB): every such chunk is mapped and unmapped alone.
constexpr std::size_t kLargestChunk = 48 * 1024 * 1024;

}  // namespace

std::string& ChunkedText::Room(std::size_t bytes) {
  if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < bytes) {
    const std::size_t last = chunks_.empty() ? 0 : chunks_.back().capacity();
    std::string chunk;
    chunk.reserve(std::max(bytes, std::clamp(2 * last, kFirstChunk, kLargestChunk)));
    starts_.push_back(static_cast<std::size_t>(size_));
    chunks_.push_back(std::move(chunk));
  }
  return chunks_.back();
}

std::vector<std::string> ChunkedText::Take() {
  if (!chunks_.empty()) {
    std::string& last = chunks_.back();
    if (last.capacity() - last.size() > std::max<std::size_t>(last.size(), 4096))
      last.shrink_to_fit();
  }
  std::vector<std::string> chunks = std::move(chunks_);
  Clear();
  return chunks;
}

void ChunkedText::Clear() {
  chunks_.clear();
  starts_.clear();
  size_ = 0;
}

std::size_t ChunkedText::ChunkAt(std::size_t at, std::size_t& start) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), at);
  const std::size_t i = it == starts_.begin() ? 0 : static_cast<std::size_t>(it - starts_.begin()) - 1;
  start = starts_.empty() ? 0 : starts_[i];
  return i;
}

std::size_t ChunkedText::Find(std::string_view what, std::size_t from) const {
  if (what.empty() || from >= static_cast<std::size_t>(size_)) return npos;
  std::size_t start = 0;
  std::size_t at = 0;
  for (std::size_t i = ChunkAt(from, start); i < chunks_.size(); ++i, at = 0) {
    const std::string& chunk = chunks_[i];
    if (starts_[i] <= from) at = from - starts_[i];
    const std::size_t hit = chunk.find(what, at);
    if (hit != npos) return starts_[i] + hit;
    if (i + 1 < chunks_.size()) {
      // An occurrence that runs on into the next chunk.
      const std::size_t keep = std::min(chunk.size() - std::min(at, chunk.size()), what.size() - 1);
      const std::string seam =
          chunk.substr(chunk.size() - keep) + chunks_[i + 1].substr(0, what.size() - 1);
      const std::size_t s = seam.find(what);
      if (s != npos) return starts_[i] + chunk.size() - keep + s;
    }
  }
  return npos;
}

std::string_view ChunkedText::View(std::size_t from, std::size_t count, std::string& scratch) const {
  std::size_t start = 0;
  const std::size_t i = ChunkAt(from, start);
  if (i < chunks_.size() && from - start + count <= chunks_[i].size())
    return std::string_view(chunks_[i]).substr(from - start, count);
  scratch.clear();
  for (std::size_t k = i; k < chunks_.size() && count > 0; ++k) {
    const std::size_t at = from > starts_[k] ? from - starts_[k] : 0;
    if (at >= chunks_[k].size()) continue;
    const std::size_t n = std::min(count, chunks_[k].size() - at);
    scratch.append(chunks_[k], at, n);
    count -= n;
  }
  return scratch;
}

}  // namespace tv::htmltext
