// The own-sales filter of the statement reports (and the counterparty-id
// filter of the period statements): a sale with KA NULL, stored before the
// column existed, is an own sale. Each report's row of the card sample's
// statement or contract sales against an independent SQL sum of litres.

#include <cstdio>
#include <cstring>

#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

class OwnSales : public CardsFixture {};

TEST_F(OwnSales, SalesWithKANullCount) {
  const Variant b = CardsBegin(), e = CardsEnd(), org(Utf8ToCp1251("ООО АвтоТрейд"));
  const std::string own = "a.IDCNT = '21' AND a.VIDOPL = 4";
  const struct {
    char Code;
    Variant Params;
    std::string Where;
    const char* Row;  // the text line that shows the litres holds this
  } cases[] = {
      {12, A({b, e, org, false, false, true}), own, "Итого"},
      {11, A({b, e}), own, "|ООО АвтоТрейд"},
      {14, A({b, e, Variant("1"), Variant(""), Variant("1"), Variant(), Variant("21")}), own,
       "|ООО АвтоТрейд"},
      {13, A({b, e, org, Variant(Utf8ToCp1251("К101МР77"))}), own + " AND a.IDCAR = 21", "Итого"},
      {25, A({b, e, Variant("1"), Variant("")}), "a.VIDOPL = 8", "ООО АвтоТрейд"},
  };
  for (const auto& c : cases) {
    char liters[32];
    std::snprintf(liters, sizeof liters, "%.2f",
                  std::stod(Sql("SELECT SUM(a.LITER) AS L FROM LOGTRAN a WHERE a.DATA BETWEEN "
                                "'2024-01-20 00:00:00' AND '2024-01-20 23:59:59' AND "
                                "COALESCE(a.KA, 0) = 0 AND " +
                                c.Where)
                                .at(0)
                                .at("L")));
    *std::strchr(liters, '.') = ',';
    const std::string text = Report(c.Code, c.Params);
    std::string row;
    for (const std::string& line : Lines(text))
      if (line.find(c.Row) != std::string::npos) row = line;
    EXPECT_NE(row.find(liters), std::string::npos) << int(c.Code) << ": " << liters << "\n" << text;
  }
}

}  // namespace
}  // namespace tv::test
