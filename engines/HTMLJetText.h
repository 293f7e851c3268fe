#pragma once
// Plain-text searches shared by the HTML engine's sources: bounded finds,
// the row walk over a table text and the piece cutting helpers. Positions
// are 0-based; npos means "not found".

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tv::htmltext {

constexpr std::size_t npos = std::string_view::npos;

inline bool Contains(std::string_view s, std::string_view sub) { return s.find(sub) != npos; }

// The text before / after the first `mark` (empty when there is none).
std::string_view Before(std::string_view s, std::string_view mark);
std::string_view After(std::string_view s, std::string_view mark);

// Non-overlapping occurrences of `sub`.
int Count(std::string_view s, std::string_view sub);

// Lower-cased ASCII letters of `s`; other bytes unchanged.
std::string AsciiLower(std::string_view s);

// The rows (or cells) of a table text in order: the i-th element runs from
// the i-th opening tag through the i-th closing tag and one character more
// (">"), the two tags counted on their own, each search resuming one
// character past the previous match.
class PairCursor {
 public:
  PairCursor(std::string_view text, std::string_view open, std::string_view close)
      : text_(text), open_(open), close_(close) {}
  // The next element; false when no further complete element exists.
  bool Next(std::string_view& element);
  // Position of the element last returned.
  std::size_t Start() const { return start_; }

 private:
  std::string_view text_, open_, close_;
  std::size_t openFrom_ = 0;
  std::size_t closeFrom_ = 0;
  std::size_t start_ = 0;
};

class RowCursor : public PairCursor {
 public:
  explicit RowCursor(std::string_view text) : PairCursor(text, "<tr", "</tr") {}
};

class CellCursor : public PairCursor {
 public:
  explicit CellCursor(std::string_view row) : PairCursor(row, "<td", "</td") {}
};

// From the first "<tr" through the end of the last "</tr>"; empty when
// either is missing.
std::string_view TableRows(std::string_view text);

// Every `pattern` of `text` (not empty) replaced by `value`, from the left
// without overlaps, as StringReplace does; `first` is the position of the
// first one, found by the caller (npos: there is none).
void ReplaceAllFrom(std::string& text, std::size_t first, std::string_view pattern,
                    std::string_view value);

// The value that FloatToStr(x) reads back as with the default settings
// (0 for an infinity, whose text reads as no number), worked out without
// the text where the arithmetic below is exact.
long double ThroughGeneralText(long double x);

// The names of the placeholders a text holds, "&lt;#" + name + "&gt;" and
// "&lt;#" + name + "(", each name read up to the first "&" or "(": a value
// is then looked for only in the texts that can hold its name. Made on the
// first question; the owner resets it whenever the text changes.
class PlaceholderNames {
 public:
  // False only when `text` holds neither form of `name`. A name with "&"
  // or "(" in it is not read whole by the walk: ask only with other names.
  bool MayHold(std::string_view text, std::string_view name);
  void Reset() { ready_ = false; }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> names_;
  bool ready_ = false;
};

}  // namespace tv::htmltext
