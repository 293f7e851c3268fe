// The dispenser sales history (code 10) through the exported names on the
// 25 operations of dispenser "Т7" (db/add-sample-dispensers): the page and
// period selections against an independent SQL, the texts of operations,
// doses and payment types, and a hand-checked text version.

#include <algorithm>

#include "platform/text/Cp1251.h"
#include "tests/reports/operational/DispensersFixture.h"

namespace tv::test {
namespace {

const char* const kName30 = "Безналичная оплата по договору";  // 30 letters

class TrkHistory : public DispensersFixture {
 protected:
  void SetUp() override {
    DispensersFixture::SetUp();
    auto types = StationPaymentTypes();
    types.emplace_back(kName30, 13);
    SetPaymentTypes(types);
    ASSERT_EQ(host->Init(), 1);
  }

  // The buyer cells (unique per operation, "К<i>") of the HTML rows, in order.
  std::vector<std::string> Buyers() {
    std::vector<std::string> buyers;
    for (const auto& row : HtmlRows())
      for (const std::string& cell : row)
        if (cell.size() >= 3 && cell.rfind("К", 0) == 0 &&
            std::all_of(cell.begin() + 2, cell.end(), ::isdigit))
          buyers.push_back(cell);
    return buyers;
  }
  // The same from an independent query, oldest first, from `from` (0-based)
  // for `count` operations.
  std::vector<std::string> SqlBuyers(std::size_t from, std::size_t count) {
    std::vector<std::string> all;
    for (const IsqlRow& r : Sql("SELECT AUTOMOBIL FROM TRK WHERE TRK = 'Т7' ORDER BY \"TIME\""))
      all.push_back(r.at("AUTOMOBIL"));
    from = std::min(from, all.size());
    return {all.begin() + from, all.begin() + std::min(all.size(), from + count)};
  }
};

Variant Name() { return Variant(Utf8ToCp1251("Т7")); }

TEST_F(TrkHistory, PagesAndPeriodsSelectTheOperationsOfAnIndependentQuery) {
  struct Case {
    const char* what;
    Variant params;
    std::size_t from, count;
  };
  const Variant may1 = DateVar(2024, 5, 1), may2 = DateVar(2024, 5, 2);
  const Case cases[] = {
      {"whole period", A({Name(), -1, may1, may2}), 0, 25},
      {"both dates 0: since 2000", A({Name(), -1}), 0, 25},
      {"five newest", A({Name(), 5}), 20, 5},
      {"twenty newest", A({Name(), 20}), 5, 20},
      {"40th to 21st newest (only 25: the oldest 20)", A({Name(), 40}), 0, 20},
      {"the newest one", A({Name(), 1}), 24, 1},
      {"an empty page", A({Name(), 0}), 0, 0},
      {"a period of four minutes", A({Name(), -1, DateVar(2024, 5, 1, 10, 3), DateVar(2024, 5, 1, 10, 6)}),
       3, 4},
      {"swapped dates", A({Name(), -1, may2, may1}), 0, 0},
      {"no such dispenser", A({Variant("99"), -1, may1, may2}), 0, 0},
  };
  for (const Case& c : cases) {
    Report(10, c.params);
    EXPECT_EQ(Buyers(), SqlBuyers(c.from, c.count)) << c.what;
  }
  // The current-shift switch overrides the dates: from the shift's begin.
  host->Set(1, DateVar(2024, 5, 1, 10, 20));
  Report(10, A({Name(), -1, may1, may1, true}));
  EXPECT_EQ(Buyers(), SqlBuyers(20, 5));
  // Three elements are no request of this report.
  const auto three = Request(10, A({Name(), -1, may1}));
  EXPECT_NE(three.Text.find("Ошибка"), std::string::npos) << three.Text;
}

// Operations, doses and payments by their codes; a row without a fuel shows
// its operation, payment and buyer only, in the text as in the HTML.
TEST_F(TrkHistory, TheTenNewestMatchTheHandCheckedText) {
  EXPECT_EQ(Report(10, A({Name(), 10})), ExpectedText("trk-history-10.txt"));
  const auto rows = HtmlRows();
  ASSERT_EQ(rows.size(), 11u);
  // The 30-letter payment name: 12 letters in the text, the template's 16 here.
  EXPECT_EQ(rows[4][4], "Безналичная опла");
  EXPECT_EQ(rows[5][4], "Платеж. терминал");
  EXPECT_EQ(rows[3], (std::vector<std::string>{"", "", "", "Перелив", "Оплата 77", "К17", "", "",
                                               ""}));
}

}  // namespace
}  // namespace tv::test
