// The fuel receipt, pump-out and transfer reports through the exported
// names (codes 0, 31 and '#' 19) on the sample station database with the
// operations of db/add-sample-receipts: hand-checked texts, the columns and
// per-operation totals against independent SQL, the spans of the HTML
// version read by Python's parser, the older schemas and the failure paths.

#include <filesystem>
#include <map>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/RxStrUtils.h"
#include "platform/SysUtils.h"
#include "tests/reports/operational/StatementsFixture.h"

namespace tv::test {
namespace {

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The column cells of the text line that starts with `label` (after "|").
std::vector<std::string> TextColumns(const std::string& text, const std::string& label) {
  for (const std::string& line : Lines(text)) {
    if (line.rfind("|" + label, 0) != 0) continue;
    std::vector<std::string> cells;
    std::size_t start = line.find('|', 1) + 1;
    for (std::size_t bar = line.find('|', start); bar != std::string::npos;
         bar = line.find('|', start)) {
      cells.push_back(Trim(line.substr(start, bar - start)));
      start = bar + 1;
    }
    return cells;
  }
  return {};
}

struct Span {
  int Columns;
  std::string Text;
};

class PrxReport : public StatementsFixture {
 protected:
  static void SetUpTestSuite() {
    StatementsFixture::SetUpTestSuite();
    AddToSample("add-sample-receipts");
  }
  void SetUp() override {
    StatementsFixture::SetUp();
    host->Set(0, Variant(9));  // the open shift of the sample's operations 108 to 111
  }

  // The HTML row whose first cell is `label`: the value cells with spans.
  std::vector<Span> HtmlRow(const std::string& label) {
    for (const std::vector<std::string>& row : HtmlSpanRows()) {
      if (row.empty() || row[0] != "1:" + label) continue;
      std::vector<Span> spans;
      for (std::size_t i = 1; i < row.size(); ++i) {
        const std::size_t colon = row[i].find(':');
        spans.push_back({std::stoi(row[i].substr(0, colon)), row[i].substr(colon + 1)});
      }
      return spans;
    }
    return {};
  }

  // The operation and tank of each result row as an independent query picks
  // them, in the report's order.
  std::vector<std::pair<std::string, std::string>> SqlColumns(const std::string& where,
                                                              bool sourceFirst = false) {
    const std::string order = sourceFirst ? "ps.TYPEOPER DESC, " : "";
    std::vector<std::pair<std::string, std::string>> cols;
    for (const IsqlRow& r :
         Sql("SELECT p.OPNUM, COALESCE(ps.SILONAME, p.SILONAME) AS TANK FROM PRX p "
             "LEFT JOIN PRXSILO ps ON ps.OPNUM = p.OPNUM WHERE " +
             where + " ORDER BY p.GSMNAME, p.OPNUM, " + order +
             "COALESCE(ps.SILONUM, p.SILONUM)"))
      cols.emplace_back(r.at("OPNUM"), r.at("TANK"));
    return cols;
  }
};

Variant Ext(int sub, int a, int b) { return A({Variant(sub), Variant(a), Variant(b)}); }

TEST_F(PrxReport, SmallRangesMatchTheHandCheckedTexts) {
  EXPECT_EQ(Report(0, A({101, 102})), ExpectedText("prx-receipt-101-102.txt"));
  EXPECT_EQ(Report(31, A({106, 110})), ExpectedText("prx-pumpout-106-110.txt"));
}

TEST_F(PrxReport, ColumnsAreTheRowsOfAnIndependentQuery) {
  const std::string receipt =
      "p.PRIHOD = 1 AND p.\"AUTO\" IS NOT NULL AND p.\"AUTO\" <> 4 AND (p.COR IS NULL OR p.COR = 0)";
  struct Case {
    const char* what;
    char code;
    Variant params;
    std::string where;
    bool sourceFirst;
    const char* opLabel;
  };
  const Case cases[] = {
      {"receipts 100..112", 0, A({100, 112}), receipt + " AND p.OPNUM BETWEEN 100 AND 112", false,
       "№ накладной"},
      {"receipts of the open shift", 0, A({-1, 5}), receipt + " AND p.SMNUM = 9", false,
       "№ накладной"},
      {"pump-outs 100..112", 31, A({100, 112}),
       "p.PRIHOD = 0 AND p.\"AUTO\" <> 4 AND COALESCE(p.COR, 0) = 0 AND p.OPNUM BETWEEN 100 AND 112",
       false, "Номер накладной"},
      {"transfers 100..112", '#', Ext(19, 100, 112),
       "p.\"AUTO\" = 4 AND COALESCE(p.COR, 0) = 0 AND p.OPNUM BETWEEN 100 AND 112", true,
       "№ накладной"},
      {"transfers of the open shift", '#', Ext(19, 3, -1),
       "p.\"AUTO\" = 4 AND COALESCE(p.COR, 0) = 0 AND p.SMNUM = 9", true, "№ накладной"},
  };
  for (const Case& c : cases) {
    const std::string text = Report(c.code, c.params);
    const auto expected = SqlColumns(c.where, c.sourceFirst);
    ASSERT_FALSE(expected.empty()) << c.what;
    std::vector<std::string> ops;
    for (const auto& col : expected) ops.push_back(col.first);
    EXPECT_EQ(TextColumns(text, c.opLabel), ops) << c.what;
    std::vector<Span> tanks = HtmlRow("Резервуар");
    if (c.code == 31) continue;  // the pump-out pages show no tank
    ASSERT_EQ(tanks.size(), expected.size()) << c.what;
    for (std::size_t i = 0; i < tanks.size(); ++i) EXPECT_EQ(tanks[i].Text, expected[i].second);
  }
}

TEST_F(PrxReport, OperationTotalsSpanTheirColumnsAndEqualSqlSums) {
  Report(0, A({100, 112}));
  std::map<std::string, std::pair<int, std::string>> sql;  // op -> rows, litres
  for (const IsqlRow& r : Sql(
           "SELECT p.OPNUM, COUNT(*) AS N, CAST(SUM(COALESCE(ps.FACTL, p.FACT1)) AS NUMERIC(18,2)) "
           "AS L FROM PRX p LEFT JOIN PRXSILO ps ON ps.OPNUM = p.OPNUM WHERE p.PRIHOD = 1 AND "
           "p.\"AUTO\" <> 4 AND COALESCE(p.COR, 0) = 0 AND p.OPNUM BETWEEN 100 AND 112 "
           "GROUP BY p.OPNUM"))
    sql[r.at("OPNUM")] = {std::stoi(r.at("N")), r.at("L")};
  const std::vector<Span> ops = HtmlRow("№ прихода");
  const std::vector<Span> litres = HtmlRow("Фактически принято топлива, л");
  const std::vector<Span> tanks = HtmlRow("Резервуар");
  ASSERT_EQ(ops.size(), sql.size());
  ASSERT_EQ(litres.size(), sql.size());
  int columns = 0;
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const auto& [rows, sum] = sql.at(ops[i].Text);
    EXPECT_EQ(ops[i].Columns, rows) << ops[i].Text;
    EXPECT_EQ(litres[i].Columns, rows);
    EXPECT_DOUBLE_EQ(Num(litres[i].Text), std::stod(sum)) << ops[i].Text;
    columns += rows;
  }
  EXPECT_EQ(static_cast<int>(tanks.size()), columns);
  // The hand-over is logged once per report, then the dispatcher's line.
  const std::string log = Cp1251ToUtf8(Log());
  const std::size_t handOver = log.find("Время добавления информации в отчет: ");
  ASSERT_NE(handOver, std::string::npos) << log;
  EXPECT_EQ(log.find("Время добавления информации в отчет: ", handOver + 1), std::string::npos);
  EXPECT_NE(log.find("Отчет по поступлениям топлива", handOver), std::string::npos) << log;
}

TEST_F(PrxReport, BinaryRoundingCaseAndTextAgreeWithTheHtml) {
  // 1000.005 litres (shift 9): the fixed-point sum prints 1 000,01.
  Report(0, A({108, 108}));
  EXPECT_EQ(HtmlRow("Фактически принято топлива, л").at(0).Text, "1 000,01");
}

TEST_F(PrxReport, EmptyResultGivesTheFormWithoutColumns) {
  const std::string text = Report(0, A({112, 101}));  // first above last
  EXPECT_EQ(text, ExpectedText("prx-receipt-empty.txt"));
  const std::vector<Span> none = HtmlRow("№ прихода");  // the template's own column, blank
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].Text, "");
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Привоз топлива"), std::string::npos);
  host->Set(0, Variant(-1));  // no open shift: the host's answer selects nothing
  EXPECT_EQ(Report(0, A({-1, -1})), text);
}

TEST_F(PrxReport, OlderSchemas) {
  // Without TYPEOPER the transfer's tanks follow their numbers.
  Exec("ALTER TABLE PRXSILO DROP TYPEOPER");
  Report('#', Ext(19, 107, 107));
  const std::vector<Span> tanks = HtmlRow("Резервуар");
  ASSERT_EQ(tanks.size(), 2u);
  EXPECT_EQ(tanks[0].Text, "Резервуар 1");
  // Without the keeper, the discharge name and the waybill mass.
  Exec("ALTER TABLE PRX DROP KEEPER_ID; ALTER TABLE PRX DROP NAMESLIV; ALTER TABLE PRX DROP "
       "MASSAFROMTTN");
  Report(0, A({101, 101}));
  EXPECT_EQ(HtmlRow("Принято топлива по ТТН, кг").at(0).Text, "3 725,00");  // 5000 * 0.745
  // Without CONTR_ID: PRX alone, its own tank.
  Exec("ALTER TABLE PRX DROP CONTR_ID");
  Report(0, A({102, 102}));
  EXPECT_EQ(HtmlRow("Резервуар").size(), 1u);
  EXPECT_EQ(HtmlRow("Поставщик").at(0).Text, "");
  // ... and without a column that the writers always read.
  Exec("ALTER TABLE PRX DROP DOPUSK");
  const auto r = Request(0, A({102, 102}));
  EXPECT_NE(r.Text.find("DOPUSK"), std::string::npos) << r.Text;
}

TEST_F(PrxReport, HundredsOfColumnsStayWhole) {
  std::string inserts;
  for (int i = 1; i <= 300; ++i)
    inserts += (i > 1 ? ";\n" : "") +
               ("INSERT INTO PRX (OPNUM, SMNUM, SILONUM, SILONAME, CARVOLTTN, GSMNAME, FACT1, "
                "FACTPLOTN, UDVES, DOPUSK, DELTA, TEMPER, PRIHOD, \"AUTO\", COR, BEGTIME, "
                "ENDTIME) VALUES (" +
                std::to_string(2000 + i) +
                ", 60, 1, 'R1', 100, 'AI', 100, 0.75, 0.75, 0.5, 0, 5, 1, 0, 0, "
                "'2024-03-05 10:00', '2024-03-05 10:30')");
  Exec(inserts);
  for (int n : {14, 15, 255, 256, 300}) {
    const std::string text = Report(0, A({2001, 2000 + n}));
    const std::vector<std::string> ops = TextColumns(text, "№ накладной");
    ASSERT_EQ(static_cast<int>(ops.size()), n);
    EXPECT_EQ(ops.back(), std::to_string(2000 + n));
    EXPECT_EQ(static_cast<int>(HtmlRow("№ прихода").size()), n);
  }
}

TEST_F(PrxReport, FailuresLeaveNothingBehind) {
  const std::string temp = root.Path() + "/c/TEMP";
  const auto leftovers = [&temp] {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(temp, ec))
      n += e.path().filename().string().rfind("XM", 0) == 0;
    return n;
  };
  for (const auto& e : std::filesystem::directory_iterator(root.Path() + "/c/FUEL/FORMS/REPORT"))
    if (AnsiLowerCase(e.path().filename().string()) == "prxex.frm") std::filesystem::remove(e.path());
  auto r = Request(0, A({101, 102}));
  EXPECT_NE(r.Text.find("PrxEx"), std::string::npos) << r.Text;
  EXPECT_EQ(leftovers(), 0);
  EXPECT_EQ(Cp1251ToUtf8(Html()), r.Text);  // the dispatcher's error text
  // A query error.
  Exec("ALTER TABLE PRX DROP PRIHOD");
  r = Request(31, A({101, 102}));
  EXPECT_NE(r.Text.find("PRIHOD"), std::string::npos) << r.Text;
  EXPECT_EQ(leftovers(), 0);
  // Too short a parameter array, and not an array.
  EXPECT_NE(Request(0, A({101})).Text, "");
  const auto notArray = Request('#', Variant(19));
  EXPECT_FALSE(notArray.Result == TV_REPORT_TRUE && notArray.Text.empty());
}

}  // namespace
}  // namespace tv::test
