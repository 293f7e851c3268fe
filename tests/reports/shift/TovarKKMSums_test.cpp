// The goods sums by VAT rate on half-kopeck ties, worked by hand: each sum
// is a Double increased by the exact Currency amount, the addition in
// 80-bit extended precision, rounded to double once when stored.

#include <gtest/gtest.h>

#include <vector>

#include "platform/text/FloatText.h"
#include "platform/text/Format.h"
#include "reports/shift/TovarKKMSums.h"

namespace tv {
namespace {

TEST(TovarKKMSums, RateSumsAddTheExactAmounts) {
  struct Case {
    std::vector<const char*> amounts;  // each row's retail sum, quantity and purchase sum
    const char* sum;                   // the rate's three sums, "%.2n"
  };
  // 0.5 x 123.53 + 1 x 285.83 = 347.595: the double of 61.765 lies below
  // its half, but the sum of it and the exact 285.83 rounds to the double
  // above 347.595. A double of each amount first would lose that.
  const Case cases[] = {{{"61,765", "285,83"}, "347,60"},
                        {{"9,939", "15,246"}, "25,18"},
                        {{"21,145", "30,57"}, "51,71"}};
  for (const Case& c : cases) {
    TStringList sections, rates;
    TTovarSaleSums sums(sections, rates);
    for (const char* a : c.amounts)
      sums.AddTovarSaleRow(1, 0, 2, 0, StrToCurr(a), StrToCurr(a), Currency(18), StrToCurr(a));
    const int at = rates.IndexOf("NDS180");
    ASSERT_GE(at, 0);
    const auto& rec = *static_cast<const C_Rec_Summa*>(rates.Objects(at));
    for (double v : {rec.RSumma, rec.Kolvo, rec.ZSumma})
      EXPECT_EQ(Format("%.2n", {v}), c.sum) << c.amounts[0];
    FreeRateSums(rates);
  }
}

}  // namespace
}  // namespace tv
