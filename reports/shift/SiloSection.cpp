// The tank section of the close-of-shift report: one row per tank with its
// stocks, receipts, expenses, differences and sales split into cash and
// cashless checks; in HTML optional subtotal rows per fuel and a totals
// row that carries the stock of tanks blocked at the end.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FuelPhysics.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportRoutines.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/ShiftForms.h"
#include "reports/shift/SiloSection.h"

namespace tv {

void SumSiloInfo(const TSiloInfo& s, TSiloInfo& t) {
  double TSiloInfo::*const fields[] = {
      &TSiloInfo::MaxVolume,      &TSiloInfo::SiloBegL,       &TSiloInfo::SiloBegCalcL,
      &TSiloInfo::SiloBeg20L,     &TSiloInfo::SiloBegCalc20L, &TSiloInfo::SiloEndL,
      &TSiloInfo::SiloEndCalcL,   &TSiloInfo::SiloEnd20L,     &TSiloInfo::SiloEndCalc20L,
      &TSiloInfo::SiloBegKg,      &TSiloInfo::SiloBegCalcKg,  &TSiloInfo::SiloBegCalcLKg,
      &TSiloInfo::SiloEndKg,      &TSiloInfo::SiloEndCalcKg,  &TSiloInfo::SiloEndCalcLKg,
      &TSiloInfo::SiloBeg,        &TSiloInfo::SiloEnd,        &TSiloInfo::SiloEndCalc,
      &TSiloInfo::DiffL,          &TSiloInfo::Diff20L,        &TSiloInfo::DiffKg,
      &TSiloInfo::SiloPrx,        &TSiloInfo::SiloPrKg,       &TSiloInfo::SiloPrx20,
      &TSiloInfo::PrxFact,        &TSiloInfo::PrxFactKg,      &TSiloInfo::SiloRashL,
      &TSiloInfo::SiloRashKg,     &TSiloInfo::SiloRash20L,    &TSiloInfo::SiloRashFact,
      &TSiloInfo::SiloRashFactKg, &TSiloInfo::SiloDebit20};
  for (auto field : fields) AddTo(t.*field, s.*field);
}

void AddSiloToGroup(std::array<double, 6>& sums, const TSiloInfo& tank) {
  for (int i = 0; i < tank.VORows.Count(); ++i) {
    const auto& row = *static_cast<const TSaleItem*>(tank.VORows.Objects(i));
    int base = -1;
    if (row.CheckType == 0) base = 0;
    if (row.CheckType >= 1 && row.CheckType <= 5) base = 3;
    if (base < 0) continue;
    // The money is added as Currency, four decimals.
    sums[base] = static_cast<double>(static_cast<long double>(Currency(sums[base]) + row.Summa));
    AddTo(sums[base + 1], row.Litre);
    AddTo(sums[base + 2], row.Kg);
  }
}

namespace {

// The number formats of one run.
struct TSiloFormats {
  explicit TSiloFormats(bool whole)
      : A(whole ? "%6.0f" : "%8.2f"),
        B(whole ? "%7.0f" : "%9.2f"),
        C(whole ? "%5.0f" : "%7.2f"),
        D(whole ? "%3.0f" : "%5.2f"),
        E(whole ? "%14.0f" : "%16.2f"),
        L(whole ? "%.0f" : VolumeFormat),
        K(whole ? "%.0f" : MassFormat) {}
  std::string A, B, C, D, E, L, K;
};

// Sums and differences of the fields are worked in extended, as the
// runtime evaluates them; the text takes them so, an HTML cell's Double
// parameter rounds them once.
using Ext = long double;

void SetSiloTextVars(TRepGen& rep, const TSiloInfo& s, const TSiloFormats& f) {
  auto v = [&](const char* name, const std::string& format, Ext value) {
    rep.SetVar(name, Format(format, {value}));
  };
  const auto& sums = s.SaleSums;
  rep.SetVar("S", IntToStr(s.SiloNum));
  rep.SetVar("SiloName", s.SiloName.str());
  if (s.MaxVolume != 0)  // rounded as the runtime's Round: halves to even
    rep.SetVar("Volume", IntToStr(static_cast<int64_t>(std::nearbyint(s.MaxVolume))));
  rep.SetVar("Gsm", s.GsmName.str());
  rep.SetVar("GsmName", s.GsmName.str());
  v("Price", "%8.2n", s.GsmPrice);
  v("SBegM", f.B, s.SiloBeg);
  v("SBM", f.C, s.SiloBeg);
  v("BOL", f.A, s.SiloBegL);
  v("SBegL", f.B, s.SiloBegL);
  v("SBL20", f.B, s.SiloBeg20L);
  v("BOK", f.A, s.SiloBegKg);
  v("CBegL", f.B, s.SiloBegCalcL);
  v("CBL20", f.B, s.SiloBegCalc20L);
  v("BOKc", f.A, s.SiloBegCalcKg);
  v("BOKcuv", f.A, s.SiloBegCalcKg);
  v("SEndM", f.B, s.SiloEnd);
  v("SEM", f.C, s.SiloEnd);
  v("EOL", f.A, s.SiloEndL);
  v("SEndL", f.B, s.SiloEndL);
  v("EOK", f.A, s.SiloEndKg);
  v("SE20L", f.B, s.SiloEnd20L);
  v("CE20L", f.B, s.SiloEndCalc20L);
  v("EOR", f.A, s.SiloEndCalcL);
  v("CEndL", f.B, s.SiloEndCalcL);
  v("EOKc", f.A, s.SiloEndCalcKg);
  v("EOKcuv", f.A, s.SiloEndCalcKg);
  v("LV", f.A, s.SiloEnd);
  v("VOL", f.A, s.SiloEndL);
  v("Wt", f.A, s.SiloWasser);
  v("W", f.D, s.SiloWasser);
  v("T", "%5.1f", s.SiloTemper);
  v("Plt", "%6.4f", s.UdVes);
  v("Plot", "%6.4f", s.UdVes);
  v("PltB", "%6.4f", s.UdVesBeg);
  v("PltE", "%6.4f", s.UdVesEnd);
  v("Pl20", "%6.4f", DensityAt20(s.UdVes, s.SiloTemper));
  v("P20B", "%6.4f", DensityAt20(s.UdVesBeg, s.SiloTemper));
  v("P20E", "%6.4f", DensityAt20(s.UdVesEnd, s.SiloTemper));
  if (s.MaxVolume != 0) v("FreeV", f.B, Ext(s.MaxVolume) - s.SiloEndL);
  v("SPrx", f.A, s.SiloPrx);
  v("PL", f.A, s.SiloPrx);
  v("SP20", f.A, s.SiloPrx20);
  v("SPrk", f.A, s.SiloPrKg);
  v("PK", f.A, s.SiloPrKg);
  v("SPrxF", f.A, s.PrxFact);
  v("SPrkF", f.A, s.PrxFactKg);
  v("Rash", f.A, s.SiloRashL);
  v("Ra20", f.A, s.SiloRash20L);
  v("Rask", f.A, s.SiloRashKg);
  v("RashF", f.A, s.SiloRashFact);
  v("RaskF", f.A, s.SiloRashFactKg);
  v("SR20", f.A, s.SiloDebit20);
  v("RNL", "%8.2f", sums[1]);
  v("RNK", "%8.2f", sums[2]);
  v("RNKg", "%8.2f", sums[2]);
  v("RBL", "%8.2f", sums[4]);
  v("RBK", "%8.2f", sums[5]);
  v("RBKg", "%8.2f", sums[5]);
  v("RNR", "%8.2f", sums[0]);
  v("RBR", "%8.2f", sums[3]);
  v("Itog", "%8.2f", Ext(sums[1]) + sums[4]);
  v("IRL", "%8.2f", Ext(sums[1]) + sums[4]);
  v("SRsx", f.A, RoundTo(2, Ext(sums[1]) + sums[4]));
  v("ItogKg", "%8.2f", Ext(sums[2]) + sums[5]);
  v("IRK", "%8.2f", Ext(sums[2]) + sums[5]);
  v("SRsk", f.A, Ext(sums[2]) + sums[5]);
  v("ItogS", "%8.2f", Ext(sums[0]) + sums[3]);
  v("IRR", "%8.2f", Ext(sums[0]) + sums[3]);
  v("Summa", "%11.2n", Ext(sums[0]) + sums[3]);
  v("REndM", f.B, Ext(s.SiloEnd) - s.SiloEndCalc);
  v("BL", f.B, Ext(s.SiloEndL) - s.SiloEndCalcL);
  v("BL20", f.B, Ext(s.SiloEnd20L) - s.SiloEndCalc20L);
  v("BLK", f.A, Ext(s.SiloEndKg) - s.SiloEndCalcKg);
  v("BLKuv", f.A, Ext(s.SiloEndKg) - s.SiloEndCalcKg);
  v("REndL", f.B, s.DiffL);
  v("REL", f.C, s.Diff20L);
  v("REndK", f.C, s.DiffKg);
}

}  // namespace

void FillSiloRowVars(THTML_Jet& jet, const TSiloInfo& s, bool total, const TSiloAddValue& add,
                     bool wholeNumbers) {
  const TSiloFormats f(wholeNumbers);
  const bool row = !total;
  const auto& sums = s.SaleSums;
  if (row) {
    jet.AddInteger("S", s.SiloNum);
    jet.Add("SiloName", s.SiloName.str());
    if (s.MaxVolume != 0) jet.AddInteger("Volume", s.MaxVolume);
    jet.Add("Gsm", NoBr(s.GsmName.str()));
    add("Price", HTMLJet::MoneyFormat, s.GsmPrice);
  } else {
    jet.Add("S", "<b>Итого:</b>"_w);
    jet.Add("Gsm", "<b>" + NoBr(s.GsmName.str()) + "</b>");
  }
  add("BOL", f.A, s.SiloBegL);
  add("BOK", f.A, s.SiloBegKg);
  add("BOL20", f.B, s.SiloBeg20L);
  add("BOR", f.B, s.SiloBegCalcL);
  add("BOR20", f.B, s.SiloBegCalc20L);
  add("BOKc", f.A, s.SiloBegCalcKg);
  add("BOKcuv", f.A, s.SiloBegCalcKg);
  add("SEM", f.C, s.SiloEnd);
  add("EOL", f.A, s.SiloEndL);
  add("EOK", f.A, s.SiloEndKg);
  add("EOR", f.A, s.SiloEndCalcL);
  add("EOL20", f.B, s.SiloEnd20L);
  add("EOR20", f.B, s.SiloEndCalc20L);
  add("EOKc", f.A, s.SiloEndCalcKg);
  add("EOKcuv", f.A, s.SiloEndCalcKg);
  if (row) {
    add("SBM", f.C, s.SiloBeg);
    add("LV", f.A, s.SiloEnd);
    add("Wt", f.A, s.SiloWasser);
    add("W", f.D, s.SiloWasser);
    add("T", "%.1f", s.SiloTemper);
    add("Plt", "%.4f", s.UdVes);
    add("Plot", "%.4f", s.UdVes);
    add("PltB", "%.4f", s.UdVesBeg);
    add("PltE", "%.4f", s.UdVesEnd);
    add("Pl20", "%.4f", DensityAt20(s.UdVes, s.SiloTemper));
    add("P20B", "%.4f", DensityAt20(s.UdVesBeg, s.SiloTemper));
    add("P20E", "%.4f", DensityAt20(s.UdVesEnd, s.SiloTemper));
  }
  add("VOL", f.A, s.SiloEndL);
  if (s.MaxVolume != 0) add("FreeV", f.B, Ext(s.MaxVolume) - s.SiloEndL);
  add("SPrx", f.A, s.SiloPrx);
  add("PL", f.A, s.SiloPrx);
  add("SP20", f.A, s.SiloPrx20);
  add("SPrk", f.A, s.SiloPrKg);
  add("PK", f.A, s.SiloPrKg);
  add("SPrxF", f.A, s.PrxFact);
  add("SPrkF", f.A, s.PrxFactKg);
  add("SRsx", f.A, s.SiloRashL);
  add("SR20", f.A, s.SiloRash20L);
  add("SRsk", f.A, s.SiloRashKg);
  add("SRsxF", f.A, s.SiloRashFact);
  add("SRskF", f.A, s.SiloRashFactKg);
  add("REndM", f.B, Ext(s.SiloEnd) - s.SiloEndCalc);
  add("BL", f.B, Ext(s.SiloEndL) - s.SiloEndCalcL);
  add("BL20", f.B, Ext(s.SiloEnd20L) - s.SiloEndCalc20L);
  add("BLK", f.A, Ext(s.SiloEndKg) - s.SiloEndCalcKg);
  add("BLKuv", f.A, Ext(s.SiloEndKg) - s.SiloEndCalcKg);
  add("REndL", f.B, s.DiffL);
  add("REL", f.C, s.Diff20L);
  add("REndK", f.C, s.DiffKg);
  jet.Add("Blocked", s.Blocked ? "Да"_w : "Нет"_w);
  jet.Add("BlockedB", s.BegBlocked ? "Да"_w : "Нет"_w);
  add("WtB", f.A, static_cast<double>(static_cast<long double>(s.BegWasser)));
  add("PressB", "%.2n", static_cast<double>(static_cast<long double>(s.BegPressure)));
  add("PressE", "%.2n", static_cast<double>(static_cast<long double>(s.Pressure)));
  add("WaitPrxL", "%.2n", static_cast<double>(static_cast<long double>(s.WaitPrxL)));
  add("WaitPrxKg", "%.2n", static_cast<double>(static_cast<long double>(s.WaitPrxKg)));
  add("WaitRsxL", "%.2n", static_cast<double>(static_cast<long double>(s.WaitRsxL)));
  add("WaitRsxKg", "%.2n", static_cast<double>(static_cast<long double>(s.WaitRsxKg)));
  add("RNL", f.L, static_cast<double>(RoundTo(2, sums[1])));
  add("RBL", f.L, static_cast<double>(RoundTo(2, sums[4])));
  add("RNK", f.K, sums[2]);
  add("RBK", f.K, sums[5]);
  add("RNR", HTMLJet::MoneyFormat, sums[0]);
  add("RBR", HTMLJet::MoneyFormat, sums[3]);
  add("IRL", f.L, static_cast<double>(RoundTo(2, Ext(sums[1]) + sums[4])));
  add("IRK", f.K, Ext(sums[2]) + sums[5]);
  add("IRR", HTMLJet::MoneyFormat, Ext(sums[0]) + sums[3]);
}

namespace {

// The state of one run of the tank section.
struct TSiloRun {
  TSiloRun(TRepGen& r, THTML_Jet& j, bool whole) : rep(r), jet(j), formats(whole), Whole(whole) {}
  TRepGen& rep;
  THTML_Jet& jet;
  TSiloFormats formats;
  bool Whole;
  TSiloInfo total;
  std::vector<std::unique_ptr<TSiloInfo>> groups;  // by fuel, in first appearance
  Currency blockedL, blockedKg, blockedCalcL, blockedCalcKg;
};

void CalcSiloGroupTotals(TSiloRun& run, const TStringList& tanks) {
  for (int i = 0; i < tanks.Count(); ++i) {
    auto& tank = *static_cast<TSiloInfo*>(tanks.Objects(i));
    tank.SaleSums.fill(0);
    AddSiloToGroup(tank.SaleSums, tank);
    AddSiloToGroup(run.total.SaleSums, tank);
  }
}

void GroupSilosByGsm(TSiloRun& run, const TStringList& tanks) {
  for (int i = 0; i < tanks.Count(); ++i) {
    const auto& tank = *static_cast<const TSiloInfo*>(tanks.Objects(i));
    auto it = std::find_if(run.groups.begin(), run.groups.end(), [&](const auto& g) {
      return AnsiSameText(g->GsmName.str(), tank.GsmName.str());
    });
    if (it == run.groups.end()) {
      run.groups.push_back(std::make_unique<TSiloInfo>());
      run.groups.back()->GsmName = tank.GsmName.str();
      it = run.groups.end() - 1;
    }
    SumSiloInfo(tank, **it);
    AddSiloToGroup((*it)->SaleSums, tank);
  }
}

void WriteSiloRows(TSiloRun& run, const TStringList& tanks) {
  const TSiloAddValue addFloat = [&](std::string_view name, std::string_view format,
                                     double value) { run.jet.AddFloat(name, format, value); };
  for (int i = 0; i < tanks.Count(); ++i) {
    const auto& tank = *static_cast<const TSiloInfo*>(tanks.Objects(i));
    if (tank.Blocked) {
      run.blockedL += Currency(tank.SiloEndL);
      run.blockedKg += Currency(tank.SiloEndKg);
      run.blockedCalcL += Currency(tank.SiloEndCalcL);
      run.blockedCalcKg += Currency(tank.SiloEndCalcKg);
    }
    SumSiloInfo(tank, run.total);
    run.rep.ClearVars();
    SetSiloTextVars(run.rep, tank, run.formats);
    FillSiloRowVars(run.jet, tank, false, addFloat, run.Whole);
    run.jet.EndLine();
    run.rep.PrintRepeat();
    run.rep.ClearVars();
  }
}

void WriteSiloTotals(TSiloRun& run) {
  const TSiloAddValue addFloat = [&](std::string_view name, std::string_view format,
                                     double value) { run.jet.AddFloat(name, format, value); };
  const TSiloAddValue addItog = [&](std::string_view name, std::string_view format,
                                    double value) { run.jet.AddInItogFloat(name, format, value); };
  if (RezGrGSM) {
    for (const auto& group : run.groups) {
      FillSiloRowVars(run.jet, *group, true, addFloat, run.Whole);
      run.jet.EndLine();
    }
  }
  run.rep.SetVar("ItogoRub", Format(run.formats.E, {run.total.SaleSums[0]}));
  run.rep.EndReport();
  FillSiloRowVars(run.jet, run.total, true, addItog, run.Whole);
  auto blocked = [&](const TSiloAddValue& add) {
    add("IBLKCL", run.formats.B, static_cast<double>(static_cast<long double>(run.blockedCalcL)));
    add("IBLKCKg", run.formats.A,
        static_cast<double>(static_cast<long double>(run.blockedCalcKg)));
    add("IBLKFL", run.formats.B, static_cast<double>(static_cast<long double>(run.blockedL)));
    add("IBLKFKg", run.formats.A, static_cast<double>(static_cast<long double>(run.blockedKg)));
  };
  blocked(addItog);
  run.jet.MakeItog(2);
  run.jet.EndOGroup();
  blocked(addFloat);
}

}  // namespace

void TCloseSmenaRep::BuildSiloReport(const std::string& formName, const std::string& htmlName,
                                     std::string& text) {
  try {
    TFileRepGen rep(FindShiftForm(formName.empty() ? "Smena2.FRM" : formName), TempFileName, true,
                    0, 1);
    THTML_Jet jet(GetWebFormFileName(htmlName), false, 0);
    jet.Init();
    TSiloRun run(rep, jet, NotRoundRVal);
    // The sort serves this section only: the saved order comes back after
    // the rows, also when writing them fails.
    TStringList saved;
    saved.Assign(*SiloList);
    struct TRestore {
      TStringList& list;
      TStringList& saved;
      ~TRestore() { list.Assign(saved); }
    } restore{*SiloList, saved};
    if (SiloSortField == 1) {
      SiloList->CustomSort([](const TStringList& l, int a, int b) {
        const auto* x = static_cast<const TSiloInfo*>(l.Objects(a));
        const auto* y = static_cast<const TSiloInfo*>(l.Objects(b));
        const int byName = x->GsmName.str().compare(y->GsmName.str());
        if (byName != 0) return byName < 0 ? -1 : 1;
        return x->SiloNum < y->SiloNum ? -1 : (x->SiloNum > y->SiloNum ? 1 : 0);
      });
    }
    CalcSiloGroupTotals(run, *SiloList);
    if (RezGrGSM) GroupSilosByGsm(run, *SiloList);
    WriteSiloRows(run, *SiloList);
    WriteSiloTotals(run);
    AppendHtml(jet);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета по резервуарам: "_w, e, text);
    return;
  }
  try {
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета по резервуарам: "_w, e, text);
  }
}

}  // namespace tv
