#include "reports/operational/statements/VdAgentReport.h"

#include <memory>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/VidOpl.h"
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
#include "reports/operational/statements/StatementUtils.h"

namespace tv {

namespace {

constexpr std::string_view CRLF = "\r\n";

// The running totals of one fuel, in the order the fuels first appear.
struct TGSMSummary {
  std::string GSM;
  double Liter = 0;
  double Summa = 0;
};

// The inputs of one report as the caller gave them.
struct TVdAgentRequest {
  std::string OrgName, SmenaFrom, OperatorName, SmenaTo;
  TDateTime BegDate = 0, EndDate = 0;
  Variant Selection, Codes;
  int Mode = 0;
  bool GroupByDriver = false, GroupByCar = false, DriverFirst = false;
};

// One report: its state and the steps that work on it.
class TVdAgentBuilder {
 public:
  TVdAgentBuilder(TReportCreator& creator, TVdAgentRequest request)
      : creator_(creator), r_(std::move(request)) {}
  void Run(std::string& text);

 private:
  void WriteHeader();
  std::string BuildVdAgentSQL() const;
  void AddRow(TIBDataSet& ds);
  void AddGroupTotals(const std::string& driver, const std::string& car);
  void AddDriverTotals(const std::string& driver);
  void AddCarTotals(const std::string& car);
  void WriteSubtotal(const std::string& number, const std::string& driver, double liter,
                     double summa, bool driverLevel);
  void AddGSMSummary(const std::string& gsm, double liter, double summa);
  void WriteTotals();
  std::string VidOplName(TIBDataSet& ds) const;

  TReportCreator& creator_;
  TVdAgentRequest r_;
  bool contragents_ = false;  // counterparties in CONTRAGENT, else in VDContractor
  std::unique_ptr<TFileRepGen> rep_;
  std::unique_ptr<THTML_Jet> jet_;
  double totalLiter_ = 0, totalSumma_ = 0;
  double driverLiter_ = 0, driverSumma_ = 0;
  double carLiter_ = 0, carSumma_ = 0;
  std::string driver_, car_;
  int rowNum_ = 0;
  std::vector<TGSMSummary> summary_;
};

void TVdAgentBuilder::Run(std::string& text) {
  SettleVidOplSelection(r_.Selection, r_.Codes);
  contragents_ = HasVidOplContractors(creator_);
  TTempReportFile out;
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  rep_ =
      std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\vdAgent.frm", out.Name(), true, 0, 1);
  jet_ =
      std::make_unique<THTML_Jet>(GetWebFormFileName("Ведомость по контрагенту.html"_w), false, 0);
  jet_->Init();
  PutOrgRequisites(rep_.get(), jet_.get(), -1);
  WriteHeader();

  ds->SelectSQL().SetText(BuildVdAgentSQL());
  ds->Open();
  std::string lastDriver, lastCar;
  try {
    while (!ds->Eof()) {
      lastDriver = ds->FieldByName("DriverName").AsString();
      lastCar = ds->FieldByName("Number").AsString();
      AddGroupTotals(lastDriver, lastCar);
      AddRow(*ds);
    }
    // The blanks make the last groups differ from the last row, so that
    // they get their subtotal rows too.
    driver_ += ' ';
    car_ += ' ';
    AddGroupTotals(lastDriver, lastCar);
  } catch (...) {
    ds->Close();
    throw;
  }
  ds->Close();

  WriteTotals();
  if (r_.Mode > 0) {
    rep_->SetVar("Operator", r_.OperatorName);
    jet_->Add("Operator", r_.OperatorName);
  }
  rep_->EndReport();
  jet_->EndOGroup();
  jet_->EndDoc();
  jet_->GetReady(LastHTMLReport);
  rep_.reset();
  jet_.reset();
  text = out.ReadText();
}

void TVdAgentBuilder::WriteHeader() {
  rep_->SetVar("AZS", AskHost(hcStationName).AsString());
  rep_->SetVar("Data", DateToStr(Date()));
  rep_->SetVar("Time", TimeToStr(Time()));
  jet_->Add("AZS", AskHost(hcStationName).AsString());
  jet_->AddDateTime("CurDate", "dd.mm.yyyy", Now());
  jet_->AddDateTime("CurTime", "hh:nn:ss", Now());
  rep_->SetVar("Organization", r_.OrgName);
  jet_->Add("Organization", NoBr(r_.OrgName));
  r_.Mode = NormalizeVdMode(r_.Mode, r_.SmenaFrom, r_.SmenaTo);
  std::string period;
  if (VdPeriodText(r_.Mode, r_.SmenaFrom, r_.BegDate, r_.EndDate, period)) {
    rep_->SetVar("Date", period);
    jet_->AddDateTime("Period", period, -1);
  }
}

std::string TVdAgentBuilder::BuildVdAgentSQL() const {
  const std::string codes = JoinVidOplCodes(StatementVidOpls(r_.Selection));
  const std::string vidOplFilter =
      codes.empty() ? " and (a.VidOpl = 999) " : " and (a.VidOpl in (" + codes + ")) ";
  const std::string ownSales = OwnSalesOnly(creator_.Database) ? OwnSalesFilter() : std::string();
  std::string sql =
      "select a.GSMName as GSM, a.Gsmprice as price, a.Data, c.NAME as Number,d.Name as "
      "DriverName, a.PListNum as ListNumber, a.Liter, a.Summa, a.GSMPrice as Price, a.VidOpl\r\n"
      "from LogTran a\r\n";
  if (contragents_)
    sql +=
        "LEFT JOIN CONTRAGENT o ON a.IDCnt = CAST(o.CONTR_ID AS VARCHAR(10))\r\n"
        "LEFT JOIN VDDriver d ON a.IDDrv = d.ID\r\n"
        "LEFT JOIN VDCar c ON a.IDCar = c.ID\r\n";
  else
    sql +=
        "LEFT JOIN VDContractor o ON a.IDCnt = o.ID\r\n"
        "LEFT JOIN VDDriver d ON  a.IDDrv = d.ID and a.IDCnt = d.CID\r\n"
        "LEFT JOIN VDCar c ON  a.IDCar = c.ID and a.IDCnt = c.CID\r\n";
  sql += "WHERE (a.DATA BETWEEN " + QuotedStr(DateTimeToDBStr(true, r_.BegDate)) + " AND " +
         QuotedStr(DateTimeToDBStr(true, r_.EndDate)) + ") " +
         " AND (UPPER(o.Name) = " + AnsiUpperCase(QuotedStr(r_.OrgName)) + ")" + vidOplFilter +
         ownSales + std::string(CRLF) + "ORDER BY #SOrder# \r\na.Data, a.GSMName";
  std::string order;
  if (r_.DriverFirst) {
    if (r_.GroupByDriver) order += "d.Name,";
    if (r_.GroupByCar) order += "c.NAME,";
  } else {
    if (r_.GroupByCar) order += "c.NAME,";
    if (r_.GroupByDriver) order += "d.Name,";
  }
  return FastStringReplace(sql, "#SOrder#", order, rfReplaceAll);
}

std::string TVdAgentBuilder::VidOplName(TIBDataSet& ds) const {
  TIBField& field = ds.FieldByName("VidOpl");
  const int index = FindVidOplIndex(field.AsInteger(), VidOplArray, -1);
  if (index >= 0) return VidOplArray.At(index, 0).AsString();
  return "Вид оплаты: "_w + field.AsString();
}

void TVdAgentBuilder::AddRow(TIBDataSet& ds) {
  double liter = 0, summa = 0;
  switch (RepSmType) {
    case 0:
      liter = static_cast<double>(RoundTo(DecL2, ds.FieldByName("Liter").AsFloat()));
      summa = static_cast<double>(RoundTo(2, ds.FieldByName("Summa").AsFloat()));
      break;
    case 1:
      liter = static_cast<double>(RoundTo(DecL2, ds.FieldByName("Liter").AsFloat()));
      summa = static_cast<double>(
          RoundTo(2, static_cast<long double>(ds.FieldByName("Price").AsFloat()) * liter));
      break;
    default:
      break;
  }
  const std::string gsm = ds.FieldByName("GSM").AsString();
  AddGSMSummary(gsm, liter, summa);
  const std::string vidOpl = VidOplName(ds);
  ++rowNum_;

  const TDateTime data = ds.FieldByName("Data").AsDateTime();
  const std::string number = ds.FieldByName("Number").AsString();
  const std::string driver = ds.FieldByName("DriverName").AsString();
  const std::string list = ds.FieldByName("ListNumber").AsString();
  rep_->SetVar("Num", Format("%5d", {rowNum_}));
  rep_->SetVar("GSM", gsm);
  rep_->SetVar("Price", ds.FieldByName("Price").AsString());
  rep_->SetVar("Date1", FormatDateTime("dd.mm.yyyy", data));
  rep_->SetVar("Time1", FormatDateTime("hh:nn", data));
  rep_->SetVar("Number", number);
  rep_->SetVar("Driver", driver);
  rep_->SetVar("DriverName", driver);
  rep_->SetVar("List", list);
  rep_->SetVar("Liter", Format("%9.2n", {liter}));
  rep_->SetVar("Summa", Format("%12.2n", {summa}));
  rep_->SetVar("VidOpl", vidOpl);

  jet_->AddInteger("Num", rowNum_);
  jet_->Add("GSM", NoBr(gsm));
  jet_->AddFloatDefault("Price", ds.FieldByName("Price").AsFloat());
  jet_->AddDateTime("Date", "dd.mm.yyyy", data);
  jet_->AddDateTime("Time", "hh:nn:ss", data);
  jet_->Add("Number", number);
  jet_->Add("Driver", driver);
  jet_->Add("List", list);
  jet_->AddFloat("Liter", VolumeFormat, liter);
  jet_->AddFloatDefault("Summa", summa);
  jet_->Add("VidOpl", NoBr(vidOpl));

  totalLiter_ += liter;
  totalSumma_ += summa;
  driverLiter_ += liter;
  driverSumma_ += summa;
  carLiter_ += liter;
  carSumma_ += summa;
  ds.Next();
  rep_->PrintRepeat();
  jet_->EndLine();
}

void TVdAgentBuilder::AddGroupTotals(const std::string& driver, const std::string& car) {
  if (r_.DriverFirst) {
    AddCarTotals(car);
    AddDriverTotals(driver);
  } else {
    AddDriverTotals(driver);
    AddCarTotals(car);
  }
}

void TVdAgentBuilder::AddDriverTotals(const std::string& driver) {
  if (!r_.GroupByDriver || driver == driver_) return;
  if (rowNum_ > 0) WriteSubtotal("--", driver_, driverLiter_, driverSumma_, true);
  driver_ = driver;
  driverLiter_ = 0;
  driverSumma_ = 0;
}

void TVdAgentBuilder::AddCarTotals(const std::string& car) {
  if (!r_.GroupByCar || car == car_) return;
  if (rowNum_ > 0) WriteSubtotal(car_, "--", carLiter_, carSumma_, false);
  car_ = car;
  carLiter_ = 0;
  carSumma_ = 0;
}

void TVdAgentBuilder::WriteSubtotal(const std::string& number, const std::string& driver,
                                    double liter, double summa, bool driverLevel) {
  rep_->SetVar("Num", "");
  rep_->SetVar("GSM", "--");
  rep_->SetVar("Price", "--");
  rep_->SetVar("Date1", "Итого:"_w);
  rep_->SetVar("Time1", "--");
  rep_->SetVar("Number", number);
  rep_->SetVar("Driver", driver);
  rep_->SetVar("DriverName", "--");
  rep_->SetVar("List", "--");
  rep_->SetVar("Liter", Format("%9.2n", {liter}));
  rep_->SetVar("Summa", Format("%12.2n", {summa}));
  rep_->PrintRepeat();
  jet_->Add("Num", "Итого:"_w);
  if (driverLevel)
    jet_->Add("Driver", driver);
  else
    jet_->Add("Number", number);
  jet_->AddFloat("Liter", VolumeFormat, liter);
  jet_->AddFloatDefault("Summa", summa);
  jet_->EndLine();
}

void TVdAgentBuilder::AddGSMSummary(const std::string& gsm, double liter, double summa) {
  for (auto& entry : summary_) {
    if (!AnsiSameText(entry.GSM, gsm)) continue;
    entry.Liter += liter;
    entry.Summa += summa;
    return;
  }
  summary_.push_back({gsm, liter, summa});
}

void TVdAgentBuilder::WriteTotals() {
  const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
  std::string names, liters, sums;
  for (std::size_t i = 0; i < summary_.size(); ++i) {
    // The lines are joined by "<br>", the break of the HTML cell.
    const std::string_view sep = i == 0 ? std::string_view() : std::string_view("<br>");
    names += std::string(sep) + "Итого по "_w + summary_[i].GSM + ": ";
    liters += std::string(sep) + NoBr(Format("%.2n", {summary_[i].Liter}, fs));
    sums += std::string(sep) + NoBr(Format(HTMLJet::MoneyFormat, {summary_[i].Summa}, fs));
  }
  rep_->SetVar("LiterA", Format("%9.2n", {totalLiter_}));
  rep_->SetVar("Itogo", Format("%12.2n", {totalSumma_}));
  jet_->AddOutItog("GSMItog", names);
  jet_->AddOutItog("GSMLiter", liters);
  jet_->AddOutItog("GSMSumma", sums);
  jet_->AddOutItogFloat("LiterA", VolumeFormat, totalLiter_);
  jet_->AddOutItogFloat("Itogo", HTMLJet::MoneyFormat, totalSumma_);
}

}  // namespace

void MakeVdAgentReport(TReportCreator& creator, const std::string& orgName,
                       const std::string& smenaFrom, TDateTime begDate, TDateTime endDate,
                       const std::string& operatorName, const Variant& vidOplSelection, int mode,
                       bool groupByDriver, bool groupByCar, bool driverFirst,
                       const std::string& smenaTo, const Variant& vidOplCodes, std::string& text) {
  TVdAgentRequest request{orgName, smenaFrom,     operatorName,    smenaTo,
                          begDate, endDate,       vidOplSelection, vidOplCodes,
                          mode,    groupByDriver, groupByCar,      driverFirst};
  TVdAgentBuilder(creator, std::move(request)).Run(text);
}

}  // namespace tv
