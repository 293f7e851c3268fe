#pragma once
// Look-ups that the return acts share: the kind of each payment type as the
// host tells it (cash or not), and the shift that holds a moment, from the
// shift log read once per report.

#include <vector>

#include "platform/text/DateTime.h"

namespace tv {

class TIBDatabase;

// The payment types' kinds by payment-type index (host question 27). Kind 0
// is cash. A host that answers something other than an array gives the
// default kinds of the old act (indexes 0, 6 and 10 are cash); an index
// beyond the kinds known counts as cashless, so a short answer never fails
// the report.
class TVidOplKinds {
 public:
  // The kind that stands for an index the host gave no kind for.
  static constexpr int CashlessKind = 2;

  // Asks the host once; an element that is no number raises the variant's
  // conversion error.
  static TVidOplKinds Ask();

  int Kind(int index) const;
  bool IsCash(int index) const { return Kind(index) == 0; }
  bool FromHost() const { return fromHost_; }

 private:
  std::vector<int> kinds_;
  bool fromHost_ = false;
};

// The shift log as an ordered look-up: the shift whose [BegTime, EndTime]
// holds a moment, both ends included. Where logged shifts share a moment
// (one ends when the next begins) the one read first wins, as a look-up of
// "SELECT SmNum FROM SmLog WHERE :pDate BETWEEN BegTime and EndTime" takes
// its first row; shifts without both times hold no moment.
class TSmenaIndex {
 public:
  // Reads SmNum, BegTime and EndTime of every row of SmLog with one query.
  void Load(TIBDatabase* database);
  // The shifts given directly, in the order a query would read them.
  struct TShift {
    int SmNum;
    TDateTime BegTime;
    TDateTime EndTime;
  };
  void Build(const std::vector<TShift>& shifts);

  // The shift holding `moment`; false when none does.
  bool Find(TDateTime moment, int& smNum) const;

 private:
  // Distinct bounds in order; owner_[2i] answers the bound points_[i] itself,
  // owner_[2i + 1] the open stretch after it (-1: no shift).
  std::vector<TDateTime> points_;
  std::vector<int> owner_;
  std::vector<int> smNums_;  // by the order the shifts were read
};

}  // namespace tv
