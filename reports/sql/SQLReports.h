#pragma once
// The host's own SQL through the report request: a query's rows as a hex
// encoded XML data packet ('#' 2) and as a plain HTML table ('#' 3). Both
// run in the read-only default transaction of their connection, so a
// statement that would write a table fails and changes nothing there. A
// generator is outside transactions: "SELECT GEN_ID(G, 1) ..." (or NEXT
// VALUE FOR) still advances G, and nothing undoes that.

#include <string>

namespace tv {

class TReportCreator;

// The rows of `sql` as the XML data packet of a client data set
// (platform/data/ClientDataSet.h), every byte written as two upper-case hex
// digits; written while the rows are fetched, none of them kept. A NUMERIC
// with more than four decimals travels as an exact decimal ("fixedFMT"); a
// NUMERIC value beyond a Currency fails the request, naming it. Source 0: the station database; 1: the office database
// "C:\FUEL\OfficeDB\OFFICE.FDB"; any other: `out` stays empty. A failure
// is raised as "ПолучениеДанныхОтПровайдера -> <message> <#<class>#> SQL:
// <sql>" (line breaks turned into blanks).
void GetSQLData(TReportCreator& creator, const std::string& sql, int source, std::string& out);

// The rows of `sql` as an HTML table in LastHTMLReport (names and values
// HTML-escaped; the column `linkColumn`, any letter case, as links made
// with the host's `linkAttr` markup when that is not empty); `out` :=
// "FRM-отчет". A failure is logged and shown in red instead; `out` then
// carries "FRM-отчет: " and the message. `extra` has no effect.
void GetSQLTable(TReportCreator& creator, const std::string& sql, int extra,
                 const std::string& linkAttr, const std::string& linkColumn, std::string& out);

// `text` with &, <, > and the double quote as HTML entities.
std::string HtmlEscape(const std::string& text);

}  // namespace tv
