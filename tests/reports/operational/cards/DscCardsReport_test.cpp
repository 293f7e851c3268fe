// The discount-card report through the exported names ('#' 1) on the sample
// office database: the rows of the three groupings against independent SQL,
// masks with quotes, the notice text and failures.

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

class DscCardsReport : public CardsFixture {
 protected:
  // The report's rows: card number and volume, in order.
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    for (const auto& row : HtmlRows())
      if (row.size() >= 3 && row[0] != "Номер карты" && row[0] != "Итого")
        out.push_back(row[0] + " " + row[row.size() - 2]);
    return out;
  }
  std::vector<std::string> SqlRows(const std::string& select) {
    std::vector<std::string> out;
    for (const auto& r : OfficeSql(select)) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.2f", std::stod(r.at("L")));
      std::string v = buf;
      for (char& c : v)
        if (c == '.') c = ',';
      out.push_back(r.at("C") + " " + v);
    }
    return out;
  }
  std::string Dsc(int kind, const char* masks, const char* stations) {
    return Request('#', A({1, kind, Variant(Utf8ToCp1251(masks)), Variant(Utf8ToCp1251(stations))}))
        .Text;
  }
};

TEST_F(DscCardsReport, TheThreeGroupingsEqualTheOfficeDatabase) {
  EXPECT_EQ(Dsc(0, "12*", ""), "Данные по дисконтным картам находятся в новой форме отчета");
  // Records of one card come in the database's order: compared sorted.
  std::vector<std::string> rows = Rows(), sql = SqlRows(
      "SELECT CARDNUM AS C, SUMLITER AS L FROM DSCCARDS WHERE CARDNUM LIKE '12%'");
  std::sort(rows.begin(), rows.end());
  std::sort(sql.begin(), sql.end());
  EXPECT_EQ(rows, sql);
  Dsc(1, "*", "");
  EXPECT_EQ(Rows(), SqlRows("SELECT CARDNUM AS C, SUM(SUMLITER) AS L FROM DSCCARDS GROUP BY "
                            "CARDNUM, AZSNAME ORDER BY AZSNAME, CARDNUM"));
  EXPECT_NE(Cp1251ToUtf8(Html()).find("21.01.2024 09:00:00"), std::string::npos);  // latest
  Dsc(2, "12?0002\n1234567", "");
  EXPECT_EQ(Rows(), SqlRows("SELECT CARDNUM AS C, SUM(SUMLITER) AS L FROM DSCCARDS WHERE CARDNUM "
                            "LIKE '12_0002' OR CARDNUM = '1234567' GROUP BY CARDNUM ORDER BY "
                            "CARDNUM"));
}

TEST_F(DscCardsReport, QuotesAndWildcardsInMasksAndStations) {
  Dsc(0, "*", "АЗС О'Брайен");
  EXPECT_EQ(Rows(), SqlRows("SELECT CARDNUM AS C, SUMLITER AS L FROM DSCCARDS WHERE AZSNAME = "
                            "'АЗС О''Брайен'"));
  Dsc(0, "' OR 1=1 --", "");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"' OR 1=1 -- 1,00"}));
  // A station name with "*" stays an equality on the name with "%".
  Dsc(0, "", "АЗС*\nАЗС №3");
  EXPECT_EQ(Rows(), SqlRows("SELECT CARDNUM AS C, SUMLITER AS L FROM DSCCARDS WHERE AZSNAME IN "
                            "('АЗС%', 'АЗС №3') ORDER BY CARDNUM"));
}

TEST_F(DscCardsReport, FailuresGiveAClearText) {
  EXPECT_NE(Dsc(3, "*", "").find("Неизвестный вид группировки отчета по дисконтным картам: 3"),
            std::string::npos);
  std::filesystem::remove(OfficeDbPath());
  const std::string missing = Dsc(0, "*", "");
  EXPECT_EQ(missing.rfind("Ошибка при формировании отчета", 0), 0u) << missing;
  EXPECT_NE(missing.find("OFFICE.FDB"), std::string::npos) << missing;
}

}  // namespace
}  // namespace tv::test
