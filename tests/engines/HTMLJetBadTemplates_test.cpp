// Broken templates: each gives its own report text or an EHTMLError that
// names the fault, and random bytes never crash the engine or loop.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

class HTMLJetBadTemplates : public ::testing::Test {
 protected:
  // The document of a template (UTF-8) when it loads, or the message of
  // the EHTMLError it fails with, prefixed by "error: ".
  std::string Outcome(const std::string& templateUtf8, bool columnRepeat = false) {
    WriteCp1251File(File(), templateUtf8);
    return Run(columnRepeat);
  }
  std::string Run(bool columnRepeat) {
    try {
      THTML_Jet jet(File(), columnRepeat, 1);
      jet.Init();
      jet.Add("v", "1");
      jet.EndLine();
      jet.MakeItog();
      jet.EndIGroup();
      jet.EndOGroup();
      std::string out;
      jet.GetReady(out);
      return ToUtf8Lf(out);
    } catch (const EHTMLError& e) {
      return "error: " + Cp1251ToUtf8(e.Message());
    }
  }
  static std::string File() { return kWebRepDir + std::string("bad.html"); }

  TempRoot root_;
  JetSettingsScope settings_;
};

TEST_F(HTMLJetBadTemplates, UnclosedDirectivesBecomeTheReportText) {
  EXPECT_EQ(Outcome("<p>&lt;#include part.inc</p>"),
            "Не обнаружен завершающий тэг директивы &lt;include&gt;!");
  EXPECT_EQ(Outcome("<p>&lt;#paramrep A=1</p>"),
            "Не обнаружен завершающий тэг директивы &lt;paramrep&gt;!");
  EXPECT_EQ(Outcome("<p>&lt;#subtable T</p><table></table>"),
            "Не обнаружен завершающий тэг директивы &lt;subtable&gt;!");
  // An ordinary placeholder without its end stays as text.
  EXPECT_EQ(Outcome("<p>&lt;#V</p>"), "<p>&lt;#V</p>\n");
}

TEST_F(HTMLJetBadTemplates, StructureFaultsRaiseWithTheirMessages) {
  const std::string rows =
      "<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr><td>&lt;#V&gt;</td></"
      "tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n";
  EXPECT_EQ(Outcome("<table>\n" + rows + "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>"),
            "error: THTML_Jet.Init -> Ошибка в структуре файла - шаблона, найдена непарная "
            "завершаемая секция группы <# EHTMLError #>");
  EXPECT_EQ(
      Outcome("<p>&lt;#Group&gt;</p><p>&lt;#V&gt;</p><p>&lt;#EndGroup&gt;</p>"),
      "error: THTML_Jet.Init -> В шаблоне не найден тег TABLE основной таблицы <# EHTMLError #>");
  EXPECT_EQ(Outcome("<p>&lt;#Group&gt;</p><table></table><p>&lt;#EndGroup&gt;</p>"),
            "error: THTML_Jet.Init -> Непарные теги [TR] в табице <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n" + rows +
                    "<tr><td>&lt;#Itog&gt;</td></tr>\n<tr><td>&lt;#EndItog&gt;</td></tr>\n"
                    "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>"),
            "error: THTML_Jet.Init -> Содержимое части итогов пустое <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n" + rows +
                    "<tr><td>&lt;#AllItog&gt;</td></tr>\n<tr><td>x</td></tr>\n"
                    "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>"),
            "error: THTML_Jet.Init -> Не найдена завершающая строка итогов при найденной начальной "
            "<# EHTMLError #>");
  // A stray row start inside the record: the record's rows do not pair.
  EXPECT_EQ(
      Outcome(
          "<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
          "<tr><td>&lt;#V&gt;<tr></td></tr>\n"
          "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>"),
      "error: THTML_Jet.Init -> Непарные теги [TR] <# EHTMLError #>");
}

TEST_F(HTMLJetBadTemplates, ColumnRepeatFaultsRaiseWithTheirMessages) {
  const std::string body =
      "<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n<tr><td>&lt;#V&gt;</"
      "td></tr>\n"
      "<tr><td>&lt;#EndRepeat&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";
  EXPECT_EQ(
      Outcome("<table>\n" + body, true),
      "error: THTML_Jet.Init -> Шаблон не содержит ни  одного ряда в таблице <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><th>A</th></tr>\n" + body, true),
            "error: THTML_Jet.Init -> Ряд не содержит ни одной ячейки <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><td colspan>A</td></tr>\n" + body, true),
            "error: THTML_Jet.Init -> Некорректное Span в таблице <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><td colspan=x>A</td></tr>\n" + body, true),
            "error: THTML_Jet.Init -> пустой номер вм теге ColSpan <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><td rowspan 2>A</td></tr>\n" + body, true),
            "error: THTML_Jet.Init -> Некорректная структура span описания <# EHTMLError #>");
  EXPECT_EQ(Outcome("<table>\n<tr><td rowspan=>A</td></tr>\n" + body, true),
            "error: THTML_Jet.Init -> Пустое значение параметра ColSpan <# EHTMLError #>");
  // Spans far beyond any table are taken at the browsers' cap and cost
  // nothing more.
  EXPECT_NE(
      Outcome("<table>\n<tr><td rowspan=99999999999 colspan=999999999999>A</td></tr>\n" + body,
              true)
          .rfind("error", 0),
      0u);
}

TEST_F(HTMLJetBadTemplates, TotalsCellWithBrokenIndexRaisesInMakeItog) {
  EXPECT_EQ(
      Outcome("<table>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
              "<tr><td>&lt;#V&gt;</td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
              "<tr><td>&lt;#Itog&gt;</td></tr>\n<tr><td>&lt;#^1^^&gt;</td></tr>\n"
              "<tr><td>&lt;#EndItog&gt;</td></tr>\n<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>"),
      "error: THTML_Jet.MakeItog -> Ошибка при разборе индексированной переменной в ячейке ^1^^ "
      "<# EHTMLError #>");
}

TEST_F(HTMLJetBadTemplates, RandomBytesNeverCrash) {
  std::mt19937 random(20240301);
  // Bytes weighted towards the characters that templates are made of.
  const std::string alphabet = "<>/&;#=()^%trdablehgopfu \r\n\"'0123456789";
  const char* const pieces[] = {"&lt;#",    "&gt;",      "<tr>",      "</tr>",     "<td>",
                                "</td>",    "<table>",   "</table>",  "group",     "endgroup",
                                "repeat",   "endrepeat", "itog",      "enditog",   "allitog",
                                "colspan=", "rowspan=",  "include x", "paramrep ", "subtable t",
                                "<thead>",  "<tfoot>",   "^0^^"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i) {
      const unsigned choice = random() % 10;
      if (choice < 3)
        bytes += static_cast<char>(random() % 256);
      else if (choice < 7)
        bytes += alphabet[random() % alphabet.size()];
      else
        bytes += pieces[random() % std::size(pieces)];
    }
    WriteRawFile(File(), bytes);
    SCOPED_TRACE("round " + std::to_string(round));
    for (bool columns : {false, true}) {
      try {
        Run(columns);
      } catch (const Exception&) {
        // Conversion errors and limits are fine; crashes and hangs are not.
      }
    }
  }
}

}  // namespace
}  // namespace tv::test
