#pragma once
// The limit detail report "Детализация по убывающим лимитам": for one
// counterparty and a period, each of its decreasing limits with the
// top-ups from the limit history and the counterparty's statement sales
// that the limit covers, in date order, with totals per limit and for the
// report. HTML only, on the template "Детализация лимитов.html"; extended
// report '#' 13.
//
// A sale is shown under the first limit (in limit-name order) that accepts
// it: its fuel matches the limit's fuel (or the limit's fuel is "ВСЕ") and
// its car (for a car limit) or driver (for a driver limit) matches, letter
// case ignored; once shown it is not shown again. The name may match
// several counterparties (letter case ignored): each limit takes the
// top-ups and sales of its own counterparty only.

#include <string>

#include "platform/text/DateTime.h"

namespace tv {

class TReportCreator;

// Builds the report into `html`.
//  orgName           the counterparty; matched upper-cased
//  begDate, endDate  the period, both ends included
// When the movements cannot be read (an older schema) raises Exception
// with OldVelmarMessage() followed by the caught message; other errors pass
// on. Everything is freed on every exit.
void MakeLimitDetailReport(TReportCreator& creator, const std::string& orgName,
                           std::string& html, TDateTime begDate, TDateTime endDate);

}  // namespace tv
