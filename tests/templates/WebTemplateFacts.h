#pragma once
// Test support: the facts of the built-in HTML templates as their
// descriptions give them (tests/data/templates/web_templates.txt), and a
// directive scanner that reads a template text the way its author wrote it.

#include <set>
#include <string>
#include <vector>

#include "platform/text/StringList.h"

namespace tv::test {

// One template's expected facts; texts in Windows-1251.
struct TWebTemplateFacts {
  std::string name;
  std::size_t lines = 0;
  std::vector<std::string> blocks;
  std::set<std::string> params;
  std::set<std::string> comments;
  std::set<std::string> vars;
  std::vector<std::string> row;
  std::vector<std::string> itog;
  std::vector<std::string> allitog;
};

// All 43 blocks of the data file, in file order. Fails the calling test
// (and returns what it read) when the file is missing or malformed.
std::vector<TWebTemplateFacts> LoadWebTemplateFacts();

// The directives of a template text, classified as in the data file.
struct TDirectives {
  std::vector<std::string> blocks;
  std::set<std::string> params;
  std::set<std::string> comments;
  std::set<std::string> vars;
  std::vector<std::string> row;
  std::vector<std::string> itog;
  std::vector<std::string> allitog;
  // Directives opened with "&lt;#" and never closed with "&gt;".
  int unclosed = 0;
};

// Scans "&lt;#" ... "&gt;" directives (nesting and line breaks allowed).
TDirectives ScanDirectives(const std::string& text);

// Lines joined with CR LF after each, as the template file holds them.
std::string JoinLines(const std::vector<std::string>& lines);

// The items of a string list as a vector, made once per list (the built-in
// lists are never released, so the reference stays valid).
const std::vector<std::string>& LinesOf(const TStringList& list);

}  // namespace tv::test
