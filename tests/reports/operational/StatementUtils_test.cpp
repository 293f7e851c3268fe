// The own-sales filter of the statement reports and of the counterparty
// filter of the period statements: a sale stored before the column KA
// existed (KA NULL) is an own sale. Each report's litres of the card
// sample's statement and contract sales against an independent SQL sum.

#include <cstdio>

#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

class OwnSales : public CardsFixture {
 protected:
  // The litres of the 20.01.2024 sales that `where` selects, as printed.
  std::string SqlLiters(const std::string& where) {
    const auto rows = Sql(
        "SELECT SUM(a.LITER) AS L FROM LOGTRAN a WHERE a.DATA BETWEEN '2024-01-20 00:00:00' AND "
        "'2024-01-20 23:59:59' AND COALESCE(a.KA, 0) = 0 AND " +
        where);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", std::stod(rows.at(0).at("L")));
    std::string text = buf;
    text[text.find('.')] = ',';
    return text;
  }
};

Variant Str(const char* utf8) { return Variant(Utf8ToCp1251(utf8)); }

TEST_F(OwnSales, SalesWithKANullCount) {
  const Variant b = CardsBegin(), e = CardsEnd(), org = Str("ООО АвтоТрейд");
  const std::string statement = "a.IDCNT = '21' AND a.VIDOPL = 4";
  const struct {
    const char* Name;
    char Code;
    Variant Params;
    std::string Where;
    const char* Row;  // the text line that shows the litres: the one holding this
  } cases[] = {
      {"counterparty statement", 12, A({b, e, org, false, false, true}), statement, "Итого"},
      {"statements for a period", 11, A({b, e}), statement, "|ООО АвтоТрейд"},
      {"statements of counterparty ids", 14,
       A({b, e, Variant("1"), Variant(""), Variant("1"), Variant(), Variant("21")}), statement,
       "|ООО АвтоТрейд"},
      {"car statement", 13, A({b, e, org, Str("К101МР77")}), statement + " AND a.IDCAR = 21",
       "Итого"},
      {"contracts report", 25, A({b, e, Variant("1"), Variant("")}), "a.VIDOPL = 8",
       "ООО АвтоТрейд"},
  };
  for (const auto& c : cases) {
    const std::string liters = SqlLiters(c.Where);
    const std::string text = Report(c.Code, c.Params);
    std::string row;
    for (const std::string& line : Lines(text))
      if (line.find(c.Row) != std::string::npos) row = line;
    EXPECT_NE(row.find(liters), std::string::npos) << c.Name << ": " << liters << "\n" << text;
  }
}

}  // namespace
}  // namespace tv::test
