#include "reports/operational/cards/CouponReport.h"

#include <map>
#include <memory>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportSettings.h"
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

// The default selection takes this row of the payment-type table.
constexpr int DefaultCouponRow = 9;

// One coupon of the statement.
struct TCoupon {
  std::string ID, GSM;
  TDateTime CDate = 0;
  double Litre = 0, UseLitre = 0;
};

class TCouponBuilder {
 public:
  TCouponBuilder(TFileRepGen& rep, THTML_Jet& jet) : rep_(rep), jet_(jet) {}
  // Writes the coupons of one payment type, in the statement's order.
  void AddCouponRows(const std::vector<TCoupon>& rows, const std::vector<std::size_t>& index);

 private:
  TFileRepGen& rep_;
  THTML_Jet& jet_;
};

void TCouponBuilder::AddCouponRows(const std::vector<TCoupon>& rows,
                                   const std::vector<std::size_t>& index) {
  double allLitre = 0, allUse = 0;
  for (std::size_t i = 0; i < index.size();) {
    const std::string gsm = rows[index[i]].GSM;
    rep_.SetVar("GSM", gsm);
    jet_.Add("GSM", gsm);
    double litre = 0, use = 0;
    for (; i < index.size() && rows[index[i]].GSM == gsm; ++i) {
      const TCoupon& c = rows[index[i]];
      rep_.SetVar("Num", c.ID);
      rep_.SetVar("CDate", FormatDateTime("dd.mm.yyyy hh:nn:ss", c.CDate));
      rep_.SetVar("Litre", Format("%8.2n", {c.Litre}));
      rep_.SetVar("Use", Format("%8.2n", {c.UseLitre}));
      jet_.Add("Num", c.ID);
      jet_.AddDateTime("CDate", "dd.mm.yyyy hh:nn:ss", c.CDate);
      jet_.AddFloat("Litre", VolumeFormat, c.Litre);
      jet_.AddFloat("Use", VolumeFormat, c.UseLitre);
      use += c.UseLitre;
      litre += c.Litre;
      rep_.PrintRepeat();
      rep_.ClearVars();
      jet_.EndLine();
    }
    rep_.SetVar("aUse", Format("%8.2n", {use}));
    rep_.SetVar("aLit", Format("%8.2n", {litre}));
    rep_.EndGroup();
    allLitre += litre;
    allUse += use;
    jet_.AddInItog("GSM", gsm);
    jet_.MakeItog2("%.2n");
    jet_.MakeItog(2);
    jet_.EndIGroup();
  }
  jet_.AddOutItogFloat("AllLitre", VolumeFormat, allLitre);
  jet_.AddOutItogFloat("AllUse", VolumeFormat, allUse);
}

std::vector<TCoupon> ReadCoupons(TReportCreator& creator, TDateTime begDate, TDateTime endDate,
                                 std::map<int, std::vector<std::size_t>>& byVidOpl) {
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
  const std::string sales =
      OwnSalesOnly(creator.Database) ? " AND (COALESCE(lt.KA, 0) = 0) " : std::string();
  ds->SelectSQL().SetText(
      "Select cl.* \r\nFrom CouponList cl \r\nWhere (cl.CDate between :bDate and :eDate) \r\n  "
      "AND EXISTS(SELECT lt.DATA FROM LOGTRAN lt              WHERE (lt.DATA BETWEEN :bDate and "
      ":eDate) AND             (lt.VIDOPL = cl.VIDOPL) AND (lt.POKUPATEL CONTAINING cl.ID)" +
      sales + ")\r\nOrder By cl.GSM");
  ds->ParamByName("bDate").SetAsDateTime(begDate);
  ds->ParamByName("eDate").SetAsDateTime(endDate);
  ds->Open();
  std::vector<TCoupon> rows;
  TIBField& id = ds->FieldByName("ID");
  TIBField& gsm = ds->FieldByName("GSM");
  TIBField& cdate = ds->FieldByName("CDate");
  TIBField& litre = ds->FieldByName("Litre");
  TIBField& use = ds->FieldByName("UseLitre");
  TIBField& vidOpl = ds->FieldByName("VidOpl");
  for (; !ds->Eof(); ds->Next()) {
    byVidOpl[vidOpl.AsInteger()].push_back(rows.size());
    rows.push_back(
        {id.AsString(), gsm.AsString(), cdate.AsDateTime(), litre.AsFloat(), use.AsFloat()});
  }
  return rows;
}

}  // namespace

void MakeCouponReport(TReportCreator& creator, const Variant& vidOplSelection,
                      const Variant& vidOplCodes, TDateTime begDate, TDateTime endDate,
                      std::string& text) {
  if (begDate == 0) {
    begDate = AskHost(hcSmenaBegTime).AsDateTime();
    endDate = Now();
  }
  Variant selection = vidOplSelection;
  SettleVidOplSelection(selection, vidOplCodes, DefaultCouponRow);
  const std::vector<TStatementVidOpl> vidOpls = StatementVidOpls(selection, CouponBaseKind);
  TTempReportFile out;
  auto rep = std::make_unique<TFileRepGen>("C:\\FUEL\\FORMS\\REPORT\\CouponRep.frm", out.Name(),
                                           true, 0, 1);
  auto jet = std::make_unique<THTML_Jet>(GetWebFormFileName("Отчет по талонам.html"_w), false, 0);
  jet->Init();
  PutOrgRequisites(rep.get(), jet.get(), -1);
  // Each payment type's coupons are found through this index, not by a
  // pass over every coupon.
  std::map<int, std::vector<std::size_t>> byVidOpl;
  const std::vector<TCoupon> rows = ReadCoupons(creator, begDate, endDate, byVidOpl);
  rep->SetVar("BDate", FormatDateTime("dd.mm.yy hh.nn", begDate));
  rep->SetVar("EDate", FormatDateTime("dd.mm.yy hh.nn", endDate));
  jet->AddDateTime("BDate", "dd.mm.yy hh.nn", begDate);
  jet->AddDateTime("EDate", "dd.mm.yy hh.nn", endDate);
  if (rows.empty()) {
    rep->SetVar("Otliv", "Отпуска по талонам не производилось"_w);
    jet->Add("Otliv", "Отпуска по талонам не производилось"_w);
  }
  TCouponBuilder builder(*rep, *jet);
  for (const TStatementVidOpl& vidOpl : rows.empty() ? std::vector<TStatementVidOpl>() : vidOpls) {
    const auto found = byVidOpl.find(Variant(vidOpl.Code).AsInteger());
    if (found == byVidOpl.end()) continue;
    // The name as the host gave it.
    const std::string name = VidOplNames.IsArray() && vidOpl.Index <= VidOplNames.HighBound(1)
                                 ? VidOplNames[vidOpl.Index].AsString()
                                 : vidOpl.Name;
    rep->SetVar("VidOplName", name);
    jet->Add("VidOplName", name);
    builder.AddCouponRows(rows, found->second);
    jet->EndOGroup();
  }
  rep->EndReport();
  jet->EndDoc();
  jet->GetReady(LastHTMLReport);
  rep.reset();
  jet.reset();
  text = out.ReadText();
}

}  // namespace tv
