#pragma once
// The coupon report ("Отпуск по талонам"): the coupons of CouponList issued
// in a period for which a sale with the coupon (its number inside the
// sale's customer text) exists in the same period, grouped by coupon
// payment type (base kind 9) and by fuel, with the coupon's litres and the
// litres used. The text version is filled on
// "C:\FUEL\FORMS\REPORT\CouponRep.frm", the HTML version on "Отчет по
// талонам.html". Report codes '.' (period) and '/' (the open shift).

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  vidOplSelection  0/1 array over the payment-type table, or unassigned
//                   (then row 9 alone)
//  vidOplCodes      payment-type codes replacing the selection, or
//                   unassigned
//  begDate, endDate the period, both ends included; a begin of 0 means the
//                   open shift from its begin to now
// Failures raise (the dispatcher reports them); the default selection on a
// table of fewer than ten payment types is such a failure with a clear text.
// Everything is released and the temporary file deleted on every exit.
void MakeCouponReport(TReportCreator& creator, const Variant& vidOplSelection,
                      const Variant& vidOplCodes, TDateTime begDate, TDateTime endDate,
                      std::string& text);

}  // namespace tv
