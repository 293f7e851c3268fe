#pragma once
// The contracts report ("Отпуск по договорным ценам"): for a shift, the
// litres and money sold to each customer (LogTran.Pokupatel) on each chosen
// contract payment type (base kind 8), as a cross table with a litre and
// money column pair per fuel of the shift (names that differ only in letter
// case are one fuel, under its first spelling) and a last pair "ИТОГО". One
// group per payment type with its totals. The text version is filled on
// "C:\FUEL\FORMS\REPORT\BNERep.frm" (a column block per fuel), the HTML
// version on "Отчет по договорам.html". Report codes 25 (closed shift) and
// 26 (the open shift, through GetCurSmenaBNEReport of reports/shift).

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  smenaText, operatorName  the shift number as text and its operator
//  date1, date2             the shift's span, both ends included
//  mode                     1 a closed shift, 2 the open shift
//  vidOplSelection          0/1 array over the payment-type table, or
//                           unassigned (then row 8 alone)
//  vidOplCodes              payment-type codes replacing the selection, or
//                           unassigned
// Every customer row of the text starts blank, and the text's closing totals
// are those of every row printed (the HTML keeps one totals row per payment
// type). Nothing is caught; everything is released on every exit.
void MakeBNEReport(TReportCreator& creator, const std::string& smenaText,
                   const std::string& operatorName, TDateTime date1, TDateTime date2, int mode,
                   const Variant& vidOplSelection, const Variant& vidOplCodes, std::string& text);

}  // namespace tv
