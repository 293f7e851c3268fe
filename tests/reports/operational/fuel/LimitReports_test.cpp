// The limit balances ('#' 12) and the limit detail ('#' 13) through the
// exported names on the sample station database with the limit rows of
// db/add-sample-limits: rows and totals against independent SQL and
// hand-worked figures, and databases too old for the reports.

#include <cstdio>
#include <map>
#include <set>

#include "platform/SysUtils.h"
#include "tests/reports/operational/LimitsFixture.h"

namespace tv::test {
namespace {

class LimitReports : public LimitsFixture {};

Variant Detail(const std::string& utf8Name) {
  return A({Variant(13), Variant(Utf8ToCp1251(utf8Name)), DateVar(2024, 1, 10),
            DateVar(2024, 1, 12, 23, 59, 59)});
}

// A stored -1 counts as 0; the other values as they are.
double Shown(double stored) { return stored > -1.1 && stored < -0.9 ? 0 : stored; }

TEST_F(LimitReports, BalancesListTheLiveLimitsGroupedByNameWithTheirTotals) {
  EXPECT_EQ(Report('#', A({Variant(12)})),
            "Отчет \"Текущие остатки по убывающему лимиту\" доступен только в HTML-версии");
  const auto rows = HtmlRows();
  // The Part's rules written as a join: live decreasing limits of live
  // counterparties whose payment type is among their contract settings.
  const auto expected = Sql(
      "SELECT c.NAME AS ORG, L.NAME AS LIM, L.LITERS, L.SUMMA FROM VDLIMITS L "
      "JOIN CONTRAGENT c ON c.CONTR_ID = L.CONTR_ID WHERE L.LIMITTYPE = 5 AND L.ISDELETE = 0 "
      "AND c.ISDELETE = 0 AND EXISTS (SELECT 1 FROM CONTRAGENTTYPE t WHERE t.CONTR_ID = "
      "c.CONTR_ID AND t.CTYPE = 1 AND t.PARAM1 = L.VIDOPL) ORDER BY c.NAME, L.NAME, L.ID");
  std::vector<std::vector<std::string>> limits, groups, grand;
  for (const auto& row : rows) {
    if (row.size() == 8 && row[1] != "2" && row[0] != "№") limits.push_back(row);
    if (row.size() == 5 && row[0].empty()) groups.push_back(row);
    if (row.size() == 3 && row[0] == "ИТОГО") grand.push_back(row);
  }
  ASSERT_EQ(limits.size(), expected.size());
  std::map<std::string, std::pair<double, double>> byOrg;
  double liters = 0, summa = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].at("LIM"));
    EXPECT_EQ(limits[i][0], std::to_string(i + 1));
    EXPECT_EQ(limits[i][1], expected[i].at("ORG"));
    EXPECT_EQ(limits[i][2], expected[i].at("LIM"));
    const double l = Shown(std::stod(expected[i].at("LITERS")));
    const double s = Shown(std::stod(expected[i].at("SUMMA")));
    EXPECT_NEAR(Num(limits[i][6]), l, 0.005);
    EXPECT_NEAR(Num(limits[i][7]), s, 0.005);
    byOrg[expected[i].at("ORG")].first += l;
    byOrg[expected[i].at("ORG")].second += s;
    liters += l;
    summa += s;
  }
  // Two counterparties named "ООО Лимит-Сервис" form one group.
  ASSERT_EQ(groups.size(), byOrg.size());
  for (const auto& g : groups) {
    SCOPED_TRACE(g[1]);
    ASSERT_EQ(byOrg.count(g[1]), 1u);
    EXPECT_NEAR(Num(g[3]), byOrg[g[1]].first, 0.005);
    EXPECT_NEAR(Num(g[4]), byOrg[g[1]].second, 0.005);
  }
  ASSERT_EQ(grand.size(), 1u);
  EXPECT_NEAR(Num(grand[0][1]), liters, 0.005);
  EXPECT_NEAR(Num(grand[0][2]), summa, 0.005);
  // The hand-picked cases: -1 shows 0, -1.2 and -0.8 show as they are.
  for (const auto& row : limits) {
    if (row[2] == "Б: водитель Зайцев") {
      EXPECT_EQ(row[6], "0,00");
    }
    if (row[2] == "В: дизель") {
      EXPECT_EQ(row[6] + " " + row[7], "-1,20 -0,80");
    }
    EXPECT_NE(row[2], "Д: удален");
    EXPECT_NE(row[2], "Е: вне договора");
    EXPECT_NE(row[2], "З: закрытого клиента");
  }
}

// The detail of "ООО Лимит-Сервис" worked out by hand from
// db/sample-limits.sql, with "N/NN" in the first cell (an NB template that
// shows NN too): each sale under the first limit that takes it.
const char* const kDetail[] = {
    "Лимит: А: машина А031АА77; Объект: автомобиль \"А031АА77\"; ГСМ: АИ-92",
    "1/2\t10.01.2024 08:00\t\t\t\t\t\t100,00\t5 000,00\t100,00\t5 000,00",
    "2/3\t10.01.2024 09:00\t20,00\t1 048,00\tАИ-92\tА031АА77\tЖуков Илья Петрович\t\t\t\t",
    "3/4\t10.01.2024 10:00\t10,50\t550,20\tаи-92\tА031АА77\tЗайцев Олег Ильич\t\t\t\t",
    "Итого:\t30,50\t1 598,20\t\t\t\t100,00\t5 000,00\t\t",
    "Лимит: Б: водитель Зайцев; Объект: водитель \"Зайцев Олег Ильич\"; ГСМ: Все",
    "4/4\t10.01.2024 11:00\t30,00\t1 713,00\tАИ-95\tА031АА77\tЗайцев Олег Ильич\t\t\t\t",
    "5/7\t12.01.2024 14:00\t15,00\t786,00\tАИ-92\tВ032ВВ77\tЗайцев Олег Ильич\t\t\t\t",
    "Итого:\t45,00\t2 499,00\t\t\t\t0,00\t0,00\t\t",
    "Лимит: В: дизель; Объект: контрагент; ГСМ: дт",
    "6/5\t11.01.2024 12:00\t40,00\t2 550,00\tДТ\tВ032ВВ77\tЖуков Илья Петрович\t\t\t\t",
    "7/8\t12.01.2024 23:59\t8,25\t525,94\tДТ\tА031АА77\tЖуков Илья Петрович\t\t\t\t",
    "Итого:\t48,25\t3 075,94\t\t\t\t0,00\t0,00\t\t",
    "Лимит: Г: общий; Объект: контрагент; ГСМ: ВСЕ",
    "8/1\t10.01.2024 00:00\t12,00\t628,80\tАИ-92\t\t\t\t\t\t",
    "9/5\t11.01.2024 09:30\t\t\t\t\t\t200,00\t0,00\t450,25\t-1,00",
    "10/7\t11.01.2024 13:00\t25,00\t1 427,50\tАИ-95\tВ032ВВ77\tЖуков Илья Петрович\t\t\t\t",
    "Итого:\t37,00\t2 056,30\t\t\t\t200,00\t0,00\t\t",
    "Лимит: Д: удален; Объект: контрагент; ГСМ: ВСЕ",
    "Итого:\t0,00\t0,00\t\t\t\t0,00\t0,00\t\t",
    "Лимит: Ж: второй договор; Объект: контрагент; ГСМ: ВСЕ",
    "11/1\t11.01.2024 15:00\t10,00\t571,00\tАИ-95\t\t\t\t\t\t",
    "12/2\t12.01.2024 08:00\t\t\t\t\t\t55,50\t2 775,00\t55,50\t2 775,00",
    "Итого:\t10,00\t571,00\t\t\t\t55,50\t2 775,00\t\t",
    "ИТОГО:\t170,75\t9 800,44\t\t\t\t355,50\t7 775,00\t\t",
};

std::vector<std::string> BodyLines(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> out;
  for (std::size_t i = 3; i < rows.size(); ++i) {  // after the three heading rows
    std::string line;
    for (std::size_t j = 0; j < rows[i].size(); ++j) line += (j ? "\t" : "") + rows[i][j];
    out.push_back(line);
  }
  return out;
}

TEST_F(LimitReports, DetailShowsEachSaleUnderTheFirstLimitThatTakesItAsWorkedOutByHand) {
  std::string page = BuiltInTemplate("Детализация лимитов.html");
  page = StringReplace(page, "&lt;#N&gt;", "&lt;#N&gt;/&lt;#NN&gt;", rfReplaceAll);
  UseNBTemplate("Детализация лимитов.html", page);
  // The name in another letter case finds the counterparty.
  EXPECT_EQ(Report('#', Detail("ооо лимит-сервис")),
            "Отчет \"Детализация по убывающим лимитам\" доступен только в HTML-версии");
  const std::vector<std::string> expected(std::begin(kDetail), std::end(kDetail));
  EXPECT_EQ(BodyLines(HtmlRows()), expected);
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("Контрагент: ооо лимит-сервис"), std::string::npos);
  EXPECT_NE(html.find("Период: с 10.01.2024 00:00:00 по 12.01.2024 23:59:59"), std::string::npos);
}

// A movement as "dd.mm.yyyy hh:nn|litres|money"; Stamp gives that date of
// a query's timestamp.
std::string Move(const std::string& date, double liters, double money) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "|%.2f|%.2f", liters, money);
  return date + buf;
}
std::string Stamp(const std::string& t) {
  return t.substr(8, 2) + "." + t.substr(5, 2) + "." + t.substr(0, 4) + " " + t.substr(11, 5);
}

TEST_F(LimitReports, DetailShowsUnderEachLimitOnlyItsOwnCounterpartysMovements) {
  // 41 and 42 share the name: each limit shows exactly its own history
  // rows, and each counterparty's statement sales show under its own
  // limits (each has one for every fuel).
  Report('#', Detail("ООО Лимит-Сервис"));
  const std::string in = " BETWEEN '2024-01-10 00:00:00' AND '2024-01-12 23:59:59'";
  std::map<std::string, std::multiset<std::string>> got, want;  // "up <LID>", "sale <CONTR_ID>"
  const std::string head = "Лимит: ";
  std::string ups, sales;
  for (const auto& row : HtmlRows()) {
    if (row.size() == 1 && row[0].rfind(head, 0) == 0) {
      const std::string name = row[0].substr(head.size(), row[0].find(';') - head.size());
      const auto lim = Sql("SELECT ID, CONTR_ID FROM VDLIMITS WHERE NAME = '" + name + "'").at(0);
      ups = "up " + lim.at("ID");
      sales = "sale " + lim.at("CONTR_ID");
      for (const auto& r : Sql("SELECT DATAAPPLY, CHANGEONL, CHANGEONS FROM VDLIMITSHISTORY WHERE "
                               "CHANGETYPE = 1 AND LID = " + lim.at("ID") + " AND DATAAPPLY" + in))
        want[ups].insert(Move(Stamp(r.at("DATAAPPLY")), std::stod(r.at("CHANGEONL")),
                              std::stod(r.at("CHANGEONS"))));
    } else if (row.size() == 11 && !sales.empty()) {
      const bool up = row[2].empty();
      got[up ? ups : sales].insert(Move(row[1], Num(row[up ? 7 : 2]), Num(row[up ? 8 : 3])));
    }
  }
  for (const std::string id : {"41", "42"})
    for (const auto& r : Sql("SELECT DATA, LITER, SUMMA FROM LOGTRAN WHERE IDCNT = '" + id +
                             "' AND VIDOPL - VIDOPL / 100 * 100 = 4 AND DATA" + in))
      want["sale " + id].insert(
          Move(Stamp(r.at("DATA")), std::stod(r.at("LITER")), std::stod(r.at("SUMMA"))));
  EXPECT_EQ(got, want);
}

TEST_F(LimitReports, DetailOfAnUnknownOrEmptyNameHasNoGroupsAndZeroTotals) {
  for (const char* name : {"Нет такого", ""}) {
    SCOPED_TRACE(name);
    Report('#', Detail(name));
    EXPECT_EQ(BodyLines(HtmlRows()),
              std::vector<std::string>{"ИТОГО:\t0,00\t0,00\t\t\t\t0,00\t0,00\t\t"});
  }
}

TEST_F(LimitReports, OlderDatabasesGiveTheOutdatedInstallationMessage) {
  // The server's own message follows the notice directly.
  const std::string prefix = "Вероятно установлена слишком старая версия Velmar. Ошибка:";
  Exec("DROP TABLE VDLIMITSHISTORY");
  ExpectError('#', Detail("ООО Лимит-Сервис"), prefix);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Table unknown\r\nVDLIMITSHISTORY"), std::string::npos);
  Exec("DROP TABLE VDLIMITS");
  ExpectError('#', A({Variant(12)}), prefix + "Dynamic SQL Error");
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Table unknown\r\nVDLIMITS"), std::string::npos);
}

TEST_F(LimitReports, BadParameterArraysGiveTheDispatcherErrorText) {
  ExpectError('#', A({Variant(13), Variant("x")}), "");
  ExpectError('#', A({Variant(13), Variant("x"), Variant("вчера"_w), Variant(1.0)}), "");
}

}  // namespace
}  // namespace tv::test
