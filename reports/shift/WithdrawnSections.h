#pragma once
// The movement (kind 6) and cashless-breakdown (kind 7) sections of the
// close-of-shift report, whose HTML versions were withdrawn: they still
// fill their text forms and put a notice into the HTML version instead.

#include <string>
#include <string_view>

namespace tv {

class TRepGen;
class TStringList;

// The text form of a withdrawn section: an empty name is `defaultName`; a
// bare name is looked up as every section's (FindShiftForm); a name that
// starts with a drive letter and a colon is read on drive C, where the
// station keeps its forms ("D:\F\Smena5.FRM" -> "C:\F\Smena5.FRM"); any
// other name with a folder is used as given.
std::string WithdrawnFormName(std::string_view formName, std::string_view defaultName);

// The rows of the cashless breakdown: one repeat row per fuel of `fuels`
// (TGSMInfo_2) with its name and price; each sales row at position i of a
// fuel sets the litres and kilograms of its payment type (TL/TK for 1,
// BL/BK 2, BNL/BNK 3, VL/VK 4, ATL/ATK 7, BEL/BEK 8, TLL/TLK 9; a later row
// of the type wins) and, when its check type is 1 to 5, "L" + i and "K" + i.
void WriteCashlessRows(TRepGen& rep, const TStringList& fuels);

}  // namespace tv
