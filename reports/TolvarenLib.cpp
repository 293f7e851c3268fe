// libtolvaren.so's start-up wiring: the one place where the report builders
// of the report folders and the library's later units are put into the
// dispatcher's slots (library/ReportBuilders.h). It sits above every report
// folder, so includes keep running one way: reports on the library, never
// back. A builder that is not wired here leaves its codes without a report.
#include "library/ExchangeCalls.h"
#include "library/RepVarsGSM.h"
#include "library/RptCustomFncUnit.h"
#include "library/ReportBuilders.h"
#include "reports/operational/AktVozvr2Report.h"
#include "reports/operational/AktVozvrReport.h"
#include "reports/operational/BNEReport.h"
#include "reports/operational/BackCardReport.h"
#include "reports/operational/CardReport.h"
#include "reports/operational/CouponReport.h"
#include "reports/operational/DscCardsReport.h"
#include "reports/operational/KeeperGSMReport.h"
#include "reports/operational/LimitBalanceReport.h"
#include "reports/operational/LimitDetailReport.h"
#include "reports/operational/MernikReport.h"
#include "reports/operational/PrxReport.h"
#include "reports/operational/RepriceHistoryReport.h"
#include "reports/operational/ResetTrkReport.h"
#include "reports/operational/TTNInvoice.h"
#include "reports/operational/TTNPages.h"
#include "reports/operational/TTNShipmentReceipt.h"
#include "reports/operational/TTNTorg12.h"
#include "reports/operational/TrkHistoryReport.h"
#include "reports/operational/VdAgentReport.h"
#include "reports/operational/VdMobilReport.h"
#include "reports/operational/VdPeriodReport.h"
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
