#pragma once
// The statement by car and the statement by driver: every sale of a period
// to one car (or one driver) of one organisation on the chosen statement
// payment types (base kind 4), numbered, in the order of fuel and time,
// with the totals of the period. The text version is filled on
// "C:\FUEL\FORMS\REPORT\vdMobil.frm", the HTML version on "Ведомость по
// автомобилю.html" or "Ведомость по водителю.html". Report codes 13 (by
// car) and 53 ('5', by driver).

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  orgName, objectName  the organisation and the car (or driver) as stored;
//                       matched upper-cased on both sides
//  date1, date2         the period, both ends included (to the millisecond)
//  byDriver             non-zero: by driver, else by car
//  vidOplSelection      0/1 array over the payment-type table, or unassigned
//  vidOplCodes          payment-type codes replacing the selection, or
//                       unassigned
// Nothing is caught: a failing query, form or template raises; the
// temporary file, the data set and the engines are released on every exit.
void MakeVdMobilReport(TReportCreator& creator, const std::string& orgName,
                       const std::string& objectName, TDateTime date1, TDateTime date2,
                       int byDriver, const Variant& vidOplSelection, const Variant& vidOplCodes,
                       std::string& text);

}  // namespace tv
