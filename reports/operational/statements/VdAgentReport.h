#pragma once
// The counterparty statement: every sale to one counterparty on the chosen
// statement payment types (base kind 4) in a period or shift, optionally
// grouped by driver and by car with a subtotal row per group, followed by
// the totals and a summary per fuel. The text version is filled on the
// form "C:\FUEL\FORMS\REPORT\vdAgent.frm", the HTML version on the template
// "Ведомость по контрагенту.html". Report codes 12 (period), 15 (closed
// shift or shift range) and 17 (the open shift, through GetCurSmenaAgentReport of reports/shift).

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  orgName            the counterparty; rows match when the upper-cased
//                     names are equal
//  smenaFrom, smenaTo first and last shift number as text (empty for a
//                     period)
//  begDate, endDate   the period, both ends included
//  operatorName       printed after the rows of a shift report
//  vidOplSelection    0/1 array over the payment-type table, or unassigned
//  mode               0 period, 1 one closed shift, 2 the open shift; a
//                     negative mode is 1 for smenaFrom = smenaTo, else 0
//  groupByDriver, groupByCar  subtotal rows per driver / per car
//  driverFirst        the driver is the outer grouping
//  vidOplCodes        payment-type codes replacing the selection, or
//                     unassigned
// Nothing is caught: a failing query, form or template raises; the
// temporary file, the data set and the engines are released on every exit.
void MakeVdAgentReport(TReportCreator& creator, const std::string& orgName,
                       const std::string& smenaFrom, TDateTime begDate, TDateTime endDate,
                       const std::string& operatorName, const Variant& vidOplSelection, int mode,
                       bool groupByDriver, bool groupByCar, bool driverFirst,
                       const std::string& smenaTo, const Variant& vidOplCodes, std::string& text);

}  // namespace tv
