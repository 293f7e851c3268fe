// The financial section on the close-of-shift sample with the financial
// sample of db/add-sample-finance: worked values by hand, the fuel, goods
// and cash figures against SQL written here (station and both goods
// departments through isql-fb), the HTML through Python's parser.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/ShiftFixture.h"

namespace tv::test {
namespace {

std::string SampleRoot(const std::string& db) {
  return db.substr(0, db.size() - std::string("/c/FUEL/DB/Velmar.FDB").size());
}

// The hex text of cnf.ini's KKMSectionNames for UTF-8 lines.
std::string Hex(const std::string& utf8) {
  std::string out;
  for (unsigned char c : Utf8ToCp1251(utf8)) out += Format("%.2X", {static_cast<int>(c)});
  return out;
}

const char* const SectionNames =
    "1=Магазин [Объем]\r\n2=Кафе [Масса]\r\n3=[Объем] Прочее\r\n-1=Плохо\r\n4=\r\nabc=X\r\n";

// Row cells of the test template and the values outside its rows.
const std::vector<std::string> RowCells = {
    "GSM", "L0", "K0", "S0", "Sc0", "Sd0", "L2", "K2", "S2", "Sc2", "Sd2", "S3", "L3", "L5", "S5",
    "L7", "S7", "NL", "NK", "NS", "BL", "BK", "BS", "AL", "AK", "AS", "ASc", "ASd"};
const std::vector<std::string> OutCells = {
    "NalItog", "BNalItog", "_AllItog", "Itog_L", "NalItogEl", "NalItogEp", "BNalTovar",
    "BNalAllSum", "Tovary", "TovaryAllSum", "AllSum", "_AllItog2", "Prin", "Prin2", "Prin3",
    "Sdano", "Sdano2", "Sdano3", "Peredano", "Peredano2", "Peredano3", "PeredanoEl",
    "PeredanoEp", "IGSMSVO0", "IGSMSVO2", "IGSMSVO5", "IGSMLVO5", "ITovSVO0", "ITovSVO2",
    "ITovSVO3", "NDS180Count", "NDS180ZSum", "NDS180RSum", "NDS100ZSum", "NDS100RSum",
    "NDS100Count", "NDS0RSum", "NDS0Count", "NDS180NALZSum", "NDS180NALRSum", "NDS180VO0RSum",
    "NDS180BNALZSum"};

struct TFinHtml {
  std::map<std::string, std::vector<std::string>> Rows;  // by GSM
  std::map<std::string, std::string> Values;             // outside rows
  std::vector<std::string> BNItogS;                      // of each section
  double Cell(const std::string& gsm, const std::string& name) const {
    const auto at = std::find(RowCells.begin(), RowCells.end(), name) - RowCells.begin();
    return Num(Rows.at(gsm).at(at));
  }
  double Value(const std::string& name) const { return Num(Values.at(name)); }
};

class FinSection : public ShiftFixture {
 protected:
  static void SetUpTestSuite() {
    ShiftFixture::SetUpTestSuite();
    // The goods departments of the library's sample, beside the station
    // database that the shift sample went into.
    const std::string from = SampleRoot(SampleStationDatabase());
    const std::string to = SampleRoot(sampleDb_);
    for (const char* d : {"SHOP", "CAFE"}) {
      std::filesystem::create_directories(to + "/c/FUEL/" + d);
      std::filesystem::copy_file(from + "/c/FUEL/" + d + "/" + d + ".FDB",
                                 to + "/c/FUEL/" + d + "/" + d + ".FDB",
                                 std::filesystem::copy_options::overwrite_existing);
    }
    AddToSample("add-sample-finance");
  }

  void SetUp() override {
    ShiftFixture::SetUp();
    const std::string from = SampleRoot(sampleDb_);
    for (const char* d : {"SHOP", "CAFE"}) {
      const std::string rel = std::string("c/FUEL/") + d + "/" + d + ".FDB";
      root.WriteFile(rel, ReadFileBytes(from + "/" + rel));
    }
    Departments("Магазин=C:\\FUEL\\SHOP\r\nКафе=C:\\FUEL\\CAFE\r\n");
    Cnf("PutTovarSalesToFinReport=1\nKKMSectionNames=" + Hex(SectionNames) + "\n");
    Template("cells.html", CellsTemplate(""));
  }

  void Departments(const std::string& utf8) const {
    root.WriteFile("c/FUEL/Departments.txt", Utf8ToCp1251(utf8));
  }
  void Template(const std::string& name, const std::string& cp1251) const {
    root.WriteFile("c/FUEL/FORMS/WEBREP/" + Utf8ToCp1251(name), cp1251);
  }
  std::string Builtin() const {
    return root.ReadFile(Utf8ToCp1251("c/FUEL/FORMS/WEBREP/Финансовый отчет.html"));
  }
  // The test template; `extra` goes before the table (parameters).
  static std::string CellsTemplate(const std::string& extra) {
    std::string t = "<html><body>" + extra +
                    "<p>&lt;#Group&gt;</p><table>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr>";
    for (const std::string& c : RowCells) t += "<td>&lt;#" + c + "&gt;</td>";
    t += "</tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#AllItog&gt;</td></tr>\n"
         "<tr><td>BNItogL</td><td>&lt;#BNItogL&gt;</td><td>BNItogS</td><td>&lt;#BNItogS&gt;</td>"
         "</tr>\n<tr><td>&lt;#EndAllItog&gt;</td></tr>\n</table><p>&lt;#EndGroup&gt;</p>\n<table>\n";
    for (const std::string& o : OutCells)
      t += "<tr><td>" + o + "</td><td>&lt;#" + o + "&gt;</td></tr>\n";
    return t + "</table></body></html>\n";
  }
  // The financial section alone through the test template.
  TFinHtml Fin(int from, int to) {
    ShiftReport(from, to, Paired({{4, "", "cells.html"}}));
    return ReadFinHtml();
  }
  TFinHtml ReadFinHtml() {
    TFinHtml out;
    for (const auto& row : HtmlCells()) {
      if (row.size() == RowCells.size()) out.Rows[row[0]] = row;
      if (row.size() == 2) out.Values[row[0]] = row[1];
      if (row.size() == 4 && row[0] == "BNItogL") out.Values["BNItogL"] = row[1];
      if (row.size() == 4 && row[2] == "BNItogS") out.BNItogS.push_back(row[3]);
    }
    return out;
  }
  // A sum over a goods department's database.
  double GoodsSum(const char* dept, const std::string& select) const {
    const std::string path = root.Path() + "/c/FUEL/" + dept + "/" + dept + ".FDB";
    const std::vector<IsqlRow> rows = IsqlSelect(path, Utf8ToCp1251(select));
    if (rows.empty() || rows[0].begin()->second == "<null>") return 0;
    return std::stod(rows[0].begin()->second);
  }
};

TEST_F(FinSection, WorkedFuelRowOfShift101) {
  const TFinHtml h = Fin(101, 101);
  const std::vector<std::pair<std::string, double>> expected = {
      {"L0", 100}, {"K0", 75.05}, {"S0", 5000}, {"Sc0", 5000}, {"Sd0", 0}, {"L2", 40},
      {"S2", 1960}, {"Sc2", 2000}, {"Sd2", 40}, {"L5", 10}, {"S5", 500}, {"L7", 5}, {"S7", 250},
      // N: type 0; B: type 2; A: both and the check-type-7 row, not the measuring can
      {"NL", 100}, {"NS", 5000}, {"BL", 40}, {"BS", 1960}, {"AL", 145}, {"AS", 7210},
      {"ASc", 7250}, {"ASd", 40}};
  for (const auto& [name, value] : expected) EXPECT_DOUBLE_EQ(h.Cell("АИ-92", name), value) << name;
  // The surplus: 5 l over at 40.00, 2 l of them overflow.
  EXPECT_NEAR(h.Value("NalItogEl") - h.Value("NalItog"), 120, 1e-6);
  EXPECT_NEAR(h.Value("NalItogEp") - h.Value("NalItog"), 200, 1e-6);
}

TEST_F(FinSection, FuelTotalsAgainstSql) {
  for (const auto& [from, to] : {std::pair{101, 101}, std::pair{101, 103}, std::pair{102, 103}}) {
    SCOPED_TRACE(Format("%d..%d", {from, to}));
    const TFinHtml h = Fin(from, to);
    const auto sql = SqlNumbers(Format(
        "SELECT SUM(CASE WHEN CHECKTYPE = 0 THEN SUMMA ELSE 0 END) AS N, "
        "SUM(CASE WHEN CHECKTYPE BETWEEN 1 AND 5 THEN SUMMA ELSE 0 END) AS B, "
        "SUM(CASE WHEN CHECKTYPE <> 6 THEN LITRE ELSE 0 END) AS AL, "
        "SUM(CASE WHEN VIDOPL = 0 THEN SUMMA ELSE 0 END) AS S0, "
        "SUM(CASE WHEN VIDOPL = 2 THEN SUMMA ELSE 0 END) AS S2, "
        "SUM(CASE WHEN VIDOPL = 5 THEN SUMMA ELSE 0 END) AS S5, "
        "SUM(CASE WHEN VIDOPL = 5 THEN LITRE ELSE 0 END) AS L5 "
        "FROM SILOVO WHERE SMNUM BETWEEN %d AND %d",
        {from, to}));
    EXPECT_NEAR(h.Value("NalItog"), sql.at("N"), 0.005);
    EXPECT_NEAR(h.Value("BNalItog"), sql.at("B"), 0.005);
    EXPECT_NEAR(h.Value("_AllItog"), sql.at("N") + sql.at("B"), 0.005);
    EXPECT_NEAR(h.Value("Itog_L"), sql.at("AL"), 0.005);
    EXPECT_NEAR(h.Value("IGSMSVO0"), sql.at("S0"), 0.005);
    EXPECT_NEAR(h.Value("IGSMSVO2"), sql.at("S2"), 0.005);
    EXPECT_NEAR(h.Value("IGSMSVO5"), sql.at("S5"), 0.005);
    EXPECT_NEAR(h.Value("IGSMLVO5"), sql.at("L5"), 0.005);
  }
}

TEST_F(FinSection, GoodsRowsBySection) {
  const TFinHtml h = Fin(101, 101);
  // Labels: the word before "[" (litres or kilograms), a label opening with
  // "[" whole; "-1", "4=" and "abc" give no row.
  ASSERT_EQ(h.Rows.count("Магазин"), 1u);
  ASSERT_EQ(h.Rows.count("Кафе"), 1u);
  ASSERT_EQ(h.Rows.count("[Объем] Прочее"), 1u);
  EXPECT_EQ(h.Rows.count("Плохо") + h.Rows.count("X"), 0u);
  struct Case {
    const char* row;
    const char* cell;
    double value;
  };
  // Section 1: 3 sold and 2 returned at 50.00 in cash, 1 at 60.00 on type 2.
  const Case cases[] = {
      {"Магазин", "S0", 50}, {"Магазин", "L0", 1}, {"Магазин", "S2", 60}, {"Магазин", "L2", 1},
      {"Магазин", "NS", 50}, {"Магазин", "NL", 1}, {"Магазин", "BS", 60}, {"Магазин", "AL", 2},
      {"Кафе", "S0", 100},   {"Кафе", "K0", 2.5},  {"Кафе", "K2", 4},     {"Кафе", "NK", 2.5},
      {"Кафе", "BK", 4},     {"Кафе", "AK", 6.5},  {"Кафе", "AS", 200},
      {"[Объем] Прочее", "S3", 80}, {"[Объем] Прочее", "L3", 10}, {"[Объем] Прочее", "BS", 80}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(h.Cell(c.row, c.cell), c.value) << c.row << " " << c.cell;
  EXPECT_TRUE(h.Rows.at("Кафе").at(1).empty());  // no litres for kilogram goods
  EXPECT_DOUBLE_EQ(h.Value("BNalTovar"), 240);
  // The goods money per section and payment type of both departments,
  // returns negative, against the S cells.
  for (const auto& [row, section, code] :
       {std::tuple{"Магазин", 1, 0}, std::tuple{"Магазин", 1, 2}, std::tuple{"Кафе", 2, 0},
        std::tuple{"Кафе", 2, 2}, std::tuple{"[Объем] Прочее", 3, 3}}) {
    const std::string select = Format(
        "SELECT SUM(CASE WHEN d.\"TYPE\" = 3 THEN -1 ELSE 1 END * m.\"COUNT\" * m.RPRICE) "
        "FROM DOCUMENTS d JOIN GOODSMOTION m ON m.ID_DOC = d.ID_DOC "
        "JOIN SALEDOC s ON s.ID_DOC = d.ID_DOC JOIN PAYMENT p ON p.ID = s.PAYMENT "
        "JOIN BATCHES b ON b.ID_P = m.ID_P JOIN GOODS g ON g.ID_GOODS = b.ID_GOODS "
        "JOIN CATEGORY c ON c.ID_CATEGORY = g.ID_CATEGORY WHERE d.\"TYPE\" IN (2, 3) "
        "AND d.DATA >= '2024-04-01 08:00:00' AND d.DATA <= '2024-04-01 16:00:00' "
        "AND c.KKMSECTION = %d AND p.GSMVO = %d",
        {section, code});
    EXPECT_NEAR(h.Cell(row, "S" + std::to_string(code)),
                GoodsSum("SHOP", select) + GoodsSum("CAFE", select), 0.005)
        << row << " " << code;
  }
}

TEST_F(FinSection, VatSumsWithTheReturnTakenOutOfThePurchaseSum) {
  // Rate 18 (with 18.04): sold 3 + 1 + 1, returned 2. The return takes its
  // purchase sum back out as it does its retail sum and quantity.
  Template("cells.html", CellsTemplate("<!-- &lt;#NDS180Count&gt; -->"));
  const TFinHtml h = Fin(101, 101);
  const std::vector<std::pair<std::string, double>> expected = {
      {"NDS180Count", 3},     {"NDS180RSum", 122},     {"NDS180ZSum", 67},
      {"NDS100Count", 6.5},   {"NDS100RSum", 200},     {"NDS100ZSum", 130},
      {"NDS0Count", 11},      {"NDS0RSum", 95},        {"NDS180NALZSum", 30},
      {"NDS180NALRSum", 50},  {"NDS180VO0RSum", 50},   {"NDS180BNALZSum", 37}};
  for (const auto& [name, value] : expected) EXPECT_DOUBLE_EQ(h.Value(name), value) << name;
}

TEST_F(FinSection, RunningTotalsAcrossSections) {
  const auto sql = SqlNumbers("SELECT SUM(SUMMA) AS S FROM SILOVO WHERE SMNUM = 101 AND VIDOPL = 2");
  // Fuel of type 2 and the goods of type 2: 60.00 in section 1, 100.00 in 2.
  const double own = sql.at("S") + 160;
  struct Case {
    const char* first;
    const char* second;
    std::vector<double> expected;  // NaN: no outer totals
  };
  const double none = std::nan("");
  const Case cases[] = {
      {"SummaVO=2", "SummaVO=2", {own, 2 * own}},
      {"SummaVO=2", "SummaVO=2 ClearCounters=1", {own, own}},
      {"SummaVO=2", "SummaVO=abc", {own, none}},
      {"SummaVO=2", "", {own, none}},
      {"", "SummaVO=2", {none, own}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.second);
    const auto param = [](const std::string& p) {  // one directive per parameter
      std::string out;
      for (std::size_t b = 0, e; b < p.size(); b = e + 1) {
        e = std::min(p.find(' ', b), p.size());
        out += "&lt;#paramrep " + p.substr(b, e - b) + "&gt;";
      }
      return out;
    };
    Template("a.html", CellsTemplate(param(c.first)));
    Template("b.html", CellsTemplate(param(c.second)));
    ShiftReport(101, 101, Paired({{4, "", "a.html"}, {4, "", "b.html"}}));
    const TFinHtml h = ReadFinHtml();
    ASSERT_EQ(h.BNItogS.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      if (std::isnan(c.expected[i]))
        EXPECT_EQ(h.BNItogS[i], "");
      else
        EXPECT_NEAR(Num(h.BNItogS[i]), c.expected[i], 0.005) << i;
    }
  }
}

}  // namespace
}  // namespace tv::test
