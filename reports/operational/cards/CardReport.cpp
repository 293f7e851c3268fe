#include "reports/operational/cards/CardReport.h"

#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
#include "foundation/SafeIniFiles.h"
#include "foundation/VidOpl.h"
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
#include "reports/operational/statements/StatementUtils.h"

namespace tv {

namespace {

// One sale of the statement. Amounts are four-decimal fixed point; the
// discount is the statement's value read as a float, as it is rounded to
// tenths below.
struct TCardRow {
  TDateTime Data = 0;
  std::string Pokupatel, GSM;
  int VidOpl = 0;
  Currency Liter, Price, Summa, BasePrice;
  double Dsc = 0;
};

// The rounded discount in tenths of a percent: Dsc x 10 + 0.5 in extended
// precision, truncated toward zero (4.96 gives 50, -0.1 gives 0, and
// -0.15, whose double lies a hair above it, gives 0 too).
int64_t RoundedDsc(double dsc) {
  return static_cast<int64_t>(std::trunc(static_cast<long double>(dsc) * 10 + 0.5L));
}

// The base amount and the discount amount of a sale; a sale without base
// price counts as sold at its base price.
Currency BaseSum(const TCardRow& r) {
  return r.BasePrice == Currency() ? r.Summa : r.Liter * r.BasePrice;
}

// The same amounts unrounded, for the HTML: the product of the two
// fixed-point values in extended precision, less the amount.
long double ExactBaseSum(const TCardRow& r) {
  if (r.BasePrice == Currency()) return r.Summa;
  return static_cast<long double>(r.Liter.Raw()) * static_cast<long double>(r.BasePrice.Raw()) /
         1e8L;
}
long double ExactDiscountSum(const TCardRow& r) {
  if (r.BasePrice == Currency()) return 0;
  return (static_cast<long double>(r.Liter.Raw()) * static_cast<long double>(r.BasePrice.Raw()) /
              10000 -
          static_cast<long double>(r.Summa.Raw())) /
         10000;
}

struct TSums {
  Currency Summa, BSum, DSum, Liter;
};

class TCardBuilder {
 public:
  TCardBuilder(TFileRepGen& rep, THTML_Jet& jet) : rep_(rep), jet_(jet) {}
  // `ownSalesOnly` leaves the office's own sales (KA not 0) out.
  std::string BuildSQL(const std::string& codes, const std::string& mask, bool cards,
                       bool ownSalesOnly) const;
  void ReadRows(TIBDataSet& ds);
  void AddCardTypes(std::vector<std::pair<int, std::string>>& list) const;
  void AddVidOplRows(const std::string& name, const std::vector<std::size_t>& index);
  void WriteTotals();
  const std::map<int, std::vector<std::size_t>>& ByVidOpl() const { return byVidOpl_; }

 private:
  void WriteRow(const TCardRow& r, const std::string& name, int nn);
  void WriteSubtotal(const std::string& gsm, const std::string& dscText, double dsc, Currency summa,
                     Currency liter, const char* nnHtml);

  TFileRepGen& rep_;
  THTML_Jet& jet_;
  std::vector<TCardRow> rows_;
  std::map<int, std::vector<std::size_t>> byVidOpl_;  // row indexes per payment code
  TSums all_;
};

std::string TCardBuilder::BuildSQL(const std::string& codes, const std::string& mask, bool cards,
                                   bool ownSalesOnly) const {
  const std::string sales = ownSalesOnly ? " AND (COALESCE(L.KA, 0) = 0) " : std::string();
  // A sale without base price would fail the division of the whole
  // statement; its discount is 0 instead.
  const std::string dsc =
      "  COALESCE(100 - L.GSMPrice * 100 / NULLIF(L.BasePrice, 0), 0) AS Dsc, L.BasePrice";
  // A sale may hold several discount records. It is listed once: under its
  // payment type when none of them carries a card, else under the record
  // with the smallest card number (then the smaller type, then the smaller
  // value) among those the mask lets through.
  std::string carded =
      "FROM LOGTRANDSC LD WHERE (LD.INDEXSALE = L.INDEXSALE) AND (LD.DSCTYPE IN (3,4))"
      " AND (COALESCE(LD.DSCPARAM, '') <> '')";
  std::vector<std::string> sql;
  if (cards)
    sql.push_back(
        "SELECT L.Data, L.Pokupatel, L.VidOpl, L.GSMName, L.Liter, L.GSMPrice, "
        "L.Summa, L.DSC, L.BasePrice FROM (");
  sql.push_back("SELECT L.Data, L.Pokupatel, L.VidOpl, L.GSMName, L.Liter, L.GSMPrice, L.Summa,");
  sql.push_back(dsc);
  sql.push_back("FROM LogTran L");
  sql.push_back("WHERE (L.Data between :BDate AND :EDate)");
  sql.push_back("  AND (L.VidOpl IN " + codes + ")");
  if (cards) sql.push_back("  AND NOT EXISTS (SELECT 1 " + carded + ")");
  if (!mask.empty()) sql.push_back("  AND (L.Pokupatel LIKE " + QuotedStr(mask) + ")");
  sql.push_back(sales);
  if (cards) {
    if (!mask.empty()) carded += " AND (LD.DSCPARAM LIKE " + QuotedStr(mask) + ")";
    sql.push_back("UNION ALL");
    sql.push_back(
        "SELECT L.Data, 'СК:' || (SELECT FIRST 1 LD.DSCPARAM || ':' || "
        "CAST(LD.DSCVAL AS NUMERIC(15,1)) || '%' "_w +
        carded +
        " ORDER BY LD.DSCPARAM, LD.DSCTYPE, LD.DSCVAL) AS Pokupatel, L.VidOpl, "
        "L.GSMName, L.Liter, L.GSMPrice, L.Summa,");
    sql.push_back(dsc);
    sql.push_back("FROM LogTran L");
    sql.push_back("WHERE (L.Data between :BDate AND :EDate)");
    sql.push_back(sales);
    sql.push_back("  AND EXISTS (SELECT 1 " + carded + ")");
    sql.push_back(") L");
  }
  sql.push_back(cards ? "ORDER BY L.VidOpl, L.GsmName, L.Dsc, L.Data"
                      : "ORDER BY L.VidOpl, L.GsmName, Dsc, L.Data");
  std::string text;
  for (const std::string& line : sql) text += line + "\r\n";
  return text;
}

void TCardBuilder::ReadRows(TIBDataSet& ds) {
  ds.Open();
  TIBField& data = ds.FieldByName("Data");
  TIBField& pok = ds.FieldByName("Pokupatel");
  TIBField& vidOpl = ds.FieldByName("VidOpl");
  TIBField& gsm = ds.FieldByName("GSMName");
  TIBField& liter = ds.FieldByName("Liter");
  TIBField& price = ds.FieldByName("GSMPrice");
  TIBField& summa = ds.FieldByName("Summa");
  TIBField& dsc = ds.FieldByName("Dsc");
  TIBField& base = ds.FieldByName("BasePrice");
  for (; !ds.Eof(); ds.Next()) {
    TCardRow r{data.AsDateTime(),  pok.AsString(),     gsm.AsString(),
               vidOpl.AsInteger(), liter.AsCurrency(), price.AsCurrency(),
               summa.AsCurrency(), base.AsCurrency(),  dsc.AsFloat()};
    byVidOpl_[r.VidOpl].push_back(rows_.size());
    rows_.push_back(std::move(r));
  }
  ds.Close();
}

void TCardBuilder::AddCardTypes(std::vector<std::pair<int, std::string>>& list) const {
  // The rows come ordered by payment code: each code is looked at once.
  for (const auto& [code, index] : byVidOpl_) {
    bool listed = false;
    for (const auto& entry : list) listed = listed || entry.first == code;
    if (listed) continue;
    const int row = FindVidOplIndex(code, VidOplArray, -1);
    list.emplace_back(
        code, "СК:"_w + (row >= 0 ? VidOplArray.At(row, 0).AsString() : "Имя не определено"_w));
  }
}

void TCardBuilder::WriteRow(const TCardRow& r, const std::string& name, int nn) {
  const Currency bsum = BaseSum(r);
  const Currency dsum = bsum - r.Summa;
  rep_.SetVar("NN", Format("%3d", {nn}));
  rep_.SetVar("Date", FormatDateTime("dd.mm.yyyy", r.Data));
  rep_.SetVar("Time", FormatDateTime("hh:nn", r.Data));
  rep_.SetVar("CardNum", r.Pokupatel);
  rep_.SetVar("VidOpl", name);
  rep_.SetVar("GSM", r.GSM);
  rep_.SetVar("Kolvo", Format("%7.2n", {static_cast<long double>(r.Liter)}));
  rep_.SetVar("Price", Format("%7.2n", {static_cast<long double>(r.Price)}));
  rep_.SetVar("Summa", Format("%9.2n", {static_cast<long double>(r.Summa)}));
  jet_.AddInteger("NN", nn);
  jet_.AddDateTime("Date", "dd.mm.yyyy", r.Data);
  jet_.AddDateTime("Time", "hh:nn", r.Data);
  jet_.Add("CardNum", r.Pokupatel);
  jet_.Add("GSM", r.GSM);
  jet_.AddFloat("Kolvo", VolumeFormat, static_cast<double>(r.Liter));
  jet_.AddFloatDefault("Price", static_cast<double>(r.Price));
  jet_.AddFloatDefault("Summa", static_cast<double>(r.Summa));
  if (r.Dsc != 0) {
    const long double tenths = static_cast<long double>(RoundedDsc(r.Dsc)) / 10;
    rep_.SetVar("Dsc", Format("%2.1n%%", {tenths}));
    jet_.AddFloat("Dsc", "%.1n%%", static_cast<double>(tenths));
  }
  rep_.SetVar("DSum", Format("%7.2n", {static_cast<long double>(dsum)}));
  rep_.SetVar("BPr", Format("%7.2n", {static_cast<long double>(r.BasePrice)}));
  rep_.SetVar("BSum", Format("%7.2n", {static_cast<long double>(bsum)}));
  // The text rounds the products to four decimals, the HTML does not.
  jet_.AddFloatDefault("DSum", static_cast<double>(ExactDiscountSum(r)));
  jet_.AddFloatDefault("BPr", static_cast<double>(r.BasePrice));
  jet_.AddFloatDefault("BSum", static_cast<double>(ExactBaseSum(r)));
  jet_.EndLine();
  rep_.PrintRepeat();
  rep_.ClearVars();
}

void TCardBuilder::WriteSubtotal(const std::string& gsm, const std::string& dscText, double dsc,
                                 Currency summa, Currency liter, const char* nnHtml) {
  rep_.SetVar("GSM", gsm);
  rep_.SetVar("Dsc", dscText);
  rep_.SetVar("Summa", Format("%9.2n", {static_cast<long double>(summa)}));
  rep_.SetVar("Kolvo", Format("%7.2n", {static_cast<long double>(liter)}));
  rep_.SetVar("NN", "----");
  rep_.SetVar("CardNum", "---------");
  rep_.SetVar("Date", "----------");
  rep_.SetVar("Time", "-----");
  rep_.PrintRepeat();
  rep_.ClearVars();
  jet_.Add("GSM", gsm);
  if (std::isnan(dsc))
    jet_.AddFloat("Dsc", "-----", dsc);
  else
    jet_.AddFloat("Dsc", "%.1n%%", dsc);
  jet_.AddFloatDefault("Summa", static_cast<double>(summa));
  jet_.AddFloat("Kolvo", VolumeFormat, static_cast<double>(liter));
  jet_.AddFloat("NN", Utf8ToCp1251(nnHtml), std::nan(""));
  jet_.Add("CardNum", "---------");
  jet_.AddDateTime("Date", "----------", -1);
  jet_.AddDateTime("Time", "-----", -1);
  jet_.EndLine();
}

void TCardBuilder::AddVidOplRows(const std::string& name, const std::vector<std::size_t>& index) {
  TSums type;
  Currency fuelSumma, fuelLiter, dscSumma, dscLiter;
  jet_.Add("VidOpl", name);
  int nn = 0;
  for (std::size_t i = 0; i < index.size(); ++i) {
    const TCardRow& r = rows_[index[i]];
    fuelSumma += r.Summa;
    fuelLiter += r.Liter;
    dscSumma += r.Summa;
    dscLiter += r.Liter;
    const int64_t dsc = RoundedDsc(r.Dsc);
    WriteRow(r, name, ++nn);
    const Currency bsum = BaseSum(r);
    type.Summa += r.Summa;
    type.BSum += bsum;
    type.DSum += bsum - r.Summa;
    type.Liter += r.Liter;
    const TCardRow* next = i + 1 < index.size() ? &rows_[index[i + 1]] : nullptr;
    const bool fuelEnds = !next || next->GSM != r.GSM;
    if (fuelEnds || RoundedDsc(next->Dsc) != dsc) {
      if (dsc >= 0) {
        const double tenths = static_cast<double>(dsc) / 10;
        WriteSubtotal(r.GSM, Format("%2.1n%%", {tenths}), tenths, dscSumma, dscLiter, "Итого:");
      }
      dscSumma = dscLiter = Currency();
    }
    if (fuelEnds) {
      WriteSubtotal(r.GSM, "-----", std::nan(""), fuelSumma, fuelLiter, "Итого по ГСМ:");
      fuelSumma = fuelLiter = Currency();
    }
  }
  all_.Summa += type.Summa;
  all_.BSum += type.BSum;
  all_.DSum += type.DSum;
  all_.Liter += type.Liter;
  rep_.SetVar("SummaAll", Format("%9.2n", {static_cast<long double>(type.Summa)}));
  rep_.SetVar("Vol", Format("%9.2n", {static_cast<long double>(type.Liter)}));
  rep_.EndGroup();
  jet_.AddOutItogFloat("SummaAll", HTMLJet::MoneyFormat, static_cast<double>(type.Summa));
  jet_.AddOutItogFloat("BSumAll", HTMLJet::MoneyFormat, static_cast<double>(type.BSum));
  jet_.AddOutItogFloat("DSumAll", HTMLJet::MoneyFormat, static_cast<double>(type.DSum));
  jet_.AddOutItogFloat("Vol", VolumeFormat, static_cast<double>(type.Liter));
  jet_.EndOGroup();
}

void TCardBuilder::WriteTotals() {
  rep_.SetVar("VidOplSum", Format("%9.2n", {static_cast<long double>(all_.Summa)}));
  rep_.SetVar("VidOplVol", Format("%9.2n", {static_cast<long double>(all_.Liter)}));
  // Numbers, not texts: the engine formats them as every other cell.
  jet_.AddFloat("VidOplSum", HTMLJet::MoneyFormat, static_cast<double>(all_.Summa));
  jet_.AddFloat("VidOplBSum", HTMLJet::MoneyFormat, static_cast<double>(all_.BSum));
  jet_.AddFloat("VidOplDSum", HTMLJet::MoneyFormat, static_cast<double>(all_.DSum));
  jet_.AddFloat("VidOplVol", VolumeFormat, static_cast<double>(all_.Liter));
}

void Run(TReportCreator& creator, int smenaFrom, int smenaTo, TDateTime begDate, TDateTime endDate,
         Variant selection, const std::string& mask, bool withDiscountCards,
         const Variant& vidOplCodes, std::string& text) {
  if (!vidOplCodes.IsEmpty()) MakeVidOplSelection(vidOplCodes, selection);
  if (smenaFrom == 0 && smenaTo == 0) {
    smenaFrom = smenaTo = AskHost(hcSmenaNum).AsInteger();
    begDate = AskHost(hcSmenaBegTime).AsDateTime();
    endDate = Now();
  }
  TTempReportFile out;
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  auto rep =
      std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\CardRep.frm", out.Name(), true, 0, 1);
  auto jet = std::make_unique<THTML_Jet>(GetWebFormFileName("Отчет по картам.html"_w), false, 0);
  jet->Init();
  PutOrgRequisites(rep.get(), jet.get(), -1);
  std::vector<std::pair<int, std::string>> list;
  for (const TStatementVidOpl& v : StatementVidOpls(selection, AnyBaseKind))
    list.emplace_back(Variant(v.Code).AsInteger(), v.Name);
  std::string codes;
  for (const auto& entry : list) codes += (codes.empty() ? "" : ",") + IntToStr(entry.first);
  TCardBuilder b(*rep, *jet);
  ds->SelectSQL().SetText(b.BuildSQL("(" + (codes.empty() ? "-1" : codes) + ")", mask,
                                     withDiscountCards, OwnSalesOnly(creator.Database)));
  ds->ParamByName("BDate").SetAsDateTime(begDate);
  ds->ParamByName("EDate").SetAsDateTime(endDate);
  b.ReadRows(*ds);

  const std::string smena =
      smenaFrom == smenaTo ? IntToStr(smenaFrom) : IntToStr(smenaFrom) + " - " + IntToStr(smenaTo);
  rep->SetVar("SmNum", smena);
  rep->SetVar("BegDate", FormatDateTime("dd.mm.yy hh:nn", begDate));
  rep->SetVar("EndDate", FormatDateTime("dd.mm.yy hh:nn", endDate));
  rep->SetVar("CurDate", FormatDateTime("dd.mm.yyyy", Now()));
  jet->Add("SmNum", smena);
  jet->AddDateTime("BegDate", "dd.mm.yyyy hh:nn", begDate);
  jet->AddDateTime("EndDate", "dd.mm.yyyy hh:nn", endDate);
  jet->AddDateTime("CurDate", "dd.mm.yyyy", Now());
  b.AddCardTypes(list);
  for (const auto& [code, name] : list) {
    const auto found = b.ByVidOpl().find(code);
    if (found != b.ByVidOpl().end()) b.AddVidOplRows(name, found->second);
  }
  b.WriteTotals();
  rep->EndReport();
  jet->EndDoc();
  jet->GetReady(LastHTMLReport);
  rep.reset();
  jet.reset();
  text = out.ReadText();
}

}  // namespace

void MakeCardReport(TReportCreator& creator, int smenaFrom, int smenaTo, TDateTime begDate,
                    TDateTime endDate, const Variant& vidOplSelection, const std::string& mask,
                    bool withDiscountCards, const Variant& vidOplCodes, std::string& text) {
  try {
    Run(creator, smenaFrom, smenaTo, begDate, endDate, vidOplSelection, mask, withDiscountCards,
        vidOplCodes, text);
  } catch (const std::exception& e) {
    SafeIniFiles::MakeContextException(e, "Отчет по картам"_w)->Raise();
  }
}

}  // namespace tv
