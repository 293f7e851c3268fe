// The fuel column list and its running totals.

#include "reports/operational/statements/ItogReport.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/RtlMath.h"

namespace tv {
namespace {

TEST(ItogReportTest, NewColumnsStartAtZeroAndKeepTheirOrder) {
  TItogList list;
  EXPECT_EQ(list.Count(), 0);
  list.Add("ДТ"_w);
  list.Add("АИ-92"_w);
  list.Add("ДТ"_w);  // duplicates are kept: the fuel query decides the columns
  EXPECT_EQ(list.Add("ИТОГО"_w), 3);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Name(0), "ДТ"_w);
  EXPECT_EQ(list.Name(1), "АИ-92"_w);
  EXPECT_EQ(list.Name(3), "ИТОГО"_w);
  EXPECT_EQ(list.Names().Text(), "ДТ\r\nАИ-92\r\nДТ\r\nИТОГО\r\n"_w);
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Item(i).Liter, 0);
    EXPECT_EQ(list.Item(i).Kg, 0);
    EXPECT_EQ(list.Item(i).Summa.Raw(), 0);
  }
  EXPECT_NE(&list.Item(0), &list.Item(2));
  EXPECT_THROW(list.Item(4), EStringListError);
}

TEST(ItogReportTest, AddingKeepsExtendedLitresAndFourDecimalMoney) {
  TItogReport item;
  item.Add(10.5L, 7.875L, 1.23456L);
  EXPECT_EQ(item.Summa.Raw(), 12346);  // 1.2346
  item.Add(0.1L, 0.2L, 0.0L);
  // extended precision: 10.5 + 0.1 computed in 80 bits, not in double
  EXPECT_EQ(item.Liter, 10.5L + 0.1L);
  EXPECT_EQ(item.Kg, 7.875L + 0.2L);
  // ties of the raw count go to the even neighbour: 1/32 is 312.5 raw
  TItogReport ties;
  ties.Add(0, 0, 0.03125L);
  EXPECT_EQ(ties.Summa.Raw(), 312);
  ties.Add(0, 0, 0.09375L);  // 937.5 raw
  EXPECT_EQ(ties.Summa.Raw(), 312 + 938);
  ties.Add(0, 0, -0.03125L);
  EXPECT_EQ(ties.Summa.Raw(), 312 + 938 - 312);
}

TEST(ItogReportTest, EachAdditionIsRoundedOnItsOwn) {
  // Three additions of 0.00004 each round to 0 raw; a sum of the three would
  // have given 1 (0.00012). The column adds rounded amounts, not a float sum.
  TItogReport item;
  for (int i = 0; i < 3; ++i) item.Add(0, 0, 0.00004L);
  EXPECT_EQ(item.Summa.Raw(), 0);
  item.Add(0, 0, 12345.67L);
  EXPECT_EQ(static_cast<long double>(item.Summa), 12345.67L);
}

TEST(ItogReportTest, MoneyOutsideTheCurrencyRangeRaises) {
  TItogReport item;
  EXPECT_THROW(item.Add(0, 0, 1e16L), EInvalidOp);
  item.Add(0, 0, 900000000000000.0L);
  EXPECT_THROW(item.Add(0, 0, 900000000000000.0L), EOverflow);
}

TEST(ItogReportTest, ResetClearsEveryColumnForTheNextGroup) {
  TItogList list;
  list.Add("АИ-95"_w);
  list.Add("ИТОГО"_w);
  list.Item(0).Add(20, 15.1, 1142);
  list.Item(1).Add(20, 15.1, 1142);
  ResetItogList(list);
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Item(i).Liter, 0);
    EXPECT_EQ(list.Item(i).Kg, 0);
    EXPECT_EQ(list.Item(i).Summa.Raw(), 0);
  }
  // a group without rows leaves the totals at 0 after the reset
  ResetItogList(list);
  EXPECT_EQ(list.Item(1).Summa.Raw(), 0);
}

}  // namespace
}  // namespace tv
