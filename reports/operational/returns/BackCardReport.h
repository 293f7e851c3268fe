#pragma once
// Unmade returns to the card terminal: the rows of BackCard of a period
// (card returns registered but not yet carried out on the terminal), with
// the terminal's transaction record in hexadecimal and the totals. The text
// version is filled on "C:\FUEL\FORMS\REPORT\BackCard.frm", the HTML version
// on "Непроизведенные возвраты на терминал.html", or on the form and
// template the caller names (the close-of-shift report's section). Report
// codes 19 (closed shifts) and 18 (the open shift, through
// GetCurSmenaBackCardReport of reports/shift).

#include <string>

#include "platform/text/DateTime.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  smenaFrom, smenaTo  the shift range ("5 - 7" in the header for a range)
//  closed              false: the shift is still open ("Не закрыта")
//  begDate, endDate    the period, both ends included; 0 and 0 mean the
//                      open shift from its begin to now
//  operatorName        empty: the host's operator when smenaFrom is the
//                      open shift
//  formFile, templateFile  empty: the defaults above
// Only rows whose STATUS is 0 or NULL are listed (all rows when the table
// has no STATUS column). Nothing is caught; everything is released and the
// temporary file deleted on every exit.
void MakeBackCardReport(TReportCreator& creator, int smenaFrom, bool closed, TDateTime begDate,
                        TDateTime endDate, const std::string& operatorName, int smenaTo,
                        const std::string& formFile, const std::string& templateFile,
                        std::string& text);

}  // namespace tv
