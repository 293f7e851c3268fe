#pragma once
// Built-in text forms: the default text of each ".frm" form that the report
// builders open from "C:\FUEL\FORMS\REPORT\", held as named line lists for
// the start-up form check, which hands them to the forms library.
//
// The texts are the files of templates/forms/, embedded at build time as
// Windows-1251 with CR LF line ends, in registry order.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/text/StringList.h"

namespace tv::FormPatterns {

// Room of a pattern name, in bytes; longer names are cut to it.
inline constexpr std::size_t kNameCapacity = 23;

// One built-in form.
class CPattern {
 public:
  // The form's file base name (no folder, no extension), Windows-1251.
  std::string Name;
  // The form text, one item per line in file order, without line ends.
  TStringList Lines;
};

// A heap cell that holds the one reference to a pattern; a list's items
// refer to cells, and the forms library reads them in that form.
using TPatternCell = CPattern*;
using TPatternList = std::vector<TPatternCell*>;

// The current list; null before the first CreatePatterns.
extern TPatternList* Patterns;

// Makes the list of every built-in form in registry order current. The
// first call builds it; later calls make the same list current again (the
// texts are fixed, so every form check sees equal lists and none piles up).
// The list, its cells, patterns and line lists live until the process ends.
// Throws only std::bad_alloc, leaving the current list with the patterns
// added so far; the next call builds it again. Not thread-safe.
void CreatePatterns();

}  // namespace tv::FormPatterns
