// The coupon report through the exported names (codes '.' and '/') on the
// sample database with the coupons: a hand-checked text, the coupons listed
// against independent SQL, the "nothing issued" note and failures.

#include <algorithm>

#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

class CouponReport : public CardsFixture {
 protected:
  // The coupon numbers of the HTML version, in order.
  std::vector<std::string> Coupons() {
    std::vector<std::string> ids;
    for (const auto& row : HtmlRows())
      if (row.size() == 4 && row[0].rfind("Т-", 0) == 0) ids.push_back(row[0]);
    return ids;
  }
  // The coupons of the payment type `code` with a sale in the period.
  std::vector<std::string> SqlCoupons(int code, const std::string& from, const char* sales,
                                      const std::string& to = "2024-01-20 23:59:59") {
    std::vector<std::string> ids;
    for (const auto& r : Sql("SELECT cl.ID AS I FROM COUPONLIST cl WHERE cl.CDATE >= '" + from +
                             "' AND cl.VIDOPL = " + std::to_string(code) +
                             " AND EXISTS (SELECT 1 FROM LOGTRAN lt WHERE lt.DATA >= '" + from +
                             "' AND lt.VIDOPL = cl.VIDOPL AND lt.POKUPATEL CONTAINING cl.ID" +
                             sales + ") AND cl.CDATE <= '" + to + "' ORDER BY cl.GSM, cl.CDATE"))
      ids.push_back(r.at("I"));
    return ids;
  }
  std::vector<std::string> Expected(const std::vector<int>& codes, const char* sales) {
    std::vector<std::string> ids;
    for (int code : codes)
      for (const std::string& id : SqlCoupons(code, "2024-01-20 00:00:00", sales))
        ids.push_back(id);
    return ids;
  }
};

TEST_F(CouponReport, CouponsWithASaleByTypeAndFuel) {
  const std::string text = Report('.', A({CardsBegin(), CardsEnd(), Variant(), A({9, 109, 4})}));
  EXPECT_EQ(text, ExpectedText("couponRep_types.txt"));
  // Type 4 is no coupon type; fuels group case-sensitively.
  EXPECT_EQ(Coupons(), Expected({9, 109}, " AND COALESCE(lt.KA, 0) = 0"));
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("ГСМ: аи-95"), std::string::npos);
  EXPECT_NE(html.find("Вид оплаты: Талоны ЛУКОЙЛ"), std::string::npos);
  // Two elements: the default row 9; three: the selection.
  Report('.', A({CardsBegin(), CardsEnd()}));
  EXPECT_EQ(Coupons(), Expected({9}, " AND COALESCE(lt.KA, 0) = 0"));
  Variant sel = VarArrayCreate({0, 14}, VarType::Integer);
  sel[14] = 1;
  Report('.', A({CardsBegin(), CardsEnd(), sel}));
  EXPECT_EQ(Coupons(), Expected({109}, " AND COALESCE(lt.KA, 0) = 0"));
  // The office report type counts sales with KA set.
  host->Set(56, Variant(0));
  host->Set(8, Variant(true));
  ASSERT_EQ(host->Init(), 1);
  Report('.', A({CardsBegin(), CardsEnd()}));
  std::vector<std::string> listed = Coupons(), expected = Expected({9}, "");
  std::sort(listed.begin(), listed.end());  // one fuel's coupons in the database's order
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
}

TEST_F(CouponReport, NothingIssuedAndTheOpenShift) {
  const std::string none = Report('.', A({DateVar(2024, 1, 19), DateVar(2024, 1, 19, 23)}));
  EXPECT_NE(none.find("Отпуска по талонам не производилось"), std::string::npos) << none;
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Отпуска по талонам не производилось"), std::string::npos);
  // '/': from the open shift's begin to now.
  host->Set(1, CardsBegin());
  Report('/', EmptyArray());
  // Coupons of one fuel come in the database's order: compared as sets.
  std::vector<std::string> ids =
      SqlCoupons(9, "2024-01-20 00:00:00", " AND COALESCE(lt.KA, 0) = 0", "2100-01-01");
  std::vector<std::string> listed = Coupons();
  std::sort(ids.begin(), ids.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, ids);
}

TEST_F(CouponReport, FailuresReachTheDispatcher) {
  SetPaymentTypes({{"Наличные", 0}, {"Талоны", 9}});
  ASSERT_EQ(host->Init(), 1);
  const auto r = Request('.', A({CardsBegin(), CardsEnd()}));
  EXPECT_EQ(
      r.Text.rfind("Ошибка при формировании отчета \"Отпуск по талонам по закрытой смене\"", 0), 0u)
      << r.Text;
  EXPECT_NE(r.Text.find("строка 9 таблицы видов оплаты"), std::string::npos) << r.Text;
  const auto bad = Request('.', A({CardsBegin(), CardsEnd(), Variant(), A({Variant("x")})}));
  EXPECT_EQ(bad.Text.rfind("Ошибка при формировании отчета", 0), 0u) << bad.Text;
}

}  // namespace
}  // namespace tv::test
