#include "reports/operational/statements/VdPeriodReport.h"

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "platform/RtlMath.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/statements/ItogReport.h"
#include "reports/operational/statements/StatementUtils.h"

namespace tv {

namespace {

// One row of the main query: one counterparty's sales of one fuel.
struct TOrgFuelRow {
  std::string Name, GSM, Id;
  double Liter = 0, Kg = 0, Summa = 0;
};

// The inputs of one report as the caller gave them.
struct TVdPeriodRequest {
  std::string SmenaFrom, OperatorName, SmenaTo, FormFile, TemplateFile, OrgIDs;
  TDateTime BegDate = 0, EndDate = 0;
  int Mode = 0;
  Variant Selection, Codes;
};

class TVdPeriodBuilder {
 public:
  TVdPeriodBuilder(TReportCreator& creator, TVdPeriodRequest request)
      : creator_(creator), r_(std::move(request)) {}
  void Run(std::string& text);

 private:
  std::string OrgWhere() const;
  void WriteHeader();
  void GetVdPeriodGSMList();
  std::vector<TOrgFuelRow> ReadOrgRows(int vidOpl);
  void AddVdPeriodOrgRows(int vidOpl);
  void AddOrgRow(const std::vector<TOrgFuelRow>& rows, std::size_t first,
                 const std::map<std::pair<std::string, std::string>, std::size_t>& index);
  void PutVdPeriodCell(int column, long double liter, long double kg, long double summa,
                       long double price);
  void PutEmptyCell();
  void WriteTextTotals();
  double GetVdLimitLiters(int limitType, const std::string& id) const;

  TReportCreator& creator_;
  TVdPeriodRequest r_;
  bool vedHide0_ = true;
  bool contragents_ = false;  // counterparties in CONTRAGENT, else in VDContractor
  std::vector<TStatementVidOpl> vidOpls_;
  std::unique_ptr<TIBDataSet> ds_;
  std::unique_ptr<TItogList> gsm_;
  std::vector<TItogReport> textTotals_;  // every row printed, per column
  std::unique_ptr<TFileRepGen> rep_;
  std::unique_ptr<THTML_Jet> jet_;
  TStringList literCells_, kgCells_, summaCells_, priceCells_;
};

long double CalcVdPrice(long double summa, long double liter) {
  if (liter == 0) return 0;
  return RoundTo(2, summa / liter);
}

void TVdPeriodBuilder::Run(std::string& text) {
  {
    TSafeIniFile ini(GetWindowsDir() + "cnf.ini");
    vedHide0_ = ini.ReadBool("Reports", "VedHide0", true);
  }
  TTempReportFile out;
  contragents_ = HasVidOplContractors(creator_);
  ds_.reset(FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  TSQLStrings& sql = ds_->SelectSQL();
  sql.Add("select O.Name, a.GSMName as GSM, sum(a.liter) as Liter,");
  sql.Add("SUM(a.Summa) as Summa, SUM(a.Liter * a.Plotn) as Kg, COALESCE(a.IDCnt, 0) AS IDCnt");
  sql.Add("from LogTran a");
  sql.Add(contragents_
              ? "LEFT JOIN CONTRAGENT o ON (COALESCE(a.IDCnt, 0) = CAST(o.CONTR_ID AS VARCHAR(10)))"
              : "LEFT JOIN VDContractor o  ON (a.IDCnt = o.ID)");
  sql.Add("WHERE a.DATA BETWEEN :BegDate AND :EndDate AND a.VidOpl = :VidOpl $ORGWHERE$");
  sql.Add("GROUP BY o.Name, A.GSMName, a.IDCnt");
  sql.Add("ORDER BY o.Name, A.GSMName");
  sql.SetText(FastStringReplace(sql.Text(), "$ORGWHERE$", OrgWhere(), rfReplaceAll));
  ds_->ParamByName("BegDate").SetAsDateTime(r_.BegDate);
  ds_->ParamByName("EndDate").SetAsDateTime(r_.EndDate);

  SettleVidOplSelection(r_.Selection, r_.Codes);
  if (r_.FormFile.empty()) r_.FormFile = "C:\\FUEL\\FORMS\\REPORT\\vdPeriod.frm";
  if (r_.TemplateFile.empty())
    r_.TemplateFile = GetWebFormFileName("Отчет по ведомостям за период.html"_w);
  GetVdPeriodGSMList();
  const int m = gsm_->Count();
  // Both engines lay their column block out m + 1 times: the fuels and the total.
  rep_ = std::make_unique<TFileRepGen>(r_.FormFile, out.Name(), true, 0, m + 1);
  jet_ = std::make_unique<THTML_Jet>(r_.TemplateFile, true, m);
  gsm_->Add("ИТОГО"_w);
  textTotals_.resize(static_cast<std::size_t>(gsm_->Count()));
  jet_->Init();
  PutOrgRequisites(rep_.get(), jet_.get(), -1);
  WriteHeader();

  for (const TStatementVidOpl& vidOpl : vidOpls_) {
    ResetItogList(*gsm_);
    rep_->SetVar("VidOplName", vidOpl.Name);
    jet_->Add("VidOplName", vidOpl.Name);
    AddVdPeriodOrgRows(Variant(vidOpl.Code).AsInteger());
    jet_->MakeItog2("%.2n");
    jet_->MakeItog(2);
    jet_->EndIGroup();
  }
  WriteTextTotals();
  rep_->EndReport();
  jet_->EndDoc();
  jet_->GetReady(LastHTMLReport);
  rep_.reset();
  jet_.reset();
  gsm_.reset();
  text = out.ReadText();
}

std::string TVdPeriodBuilder::OrgWhere() const {
  const std::string ids = Trim(r_.OrgIDs);
  if (ids.empty()) return OwnSalesOnly(creator_.Database) ? OwnSalesFilter() : std::string();
  // Each item is quoted as it stands, blanks next to a comma included.
  std::string items;
  std::size_t start = 0;
  for (std::size_t comma = ids.find(',');; comma = ids.find(',', start)) {
    if (start > 0) items += ',';
    items += QuotedStr(std::string_view(ids).substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  // Listed counterparties are held to their own sales (KA 0) in the
  // office's variant too; a database without the column KA has only those.
  const bool hasKA = FBUtils::HasColumn(creator_.Database, "LOGTRAN", "KA");
  return std::string(hasKA ? " AND (COALESCE(a.KA, 0) = 0)" : "") + " AND (a.IDCnt IN (" + items +
         ")) ";
}

void TVdPeriodBuilder::WriteHeader() {
  rep_->SetVar("AZS", AskHost(hcStationName).AsString());
  jet_->Add("AZS", AskHost(hcStationName).AsString());
  rep_->SetVar("Data", DateToStr(Date()));
  jet_->AddDateTime("CurDate", "dd.mm.yyyy", Now());
  rep_->SetVar("Time", TimeToStr(Time()));
  jet_->AddDateTime("CurTime", "hh:nn:ss", Now());
  r_.Mode = NormalizeVdMode(r_.Mode, r_.SmenaFrom, r_.SmenaTo);
  if (r_.Mode > 0) {
    rep_->SetVar("Operator", r_.OperatorName);
    jet_->Add("Operator", r_.OperatorName);
  }
  std::string period;
  if (VdPeriodText(r_.Mode, r_.SmenaFrom, r_.BegDate, r_.EndDate, period)) {
    rep_->SetVar("Date", period);
    jet_->AddDateTime("Date", period, -1);
  }
  for (int k = 1; k <= gsm_->Count(); ++k) rep_->SetVar("GSM" + IntToStr(k), gsm_->Name(k - 1));
  jet_->Add("GSM", gsm_->Names());
}

void TVdPeriodBuilder::GetVdPeriodGSMList() {
  auto list = std::make_unique<TItogList>();
  vidOpls_ = StatementVidOpls(r_.Selection);
  const std::string codes = JoinVidOplCodes(vidOpls_);
  if (!codes.empty()) {
    std::unique_ptr<TIBDataSet> q(
        FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
    q->SelectSQL().SetText(
        "SELECT GSMName\r\nfrom LogTran a\r\nWHERE (a.DATA BETWEEN :BegDate AND :EndDate) "
        "and a.VidOpl in (" +
        codes + ")\r\nGROUP BY A.GSMName\r\nORDER BY a.GSMName");
    q->ParamByName("BegDate").SetAsDateTime(r_.BegDate);
    q->ParamByName("EndDate").SetAsDateTime(r_.EndDate);
    q->Open();
    for (; !q->Eof(); q->Next()) list->Add(q->FieldByName("GSMName").AsString());
  }
  gsm_ = std::move(list);
}

std::vector<TOrgFuelRow> TVdPeriodBuilder::ReadOrgRows(int vidOpl) {
  ds_->ParamByName("VidOpl").SetAsInteger(vidOpl);
  ds_->Open();
  std::vector<TOrgFuelRow> rows;
  try {
    TIBField& name = ds_->FieldByName("Name");
    TIBField& gsm = ds_->FieldByName("GSM");
    TIBField& id = ds_->FieldByName("IDCnt");
    TIBField& liter = ds_->FieldByName("Liter");
    TIBField& kg = ds_->FieldByName("Kg");
    TIBField& summa = ds_->FieldByName("Summa");
    for (; !ds_->Eof(); ds_->Next())
      rows.push_back({name.AsString(), gsm.AsString(), id.AsString(), liter.AsFloat(), kg.AsFloat(),
                      summa.AsFloat()});
  } catch (...) {
    ds_->Close();
    throw;
  }
  ds_->Close();
  return rows;
}

void TVdPeriodBuilder::AddVdPeriodOrgRows(int vidOpl) {
  const std::vector<TOrgFuelRow> rows = ReadOrgRows(vidOpl);
  // A cell is looked up by counterparty and fuel, the first matching row
  // counting, as a search from the top finds it.
  std::map<std::pair<std::string, std::string>, std::size_t> index;
  for (std::size_t i = 0; i < rows.size(); ++i)
    index.emplace(std::make_pair(rows[i].Id, rows[i].GSM), i);
  // One row per counterparty in the order of its first sales row. Two
  // counterparties of one name (or two without a name) have their rows
  // interleaved by fuel; each still gets its one row.
  std::set<std::string> done;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (done.insert(rows[i].Id).second) AddOrgRow(rows, i, index);
}

void TVdPeriodBuilder::WriteTextTotals() {
  // The text prints every group's rows in one sequence, so its closing line
  // sums them all; the HTML keeps a totals row per group.
  for (int k = 1; k <= static_cast<int>(textTotals_.size()); ++k) {
    const TItogReport& total = textTotals_[static_cast<std::size_t>(k - 1)];
    const std::string col = IntToStr(k);
    rep_->SetVar("LiterA" + col, Format("%9." + IntToStr(DecL2) + "n", {total.Liter}));
    rep_->SetVar("KgA" + col, Format("%9." + IntToStr(DecKg2) + "n", {total.Kg}));
    rep_->SetVar("Itogo" + col, Format("%12.2n", {total.Summa}));
  }
}

void TVdPeriodBuilder::AddOrgRow(
    const std::vector<TOrgFuelRow>& rows, std::size_t first,
    const std::map<std::pair<std::string, std::string>, std::size_t>& index) {
  const TOrgFuelRow& row = rows[first];
  // The text shows the missing name plainly; the HTML in bold.
  const std::string name = row.Name.empty() ? "Имя контрагента неизвестно"_w : row.Name;
  const std::string htmlName = row.Name.empty() ? "<b>" + name + "</b>" : name;
  const std::string& id = row.Id;
  long double orgLiter = 0, orgKg = 0, orgSumma = 0;
  const double limits[4] = {GetVdLimitLiters(0, id), GetVdLimitLiters(1, id),
                            GetVdLimitLiters(2, id), GetVdLimitLiters(3, id)};
  literCells_.Clear();
  kgCells_.Clear();
  summaCells_.Clear();
  priceCells_.Clear();
  rep_->SetVar("Organization", name);
  jet_->Add("Organization", NoBr(htmlName));
  static const char* const kLimitNames[4] = {"DayLimit", "WeekLimit", "MonthLimit", "AllLimit"};
  for (int t = 0; t < 4; ++t) {
    rep_->SetVar(kLimitNames[t], Format("%.2f", {limits[t]}));
    jet_->AddFloat(kLimitNames[t], "%.2n", limits[t]);
  }
  const int n = gsm_->Count();
  for (int k = 1; k < n; ++k) {
    const auto found = index.find({id, gsm_->Name(k - 1)});
    if (found == index.end()) {
      PutEmptyCell();
      continue;
    }
    const TOrgFuelRow& cell = rows[found->second];
    PutVdPeriodCell(k, cell.Liter, cell.Kg, cell.Summa, CalcVdPrice(cell.Summa, cell.Liter));
    orgLiter += cell.Liter;
    orgKg += cell.Kg;
    orgSumma += cell.Summa;
  }
  PutVdPeriodCell(n, orgLiter, orgKg, orgSumma, CalcVdPrice(orgSumma, orgLiter));
  rep_->PrintRepeat();
  rep_->ClearVars();
  jet_->Add("Liter", literCells_);
  jet_->Add("Kg", kgCells_);
  jet_->Add("Summa", summaCells_);
  jet_->Add("Price", priceCells_);
  jet_->EndLine();
}

void TVdPeriodBuilder::PutEmptyCell() {
  if (vedHide0_) {
    for (TStringList* cells : {&literCells_, &kgCells_, &summaCells_, &priceCells_})
      cells->Add(" ");
    return;
  }
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  literCells_.Add(Format(VolumeFormat, {0.0}, fs));
  kgCells_.Add(Format(MassFormat, {0.0}, fs));
  summaCells_.Add(Format(HTMLJet::MoneyFormat, {0.0}, fs));
  priceCells_.Add(Format(HTMLJet::MoneyFormat, {0.0}, fs));
}

void TVdPeriodBuilder::PutVdPeriodCell(int column, long double liter, long double kg,
                                       long double summa, long double price) {
  const std::string col = IntToStr(column);
  rep_->SetVar("Liter" + col, Format("%9." + IntToStr(DecL2) + "n", {liter}));
  rep_->SetVar("Kg" + col, Format("%9." + IntToStr(DecKg2) + "n", {kg}));
  rep_->SetVar("Summa" + col, Format("%12.2n", {summa}));
  rep_->SetVar("Price" + col, Format("%7.2n", {price}));
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  auto cell = [&](std::string_view format, long double value) {
    return vedHide0_ && IsZero(value) ? std::string(" ") : NoBr(Format(format, {value}, fs));
  };
  literCells_.Add(cell(VolumeFormat, liter));
  kgCells_.Add(cell(MassFormat, kg));
  summaCells_.Add(cell(HTMLJet::MoneyFormat, summa));
  priceCells_.Add(cell(HTMLJet::MoneyFormat, price));
  gsm_->Item(column - 1).Add(liter, kg, summa);
  textTotals_[static_cast<std::size_t>(column - 1)].Add(liter, kg, summa);
}

double TVdPeriodBuilder::GetVdLimitLiters(int limitType, const std::string& id) const {
  std::unique_ptr<TIBDataSet> q(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  const std::string key = id.empty() ? std::string("0") : id;
  // CONTR_ID is a number: a stored id that is none matches no limit (the
  // database would refuse to compare it).
  int number = 0;
  const bool decimal = key.find_first_not_of(" +-0123456789") == std::string::npos;
  if (contragents_ && !(decimal && TryStrToInt(Trim(key), number))) return 0;
  // The id is a stored text: bound, never pasted into the statement.
  TSQLStrings& sql = q->SelectSQL();
  sql.Add("SELECT Min(Liters) AS LimLiter");
  sql.Add("FROM vdLimits");
  sql.Add("WHERE LimitType = :LimitType");
  sql.Add(contragents_ ? "AND CONTR_ID = :ID" : "AND CID = :ID");
  sql.Add("AND CarID IS NULL AND DriverID IS NULL");
  q->ParamByName("LimitType").SetAsInteger(limitType);
  if (contragents_)
    q->ParamByName("ID").SetAsInteger(number);
  else
    q->ParamByName("ID").SetAsString(key);
  q->Open();
  const double liters = q->Eof() ? 0 : q->FieldByName("LimLiter").AsFloat();
  return liters == 999999999 || liters < 0 ? 0 : liters;
}

}  // namespace

void MakeVdPeriodReport(TReportCreator& creator, const std::string& smenaFrom,
                        const std::string& operatorName, TDateTime begDate, TDateTime endDate,
                        int mode, const std::string& smenaTo, const Variant& vidOplSelection,
                        const std::string& formFile, const std::string& templateFile,
                        const std::string& orgIDs, const Variant& vidOplCodes, std::string& text) {
  TVdPeriodRequest request{smenaFrom, operatorName, smenaTo, formFile,        templateFile, orgIDs,
                           begDate,   endDate,      mode,    vidOplSelection, vidOplCodes};
  TVdPeriodBuilder(creator, std::move(request)).Run(text);
}

}  // namespace tv
