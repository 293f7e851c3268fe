// The financial section on the close-of-shift sample with the financial
// sample of db/add-sample-finance: worked values by hand, the fuel, goods
// and cash figures against SQL written here (station and both goods
// departments through isql-fb), the HTML through Python's parser.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <tuple>

#include "platform/os/Files.h"
#include "platform/text/Format.h"
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
  // A number; the money format's currency (" р.") left out.
  double Value(const std::string& name) const {
    std::string v = Values.at(name);
    const std::size_t r = v.find(" р.");
    return Num(r == std::string::npos ? v : v.substr(0, r));
  }
};

class FinSection : public ShiftFixture {
 protected:
  bool OfficeFlag = false;
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
    Reset();
  }
  // The databases, the department list, cnf.ini and the test template as
  // each test starts with them.
  void Reset() {
    OfficeFlag = false;
    std::filesystem::copy_file(sampleDb_, DbPath(), std::filesystem::copy_options::overwrite_existing);
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

TEST_F(FinSection, CashRegisters) {
  // Checks stored before BCHECK had KA hold NULL there: they count as KA 0.
  Exec("INSERT INTO BCHECK (INDEXSALE, DATA, KKM, KA, SUMMA, KOLVO, VIDOPL, TRKINDEX, NUMBER) "
       "SELECT INDEXSALE, DATA, KKM, NULL, 10.01, KOLVO, VIDOPL, TRKINDEX, NUMBER FROM BCHECK "
       "WHERE KA = 0");
  struct Case {
    int from, to;
    bool goodsToRegister2;  // the host's answer to code 45
    double prin[3], sdano[3], goods[2];
  };
  // Received: the first shift's KKMOPER type 0 (not SMLOG's INKKM, not a
  // later shift's); handed: KKMOPER type 1 where the shift has rows, else
  // OUTKKM (shift 103); register 3 from KKMOPER only.
  const Case cases[] = {
      {101, 103, false, {1000, 500, 200}, {900, 125, 50}, {1000, 0}},
      {101, 103, true, {1000, 500, 200}, {900, 125, 50}, {300, 700}},
      {102, 103, true, {777, 0, 0}, {600, 25, 0}, {300, 0}},  // shift 102: TOVARKKM 0
      {103, 103, false, {222, 44, 0}, {400, 25, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Format("%d..%d, %d", {c.from, c.to, static_cast<int>(c.goodsToRegister2)}));
    host->Set(45, Variant(c.goodsToRegister2));
    const TFinHtml h = Fin(c.from, c.to);
    // Cash checks by register: by receipt index where the shift has one,
    // else by time; cash payment types of the nozzle's tank; KA 0 or NULL.
    const std::vector<IsqlRow> cash = Sql(Format(
        "SELECT COALESCE(b.KKM, 0) + 1 AS R, SUM(b.SUMMA) AS S FROM SMLOG sm JOIN BCHECK b ON "
        "(sm.INDEXSALE_BEG > 0 AND b.INDEXSALE >= sm.INDEXSALE_BEG AND b.INDEXSALE <= "
        "sm.INDEXSALE_END) OR (sm.INDEXSALE_BEG IS NULL AND b.DATA >= sm.BEGTIME AND b.DATA <= "
        "sm.ENDTIME) JOIN SMTRK t ON t.SMNUM = sm.SMNUM AND t.TRKINDEX = b.TRKINDEX + 1 AND "
        "t.PISTOLET = b.NUMBER JOIN SILOVO v ON v.SMNUM = sm.SMNUM AND v.SILONUM = t.SILONUM AND "
        "v.VIDOPL = b.VIDOPL WHERE v.CHECKTYPE = 0 AND COALESCE(b.KA, 0) = 0 "
        "AND sm.SMNUM BETWEEN %d AND %d GROUP BY 1",
        {c.from, c.to}));
    double byRegister[3] = {0, 0, 0};
    for (const IsqlRow& r : cash) byRegister[std::stoi(r.at("R")) - 1] = std::stod(r.at("S"));
    const char* names[3][3] = {{"Prin", "Sdano", "Peredano"},
                               {"Prin2", "Sdano2", "Peredano2"},
                               {"Prin3", "Sdano3", "Peredano3"}};
    for (int k = 0; k < 3; ++k) {
      EXPECT_DOUBLE_EQ(h.Value(names[k][0]), c.prin[k]) << k;
      EXPECT_DOUBLE_EQ(h.Value(names[k][1]), c.sdano[k]) << k;
      const double goods = k < 2 ? c.goods[k] : 0;
      EXPECT_NEAR(h.Value(names[k][2]), c.prin[k] + byRegister[k] + goods - c.sdano[k], 0.005) << k;
    }
    EXPECT_DOUBLE_EQ(h.Value("Tovary"), c.goods[0] + c.goods[1]);
    EXPECT_NEAR(h.Value("PeredanoEl"),
                c.prin[0] + c.goods[0] + h.Value("NalItogEl") - c.sdano[0], 0.005);
  }
}

// Values on a half kopeck, worked by hand: a Double is summed in 80-bit
// extended precision from the exact Currency amounts and rounded to double
// when stored; a difference or a Currency total is printed unrounded.
TEST_F(FinSection, FuelRowsOnAHalfKopeck) {
  // АИ-92 at 50.00 in shift 101: payment type 0 cash 8920.786 and check
  // type 7 7173.809 (16094.595); type 2 621.43 for 329.5943 l, at the
  // list price 16479.715 (a discount of 15858.285).
  Exec("DELETE FROM SILOVO WHERE SMNUM = 101");
  Exec("INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
       "(101, 0, 0, 0, 10, 7.5, 8920.786)");
  Exec("INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
       "(101, 0, 0, 7, 10, 7.5, 7173.809)");
  Exec("INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
       "(101, 0, 2, 2, 329.5943, 247.4, 621.43)");
  const std::string text =
      ShiftReport(101, 101, A({Variant("a"), Variant(4), Variant(TestForm("FinTies.frm"))}));
  std::map<std::string, std::vector<std::string>> rows;
  for (auto& f : Fields(text)) rows[f[0]] = f;
  // S0, Sd2, AS, NS; the sales money Itog_S
  const std::vector<std::string> expected = {"АИ-92", "16 094,59", "15 858,29", "16 716,02",
                                             "8 920,79"};
  EXPECT_EQ(rows["АИ-92"], expected) << text;
  EXPECT_EQ(rows["Itog_S"].at(1), "16 716,02");
}

TEST_F(FinSection, CashRegisterTotalsAreCurrency) {
  // One cash row of 4633.575 and goods of 1644.86: AllSum is the Currency
  // 6278.435, printed 6 278,44 by the built-in form.
  Exec("DELETE FROM SILOVO WHERE SMNUM = 101");
  Exec("INSERT INTO SILOVO (SMNUM, SILONUM, VIDOPL, CHECKTYPE, LITRE, KG, SUMMA) VALUES "
       "(101, 0, 0, 0, 92.6715, 69.55, 4633.575)");
  Exec("UPDATE SMLOG SET SUMMATOVARY = 1644.86 WHERE SMNUM = 101");
  const std::string text = Plain(Report(2, VarArrayOf({Variant(101)})));
  EXPECT_NE(text.find("6 278,44"), std::string::npos) << text;
}

TEST_F(FinSection, OpenShiftReadsShiftZeroAndTakesNoCashChecks) {
  SetOpenShiftFill();
  const TFinHtml h = Fin(-1, -1);
  const auto sql = SqlNumbers(
      "SELECT SUM(CASE WHEN KKM = 1 AND OPTYPE = 0 THEN SUMMA ELSE 0 END) AS P1, "
      "SUM(CASE WHEN KKM = 1 AND OPTYPE = 1 THEN SUMMA ELSE 0 END) AS S1, "
      "SUM(CASE WHEN KKM = 3 AND OPTYPE = 0 THEN SUMMA ELSE 0 END) AS P3 "
      "FROM KKMOPER WHERE SMNUM = 0");
  EXPECT_DOUBLE_EQ(h.Value("Prin"), sql.at("P1"));
  EXPECT_DOUBLE_EQ(h.Value("Sdano"), sql.at("S1"));
  EXPECT_DOUBLE_EQ(h.Value("Prin3"), sql.at("P3"));
  // Register 1's cash is the section's cash money; 2 and 3 take none.
  EXPECT_NEAR(h.Value("Peredano"), sql.at("P1") + h.Value("NalItog") - sql.at("S1"), 0.005);
  EXPECT_NEAR(h.Value("NalItog"), 25750, 0.005);
  EXPECT_DOUBLE_EQ(h.Value("Peredano3"), sql.at("P3"));
}

TEST_F(FinSection, DepartmentListsAndBadInput) {
  struct Case {
    const char* what;
    std::function<void()> setUp;
    double shopS0, shopS2;  // the "Магазин" row: shop's cash, cafe's type 2
    bool goodsRows;
  };
  const std::string garbage("\x00\xff\x01=\r\n\x9a\x00=\x01\n", 12);
  const Case cases[] = {
      {"both departments", [] {}, 50, 60, true},
      {"lines to skip",
       [this] {
         root.WriteFile("c/FUEL/EMPTY/.keep", "");
         root.WriteFile("c/FUEL/GENERALDB/GENERALDB.FDB", root.ReadFile("c/FUEL/CAFE/CAFE.FDB"));
         Departments("Магазин=C:\\FUEL\\shop\\\r\n##Кафе=C:\\FUEL\\CAFE\r\nНет=C:\\FUEL\\NONE\r\n"
                     "Пусто=C:\\FUEL\\EMPTY\r\nОбщий учёт=C:\\FUEL\\GENERALDB\r\n");
       },
       50, 0, true},
      {"a folder that is a file",
       [this] { Departments("Магазин=C:\\FUEL\\SHOP\\SHOP.FDB\r\nКафе=C:\\FUEL\\CAFE\r\n"); }, 0,
       60, true},
      {"binary department list", [&] { root.WriteFile("c/FUEL/Departments.txt", garbage); }, 0, 0,
       true},
      {"office list",
       [this] {
         OfficeFlag = true;
         root.WriteFile("c/FUEL/TradeOfficeDepartments.ini",
                        Utf8ToCp1251("[АЗС №1]\r\nБД АЗС=C:\\FUEL\\DB\r\n"
                                     "Магазин=C:\\FUEL\\SHOP\tпервый этаж\r\n[АЗС №2]\r\n"
                                     "Кафе=C:\\FUEL\\CAFE\r\n"));
       },
       50, 0, true},
      {"binary office list",
       [&] {
         OfficeFlag = true;
         root.WriteFile("c/FUEL/TradeOfficeDepartments.ini", garbage);
       },
       0, 0, true},
      {"section names not hex", [this] { Cnf("PutTovarSalesToFinReport=1\nKKMSectionNames=zz\n"); },
       0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    c.setUp();
    const std::vector<Variant> office = {Variant(0), Variant(0), Variant(""), Variant(true)};
    std::vector<Variant> params = {Variant(101), Variant(101), Paired({{4, "", "cells.html"}})};
    if (OfficeFlag) params.insert(params.end(), office.begin(), office.end());
    const TestHost::Reply r = Request('-', VarArrayOf(params));
    EXPECT_EQ(r.Text.find("Ошибка"), std::string::npos) << r.Text;
    const TFinHtml h = ReadFinHtml();
    EXPECT_EQ(h.Rows.count("Магазин"), c.goodsRows ? 1u : 0u);
    if (!c.goodsRows) continue;
    EXPECT_DOUBLE_EQ(h.Cell("Магазин", "S0"), c.shopS0);
    EXPECT_DOUBLE_EQ(h.Cell("Магазин", "S2"), c.shopS2);
  }
}

TEST_F(FinSection, StationDatabaseVariants) {
  struct Case {
    const char* what;
    const char* statement;
    double prin, sdano, peredano3;
    bool cashIsNalItog;
    double cash1 = 500;  // register 1's checks: KKM 0 and NULL
  };
  const Case cases[] = {
      // The cash-receipt query cannot open: register 1 takes the section's cash.
      {"no receipt index range", "ALTER TABLE SMLOG DROP INDEXSALE_BEG", 1000, 300, 150, true},
      // The shift log stands in; register 3 has nothing.
      {"no KKMOPER", "DROP TABLE KKMOPER", 150, 90, 300, false},
      // An older BCHECK without KA: the office's check of 1 000 counts too,
      // register 3 takes its check of 300.
      {"no KA", "ALTER TABLE BCHECK DROP KA", 1000, 300, 450, false, 1500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    Exec(c.statement);
    const TFinHtml h = Fin(101, 101);
    EXPECT_DOUBLE_EQ(h.Value("Prin"), c.prin);
    EXPECT_DOUBLE_EQ(h.Value("Sdano"), c.sdano);
    EXPECT_DOUBLE_EQ(h.Value("Peredano3"), c.peredano3);
    const double cash1 = c.cashIsNalItog ? h.Value("NalItog") : c.cash1;
    EXPECT_NEAR(h.Value("Peredano"), c.prin + cash1 + 700 - c.sdano, 0.005);
  }
}

TEST_F(FinSection, DepartmentThatIsNoDatabaseFailsTheSectionAlone) {
  root.WriteFile("c/FUEL/SHOP/SHOP.FDB", "no database");
  const TestHost::Reply r = Request('-', A({Variant(101), Variant(101), A({})}));
  const std::string error = "Ошибка при формировании финансового отчета: "
                            "ПрочитатьСуммыДляТоваровПоСекциямККМ -> ";
  const std::size_t at = r.Text.find(error);
  ASSERT_NE(at, std::string::npos) << r.Text;
  // The header, dispensers and tanks come whole before it.
  EXPECT_EQ(r.Text.find("Ошибка"), at);
  const std::string before = r.Text.substr(0, at);
  for (const char* part : {"СМЕННЫЙ ОТЧЕТ ПО АЗС", "Топливнораздаточные колонки", "Дизельное топливо ДТ"})
    EXPECT_NE(before.find(part), std::string::npos) << part;
}

TEST_F(FinSection, TextAndHtmlOfTheBuiltInFormAndTemplate) {
  // Smena3 and "Финансовый отчет" as built in; numbers with the no-break
  // space between thousands, the clock fixed.
  const std::string text = ShiftReport(101, 101, Paired({{4, "", "Финансовый отчет.html"}}));
  EXPECT_EQ(text, ExpectedShiftText("finance-101.txt"));
  const std::string html = Html();
  for (const char* name : {"GSM", "Price", "L0", "S0", "L2", "S2", "NL", "NS", "BL", "BS", "AL",
                           "AS", "NalItog", "BNalItog", "AllItog", "Tovary", "AllSum", "Prin",
                           "Sdano", "Peredano"})
    EXPECT_EQ(html.find(std::string("&lt;#") + name + "&gt;"), std::string::npos) << name;
  // The same totals as the text: the footer's lines against the HTML's.
  std::map<std::string, std::string> textValues, htmlValues;
  const std::regex line("(Принято по смене|Сдано в банк|Остаток в кассе)[: ]*([0-9\xc2\xa0 ]+,[0-9]{2})");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
    textValues[(*it)[1]] = Plain((*it)[2]);
  // The paragraphs after the table, their tags left out.
  const std::string utf8Html = std::regex_replace(Plain(Cp1251ToUtf8(html)), std::regex("<[^>]*>"), "");
  for (auto it = std::sregex_iterator(utf8Html.begin(), utf8Html.end(), line); it != std::sregex_iterator(); ++it)
    htmlValues[(*it)[1]] = (*it)[2];
  EXPECT_EQ(textValues.size(), 3u);
  EXPECT_EQ(textValues, htmlValues);
  const auto rows = HtmlCells();
  const auto row = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return !r.empty() && r[0] == "АИ-92"; });
  ASSERT_NE(row, rows.end());
  EXPECT_EQ(Plain((*row)[3]), "5 000,00");
}

TEST_F(FinSection, CodesEndWithTheFinances) {
  struct Case {
    char code;
    std::vector<Variant> params;
  };
  const Case cases[] = {{4, {Variant(101), Variant(103)}}, {2, {Variant(101)}}, {3, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    if (c.code == 3) SetOpenShiftFill();
    const std::string text = Report(c.code, VarArrayOf(c.params));
    const std::size_t fin = text.find("Финансовый отчет");
    ASSERT_NE(fin, std::string::npos);
    EXPECT_NE(text.find("Остаток в кассе", fin), std::string::npos);
    EXPECT_LT(text.find("Топливнораздаточные колонки"), fin);
  }
}

TEST_F(FinSection, NoPaymentTypesGiveZeroRowsPerFuel) {
  // Without payment types from the sales rows or the host, every fuel
  // still has its row, with its price and zeros.
  SetPaymentTypes({});
  Exec("DELETE FROM SILOVO WHERE SMNUM = 101");
  const TFinHtml h = Fin(101, 101);
  for (const char* fuel : {"АИ-92", "АИ-95", "Дизельное топливо ДТ"}) {
    ASSERT_EQ(h.Rows.count(fuel), 1u) << fuel;
    for (const char* cell : {"NL", "NS", "BS", "AL", "AS"}) EXPECT_DOUBLE_EQ(h.Cell(fuel, cell), 0) << cell;
    EXPECT_EQ(h.Rows.at(fuel).at(1), "") << "no payment-type cells";
  }
  EXPECT_DOUBLE_EQ(h.Value("NalItog"), 0);
}

TEST_F(FinSection, FuelSplitByPriceShowsThePlainName) {
  // АИ-92 sells at 50.00 in shift 101 and at 51.50 in shift 102.
  Cnf("FinPrcDelim=1\n");
  ShiftReport(101, 102, Paired({{4, "", "cells.html"}}));
  std::vector<double> litres;
  for (const auto& row : HtmlCells())
    if (row.size() == RowCells.size() && row[0] == "АИ-92") litres.push_back(Num(row[1]));
  const auto sql = SqlNumbers(
      "SELECT SUM(CASE WHEN SMNUM = 101 THEN LITRE ELSE 0 END) AS A, "
      "SUM(CASE WHEN SMNUM = 102 THEN LITRE ELSE 0 END) AS B FROM SILOVO "
      "WHERE SMNUM IN (101, 102) AND SILONUM = 0 AND VIDOPL = 0");
  EXPECT_EQ(litres, (std::vector<double>{sql.at("A"), sql.at("B")}));
}

}  // namespace
}  // namespace tv::test
