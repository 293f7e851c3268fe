#pragma once
// The working data of one run of the financial section (FinSection.cpp,
// FinGoods.cpp): the two engines, the formats, the payment types' totals,
// the column sums and the section totals, and the writers of its variables.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/data/Currency.h"
#include "reports/shift/KKMBalance.h"

namespace tv {

class TRepGen;
class THTML_Jet;
class TCloseSmenaRep;

// One payment type's totals over fuels and goods.
struct TVOSums {
  Currency Litre, Kg, Summa;        // fuel
  Currency TovKolvo, TovSumma;      // goods
};

// The payment types' totals keyed by the code's text, in the order first met.
class TVOSumsList {
 public:
  TVOSums& Get(const std::string& code);
  std::vector<std::pair<std::string, TVOSums>> Items;

 private:
  std::unordered_map<std::string, std::size_t> index_;
};

// One sale group's values: litres, kilograms, money, money at list price;
// Doubles, summed in extended (AddTo).
struct TFinGroup {
  double L = 0, K = 0, S = 0, Sc = 0;
};

struct TFinRun {
  TFinRun(TRepGen& rep, THTML_Jet& jet);
  static long double RdL(long double x);  // to DecL decimals
  static long double RdK(long double x);  // to DecKg decimals

  // A value into both versions: litres (rounded, text "%9.<DecL>n", cell
  // FmtL), kilograms likewise, money (text "%10.2n", cell money format).
  void Litres(const std::string& name, long double value);
  void Kg(const std::string& name, long double value);
  void Money(const std::string& name, long double value);
  // The cells prefix + "L", "K", "S", "Sc", "Sd" of a group.
  void Group(const std::string& prefix, const TFinGroup& g);
  // The cells "L", "K", "S", "Sc", "Sd" + code of one payment type.
  void PayType(const std::string& code, const TFinGroup& g);

  TRepGen& Rep;
  THTML_Jet& Jet;
  const std::string FmtL, FmtK;    // HTML cells
  const std::string TextL, TextK;  // text variables
  int SummaVO = -1;
  TVOSumsList VOSums;
  std::vector<long double> ColumnMoney, ColumnLitres;  // per code of VidOplList
  TFinTotals Totals;
  double NalLitres = 0, BNalLitres = 0, SalesLitres = 0, SalesMoney = 0;
};

// Section steps: fuel rows, goods rows and VAT cells, section and payment
// types' totals.
void PutFuelRows(TCloseSmenaRep& report, TFinRun& run);
void PutGoodsRows(TCloseSmenaRep& report, TFinRun& run);
void PutFinTotals(const TCloseSmenaRep& report, TFinRun& run);

}  // namespace tv
