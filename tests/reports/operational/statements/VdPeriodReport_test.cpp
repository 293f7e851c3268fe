// The statements for a period through the exported names (codes 11, 14 and
// 16) on the sample station database: a hand-checked text, every HTML cell
// against independent SQL sums, the callers' parameter arrays and bad
// requests.

#include <cmath>
#include <map>
#include <set>

#include "platform/SysUtils.h"
#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {
namespace {

// The HTML version read as a cross table: the fuel columns of the heading
// and, per payment-type group, its counterparty rows and its totals row.
struct CrossTable {
  std::vector<std::string> Columns;  // fuels, then "ИТОГО"
  struct Row {
    std::string Name, AllLimit;
    std::vector<std::string> Liter, Kg, Summa;  // one cell per column
  };
  struct Group {
    std::string VidOpl;
    std::vector<Row> Rows;
    Row Total;
  };
  std::vector<Group> Groups;
};

CrossTable ReadCrossTable(const std::vector<std::vector<std::string>>& rows) {
  CrossTable t;
  std::size_t i = 0;
  for (; i < rows.size(); ++i)
    if (!rows[i].empty() && rows[i][0] == "Организация") break;
  if (i == rows.size()) return t;
  t.Columns.assign(rows[i].begin() + 2, rows[i].end());
  const std::size_t n = t.Columns.size();
  auto cells = [n](const std::vector<std::string>& row, std::size_t first, CrossTable::Row& out) {
    for (std::size_t k = 0; k < n && first + 3 * k + 2 < row.size(); ++k) {
      out.Liter.push_back(row[first + 3 * k]);
      out.Kg.push_back(row[first + 3 * k + 1]);
      out.Summa.push_back(row[first + 3 * k + 2]);
    }
  };
  for (i += 2; i < rows.size(); ++i) {
    const auto& row = rows[i];
    if (row.size() == 1) {
      if (!row[0].empty()) t.Groups.push_back({row[0], {}, {}});
    } else if (!t.Groups.empty() && row.size() == 1 + 3 * n && row[0] == "Итого:") {
      cells(row, 1, t.Groups.back().Total);
    } else if (!t.Groups.empty() && row.size() == 2 + 3 * n) {
      CrossTable::Row r{row[0], row[1], {}, {}, {}};
      cells(row, 2, r);
      t.Groups.back().Rows.push_back(std::move(r));
    }
  }
  return t;
}

// The text version's table rows: name and the litre cells of every column.
std::vector<std::vector<std::string>> TextRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(text)) {
    if (line.size() < 2 || line[0] != '|' || line[1] == '-') continue;
    std::vector<std::string> c;
    std::size_t start = 1;
    for (std::size_t bar = line.find('|', 1); bar != std::string::npos;
         bar = line.find('|', start)) {
      std::string cell = line.substr(start, bar - start);
      const std::size_t b = cell.find_first_not_of(' ');
      cell = b == std::string::npos ? std::string()
                                    : cell.substr(b, cell.find_last_not_of(' ') - b + 1);
      c.push_back(cell);
      start = bar + 1;
    }
    rows.push_back(std::move(c));
  }
  return rows;
}

// One counterparty's sales of one payment type as SQL sums them: its name
// as the report shows it and, per fuel, litres, kilograms and money.
struct OrgSums {
  std::string Name;
  std::map<std::string, std::vector<double>> Fuels;
};
using GroupSums = std::map<std::string, OrgSums>;  // by counterparty id

class VdPeriodReport : public StatementsFixture {
 protected:
  std::vector<std::vector<std::string>> PeriodRows() { return HtmlRows(); }
  // The own sales of one payment type matching `where`, summed per
  // counterparty and fuel.
  GroupSums Sums(int vidOpl, const std::string& where) {
    GroupSums out;
    for (const auto& r : Sql("SELECT COALESCE(a.IDCNT, '') AS I, COALESCE(o.NAME, '') AS N, "
                             "a.GSMNAME AS G, SUM(a.LITER) AS L, SUM(a.LITER * a.PLOTN) AS K, "
                             "SUM(a.SUMMA) AS S FROM LOGTRAN a LEFT JOIN CONTRAGENT o ON "
                             "CAST(o.CONTR_ID AS VARCHAR(10)) = a.IDCNT WHERE a.VIDOPL = " +
                             std::to_string(vidOpl) + where + " GROUP BY 1, 2, 3")) {
      OrgSums& org = out[r.at("I")];
      org.Name = r.at("N").empty() ? "Имя контрагента неизвестно" : r.at("N");
      org.Fuels[r.at("G")] = {std::stod(r.at("L")), std::stod(r.at("K")), std::stod(r.at("S"))};
    }
    return out;
  }
  // The statement period; own sales unless `sales` says otherwise.
  GroupSums Sums(int vidOpl, const char* sales = " AND a.KA = 0") {
    return Sums(vidOpl, std::string(" AND a.DATA BETWEEN '2024-02-05 00:00:00' AND "
                                    "'2024-02-06 23:59:59'") +
                            sales);
  }
};

// A cell shows a value when it is the value rounded to two decimals; the
// tolerance covers values that lie on a half cent, which isql prints with
// too few digits to tell on which side.
bool Shows(const std::string& cell, double value) {
  const double shown = Num(cell);
  return !std::isnan(shown) && std::fabs(shown - value) <= 0.005 + 1e-9;
}

// Whether a report row shows these sums: every fuel cell (blank where
// nothing was sold) and the total column.
bool RowShows(const CrossTable& t, const CrossTable::Row& row, const OrgSums& org) {
  const std::size_t n = t.Columns.size();
  if (row.Name != org.Name || row.Liter.size() != n) return false;
  double l = 0, k = 0, s = 0;
  for (std::size_t c = 0; c + 1 < n; ++c) {
    const auto it = org.Fuels.find(t.Columns[c]);
    if (it == org.Fuels.end()) {
      if (!row.Liter[c].empty() || !row.Kg[c].empty() || !row.Summa[c].empty()) return false;
      continue;
    }
    const std::vector<double>& v = it->second;
    if (!Shows(row.Liter[c], v[0]) || !Shows(row.Kg[c], v[1]) || !Shows(row.Summa[c], v[2]))
      return false;
    l += v[0], k += v[1], s += v[2];
  }
  return Shows(row.Liter[n - 1], l) && Shows(row.Kg[n - 1], k) && Shows(row.Summa[n - 1], s);
}

// Every cell of a group against the SQL sums: one row per counterparty with
// its fuels and its total column. The group's totals row adds the cells as
// shown (the HTML engine sums the rows it wrote), so it may differ from the
// exact sum by half a cent per row; a column without any sale has a blank
// total.
void ExpectGroupMatchesSql(const CrossTable& t, const CrossTable::Group& g, const GroupSums& sums) {
  const std::size_t n = t.Columns.size();
  ASSERT_EQ(g.Rows.size(), sums.size()) << g.VidOpl;
  std::vector<bool> used(g.Rows.size(), false);
  std::vector<std::vector<double>> col(n, std::vector<double>(3, 0));
  std::vector<int> rows(n, 0);
  for (const auto& [id, org] : sums) {
    std::size_t r = 0;
    while (r < g.Rows.size() && (used[r] || !RowShows(t, g.Rows[r], org))) ++r;
    EXPECT_LT(r, g.Rows.size()) << g.VidOpl << ": no row shows the sums of counterparty " << id;
    if (r < g.Rows.size()) used[r] = true;
    ++rows[n - 1];
    for (std::size_t c = 0; c + 1 < n; ++c) {
      const auto it = org.Fuels.find(t.Columns[c]);
      if (it == org.Fuels.end()) continue;
      ++rows[c];
      for (int m = 0; m < 3; ++m) col[c][m] += it->second[m], col[n - 1][m] += it->second[m];
    }
  }
  ASSERT_EQ(g.Total.Liter.size(), n) << g.VidOpl;
  for (std::size_t c = 0; c < n; ++c) {
    const std::string* cells[3] = {&g.Total.Liter[c], &g.Total.Kg[c], &g.Total.Summa[c]};
    for (int m = 0; m < 3; ++m) {
      if (rows[c] == 0) {
        EXPECT_EQ(*cells[m], "") << g.VidOpl << " " << t.Columns[c];
        continue;
      }
      EXPECT_NEAR(Num(*cells[m]), col[c][m], 0.005 * rows[c] + 1e-9)
          << g.VidOpl << " " << t.Columns[c] << " " << *cells[m];
    }
  }
}

TEST_F(VdPeriodReport, BothStatementTypesMatchTheHandCheckedTextAndTheSqlSums) {
  // Code 11 with four elements: no selection, codes 4 and 104.
  const std::string text = Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({4, 104})}));
  EXPECT_EQ(MaskPrintTime(text), ExpectedText("vdPeriod_codes.txt"));

  const CrossTable t = ReadCrossTable(PeriodRows());
  // The fuels sold on either type in the period, own sales or not, in the
  // database's order, then the total column.
  EXPECT_EQ(t.Columns,
            (std::vector<std::string>{"АИ-92", "АИ-95", "АИ-98", "Аи-92", "ДТ", "ИТОГО"}));
  ASSERT_EQ(t.Groups.size(), 2u);
  EXPECT_EQ(t.Groups[0].VidOpl, "Ведомость +");
  EXPECT_EQ(t.Groups[1].VidOpl, "Ведомость по договорам");
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(4));
  ExpectGroupMatchesSql(t, t.Groups[1], Sums(104));
  // Hand-worked: group 4 sold 230 l for 13 179.50, group 104 145.806 l.
  EXPECT_EQ(t.Groups[0].Total.Liter.back(), "230,00");
  EXPECT_EQ(t.Groups[0].Total.Summa.back(), "13 179,50");
  EXPECT_EQ(t.Groups[1].Total.Liter.back(), "145,81");

  // Two counterparties without a name (ids 98 and 99, whose rows the query
  // interleaves by fuel) each keep their row.
  int unknown = 0;
  for (const auto& row : t.Groups[0].Rows) unknown += row.Name == "Имя контрагента неизвестно";
  EXPECT_EQ(unknown, 2);

  // Limits: the smallest of the counterparty's own total limits; none is 0.
  std::map<std::string, std::string> limits;
  for (const auto& row : t.Groups[1].Rows) limits[row.Name] = row.AllLimit;
  EXPECT_EQ(limits["ООО АвтоТрейд"], "5 000,00");
  EXPECT_EQ(limits["ЗАО Лесозаготовка"], "1 500,50");
  for (const auto& row : t.Groups[0].Rows) {
    if (row.Name == "ООО О'Коннор Ойл") {
      EXPECT_EQ(row.AllLimit, "0,00");
    }
  }

  // The text version prints every group's rows in one sequence; its totals
  // line sums them all, per column, as SQL does over both types.
  const auto rows = TextRows(text);
  ASSERT_FALSE(rows.empty());
  ASSERT_EQ(rows.back()[0], "Итого");
  ASSERT_EQ(rows.back().size(), t.Columns.size() + 1);
  const auto all = Sql(
      "SELECT a.GSMNAME AS G, SUM(a.LITER) AS L FROM LOGTRAN a WHERE a.VIDOPL IN (4, 104) AND "
      "a.KA = 0 AND a.DATA BETWEEN '2024-02-05 00:00:00' AND '2024-02-06 23:59:59' GROUP BY 1");
  double sum = 0;
  for (std::size_t c = 0; c + 1 < t.Columns.size(); ++c) {
    double liter = 0;
    for (const auto& r : all)
      if (r.at("G") == t.Columns[c]) liter = std::stod(r.at("L"));
    sum += liter;
    EXPECT_TRUE(Shows(rows.back()[c + 1], liter)) << t.Columns[c] << " " << rows.back()[c + 1];
  }
  EXPECT_TRUE(Shows(rows.back()[t.Columns.size()], sum)) << rows.back()[t.Columns.size()];
  // An unnamed counterparty's name carries no HTML tags in the text.
  EXPECT_EQ(rows[3][0], "Имя контрагента неизвестно");
}

TEST_F(VdPeriodReport, CounterpartiesOfTheOlderStore) {
  // Without statement contracts in CONTRAGENTTYPE the names come from
  // VDCONTRACTOR and the limits by its id (CID): the same table.
  Exec("DELETE FROM CONTRAGENTTYPE");
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({4, 104})}));
  const CrossTable t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 2u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(4));
  ExpectGroupMatchesSql(t, t.Groups[1], Sums(104));
  std::map<std::string, std::string> limits;
  for (const auto& row : t.Groups[1].Rows) limits[row.Name] = row.AllLimit;
  EXPECT_EQ(limits["ООО АвтоТрейд"], "5 000,00");
  EXPECT_EQ(limits["ЗАО Лесозаготовка"], "1 500,50");
}

TEST_F(VdPeriodReport, DefaultSelectionTakesRowFourOnly) {
  Report(11, A({PeriodBegin(), PeriodEnd()}));
  const CrossTable t = ReadCrossTable(PeriodRows());
  EXPECT_EQ(t.Columns, (std::vector<std::string>{"АИ-92", "АИ-95", "АИ-98", "ДТ", "ИТОГО"}));
  ASSERT_EQ(t.Groups.size(), 1u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(4));
  // Three elements: element 2 is the selection.
  Variant sel = VarArrayCreate({0, 13}, VarType::Integer);
  sel[13] = 1;
  Report(11, A({PeriodBegin(), PeriodEnd(), sel}));
  const CrossTable t104 = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t104.Groups.size(), 1u);
  ExpectGroupMatchesSql(t104, t104.Groups[0], Sums(104));
}

TEST_F(VdPeriodReport, ClosedShiftsAndTheCounterpartyList) {
  const Variant from(std::string("101")), oper(Utf8ToCp1251("Иванова"));
  // Four elements: one closed shift, its operator in the header.
  const std::string one = Report(14, A({PeriodBegin(), PeriodEnd(), from, oper}));
  EXPECT_NE(one.find("Смена №101 c 05.02.2024 по 06.02.2024 23:59:59"), std::string::npos);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Оператор: Иванова"), std::string::npos);
  // Five: a shift range is a period, without operator.
  const std::string range =
      Report(14, A({PeriodBegin(), PeriodEnd(), from, oper, Variant(std::string("102"))}));
  EXPECT_NE(range.find("Период с 05.02.2024 по 06.02.2024 23:59:59"), std::string::npos);
  EXPECT_EQ(Cp1251ToUtf8(Html()).find("Иванова"), std::string::npos);
  // Seven: the counterparty ids, each quoted as written.
  auto names = [&](const char* ids) {
    Report(14,
           A({PeriodBegin(), PeriodEnd(), from, oper, from, Variant(), Variant(std::string(ids))}));
    std::vector<std::string> out;
    for (const auto& g : ReadCrossTable(PeriodRows()).Groups)
      for (const auto& row : g.Rows) out.push_back(g.VidOpl + ": " + row.Name);
    return out;
  };
  EXPECT_EQ(names("21,24"), (std::vector<std::string>{"Ведомость +: ООО АвтоТрейд",
                                                      "Ведомость +: ООО О'Коннор Ойл"}));
  EXPECT_EQ(names("21, 24"), (std::vector<std::string>{"Ведомость +: ООО АвтоТрейд"}));
  // Six: the selection; eight: the codes, which replace it.
  Variant sel = VarArrayCreate({0, 13}, VarType::Integer);
  sel[13] = 1;
  Report(14, A({PeriodBegin(), PeriodEnd(), from, oper, from, sel}));
  CrossTable t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(104));
  Report(14, A({PeriodBegin(), PeriodEnd(), from, oper, from, sel, Variant(""), A({4})}));
  t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(4));
}

TEST_F(VdPeriodReport, OpenShiftFromItsBeginToNow) {
  for (int length = 0; length <= 2; ++length) {
    SCOPED_TRACE(length);
    Variant sel = VarArrayCreate({0, 13}, VarType::Integer);
    sel[4] = 1;
    Variant params = length == 0 ? EmptyArray() : length == 1 ? A({sel}) : A({sel, A({104})});
    const std::string text = Report(16, params);
    EXPECT_NE(text.find("Смена №7 c 06.02.2024 - текущая"), std::string::npos);
    EXPECT_NE(Cp1251ToUtf8(Html()).find("Оператор: Петрова Анна Сергеевна"), std::string::npos);
    const CrossTable t = ReadCrossTable(PeriodRows());
    ASSERT_EQ(t.Groups.size(), 1u);
    // The whole sample after the shift's begin: the February rows and the
    // sample's own March shifts.
    ExpectGroupMatchesSql(t, t.Groups[0],
                          Sums(length == 2 ? 104 : 4,
                               std::string(" AND a.KA = 0 AND a.DATA >= '2024-02-06 00:00:00'")));
  }
}

TEST_F(VdPeriodReport, SwitchesOfCnfIni) {
  // VedHide0=0: a fuel a counterparty did not buy shows formatted zeros.
  WriteCnfIni("[Reports]\nVedHide0=0\n");
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({104})}));
  CrossTable t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  for (const auto& row : t.Groups[0].Rows) {
    if (row.Name != "ООО АвтоТрейд") continue;
    EXPECT_EQ(row.Liter[1], "0,00");  // Аи-92
    EXPECT_EQ(row.Summa[1], "0,00");
  }
  // VOMimo names a payment type whose other sales count too.
  WriteCnfIni("[Misc]\nVOMimo=104\n");
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({104})}));
  t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(104, " AND (a.KA = 0 OR a.VIDOPL = 104)"));
  EXPECT_EQ(t.Groups[0].Total.Liter[0], "45,25");  // АИ-95: 15.25 + 30 of the other sale
}

TEST_F(VdPeriodReport, OfficeReportsTakeEverySale) {
  host->Set(56, Variant(0));    // alternative templates
  host->Set(8, Variant(true));  // office reports
  ASSERT_EQ(host->Init(), 1);
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({4})}));
  const CrossTable t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(4, ""));
}

TEST_F(VdPeriodReport, NoStatementTypeLeavesOnlyTheTotalColumn) {
  const std::string text = Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({0, 1})}));
  const CrossTable t = ReadCrossTable(PeriodRows());
  EXPECT_EQ(t.Columns, (std::vector<std::string>{"ИТОГО"}));
  EXPECT_TRUE(t.Groups.empty());
  for (const auto& row : TextRows(text))
    EXPECT_TRUE(row[0] == "Итого" || row[0] == "Организация" || row[0].empty()) << row[0];
}

TEST_F(VdPeriodReport, EmptyAndSwappedPeriods) {
  for (const Variant& params :
       {A({PeriodEnd(), PeriodBegin(), Variant(), A({4, 104})}),
        A({DateVar(2024, 2, 5, 3), DateVar(2024, 2, 5, 3), Variant(), A({4, 104})})}) {
    Report(11, params);
    const CrossTable t = ReadCrossTable(PeriodRows());
    EXPECT_EQ(t.Columns, (std::vector<std::string>{"ИТОГО"}));
    for (const auto& g : t.Groups) EXPECT_TRUE(g.Rows.empty());
  }
}

TEST_F(VdPeriodReport, BadRequestsGiveAClearText) {
  const auto badDate = Request(11, A({PeriodBegin(), Variant("завтра"_w)}));
  EXPECT_EQ(badDate.Result, TV_REPORT_TRUE);
  EXPECT_EQ(
      badDate.Text.rfind("Ошибка при формировании отчета \"Отпуск по ведомости за период\": ", 0),
      0u)
      << badDate.Text;
  const auto notArray = Request(11, A({PeriodBegin(), PeriodEnd(), Variant(4)}));
  EXPECT_NE(notArray.Text.find("Выбор видов оплаты должен быть массивом"), std::string::npos)
      << notArray.Text;
  const auto badCodes = Request(11, A({PeriodBegin(), PeriodEnd(), Variant(), Variant("4")}));
  EXPECT_NE(badCodes.Text.find("Ошибка при формировании отчета"), std::string::npos);
  EXPECT_EQ(Cp1251ToUtf8(Html()), badCodes.Text);
}

TEST_F(VdPeriodReport, FewerThanFivePaymentTypesWithoutASelectionIsAClearError) {
  SetPaymentTypes({{"Наличные", 0}, {"Ведомость", 4}});
  ASSERT_EQ(host->Init(), 1);
  const auto r = Request(11, A({PeriodBegin(), PeriodEnd()}));
  EXPECT_NE(r.Text.find("вид оплаты по умолчанию (строка 4 таблицы видов оплаты) не существует"),
            std::string::npos)
      << r.Text;
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({4})}));
  const CrossTable t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  EXPECT_EQ(t.Groups[0].VidOpl, "Ведомость");
}

// An SQL string literal for isql, written here independently of the library.
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Stored ids and names are data, never statement text: apostrophes,
// semicolons and comment markers give the same report as any other text.
TEST_F(VdPeriodReport, StoredIdsWithQuotesAndCommentMarkersAreOnlyData) {
  const std::string ids[] = {"O'X", "0'OR'1'='1", "A;--", "/*B"};
  const std::string names[] = {"ООО Д'Арк; --", "ЗАО /* x */", "ИП 'Ы'", "--"};
  const int limits[] = {777, 333, 0, 12};
  for (int i = 0; i < 4; ++i) {
    const std::string id = Literal(ids[i]);
    Exec("INSERT INTO VDCONTRACTOR (ID, NAME) VALUES (" + id + ", " + Literal(names[i]) + ")");
    if (limits[i] != 0)
      Exec("INSERT INTO VDLIMITS (ID, NAME, LIMITTYPE, LITERS, SUMMA, GSM, CONTR_ID, CID, CARID, "
           "DRIVERID, VIDOPL, ISDELETE) VALUES (" + std::to_string(9100 + i) + ", 'L', 3, " +
           std::to_string(limits[i]) + ", -1, 'ВСЕ', NULL, " + id + ", NULL, NULL, 4, 0)");
    Exec("INSERT INTO LOGTRAN (INDEXSALE, DATA, GSMNAME, LITER, SUMMA, GSMPRICE, BASEPRICE, PLOTN, "
         "PLISTNUM, IDCNT, IDDRV, IDCAR, VIDOPL, KA) VALUES (" + std::to_string(9100 + i) +
         ", '2024-02-05 10:00:00', 'АИ-92', " + std::to_string(10 + i) +
         ", 524, 52.40, 52.40, 0.7431, 'ПЛ', " + id + ", NULL, NULL, 4, 0)");
  }
  // With statement contracts the ids are matched against numbers: none of
  // these is one, so the rows have no name and no limit.
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({4})}));
  CrossTable t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  ExpectGroupMatchesSql(t, t.Groups[0], Sums(4));
  // The older store names them and holds their limits by text id.
  Exec("DELETE FROM CONTRAGENTTYPE");
  Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), A({4})}));
  t = ReadCrossTable(PeriodRows());
  ASSERT_EQ(t.Groups.size(), 1u);
  std::map<std::string, std::string> limitOf, litresOf;
  for (const auto& row : t.Groups[0].Rows) {
    limitOf[row.Name] = row.AllLimit;
    litresOf[row.Name] = row.Liter.back();
  }
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(limitOf[names[i]], limits[i] == 0 ? "0,00" : std::to_string(limits[i]) + ",00");
    EXPECT_EQ(litresOf[names[i]], std::to_string(10 + i) + ",00");
  }
}

// A COM host's arrays may start at any bound: the payment types, the
// selection and the codes are read from their low bounds.
TEST_F(VdPeriodReport, HostArraysWithAnyLowBound) {
  Variant sel = VarArrayCreate({0, 13}, VarType::Integer);
  sel[4] = 1;
  sel[13] = 1;
  const std::string expected =
      MaskPrintTime(Report(11, A({PeriodBegin(), PeriodEnd(), sel})));
  const auto types = StationPaymentTypes();
  const int n = static_cast<int>(types.size());
  Variant names = VarArrayCreate({1, n}, VarType::Variant);
  Variant list = VarArrayCreate({1, n, 3, 4}, VarType::Variant);
  for (int i = 0; i < n; ++i) {
    names[1 + i] = Variant(Utf8ToCp1251(types[i].first));
    list.At(1 + i, 3) = Variant(types[i].second);
    list.At(1 + i, 4) = Variant(0);
  }
  host->Set(23, names);
  host->Set(57, list);
  ASSERT_EQ(host->Init(), 1);
  Variant shifted = VarArrayCreate({-2, 11}, VarType::Integer);
  shifted[2] = 1;
  shifted[11] = 1;
  EXPECT_EQ(MaskPrintTime(Report(11, A({PeriodBegin(), PeriodEnd(), shifted}))), expected);
  Variant codes = VarArrayCreate({7, 8}, VarType::Variant);
  codes[7] = Variant(4);
  codes[8] = Variant(104);
  EXPECT_EQ(MaskPrintTime(Report(11, A({PeriodBegin(), PeriodEnd(), Variant(), codes}))), expected);
}

}  // namespace
}  // namespace tv::test
