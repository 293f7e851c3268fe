// The VBScript subset against the language's documented behaviour: the
// expected values are those the language reference gives for these
// operators and functions, worked by hand.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Cp1251.h"
#include "platform/script/ScriptControl.h"

namespace tv {
namespace {

class ScriptVBScript : public ::testing::Test {
 protected:
  double Num(const std::string& expr) { return vb.Eval(expr).AsDouble(); }
  std::string Text(const std::string& expr) { return vb.Eval(expr).AsString(); }
  // The runtime error text of an expression, "" when it has none.
  std::string ErrorOf(const std::string& expr) {
    try {
      vb.Eval(expr);
    } catch (const EScriptError& e) {
      return e.Message();
    }
    return "";
  }
  ScriptControl vb{"VBScript"};
};

TEST_F(ScriptVBScript, RoundingHalvesToEven) {
  EXPECT_EQ(Num("Round(2.5)"), 2);
  EXPECT_EQ(Num("Round(3.5)"), 4);
  EXPECT_EQ(Num("Round(-2.5)"), -2);
  EXPECT_EQ(Num("Round(0.5)"), 0);
  EXPECT_EQ(Num("Round(2.567, 2)"), 2.57);
  EXPECT_EQ(Num("Round(0.125, 2)"), 0.12);
  EXPECT_EQ(Num("Round(7)"), 7);
  EXPECT_EQ(Num("CInt(2.5)"), 2);
  EXPECT_EQ(Num("CInt(3.5)"), 4);
  EXPECT_EQ(Num("CInt(-0.5)"), 0);
  EXPECT_EQ(Num("CLng(1.5)"), 2);
  EXPECT_EQ(Num("CLng(-2.5)"), -2);
  EXPECT_EQ(Num("CDbl(7) / 2"), 3.5);
  EXPECT_NE(ErrorOf("CInt(32767.5)").find("Overflow"), std::string::npos);
  EXPECT_NE(ErrorOf("CInt(40000)").find("Overflow"), std::string::npos);
  EXPECT_NE(ErrorOf("CLng(2147483648)").find("Overflow"), std::string::npos);
  EXPECT_NE(ErrorOf("Round(1.5, -1)").find("Invalid procedure call"), std::string::npos);
}

TEST_F(ScriptVBScript, IntegerDivisionAndModRoundTheirOperands) {
  EXPECT_EQ(Num("7 \\ 2"), 3);
  EXPECT_EQ(Num("-7 \\ 2"), -3);
  EXPECT_EQ(Num("7.5 \\ 2"), 4);  // 8 \ 2
  EXPECT_EQ(Num("6.5 \\ 2"), 3);  // 6 \ 2
  EXPECT_EQ(Num("7 Mod 3"), 1);
  EXPECT_EQ(Num("-7 Mod 3"), -1);
  EXPECT_EQ(Num("7 Mod -3"), 1);
  EXPECT_EQ(Num("6.5 Mod 4"), 2);  // 6 Mod 4
  EXPECT_EQ(Num("7.5 Mod 4"), 0);  // 8 Mod 4
  EXPECT_EQ(Num("2 ^ 3"), 8);
  EXPECT_EQ(Num("2 ^ -1"), 0.5);
  EXPECT_EQ(Num("-2 ^ 2"), -4);    // ^ binds tighter than the sign
  EXPECT_EQ(Num("2 ^ 3 ^ 2"), 64);  // left to right
  EXPECT_EQ(Num("10 / 4"), 2.5);
}

TEST_F(ScriptVBScript, DivisionByZeroAndOverflowFail) {
  EXPECT_NE(ErrorOf("1 / 0").find("Division by zero"), std::string::npos);
  EXPECT_NE(ErrorOf("5 \\ 0").find("Division by zero"), std::string::npos);
  EXPECT_NE(ErrorOf("5 Mod 0.4").find("Division by zero"), std::string::npos);  // 0.4 -> 0
  EXPECT_NE(ErrorOf("0 / 0").find("Overflow"), std::string::npos);
  EXPECT_NE(ErrorOf("1E308 * 10").find("Overflow"), std::string::npos);
  EXPECT_NE(ErrorOf("(-8) ^ (1 / 3)").find("Invalid procedure call"), std::string::npos);
  EXPECT_NE(ErrorOf("Sqr(-1)").find("Invalid procedure call"), std::string::npos);
  EXPECT_EQ(ErrorOf("1 / 0"), "VBScript runtime error: Division by zero (line 1)");
}

TEST_F(ScriptVBScript, PrecedenceOfTheOperators) {
  EXPECT_EQ(Num("1 + 2 * 3"), 7);
  EXPECT_EQ(Num("10 - 2 - 3"), 5);
  EXPECT_EQ(Num("2 * 3 Mod 4"), 2);    // (2 * 3) Mod 4
  EXPECT_EQ(Num("10 \\ 3 * 2"), 1);    // 10 \ (3 * 2)
  EXPECT_EQ(Num("7 Mod 3 \\ 2"), 0);   // 7 Mod (3 \ 2)
  EXPECT_EQ(Num("(1 + 2) * 3"), 9);
  EXPECT_EQ(Text("1 + 2 & 3"), "33");  // + before &
  EXPECT_EQ(vb.Eval("1 = 1 And 2 > 1").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("Not 1 = 2").AsBoolean(), true);  // Not (1 = 2)
  EXPECT_EQ(Num("Not 0"), -1);
  EXPECT_EQ(Num("5 And 3"), 1);
  EXPECT_EQ(Num("5 Or 3"), 7);
  EXPECT_EQ(Num("5 Xor 3"), 6);
  EXPECT_EQ(vb.Eval("True Eqv False").AsBoolean(), false);
  EXPECT_EQ(vb.Eval("False Imp False").AsBoolean(), true);
  EXPECT_EQ(Num("True + True"), -2);
}

TEST_F(ScriptVBScript, TypesWidenOnOverflow) {
  EXPECT_EQ(vb.Eval("1 + 1").Type(), VarType::Smallint);  // Integer
  const Variant wide = vb.Eval("32767 + 1");
  EXPECT_EQ(wide.Type(), VarType::Integer);  // Long
  EXPECT_EQ(wide.AsDouble(), 32768);
  const Variant wider = vb.Eval("2147483647 + 1");
  EXPECT_EQ(wider.Type(), VarType::Double);
  EXPECT_EQ(wider.AsDouble(), 2147483648.0);
  EXPECT_EQ(vb.Eval("6 / 3").Type(), VarType::Double);
  EXPECT_EQ(vb.Eval("7 \\ 2").Type(), VarType::Smallint);
  EXPECT_EQ(vb.Eval("70000 \\ 2").Type(), VarType::Integer);
  EXPECT_EQ(vb.Eval("1 = 1").Type(), VarType::Boolean);
  EXPECT_EQ(Num("&HFF"), 255);
  EXPECT_EQ(Num("&HFFFF"), -1);
}

TEST_F(ScriptVBScript, ComparisonsAndTexts) {
  EXPECT_EQ(vb.Eval("2 < 10").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("\"2\" < \"10\"").AsBoolean(), false);  // texts compare as texts
  EXPECT_EQ(vb.Eval("1 = 1.0").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("Empty = 0").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("Empty = \"\"").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("1 <> 2").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("3 >= 3").AsBoolean(), true);
  EXPECT_EQ(vb.Eval("3 <= 2").AsBoolean(), false);
  EXPECT_EQ(Text("1 & 2"), "12");
  EXPECT_EQ(Text("1.5 & \"\""), "1,5");  // the locale's decimal separator
  EXPECT_EQ(Text("\"a\"\"b\" & True"), "a\"bTrue");
  EXPECT_EQ(Num("\"1,5\" + 1"), 2.5);
  EXPECT_EQ(Text("\"1,5\" + \"1\""), "1,51");
  EXPECT_NE(ErrorOf("\"abc\" * 2").find("Type mismatch"), std::string::npos);
  EXPECT_EQ(vb.Eval("\"" + "Сумма"_w + "\"").AsString(), "Сумма"_w);
}

TEST_F(ScriptVBScript, NumericFunctions) {
  EXPECT_EQ(Num("Abs(-3)"), 3);
  EXPECT_EQ(Num("Abs(-2.5)"), 2.5);
  EXPECT_EQ(Num("Int(-2.5)"), -3);
  EXPECT_EQ(Num("Fix(-2.5)"), -2);
  EXPECT_EQ(Num("Int(2.7)"), 2);
  EXPECT_EQ(Num("Fix(2.7)"), 2);
  EXPECT_EQ(Num("Sgn(-0.1)"), -1);
  EXPECT_EQ(Num("Sgn(0)"), 0);
  EXPECT_EQ(Num("Sgn(12)"), 1);
  EXPECT_EQ(Num("Sqr(16)"), 4);
  EXPECT_EQ(Num("CDbl(\"1,5\")"), 1.5);
  EXPECT_EQ(Num("abs(-1) + ABS(-1) + aBs(-1)"), 3);
  EXPECT_NE(ErrorOf("CDbl(\"abc\")").find("Type mismatch"), std::string::npos);
  EXPECT_NE(ErrorOf("Abs(1, 2)").find("Wrong number of arguments"), std::string::npos);
  EXPECT_NE(ErrorOf("Abs").find("Wrong number of arguments"), std::string::npos);
  EXPECT_NE(ErrorOf("Len(\"abc\")").find("Type mismatch: 'LEN'"), std::string::npos);
}

TEST_F(ScriptVBScript, NamesIgnoreLetterCaseAndUnsetNamesAreEmpty) {
  vb.AddCode("Summa = 118");
  EXPECT_EQ(Num("summa"), 118);
  EXPECT_EQ(Num("SUMMA"), 118);
  EXPECT_EQ(Num("SuMmA"), 118);
  vb.AddCode("PSUM = Summa * 100 / 118\r\nndssum = SUMMA - psum");
  EXPECT_EQ(Num("PSum"), 100);
  EXPECT_EQ(Num("NDSSum"), 18);
  EXPECT_TRUE(vb.Eval("NeverSet").IsEmpty());
  EXPECT_EQ(Num("NeverSet + 1"), 1);
}

TEST_F(ScriptVBScript, IfThenElse) {
  vb.AddCode(
      "x = 5\r\n"
      "If x > 10 Then\r\n  r = \"big\"\r\nElseIf x > 3 Then\r\n  r = \"middle\"\r\n"
      "Else\r\n  r = \"small\"\r\nEnd If\r\n"
      "If x = 5 Then a = 1 Else a = 2\r\n"
      "If x <> 5 Then b = 1 Else b = 2: c = 3\r\n"
      "if x then d = 4 : e = 5 end if");
  EXPECT_EQ(Text("r"), "middle");
  EXPECT_EQ(Num("a"), 1);
  EXPECT_EQ(Num("b"), 2);
  EXPECT_EQ(Num("c"), 3);
  EXPECT_EQ(Num("d + e"), 9);
}

TEST_F(ScriptVBScript, FunctionsOfAScriptFile) {
  vb.AddCode(
      "' named formulas of the receipt report\r\n"
      "Function Nds(sum, rate)\r\n"
      "  Dim k\r\n"
      "  k = rate / (100 + rate)\r\n"
      "  Nds = Round(sum * k, 2)\r\n"
      "End Function\r\n"
      "Rem factorial\r\n"
      "Function Fact(n)\r\n"
      "  If n <= 1 Then\r\n    Fact = 1\r\n    Exit Function\r\n  End If\r\n"
      "  Fact = n * _\r\n    Fact(n - 1)\r\n"
      "End Function\r\n"
      "Function Inc(n)\r\n  n = n + 1\r\n  Inc = n\r\nEnd Function\r\n"
      "Function IncByVal(ByVal n)\r\n  n = n + 1\r\n  IncByVal = n\r\nEnd Function\r\n"
      "Function Scratch()\r\n  tmp = 7\r\n  total = total + tmp\r\n  Scratch = tmp\r\nEnd Function\r\n"
      "early = Fact(5)  ' called above its definition\r\n");
  EXPECT_EQ(Num("Nds(118, 18)"), 18);
  EXPECT_EQ(Num("NDS(100, 20)"), 16.67);
  EXPECT_EQ(Num("Fact(10)"), 3628800);
  EXPECT_EQ(Num("early"), 120);
  vb.AddCode("a = 1\r\nb = Inc(a)\r\nc = Inc((a))\r\nd = IncByVal(a)");
  EXPECT_EQ(Num("a"), 2);  // ByRef by default; "(a)" and ByVal pass a copy
  EXPECT_EQ(Num("b"), 2);
  EXPECT_EQ(Num("c"), 3);
  EXPECT_EQ(Num("d"), 3);
  vb.AddCode("total = 10");
  EXPECT_EQ(Num("Scratch()"), 7);
  EXPECT_EQ(Num("total"), 17);          // an existing global is shared
  EXPECT_TRUE(vb.Eval("tmp").IsEmpty());  // a new name in a function is local
  EXPECT_EQ(Num("Scratch"), 7);           // called without parentheses
  EXPECT_NE(ErrorOf("Fact(1, 2)").find("Wrong number of arguments"), std::string::npos);
  EXPECT_THROW(vb.AddCode("Fact = 3"), EScriptError);
}

TEST_F(ScriptVBScript, RuntimeErrorStopsAtTheFailingStatement) {
  try {
    vb.AddCode("A = 1\r\nB = 1 / 0\r\nC = 3");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Message(), "VBScript runtime error: Division by zero (line 2)");
  }
  EXPECT_EQ(Num("A"), 1);
  EXPECT_TRUE(vb.Eval("B").IsEmpty());
  EXPECT_TRUE(vb.Eval("C").IsEmpty());
}

TEST_F(ScriptVBScript, TextOutsideTheSubsetIsAScriptError) {
  for (const char* code :
       {"X = ", "X = (1", "X = 1 +* 2", "For i = 1 To 3\r\nNext", "Do While True\r\nLoop",
        "While True\r\nWend", "Set x = 1", "Call F()", "Dim a(5)", "x = #1/1/2000#",
        "Option Explicit", "Sub S()\r\nEnd Sub", "X.Y = 1", "x = Null", "x = 1 Is 2",
        "x = \"open", "Function F()\r\nx = 1", "If 1 Then\r\nx = 1", "End If", "Exit Function",
        "x = Chr(65)", "x = [a b]", "Function If()\r\nEnd Function", "Mod = 1",
        "Function F()\r\nFunction G()\r\nEnd Function\r\nEnd Function"}) {
    SCOPED_TRACE(code);
    EXPECT_THROW(vb.AddCode(code), EScriptError);
  }
  try {
    vb.AddCode("x = 1\r\ny = 2 +");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Message(), "VBScript compilation error: Expected expression (line 2)");
  }
  EXPECT_TRUE(vb.Eval("x").IsEmpty());  // a compilation error runs nothing
  EXPECT_THROW(vb.Eval("1 2"), EScriptError);
  EXPECT_THROW(vb.Eval("x = 1 : y = 2"), EScriptError);
}

// Parsed texts are kept: a repeated text runs again with the values of
// the moment, and more texts than the cache holds still run.
TEST_F(ScriptVBScript, RepeatedTextsRunAfresh) {
  for (int i = 0; i < 3; ++i) vb.AddCode("N = N + 1");
  EXPECT_EQ(Num("N"), 3);
  vb.AddCode("Function F(x)\r\nF = x + 1\r\nEnd Function");
  EXPECT_EQ(Num("F(N)"), 4);
  vb.AddCode("Function F(x)\r\nF = x * 10\r\nEnd Function");
  EXPECT_EQ(Num("F(N)"), 30);
  vb.AddCode("Function F(x)\r\nF = x + 1\r\nEnd Function");
  EXPECT_EQ(Num("F(N)"), 4);
  for (int i = 0; i < 600; ++i) {
    vb.AddCode("V" + std::to_string(i) + " = " + std::to_string(i) + " * 2");
    ASSERT_EQ(Num("V" + std::to_string(i)), i * 2);
  }
  EXPECT_EQ(Num("V0 + V599"), 1198);
  for (int i = 0; i < 3; ++i) vb.AddCode("N = N + 1");
  EXPECT_EQ(Num("N"), 6);
  EXPECT_THROW(vb.AddCode("X = (1"), EScriptError);
  EXPECT_THROW(vb.AddCode("X = (1"), EScriptError);
}

TEST_F(ScriptVBScript, AssignmentsAsTheEngineWritesThem) {
  // Values arrive with "." as decimal separator and in exponent form.
  vb.AddCode("SUMMA=1234.56");
  vb.AddCode("TINY=1E-5");
  vb.AddCode("NEG=-2.5E3");
  EXPECT_EQ(Num("SUMMA"), 1234.56);
  EXPECT_EQ(Num("TINY"), 1e-5);
  EXPECT_EQ(Num("NEG"), -2500);
  vb.AddCode("TEMPVAR_1=summa * 2");
  EXPECT_EQ(Num("TEMPVAR_1"), 2469.12);
  // Such texts are read without the parser; they must mean what they say.
  vb.AddCode("W=32767");
  EXPECT_EQ(vb.Eval("W").Type(), VarType::Smallint);
  vb.AddCode("W=-32768");
  EXPECT_EQ(vb.Eval("W").Type(), VarType::Integer);  // -(32768), a Long
  vb.AddCode("W=2147483648");
  EXPECT_EQ(vb.Eval("W").Type(), VarType::Double);
  vb.AddCode("W=5.");
  EXPECT_EQ(vb.Eval("W").Type(), VarType::Double);
  vb.AddCode("w_2=007");
  EXPECT_EQ(Num("W_2"), 7);
  EXPECT_THROW(vb.AddCode("Mod=1"), EScriptError);
  EXPECT_THROW(vb.AddCode("Abs=1"), EScriptError);
  EXPECT_THROW(vb.AddCode("X=1E999"), EScriptError);
  EXPECT_THROW(vb.AddCode("X=1E"), EScriptError);
  vb.AddCode("X=--1");  // the parser's turn: a double sign
  EXPECT_EQ(Num("X"), 1);
  EXPECT_EQ(vb.Eval("1 = 1").AsDouble(), -1);  // True reads as -1
}

}  // namespace
}  // namespace tv
