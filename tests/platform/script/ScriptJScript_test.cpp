// JScript through ScriptControl: results against Node.js, global scope,
// errors and Windows-1251 texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/script/ScriptControl.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

struct NodeRow {
  std::string expression, type, value;  // UTF-8, as Node printed them
};

std::string DataPath(const std::string& name) {
  return std::string(TOLVAREN_TESTDATA_DIR) + "/platform/" + name;
}

std::vector<NodeRow> ParseTable(const std::string& text) {
  std::vector<NodeRow> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const auto t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
    if (t1 == std::string::npos || t2 == std::string::npos) continue;
    rows.push_back({line.substr(0, t1), line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1)});
  }
  return rows;
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Node's number text as the double it denotes.
double NodeNumber(const std::string& text) {
  if (text == "NaN") return NAN;
  if (text == "Infinity") return INFINITY;
  if (text == "-Infinity") return -INFINITY;
  return std::strtod(text.c_str(), nullptr);
}

// Duktape reads a number literal of more than 15 significant digits that
// lies exactly halfway between two doubles by rounding up, where Node
// rounds to even. The engine writes numbers into formulas with at most 15
// significant digits, so formulas never meet such a literal.
const std::map<std::string, std::string> kDuktapeDiffers = {
    {"9007199254740993", "9007199254740994"}};

TEST(ScriptJScript, ArithmeticAgreesWithNode) {
  const std::vector<NodeRow> rows = ParseTable(ReadAll(DataPath("jscript_node_results.txt")));
  ASSERT_GE(rows.size(), 60u);
  ScriptControl js("JScript");
  for (const NodeRow& row : rows) {
    SCOPED_TRACE(row.expression);
    const Variant v = js.Eval(Utf8ToCp1251(row.expression));
    if (row.type == "number") {
      ASSERT_EQ(v.Type(), VarType::Double);
      const auto differs = kDuktapeDiffers.find(row.expression);
      const double want = NodeNumber(differs == kDuktapeDiffers.end() ? row.value : differs->second);
      const double got = v.AsDouble();
      if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got));
      } else {
        EXPECT_EQ(got, want);
        EXPECT_EQ(std::signbit(got), std::signbit(want));
      }
    } else if (row.type == "string") {
      ASSERT_EQ(v.Type(), VarType::String);
      EXPECT_EQ(Cp1251ToUtf8(v.AsString()), row.value);
    } else if (row.type == "boolean") {
      ASSERT_EQ(v.Type(), VarType::Boolean);
      EXPECT_EQ(v.AsBoolean(), row.value == "true");
    } else {
      EXPECT_TRUE(v.IsEmpty());
    }
  }
}

// The checked-in table is what Node computes today.
TEST(ScriptJScript, NodeTableIsCurrent) {
  if (!test::HaveCommand("node")) GTEST_SKIP() << "node is not installed";
  const std::string fresh = test::RunCommand("node '" + DataPath("jscript_node.js") + "' '" +
                                             DataPath("jscript_expressions.txt") + "'");
  EXPECT_EQ(fresh, ReadAll(DataPath("jscript_node_results.txt")));
}

TEST(ScriptJScript, GlobalScopeLivesBetweenCalls) {
  ScriptControl js("JScript");
  js.AddCode("SUMMA=118");
  js.AddCode("PSUM=SUMMA * 100 / 118");
  js.AddCode("NDSSUM=SUMMA - PSUM");
  EXPECT_EQ(js.Eval("PSUM").AsDouble(), 100.0);
  EXPECT_EQ(js.Eval("NDSSUM").AsDouble(), 18.0);
  js.AddCode("function Nds(sum, rate) { return sum * rate / (100 + rate); }\r\nvar k = 2;");
  EXPECT_EQ(js.Eval("Nds(118, 18) * k").AsDouble(), 36.0);
  js.AddCode("SUMMA=236");
  EXPECT_EQ(js.Eval("Nds(SUMMA, 18)").AsDouble(), 36.0);
}

TEST(ScriptJScript, NamesAreCaseSensitive) {
  ScriptControl js("jscript");
  js.AddCode("SUMMA=5");
  EXPECT_EQ(js.Eval("SUMMA").AsDouble(), 5.0);
  EXPECT_THROW(js.Eval("summa"), EScriptError);
}

TEST(ScriptJScript, ErrorsKeepTheControlUsable) {
  ScriptControl js("JScript");
  js.AddCode("A=1");
  try {
    js.AddCode("B=(1");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Message().rfind("JScript: SyntaxError", 0), 0u) << e.Message();
  }
  try {
    js.Eval("undefinedName * 2");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Message().rfind("JScript: ReferenceError", 0), 0u) << e.Message();
  }
  EXPECT_THROW(js.AddCode("throw 'stop'"), EScriptError);
  EXPECT_THROW(js.AddCode("A=2; null.x = 1; A=3"), EScriptError);
  EXPECT_EQ(js.Eval("A").AsDouble(), 2.0);  // what ran before the error stays
  EXPECT_EQ(js.Eval("A + 1").AsDouble(), 3.0);
}

TEST(ScriptJScript, ValuesThatAreNoNumberTextOrBoolean) {
  ScriptControl js("JScript");
  EXPECT_TRUE(js.Eval("null").IsNull());
  EXPECT_TRUE(js.Eval("undefined").IsEmpty());
  EXPECT_THROW(js.Eval("({a: 1})"), EScriptError);
  EXPECT_THROW(js.Eval("[1, 2]"), EScriptError);
  EXPECT_THROW(js.Eval("(function () {})"), EScriptError);
  EXPECT_EQ(js.Eval("1").AsDouble(), 1.0);  // still usable
}

// Code that repeats runs from its compiled form, and "NAME=number" is set
// without compiling; both must behave as the text would.
TEST(ScriptJScript, RepeatedCodeAndAssignmentsBehaveAsTheirText) {
  ScriptControl js("JScript");
  js.AddCode("var N = 0; var log = '';");
  for (int i = 0; i < 3; ++i) js.AddCode("N = N + 1");
  EXPECT_EQ(js.Eval("N").AsDouble(), 3.0);
  js.AddCode("N=-1.5E2");
  EXPECT_EQ(js.Eval("N").AsDouble(), -150.0);
  EXPECT_EQ(js.Eval("typeof N").AsString(), "number");
  js.AddCode("Object.defineProperty(this, 'WATCHED', {set: function (v) { log += v + ';'; }})");
  js.AddCode("WATCHED=12.5");
  js.AddCode("WATCHED=7");
  EXPECT_EQ(js.Eval("log").AsString(), "12.5;7;");
  js.AddCode("undefined=5");  // read-only globals stay as they are
  js.AddCode("NaN=5");
  EXPECT_TRUE(js.Eval("undefined").IsEmpty());
  EXPECT_TRUE(std::isnan(js.Eval("NaN").AsDouble()));
  js.AddCode("globalThis = null");
  js.AddCode("AFTER=3");
  EXPECT_EQ(js.Eval("AFTER").AsDouble(), 3.0);
  // Not assignments of a plain number: octal-looking, too many digits,
  // reserved words, expressions; they run as code.
  js.AddCode("OCT=010");
  EXPECT_EQ(js.Eval("OCT").AsDouble(), 8.0);
  js.AddCode("LONG=1234567890123456789");
  EXPECT_EQ(js.Eval("LONG").AsDouble(), 1234567890123456789.0);
  EXPECT_THROW(js.AddCode("var=1"), EScriptError);
  js.AddCode("EXPR=2*3");
  EXPECT_EQ(js.Eval("EXPR").AsDouble(), 6.0);
  // A failed text is tried again, and succeeds once it can.
  EXPECT_THROW(js.Eval("LATER + 1"), EScriptError);
  js.AddCode("LATER=1");
  EXPECT_EQ(js.Eval("LATER + 1").AsDouble(), 2.0);
  EXPECT_THROW(js.AddCode("X=(1"), EScriptError);
  EXPECT_THROW(js.AddCode("X=(1"), EScriptError);
  // More distinct texts than the cache holds.
  for (int i = 0; i < 600; ++i) {
    js.AddCode("V" + std::to_string(i) + " = " + std::to_string(i) + " * 2");
    ASSERT_EQ(js.Eval("V" + std::to_string(i)).AsDouble(), i * 2.0);
  }
  EXPECT_EQ(js.Eval("V0 + V599").AsDouble(), 1198.0);
  for (int i = 0; i < 3; ++i) js.AddCode("N = N + 1");
  EXPECT_EQ(js.Eval("N").AsDouble(), -147.0);
}

TEST(ScriptJScript, Windows1251Texts) {
  ScriptControl js("JScript");
  js.AddCode("var t = '" + "Итого"_w + "';");
  EXPECT_EQ(js.Eval("t + ' ' + t.length").AsString(), "Итого 5"_w);
  EXPECT_EQ(js.Eval("'\\u20AC'").AsString(), "\x88");  // the euro sign of the code page
  EXPECT_EQ(js.Eval("'\\u4E2D'").AsString(), "?");     // no place in Windows-1251
}

}  // namespace
}  // namespace tv
