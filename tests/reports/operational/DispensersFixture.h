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
    AddToSample("add-sample-dispensers");
  }
};

}  // namespace tv::test
