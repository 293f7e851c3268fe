// A test build of libtolvaren.so whose report builders and later library
// units only record how they were called: the dispatcher's unpacking of
// every report code can be checked through the exported names before (and
// independently of) the real builders. Extra exports: tv_test_calls (the
// recorded calls, one per line), tv_test_reset, tv_test_fail (builders
// raise an exception with the given message from then on).
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/ReportSettings.h"
#include "library/HostCallbacks.h"
#include "library/ReportBuilders.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"
#ifdef TOLVAREN_FAKES_REAL_SHIFT
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/CurSmenaReports.h"
#endif

namespace tv {
namespace {

std::vector<std::string> calls;
std::string failure;
std::string joined;

std::string Fmt(int v) { return std::to_string(v); }
std::string Fmt(bool v) { return v ? "true" : "false"; }
std::string Fmt(double v) { return "d" + FloatToStr(v); }
std::string Fmt(const std::string& v) { return "\"" + v + "\""; }

std::string Fmt(const Variant& v) {
  if (v.IsArray()) {
    std::string out = "[";
    for (int i = v.LowBound(1); i <= v.HighBound(1); ++i) {
      out += (i > v.LowBound(1) ? ", " : "") + Fmt(v[i]);
    }
    return out + "]";
  }
  switch (v.Type()) {
    case VarType::Empty:
      return "Un";
    case VarType::Null:
      return "null";
    case VarType::String:
      return Fmt(v.AsString());
    case VarType::Date:
      return Fmt(v.AsDateTime());
    case VarType::Boolean:
      return Fmt(v.AsBoolean());
    default:
      return v.AsString();
  }
}

std::string Args() { return {}; }
template <class A, class... Rest>
std::string Args(const A& first, const Rest&... rest) {
  const std::string tail = Args(rest...);
  return Fmt(first) + (tail.empty() ? "" : ", " + tail);
}

// Records the call; raises when the test asked builders to fail.
template <class... A>
void Record(const char* name, std::string& out, const A&... args) {
  calls.push_back(std::string(name) + "(" + Args(args...) + ")");
  if (!failure.empty()) throw EConvertError(failure);
  out = std::string("OUT ") + name;
}

template <class... A>
void RecordHtml(const char* name, std::string& html, const A&... args) {
  Record(name, html, args...);
  html = std::string("<html>") + name + "</html>";
}

using S = const std::string&;
using V = const Variant&;
using C = TReportCreator&;
using D = TDateTime;

void CloseSmena(C, int a, int b, V c, int d, int e, S f, bool g, V h, int i, V j, std::string& o) {
  Record("CreateCloseSmenaReport", o, a, b, c, d, e, f, g, h, i, j);
}
void Bonus(C, int a, V b, bool c, int d, bool e, bool f, bool g, V h, std::string& o) {
  Record("BuildBonusReport", o, a, b, c, d, e, f, g, h);
}
// The data sets and the department list as their sizes; whether a
// temporary file was named.
void FinKKM(C, const TRxMemoryData& log, const TRxMemoryData& vo, bool office, D beg, D end,
            S tovarPath, S tempFile, const TStringList& deps, S form, S html, std::string& h,
            std::string& o) {
  Record("GetFinKKMReport", o, log.RecordCount(), vo.RecordCount(), office, beg, end, tovarPath,
         !tempFile.empty(), deps.Count(), form, html);
  h = "<html>GetFinKKMReport</html>";
}
void CurAgent(C, S a, V b, bool c, bool d, bool e, V f, std::string& o) {
  Record("GetCurSmenaAgentReport", o, a, b, c, d, e, f);
}
// Records the creator's open-shift facts as its arguments.
void CurBackCard(C c, std::string& o) {
  Record("GetCurSmenaBackCardReport", o, c.IsSmenaOpen, c.SmenaNum, c.SmenaBeginTime);
}
void CurBNE(C, V a, V b, std::string& o) { Record("GetCurSmenaBNEReport", o, a, b); }
void Prx(C, int a, int b, int c, int d, std::string& o) { Record("MakePrxReport", o, a, b, c, d); }
void TrkHistory(C, S a, int b, D c, D d, bool e, std::string& o) {
  Record("MakeTrkHistoryReport", o, a, b, c, d, e);
}
void VdPeriod(C, S a, S b, D c, D d, int e, S f, V g, S h, S i, S j, V k, std::string& o) {
  Record("MakeVdPeriodReport", o, a, b, c, d, e, f, g, h, i, j, k);
}
void VdAgent(C, S a, S b, D c, D d, S e, V f, int g, bool h, bool i, bool j, S k, V l,
             std::string& o) {
  Record("MakeVdAgentReport", o, a, b, c, d, e, f, g, h, i, j, k, l);
}
void VdMobil(C, S a, S b, D c, D d, int e, V f, V g, std::string& o) {
  Record("MakeVdMobilReport", o, a, b, c, d, e, f, g);
}
void BackCard(C, int a, bool b, D c, D d, S e, int f, S g, S h, std::string& o) {
  Record("MakeBackCardReport", o, a, b, c, d, e, f, g, h);
}
void AktVozvr(C, int a, S b, D c, D d, int e, int f, std::string& o) {
  Record("MakeAktVozvrReport", o, a, b, c, d, e, f);
}
void AktVozvr2(C, V a, V b, std::string& o) { Record("MakeAktVozvr2Report", o, a, b); }
void BNE(C, S a, S b, D c, D d, int e, V f, V g, std::string& o) {
  Record("MakeBNEReport", o, a, b, c, d, e, f, g);
}
void Coupon(C, V a, V b, D c, D d, std::string& o) { Record("MakeCouponReport", o, a, b, c, d); }
void Card(C, int a, int b, D c, D d, V e, S f, bool g, V h, std::string& o) {
  Record("MakeCardReport", o, a, b, c, d, e, f, g, h);
}
void DscCards(C, int a, S b, S c, std::string& o) { Record("MakeDscCardsReport", o, a, b, c); }
void TTN1(C, int a, std::string& o) { Record("PrintTTNPage1", o, a); }
void TTN2(C, int a, std::string& o) { Record("PrintTTNPage2", o, a); }
void Invoice(C, int a, std::string& o) { Record("PrintInvoice", o, a); }
void Shipment(C, int a, std::string& o) { Record("PrintShipmentReceipt", o, a); }
void Torg12(C, int a, int b, std::string& o) { Record("PrintTorg12", o, a, b); }
void Mernik(C, int a, int b, std::string& o) { Record("MakeMernikReport", o, a, b); }
void ResetTrk(C, int a, int b, D c, D d, S e, std::string& h) {
  RecordHtml("MakeResetTrkReports", h, a, b, c, d, e);
}
void LimitBalance(C, std::string& h) { RecordHtml("MakeLimitBalanceReport", h); }
void LimitDetail(C, S a, std::string& h, D b, D c) {
  RecordHtml("MakeLimitDetailReport", h, a, b, c);
}
void KeeperGSM(C, int a, std::string& h, D b, D c) {
  RecordHtml("MakeKeeperGSMReport", h, a, b, c);
}
void Reprice(C, std::string& h, D a, D b) { RecordHtml("BuildRepriceHistoryReport", h, a, b); }
void SQLData(C, S a, int b, std::string& o) { Record("GetSQLData", o, a, b); }
void SQLTable(C, S a, int b, S c, S d, std::string& o) { Record("GetSQLTable", o, a, b, c, d); }
void FuelReceipt(C, int a, S b, S c, S d, std::string& o) {
  Record("MakeFuelReceipt", o, a, b, c, d);
}
void ReceiptTemplate(C, int a, std::string& o) { Record("GetReceiptTemplate", o, a); }

std::string VarsText() {
  return "[main]\r\nRepCount=0\r\n\r\n[CommonVars]\r\nRepName=Общие\r\n\r\n"_w;
}
void CallFunction(int command, const Variant& args, Variant& result) {
  calls.push_back("CallFunction(" + Args(command, args) + ")");
  if (command == 1) result = Variant(1);
}
void CreateModule(void* owner) {
  calls.push_back(owner == nullptr ? "CreateDCOMDataModule(nil)" : "CreateDCOMDataModule(owner)");
}

bool Wire() {
  TReportBuilders& b = ReportBuilders;
  b.CreateCloseSmenaReport = CloseSmena;
  b.BuildBonusReport = Bonus;
  b.GetFinKKMReport = FinKKM;
  b.GetCurSmenaAgentReport = CurAgent;
  b.GetCurSmenaBackCardReport = CurBackCard;
  b.GetCurSmenaBNEReport = CurBNE;
  b.MakePrxReport = Prx;
  b.MakeTrkHistoryReport = TrkHistory;
  b.MakeVdPeriodReport = VdPeriod;
  b.MakeVdAgentReport = VdAgent;
  b.MakeVdMobilReport = VdMobil;
  b.MakeBackCardReport = BackCard;
  b.MakeAktVozvrReport = AktVozvr;
  b.MakeAktVozvr2Report = AktVozvr2;
  b.MakeBNEReport = BNE;
  b.MakeCouponReport = Coupon;
  b.MakeCardReport = Card;
  b.MakeDscCardsReport = DscCards;
  b.PrintTTNPage1 = TTN1;
  b.PrintTTNPage2 = TTN2;
  b.PrintInvoice = Invoice;
  b.PrintShipmentReceipt = Shipment;
  b.PrintTorg12 = Torg12;
  b.MakeMernikReport = Mernik;
  b.MakeResetTrkReports = ResetTrk;
  b.MakeLimitBalanceReport = LimitBalance;
  b.MakeLimitDetailReport = LimitDetail;
  b.MakeKeeperGSMReport = KeeperGSM;
  b.BuildRepriceHistoryReport = Reprice;
  b.GetSQLData = SQLData;
  b.GetSQLTable = SQLTable;
  b.MakeFuelReceipt = FuelReceipt;
  b.GetReceiptTemplate = ReceiptTemplate;
#ifdef TOLVAREN_FAKES_REAL_SHIFT
  // The close-of-shift report and the open shift's reports run for real;
  // the builders they route to are the recorders.
  b.CreateCloseSmenaReport = &CreateCloseSmenaReport;
  b.GetCurSmenaAgentReport = &GetCurSmenaAgentReport;
  b.GetCurSmenaBackCardReport = &GetCurSmenaBackCardReport;
  b.GetCurSmenaBNEReport = &GetCurSmenaBNEReport;
#endif
  LibraryUnits.ReportVarsText = VarsText;
  LibraryUnits.CallFunction = CallFunction;
  LibraryUnits.CreateDCOMDataModule = CreateModule;
  return true;
}

const bool wired = Wire();

}  // namespace
}  // namespace tv

extern "C" __attribute__((visibility("default"))) const char* tv_test_calls() {
  tv::joined.clear();
  for (const std::string& c : tv::calls) tv::joined += c + "\n";
  return tv::joined.c_str();
}

// The library's process-wide state, one "name=value" line each.
extern "C" __attribute__((visibility("default"))) const char* tv_test_state() {
  using namespace tv;
  const auto line = [](const std::string& name, const std::string& value) {
    return name + "=" + value + "\n";
  };
  joined =
      line("OfficeHost", Fmt(OfficeHost)) + line("MoneyFormat", HTMLJet::MoneyFormat) +
      line("valuta", HTMLJet::GlobalVars().Values("valuta")) +
      line("VidOplCount", Fmt(VidOplCount)) + line("VidOplNames", Fmt(VidOplNames)) +
      line("UseAltTemplates", Fmt(HTMLJet::UseAltTemplates)) +
      line("UseAltForms", Fmt(RepGen::UseAltForms)) +
      line("AltTemplatesFixed", Fmt(AltTemplatesFixed)) +
      line("MaxReportSizeMB", Fmt(HTMLJet::MaxReportSizeMB)) +
      line("MaxReportRows", Fmt(HTMLJet::MaxReportRows)) + line("DecL", Fmt(DecL)) +
      line("DecKg", Fmt(DecKg)) + line("DecL2", Fmt(DecL2)) + line("DecKg2", Fmt(DecKg2)) +
      line("VolumeFormat", VolumeFormat) + line("MassFormat", MassFormat) +
      line("RepSmType", Fmt(int{RepSmType})) +
      line("SiloReportSortField", Fmt(SiloReportSortField)) +
      line("NotRoundRVal", Fmt(NotRoundRVal)) + line("FinPrcDelim", Fmt(FinPrcDelim)) +
      line("RezGrGSM", Fmt(RezGrGSM)) + line("RepeatH", Fmt(HTMLJet::RepeatTableHeaderDefault)) +
      line("DecimalSeparator", std::string(1, HTMLJet::ReportFormatSettings().DecimalSeparator)) +
      line("ThousandSeparator", std::string(1, HTMLJet::ReportFormatSettings().ThousandSeparator)) +
      line("LastHTMLReport", LastHTMLReport.Text()) + line("CnfIniFileName", CnfIniFileName);
  if (VidOplArray.IsArray()) {
    for (int i = VidOplArray.LowBound(1); i <= VidOplArray.HighBound(1); ++i) {
      joined += line("VidOplArray" + std::to_string(i),
                     VarToStr(VidOplArray.At(i, 0)) + "|" + VarToStr(VidOplArray.At(i, 1)) + "|" +
                         VarToStr(VidOplArray.At(i, 2)) + "|" + VarToStr(VidOplArray.At(i, 3)));
    }
  }
  return joined.c_str();
}

// What a builder does with the host's fill procedure: a data set with the
// shift log's fields, filled by the host, rendered row by row.
extern "C" __attribute__((visibility("default"))) const char* tv_test_fill(int kind) {
  using namespace tv;
  try {
    TRxMemoryData data("SmLog");
    data.FieldDefs().Add("SMNUM", TFieldType::ftInteger);
    data.FieldDefs().Add("BEGTIME", TFieldType::ftDateTime);
    data.FieldDefs().Add("OPERATOR", TFieldType::ftString, 20);
    data.FieldDefs().Add("SUMMA", TFieldType::ftBCD);
    data.Open();
    FillHostData(kind, data);
    joined.clear();
    for (data.First(); !data.Eof(); data.Next()) {
      for (int i = 0; i < data.FieldCount(); ++i)
        joined += (i > 0 ? "|" : "") + data.Fields(i).AsString();
      joined += "\n";
    }
  } catch (const Exception& e) {
    joined = "error: " + e.Message();
  }
  return joined.c_str();
}

// What the shift report does with the host's report procedure.
extern "C" __attribute__((visibility("default"))) const char* tv_test_section(int code) {
  using namespace tv;
  try {
    joined = HostReportText(
        code, VarArrayOf({Variant(5), Variant(7), Variant(0), Variant("C:\\x.html")}));
  } catch (const Exception& e) {
    joined = "error: " + e.Message();
  }
  return joined.c_str();
}

extern "C" __attribute__((visibility("default"))) void tv_test_reset() {
  tv::calls.clear();
  tv::failure.clear();
}

extern "C" __attribute__((visibility("default"))) void tv_test_fail(const char* message) {
  tv::failure = message == nullptr ? "" : message;
}
