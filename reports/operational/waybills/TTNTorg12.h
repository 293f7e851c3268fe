#pragma once
// The consignment note ТОРГ-12 of a waybill ('#' 7): the plain template
// "ТОРГ-12.html" or a numbered variant "ТОРГ-12-<n>.html"; the items go
// through the template's repeat row inside a group with a totals row, the
// total with VAT is also written out in words, and the waybill's VARLIST
// may carry extra variables.

#include <string>

namespace tv {

class THTML_Jet;
class TReportCreator;

// "ТОРГ-12.html" for variant 0, else "ТОРГ-12-<variant>.html" (a negative
// variant keeps its minus sign).
std::string Torg12TemplateName(int variant);

// Sets the extra variables that VARLIST's lines carry: of each line only
// the part after its first "=" counts (a line without "=" from its second
// character on); when that part holds "|", the text before the first "|"
// names the variable and the rest is its value, set when not empty.
void AddVarListVariables(THTML_Jet& jet, const std::string& varList);

// Builds the note into LastHTMLReport and sets `text` to the notice; a
// failure is raised with the context "ФормированиеТоварнойНакладнойТОРГ12"
// in front.
void PrintTorg12(TReportCreator& creator, int ttnId, int variant, std::string& text);

}  // namespace tv
