// The contracts report through the exported names (codes 25 and 26) on the
// sample database with the contract sales: a hand-checked text, every HTML
// cell against an independent SQL GROUP BY, the group and closing totals
// against SQL sums, the callers' parameter arrays and bad requests.

#include <cmath>
#include <map>

#include "platform/SysUtils.h"
#include "tests/reports/operational/VehiclesFixture.h"

namespace tv::test {
namespace {

// The HTML version as a cross table: per payment-type group its customer
// rows and its totals row, each a litre and a money cell per column.
struct Contracts {
  std::vector<std::string> Columns;  // fuels, then "ИТОГО"
  struct Row {
    std::string Name;
    std::vector<double> Liter, Summa;
  };
  struct Group {
    std::string VidOpl;
    std::vector<Row> Rows;
    Row Total;
  };
  std::vector<Group> Groups;
};

Contracts ReadContracts(const std::vector<std::vector<std::string>>& rows) {
  Contracts t;
  std::size_t i = 0;
  while (i < rows.size() && (rows[i].empty() || rows[i][0] != "Организация")) ++i;
  if (i == rows.size()) return t;
  t.Columns.assign(rows[i].begin() + 1, rows[i].end());
  const std::size_t n = t.Columns.size();
  for (i += 2; i < rows.size(); ++i) {
    const auto& row = rows[i];
    if (row.size() == 1 && row[0].rfind("Вид оплаты: ", 0) == 0) {
      t.Groups.push_back({row[0].substr(std::string("Вид оплаты: ").size()), {}, {}});
      continue;
    }
    if (t.Groups.empty() || row.size() != 1 + 2 * n) continue;
    Contracts::Row r{row[0], {}, {}};
    for (std::size_t k = 0; k < n; ++k) {
      r.Liter.push_back(Num(row[1 + 2 * k]));
      r.Summa.push_back(Num(row[2 + 2 * k]));
    }
    if (row[0] == "Итого:")
      t.Groups.back().Total = r;
    else
      t.Groups.back().Rows.push_back(r);
  }
  return t;
}

// Per customer and fuel (the name upper-cased, so that the spellings of
// one fuel add up): litres and money.
using Cells = std::map<std::string, std::map<std::string, std::pair<double, double>>>;

class BNEReport : public VehiclesFixture {
 protected:
  Cells SqlCells(int vidOpl, const std::string& where) {
    Cells out;
    for (const auto& r : Sql("SELECT COALESCE(a.POKUPATEL, '') AS P, UPPER(a.GSMNAME) AS G, "
                             "SUM(a.LITER) AS L, SUM(a.SUMMA) AS S FROM LOGTRAN a WHERE "
                             "a.VIDOPL = " +
                             std::to_string(vidOpl) + " AND " + where + " GROUP BY 1, 2"))
      out[r.at("P")][r.at("G")] = {std::stod(r.at("L")), std::stod(r.at("S"))};
    return out;
  }
};

const char* const kShift =
    "a.DATA BETWEEN '2024-01-10 00:00:00.000' AND '2024-01-11 23:59:59.999' AND a.KA = 0";

// A group equals the SQL cells: one row per customer in name order (exact
// comparison), one column per fuel whatever its spellings, zero where a
// fuel was not bought, the row total last; its totals row sums the
// customers per column.
void ExpectGroup(const Contracts& t, const Contracts::Group& g, const Cells& sql) {
  const std::size_t n = t.Columns.size();
  ASSERT_EQ(g.Rows.size(), std::max<std::size_t>(sql.size(), 1)) << g.VidOpl;
  std::vector<double> totalL(n, 0), totalS(n, 0);
  std::size_t r = 0;
  for (const auto& [customer, fuels] : sql) {
    const Contracts::Row& row = g.Rows[r++];
    EXPECT_EQ(row.Name, customer);
    double l = 0, s = 0;
    for (std::size_t k = 0; k + 1 < n; ++k) {
      const auto it = fuels.find(Cp1251ToUtf8(AnsiUpperCase(Utf8ToCp1251(t.Columns[k]))));
      const double cl = it == fuels.end() ? 0 : it->second.first;
      const double cs = it == fuels.end() ? 0 : it->second.second;
      EXPECT_NEAR(row.Liter[k], cl, 0.005) << customer << " " << t.Columns[k];
      EXPECT_NEAR(row.Summa[k], cs, 0.005) << customer << " " << t.Columns[k];
      l += cl, s += cs, totalL[k] += cl, totalS[k] += cs;
    }
    EXPECT_NEAR(row.Liter[n - 1], l, 0.005) << customer;
    EXPECT_NEAR(row.Summa[n - 1], s, 0.005) << customer;
    totalL[n - 1] += l, totalS[n - 1] += s;
  }
  if (sql.empty()) {  // one row with an empty customer and zero cells
    EXPECT_EQ(g.Rows[0].Name, "");
    for (std::size_t k = 0; k < n; ++k) EXPECT_EQ(g.Rows[0].Liter[k] + g.Rows[0].Summa[k], 0);
  }
  ASSERT_EQ(g.Total.Liter.size(), n);
  for (std::size_t k = 0; k < n; ++k) {
    EXPECT_NEAR(g.Total.Liter[k], totalL[k], 0.005) << g.VidOpl << " " << t.Columns[k];
    EXPECT_NEAR(g.Total.Summa[k], totalS[k], 0.005) << g.VidOpl << " " << t.Columns[k];
  }
}

TEST_F(BNEReport, TwoTypesMatchTheHandCheckedTextAndTheSql) {
  const std::string text = Report(25, A({VehiclesBegin(), VehiclesEnd(), Variant("12"),
                                         Variant("Иванова Мария"_w), Variant(), A({8, 108})}));
  // Every customer row starts blank, the closing line sums both types and
  // the operator line at the end is kept.
  EXPECT_EQ(MaskPrintTime(text), ExpectedText("bneRep_two_types.txt"));
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("Смена №12 c 10.01.2024 по 11.01.2024 23:59:59"), std::string::npos);
  EXPECT_NE(html.find("Оператор: Иванова Мария"), std::string::npos);
  const Contracts t = ReadContracts(HtmlRows());
  EXPECT_EQ(t.Columns, (std::vector<std::string>{"АИ-92", "АИ-95", "ДТ", "ИТОГО"}));
  ASSERT_EQ(t.Groups.size(), 2u);
  EXPECT_EQ(t.Groups[0].VidOpl, "Договорной");
  EXPECT_EQ(t.Groups[1].VidOpl, "Договор Север");
  ExpectGroup(t, t.Groups[0], SqlCells(8, kShift));
  ExpectGroup(t, t.Groups[1], SqlCells(108, kShift));
  // The text's closing totals: SQL sums over both types.
  const auto all = Sql(std::string("SELECT SUM(a.LITER) AS L, SUM(a.SUMMA) AS S FROM LOGTRAN a "
                                   "WHERE a.VIDOPL IN (8, 108) AND ") +
                       kShift);
  ASSERT_EQ(all.size(), 1u);
  std::vector<std::string> closing;  // the cells of the "Итого" line
  for (const std::string& line : Lines(text)) {
    if (line.rfind("|  Итого", 0) != 0) continue;
    for (std::size_t start = 1, bar; (bar = line.find('|', start)) != std::string::npos;
         start = bar + 1)
      closing.push_back(line.substr(start, bar - start));
  }
  ASSERT_EQ(closing.size(), 9u);
  EXPECT_NEAR(Num(closing[7]), std::stod(all[0].at("L")), 0.005);
  EXPECT_NEAR(Num(closing[8]), std::stod(all[0].at("S")), 0.005);
}

TEST_F(BNEReport, DefaultSelectionAndSwitches) {
  struct Case {
    const char* Name;
    const char* Cnf;
    bool Office;
    int Elements;
    std::vector<int> Codes;
    std::vector<int> Types;
    const char* Where;
  };
  const char* const period = "a.DATA BETWEEN '2024-01-10 00:00:00.000' AND '2024-01-11 23:59:59.999'";
  const Case cases[] = {
      {"default row 8", "", false, 4, {}, {8}, kShift},
      {"a type without sales", "", false, 6, {208}, {208}, kShift},
      {"VOMimo", "[Misc]\nVOMimo=8\n", false, 6, {8}, {8}, period},
      {"office reports", "", true, 6, {8, 108}, {8, 108}, period},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteCnfIni(c.Cnf);
    if (c.Office) {
      host->Set(56, Variant(0));
      host->Set(8, Variant(true));
      ASSERT_EQ(host->Init(), 1);
    }
    std::vector<Variant> params = {VehiclesBegin(), VehiclesEnd(), Variant("3"), Variant("Оп"_w)};
    if (c.Elements >= 5) params.push_back(Variant());
    if (c.Elements >= 6) {
      std::vector<Variant> codes(c.Codes.begin(), c.Codes.end());
      params.push_back(VarArrayOf(codes));
    }
    Report(25, VarArrayOf(params));
    const Contracts t = ReadContracts(HtmlRows());
    ASSERT_EQ(t.Groups.size(), c.Types.size());
    for (std::size_t g = 0; g < c.Types.size(); ++g)
      ExpectGroup(t, t.Groups[g], SqlCells(c.Types[g], c.Where));
  }
}

TEST_F(BNEReport, FuelNamesThatDifferInCaseAreOneColumnAndAddUp) {
  Exec("INSERT INTO LOGTRAN (INDEXSALE, DATA, GSMNAME, LITER, SUMMA, VIDOPL, KA, POKUPATEL) "
       "VALUES (2600199, '2024-01-11 09:30:00', 'дт', 2, 127.5, 108, 0, 'ООО Гамма')");
  Exec("INSERT INTO LOGTRAN (INDEXSALE, DATA, GSMNAME, LITER, SUMMA, VIDOPL, KA, POKUPATEL) "
       "VALUES (2600198, '2024-01-11 09:40:00', 'ДТ', 3, 191.25, 108, 0, 'ООО Гамма')");
  Report(25, A({VehiclesBegin(), VehiclesEnd(), Variant("12"), Variant(""), Variant(), A({108})}));
  const Contracts t = ReadContracts(HtmlRows());
  // One column under the first spelling; both sales add into the cell.
  EXPECT_EQ(t.Columns, (std::vector<std::string>{"АИ-95", "ДТ", "ИТОГО"}));
  ASSERT_EQ(t.Groups.size(), 1u);
  ASSERT_EQ(t.Groups[0].Rows.size(), 2u);
  EXPECT_EQ(t.Groups[0].Rows[1].Name, "ООО Гамма");
  EXPECT_EQ(t.Groups[0].Rows[1].Liter, (std::vector<double>{30, 5, 35}));
  EXPECT_EQ(t.Groups[0].Rows[1].Summa, (std::vector<double>{1713, 318.75, 2031.75}));
  ExpectGroup(t, t.Groups[0], SqlCells(108, kShift));
}

TEST_F(BNEReport, OpenShiftThroughTheHost) {
  host->Set(1, DateVar(2024, 1, 11));
  Variant sel108 = VarArrayCreate({0, 16}, VarType::Integer);
  sel108[Row(108)] = 1;
  const Variant x = Variant(0), codes8 = A({8});
  const std::vector<std::pair<Variant, int>> cases = {
      {A({x}), 8},                          // the default row
      {A({x, sel108}), 108},                // element 1: the selection
      {A({x, sel108, codes8}), 108},        // element 2 is not read yet
      {A({x, sel108, codes8, x}), 8},       // from four elements on it is
  };
  for (const auto& [params, type] : cases) {
    SCOPED_TRACE(type);
    const std::string text = Report(26, params);
    EXPECT_NE(text.find("Смена №7 c 11.01.2024 - текущая"), std::string::npos) << text;
    EXPECT_NE(text.find("Петрова Анна Сергеевна"), std::string::npos);
    const Contracts t = ReadContracts(HtmlRows());
    ASSERT_EQ(t.Groups.size(), 1u);
    ExpectGroup(t, t.Groups[0], SqlCells(type, "a.DATA >= '2024-01-11 00:00:00' AND a.KA = 0"));
  }
}

TEST_F(BNEReport, BadRequestsGiveAClearText) {
  const Variant b = VehiclesBegin(), e = VehiclesEnd();
  const auto three = Request(25, A({b, e, Variant("12")}));
  EXPECT_NE(three.Text.find("Ошибка при формировании отчета"), std::string::npos) << three.Text;
  const auto badCode = Request(25, A({b, e, Variant("12"), Variant(""), Variant(), A({Variant("x")})}));
  EXPECT_NE(badCode.Text.find("Ошибка при формировании отчета \"Отпуск по договорам по закрытой "
                              "смене\""),
            std::string::npos)
      << badCode.Text;
  // Swapped ends: an empty report.
  Report(25, A({e, b, Variant("12"), Variant(""), Variant(), A({8})}));
  const Contracts t = ReadContracts(HtmlRows());
  EXPECT_EQ(t.Columns, (std::vector<std::string>{"ИТОГО"}));
  // A table too short for the default row 8.
  SetPaymentTypes({{"Наличные", 0}, {"Ведомость", 4}, {"Договор", 8}});
  ASSERT_EQ(host->Init(), 1);
  const auto r = Request(25, A({b, e, Variant("12"), Variant("")}));
  EXPECT_NE(r.Text.find("вид оплаты по умолчанию (строка 8 таблицы видов оплаты) не существует"),
            std::string::npos)
      << r.Text;
}

}  // namespace
}  // namespace tv::test
