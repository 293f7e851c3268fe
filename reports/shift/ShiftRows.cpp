#include "reports/shift/ShiftRows.h"

#include "foundation/ReportSettings.h"
#include "foundation/ReportUtils.h"
#include "platform/SysUtils.h"

namespace tv {

TVOIndex::TVOIndex(TRxMemoryData& siloVO) {
  TRowReader r(siloVO);
  const int sm = r.Field("SMNUM"), silo = r.Field("SILONUM"), vo = r.Field("VIDOPL"),
            ct = r.Field("CHECKTYPE"), litre = r.Field("LITRE"), kg = r.Field("KG"),
            summa = r.Field("SUMMA");
  const int revLitre = r.Optional("REVLITRE");
  HasRev = revLitre >= 0;
  const int revKg = HasRev ? r.Field("REVKG") : -1;
  const int revSumma = HasRev ? r.Field("REVSUMMA") : -1;
  for (siloVO.First(); !siloVO.Eof(); siloVO.Next()) {
    TVORow row{r.Int(vo),    r.Int(ct),  r.Num(litre), r.Num(kg), r.Money(summa),
               r.Num(revLitre), r.Num(revKg), r.Money(revSumma)};
    Add(r.Int(sm), r.Int(silo), row);
  }
}

namespace {

void AddSale(TSaleItem& item, double litre, double kg, Currency summa, double price) {
  AddTo(item.Litre, litre);
  AddTo(item.Kg, kg);
  if (RepSmType == 0)
    item.Summa += summa;
  else if (RepSmType == 1)
    item.Summa += Currency(static_cast<long double>(litre) * price);
  item.SummaPrice += Currency(static_cast<long double>(litre) * price);
}

}  // namespace

void AddSiloSales(const TVOIndex& vo, const TSiloRowSales& s, bool office, TSaleItems& items,
                  std::unordered_set<int>& revShifts) {
  for (const TVORow& row : vo.Rows(s.SmNum, s.SiloNum)) {
    const std::string key = IntToStr(row.VidOpl) + "-" + IntToStr(row.CheckType);
    TSaleItem& item = items.Get(key, row.VidOpl, row.CheckType);
    AddSale(item, row.Litre, row.Kg, row.Summa, s.Price);
    if (office && vo.HasRev && (row.RevLitre > 0 || row.RevSumma > Currency())) {
      AddSale(item, row.RevLitre, row.RevKg, row.RevSumma, s.Price);
      revShifts.insert(s.SmNum);
    }
  }
  if (office && s.RsxRev > 0 && revShifts.count(s.SmNum) == 0) {
    TSaleItem& item = items.Get("0-0", 0, 0);
    AddTo(item.Litre, s.RsxRev);
    item.Summa += s.RsxRevR;
    item.SummaPrice += Currency(static_cast<long double>(s.RsxRev) * s.Price);
    // The mass of the correction volume alone: the row's earlier litres
    // have their mass already.
    AddTo(item.Kg, static_cast<long double>(s.RsxRev) * s.UdVes);
    item.VidOpl = 0;
  }
}

}  // namespace tv
