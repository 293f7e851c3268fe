#pragma once
// Wildcard matching of file names, and a few small helpers the other units
// of the component share.
//
// Pattern language (case is ignored; a match covers the whole name):
//   *       any run of characters, the empty run included
//   ?       exactly one character
//   <...>   one character of a set of characters and ranges (a-z); a "!" or
//           "^" right after "<" negates the set
//   *<...>  a run of characters that all belong to the set
// Matching is re-entrant: the set of the current star lives in the call.

#include <string>
#include <string_view>

namespace tv::zip {

// Result codes of the matcher.
enum MatchCode : int {
  kMatchNone = 0,          // no attempt was made (internal)
  kMatchOk = 1,            // the name matches
  kMatchPatternEnded = 2,  // the pattern ended while the name has characters left
  kMatchNameEnded = 3,     // the name ended early, or a star's set rejected a character
  kMatchSetFailed = 4,     // a character fails a <...> set
  kMatchCharDiffers = 5,   // a character differs
  kMatchBadSet = 6,        // a <...> set is empty or the pattern ends inside it
};

// The matcher's code for a pattern and a name.
int ZipMatch(std::string_view pattern, std::string_view name);
// True exactly when the matcher's code is kMatchOk.
bool IsMatch(std::string_view pattern, std::string_view name);

// True when the path names an existing folder that can be entered.
bool IsDirectory(const std::string& path);
// Creates the folder and any missing parents; failures are ignored.
void ForceDirectories(const std::string& path);
// The path without one trailing backslash.
std::string RemoveTrailingBackslash(const std::string& path);
// Keeps a host window responsive during long loops. There is no message
// queue here, so it never sees a quit request and returns False.
bool YieldProcess();

}  // namespace tv::zip
