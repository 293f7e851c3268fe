// THTML_Jet edge cases, grouped by feature: template choice and loading,
// placeholders and their formats, lists, totals, headers, parameters,
// includes, sub-tables and global lists. Expected texts are worked out by
// hand from the template rules.
#include "engines/HTMLJet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

class HTMLJetTest : public ::testing::Test {
 protected:
  // Renders a template (UTF-8 text, lines joined with CR LF on loading)
  // and returns the document as UTF-8 with LF line ends.
  std::string Render(const std::string& templateUtf8, const std::function<void(THTML_Jet&)>& fill,
                     bool flag = false, int limit = 0) {
    WriteCp1251File(Path("t.html"), templateUtf8);
    THTML_Jet jet(Path("t.html"), flag, limit);
    jet.Init();
    fill(jet);
    std::string out;
    jet.GetReady(out);
    return ToUtf8Lf(out);
  }
  static std::string Path(const std::string& name) { return kWebRepDir + Utf8ToCp1251(name); }
  static std::string W(const char* utf8) { return Utf8ToCp1251(utf8); }

  TempRoot root_;
  JetSettingsScope settings_;
  GlobalListsScope lists_;
};

const std::function<void(THTML_Jet&)> kNoValues = [](THTML_Jet&) {};

// --- Template choice and loading ---------------------------------------

TEST_F(HTMLJetTest, AlternativeTemplatesPreferLatinThenCyrillic) {
  WriteCp1251File(Path("r.html"), "named");
  WriteCp1251File(Path("а_r.html"), "cyrillic");  // Cyrillic "а"
  WriteCp1251File(Path("a_r.html"), "latin");
  auto text = [](const std::string& file) {
    THTML_Jet jet(file);
    jet.Init();
    std::string out;
    jet.GetReady(out);
    return out;
  };
  HTMLJet::UseAltTemplates = true;
  EXPECT_EQ(text(Path("r.html")), "latin\r\n");
  EXPECT_EQ(THTML_Jet(Path("r.html")).FileName(), Path("a_r.html"));
  DeleteFile(Path("a_r.html"));
  EXPECT_EQ(text(Path("r.html")), "cyrillic\r\n");
  WriteCp1251File(Path("a_r.html"), "latin");
  HTMLJet::UseAltTemplates = false;
  EXPECT_EQ(text(Path("r.html")), "named\r\n");
}

TEST_F(HTMLJetTest, LoadingProblemsBecomeTheReportText) {
  THTML_Jet missing(Path("nothere.html"));
  missing.Init();
  std::string out;
  missing.GetReady(out);
  EXPECT_EQ(Cp1251ToUtf8(out),
            "Ошибка при открытии файла шаблона отчета \"C:\\FUEL\\FORMS\\WEBREP\\nothere.html\": "
            "Файл не найден!");

  THTML_Jet unnamed("");
  unnamed.Init();
  unnamed.GetReady(out);
  EXPECT_EQ(Cp1251ToUtf8(out), "Имя файла шаблона незадано");

  THTML_Jet inMemory("TempNotUse");
  inMemory.SetTemplateText("<p>&lt;#X&gt;</p>");
  inMemory.Init();
  inMemory.Add("x", "1");
  inMemory.GetReady(out);
  EXPECT_EQ(out, "<p>1</p>");
}

// The report is made all the same, so the log must tell why its HTML
// version holds only the message.
TEST_F(HTMLJetTest, ATemplateThatCannotBeLoadedIsLogged) {
  ForceDirectories("C:\\FUEL\\LogFiles\\");
  TFileLogger logger("C:\\FUEL\\LogFiles\\Reports.log");
  HTMLJet::HTMLJetLogger = &logger;
  THTML_Jet missing(Path("nothere.html"));
  missing.Init();
  HTMLJet::HTMLJetLogger = nullptr;
  const std::string log = Cp1251ToUtf8(ReadFileBytes("C:\\FUEL\\LogFiles\\Reports.log"));
  EXPECT_NE(log.find(" [ошиб] Ошибка при открытии файла шаблона отчета "
                     "\"C:\\FUEL\\FORMS\\WEBREP\\nothere.html\": Файл не найден!"),
            std::string::npos)
      << log;
}

TEST_F(HTMLJetTest, GetResultTextIsTheFileAsLoaded) {
  WriteCp1251File(Path("t.html"), "<P>&LT;#Name&GT;</P>\nline2");
  THTML_Jet jet(Path("t.html"));
  jet.Init();
  std::string text;
  jet.GetResultText(text);
  EXPECT_EQ(text, "<P>&LT;#Name&GT;</P>\r\nline2\r\n");
  jet.Add("NAME", "v");
  jet.GetReady(text);
  EXPECT_EQ(text, "<P>v</P>\r\nline2\r\n");
}

// --- Placeholders ---------------------------------------------------------

TEST_F(HTMLJetTest, NamesIgnoreCaseAndArgumentsKeepIt) {
  const TDateTime d = EncodeDate(2024, 3, 5);
  EXPECT_EQ(Render("&lt;#CheckDate(dd mmmm yyyy)&gt;|&lt;#CHECKDATE(dd MMM)&gt;|&lt;#checkdate&gt;",
                   [&](THTML_Jet& jet) { jet.AddDateTime("ChEcKdAtE", "dd.mm.yyyy", d); }),
            "05 Март 2024|05 мар|05.03.2024\n");
}

TEST_F(HTMLJetTest, DateValuesBelowZeroPrintTheFormat) {
  const std::string tmpl = "&lt;#D&gt;|&lt;#D(yyyy)&gt;";
  EXPECT_EQ(Render(tmpl, [](THTML_Jet& jet) { jet.AddDateTime("D", "dd.mm.yyyy", -1); }),
            "dd.mm.yyyy|dd.mm.yyyy\n");
  // -2 is not the "no date" mark for the argument form: it is 28.12.1899.
  EXPECT_EQ(Render(tmpl, [](THTML_Jet& jet) { jet.AddDateTime("D", "dd.mm.yyyy", -2); }),
            "dd.mm.yyyy|1899\n");
  EXPECT_EQ(Render(tmpl, [](THTML_Jet& jet) { jet.AddDateTime("D", "", EncodeDate(2024, 1, 2)); }),
            "|\n");
}

TEST_F(HTMLJetTest, NumbersUseTheReportSeparatorsAndArgumentFormats) {
  const std::string tmpl =
      "&lt;#Summa&gt;|&lt;#Summa(%.0f)&gt;|&lt;#Summa(№ %.1f)&gt;|&lt;#Summa(%d)&gt;";
  EXPECT_EQ(
      Render(tmpl, [](THTML_Jet& jet) { jet.AddFloat("Summa", "%.2n", 1234.56); }),
      "<nobr>1 234,56</nobr>|<nobr>1235</nobr>|<nobr>№ 1234,6</nobr>|<nobr>1 234,56</nobr>\n");
  EXPECT_EQ(Render(tmpl, [](THTML_Jet& jet) { jet.AddFloat("Summa", "%.2n", std::nan("")); }),
            "%.2n|%.2n|%.2n|%.2n\n");
  HTMLJet::ReportFormatSettings().DecimalSeparator = '.';
  HTMLJet::ReportFormatSettings().ThousandSeparator = ',';
  EXPECT_EQ(Render("&lt;#S&gt;", [](THTML_Jet& jet) { jet.AddFloatDefault("S", 1234567.891); }),
            "<nobr>1,234,567.89</nobr>\n");
  EXPECT_EQ(Render("&lt;#N&gt;", [](THTML_Jet& jet) { jet.AddInteger("N", 41.6); }),
            "<nobr>42</nobr>\n");
}

TEST_F(HTMLJetTest, FailingMainFormatCarriesTheOperationContext) {
  WriteCp1251File(Path("t.html"), "&lt;#X&gt;");
  THTML_Jet jet(Path("t.html"));
  jet.Init();
  try {
    jet.AddFloat("X", "%d", 1.5);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(),
              "THTML_Jet.AddFloat -> Format '%d' invalid or incompatible with argument <# "
              "EConvertError #>");
  }
}

TEST_F(HTMLJetTest, EmptyValuesAndUnfilledDirectivesPrintNbsp) {
  EXPECT_EQ(Render("<p>&lt;#A&gt;|&lt;#B&gt;|&lt;#%Комментарий, договор&gt;|&lt;#Open</p>",
                   [](THTML_Jet& jet) { jet.Add("A", ""); }),
            "<p>&nbsp;|&nbsp;|&nbsp;|&lt;#Open</p>\n");
}

TEST_F(HTMLJetTest, GlobalVariableRemovedByEmptyValueStaysUnfilled) {
  HTMLJet::SetGlobalVar("valuta", W("руб."));
  EXPECT_EQ(Render("&lt;#Valuta&gt;", kNoValues), "руб.\n");
  HTMLJet::SetGlobalVar("valuta", "");
  {
    std::lock_guard<std::mutex> guard(HTMLJet::GlobalListsLock());
    EXPECT_EQ(HTMLJet::GlobalVars().IndexOfName("valuta"), -1);
  }
  EXPECT_EQ(Render("&lt;#Valuta&gt;", kNoValues), "&nbsp;\n");
}

TEST_F(HTMLJetTest, GlobalReplacementsMatchAnyCaseButSpareVariableNames) {
  HTMLJet::AddReplacement("[#Lit]", W("л"));
  EXPECT_EQ(Render("[#sum] [#СУММА] [#lit] &lt;#[#Sum]&gt;", kNoValues), "&sum; &sum; л &nbsp;\n");
  HTMLJet::AddReplacement("[#Lit]", "");
  EXPECT_EQ(Render("[#lit]", kNoValues), "[#lit]\n");
}

// --- Lists and column repeat ---------------------------------------------

const char* const kListTable =
    "<table>\n<tr><td>H</td><td>&lt;#Cap&gt;</td><td>&lt;#Cap&gt;</td><td>&lt;#Cap&gt;</td></tr>\n"
    "<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
    "<tr><td>&lt;#V&gt;</td><td>&lt;#V&gt;</td><td>&lt;#V&gt;</td><td>x</td></tr>\n"
    "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";

TEST_F(HTMLJetTest, ListItemsFillOccurrencesInOrderAndColspanWidens) {
  HTMLJet::RepeatTableHeaderDefault = false;
  const std::string out = Render(kListTable, [](THTML_Jet& jet) {
    TStringList caps;
    caps.Add("a");
    caps.Add("");
    caps.Add("c");
    jet.Add("cap", caps);
    TStringList values;
    values.Add(Utf8ToCp1251("%colspan=3%итог"));
    jet.Add("V", values);
    jet.EndLine();
    jet.EndIGroup();
  });
  EXPECT_EQ(out,
            "<table><tr><td>H</td><td>a</td><td></td><td>c</td></tr>\n"
            "<tr><td colspan=3 >итог</td><td>x</td></tr>\n\n\n</table>\n");
}

TEST_F(HTMLJetTest, ColspanItemWithoutNumberIsAConversionError) {
  WriteCp1251File(Path("t.html"), kListTable);
  THTML_Jet jet(Path("t.html"));
  jet.Init();
  TStringList values;
  values.Add("%colspan=x%text");
  EXPECT_THROW(jet.Add("V", values), EConvertError);
  try {
    jet.Add("V", values);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("THTML_Jet.Add(Strings) -> ", 0), 0u) << e.Message();
  }
}

TEST_F(HTMLJetTest, CreateWithNegativeLimitLeavesColumnRepeatOff) {
  const std::string tmpl =
      "<table>\n<tr><td>D</td><td>&lt;#F&gt;</td></tr>\n<tr><td>&lt;#Group&gt;</td></tr>\n"
      "<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr><td>&lt;#A&gt;</td><td>&lt;#B&gt;</td></tr>\n"
      "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";
  auto fill = [](THTML_Jet& jet) {
    jet.Add("A", "1");
    TStringList values;
    values.Add("2");
    jet.Add("B", values);
    jet.EndLine();
    jet.EndIGroup();
  };
  HTMLJet::RepeatTableHeaderDefault = false;
  EXPECT_EQ(
      Render(tmpl, fill, true, -1),
      "<table><tr><td>D</td><td>&nbsp;</td></tr>\n<tr><td>1</td><td>2</td></tr>\n\n\n</table>\n");
  // The same template with the repeat on: the B column is present twice,
  // its second copy left unfilled.
  EXPECT_EQ(Render(tmpl, fill, true, 1),
            "<table><tr><td>D</td><td>&nbsp;</td><td>&nbsp;</td></tr>\n"
            "<tr><td>1</td><td>2</td><td>&nbsp;</td></tr>\n\n\n</table>\n");
}

// --- Totals -------------------------------------------------------------

const char* const kTotalsTable =
    "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
    "<tr><td>&lt;#Name&gt;</td><td>&lt;#Summa&gt;</td><td>&lt;#Liter&gt;</td></tr>\n"
    "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#Itog&gt;</td></tr>\n"
    "<tr><td>T</td><td>&lt;#Summa&gt;</td><td>&lt;#Liter&gt;</td></tr>\n"
    "<tr><td>&lt;#EndItog&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";

TEST_F(HTMLJetTest, MakeItogSumsTheRenderedColumn) {
  HTMLJet::RepeatTableHeaderDefault = false;
  const std::string out = Render(kTotalsTable, [](THTML_Jet& jet) {
    jet.Add("Summa", "1 234,50");
    jet.EndLine();
    jet.Add("Summa", "10,5");
    jet.Add("Liter", Utf8ToCp1251("№#12"));
    jet.EndLine();
    jet.Add("Summa", Utf8ToCp1251("нет"));
    jet.EndLine();
    jet.MakeItog(2);
    jet.EndIGroup();
  });
  EXPECT_EQ(out,
            "<table>\n"
            "<tr><td>&nbsp;</td><td>1 234,50</td><td>&nbsp;</td></tr>\n"
            "<tr><td>&nbsp;</td><td>10,5</td><td>№#12</td></tr>\n"
            "<tr><td>&nbsp;</td><td>нет</td><td>&nbsp;</td></tr>\n"
            "<tr><td>T</td><td>1 245,0</td><td></td></tr>\n\n</table>\n");
}

TEST_F(HTMLJetTest, MakeItog2SumsSinceTheLastGroupEnd) {
  HTMLJet::RepeatTableHeaderDefault = false;
  const std::string out = Render(kTotalsTable, [](THTML_Jet& jet) {
    jet.AddFloat("Liter", "%.2n", 10.5);
    jet.EndLine();
    jet.AddFloat("Liter", "%.2n", 2);
    jet.AddFloat("Summa", "", 7);
    jet.EndLine();
    jet.MakeItog2("%.1n");
    jet.EndIGroup();
    jet.AddFloat("Liter", "%.2n", 1);
    jet.EndLine();
    jet.MakeItog2("%.1n");
    jet.EndIGroup();
  });
  EXPECT_EQ(out,
            "<table>\n"
            "<tr><td>&nbsp;</td><td>&nbsp;</td><td><nobr>10,50</nobr></td></tr>\n"
            "<tr><td>&nbsp;</td><td><nobr></nobr></td><td><nobr>2,00</nobr></td></tr>\n"
            "<tr><td>T</td><td><nobr>7,0</nobr></td><td><nobr>12,50</nobr></td></tr>\n\n"
            "<tr><td>&nbsp;</td><td>&nbsp;</td><td><nobr>1,00</nobr></td></tr>\n"
            "<tr><td>T</td><td>&nbsp;</td><td><nobr>1,00</nobr></td></tr>\n\n</table>\n");
}

// A record row is searched only for the names of its template while every
// value written into it is plain; a value that brings in a placeholder, an
// argument form or "(" makes the row be searched whole again, as a
// template that holds them is.
TEST_F(HTMLJetTest, ValuesThatBringPlaceholdersAreFilledLikeTheTemplatesOwn) {
  HTMLJet::RepeatTableHeaderDefault = false;
  const std::string plainRow = "<tr><td>&lt;#A&gt;</td><td>&lt;#B&gt;</td><td>&lt;#A&gt;</td></tr>";
  const std::string formRow = "<tr><td>&lt;#A&gt;</td><td>&lt;#B(%.3f)&gt;</td></tr>";
  struct Case {
    const std::string& row;
    std::function<void(THTML_Jet&)> fill;
    const char* expected;  // the record, then a plain one after it
  };
  const Case cases[] = {
      {plainRow, [](THTML_Jet& j) { j.Add("A", "&lt;#b&gt;"); j.Add("B", "x"); },
       "<td>x</td><td>x</td><td>x</td>"},
      {plainRow, [](THTML_Jet& j) { j.Add("A", "&lt;#zz&gt;"); j.Add("ZZ", "q"); },
       "<td>q</td><td>&nbsp;</td><td>q</td>"},
      {plainRow, [](THTML_Jet& j) { j.Add("A", "&lt;#n(%.1f)&gt;"); j.AddFloat("N", "%.2n", 2.5); },
       "<td><nobr>2,5</nobr></td><td>&nbsp;</td><td><nobr>2,5</nobr></td>"},
      {plainRow, [](THTML_Jet& j) { j.Add("A", "(1)&amp;"); j.Add("B", "y"); },
       "<td>(1)&amp;</td><td>y</td><td>(1)&amp;</td>"},
      {plainRow, [](THTML_Jet& j) { j.Add("B", "&lt;#a&gt;"); j.Add("A", "z"); },
       "<td>z</td><td>z</td><td>z</td>"},
      {formRow, [](THTML_Jet& j) { j.Add("A", "&nbsp;"); j.AddFloat("B", "%.2n", 1.25); },
       "<td>&nbsp;</td><td><nobr>1,250</nobr></td>"},
  };
  for (const Case& c : cases) {
    const std::string tmpl = "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n"
                             "<tr><td>&lt;#Repeat&gt;</td></tr>\n" + c.row +
                             "\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
                             "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";
    const std::string out = Render(tmpl, [&](THTML_Jet& jet) {
      c.fill(jet);
      jet.EndLine();
      jet.Add("A", "1");
      jet.Add("B", "2");
      jet.EndLine();
      jet.EndIGroup();
    });
    // A text value fills no argument form.
    const std::string second = c.row == plainRow ? "<td>1</td><td>2</td><td>1</td>"
                                                 : "<td>1</td><td>&nbsp;</td>";
    EXPECT_EQ(out, "<table>\n<tr>" + std::string(c.expected) + "</tr>\n<tr>" + second +
                       "</tr>\n\n\n</table>\n")
        << c.expected;
  }
}

// Random record rows and text values against a model of the rule: each
// value replaces every placeholder of its name in the row as it stands,
// values already written included, and what stays unfilled prints
// "&nbsp;". The pieces mix placeholders, entities, "(" and broken forms, so
// that rows and values are plain and not.
TEST_F(HTMLJetTest, RecordRowsFillAsEveryValueReplacingInTheWholeRow) {
  HTMLJet::RepeatTableHeaderDefault = false;
  const char* const pieces[] = {"&lt;#a&gt;", "&lt;#b&gt;", "&lt;#c&gt;",       "&amp;", "(",
                                "x",          "&gt;",       "&lt;#a(%.1f)&gt;", "&nbsp;"};
  const char* const values[] = {"", "1", "&lt;#b&gt;", "&lt;#c&gt;", "(y)", "&nbsp;z", "&lt;#a",
                                "&gt;"};
  const char* const names[] = {"A", "B", "C", "D"};
  const auto replaceAll = [](std::string text, const std::string& what, const std::string& by) {
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + by.size()))
      text.replace(p, what.size(), by);
    return text;
  };
  const auto blankUnfilled = [](const std::string& text) {
    std::string out;
    std::size_t pos = 0;
    for (std::size_t p = text.find("&lt;#"); p != std::string::npos; p = text.find("&lt;#", pos)) {
      const std::size_t close = text.find("&gt;", p);
      if (close == std::string::npos) break;
      out += text.substr(pos, p - pos) + "&nbsp;";
      pos = close + 4;
    }
    return out + text.substr(pos);
  };
  std::mt19937 random(46);
  for (int round = 0; round < 300; ++round) {
    std::string cell;
    for (int i = 0; i < 6; ++i) cell += pieces[random() % std::size(pieces)];
    std::vector<std::pair<std::string, std::string>> adds(random() % 5);
    for (auto& [name, value] : adds) {
      name = names[random() % std::size(names)];
      value = values[random() % std::size(values)];
    }
    std::string row = "<tr><td>" + cell + "</td></tr>";
    for (const auto& [name, value] : adds)
      row = replaceAll(row, "&lt;#" + AnsiLowerCase(name) + "&gt;", value.empty() ? "&nbsp;" : value);
    const std::string out = Render(
        "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
        "<tr><td>" + cell + "</td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
        "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>",
        [&](THTML_Jet& jet) {
          for (const auto& [name, value] : adds) jet.Add(name, value);
          jet.EndLine();
          jet.EndIGroup();
        });
    ASSERT_EQ(out, "<table>\n" + blankUnfilled(row) + "\n\n\n</table>\n") << cell;
  }
}

// A group too large for one chunk of the engine's record text sums and
// reads back as a small one; TakeReady hands over what GetReady gives.
TEST_F(HTMLJetTest, LargeGroupsSumAndHandOverWhole) {
  HTMLJet::RepeatTableHeaderDefault = false;
  WriteCp1251File(Path("t.html"), kTotalsTable);
  std::string given, taken, after;
  for (std::string* out : {&given, &taken}) {
    THTML_Jet jet(Path("t.html"));
    jet.Init();
    for (int i = 1; i <= 3000; ++i) {
      jet.Add("Summa", std::to_string(i));
      jet.Add("Name", std::string(100, 'n'));
      jet.EndLine();
    }
    jet.MakeItog(2);
    jet.EndIGroup();
    if (out == &given) {
      jet.GetReady(given);
    } else {
      jet.TakeReady(taken);
      jet.GetReady(after);
    }
  }
  EXPECT_EQ(taken, given);
  EXPECT_EQ(after, "");
  EXPECT_NE(given.find("<tr><td>T</td><td>4 501 500</td>"), std::string::npos);
  EXPECT_NE(given.find("<td>3000</td>"), std::string::npos);
}

// A document taken in pieces reads as the text GetReady joins: large
// groups, heading tables hidden before outer groups and shown again, and
// values that only look like hidden tags.
TEST_F(HTMLJetTest, DocumentsTakenInPiecesReadAsTheJoinedText) {
  HTMLJet::RepeatTableHeaderDefault = false;
  const std::string group =
      "<p>&lt;#Group&gt;</p><table><tr><td>&lt;#Repeat&gt;</td></tr><tr><td>&lt;#Name&gt;</td></tr>"
      "</table><p>&lt;#EndGroup&gt;</p>";
  const struct {
    std::string tmpl;
    int records, groups;
    const char* name;
  } cases[] = {{kTotalsTable, 3000, 1, "nnnn"},
               {"<body><table><tr><td>h</td></tr></table>" + group + "</body>", 5, 3, "v"},
               {"<body>" + group + "</body>", 4, 2, "<_table><_/table>"}};
  for (const auto& c : cases) {
    WriteCp1251File(Path("t.html"), c.tmpl);
    std::string joined;
    THTMLDocument document;
    for (const bool pieces : {false, true}) {
      THTML_Jet jet(Path("t.html"));
      jet.Init();
      for (int g = 0; g < c.groups; ++g) {
        for (int i = 1; i <= c.records; ++i) {
          jet.Add("Summa", std::to_string(i));
          jet.Add("Name", c.name);
          jet.EndLine();
        }
        jet.EndOGroup();
      }
      if (pieces)
        jet.TakeReady(document);
      else
        jet.GetReady(joined);
    }
    EXPECT_TRUE(document == joined) << c.tmpl;
    EXPECT_EQ(document.size(), joined.size());
    EXPECT_EQ(document.Text(), joined) << c.tmpl;
    EXPECT_TRUE(document == joined);
  }
}

// --- Headers ------------------------------------------------------------

TEST_F(HTMLJetTest, OneTableGetsExactlyOneHeaderElement) {
  const std::string tmpl =
      "<table>\n<thead><tr><th>A</th></tr>\n<tr><th>B</th></tr></thead>\n"
      "<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
      "<tr><td>&lt;#V&gt;</td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
      "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";
  const std::string out = Render(tmpl, [](THTML_Jet& jet) {
    jet.Add("V", "1");
    jet.EndLine();
    jet.EndIGroup();
  });
  EXPECT_EQ(out,
            "<table><THEAD style=\"DISPLAY: table-header-group\"><tr  ><th>A</th></tr><tr  >"
            "<th>B</th></tr></THEAD>\n<tr><td>1</td></tr>\n\n\n</table>\n");
}

TEST_F(HTMLJetTest, RepeatTableHeaderZeroStopsLabellingWithoutTheadOrTfoot) {
  const std::string tmpl =
      "&lt;#paramrep RepeatTableHeader=0&gt;<table>\n<tr><td>Head</td></tr>\n"
      "<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr><td>&lt;#V&gt;</"
      "td></tr>\n"
      "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";
  auto fill = [](THTML_Jet& jet) {
    jet.Add("V", "1");
    jet.EndLine();
    jet.EndIGroup();
  };
  EXPECT_EQ(Render(tmpl, fill),
            "<table><tr><td>Head</td></tr>\n<tr><td>1</td></tr>\n\n\n</table>\n");
  // Without the parameter the default (on) labels the row above the group.
  const std::string labelled = Render(tmpl.substr(tmpl.find("<table")), fill);
  EXPECT_EQ(labelled,
            "<table><THEAD style=\"DISPLAY: table-header-group\"><tr  ><td>Head</td></tr></THEAD>\n"
            "<tr><td>1</td></tr>\n\n\n</table>\n");
}

// Heading tables before an outer group are hidden while the template is
// cut; the page's closing tags after the group still close what they hold.
TEST_F(HTMLJetTest, HeadingTablesBeforeAnOuterGroupKeepThePageClosed) {
  const std::string group =
      "<p>&lt;#Group&gt;</p><table><tr><td>&lt;#Repeat&gt;</td></tr><tr><td>x</td></tr></table>"
      "<p>&lt;#EndGroup&gt;</p>";
  const std::string rendered = "<table><tr><td>x</td></tr>\n</table>";
  const std::pair<std::string, std::string> cases[] = {
      {"<body><table><tr><td>h</td></tr></table>" + group + "</body>",
       "<body><table><tr><td>h</td></tr></table>" + rendered + "</body>\n"},
      // The group inside a layout table's cell, after a heading table.
      {"<body><table><tr><td><table><tr><td>h</td></tr></table>" + group +
           "</td></tr></table></body>",
       "<body><table><tr><td><table><tr><td>h</td></tr></table>" + rendered +
           "</td></tr></table></body>\n"},
  };
  for (const auto& [tmpl, expected] : cases) {
    const std::string out = Render(tmpl, [](THTML_Jet& jet) {
      jet.EndLine();
      jet.EndOGroup();
      jet.EndDoc();
    });
    EXPECT_EQ(out, expected) << tmpl;
  }
}

// --- Parameters, includes, sub-tables -------------------------------------

TEST_F(HTMLJetTest, ParametersAreReadAndRemoved) {
  WriteCp1251File(
      Path("t.html"),
      "&lt;#paramrep PrintCategory=<b>Trk</b>&gt;&lt;#paramrep A=1&gt;&lt;#paramrep A=2&gt;"
      "&lt;#paramrep B=x&gt;&lt;#paramrep B=&gt;&lt;#paramrep Word&gt;&lt;#paramrep Word&gt;"
      "&lt;#paramrep =v&gt;&lt;#paramrep&gt;text");
  THTML_Jet jet(Path("t.html"));
  jet.Init();
  EXPECT_EQ(jet.Params().Values("printcategory"), "Trk");
  EXPECT_EQ(jet.Params().Values("A"), "2");
  EXPECT_EQ(jet.Params().IndexOfName("b"), -1);
  EXPECT_EQ(jet.Params().Count(), 3);
  EXPECT_EQ(jet.Params()[2], "word");
  std::string out;
  jet.GetReady(out);
  EXPECT_EQ(out, "text\r\n");
}

TEST_F(HTMLJetTest, SelfIncludeStopsAfter29ExpansionsAndKeepsADebugCopy) {
  WriteCp1251File(Path("self.html"), "A&lt;#include self.html&gt;");
  THTML_Jet jet(Path("self.html"));
  jet.Init();
  std::string out;
  jet.GetReady(out);
  EXPECT_EQ(
      Cp1251ToUtf8(out),
      "Произошло зацикливание в связи с некорректным использованием директивы &lt;include&gt;! "
      "Полученный шаблон сохранен в файле C:\\FUEL\\Forms\\Зацикливание Include.html");
  const std::string copy = ReadFileBytes(W("C:\\FUEL\\Forms\\Зацикливание Include.html"));
  EXPECT_EQ(std::count(copy.begin(), copy.end(), 'A'), 30);
  EXPECT_NE(copy.find("&lt;#include self.html&gt;"), std::string::npos);
}

TEST_F(HTMLJetTest, IncludesReadFromTheTemplateFolder) {
  WriteCp1251File(Path("part.inc"), "<b>&lt;#x&gt;</b>");
  EXPECT_EQ(Render("[&lt;#include  part.inc &gt;][&lt;#include missing.inc&gt;]",
                   [](THTML_Jet& jet) { jet.Add("X", "1"); }),
            "[<b>1</b>\n][]\n");
}

TEST_F(HTMLJetTest, SubTableCutsUpToTheFirstTableEnd) {
  WriteCp1251File(Path("t.html"),
                  "&lt;#SubTable Outer&gt;<table><tr><td><table><tr><td>in</td></tr></table>"
                  "</td></tr></table>rest&lt;#subtable&gt;<table></table>&lt;#subtable x&gt;none");
  THTML_Jet jet(Path("t.html"));
  jet.Init();
  ASSERT_EQ(jet.SubTables().Count(), 1);
  EXPECT_EQ(jet.SubTables()[0], "outer=<table><tr><td><table><tr><td>in</td></tr></table>");
  std::string out;
  jet.GetReady(out);
  EXPECT_EQ(out, "</td></tr></table>restnone\r\n");
}

// --- Records and documents -----------------------------------------------

TEST_F(HTMLJetTest, RepeatWithoutEndTakesEveryFollowingRow) {
  const std::string tmpl =
      "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
      "<tr><td>&lt;#A&gt;</td></tr>\n<tr><td>&lt;#B&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></"
      "tr>\n</table>";
  const std::string out = Render(tmpl, [](THTML_Jet& jet) {
    jet.Add("A", "1");
    jet.Add("B", "2");
    jet.EndLine();
    jet.EndIGroup();
  });
  EXPECT_EQ(
      out, "<table>\n<tr><td>1</td></tr><tr><td>2</td></tr><tr><td>&nbsp;</td></tr>\n\n</table>\n");
}

TEST_F(HTMLJetTest, FormIgnoresRecordsAndGetReadyRepeats) {
  WriteCp1251File(Path("t.html"), "<p>&lt;#A&gt;</p>");
  THTML_Jet jet(Path("t.html"));
  jet.Init();
  jet.Add("A", "x");
  jet.EndLine();
  jet.EndDoc();
  std::string first, second;
  jet.GetReady(first);
  jet.GetReady(second);
  EXPECT_EQ(first, "<p>x</p>\r\n");
  EXPECT_EQ(second, first);
}

// --- Row and cell helpers -------------------------------------------------

TEST(HTMLJetHelpers, TagStrippingStopsAtTheFirstOpeningOrClosingTag) {
  EXPECT_EQ(THTML_Jet::StripLeadingCloseTags("x</font></td></tr>\r\n<tr><td>y"), "\r\n<tr><td>y");
  EXPECT_EQ(THTML_Jet::StripTrailingOpenTags("<p>a</p>\r\n<tr><td colspan=2>"), "<p>a</p>\r\n");
  // A close tag without its ">" ends the stripping instead of looping.
  EXPECT_EQ(THTML_Jet::StripLeadingCloseTags("</td"), "</td");
  EXPECT_EQ(THTML_Jet::StripTrailingOpenTags("<td"), "");
  // Hidden heading tables close with "<_/": they stay.
  EXPECT_EQ(THTML_Jet::StripTrailingOpenTags("<_table><_tr><_td>h<_/td><_/tr><_/table>\r\n<p>"),
            "<_table><_tr><_td>h<_/td><_/tr><_/table>\r\n");
}

// After an outer group's end, a page keeps the closing tags of what its
// head opened and loses those of elements cut away with the directives.
TEST(HTMLJetHelpers, ThePageTailClosesWhatTheHeadLeftOpen) {
  struct Case {
    const char *head, *tail, *expected;
  };
  const Case cases[] = {
      {"<html><body><font size=3>\r\n<p>t</p>", "\r\n</font>\r\n</body></html>",
       "\r\n</font>\r\n</body></html>"},
      {"<html><head><title>t</title></head>\r\n", "\r\n</font>\r\n</body></html>",
       "\r\n\r\n</html>"},
      {"<html><body><br><img src=x /><!-- <div> -->", "</div></body></html>", "</body></html>"},
      {"<html><body><font>", "\r\n<div>x</div></font></body></html>",
       "\r\n<div>x</div></font></body></html>"},
  };
  for (const Case& c : cases) EXPECT_EQ(THTML_Jet::BalanceTail(c.head, c.tail), c.expected);
  EXPECT_EQ(THTML_Jet::TrailingOpenTagCount("</table>\r\n<div align=center><font>"), 2u);
  EXPECT_EQ(THTML_Jet::StripLeadingCloseTags("</font></div></body>", 2), "</body>");
}

TEST(HTMLJetHelpers, CellsAreFoundByLogicalColumn) {
  const std::string row = "<tr><td colspan=2>A</td><td>B</td><td COLSPAN = \"3\">C</td></tr>";
  EXPECT_EQ(THTML_Jet::CellCount(row), 3);
  EXPECT_EQ(THTML_Jet::GetCell(row, 1), "<td colspan=2>A</td>");
  EXPECT_EQ(THTML_Jet::GetCell(row, 2), "<td>B</td>");
  EXPECT_EQ(THTML_Jet::GetCell(row, 40), "<td COLSPAN = \"3\">C</td>");
  EXPECT_EQ(THTML_Jet::ColSpanOf(THTML_Jet::GetCell(row, 3)), 3);
  EXPECT_EQ(THTML_Jet::RowSpanOf("<td rowspan=4>"), 4);
  EXPECT_EQ(THTML_Jet::LastCell(row), "<td>B</td>");  // CellCount - 1 taken as a column
  EXPECT_EQ(row.substr(THTML_Jet::CellPos(row, 2), 7), "<td>B</");
  EXPECT_EQ(row.substr(THTML_Jet::CellPos(row, 3), 12), "<td COLSPAN ");
  EXPECT_EQ(THTML_Jet::CellPos(row, 9), row.size() - 5);  // past the last "</td>"
  EXPECT_EQ(THTML_Jet::GetRow("<tr>1</tr>\r\n<tr>2</tr>", 1), "<tr>2</tr>");
  EXPECT_EQ(THTML_Jet::GetRow("<tr>1</tr>", 1), "");
  EXPECT_EQ(THTML_Jet::ReplaceRow("<tr>1</tr>|<tr>2</tr>", "<tr>x</tr>", 1),
            "<tr>1</tr>|<tr>x</tr>");
}

TEST(HTMLJetHelpers, CellVariablesAndTexts) {
  EXPECT_EQ(THTML_Jet::CellVarName("<td>a &lt;#summa^2^^&gt; &lt;#b&gt;</td>"), "summa^2^^");
  EXPECT_EQ(THTML_Jet::BaseVarName("summa^2^^"), "summa");
  EXPECT_EQ(THTML_Jet::BaseVarName("liter"), "liter");
  EXPECT_THROW(THTML_Jet::BaseVarName("^^"), EHTMLError);
  EXPECT_EQ(THTML_Jet::CellText("<td> <b> </b><nobr> 1 234,50 </nobr></td>"), "1 234,50");
  EXPECT_EQ(THTML_Jet::CellText("<td></td>"), "");
  EXPECT_THROW(THTML_Jet::CellText("<td><b"), EHTMLError);
  EXPECT_EQ(THTML_Jet::IndexCellVars("<td>&lt;#a&gt;</td><td>&lt;#b(%.2n)&gt;</td>", 3),
            "<td>&lt;#a^3^^&gt;</td><td>&lt;#b(%.2n)^3^^&gt;</td>");
  EXPECT_EQ(THTML_Jet::BlankUnfilled("&lt;#a&gt;x&lt;#b c&gt;&lt;#open"), "&nbsp;x&nbsp;&lt;#open");
}

}  // namespace
}  // namespace tv::test
