#include "reports/shift/BonusReportBody.h"

#include <cstdint>
#include <unordered_map>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/ReportUtils.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "platform/SysUtils.h"

namespace tv {

namespace {

// Litres and money of a fuel, a sub-type or a payment type. Money is the sum
// of the rows' own money (what was taken, or paid litres at the row's own
// price), so that every total adds up to the lines above it.
struct TBonusSums {
  long double All = 0, Bonus = 0, Money = 0, BMoney = 0;
  double LastPrice = 0;
  int Rows = 0;
  void Add(const TBonusSums& o) {
    All += o.All;
    Bonus += o.Bonus;
    Money += o.Money;
    BMoney += o.BMoney;
    Rows += o.Rows;
  }
};

long double RowMoney(const TBonusRow& r) {
  if (r.Summa != 0) return r.Summa;
  return (static_cast<long double>(r.ProdanoL) - r.BonusL) * r.Price;
}

std::string NoBrText(const std::string& s) { return "<nobr>" + s + "</nobr>"; }

class TBonusBodyWriter {
 public:
  explicit TBonusBodyWriter(const TBonusBody& body) : b_(body) {}
  void Run();

 private:
  void IndexRows();
  int ListIndex(const TStringList& list, std::unordered_map<std::string, int>& cache,
                const std::string& text) const;
  const std::vector<int>* Bucket(int g, int s, int f) const;
  void WriteGroup(int g);
  void WriteRow(const TBonusRow& r, TBonusSums& fuel);
  void WriteFuelTotals(const TBonusSums& fuel);
  void WriteSubTotals(const std::string& sub, const TBonusSums& sums);
  void WriteTypeTotals(const std::string& name, const TBonusSums& sums);
  void WriteReportTotals();

  const TBonusBody& b_;
  std::unordered_map<uint64_t, std::vector<int>> buckets_;
  std::vector<int> lastSub_;  // per group: the last sub-type with rows, -1
  TBonusSums report_;
};

void TBonusBodyWriter::Run() {
  IndexRows();
  for (int g = 0; g < b_.Groups.Count(); ++g) WriteGroup(g);
  if (report_.Rows > 0) WriteReportTotals();
}

int TBonusBodyWriter::ListIndex(const TStringList& list,
                                std::unordered_map<std::string, int>& cache,
                                const std::string& text) const {
  const auto found = cache.find(text);
  if (found != cache.end()) return found->second;
  int index = -1;
  if (!list.Find(Trim(text), index)) index = -1;
  cache.emplace(text, index);
  return index;
}

// The rows of each (payment type, sub-type, fuel) in their order, made once,
// so that the groups are written without walking all rows again for each.
void TBonusBodyWriter::IndexRows() {
  std::unordered_map<std::string, int> groups, subs, fuels;
  for (int g = 0; g < b_.Groups.Count(); ++g) groups.emplace(b_.Groups.Names(g), g);
  lastSub_.assign(static_cast<std::size_t>(b_.Groups.Count()), -1);
  for (int i = 0; i < static_cast<int>(b_.Rows.size()); ++i) {
    const TBonusRow& r = b_.Rows[static_cast<std::size_t>(i)];
    if (!(r.ProdanoL > 0.009)) continue;
    const auto group = groups.find(r.Code);
    if (group == groups.end()) continue;
    const int s = ListIndex(b_.Subs, subs, r.SubVidOpl);
    const int f = ListIndex(b_.Fuels, fuels, r.GSM);
    if (s < 0 || f < 0) continue;
    const int g = group->second;
    buckets_[(static_cast<uint64_t>(g) * b_.Subs.Count() + s) * b_.Fuels.Count() + f].push_back(i);
    int& last = lastSub_[static_cast<std::size_t>(g)];
    if (s > last) last = s;
  }
}

const std::vector<int>* TBonusBodyWriter::Bucket(int g, int s, int f) const {
  const auto it =
      buckets_.find((static_cast<uint64_t>(g) * b_.Subs.Count() + s) * b_.Fuels.Count() + f);
  return it == buckets_.end() ? nullptr : &it->second;
}

void TBonusBodyWriter::WriteGroup(int g) {
  const std::string name = b_.Groups.ValueFromIndex(g);
  const int lastSub = lastSub_[static_cast<std::size_t>(g)];
  TBonusSums type;
  for (int s = 0; s < b_.Subs.Count(); ++s) {
    const std::string& sub = b_.Subs[s];
    b_.Form.SetVar("Opl", name);
    b_.Form.SetVar("SubOpl", sub);
    TBonusSums subSums;
    for (int f = 0; f < b_.Fuels.Count(); ++f) {
      const std::vector<int>* rows = Bucket(g, s, f);
      if (rows == nullptr) continue;
      TBonusSums fuel;
      for (int i : *rows) WriteRow(b_.Rows[static_cast<std::size_t>(i)], fuel);
      WriteFuelTotals(fuel);
      subSums.Add(fuel);
    }
    type.Add(subSums);
    WriteSubTotals(sub, subSums);
    if (s == lastSub && subSums.Rows > 0) WriteTypeTotals(name, type);
    if (subSums.Rows > 0 || b_.NullStr) b_.Form.EndGroup();
    if (s == b_.Subs.Count() - 1 && type.Rows == 0 && b_.NullStr)
      WriteTypeTotals(name, TBonusSums());
  }
}

void TBonusBodyWriter::WriteRow(const TBonusRow& r, TBonusSums& fuel) {
  const long double paid = static_cast<long double>(r.ProdanoL) - r.BonusL;
  const long double money = RowMoney(r);
  const double shown = r.Summa != 0 ? r.Summa : static_cast<double>(RoundTo(2, paid * r.Price));
  const double priceB = static_cast<double>(RoundTo(2, paid * r.Price / r.ProdanoL));
  const double prodano = static_cast<double>(RoundTo(2, paid));
  const double bmoney = static_cast<double>(RoundTo(2, static_cast<long double>(r.Price) * r.BonusL));
  TRepGen& form = b_.Form;
  form.SetVar("GSM", r.GSM);
  form.SetVar("por", Format("%6.2f", {r.Porog}));
  form.SetVar("prc", r.NameBonus);
  form.SetVar("Price", Format("%7.2n", {r.Price}));
  form.SetVar("PriceB", Format("%8.2n", {priceB}));
  form.SetVar("Prodano", Format("%10.2f", {prodano}));
  form.SetVar("BonusL", Format("%9.2f", {r.BonusL}));
  form.SetVar("AllL", Format("%10.2f", {r.ProdanoL}));
  form.SetVar("Money", Format("%10.2n", {shown}));
  form.SetVar("BMoney", Format("%9.2n", {bmoney}));
  THTML_Jet& jet = b_.Jet;
  jet.Add("GSM", NoBrText(r.GSM));
  jet.AddFloat("Por", "%.2n", r.Porog);
  jet.Add("Prc", NoBrText(r.NameBonus));
  jet.AddFloatDefault("Price", r.Price);
  jet.AddFloatDefault("PriceB", priceB);
  jet.AddFloat("Prodano", "%.2n", prodano);
  jet.AddFloat("BonusL", "%.2n", r.BonusL);
  jet.AddFloat("AllL", "%.2n", r.ProdanoL);
  jet.AddFloatDefault("Money", shown);
  jet.AddFloatDefault("BMoney", bmoney);
  form.PrintRepeat();
  jet.EndLine();
  fuel.All += r.ProdanoL;
  fuel.Bonus += r.BonusL;
  fuel.Money += money;
  fuel.BMoney += static_cast<long double>(r.Price) * r.BonusL;
  fuel.LastPrice = r.Price;
  ++fuel.Rows;
  report_.All += r.ProdanoL;
  report_.Bonus += r.BonusL;
  report_.Money += money;
  report_.BMoney += static_cast<long double>(r.Price) * r.BonusL;
  ++report_.Rows;
}

// BonusRepWriteFuelTotals. "Price" is the fuel's last price, a label; the
// money is its rows' money and "PriceB" that money per litre.
void TBonusBodyWriter::WriteFuelTotals(const TBonusSums& fuel) {
  const double paid = static_cast<double>(RoundTo(2, fuel.All - fuel.Bonus));
  const double priceB = fuel.All == 0 ? 0 : static_cast<double>(RoundTo(2, fuel.Money / fuel.All));
  const double money = static_cast<double>(fuel.Money);
  const double bmoney = static_cast<double>(RoundTo(2, fuel.BMoney));
  const double all = static_cast<double>(fuel.All);
  const double bonus = static_cast<double>(fuel.Bonus);
  TRepGen& form = b_.Form;
  form.ClearVars();
  form.SetVar("GSM", "Итого:"_w);
  form.SetVar("Price", Format("%7.2n", {fuel.LastPrice}));
  form.SetVar("PriceB", Format("%8.2n", {priceB}));
  form.SetVar("Prodano", Format("%10.2f", {paid}));
  form.SetVar("BonusL", Format("%9.2f", {bonus}));
  form.SetVar("AllL", Format("%10.2f", {all}));
  form.SetVar("Money", Format("%10.2n", {money}));
  form.SetVar("BMoney", Format("%9.2n", {bmoney}));
  form.PrintRepeat();
  form.ClearVars();
  if (!b_.ShowGSMItog) return;
  THTML_Jet& jet = b_.Jet;
  jet.Add("GSM", "Итог по ГСМ"_w);
  jet.AddFloatDefault("Price", fuel.LastPrice);
  jet.AddFloatDefault("PriceB", priceB);
  jet.AddFloat("Prodano", "%.2n", paid);
  jet.AddFloat("BonusL", "%.2n", bonus);
  jet.AddFloat("AllL", "%.2n", all);
  jet.AddFloatDefault("Money", money);
  jet.AddFloatDefault("BMoney", bmoney);
  jet.EndLine();
}

void TBonusBodyWriter::WriteSubTotals(const std::string& sub, const TBonusSums& sums) {
  const double paid = static_cast<double>(sums.All - sums.Bonus);
  const double bonus = static_cast<double>(sums.Bonus);
  const double all = static_cast<double>(sums.All);
  const double money = static_cast<double>(sums.Money);
  const double bmoney = static_cast<double>(sums.BMoney);
  TRepGen& form = b_.Form;
  form.SetVar("ProdAL2", Format("%10f", {paid}));
  form.SetVar("BonAL2", Format("%9f", {bonus}));
  form.SetVar("AllAL2", Format("%10f", {all}));
  form.SetVar("MoneyA2", Format("%10n", {money}));
  form.SetVar("BMonA2", Format("%9n", {bmoney}));
  if (sums.Rows == 0) return;
  THTML_Jet& jet = b_.Jet;
  jet.Add("SubOpl", sub);
  if (b_.ShowSubItog) {
    jet.Add("GSM", "<b>ИТОГО:</b>"_w);
    jet.AddFloat("Prodano", "%.2n", paid);
    jet.AddFloat("BonusL", "%.2n", bonus);
    jet.AddFloat("AllL", "%.2n", all);
    jet.AddFloatDefault("Money", money);
    jet.AddFloatDefault("BMoney", bmoney);
    jet.EndLine();
  }
  jet.EndIGroup();
}

void TBonusBodyWriter::WriteTypeTotals(const std::string& name, const TBonusSums& sums) {
  const double paid = static_cast<double>(sums.All - sums.Bonus);
  const double bonus = static_cast<double>(sums.Bonus);
  const double all = static_cast<double>(sums.All);
  const double money = static_cast<double>(sums.Money);
  const double bmoney = static_cast<double>(sums.BMoney);
  if (sums.Rows > 0) {
    TRepGen& form = b_.Form;
    form.SetVar("Opl2", "Итого:"_w);
    form.SetVar("ProdAL", Format("%10f", {paid}));
    form.SetVar("BonusAL", Format("%9f", {bonus}));
    form.SetVar("AllAL", Format("%10f", {all}));
    form.SetVar("MoneyA", Format("%10n", {money}));
    form.SetVar("BMoneyA", Format("%9n", {bmoney}));
  }
  THTML_Jet& jet = b_.Jet;
  jet.Add("VidOpl", name);
  jet.AddOutItogFloat("ProdAL", "%.2n", paid);
  jet.AddOutItogFloat("BonusAL", "%.2n", bonus);
  jet.AddOutItogFloat("AllAL", "%.2n", all);
  jet.AddOutItogFloat("MoneyA", "%.2n", money);
  jet.AddOutItogFloat("BMoneyA", "%.2n", bmoney);
  jet.EndOGroup();
}

void TBonusBodyWriter::WriteReportTotals() {
  const double money = static_cast<double>(report_.Money);
  const double bmoney = static_cast<double>(report_.BMoney);
  const double paid = static_cast<double>(report_.All - report_.Bonus);
  const double bonus = static_cast<double>(report_.Bonus);
  const double all = static_cast<double>(report_.All);
  TRepGen& form = b_.Form;
  form.SetVar("Summa", Format("%10n", {money}));
  form.SetVar("BSumma", Format("%9n", {bmoney}));
  form.SetVar("Litre", Format("%10n", {paid}));
  form.SetVar("BLitre", Format("%9n", {bonus}));
  form.SetVar("ALitre", Format("%10n", {all}));
  THTML_Jet& jet = b_.Jet;
  jet.AddFloatDefault("Summa", money);
  jet.AddFloatDefault("BSumma", bmoney);
  jet.AddFloat("Litre", "%.2n", paid);
  jet.AddFloat("BLitre", "%.2n", bonus);
  jet.AddFloat("ALitre", "%.2n", all);
}

}  // namespace

void BonusRepWriteBody(const TBonusBody& body) { TBonusBodyWriter(body).Run(); }

}  // namespace tv
