// The small sections end to end: each section's text and HTML equal what
// its builder gives when the host asks for that report by its own code over
// the same period.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "tests/reports/shift/SmallFixture.h"
#include "tests/support/Chromium.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

class SmallSections : public SmallFixture {
 protected:
  struct TOutput {
    std::string Text;
    std::string Html;
  };
  TOutput Shift(int from, int to, const Variant& sections) {
    TOutput out;
    out.Text = ShiftReport(from, to, sections);
    out.Html = Html();
    return out;
  }
  TOutput Code(char code, const Variant& params) {
    TOutput out;
    out.Text = Report(code, params);
    out.Html = Html();
    return out;
  }
  const Variant Op101 = Variant("Морозов Антон Юрьевич"_w);
  const Variant Beg101 = DateVar(2024, 4, 1, 8), End101 = DateVar(2024, 4, 1, 16);
  const Variant End103 = DateVar(2024, 4, 2, 8);
  // The cash-register report has no template of its own: the request names it.
  const std::string KKMTemplate = "Финансовый отчет по кассам.html";
};

TEST_F(SmallSections, StatementsEqualTheClosedShiftStatements) {
  const TOutput section = Shift(101, 101, Kinds({15}));
  const TOutput code = Code('\x0E', A({Beg101, End101, Variant("101"), Op101, Variant("101")}));
  EXPECT_EQ(section.Text, code.Text);
  EXPECT_EQ(section.Html, code.Html);
  EXPECT_NE(section.Text.find("|ООО АвтоТрейд                |    20,00|"), std::string::npos)
      << section.Text;
}

TEST_F(SmallSections, UnmadeReturnsEqualTheClosedShiftReport) {
  struct TCase {
    int from, to;
    Variant params;
  };
  const std::vector<TCase> cases = {
      {101, 101, A({Variant(101), Beg101, End101, Op101})},
      {101, 103, A({Variant(101), Beg101, End103, Variant(""), Variant(103)})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.to);
    const TOutput section = Shift(c.from, c.to, Kinds({14}));
    EXPECT_EQ(section.Text, Code('\x13', c.params).Text);
    EXPECT_EQ(section.Html, Html());
  }
  // The range holds the returns not yet made, each once.
  const std::string text = Shift(101, 103, Kinds({14})).Text;
  const std::vector<IsqlRow> rows =
      Sql("SELECT NUMBERCARD FROM BACKCARD WHERE DATA BETWEEN '2024-04-01 08:00' AND "
          "'2024-04-02 08:00' AND (\"STATUS\" IS NULL OR \"STATUS\" = 0)");
  ASSERT_EQ(rows.size(), 3u);
  for (const IsqlRow& row : rows) EXPECT_NE(text.find(row.at("NUMBERCARD")), std::string::npos);
  EXPECT_EQ(text.find("5469000000000103"), std::string::npos);
}

TEST_F(SmallSections, RestartsAddABlankAndTheirWholeHtml) {
  const TOutput section = Shift(101, 103, Kinds({17}));
  EXPECT_EQ(section.Text, " ");
  const TestHost::Reply restarts =
      Request('#', A({Variant(11), Beg101, End103, Variant(101), Variant(103)}));
  EXPECT_EQ(section.Html, Html());
  EXPECT_NE(section.Html.find("Перезагрузка"_w), std::string::npos);
  Exec("DROP TABLE RESETTRK");
  EXPECT_NE(Shift(101, 103, Kinds({17}))
                .Html.find("За указанный период перезагрузок с незавершенными отливами не было."_w),
            std::string::npos);
  (void)restarts;
}

// The open shift's period runs from its begin to now (10:30).
TEST_F(SmallSections, TheOpenShiftRunsToNow) {
  SetOpenShiftFill();
  const TOutput section = Shift(104, 104, Kinds({14, 15}));
  const Variant beg = DateVar(2024, 4, 2, 8), now = DateVar(2024, 4, 2, 10, 30);
  const Variant op = Variant("Морозов Антон Юрьевич"_w);
  const std::string returns = Report('\x13', A({Variant(104), beg, now, op}));
  const std::string statements = Report('\x0E', A({beg, now, Variant("104"), op, Variant("104")}));
  EXPECT_EQ(section.Text, returns + statements);
  EXPECT_NE(returns.find("4276000000000104"), std::string::npos);
  EXPECT_NE(statements.find("|ООО АвтоТрейд                |    15,00|"), std::string::npos)
      << statements;
}

TEST_F(SmallSections, AFailingSectionLeavesTheNextWhole) {
  Exec("DROP TABLE BACKCARD");
  const TestHost::Reply r = Request('-', A({Variant(101), Variant(101), Kinds({14, 15})}));
  const TOutput section{r.Text, Html()};
  const std::string prefix =
      "Ошибка при формировании сменного отчета по непроизведенным возвратам на терминал: ";
  EXPECT_EQ(section.Text.rfind(prefix, 0), 0u) << section.Text;
  const std::string statements =
      Report('\x0E', A({Beg101, End101, Variant("101"), Op101, Variant("101")}));
  EXPECT_EQ(section.Text.substr(section.Text.size() - statements.size()), statements);
  EXPECT_EQ(TempFiles(), 0);
}

// The order layout publishes no HTML: the sections' builders wrote
// LastHTMLReport, but it is the no-HTML text again afterwards.
TEST_F(SmallSections, TheOrderLayoutPublishesNoHtml) {
  Report('-', A({Variant(101), Variant(103), Order({14, 15, 16})}));
  EXPECT_EQ(Html(), "HTML-отчет не сформирован!"_w);
}

// Selections that are not arrays reach the statements, which fail on them:
// the section says so and the restarts section (" ") follows.
TEST_F(SmallSections, SelectionsThatAreNoArrays) {
  for (const Variant& odd : {Variant("abc"), Variant(5), DateVar(2024, 4, 1)}) {
    const TestHost::Reply r =
        Request('-', A({Variant(101), Variant(101), Kinds({15, 17}), Variant(-1), Variant(0),
                        Variant(""), Variant(false), odd, Variant(0), odd}));
    EXPECT_EQ(r.Result, TV_REPORT_TRUE);
    EXPECT_EQ(r.Text, "Ошибка при формировании сменного отчета по ведомостям: Invalid argument ");
  }
}

// The bonus section equals the bonus report (code 9) with the registry's
// selection and switches.
TEST_F(SmallSections, BonusesEqualTheBonusReport) {
  const auto types = [](std::initializer_list<int> on) {
    std::vector<Variant> v(13, Variant(0));
    for (int i : on) v[i] = Variant(1);
    return VarArrayOf(v);
  };
  const TOutput fresh = Shift(101, 101, Kinds({16}));
  const TOutput code = Code('\x09', A({Variant(101), types({0}), Variant(false), Variant(101),
                                       Variant(true), Variant(true)}));
  EXPECT_EQ(fresh.Text, code.Text);
  EXPECT_EQ(fresh.Html, code.Html);
  EXPECT_NE(fresh.Text.find("105"), std::string::npos) << fresh.Text;
  WriteBonusKey({{"PayType0", "dword:00000000"},
                 {"PayType2", "dword:00000001"},
                 {"PayType4", "dword:00000001"},
                 {"NullStr", "dword:00000001"},
                 {"CBAllVO", "dword:00000000"},
                 {"ShowGSMItog", "dword:00000000"}});
  const TOutput set = Shift(101, 103, Kinds({16}));
  EXPECT_EQ(set.Text, Code('\x09', A({Variant(101), types({2, 4}), Variant(true), Variant(103),
                                      Variant(false), Variant(true)}))
                          .Text);
}

// The cash-register report is HTML only; its failure comes back as the
// section's text, and the next section is whole.
TEST_F(SmallSections, CashRegistersGiveHtmlOnly) {
  const TOutput section = Shift(101, 103, Paired({{13, "", KKMTemplate}}));
  EXPECT_EQ(section.Text, "");
  EXPECT_NE(section.Html.find("<table"), std::string::npos) << Cp1251ToUtf8(section.Html);
  Exec("DROP TABLE BCHECK");
  const TestHost::Reply r =
      Request('-', A({Variant(101), Variant(101), Paired({{13, "", KKMTemplate}, {14, "", ""}})}));
  const std::string returns = Report('\x13', A({Variant(101), Beg101, End101, Op101}));
  ASSERT_GT(r.Text.size(), returns.size());
  EXPECT_EQ(r.Text.substr(r.Text.size() - returns.size()), returns);
  const std::string error = r.Text.substr(0, r.Text.size() - returns.size());
  EXPECT_NE(error.find("BCHECK"), std::string::npos) << error;
  EXPECT_EQ(TempFiles(), 0);
}

// All eighteen kinds in one paired request: the text is the sections' texts
// in run order and the HTML holds their tables in the same order.
TEST_F(SmallSections, AFullReportJoinsEverySection) {
  host->SetSection(29, "Раздел A\r\n"_w);
  host->SetSection(30, "Раздел B\r\n"_w);
  host->SetSection(89, "Товары\r\n"_w);
  host->SetSection(255, "<table><tr><td>Товары</td></tr></table>"_w);
  std::string texts;
  std::vector<std::vector<std::string>> cells;
  std::vector<std::tuple<int, std::string, std::string>> all;
  const std::map<int, std::string> templates = {{0, "Шапка сменного отчета.html"},
                                                {1, "Подвал сменного отчета.html"},
                                                {2, "Информация о ТРК.html"},
                                                {3, "Информация о резервуарах.html"},
                                                {4, "Финансовый отчет.html"},
                                                {5, "Расшифровка поступления топлива.html"},
                                                {10, "Финансовый отчет нестандартный.html"},
                                                {12, "Расшифровка откачки топлива.html"},
                                                {13, KKMTemplate}};
  for (int kind = 0; kind < 18; ++kind) {
    all.emplace_back(kind, "", templates.count(kind) ? templates.at(kind) : "");
    texts += ShiftReport(101, 103, Paired({all.back()}));
    for (auto& row : HtmlCells()) cells.push_back(row);
  }
  const TOutput full = Shift(101, 103, Paired(all));
  EXPECT_EQ(full.Text, texts);
  EXPECT_EQ(HtmlCells(), cells);
  if (!HaveCommand("chromium")) GTEST_SKIP() << "no chromium: no picture";
  const std::string dir = TOLVAREN_SHIFT_SCREENSHOT_DIR;
  std::filesystem::create_directories(dir);
  WriteFileBytes(dir + "/shift-all-sections.html", full.Html);
  ASSERT_TRUE(RenderPagePng(dir + "/shift-all-sections.html", dir + "/shift-all-sections.png",
                            dir + "/chromium.log"));
  std::string summary;
  EXPECT_EQ(CheckPng(dir + "/shift-all-sections.png", summary), 0) << summary;
}

}  // namespace
}  // namespace tv::test
