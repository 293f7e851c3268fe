#pragma once
// Fuel movement by keeper: for one keeper (a counterparty that holds fuel
// at the station, KEEPER_ID of the receipts PRX and of the sales LOGTRAN)
// and a period, the balance of each fuel at the begin, every receipt and
// their total, every issue and their total and the balance at the end, in
// litres and kilograms, one column pair per fuel (names that differ only in
// letter case are one fuel, under its first spelling) and a last pair
// "Все ГСМ".
// HTML only, on the template "Движение ГСМ по хранителю.html"; extended
// report '#' 15. Amounts are four-decimal fixed point, so that sums are
// exact and closing = opening + receipts - issues holds for every column.

#include <string>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"

namespace tv {

class TReportCreator;

// The movement of one fuel of the keeper, or of all fuels.
struct TKeeperGSM {
  Currency RowLiter, RowMass;      // the operation row being written
  Currency OpenLiter, OpenMass;    // balance at the begin
  Currency InLiter, InMass;        // receipts of the period
  Currency OutLiter, OutMass;      // issues of the period
  Currency CloseLiter, CloseMass;  // balance at the end
};

// Builds the report into `html`: the opening balance covers what lies
// strictly before begDate, the movements begDate .. endDate inclusive.
// An operation of a fuel that is not among the columns raises Exception
// "ГСМ в списке не найдено: <name>"; query and engine errors pass on.
// Everything is freed on every exit.
void MakeKeeperGSMReport(TReportCreator& creator, int keeperId, std::string& html,
                         TDateTime begDate, TDateTime endDate);

}  // namespace tv
