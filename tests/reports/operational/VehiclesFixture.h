#pragma once
// The fixture of the car, driver and contract statements' tests: the
// statements fixture with db/add-sample-vehicles run once on the program's
// sample database and a host that also announces the payment types 204
// (statement, the VOMimo type of the tests), 108 and 208 (contracts).

#include <string>

#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {

// The sample's period: 2024-01-10 00:00:00.000 .. 2024-01-11 23:59:59.999.
Variant VehiclesBegin();
Variant VehiclesEnd();

class VehiclesFixture : public StatementsFixture {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  // The payment types of the host: the station's, then 204, 108 and 208.
  static std::vector<std::pair<std::string, int>> VehiclePaymentTypes();
  // The row of `code` in VehiclePaymentTypes.
  static int Row(int code);
};

}  // namespace tv::test
