#pragma once
// The fixture of the limit, keeper and price-history reports' tests: the
// statements fixture's station database with db/add-sample-limits run on
// it once per program, and the sample office database with its price
// orders, copied into each test's root as "C:\FUEL\OfficeDB\OFFICE.FDB".

#include <string>
#include <vector>

#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {

class LimitsFixture : public StatementsFixture {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;

  // A query on this test's office database (values in UTF-8).
  std::vector<IsqlRow> OfficeSql(const std::string& utf8Select) const;
  std::string OfficePath() const;
  // Puts an HTML template (UTF-8 text) into the NB form folder and makes
  // the host ask for it (question 80), so that it wins over the built-in one.
  void UseNBTemplate(const std::string& name, const std::string& utf8Text);

  // A request that the library answers with its error text: the text and
  // the HTML version both begin "Ошибка при формировании отчета" and hold
  // `fragment` (UTF-8).
  void ExpectError(char code, const Variant& params, const std::string& fragment);

  static std::string sampleOffice_;
};

// The cells of rows whose first cell is `first`.
std::vector<std::vector<std::string>> RowsStartingWith(
    const std::vector<std::vector<std::string>>& rows, const std::string& first);
// The first value of a one-row query's column as a number (0 for NULL).
double SqlNum(const std::vector<IsqlRow>& rows, const std::string& column);
// The built-in HTML template's text (UTF-8) from the source tree.
std::string BuiltInTemplate(const std::string& name);

}  // namespace tv::test
