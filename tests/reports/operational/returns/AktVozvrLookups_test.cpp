// The shift look-up of the return acts against the query it stands for:
// the first shift, in reading order, whose [BegTime, EndTime] holds the
// moment, worked out by a plain scan.
#include "reports/operational/returns/AktVozvrLookups.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

using TShift = TSmenaIndex::TShift;

int ScanFirst(const std::vector<TShift>& shifts, TDateTime t) {
  for (const TShift& s : shifts)
    if (s.BegTime <= t && t <= s.EndTime) return s.SmNum;
  return -1;
}

TEST(AktVozvrLookups, ShiftLookupMatchesFirstContainingShift) {
  const std::vector<std::vector<TShift>> logs = {
      {},
      {{1, 10, 20}},
      // adjacent shifts sharing their bounds, a gap, a shift of one moment
      {{201, 10, 20}, {202, 20, 30}, {203, 30, 40}, {204, 50, 60}, {205, 70, 70}},
      // the same read in another order: the bound goes to the one read first
      {{203, 30, 40}, {202, 20, 30}, {201, 10, 20}},
      // nested and overlapping shifts, one with its times reversed
      {{7, 0, 100}, {8, 10, 20}, {9, 15, 120}, {10, 90, 80}, {11, -5, 0}},
  };
  for (std::size_t n = 0; n < logs.size(); ++n) {
    TSmenaIndex index;
    index.Build(logs[n]);
    for (int k = -20; k <= 260; ++k) {
      const TDateTime t = k / 2.0;
      int found = -1;
      if (!index.Find(t, found)) found = -1;
      EXPECT_EQ(found, ScanFirst(logs[n], t)) << "log " << n << " at " << t;
    }
  }
}

}  // namespace
}  // namespace tv
