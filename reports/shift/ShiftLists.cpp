// The working lists of the close-of-shift report: fuels (GsmList and its
// split by payment type GsmList2), tanks (SiloList) and dispenser nozzles
// (TrkList), built from the memory copies of SmSilo, SiloVO and SmTrk.
//
// The rows are indexed once (payment rows by shift and tank, densities by
// shift and tank, list entries by key), keeping row order, so that a
// range of many shifts is read in one pass instead of one walk of SiloVO
// per tank row.
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/FuelPhysics.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "reports/shift/CloseSmenaRep.h"
#include "reports/shift/ShiftRows.h"

namespace tv {

void TCloseSmenaRep::FillGsmList() {
  try {
    const bool office = OfficeReportsType();
    GsmList = std::make_unique<TStringList>();
    TVOIndex vo(*SiloVO);
    TRowReader r(*SmSilo);
    const TSiloSalesFields f(r);
    const int name = r.Field("GSMNAME");
    std::unordered_map<std::string, TGSMInfo_2*> index;
    std::unordered_map<TGSMInfo_2*, std::unique_ptr<TSaleItems>> items;
    std::unordered_set<int> revShifts;
    for (SmSilo->First(); !SmSilo->Eof(); SmSilo->Next()) {
      const TSiloRowSales s = f.Read(r, office);
      std::string key = r.Text(name);
      if (FinPrcDelim) key += "=" + Format("%.2f", {s.Price});
      TGSMInfo_2*& gsm = index[key];
      if (gsm == nullptr) {
        gsm = new TGSMInfo_2;
        gsm->Price = s.Price;
        GsmList->AddObject(key, gsm);
        items[gsm] = std::make_unique<TSaleItems>(gsm->Items);
      }
      AddSiloSales(vo, s, office, *items[gsm], revShifts);
    }
    GsmList->Sort();
  } catch (const std::exception& e) {
    MakeContextException(e, "ФормирСпискаГСМ"_w)->Raise();
  }
}

void TCloseSmenaRep::FillGsmList2(unsigned kinds) {
  if (!GsmList) return;
  try {
    GsmList2 = std::make_unique<TStringList>();
    for (int i = 0; i < GsmList->Count(); ++i) {
      const auto* gsm = static_cast<const TGSMInfo_2*>(GsmList->Objects(i));
      auto* split = new TGSMInfo_2;
      split->Price = gsm->Price;
      GsmList2->AddObject((*GsmList)[i], split);
      TSaleItems items(split->Items);
      for (int k = 0; k < gsm->Items.Count(); ++k) {
        const auto* row = static_cast<const TSaleItem*>(gsm->Items.Objects(k));
        TSaleItem& item = items.Get(IntToStr(row->VidOpl), row->VidOpl, 6);
        if (row->CheckType < 32 && (kinds & (1u << row->CheckType)) != 0) {
          AddTo(item.Litre, row->Litre);
          AddTo(item.Kg, row->Kg);
          item.Summa += row->Summa;
          item.CheckType = row->CheckType;
        }
      }
    }
    GsmList2->Sort();
  } catch (const std::exception& e) {
    MakeContextException(e, "ФормирСпискаГСМ2"_w)->Raise();
  }
}

}  // namespace tv
