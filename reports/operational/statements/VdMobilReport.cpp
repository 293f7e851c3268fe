#include "reports/operational/statements/VdMobilReport.h"

#include <map>
#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/RowPipe.h"
#include "foundation/XMUtils.h"
#include "library/HostCallbacks.h"
#include "library/OrgRequisites.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "library/ReportsInterface.h"
#include "library/TempReportFile.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBField.h"
#include "reports/operational/statements/StatementUtils.h"

namespace tv {

namespace {

// The inputs of one report as the caller gave them.
struct TVdMobilRequest {
  std::string OrgName, ObjectName;
  TDateTime Date1 = 0, Date2 = 0;
  bool ByDriver = false;
  Variant Selection, Codes;
};

// The kopecks of price times litres, halves to even. The price is the
// stored fixed-point value and the litres, already rounded to their
// decimals, are taken as the decimal they stand for: the product is exact,
// so an amount that ends in exactly half a kopeck goes to the even kopeck
// (5,75 l at 50,78 is 291,985 and gives 291,98) whatever the binary
// neighbours of the price are.
int64_t KopecksHalfEven(Currency price, long double liter) {
  using Wide = __int128;
  const Wide product = Wide(price.Raw()) * Currency(liter).Raw();  // in 1e-8
  constexpr Wide kUnit = 1000000;                                  // 1e-8 per kopeck
  Wide q = product / kUnit;
  const Wide r = product % kUnit;
  const Wide twice = 2 * (r < 0 ? -r : r);
  const int sign = product < 0 ? -1 : 1;
  if (twice > kUnit || (twice == kUnit && q % 2 != 0)) q += sign;
  return static_cast<int64_t>(q);
}

// The columns of the query, looked up once rather than per row.
struct TVdColumns {
  explicit TVdColumns(TIBDataSet& ds)
      : Liter(ds.FieldByName("Liter")), Summa(ds.FieldByName("Summa")),
        Price(ds.FieldByName("Price")), Gsm(ds.FieldByName("GSM")), Data(ds.FieldByName("Data")),
        Number(ds.FieldByName("Number")), Driver(ds.FieldByName("Driver")),
        List(ds.FieldByName("ListNumber")), VidOpl(ds.FieldByName("VidOpl")) {}
  TIBField &Liter, &Summa, &Price, &Gsm, &Data, &Number, &Driver, &List, &VidOpl;
};

// What the forms take of one row, read while the data set stands on it.
struct TVdRow {
  long double Liter = 0, Summa = 0;
  std::string Gsm, Number, Driver, List;
  TDateTime Data = 0;
  int VidOpl = 0;
};

class TVdMobilBuilder {
 public:
  TVdMobilBuilder(TReportCreator& creator, TVdMobilRequest request)
      : creator_(creator), r_(std::move(request)) {}
  void Run(std::string& text);

 private:
  void WriteHeader();
  void BuildVdMobilSQL(TSQLStrings& sql) const;
  void ReadRow(const TVdColumns& c, TVdRow& row) const;
  void AddRow(const TVdRow& row);

  TReportCreator& creator_;
  TVdMobilRequest r_;
  bool contragents_ = false;  // organisations in CONTRAGENT, else in VDContractor
  std::unique_ptr<TFileRepGen> rep_;
  std::unique_ptr<THTML_Jet> jet_;
  long double totalLiter_ = 0, totalSumma_ = 0;
  int rowNum_ = 0;
  // The payment type texts met so far, plain and for HTML, by code.
  std::map<int, std::pair<std::string, std::string>> vidOplTexts_;
};

void TVdMobilBuilder::Run(std::string& text) {
  SettleVidOplSelection(r_.Selection, r_.Codes);
  contragents_ = HasVidOplContractors(creator_);
  TTempReportFile out;
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator_.Database, true, nullptr, nullptr, ""));
  rep_ =
      std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\vdMobil.frm", out.Name(), true, 0, 1);
  jet_ = std::make_unique<THTML_Jet>(
      GetWebFormFileName(r_.ByDriver ? "Ведомость по водителю.html"_w
                                     : "Ведомость по автомобилю.html"_w),
      false, 0);
  jet_->Init();
  PutOrgRequisites(rep_.get(), jet_.get(), -1);
  WriteHeader();

  BuildVdMobilSQL(ds->SelectSQL());
  // One pass over what may be a million rows: only the rows on their way
  // to the forms are kept.
  ds->SetUniDirectional(true);
  ds->Open();
  try {
    const TVdColumns columns(*ds);
    bool first = true;
    PipeRows<TVdRow>(
        [&](TVdRow& row) {
          if (!first) ds->Next();
          first = false;
          if (ds->Eof()) return false;
          ReadRow(columns, row);
          return true;
        },
        [&](const TVdRow& row) { AddRow(row); });
  } catch (...) {
    ds->Close();
    throw;
  }
  ds->Close();

  rep_->SetVar("LiterA", Format("%9.2n", {totalLiter_}));
  rep_->SetVar("Itogo", Format("%12.2n", {totalSumma_}));
  rep_->EndReport();
  jet_->MakeItog2("%.2n");
  jet_->MakeItog(2);
  jet_->EndOGroup();
  jet_->EndDoc();
  jet_->TakeReady(LastHTMLReport);
  rep_.reset();
  jet_.reset();
  text = out.ReadText();
}

void TVdMobilBuilder::WriteHeader() {
  const std::string azs = AskHost(hcStationName).AsString();
  rep_->SetVar("AZS", azs);
  jet_->Add("AZS", azs);
  rep_->SetVar("Data", DateTimeToStr(Now()));
  jet_->AddDateTime("CurDate", "dd.mm.yyyy", Now());
  jet_->AddDateTime("CurTime", "hh:nn:ss", Now());
  rep_->SetVar("Organization", r_.OrgName);
  jet_->Add("Organization", NoBr(r_.OrgName));
  rep_->SetVar("AutoMobil", r_.ObjectName);
  if (r_.ByDriver) rep_->SetVar("DriverName", r_.ObjectName);
  jet_->Add(r_.ByDriver ? "Driver" : "Auto", r_.ObjectName);
  rep_->SetVar("Date1", DateTimeToStr(r_.Date1));
  rep_->SetVar("Date2", DateTimeToStr(r_.Date2));
  jet_->AddDateTime("Date1", "dd.mm.yyyy hh:nn:ss", r_.Date1);
  jet_->AddDateTime("Date2", "dd.mm.yyyy hh:nn:ss", r_.Date2);
}

void TVdMobilBuilder::BuildVdMobilSQL(TSQLStrings& sql) const {
  sql.Add(
      "select a.GSMName as GSM, a.Data, c.Name as Number, d.Name as Driver, a.Liter, a.Summa, "
      "a.PListNum as ListNumber, a.GSMPrice as Price, a.VidOpl");
  sql.Add("from LogTran a");
  if (contragents_) {
    sql.Add("LEFT JOIN CONTRAGENT o ON a.IDCnt = CAST(o.CONTR_ID AS VARCHAR(10))");
    sql.Add("LEFT JOIN VDCar c on a.IDCar = c.ID");
    sql.Add("LEFT JOIN VDDriver d on a.IDDrv = d.ID");
  } else {
    sql.Add("LEFT JOIN VDContractor o ON a.IDCnt = o.ID");
    sql.Add("LEFT JOIN VDCar c on a.IDCar=c.ID and a.IDCnt=c.CID");
    sql.Add("LEFT JOIN VDDriver d on a.IDDrv=d.ID and a.IDCnt=d.CID");
  }
  sql.Add("WHERE (a.Data BETWEEN " + QuotedStr(DateTimeToDBStr(true, r_.Date1)) + " AND " +
          QuotedStr(DateTimeToDBStr(true, r_.Date2)) + ")");
  const std::string codes = JoinVidOplCodes(StatementVidOpls(r_.Selection));
  sql.Add(codes.empty() ? " and (a.VidOpl = 999) " : " and (a.VidOpl in (" + codes + ")) ");
  sql.Add(std::string(r_.ByDriver ? " and (UPPER(d.Name) = " : " and (UPPER(c.Name) = ") +
          AnsiUpperCase(QuotedStr(r_.ObjectName)) + ")");
  sql.Add(" and (UPPER(o.Name) = " + AnsiUpperCase(QuotedStr(r_.OrgName)) + ")");
  sql.Add(OwnSalesOnly(creator_.Database) ? OwnSalesFilter() : std::string());
  sql.Add("ORDER BY A.GSMName, a.Data");
}

void TVdMobilBuilder::ReadRow(const TVdColumns& c, TVdRow& row) const {
  row.Liter = row.Summa = 0;
  if (RepSmType == 0 || RepSmType == 1) {
    row.Liter = RoundTo(static_cast<int8_t>(DecL2), c.Liter.AsFloat());
    if (RepSmType == 0)
      row.Summa = RoundTo(2, c.Summa.AsFloat());
    else
      row.Summa = static_cast<long double>(KopecksHalfEven(c.Price.AsCurrency(), row.Liter)) / 100;
  }
  row.Gsm = c.Gsm.AsString();
  row.Data = c.Data.AsDateTime();
  row.Number = c.Number.AsString();
  row.Driver = c.Driver.AsString();
  row.List = c.List.AsString();
  row.VidOpl = c.VidOpl.AsInteger();
}

void TVdMobilBuilder::AddRow(const TVdRow& row) {
  ++rowNum_;
  auto known = vidOplTexts_.find(row.VidOpl);
  if (known == vidOplTexts_.end()) {
    std::string plain = VidOplText(row.VidOpl);
    std::string html = FastStringReplace(plain, " ", "&nbsp;", rfReplaceAll);
    known = vidOplTexts_.emplace(row.VidOpl, std::pair(std::move(plain), std::move(html))).first;
  }
  const std::string& vidOpl = known->second.first;

  rep_->SetVar("Num", Format("%5d", {rowNum_}));
  rep_->SetVar("GSM", row.Gsm);
  rep_->SetVar("Date", FormatDateTime("dd.mm.yyyy", row.Data));
  rep_->SetVar("Time", FormatDateTime("hh:nn", row.Data));
  rep_->SetVar("Number", row.Number);
  rep_->SetVar("Driver", row.Driver);
  rep_->SetVar("List", row.List);
  rep_->SetVar("VidOpl", vidOpl);
  rep_->SetVar("Liter", Format("%9.2n", {row.Liter}));
  rep_->SetVar("Summa", Format("%12.2n", {row.Summa}));

  jet_->AddInteger("Num", rowNum_);
  jet_->Add("GSM", NoBr(row.Gsm));
  jet_->AddDateTime("Date", "dd.mm.yyyy", row.Data);
  jet_->AddDateTime("Time", "hh:nn:ss", row.Data);
  jet_->Add("Number", row.Number);
  jet_->Add("Driver", row.Driver);
  jet_->Add("List", row.List);
  jet_->Add("VidOpl", known->second.second);
  jet_->AddFloat("Liter", VolumeFormat, static_cast<double>(row.Liter));
  jet_->AddFloatDefault("Summa", static_cast<double>(row.Summa));

  rep_->PrintRepeat();
  jet_->EndLine();
  totalLiter_ += row.Liter;
  totalSumma_ += row.Summa;
}

}  // namespace

void MakeVdMobilReport(TReportCreator& creator, const std::string& orgName,
                       const std::string& objectName, TDateTime date1, TDateTime date2,
                       int byDriver, const Variant& vidOplSelection, const Variant& vidOplCodes,
                       std::string& text) {
  TVdMobilRequest request{orgName,       objectName,      date1,      date2,
                          byDriver != 0, vidOplSelection, vidOplCodes};
  TVdMobilBuilder(creator, std::move(request)).Run(text);
}

}  // namespace tv
