// libtolvaren.so's start-up wiring: the one place where the report builders
// of the report folders and the library's later units are put into the
// dispatcher's slots (library/ReportBuilders.h). It sits above every report
// folder, so includes keep running one way: reports on the library, never
// back. A builder that is not wired here leaves its codes without a report.
#include "library/ExchangeCalls.h"
#include "library/RepVarsGSM.h"
#include "library/RptCustomFncUnit.h"
#include "library/ReportBuilders.h"
#include "reports/operational/returns/AktVozvr2Report.h"
#include "reports/operational/returns/AktVozvrReport.h"
#include "reports/operational/statements/BNEReport.h"
#include "reports/operational/returns/BackCardReport.h"
#include "reports/operational/cards/CardReport.h"
#include "reports/operational/cards/CouponReport.h"
#include "reports/operational/cards/DscCardsReport.h"
#include "reports/operational/fuel/KeeperGSMReport.h"
#include "reports/operational/fuel/LimitBalanceReport.h"
#include "reports/operational/fuel/LimitDetailReport.h"
#include "reports/operational/dispensers/MernikReport.h"
#include "reports/operational/fuel/PrxReport.h"
#include "reports/operational/fuel/RepriceHistoryReport.h"
#include "reports/operational/dispensers/ResetTrkReport.h"
#include "reports/operational/waybills/TTNInvoice.h"
#include "reports/operational/waybills/TTNPages.h"
#include "reports/operational/waybills/TTNShipmentReceipt.h"
#include "reports/operational/waybills/TTNTorg12.h"
#include "reports/operational/dispensers/TrkHistoryReport.h"
#include "reports/operational/statements/VdAgentReport.h"
#include "reports/operational/statements/VdMobilReport.h"
#include "reports/operational/statements/VdPeriodReport.h"
#include "reports/shift/BonusReport.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/CurSmenaReports.h"
#include "reports/shift/FinKKMRep.h"
#include "reports/sql/FuelReceipt.h"
#include "reports/sql/SQLReports.h"

namespace tv {
namespace {

bool WireReportBuilders() {
  TReportBuilders& b = ReportBuilders;
  TLibraryUnits& u = LibraryUnits;
  b.MakeVdPeriodReport = &MakeVdPeriodReport;
  b.MakeVdAgentReport = &MakeVdAgentReport;
  b.GetCurSmenaAgentReport = &GetCurSmenaAgentReport;
  b.MakeVdMobilReport = &MakeVdMobilReport;
  b.MakeBNEReport = &MakeBNEReport;
  b.GetCurSmenaBNEReport = &GetCurSmenaBNEReport;
  b.MakeCardReport = &MakeCardReport;
  b.MakeBackCardReport = &MakeBackCardReport;
  b.GetCurSmenaBackCardReport = &GetCurSmenaBackCardReport;
  b.MakeCouponReport = &MakeCouponReport;
  b.MakeDscCardsReport = &MakeDscCardsReport;
  b.MakePrxReport = &MakePrxReport;
  b.MakeLimitBalanceReport = &MakeLimitBalanceReport;
  b.MakeLimitDetailReport = &MakeLimitDetailReport;
  b.MakeKeeperGSMReport = &MakeKeeperGSMReport;
  b.BuildRepriceHistoryReport = &BuildRepriceHistoryReport;
  b.PrintTTNPage1 = &PrintTTNPage1;
  b.PrintTTNPage2 = &PrintTTNPage2;
  b.PrintInvoice = &PrintInvoice;
  b.PrintShipmentReceipt = &PrintShipmentReceipt;
  b.PrintTorg12 = &PrintTorg12;
  b.CreateCloseSmenaReport = &CreateCloseSmenaReport;
  b.BuildBonusReport = &BuildBonusReport;
  b.GetFinKKMReport = &FinKKMUnit::GetFinKKMReport;
  b.GetSQLData = &GetSQLData;
  b.GetSQLTable = &GetSQLTable;
  b.MakeFuelReceipt = &MakeFuelReceipt;
  b.GetReceiptTemplate = &GetReceiptTemplate;
  b.MakeResetTrkReports = &MakeResetTrkReports;
  b.MakeMernikReport = &MakeMernikReport;
  b.MakeTrkHistoryReport = &MakeTrkHistoryReport;
  b.MakeAktVozvrReport = &MakeAktVozvrReport;
  b.MakeAktVozvr2Report = &MakeAktVozvr2Report;
  u.ReportVarsText = &ReportVarsText;
  u.CallFunction = &RptCustomFncUnit::CallFunction;
  u.CreateDCOMDataModule = &CallCreateDCOMDataModule;
  return true;
}

const bool wired = WireReportBuilders();

}  // namespace
}  // namespace tv
