// The texts of the built-in HTML templates: their directives against the
// template descriptions (tests/data/templates/web_templates.txt), the
// layout facts the descriptions fix, and well-formedness as judged by an
// independent parser (Python's html.parser, tests/templates/check_html.py).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "templates/WebFormPatterns.h"
#include "tests/support/TempRoot.h"
#include "tests/templates/WebTemplateFacts.h"

namespace tv::WebFormPatterns {
namespace {

using test::JoinLines;
using test::LinesOf;
using test::ScanDirectives;

const TPatternList& Registry() {
  static TPatternList* list = [] {
    CreatePatterns();
    return Patterns;
  }();
  return *list;
}

const CPattern& Pattern(const std::string& utf8Name) {
  const std::string name = Utf8ToCp1251(utf8Name);
  for (std::size_t i = 0; i < Registry().size(); ++i)
    if (PatternAt(Registry(), i).Name == name) return PatternAt(Registry(), i);
  throw std::runtime_error("no template " + utf8Name);
}

std::string U(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }
std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }

std::string Title(const CPattern& p) {
  const std::string& first = p.Lines[0];
  std::string lower = AnsiLowerCase(first);
  std::size_t b = lower.find("<title>"), e = lower.find("</title>");
  if (b == std::string::npos || e == std::string::npos) return {};
  return first.substr(b + 7, e - b - 7);
}

int CountEmpty(const CPattern& p) {
  const auto& lines = LinesOf(p.Lines);
  return static_cast<int>(std::count(lines.begin(), lines.end(), std::string()));
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(WebTemplates, DirectivesMatchTheirDescriptions) {
  const auto facts = test::LoadWebTemplateFacts();
  ASSERT_EQ(facts.size(), Registry().size());
  for (std::size_t i = 0; i < facts.size(); ++i) {
    const auto& f = facts[i];
    const CPattern& p = PatternAt(Registry(), i);
    SCOPED_TRACE(U(f.name));
    ASSERT_EQ(p.Name, f.name);
    const std::string text = p.Lines.Text();
    const test::TDirectives d = ScanDirectives(text);
    EXPECT_EQ(d.unclosed, 0);
    EXPECT_EQ(text.find("<#"), std::string::npos) << "directive not escaped";
    EXPECT_EQ(d.blocks, f.blocks);
    EXPECT_EQ(d.params, f.params);
    EXPECT_EQ(d.comments, f.comments);
    for (const std::string& v : f.vars) EXPECT_TRUE(d.vars.count(v)) << "missing " << U(v);
    for (const std::string& v : d.vars) EXPECT_TRUE(f.vars.count(v)) << "unexpected " << U(v);
    EXPECT_EQ(d.row, f.row);
    EXPECT_EQ(d.itog, f.itog);
    EXPECT_EQ(d.allitog, f.allitog);
  }
}

TEST(WebTemplates, EveryTemplateDeclaresItsCodePage) {
  for (std::size_t i = 0; i < Registry().size(); ++i) {
    const CPattern& p = PatternAt(Registry(), i);
    EXPECT_NE(p.Lines.Text().find("text/html; charset=windows-1251"), std::string::npos)
        << U(p.Name);
  }
}

// Runs the independent checker on texts written as Windows-1251 files and
// returns its report (empty when every file passes).
std::string RunChecker(const std::vector<std::string>& texts, int* rc) {
  test::TempRoot root;
  std::string command = "python3 '" TOLVAREN_SOURCE_DIR "/tests/templates/check_html.py'";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string file = "t" + std::to_string(i) + ".html";
    root.WriteFile(file, texts[i]);
    command += " '" + root.Path() + "/" + file + "'";
  }
  return test::RunCommand(command + " 2>&1", rc);
}

TEST(WebTemplates, AnIndependentParserAcceptsEveryTemplate) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < Registry().size(); ++i)
    texts.push_back(PatternAt(Registry(), i).Lines.Text());
  int rc = -1;
  const std::string report = RunChecker(texts, &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(report, "") << "(files t<N>.html are registry items N)";
}

// The checker itself must see the faults it is there to find.
TEST(WebTemplates, TheParserCheckRejectsBrokenPages) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  const std::string meta =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">";
  const std::vector<std::string> broken = {
      "<html><head>" + meta + "</head><body><table><tr><td>x</tr></table></body></html>",
      "<html><head>" + meta + "</head><body><tr><td>x</td></tr></body></html>",
      "<html><head>" + meta + "</head><body><table><tr><td>x</td></tr></body></html>",
      "<html><head></head><body><table><tr><td>x</td></tr></table></body></html>",
      "<html><head>" + meta + "</head><body><font><b>x</font></b></body></html>",
      "<html><head>" + meta + "</head><body><table><tr><td colspan=2>a</td></tr>" +
          "<tr><td>b</td><td>c</td><td>d</td></tr></table></body></html>",
      "<html><head>" + meta + "</head><body><table><tr><td rowspan=3>a</td><td>b</td></tr>" +
          "<tr><td>c</td></tr></table></body></html>"};
  for (const std::string& page : broken) {
    int rc = -1;
    const std::string report = RunChecker({page}, &rc);
    EXPECT_EQ(rc, 1) << page;
    EXPECT_NE(report, "") << page;
  }
  int rc = -1;
  EXPECT_EQ(RunChecker({"<html><head>" + meta +
                        "</head><body><table><tr><td rowspan=2>x<br></td><td colspan=2>y</td>" +
                        "</tr><tr><td>z</td><td>w</td></tr></table></body></html>"},
                       &rc),
            "");
  EXPECT_EQ(rc, 0);
}

TEST(WebTemplates, TheFirstElevenShareTheCommonSkeleton) {
  for (std::size_t i = 0; i < 11; ++i) {
    const CPattern& p = PatternAt(Registry(), i);
    const auto& lines = LinesOf(p.Lines);
    SCOPED_TRACE(U(p.Name));
    EXPECT_EQ(lines.front(),
              W("<html><head><title>C:\\FUEL\\FORMS\\WEBREP\\") + p.Name + ".html</title>");
    EXPECT_NE(lines[1].find("text/html; charset=windows-1251"), std::string::npos);
    EXPECT_EQ(lines[2], "</head>");
    EXPECT_EQ(lines[3],
              "<body bgcolor=#ffffff leftmargin=5 topmargin=5 rightmargin=5 bottommargin=5>");
    EXPECT_EQ(lines[4], "<font size=3 color=#000000 face=\"Times New Roman\">");
    EXPECT_EQ(lines[lines.size() - 2], "</font>");
    EXPECT_EQ(lines.back(), "</body></html>");
    const auto open = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.rfind("<div><div></div><table", 0) == 0;
    });
    EXPECT_EQ(open, 1) << "exactly one main table";
    auto close = std::find(lines.begin(), lines.end(), "</table>");
    ASSERT_NE(close, lines.end());
    EXPECT_EQ(*(close + 1), "<div></div></div>");
    for (const std::string& l : lines) {
      if (l.rfind("<tr", 0) == 0) {
        EXPECT_EQ(l, "<tr valign=top>");
      }
    }
  }
}

std::vector<std::size_t> DifferingLines(const CPattern& a, const CPattern& b) {
  std::vector<std::size_t> out;
  const auto &la = LinesOf(a.Lines), &lb = LinesOf(b.Lines);
  for (std::size_t i = 0; i < std::min(la.size(), lb.size()); ++i)
    if (la[i] != lb[i]) out.push_back(i);
  return out;
}

TEST(WebTemplates, VehicleAndDriverStatementsDifferInFivePlacesOnly) {
  const CPattern& vehicle = Pattern("Ведомость по автомобилю");
  const CPattern& driver = Pattern("Ведомость по водителю");
  ASSERT_EQ(vehicle.Lines.Count(), driver.Lines.Count());
  const auto diff = DifferingLines(vehicle, driver);
  ASSERT_EQ(diff.size(), 5u);
  const std::pair<const char*, const char*> expected[] = {
      {"Ведомость по автомобилю.html", "Ведомость по водителю.html"},
      {"Отпуск по ведомости по автомобилю", "Отпуск по ведомости по водителю"},
      {"Автомобиль: &lt;#Auto&gt;", "Водитель: &lt;#Driver&gt;"},
      {">Водитель<", ">Гос. номер автомобиля<"},
      {"&lt;#Driver&gt;", "&lt;#Number&gt;"}};
  for (std::size_t k = 0; k < 5; ++k) {
    EXPECT_NE(vehicle.Lines[static_cast<int>(diff[k])].find(W(expected[k].first)),
              std::string::npos)
        << k;
    EXPECT_NE(driver.Lines[static_cast<int>(diff[k])].find(W(expected[k].second)),
              std::string::npos)
        << k;
  }
}

TEST(WebTemplates, ReceiptAndPumpOutDetailsDifferInTitleAndHeadingOnly) {
  const CPattern& in = Pattern("Расшифровка поступления топлива");
  const CPattern& out = Pattern("Расшифровка откачки топлива");
  ASSERT_EQ(in.Lines.Count(), out.Lines.Count());
  EXPECT_EQ(DifferingLines(in, out), (std::vector<std::size_t>{0, 4}));
  EXPECT_EQ(Title(in), in.Name);
  EXPECT_NE(in.Lines[4].find(in.Name), std::string::npos);
  EXPECT_NE(out.Lines[4].find(out.Name), std::string::npos);
}

TEST(WebTemplates, WaybillPagesAreSpreadsheetGrids) {
  struct Page {
    const char* name;
    int empty, rows;
    bool pageBreak;
    const char* margins;
  };
  for (const Page& w : {Page{"ТТН1", 4, 41, true, "margin:.27in .59in .08in .79in;"},
                        Page{"ТТН2", 9, 60, false, "margin:.32in .39in .08in .79in;"}}) {
    const CPattern& p = Pattern(w.name);
    const auto& lines = LinesOf(p.Lines);
    SCOPED_TRACE(w.name);
    const std::string text = p.Lines.Text();
    EXPECT_EQ(lines.back(), "</html>");
    EXPECT_EQ(CountEmpty(p), w.empty);
    EXPECT_EQ(CountOf(text, "<tr"), w.rows);
    EXPECT_EQ(CountOf(text, "<table"), 1);
    int classes = 0;
    for (const std::string& l : lines)
      if (l.size() > 3 && l.rfind(".xl", 0) == 0 &&
          l.find_first_not_of("0123456789", 3) == std::string::npos)
        ++classes;
    EXPECT_EQ(classes, 222);
    EXPECT_NE(text.find("mso-page-orientation:landscape"), std::string::npos);
    EXPECT_NE(text.find(w.margins), std::string::npos);
    EXPECT_NE(text.find("<x:PaperSizeIndex>9</x:PaperSizeIndex>"), std::string::npos);
    EXPECT_NE(text.find("table-layout:fixed"), std::string::npos);
    EXPECT_EQ(text.find("page-break-after:always") != std::string::npos, w.pageBreak);
    EXPECT_NE(text.find("content=Excel.Sheet"), std::string::npos);
  }
  // The spreadsheet wraps long cells; a line break there reads as a blank.
  std::string back = Pattern("ТТН2").Lines.Text();
  for (std::size_t at; (at = back.find("\r\n  ")) != std::string::npos;) back.replace(at, 4, " ");
  EXPECT_NE(back.find(W("&lt;#ЛКстандартная&gt;, &lt;#ЛКограниченная&gt;")), std::string::npos);
}

TEST(WebTemplates, ConsignmentNotesCarryTheirTwoLineComment) {
  for (const char* name : {"ТОРГ-12", "ТОРГ-12-1", "ТОРГ-12-2"}) {
    const CPattern& p = Pattern(name);
    const auto& lines = LinesOf(p.Lines);
    SCOPED_TRACE(name);
    EXPECT_EQ(lines.front().rfind("<html><head><title>", 0), 0u);
    EXPECT_EQ(lines.back(), "</body></html>");
    const std::string opening = W("&lt;#%Комментарий договор, контракт,");
    auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.size() >= opening.size() &&
             l.compare(l.size() - opening.size(), opening.size(), opening) == 0;
    });
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ((at + 1)->rfind(W("    заказ- наряд&gt;"), 0), 0u);
    // The comment follows the basis field directly.
    const std::string before = JoinLines({lines.begin(), at + 1});
    const std::size_t comment = before.rfind("&lt;#");
    EXPECT_EQ(before.rfind(W("&lt;#Основание&gt;"), comment), before.rfind("&lt;#", comment - 1));
  }
}

TEST(WebTemplates, SalesReceiptScriptSpansSixLines) {
  const CPattern& p = Pattern("Товарный чек");
  const auto& lines = LinesOf(p.Lines);
  const std::vector<std::string> script = {"&lt;#paramrep ScriptValues= ",
                                           "    <br />",
                                           "    &nbsp; &nbsp;&nbsp; PSum = Summa * 100 / 118;",
                                           "    <br />",
                                           "    &nbsp; &nbsp;&nbsp; NDSSum = Summa - PSum;<br />",
                                           "    &gt;"};
  auto at = std::search(lines.begin(), lines.end(), script.begin(), script.end());
  EXPECT_NE(at, lines.end());
  EXPECT_NE(p.Lines.Text().find(W("&lt;#CheckDate(dd mmmm yyyy)&gt;")), std::string::npos);
  EXPECT_TRUE(Title(p).ends_with("TovarCheck.html"));
}

TEST(WebTemplates, CashRegisterReportCommentSpansEightLines) {
  const CPattern& p = Pattern("Финансовый отчет по кассам");
  const auto& lines = LinesOf(p.Lines);
  const std::string first = W("&lt;#CommentRep: Поддерживаются следующие типы отчета: ");
  const std::string last =
      W("RepType=2E используется по умолчанию&gt;&lt;#paramrep RepType=2E&gt;");
  std::size_t b = lines.size(), e = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find(first) != std::string::npos) b = i;
    if (lines[i].find(last) != std::string::npos) e = i;
  }
  ASSERT_LT(b, lines.size());
  ASSERT_LT(e, lines.size());
  EXPECT_EQ(e - b + 1, 8u);
  EXPECT_TRUE(lines[b].ends_with(first));
}

TEST(WebTemplates, TitlesThatDifferFromTheNames) {
  EXPECT_EQ(U(Title(Pattern("Текущие остатки по лимитам"))),
            "Текущие остатки по убывающим лимитам");
  EXPECT_EQ(U(Title(Pattern("История переоценки ГСМ"))), "Финансовый отчет");
  EXPECT_EQ(U(Title(Pattern("Отчет по картам"))), "C:\\FUEL\\FORMS\\WEBREP\\Отчет по картам.html");
  EXPECT_EQ(U(Title(Pattern("Детализация лимитов"))),
            "C:\\Fuel\\FORMS\\WEBREP\\Детализация лимитов.html");
  EXPECT_EQ(U(Title(Pattern("Отчет по мернику"))),
            "C:\\Fuel\\FORMS\\WEBREP\\Отчет по мернику.html");
  EXPECT_EQ(U(Title(Pattern("Отчет по приходу топлива"))),
            "C:\\FUEL\\FORMS\\WEBREP\\Отчет по приходу топлива.html");
  EXPECT_EQ(U(Title(Pattern("Отчет по перекачке топлива"))),
            "C:\\FUEL\\FORMS\\WEBREP\\Отчет по перекачке топлива.html");
}

TEST(WebTemplates, CardReportKeepsItsEmptyLinesAndLoneGroupEnd) {
  const CPattern& p = Pattern("Отчет по картам");
  EXPECT_EQ(CountEmpty(p), 12);
  const std::string text = p.Lines.Text();
  EXPECT_EQ(CountOf(text, "&lt;#EndGroup1&gt;"), 1);
  EXPECT_EQ(CountOf(text, "&lt;#Group1&gt;"), 0);
  for (const char* cls : {"ctdh", "ctdrp", "ctdd", "ctddr", "ctdir"})
    EXPECT_NE(text.find(std::string("td.") + cls + " {"), std::string::npos) << cls;
}

}  // namespace
}  // namespace tv::WebFormPatterns
