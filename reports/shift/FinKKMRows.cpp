// The rows of the financial report by cash registers: per register the fuel
// rows of each register line, the goods rows of the departments and the
// register's totals, with the sums they add into.
#include <algorithm>
#include <climits>

#include "engines/HTMLJet.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "library/ReportCreator.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/shift/FinKKMRep.h"

namespace tv {

namespace {

// The check type of a fuel receipt comes from its shift's payment types.
constexpr int kShiftCheckType = INT_MIN;

double Value(Currency c) { return static_cast<double>(static_cast<long double>(c)); }

// The goods query: sales (document type 2) and returns (type 3, negative).
std::string GoodsQuery() {
  std::string half =
      "SELECT d.ClientNum, p.GSMVO, p.\"CHECK\" AS CheckType, #SIGN#Sum(gm.RPrice * gm.\"COUNT\") "
      "AS Summa, #SIGN#SUM(gm.\"COUNT\") AS KOLVO\r\n"
      "FROM Documents d\r\n"
      "LEFT JOIN SaleDoc sd ON sd.ID_Doc=d.ID_Doc\r\n"
      "LEFT JOIN GoodsMotion gm ON gm.ID_Doc = d.ID_Doc\r\n"
      "LEFT JOIN Payment p ON sd.Payment = p.ID\r\n"
      "WHERE d.Data BETWEEN :BegTime\r\n"
      "  AND :EndTime AND d.\"TYPE\" = #DOCTYPE# AND d.ClientNum = %0:d #KKM# \r\n"
      "GROUP BY d.ClientNum, p.\"CHECK\", p.GSMVO";
  const std::string sale = StringReplace(StringReplace(half, "#SIGN#", "", rfReplaceAll),
                                         "#DOCTYPE#", "2", rfReplaceAll);
  const std::string back = StringReplace(StringReplace(half, "#SIGN#", "-", rfReplaceAll),
                                         "#DOCTYPE#", "3", rfReplaceAll);
  return sale + "\r\nUNION ALL\r\n" + back;
}

}  // namespace

void TFinKKMRep::ProcessKKMData(int r) {
  try {
    TKKMTypeSums regTypes{};
    TKKMVOSumList regList;
    const TKKMTotals totals{{&regTypes, &grandTypes_}, {&regList, &grandList_}};
    AddFuelSection(r, 0, totals);
    if (HasKKM1) AddFuelSection(r, 1, totals);
    if (HasKKM2) AddFuelSection(r, 2, totals);
    if (variant_ >= 1) AddDepartment(r, totals);
    for (int n = 0; n < 7; ++n) {
      const TKKMVOSum& sum = regTypes[static_cast<std::size_t>(n)];
      jet_->AddInItogFloat("TypeL" + IntToStr(n), "%.2n", Value(sum.Liters));
      jet_->AddInItogFloat("Type" + IntToStr(n), HTMLJet::MoneyFormat, Value(sum.Money));
    }
    for (const auto& [key, sum] : regList.Items()) {
      jet_->AddInItogFloat("L" + key, "%.2n", Value(sum.Liters));
      jet_->AddInItogFloat("S" + key, HTMLJet::MoneyFormat, Value(sum.Money));
    }
    jet_->MakeItog2("%.2n");
    jet_->MakeItog(2);
    jet_->EndIGroup();
  } catch (const std::exception& e) {
    MakeContextException(e, "ОбработкаДанныхККМ"_w)->Raise();
  }
}

// One statement per register and line, prepared once and run for every
// shift with that shift's begin and end. Only a return (a negative amount)
// takes its litres back; a fill at no charge or without an amount still
// gave out its litres.
void TFinKKMRep::AddFuelSection(int r, int k, const TKKMTotals& totals) {
  std::string filter;
  if (HasKA && !OfficeMode) filter = " AND (COALESCE(b.KA, 0) = 0) ";
  // The third row takes every line other than 0 and 1, so that a receipt
  // on line 3 or beyond is counted there rather than nowhere.
  if (HasKKM1 || HasKKM2)
    filter += k < 2 ? Format(" AND (COALESCE(b.KKM, 0) = %d) ", {k})
                    : std::string(" AND (COALESCE(b.KKM, 0) NOT IN (0, 1)) ");
  TKKMTypeSums types{};
  TKKMVOSumList list;
  TKKMFuelList fuels;
  if (!shifts_.empty()) {
    std::unique_ptr<TIBDataSet> q(
        FBUtils::FBCreateDataSetForRead(Creator->Database, true, nullptr, nullptr, "FinGSM"));
    q->SelectSQL().SetText(Format(
        "SELECT b.Client, b.GSM, b.VidOpl, Sum(b.Summa) AS Summa, Sum(IIF(b.Summa < 0, -b.KOLVO, "
        "b.KOLVO)) AS Liter\r\nFROM BCheck b WHERE b.Data BETWEEN :BegTime AND :EndTime\r\n AND "
        "(b.Data > :AfterTime) AND "
        "(b.Client = %d) %s\r\nGROUP BY b.Client, b.GSM, b.VidOpl",
        {r, filter}));
    q->Prepare();
    for (const TShiftSpan& shift : shifts_) {
      currentShift_ = shift.SmNum;
      q->ParamByName("BegTime").SetAsDateTime(shift.Beg);
      q->ParamByName("EndTime").SetAsDateTime(shift.End);
      q->ParamByName("AfterTime").SetAsDateTime(shift.After);
      q->Open();
      TIBField& vo = q->FieldByName("VidOpl");
      TIBField& liter = q->FieldByName("Liter");
      TIBField& summa = q->FieldByName("Summa");
      TIBField& gsm = q->FieldByName("GSM");
      for (; !q->Eof(); q->Next()) {
        const std::string fuel = gsm.AsString();
        AddCheckSums(vo.AsInteger(), liter.AsCurrency(), summa.AsCurrency(), &fuel, kShiftCheckType,
                     types, list, totals, &fuels);
      }
      q->Close();
    }
  }
  WriteFuelRows(r, k, types, list, fuels);
}

void TFinKKMRep::WriteFuelRows(int r, int k, const TKKMTypeSums& types, const TKKMVOSumList& list,
                               const TKKMFuelList& fuels) {
  if (k == 0) jet_->AddInteger("KKM", r);
  std::string label = "ГСМ"_w;
  if (HasKKM1 || HasKKM2)
    label = k == 0 ? "ГСМ (1-я ККМ)"_w : k == 1 ? "ГСМ (2-я ККМ)"_w : "ГСМ (3-я ККМ)"_w;
  if (ShowNames) {
    for (const auto& [fuel, sums] : fuels.Items()) {
      jet_->Add("DepName", "<div align=right>" + fuel + "</div>");
      for (const auto& [key, sum] : sums.Items()) {
        const std::string code = key.substr(3);
        const bool vo = key.compare(0, 3, "VO_") == 0;
        jet_->AddFloat((vo ? "L" : "TypeL") + code, "%.2n", Value(sum.Liters));
        jet_->AddFloatDefault((vo ? "S" : "Type") + code, Value(sum.Money));
      }
      jet_->EndLine();
    }
    label = "<div align=right><b>Итого по "_w + label + ":</b></div>";
  }
  jet_->Add("DepName", label);
  WriteSums(types, list, true);
  jet_->EndLine();
}

void TFinKKMRep::AddCheckSums(int vidOpl, Currency liters, Currency money, const std::string* fuel,
                              int checkType, TKKMTypeSums& types, TKKMVOSumList& list,
                              const TKKMTotals& totals, TKKMFuelList* fuels) {
  const std::string key = IntToStr(vidOpl);
  AddVOSum(list, key, liters, money);
  for (TKKMVOSumList* total : totals.Lists) AddVOSum(*total, key, liters, money);
  TKKMVOSumList* fuelSums = nullptr;
  if (fuels != nullptr && fuel != nullptr) {
    fuelSums = &fuels->Fuel(*fuel);
    AddVOSum(*fuelSums, "VO_" + key, liters, money);
  }
  int c = checkType;
  if (checkType == kShiftCheckType) {
    const auto it = checkTypes_.find(ShiftVOKey(currentShift_, vidOpl));
    c = it == checkTypes_.end() ? -1 : it->second;
  }
  if (c < 0 || c > 6) return;  // no check type: counted by payment type only
  for (TKKMTypeSums* table : {&types, totals.Types[0], totals.Types[1]}) {
    TKKMVOSum& pair = (*table)[static_cast<std::size_t>(c)];
    pair.Liters += liters;
    pair.Money += money;
  }
  if (fuelSums != nullptr) AddVOSum(*fuelSums, "CH_" + IntToStr(c), liters, money);
}

void TFinKKMRep::AddVOSum(TKKMVOSumList& list, const std::string& key, Currency liters,
                          Currency money) {
  list.Add(key, liters, money);
}

// Goods rows. Variants 4 and 5 write a row per department and register
// number. Variants 1 to 3 write one row per register: their sums run over
// every register number of the departments, so that a department with
// several numbers for one register keeps them all.
void TFinKKMRep::AddDepartment(int r, const TKKMTotals& totals) {
  TKKMTypeSums depTypes{};
  TKKMVOSumList depList;
  std::string selected;
  for (const TDepartment& dep : departments_) {
    const std::vector<std::string> nums = CollectKKMNums(dep.Name, r);
    for (const std::string& n : nums) {
      if (variant_ >= 4) {
        depTypes = TKKMTypeSums{};
        depList.Clear();
      }
      AddGoodsSection(dep, r, n, depTypes, depList, totals);
      if (variant_ < 4) {
        if (!depList.Empty()) selected = dep.Name;
        continue;
      }
      if (depList.Empty()) continue;
      std::string name = variant_ == 4 ? "Отдел №"_w + IntToStr(dep.Position + 1) : dep.Name;
      if (nums.size() > 1) name += " (" + n + "-я ККМ)"_w;
      jet_->Add("DepName", name);
      WriteTypeSums(depTypes, depList);
      jet_->EndLine();
    }
  }
  if (variant_ >= 4 || depList.Empty()) return;
  jet_->Add("DepName", variant_ == 1 ? "Товары"_w : variant_ == 2 ? "Товарный отдел"_w : selected);
  WriteTypeSums(depTypes, depList);
  jet_->EndLine();
}

std::vector<std::string> TFinKKMRep::CollectKKMNums(const std::string& dep, int r) const {
  const auto it = depKeys_.find(dep + "#" + IntToStr(r));
  if (it == depKeys_.end()) return {};
  std::vector<std::string> nums = it->second;
  std::sort(nums.begin(), nums.end());  // as text: "10" before "2"
  return nums;
}

void TFinKKMRep::AddGoodsSection(const TDepartment& dep, int r, const std::string& kkmNum,
                                 TKKMTypeSums& types, TKKMVOSumList& list,
                                 const TKKMTotals& totals) {
  std::string sql = StringReplace(GoodsQuery(), "%0:d", IntToStr(r), rfReplaceAll);
  sql = StringReplace(
      sql, "#KKM#",
      dep.HasKKMNum ? " AND COALESCE(d.KKMNUM, 1) = " + IntToStr(StrToInt(kkmNum)) : " ",
      rfReplaceAll);
  std::unique_ptr<TIBDataSet> q(
      FBUtils::FBCreateDataSetForRead(dep.Db, true, nullptr, nullptr, "KKMTovar"));
  q->SelectSQL().SetText(sql);
  q->ParamByName("BegTime").SetAsDateTime(BegTime);
  q->ParamByName("EndTime").SetAsDateTime(EndTime);
  q->Open();
  TIBField& vo = q->FieldByName("GSMVO");
  TIBField& check = q->FieldByName("CheckType");
  TIBField& summa = q->FieldByName("Summa");
  for (; !q->Eof(); q->Next()) {
    const int ct = check.AsInteger();
    // "CHECK" 1 is cash, 2 to 5 the cashless kinds; anything else counts
    // as a switched-off register.
    const int c = ct == 1 ? 0 : ct >= 2 && ct <= 5 ? ct - 1 : 5;
    AddCheckSums(vo.AsInteger(), Currency(), summa.AsCurrency(), nullptr, c, types, list, totals,
                 nullptr);
  }
}

void TFinKKMRep::WriteTypeSums(const TKKMTypeSums& types, const TKKMVOSumList& list) {
  WriteSums(types, list, false);
}

void TFinKKMRep::WriteSums(const TKKMTypeSums& types, const TKKMVOSumList& list, bool litres) {
  for (int n = 0; n < 7; ++n) {
    const TKKMVOSum& sum = types[static_cast<std::size_t>(n)];
    if (litres) jet_->AddFloat("TypeL" + IntToStr(n), "%.2n", Value(sum.Liters));
    jet_->AddFloatDefault("Type" + IntToStr(n), Value(sum.Money));
  }
  for (const auto& [key, sum] : list.Items()) {
    if (litres) jet_->AddFloat("L" + key, "%.2n", Value(sum.Liters));
    jet_->AddFloatDefault("S" + key, Value(sum.Money));
  }
}

}  // namespace tv
