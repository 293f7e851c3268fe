// The price-change history ('#' 18) through the exported names on the
// sample office database with the orders of db/add-sample-limits, and its
// difference list under two decimal separators.

#include <filesystem>

#include "tests/reports/operational/LimitsFixture.h"

namespace tv::test {
namespace {

class RepriceHistoryReport : public LimitsFixture {
 protected:
  TestHost::Reply Run(const Variant& begin, const Variant& end) {
    return Request('#', A({Variant(18), begin, end}));
  }
};

TEST_F(RepriceHistoryReport, OrdersOfThePeriodInDateOrderWithTheirLists) {
  const auto reply = Run(DateVar(2024, 1, 12), DateVar(2024, 1, 14, 23, 59, 59));
  ASSERT_EQ(reply.Result, TV_REPORT_TRUE) << reply.Text << reply.Error;
  EXPECT_EQ(reply.Text, "Отчет \"История переоценки ГСМ\" доступен только в HTML-версии");
  const auto rows = HtmlRows();
  // Both ends of the period belong to it: the orders of 12.01 00:00:00 and
  // 14.01 23:59:59 are in, in the order of their change date.
  const auto orders = OfficeSql(
      "SELECT OSNOVANIE FROM GSMCHANGEHISTORY WHERE DATACHANGE BETWEEN '2024-01-12 00:00:00' "
      "AND '2024-01-14 23:59:59' ORDER BY DATACHANGE");
  ASSERT_EQ(orders.size(), 3u);
  const std::vector<std::string> expected = {
      "Приказ № 102\tАИ-98\t\t71.30\tНе определена / синхронизация с АЗС\tАЗС №3",
      "12.01.2024 00:00\t12.01.24",
      "Орлов В. А.",
      "Приказ № 103\tАИ-92|АИ-95\t50|51|52\t53|54\tКоличество элементов в списках \"Старые цены\" и "
      "\"Новые цены\" не совпадает\tАЗС №1",
      "13.01.2024 12:00\t14.01.24",
      "Белова Т. С.",
      // An old price of 0: the difference alone, the other line as usual.
      "Приказ № 104\tГаз|ДТ\t0|40.00\t10.00|41.00\t10,00|1,00, 2,5%\tАЗС №2|АЗС №3",
      "14.01.2024 23:59\t15.01.24",
      "Белова Т. С.",
  };
  std::vector<std::string> body;
  for (std::size_t i = 3; i < rows.size(); ++i) {
    std::string line;
    for (std::size_t j = 0; j < rows[i].size(); ++j) line += (j ? "\t" : "") + rows[i][j];
    body.push_back(line);
  }
  EXPECT_EQ(body, expected);
  for (std::size_t i = 0; i < orders.size(); ++i)
    EXPECT_EQ(body.at(3 * i).substr(0, body[3 * i].find('\t')), orders[i].at("OSNOVANIE"));
}

TEST_F(RepriceHistoryReport, PricesWithPointsAndCommasCompareAsNumbers) {
  ASSERT_EQ(Run(DateVar(2024, 1, 10), DateVar(2024, 1, 10, 23, 59, 59)).Result, TV_REPORT_TRUE);
  const auto rows = HtmlRows();
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[3], (std::vector<std::string>{"Приказ № 101", "АИ-92|АИ-95|ДТ",
                                               "50.00|45,5|60.00", "52.50|45.50|61,20",
                                               "2,50, 5,0%|Нет|1,20, 2,0%", "АЗС №1|АЗС №2"}));
}

TEST_F(RepriceHistoryReport, ABadPriceOrAMissingOfficeDatabaseFailsTheRequestClearly) {
  ExpectError('#', A({Variant(18), DateVar(2024, 1, 25), DateVar(2024, 1, 25, 23, 59, 59)}),
              "Основание \"Приказ № 109\", новые цены, строка 2: 'шестьдесят'");
  std::filesystem::remove(OfficePath());
  ExpectError('#', A({Variant(18), DateVar(2024, 1, 1), DateVar(2024, 1, 31)}),
              "/c/FUEL/OfficeDB/OFFICE.FDB");
}

}  // namespace
}  // namespace tv::test
