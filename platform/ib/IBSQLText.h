#pragma once
// Statement texts of a data set and their named parameters.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The lines of one statement text, joined by CR LF. Counts its changes, so a
// data set knows when to prepare again.
class TSQLStrings {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Strings(int i) const { return lines_.at(i); }
  void Add(std::string line);
  void Clear();
  // Replaces the lines by `text` split at CR LF, LF or CR.
  void SetText(std::string_view text);
  std::string Text() const;
  uint64_t Version() const { return version_; }

 private:
  std::vector<std::string> lines_;
  uint64_t version_ = 0;
};

// The statement text with every ":Name" parameter replaced by "?" and the
// names in order of appearance (upper-cased; a name may repeat). Colons in
// string literals, quoted identifiers and comments are left alone; a name is
// letters, digits, "_" and "$", or any text in double quotes (:"Name").
struct ParsedSQL {
  std::string text;
  std::vector<std::string> names;
};
ParsedSQL ParseParamSQL(std::string_view sql);

}  // namespace tv
