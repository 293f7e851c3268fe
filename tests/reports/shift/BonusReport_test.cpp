// The bonus and discount report (code 9) through the exported names, on the
// close-of-shift sample with db/add-sample-bonus: sums against the test's
// own query over BONUS, totals against their rows, the edge cases of the
// selections, the open shift from the host's fill, the text against a
// hand-checked file and the HTML read by Python's html.parser.

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/ShiftFixture.h"
#include "tests/support/Chromium.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
using Row = std::vector<std::string>;

Variant V(const std::string& utf8) { return Variant(Utf8ToCp1251(utf8)); }
std::string Up(const std::string& utf8) { return Cp1251ToUtf8(AnsiUpperCase(Utf8ToCp1251(utf8))); }

// One line of the HTML version with the group and sub-type it stands in.
struct Line {
  std::string Group, Sub, Kind;  // Kind: row, fuel, sub, type, report
  Row Cells;
};

std::vector<Line> Lines(const std::vector<Row>& rows) {
  std::vector<Line> out;
  std::string group, sub;
  for (const Row& r : rows) {
    if (r.empty()) continue;
    if (r[0] == "Вид оплаты:") {
      group = r.size() > 1 ? r[1] : "";
    } else if (r[0] == "Подвид оплаты:") {
      sub = r.size() > 1 ? r[1] : "";
    } else if (r[0] == "Итого по виду оплаты:") {
      out.push_back({group, sub, "type", Row(r.begin() + 1, r.end())});
    } else if (r[0] == "Итого по видам оплаты:") {
      out.push_back({group, sub, "report", Row(r.begin() + 1, r.end())});
    } else if (r.size() == 10 && r[0] != "ГСМ") {
      const std::string kind = r[0] == "Итог по ГСМ" ? "fuel" : r[0] == "ИТОГО:" ? "sub" : "row";
      out.push_back({group, sub, kind, Row(r.begin() + 5, r.end())});
      if (kind == "row") out.back().Cells.insert(out.back().Cells.begin(), r[0]);
    }
  }
  return out;
}

// Code 9's parameters [from, payTypes, nullStr, to, true, true], with AllVO
// (0 or 1) and PayCodes appended when given.
Variant P(int from, int to, const Variant& payTypes = {}, int allVO = -1,
          const Variant& payCodes = {}, bool nullStr = false) {
  std::vector<Variant> p = {Variant(from), payTypes,      Variant(nullStr),
                            Variant(to),   Variant(true), Variant(true)};
  if (allVO >= 0) p.push_back(Variant(allVO == 1));
  if (!payCodes.IsEmpty()) p.push_back(payCodes);
  return VarArrayOf(p);
}

class BonusReport : public ShiftFixture {
 protected:
  static void SetUpTestSuite() {
    ShiftFixture::SetUpTestSuite();
    // The department databases beside the station's, for the sample script.
    const fs::path sample = fs::path(SampleStationDatabase()).parent_path().parent_path();
    const fs::path root = fs::path(sampleDb_).parent_path().parent_path();
    for (const char* dep : {"SHOP/SHOP.FDB", "CAFE/CAFE.FDB"}) {
      fs::create_directories((root / dep).parent_path());
      fs::copy_file(sample / dep, root / dep, fs::copy_options::overwrite_existing);
    }
    AddToSample("add-sample-bonus");
  }
  void SetUp() override {
    ShiftFixture::SetUp();
    host->Set(3, V("Зайцева Елена Олеговна"));
    host->Set(4, V("Лебедев Павел Ильич"));
    host->SetFillRows(1, {{{"SMNUM", Variant(104)}, {"BEGTIME", DateVar(2024, 4, 2, 8)}}});
    const auto row = [](int vo, const char* sub, const char* gsm, double price, double l, double b,
                        double s, int ka) {
      return std::map<std::string, Variant>{
          {"SMENANUM", Variant(104)}, {"VIDOPL", Variant(vo)},
          {"SUBVIDOPL", V(sub)},      {"GSM", V(gsm)},
          {"POROG", Variant(20.0)},   {"NAMEBONUS", V("5% от 20 л")},
          {"PRICE", Variant(price)},  {"PRODANOL", Variant(l)},
          {"BONUSL", Variant(b)},     {"SUMMA", Variant(s)},
          {"KA", Variant(ka)}};
    };
    host->SetFillRows(5, {row(0, "Акция", "АИ-92", 51.5, 21, 1, 0, 0),
                          row(0, "Акция", "АИ-92", 51.5, 30, 1.5, 0, 1),
                          row(2, "Скидка", "ДТ", 58.9, 10, 0.2, 577.22, 0)});
  }
  // Code 9 with `params`; the text (UTF-8).
  std::string Bonus(const Variant& params) { return Report('\x09', params); }
  // Shifts 101 to 103, every payment type and the rows' own codes.
  std::string Range(bool gsmItog = true, bool subItog = true) {
    return Bonus(A({Variant(101), Variant(), Variant(false), Variant(103), Variant(gsmItog),
                    Variant(subItog), Variant(true)}));
  }
};

// Per payment type, sub-type and fuel the litres and money of the fuel
// totals, from the test's own grouping of BONUS: trimmed texts, letter case
// merged, rows of 0.009 l or less left out, rows whose KA is NULL kept.
TEST_F(BonusReport, FuelTotalsEqualTheBonusRows) {
  Range();
  const std::vector<Line> lines = Lines(HtmlCells());
  std::map<int, std::string> names = {{105, "Мерник (105)"}, {150, "Неизвестный (150)"}};
  const auto types = StationPaymentTypes();
  for (int i = 0; i < 13; ++i) names[types[i].second] = types[i].first;
  using Key = std::tuple<std::string, std::string, std::string>;
  std::map<Key, std::array<double, 4>> want;
  for (const IsqlRow& r :
       Sql("SELECT VIDOPL, SUBVIDOPL, GSM, PRICE, SUM(PRODANOL) AS L, SUM(BONUSL) AS B, "
           "SUM(SUMMA) AS S FROM BONUS WHERE SMENANUM BETWEEN 101 AND 103 AND COALESCE(KA, 0) = 0 "
           "GROUP BY VIDOPL, SUBVIDOPL, GSM, POROG, NAMEBONUS, PRICE")) {
    const auto num = [&](const char* c) { return r.at(c) == "<null>" ? 0.0 : std::stod(r.at(c)); };
    if (!(num("L") > 0.009)) continue;
    const auto trim = [](std::string s) {
      if (s == "<null>") return std::string();
      while (!s.empty() && s.back() == ' ') s.pop_back();
      return Up(s);
    };
    std::array<double, 4>& w =
        want[{names.at(std::stoi(r.at("VIDOPL"))), trim(r.at("SUBVIDOPL")), trim(r.at("GSM"))}];
    w[0] += num("L") - num("B");
    w[1] += num("B");
    w[2] += num("L");
    w[3] += num("S") != 0 ? num("S") : (num("L") - num("B")) * num("PRICE");
  }
  std::map<Key, std::array<double, 4>> got;
  std::string fuel;
  for (const Line& l : lines) {
    if (l.Kind == "row") fuel = Up(l.Cells[0]);
    if (l.Kind != "fuel") continue;
    std::array<double, 4>& g = got[{l.Group, Up(l.Sub), fuel}];
    for (int i = 0; i < 4; ++i) g[i] += Num(l.Cells[i]);
  }
  for (const auto& [key, w] : want)
    EXPECT_EQ(got.count(key), 1u) << std::get<0>(key) << " / " << std::get<1>(key) << " / "
                                  << std::get<2>(key);
  ASSERT_EQ(got.size(), want.size());
  for (const auto& [key, w] : want) {
    ASSERT_EQ(got.count(key), 1u) << std::get<0>(key) << " / " << std::get<1>(key) << " / "
                                  << std::get<2>(key);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[key][i], w[i], 0.006) << std::get<2>(key) << i;
  }
}

// Every total is the sum of the lines above it, whatever prices its rows had;
// the grand total is the money of BONUS itself.
TEST_F(BonusReport, TotalsAddUpToTheirRows) {
  Range();
  std::array<double, 5> fuel{}, sub{}, type{}, report{};
  for (const Line& l : Lines(HtmlCells())) {
    std::array<double, 5> v{};
    const std::size_t first = l.Kind == "row" ? 1 : 0;
    for (std::size_t i = 0; i < 5; ++i) v[i] = Num(l.Cells[first + i]);
    std::array<double, 5>* sums[] = {&fuel, &sub, &type, &report};
    const int level = l.Kind == "row"    ? 0
                      : l.Kind == "fuel" ? 1
                      : l.Kind == "sub"  ? 2
                      : l.Kind == "type" ? 3
                                         : 4;
    if (level > 0) {
      for (std::size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(v[i], (*sums[level - 1])[i], 0.011) << l.Kind << " " << l.Group << " " << i;
      if (level < 4)
        for (std::size_t i = 0; i < 5; ++i) (*sums[level])[i] += v[i];
      *sums[level - 1] = {};
      continue;
    }
    for (std::size_t i = 0; i < 5; ++i) fuel[i] += v[i];
  }
  const auto s = SqlNumbers(
      "SELECT SUM(IIF(SUMMA <> 0, SUMMA, (PRODANOL - BONUSL) * PRICE)) AS M FROM (SELECT "
      "SUM(PRODANOL) AS PRODANOL, SUM(BONUSL) AS BONUSL, SUM(SUMMA) AS SUMMA, PRICE FROM BONUS "
      "WHERE SMENANUM BETWEEN 101 AND 103 AND COALESCE(KA, 0) = 0 GROUP BY VIDOPL, SUBVIDOPL, GSM, "
      "POROG, "
      "NAMEBONUS, PRICE HAVING SUM(PRODANOL) > 0.009)");
  const std::vector<Line> lines = Lines(HtmlCells());
  ASSERT_EQ(lines.back().Kind, "report");
  EXPECT_NEAR(Num(lines.back().Cells[3]), s.at("M"), 0.006);
}

TEST_F(BonusReport, WorkedRowAndMergedSubTypes) {
  const std::string text = Range();
  EXPECT_NE(Plain(text).find("|АИ-92| 20,00|  50,00|5% от 20 л   47,62|    100,00|     5,00|    "
                             "105,00|  5 000,00|   250,00|"),
            std::string::npos)
      << text;
  // "Акция" and "акция " make one sub-type: both rows are under it and
  // counted in its totals (105 + 40 litres).
  int rows = 0;
  for (const Line& l : Lines(HtmlCells())) {
    if (l.Group != "Наличные" || l.Sub != "Акция") continue;
    if (l.Kind == "row") ++rows;
    if (l.Kind == "sub") {
      EXPECT_EQ(l.Cells[2], "145,00");
    }
  }
  EXPECT_EQ(rows, 2);
}

TEST_F(BonusReport, EdgeCases) {
  struct Case {
    const char* what;
    Variant params;
    std::vector<std::string> present, absent;  // in the text
  };
  const Variant flags = A({Variant(1), Variant(0), Variant(1), Variant(0)});
  const Case cases[] = {
      {"threshold: 0.009 l left out, 0.01 l kept",
       P(101, 103, {}, 1),
       {"|АИ-95| 20,00|  56,00|Порог |   56,00|      0,01|"},
       {"|АИ-92| 20,00|  51,50|Порог"}},
      {"money from price and paid litres", P(101, 101), {"  5 000,00|"}, {}},
      {"AllVO: the groups 105 and 150",
       P(101, 103, flags, 1),
       {"Мерник (105)", "Неизвестный (150)", "Ведомость +"},
       {}},
      {"selection without AllVO",
       P(101, 103, flags, 0),
       {"Вид оплаты: Наличные", "Вид оплаты: Товарные карты"},
       {"Мерник (105)", "Ведомость +", "Платеж. терминал"}},
      {"PayCodes replace the selection",
       P(101, 103, flags, 0, A({Variant(0), Variant(4)})),
       {"Вид оплаты: Наличные", "Вид оплаты: Ведомость +"},
       {"Товарные карты", "Мерник (105)"}},
      {"open shift",
       P(104, 104),
       {"Дата и время закрытия смены не закрыта", "Оператор Морозов Антон",
        "     20,00|     1,00|     21,00"},
       {"     30,00"}},
      {"a range given backwards: the header alone",
       P(103, 101),
       {"Смена N 103 - 101"},
       {"|АИ", "|ДТ"}},
      {"no such shift: the header alone",
       P(500, 500),
       {"Смена N 500"},
       {"|АИ", "|ДТ", "Дата и время открытия смены 0"}},
  };
  for (const Case& c : cases) {
    const std::string text = Plain(Report('\x09', c.params));
    for (const std::string& s : c.present)
      EXPECT_NE(text.find(s), std::string::npos) << c.what << ": " << s << "\n" << text;
    for (const std::string& s : c.absent)
      EXPECT_EQ(text.find(s), std::string::npos) << c.what << ": " << s << "\n" << text;
    EXPECT_EQ(Html().find("&lt;#"), std::string::npos) << c.what;
    EXPECT_EQ(TempFiles(), 0) << c.what;
  }
}

// NullStr shows a selected payment type without rows as an empty group.
TEST_F(BonusReport, NullStrShowsEmptyTypes) {
  for (bool nullStr : {false, true}) {
    Bonus(P(101, 103, {}, 0, A({Variant(0), Variant(3)}), nullStr));
    int empty = 0;
    for (const Line& l : Lines(HtmlCells()))
      if (l.Kind == "type" && l.Group == "Безналичные") {
        ++empty;
        EXPECT_EQ(l.Cells[3], "0,00");
      }
    EXPECT_EQ(empty, nullStr ? 1 : 0);
  }
}

TEST_F(BonusReport, OfficeVariantKeepsTheOfficesOwnSales) {
  host->Set(56, Variant(0));  // alternative templates
  host->Set(8, Variant(true));
  const std::string text = Plain(Range());
  // The KA 1 row of 33 l joins its key's rows in Наличные / Акция / АИ-92.
  EXPECT_NE(text.find("    178,00|"), std::string::npos) << text;
  Bonus(P(104, 104));
  EXPECT_NE(Html().find("51,00"), std::string::npos);
}

// A station database of an older schema has no column KA in BONUS: every row
// counts, the office's 33 l too (145 + 33 litres in Наличные / Акция /
// АИ-92), and the money grows by that row's (33 - 1.5) * 51.50 = 1 622.25.
TEST_F(BonusReport, WithoutTheColumnKAEveryRowCounts) {
  Range();
  const double own = Num(Lines(HtmlCells()).back().Cells[3]);
  Exec("ALTER TABLE BONUS DROP KA");
  EXPECT_NE(Plain(Range()).find("    178,00|"), std::string::npos);
  const std::vector<Line> lines = Lines(HtmlCells());
  ASSERT_EQ(lines.back().Kind, "report");
  EXPECT_NEAR(Num(lines.back().Cells[3]), own + 1622.25, 0.005);
}

TEST_F(BonusReport, TotalLinesFollowTheirSwitches) {
  for (int mask = 0; mask < 4; ++mask) {
    Range(mask & 1, mask & 2);
    int fuel = 0, sub = 0;
    for (const Line& l : Lines(HtmlCells())) {
      fuel += l.Kind == "fuel";
      sub += l.Kind == "sub";
    }
    EXPECT_EQ(fuel > 0, (mask & 1) != 0) << mask;
    EXPECT_EQ(sub > 0, (mask & 2) != 0) << mask;
    if (mask == 3) {
      EXPECT_EQ(fuel, 8);
      EXPECT_EQ(sub, 7);
    }
  }
}

TEST_F(BonusReport, TextOfOneShiftAndItsHtmlTotals) {
  const std::string text = Bonus(P(101, 101));
  EXPECT_EQ(text, ExpectedShiftText("bonus-101.txt"));
  // The payment-type totals and the report totals of the text and of the
  // HTML, in order, are the same.
  std::string html, plain;
  for (const Line& l : Lines(HtmlCells()))
    if (l.Kind == "type" || l.Kind == "report")
      for (const std::string& c : l.Cells) html += c + "|";
  for (const std::vector<std::string>& f :
       Fields(StringReplace(Plain(text), "|", ";", rfReplaceAll)))
    if (f[0] == "Итого:" || f[0] == "Итого по видам оплаты:")
      for (std::size_t i = 1; i < f.size() && i <= 5; ++i) plain += f[i] + "|";
  EXPECT_EQ(plain, html);
  EXPECT_EQ(std::count(html.begin(), html.end(), '|'), 20);  // three types and the report
}

// Totals whose figures sit on a half-kopeck tie, worked by hand. Litres and
// prices are doubles (62,9 is 62,89999999999999857...), so 61,64 l x 52,125
// is 3 212,98499999999992... in extended precision, 3 212,98500000000013 as
// a double. A row and a fuel total without money taken round the computed
// money with RoundTo, whose half-and-a-hair lifts it to ,99; the sub-type
// and payment-type totals print their extended sums (,98), the report totals
// their double sums, all litres being paid plus bonus litres (86,605 and
// 1,26 as doubles: 87,87, where 87,865 summed at once gives 87,86). A fuel
// total's litres sold are all less bonus, not rounded first (24,965 is
// 24,964999... and prints 24,96, as the sub-type total does).
TEST_F(BonusReport, TotalsAtAHalfKopeckTie) {
  struct Case {
    int shift;
    std::vector<const char*> rows;  // BONUS values after the shift number
    std::vector<const char*> lines;
  };
  const Case cases[] = {
      {900,
       {"0, 'Акция', 'АИ-92', 20, 'x', 52.125, 62.9, 1.26, 0, 0",
        "2, 'Скидка', 'ДТ', 20, 'y', 51.5, 24.965, 0, 1285.70, 0"},
       {"|Итого:      |  52,13|      |   51,08|     61,64|     1,26|     62,90|  3 212,99|    "
        "65,68|",
        "Итого по подвиду оплаты:|     61,64|     1,26|     62,90|  3 212,98|    65,68|",
        "|ДТ   | 20,00|  51,50|y     |   51,50|     24,97|     0,00|     24,96|  1 285,70|     "
        "0,00|",
        "|Итого:      |  51,50|      |   51,50|     24,96|     0,00|     24,96|  1 285,70|     "
        "0,00|",
        "Итого по подвиду оплаты:|     24,96|     0,00|     24,96|  1 285,70|     0,00|",
        "Итого по видам оплаты:|     86,61|     1,26|     87,87|  4 498,69|    65,68|"}},
      // 29,48 l x 51,125 = 1 507,165: 1 507,16500000000002 in extended
      // precision, 1 507,16499999999996 as a double.
      {901,
       {"0, 'Акция', 'АИ-95', 20, 'z', 51.125, 29.98, 0.5, 0, 0"},
       {"|АИ-95| 20,00|  51,13|z     |   50,27|     29,48|     0,50|     29,98|  1 507,17|    "
        "25,56|",
        "|Итого:      |  51,13|      |   50,27|     29,48|     0,50|     29,98|  1 507,17|    "
        "25,56|",
        "Итого по подвиду оплаты:|     29,48|     0,50|     29,98|  1 507,17|    25,56|",
        "Итого по видам оплаты:|     29,48|     0,50|     29,98|  1 507,16|    25,56|"}},
  };
  for (const Case& c : cases) {
    const std::string n = std::to_string(c.shift);
    Exec("INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (" + n +
         ", '2024-05-01 08:00:00', '2024-05-01 20:00:00')");
    for (const char* row : c.rows) Exec("INSERT INTO BONUS VALUES (" + n + ", " + row + ")");
    const std::string text = Plain(Bonus(P(c.shift, c.shift)));
    for (const char* line : c.lines)
      EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
}

// The organisation's requisites reach the HTML only.
TEST_F(BonusReport, RequisitesInTheHtmlOnly) {
  Cnf("[Organization]\nOrgName=ООО Нефтересурс\n");
  for (const auto& e : fs::directory_iterator(root.Path() + "/c/FUEL/FORMS/REPORT"))
    if (AnsiLowerCase(e.path().filename().string()) == "bonus.frm") fs::remove(e.path());
  root.WriteFile(
      "c/FUEL/FORMS/REPORT/Bonus.frm",
      Utf8ToCp1251("@Page\r\nОрг:~OrgName~|\r\n@Repeat\r\n~GSM~\r\n@EndRepeat\r\n@EndPage\r\n"));
  root.WriteFile("c/FUEL/FORMS/WEBREP/Отчет по бонусам и скидкам.html",
                 Utf8ToCp1251("<html><body><p>&lt;#OrgName&gt;</p></body></html>\r\n"));
  const std::string text = Bonus(P(101, 101));
  EXPECT_NE(text.find("Орг:"), std::string::npos) << text;
  EXPECT_EQ(text.find("Нефтересурс"), std::string::npos) << text;
  EXPECT_NE(Cp1251ToUtf8(Html()).find("ООО Нефтересурс"), std::string::npos);
}

TEST_F(BonusReport, ParameterArraysAndBadInput) {
  const Variant un;
  for (int len : {5, 9}) {
    std::vector<Variant> p(static_cast<std::size_t>(len), Variant(0));
    p[0] = Variant(101);
    p[3] = Variant(101);
    const TestHost::Reply r = host->Request('\x09', VarArrayOf(p), "прежний текст"_w);
    EXPECT_EQ(r.Result, TV_REPORT_FALSE) << len;
    EXPECT_EQ(r.Text, "прежний текст"_w) << len;
  }
  EXPECT_NE(Cp1251ToUtf8(Log()).find("Отчет \"Отчет по бонусам и скидкам\" (9) НЕ сформирован!"),
            std::string::npos);
  struct Case {
    const char* what;
    std::vector<Variant> params;
    std::string says;
  };
  const Case cases[] = {
      {"PayTypes no array",
       {Variant(101), Variant(5), Variant(false), Variant(103), Variant(true), Variant(true)},
       "Выбор видов оплаты должен быть массивом"},
      {"PayTypes shorter than the table",
       {Variant(101), A({Variant(1)}), Variant(false), Variant(103), Variant(true), Variant(true)},
       "Вид оплаты: Наличные"},
      {"PayCodes with a text",
       {Variant(101), un, Variant(false), Variant(103), Variant(true), Variant(true),
        Variant(false), A({Variant(0), V("четыре")})},
       "не является числом"},
  };
  for (const Case& c : cases) {
    const TestHost::Reply r = Request('\x09', VarArrayOf(c.params));
    EXPECT_EQ(r.Result, TV_REPORT_TRUE) << c.what;
    EXPECT_NE(r.Text.find(c.says), std::string::npos) << c.what << "\n" << r.Text;
    EXPECT_EQ(TempFiles(), 0) << c.what;
  }
}

// One look at the report of shifts 101 to 103: a PNG in the build tree.
TEST_F(BonusReport, LookInChromium) {
  if (!HaveCommand("chromium")) GTEST_SKIP() << "no chromium: no picture";
  Range();
  const std::string dir = TOLVAREN_SHIFT_SCREENSHOT_DIR;
  fs::create_directories(dir);
  WriteFileBytes(dir + "/bonus-101-103.html", Html());
  ASSERT_TRUE(RenderPagePng(dir + "/bonus-101-103.html", dir + "/bonus-101-103.png",
                            dir + "/chromium.log"));
  std::string summary;
  EXPECT_EQ(CheckPng(dir + "/bonus-101-103.png", summary), 0) << summary;
}

}  // namespace
}  // namespace tv::test
