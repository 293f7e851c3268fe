// The non-standard financial section of the close-of-shift report: a shift
// sheet laid out by tank. Each tank gives its receipts, stocks, densities,
// expense, surplus or shortage and sales by class; under it one row per
// nozzle drawing from it. The totals sum receipts, stocks, expense, cash,
// cashless and measuring-can litres and the cash money of the station.
#include <optional>
#include <unordered_map>
#include <vector>

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

// The share of a nozzle's volume shown as its permitted loss.
constexpr long double LossFactor = 0.0025L;

double Rd(double x) { return static_cast<double>(RoundTo(static_cast<int8_t>(DecL2), x)); }
double RdK(double x) { return static_cast<double>(RoundTo(static_cast<int8_t>(DecKg2), x)); }
double Money(Currency c) { return static_cast<double>(static_cast<long double>(c)); }

// The running values of one run.
struct TNonStdTotals {
  double InL = 0, BOsL = 0, OstL = 0, OstLC = 0, TrkL = 0, Mer = 0, Bezn = 0, AC = 0, NAL = 0;
  double iPog = 0, iPogPlus = 0, iPogMinus = 0;
  Currency ABN, ItogoRub;
};

// One tank's sales by class (the cells of base kinds 3 and 5 keep the
// tank's last row of that kind).
struct TTankSales {
  double SiloSm = 0, SiloSmK = 0, NalL = 0, Card = 0, Cd = 0, CanL = 0;
  Currency NalSum, Kind3Money;
  std::optional<TSaleItem> Kind3, Kind5;
};

class TNonStdRun {
 public:
  TNonStdRun(TRepGen& rep, THTML_Jet& jet) : rep_(rep), jet_(jet) {}

  void Header(TCloseSmenaRep& r);
  void Tank(const TSiloInfo& s, const std::vector<const TTRKInfo*>& nozzles, bool office);
  void TextTotals();
  void HtmlTotals();

 private:
  void Text(const char* name, std::string_view format, TVarRec value) {
    rep_.SetVar(name, Format(format, {value}));
  }
  // The text variable and the HTML cell as an integer.
  void TextInt(const char* name, std::string_view format, double value) {
    Text(name, format, value);
    jet_.AddInteger(name, value);
  }
  void TextFloat(const char* name, std::string_view textFormat, std::string_view htmlFormat,
                 double value) {
    Text(name, textFormat, value);
    jet_.AddFloat(name, htmlFormat, value);
  }
  void Stocks(const TSiloInfo& s);
  void ExpenseAndDifference(const TSiloInfo& s, const TTankSales& sales);
  void Sales(const TSiloInfo& s, const TTankSales& sales);
  void Nozzle(const TTRKInfo& t, bool office);

  TRepGen& rep_;
  THTML_Jet& jet_;
  TNonStdTotals sum_;
};

void TNonStdRun::Header(TCloseSmenaRep& r) {
  const std::string smNum = r.SmenaFrom == r.SmenaTo
                                ? IntToStr(r.SmenaFrom)
                                : IntToStr(r.SmenaFrom) + " - " + IntToStr(r.SmenaTo);
  rep_.SetVar("SmNum", smNum);
  jet_.Add("SmNum", smNum);
  constexpr std::string_view TimeFormat = "dd.mm.yyyy hh:nn";
  if (r.SmLog->Locate("SmNum", Variant(r.SmenaFrom))) {
    const TDateTime beg = r.SmLog->FieldByName("BegTime").AsDateTime();
    rep_.SetVar("BegTime", FormatDateTime(TimeFormat, beg));
    jet_.AddDateTime("BegTime", TimeFormat, beg);
    if (r.SmenaFrom == r.SmenaTo) {
      const std::string op = r.SmLog->FieldByName("Operator").AsString();
      rep_.SetVar("Operator", op);
      jet_.Add("Operator", op);
    }
  }
  if (r.OpenSmena) {
    rep_.SetVar("EndTime", "не закрыта"_w);
    jet_.AddDateTime("EndTime", "не закрыта"_w, -1);
  } else if (r.SmLog->Locate("SmNum", Variant(r.SmenaTo))) {
    const TDateTime end = r.SmLog->FieldByName("EndTime").AsDateTime();
    rep_.SetVar("EndTime", FormatDateTime(TimeFormat, end));
    jet_.AddDateTime("EndTime", TimeFormat, end);
  }
}

void TNonStdRun::Stocks(const TSiloInfo& s) {
  const std::string l7 = DecFormat(7, DecL2, 'f');
  rep_.SetVar("R", IntToStr(s.SiloNum));
  jet_.AddInteger("R", s.SiloNum);
  rep_.SetVar("Gsm", s.GsmName.str());
  jet_.Add("Gsm", NoBr(s.GsmName.str()));
  const std::string shortName = TailFrom(s.GsmName.str());
  rep_.SetVar("G", shortName);
  jet_.Add("G", shortName);
  Text("SPr", "%5.0f", s.SiloPrx);
  TextInt("SPrx", "%6.0f", s.SiloPrx);
  TextInt("SPrk", "%6.0f", s.SiloPrKg);
  TextInt("SPrxF", "%6.0f", s.PrxFact);
  TextInt("SPrkF", "%6.0f", s.PrxFactKg);
  TextInt("SBegM", "%7.0f", s.SiloBeg);
  TextFloat("SBegL", l7, "%.2n", Rd(s.SiloBegL));
  Text("SBegK", l7, Rd(s.SiloBegKg));
  jet_.AddFloat("SBegK", "%.2n", RdK(s.SiloBegKg));
  TextFloat("BSm", "%5.1f", "%.1f", s.SiloBeg / 10);
  Text("BL", DecFormat(5, DecL2, 'f'), Rd(s.SiloBegL));
  TextInt("CBL", "%6.0f", s.SiloBegCalcL);
  Text("CB0", "%5.0f", s.SiloBegCalcL);
  TextFloat("Plt", "%6.4f", "%.4f", s.UdVes);
  TextFloat("PltB", "%6.4f", "%.4f", s.UdVesBeg);
  TextFloat("PltE", "%6.4f", "%.4f", s.UdVesEnd);
  TextInt("SEndM", "%5.0f", s.SiloEnd);
  TextInt("SEndK", "%5.0f", s.SiloEndKg);
  TextInt("SEndL", "%5.0f", s.SiloEndL);
  TextFloat("OSm", "%5.1f", "%.1f", s.SiloEnd / 10);
  TextInt("Ol", "%5.0f", s.SiloEndL);
  TextInt("Wt", "%.0f", s.SiloWasser);
  TextInt("CEL", "%5.0f", s.SiloEndCalcL);
  TextInt("CEK", "%5.0f", s.SiloEndCalcKg);
  TextInt("REndL", "%7.0f", s.SiloEndL - s.SiloEndCalcL);
  sum_.InL += s.SiloPrx;
  sum_.BOsL += s.SiloBegL;
  sum_.OstL += s.SiloEndL;
  sum_.OstLC += s.SiloEndCalcL;
}

TTankSales SplitSales(const TSiloInfo& s) {
  TTankSales t;
  for (int i = 0; i < s.VORows.Count(); ++i) {
    const auto& row = *static_cast<const TSaleItem*>(s.VORows.Objects(i));
    if (row.VidOpl != 5) {
      t.SiloSm += row.Litre;
      t.SiloSmK += row.Kg;
    }
    if (row.CheckType == 0) {
      t.NalL += row.Litre;
      t.NalSum += row.Summa;
    } else if (row.CheckType >= 1 && row.CheckType <= 5) {
      t.Card += row.Litre;
    }
    const int base = row.VidOpl % 100;
    if (base == 1 || base == 2 || base == 4 || base == 7) t.Cd += row.Litre;
    if (base == 3) {
      t.Kind3 = row;
      t.Kind3Money += row.Summa;
    }
    if (base == 5) {
      t.Kind5 = row;
      t.CanL += row.Litre;
    }
  }
  return t;
}

void TNonStdRun::ExpenseAndDifference(const TSiloInfo& s, const TTankSales& t) {
  const double calcEnd = s.SiloBegL + s.SiloPrx - t.SiloSm;
  const double pog = s.SiloEndL - calcEnd;
  TextFloat("SiloSm", "%8.2f", "%.2n", t.SiloSm);
  TextFloat("SiloSmK", "%8.2f", "%.2n", t.SiloSmK);
  TextInt("SSm", "%5.0f", t.SiloSm);
  TextInt("Pog", "%5.0f", pog);
  // No difference counts on the shortage side.
  if (pog > 0) {
    TextInt("Pog+", "%5.0f", pog);
    sum_.iPogPlus += pog;
  } else {
    TextInt("Pog-", "%5.0f", -pog);
    sum_.iPogMinus += -pog;
  }
  sum_.iPog += pog;
  jet_.AddInteger("CEL2", calcEnd);
  jet_.AddInteger("CEK2", s.SiloBegKg + s.SiloPrKg - t.SiloSmK);
  sum_.TrkL += t.SiloSm;
}

void TNonStdRun::Sales(const TSiloInfo& s, const TTankSales& t) {
  sum_.NAL += t.NalL;
  sum_.ItogoRub += t.NalSum;
  sum_.Bezn += t.Card;
  sum_.AC += t.Cd;
  sum_.ABN += t.Kind3Money;
  sum_.Mer += t.CanL;
  if (t.Kind3) {
    Text("SK", "%4.0f", t.Kind3->Litre);
    Text("BNSum", "%7.2f", t.Kind3->Summa);
  }
  if (t.Kind5) {
    Text("SmM", "%5.1f", t.Kind5->Litre);
    Text("Mr", "%4.0f", t.Kind5->Litre);
    jet_.AddFloat("SmM", VolumeFormat, t.Kind5->Litre);
  }
  TextFloat("NalL", "%8.2f", VolumeFormat, t.NalL);
  Text("NL0", "%5.0f", t.NalL);
  Text("Summa", "%9.2n", t.NalSum);
  jet_.AddFloatDefault("Summa", Money(t.NalSum));
  Text("Card", "%6.2f", t.Card);
  jet_.AddFloat("BNalL", VolumeFormat, t.Card);
  Text("Cd", "%4.0f", t.Cd);
  Text("Pri", "%5.2n", s.GsmPrice);
  jet_.AddFloatDefault("Pri", s.GsmPrice);
}

void TNonStdRun::Nozzle(const TTRKInfo& d, bool office) {
  const double tr = Rd(d.TrkSmena);
  const double can = Rd(d.TrkSmenaM);
  const bool second = office && d.Trk2Beg != 0;
  const double cBeg = second ? d.Trk2Beg : d.TrkBeg;
  const double cEnd = second ? d.Trk2End : d.TrkEnd;
  const double loss = static_cast<double>(tr * LossFactor);
  const std::string l5f = DecFormat(5, DecL2, 'f');
  const std::string l8n = DecFormat(8, DecL2, 'n');
  Text("N", "%2.0d", d.TrkIndex);
  Text("Trk", l5f, tr);
  Text("TrkBeg", "%11.0n", cBeg);
  Text("TrkEnd", "%11.0n", cEnd);
  Text("TrkBeg2", "%11.0n", d.Trk2Beg);
  Text("TrkEnd2", "%11.0n", d.Trk2End);
  Text("TrkBegEl", "%10.0n", d.BegElCounter);
  Text("TrkEndEl", "%10.0n", d.EndElCounter);
  Text("TrkRsx", l8n, tr + can);
  Text("TrkSmM", l8n, can);
  Text("PL", l5f, loss);
  rep_.PrintRepeat();
  rep_.ClearVars();
  jet_.AddInteger("N", d.TrkIndex);
  jet_.AddFloat("Trk", VolumeFormat, tr);
  jet_.AddInteger("TrkBeg", cBeg);
  jet_.AddInteger("TrkEnd", cEnd);
  jet_.AddInteger("TrkBeg2", d.Trk2Beg);
  jet_.AddInteger("TrkEnd2", d.Trk2End);
  jet_.AddInteger("TrkBegEl", d.BegElCounter);
  jet_.AddInteger("TrkEndEl", d.EndElCounter);
  jet_.AddFloat("TrkRsx", VolumeFormat, tr + can);
  jet_.AddFloat("TrkSmM", VolumeFormat, can);
  jet_.AddFloat("PL", VolumeFormat, loss);
  jet_.EndLine();
}

void TNonStdRun::Tank(const TSiloInfo& s, const std::vector<const TTRKInfo*>& nozzles,
                      bool office) {
  Stocks(s);
  const TTankSales sales = SplitSales(s);
  ExpenseAndDifference(s, sales);
  Sales(s, sales);
  // The tank's values ride on its first row; a tank without nozzles still
  // gets that row.
  for (const TTRKInfo* d : nozzles) Nozzle(*d, office);
  if (nozzles.empty()) {
    rep_.PrintRepeat();
    rep_.ClearVars();
    jet_.EndLine();
  }
  rep_.EndGroup();
}

void TNonStdRun::TextTotals() {
  const TNonStdTotals& t = sum_;
  Text("InL", "%6.0n", t.InL);
  Text("OstL", "%7.0n", t.OstL);
  Text("OstLC", "%7.0n", t.OstLC);
  Text("BOsL", "%7.0n", t.BOsL);
  Text("TrkL", "%8.2n", t.TrkL);
  Text("TrkLN", "%9.0n", t.TrkL);
  Text("Mer", "%5.0n", t.Mer);
  Text("AM", "%4.0n", t.Mer);
  Text("Bezn", "%6.1n", t.Bezn);
  Text("AC", "%4.0f", t.AC);
  Text("AS", "%4.0f", t.Bezn - t.AC);
  Text("ABN", "%7.2f", t.ABN);
  Text("NAL", "%8.2f", t.NAL);
  Text("ItogoRub", "%10.2n", t.ItogoRub);
  Text("iPog", "%5.0f", t.iPog);
  Text("iPog+", "%5.0f", t.iPogPlus);
  Text("iPog-", "%5.0f", t.iPogMinus);
}

void TNonStdRun::HtmlTotals() {
  jet_.AddFloat("Bezn", VolumeFormat, sum_.Bezn);
  jet_.AddFloat("NAL", VolumeFormat, sum_.NAL);
  jet_.AddFloatDefault("ItogoRub", Money(sum_.ItogoRub));
}

}  // namespace

void TCloseSmenaRep::BuildNonStdFinancialReport(const std::string& formName,
                                                const std::string& htmlName, std::string& text) {
  try {
    const bool office = OfficeReportsType();
    // The nozzles of each tank, in list order, found once.
    std::unordered_map<int, std::vector<const TTRKInfo*>> nozzles;
    for (int i = 0; i < TrkList->Count(); ++i) {
      const auto* d = static_cast<const TTRKInfo*>(TrkList->Objects(i));
      nozzles[d->SiloNum].push_back(d);
    }
    const std::vector<const TTRKInfo*> none;
    {
      TFileRepGen rep(FindShiftForm(formName.empty() ? "Smena2_1.FRM" : formName), TempFileName,
                      true, 0, 1);
      THTML_Jet jet(GetWebFormFileName(htmlName), false, 0);
      jet.Init();
      TNonStdRun run(rep, jet);
      run.Header(*this);
      for (int i = 0; i < SiloList->Count(); ++i) {
        const auto& s = *static_cast<const TSiloInfo*>(SiloList->Objects(i));
        const auto found = nozzles.find(s.SiloNum);
        run.Tank(s, found != nozzles.end() ? found->second : none, office);
      }
      jet.MakeItog2("%.2n");
      jet.MakeItog(2);
      jet.EndOGroup();
      run.TextTotals();
      rep.EndReport();
      run.HtmlTotals();
      AppendHtml(jet);
    }
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании нестандартного финансового отчета: "_w, e, text);
  }
}

}  // namespace tv
