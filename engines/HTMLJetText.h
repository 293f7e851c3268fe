#pragma once
// Plain-text searches shared by the HTML engine's sources: bounded finds,
// the row walk over a table text and the piece cutting helpers. Positions
// are 0-based; npos means "not found".

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text/TextHash.h"

namespace tv::htmltext {

constexpr std::size_t npos = std::string_view::npos;

inline bool Contains(std::string_view s, std::string_view sub) { return s.find(sub) != npos; }

// s.find(what, from), by the C library's memmem: much faster than a search
// by the first character where that character is frequent ("<" in HTML).
std::size_t FindText(std::string_view s, std::string_view what, std::size_t from = 0);

// s.find(what, from) for the placeholder searches in a record's few
// kilobytes: the first character by memchr, the rest compared in place,
// which saves a library call per candidate where a search is run many times
// per record.
std::size_t FindPattern(std::string_view s, std::string_view what, std::size_t from = 0);

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

// Whether `text` keeps the record row searchable by its names alone: no "("
// anywhere, and every "&" opens a whole entity ("&", then letters, digits
// or "#", then ";"). With `placeholders`, every "&lt;" opens a whole
// placeholder ("&lt;#", a name without "&", "&gt;"); without, a text holds
// no "&lt;" at all (a value written into the row).
bool IsPlainText(std::string_view text, bool placeholders);

// A plain record row (IsPlainText with placeholders) kept as its
// template's literal pieces and the values of its placeholders. In a plain
// row a placeholder of a name is found only where the template has one, so
// a plain value goes into its placeholders without a search of the row or
// a move of the text after them, and the row is written once, whole, when
// the record ends. Anything else that would change the row writes it out
// first (Materialize) and goes on with the text.
class RowSlots {
 public:
  // Takes the placeholders of the template `row`; kept only when `plain`.
  void Build(std::string_view row, bool plain);
  // A new record from the template.
  void Reset();
  bool Active() const { return active_; }
  // Whether a placeholder of `name` is still unfilled.
  bool Holds(std::string_view name) const;
  // Writes `value` (plain) into every unfilled placeholder of `name`.
  void Fill(std::string_view name, std::string_view value);
  bool AllFilled() const { return unfilled_ == 0; }
  // Bytes of the row as it stands.
  std::size_t Size() const { return size_; }
  void AppendTo(std::string& out) const;
  // Puts the row as it stands into `row` and stops keeping it in pieces.
  void Materialize(std::string& row);

 private:
  struct Slot {
    std::size_t at = 0, length = 0;  // the placeholder in the template
    std::string value;
    bool filled = false;
  };
  // The placeholder's name: between "&lt;#" and "&gt;".
  std::string_view NameOf(const Slot& slot) const {
    return std::string_view(template_).substr(slot.at + 5, slot.length - 9);
  }

  std::string template_;
  std::vector<Slot> slots_;
  std::size_t unfilled_ = 0, size_ = 0;
  bool plain_ = false, active_ = false;
};

// What is known of the record row while a value goes into it: `plain`
// points at its plainness (kept up to date by the writer); `slots` is the
// row kept in pieces, while it is. Empty for other texts.
struct RowFill {
  bool* plain = nullptr;
  RowSlots* slots = nullptr;
};

// Writes `shown` in place of the placeholders `pattern` of `text`, the
// first of them found at `first`.
void ReplaceFound(std::string& text, std::size_t first, std::string_view pattern,
                  std::string_view shown, const RowFill& row);

// Writes the text that `shown()` gives in place of the placeholders
// `pattern` ("&lt;#" + name + "&gt;") of `text`; `shown` is asked only when
// there is one.
template <class Shown>
void FillPattern(std::string& text, std::string_view pattern, const RowFill& row, const Shown& shown) {
  if (row.slots != nullptr && row.slots->Active()) {
    const std::string_view name = pattern.substr(5, pattern.size() - 9);
    if (!row.slots->Holds(name)) return;
    const std::string_view value = shown();
    if (IsPlainText(value, false)) {
      row.slots->Fill(name, value);
      return;
    }
    row.slots->Materialize(text);
  }
  if (const std::size_t first = FindPattern(text, pattern); first != npos)
    ReplaceFound(text, first, pattern, shown(), row);
}

// The names of the placeholders a text holds, "&lt;#" + name + "&gt;" and
// "&lt;#" + name + "(", each name read up to the first "&" or "(": a value
// is then looked for only in the texts that can hold its name. Made on the
// first question; the owner resets it whenever the text changes.
class PlaceholderNames {
 public:
  // False only when `text` holds neither form of `name`. A name with "&"
  // or "(" in it is not read whole by the walk: ask only with other names.
  bool MayHold(std::string_view text, std::string_view name) { return Count(text, name) > 0; }
  // How many placeholders of either form of `name` `text` holds.
  int Count(std::string_view text, std::string_view name);
  void Reset() { ready_ = false; }

 private:
  std::unordered_map<std::string, int, TextHash, std::equal_to<>> names_;
  bool ready_ = false;
};

// A large text kept as chunks that are filled in place and never moved:
// it grows without being copied, and is handed on chunk by chunk so that a
// step can free each one as soon as it is done with it. An appended text
// always lies whole within one chunk. Chunks start small and double up to
// a size that the allocator maps on its own, so that a freed chunk goes
// back to the system at once.
class ChunkedText {
 public:
  // Room for `bytes` more in one chunk: the chunk to append them to.
  std::string& Room(std::size_t bytes);
  void Append(std::string_view text) { Room(text.size()) += text; }
  // Call after appending to the chunk that Room gave.
  void Appended(std::size_t bytes) { size_ += static_cast<std::int64_t>(bytes); }
  std::int64_t Size() const { return size_; }
  const std::vector<std::string>& Chunks() const { return chunks_; }
  // The chunks moved out (the last one without its unused room); the text
  // is left empty.
  std::vector<std::string> Take();
  void Clear();

  // The first `what` at or after `from` in the joined text; npos when none.
  std::size_t Find(std::string_view what, std::size_t from) const;
  // The joined text's [from, from + count), clipped to its end: a view of
  // the chunk that holds it, or of `scratch` filled with it.
  std::string_view View(std::size_t from, std::size_t count, std::string& scratch) const;

 private:
  // The chunk holding position `at` of the joined text and where it starts.
  std::size_t ChunkAt(std::size_t at, std::size_t& start) const;

  std::vector<std::string> chunks_;
  std::vector<std::size_t> starts_;  // where each chunk starts in the joined text
  std::int64_t size_ = 0;
};

}  // namespace tv::htmltext
