#pragma once
// Per-fuel running totals of the cross-table reports (statements for a
// period, contracts): one TItogReport per fuel column and one last column
// "ИТОГО" with the totals of the row totals.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/StringList.h"

namespace tv {

// The totals of one column. Money keeps four decimals, as the runtime's
// Currency does; litres and kilograms are extended precision.
class TItogReport {
 public:
  long double Liter = 0;
  long double Kg = 0;
  Currency Summa;

  // Litres and kilograms are added as they are; the money is added to the
  // raw count of ten-thousandths, rounded to the nearest (ties to even).
  // Raises EInvalidOp when the money is no number or out of range, and
  // EOverflow when the total leaves the Currency range.
  void Add(long double liter, long double kg, long double summa);
  void Clear();
};

// The fuel column list: fuel names in column order (1-based column k is
// entry k - 1), each with its totals. The list owns its items and frees
// them in list order when it goes (FreeItogList).
class TItogList {
 public:
  TItogList() = default;
  ~TItogList();
  TItogList(const TItogList&) = delete;
  TItogList& operator=(const TItogList&) = delete;

  // Appends a column with zero totals; duplicates are allowed.
  int Add(std::string name);
  int Count() const { return Names_.Count(); }
  const std::string& Name(int i) const { return Names_[i]; }
  // Index errors raise EStringListError.
  TItogReport& Item(int i);
  const TItogReport& Item(int i) const;
  // The names in column order, as the HTML engine's column cells take them.
  const TStringList& Names() const { return Names_; }

  // Every total of every column back to 0, in list order (ResetItogList).
  void Reset();

 private:
  TStringList Names_;
  std::vector<std::unique_ptr<TItogReport>> Items_;
};

// The names the builders use for the two list operations.
inline void ResetItogList(TItogList& list) { list.Reset(); }

}  // namespace tv
