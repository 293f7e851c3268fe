#include "zip/ZipMatch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bitset>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"

namespace tv::zip {
namespace {

// The character set of the star being matched, shared by the nested calls
// of one match as the original shared it process-wide.
struct StarSet {
  std::bitset<256> chars;
  bool negated = false;
  bool Empty() const { return chars.none(); }
  bool Admits(char c) const { return chars.test(static_cast<unsigned char>(c)) != negated; }
};

int Matcher(std::string_view p, std::string_view n, StarSet& set);

bool InRange(char c, char low, char high) {
  auto u = static_cast<unsigned char>(c);
  return static_cast<unsigned char>(low) <= u && u <= static_cast<unsigned char>(high);
}

// Reads the set that starts at p[i] == '<'; returns the index after its '>'.
size_t BuildSet(std::string_view p, size_t i, StarSet& set) {
  set.chars.reset();
  set.negated = false;
  ++i;
  if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
    set.negated = true;
    ++i;
  }
  while (i < p.size() && p[i] != '>') {
    char first = p[i];
    if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != '>') {
      for (int c = static_cast<unsigned char>(first); c <= static_cast<unsigned char>(p[i + 2]);
           ++c)
        set.chars.set(static_cast<size_t>(c));
      i += 3;
    } else {
      set.chars.set(static_cast<unsigned char>(first));
      ++i;
    }
  }
  if (i >= p.size()) {
    set.chars.reset();
    return i;
  }
  return i + 1;
}

int StarMatcher(std::string_view t, std::string_view m, StarSet& set) {
  bool hadPattern = !t.empty();
  size_t ti = 0;
  size_t j = 0;
  while (ti < t.size() && (t[ti] == '*' || t[ti] == '?') && j < m.size()) {
    if (t[ti] == '?') ++j;
    ++ti;
  }
  if (j >= m.size()) return kMatchNameEnded;
  if (hadPattern && ti >= t.size()) return kMatchOk;
  int code = kMatchNone;
  do {
    if (ti < t.size() && (t[ti] == m[j] || t[ti] == '<')) {
      code = Matcher(t.substr(ti), m.substr(j), set);
      if (code == kMatchOk) break;
    }
    if (!set.Empty() && !set.Admits(m[j])) return kMatchNameEnded;
    ++j;
  } while (j < m.size());
  if (code != kMatchOk && ti >= t.size() && j >= m.size()) code = kMatchOk;
  return code;
}

// One <...> item list against c, with p[i] just after '<'. Moves i to the
// closing '>' on success.
int MatchSet(std::string_view p, size_t& i, char c) {
  bool negated = false;
  if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
    negated = true;
    ++i;
  }
  if (i >= p.size() || p[i] == '>') return kMatchBadSet;
  bool hit = false;
  while (!hit) {
    if (i >= p.size()) return kMatchBadSet;
    if (p[i] == '>') break;
    char first = p[i];
    if (i + 1 < p.size() && p[i + 1] == '-') {
      if (i + 2 >= p.size() || p[i + 2] == '>') return kMatchBadSet;
      hit = InRange(c, first, p[i + 2]);
      i += 3;
    } else {
      hit = first == c;
      ++i;
    }
  }
  if (hit == negated) return kMatchSetFailed;
  if (hit) {
    while (i < p.size() && p[i] != '>') ++i;
    if (i >= p.size()) return kMatchBadSet;
  }
  return kMatchNone;
}

int Matcher(std::string_view p, std::string_view n, StarSet& set) {
  if (p == "*") return kMatchOk;
  int code = kMatchNone;
  size_t i = 0;
  size_t j = 0;
  while (code == kMatchNone && i < p.size()) {
    if (j >= n.size()) return p[i] == '*' && i + 1 == p.size() ? kMatchOk : kMatchNameEnded;
    if (p[i] == '*') {
      if (i + 1 < p.size() && p[i + 1] == '<') {
        i = BuildSet(p, i + 1, set);
        if (set.Empty()) return kMatchNameEnded;
      } else {
        set.chars.reset();
        set.negated = false;
      }
      code = StarMatcher(p.substr(i), n.substr(j), set);
    } else if (p[i] == '<') {
      ++i;
      code = MatchSet(p, i, n[j]);
    } else if (p[i] != '?' && p[i] != n[j]) {
      code = kMatchCharDiffers;
    }
    ++i;
    ++j;
  }
  if (code != kMatchNone) return code;
  return j < n.size() ? kMatchPatternEnded : kMatchOk;
}

}  // namespace

int ZipMatch(std::string_view pattern, std::string_view name) {
  StarSet set;
  std::string p = AnsiLowerCase(pattern);
  std::string n = AnsiLowerCase(name);
  return Matcher(p, n, set);
}

bool IsMatch(std::string_view pattern, std::string_view name) {
  return ZipMatch(pattern, name) == kMatchOk;
}

bool IsDirectory(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  std::string native = MapPath(path);
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(native.c_str(), X_OK) == 0;
}

void ForceDirectories(const std::string& path) {
  // Walks up to the first folder that exists, then creates the missing
  // ones downwards; a loop, since stored names may nest thousands deep.
  std::vector<std::string> missing;
  std::string rest = RemoveTrailingBackslash(path);
  while (rest.size() >= 3 && !IsDirectory(rest)) {
    missing.push_back(rest);
    std::string parent = RemoveTrailingBackslash(ExtractFilePath(rest));
    if (parent.size() >= rest.size()) break;
    rest = parent;
  }
  if (rest.size() == 2 && rest[1] == ':') {
    // A drive of its own ("C:") is a folder under the root here; it must
    // exist before anything can be made inside it.
    ::mkdir(RootFolder().c_str(), 0755);
    ::mkdir(MapPath(rest + "\\").c_str(), 0755);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) ::mkdir(MapPath(*it).c_str(), 0755);
}

std::string RemoveTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

bool YieldProcess() { return false; }

}  // namespace tv::zip
