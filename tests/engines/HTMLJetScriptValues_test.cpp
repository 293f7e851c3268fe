// The numbers of a record as the real script languages see them in a
// formula (upper-case names, which JScript tells from lower-case ones): the
// last value set before the formula, names and numbers that the script
// cannot assign, and infinities (the text "INF" that the script reads as a
// name).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

struct Value {
  const char* name;
  double value;
};

struct Case {
  const char* language;
  std::vector<std::vector<Value>> records;
  std::vector<std::string> cells;  // the formula cell of each record
};

std::vector<std::string> FormulaCells(const Case& c) {
  WriteCp1251File(kWebRepDir + std::string("s.html"),
                  std::string("&lt;#paramrep ScriptLang=") + c.language +
                      "&gt;&lt;#paramrep ScriptValues=S = A + B&gt;<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n"
                      "<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr><td>&lt;#S&gt;</td></tr>\n"
                      "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n"
                      "</table>");
  THTML_Jet jet(kWebRepDir + std::string("s.html"));
  jet.Init();
  for (const std::vector<Value>& record : c.records) {
    for (const Value& v : record) jet.AddFloat(v.name, "%.0f", v.value);
    jet.EndLine();
  }
  jet.EndIGroup();
  std::string out;
  jet.GetReady(out);
  std::vector<std::string> cells;
  for (std::size_t p = out.find("<td>"); p != std::string::npos; p = out.find("<td>", p + 4))
    cells.push_back(out.substr(p + 4, out.find("</td>", p) - p - 4));
  return cells;
}

TEST(HTMLJetScriptValues, FormulasSeeTheLastNumberOfEachName) {
  const std::vector<Case> cases = {
      // A set twice around B; the second record keeps A of the first.
      {"VBScript", {{{"A", 1}, {"B", 2}, {"A", 5}}, {{"B", 10}}}, {"<nobr>7,00</nobr>", "<nobr>15,00</nobr>"}},
      {"JScript", {{{"A", 1}, {"B", 2}, {"A", 5}}, {{"B", 10}}}, {"<nobr>7,00</nobr>", "<nobr>15,00</nobr>"}},
      // "If" cannot be assigned in VBScript: the others still arrive.
      {"VBScript", {{{"A", 1}, {"If", 3}, {"B", 2}}}, {"<nobr>3,00</nobr>"}},
      // VBScript cannot take the largest double's literal: A keeps 1.
      {"VBScript", {{{"A", 1}, {"A", kMax}, {"B", 1}}, {{"A", kMax}, {"B", 2}}},
       {"<nobr>2,00</nobr>", "<nobr>3,00</nobr>"}},
      // JScript fails on "A=INF" and keeps A; a later number replaces it.
      {"JScript",
       {{{"A", 4}, {"B", 1}}, {{"A", 6}, {"A", kInf}, {"B", 2}}, {{"A", kInf}, {"A", 7}}},
       {"<nobr>5,00</nobr>", "<nobr>8,00</nobr>", "<nobr>9,00</nobr>"}},
  };
  for (const Case& c : cases) {
    TempRoot root;
    JetSettingsScope settings;
    EXPECT_EQ(FormulaCells(c), c.cells) << c.language;
  }
}

}  // namespace
}  // namespace tv::test
