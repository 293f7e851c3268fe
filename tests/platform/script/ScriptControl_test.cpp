// ScriptControl: language choice, the sandbox of both languages and the
// limits that stop runaway scripts.
#include "platform/script/ScriptControl.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>
#include <string>

namespace tv {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

TScriptLimits ShortLimits(int ms = 300) {
  TScriptLimits l;
  l.CallTime = milliseconds(ms);
  return l;
}

TEST(ScriptControl, LanguageIsChosenByNameInAnyCase) {
  for (const char* name : {"VBScript", "VBSCRIPT", "vbscript", "JScript", "JSCRIPT", "jscript"}) {
    ScriptControl sc(name);
    EXPECT_EQ(sc.Language(), name);
    EXPECT_EQ(sc.Eval("7 + 2").AsDouble(), 9.0) << name;
  }
  // The same text differs between the languages: "\" and "^" are
  // operators of VBScript, "%" of JScript.
  EXPECT_EQ(ScriptControl("VBSCRIPT").Eval("7 \\ 2").AsDouble(), 3.0);
  EXPECT_EQ(ScriptControl("JSCRIPT").Eval("7 % 4").AsDouble(), 3.0);
  EXPECT_EQ(ScriptControl("JSCRIPT").Eval("6 ^ 3").AsDouble(), 5.0);  // exclusive or
  EXPECT_EQ(ScriptControl("VBSCRIPT").Eval("6 ^ 3").AsDouble(), 216.0);
}

TEST(ScriptControl, UnknownLanguageFailsTheCreation) {
  for (const char* name : {"None", "", "JavaScript", "Python", "VB Script"}) {
    try {
      ScriptControl sc(name);
      FAIL() << name;
    } catch (const EScriptError& e) {
      EXPECT_EQ(e.Message(), std::string("Unknown script language \"") + name + "\"");
    }
  }
}

// No name that reaches outside the interpreter exists in the JScript
// global object: it holds exactly the standard built-ins.
TEST(ScriptControl, JScriptSeesOnlyStandardBuiltIns) {
  ScriptControl js("JScript");
  const std::string names =
      js.Eval("Object.getOwnPropertyNames(new Function('return this')()).sort().join(' ')")
          .AsString();
  std::set<std::string> got;
  std::istringstream in(names);
  for (std::string n; in >> n;) got.insert(n);
  const std::set<std::string> standard = {
      "globalThis", "NaN", "Infinity", "undefined", "Object", "Function", "Array", "String",
      "Boolean", "Number", "Date", "RegExp", "Error", "EvalError", "RangeError",
      "ReferenceError", "SyntaxError", "TypeError", "URIError", "Math", "JSON", "CBOR", "Proxy",
      "Reflect", "Symbol", "Buffer", "ArrayBuffer", "DataView", "Int8Array", "Uint8Array",
      "Uint8ClampedArray", "Int16Array", "Uint16Array", "Int32Array", "Uint32Array",
      "Float32Array", "Float64Array", "parseInt", "parseFloat", "TextEncoder", "TextDecoder",
      "performance", "eval", "isNaN", "isFinite", "decodeURI", "decodeURIComponent",
      "encodeURI", "encodeURIComponent", "escape", "unescape"};
  for (const std::string& n : got) EXPECT_TRUE(standard.count(n) != 0) << "unexpected global " << n;
  for (const char* host : {"Duktape", "require", "module", "exports", "print", "alert",
                           "process", "load", "readFile", "XMLHttpRequest", "fetch", "os"})
    EXPECT_EQ(js.Eval(std::string("typeof ") + host).AsString(), "undefined") << host;
  EXPECT_THROW(js.Eval("require('fs').readFileSync('/etc/passwd')"), EScriptError);
  EXPECT_THROW(js.Eval("new Function('return Duktape.act(-1)')()"), EScriptError);
}

TEST(ScriptControl, VBScriptHasNoObjectsOrDynamicCode) {
  ScriptControl vb("VBScript");
  for (const char* code :
       {"Set fso = CreateObject(\"Scripting.FileSystemObject\")",
        "x = CreateObject(\"WScript.Shell\")", "x = GetObject(\"winmgmts:\")",
        "Execute \"x = 1\"", "ExecuteGlobal \"x = 1\"", "x = Eval(\"1\")", "x = WScript.Echo",
        "Shell \"rm -rf /\""}) {
    EXPECT_THROW(vb.AddCode(code), EScriptError) << code;
  }
}

TEST(ScriptControl, JScriptEndlessLoopIsStopped) {
  ScriptControl js("JScript", ShortLimits());
  js.AddCode("var n = 1; function Spin() { while (true) { n++; } }");
  const auto start = Clock::now();
  EXPECT_THROW(js.Eval("Spin()"), EScriptTimeout);
  EXPECT_LT(Clock::now() - start, milliseconds(5000));
  // A loop that catches the stop and spins on is stopped as well.
  EXPECT_THROW(js.AddCode("while (true) { try { Spin(); } catch (e) { n = 0; } finally { n = 1; } }"),
               EScriptTimeout);
  EXPECT_EQ(js.Eval("n > 1").AsBoolean(), true);
  EXPECT_EQ(js.Eval("2 * 21").AsDouble(), 42.0);  // the scope is still there
}

TEST(ScriptControl, VBScriptRunawayRecursionIsStopped) {
  ScriptControl vb("VBScript", ShortLimits());
  vb.AddCode(
      "Function Deep(n)\r\n  Deep = Deep(n + 1)\r\nEnd Function\r\n"
      "Function Wide(n)\r\n  If n = 0 Then\r\n    Wide = 1\r\n  Else\r\n"
      "    Wide = Wide(n - 1) + Wide(n - 1)\r\n  End If\r\nEnd Function\r\n");
  try {
    vb.Eval("Deep(1)");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_NE(e.Message().find("Out of stack space"), std::string::npos) << e.Message();
  }
  const auto start = Clock::now();
  EXPECT_THROW(vb.Eval("Wide(60)"), EScriptTimeout);
  EXPECT_LT(Clock::now() - start, milliseconds(5000));
  EXPECT_EQ(vb.Eval("Wide(3)").AsDouble(), 8.0);
}

TEST(ScriptControl, RepeatedTimeoutsStopTheControl) {
  ScriptControl js("JScript", ShortLimits(100));
  js.AddCode("function Spin() { for (;;) {} }");
  for (int i = 0; i < 3; ++i) EXPECT_THROW(js.Eval("Spin()"), EScriptTimeout);
  const auto start = Clock::now();
  try {
    js.Eval("1 + 1");
    FAIL();
  } catch (const EScriptTimeout& e) {
    EXPECT_NE(e.Message().find("3 times"), std::string::npos) << e.Message();
  }
  EXPECT_LT(Clock::now() - start, milliseconds(100));
  // Script errors are no timeouts: they never stop the control.
  ScriptControl vb("VBScript", ShortLimits(100));
  for (int i = 0; i < 10; ++i) EXPECT_THROW(vb.Eval("1 / 0"), EScriptError);
  EXPECT_EQ(vb.Eval("1 + 1").AsDouble(), 2.0);
}

// The memory limit ends them, not the time limit.
TEST(ScriptControl, MemoryHungryScriptsFail) {
  TScriptLimits limits = ShortLimits(20000);
  limits.MemoryBytes = 8u << 20;
  ScriptControl js("JScript", limits);
  for (const char* code : {"var s = 'x'; while (true) s += s;", "'x'.repeat(1e9)",
                           "var a = []; for (var i = 0; i < 1e8; i++) a.push(i);"}) {
    const auto start = Clock::now();
    try {
      js.AddCode(code);
      FAIL() << code;
    } catch (const EScriptTimeout& e) {
      FAIL() << code << ": " << e.Message();
    } catch (const EScriptError& e) {
      EXPECT_NE(e.Message().find("alloc failed"), std::string::npos) << e.Message();
    }
    EXPECT_LT(Clock::now() - start, milliseconds(10000)) << code;
  }
  EXPECT_EQ(js.Eval("'ok'").AsString(), "ok");

  ScriptControl vb("VBScript", ShortLimits(20000));
  vb.AddCode("Function Twice(s, n)\r\nIf n = 0 Then Twice = s Else Twice = Twice(s & s, n - 1)\r\n"
             "End Function");
  try {
    vb.Eval("Twice(\"x\", 100)");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_NE(e.Message().find("Out of memory"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(vb.Eval("Twice(\"ab\", 2)").AsString(), "abababab");
}

// Built-ins run in native code, outside the time check of the bytecode;
// as they allocate while they work, the allocator stops them.
TEST(ScriptControl, LongNativeBuiltInsAreStoppedOnTime) {
  ScriptControl js("JScript", ShortLimits(300));
  const auto start = Clock::now();
  EXPECT_THROW(js.Eval("new Array(50000000).join('x').length"), EScriptTimeout);
  EXPECT_LT(Clock::now() - start, milliseconds(5000));
  EXPECT_EQ(js.Eval("[1, 2].join('x')").AsString(), "1x2");
}

// A regular expression backtracks in native code, outside the time check;
// its own step limit (lowered in our build from some 15 s of work to a
// fraction of a second) ends it well before a long time limit would.
TEST(ScriptControl, CatastrophicRegularExpressionEnds) {
  ScriptControl js("JScript", ShortLimits(20000));
  for (const char* re : {"/^(a+)+$/", "/^(?:a|a)+$/"}) {
    const auto start = Clock::now();
    try {
      js.Eval(std::string(re) + ".test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!')");
      FAIL() << re;
    } catch (const EScriptTimeout& e) {
      FAIL() << re << ": " << e.Message();
    } catch (const EScriptError& e) {
      EXPECT_NE(e.Message().find("regexp step limit"), std::string::npos) << e.Message();
    }
    EXPECT_LT(Clock::now() - start, milliseconds(10000)) << re;
  }
}

TEST(ScriptControl, HostileVBScriptTextFailsCleanly) {
  ScriptControl vb("VBScript");
  EXPECT_THROW(vb.Eval(std::string(5000, '(') + "1" + std::string(5000, ')')), EScriptError);
  std::string sum = "1";
  for (int i = 0; i < 20000; ++i) sum += "+1";
  EXPECT_THROW(vb.Eval(sum), EScriptError);
  std::string ifs;
  for (int i = 0; i < 5000; ++i) ifs += "If 1 Then\n";
  EXPECT_THROW(vb.AddCode(ifs), EScriptError);
  EXPECT_THROW(vb.AddCode(std::string(1, '\0')), EScriptError);
  EXPECT_EQ(vb.Eval("1+1").AsDouble(), 2.0);
}

}  // namespace
}  // namespace tv
