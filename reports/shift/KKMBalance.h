#pragma once
// The cash-register balance that ends the financial section: money received,
// cash taken, handed over and passed on by up to three cash registers.

#include <map>
#include <set>
#include <tuple>

#include "platform/data/Currency.h"

namespace tv {

// What the financial section hands to the balance step.
struct TFinTotals {
  double NalItog = 0;     // cash fuel money
  double BNal = 0;        // cashless fuel money
  double GoodsBNal = 0;   // cashless goods money
  long double ElNet = 0;  // electronic counters' surplus money, overflow taken off
  long double ElGross = 0;
};

// The rows of KKMOPER's sums (shift, register, operation type), indexed as
// the data set's locates would find them: the first row of each key.
struct TKKMOperIndex {
  std::set<int> Shifts;
  std::map<std::tuple<int, int, int>, Currency> Sums;
};

}  // namespace tv
