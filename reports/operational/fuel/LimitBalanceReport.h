#pragma once
// The current limit balances: every live decreasing limit (VDLIMITS of
// type 5) of the counterparties whose payment type is one of the
// counterparty's contract settings, with its car, driver and fuel and the
// litres and money left on it, grouped by counterparty name with a totals
// row per group and grand totals. HTML only, on the template
// "Текущие остатки по лимитам.html"; extended report '#' 12.
//
// The limit statement is shared with the limit detail report.

#include <string>

namespace tv {

class TReportCreator;

// The statement over VDLIMITS with its two macros, "#ISDELETE#" and
// "#CONTRAGENT#", still in place (lines joined by CR LF).
const std::string& LimitStatement();

// The text that opens the error of a query that an older database schema
// cannot run; the server's message follows without a blank.
const std::string& OldVelmarMessage();

// Builds the report into `html`. A failing query raises Exception with
// OldVelmarMessage() followed by the server's message; the engine's errors
// pass on. The data set and the engine are freed on every exit.
void MakeLimitBalanceReport(TReportCreator& creator, std::string& html);

}  // namespace tv
