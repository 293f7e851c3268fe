#pragma once
// Filling the "~Name~" slots of one line of a text form.

#include <functional>
#include <string>
#include <string_view>

namespace tv {

// Gives the value of a slot from the name written between its tildes.
using TSlotValueFunc = std::function<std::string(std::string_view name)>;

// Appends `line` to `out` with every slot replaced by its value.
//
// A slot stands from one "~" to the next. Its value is written left-aligned
// and padded with blanks to the slot's own width (name + 2); "~R~" and "~N~"
// (exactly these upper-case names) are narrow: at least 1 and 2 characters,
// and they always take exactly their three template characters. A slot
// followed by "@" ("~Name~@") takes its value at its own length and drops
// the "@". Values are never cut: a longer value takes the place of the
// template characters after its slot, but never of the next "~" and never of
// the last character of a line that holds no further "~" (a table border)
// when that character stands two or more places after the slot. Values are
// not searched for slots again. Lines of any length are handled.
void SubstituteSlots(std::string_view line, const TSlotValueFunc& valueOf, std::string& out);

}  // namespace tv
