// The financial section of the close-of-shift report: per fuel the litres,
// kilograms and money of every payment type with cash, cashless and all
// sales; the goods of the cash registers by section; the section totals and
// the payment types' totals; the cash-register balance; and a running total
// of one payment type across the report's financial sections.
#include <memory>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/OrgRequisites.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/data/MemoryData.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/FinSection.h"
#include "reports/shift/KKMBalance.h"
#include "reports/shift/ShiftForms.h"

namespace tv {

namespace {

// The group's values are Doubles: each sum in extended, the Currency
// amounts exact on their way in.
void AddRow(TFinGroup& g, const TSaleItem& r) {
  AddTo(g.L, r.Litre);
  AddTo(g.K, r.Kg);
  AddTo(g.S, r.Summa);
  AddTo(g.Sc, r.SummaPrice);
}

// Electronic counters' surplus money: with the overflow taken off (net)
// and left in (gross).
void AddSurplus(TRxMemoryData& smTrk, TFinTotals& totals) {
  const int end = smTrk.FieldByName("TrkEnd").Index();
  const int beg = smTrk.FieldByName("TrkBeg").Index();
  const int el = smTrk.FieldByName("ElCounter").Index();
  const int price = smTrk.FieldByName("GsmPrice").Index();
  const int pereliv = smTrk.FindField("Pereliv");
  for (smTrk.First(); !smTrk.Eof(); smTrk.Next()) {
    const double d = static_cast<double>(
        smTrk.Fields(el).AsFloat() -
        (static_cast<long double>(smTrk.Fields(end).AsFloat()) - smTrk.Fields(beg).AsFloat()));
    const double net =
        pereliv >= 0
            ? static_cast<double>(static_cast<long double>(d) - smTrk.Fields(pereliv).AsFloat())
            : d;
    const double p = smTrk.Fields(price).AsFloat();
    if (net > 0) totals.ElNet += static_cast<long double>(net) * p;
    if (d > 0) totals.ElGross += static_cast<long double>(d) * p;
  }
}

}  // namespace

TFinRun::TFinRun(TRepGen& rep, THTML_Jet& jet)
    : Rep(rep),
      Jet(jet),
      FmtL(DecFormat(0, DecL, 'n')),
      FmtK(DecFormat(0, DecKg, 'n')),
      TextL(DecFormat(9, DecL, 'n')),
      TextK(DecFormat(9, DecKg, 'n')) {}

long double TFinRun::RdL(long double x) { return RoundTo(static_cast<int8_t>(DecL), x); }
long double TFinRun::RdK(long double x) { return RoundTo(static_cast<int8_t>(DecKg), x); }

void TFinRun::Litres(const std::string& name, long double value) {
  Rep.SetVar(name, Format(TextL, {RdL(value)}));
  Jet.AddFloat(name, FmtL, static_cast<double>(RdL(value)));
}

void TFinRun::Kg(const std::string& name, long double value) {
  Rep.SetVar(name, Format(TextK, {RdK(value)}));
  Jet.AddFloat(name, FmtK, static_cast<double>(RdK(value)));
}

// The text takes the extended value; the cell's parameter is a Double.
void TFinRun::Money(const std::string& name, long double value) {
  Rep.SetVar(name, Format("%10.2n", {value}));
  Jet.AddFloatDefault(name, static_cast<double>(value));
}

void TFinRun::Group(const std::string& prefix, const TFinGroup& g) {
  Litres(prefix + "L", g.L);
  Kg(prefix + "K", g.K);
  Money(prefix + "S", g.S);
  Money(prefix + "Sc", g.Sc);
  Money(prefix + "Sd", static_cast<long double>(g.Sc) - g.S);
}

void TFinRun::PayType(const std::string& code, const TFinGroup& g) {
  Litres("L" + code, g.L);
  Kg("K" + code, g.K);
  Money("S" + code, g.S);
  Money("Sc" + code, g.Sc);
  Money("Sd" + code, static_cast<long double>(g.Sc) - g.S);
}

TVOSums& TVOSumsList::Get(const std::string& code) {
  const auto [it, added] = index_.emplace(code, Items.size());
  if (added) Items.emplace_back(code, TVOSums{});
  return Items[it->second].second;
}

void TCloseSmenaRep::BuildFinancialReport(const std::string& formName,
                                          const std::string& htmlName, std::string& text) {
  try {
    {
      TFileRepGen rep(FindShiftForm(formName.empty() ? "Smena3.FRM" : formName), TempFileName,
                      true, 0, 1);
      THTML_Jet jet(GetWebFormFileName(htmlName), false, 0);
      TFinRun run(rep, jet);
      jet.Init();
      run.SummaVO = StrToIntDef(jet.Params().Values("SummaVO"), -1);
      if (jet.Params().Values("ClearCounters") == "1") BNItogL = BNItogK = BNItogS = Currency();
      AddSurplus(*SmTrk, run.Totals);
      PutFuelRows(*this, run);
      PutGoodsRows(*this, run);
      PutFinTotals(*this, run);
      PutKKMBalance(rep, jet, run.Totals);
      jet.MakeItog2("%.2n");
      jet.MakeItog(2);
      if (run.SummaVO >= 0) {
        jet.AddOutItogFloat("BNItogL", run.FmtL, static_cast<double>(BNItogL));
        jet.AddOutItogFloat("BNItogK", run.FmtK, static_cast<double>(BNItogK));
        jet.AddOutItogFloat("BNItogS", HTMLJet::MoneyFormat, static_cast<double>(BNItogS));
      }
      jet.EndOGroup();
      PutOrgRequisites(&rep, &jet, -1);
      rep.EndReport();
      AppendHtml(jet);
    }
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании финансового отчета: "_w, e, text);
  }
}

void PutFuelRows(TCloseSmenaRep& report, TFinRun& run) {
  const TStringList& codes = *report.VidOplList;
  run.ColumnMoney.assign(codes.Count(), 0);
  run.ColumnLitres.assign(codes.Count(), 0);
  const TStringList& gsmList = *report.GsmList;
  for (int i = 0; i < gsmList.Count(); ++i) {
    const std::string& key = gsmList[i];
    const auto& gsm = *static_cast<const TGSMInfo_2*>(gsmList.Objects(i));
    const std::string name = FinPrcDelim ? key.substr(0, key.find('=')) : key;
    run.Rep.SetVar("GsmName", name);
    run.Rep.SetVar("Price", Format("%8.2n", {gsm.Price}));
    run.Jet.Add("GSM", NoBr(name));
    run.Jet.AddFloatDefault("Price", gsm.Price);
    TFinGroup n, b, a;
    for (int c = 0; c < codes.Count(); ++c) {
      const int v = StrToInt(codes[c]);
      TFinGroup x;
      for (int j = 0; j < gsm.Items.Count(); ++j) {
        const auto& r = *static_cast<const TSaleItem*>(gsm.Items.Objects(j));
        if (r.VidOpl != v) continue;
        TVOSums& s = run.VOSums.Get(IntToStr(r.VidOpl));
        s.Litre += Currency(r.Litre);
        s.Kg += Currency(r.Kg);
        s.Summa += r.Summa;
        AddRow(x, r);
        if (r.CheckType != 6) {
          AddRow(a, r);
          AddTo(run.SalesLitres, r.Litre);
          AddTo(run.SalesMoney, r.Summa);
        }
        if (r.CheckType == 0) AddRow(n, r);
        if (r.CheckType >= 1 && r.CheckType <= 5) AddRow(b, r);
      }
      run.ColumnMoney[c] += x.S;
      run.ColumnLitres[c] += x.L;
      run.PayType(codes[c], x);
      if (v == run.SummaVO) {
        report.BNItogL += Currency(TFinRun::RdL(x.L));
        report.BNItogK += Currency(TFinRun::RdK(x.K));
        report.BNItogS += Currency(x.S);
      }
    }
    run.Group("N", n);
    run.Group("B", b);
    run.Group("A", a);
    AddTo(run.Totals.NalItog, n.S);
    AddTo(run.NalLitres, n.L);
    AddTo(run.Totals.BNal, b.S);
    AddTo(run.BNalLitres, b.L);
    run.Rep.PrintRepeat();
    run.Rep.ClearVars();
    run.Jet.EndLine();
  }
}

}  // namespace tv
