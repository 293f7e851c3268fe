#pragma once
// The two sides of the waybill form 1-T: the goods section ("ТТН1.html",
// '#' 4) and the transport section ("ТТН2.html", '#' 5). The form has fixed
// item lines, so each detail row sets numbered variables ("ПКод1",
// "ПКод2" ...) that the template places; nothing is repeated.

#include <string>

namespace tv {

class TReportCreator;

// Builds the page into LastHTMLReport and sets `text` to the notice.
// Failures pass on.
void PrintTTN(TReportCreator& creator, int ttnId, bool firstPage, std::string& text);
// PrintTTN with the page's failure context in front
// ("ФормированиеТоварногоРазделаТТН", "ФормированиеТранспортногоРазделаТТН").
void PrintTTNPage1(TReportCreator& creator, int ttnId, std::string& text);
void PrintTTNPage2(TReportCreator& creator, int ttnId, std::string& text);

}  // namespace tv
