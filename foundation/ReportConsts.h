#pragma once
// Shared constants of the report library and the plain records in which the
// close-of-shift report keeps its working data. Records carry no behaviour;
// every field starts at zero and the owner of the list holding a record
// frees it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/data/Currency.h"
#include "platform/text/StringList.h"

namespace tv {

// The station database when nothing else is configured.
inline constexpr std::string_view DefaultDBPath = "C:\\FUEL\\DB\\velmar.fdb";

// Section kinds of the close-of-shift report, 0 .. 17.
inline constexpr int SectionKindCount = 18;
// Name of section kind `kind` (Windows-1251); empty outside 0 .. 17.
const std::string& SectionName(int kind);

// A text cut to at most N bytes, as the records' short strings hold it.
template <std::size_t N>
class ShortString {
 public:
  ShortString() = default;
  ShortString(std::string_view s) : text_(s.substr(0, N)) {}  // NOLINT: assignment from text is the use
  ShortString& operator=(std::string_view s) {
    text_.assign(s.substr(0, N));
    return *this;
  }
  const std::string& str() const { return text_; }
  operator const std::string&() const { return text_; }  // NOLINT
  static constexpr std::size_t MaxLength = N;

 private:
  std::string text_;
};

// One sales row (of a fuel or of a tank).
struct TSaleItem {
  double Litre = 0;
  double Kg = 0;
  Currency Summa;
  Currency SummaPrice;
  int32_t VidOpl = 0;
  uint8_t CheckType = 0;  // 0 cash sale; 1 to 5 cashless
};

// One fuel: its price and its sales rows. The TSaleItem objects of Items are
// owned by the record's owner, which frees them through FreeItems.
struct TGSMInfo_2 {
  double Price = 0;
  TStringList Items;
  void FreeItems();
};

// One dispenser nozzle.
struct TTRKInfo {
  int32_t TrkIndex = 0;
  int32_t SiloNum = 0;  // the stored column value plus 1
  int32_t Pistolet = 0;
  ShortString<20> GsmName;
  double GsmPrice = 0, UdVes = 0;
  double TrkBeg = 0, TrkEnd = 0, Trk2Beg = 0, Trk2End = 0;
  double BegElCounter = 0, EndElCounter = 0;
  double TrkSmena = 0, TrkSmenaK = 0, TrkSmenaR = 0, TrkSmenaM = 0;
  double ElCounter = 0;
  double BalElSum = 0, BalEl = 0, BalEpSum = 0, BalEp = 0, BalSum = 0, Bal = 0;
  double Pereliv = 0;
};

// One tank. VORows holds the tank's TSaleItem rows by payment type and
// check type; the record frees them.
struct TSiloInfo {
  TSiloInfo() = default;
  ~TSiloInfo();
  TSiloInfo(const TSiloInfo&) = delete;
  TSiloInfo& operator=(const TSiloInfo&) = delete;

  int32_t SiloNum = 0;  // the stored column value plus 1
  ShortString<15> SiloName;
  double MaxVolume = 0;
  ShortString<20> GsmName;
  double GsmPrice = 0;
  double SiloBegL = 0, SiloBegCalcL = 0, SiloBeg20L = 0, SiloBegCalc20L = 0;
  double SiloEndL = 0, SiloEndCalcL = 0, SiloEnd20L = 0, SiloEndCalc20L = 0;
  double SiloBegKg = 0, SiloBegCalcKg = 0, SiloBegCalcLKg = 0;
  double SiloEndKg = 0, SiloEndCalcKg = 0, SiloEndCalcLKg = 0;
  double SiloBeg = 0, SiloEnd = 0, SiloEndCalc = 0;
  bool BegBlocked = false, Blocked = false;
  Currency BegPressure, Pressure, BegWasser;
  double DiffL = 0, Diff20L = 0, DiffKg = 0;
  double SiloPrx = 0, SiloPrKg = 0, SiloPrx20 = 0;
  double PrxFact = 0, PrxFactKg = 0;
  double SiloRashL = 0, SiloRashKg = 0, SiloRash20L = 0;
  double SiloRashFact = 0, SiloRashFactKg = 0;
  double SiloDebit20 = 0;
  double SiloWasser = 0, SiloTemper = 0;
  double UdVes = 0, UdVesBeg = 0, UdVesEnd = 0;
  Currency WaitPrxL, WaitPrxKg, WaitRsxL, WaitRsxKg;
  TStringList VORows;
  // cash money, cash litres, cash kilograms, cashless money, cashless litres, cashless kilograms
  std::array<double, 6> SaleSums{};
};

}  // namespace tv
