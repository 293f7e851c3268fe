// The measuring-can report ('#' 10) through the exported names on the
// SMTRK rows of shifts 12 to 14 (db/add-sample-dispensers): columns, spans
// and cells read by Python's parser, the nozzle cells against SQL.

#include <map>

#include "platform/text/Cp1251.h"
#include "tests/reports/operational/DispensersFixture.h"

namespace tv::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class Mernik : public DispensersFixture {
 protected:
  // The report's table rows, cells "<colspan>:<text>".
  Rows Table(int from, int to) {
    const auto r = Request('#', A({Variant(10), Variant(from), Variant(to)}));
    EXPECT_EQ(r.Text, "Отчет по мернику доступен только в HTML-версии!");
    return HtmlSpanRows();
  }
};

TEST_F(Mernik, NozzleFuelAndGrandTotalColumns) {
  const Rows rows = Table(12, 14);
  ASSERT_EQ(rows.size(), 6u);
  // Dispenser 1 spans its two nozzles; the fuel totals span their columns.
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1:Смена, период", "1:ТРК:", "2:1", "1:2",
                                               "2:Итоги по ГСМ", "1:ИТОГО"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"1:ГСМ:", "1:АИ-92", "1:АИ-95", "1:АИ-92",
                                               "1:АИ-92", "1:АИ-95", "1:"}));
  // Nozzle cells from SQL: "X" without a row, blank for 0 litres.
  std::map<std::string, std::string> sql;
  for (const IsqlRow& r : Sql("SELECT SMNUM || '/' || TRKINDEX || '/' || PISTOLET AS K, "
                              "CAST(TRKSMENAM AS NUMERIC(9,2)) AS L FROM SMTRK WHERE SMNUM "
                              "BETWEEN 12 AND 14"))
    sql[r.at("K")] = r.at("L") == "0.00" ? "" : r.at("L");
  const char* const nozzles[] = {"1/1", "1/2", "2/1"};
  const char* const periods[] = {"№ 12, 01.04-01.04", "№ 13, 01.04-02.04", "№ 14, 31.12-01.01"};
  const char* const totals[3][3] = {{"10,00", "5,50", "15,50"}, {"30,00", "", "30,00"},
                                    {"5,25", "", "5,25"}};
  for (int s = 0; s < 3; ++s) {
    const std::vector<std::string>& row = rows[2 + s];
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[0], std::string("1:") + periods[s]);
    for (int n = 0; n < 3; ++n) {
      const auto it = sql.find(std::to_string(12 + s) + "/" + nozzles[n]);
      std::string expected = it == sql.end() ? "X" : it->second;
      for (char& c : expected) c = c == '.' ? ',' : c;
      EXPECT_EQ(row[2 + n], "1:" + expected) << s << " " << n;
    }
    for (int t = 0; t < 3; ++t) EXPECT_EQ(row[5 + t], std::string("1:") + totals[s][t]);
  }
}

TEST_F(Mernik, FewerFuelsThanNozzlesAndAsManyAndNone) {
  // Shift 13: two nozzles of one fuel: one total column (span 1), no grand total.
  Rows rows = Table(13, 13);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1:Смена, период", "1:ТРК:", "1:1", "1:2",
                                               "1:Итоги по ГСМ"}));
  EXPECT_EQ(rows[2].back(), "1:30,00");
  // As many nozzles as fuels: no total columns at all.
  Exec("DELETE FROM SMTRK WHERE TRKINDEX = 2 AND SMNUM BETWEEN 12 AND 14");
  rows = Table(12, 14);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1:Смена, период", "1:ТРК:", "2:1"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"1:№ 13, 01.04-02.04", "1:", "1:10,00", "1:X"}));
  // An empty range: the page without value columns or shift rows.
  rows = Table(50, 60);
  for (const auto& row : rows) EXPECT_NE(row[0].rfind("1:№", 0), 0u);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Отчет по мернику"), std::string::npos);
}

}  // namespace
}  // namespace tv::test
