// The difference list of the price-change history, worked out by hand,
// with the process's decimal comma and with a decimal point.

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "reports/operational/fuel/RepriceHistoryReport.h"

namespace tv {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "|" : "") + Cp1251ToUtf8(lines[i]);
  return out;
}

TEST(RepriceDiffList, HandWorkedLinesUnderBothSeparators) {
  TFormatSettings point = DefaultFormatSettings();
  point.DecimalSeparator = '.';
  struct Case {
    const char *olds, *news, *comma, *dot;
  };
  const Case cases[] = {
      {"50.00", "52.50", "2,50, 5,0%", "2.50, 5.0%"},
      {"45,5", "45.50", "Нет", "Нет"},
      {"60.00\r\n45,5", "58,8\n45.5", "-1,20, -2,0%|Нет", "-1.20, -2.0%|Нет"},
      {"  \r\n", "71.30", "Не определена / синхронизация с АЗС",
       "Не определена / синхронизация с АЗС"},
      {"50\r\n51\r\n52", "53\r\n54",
       "Количество элементов в списках \"Старые цены\" и \"Новые цены\" не совпадает",
       "Количество элементов в списках \"Старые цены\" и \"Новые цены\" не совпадает"},
      {"0\r40.00", "10.00\r41.00", "10,00|1,00, 2,5%", "10.00|1.00, 2.5%"},
      {"", "", "", ""},
      {"33.33333", "33.33334", "Нет", "Нет"},  // kept with four decimals
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.olds);
    EXPECT_EQ(Joined(RepriceDiffList(Utf8ToCp1251(c.olds), Utf8ToCp1251(c.news), "x")), c.comma);
    EXPECT_EQ(Joined(RepriceDiffList(Utf8ToCp1251(c.olds), Utf8ToCp1251(c.news), "x", point)),
              c.dot);
  }
}

TEST(RepriceDiffList, ALineThatIsNoNumberNamesTheOrderAndTheLine) {
  try {
    RepriceDiffList("1\r\n2", "1\r\nдва"_w, "Приказ 7"_w);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(Cp1251ToUtf8(e.Message()).rfind("Основание \"Приказ 7\", новые цены, строка 2: ", 0),
              0u)
        << Cp1251ToUtf8(e.Message());
  }
}

}  // namespace
}  // namespace tv
