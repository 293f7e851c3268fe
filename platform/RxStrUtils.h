#pragma once
// Two string routines of the RX component library that the text-form
// generator relies on. Texts are Windows-1251 bytes; counts are bytes.

#include <string>
#include <string_view>

namespace tv {

// Every TAB character of `s` replaced by `numb` blanks (not tab stops: a TAB
// in the middle of a line also becomes exactly `numb` blanks). A `numb` below
// 1 removes the TABs.
std::string Tab2Space(std::string_view s, int numb);

// The first `n` characters of `s`; all of `s` when it is shorter, empty when
// `n` is 0 or less.
std::string LeftStr(std::string_view s, int n);

}  // namespace tv
