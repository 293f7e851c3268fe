#pragma once
// Row readers and indexes shared by the working-list builders of the
// close-of-shift report (ShiftLists.cpp, SiloTrkLists.cpp).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/ReportConsts.h"
#include "platform/data/Currency.h"
#include "platform/data/MemoryData.h"
#include "platform/text/StringList.h"

namespace tv {

inline int64_t ShiftTankKey(int smNum, int siloNum) {
  return (static_cast<int64_t>(smNum) << 32) ^ static_cast<uint32_t>(siloNum);
}

// Reads the current row of a memory data set by field indices looked up
// once; an absent optional field reads as 0.
class TRowReader {
 public:
  explicit TRowReader(TRxMemoryData& data) : data_(data) {}
  int Field(std::string_view name) const { return data_.FieldByName(name).Index(); }
  int Optional(std::string_view name) const { return data_.FindField(name); }
  double Num(int field) const { return field < 0 ? 0 : data_.Fields(field).AsFloat(); }
  int Int(int field) const { return field < 0 ? 0 : data_.Fields(field).AsInteger(); }
  Currency Money(int field) const {
    return field < 0 ? Currency() : data_.Fields(field).AsCurrency();
  }
  std::string Text(int field) const { return data_.Fields(field).AsString(); }

 private:
  TRxMemoryData& data_;
};

// One SiloVO row.
struct TVORow {
  int VidOpl = 0;
  int CheckType = 0;
  double Litre = 0, Kg = 0;
  Currency Summa;
  double RevLitre = 0, RevKg = 0;
  Currency RevSumma;
};

// SiloVO rows by shift and tank, in row order.
class TVOIndex {
 public:
  // Reads every row of `siloVO` (REV columns when REVLITRE exists).
  explicit TVOIndex(TRxMemoryData& siloVO);
  void Add(int smNum, int siloNum, const TVORow& row) {
    rows_[ShiftTankKey(smNum, siloNum)].push_back(row);
  }
  const std::vector<TVORow>& Rows(int smNum, int siloNum) const {
    static const std::vector<TVORow> none;
    const auto it = rows_.find(ShiftTankKey(smNum, siloNum));
    return it == rows_.end() ? none : it->second;
  }
  bool HasRev = false;

 private:
  std::unordered_map<int64_t, std::vector<TVORow>> rows_;
};

// A string list of TSaleItem with its keys indexed.
class TSaleItems {
 public:
  explicit TSaleItems(TStringList& list) : list_(list) {
    for (int i = 0; i < list.Count(); ++i) index_.emplace(list[i], i);
  }
  TSaleItem& Get(const std::string& key, int vidOpl, int checkType) {
    const auto it = index_.find(key);
    if (it != index_.end()) return *static_cast<TSaleItem*>(list_.Objects(it->second));
    auto* item = new TSaleItem;
    item->VidOpl = vidOpl;
    item->CheckType = static_cast<uint8_t>(checkType);
    index_.emplace(key, list_.AddObject(key, item));
    return *item;
  }

 private:
  TStringList& list_;
  std::unordered_map<std::string, int> index_;
};

// What one SmSilo row brings to the sales rows.
struct TSiloRowSales {
  int SmNum = 0, SiloNum = 0;
  double Price = 0, RsxRev = 0, UdVes = 0;
  Currency RsxRevR;
};

// The sales rows of one SmSilo row into `items` (payment type + "-" +
// check type): litres, kilograms and money by RepSmType; in office mode the
// correction columns and the "0-0" correction row. `revShifts` collects the
// shifts with correction rows over one list's build.
void AddSiloSales(const TVOIndex& vo, const TSiloRowSales& s, bool office, TSaleItems& items,
                  std::unordered_set<int>& revShifts);

// The SmSilo columns that the sales rows read.
struct TSiloSalesFields {
  explicit TSiloSalesFields(const TRowReader& r)
      : SmNum(r.Field("SMNUM")),
        SiloNum(r.Field("SILONUM")),
        Price(r.Field("GSMPRICE")),
        UdVes(r.Field("UDVES")),
        RsxRev(r.Optional("SILORSXREV")),
        RsxRevR(r.Optional("SILORSXREVR")) {}
  TSiloRowSales Read(const TRowReader& r, bool office) const {
    TSiloRowSales s{r.Int(SmNum), r.Int(SiloNum), r.Num(Price), 0, r.Num(UdVes), Currency()};
    // The correction columns are read in office mode only, as an older
    // schema lacks them.
    if (office) {
      s.RsxRev = r.Num(RsxRev);
      s.RsxRevR = r.Money(RsxRevR);
    }
    return s;
  }
  int SmNum, SiloNum, Price, UdVes, RsxRev, RsxRevR;
};

}  // namespace tv
