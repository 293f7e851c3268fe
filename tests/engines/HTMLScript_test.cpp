// Formula cells of HTML templates evaluated by the real script control
// (VBScript interpreter, JScript on Duktape): the expected cells are worked
// by hand from the template's formulas and the values the test sets.
#include "engines/HTMLScript.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

// One record row: Summa, then the cells under test.
const char* const kTable =
    "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
    "<tr><td>&lt;#Summa&gt;</td>%CELLS%</tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
    "<tr><td>&lt;#Itog&gt;</td></tr>\n<tr><td>&lt;#Summa&gt;</td>%TOTALS%</tr>\n"
    "<tr><td>&lt;#EndItog&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>\n";

std::string Cells(const std::vector<std::string>& cells) {
  std::string s;
  for (const std::string& c : cells) s += "<td>" + c + "</td>";
  return s;
}

class HTMLScript : public ::testing::Test {
 protected:
  // Renders the template with one record per value of Summa (set by
  // AddFloat), the group totals by MakeItog2, and returns the rendered rows
  // that begin with the Summa cell, one string per row, as UTF-8.
  std::vector<std::string> Render(const std::string& params, const std::vector<std::string>& cells,
                                  const std::vector<double>& summas,
                                  const std::vector<std::string>& totals = {}) {
    std::string text = params + kTable;
    text.replace(text.find("%CELLS%"), 7, Cells(cells));
    text.replace(text.find("%TOTALS%"), 8, Cells(totals));
    WriteCp1251File(kWebRepDir + std::string("f.html"), text);
    THTML_Jet jet(kWebRepDir + std::string("f.html"));
    jet.Init();
    hasScript_ = jet.HasScript();
    for (double summa : summas) {
      jet.AddFloat("Summa", "%.2n", summa);
      jet.EndLine();
    }
    jet.MakeItog2("%.2n");
    jet.EndIGroup();
    std::string out;
    jet.GetReady(out);
    const std::string doc = ToUtf8Lf(out);
    std::vector<std::string> rows;
    for (std::size_t p = doc.find("<tr><td><nobr>"); p != std::string::npos;
         p = doc.find("<tr><td><nobr>", p + 1))
      rows.push_back(doc.substr(p, doc.find("</tr>", p) + 5 - p));
    return rows;
  }

  static std::string Row(double summa, const std::vector<std::string>& cells) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", summa);
    std::string s = buf;
    s[s.find('.')] = ',';
    return "<tr><td><nobr>" + s + "</nobr></td>" + Cells(cells) + "</tr>";
  }
  static std::string N(const char* text) { return std::string("<nobr>") + text + "</nobr>"; }

  TempRoot root_;
  JetSettingsScope settings_;
  bool hasScript_ = false;
};

TEST_F(HTMLScript, WithoutScriptLangTheFormulasAreVBScript) {
  const auto rows = Render("", {"&lt;#(=summa mod 100)&gt;", "&lt;#(=summa \\ 7)&gt;",
                                "&lt;#(=Round(summa / 236))&gt;", "&lt;#(=SUMMA > 100)&gt;"},
                           {118});
  EXPECT_TRUE(hasScript_);
  ASSERT_EQ(rows.size(), 2u);
  // 118 \ 7 = 16; 118 / 236 = 0.5 rounds to even 0; a true comparison is -1.
  EXPECT_EQ(rows[0], Row(118, {N("18,00"), N("16,00"), N("0,00"), N("-1,00")}));
}

TEST_F(HTMLScript, JScriptInLowerCaseSelectsJScript) {
  const auto rows = Render(
      "&lt;#paramrep ScriptLang=jscript&gt;&lt;#paramrep ScriptValues=Double = SUMMA * 2; "
      "Mixed = Summa * 2&gt;",
      {"&lt;#(=118 % 100)&gt;", "&lt;#Double&gt;", "&lt;#Mixed&gt;", "&lt;#(=summa * 2)&gt;",
       "&lt;#(=1 / 0)&gt;", "&lt;#(=math.max(1, 2))&gt;"},
      {118});
  EXPECT_TRUE(hasScript_);
  ASSERT_EQ(rows.size(), 2u);
  // JScript names keep their case: only upper-case expressions reach the
  // variables; formula placeholders arrive lower-cased (so "math" is
  // unknown too); an infinite value is no number.
  EXPECT_EQ(rows[0], Row(118, {N("18,00"), N("236,00"), "&nbsp;", "&nbsp;", "&nbsp;", "&nbsp;"}));
}

TEST_F(HTMLScript, ScriptLangNoneLeavesEveryFormulaBlank) {
  const auto rows =
      Render("&lt;#paramrep ScriptLang=None&gt;&lt;#paramrep ScriptValues=PSum = Summa * 2&gt;",
             {"&lt;#(=summa*2)&gt;", "&lt;#PSum&gt;", "&lt;#Named(=1+1)&gt;"}, {118});
  EXPECT_FALSE(hasScript_);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row(118, {"&nbsp;", "&nbsp;", "&nbsp;"}));
}

TEST_F(HTMLScript, ReceiptComputesNetAndTaxFromSumma) {
  const auto rows = Render(
      "&lt;#paramrep ScriptValues=PSum = Summa * 100 / 118; NDSSum = Summa - PSum&gt;",
      {"&lt;#PSum&gt;", "&lt;#NDSSum&gt;"}, {118, 236, 59});
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], Row(118, {N("100,00"), N("18,00")}));
  EXPECT_EQ(rows[1], Row(236, {N("200,00"), N("36,00")}));
  EXPECT_EQ(rows[2], Row(59, {N("50,00"), N("9,00")}));
}

TEST_F(HTMLScript, AnonymousFormulasUseTheLatestValues) {
  const auto rows = Render("", {"&lt;#(=summa*2)&gt;", "&lt;#(=tempvar_1 + 1)&gt;"},
                           {118, 50.25}, {"&lt;#Half(=summa / 2)&gt;"});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], Row(118, {N("236,00"), N("237,00")}));
  EXPECT_EQ(rows[1], Row(50.25, {N("100,50"), N("101,50")}));
  // The totals row sees Summa as the group's sum, 168.25, set by MakeItog2.
  EXPECT_EQ(rows[2], Row(168.25, {N("84,13")}));
}

TEST_F(HTMLScript, BrokenFormulasStayBlankAndTheReportGoesOn) {
  const auto rows = Render("",
                           {"&lt;#Bad(=summa*)&gt;", "&lt;#Zero(=summa / 0)&gt;",
                            "&lt;#Obj(=createobject(\"wscript.shell\"))&gt;",
                            "&lt;#Half2(=1 + )&gt;", "&lt;#Fine(=summa - 18)&gt;"},
                           {118, 18});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], Row(118, {"&nbsp;", "&nbsp;", "&nbsp;", "&nbsp;", N("100,00")}));
  EXPECT_EQ(rows[1], Row(18, {"&nbsp;", "&nbsp;", "&nbsp;", "&nbsp;", N("0,00")}));
}

TEST_F(HTMLScript, CyrillicNamesNeedAnAlias) {
  const std::string tpl =
      "&lt;#Сумма&gt; &lt;#(=summa * 2)&gt; &lt;#Налог&gt;\n";
  WriteCp1251File(kWebRepDir + std::string("a.html"),
                  "&lt;#paramrep ScriptAlias=Сумма=SUMMA&gt;&lt;#paramrep ScriptValues=Налог = "
                  "Summa * 0.18&gt;" + tpl);
  WriteCp1251File(kWebRepDir + std::string("b.html"), tpl);
  for (const char* file : {"a.html", "b.html"}) {
    THTML_Jet jet(kWebRepDir + std::string(file));
    jet.Init();
    jet.AddFloat("Сумма"_w, "%.2n", 5);
    std::string out;
    jet.GetReady(out);
    // With the alias the value reaches the script as SUMMA; without it the
    // script never sees it, and VBScript reads the unset SUMMA as 0. A
    // Cyrillic ScriptValues name never matches.
    EXPECT_EQ(ToUtf8Lf(out), std::string(file) == "a.html"
                                 ? "<nobr>5,00</nobr> <nobr>10,00</nobr> &nbsp;\n"
                                 : "<nobr>5,00</nobr> <nobr>0,00</nobr> &nbsp;\n");
  }
}

TEST_F(HTMLScript, ScriptFileFunctions) {
  WriteCp1251File(kWebRepDir + std::string("lib.vbs"),
                  "' VAT included in a sum\nFunction Nds(sum, rate)\n"
                  "  Nds = Round(sum * rate / (100 + rate), 2)\nEnd Function\n");
  WriteCp1251File("C:\\FUEL\\Scripts\\net.vbs",
                  "Function Net(sum)\n  Net = sum - Round(sum * 18 / 118, 2)\nEnd Function\n");
  WriteCp1251File(kWebRepDir + std::string("broken.vbs"), "Function Nds(\n");
  const std::vector<std::string> cells = {"&lt;#(=nds(summa, 18))&gt;", "&lt;#(=summa + 1)&gt;"};
  auto rows = Render("&lt;#paramrep ScriptFile=lib.vbs&gt;", cells, {100});
  EXPECT_EQ(rows[0], Row(100, {N("15,25"), N("101,00")}));
  rows = Render("&lt;#paramrep ScriptFile=C:\\FUEL\\Scripts\\net.vbs&gt;",
                {"&lt;#(=net(summa))&gt;"}, {118});
  EXPECT_EQ(rows[0], Row(118, {N("100,00")}));
  for (const char* file : {"missing.vbs", "broken.vbs"}) {
    rows = Render(std::string("&lt;#paramrep ScriptFile=") + file + "&gt;", cells, {100});
    EXPECT_EQ(rows[0], Row(100, {"&nbsp;", N("101,00")})) << file;
  }
}

TEST_F(HTMLScript, RunawayFormulaIsStoppedAndFailsAlone) {
  WriteCp1251File(kWebRepDir + std::string("spin.js"), "function spin() { for (;;) {} }\n");
  const auto start = std::chrono::steady_clock::now();
  const auto rows = Render("&lt;#paramrep ScriptLang=JScript&gt;&lt;#paramrep ScriptFile=spin.js&gt;",
                           {"&lt;#(=spin())&gt;", "&lt;#(=6 * 7)&gt;"}, {1});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], Row(1, {"&nbsp;", N("42,00")}));
}

}  // namespace
}  // namespace tv::test
