// The tank list (SiloList) and the dispenser list (TrkList) of the
// close-of-shift report.
#include <functional>

#include "foundation/FuelPhysics.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/ShiftRows.h"

namespace tv {

namespace {

// The lists' Doubles are worked in extended and rounded when stored.
using Ext = long double;

// Runs `step`, naming it in front of a failure.
void Step(std::string_view context, const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    MakeContextException(e, context)->Raise();
  }
}

TSiloInfo* CreateSiloRecord(const TRowReader& r, int siloNum, TStringList& list,
                            const std::string& key) {
  auto* silo = new TSiloInfo;
  list.AddObject(key, silo);
  silo->SiloNum = siloNum + 1;
  silo->MaxVolume = r.Num(r.Field("MAXVOLUME"));
  silo->SiloName = r.Text(r.Field("SILONAME"));
  silo->GsmName = r.Text(r.Field("GSMNAME"));
  silo->GsmPrice = r.Num(r.Field("GSMPRICE"));
  return silo;
}

void ReadSiloBeginData(const TRowReader& r, TSiloInfo& s, bool office) {
  auto n = [&](std::string_view name) { return r.Num(r.Field(name)); };
  s.SiloBegL = n("SILOBEGL");
  s.SiloBeg = n("SILOBEG");
  s.SiloBeg20L = n("SILOBEG20L");
  s.SiloBegCalc20L = n("SILOBEGCALC20L");
  // The begin density belongs to the first shift of the range.
  s.UdVesBeg = n("UDVESBEG");
  s.SiloBegKg = static_cast<double>(Ext(s.SiloBegL) * s.UdVesBeg);
  if (r.Optional("BLOCKED") >= 0) {
    s.BegBlocked = r.Int(r.Field("BEGBLOCKED")) == 1;
    s.BegPressure = r.Money(r.Field("BEGPRESSURE"));
    s.BegWasser = r.Money(r.Field("BEGWASSER"));
  }
  s.SiloBegCalcKg = office ? n("SILOBEGCALCREVKG") : n("SILOBEGCALCKG");
  s.SiloBegCalcL = office ? n("SILOBEGCALCREV") : n("SILOBEGCALCL");
  s.SiloBegCalcLKg = static_cast<double>(Ext(s.SiloBegCalcL) * s.UdVesBeg);
}

void ReadSiloEndData(const TRowReader& r, TSiloInfo& s, bool office) {
  auto n = [&](std::string_view name) { return r.Num(r.Field(name)); };
  s.GsmPrice = n("GSMPRICE");
  s.SiloWasser = n("SILOWASSER");
  s.SiloTemper = n("SILOTEMPER");
  s.UdVes = n("UDVES");
  s.UdVesEnd = n("UDVESEND");
  s.SiloEndL = n("SILOENDL");
  s.SiloEnd = n("SILOEND");
  s.SiloEndCalc20L = n("SILOENDCALC20L");
  s.SiloEndKg = static_cast<double>(Ext(s.SiloEndL) * s.UdVesEnd);
  s.SiloEnd20L = static_cast<double>(VolumeAt20(s.GsmName.str(), s.SiloEndL, s.SiloTemper));
  if (r.Optional("BLOCKED") >= 0) {
    s.Blocked = r.Int(r.Field("BLOCKED")) == 1;
    s.Pressure = r.Money(r.Field("PRESSURE"));
  }
  if (r.Optional("WAITPRXL") >= 0) {
    s.WaitPrxL = r.Money(r.Field("WAITPRXL"));
    s.WaitPrxKg = r.Money(r.Field("WAITPRXKG"));
    s.WaitRsxL = r.Money(r.Field("WAITRSXL"));
    s.WaitRsxKg = r.Money(r.Field("WAITRSXKG"));
  }
  s.SiloEndCalcKg = office ? n("SILOENDCALCREVKG") : n("SILOENDCALCKG");
  s.SiloEndCalc = office ? n("SILOENDCALCREV") : n("SILOENDCALC");
  s.SiloEndCalcL = office ? n("SILOENDCALCREVL") : n("SILOENDCALCL");
  s.SiloEndCalcLKg = static_cast<double>(Ext(s.SiloEndCalcL) * s.UdVesEnd);
}

void ReadSiloRangeData(const TRowReader& r, TSiloInfo& s, bool office) {
  auto n = [&](std::string_view name) { return r.Num(r.Field(name)); };
  AddTo(s.SiloPrx, n("SILOPRX"));
  AddTo(s.SiloPrKg, n("SILOPRKG"));
  AddTo(s.SiloPrx20, n("SILOPRX20"));
  AddTo(s.PrxFact, n("PRXFACT"));
  AddTo(s.PrxFactKg, n("PRXFACTKG"));
  AddTo(s.SiloDebit20, n("SILODEBIT20"));
  AddTo(s.SiloRashL, n("SILORASHL"));
  AddTo(s.SiloRashKg, n("SILORASHKG"));
  AddTo(s.SiloRash20L, n("SILORASH20L"));
  AddTo(s.SiloRashFact, n("SILORASHFACT"));
  AddTo(s.SiloRashFactKg, n("SILORASHFACTKG"));
  if (office) {
    AddTo(s.SiloPrx, n("SILOPRXREV"));
    AddTo(s.SiloPrKg, Ext(n("SILOPRXREV")) * n("UDVES"));
  }
  const double clBeg = office ? n("SILOBEGCALCREV") : n("SILOBEGCALCL");
  const double clEnd = office ? n("SILOENDCALCREVL") : n("SILOENDCALCL");
  const double ckBeg = office ? n("SILOBEGCALCREVKG") : n("SILOBEGCALCKG");
  const double ckEnd = office ? n("SILOENDCALCREVKG") : n("SILOENDCALCKG");
  const double begL = n("SILOBEGL"), endL = n("SILOENDL");
  AddTo(s.DiffL, (Ext(endL) - begL) - (Ext(clEnd) - clBeg));
  AddTo(s.DiffKg, (Ext(endL) * n("UDVESEND") - Ext(begL) * n("UDVESBEG")) - (Ext(ckEnd) - ckBeg));
  const Ext end20 = VolumeAt20(s.GsmName.str(), endL, n("SILOTEMPER"));
  AddTo(s.Diff20L, (end20 - n("SILOBEG20L")) - (Ext(n("SILOENDCALC20L")) - n("SILOBEGCALC20L")));
}

}  // namespace

void TCloseSmenaRep::FillSiloList() {
  try {
    const bool office = OfficeReportsType();
    SiloList = std::make_unique<TStringList>();
    TVOIndex vo(*SiloVO);
    TRowReader r(*SmSilo);
    const TSiloSalesFields f(r);
    const int name = r.Field("GSMNAME");
    std::unordered_map<std::string, TSiloInfo*> index;
    std::unordered_map<TSiloInfo*, std::unique_ptr<TSaleItems>> items;
    std::unordered_set<int> revShifts;
    for (SmSilo->First(); !SmSilo->Eof(); SmSilo->Next()) {
      const TSiloRowSales s = f.Read(r, office);
      const std::string key =
          IntToStr(s.SiloNum + 1) + "_" + ShortString<20>(r.Text(name)).str();
      TSiloInfo*& silo = index[key];
      if (silo == nullptr) {
        Step("СозданиеЗаписиОРезервуаре"_w,
             [&] { silo = CreateSiloRecord(r, s.SiloNum, *SiloList, key); });
        items[silo] = std::make_unique<TSaleItems>(silo->VORows);
      }
      if (s.SmNum == SmenaFrom)
        Step("ДанныеПоНачалуДиапазона"_w, [&] { ReadSiloBeginData(r, *silo, office); });
      if (s.SmNum == SmenaTo)
        Step("ДанныеПоОкончаниюДиапазона"_w, [&] { ReadSiloEndData(r, *silo, office); });
      Step("ДанныеПоВсемуДиапазону"_w, [&] { ReadSiloRangeData(r, *silo, office); });
      if (office) {
        // Every tank has a cash row in office mode; it stays in SiloVO for
        // the later sections.
        bool cash = false;
        for (const TVORow& row : vo.Rows(s.SmNum, s.SiloNum)) cash = cash || row.VidOpl == 0;
        if (!cash) {
          SiloVO->Append();
          SiloVO->FieldByName("SMNUM").SetAsInteger(s.SmNum);
          SiloVO->FieldByName("SILONUM").SetAsInteger(s.SiloNum);
          SiloVO->FieldByName("VIDOPL").SetAsInteger(0);
          SiloVO->FieldByName("CHECKTYPE").SetAsInteger(0);
          SiloVO->FieldByName("LITRE").SetAsFloat(0);
          SiloVO->FieldByName("KG").SetAsFloat(0);
          SiloVO->FieldByName("SUMMA").SetAsFloat(0);
          SiloVO->Post();
          vo.Add(s.SmNum, s.SiloNum, TVORow{});
        }
      }
      AddSiloSales(vo, s, office, *items[silo], revShifts);
    }
  } catch (const std::exception& e) {
    MakeContextException(e, "ЗаполнитьСписокРезервуаров"_w)->Raise();
  }
}

void TCloseSmenaRep::FillTrkList() {
  try {
    const bool office = OfficeReportsType();
    TrkList = std::make_unique<TStringList>();
    std::unordered_map<int64_t, double> density;
    {
      TRowReader s(*SmSilo);
      const int sm = s.Field("SMNUM"), silo = s.Field("SILONUM"), udVes = s.Field("UDVES");
      for (SmSilo->First(); !SmSilo->Eof(); SmSilo->Next())
        density.emplace(ShiftTankKey(s.Int(sm), s.Int(silo) + 1), s.Num(udVes));
    }
    TRowReader r(*SmTrk);
    const int sm = r.Field("SMNUM"), trk = r.Field("TRKINDEX"), pist = r.Field("PISTOLET"),
              silo = r.Field("SILONUM"), name = r.Field("GSMNAME"), price = r.Field("GSMPRICE"),
              beg = r.Field("TRKBEG"), end = r.Field("TRKEND"), elBeg = r.Field("BEGELCOUNTER"),
              elEnd = r.Field("ENDELCOUNTER"), el = r.Field("ELCOUNTER"),
              smena = r.Field("TRKSMENA"), smenaM = r.Field("TRKSMENAM");
    const int trk2Beg = r.Optional("TRK2BEG"), pereliv = r.Optional("PERELIV");
    const int trk2End = trk2Beg >= 0 ? r.Field("TRK2END") : -1;
    // The office's correction volume, where the schema has the column.
    const int cor = office ? r.Optional("TRKSMENACOR") : -1;
    std::unordered_map<std::string, TTRKInfo*> index;
    for (SmTrk->First(); !SmTrk->Eof(); SmTrk->Next()) {
      const int smNum = r.Int(sm), siloNum = r.Int(silo);
      const std::string gsmName = ShortString<20>(r.Text(name)).str();
      const std::string key = IntToStr(r.Int(trk)) + "_" + IntToStr(r.Int(pist)) + "_" + gsmName;
      TTRKInfo*& t = index[key];
      if (t == nullptr) {
        t = new TTRKInfo;
        TrkList->AddObject(key, t);
        t->TrkIndex = r.Int(trk);
        t->SiloNum = siloNum + 1;
        t->Pistolet = r.Int(pist);
        t->GsmName = gsmName;
        t->GsmPrice = r.Num(price);
      }
      if (smNum == SmenaFrom) {
        t->TrkBeg = r.Num(beg);
        t->BegElCounter = r.Num(elBeg);
        if (trk2Beg >= 0) t->Trk2Beg = r.Num(trk2Beg);
      }
      const auto d = density.find(ShiftTankKey(smNum, siloNum + 1));
      if (d != density.end()) {
        t->UdVes = d->second;
      } else {
        t->UdVes = 0;
        ReportsLogger().Log(
            Format("FillTrkList -> Не найден резервуар №%d. Вероятно, была нарушена целостность "
                   "данных для смены №%d. Информация в отчете может быть некорректной!"_w,
                   {siloNum, smNum}),
            4);
      }
      const double rowPrice = r.Num(price), sold = r.Num(smena);
      AddTo(t->TrkSmena, sold);
      AddTo(t->TrkSmenaK, Ext(sold) * t->UdVes);
      AddTo(t->TrkSmenaR, Ext(rowPrice) * sold);
      if (office) {
        AddTo(t->TrkSmena, r.Num(cor));
        AddTo(t->TrkSmenaK, Ext(r.Num(cor)) * t->UdVes);
        AddTo(t->TrkSmenaR, Ext(rowPrice) * r.Num(cor));
      }
      AddTo(t->TrkSmenaM, r.Num(smenaM));
      AddTo(t->ElCounter, r.Num(el));
      if (pereliv >= 0) AddTo(t->Pereliv, r.Num(pereliv));
      const Ext mech = Ext(r.Num(end)) - r.Num(beg);
      const double e = static_cast<double>(r.Num(el) - mech);
      const double p = static_cast<double>(Ext(e) + r.Num(pereliv));
      t->Bal = static_cast<double>((Ext(r.Num(elEnd)) - r.Num(elBeg)) - mech + r.Num(pereliv));
      t->BalSum = static_cast<double>(Ext(rowPrice) * t->Bal);
      if (e > 0) {
        AddTo(t->BalEp, e);
        AddTo(t->BalEpSum, Ext(rowPrice) * e);
      }
      if (p > 0) {
        AddTo(t->BalEl, p);
        AddTo(t->BalElSum, Ext(rowPrice) * p);
      }
      if (smNum == SmenaTo) {
        t->SiloNum = siloNum + 1;
        t->GsmPrice = rowPrice;
        t->TrkEnd = r.Num(end);
        t->EndElCounter = r.Num(elEnd);
        // The second counter's end belongs to the last shift, as the first's.
        if (trk2End >= 0) t->Trk2End = r.Num(trk2End);
      }
    }
  } catch (const std::exception& e) {
    MakeContextException(e, "ЗаполнитьСписокТРК"_w)->Raise();
  }
}

}  // namespace tv
