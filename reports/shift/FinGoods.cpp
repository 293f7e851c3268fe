// The financial section's goods rows by cash-register section, its VAT
// cells, its section totals and the payment types' totals.
#include <memory>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/text/FloatText.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/FinSection.h"
#include "reports/shift/TovarKKMSums.h"

namespace tv {

namespace {

// A goods sum of the section sums; a missing one reads as 0.
Currency GoodsValue(const TStringList& sums, const std::string& name) {
  return Currency(StrToFloatDef(sums.Values(name), 0));
}

// Frees the VAT list's sums whatever happens to the section.
struct TRateSumsGuard {
  TStringList& List;
  ~TRateSumsGuard() { FreeRateSums(List); }
};

// One goods row of the cash-register section `section` labelled `label`.
void PutSectionRow(TCloseSmenaRep& report, TFinRun& run, const TStringList& sums,
                   const std::string& section, std::string label) {
  const bool isVolume = label.find("[Объем]"_w) != std::string::npos ||
                        label.find("[Объём]"_w) != std::string::npos;
  const bool isMass = label.find("[Масса]"_w) != std::string::npos;
  const std::size_t bracket = label.find('[');
  if (bracket != std::string::npos && bracket >= 2) label = Trim(label.substr(0, bracket));
  run.Jet.Add("GSM", NoBr(label));
  const TStringList& codes = *report.VidOplList;
  for (int c = 0; c < codes.Count(); ++c) {
    const std::string& code = codes[c];
    const Currency m = GoodsValue(sums, section + "_" + code);
    const Currency q = GoodsValue(sums, section + "_" + code + "К"_w);
    TVOSums& s = run.VOSums.Get(code);
    s.TovSumma += m;
    s.TovKolvo += q;
    run.Jet.AddFloatDefault("S" + code, static_cast<double>(m));
    if (isVolume) run.Jet.AddFloat("L" + code, run.FmtL, static_cast<double>(TFinRun::RdL(q)));
    if (isMass) run.Jet.AddFloat("K" + code, run.FmtK, static_cast<double>(TFinRun::RdK(q)));
    if (StrToIntDef(code, -1) == run.SummaVO && run.SummaVO >= 0) {
      report.BNItogS += m;
      if (isVolume) report.BNItogL += q;
      if (isMass) report.BNItogK += q;
    }
  }
  const Currency ns = GoodsValue(sums, section + "_Н"_w);
  run.Jet.AddFloatDefault("NS", static_cast<double>(ns));
  Currency nq, bq;
  if (isVolume || isMass) nq = GoodsValue(sums, section + "_НК"_w);
  if (isVolume) run.Jet.AddFloat("NL", run.FmtL, static_cast<double>(TFinRun::RdL(nq)));
  if (isMass) run.Jet.AddFloat("NK", run.FmtK, static_cast<double>(TFinRun::RdK(nq)));
  const Currency bs = GoodsValue(sums, section + "_Б"_w);
  AddTo(run.Totals.GoodsBNal, bs);
  run.Jet.AddFloatDefault("BS", static_cast<double>(bs));
  if (isVolume || isMass) bq = GoodsValue(sums, section + "_БК"_w);
  if (isVolume) run.Jet.AddFloat("BL", run.FmtL, static_cast<double>(bq));
  if (isMass) run.Jet.AddFloat("BK", run.FmtK, static_cast<double>(bq));
  run.Jet.AddFloatDefault("AS", static_cast<double>(ns + bs));
  if (isVolume) run.Jet.AddFloat("AL", run.FmtL, static_cast<double>(nq + bq));
  if (isMass) run.Jet.AddFloat("AK", run.FmtK, static_cast<double>(nq + bq));
  run.Jet.EndLine();
}

}  // namespace

void PutGoodsRows(TCloseSmenaRep& report, TFinRun& run) {
  std::string templateText;
  run.Jet.GetResultText(templateText);
  const bool hasNds = AnsiLowerCase(templateText).find("&lt;#nds") != std::string::npos;
  if (!report.PutTovarSalesToFinReport && !hasNds) return;
  TStringList sums;
  TStringList nds;
  TRateSumsGuard guard{nds};
  report.ReadTovarKKMSums(sums, nds);
  if (report.PutTovarSalesToFinReport) {
    const TStringList& names = *report.KKMSectionNames;
    for (int i = 0; i < names.Count(); ++i) {
      const int section = StrToIntDef(names.Names(i), -1);
      const std::string label = Trim(names.ValueFromIndex(i));
      if (section < 0 || label.empty()) continue;
      PutSectionRow(report, run, sums, IntToStr(section), label);
    }
  }
  if (!hasNds) return;
  for (int i = 0; i < nds.Count(); ++i) {
    const auto& rec = *static_cast<const C_Rec_Summa*>(nds.Objects(i));
    run.Jet.AddFloat(nds[i] + "Count", "%.2n", rec.Kolvo);
    run.Jet.AddFloatDefault(nds[i] + "ZSum", rec.ZSumma);
    run.Jet.AddFloatDefault(nds[i] + "RSum", rec.RSumma);
  }
}

void PutFinTotals(const TCloseSmenaRep& report, TFinRun& run) {
  const TStringList& codes = *report.VidOplList;
  for (int c = 0; c < codes.Count(); ++c) {
    run.Rep.SetVar("ItogoRub" + codes[c], Format("%12.2n", {run.ColumnMoney[c]}));
    const std::string litres = Format("%9.2n", {run.ColumnLitres[c]});
    run.Rep.SetVar("ItogoL" + codes[c], litres);
    run.Rep.SetVar("iL" + codes[c], litres);
  }
  const TFinTotals& t = run.Totals;
  const auto text = [&](const char* name, const std::string& format, long double value) {
    run.Rep.SetVar(name, Format(format, {value}));
  };
  const auto both = [&](const char* name, const char* format, long double value) {
    text(name, format, value);
    run.Jet.AddFloatDefault(name, static_cast<double>(value));
  };
  text("Itog_L", run.TextL, TFinRun::RdL(run.SalesLitres));
  run.Jet.AddFloat("Itog_L", run.FmtL, static_cast<double>(TFinRun::RdL(run.SalesLitres)));
  text("Itog_S", "%12.2n", run.SalesMoney);
  both("NalItog", "%12.2n", t.NalItog);
  text("NSumL", run.TextL, TFinRun::RdL(run.NalLitres));
  run.Jet.AddFloat("NSumL", "%.2n", run.NalLitres);
  both("NalItogEl", "%12.2n", t.ElNet + t.NalItog);
  both("NalItogEp", "%12.2n", t.ElGross + t.NalItog);
  both("BNalItog", "%12.2n", t.BNal);
  text("BNSumL", run.TextL, TFinRun::RdL(run.BNalLitres));
  run.Jet.AddFloat("BNSumL", "%.2n", run.BNalLitres);
  both("AllItog", "%12.2n", static_cast<long double>(t.NalItog) + t.BNal);
  run.Jet.AddFloatDefault("_AllItog",
                          static_cast<double>(static_cast<long double>(t.NalItog) + t.BNal));
  both("BNalTovar", "%.2n", t.GoodsBNal);
  both("BNalAllSum", "%.2n", static_cast<long double>(t.GoodsBNal) + t.BNal);
  for (const auto& [code, s] : run.VOSums.Items) {
    run.Jet.AddFloatDefault("IGSMSVO" + code, static_cast<double>(s.Summa));
    run.Jet.AddFloat("IGSMLVO" + code, "%.2n", static_cast<double>(s.Litre));
    run.Jet.AddFloat("IGSMKVO" + code, "%.2n", static_cast<double>(s.Kg));
    run.Jet.AddFloatDefault("ITovSVO" + code, static_cast<double>(s.TovSumma));
    run.Jet.AddFloat("ITovKVO" + code, "%.2n", static_cast<double>(s.TovKolvo));
    run.Jet.AddFloatDefault("IAllSVO" + code, static_cast<double>(s.Summa + s.TovSumma));
  }
}

}  // namespace tv
