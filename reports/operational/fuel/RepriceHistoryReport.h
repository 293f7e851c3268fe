#pragma once
// The fuel price-change history "История переоценки ГСМ": the price
// changes that the office recorded in GSMCHANGEHISTORY of the office
// database "C:\FUEL\OfficeDB\OFFICE.FDB" for a period, with the basis
// document, its dates, the operator, the fuels with their old and new
// prices, the differences and the stations. HTML only, on the template
// "История переоценки ГСМ.html"; extended report '#' 18.

#include <string>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/text/FormatSettings.h"

namespace tv {

class TReportCreator;

// The lines of the difference cell for one change: per fuel "Нет" for an
// unchanged price, else the difference ("0.00") and the change in percent
// ("0.0"), formatted and read with `fs`'s decimal separator; a list-length
// mismatch gives one explaining line. An old price of 0 with another new
// price gives the difference alone (no percentage). A price that is not a
// number raises EConvertError naming `basis`, the list and the line.
std::vector<std::string> RepriceDiffList(const std::string& oldPrices,
                                         const std::string& newPrices, const std::string& basis,
                                         const TFormatSettings& fs = DefaultFormatSettings());

// Builds the report into `html` from the office database (the creator's
// station database is not read). Nothing is caught: a missing office
// database, a failing statement or template and a bad price pass on; the
// connection, the data set and the engine are freed on every exit.
void BuildRepriceHistoryReport(TReportCreator& creator, std::string& html, TDateTime begDate,
                               TDateTime endDate);

}  // namespace tv
