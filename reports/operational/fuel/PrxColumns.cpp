#include "reports/operational/fuel/PrxColumns.h"

#include <cmath>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/os/SysInfo.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

const std::array<TPrxListName, PrxColumnListCount> PrxListNames = {{
    {"OpNum", false},        {"SmNum", false},           {"CarVolTtn", false},
    {"CarVolTtnRnd", false}, {"LvlBefore", true},        {"LvlAfter", true},
    {"Fact1", true},         {"FactPlotn", true},        {"FactKg", true},
    {"FactLSum", false},     {"FactKgSum", false},       {"Ves", false},
    {"VesRnd", false},       {"Dopusk", false},          {"Temper", false},
    {"UdVes", false},        {"Operator", false},        {"GSM", false},
    {"Date", false},         {"SiloName", true},         {"DeltaPlus", false},
    {"DeltaMinus", false},   {"DeltaKg", false},         {"DeltaKgRnd", false},
    {"DeltaKgCarPL", false}, {"DeltaKgCarPLRnd", false}, {"DeltaCarPL", false},
    {"CFVol", false},        {"CFDen", false},           {"CFTmp", false},
    {"CFVKg", false},        {"BegTime", true},          {"EndTime", true},
    {"Auto", false},         {"FIO", false},             {"TTNDate", false},
    {"TTNNum", false},       {"Supplier", false},        {"SupFullName", false},
    {"INN", false},          {"Keeper", false},          {"KeeperFullName", false},
    {"KeeperINN", false},    {"NAMESLIV", false},        {"TypeOper", true},
}};

namespace {

std::string F(std::string_view fmt, TVarRec v) { return Format(fmt, {v}); }
std::string H(std::string_view fmt, TVarRec v) {
  return Format(fmt, {v}, HTMLJet::ReportFormatSettings());
}

bool DeltaPlus(const TPrxRow& r) { return r.Delta > 0 && r.CarVolTtn > 0.9; }

}  // namespace

std::vector<std::pair<std::string, std::string>> PrxFormColumnValues(const TPrxRow& r) {
  std::vector<std::pair<std::string, std::string>> v = {
      {"OpNum", F("%8.0d", r.OpNum)},
      {"SmNum", F("%8.0d", r.SmNum)},
      {"CarVolTtn", F("%8.0f", r.CarVolTtn)},
      {"LvlBefore", F("%8.0f", r.LvlBefore)},
      {"LvlAfter", F("%8.0f", r.LvlAfter)},
      {"Fact1", F("%8.0f", r.Fact1)},
      {"FactPlotn", F("%8.4f", r.FactPlotn)},
      {"FactKg", F("%8.0f", static_cast<long double>(r.Fact1) * r.FactPlotn)},
      // The text keeps the volume-by-density mass, whatever the waybill says.
      {"Ves", F("%8.3f", static_cast<long double>(r.CarVolTtn) * r.UdVes)},
      {"Dopusk", F("%8.2f", r.Dopusk)},
      {"Temper", F("%8.0f", r.Temper)},
      {"UdVes", F("%8.4f", r.UdVes)},
      {"Operator", r.Operator},
      {"GSMName", r.GsmName},
      {"Date", FormatDateTime("dd.mm.yyyy", r.EndTime)},
      {"SiloName", r.SiloName},
  };
  if (DeltaPlus(r)) v.emplace_back("DeltaPlus", F("%8.0f", r.Delta));
  if (r.Delta < 0) v.emplace_back("DeltaMinus", F("%8.0f", std::fabs(r.Delta)));
  if (r.HasCarVolFact) v.emplace_back("CFVol", F("%8.4f", r.CarVolFact));
  if (r.HasCarUdVesFact) v.emplace_back("CFDen", F("%8.4f", r.CarUdVesFact));
  if (r.HasCarTemperFact) v.emplace_back("CFTmp", F("%8.4f", r.CarTemperFact));
  if (r.HasCarVolFact && r.HasCarUdVesFact)
    v.emplace_back("CFVKg", F("%8.4f", static_cast<long double>(r.CarVolFact) * r.CarUdVesFact));
  v.emplace_back("BegTime", FormatDateTime("   hh:nn", r.BegTime));
  v.emplace_back("EndTime", FormatDateTime("   hh:nn", r.EndTime));
  if (r.HasCarName) v.emplace_back("Auto", r.CarName);
  if (r.HasPrim) v.emplace_back("FIO", r.Prim);
  return v;
}

std::array<std::string, PrxColumnListCount> PrxHtmlColumnValues(const TPrxRow& r,
                                                                const TPrxColumnFlags& flags,
                                                                int rowCount, Currency literSum,
                                                                Currency massSum) {
  // The operation's quantities are four-decimal fixed-point amounts.
  const Currency waybill = flags.WaybillMass && r.MassaFromTtn != 0
                               ? Currency(r.MassaFromTtn)
                               : Currency(static_cast<long double>(r.CarVolTtn) * r.UdVes);
  const Currency density(r.CarUdVesFact);
  const Currency deltaKg = massSum - waybill;
  const Currency deltaKgCarPL = literSum * density - waybill;
  const Currency cfvKg = Currency(r.CarVolFact) * density;
  const std::string deltaCarPL =
      density > Currency() ? H("%.2n", static_cast<long double>(deltaKgCarPL) / density) : " ";
  const auto text = [](const std::string& s) { return s; };
  std::array<std::string, PrxColumnListCount> v = {
      r.OpNumText,
      r.SmNumText,
      H("%.2n", r.CarVolTtn),
      H("%.0n", r.CarVolTtn),
      H("%.0f", r.LvlBefore),
      H("%.0f", r.LvlAfter),
      H("%.2n", r.Fact1),
      H("%0.4f", r.FactPlotn),
      H("%.2n", static_cast<long double>(r.Fact1) * r.FactPlotn),
      H("%.2n", literSum),
      H("%.2n", massSum),
      H("%.2n", waybill),
      H("%.0n", waybill),
      H("%.2n", r.Dopusk),
      H("%.1f", r.Temper),
      H("%0.4f", r.UdVes),
      text(r.Operator),
      text(r.GsmName),
      FormatDateTime("dd.mm.yyyy", r.EndTime),
      text(r.SiloName),
      DeltaPlus(r) ? H("%.0f", r.Delta) : std::string(),
      r.Delta < 0 ? H("%.0f", std::fabs(r.Delta)) : std::string(),
      H("%.2n", deltaKg),
      H("%.0n", deltaKg),
      H("%.2n", deltaKgCarPL),
      H("%.0n", deltaKgCarPL),
      deltaCarPL,
      H("%.2n", r.CarVolFact),
      H("%.4f", density),
      H("%.1f", r.CarTemperFact),
      H("%.2n", cfvKg),
      FormatDateTime("hh:nn", r.BegTime),
      FormatDateTime("hh:nn", r.EndTime),
      text(r.CarName),
      text(r.Prim),
      r.TtnData > 1.0 ? FormatDateTime("dd.mm.yyyy", r.TtnData) : std::string(),
      text(r.TtnNum),
      text(r.ContrName),
      text(r.ContrFullName),
      text(r.Inn),
      text(r.KpName),
      text(r.KpFullName),
      text(r.KpInn),
      text(r.NameSliv),
      flags.OperationType ? (r.TypeOper == 0 ? "приём"_w : "откачка"_w) : std::string(),
  };
  if (rowCount == 0) {
    for (int i = 0; i < PrxColumnListCount; ++i)
      if (!PrxListNames[i].TankLevel) v[i].clear();
  } else if (rowCount > 1) {
    const std::string prefix = "%colspan=" + IntToStr(rowCount) + "%";
    for (int i = 0; i < PrxColumnListCount; ++i)
      if (!PrxListNames[i].TankLevel) v[i].insert(0, prefix);
  }
  return v;
}

// The fields of the result, looked up once; a null pointer is a column the
// result lacks.
struct TPrxColumnState::Fields {
  TIBField *OpNum, *SmNum, *CarVolTtn, *LvlBefore, *LvlAfter, *Fact1, *FactPlotn, *UdVes, *Dopusk,
      *Temper, *Operator, *GsmName, *EndTime, *SiloName, *Delta, *BegTime;
  TIBField *CarVolFact, *CarUdVesFact, *CarTemperFact, *CarName, *Prim;
  TIBField *TtnData, *TtnNum, *ContrName, *ContrFullName, *Inn, *KpName, *KpFullName, *KpInn,
      *NameSliv, *MassaFromTtn, *TypeOper;
  int ReadColumn = -1;
  TPrxRow Row;
};

namespace {

using FieldsT = TPrxColumnState::Fields;

void Bind(TPrxColumnState& s) {
  if (s.F) return;
  auto f = std::make_shared<FieldsT>();
  TIBDataSet& d = *s.DataSet;
  const auto L = [&d](const char* name) { return d.FindField(name); };
  *f = {L("OPNUM"),        L("SMNUM"),        L("CARVOLTTN"),     L("SILOLEVELBEFORE"),
        L("SILOLEVELAFTER"), L("FACT1"),      L("FACTPLOTN"),     L("UDVES"),
        L("DOPUSK"),       L("TEMPER"),       L("OPERATOR"),      L("GSMNAME"),
        L("ENDTIME"),      L("SILONAME"),     L("DELTA"),         L("BEGTIME"),
        L("CARVOLFACT"),   L("CARUDVESFACT"), L("CARTEMPERFACT"), L("CARNAME"),
        L("PRIM"),         L("TTNDATA"),      L("TTNNUM"),        L("CONTRNAME"),
        L("CONTRFULLNAME"), L("INN"),         L("KPNAME"),        L("KPFULLNAME"),
        L("KPINN"),        L("NAMESLIV"),     L("MASSAFROMTTN"),  L("TYPEOPER"),
        -1,                TPrxRow()};
  s.F = std::move(f);
}

// A column that a writer reads whatever the schema: its absence fails the
// report with the data-access layer's own error for that name.
void Need(TPrxColumnState& s, TIBField* field, const char* name) {
  if (field == nullptr) s.DataSet->FieldByName(name);
}

void NeedFormFields(TPrxColumnState& s) {
  const FieldsT& f = *s.F;
  const std::pair<TIBField*, const char*> need[] = {
      {f.OpNum, "OPNUM"},         {f.SmNum, "SMNUM"},         {f.CarVolTtn, "CARVOLTTN"},
      {f.LvlBefore, "SILOLEVELBEFORE"}, {f.LvlAfter, "SILOLEVELAFTER"}, {f.Fact1, "FACT1"},
      {f.FactPlotn, "FACTPLOTN"}, {f.UdVes, "UDVES"},         {f.Dopusk, "DOPUSK"},
      {f.Temper, "TEMPER"},       {f.Operator, "OPERATOR"},   {f.GsmName, "GSMNAME"},
      {f.EndTime, "ENDTIME"},     {f.SiloName, "SILONAME"},   {f.Delta, "DELTA"},
      {f.BegTime, "BEGTIME"}};
  for (const auto& [field, name] : need) Need(s, field, name);
}

std::string Str(TIBField* f) { return f != nullptr ? f->AsString() : std::string(); }
double Dbl(TIBField* f) { return f != nullptr ? f->AsFloat() : 0; }

const TPrxRow& CurrentRow(TPrxColumnState& s) {
  FieldsT& f = *s.F;
  if (f.ReadColumn == s.Column) return f.Row;
  TPrxRow& r = f.Row;
  r = TPrxRow();
  r.OpNum = f.OpNum->AsInteger();
  r.SmNum = f.SmNum->AsInteger();
  r.OpNumText = f.OpNum->AsString();
  r.SmNumText = f.SmNum->AsString();
  r.CarVolTtn = f.CarVolTtn->AsFloat();
  r.LvlBefore = f.LvlBefore->AsFloat();
  r.LvlAfter = f.LvlAfter->AsFloat();
  r.Fact1 = f.Fact1->AsFloat();
  r.FactPlotn = f.FactPlotn->AsFloat();
  r.UdVes = f.UdVes->AsFloat();
  r.Dopusk = f.Dopusk->AsFloat();
  r.Temper = f.Temper->AsFloat();
  r.Delta = f.Delta->AsFloat();
  r.Operator = f.Operator->AsString();
  r.GsmName = f.GsmName->AsString();
  r.SiloName = f.SiloName->AsString();
  r.BegTime = f.BegTime->AsDateTime();
  r.EndTime = f.EndTime->AsDateTime();
  r.HasCarVolFact = f.CarVolFact != nullptr;
  r.HasCarUdVesFact = f.CarUdVesFact != nullptr;
  r.HasCarTemperFact = f.CarTemperFact != nullptr;
  r.HasCarName = f.CarName != nullptr;
  r.HasPrim = f.Prim != nullptr;
  r.CarVolFact = Dbl(f.CarVolFact);
  r.CarUdVesFact = Dbl(f.CarUdVesFact);
  r.CarTemperFact = Dbl(f.CarTemperFact);
  r.CarName = Str(f.CarName);
  r.Prim = Str(f.Prim);
  r.TtnData = f.TtnData != nullptr ? f.TtnData->AsDateTime() : 0;
  r.TtnNum = Str(f.TtnNum);
  r.ContrName = Str(f.ContrName);
  r.ContrFullName = Str(f.ContrFullName);
  r.Inn = Str(f.Inn);
  r.KpName = Str(f.KpName);
  r.KpFullName = Str(f.KpFullName);
  r.KpInn = Str(f.KpInn);
  r.NameSliv = Str(f.NameSliv);
  if (s.Flags.WaybillMass) {
    Need(s, f.MassaFromTtn, "MASSAFROMTTN");
    r.MassaFromTtn = f.MassaFromTtn->AsFloat();
  }
  if (s.Flags.OperationType) {
    Need(s, f.TypeOper, "TYPEOPER");
    r.TypeOper = f.TypeOper->AsInteger();
  }
  f.ReadColumn = s.Column;
  return r;
}

}  // namespace

void CreatePrxColumnLists(TPrxColumnState& s) {
  for (auto& list : s.Lists) list = std::make_unique<TStringList>();
}

void FreePrxColumnLists(TPrxColumnState& s) {
  for (auto& list : s.Lists) list.reset();
}

void SetPrxFormColumnVars(TPrxColumnState& s) {
  Bind(s);
  NeedFormFields(s);
  const std::string number = IntToStr(s.Column);
  for (const auto& [name, value] : PrxFormColumnValues(CurrentRow(s)))
    s.Rep->SetVar(name + number, value);
}

void AddPrxHtmlColumn(TPrxColumnState& s, int rowCount, Currency literSum, Currency massSum) {
  Bind(s);
  NeedFormFields(s);
  const FieldsT& f = *s.F;
  Need(s, f.CarUdVesFact, "CARUDVESFACT");
  Need(s, f.CarVolFact, "CARVOLFACT");
  Need(s, f.CarTemperFact, "CARTEMPERFACT");
  Need(s, f.CarName, "CARNAME");
  Need(s, f.Prim, "PRIM");
  std::array<std::string, PrxColumnListCount> values =
      PrxHtmlColumnValues(CurrentRow(s), s.Flags, rowCount, literSum, massSum);
  for (int i = 0; i < PrxColumnListCount; ++i) s.Lists[i]->Add(std::move(values[i]));
}

void SetPrxReportVars(TPrxColumnState& s) {
  const uint32_t start = GetTickCount();
  for (int i = 0; i < PrxColumnListCount; ++i) s.Jet->Add(PrxListNames[i].Name, *s.Lists[i]);
  const int elapsed = static_cast<int>(GetTickCount() - start);
  ReportsLogger().LogFmt("Время добавления информации в отчет: %d ms"_w, {elapsed}, 0);
}

}  // namespace tv
