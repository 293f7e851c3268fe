#pragma once
// The fixture of the card, terminal-return, coupon and discount-card
// reports' tests: the statements fixture with the sample office database
// beside the station database and db/add-sample-cards run once on both; a
// host that also announces the payment types 77 is not in (kept unknown)
// and 109 (coupons).

#include <string>

#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {

// The sample's day: 2024-01-20 00:00:00 .. 23:59:59.
Variant CardsBegin();
Variant CardsEnd();

class CardsFixture : public StatementsFixture {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  // The payment types of the host: the station's, then 109 (coupons).
  static std::vector<std::pair<std::string, int>> CardPaymentTypes();
  // A query on this test's office database (values in UTF-8).
  std::vector<IsqlRow> OfficeSql(const std::string& utf8Select) const;
  std::string OfficeDbPath() const;

  static std::string officeDb_;  // the office database made for the program
};

}  // namespace tv::test
