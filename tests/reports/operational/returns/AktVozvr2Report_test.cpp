// The return act and the periodic return report (code '"') end to end:
// text versions against hand-checked files, totals and shifts against
// isql-fb queries written here, the goods departments' back-sales, the
// request forms and the pages drawn by Chromium.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/operational/AktVozvrFixture.h"
#include "tests/support/Chromium.h"
#include "tests/support/Processes.h"

namespace tv::test {
namespace {

class AktVozvr2Report : public AktVozvrFixture {
 protected:
  // The whole sample period, shifts 201 to 204 (a periodic report).
  Variant Period(int flags, int mode = 2, const Variant& sel = EmptyArray(), int client = 2) {
    return Request9(sel, flags, client, DateVar(2024, 4, 10, 8), DateVar(2024, 4, 12, 20), 201,
                    204, mode);
  }
  // The act of shift 201.
  Variant Act(int flags, const Variant& sel = EmptyArray()) {
    return Request9(sel, flags, 2, DateVar(2024, 4, 10, 8), DateVar(2024, 4, 10, 20), 201, 201, 2);
  }
  // SUM(-SUMMA) of the period's return rows that `where` picks.
  double SqlSum(const std::string& where) {
    return std::stod(Sql("SELECT COALESCE(SUM(-SUMMA), 0) AS S FROM BCHECK WHERE DATA BETWEEN "
                         "'2024-04-10 08:00:00' AND '2024-04-12 20:00:00' AND SUMMA < -0.001 "
                         "AND COALESCE(KA, 0) = 0 AND " + where)[0].at("S"));
  }
};

// The cash, cashless and overall totals of each group of the periodic form.
std::vector<std::vector<double>> GroupTotals(const std::string& text) {
  std::vector<std::vector<double>> groups;
  const std::regex total(R"(^\|\s+(ИТОГО при оплате наличными|ИТОГО при оплате безналичными|ВСЕГО):\s+\|\s*([^|]+)\|.*)");
  std::smatch m;
  for (const std::string& line : Lines(text)) {
    if (!std::regex_match(line, m, total)) continue;
    if (m[1] == "ИТОГО при оплате наличными") groups.emplace_back();
    groups.back().push_back(Num(m[2]));
  }
  return groups;
}

TEST_F(AktVozvr2Report, TextVersionsEqualCheckedFiles) {
  EXPECT_EQ(Report('"', Act(0)), ExpectedText("akt-vozvr2-201.txt"));
  EXPECT_EQ(Report('"', Period(0)), ExpectedText("akt-vozvr-pr2-201-204.txt"));
  // The HTML version holds the same group totals and the total in words.
  double all = 0;
  for (const auto& row : HtmlRows())
    if (row.size() > 1 && row[0] == "ВСЕГО:") all += Num(row[1]);
  EXPECT_NEAR(all, 4008.10, 0.005);
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Четыре тысячи восемь рублей 10 копеек"), std::string::npos);
}

TEST_F(AktVozvr2Report, GroupTotalsEqualSqlSumsSplitByCashKind) {
  const std::string text = Report('"', Period(0));
  const auto groups = GroupTotals(text);
  const int codes[] = {0, 1, 4, 6, 10};
  const bool cash[] = {true, false, false, true, true};
  ASSERT_EQ(groups.size(), 5u) << text;
  for (int g = 0; g < 5; ++g) {
    const double sum = SqlSum("VIDOPL = " + std::to_string(codes[g]));
    EXPECT_NEAR(groups[g][0], cash[g] ? sum : 0, 0.005) << g;
    EXPECT_NEAR(groups[g][1], cash[g] ? 0 : sum, 0.005) << g;
    EXPECT_NEAR(groups[g][2], sum, 0.005) << g;
  }
  // Flag 2: one list; the code missing from the table counts as cash (row 0).
  const auto one = GroupTotals(Report('"', Period(2)));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_NEAR(one[0][0], SqlSum("VIDOPL NOT IN (1, 4)"), 0.005);
  EXPECT_NEAR(one[0][1], SqlSum("VIDOPL IN (1, 4)"), 0.005);
  // Flag 1: a selected type without rows is a group with zero totals.
  const auto empty = GroupTotals(Report('"', Period(1, 2, A({Variant(0), Variant(0), Variant(1)}))));
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_EQ(empty[0], (std::vector<double>{0, 0, 0}));
  // Without flag 1 no group is written: the form's empty group has no totals.
  const auto none = GroupTotals(Report('"', Period(0, 2, A({Variant(0), Variant(0), Variant(1)}))));
  ASSERT_EQ(none.size(), 1u);
  EXPECT_TRUE(std::isnan(none[0][2]));
}

TEST_F(AktVozvr2Report, RegisterFilterFollowsModeOneBRepAndHostShift) {
  struct Case {
    int mode;
    bool oneBRep;
    int hostShift;
    bool filtered;
  } cases[] = {{0, false, 7, true},  {1, false, 7, true},  {0, true, 7, false},
               {2, false, 7, false}, {-1, false, 7, false}, {0, false, -1, false}};
  const std::string all = Sql("SELECT COUNT(*) AS N FROM BCHECK WHERE DATA BETWEEN '2024-04-10 08:00:00' AND '2024-04-12 20:00:00' AND SUMMA < -0.001 AND COALESCE(KA, 0) = 0 AND VIDOPL <> 77")[0].at("N");
  const std::string two = Sql("SELECT COUNT(*) AS N FROM BCHECK WHERE DATA BETWEEN '2024-04-10 08:00:00' AND '2024-04-12 20:00:00' AND SUMMA < -0.001 AND COALESCE(KA, 0) = 0 AND VIDOPL <> 77 AND CLIENT = 2")[0].at("N");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    WriteSettings(c.oneBRep, "");
    host->Set(0, Variant(c.hostShift));
    EXPECT_EQ(std::to_string(DataRows(Report('"', Period(0, c.mode))).size()),
              Trim(c.filtered ? two : all));
  }
}

TEST_F(AktVozvr2Report, KaConditionAndOptionalColumns) {
  const auto count = [&](const std::string& where) {
    return Trim(Sql("SELECT COUNT(*) AS N FROM BCHECK WHERE DATA BETWEEN '2024-04-10 08:00:00' "
                    "AND '2024-04-12 20:00:00' AND SUMMA < -0.001 AND VIDOPL <> 77 AND " +
                    where)[0].at("N"));
  };
  const std::string withKa = count("COALESCE(KA, 0) = 0"), all = count("1 = 1");
  ASSERT_NE(withKa, all);
  EXPECT_EQ(std::to_string(DataRows(Report('"', Period(0))).size()), withKa);
  host->Set(56, Variant(0));  // the alternative templates
  host->Set(8, Variant(true));  // and the office reports type: no KA condition
  EXPECT_EQ(std::to_string(DataRows(Report('"', Period(0))).size()), all);
  host->Set(8, Variant(false));
  host->Set(56, Variant(1));
  Exec("ALTER TABLE BCHECK DROP KA");
  Exec("ALTER TABLE BCHECK DROP CHECKNUM");
  const std::vector<std::string> rows = DataRows(Report('"', Period(0)));
  EXPECT_EQ(std::to_string(rows.size()), all);
  for (const std::string& row : rows) EXPECT_EQ(row.substr(6, 7), "|     |") << row;
}

TEST_F(AktVozvr2Report, DispenserSubtotalsAndShiftsOfRows) {
  const std::string text = Report('"', Period(4, 2, A({Variant(1)})));
  // Subtotals: "ТРК n" and the sum, after each dispenser's last row.
  std::map<int, double> subtotal;
  const std::regex sub(R"(^\|\s+\|\s+\|\s+\|\s+\|ТРК\s+(\d+)\s+\|\s+\|\s+\|\s+\|\s*([^|]+)\|.*)");
  std::smatch m;
  for (const std::string& line : Lines(text))
    if (std::regex_match(line, m, sub)) subtotal[std::stoi(m[1])] = Num(m[2]);
  ASSERT_EQ(subtotal.size(), 3u) << text;
  for (const auto& [trk, sum] : subtotal)
    EXPECT_NEAR(sum, SqlSum("VIDOPL = 0 AND TRKINDEX = " + std::to_string(trk - 1)), 0.005);
  // The header and requisites survive the subtotal rows: the signatures.
  EXPECT_NE(text.find("______________/Лебедев П.Р."), std::string::npos) << text;
  EXPECT_NE(text.find("______________/Сидорова М.И."), std::string::npos) << text;
  // The HTML subtotal shows the fuel of its dispenser's own last row.
  std::string lastGsm;
  for (const auto& row : HtmlRows()) {
    if (row.size() < 6) continue;
    if (row[0] == "Итого по ТРК") {
      EXPECT_EQ(row[5], lastGsm) << row[4];
    } else {
      lastGsm = row[5];
    }
  }
  // The shift of each row is the one an SQL join finds (first in reading order).
  for (const std::string& line : DataRows(Report('"', Period(0)))) {
    const std::string check = Trim(line.substr(7, 5)), smena = Trim(line.substr(13, 7));
    const auto found = Sql("SELECT (SELECT FIRST 1 s.SMNUM FROM SMLOG s WHERE b.DATA BETWEEN "
                           "s.BEGTIME AND s.ENDTIME) AS SM FROM BCHECK b WHERE b.CHECKNUM = " + check);
    EXPECT_EQ(smena, found[0].at("SM") == "<null>" ? "" : Trim(found[0].at("SM"))) << line;
  }
}

TEST_F(AktVozvr2Report, OpenShiftActSaysNotClosedAndGoodsEndNow) {
  WriteSettings(false, "1");
  const std::string text = Report('"', A({EmptyArray(), Variant(0), Variant(2), Variant(2)}));
  EXPECT_NE(text.find("закрытия смены: Не закрыта (13.04.2024 09:00)"), std::string::npos) << text;
  EXPECT_NE(Cp1251ToUtf8(Html()).find("Не закрыта (13.04.2024 09:00)"), std::string::npos);
  // The goods lines run from the shift's begin to the moment of the request.
  int lines = 0;
  for (const char* dep : {"SHOP", "CAFE"})
    lines += std::stoi(GoodsValue(dep, "SELECT COUNT(*) FROM DOCUMENTS d JOIN GOODSMOTION gm ON gm.ID_DOC = d.ID_DOC WHERE d.DATA BETWEEN '2024-02-06 00:00:00' AND '2024-04-13 09:00:00' AND gm.\"TYPE\" = 3"));
  int shown = 0;
  for (const std::string& row : DataRows(text)) shown += row.find("ТРКТовар") != std::string::npos;
  EXPECT_EQ(shown, lines);
}

// The database files a connection of this process holds open.
int OpenDatabaseFiles() {
  int n = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    n += target.find("SHOP.FDB") != std::string::npos || target.find("CAFE.FDB") != std::string::npos;
  }
  return n;
}

TEST_F(AktVozvr2Report, GoodsBackSalesInsideTheirGroups) {
  WriteSettings(false, "1");
  const std::string text = Report('"', Act(0));
  const auto count = [&](const std::string& dep, int code) {
    return std::stoi(GoodsValue(dep, "SELECT COUNT(*) FROM DOCUMENTS d JOIN SALEDOC sd ON sd.ID_DOC = d.ID_DOC JOIN PAYMENT p ON p.ID = sd.PAYMENT WHERE d.DATA BETWEEN '2024-04-10 08:00:00' AND '2024-04-10 20:00:00' AND d.\"TYPE\" = 3 AND p.GSMVO = " + std::to_string(code)));
  };
  const auto lines = [&](int code, const std::string& end = "2024-04-10 20:00:00") {
    double sum = 0;
    for (const char* dep : {"SHOP", "CAFE"})
      sum += std::stod(GoodsValue(dep, "SELECT COALESCE(SUM(gm.\"COUNT\" * gm.RPRICE), 0) FROM DOCUMENTS d JOIN SALEDOC sd ON sd.ID_DOC = d.ID_DOC JOIN PAYMENT p ON p.ID = sd.PAYMENT JOIN GOODSMOTION gm ON gm.ID_DOC = d.ID_DOC WHERE d.DATA BETWEEN '2024-04-10 08:00:00' AND '" + end + "' AND gm.\"TYPE\" = 3 AND p.GSMVO = " + std::to_string(code)));
    return sum;
  };
  EXPECT_EQ(count("SHOP", 0) + count("CAFE", 0), 2);
  EXPECT_EQ(count("SHOP", 3) + count("CAFE", 3), 1);
  // Cash group: fuel rows 1-4, goods lines 5-7 ("Товар"); the total holds both.
  const std::vector<std::string> rows = DataRows(text);
  ASSERT_EQ(rows.size(), 11u) << text;
  EXPECT_NE(rows[4].find("ТРКТовар"), std::string::npos);
  const std::regex total(R"(Итого:\s+(.*\S))");
  std::vector<double> totals;
  for (const std::string& line : Lines(text))
    if (std::smatch m; std::regex_search(line, m, total)) totals.push_back(Num(m[1]));
  ASSERT_EQ(totals.size(), 6u) << text;
  EXPECT_NEAR(totals[0], 470.50 + lines(0), 0.005);
  EXPECT_NEAR(totals[2], lines(3), 0.005);  // "Безналичные": goods lines only
  // HTML: category and goods in the cells the template names; the cash and
  // cashless totals leave the goods out.
  bool category = false;
  for (const auto& row : HtmlRows()) category = category || (row.size() > 4 && row[3] == "Автомасла" && row[4] == "Масло моторное 5W-40, 4 л");
  EXPECT_TRUE(category);
  const std::string period = Report('"', Period(0));
  // A goods line carries no check number, shift or payment of a return row.
  int goods = 0;
  for (const std::string& row : DataRows(period)) {
    if (row.find("ТРК Товар") == std::string::npos) continue;
    ++goods;
    EXPECT_EQ(row.substr(6, 15), "|     |       |");
  }
  EXPECT_GT(goods, 0);
  const auto groups = GroupTotals(period);
  ASSERT_EQ(groups.size(), 6u);
  EXPECT_NEAR(groups[0][0], SqlSum("VIDOPL = 0"), 0.005);
  EXPECT_NEAR(groups[0][2] - groups[0][0], lines(0, "2024-04-12 20:00:00"), 0.005);
  EXPECT_EQ(groups[0][1], 0);
}

TEST_F(AktVozvr2Report, BrokenDepartmentDatabase) {
  WriteFileBytes(GoodsDb("CAFE"), "not a database");
  for (const char* setting : {"", "yes", "0"}) {
    WriteSettings(false, setting);
    Report('"', Act(0));
  }
  WriteSettings(false, "1");
  const TestHost::Reply r = Request('"', Act(0));
  EXPECT_NE(r.Text.find("CAFE.FDB"), std::string::npos) << r.Text;
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_EQ(OpenDatabaseFiles(), 0);
  // A listed folder that does not exist is dropped.
  root.WriteFile("c/FUEL/Departments.txt", Utf8ToCp1251("Склад=C:\\FUEL\\NONE\r\nМагазин=C:\\FUEL\\SHOP\r\n"));
  Report('"', Act(0));
}

TEST_F(AktVozvr2Report, KindsAnswerThatIsNoArrayOrShort) {
  host->Set(27, Variant("нет"_w));  // default kinds: 0, 6, 10 are cash
  auto groups = GroupTotals(Report('"', Period(0)));
  ASSERT_EQ(groups.size(), 5u);
  EXPECT_NEAR(groups[3][0], SqlSum("VIDOPL = 6"), 0.005);
  host->Set(27, A({Variant(0), Variant(0)}));  // index 2 and beyond: cashless
  groups = GroupTotals(Report('"', Period(0)));
  EXPECT_NEAR(groups[1][0], SqlSum("VIDOPL = 1"), 0.005);
  EXPECT_NEAR(groups[3][1], SqlSum("VIDOPL = 6"), 0.005);
}

TEST_F(AktVozvr2Report, RequestForms) {
  const Variant codes = A({Variant(6), Variant(10)});
  const auto two = GroupTotals(Report('"', A({Period(0), A({codes})})));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_NEAR(two[1][2], SqlSum("VIDOPL = 10"), 0.005);
  struct Bad {
    Variant params;
    std::string text;
  } bad[] = {{A({Variant(1), Variant(2), Variant(3)}), "массив из 3 элементов"},
             {A({Variant(7), A({Variant(9), Variant(10)})}), "ожидается массив"},
             {Request9(Variant(5), 0, 2, DateVar(2024, 4, 10), DateVar(2024, 4, 11), 1, 2, 2),
              "не массив"}};
  for (const Bad& b : bad) {
    const TestHost::Reply r = Request('"', b.params);
    EXPECT_NE(r.Text.find(b.text), std::string::npos) << r.Text;
  }
}

TEST_F(AktVozvr2Report, PagesRenderInChromium) {
  if (!HaveCommand("chromium"))
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps adds it): no screenshots";
  namespace fs = std::filesystem;
  const fs::path dir = TOLVAREN_SCREENSHOT_DIR;
  fs::create_directories(dir);
  WriteSettings(false, "1");
  for (const auto& [name, params] :
       {std::pair<std::string, Variant>{"return-act", Act(0)}, {"periodic-return", Period(4)}}) {
    Report('"', params);
    const fs::path page = dir / (name + ".html"), png = dir / (name + ".png");
    std::ofstream(page, std::ios::binary) << Html();
    ASSERT_TRUE(RenderPagePng(page.string(), png.string(), (dir / "chromium.log").string()));
    std::string summary;
    EXPECT_EQ(CheckPng(png.string(), summary), 0) << png << ": " << summary;
  }
}

}  // namespace
}  // namespace tv::test
