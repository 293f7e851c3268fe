// The receipt (kind 5) and pump-out (kind 12) sections of the close-of-shift
// report: one row per operation of PRX in the shift range (per tank where
// PRXSILO splits it), grouped by car and fuel with a subtotal per group and
// a grand total.
#include <memory>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/FBUtils.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportCreator.h"
#include "library/ReportRoutines.h"
#include "platform/data/ClientDataSet.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/fuel/PrxReport.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/ShiftForms.h"

namespace tv {

namespace {

// The optional columns of PRX.
struct TPrxColumnsFound {
  bool Contractor = false, DischargeName = false, Keeper = false, WaybillMass = false;
};

std::vector<std::string> SectionStatement(const TPrxColumnsFound& c, bool receipt, int from, int to,
                                          bool office) {
  std::vector<std::string> lines;
  if (c.Contractor) {
    std::string select(PrxJoinedSelectList);
    if (c.DischargeName) select += ", p.NAMESLIV";
    if (c.Keeper)
      select += " , p.KEEPER_ID, kp.NAME AS KPNAME, kp.FULLNAME AS KPFULLNAME, kp.INN AS KPINN ";
    if (c.WaybillMass) select += " , p.MASSAFROMTTN ";
    lines.push_back(std::move(select));
    lines.emplace_back("FROM Prx p");
    lines.emplace_back("LEFT JOIN PRXSILO ps ON p.OPNUM=ps.OPNUM");
    lines.emplace_back("LEFT JOIN CONTRAGENT c ON p.CONTR_ID=c.CONTR_ID");
    if (c.Keeper) lines.emplace_back("LEFT JOIN CONTRAGENT kp ON p.KEEPER_ID=kp.CONTR_ID");
  } else {
    lines.emplace_back("SELECT p.* FROM Prx p");
  }
  // Office reports include the correction rows.
  std::string where = receipt ? "p.Prihod = 1" : "p.Prihod = 0";
  where += " and p.SmNum >= " + IntToStr(from) + " and p.SmNum <= " + IntToStr(to);
  if (!office) where += " and COALESCE(p.COR, 0) = 0";
  lines.push_back("where " + where + " Order By p.CarName, p.GSMName");
  return lines;
}

// The six running values of a group or of the whole section.
struct TPrxSums {
  double Vol = 0, VolF = 0, Mass = 0, MassF = 0, CFVol = 0, CFVKg = 0;
  // Each sum worked in extended: a row's products and its Currency mass
  // come in unrounded.
  void Add(long double vol, long double volF, long double mass, long double massF,
           long double cfVol, long double cfvKg) {
    AddTo(Vol, vol);
    AddTo(VolF, volF);
    AddTo(Mass, mass);
    AddTo(MassF, massF);
    AddTo(CFVol, cfVol);
    AddTo(CFVKg, cfvKg);
  }
  void Add(const TPrxSums& s) { Add(s.Vol, s.VolF, s.Mass, s.MassF, s.CFVol, s.CFVKg); }
};

// The result's fields, looked up once; -1 marks an optional column the
// result lacks. A column every row needs raises when it is missing.
struct TPrxFields {
  explicit TPrxFields(TClientDataSet& d) : d_(d) {}
  int Need(const char* name) { return d_.FieldByName(name).Index(); }
  TClientDataSet& d_;
  int CarName = Need("CARNAME"), GsmName = Need("GSMNAME"), SiloName = Need("SILONAME");
  int BegTime = Need("BEGTIME"), Prim = Need("PRIM"), OpNum = Need("OPNUM");
  int CarVolTtn = Need("CARVOLTTN"), Fact1 = Need("FACT1"), UdVes = Need("UDVES");
  int FactPlotn = Need("FACTPLOTN"), Temper = Need("TEMPER"), Delta = Need("DELTA");
  int CarVolFact = Need("CARVOLFACT"), CarUdVesFact = Need("CARUDVESFACT");
  int CarTemperFact = Need("CARTEMPERFACT");
  int TtnData = d_.FindField("TTNDATA"), MassaFromTtn = d_.FindField("MASSAFROMTTN");
  // The cells set only from a present, non-null column, in cell order.
  std::vector<std::pair<const char*, int>> Optional = {
      {"TTNNum", d_.FindField("TTNNUM")},
      {"Supplier", d_.FindField("CONTRNAME")},
      {"SupFullName", d_.FindField("CONTRFULLNAME")},
      {"INN", d_.FindField("INN")},
      {"Keeper", d_.FindField("KPNAME")},
      {"KeeperFullName", d_.FindField("KPFULLNAME")},
      {"KeeperINN", d_.FindField("KPINN")},
      {"NAMESLIV", d_.FindField("NAMESLIV")}};
};

struct TPrxRun {
  TClientDataSet& Rows;
  TPrxFields& F;
  TRepGen& Rep;
  THTML_Jet& Jet;
  TPrxSums Group, Total;
};

double D(TClientDataSet& rows, int field) { return rows.Fields(field).AsFloat(); }

void SetF(TRepGen& rep, const char* name, std::string_view format, long double value) {
  rep.SetVar(name, Format(format, {value}));
}

// The row's mass: the waybill's own mass when it has one, else the
// waybill volume by the waybill density.
Currency RowMass(TPrxRun& run) {
  Currency mass;
  if (run.F.MassaFromTtn >= 0) mass = Currency(D(run.Rows, run.F.MassaFromTtn));
  if (mass == Currency())
    mass =
        Currency(static_cast<long double>(D(run.Rows, run.F.CarVolTtn)) * D(run.Rows, run.F.UdVes));
  return mass;
}

void AddPrxRow(TPrxRun& run, Currency mass) {
  TClientDataSet& r = run.Rows;
  const TPrxFields& f = run.F;
  const double vol = D(r, f.CarVolTtn), volF = D(r, f.Fact1), den = D(r, f.UdVes);
  const double denF = D(r, f.FactPlotn), cfVol = D(r, f.CarVolFact), cfDen = D(r, f.CarUdVesFact);
  const double cfTmp = D(r, f.CarTemperFact), temper = D(r, f.Temper), delta = D(r, f.Delta);
  const long double massF = static_cast<long double>(volF) * denF;
  const long double cfvKg = static_cast<long double>(cfVol) * cfDen;
  const std::string silo = r.Fields(f.SiloName).AsString();
  const std::string gsm = r.Fields(f.GsmName).AsString();
  const std::string prim = r.Fields(f.Prim).AsString();
  const std::string car = r.Fields(f.CarName).AsString();
  const TDateTime beg = r.Fields(f.BegTime).AsDateTime();
  const int opNum = r.Fields(f.OpNum).AsInteger();
  TRepGen& rep = run.Rep;
  rep.ClearVars();
  rep.SetVar("SiloName", silo);
  rep.SetVar("Gsm", gsm);
  rep.SetVar("PrD", FormatDateTime("dd.mm.yyyy", beg));
  rep.SetVar("PrT", FormatDateTime("hh:nn:ss", beg));
  rep.SetVar("PrDT", r.Fields(f.BegTime).AsString());
  rep.SetVar("PrName", prim);
  rep.SetVar("NDoc", Format("%5.d", {opNum}));
  const std::pair<const char*, long double> seven[] = {
      {"Vol", vol}, {"VolF", volF}, {"Den", den}, {"DenF", denF}, {"Mass", mass}, {"MassF", massF}};
  // The mass is Currency: the text takes its exact four decimals.
  for (const auto& [name, value] : seven)
    if (std::string_view(name) == "Mass")
      rep.SetVar(name, Format("%7.2f", {mass}));
    else
      SetF(rep, name, "%7.2f", value);
  SetF(rep, "T", "%5.2f", temper);
  SetF(rep, "Delta", "%5.2f", delta);
  const std::pair<const char*, long double> eight[] = {
      {"CFVol", cfVol}, {"CFDen", cfDen}, {"CFTmp", cfTmp}, {"CFVKg", cfvKg}};
  for (const auto& [name, value] : eight) SetF(rep, name, "%8.2f", value);
  rep.SetVar("CarName", car);
  rep.PrintRepeat();

  THTML_Jet& jet = run.Jet;
  jet.Add("S", silo);
  jet.Add("Gsm", NoBr(gsm));
  jet.AddDateTime("PrD", "dd.mm.yyyy", beg);
  jet.AddDateTime("PrT", "hh:nn:ss", beg);
  jet.AddDateTime("PrDT", "dd.mm.yyyy hh:nn:ss", beg);
  jet.Add("PrName", prim);
  jet.AddInteger("NDoc", opNum);
  for (const auto& [name, value] : seven) jet.AddFloat(name, "%.2n", static_cast<double>(value));
  jet.AddFloat("T", "%.2n", temper);
  jet.AddFloat("Delta", "%.2n", delta);
  for (const auto& [name, value] : eight) jet.AddFloat(name, "%.2n", static_cast<double>(value));
  jet.Add("CarName", car);
  if (f.TtnData >= 0 && r.Fields(f.TtnData).AsDateTime() > 1.0)
    jet.AddDateTime("TTNDate", "dd.mm.yyyy", r.Fields(f.TtnData).AsDateTime());
  for (const auto& [name, field] : f.Optional)
    if (field >= 0 && !r.Fields(field).IsNull()) jet.Add(name, r.Fields(field).AsString());
  jet.EndLine();

  run.Group.Add(vol, volF, mass, massF, cfVol, cfvKg);
}

void WriteSums(TPrxRun& run, const TPrxSums& s, const char* prefix, bool total) {
  const std::pair<std::string, double> values[] = {{"Vol", s.Vol},     {"VolF", s.VolF},
                                                   {"Mass", s.Mass},   {"MassF", s.MassF},
                                                   {"CFVol", s.CFVol}, {"CFVKg", s.CFVKg}};
  run.Rep.ClearVars();
  for (int i = 0; i < 6; ++i) {
    const std::string name = prefix + values[i].first;
    SetF(run.Rep, name.c_str(), i < 4 ? "%7.2f" : "%8.2f", values[i].second);
    if (total)
      run.Jet.AddOutItogFloat(name, "%.2n", values[i].second);
    else
      run.Jet.AddFloat(name, "%.2n", values[i].second);
  }
}

// After moving to the next row: a new car or fuel, or the end, closes the
// group with its total.
void CalcPrxTotals(TPrxRun& run, std::string& car, std::string& gsm) {
  TClientDataSet& r = run.Rows;
  if (!r.Eof()) {
    std::string nextCar = r.Fields(run.F.CarName).AsString();
    std::string nextGsm = r.Fields(run.F.GsmName).AsString();
    if (nextCar == car && nextGsm == gsm) return;
    car = std::move(nextCar);
    gsm = std::move(nextGsm);
  }
  WriteSums(run, run.Group, "", false);
  run.Rep.SetVar("Gsm", "Итого:"_w);
  run.Rep.PrintRepeat();
  run.Jet.Add("Gsm", "Итого:"_w);
  run.Jet.EndLine();
  run.Total.Add(run.Group);
  run.Group = TPrxSums();
}

void WritePrxRows(TPrxRun& run) {
  TClientDataSet& r = run.Rows;
  r.First();
  std::string car, gsm;
  if (!r.Eof()) {
    car = r.Fields(run.F.CarName).AsString();
    gsm = r.Fields(run.F.GsmName).AsString();
  }
  while (!r.Eof()) {
    try {
      AddPrxRow(run, RowMass(run));
    } catch (const std::exception& e) {
      MakeContextException(e, "ДобавлениеСтроки"_w)->Raise();
    }
    r.Next();
    try {
      CalcPrxTotals(run, car, gsm);
    } catch (const std::exception& e) {
      MakeContextException(e, "ПодсчетИтогов"_w)->Raise();
    }
  }
}

}  // namespace

void TCloseSmenaRep::BuildPrxReport(const std::string& formName, const std::string& htmlName,
                                    bool receipt, std::string& text) {
  try {
    {
      TFileRepGen rep(FindShiftForm(formName.empty() ? "Smena4.FRM" : formName), TempFileName, true,
                      0, 1);
      THTML_Jet jet(GetWebFormFileName(htmlName), false, 0);
      std::unique_ptr<TIBDataSet> ds(
          FBUtils::FBCreateDataSetForRead(Creator->Database, true, nullptr, nullptr, "PrxQ"));
      ds->SelectSQL().SetText("SELECT * FROM PRX WHERE OpNum = 0");
      ds->Open();
      TPrxColumnsFound c;
      c.Contractor = ds->FindField("CONTR_ID") != nullptr;
      c.DischargeName = ds->FindField("NAMESLIV") != nullptr;
      c.Keeper = ds->FindField("KEEPER_ID") != nullptr;
      c.WaybillMass = ds->FindField("MASSAFROMTTN") != nullptr;
      ds->Close();
      ds->SelectSQL().Clear();
      // Read once into the rows below: the query keeps only its current row.
      ds->SetUniDirectional(true);
      jet.Init();
      for (std::string& line :
           SectionStatement(c, receipt, SmenaFrom, SmenaTo, OfficeReportsType()))
        ds->SelectSQL().Add(std::move(line));
      {
        // The rows go before the HTML version is put together.
        TClientDataSet rows;
        FillClientDataSet(*ds, rows);
        ds.reset();
        TPrxFields fields(rows);
        TPrxRun run{rows, fields, rep, jet, {}, {}};
        WritePrxRows(run);
        WriteSums(run, run.Total, "i", true);
      }
      rep.PrintRepeat();
      jet.EndLine();
      rep.EndReport();
      jet.MakeItog2("%.2n");
      jet.MakeItog(2);
      jet.EndOGroup();
      AppendHtml(jet);
    }
    text = RepGen::ReadFileText(TempFileName);
  } catch (const std::exception& e) {
    SectionFailed("Ошибка при формировании отчета \"Поступление/Откачка НП\": "_w, e, text);
  }
}

void TCloseSmenaRep::BuildReceiptSection(const std::string& formName, const std::string& htmlName,
                                         std::string& text) {
  BuildPrxReport(formName, htmlName, true, text);
}

void TCloseSmenaRep::BuildPumpOutSection(const std::string& formName, const std::string& htmlName,
                                         std::string& text) {
  BuildPrxReport(formName, htmlName, false, text);
}

}  // namespace tv
