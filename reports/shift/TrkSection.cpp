// The dispenser section of the close-of-shift report: one row per nozzle
// of the dispenser list with its counters, sales, measuring can and the
// differences between electronic and mechanical counting.
#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
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

namespace tv {

namespace {

// The share of the shift volume shown as the permitted loss.
constexpr long double LossPercent = 0.25L;
constexpr long double LossFactor = 0.0025L;

// The values are worked in extended, as the runtime evaluates them: a
// double on the way would put a value at a half of the last decimal on the
// other side of it.
using Ext = long double;
Ext Rd(Ext x) { return RoundTo(static_cast<int8_t>(DecL2), x); }
Ext Rk(Ext x) { return RoundTo(static_cast<int8_t>(DecKg2), x); }
Ext R2(Ext x) { return RoundTo(2, x); }

// The running sums of the section.
struct TTrkTotals {
  long double Money = 0, MoneyEl = 0, MoneyEp = 0, MoneyBal = 0;
  long double Volume = 0, Mass = 0, Can = 0, BalEl = 0;
};

// One value into both versions: the text form's format and the HTML cell's
// (whose parameter is a Double).
void Both(TRepGen& rep, THTML_Jet& jet, const char* name, const std::string& textFormat,
          const std::string& htmlFormat, Ext value) {
  rep.SetVar(name, Format(textFormat, {value}));
  jet.AddFloat(name, htmlFormat, static_cast<double>(value));
}

void WriteTrkRow(TRepGen& rep, THTML_Jet& jet, const TTRKInfo& t, bool office) {
  const bool second = office && t.Trk2Beg != 0;
  const double cBeg = second ? t.Trk2Beg : t.TrkBeg;
  const double cEnd = second ? t.Trk2End : t.TrkEnd;
  const std::string litres = DecFormat(8, DecL2, 'n');
  const std::string kg = DecFormat(8, DecKg2, 'n');
  rep.SetVar("TrkN", IntToStr(t.TrkIndex));
  rep.SetVar("TN", IntToStr(t.TrkIndex));
  jet.AddInteger("TN", t.TrkIndex);
  rep.SetVar("RN", Format("%4.d", {t.SiloNum}));
  jet.AddInteger("RN", t.SiloNum);
  rep.SetVar("GN", Format("%4.d", {t.Pistolet}));
  jet.AddInteger("GN", t.Pistolet);
  rep.SetVar("Gsm", t.GsmName.str());
  jet.Add("Gsm", NoBr(t.GsmName.str()));
  rep.SetVar("Price", Format("%8.2n", {t.GsmPrice}));
  jet.AddFloatDefault("Price", t.GsmPrice);
  Both(rep, jet, "Den", "%5.4n", "%.4n", t.UdVes);
  Both(rep, jet, "TrkBeg", "%9.0n", "%.0n", cBeg);
  Both(rep, jet, "TrkEnd", "%9.0n", "%.0n", cEnd);
  Both(rep, jet, "TrkAll", "%8.2n", "%.2n", Ext(cEnd) - cBeg);
  Both(rep, jet, "TrkAll2", "%8.2n", "%.2n", Ext(t.Trk2End) - t.Trk2Beg);
  Both(rep, jet, "TrkBeg2", "%9.0n", "%.0n", t.Trk2Beg);
  Both(rep, jet, "TrkEnd2", "%9.0n", "%.0n", t.Trk2End);
  Both(rep, jet, "TrkBegEl", "%10.0n", "%.0n", t.BegElCounter);
  Both(rep, jet, "TrkEndEl", "%10.0n", "%.0n", t.EndElCounter);
  rep.SetVar("TrkB", Format("%9.2n", {t.TrkBeg}));
  rep.SetVar("TrkE", Format("%9.2n", {t.TrkEnd}));
  rep.SetVar("TrkBEl", Format("%10.2n", {t.BegElCounter}));
  rep.SetVar("TrkEEl", Format("%10.2n", {t.EndElCounter}));
  Both(rep, jet, "TrkSm", litres, VolumeFormat, Rd(t.TrkSmena));
  Both(rep, jet, "TrkSmK", kg, DecFormat(0, DecKg2, 'n'), Rk(t.TrkSmenaK));
  Both(rep, jet, "TrkSmM", litres, VolumeFormat, Rd(t.TrkSmenaM));
  Both(rep, jet, "TrkSmSum", litres, VolumeFormat, Rd(Ext(t.TrkSmena) + t.TrkSmenaM));
  Both(rep, jet, "PP", "%5.2f", "%.2n", LossPercent);
  Both(rep, jet, "PL", DecFormat(5, DecL2, 'f'), DecFormat(0, DecL2, 'f'),
       Rd(t.TrkSmena) * LossFactor);
  Both(rep, jet, "TrkSmenaR", "%11.2n", "%.2n", R2(t.TrkSmenaR));
  Both(rep, jet, "TrkEl", "%8.2n", "%.2n",
       t.BalEl > 0 ? Ext(t.ElCounter) : Ext(t.TrkEnd) - t.TrkBeg);
  Both(rep, jet, "TrkEl2", "%8.2n", "%.2n", t.ElCounter);
  Both(rep, jet, "BalEl", litres, VolumeFormat, Rd(t.BalEl));
  Both(rep, jet, "BalEp", litres, VolumeFormat, Rd(t.BalEp));
  Both(rep, jet, "Bal", litres, VolumeFormat, Rd(t.Bal));
  Both(rep, jet, "TrkSmenaREL", "%11.2n", "%.2n", R2(t.TrkSmenaR) + R2(t.BalElSum));
  Both(rep, jet, "TrkSmenaREP", "%11.2n", "%.2n", R2(t.TrkSmenaR) + R2(t.BalEpSum));
  Both(rep, jet, "Flow", "%8.2n", "%.2n", t.Pereliv);
}

void AddTrkTotals(TTrkTotals& s, const TTRKInfo& t) {
  s.Money += R2(t.TrkSmenaR);
  s.MoneyEl += R2(t.TrkSmenaR) + R2(t.BalElSum);
  s.MoneyEp += R2(t.TrkSmenaR) + R2(t.BalEpSum);
  s.MoneyBal += R2(t.TrkSmenaR) + R2(t.BalSum);
  s.Volume += t.TrkSmena;
  s.Mass += t.TrkSmenaK;
  s.Can += t.TrkSmenaM;
  s.BalEl += t.BalEl;
}

void WriteTrkTotals(TRepGen& rep, const TTrkTotals& s) {
  const std::string litres = DecFormat(8, DecL2, 'n');
  rep.SetVar("ItogoRub", Format("%14.2n", {s.Money}));
  rep.SetVar("ItogoRubEl", Format("%14.2n", {s.MoneyEl}));
  rep.SetVar("ItogoRubEp", Format("%14.2n", {s.MoneyEp}));
  rep.SetVar("ItogoRubE", Format("%14.2n", {s.MoneyBal}));
  rep.SetVar("ItogoBalEl", Format(litres, {Rd(s.BalEl)}));
  rep.SetVar("STrkSm", Format(litres, {Rd(s.Volume)}));
  rep.SetVar("STrkSmK", Format(DecFormat(8, DecKg2, 'n'), {Rk(s.Mass)}));
  rep.SetVar("STrkSmM", Format(litres, {Rd(s.Can)}));
  rep.SetVar("STrkSmSum", Format(litres, {Rd(s.Volume + s.Can)}));
}

}  // namespace

void TCloseSmenaRep::BuildTrkReport(const std::string& formName, const std::string& htmlName,
                                    std::string& text) {
  try {
    const bool office = OfficeReportsType();
    {
      TFileRepGen rep(FindShiftForm(formName.empty() ? "Smena1.FRM" : formName), TempFileName,
                      true, 0, 1);
      THTML_Jet jet(GetWebFormFileName(htmlName), false, 0);
      jet.Init();
      SetShiftVars(rep, nullptr);
      TTrkTotals totals;
      for (int i = 0; i < TrkList->Count(); ++i) {
        const auto& t = *static_cast<const TTRKInfo*>(TrkList->Objects(i));
        WriteTrkRow(rep, jet, t, office);
        AddTrkTotals(totals, t);
        rep.PrintRepeat();
        rep.ClearVars();
        jet.EndLine();
      }
      WriteTrkTotals(rep, totals);
      rep.EndReport();
      jet.MakeItog2("%.2n");
      jet.MakeItog(2);
      jet.EndOGroup();
      AppendHtml(jet);
    }
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета по ТРК: "_w, e, text);
  }
}

}  // namespace tv
