// The card report through the exported names (code '4') on the sample
// database with the card sales: a hand-checked text, the groups, subtotals
// and totals of the HTML version against independent SQL sums, the callers'
// parameter arrays and bad requests.

#include <cmath>
#include <map>

#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

class CardReport : public CardsFixture {
 protected:
  // Per payment code of the period's own sales that `where` selects:
  // litres and money, summed exactly by the database.
  std::map<int, std::pair<double, double>> Sums(const std::string& where) {
    std::map<int, std::pair<double, double>> out;
    for (const auto& r : Sql("SELECT L.VIDOPL AS V, SUM(L.LITER) AS L, SUM(L.SUMMA) AS S FROM "
                             "LOGTRAN L WHERE L.DATA BETWEEN '2024-01-20 00:00:00' AND "
                             "'2024-01-20 23:59:59' AND " +
                             where + " GROUP BY 1"))
      out[std::stoi(r.at("V"))] = {std::stod(r.at("L")), std::stod(r.at("S"))};
    return out;
  }
  // The groups' totals rows ("Итого:" with two cells) of the HTML version,
  // in order, and the report's closing row.
  std::vector<std::pair<double, double>> GroupTotals(std::pair<double, double>* all) {
    std::vector<std::pair<double, double>> out;
    for (const auto& row : HtmlRows()) {
      if (row.size() == 4 && row[0] == "Итого:") out.push_back({Num(row[1]), Num(row[3])});
      if (row.size() == 4 && row[0] == "Итого по видам оплаты:" && all)
        *all = {Num(row[1]), Num(row[3])};
    }
    return out;
  }
};

// A discount-card sale: one LOGTRANDSC record of type 3 or 4 with a card.
const char* const kCardSale =
    "EXISTS (SELECT 1 FROM LOGTRANDSC D WHERE D.INDEXSALE = L.INDEXSALE AND D.DSCTYPE IN (3, 4) "
    "AND COALESCE(D.DSCPARAM, '') <> '')";

void ExpectTotals(const std::vector<std::pair<double, double>>& groups,
                  const std::map<int, std::pair<double, double>>& sums,
                  const std::vector<int>& order) {
  ASSERT_EQ(groups.size(), order.size());
  for (std::size_t g = 0; g < order.size(); ++g) {
    EXPECT_NEAR(groups[g].first, sums.at(order[g]).first, 0.005) << order[g];
    EXPECT_NEAR(groups[g].second, sums.at(order[g]).second, 0.005) << order[g];
  }
}

TEST_F(CardReport, GroupsSubtotalsAndTotalsWithDiscountCards) {
  Variant sel = VarArrayCreate({0, 14}, VarType::Integer);
  const std::string text =
      Report('4', A({1, 1, CardsBegin(), CardsEnd(), sel, Variant(""), Variant(true), A({1, 2})}));
  EXPECT_EQ(text, ExpectedText("cardRep_cards.txt"));
  const std::string html = Cp1251ToUtf8(Html());
  // The selected types in table order, then the types only discount-card
  // sales bring, the unknown code 77 named as such.
  const std::size_t p1 = html.find("Платеж. терминал"), p2 = html.find("Товарные карты"),
                    p3 = html.find("СК:Наличные"), p4 = html.find("СК:Имя не определено");
  EXPECT_TRUE(p1 < p2 && p2 < p3 && p3 < p4 && p4 != std::string::npos);
  std::pair<double, double> all;
  const auto groups = GroupTotals(&all);
  const auto sums =
      Sums(std::string("COALESCE(L.KA, 0) = 0 AND (L.VIDOPL IN (1, 2) OR ") + kCardSale + ")");
  ExpectTotals(groups, sums, {1, 2, 0, 77});
  double l = 0, s = 0;
  for (const auto& [code, v] : sums) l += v.first, s += v.second;
  EXPECT_NEAR(all.first, l, 0.005);
  EXPECT_NEAR(all.second, s, 0.005);

  // Subtotal rows of АИ-95 on the card type 2: -0.25 % has none, -0.15 %
  // (a double just above it) and -0.1 % round to 0.0 %, 4.96 % and 5.04 %
  // share 5.0 %.
  std::vector<std::string> subtotals;
  std::vector<double> liters;
  for (const auto& row : HtmlRows())
    if (row.size() == 9 && row[0] == "Итого:" && row[1] == "АИ-95") {
      subtotals.push_back(row[2]);
      liters.push_back(Num(row[6]));
    }
  EXPECT_EQ(subtotals, (std::vector<std::string>{"0,0%", "3,0%", "5,0%"}));
  EXPECT_EQ(liters, (std::vector<double>{9, 10, 30}));
}

TEST_F(CardReport, ParameterArraysAndSwitches) {
  Variant sel = VarArrayCreate({0, 14}, VarType::Integer);
  sel[1] = 1;
  sel[2] = 1;
  // Five elements: the selection, no mask, no discount cards; the base
  // price 0 of one terminal sale fails nothing.
  Report('4', A({1, 2, CardsBegin(), CardsEnd(), sel}));
  ExpectTotals(GroupTotals(nullptr), Sums("COALESCE(L.KA, 0) = 0 AND L.VIDOPL IN (1, 2)"), {1, 2});
  // Seven: a mask with SQL wildcards.
  Report('4', A({1, 2, CardsBegin(), CardsEnd(), sel, Variant("%5555_0%"_w), Variant(false)}));
  ExpectTotals(GroupTotals(nullptr),
               Sums("COALESCE(L.KA, 0) = 0 AND L.VIDOPL IN (1, 2) AND L.POKUPATEL LIKE '%5555_0%'"),
               {1});
  // Eight: the codes replace the selection.
  Report('4', A({1, 2, CardsBegin(), CardsEnd(), sel, Variant(""), Variant(false), A({2})}));
  ExpectTotals(GroupTotals(nullptr), Sums("COALESCE(L.KA, 0) = 0 AND L.VIDOPL = 2"), {2});
  // Six elements fail on the missing seventh.
  const auto six = Request('4', A({1, 2, CardsBegin(), CardsEnd(), sel, Variant("")}));
  EXPECT_NE(six.Text.find("Ошибка при формировании отчета \"Отпуск по картам\""), std::string::npos)
      << six.Text;
  // Nothing selected, no discount cards: no group, zero totals.
  const std::string none = Report('4', A({1, 2, CardsBegin(), CardsEnd(), A({0, 0, 0})}));
  EXPECT_TRUE(GroupTotals(nullptr).empty());
  EXPECT_NE(none.find("Итого по видам оплаты:       0,00"), std::string::npos) << none;
  EXPECT_NE(none.find("Смена: 1 - 2"), std::string::npos);
  // Shifts 0 and 0: the open shift.
  host->Set(1, CardsBegin());
  const std::string open = Report('4', A({0, 0, CardsBegin(), CardsEnd(), sel}));
  EXPECT_NE(open.find("Смена: 7"), std::string::npos) << open;
  // The office report type keeps the KA rows.
  host->Set(56, Variant(0));
  host->Set(8, Variant(true));
  ASSERT_EQ(host->Init(), 1);
  Report('4', A({1, 2, CardsBegin(), CardsEnd(), sel}));
  ExpectTotals(GroupTotals(nullptr), Sums("L.VIDOPL IN (1, 2)"), {1, 2});
}

// Each sale once: under its payment type without a carded discount record,
// else under its smallest card number that the mask lets through; the
// money listed is the SQL sum over the distinct sales.
TEST_F(CardReport, EachSaleListedOnceUnderItsSmallestCard) {
  const struct {
    std::string mask;
    std::vector<std::string> ai98;  // the АИ-98 rows' card texts, in order
  } cases[] = {{"", {"Терминал 5555_03", "СК:7700005:5.0%", "СК:7700006:3.0%"}},
               {"%7700007", {"СК:7700007:2.0%"}},
               {"77%", {"СК:7700005:5.0%", "СК:7700006:3.0%"}}};
  for (const auto& c : cases) {
    Report('4', A({1, 1, CardsBegin(), CardsEnd(), A({0}), Variant(Utf8ToCp1251(c.mask)),
                   Variant(true), A({1, 2})}));
    std::vector<std::string> ai98;
    double listed = 0;
    for (const auto& row : HtmlRows())
      if (row.size() == 9 && !std::isnan(Num(row[0]))) {
        listed += Num(row[8]);
        if (row[1] == "АИ-98") ai98.push_back(row[5]);
      }
    EXPECT_EQ(ai98, c.ai98) << c.mask;
    const std::string like = "'" + (c.mask.empty() ? "%" : c.mask) + "'";
    const std::string carded =
        "EXISTS (SELECT 1 FROM LOGTRANDSC D WHERE D.INDEXSALE = L.INDEXSALE AND D.DSCTYPE IN (3, "
        "4) AND COALESCE(D.DSCPARAM, '') <> '' AND D.DSCPARAM LIKE " +
        like + ")";
    const auto sum =
        Sums("COALESCE(L.KA, 0) = 0 AND ((L.VIDOPL IN (1, 2) AND NOT " + std::string(kCardSale) +
             " AND L.POKUPATEL LIKE " + like + ") OR " + carded + ")");
    double expected = 0;
    for (const auto& [code, v] : sum) expected += v.second;
    EXPECT_NEAR(listed, expected, 0.005) << c.mask;
  }
}

// Figures worked by hand. 100 - 35,45 * 100 / 35,79 = 0,94998603: 9 tenths;
// 1,481 l at 35,79 = 53,00499 (HTML 53,00), less 52,50 = 0,50499 (0,50).
// 100 - 40,07 * 100 / 40,01 = -0,1499625: 0 tenths; 1,1006 l at 40,01 =
// 44,035006 (44,04), less 44,10 = -0,064994 (-0,06). Totals: 96,60 sold;
// base 53,0050 + 44,0350 = 97,04; discount 0,5050 - 0,0650 = 0,44; 2,58 l.
TEST_F(CardReport, DiscountTenthsAndUnroundedHtmlAmounts) {
  for (const char* sale : {"2890001, '10:00', 1.481, 52.50, 35.45, 35.79",
                           "2890002, '10:05', 1.1006, 44.10, 40.07, 40.01"})
    Exec(
        StringReplace("INSERT INTO LOGTRAN (INDEXSALE, DATA, LITER, SUMMA, GSMPRICE, BASEPRICE) "
                      "VALUES (" +
                          std::string(sale) + ")",
                      "'1", "'2024-01-21 1", 0));
  Exec("UPDATE LOGTRAN SET GSMNAME = 'АИ-80', VIDOPL = 2, KA = 0 WHERE INDEXSALE > 2890000");
  // The built-in page with the base and discount amounts for date and time.
  std::string page = ReadFileBytes(
      Utf8ToCp1251(std::string(TOLVAREN_SOURCE_DIR) + "/templates/web/Отчет по картам.html"));
  page = StringReplace(page, "&lt;#Date&gt;", "&lt;#BSum&gt;", rfReplaceAll);
  page = StringReplace(page, "&lt;#Time&gt;", "&lt;#DSum&gt;", rfReplaceAll);
  page = StringReplace(page, "по видам оплаты: ", "&lt;#VidOplBSum&gt;|&lt;#VidOplDSum&gt;", 0);
  root.WriteFile("c/FUEL/FORMS/WEBREP/Отчет по картам.html", Utf8ToCp1251(page));
  Report('4', A({1, 1, DateVar(2024, 1, 21), DateVar(2024, 1, 21, 23, 59, 59), A({0}), Variant(""),
                 Variant(false), A({2})}));
  std::vector<std::vector<std::string>> rows;  // Dsc, BSum, DSum; subtotals: Dsc
  for (const auto& row : HtmlRows())
    if (row.size() == 9 && (row[0] == "Итого:" || !std::isnan(Num(row[0]))))
      rows.push_back(row[0] == "Итого:" ? std::vector<std::string>{row[2]}
                                        : std::vector<std::string>{row[2], row[3], row[4]});
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                      {"0,0%", "44,04", "-0,06"}, {"0,0%"}, {"0,9%", "53,00", "0,50"}, {"0,9%"}}));
  for (const char* cell :
       {"<nobr>96,60</nobr>", "<nobr>97,04</nobr>|<nobr>0,44</nobr>", "<nobr>2,58</nobr>"})
    EXPECT_NE(Html().find(cell), std::string::npos) << cell;
}

TEST_F(CardReport, FailuresCarryTheReportsContext) {
  const auto notArray = Request('4', A({1, 2, CardsBegin(), CardsEnd(), Variant(3)}));
  EXPECT_NE(notArray.Text.find("Отчет по картам -> Выбор видов оплаты должен быть массивом"),
            std::string::npos)
      << notArray.Text;
  // Swapped ends: an empty report.
  Report('4', A({1, 2, CardsEnd(), CardsBegin(), A({0, 1, 1})}));
  EXPECT_TRUE(GroupTotals(nullptr).empty());
}

}  // namespace
}  // namespace tv::test
