// The dispenser restart reports ('#' 11) through the exported names on the
// RESETTRK records of db/add-sample-dispensers: groups per shift, each
// record once, the cells of a block, the notice and the failures.

#include <regex>

#include "platform/text/Cp1251.h"
#include "tests/reports/operational/DispensersFixture.h"

namespace tv::test {
namespace {

const char* const kNotice =
    "<br><font size=3>За указанный период перезагрузок с незавершенными отливами не было."
    "</font><br><br>";

class ResetTrk : public DispensersFixture {
 protected:
  // The group headers of the HTML with the number of fill blocks under each.
  std::vector<std::pair<std::string, int>> Groups(const Variant& b, const Variant& e) {
    const auto r = Request('#', A({Variant(11), b, e, Variant(12), Variant(13)}));
    EXPECT_EQ(r.Text, "Отчет \"Информация по перезагрузкам\" доступен только в HTML-версии");
    const std::string html = Cp1251ToUtf8(Html());
    std::vector<std::pair<std::string, int>> groups;
    const std::regex header(R"(<p><b>Смена: (?:<nobr>)?([^<;]*)(?:</nobr>)?; Кассир: ([^<]*)</b>)");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), header);
         it != std::sregex_iterator(); ++it) {
      const std::size_t from = it->position() + it->length();
      const std::size_t to = html.find("<p><b>Смена: ", from);
      const std::string body = html.substr(from, to == std::string::npos ? to : to - from);
      int blocks = 0;
      for (std::size_t p = body.find("Примечание:"); p != std::string::npos;
           p = body.find("Примечание:", p + 1))
        ++blocks;
      groups.emplace_back((*it)[1].str() + "; " + (*it)[2].str(), blocks);
    }
    return groups;
  }
};

TEST_F(ResetTrk, OneGroupPerShiftAndEachRecordOnce) {
  // The fill at 01.04.2024 20:00:00 ends shift 12 and begins shift 13: it
  // is listed once, under shift 12; the one of 05.04 lies in no logged shift.
  const std::vector<std::pair<std::string, int>> expected = {
      {"Текущая (7); Петрова Анна Сергеевна", 1},
      {"№ 12; Иванова И. И.", 4},
      {"№ 13; Петров П. П.", 2}};
  EXPECT_EQ(Groups(DateVar(2024, 4, 1), DateVar(2024, 4, 5, 23, 59, 59)), expected);
  const std::string html = Cp1251ToUtf8(Html());
  std::size_t count = 0;
  for (std::size_t p = html.find("01.04.2024 20:00:00"); p != std::string::npos;
       p = html.find("01.04.2024 20:00:00", p + 1))
    ++count;
  EXPECT_EQ(count, 2u);  // its order time and its last poll, in one block
  // A call for the open shift (begin 0): from the host's begin to now.
  host->Set(1, DateVar(2024, 4, 10, 8, 0));
  EXPECT_EQ(Groups(Variant::FromDate(0), Variant::FromDate(0)),
            (std::vector<std::pair<std::string, int>>{{"Текущая (7); Петрова Анна Сергеевна", 1}}));
}

TEST_F(ResetTrk, BlockCellsByHand) {
  Groups(DateVar(2024, 4, 1), DateVar(2024, 4, 2, 23, 59, 59));
  std::vector<std::string> lines;
  for (const auto& row : HtmlSpanRows()) {
    std::string line;
    for (const std::string& cell : row) line += cell.substr(cell.find(':') + 1) + "|";
    lines.push_back(line);
  }
  const auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  // Full tank with a receipt below the order; dispenser by name; state 130.
  EXPECT_TRUE(has("ТРК Север|Сумма|500,00|По базе данных|8,40|Свободна|420,00|8,40||"));
  EXPECT_TRUE(has("АИ-95|Чек выбит|НЕТ|Счетчики ТРК|||||"));
  EXPECT_TRUE(has("Раб. место: 1|Тип отлива|До полного|Последний отлив ТРК|8,40|||||"));
  // No receipt printed; state 13; a numeric dispenser name.
  EXPECT_TRUE(has("01.04.2024 11:00:00|Литры|0,00|По программе||01.04.2024 11:00:00|"
                  "ЧЕК НЕ ВЫБИТ!||"));
  EXPECT_TRUE(has("ТРК: 1|Сумма|500,00|По базе данных||Неизвестно:13|500,00|9,80||"));
  // Windows restarted; litres by the program; state NULL; unknown kinds.
  EXPECT_TRUE(has("01.04.2024 09:00:00|Литры|20,00|По программе|12,50|01.04.2024 09:00:00|"
                  "01.04.2024 09:05:00|ДА|"));
  EXPECT_TRUE(has("ТРК: 3|Сумма|500,00|По базе данных||Неизвестно||||"));
  EXPECT_TRUE(has("Раб. место: 1|Тип отлива|Сбой:4|Последний отлив ТРК||||||"));
  EXPECT_TRUE(has("|Вид оплаты|Вид оплаты: 77|Ручной ввод||Покупатель:|Карта 1002|"));
  EXPECT_TRUE(has("Раб. место: 1|Тип отлива|Неизвестно:7|Последний отлив ТРК||||||"));
}

TEST_F(ResetTrk, NoticeOnlyWhenThereIsNothingOrNoTable) {
  EXPECT_TRUE(Groups(DateVar(2023, 1, 1), DateVar(2023, 12, 31)).empty());
  EXPECT_EQ(Cp1251ToUtf8(Html()), kNotice);
  Exec("ALTER TABLE RESETTRK DROP FIXEDDATA");  // an older table
  Groups(DateVar(2024, 4, 1), DateVar(2024, 4, 5));
  EXPECT_EQ(Cp1251ToUtf8(Html()), kNotice);
  Exec("DROP TABLE RESETTRK");
  Groups(DateVar(2024, 4, 1), DateVar(2024, 4, 5));
  EXPECT_EQ(Cp1251ToUtf8(Html()), kNotice);
}

TEST_F(ResetTrk, AFailureWhileReadingIsReportedNotHidden) {
  // A dispenser number that does not convert fails the reading of the rows.
  Exec("ALTER TABLE RESETTRK ALTER COLUMN TRKNUM TYPE VARCHAR(20)");
  Exec("UPDATE RESETTRK SET TRKNUM = 'x1' WHERE STARTDATA = '2024-04-01 09:00:00'");
  const auto r = Request('#', A({Variant(11), DateVar(2024, 4, 1), DateVar(2024, 4, 5), Variant(12),
                                 Variant(13)}));
  EXPECT_NE(r.Text.find("Ошибка"), std::string::npos) << r.Text;
  EXPECT_EQ(Cp1251ToUtf8(Html()).find("перезагрузок с незавершенными отливами не было"),
            std::string::npos);
}

}  // namespace
}  // namespace tv::test
