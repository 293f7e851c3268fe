#pragma once
// The report builders and library units that the dispatcher and the exports
// call, as slots that the shared library's start-up fills in
// (reports/TolvarenLib.cpp): the builders live in the report folders, which
// build on this one, so the dispatcher reaches them through these slots. A
// slot left empty makes its report code a code without a report.
//
// Every builder takes the request's creator first and writes its text (or,
// where named Html, its HTML) into its string out-parameter; failures are
// exceptions, which the dispatcher turns into the request's error text.

#include <string>

#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;
class TRxMemoryData;
class TStringList;

struct TReportBuilders {
  using C = TReportCreator;
  using S = const std::string&;
  using V = const Variant&;
  using Out = std::string&;

  // Close-of-shift report (codes 2, 3, 4, '-'): SmenaFrom, SmenaTo, Sections,
  // KKMIndex, reserved, TovarPath, OfficeFlag, PayTypeSel, reserved,
  // PayTypeCodes, Text.
  void (*CreateCloseSmenaReport)(C&, int, int, V, int, int, S, bool, V, int, V, Out) = nullptr;
  // Bonus report (code 9): ShiftFrom, PayTypes, NullStr, ShiftTo,
  // ShowGSMItog, ShowSubVidoplItog, AllVO, PayCodes, Text.
  void (*BuildBonusReport)(C&, int, V, bool, int, bool, bool, bool, V, Out) = nullptr;
  // Financial report by cash registers (no code of its own: section 13 of
  // the close-of-shift report): ShiftLog, ShiftPayTypes, OfficeMode, Begin,
  // End, TovarPath, TempFile, DepList, FormName (unused), HtmlName, Html,
  // ErrorText (set on failure only; nothing is thrown).
  void (*GetFinKKMReport)(C&, const TRxMemoryData&, const TRxMemoryData&, bool, TDateTime,
                          TDateTime, S, S, const TStringList&, S, S, Out, Out) = nullptr;
  // Current-shift wrappers (codes 17, 18, 26).
  void (*GetCurSmenaAgentReport)(C&, S, V, bool, bool, bool, V, Out) = nullptr;
  void (*GetCurSmenaBackCardReport)(C&, Out) = nullptr;
  void (*GetCurSmenaBNEReport)(C&, V, V, Out) = nullptr;

  // Operational and document reports.
  void (*MakePrxReport)(C&, int, int, int, int, Out) = nullptr;
  void (*MakeTrkHistoryReport)(C&, S, int, TDateTime, TDateTime, bool, Out) = nullptr;
  // ShiftFromText, Operator, Begin, End, HeaderMode, ShiftToText, PayTypeSel,
  // FormFile, HtmlFile, OrgList, PayTypeCodes, Out.
  void (*MakeVdPeriodReport)(C&, S, S, TDateTime, TDateTime, int, S, V, S, S, S, V, Out) = nullptr;
  // Agent, ShiftText, Begin, End, Operator, PaySel, Mode, Switch1..3, Extra,
  // PayCodes, Out.
  void (*MakeVdAgentReport)(C&, S, S, TDateTime, TDateTime, S, V, int, bool, bool, bool, S, V,
                            Out) = nullptr;
  void (*MakeVdMobilReport)(C&, S, S, TDateTime, TDateTime, int, V, V, Out) = nullptr;
  // ShiftFrom, EndKnown, Begin, End, Operator, ShiftTo, FormFile, HtmlFile, Out.
  void (*MakeBackCardReport)(C&, int, bool, TDateTime, TDateTime, S, int, S, S, Out) = nullptr;
  void (*MakeAktVozvrReport)(C&, int, S, TDateTime, TDateTime, int, int, Out) = nullptr;
  void (*MakeAktVozvr2Report)(C&, V, V, Out) = nullptr;
  void (*MakeBNEReport)(C&, S, S, TDateTime, TDateTime, int, V, V, Out) = nullptr;
  void (*MakeCouponReport)(C&, V, V, TDateTime, TDateTime, Out) = nullptr;
  void (*MakeCardReport)(C&, int, int, TDateTime, TDateTime, V, S, bool, V, Out) = nullptr;
  void (*MakeDscCardsReport)(C&, int, S, S, Out) = nullptr;
  void (*PrintTTNPage1)(C&, int, Out) = nullptr;
  void (*PrintTTNPage2)(C&, int, Out) = nullptr;
  void (*PrintInvoice)(C&, int, Out) = nullptr;
  void (*PrintShipmentReceipt)(C&, int, Out) = nullptr;
  void (*PrintTorg12)(C&, int, int, Out) = nullptr;
  void (*MakeMernikReport)(C&, int, int, Out) = nullptr;
  // ShiftFrom, ShiftTo, Begin, End, HtmlFile, Html.
  void (*MakeResetTrkReports)(C&, int, int, TDateTime, TDateTime, S, Out) = nullptr;
  void (*MakeLimitBalanceReport)(C&, Out) = nullptr;
  void (*MakeLimitDetailReport)(C&, S, Out, TDateTime, TDateTime) = nullptr;
  void (*MakeKeeperGSMReport)(C&, int, Out, TDateTime, TDateTime) = nullptr;
  void (*BuildRepriceHistoryReport)(C&, Out, TDateTime, TDateTime) = nullptr;

  // The creator's own SQL and receipt reports ('#' 2, 3, 8, 9).
  void (*GetSQLData)(C&, S, int, Out) = nullptr;
  void (*GetSQLTable)(C&, S, int, S, S, Out) = nullptr;
  void (*MakeFuelReceipt)(C&, int, S, S, S, Out) = nullptr;
  void (*GetReceiptTemplate)(C&, int, Out) = nullptr;
};

// Library units that the exports call.
struct TLibraryUnits {
  // The variable catalogue text (Windows-1251) of GetReportVars.
  std::string (*ReportVarsText)() = nullptr;
  // The custom functions of '#' 17: command, arguments, result.
  void (*CallFunction)(int, const Variant&, Variant&) = nullptr;
  // Creates the remote data module on the host's module `owner`.
  void (*CreateDCOMDataModule)(void* owner) = nullptr;
};

// The slots, empty until the shared library's start-up fills them.
extern TReportBuilders ReportBuilders;
extern TLibraryUnits LibraryUnits;

}  // namespace tv
