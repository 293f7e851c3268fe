#include "reports/operational/returns/AktVozvrLookups.h"

#include <algorithm>
#include <array>
#include <memory>
#include <set>

#include "foundation/FBUtils.h"
#include "library/HostCallbacks.h"
#include "platform/ib/IBDataSet.h"

namespace tv {

namespace {

// The old act's kinds for a host without a kinds array, by index 0 to 14.
constexpr std::array<int, 15> DefaultKinds = {0, 2, 2, 2, 2, 6, 0, 5, 2, 2, 0, 6, 2, 6, 2};

}  // namespace

TVidOplKinds TVidOplKinds::Ask() {
  TVidOplKinds kinds;
  const Variant answer = AskHost(hcVidOplKinds);
  if (answer.IsArray() && answer.DimCount() == 1) {
    kinds.fromHost_ = true;
    // Indexes count from the array's low bound, as the host sends them.
    const int low = answer.LowBound(1);
    const int high = answer.HighBound(1);
    for (int i = 0; i <= high; ++i) kinds.kinds_.push_back(i < low ? CashlessKind : answer[i].AsInteger());
  } else {
    kinds.kinds_.assign(DefaultKinds.begin(), DefaultKinds.end());
  }
  return kinds;
}

int TVidOplKinds::Kind(int index) const {
  if (index < 0 || index >= static_cast<int>(kinds_.size())) return CashlessKind;
  return kinds_[index];
}

void TSmenaIndex::Load(TIBDatabase* database) {
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(database, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText("SELECT SmNum, BegTime, EndTime\r\nFROM SmLog");
  ds->Open();
  std::vector<TShift> shifts;
  TIBField& num = ds->FieldByName("SmNum");
  TIBField& beg = ds->FieldByName("BegTime");
  TIBField& end = ds->FieldByName("EndTime");
  for (; !ds->Eof(); ds->Next()) {
    if (num.IsNull() || beg.IsNull() || end.IsNull()) continue;
    shifts.push_back({num.AsInteger(), beg.AsDateTime(), end.AsDateTime()});
  }
  ds->Close();
  Build(shifts);
}

void TSmenaIndex::Build(const std::vector<TShift>& shifts) {
  points_.clear();
  owner_.clear();
  smNums_.clear();
  for (const TShift& s : shifts) {
    smNums_.push_back(s.SmNum);
    if (s.BegTime > s.EndTime) continue;
    points_.push_back(s.BegTime);
    points_.push_back(s.EndTime);
  }
  std::sort(points_.begin(), points_.end());
  points_.erase(std::unique(points_.begin(), points_.end()), points_.end());
  // Sweep the bounds in order with the shifts open at each, by read order.
  std::vector<std::vector<int>> begins(points_.size()), ends(points_.size());
  const auto at = [this](TDateTime t) {
    return std::lower_bound(points_.begin(), points_.end(), t) - points_.begin();
  };
  for (std::size_t k = 0; k < shifts.size(); ++k) {
    if (shifts[k].BegTime > shifts[k].EndTime) continue;
    begins[at(shifts[k].BegTime)].push_back(static_cast<int>(k));
    ends[at(shifts[k].EndTime)].push_back(static_cast<int>(k));
  }
  std::set<int> open;
  owner_.assign(points_.size() * 2, -1);
  for (std::size_t i = 0; i < points_.size(); ++i) {
    open.insert(begins[i].begin(), begins[i].end());
    owner_[2 * i] = open.empty() ? -1 : *open.begin();
    for (int k : ends[i]) open.erase(k);
    owner_[2 * i + 1] = open.empty() ? -1 : *open.begin();
  }
}

bool TSmenaIndex::Find(TDateTime moment, int& smNum) const {
  const auto it = std::upper_bound(points_.begin(), points_.end(), moment);
  if (it == points_.begin()) return false;
  const std::size_t i = static_cast<std::size_t>(it - points_.begin()) - 1;
  const int k = owner_[2 * i + (points_[i] == moment ? 0 : 1)];
  if (k < 0) return false;
  smNum = smNums_[k];
  return true;
}

}  // namespace tv
