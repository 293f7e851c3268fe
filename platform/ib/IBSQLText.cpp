#include "platform/ib/IBSQLText.h"

#include "platform/text/Cp1251.h"

namespace tv {

void TSQLStrings::Add(std::string line) {
  lines_.push_back(std::move(line));
  ++version_;
}

void TSQLStrings::Clear() {
  lines_.clear();
  ++version_;
}

void TSQLStrings::SetText(std::string_view text) {
  lines_.clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines_.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines_.emplace_back(text.substr(start));
  ++version_;
}

std::string TSQLStrings::Text() const {
  std::string text;
  for (const auto& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$';
}

// Index just past the end of the literal, identifier or comment that starts
// at i, or i itself when none starts there.
std::size_t SkipQuoted(std::string_view s, std::size_t i) {
  const char c = s[i];
  if (c == '\'' || c == '"') {
    std::size_t j = i + 1;
    while (j < s.size()) {
      if (s[j] == c) {
        if (j + 1 < s.size() && s[j + 1] == c) {
          j += 2;  // doubled quote inside
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return s.size();
  }
  if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
    std::size_t end = s.find_first_of("\r\n", i);
    return end == std::string_view::npos ? s.size() : end;
  }
  if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
    std::size_t end = s.find("*/", i + 2);
    return end == std::string_view::npos ? s.size() : end + 2;
  }
  return i;
}

}  // namespace

ParsedSQL ParseParamSQL(std::string_view sql) {
  ParsedSQL out;
  out.text.reserve(sql.size());
  std::size_t i = 0;
  while (i < sql.size()) {
    const std::size_t skipped = SkipQuoted(sql, i);
    if (skipped != i) {
      out.text.append(sql.substr(i, skipped - i));
      i = skipped;
      continue;
    }
    if (sql[i] == ':' && i + 1 < sql.size()) {
      if (sql[i + 1] == '"') {
        const std::size_t end = sql.find('"', i + 2);
        if (end != std::string_view::npos) {
          out.names.emplace_back(sql.substr(i + 2, end - i - 2));
          out.text += '?';
          i = end + 1;
          continue;
        }
      } else if (IsNameChar(sql[i + 1])) {
        std::size_t end = i + 1;
        while (end < sql.size() && IsNameChar(sql[end])) ++end;
        out.names.push_back(AnsiUpperCase(std::string(sql.substr(i + 1, end - i - 1))));
        out.text += '?';
        i = end;
        continue;
      }
    }
    out.text += sql[i++];
  }
  return out;
}

}  // namespace tv
