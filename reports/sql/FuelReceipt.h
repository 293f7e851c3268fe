#pragma once
// The goods receipt of one fuel sale ('#' 8) and the cash-register receipt
// text of a payment type ('#' 9).

#include <string>

namespace tv {

class TReportCreator;

// The receipt of sale `saleIndex` (LOGTRAN) from the HTML template
// "Товарный чек.html" into LastHTMLReport; `out` := "Отчет реализован только
// для HTML-версии!". An index below 1 gives the blank receipt dated today;
// an index of no sale raises "Продажа N не найдена".
void MakeFuelReceipt(TReportCreator& creator, int saleIndex, const std::string& kassirName,
                     const std::string& kassirPost, const std::string& comment, std::string& out);

// "#!OK!#" + the receipt text of payment type `vidOpl` from
// "C:\FUEL\PredChecks.txt" (section "TovCheckOnVidOpl" switches a type to
// its own section "VO<code>", else "VO-1" applies; key "TOVARNCHECK", tabs
// standing for line breaks), or the built-in text.
void GetReceiptTemplate(TReportCreator& creator, int vidOpl, std::string& out);

// The built-in receipt text (13 lines, each ended by CR LF).
const std::string& DefaultReceiptTemplate();

}  // namespace tv
