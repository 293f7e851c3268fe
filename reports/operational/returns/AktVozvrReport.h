#pragma once
// The old return act (report codes 21 and 22): the return rows of BCHECK of
// one cash register in a period, both bounds excluded, on the text form
// "C:\FUEL\FORMS\REPORT\AktVozvr.frm", with their total in figures and in
// words. Only the payment types of cash kind are listed (the host's kinds,
// question 27, or the default kinds). It has no HTML version: the HTML
// request gets a notice that points to the newer return reports.

#include <string>

#include "platform/text/DateTime.h"

namespace tv {

class TReportCreator;

// Builds the act into `text` and sets LastHTMLReport to the notice.
//  smNum, operatorName  the header's shift and operator
//  begTime, endTime     the period, both bounds excluded; an end after now
//                       (the open shift's now + 1 day) prints "Не закрыта ("
//                       with end - 1 day
//  client               the register index of the filter and of "NKKM"
//  clientMode           2: every register; otherwise the filter applies when
//                       the host's shift number (question 0) is 0 or more
// Nothing is caught; the temporary file is deleted on every exit.
void MakeAktVozvrReport(TReportCreator& creator, int smNum, const std::string& operatorName,
                        TDateTime begTime, TDateTime endTime, int client, int clientMode,
                        std::string& text);

}  // namespace tv
