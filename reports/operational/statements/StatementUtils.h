#pragma once
// What the statement reports share: the payment-type selection and the
// statement payment types it picks, the own-sales filter of their SQL, the
// header mode and period text.

#include <string>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TIBDatabase;

// The base kinds (code modulo 100) of the payment types that the reports
// select: statement payment, contract payment, coupons.
inline constexpr int StatementBaseKind = 4;
inline constexpr int ContractBaseKind = 8;
inline constexpr int CouponBaseKind = 9;
// Selects payment types of every base kind.
inline constexpr int AnyBaseKind = -1;

// One selected payment type of a request: a row of the payment-type table.
struct TStatementVidOpl {
  int Index = 0;
  std::string Name;  // column 0
  std::string Code;  // column 1, as the table holds it (text)
};

// Settles a request's selection: a non-empty list of codes replaces the
// selection (MakeVidOplSelection); a selection still unassigned becomes the
// report's default, row `defaultRow` of the payment-type table alone (row 4
// for the statements). Raises Exception with a text naming the cause when
// that default is needed and the table has no such row.
void SettleVidOplSelection(Variant& selection, const Variant& codes,
                           int defaultRow = StatementBaseKind);

// The rows i = 0 .. min(high bound of the selection, VidOplCount - 1) whose
// base kind (column 2) is `baseKind` and whose selection element equals 1,
// in index order. Raises Exception naming the parameter when the selection
// is not an array, and the variant's errors for elements that do not
// compare.
std::vector<TStatementVidOpl> StatementVidOpls(const Variant& selection,
                                               int baseKind = StatementBaseKind);

// The payment-type text of a sale: the name of the table's row with that
// code, else "Вид оплаты: " and the code.
std::string VidOplText(int code);

// The codes of the payment types joined by ",".
std::string JoinVidOplCodes(const std::vector<TStatementVidOpl>& vidOpls);

// " AND ((COALESCE(a.KA, 0) = 0) #VOMIMO#) " with the macro filled from
// ReadVOMimo: " OR (a.VIDOPL=<code>) " for a code of 0 or more, nothing
// otherwise. A sale stored before the column KA existed holds NULL there
// and counts as an own sale.
std::string OwnSalesFilter();

// Whether the sales reports leave out the office's own sales (LOGTRAN.KA
// not 0): never in the office reports' variant, nor on a database of an
// older schema whose LOGTRAN has no column KA, where every sale is the
// station's own. Probes the database (FBUtils::HasColumn) outside the
// office variant.
bool OwnSalesOnly(TIBDatabase* database);

// A negative header mode becomes 1 when the two shift texts are equal (one
// shift) and 0 (a period) otherwise; other modes stay.
int NormalizeVdMode(int mode, const std::string& smenaFrom, const std::string& smenaTo);

// The period text of the header for modes 0 (period), 1 (closed shift) and
// 2 (open shift); false, and `text` untouched, for other modes.
bool VdPeriodText(int mode, const std::string& smenaFrom, TDateTime begDate, TDateTime endDate,
                  std::string& text);

}  // namespace tv
