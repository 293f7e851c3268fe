// The financial report by cash registers, called in-process as the
// close-of-shift report calls it: on the sample station database with the
// shifts 101 to 103 and the bonus sample (receipts and both departments'
// goods sales), with the shift log and tank-payment copies of that range.
// Sums are checked against SQL written here over BCHECK, SILOVO and each
// department database; the HTML is read by Python's html.parser.

#include "reports/shift/FinKKMRep.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "foundation/FBUtils.h"
#include "library/CVariant.h"
#include "library/HostCallbacks.h"
#include "library/IBSource.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/ib/IBDataSet.h"
#include "tests/library/SampleDatabase.h"
#include "tests/support/Chromium.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Row = std::vector<std::string>;

const char* const kDbs[] = {"c/FUEL/DB/Velmar.FDB", "c/FUEL/SHOP/SHOP.FDB", "c/FUEL/CAFE/CAFE.FDB"};
const int kCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 105};
// The join's condition that leaves a receipt at a shift change to the shift
// before it in the range.
constexpr const char* kAfterPrevious =
    "AND b.DATA > COALESCE((SELECT p.ENDTIME FROM SMLOG p WHERE p.SMNUM = s.SMNUM - 1 "
    "AND p.SMNUM >= 101), s.BEGTIME - 1) ";
std::string gSample;  // the suite's sample root
std::map<int, Variant> answers;

int32_t Answer(TVVariant* result, int32_t code, int32_t) {
  const auto it = answers.find(code);
  if (it == answers.end()) return TV_HOST_FAILED;
  ToCVariant(it->second, result);
  return TV_HOST_OK;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

double Num(std::string s) {
  std::string t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 2, "\xC2\xA0") == 0) {
      ++i;
    } else if (s[i] == ',') {
      t += '.';
    } else if (s[i] != ' ') {
      t += s[i];
    }
  }
  return t.empty() ? 0 : std::stod(t);
}

// The test template: per row the register, the name, the seven check-type
// columns of money and of litres and litres and money per payment type.
std::string TestTemplate(const std::string& repType) {
  std::string cells = "<td>&lt;#KKM&gt;</td><td>&lt;#DepName&gt;</td>";
  std::string itog = "<td>ИТ</td><td>&nbsp;</td>", all = "<td>ВСЕГО</td><td>&nbsp;</td>";
  for (int n = 0; n < 7; ++n) {
    cells += "<td>&lt;#Type" + std::to_string(n) + "&gt;</td>";
    itog += "<td>&lt;#Type" + std::to_string(n) + "&gt;</td>";
    all += "<td>&lt;#IType" + std::to_string(n) + "&gt;</td>";
  }
  for (int n = 0; n < 7; ++n) {
    cells += "<td>&lt;#TypeL" + std::to_string(n) + "&gt;</td>";
    itog += "<td>&lt;#TypeL" + std::to_string(n) + "&gt;</td>";
    all += "<td>&lt;#ITypeL" + std::to_string(n) + "&gt;</td>";
  }
  for (int c : kCodes) {
    const std::string k = std::to_string(c);
    cells += "<td>&lt;#L" + k + "&gt;</td><td>&lt;#S" + k + "&gt;</td>";
    itog += "<td>&lt;#L" + k + "&gt;</td><td>&lt;#S" + k + "&gt;</td>";
    all += "<td>&lt;#IL" + k + "&gt;</td><td>&lt;#IS" + k + "&gt;</td>";
  }
  auto mark = [](const std::string& d) {
    return "<tr><td colspan=36>&lt;#" + d + "&gt;</td></tr>\n";
  };
  return Utf8ToCp1251(
      "<html><body><p>&lt;#BDate&gt;|&lt;#EDate&gt;&lt;#paramrep RepType=" + repType +
      "&gt;</p>\n<table>\n<tr><td>Касса</td></tr>\n" + mark("Group") + mark("Repeat") + "<tr>" +
      cells + "</tr>\n" + mark("EndRepeat") + mark("Itog") + "<tr>" + itog + "</tr>\n" +
      mark("EndItog") + mark("EndGroup") + mark("AllItog") + "<tr>" + all + "</tr>\n" +
      mark("EndAllItog") + "</table></body></html>\n");
}

class FinKKMReport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path from = fs::path(test::SampleStationDatabase())
                              .parent_path()
                              .parent_path()
                              .parent_path()
                              .parent_path();
    std::string folder = (fs::temp_directory_path() / "tolvaren-finkkm-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    gSample = folder;
    for (const char* db : kDbs) {
      fs::create_directories((fs::path(folder) / db).parent_path());
      fs::copy_file(from / db, fs::path(folder) / db);
    }
    for (const char* script : {"add-sample-shifts", "add-sample-bonus"}) {
      int rc = -1;
      const std::string out = test::RunCommand(
          std::string(TOLVAREN_SOURCE_DIR) + "/db/" + script + " --root " + Quote(folder) + " 2>&1",
          &rc);
      ASSERT_EQ(rc, 0) << out;
    }
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(gSample, ec);
  }

  FinKKMReport() {
    LibraryStartup();
    ::setenv("TOLVAREN_NOW", "2024-04-02 10:30:00", 1);
    answers = {
        {46, Variant(3)}, {5, Variant(std::string("C:\\FUEL\\DB\\"))}, {13, Variant("АЗС №1"_w)}};
    StoreHostProcs(nullptr, Answer, nullptr);
    OfficeHost = true;
    root.WriteFile("c/FUEL/LogFiles/.keep", "");
    for (const char* db : kDbs) {
      fs::create_directories((fs::path(root.Path()) / db).parent_path());
      fs::copy_file(fs::path(gSample) / db, fs::path(root.Path()) / db);
    }
    // The cafe's database has the older goods schema.
    Exec(kDbs[2], "ALTER TABLE DOCUMENTS DROP KKMNUM;");
    deps.Add("Магазин=C:\\FUEL\\SHOP"_w);
    deps.Add("Кафе=C:\\FUEL\\CAFE"_w);
  }
  ~FinKKMReport() override {
    ClearHostProcs();
    OfficeHost = false;
    ::unsetenv("TOLVAREN_NOW");
  }

  std::string Db(const char* relative) const { return root.Path() + "/" + relative; }
  void Exec(const char* db, const std::string& sql) const {
    int rc = -1;
    const std::string out =
        test::Isql("CONNECT " + Quote(Db(db)) + " USER 'SYSDBA';\n" + sql + "\nCOMMIT;\n", &rc);
    ASSERT_EQ(rc, 0) << out;
  }
  std::vector<test::IsqlRow> Sql(const char* db, const std::string& utf8) const {
    return test::IsqlSelect(Db(db), Utf8ToCp1251(utf8));
  }

  // The report with a template of `text` over shifts 101 to 103 (or the
  // open shift's log row only).
  std::string Build(const std::string& text, const std::string& tovarPath, bool office = false,
                    bool openShift = false) {
    root.WriteFile("c/FUEL/FORMS/WEBREP/kkm.html", text);
    TReportCreator creator;
    TRxMemoryData log("SmLog"), payTypes("SiloVO");
    {
      std::unique_ptr<TIBDataSet> q(
          FBUtils::FBCreateDataSetForRead(creator.Database, true, nullptr, nullptr, ""));
      q->SelectSQL().SetText(
          openShift ? "SELECT * FROM SMLOG WHERE SMNUM = 0"
                    : "SELECT * FROM SMLOG WHERE SmNum BETWEEN 101 AND 103 ORDER BY SmNum");
      CopyTableRows(*q, log);
      q->Close();
      q->SelectSQL().SetText("SELECT * FROM SILOVO WHERE SmNum BETWEEN 101 AND 103 ORDER BY SmNum");
      CopyTableRows(*q, payTypes);
    }
    if (openShift) {
      log.Append();
      log.FieldByName("SmNum").SetAsInteger(104);
      log.FieldByName("BegTime").SetAsDateTime(EncodeDateTime(2024, 4, 2, 8, 0, 0, 0));
      log.Post();
    }
    std::string html;
    error.clear();
    FinKKMUnit::GetFinKKMReport(
        creator, log, payTypes, office, EncodeDateTime(2024, 4, 1, 8, 0, 0, 0),
        EncodeDateTime(2024, 4, 2, 8, 0, 0, 0), tovarPath, "", deps, "", "kkm.html", html, error);
    return html;
  }
  // The table rows of the report (UTF-8 cells).
  std::vector<Row> Rows(const std::string& html) const {
    const std::string file = root.Path() + "/report.html";
    WriteFileBytes(file, html);
    const std::string out = test::RunCommand(
        "python3 " +
            Quote(std::string(TOLVAREN_SOURCE_DIR) + "/tests/reports/operational/html_cells.py") +
            " " + Quote(file),
        nullptr);
    std::vector<Row> rows;
    std::size_t start = 0;
    for (std::size_t nl = out.find('\n'); nl != std::string::npos; nl = out.find('\n', start)) {
      Row row;
      std::string line = out.substr(start, nl - start);
      for (std::size_t p = 0;;) {
        const std::size_t tab = line.find('\t', p);
        row.push_back(line.substr(p, tab - p));
        if (tab == std::string::npos) break;
        p = tab + 1;
      }
      rows.push_back(row);
      start = nl + 1;
    }
    return rows;
  }
  // Register of each data row (the last "KKM" cell seen), by row.
  static std::vector<int> Registers(const std::vector<Row>& rows) {
    std::vector<int> out;
    int reg = -1;
    for (const Row& r : rows) {
      if (!r.empty() && !r[0].empty() && r[0] != "ИТ" && r[0] != "ВСЕГО" && r[0] != "Касса")
        reg = std::stoi(r[0]);
      out.push_back(reg);
    }
    return out;
  }
  // The built-in template with RepType and, when asked, ShowNames 1.
  static std::string BuiltIn(const std::string& repType, bool showNames) {
    std::string t = ReadFileBytes(Utf8ToCp1251(std::string(TOLVAREN_SOURCE_DIR) +
                                               "/templates/web/Финансовый отчет по кассам.html"));
    const std::string from = "&lt;#paramrep RepType=2E&gt;";
    t.replace(t.find(from), from.size(),
              "&lt;#paramrep RepType=" + repType + "&gt;" +
                  (showNames ? "&lt;#paramrep ShowNames=1&gt;" : ""));
    return Utf8ToCp1251(t);
  }

  test::TempRoot root;
  TStringList deps;
  std::string error;
};

// Fuel litres and money per register, register line and payment type, and
// per check type through each shift's payment types.
TEST_F(FinKKMReport, FuelSumsEqualTheReceiptsOfEachShift) {
  const std::vector<Row> rows = Rows(Build(TestTemplate("1"), "C:\\FUEL\\SHOP"));
  ASSERT_TRUE(error.empty()) << error;
  // A receipt stamped at a shift change counts once, under the earlier shift.
  const std::string join = "FROM SMLOG s JOIN BCHECK b ON b.DATA BETWEEN s.BEGTIME AND s.ENDTIME " +
                           std::string(kAfterPrevious);
  const std::string where = "WHERE s.SMNUM BETWEEN 101 AND 103 AND COALESCE(b.KA, 0) = 0 ";
  // Lines 2 and beyond share the third row; only a return takes litres back.
  const std::string line = "IIF(COALESCE(b.KKM, 0) IN (0, 1), COALESCE(b.KKM, 0), 2)";
  const std::string litres = "SUM(IIF(b.SUMMA < 0, -b.KOLVO, b.KOLVO))";
  std::map<std::tuple<int, int, std::string>, std::pair<double, double>> want;
  for (const auto& r : Sql(kDbs[0], "SELECT b.CLIENT AS R, " + line +
                                        " AS K, b.VIDOPL AS V, "
                                        "SUM(b.SUMMA) AS S, " +
                                        litres + " AS L " + join + where + "GROUP BY 1, 2, 3"))
    want[{std::stoi(r.at("R")), std::stoi(r.at("K")), "L" + r.at("V")}] = {std::stod(r.at("L")),
                                                                           std::stod(r.at("S"))};
  for (const auto& r :
       Sql(kDbs[0],
           "SELECT b.CLIENT AS R, " + line + " AS K, v.CHECKTYPE AS C, SUM(b.SUMMA) AS S, " +
               litres + " AS L " + join +
               "JOIN (SELECT DISTINCT SMNUM, VIDOPL, CHECKTYPE FROM SILOVO WHERE VIDOPL <> 40) v "
               "ON v.SMNUM = s.SMNUM AND v.VIDOPL = b.VIDOPL " +
               where + "GROUP BY 1, 2, 3"))
    want[{std::stoi(r.at("R")), std::stoi(r.at("K")), "T" + r.at("C")}] = {std::stod(r.at("L")),
                                                                           std::stod(r.at("S"))};
  const std::vector<int> regs = Registers(rows);
  std::map<std::tuple<int, int, std::string>, std::pair<double, double>> got;
  const char* const labels[] = {"ГСМ (1-я ККМ)", "ГСМ (2-я ККМ)", "ГСМ (3-я ККМ)"};
  int fuelRows = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    int k = -1;
    for (int n = 0; n < 3; ++n) k = r.size() > 1 && r[1] == labels[n] ? n : k;
    if (k < 0) continue;
    ++fuelRows;
    for (int n = 0; n < 7; ++n)
      if (!r[9 + n].empty() && Num(r[9 + n]) != 0)
        got[{regs[i], k, "T" + std::to_string(n)}] = {Num(r[9 + n]), Num(r[2 + n])};
    for (std::size_t c = 0; c < std::size(kCodes); ++c)
      if (!r[16 + 2 * c].empty())
        got[{regs[i], k, "L" + std::to_string(kCodes[c])}] = {Num(r[16 + 2 * c]),
                                                              Num(r[17 + 2 * c])};
  }
  EXPECT_EQ(fuelRows, 9);  // registers 1, 10, 2, each with three lines
  EXPECT_EQ(regs.size(), rows.size());
  for (const auto& [key, value] : want) {
    const auto it = got.find(key);
    ASSERT_NE(it, got.end()) << std::get<0>(key) << "/" << std::get<1>(key) << "/"
                             << std::get<2>(key);
    EXPECT_NEAR(it->second.first, value.first, 0.005);
    EXPECT_NEAR(it->second.second, value.second, 0.005);
  }
  EXPECT_EQ(got.size(), want.size());
}

// Every receipt counts once, whatever its register line: lines 2 and beyond
// share the third row. The register and grand totals per payment type are
// the period's receipts per register, with the line of some receipts moved.
TEST_F(FinKKMReport, EveryReceiptCountsOnceWhateverItsLine) {
  struct Case {
    const char* change;                  // to BCHECK before the report, or empty
    std::vector<std::string> register2;  // its fuel rows (lines 0, 2, 3 in the sample)
  };
  const Case cases[] = {
      {"", {"ГСМ (1-я ККМ)", "ГСМ (2-я ККМ)", "ГСМ (3-я ККМ)"}},
      {"UPDATE BCHECK SET KKM = 1 WHERE KKM = 2",
       {"ГСМ (1-я ККМ)", "ГСМ (2-я ККМ)", "ГСМ (3-я ККМ)"}},
      {"UPDATE BCHECK SET KKM = 0 WHERE KKM = 1", {"ГСМ (1-я ККМ)", "ГСМ (3-я ККМ)"}},
  };
  for (const Case& c : cases) {
    if (*c.change != 0) Exec(kDbs[0], std::string(c.change) + ";");
    // (register, or -1 for the grand totals; payment type) -> money
    std::map<std::pair<int, int>, double> want, got;
    for (const auto& r : Sql(kDbs[0],
                             "SELECT b.CLIENT AS R, b.VIDOPL AS V, SUM(b.SUMMA) AS S FROM SMLOG s "
                             "JOIN BCHECK b ON b.DATA BETWEEN s.BEGTIME AND s.ENDTIME " +
                                 std::string(kAfterPrevious) +
                                 "WHERE s.SMNUM BETWEEN 101 AND 103 AND COALESCE(b.KA, 0) = 0 "
                                 "GROUP BY 1, 2"))
      for (int reg : {std::stoi(r.at("R")), -1})
        want[{reg, std::stoi(r.at("V"))}] += r.at("S") == "<null>" ? 0 : std::stod(r.at("S"));
    const std::vector<Row> rows = Rows(Build(TestTemplate("1"), ""));
    const std::vector<int> regs = Registers(rows);
    std::vector<std::string> register2;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Row& r = rows[i];
      if (regs[i] == 2 && r.size() > 1 && r[1].rfind("ГСМ", 0) == 0) register2.push_back(r[1]);
      if (r[0] != "ИТ" && r[0] != "ВСЕГО") continue;
      for (std::size_t k = 0; k < std::size(kCodes); ++k)
        got[{r[0] == "ИТ" ? regs[i] : -1, kCodes[k]}] = Num(r[17 + 2 * k]);
    }
    EXPECT_EQ(register2, c.register2) << c.change;
    for (const auto& [key, w] : want)
      EXPECT_NEAR(got[key], w, 0.005) << c.change << " " << key.first << "/" << key.second;
  }
}

// Goods money per register, department (and register number) and check
// type, against each department's documents: returns count negative,
// "CHECK" 1 is column 0, 2 to 5 the next four, anything else column 5.
TEST_F(FinKKMReport, GoodsSumsEqualTheDepartmentDocuments) {
  const std::vector<Row> rows = Rows(Build(TestTemplate("2e"), "C:\\FUEL\\SHOP"));
  ASSERT_TRUE(error.empty()) << error;
  const std::string period =
      "FROM DOCUMENTS d JOIN SALEDOC sd ON sd.ID_DOC = d.ID_DOC JOIN GOODSMOTION gm ON gm.ID_DOC "
      "= d.ID_DOC LEFT JOIN PAYMENT p ON p.ID = sd.PAYMENT WHERE d.DATA BETWEEN '2024-04-01 "
      "08:00:00' AND '2024-04-02 08:00:00' AND d.\"TYPE\" IN (2, 3) GROUP BY 1, 2, 3";
  const std::string money = "SUM(IIF(d.\"TYPE\" = 3, -1, 1) * gm.RPRICE * gm.\"COUNT\") AS S ";
  std::map<std::pair<int, std::string>, std::array<double, 7>> want;
  const std::pair<const char*, std::string> deps[] = {{kDbs[1], "COALESCE(d.KKMNUM, 1)"},
                                                      {kDbs[2], "1"}};
  for (const auto& [db, num] : deps) {
    const std::string name = db == kDbs[1] ? "Магазин" : "Кафе";
    const auto found =
        Sql(db, "SELECT d.CLIENTNUM AS R, " + num + " AS N, p.\"CHECK\" AS C, " + money + period);
    std::map<int, std::set<std::string>> numbers;
    for (const auto& r : found) numbers[std::stoi(r.at("R"))].insert(r.at("N"));
    for (const auto& r : found) {
      const int reg = std::stoi(r.at("R"));
      const int c = r.at("C") == "<null>" ? 0 : std::stoi(r.at("C"));
      const std::string row = numbers[reg].size() > 1 ? name + " (" + r.at("N") + "-я ККМ)" : name;
      want[{reg, row}][c == 1 ? 0 : c >= 2 && c <= 5 ? c - 1 : 5] += std::stod(r.at("S"));
    }
  }
  const std::vector<int> regs = Registers(rows);
  std::map<std::pair<int, std::string>, std::array<double, 7>> got;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    if (r.size() < 9 || r[1].rfind("ГСМ", 0) == 0 || r[0] == "ИТ" || r[0] == "ВСЕГО" ||
        r[0] == "Касса")
      continue;
    for (int n = 0; n < 7; ++n) got[{regs[i], r[1]}][static_cast<std::size_t>(n)] = Num(r[2 + n]);
  }
  ASSERT_EQ(got.size(), want.size());
  for (const auto& [key, w] : want) {
    ASSERT_EQ(got.count(key), 1u) << key.first << " " << key.second;
    for (int n = 0; n < 7; ++n) EXPECT_NEAR(got[key][n], w[n], 0.005) << key.second << n;
  }
  // The grand totals are the sums of the register totals.
  std::vector<double> sums(rows.back().size() - 2, 0.0);
  for (const Row& r : rows)
    if (r[0] == "ИТ")
      for (std::size_t c = 2; c < r.size(); ++c) sums[c - 2] += Num(r[c]);
  ASSERT_EQ(rows.back()[0], "ВСЕГО");
  for (std::size_t c = 2; c < rows.back().size(); ++c)
    EXPECT_NEAR(Num(rows.back()[c]), sums[c - 2], 0.005) << c;
}

// The rows of each variant, with and without a row per fuel, for register 1
// (receipts on register lines 0 to 2; the shop holds its numbers 1 and 2).
TEST_F(FinKKMReport, VariantsAndTheirRowNames) {
  const std::vector<std::string> fuel = {"ГСМ (1-я ККМ)", "ГСМ (2-я ККМ)", "ГСМ (3-я ККМ)"};
  const auto with = [&](std::vector<std::string> goods) {
    std::vector<std::string> all = fuel;
    all.insert(all.end(), goods.begin(), goods.end());
    return all;
  };
  const std::vector<std::string> named = with({"Магазин (1-я ККМ)", "Магазин (2-я ККМ)", "Кафе"});
  struct Case {
    std::string repType, tovarPath;
    bool showNames;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"1", "C:\\FUEL\\SHOP", false, fuel},
      {"2a", "C:\\FUEL\\SHOP", false, with({"Товары"})},
      {"2B", "C:\\FUEL\\SHOP", false, with({"Товарный отдел"})},
      {"2b", "C:\\FUEL\\NOPE", false, fuel},
      {"2c", "c:\\fuel\\shop\\", false, with({"Магазин"})},
      {"2d", "C:\\FUEL\\SHOP", false,
       with({"Отдел №1 (1-я ККМ)", "Отдел №1 (2-я ККМ)", "Отдел №2"})},
      {"2e", "C:\\FUEL\\SHOP", false, named},
      {"", "C:\\FUEL\\SHOP", false, named},
      {"3", "C:\\FUEL\\SHOP", false, named},
      {std::string(300, 'x'), "C:\\FUEL\\SHOP", false, named},
      {"2e", "", false, fuel},
      {"1",
       "C:\\FUEL\\SHOP",
       true,
       {"АИ-92", "Итого по ГСМ (1-я ККМ):", "АИ-95",
        "Итого по ГСМ (2-я ККМ):", "Итого по ГСМ (3-я ККМ):"}},
      {"2a",
       "C:\\FUEL\\SHOP",
       true,
       {"АИ-92", "Итого по ГСМ (1-я ККМ):", "АИ-95",
        "Итого по ГСМ (2-я ККМ):", "Итого по ГСМ (3-я ККМ):", "Товары"}},
  };
  for (const Case& c : cases) {
    const std::vector<Row> rows = Rows(Build(BuiltIn(c.repType, c.showNames), c.tovarPath));
    EXPECT_TRUE(error.empty()) << error;
    std::vector<std::string> names;
    bool in = false;
    for (const Row& r : rows) {
      if (r.size() < 2) continue;
      if (r[0] == "1") in = true;
      if (r[0] == "Итог по кассе:") in = false;
      if (in) names.push_back(r[1]);
    }
    EXPECT_EQ(names, c.names) << c.repType.substr(0, 5) << " " << c.showNames;
  }
}

// Variants 2 and 3 write one goods row per register: it sums every register
// number of the department (register 1 of the shop has numbers 1 and 2).
TEST_F(FinKKMReport, OneDepartmentRowSumsAllRegisterNumbers) {
  const std::vector<Row> rows = Rows(Build(BuiltIn("2b", false), "C:\\FUEL\\SHOP"));
  for (const Row& r : rows)
    if (r.size() == 9 && r[1] == "Товарный отдел") {
      EXPECT_EQ(r, (Row{"", "Товарный отдел", "208,00", "2 790,00", "99,00", "0,00", "0,00",
                        "99,00", "0,00"}));
      return;
    }
  FAIL() << "no goods row";
}

// Without the columns KKM and KA, and in office mode, every receipt counts;
// without KKM each register has one fuel row "ГСМ".
TEST_F(FinKKMReport, StationWithoutRegisterLinesOrOfficeColumn) {
  const auto all = Sql(kDbs[0],
                       "SELECT b.VIDOPL AS V, SUM(b.SUMMA) AS S FROM SMLOG s JOIN BCHECK b ON "
                       "b.DATA BETWEEN s.BEGTIME AND s.ENDTIME " +
                           std::string(kAfterPrevious) + "WHERE s.SMNUM BETWEEN 101 AND 103 "
                       "GROUP BY 1");
  for (int variant = 0; variant < 2; ++variant) {
    if (variant == 1) Exec(kDbs[0], "ALTER TABLE BCHECK DROP KKM;\nALTER TABLE BCHECK DROP KA;");
    const std::vector<Row> rows = Rows(Build(TestTemplate("1"), "", variant == 0));
    ASSERT_EQ(rows.back()[0], "ВСЕГО");
    for (const auto& r : all) {
      std::size_t c = 0;
      while (std::to_string(kCodes[c]) != r.at("V")) ++c;
      EXPECT_NEAR(Num(rows.back()[17 + 2 * c]), std::stod(r.at("S")), 0.005) << r.at("V");
    }
    int fuelRows = 0;
    for (const Row& r : rows) fuelRows += r.size() > 1 && r[1] == "ГСМ";
    EXPECT_EQ(fuelRows, variant == 1 ? 3 : 0);
  }
}

// A department that cannot be connected is logged and left out; the others
// keep all their rows.
TEST_F(FinKKMReport, BadDepartmentsAreLoggedAndLeftOut) {
  const std::string clean = Build(TestTemplate("2e"), "C:\\FUEL\\SHOP");
  root.WriteFile("c/FUEL/BAD/BAD.FDB", "no database");
  root.WriteFile("c/FUEL/file.txt", "a file");
  deps.Clear();
  for (const char* line : {"Плохой=C:\\FUEL\\BAD", "Магазин=C:\\FUEL\\SHOP", "Без равенства",
                           "Файл=C:\\FUEL\\file.txt", "Кафе=C:\\FUEL\\CAFE"})
    deps.Add(Utf8ToCp1251(line));
  EXPECT_EQ(Rows(Build(TestTemplate("2e"), "C:\\FUEL\\SHOP")), Rows(clean));
  EXPECT_TRUE(error.empty()) << error;
  const std::string log = Cp1251ToUtf8(root.ReadFile("c/FUEL/LogFiles/Reports.log"));
  for (const char* file : {"C:\\FUEL\\BAD\\BAD.FDB", "C:\\FUEL\\file.txt\\file.txt.FDB"})
    EXPECT_NE(log.find(std::string("Фин. отчет по кассам -> Подключение к тов. отделу \"") + file +
                       "\" -> "),
              std::string::npos)
        << log;
}

TEST_F(FinKKMReport, FailureBecomesTheErrorText) {
  Exec(kDbs[0], "DROP TABLE BCHECK;");
  const std::string html = Build(TestTemplate("1"), "");
  const std::string prefix = "Ошибка при формировании финансового отчета по кассам: "_w;
  ASSERT_EQ(error.rfind(prefix, 0), 0u) << Cp1251ToUtf8(error);
  EXPECT_EQ(html, "<br><br>" + error + "<br><br>");
  // The log writes each line of the message as a line of its own.
  EXPECT_NE(root.ReadFile("c/FUEL/LogFiles/Reports.log").find(error.substr(0, error.find('\r'))),
            std::string::npos);
}

// The open shift's log row has no end: its receipts run until now.
TEST_F(FinKKMReport, OpenShiftRunsUntilNow) {
  const std::vector<Row> rows = Rows(Build(TestTemplate("1"), "", false, true));
  ASSERT_GT(rows.size(), 2u);
  const Row& first = rows[1];
  ASSERT_EQ(first[0], "1");
  EXPECT_EQ(first[16], "1,00");   // L0
  EXPECT_EQ(first[17], "51,50");  // S0
  EXPECT_EQ(first[2], "0,00");    // no check type: shift 104 has no tank payments
}

// One look at the built-in template's report (variant 2E): a PNG in the
// build tree.
TEST_F(FinKKMReport, LookInChromium) {
  if (!test::HaveCommand("chromium")) GTEST_SKIP() << "no chromium: no picture";
  const std::string html = Build(BuiltIn("2e", false), "C:\\FUEL\\SHOP");
  const std::string dir = TOLVAREN_SHIFT_SCREENSHOT_DIR;
  fs::create_directories(dir);
  WriteFileBytes(dir + "/finkkm-101-103.html", html);
  ASSERT_TRUE(test::RenderPagePng(dir + "/finkkm-101-103.html", dir + "/finkkm-101-103.png",
                                  dir + "/chromium.log"));
  std::string summary;
  EXPECT_EQ(test::CheckPng(dir + "/finkkm-101-103.png", summary), 0) << summary;
}

}  // namespace
}  // namespace tv
