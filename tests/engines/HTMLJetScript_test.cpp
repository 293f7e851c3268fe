// Formula cells through the script-control hook. The control here is a
// small arithmetic interpreter of our own (assignments "NAME=expression",
// + - * / and parentheses, names without regard to case, unknown names 0 as
// in VBScript); the tests check what the engine sends to the control and
// what it writes back into the cells.
#include "engines/HTMLJetScript.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

struct ScriptLog {
  std::vector<std::string> languages;
  std::vector<std::string> code;
  int made = 0;
};

class ArithmeticScript : public TScriptControl {
 public:
  explicit ArithmeticScript(ScriptLog& log) : log_(log) {}
  void SetLanguage(const std::string& language) override { log_.languages.push_back(language); }
  void AddCode(const std::string& code) override {
    log_.code.push_back(code);
    const std::size_t eq = code.find('=');
    if (eq == std::string::npos) return;  // a script file: definitions only
    text_ = code.substr(eq + 1);
    pos_ = 0;
    const double value = Sum();
    Skip();
    if (pos_ != text_.size()) throw Exception("syntax error in " + code);
    vars_[Upper(code.substr(0, eq))] = value;
  }
  double Eval(const std::string& expression) override {
    const auto it = vars_.find(Upper(expression));
    if (it == vars_.end()) throw Exception("undefined " + expression);
    return it->second;
  }

 private:
  static std::string Upper(std::string s) {
    std::string out;
    for (char c : s)
      if (c != ' ') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
  }
  void Skip() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  double Sum() {
    double value = Product();
    for (Skip(); pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'); Skip()) {
      const char op = text_[pos_++];
      const double right = Product();
      value = op == '+' ? value + right : value - right;
    }
    return value;
  }
  double Product() {
    double value = Factor();
    for (Skip(); pos_ < text_.size() && (text_[pos_] == '*' || text_[pos_] == '/'); Skip()) {
      const char op = text_[pos_++];
      const double right = Factor();
      value = op == '*' ? value * right : value / right;
    }
    return value;
  }
  double Factor() {
    Skip();
    if (pos_ >= text_.size()) throw Exception("syntax error");
    const char c = text_[pos_];
    if (c == '-') {
      ++pos_;
      return -Factor();
    }
    if (c == '(') {
      ++pos_;
      const double value = Sum();
      Skip();
      if (pos_ >= text_.size() || text_[pos_] != ')') throw Exception("missing )");
      ++pos_;
      return value;
    }
    const std::size_t start = pos_;
    if (std::isdigit(static_cast<unsigned char>(c))) {
      while (pos_ < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
        ++pos_;
      return std::stod(text_.substr(start, pos_ - start));
    }
    while (pos_ < text_.size() &&
           (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
      ++pos_;
    if (pos_ == start) throw Exception("syntax error");
    const auto it = vars_.find(Upper(text_.substr(start, pos_ - start)));
    return it == vars_.end() ? 0 : it->second;
  }

  ScriptLog& log_;
  std::map<std::string, double> vars_;
  std::string text_;
  std::size_t pos_ = 0;
};

const char* const kRecordTable =
    "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
    "<tr><td>&lt;#Summa&gt;</td><td>%CELLS%</td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
    "<tr><td>&lt;#Itog&gt;</td></tr>\n<tr><td>&lt;#Summa&gt;</td><td>%TOTALS%</td></tr>\n"
    "<tr><td>&lt;#EndItog&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";

class HTMLJetScript : public ::testing::Test {
 protected:
  void SetUp() override {
    SetScriptControlFactory([this] {
      ++log_.made;
      if (failCreation_) throw Exception("Class not registered");
      return std::make_unique<ArithmeticScript>(log_);
    });
  }
  void TearDown() override {
    SetScriptControlFactory(nullptr);
    HTMLJet::HTMLJetLogger = nullptr;
  }
  // The record and totals rows of kRecordTable with the given cells, one
  // record with Summa = 118, totals by MakeItog2.
  std::string Render(const std::string& params, const std::string& cells,
                     const std::string& totals = "") {
    std::string text = params + kRecordTable;
    text.replace(text.find("%CELLS%"), 7, cells);
    text.replace(text.find("%TOTALS%"), 8, totals);
    WriteCp1251File(kWebRepDir + std::string("f.html"), text);
    THTML_Jet jet(kWebRepDir + std::string("f.html"));
    jet.Init();
    hasScript_ = jet.HasScript();
    jet.AddFloat("Summa", "%.2n", 118);
    jet.EndLine();
    jet.MakeItog2("%.2n");
    jet.EndIGroup();
    std::string out;
    jet.GetReady(out);
    const std::string doc = ToUtf8Lf(out);
    const std::size_t row = doc.find("<tr><td><nobr>");
    return doc.substr(row, doc.find("\n\n", row) - row);
  }

  TempRoot root_;
  JetSettingsScope settings_;
  ScriptLog log_;
  bool failCreation_ = false;
  bool hasScript_ = false;
};

TEST_F(HTMLJetScript, LanguageComesFromTheTemplate) {
  Render("", "");
  Render("&lt;#paramrep ScriptLang=jscript&gt;", "");
  EXPECT_EQ(log_.languages, (std::vector<std::string>{"VBSCRIPT", "JSCRIPT"}));
  const int made = log_.made;
  EXPECT_EQ(Render("&lt;#paramrep ScriptLang=None&gt;", "&lt;#(=summa*2)&gt;"),
            "<tr><td><nobr>118,00</nobr></td><td>&nbsp;</td></tr>\n"
            "<tr><td><nobr>118,00</nobr></td><td></td></tr>");
  EXPECT_EQ(log_.made, made);
  EXPECT_FALSE(hasScript_);
}

TEST_F(HTMLJetScript, NamedFormulasSeeTheNumbersOfTheRecord) {
  EXPECT_EQ(Render("&lt;#paramrep ScriptValues=PSum = Summa * 100 / 118; NDSSum = Summa - PSum&gt;",
                   "&lt;#PSum&gt;</td><td>&lt;#NDSSum&gt;"),
            "<tr><td><nobr>118,00</nobr></td><td><nobr>100,00</nobr></td><td><nobr>18,00</nobr></"
            "td></tr>\n"
            "<tr><td><nobr>118,00</nobr></td><td></td></tr>");
  EXPECT_EQ(log_.code, (std::vector<std::string>{"SUMMA=118", "PSUM= Summa * 100 / 118",
                                                 "NDSSUM= Summa - PSum", "SUMMA=118"}));
}

TEST_F(HTMLJetScript, AnonymousFormulasAreNumberedAndBrokenOnesStayBlank) {
  EXPECT_EQ(
      Render("",
             "&lt;#(=Summa*2)&gt;</td><td>&lt;#(=tempvar_1+1)&gt;</td><td>&lt;#Bad(=summa*)&gt;"),
      "<tr><td><nobr>118,00</nobr></td><td><nobr>236,00</nobr></td><td><nobr>237,00</nobr></td>"
      "<td>&nbsp;</td></tr>\n<tr><td><nobr>118,00</nobr></td><td></td></tr>");
  EXPECT_EQ(log_.code[1], "TEMPVAR_1=summa*2");
  EXPECT_EQ(log_.code[2], "TEMPVAR_2=tempvar_1+1");
  EXPECT_EQ(log_.code[3], "BAD=summa*");
}

TEST_F(HTMLJetScript, TotalsFormulasUseTheRunningSums) {
  EXPECT_EQ(Render("", "x", "&lt;#Half(=summa/2)&gt;"),
            "<tr><td><nobr>118,00</nobr></td><td>x</td></tr>\n"
            "<tr><td><nobr>118,00</nobr></td><td><nobr>59,00</nobr></td></tr>");
}

TEST_F(HTMLJetScript, AliasGivesCyrillicNamesAScriptIdentifier) {
  WriteCp1251File(
      kWebRepDir + std::string("a.html"),
      "&lt;#paramrep ScriptAlias=Сумма=SUMMA&gt;&lt;#Сумма&gt; &lt;#Double(=summa*2)&gt;");
  THTML_Jet jet(kWebRepDir + std::string("a.html"));
  jet.Init();
  jet.AddFloat(Utf8ToCp1251("Сумма"), "%.2n", 5);
  std::string out;
  jet.GetReady(out);
  EXPECT_EQ(out, "<nobr>5,00</nobr> <nobr>10,00</nobr>\r\n");
  EXPECT_EQ(log_.code.front(), "SUMMA=5");
}

TEST_F(HTMLJetScript, ScriptFileIsRunFromTheTemplateFolder) {
  WriteCp1251File(kWebRepDir + std::string("lib.vbs"), "Function F(x)\nF = x\nEnd Function");
  Render("&lt;#paramrep ScriptFile=lib.vbs&gt;", "");
  ASSERT_FALSE(log_.code.empty());
  EXPECT_EQ(log_.code.front(), "Function F(x)\r\nF = x\r\nEnd Function\r\n");
}

TEST_F(HTMLJetScript, ControlThatCannotBeMadeIsLoggedAndFormulasStayBlank) {
  ForceDirectories("C:\\FUEL\\LogFiles\\");
  TFileLogger logger("C:\\FUEL\\LogFiles\\Reports.log");
  HTMLJet::HTMLJetLogger = &logger;
  failCreation_ = true;
  EXPECT_EQ(Render("", "&lt;#(=summa*2)&gt;"),
            "<tr><td><nobr>118,00</nobr></td><td>&nbsp;</td></tr>\n"
            "<tr><td><nobr>118,00</nobr></td><td></td></tr>");
  EXPECT_FALSE(hasScript_);
  const std::string log = ReadFileBytes("C:\\FUEL\\LogFiles\\Reports.log");
  EXPECT_NE(log.find("THTML_Jet.InitScriptControl -> Class not registered (Language=VBSCRIPT)"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace tv::test
