// Unmade terminal returns through the exported names (codes 19 and 18) on
// the sample database with the card returns: a hand-checked text, the
// STATUS rule and totals against independent SQL, the transaction record
// through a form of the caller's own, the open shift and the older schema.

#include <cstdio>

#include "platform/os/Files.h"
#include "tests/reports/operational/CardsFixture.h"

namespace tv::test {
namespace {

class BackCardReport : public CardsFixture {
 protected:
  // The HTML rows' card numbers and the totals row.
  std::vector<std::string> Cards(std::vector<std::string>* totals = nullptr) {
    std::vector<std::string> cards;
    for (const auto& row : HtmlRows()) {
      if (row.size() == 7 && row[0] != "Дата") cards.push_back(row[3]);
      if (!row.empty() && row[0] == "Итого:" && totals) *totals = row;
    }
    return cards;
  }
  std::vector<std::string> SqlCards(const std::string& where) {
    std::vector<std::string> cards;
    for (const auto& r : Sql("SELECT NUMBERCARD AS N FROM BACKCARD WHERE DATA BETWEEN "
                             "'2024-01-20 00:00:00' AND '2024-01-20 23:59:59'" +
                             where + " ORDER BY DATA"))
      cards.push_back(r.at("N"));
    return cards;
  }
};

TEST_F(BackCardReport, ClosedShiftsListTheUnmadeReturns) {
  const std::string text = Report(19, A({5, CardsBegin(), CardsEnd(), Variant("Иванов"_w), 7}));
  EXPECT_EQ(MaskPrintTime(text), ExpectedText("backCard_range.txt"));
  std::vector<std::string> totals;
  EXPECT_EQ(Cards(&totals), SqlCards(" AND COALESCE(\"STATUS\", 0) = 0"));
  const auto sums = Sql(
      "SELECT SUM(LITERS) AS L, SUM(SUMMA) AS S FROM BACKCARD WHERE COALESCE(\"STATUS\", 0) = 0 "
      "AND DATA BETWEEN '2024-01-20 00:00:00' AND '2024-01-20 23:59:59'");
  ASSERT_EQ(totals.size(), 3u);
  EXPECT_NEAR(Num(totals[1]), std::stod(sums[0].at("L")), 0.005);
  EXPECT_NEAR(Num(totals[2]), std::stod(sums[0].at("S")), 0.005);
  // Four elements: one shift; the open shift's operator when none is given.
  const std::string one = Report(19, A({7, CardsBegin(), CardsEnd(), Variant("")}));
  EXPECT_NE(one.find("Смена N 7 "), std::string::npos);
  EXPECT_NE(one.find("Петрова Анна Сергеевна"), std::string::npos);
  // Other lengths make no report.
  EXPECT_EQ(Request(19, A({7, CardsBegin(), CardsEnd()})).Result, TV_REPORT_FALSE);
}

TEST_F(BackCardReport, TheTransactionRecordInHexadecimal) {
  // A form of the caller's own with the record and the comment.
  WriteFileBytes(root.Path() + "/c/FUEL/FORMS/REPORT/BackCard.frm",
                 "@Page\r\n@Group\r\n@Repeat\r\n|~Tran~\r\n@EndRepeat\r\n@EndGroup\r\n"
                 "@EndPage\r\n");
  const std::string text = Report(19, A({5, CardsBegin(), CardsEnd(), Variant("")}));
  std::string first79;
  for (int i = 0; i < 79; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", i);
    first79 += hex;
  }
  const std::vector<std::string> lines = Lines(text);
  ASSERT_GE(lines.size(), 3u);
  // Rows in the database's order: 100 bytes give 158 digits, 21 bytes 42,
  // no record nothing.
  EXPECT_EQ(lines[0], "|" + first79);
  std::string coffee;
  for (int i = 0; i < 7; ++i) coffee += "C0FFEE";
  EXPECT_EQ(lines[1], "|" + coffee);
  EXPECT_EQ(lines[2].find_first_not_of("| "), std::string::npos) << lines[2];
}

TEST_F(BackCardReport, TheOpenShiftAndTheOlderSchema) {
  host->Set(1, CardsBegin());
  const std::string open = Report(18, EmptyArray());
  EXPECT_NE(open.find("Не закрыта"), std::string::npos);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Не закрыта"), std::string::npos);
  EXPECT_NE(open.find("Смена N 7 "), std::string::npos);
  // Without STATUS and COMMENT every row of the period is listed.
  Exec("ALTER TABLE BACKCARD DROP \"STATUS\", DROP \"COMMENT\"");
  Report(19, A({5, CardsBegin(), CardsEnd(), Variant("")}));
  EXPECT_EQ(Cards(), SqlCards(""));
}

}  // namespace
}  // namespace tv::test
