#pragma once
// The VAT invoice of a waybill ("Счет-фактура.html", '#' 6): its items go
// through the template's repeat row inside a group with a totals row, so a
// template without a group is refused.

#include <string>

namespace tv {

class TReportCreator;

// Builds the invoice into LastHTMLReport and sets `text` to the notice; a
// failure is raised with the context "ФормированиеСчетаФактуры" in front.
void PrintInvoice(TReportCreator& creator, int ttnId, std::string& text);

}  // namespace tv
