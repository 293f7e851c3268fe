#pragma once
// Goods sold through the station's cash registers, gathered from the goods
// departments' databases for the financial section: sums by cash-register
// section and payment type (name=value texts) and by VAT rate (C_Rec_Summa).

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/StringList.h"

namespace tv {

// The goods sums of one VAT key: purchase, retail and quantity.
struct C_Rec_Summa {
  double ZSumma = 0;
  double RSumma = 0;
  double Kolvo = 0;
};

// Collects goods rows into the section sums and the rate sums.
//
// Section sums are name=value lines whose values are decimal texts in the
// locale's format, each rewritten with old value + amount as rows arrive.
// The amounts are Currency (four decimals), so the rewritten text equals
// the text of the exact sum: the sums are kept as Currency by name, in the
// order the names were first met, and written out once by Flush. Rate sums
// are C_Rec_Summa objects of `rateSums` (owned by its owner), found through
// an index of their keys.
class TTovarSaleSums {
 public:
  // `sectionSums` is cleared by Flush and refilled; `rateSums` keeps its
  // entries and gains new keys at its end.
  TTovarSaleSums(TStringList& sectionSums, TStringList& rateSums);

  // One goods row. A return document (DocType 3) counts with the opposite
  // sign: its retail sum, its quantity and its purchase sum, so that a
  // returned item takes its cost back out of the goods sold.
  void AddTovarSaleRow(int kkmSection, int payment, int docType, int voType, Currency rSumma,
                       Currency kolvo, Currency nds, Currency zSumma);
  // The section sums into `sectionSums`.
  void Flush();

 private:
  void AddSection(const std::string& name, Currency amount);
  void AddRate(const std::string& key, Currency zSumma, Currency rSumma, Currency kolvo);

  TStringList& sectionSums_;
  TStringList& rateSums_;
  std::vector<std::pair<std::string, Currency>> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;
  std::unordered_map<std::string, C_Rec_Summa*> rateIndex_;
};

// The VAT key of a rate: "NDS" + the rate times ten, rounded.
std::string NdsKey(Currency nds);

// Frees the C_Rec_Summa objects of `rateSums` and empties it.
void FreeRateSums(TStringList& rateSums);

}  // namespace tv
