#pragma once
// The RX component library's string routine that the text-form generator
// relies on. (Its other one, LeftStr, behaves as the runtime's LeftStr in
// SysUtils.h: the first n characters.) Texts are Windows-1251 bytes; counts
// are bytes.

#include <string>
#include <string_view>

namespace tv {

// Every TAB character of `s` replaced by `numb` blanks (not tab stops: a TAB
// in the middle of a line also becomes exactly `numb` blanks). A `numb` below
// 1 removes the TABs.
std::string Tab2Space(std::string_view s, int numb);

}  // namespace tv
