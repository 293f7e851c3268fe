// The own-sales filter of the statement reports (and the counterparty-id
// filter of the period statements): a sale with KA NULL, stored before the
// column existed, is an own sale, and on a database without the column every
// sale is. Each report's row of the card sample's sales against an
// independent SQL sum of litres.

#include <cstdio>
#include <cstring>
#include <vector>

#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

// One report of the card sample's day: the line of its text that holds
// `Row` shows the litres of the sales that `Where` selects.
struct SumCase {
  char Code;
  Variant Params;
  std::string Where;
  const char* Row;
};

class OwnSales : public CardsFixture {
 protected:
  // The statement and contract sales of counterparty 21.
  static std::vector<SumCase> StatementCases() {
    const Variant b = CardsBegin(), e = CardsEnd(), org(Utf8ToCp1251("ООО АвтоТрейд"));
    const std::string own = "a.IDCNT = '21' AND a.VIDOPL = 4";
    return {
        {12, A({b, e, org, false, false, true}), own, "Итого"},
        {11, A({b, e}), own, "|ООО АвтоТрейд"},
        {14, A({b, e, Variant("1"), Variant(""), Variant("1"), Variant(), Variant("21")}), own,
         "|ООО АвтоТрейд"},
        {13, A({b, e, org, Variant(Utf8ToCp1251("К101МР77"))}), own + " AND a.IDCAR = 21", "Итого"},
        {25, A({b, e, Variant("1"), Variant("")}), "a.VIDOPL = 8", "ООО АвтоТрейд"},
    };
  }
  // Each case's litres over the sales that `ka` also selects ("" for all).
  void ExpectLitres(const std::vector<SumCase>& cases, const std::string& ka) {
    for (const auto& c : cases) {
      SCOPED_TRACE(int(c.Code));
      char liters[32];
      std::snprintf(liters, sizeof liters, "%.2f",
                    std::stod(Sql("SELECT SUM(a.LITER) AS L FROM LOGTRAN a WHERE a.DATA BETWEEN "
                                  "'2024-01-20 00:00:00' AND '2024-01-20 23:59:59' AND " +
                                  ka + c.Where)
                                  .at(0)
                                  .at("L")));
      *std::strchr(liters, '.') = ',';
      const std::string text = Report(c.Code, c.Params);
      std::string row;
      for (const std::string& line : Lines(text))
        if (line.find(c.Row) != std::string::npos) row = line;
      EXPECT_NE(row.find(liters), std::string::npos) << liters << "\n" << text;
    }
  }
};

TEST_F(OwnSales, SalesWithKANullCount) {
  ExpectLitres(StatementCases(), "COALESCE(a.KA, 0) = 0 AND ");
}

// A station database of an older schema has no column KA in LOGTRAN: the
// reports run without the own-sales filter and count every sale, among them
// the card sale of 7 l and the coupon Т-1002's sale of 8 l that were KA 1.
TEST_F(OwnSales, WithoutTheColumnEverySaleCounts) {
  Exec("ALTER TABLE LOGTRAN DROP KA");
  std::vector<SumCase> cases = StatementCases();
  cases.push_back(
      {'4', A({1, 2, CardsBegin(), CardsEnd(), Variant(), Variant(""), Variant(false), A({2})}),
       "a.VIDOPL = 2 AND a.GSMNAME = 'АИ-95'", "|АИ-95|       |"});
  cases.push_back({'.', A({CardsBegin(), CardsEnd(), Variant(), A({9})}),
                   "a.VIDOPL = 9 AND a.POKUPATEL = 'Т-1002'", "|Т-1002"});
  ExpectLitres(cases, "");
}

}  // namespace
}  // namespace tv::test
