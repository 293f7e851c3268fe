#pragma once
// The dispenser restart reports over RESETTRK, the fills that a restart
// left unfinished: the detailed report (one group per shift, one block per
// fill) and, for a range of closed shifts with a caller's template, the
// summary with its per-shift and per-fuel tables. HTML only. The dispatcher
// serves '#' 11; the close-of-shift report calls the same entry point for
// its restart section.

#include <string>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"

namespace tv {

class TReportCreator;

// One shift of the summary: restarts counted and the shift's bounds.
struct TItogResetTRKInfo {
  int Count = 0;
  TDateTime BegTime = 0, EndTime = 0;
  std::string Operator;
};

// One fuel of the summary: the ordered and the rung-up amounts.
struct TItogResetGSM {
  Currency StSumma, StLiter, KKMSumma, KKMLiter;
};

// The records from `begDate` to `endDate` (begDate 0: the open shift from
// its begin to now). `templateName` empty: the detailed report on
// "Информация по перезагрузкам.html"; a name and a range of two different
// closed shifts give the summary instead. `html` receives the report, or
// the no-restarts notice when there are no records, when the database has
// no RESETTRK or lacks a column the report reads. Every other failure
// (the statement, the connection, a template) is raised.
void MakeResetTrkReports(TReportCreator& creator, int shiftFrom, int shiftTo, TDateTime begDate,
                         TDateTime endDate, const std::string& templateName, std::string& html);

}  // namespace tv
