#pragma once
// The card report ("Отпуск по картам", report code '4'): the sales of a
// shift range or period on the chosen payment types, grouped by payment
// type, fuel and rounded discount, with the base-price and discount amounts
// of every sale; on request also the discount-card sales (of any payment
// type), whose payment types not chosen form groups "СК:" + name. The text
// version is filled on "C:\FUEL\FORMS\REPORT\CardRep.frm", the HTML version
// on "Отчет по картам.html".

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// Builds the report: the text version goes into `text`, the HTML version
// into LastHTMLReport.
//  smenaFrom, smenaTo  the shifts (both 0: the open shift from its begin to
//                      now)
//  begDate, endDate    the period, both ends included
//  vidOplSelection     0/1 array over the payment-type table
//  mask                LIKE mask on the customer or card text (empty: none)
//  withDiscountCards   adds the discount-card sales
//  vidOplCodes         payment-type codes replacing the selection, or
//                      unassigned
// Each sale is listed once: with discount cards, a sale whose discount
// records (types 3 and 4) carry a card number is listed under the smallest
// such number that the mask lets through, and not under its payment type.
// A sale with a base price of 0 counts without discount: its discount is
// 0 %, its base amount its amount and its discount amount 0. Failures are
// raised again with the context "Отчет по картам"; everything is released
// and the temporary file deleted on every exit.
void MakeCardReport(TReportCreator& creator, int smenaFrom, int smenaTo, TDateTime begDate,
                    TDateTime endDate, const Variant& vidOplSelection, const std::string& mask,
                    bool withDiscountCards, const Variant& vidOplCodes, std::string& text);

}  // namespace tv
