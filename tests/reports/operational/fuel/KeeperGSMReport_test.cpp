// Fuel movement by keeper ('#' 15) through the exported names on the
// sample station database with the keeper rows of db/add-sample-limits:
// the fuel columns (spellings of one fuel merged), the four balances of
// every column against independent SQL sums, the operation rows, and a
// keeper without a counterparty row.

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "tests/reports/operational/LimitsFixture.h"
#include "tests/support/Chromium.h"

namespace tv::test {
namespace {

class KeeperGSMReport : public LimitsFixture {
 protected:
  // The report of a keeper over 20.01.2024 00:00:00 .. 21.01.2024 23:59:59.
  std::vector<std::vector<std::string>> Run(int keeper) {
    EXPECT_EQ(Report('#', A({Variant(15), Variant(keeper), DateVar(2024, 1, 20),
                             DateVar(2024, 1, 21, 23, 59, 59)})),
              "Отчет \"Движение ГСМ по хранителю\" доступен только в HTML-версии");
    return HtmlRows();
  }
};

const char* const kBegin = "'2024-01-20 00:00:00'";
const char* const kEnd = "'2024-01-21 23:59:59'";

// Litres and kilograms per fuel of one part of the report, summed by
// Firebird (the sale mass rounded to 2 decimals) over the rows the queries
// give as GSMNAME, L and M; a fuel is its name upper-cased, so the
// spellings of one fuel add up.
std::map<std::string, std::pair<double, double>> Sums(const std::vector<IsqlRow>& rows) {
  std::map<std::string, std::pair<double, double>> out;
  for (const IsqlRow& r : rows) {
    auto& s = out[r.at("GSMNAME")];
    s.first += std::stod(r.at("L"));
    s.second += std::stod(r.at("M"));
  }
  return out;
}

std::string Upper(const std::string& utf8) {
  return Cp1251ToUtf8(AnsiUpperCase(Utf8ToCp1251(utf8)));
}

// Keeper 44 moves three fuels; 901 moves one fuel spelt "ДТ" and "дт".
class KeeperColumns : public KeeperGSMReport, public ::testing::WithParamInterface<int> {};

TEST_P(KeeperColumns, EveryColumnBalancesAndEqualsIndependentSums) {
  const int keeper = GetParam();
  const auto Where = [keeper](const char* table, const char* time, const std::string& range) {
    return std::string(" FROM ") + table + " WHERE KEEPER_ID = " + std::to_string(keeper) +
           " AND " + time + range;
  };
  const auto rows = Run(keeper);
  const std::string before = std::string(" < ") + kBegin;
  const std::string within = std::string(" BETWEEN ") + kBegin + " AND " + kEnd;
  const auto open = Sums(Sql(
      "SELECT UPPER(GSMNAME) AS GSMNAME, IIF(PRIHOD = 1, CARVOLTTN, -CARVOLTTN) AS L, IIF(PRIHOD = 1, MASSAFROMTTN, "
      "-MASSAFROMTTN) AS M" + Where("PRX", "ENDTIME", before) +
      " UNION ALL SELECT UPPER(GSMNAME), -LITER, -ROUND(LITER * PLOTN, 2)" +
      Where("LOGTRAN", "DATA", before)));
  const auto in = Sums(Sql("SELECT UPPER(GSMNAME) AS GSMNAME, CARVOLTTN AS L, MASSAFROMTTN AS M" +
                           Where("PRX", "ENDTIME", within) +
                           " AND PRIHOD = 1 AND (\"AUTO\" < 3 OR MASSAFROMTTN >= 0)"));
  const auto out = Sums(Sql(
      "SELECT UPPER(GSMNAME) AS GSMNAME, LITER AS L, ROUND(LITER * PLOTN, 2) AS M" +
      Where("LOGTRAN", "DATA", within) + " UNION ALL SELECT UPPER(GSMNAME), ABS(CARVOLTTN), ABS(MASSAFROMTTN)" + Where("PRX", "ENDTIME", within) +
      " AND (PRIHOD = 0 OR (\"AUTO\" = 3 AND MASSAFROMTTN < 0))"));
  const auto fuels = Sql("SELECT DISTINCT UPPER(GSMNAME) AS GSMNAME FROM (SELECT GSMNAME" +
                         Where("PRX", "ENDTIME", std::string(" <= ") + kEnd) +
                         " UNION ALL SELECT GSMNAME" +
                         Where("LOGTRAN", "DATA", std::string(" <= ") + kEnd) + ")");

  // Headings: one per fuel moved up to the end (not АИ-98, moved only
  // after it; АИ-95, moved only before the begin, is there), then "Все ГСМ".
  ASSERT_GE(rows.size(), 2u);
  std::vector<std::string> columns(rows[0].begin() + 7, rows[0].end());
  ASSERT_EQ(columns.size(), fuels.size() + 1);
  EXPECT_EQ(columns.back(), "Все ГСМ");
  for (std::string& c : columns)
    if (&c != &columns.back()) c = Upper(c);
  for (const IsqlRow& f : fuels)
    EXPECT_NE(std::find(columns.begin(), columns.end(), f.at("GSMNAME")), columns.end());
  EXPECT_EQ(std::find(columns.begin(), columns.end(), "АИ-98"), columns.end());
  if (keeper == 901) {
    EXPECT_EQ(rows[0][7], "ДТ");  // the first spelling
  }

  const auto total = [&](const std::string& label) {
    for (const auto& row : rows)
      if (row[0].rfind(label, 0) == 0) return row;
    ADD_FAILURE() << label;
    return std::vector<std::string>(7 + 2 * columns.size());
  };
  const auto opening = total("Остатки на 20.01.2024 00:00");
  const auto receipts = total("Итого приход");
  const auto issues = total("Итого расход");
  const auto closing = total("Остатки на 21.01.2024 23:59");
  std::pair<double, double> all[4] = {};
  for (std::size_t c = 0; c < columns.size(); ++c) {
    SCOPED_TRACE(columns[c]);
    const std::size_t l = 7 + 2 * c, m = l + 1;
    const bool isAll = c + 1 == columns.size();
    const auto get = [&](const std::map<std::string, std::pair<double, double>>& sums, int k) {
      if (isAll) return all[k];
      const auto it = sums.find(columns[c]);
      const auto v = it == sums.end() ? std::pair<double, double>() : it->second;
      all[k].first += v.first;
      all[k].second += v.second;
      return v;
    };
    const auto o = get(open, 0), i = get(in, 1), x = get(out, 2);
    EXPECT_NEAR(Num(opening[l]), o.first, 0.005);
    EXPECT_NEAR(Num(opening[m]), o.second, 0.005);
    EXPECT_NEAR(Num(receipts[l]), i.first, 0.005);
    EXPECT_NEAR(Num(receipts[m]), i.second, 0.005);
    EXPECT_NEAR(Num(issues[l]), x.first, 0.005);
    EXPECT_NEAR(Num(issues[m]), x.second, 0.005);
    EXPECT_NEAR(Num(closing[l]), o.first + i.first - x.first, 0.005);
    EXPECT_NEAR(Num(closing[m]), o.second + i.second - x.second, 0.005);
  }
}

INSTANTIATE_TEST_SUITE_P(Keepers, KeeperColumns, ::testing::Values(44, 901));

TEST_F(KeeperGSMReport, OperationRowsNameTheirPartiesAndShowOnlyTheirFuel) {
  const auto rows = Run(44);
  // Columns: АИ-92, АИ-95, ДТ, Все ГСМ (in the fuel query's order).
  std::vector<std::string> columns(rows[0].begin() + 7, rows[0].end());
  ASSERT_EQ(columns.size(), 4u);
  std::map<std::string, std::string> byDate;  // the rows as text, by operation and date
  std::vector<std::string> ops;
  for (const auto& row : rows) {
    if (row.size() != 7 + 2 * columns.size() || row[1].empty()) continue;
    std::string line;
    for (std::size_t j = 0; j < row.size(); ++j) line += (j ? "|" : "") + row[j];
    ops.push_back(line);
  }
  const auto fuel = [&](const std::string& name, const std::string& l, const std::string& m) {
    std::string cells;
    for (const std::string& c : columns)
      cells += c == name || c == "Все ГСМ" ? "|" + l + "|" + m : std::string("|0,00|0,00");
    return cells;
  };
  const std::vector<std::string> expected = {
      // receipts: at exactly the begin, a positive correction, at exactly the end
      "АО НефтеПоставка|20.01.24||Сомов К. Д.|Е303ЕЕ50|19.01.24|НП-303" + fuel("ДТ", "8 000,00", "6 680,00"),
      "Корректировка остатков|20.01.24|||||" + fuel("АИ-92", "20,00", "15,50"),
      "АО НефтеПоставка|21.01.24|||||" + fuel("АИ-92", "1 000,00", "745,00"),
      // issues: a sale with its waybill, a negative correction, a pump-out,
      // a sale at exactly the end without carrier or waybill
      "ИП Покупатель Н. Н.|20.01.24|ООО ТрансПеревозка|Жуков Илья Петрович|А031АА77|20.01.24|АБ0102" +
          fuel("АИ-92", "50,50", "37,63"),
      "Корректировка остатков|21.01.24|||||" + fuel("АИ-92", "30,00", "22,35"),
      "АО НефтеПоставка|21.01.24||Сомов К. Д.|Е304ЕЕ50|21.01.24|ОТ-306" + fuel("ДТ", "300,00", "250,50"),
      "ИП Покупатель Н. Н.|21.01.24|||||" + fuel("ДТ", "40,00", "33,40"),
  };
  EXPECT_EQ(ops, expected);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("ООО Склад-Хранитель"), std::string::npos);
}

TEST_F(KeeperGSMReport, KeepersWithoutCounterpartyOrMovementsStillGiveAPage) {
  // 49 names no counterparty: its one sale is listed as usual.
  auto rows = Run(49);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 7, rows[0].end()),
            (std::vector<std::string>{"АИ-92", "Все ГСМ"}));
  EXPECT_EQ(RowsStartingWith(rows, "Остатки на 21.01.2024 23:59").at(0).back(), "-7,45");
  // 999 moved nothing: "Все ГСМ" alone, zeros everywhere.
  rows = Run(999);
  EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 7, rows[0].end()),
            std::vector<std::string>{"Все ГСМ"});
  for (const char* label : {"Итого приход", "Итого расход"})
    EXPECT_EQ(RowsStartingWith(rows, label).at(0).back(), "0,00");
}

// The keeper report and the limit detail drawn by headless Chromium into
// PNG files that stay in the build tree (screenshots/) for a person to
// look at the column layout; each must show more than its background.
TEST_F(KeeperGSMReport, KeeperAndLimitDetailPagesRenderInChromium) {
  if (!HaveCommand("chromium"))
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps adds it): no screenshots";
  namespace fs = std::filesystem;
  const fs::path dir = TOLVAREN_SCREENSHOT_DIR;
  fs::create_directories(dir);
  Run(44);
  const std::string keeper = Html();
  Report('#', A({Variant(13), Variant("ООО Лимит-Сервис"_w), DateVar(2024, 1, 10),
                 DateVar(2024, 1, 12, 23, 59, 59)}));
  for (const auto& [name, html] : {std::pair<std::string, std::string>{"keeper-gsm", keeper},
                                   {"limit-detail", Html()}}) {
    SCOPED_TRACE(name);
    const fs::path page = dir / (name + ".html"), png = dir / (name + ".png");
    std::ofstream(page, std::ios::binary) << html;
    ASSERT_TRUE(RenderPagePng(page.string(), png.string(), (dir / "chromium.log").string()));
    std::string summary;
    EXPECT_EQ(CheckPng(png.string(), summary), 0) << png << ": " << summary;
  }
}

}  // namespace
}  // namespace tv::test
