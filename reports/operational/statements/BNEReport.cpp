#include "reports/operational/statements/BNEReport.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/statements/ItogReport.h"
#include "reports/operational/statements/StatementUtils.h"

namespace tv {

namespace {

// The default selection takes this row of the payment-type table.
constexpr int DefaultContractRow = 8;

// The inputs of one report as the caller gave them.
struct TBNERequest {
  std::string SmenaText, OperatorName;
  TDateTime Date1 = 0, Date2 = 0;
  int Mode = 0;
  Variant Selection, Codes;
};

class TBNEBuilder {
 public:
  TBNEBuilder(TReportCreator& creator, TBNERequest request)
      : creator_(creator), r_(std::move(request)) {}
  void Run(std::string& text);

 private:
  void GetBNEGSMList(const std::vector<TStatementVidOpl>& vidOpls);
  void ResetBNETotals() { ResetItogList(*gsm_); }
  void WriteHeader();
  void AddVidOplRows(TIBDataSet& ds, const TStatementVidOpl& vidOpl);
  void StartCustomer(const std::string& name);
  void CloseCustomer();
  void AddCell(int k, long double liter, long double summa);

  TReportCreator& creator_;
  TBNERequest r_;
  std::unique_ptr<TItogList> gsm_;
  std::unordered_map<std::string, int> gsmIndex_;  // upper-cased name -> first column
  std::unique_ptr<TFileRepGen> rep_;
  std::unique_ptr<THTML_Jet> jet_;
  std::vector<TItogReport> textTotals_;  // every row printed, per column
  TStringList literCells_, summaCells_;
  std::vector<long double> cellLiter_, cellSumma_;  // the customer's row, per column
  long double custLiter_ = 0, custSumma_ = 0;
};

void TBNEBuilder::Run(std::string& text) {
  SettleVidOplSelection(r_.Selection, r_.Codes, DefaultContractRow);
  const std::vector<TStatementVidOpl> vidOpls = StatementVidOpls(r_.Selection, ContractBaseKind);
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  TTempReportFile out;
  GetBNEGSMList(vidOpls);
  const int fuels = gsm_->Count();
  rep_ = std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\BNERep.frm", out.Name(), true, 0,
                                       static_cast<uint8_t>(fuels + 1));
  jet_ = std::make_unique<THTML_Jet>(GetWebFormFileName("Отчет по договорам.html"_w), true, fuels);
  gsm_->Add("ИТОГО"_w);
  textTotals_.resize(static_cast<std::size_t>(gsm_->Count()));
  jet_->Init();
  PutOrgRequisites(rep_.get(), jet_.get(), -1);

  const std::string ownSales = OwnSalesOnly(creator_.Database) ? OwnSalesFilter() : std::string();
  ds->SelectSQL().SetText(
      "select a.Pokupatel, a.GSMName, sum(a.liter) as Liter, SUM(a.Summa) as Summa\r\n"
      "from LogTran a\r\n"
      "WHERE (a.Data BETWEEN :BegDate AND :EndDate) AND (a.VidOpl = :VidOpl) " +
      ownSales +
      "\r\nGROUP BY a.Pokupatel, a.GSMName\r\n"
      "ORDER BY a.Pokupatel, a.GSMName");
  ds->ParamByName("BegDate").SetAsDateTime(r_.Date1);
  ds->ParamByName("EndDate").SetAsDateTime(r_.Date2);
  WriteHeader();

  for (const TStatementVidOpl& vidOpl : vidOpls) {
    ResetBNETotals();
    AddVidOplRows(*ds, vidOpl);
    jet_->MakeItog2("%.2n");
    jet_->MakeItog(2);
    jet_->EndIGroup();
  }
  // The closing line of the text sums every row printed above it.
  const int n = gsm_->Count();
  for (int k = 1; k <= n; ++k) {
    const TItogReport& total = textTotals_[static_cast<std::size_t>(k - 1)];
    rep_->SetVar("LitA" + IntToStr(k), Format("%8.2n", {total.Liter}));
    rep_->SetVar("Itogo" + IntToStr(k), Format("%10.2n", {total.Summa}));
  }
  rep_->EndReport();
  jet_->EndDoc();
  jet_->GetReady(LastHTMLReport);
  rep_.reset();
  jet_.reset();
  gsm_.reset();
  text = out.ReadText();
}

void TBNEBuilder::GetBNEGSMList(const std::vector<TStatementVidOpl>& vidOpls) {
  auto list = std::make_unique<TItogList>();
  const std::string codes = JoinVidOplCodes(vidOpls);
  if (!codes.empty()) {
    std::unique_ptr<TIBDataSet> q(
        FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
    q->SelectSQL().SetText(
        "SELECT GSMName FROM LogTran a\r\nWHERE a.Data BETWEEN :BegDate AND :EndDate and a.VidOpl "
        "in (" +
        codes + ")\r\nGROUP BY a.GSMName\r\nORDER BY a.GSMName");
    q->ParamByName("BegDate").SetAsDateTime(r_.Date1);
    q->ParamByName("EndDate").SetAsDateTime(r_.Date2);
    q->Open();
    // Names that differ only in letter case are one fuel: one column, under
    // the spelling that comes first, so that a customer's cells add up to
    // its row total.
    for (; !q->Eof(); q->Next()) {
      const std::string name = q->FieldByName("GSMName").AsString();
      if (gsmIndex_.emplace(AnsiUpperCase(name), list->Count()).second) list->Add(name);
    }
  }
  gsm_ = std::move(list);
}

void TBNEBuilder::WriteHeader() {
  const std::string azs = AskHost(hcStationName).AsString();
  rep_->SetVar("AZS", azs);
  jet_->Add("AZS", azs);
  rep_->SetVar("Data", DateToStr(Date()));
  rep_->SetVar("Time", TimeToStr(Time()));
  jet_->AddDateTime("CurDate", "dd.mm.yyyy", Now());
  jet_->AddDateTime("CurTime", "hh:nn:ss", Now());
  std::string period;
  if (VdPeriodText(r_.Mode, r_.SmenaText, r_.Date1, r_.Date2, period)) {
    rep_->SetVar("Date", period);
    jet_->AddDateTime("Date", period, -1);
  }
  rep_->SetVar("Operator", r_.OperatorName);
  jet_->Add("Operator", r_.OperatorName);
  for (int k = 1; k <= gsm_->Count(); ++k) rep_->SetVar("GSM" + IntToStr(k), gsm_->Name(k - 1));
  jet_->Add("GSM", gsm_->Names());
}

void TBNEBuilder::AddVidOplRows(TIBDataSet& ds, const TStatementVidOpl& vidOpl) {
  ds.ParamByName("VidOpl").SetAsInteger(Variant(vidOpl.Code).AsInteger());
  ds.Open();
  try {
    rep_->SetVar("VidOplName", vidOpl.Name);
    jet_->Add("VidOplName", vidOpl.Name);
    TIBField& customer = ds.FieldByName("Pokupatel");
    TIBField& gsm = ds.FieldByName("GSMName");
    TIBField& liter = ds.FieldByName("Liter");
    TIBField& summa = ds.FieldByName("Summa");
    std::string current = ds.Eof() ? std::string() : customer.AsString();
    StartCustomer(current);
    for (; !ds.Eof(); ds.Next()) {
      const std::string name = customer.AsString();
      if (name != current) {
        CloseCustomer();
        current = name;
        StartCustomer(current);
      }
      const auto found = gsmIndex_.find(AnsiUpperCase(gsm.AsString()));
      if (found == gsmIndex_.end()) continue;  // a fuel outside the list
      AddCell(found->second, liter.AsFloat(), summa.AsFloat());
    }
    CloseCustomer();
  } catch (...) {
    ds.Close();
    throw;
  }
  ds.Close();
}

void TBNEBuilder::StartCustomer(const std::string& name) {
  // Only the row's own variables are cleared: the header and the operator
  // line of the form's tail keep theirs.
  const int n = gsm_->Count();
  for (int k = 1; k <= n; ++k) {
    rep_->SetVar("Liter" + IntToStr(k), "");
    rep_->SetVar("Summa" + IntToStr(k), "");
  }
  literCells_.Clear();
  summaCells_.Clear();
  cellLiter_.assign(static_cast<std::size_t>(n), 0);
  cellSumma_.assign(static_cast<std::size_t>(n), 0);
  const std::string zero = Format("%.2n", {0.0}, HTMLJet::ReportFormatSettings());
  for (int k = 0; k < n; ++k) {
    literCells_.Add(zero);
    summaCells_.Add(zero);
  }
  custLiter_ = 0;
  custSumma_ = 0;
  rep_->SetVar("Organization", name);
  jet_->Add("Organization", NoBr(name));
}

// Every spelling of the column's fuel adds to the customer's cell.
void TBNEBuilder::AddCell(int k, long double liter, long double summa) {
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  const long double cellLiter = cellLiter_[static_cast<std::size_t>(k)] += liter;
  const long double cellSumma = cellSumma_[static_cast<std::size_t>(k)] += summa;
  rep_->SetVar("Liter" + IntToStr(k + 1), Format("%8.2n", {cellLiter}));
  rep_->SetVar("Summa" + IntToStr(k + 1), Format("%10.2n", {cellSumma}));
  literCells_.SetString(k, Format(VolumeFormat, {cellLiter}, fs));
  summaCells_.SetString(k, Format("%.2n", {cellSumma}, fs));
  custLiter_ += liter;
  custSumma_ += summa;
  gsm_->Item(k).Add(liter, 0, summa);
  textTotals_[static_cast<std::size_t>(k)].Add(liter, 0, summa);
}

void TBNEBuilder::CloseCustomer() {
  const int n = gsm_->Count();
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  rep_->SetVar("Liter" + IntToStr(n), Format("%8.2n", {custLiter_}));
  rep_->SetVar("Summa" + IntToStr(n), Format("%10.2n", {custSumma_}));
  literCells_.SetString(n - 1, Format(VolumeFormat, {custLiter_}, fs));
  summaCells_.SetString(n - 1, Format("%.2n", {custSumma_}, fs));
  gsm_->Item(n - 1).Add(custLiter_, 0, custSumma_);
  textTotals_[static_cast<std::size_t>(n - 1)].Add(custLiter_, 0, custSumma_);
  rep_->PrintRepeat();
  jet_->Add("Liter", literCells_);
  jet_->Add("Summa", summaCells_);
  jet_->EndLine();
}

}  // namespace

void MakeBNEReport(TReportCreator& creator, const std::string& smenaText,
                   const std::string& operatorName, TDateTime date1, TDateTime date2, int mode,
                   const Variant& vidOplSelection, const Variant& vidOplCodes, std::string& text) {
  TBNERequest request{smenaText, operatorName, date1, date2, mode, vidOplSelection, vidOplCodes};
  TBNEBuilder(creator, std::move(request)).Run(text);
}

}  // namespace tv
