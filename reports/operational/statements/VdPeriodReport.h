#pragma once
// The statements for a period: what was sold on the chosen statement
// payment types (base kind 4) to each counterparty, as a cross table. One
// group per payment type; in it one row per counterparty with its day,
// week, month and total litre limits and, per fuel, litres, kilograms,
// money and price; a last column "ИТОГО" with the counterparty's totals;
// below the group the totals per fuel. The text version is filled on
// "C:\FUEL\FORMS\REPORT\vdPeriod.frm" (a column block per fuel), the HTML
// version on "Отчет по ведомостям за период.html". Report codes 11
// (period), 14 (closed shift or shift range), 16 (the open shift) and the
// statements section of the close-of-shift report.

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  smenaFrom, smenaTo first and last shift number as text (empty for a
//                     period)
//  operatorName       printed in the header of a shift report
//  begDate, endDate   the period, both ends included
//  mode               0 period, 1 one closed shift, 2 the open shift; a
//                     negative mode is 1 for smenaFrom = smenaTo, else 0
//  vidOplSelection    0/1 array over the payment-type table, or unassigned
//  formFile           the text form; empty: vdPeriod.frm
//  templateFile       the HTML template; empty: the built-in one's file
//  orgIDs             comma-separated counterparty ids, or empty for all
//  vidOplCodes        payment-type codes replacing the selection, or
//                     unassigned
// Nothing is caught; the temporary file, the data sets, the fuel column
// list and the engines are released on every exit.
void MakeVdPeriodReport(TReportCreator& creator, const std::string& smenaFrom,
                        const std::string& operatorName, TDateTime begDate, TDateTime endDate,
                        int mode, const std::string& smenaTo, const Variant& vidOplSelection,
                        const std::string& formFile, const std::string& templateFile,
                        const std::string& orgIDs, const Variant& vidOplCodes, std::string& text);

}  // namespace tv
