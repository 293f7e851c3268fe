#pragma once
// The fixture of the return acts' tests: the statements fixture's station
// database with db/add-sample-returns run on it, the goods departments
// "Магазин" (C:\FUEL\SHOP) and "Кафе" (C:\FUEL\CAFE) with their databases
// made from db/goods.sql and the same script, the clock stopped at
// 13.04.2024 09:00 and a host announcing the kinds of the payment types
// (cash: indexes 0, 6 and 10).

#include <string>

#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {

class AktVozvrFixture : public StatementsFixture {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // cnf.ini with the organisation requisites, [Reports] OneBRep and
  // [REPORTS] PutTovarBackSalesToAkt as given (empty: the key left out).
  void WriteSettings(bool oneBRep, const std::string& backSales);

  // The nine-element request of code '"'.
  static Variant Request9(const Variant& selection, int flags, int client, const Variant& begin,
                          const Variant& end, int smFrom, int smTo, int mode);
  // A goods department's database path (native) in this test's root.
  std::string GoodsDb(const std::string& name) const;
  // One value of a query on a goods database (first row, first column).
  std::string GoodsValue(const std::string& name, const std::string& select) const;
  // The native files in the temporary folder C:\TEMP.
  int TempFiles() const;
};

// Lines of the text whose first cell (after "|") is a row number.
std::vector<std::string> DataRows(const std::string& text);

}  // namespace tv::test
