#pragma once
// The movement (kind 6) and cashless-breakdown (kind 7) sections of the
// close-of-shift report, whose HTML versions were withdrawn: they still
// fill their text forms and put a notice into the HTML version instead.

#include <string>
#include <string_view>

namespace tv {

// The text form of a withdrawn section: an empty name is `defaultName`; a
// bare name is looked up as every section's (FindShiftForm); a name that
// starts with a drive letter and a colon is read on drive C, where the
// station keeps its forms ("D:\F\Smena5.FRM" -> "C:\F\Smena5.FRM"); any
// other name with a folder is used as given.
std::string WithdrawnFormName(std::string_view formName, std::string_view defaultName);

}  // namespace tv
