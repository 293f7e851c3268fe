#include "tests/templates/WebTemplateFacts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/text/Cp1251.h"

namespace tv::test {

namespace {

const std::set<std::string> kBlockWords = {"group",     "group1",    "group2",  "endgroup",
                                           "endgroup1", "endgroup2", "repeat",  "endrepeat",
                                           "itog",      "enditog",   "allitog", "endallitog"};

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  std::size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// "Name{1-5}" stands for Name1 ... Name5.
std::vector<std::string> Expand(const std::string& word) {
  std::size_t open = word.find('{');
  if (open == std::string::npos || word.back() != '}') return {word};
  std::size_t dash = word.find('-', open);
  int from = std::stoi(word.substr(open + 1, dash - open - 1));
  int to = std::stoi(word.substr(dash + 1, word.size() - dash - 2));
  std::vector<std::string> out;
  for (int i = from; i <= to; ++i) out.push_back(word.substr(0, open) + std::to_string(i));
  return out;
}

// Tags dropped, "&nbsp;" and line breaks as blanks, runs of blanks folded.
std::string Fold(const std::string& s) {
  std::string noTags;
  bool inTag = false;
  for (char c : s) {
    if (c == '<') inTag = true;
    if (!inTag) noTags += c;
    if (c == '>') inTag = false;
  }
  std::string out;
  for (std::size_t i = 0; i < noTags.size(); ++i) {
    char c = noTags[i];
    if (noTags.compare(i, 6, "&nbsp;") == 0) {
      c = ' ';
      i += 5;
    }
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  return Trim(out);
}

}  // namespace

std::vector<TWebTemplateFacts> LoadWebTemplateFacts() {
  std::vector<TWebTemplateFacts> all;
  const std::string path = TOLVAREN_TESTDATA_DIR "/templates/web_templates.txt";
  std::ifstream in(path);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return all;
  }
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      all.emplace_back();
      all.back().name = Utf8ToCp1251(line.substr(1, line.size() - 2));
      continue;
    }
    if (all.empty()) {
      ADD_FAILURE() << path << ": line before the first block: " << line;
      continue;
    }
    TWebTemplateFacts& f = all.back();
    std::size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string rest = Utf8ToCp1251(blank == std::string::npos ? "" : line.substr(blank + 1));
    if (key == "lines") {
      f.lines = std::stoul(rest);
    } else if (key == "param") {
      f.params.insert(rest);
    } else if (key == "comment") {
      f.comments.insert(rest);
    } else {
      std::vector<std::string> words;
      for (const std::string& w : Words(rest))
        for (const std::string& e : Expand(w)) words.push_back(e);
      if (key == "blocks")
        f.blocks.insert(f.blocks.end(), words.begin(), words.end());
      else if (key == "vars")
        f.vars.insert(words.begin(), words.end());
      else if (key == "row")
        f.row.insert(f.row.end(), words.begin(), words.end());
      else if (key == "itog")
        f.itog.insert(f.itog.end(), words.begin(), words.end());
      else if (key == "allitog")
        f.allitog.insert(f.allitog.end(), words.begin(), words.end());
      else
        ADD_FAILURE() << path << ": unknown keyword " << key;
    }
  }
  return all;
}

TDirectives ScanDirectives(const std::string& text) {
  static const std::string kOpen = "&lt;#", kClose = "&gt;";
  std::vector<std::size_t> open;
  std::map<std::size_t, std::string> found;  // by start, so in text order
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, kOpen.size(), kOpen) == 0) {
      open.push_back(i + kOpen.size());
      i += kOpen.size() - 1;
    } else if (!open.empty() && text.compare(i, kClose.size(), kClose) == 0) {
      found[open.back()] = text.substr(open.back(), i - open.back());
      open.pop_back();
      i += kClose.size() - 1;
    }
  }
  TDirectives d;
  d.unclosed = static_cast<int>(open.size());
  std::vector<std::string>* segment = nullptr;
  std::vector<std::string> pending;
  std::string segmentEnd;
  for (const auto& [start, content] : found) {
    if (content.rfind('%', 0) == 0) {
      d.comments.insert("%");
      continue;
    }
    if (content.rfind("CommentRep:", 0) == 0) {
      d.comments.insert("CommentRep");
      continue;
    }
    if (AnsiLowerCase(content).rfind("paramrep", 0) == 0) {
      std::string p = Fold(content.substr(8));
      std::size_t eq = p.find('=');
      d.params.insert(
          eq == std::string::npos ? p : Trim(p.substr(0, eq)) + "=" + Trim(p.substr(eq + 1)));
      continue;
    }
    std::string name = Trim(content.substr(0, content.find('(')));
    std::string lower = AnsiLowerCase(name);
    if (kBlockWords.count(lower) == 0) {
      d.vars.insert(name);
      if (segment != nullptr) pending.push_back(name);
      continue;
    }
    d.blocks.push_back(name);
    if (segment != nullptr && lower == segmentEnd) {
      segment->insert(segment->end(), pending.begin(), pending.end());
      segment = nullptr;
    } else if (lower == "repeat" || lower == "itog" || lower == "allitog") {
      segment = lower == "repeat" ? &d.row : lower == "itog" ? &d.itog : &d.allitog;
      segmentEnd = "end" + lower;
      pending.clear();
    }
  }
  return d;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

const std::vector<std::string>& LinesOf(const TStringList& list) {
  static std::map<const TStringList*, std::vector<std::string>> made;
  auto [at, fresh] = made.try_emplace(&list);
  if (fresh)
    for (int i = 0; i < list.Count(); ++i) at->second.push_back(list[i]);
  return at->second;
}

}  // namespace tv::test
