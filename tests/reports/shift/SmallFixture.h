#pragma once
// The fixture of the small sections' tests: the close-of-shift fixture with
// db/add-sample-small added (unmade returns, statement and contract sales and
// restarts in shifts 101 to 103 and in the open shift 104), and the bonus
// section's registry key.

#include <string>
#include <utility>
#include <vector>

#include "tests/reports/shift/ShiftFixture.h"

namespace tv::test {

class SmallFixture : public ShiftFixture {
 public:
  // A value of the bonus key as the store keeps it ("dword:..", "sz:..").
  using TRegValue = std::pair<std::string, std::string>;

 protected:
  static void SetUpTestSuite();

  // The paired layout running `kinds` with the builders' own forms.
  static Variant Kinds(std::initializer_list<int> kinds);
  // The order layout running `kinds` (all in one place, so in kind order).
  static Variant Order(std::initializer_list<int> kinds);
  // Replaces the bonus key by one holding `values` (none: no key at all).
  void WriteBonusKey(const std::vector<TRegValue>& values) const;
  // The raw values of the bonus key (name=value lines of the store).
  std::string BonusKey() const;
};

// A date-time as the recording builders print it.
std::string D(int y, int m, int d, int h, int n = 0);

}  // namespace tv::test
