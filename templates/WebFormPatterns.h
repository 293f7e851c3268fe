#pragma once
// The built-in HTML report templates: the default text of every template
// that a report builder opens, held as named line lists for the start-up
// form check, which hands the list to the forms library.
//
// The texts are the files of templates/web/, compiled into the library as
// Windows-1251 with CR LF line ends; the report builders never read this
// list, they open the installed template files of the same names.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/text/StringList.h"

namespace tv::WebFormPatterns {

// Raised when a registration routine runs without a current list, or when
// a template is missing from the library (a build fault).
TV_EXCEPTION_CLASS(EWebFormPatternError, Exception);

// Room of a pattern name, in bytes; longer names are cut to it.
inline constexpr std::size_t kNameCapacity = 43;

// One built-in HTML template.
class CPattern {
 public:
  // The template's file base name, without folder and extension
  // (Windows-1251, at most kNameCapacity bytes): the form check looks for
  // Name + ".html" in the template folder.
  std::string Name;
  // The template text, one item per line in file order, empty lines
  // included, without line-end characters.
  TStringList Lines;
};

// The heap cell that a list item points to; it holds the one reference to
// its pattern. Consumers read item i as **list[i].
using TPatternCell = CPattern*;

// A list of the built-in templates: each item points to a cell. The list
// owns neither cells nor patterns.
using TPatternList = std::vector<TPatternCell*>;

// The current list, made by CreatePatterns; null before the first call.
// The list, its cells and patterns stay valid until the process ends (a list
// handed to the forms library is never invalidated).
extern TPatternList* Patterns;

// The first call makes a new empty list current and runs the 43
// registration routines in registry order; later calls make that same list
// current again (the texts are fixed, so no copies pile up). Throws
// EWebFormPatternError when a template is missing from the library (a build
// fault); the current list then holds the patterns added so far, and the
// next call builds a new one.
void CreatePatterns();

// The pattern referred to by the cell of list item i (i < list.size()).
const CPattern& PatternAt(const TPatternList& list, std::size_t i);

// Registration routines, in registry order. Each appends one pattern to the
// current list and throws EWebFormPatternError when there is none.
void PatternPeriodicReturnReport();
void PatternExtendedStatementReport();
void PatternCouponReport();
void PatternReturnAct();
void PatternTrkSalesHistory();
void PatternFuelPumpOutReport();
void PatternVehicleStatement();
void PatternDriverStatement();
void PatternContractReport();
void PatternCounterpartyStatement();
void PatternDiscountCardReport();
void PatternTTN1();
void PatternTTN2();
void PatternTorg12();
void PatternTovarCheck();
void PatternCardReport();
void PatternTorg12Variant1();
void PatternTorg12Variant2();
void PatternLimitDetail();
void PatternSiloInfo();
void PatternTrkInfo();
void PatternRestartInfo();
void PatternPendingTerminalReturns();
void PatternBonusDiscountReport();
void PatternStatementPeriodReport();
void PatternSmenaFooter();
void PatternFuelPumpOutDetail();
void PatternFuelReceiptDetail();
void PatternRestartSumByGSM();
void PatternRestartSummary();
void PatternLimitBalances();
void PatternFinReportCustom();
void PatternFinKKMReport();
void PatternFinReport();
void PatternRestartCountBySmena();
void PatternSmenaHeader();
void PatternMeasureCanReport();
void PatternFuelArrivalReport();
void PatternTaxInvoice();
void PatternKeeperGSMMovement();
void PatternShipmentReceipt();
void PatternRepriceHistory();
void PatternFuelTransferReport();

}  // namespace tv::WebFormPatterns
