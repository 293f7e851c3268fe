#pragma once
// The host's three procedures, as InitReports stores them, and the
// library's way of calling them.
//
// Every question to the host goes through AskHost, every fill through
// FillHostData and every section text through HostReportText. Each raises
// EHostCallbackError when the procedure was never given, when the host
// reports a failure (with the host's own message when it left one) or when
// its procedure lets a C++ exception escape; the caller then takes its own
// failure path, as for a host that raises.

#include <string>

#include "foundation/HostQuery.h"
#include "platform/Exceptions.h"
#include "platform/data/MemoryData.h"
#include "platform/data/Variant.h"
#include "tolvaren/tolvaren.h"

namespace tv {

TV_EXCEPTION_CLASS(EHostCallbackError, Exception);

// Question codes of THostCallback.
enum THostCallbackCode : int {
  hcSmenaNum = 0,
  hcSmenaBegTime = 1,
  hcOperator = 2,
  hcOperator2 = 3,
  hcOperator3 = 4,
  hcDataFolder = 5,
  hcAltForms = 8,
  hcVolumeDecimals = 9,
  hcStationName = 13,
  hcKKMRegNum = 18,
  hcVidOplNames = 23,
  hcVidOplKinds = 27,
  hcKKMModel = 43,
  hcKKMNum = 44,
  hcTovarKKMFlag = 45,
  hcHostMode = 46,
  hcTemplateVariant = 56,
  // hcVidOplList = 57 lives with the payment-type table (foundation/VidOpl.h).
  hcDCOMDatabase = 69,
  hcUseNBForms = 80,
  hcCurrencyName = 87,
  hcMoneyDecimals = 88,
};

// Kinds of THostFillDataProc.
enum THostFillKind : int { fdSmLog = 1, fdSmTrk = 2, fdSmSilo = 3, fdBonus = 5, fdSiloVO = 6 };

// Codes of THostReportCallback.
enum THostReportCode : int {
  hrShiftSectionA = 29,
  hrShiftSectionB = 30,
  hrGoodsSection = 89,
  hrGoodsAppendix = 255,
};

// The stored procedures; null until InitReports gives them.
extern THostFillDataProc HostFillDataProc;
extern THostCallback HostCallback;
extern THostReportCallback HostReportFunc;

// Stores each procedure that is not null (a null one keeps the earlier).
void StoreHostProcs(THostFillDataProc fill, THostCallback query, THostReportCallback report);
// Forgets all three (library unload).
void ClearHostProcs();

// The host's answer to question `code`.
Variant AskHost(int code, int param = 0);
// AskHost as the foundation's query procedure type.
THostQuery HostQuery();

// Lets the host append the rows of `kind` to `data` (open); a row the host
// left unposted is posted afterwards.
void FillHostData(int kind, TRxMemoryData& data);

// The host's text for report section `code` with the parameter array.
std::string HostReportText(int code, const Variant& params);

}  // namespace tv
