#pragma once
// The tank section's routines that other sections share: sums of tank
// records and of their sales rows, and the HTML cells of one tank row.

#include <array>
#include <functional>
#include <string_view>

#include "foundation/ReportConsts.h"

namespace tv {

class THTML_Jet;

// Adds the stock, receipt, expense and difference fields of `source` into
// `target` (densities, temperature, water, pressures, pending amounts,
// blocked flags and SaleSums are not added).
void SumSiloInfo(const TSiloInfo& source, TSiloInfo& target);

// Adds the tank's sales rows into `sums` (cash money, litres, kilograms,
// cashless money, litres, kilograms): check type 0 is cash, 1 to 5
// cashless, others count nowhere.
void AddSiloToGroup(std::array<double, 6>& sums, const TSiloInfo& tank);

// How FillSiloRowVars sets a numeric cell: name, format, value.
using TSiloAddValue = std::function<void(std::string_view, std::string_view, double)>;

// The HTML cells of one tank row (`total`: a group or totals row, which
// leaves the row-only cells out) through `add`; text cells through
// THTML_Jet::Add. `wholeNumbers` is NotRoundRVal.
void FillSiloRowVars(THTML_Jet& jet, const TSiloInfo& rec, bool total, const TSiloAddValue& add,
                     bool wholeNumbers);

}  // namespace tv
