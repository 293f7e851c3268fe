#pragma once
// The discount-card report ("Отчет по общему списку дисконтных карт",
// report '#' 1): the discount-card records that the office collects from
// its stations (DscCards of the office database
// "C:\FUEL\OfficeDB\OFFICE.FDB"), filtered by card masks and station names, as every record
// (kind 0), per card and station (kind 1) or per card (kind 2). HTML only,
// on "Отчет по дисконтным картам.html".

#include <string>

namespace tv {

class TReportCreator;

// The SQL conditions on the card numbers and on the station names: masks
// and names one per line; empty or "*" takes everything. A card mask with
// one of "?_*%" is a LIKE, otherwise an equality; a station name is always
// an equality. Quotes are doubled; then every "*" becomes "%" and every "?"
// becomes "_" over the whole condition.
std::string DscCardCondition(const std::string& cardMasks);
std::string DscStationCondition(const std::string& stationNames);

// Builds the report into LastHTMLReport; `text` becomes the notice that the
// data are in the HTML form. Raises Exception naming the kind when it is
// not 0, 1 or 2, and passes the database layer's errors on (a missing
// office database among them); the connection is closed on every exit.
void MakeDscCardsReport(TReportCreator& creator, int kind, const std::string& cardMasks,
                        const std::string& stationNames, std::string& text);

}  // namespace tv
