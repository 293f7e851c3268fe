#include "reports/shift/BonusReportBody.h"

#include <array>
#include <cstdint>
#include <unordered_map>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "foundation/ReportUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/text/Format.h"
#include "platform/SysUtils.h"

namespace tv {

namespace {

// Litres and money of a fuel, a sub-type or a payment type, summed in
// extended precision. Money is the sum of the rows' own money (what was
// taken, or paid litres at the row's own price), so that every total adds
// up to the lines above it.
struct TBonusSums {
  long double All = 0, Bonus = 0, Money = 0, BMoney = 0;
  long double LastPrice = 0;
  bool LastTaken = false;  // the last row had money taken (Summa not 0)
  int Rows = 0;
  void Add(const TBonusSums& o) {
    All += o.All;
    Bonus += o.Bonus;
    Money += o.Money;
    BMoney += o.BMoney;
    Rows += o.Rows;
  }
};

// The report's own totals are doubles: each addition is made in extended
// precision and stored as a double.
struct TReportSums {
  double Money = 0, BMoney = 0, Paid = 0, Bonus = 0;
  int Rows = 0;
};

long double RowMoney(const TBonusRow& r) {
  if (r.Summa != 0) return r.Summa;
  return (static_cast<long double>(r.ProdanoL) - r.BonusL) * r.Price;
}

// The five figures of a totals line: paid, bonus and all litres, money and
// bonus money. The text form prints them as they were summed; the HTML
// engine takes doubles.
struct TTotals {
  long double V[5];
  explicit TTotals(const long double (&v)[5]) : V{v[0], v[1], v[2], v[3], v[4]} {}
  explicit TTotals(const TBonusSums& s) : V{s.All - s.Bonus, s.Bonus, s.All, s.Money, s.BMoney} {}
  void ToForm(TRepGen& form, const std::array<const char*, 5>& names,
              const std::array<const char*, 5>& formats) const {
    for (std::size_t i = 0; i < 5; ++i) form.SetVar(names[i], Format(formats[i], {V[i]}));
  }
  double Cell(std::size_t i) const { return static_cast<double>(V[i]); }
  // The cells of an HTML line of totals.
  void ToLine(THTML_Jet& jet) const {
    jet.AddFloat("Prodano", "%.2n", Cell(0));
    jet.AddFloat("BonusL", "%.2n", Cell(1));
    jet.AddFloat("AllL", "%.2n", Cell(2));
    jet.AddFloatDefault("Money", Cell(3));
    jet.AddFloatDefault("BMoney", Cell(4));
  }
};

// The priced figures of a row or of a fuel's totals.
struct TLine {
  long double Price, PriceB, Prodano, BonusL, AllL, Money, BMoney;
  void ToForm(TRepGen& form) const {
    form.SetVar("Price", Format("%7.2n", {Price}));
    form.SetVar("PriceB", Format("%8.2n", {PriceB}));
    form.SetVar("Prodano", Format("%10.2f", {Prodano}));
    form.SetVar("BonusL", Format("%9.2f", {BonusL}));
    form.SetVar("AllL", Format("%10.2f", {AllL}));
    form.SetVar("Money", Format("%10.2n", {Money}));
    form.SetVar("BMoney", Format("%9.2n", {BMoney}));
  }
  void ToLine(THTML_Jet& jet) const {
    jet.AddFloatDefault("Price", static_cast<double>(Price));
    jet.AddFloatDefault("PriceB", static_cast<double>(PriceB));
    TTotals{{Prodano, BonusL, AllL, Money, BMoney}}.ToLine(jet);
  }
};

constexpr std::array<const char*, 5> kTotalsFormats = {"%10f", "%9f", "%10f", "%10n", "%9n"};

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
  TReportSums report_;
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
  const TLine line{r.Price,
                   RoundTo(2, paid * r.Price / r.ProdanoL),
                   RoundTo(2, paid),
                   r.BonusL,
                   r.ProdanoL,
                   r.Summa != 0 ? r.Summa : RoundTo(2, paid * r.Price),
                   RoundTo(2, static_cast<long double>(r.Price) * r.BonusL)};
  b_.Form.SetVar("GSM", r.GSM);
  b_.Form.SetVar("por", Format("%6.2f", {r.Porog}));
  b_.Form.SetVar("prc", r.NameBonus);
  b_.Jet.Add("GSM", NoBrText(r.GSM));
  b_.Jet.AddFloat("Por", "%.2n", r.Porog);
  b_.Jet.Add("Prc", NoBrText(r.NameBonus));
  line.ToForm(b_.Form);
  line.ToLine(b_.Jet);
  b_.Form.PrintRepeat();
  b_.Jet.EndLine();
  const long double bMoney = static_cast<long double>(r.Price) * r.BonusL;
  fuel.All += r.ProdanoL;
  fuel.Bonus += r.BonusL;
  fuel.Money += money;
  fuel.BMoney += bMoney;
  ++fuel.Rows;
  fuel.LastPrice = r.Price;
  fuel.LastTaken = r.Summa != 0;
  report_.Money = static_cast<double>(report_.Money + money);
  report_.BMoney = static_cast<double>(report_.BMoney + bMoney);
  report_.Paid = static_cast<double>(report_.Paid + paid);
  report_.Bonus = static_cast<double>(report_.Bonus + static_cast<long double>(r.BonusL));
  ++report_.Rows;
}

// BonusRepWriteFuelTotals. "Price" is the fuel's last price, a label; the
// money is its rows' money and "PriceB" that money per litre. The money is
// rounded to the kopeck, as the rows' computed money is, unless the last row
// had money taken; the litres sold are all less bonus, unrounded.
void TBonusBodyWriter::WriteFuelTotals(const TBonusSums& fuel) {
  const TLine line{fuel.LastPrice,
                   fuel.All == 0 ? 0 : RoundTo(2, fuel.Money / fuel.All),
                   fuel.All - fuel.Bonus,
                   fuel.Bonus,
                   fuel.All,
                   fuel.LastTaken ? fuel.Money : RoundTo(2, fuel.Money),
                   RoundTo(2, fuel.BMoney)};
  TRepGen& form = b_.Form;
  form.ClearVars();
  form.SetVar("GSM", "Итого:"_w);
  line.ToForm(form);
  form.PrintRepeat();
  form.ClearVars();
  if (!b_.ShowGSMItog) return;
  b_.Jet.Add("GSM", "Итог по ГСМ"_w);
  line.ToLine(b_.Jet);
  b_.Jet.EndLine();
}

void TBonusBodyWriter::WriteSubTotals(const std::string& sub, const TBonusSums& sums) {
  const TTotals t(sums);
  t.ToForm(b_.Form, {"ProdAL2", "BonAL2", "AllAL2", "MoneyA2", "BMonA2"}, kTotalsFormats);
  if (sums.Rows == 0) return;
  THTML_Jet& jet = b_.Jet;
  jet.Add("SubOpl", sub);
  if (b_.ShowSubItog) {
    jet.Add("GSM", "<b>ИТОГО:</b>"_w);
    t.ToLine(jet);
    jet.EndLine();
  }
  jet.EndIGroup();
}

void TBonusBodyWriter::WriteTypeTotals(const std::string& name, const TBonusSums& sums) {
  const TTotals t(sums);
  if (sums.Rows > 0) {
    b_.Form.SetVar("Opl2", "Итого:"_w);
    t.ToForm(b_.Form, {"ProdAL", "BonusAL", "AllAL", "MoneyA", "BMoneyA"}, kTotalsFormats);
  }
  THTML_Jet& jet = b_.Jet;
  jet.Add("VidOpl", name);
  const char* const names[5] = {"ProdAL", "BonusAL", "AllAL", "MoneyA", "BMoneyA"};
  for (int i = 0; i < 5; ++i) jet.AddOutItogFloat(names[i], "%.2n", t.Cell(i));
  jet.EndOGroup();
}

// The report totals print the double sums; all litres are paid plus bonus
// litres, added in extended precision.
void TBonusBodyWriter::WriteReportTotals() {
  const TReportSums& s = report_;
  const TTotals t({s.Paid, s.Bonus, static_cast<long double>(s.Paid) + s.Bonus, s.Money, s.BMoney});
  t.ToForm(b_.Form, {"Litre", "BLitre", "ALitre", "Summa", "BSumma"},
           {"%10n", "%9n", "%10n", "%10n", "%9n"});
  THTML_Jet& jet = b_.Jet;
  jet.AddFloat("Litre", "%.2n", t.Cell(0));
  jet.AddFloat("BLitre", "%.2n", t.Cell(1));
  jet.AddFloat("ALitre", "%.2n", t.Cell(2));
  jet.AddFloatDefault("Summa", t.Cell(3));
  jet.AddFloatDefault("BSumma", t.Cell(4));
}

}  // namespace

void BonusRepWriteBody(const TBonusBody& body) { TBonusBodyWriter(body).Run(); }

}  // namespace tv
