#include "engines/HTMLJetText.h"

#include <algorithm>

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

}  // namespace tv::htmltext
