#pragma once
// The bonus and discount report (code 9, and the bonus section of the
// close-of-shift report): for a range of closed shifts or the open shift,
// the fuel given out under bonus and discount schemes, per payment type,
// sub-type and fuel, with totals. The text version is filled on
// "C:\FUEL\FORMS\REPORT\Bonus.frm", the HTML version on "Отчет по бонусам
// и скидкам.html".

#include <string>

#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  shiftFrom, shiftTo  the range of closed shifts; shiftFrom alone names the
//                      open shift (the host's number)
//  payTypes            0/1 flags by payment-type index, or unassigned
//  nullStr             payment types without rows are shown, empty
//  showGSMItog         HTML lines of the fuel totals
//  showSubItog         HTML lines of the sub-type totals
//  allVO               every payment type, and the codes of the rows that
//                      the table lacks, whatever payTypes says
//  payCodes            payment-type codes replacing payTypes, or unassigned
// Failures pass on; the temporary file and the data sets are released on
// every exit.
void BuildBonusReport(TReportCreator& creator, int shiftFrom, const Variant& payTypes, bool nullStr,
                      int shiftTo, bool showGSMItog, bool showSubItog, bool allVO,
                      const Variant& payCodes, std::string& text);

}  // namespace tv
