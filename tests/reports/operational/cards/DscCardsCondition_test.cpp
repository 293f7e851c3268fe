// The card and station conditions of the discount-card report, against the
// texts they must give for the examples of their rules.

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "reports/operational/cards/DscCardsReport.h"

namespace tv {
namespace {

TEST(DscCardsCondition, MasksAndNames) {
  struct Case {
    const char *Input, *Card, *Station;
  };
  const Case cases[] = {
      {"", "(CardNum LIKE '%')", "(AZSName LIKE '%')"},
      {"*", "(CardNum LIKE '%')", "(AZSName LIKE '%')"},
      {"12*", "( (CardNum LIKE '12%'))", "( (AZSName = '12%'))"},
      {"12?4\r\n777", "( (CardNum LIKE '12_4') or  (CardNum = '777'))",
       "( (AZSName = '12_4') or  (AZSName = '777'))"},
      {"O'Brien", "( (CardNum = 'O''Brien'))", "( (AZSName = 'O''Brien'))"},
      {"' OR 1=1 --", "( (CardNum = ''' OR 1=1 --'))", "( (AZSName = ''' OR 1=1 --'))"},
      {"a_b\n50%", "( (CardNum LIKE 'a_b') or  (CardNum LIKE '50%'))",
       "( (AZSName = 'a_b') or  (AZSName = '50%'))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Input);
    EXPECT_EQ(DscCardCondition(c.Input), c.Card);
    EXPECT_EQ(DscStationCondition(c.Input), c.Station);
  }
  EXPECT_EQ(DscStationCondition(Utf8ToCp1251("АЗС*")), Utf8ToCp1251("( (AZSName = 'АЗС%'))"));
}

}  // namespace
}  // namespace tv
