#pragma once
// The dispenser reports' fixture: the statements fixture's database with the
// restarts, measuring-can litres and dispenser history of
// db/add-sample-dispensers added once for the program.

#include <string>

#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {

class DispensersFixture : public StatementsFixture {
 protected:
  static void SetUpTestSuite() {
    StatementsFixture::SetUpTestSuite();
    const std::string tail = "/c/FUEL/DB/Velmar.FDB";
    const std::string folder = sampleDb_.substr(0, sampleDb_.size() - tail.size());
    int rc = -1;
    const std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) +
                                           "/db/add-sample-dispensers --root '" + folder + "' 2>&1",
                                       &rc);
    ASSERT_EQ(rc, 0) << out;
  }
};

}  // namespace tv::test
