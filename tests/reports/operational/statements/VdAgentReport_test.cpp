// The counterparty statement through the exported names (codes 12, 15 and
// 17) on the sample station database: hand-checked texts, totals against
// independent SQL sums, the HTML version against the text version, and bad
// requests.

#include <cmath>
#include <map>

#include "platform/SysUtils.h"
#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {
namespace {

// One row of the text version's table: a sale or a subtotal.
struct TextRow {
  std::string Num, Date, Time, Number, List, GSM;
  double Liter;
};

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::vector<TextRow> TableRows(const std::string& text) {
  std::vector<TextRow> rows;
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] != '|') continue;
    std::vector<std::string> c;
    std::size_t start = 1;
    for (std::size_t bar = line.find('|', 1); bar != std::string::npos;
         bar = line.find('|', start)) {
      c.push_back(Trim(line.substr(start, bar - start)));
      start = bar + 1;
    }
    if (c.size() != 7 || (c[1].size() != 10 && c[1] != "Итого:")) continue;  // headings
    rows.push_back({c[0], c[1], c[2], c[3], c[4], c[5], Num(c[6])});
  }
  return rows;
}

// "Итого: <litres> |" of the page footer.
double TextTotal(const std::string& text) {
  const std::string label = "Итого: ";
  for (const std::string& line : Lines(text)) {
    const std::size_t p = line.find(label);
    if (p == std::string::npos || line[0] == '|') continue;
    const std::size_t from = p + label.size();
    return Num(Trim(line.substr(from, line.rfind('|') - from)));
  }
  return std::nan("");
}

// The HTML total row: "Итого:", litres, money.
std::vector<std::string> HtmlTotal(const std::vector<std::vector<std::string>>& rows) {
  for (const auto& row : rows)
    if (row.size() >= 3 && row[0] == "Итого:" && row.size() == 4) return row;
  return {};
}

double Sql1(const std::vector<IsqlRow>& rows, const std::string& column) {
  if (rows.empty() || rows[0].at(column) == "<null>") return 0;
  return std::stod(rows[0].at(column));
}

const char* const kSalesOf21 =
    "FROM LOGTRAN a WHERE a.IDCNT = '21' AND a.KA = 0 AND a.DATA BETWEEN "
    "'2024-02-05 00:00:00' AND '2024-02-06 23:59:59'";

class VdAgentReport : public StatementsFixture {};

TEST_F(VdAgentReport, PeriodWithTheDefaultPaymentTypeMatchesTheHandCheckedText) {
  // Code 12 with six elements: no selection, no codes, so only row 4 of the
  // payment-type table (code 4); the name is matched without regard to case.
  const std::string text = Report(
      12,
      A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ооо автотрейд")), false, false, false}));
  EXPECT_EQ(MaskPrintTime(text), ExpectedText("vdAgent_period.txt"));

  // Both ends of the period are in, the sales just outside are not.
  const auto rows = TableRows(text);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows.front().Date + " " + rows.front().Time, "05.02.2024 00:00");
  EXPECT_EQ(rows.back().Date + " " + rows.back().Time, "06.02.2024 23:59");

  const auto sums = Sql("SELECT SUM(ROUND(a.LITER, 2)) AS L, SUM(ROUND(a.SUMMA, 2)) AS S " +
                        std::string(kSalesOf21) + " AND a.VIDOPL = 4");
  EXPECT_DOUBLE_EQ(TextTotal(text), Sql1(sums, "L"));
  EXPECT_DOUBLE_EQ(Sql1(sums, "L"), 145.0);  // 30 + 40 + 25 + 50, worked by hand

  const auto html = HtmlRows();
  const auto total = HtmlTotal(html);
  ASSERT_EQ(total.size(), 4u);
  EXPECT_DOUBLE_EQ(Num(total[1]), Sql1(sums, "L"));
  EXPECT_DOUBLE_EQ(Num(total[2]), Sql1(sums, "S"));
  EXPECT_DOUBLE_EQ(Num(total[2]), 8353.5);
}

TEST_F(VdAgentReport, PerFuelSummaryEqualsTheSqlSumsPerFuel) {
  Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ООО АвтоТрейд")), false, false,
                false, Variant(), A({4, 104})}));
  const auto sums =
      Sql("SELECT a.GSMNAME AS G, SUM(ROUND(a.LITER, 2)) AS L, SUM(ROUND(a.SUMMA, 2)) AS S " +
          std::string(kSalesOf21) + " AND a.VIDOPL IN (4, 104) GROUP BY a.GSMNAME ORDER BY 1");
  ASSERT_EQ(sums.size(), 3u);
  // The summary row holds the fuels in the order they first appear, one
  // line each: names, litres and money in three cells.
  const auto html = HtmlRows();
  std::vector<std::string> summary;
  for (const auto& row : html)
    if (row.size() == 4 && row[0].rfind("Итого по ", 0) == 0) summary = row;
  ASSERT_EQ(summary.size(), 4u);
  EXPECT_EQ(summary[0], "Итого по АИ-92:|Итого по АИ-95:|Итого по ДТ:");
  std::vector<std::string> liters, money;
  for (std::string s = summary[1] + "|"; !s.empty(); s.erase(0, s.find('|') + 1))
    liters.push_back(s.substr(0, s.find('|')));
  for (std::string s = summary[2] + "|"; !s.empty(); s.erase(0, s.find('|') + 1))
    money.push_back(s.substr(0, s.find('|')));
  ASSERT_EQ(liters.size(), 3u);
  ASSERT_EQ(money.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(Num(liters[i]), std::stod(sums[i].at("L"))) << sums[i].at("G");
    EXPECT_DOUBLE_EQ(Num(money[i]), std::stod(sums[i].at("S"))) << sums[i].at("G");
  }
  // ДТ 10.556 l is shown rounded to 10.56 and summed so: 60.56, not 60.556.
  EXPECT_EQ(liters[2], "60,56");
}

TEST_F(VdAgentReport, GroupsByDriverThenCarWithSubtotalsInTheHandCheckedOrder) {
  // Code 12 with eight elements: driver and car groups, driver first; the
  // selection is unassigned and the codes pick both statement types.
  const std::string text =
      Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ООО АвтоТрейд")), true, true,
                    true, Variant(), A({4, 104})}));
  EXPECT_EQ(MaskPrintTime(text), ExpectedText("vdAgent_grouped.txt"));
  std::vector<std::string> subtotals;
  for (const TextRow& row : TableRows(text))
    if (row.Date == "Итого:") subtotals.push_back(row.Number + " " + Format("%.2f", {row.Liter}));
  EXPECT_EQ(subtotals,
            (std::vector<std::string>{"-- 30,00", "К101МР77 45,25", "К202МР77 60,56", "-- 75,81",
                                      "К101МР77 40,00", "К202МР77 25,00", "-- 65,00"}));
  EXPECT_DOUBLE_EQ(TextTotal(text), 170.81);

  // Each driver forms one block, so its subtotal is its SQL sum.
  const auto drivers =
      Sql("SELECT COALESCE(d.NAME, '') AS N, SUM(ROUND(a.LITER, 2)) AS L FROM LOGTRAN a "
          "LEFT JOIN VDDRIVER d ON d.ID = a.IDDRV WHERE a.IDCNT = '21' AND a.KA = 0 AND "
          "a.VIDOPL IN (4, 104) AND a.DATA BETWEEN '2024-02-05 00:00:00' AND '2024-02-06 23:59:59' "
          "GROUP BY 1 ORDER BY 1");
  ASSERT_EQ(drivers.size(), 3u);
  std::map<std::string, double> html;
  for (const auto& row : HtmlRows())
    if (row.size() == 10 && row[0] == "Итого:" && !row[4].empty()) html[row[4]] = Num(row[7]);
  // The unnamed driver's subtotal carries no name, the last group's a blank.
  EXPECT_DOUBLE_EQ(html["Андреев Петр Ильич"], std::stod(drivers[1].at("L")));
  EXPECT_DOUBLE_EQ(html["Белов Олег Ильич"], std::stod(drivers[2].at("L")));
}

TEST_F(VdAgentReport, SelectionArrayAndCodesChooseThePaymentTypes) {
  const Variant name(Utf8ToCp1251("ООО АвтоТрейд"));
  // A selection over the table's 14 rows with only row 13 (code 104).
  Variant sel = VarArrayCreate({0, 13}, VarType::Integer);
  sel[13] = 1;
  const std::string bySelection =
      Report(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false, sel}));
  EXPECT_DOUBLE_EQ(TextTotal(bySelection), 25.81);  // 10.56 + 15.25
  const auto html = HtmlRows();
  int rows104 = 0;
  for (const auto& row : html)
    if (row.size() == 10 && row[9] == "Ведомость по договорам") ++rows104;
  EXPECT_EQ(rows104, 2);
  // Codes replace the selection.
  const std::string byCodes =
      Report(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false, sel, A({4})}));
  EXPECT_DOUBLE_EQ(TextTotal(byCodes), 145.0);
  // A shorter selection covers only its own rows; a longer one is cut.
  Variant shortSel = A({0, 0, 0});
  EXPECT_DOUBLE_EQ(
      TextTotal(Report(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false, shortSel}))),
      0.0);
  Variant longSel = VarArrayCreate({0, 30}, VarType::Integer);
  longSel[4] = 1;
  longSel[30] = 1;
  EXPECT_DOUBLE_EQ(
      TextTotal(Report(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false, longSel}))),
      145.0);
}

TEST_F(VdAgentReport, ClosedShiftPrintsTheShiftAndTheOperator) {
  // Code 15 with five elements: one closed shift, default payment type.
  const std::string text =
      Report(15, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ЗАО Лесозаготовка")),
                    Variant(std::string("101")), Variant(Utf8ToCp1251("Иванова"))}));
  const auto lines = Lines(text);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(Trim(lines[3]), "Смена №101 c 05.02.2024 по 06.02.2024 23:59:59");
  EXPECT_EQ(Trim(lines[lines.size() - 1]), "Иванова");
  EXPECT_DOUBLE_EQ(TextTotal(text), 10.0);  // the one sale on code 4

  // Eleven elements: equal shift numbers are one shift, different ones a
  // period without operator; element 10 holds the codes.
  auto longForm = [&](const char* to) {
    return Report(15, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ЗАО Лесозаготовка")),
                         Variant(std::string("101")), Variant(Utf8ToCp1251("Иванова")),
                         Variant(std::string(to)), Variant(), false, false, true, A({4, 104})}));
  };
  const std::string one = longForm("101");
  EXPECT_NE(one.find("Смена №101 c 05.02.2024 по 06.02.2024 23:59:59"), std::string::npos);
  EXPECT_NE(one.find("Иванова"), std::string::npos);
  EXPECT_DOUBLE_EQ(TextTotal(one), 130.0);  // 100 + 20 + 10
  const std::string range = longForm("102");
  EXPECT_NE(range.find("Период с 05.02.2024 по 06.02.2024 23:59:59"), std::string::npos);
  EXPECT_EQ(range.find("Иванова"), std::string::npos);

  // Ten elements: no codes, the default payment type.
  const std::string ten =
      Report(15, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ЗАО Лесозаготовка")),
                    Variant(std::string("101")), Variant(""), Variant(std::string("101")),
                    Variant(), false, false, true}));
  EXPECT_DOUBLE_EQ(TextTotal(ten), 10.0);
  // Six to nine elements miss element 9 or 10: an error text, no report.
  const auto bad = Request(
      15, A({PeriodBegin(), PeriodEnd(), Variant("x"), Variant("1"), Variant(""), Variant("1")}));
  EXPECT_EQ(bad.Result, TV_REPORT_TRUE);
  EXPECT_EQ(bad.Text.rfind("Ошибка при формировании отчета \"Отпуск по контрагенту по закрытой "
                           "смене\": ",
                           0),
            0u)
      << bad.Text;
}

TEST_F(VdAgentReport, OpenShiftRunsFromTheShiftBeginToNow) {
  // The open shift 7 began on 2024-02-06 00:00 (host questions 0, 1, 2).
  const auto sums =
      Sql("SELECT SUM(ROUND(a.LITER, 2)) AS L FROM LOGTRAN a WHERE a.IDCNT = '21' AND a.KA = 0 AND "
          "a.VIDOPL = 4 AND a.DATA >= '2024-02-06 00:00:00'");
  const Variant name(Utf8ToCp1251("ООО АвтоТрейд"));
  const std::string text = Report(17, A({name}));
  EXPECT_DOUBLE_EQ(TextTotal(text), Sql1(sums, "L"));
  EXPECT_DOUBLE_EQ(TextTotal(text), 85.0);  // 25 + 50 + 10 (the sale after the period too)
  EXPECT_NE(text.find("Смена №7 c 06.02.2024 - текущая"), std::string::npos);
  EXPECT_NE(text.find("Петрова Анна Сергеевна"), std::string::npos);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Смена №7 c 06.02.2024 - текущая"), std::string::npos);

  // Five elements: a selection and the group switches.
  Variant sel = VarArrayCreate({0, 13}, VarType::Integer);
  sel[13] = 1;
  EXPECT_DOUBLE_EQ(TextTotal(Report(17, A({name, sel, false, false, true}))), 15.25);
  // Six elements: the sixth is not passed on, the selection stands.
  EXPECT_DOUBLE_EQ(TextTotal(Report(17, A({name, sel, false, false, true, A({4})}))), 15.25);
  // Seven: the codes replace the selection.
  EXPECT_DOUBLE_EQ(TextTotal(Report(17, A({name, sel, false, false, true, A({4}), 0}))), 85.0);
  // Two to four elements miss the group switches.
  EXPECT_NE(Request(17, A({name, sel})).Text.find("Ошибка при формировании отчета"),
            std::string::npos);
}

TEST_F(VdAgentReport, MoneyFromPriceTimesRoundedLitresWithRepSmType1) {
  WriteCnfIni("[Misc]\nRepSmType=1\n");
  Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ООО АвтоТрейд")), false, false,
                false, Variant(), A({104})}));
  // 63.75 * 10.56 = 673.20 (stored 672.95), 57.10 * 15.25 = 870.775 -> 870.78
  auto total = HtmlTotal(HtmlRows());
  ASSERT_EQ(total.size(), 4u);
  EXPECT_DOUBLE_EQ(Num(total[2]), 1543.98);
  WriteCnfIni("[Misc]\nRepSmType=0\n");
  Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ООО АвтоТрейд")), false, false,
                false, Variant(), A({104})}));
  total = HtmlTotal(HtmlRows());
  ASSERT_EQ(total.size(), 4u);
  EXPECT_DOUBLE_EQ(Num(total[2]), 1543.73);
  // Any other value takes neither litres nor money.
  WriteCnfIni("[Misc]\nRepSmType=2\n");
  EXPECT_DOUBLE_EQ(
      TextTotal(Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ООО АвтоТрейд")),
                              false, false, false, Variant(), A({104})}))),
      0.0);
}

TEST_F(VdAgentReport, QuoteInTheNameAndCounterpartiesWithoutSales) {
  EXPECT_DOUBLE_EQ(
      TextTotal(Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ооо о'коннор ойл")),
                              true, true, false}))),
      45.0);
  for (const char* name : {"ИП Кузьмин Р. Е.", "Нет такого контрагента"}) {
    const std::string text = Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251(name)),
                                           true, true, true, Variant(), A({4, 104})}));
    EXPECT_TRUE(TableRows(text).empty()) << name;  // no rows and no subtotal rows
    EXPECT_DOUBLE_EQ(TextTotal(text), 0.0);
    const auto total = HtmlTotal(HtmlRows());
    ASSERT_EQ(total.size(), 4u);
    EXPECT_EQ(total[1], "0,00");
    EXPECT_EQ(total[2], "0,00");
  }
}

TEST_F(VdAgentReport, CounterpartiesOfTheOlderStore) {
  // Without statement contracts in CONTRAGENTTYPE the counterparties, their
  // drivers and cars come from VDCONTRACTOR, VDDRIVER and VDCAR by CID.
  Exec("DELETE FROM CONTRAGENTTYPE");
  const std::string text =
      Report(12, A({PeriodBegin(), PeriodEnd(), Variant(Utf8ToCp1251("ООО АвтоТрейд")), true, true,
                    true, Variant(), A({4, 104})}));
  EXPECT_DOUBLE_EQ(TextTotal(text), 170.81);
  EXPECT_EQ(MaskPrintTime(text), ExpectedText("vdAgent_grouped.txt"));
}

TEST_F(VdAgentReport, EmptyAndSwappedPeriodsGiveNoRows) {
  const Variant name(Utf8ToCp1251("ООО АвтоТрейд"));
  const Variant at = DateVar(2024, 2, 5, 3, 0, 0);
  EXPECT_TRUE(TableRows(Report(12, A({at, at, name, false, false, false}))).empty());
  const std::string swapped =
      Report(12, A({PeriodEnd(), PeriodBegin(), name, false, false, false}));
  EXPECT_TRUE(TableRows(swapped).empty());
  EXPECT_DOUBLE_EQ(TextTotal(swapped), 0.0);
}

TEST_F(VdAgentReport, BadParametersGiveAClearText) {
  const Variant name(Utf8ToCp1251("ООО АвтоТрейд"));
  const auto badDate =
      Request(12, A({Variant("позавчера"_w), PeriodEnd(), name, false, false, false}));
  EXPECT_EQ(badDate.Result, TV_REPORT_TRUE);
  EXPECT_NE(badDate.Text.find("Ошибка при формировании отчета \"Отпуск по контрагенту за период\""),
            std::string::npos)
      << badDate.Text;
  const auto notArray =
      Request(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false, Variant("1,2")}));
  EXPECT_NE(notArray.Text.find("Выбор видов оплаты должен быть массивом"), std::string::npos)
      << notArray.Text;
  const auto tooShort = Request(12, A({PeriodBegin(), PeriodEnd(), name}));
  EXPECT_NE(tooShort.Text.find("Ошибка при формировании отчета"), std::string::npos);
  // The HTML version of a failed report is the error text too.
  EXPECT_EQ(Cp1251ToUtf8(Html()), tooShort.Text);
}

TEST_F(VdAgentReport, FewerThanFivePaymentTypesWithoutASelectionIsAClearError) {
  SetPaymentTypes({{"Наличные", 0}, {"Ведомость", 4}, {"Банковская карта", 1}});
  ASSERT_EQ(host->Init(), 1);
  const Variant name(Utf8ToCp1251("ООО АвтоТрейд"));
  const auto r = Request(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_NE(r.Text.find("вид оплаты по умолчанию (строка 4 таблицы видов оплаты) не существует"),
            std::string::npos)
      << r.Text;
  EXPECT_NE(r.Text.find("видов оплаты: 3"), std::string::npos) << r.Text;
  // With codes the table's rows are enough.
  EXPECT_DOUBLE_EQ(TextTotal(Report(12, A({PeriodBegin(), PeriodEnd(), name, false, false, false,
                                           Variant(), A({4})}))),
                   145.0);
}

}  // namespace
}  // namespace tv::test
