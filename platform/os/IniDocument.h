#pragma once
// The text of an INI file as the Windows profile functions see it, edited in
// place: every byte that an edit does not touch stays as it was (other
// lines, comments, line ends, garbage).
//
// Parsing: lines end at LF (a CR before it belongs to the line end). A line
// whose first non-blank character is "[" starts a section; its name runs to
// the last "]" (or the line end) and is trimmed. Inside a section a line
// with "=" is a key: the name is the trimmed text before the first "=", the
// value the trimmed text after it. Other lines are kept and ignored. Names
// match without regard to letter case (Windows-1251 tables); the first
// matching section and, within it, the first matching key win.
//
// Editing: a changed key keeps its line and its spelling; a new key goes
// after the last non-empty line of its section; a new section is appended
// at the end of the file. New lines end with CR LF.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view bytes);

  std::string Bytes() const;

  // The raw value (trimmed, quotes still in place) or nullopt.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Section names in file order (each name once).
  std::vector<std::string> Sections() const;
  // Key names of the first matching section, in file order.
  std::vector<std::string> Keys(std::string_view section) const;
  bool HasSection(std::string_view section) const;

  // Sets key=value, creating the section and the key when missing.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Creates an empty section when missing.
  void AddSection(std::string_view section);
  // Removes the first matching key line; false when there was none.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines.
  bool EraseSection(std::string_view section);

  // One pair of enclosing double quotes removed, as the profile read does.
  static std::string Unquote(std::string_view raw);

 private:
  enum class Kind { kOther, kSection, kKey };
  struct Line {
    std::string text;  // without the line end
    std::string eol;   // "\r\n", "\n" or "" (last line)
    Kind kind = Kind::kOther;
    std::string name;   // section or key name
    std::string value;  // key value, trimmed
  };

  static Line Parse(std::string text, std::string eol);
  int FindSection(std::string_view section) const;  // index of the header line or -1
  int SectionEnd(int header) const;                 // index after the section's last line
  int FindKey(int header, std::string_view key) const;
  void InsertLine(int at, std::string text);

  std::vector<Line> lines_;
};

// Parses the file as it is now; a missing or unreadable file is empty.
IniDocument LoadIniFile(const std::string& windowsPath);

// Re-reads the file, lets `edit` change it and, when `edit` returns true,
// replaces the file atomically, all under the cross-process lock of the
// path, so concurrent writers lose nothing. Raises EIniFileException
// "Unable to write to <path>" with the Windows code in GetLastError.
void ModifyIniFile(const std::string& windowsPath, const std::function<bool(IniDocument&)>& edit);

}  // namespace tv
