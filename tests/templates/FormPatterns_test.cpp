#include "templates/FormPatterns.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"
#include "tests/templates/FormPatternsFixture.h"

namespace tv {
namespace {

using FormPatterns::CPattern;
using test::Form;
using test::TForm;

struct TRegistryRow {
  const char* name;
  std::size_t lines;
};

// The registry table: order, names and line counts.
const TRegistryRow kRegistry[] = {
    {"AktVozvr", 43},   {"AktVozvr2", 28},       {"BackCard", 21},
    {"bneRep", 22},     {"bonus", 24},           {"CouponRep", 19},
    {"history", 16},    {"ReportInventory", 24}, {"ReportTovarIn", 24},
    {"Rsx", 50},        {"Smena1", 15},          {"Smena2", 17},
    {"SMENA2_1", 36},   {"Smena3", 31},          {"Smena4", 17},
    {"SmenaSink", 17},  {"Smena5", 17},          {"Smena6", 16},
    {"SmenaBeg", 16},   {"SmenaEnd", 14},        {"SMENAPRX", 33},
    {"SmenaRsx", 31},   {"vdAgent", 19},         {"vdMobil", 19},
    {"vdPeriod", 22},   {"CardRep", 20},         {"AktVozvrPr2", 46},
    {"PrxEx", 28},      {"RsxEx", 18},           {"SmenaKassaFinRep", 7},
    {"EmptyReport", 2},
};

std::vector<std::vector<std::string>> Snapshot(const FormPatterns::TPatternList& list) {
  std::vector<std::vector<std::string>> out;
  for (const FormPatterns::TPatternCell* cell : list) {
    out.push_back(test::LinesOf((*cell)->Lines));
    out.back().insert(out.back().begin(), (*cell)->Name);
  }
  return out;
}

TEST(FormPatterns, RegistryHoldsTheThirtyOneFormsInOrder) {
  FormPatterns::CreatePatterns();
  ASSERT_NE(FormPatterns::Patterns, nullptr);
  const FormPatterns::TPatternList& list = *FormPatterns::Patterns;
  ASSERT_EQ(list.size(), std::size(kRegistry));
  std::size_t total = 0;
  std::set<std::string> upper;
  for (std::size_t i = 0; i < list.size(); ++i) {
    ASSERT_NE(list[i], nullptr);
    const CPattern* pattern = *list[i];
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->Name, kRegistry[i].name) << "item " << i + 1;
    EXPECT_EQ(pattern->Lines.Count(), static_cast<int>(kRegistry[i].lines)) << pattern->Name;
    EXPECT_LE(pattern->Name.size(), 16u);
    EXPECT_LE(pattern->Name.size(), FormPatterns::kNameCapacity);
    EXPECT_TRUE(upper.insert(AnsiUpperCase(pattern->Name)).second) << pattern->Name;
    total += pattern->Lines.Count();
  }
  EXPECT_EQ(total, 712u);
  EXPECT_EQ((*list[0])->Name, "AktVozvr");
  EXPECT_EQ((*list[29])->Name, "SmenaKassaFinRep");
  EXPECT_EQ((*list[30])->Name, "EmptyReport");
}

// A later form check gets the same list, unchanged, not a second copy.
TEST(FormPatterns, ASecondBuildReusesTheFirstList) {
  FormPatterns::CreatePatterns();
  FormPatterns::TPatternList* first = FormPatterns::Patterns;
  const auto before = Snapshot(*first);
  FormPatterns::CreatePatterns();
  ASSERT_EQ(FormPatterns::Patterns, first);
  EXPECT_EQ(Snapshot(*first), before);
}

TEST(FormPatterns, EmptyLinesTrailingBlanksAndTabsSurvive) {
  EXPECT_EQ(Form("EmptyReport").Lines, (std::vector<std::string>{"@Page", "@EndPage"}));
  const TForm& akt = Form("AktVozvr");
  std::size_t empty = 0;
  for (const std::string& line : akt.Lines) empty += line.empty() ? 1 : 0;
  EXPECT_EQ(empty, 9u);
  EXPECT_EQ(akt.Lines[10], "\t\t\t\t" + std::string(13, ' ') + "\t");
  EXPECT_EQ(akt.Lines[6], "\t\t\t\t\t\t\tУТВЕРЖДАЮ"_w);
  EXPECT_EQ(akt.Lines[7], "\t\t\t\t\t\tДиректор _____________"_w);
  EXPECT_EQ(akt.Lines[16], "\t\t\tконтрольно-кассовая машина N ~NKKM~   "_w);
  EXPECT_EQ(akt.Lines[12], "\t\t\t\tАКТ N ~SmNum~"_w);
  EXPECT_EQ(Form("CardRep").Lines[3], "\tСмена: ~SmNum~"_w);
  // The operator's name follows the underscores of the signature line.
  bool signature = false;
  for (const std::string& line : akt.Lines)
    signature |= line.starts_with('\t') && line.ends_with(std::string(19, '_') + "~Operator~");
  EXPECT_TRUE(signature);
  for (const char* name : {"SMENAPRX", "SmenaRsx", "Smena6", "Rsx"}) {
    const TForm& p = Form(name);
    EXPECT_EQ(p.Lines.back(), "") << name;
    EXPECT_EQ(p.Lines[p.Lines.size() - 2], "@EndPage") << name;
  }
}

// Line numbers (from 1) of the keyword lines; 0 where a form has none.
struct TStructure {
  const char* name;
  int page, group, repeat, endRepeat, endGroup, endPage;
  int colBeg, colStart, colEnd;  // "@REPEATCOLBEG" with its column, the bare one
};

const TStructure kStructure[] = {
    {"AktVozvr", 1, 22, 23, 25, 26, 43, 0, 0, 0},
    {"AktVozvr2", 1, 11, 16, 18, 22, 28, 0, 0, 0},
    {"BackCard", 1, 13, 14, 16, 17, 21, 0, 0, 0},
    {"bneRep", 1, 12, 13, 15, 16, 22, 6, 32, 20},
    {"bonus", 1, 6, 13, 15, 21, 24, 0, 0, 0},
    {"CouponRep", 1, 7, 12, 14, 17, 19, 0, 0, 0},
    {"history", 1, 10, 11, 13, 14, 16, 0, 0, 0},
    {"ReportInventory", 1, 12, 15, 17, 20, 24, 0, 0, 0},
    {"ReportTovarIn", 1, 17, 18, 20, 21, 24, 0, 0, 0},
    {"Rsx", 1, 2, 3, 47, 48, 49, 0, 0, 0},
    {"Smena1", 1, 9, 10, 12, 13, 15, 0, 0, 0},
    {"Smena2", 1, 11, 12, 14, 15, 17, 0, 0, 0},
    {"SMENA2_1", 1, 13, 14, 16, 18, 36, 0, 0, 0},
    {"Smena3", 1, 9, 10, 12, 13, 31, 0, 0, 0},
    {"Smena4", 1, 10, 11, 13, 14, 17, 0, 0, 0},
    {"SmenaSink", 1, 10, 11, 13, 14, 17, 0, 0, 0},
    {"Smena5", 1, 11, 12, 14, 15, 17, 0, 0, 0},
    {"Smena6", 1, 9, 10, 12, 14, 15, 0, 0, 0},
    {"SmenaBeg", 1, 0, 0, 0, 0, 16, 0, 0, 0},
    {"SmenaEnd", 1, 0, 0, 0, 0, 14, 0, 0, 0},
    {"SMENAPRX", 1, 7, 8, 28, 29, 32, 0, 0, 0},
    {"SmenaRsx", 1, 7, 8, 26, 27, 30, 0, 0, 0},
    {"vdAgent", 1, 11, 12, 14, 15, 19, 0, 0, 0},
    {"vdMobil", 1, 12, 13, 15, 16, 19, 0, 0, 0},
    {"vdPeriod", 1, 12, 13, 15, 16, 22, 6, 32, 20},
    {"CardRep", 1, 8, 13, 15, 18, 20, 0, 0, 0},
    {"AktVozvrPr2", 1, 17, 23, 25, 31, 46, 0, 0, 0},
    {"PrxEx", 1, 0, 0, 0, 0, 28, 4, 53, 27},
    {"RsxEx", 1, 0, 0, 0, 0, 18, 4, 29, 16},
    {"SmenaKassaFinRep", 1, 0, 0, 0, 0, 7, 0, 0, 0},
    {"EmptyReport", 1, 0, 0, 0, 0, 2, 0, 0, 0},
};

TEST(FormPatterns, KeywordLinesStandWhereTheStructureSays) {
  for (const TStructure& s : kStructure) {
    const TForm& form = Form(s.name);
    const std::pair<int, const char*> expected[] = {
        {s.page, "@Page"},           {s.group, "@Group"},        {s.repeat, "@Repeat"},
        {s.endRepeat, "@EndRepeat"}, {s.endGroup, "@EndGroup"},  {s.endPage, "@EndPage"},
        {s.colBeg, "@REPEATCOLBEG"}, {s.colEnd, "@REPEATCOLBEG"}};
    int keywords = 0;
    for (const auto& [line, word] : expected) {
      if (line == 0) continue;
      ++keywords;
      ASSERT_LE(line, static_cast<int>(form.Lines.size())) << s.name;
      const std::string& text = form.Lines[line - 1];
      // Written in this very letter case, padded with blanks at most.
      EXPECT_TRUE(text.starts_with(word)) << s.name << " line " << line;
      if (line != s.colBeg) {
        EXPECT_EQ(text.find_first_not_of(' ', std::string_view(word).size()), std::string::npos)
            << s.name << " line " << line;
      }
    }
    if (s.colBeg != 0) {
      EXPECT_EQ(form.Lines[s.colBeg - 1], "@REPEATCOLBEG " + std::to_string(s.colStart)) << s.name;
      EXPECT_EQ(form.Lines[s.colEnd - 1], "@REPEATCOLBEG") << s.name;
    }
    int found = 0;
    for (const std::string& line : form.Lines) found += line.starts_with('@') ? 1 : 0;
    EXPECT_EQ(found, keywords) << s.name << ": no other keyword lines";
  }
}

// Lengths of lines (from 1) that the layout fixes: table borders and rows,
// padded keyword lines, blank lines of a given width.
struct TLength {
  const char* name;
  std::vector<int> lines;
  std::size_t length;
};

const TLength kLengths[] = {
    {"SmenaBeg", {2, 3, 4}, 65},
    {"SmenaBeg", {6, 7, 8, 9, 10, 11, 12}, 94},
    {"SmenaBeg", {13}, 2},
    {"SmenaEnd", {2, 6, 8, 12}, 82},
    {"Smena1", {4, 5, 6, 7, 8, 11, 14}, 75},
    {"Smena2", {4, 5, 6, 7, 8, 9, 10, 16}, 101},
    {"Smena2", {13}, 102},
    {"Smena3", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 128},
    {"Smena3", {15, 16, 17, 18, 19, 20, 21, 22, 31}, 127},
    {"SMENA2_1", {7, 12, 17}, 157},
    {"SMENA2_1", {15}, 160},
    {"SMENA2_1", {19}, 156},
    {"SMENA2_1", {34}, 14},
    {"SMENA2_1", {35}, 50},
    {"Smena4", {4, 5, 6, 7, 8, 9, 12, 15, 16}, 94},
    {"SmenaSink", {4, 5, 6, 7, 8, 9, 12, 15, 16}, 94},
    {"Smena5", {4, 5, 6, 7, 8, 9, 10, 13, 16}, 94},
    {"Smena6", {4, 5, 6, 7, 8, 11, 13}, 108},
    {"AktVozvr", {22, 23, 25, 26}, 71},
    {"AktVozvr", {19, 20, 21, 24, 27}, 67},
    {"AktVozvr", {2}, 23},
    {"AktVozvr2", {1}, 23},
    {"AktVozvr2", {13, 14, 15, 17, 19}, 58},
    {"AktVozvrPr2", {3, 4, 5, 6}, 60},
    {"AktVozvrPr2", {12}, 30},
    {"AktVozvrPr2", {18, 19, 20, 21, 22, 24, 26, 27, 28, 29, 30}, 89},
    {"BackCard", {13, 14, 16, 17}, 71},
    {"BackCard", {9, 10, 11, 12, 15, 18, 19, 20}, 71},
    {"CardRep", {8, 18}, 11},
    {"CardRep", {13, 15}, 29},
    {"CardRep", {10, 11, 12, 14, 16}, 96},
    {"CouponRep", {7, 17}, 11},
    {"CouponRep", {12, 14}, 29},
    {"CouponRep", {9, 10, 11, 13, 15, 16}, 48},
    {"bonus", {6}, 12},
    {"bonus", {13, 15, 21}, 29},
    {"bonus", {9, 10, 11, 14, 16, 17, 18, 23}, 91},
    {"bonus", {8, 12}, 93},
    {"history", {10, 11}, 26},
    {"history", {13, 14}, 23},
    {"history", {7, 9, 12, 15}, 80},
    {"history", {8}, 86},
    {"vdAgent", {11, 12, 14, 15}, 58},
    {"vdAgent", {7, 8, 9, 10, 16}, 66},
    {"vdAgent", {13}, 67},
    {"vdMobil", {12, 13, 15, 16}, 47},
    {"vdMobil", {8, 9, 10, 11, 14, 17}, 55},
    {"vdPeriod", {12, 13, 15, 16}, 16},
    {"vdPeriod", {7, 8, 9, 10, 11, 14, 17, 18, 19}, 41},
    {"bneRep", {12}, 51},
    {"bneRep", {13}, 7},
    {"bneRep", {15, 16}, 50},
    {"bneRep", {7, 8, 9, 10, 11, 14, 17, 18, 19}, 51},
    {"PrxEx",
     {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26},
     66},
    {"RsxEx", {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 40},
    {"Rsx", {6, 7, 8, 9, 10, 11, 12, 13, 14, 20, 28, 35, 43}, 65},
    {"ReportInventory", {8, 9, 10, 11, 13, 14, 16, 18, 19, 21}, 112},
    {"ReportTovarIn", {3}, 8},
    {"ReportTovarIn", {5}, 14},
    {"ReportTovarIn", {12, 13, 14, 15, 16, 19, 22}, 96},
};

TEST(FormPatterns, TableLinesHaveTheirWidths) {
  for (const TLength& l : kLengths) {
    const TForm& form = Form(l.name);
    for (int line : l.lines) {
      ASSERT_LE(line, static_cast<int>(form.Lines.size())) << l.name;
      EXPECT_EQ(form.Lines[line - 1].size(), l.length) << l.name << " line " << line;
    }
  }
  // In "Smena3" the page footer lines that open with two tabs are shorter.
  const TForm& smena3 = Form("Smena3");
  int twoTabs = 0;
  for (std::size_t i = 14; i < smena3.Lines.size(); ++i) {
    const std::string& line = smena3.Lines[i];
    if (line.starts_with("\t\t")) {
      ++twoTabs;
      EXPECT_EQ(line.size(), 120u) << "line " << i + 1;
    } else {
      EXPECT_EQ(line.size(), 127u) << "line " << i + 1;
    }
  }
  EXPECT_EQ(twoTabs, 2);
  EXPECT_TRUE(smena3.Lines[25].starts_with("\t\t     Вечер"_w));
  for (int line : {13, 14, 16, 18, 1, 36}) {
    const std::size_t size = Form("SMENA2_1").Lines[line - 1].size();
    EXPECT_TRUE(size == 132 || size == 147) << "SMENA2_1 line " << line << ": " << size;
  }
}

struct TText {
  const char* name;
  int line;
  std::string text;
};

std::string Blanks(int n) { return std::string(n, ' '); }

TEST(FormPatterns, TitlesAndFixedTextsAreExact) {
  const TText texts[] = {
      {"SmenaBeg", 14, Blanks(27) + "СМЕННЫЙ ОТЧЕТ ПО АЗС."_w},
      {"SmenaBeg", 2, "Организация"_w + std::string(53, '_') + " "},
      {"SmenaEnd", 2, "Приложение"_w + std::string(62, '_') + "документов"_w},
      {"SmenaEnd", 6, "Ст.оператор  "_w + std::string(14, '_') + "  " + std::string(53, '_')},
      {"SmenaEnd", 12,
       std::string(11, '_') + "  " + std::string(14, '_') + "  " + std::string(53, '_')},
      {"Smena1", 3, Blanks(36) + "Топливнораздаточные колонки"_w},
      {"Smena2", 3, Blanks(36) + "Резервуары"_w},
      {"Smena4", 3, Blanks(36) + "Расшифровка поступлений нефтепродуктов"_w},
      {"SmenaSink", 3, Blanks(36) + "Расшифровка откачки нефтепродуктов"_w},
      {"Smena5", 3, Blanks(36) + "Движение нефтепродуктов"_w},
      {"Smena6", 3, Blanks(36) + "Расшифровка реализации по безналичному расчету"_w},
      {"SMENAPRX", 2, Blanks(27) + "Журнал поступления топлива"_w},
      {"SmenaRsx", 2, Blanks(27) + "Журнал откачки топлива"_w},
      {"SmenaKassaFinRep", 2, Blanks(10) + "Финансовый отчет по кассам"_w},
      {"SmenaKassaFinRep", 3, ""},
      {"SmenaKassaFinRep", 4, ""},
      {"SmenaKassaFinRep", 5, "  В данной версии не поддерживается."_w},
      {"SmenaKassaFinRep", 6, "  Используйте html-версию отчета!"_w},
      {"AktVozvr2", 4, Blanks(17) + "ОТЧЕТ О ВОЗВРАТЕ ДЕНЕЖНЫХ СУММ ПОКУПАТЕЛЯМ"_w},
      {"AktVozvr2", 21, Blanks(12) + "(~SummaText~@)"},
      {"AktVozvr2", 24, Blanks(12) + std::string(46, '-')},
      {"AktVozvr2", 26, Blanks(12) + "(~SmResTxt~@)"},
      {"AktVozvr2", 27, Blanks(12) + std::string(46, '-')},
      {"AktVozvrPr2", 13, Blanks(24) + "ПЕРИОДИЧЕСКИЙ ОТЧЕТ О ВОЗВРАТЕ ДЕНЕЖНЫХ СУММ"_w},
      {"AktVozvrPr2", 14, Blanks(23) + "ПОКУПАТЕЛЯМ ПО НЕИСПОЛЬЗОВАННЫМ КАССОВЫМ ЧЕКАМ."_w},
      {"AktVozvrPr2", 15, "  За период с ~BegTime~@ по ~EndTime~"_w},
      {"AktVozvrPr2", 16, "  По сменнам №№ ~SmNum~"_w},
      {"AktVozvrPr2", 30,
       "+" + std::string(63, '-') + "+" + std::string(10, '-') + "+" + std::string(12, '-') + "+"},
      {"AktVozvrPr2", 36, "~SmResTxt~@"},
      {"AktVozvrPr2", 42, "Руководитель АЗС ______________/~ManagerName~"_w},
      {"AktVozvrPr2", 43, "Ст.оператор АЗС  ______________/~OperatorName~"_w},
      {"AktVozvrPr2", 44, "Оператор АЗС     ______________/~Operator~"_w},
      {"BackCard", 3, Blanks(16) + "СПИСОК НЕПРОИЗВЕДЕННЫХ ВОЗВРАТОВ НА ТЕРМИНАЛ"_w},
      {"BackCard", 20, Blanks(50) + "+---------+---------+"},
      {"CardRep", 2, Blanks(13) + "Отчет по отливам по пластиковым картам"_w},
      {"CouponRep", 2, Blanks(20) + "Отчет по отливам по талонам"_w},
      {"CouponRep", 8, "Вид топлива: ~GSM~ "_w},
      {"bonus", 2, Blanks(20) + "Отчет по скидкам и бонусам"_w},
      {"history", 2, Blanks(17) + "История продаж по ТРК ~TrkN~ "_w},
      {"vdAgent", 3, Blanks(27) + "ОТПУСК ПО ВЕДОМОСТИ"_w},
      {"vdMobil", 3, Blanks(27) + "ОТПУСК ПО ВЕДОМОСТИ"_w},
      {"vdPeriod", 3, Blanks(27) + "ОТПУСК ПО ВЕДОМОСТИ"_w},
      {"bneRep", 3, Blanks(27) + "ОТПУСК ПО ДОГОВОРНЫМ ЦЕНАМ"_w},
      {"PrxEx", 2, Blanks(24) + "ПРИВОЗ ТОПЛИВА"_w},
      {"RsxEx", 2, Blanks(28) + "Расходная накладная"_w},
      {"Rsx", 4, Blanks(23) + "Расходная накладная"_w},
      {"Rsx", 16, "Оператор___________________           Водитель________________"_w},
      {"Rsx", 32, ""},
      {"ReportTovarIn", 23, Blanks(74) + "Итого руб: ~Sum~@    "_w},
      {"SMENAPRX", 9, "+" + std::string(51, '-') + "+~Line~"},
      {"SmenaRsx", 25, "+" + std::string(51, '-') + "+~Line~"},
  };
  for (const TText& t : texts) {
    const TForm& form = Form(t.name);
    ASSERT_LE(t.line, static_cast<int>(form.Lines.size())) << t.name;
    EXPECT_EQ(form.Lines[t.line - 1], t.text) << t.name << " line " << t.line;
  }
  const std::string smena3Title = Form("Smena3").Lines[1];
  EXPECT_EQ(smena3Title.substr(0, 50), Blanks(34) + "Финансовый отчет"_w);
  EXPECT_EQ(smena3Title.find_first_not_of(' ', 50), std::string::npos);
  const std::string azs = Form("SMENA2_1").Lines[1];
  EXPECT_TRUE(azs.starts_with("     AZS № 1"_w));
  EXPECT_EQ(azs.find("СМЕННЫЙ ОТЧЕТ"_w), 34u);
}

// Three copies of the issue note, 14 lines each, one more empty line after
// the second: the copies are identical.
TEST(FormPatterns, IssueNoteRepeatsItsCopy) {
  const std::vector<std::string>& lines = Form("Rsx").Lines;
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(lines[3 + i], lines[17 + i]) << i;
    EXPECT_EQ(lines[3 + i], lines[32 + i]) << i;
  }
}

// Slots inside a column block are followed by a blank, which the generator
// replaces by the column number.
TEST(FormPatterns, ColumnBlockSlotsLeaveRoomForTheNumber) {
  for (const TStructure& s : kStructure) {
    if (s.colBeg == 0) continue;
    const std::vector<std::string>& lines = Form(s.name).Lines;
    int slots = 0;
    for (int i = s.colBeg; i < s.colEnd - 1; ++i) {
      const std::string& line = lines[i];
      if (line.starts_with('@') || static_cast<int>(line.size()) < s.colStart) continue;
      const std::string part = line.substr(s.colStart - 1);
      for (std::size_t p = part.find('~'); p != std::string::npos; p = part.find('~', p + 1)) {
        const std::size_t close = part.find('~', p + 1);
        ASSERT_NE(close, std::string::npos) << s.name;
        ASSERT_LT(close + 1, part.size()) << s.name << " line " << i + 1;
        EXPECT_EQ(part[close + 1], ' ') << s.name << " line " << i + 1;
        ++slots;
        p = close;
      }
    }
    EXPECT_GT(slots, 0) << s.name;
  }
}

// The embedded text is the source file converted by iconv, with CR LF.
TEST(FormPatterns, EmbeddedTextsMatchTheSourceFiles) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  for (const TRegistryRow& row : kRegistry) {
    const std::string file =
        std::string(TOLVAREN_SOURCE_DIR) + "/templates/forms/" + row.name + ".frm";
    int rc = -1;
    const std::string bytes =
        test::RunCommand("iconv -f UTF-8 -t WINDOWS-1251 '" + file + "'", &rc);
    ASSERT_EQ(rc, 0) << file;
    std::string joined;
    for (const std::string& line : Form(row.name).Lines) joined += line + "\n";
    EXPECT_EQ(joined, bytes) << row.name;
    for (const std::string& line : Form(row.name).Lines)
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << row.name;
  }
}

// What the text-form generator needs of every form: "@Page" first, slot
// names of at most 15 characters and lines with slots of at most 255.
TEST(FormPatterns, EveryFormSuitsTheGenerator) {
  for (const TRegistryRow& row : kRegistry) {
    const TForm& form = Form(row.name);
    EXPECT_EQ(test::Keyword(form.Lines.front()), "PAGE") << row.name;
    for (const std::string& line : form.Lines) {
      if (line.starts_with('@')) continue;
      for (std::size_t p = line.find('~'); p != std::string::npos; p = line.find('~', p + 1)) {
        const std::size_t close = line.find('~', p + 1);
        ASSERT_NE(close, std::string::npos) << row.name << ": " << line;
        EXPECT_LE(close - p - 1, 15u) << row.name << ": " << line;
        EXPECT_LE(line.size(), 255u) << row.name;
        p = close;
      }
    }
  }
}

}  // namespace
}  // namespace tv
