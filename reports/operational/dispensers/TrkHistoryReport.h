#pragma once
// The dispenser sales history (code 10): the operations of one dispenser
// from table TRK, all of a period or one page of at most 20 of the newest,
// as a text form ("history.frm") and an HTML page.

#include <string>

#include "platform/text/DateTime.h"

namespace tv {

class TReportCreator;

// `recentCount` < 0: every operation of the period, oldest first; n > 0:
// the n-th newest and up to 19 newer ones, oldest first; 0: an empty page.
// Both dates 0: from 1 January 2000 to now; `currentShift` takes the open
// shift's begin (from the host) to now instead. The text version goes to
// `text`, the HTML version to LastHTMLReport. Failures are exceptions; the
// temporary file is deleted on every path.
void MakeTrkHistoryReport(TReportCreator& creator, const std::string& trkName, int recentCount,
                          TDateTime begDate, TDateTime endDate, bool currentShift,
                          std::string& text);

}  // namespace tv
