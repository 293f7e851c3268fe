// The report variable catalogue: its text line by line against the layout
// the host reads (section order, titles, template files, counts, parts),
// the entries whose wording is fixed, the rules every line keeps, and
// Python's configparser and Windows-1251 codec on the text as the exported
// name hands it over.
#include "library/RepVarsGSM.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

struct TSection {
  std::string name;
  std::vector<std::string> lines;  // the lines between "[name]" and the empty line
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t end = text.find("\r\n"); end != std::string::npos;
       end = text.find("\r\n", from)) {
    lines.push_back(text.substr(from, end - from));
    from = end + 2;
  }
  EXPECT_EQ(from, text.size()) << "text after the last CR LF";
  return lines;
}

std::vector<TSection> Sections(const std::vector<std::string>& lines) {
  std::vector<TSection> out;
  bool open = false;
  for (const std::string& line : lines) {
    if (!open) {
      EXPECT_TRUE(line.size() > 2 && line.front() == '[' && line.back() == ']') << line;
      out.push_back({line.substr(1, line.size() - 2), {}});
      open = true;
    } else if (line.empty()) {
      open = false;
    } else {
      out.back().lines.push_back(line);
    }
  }
  EXPECT_FALSE(open) << "the last section is not closed by an empty line";
  return out;
}

const std::string& Text() {
  static const std::string text = ReportVarsText();
  return text;
}

TEST(RepVarsGSM, FramingLinesAndSectionOrder) {
  const std::string& text = Text();
  ASSERT_GE(text.size(), 4u);
  EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
    if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
    }
    ASSERT_NE(text[i], '\t') << "tab at " << i;
  }
  const std::vector<std::string> lines = SplitLines(text);
  EXPECT_EQ(lines.size(), 2332u);
  for (const std::string& line : lines)
    EXPECT_TRUE(line.empty() || line.back() != ' ') << "trailing blank: " << Cp1251ToUtf8(line);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[RepVarTypes]");
  EXPECT_EQ(lines[1], "rh=Заголовочная часть"_w);

  const std::vector<TSection> sections = Sections(lines);
  std::vector<std::string> names, expected = {"RepVarTypes", "main", "CommonVars"};
  for (int n = 1; n <= 37; ++n) expected.push_back("RepDesc" + std::to_string(n));
  for (const TSection& s : sections) names.push_back(s.name);
  ASSERT_EQ(names, expected);
  EXPECT_EQ(
      sections[0].lines,
      (std::vector<std::string>{"rh=Заголовочная часть"_w, "tab=Расширяемая (табличная) часть"_w,
                                "ri=Итоги отчета"_w, "ti=Итоги таблицы"_w,
                                "gi=Итоги табличной группы"_w, "gh=Заголовок табличной группы"_w}));
  EXPECT_EQ(sections[1].lines, std::vector<std::string>{"RepCount=37"});
}

// Every report section: title, template file, VarCnt as the third line and
// equal to the number of variables, keys v<i>, d<i> (never empty) and
// t<i> numbered from 1 without gaps, and where each part begins.
TEST(RepVarsGSM, ReportSectionsHaveTheirTitlesFilesCountsAndParts) {
  struct Row {
    const char* section;
    std::string title, file;
    int count;
    const char* parts;
  };
  const Row rows[] = {
      {"CommonVars", "Общие переменные для всех отчетов"_w, "", 24, "rh:1"},
      {"RepDesc1", "Информация о ТРК"_w, "Информация о ТРК.html"_w, 47, "rh:1 tab:13 ri:39"},
      {"RepDesc2", "Информация о резервуарах"_w, "Информация о резервуарах.html"_w, 72,
       "tab:1 ri:69"},
      {"RepDesc3", "Финансовый отчет"_w, "Финансовый отчет.html"_w, 65, "tab:1 ri:23"},
      {"RepDesc4", "Поступление нефтепродуктов"_w, "Расшифровка поступления топлива.html"_w, 35,
       "tab:1 ti:30"},
      {"RepDesc5", "Откачка нефтепродуктов"_w, "Расшифровка откачки топлива.html"_w, 32,
       "tab:1 ti:27"},
      {"RepDesc6", "Заголовок сменного отчета"_w, "Шапка сменного отчета.html"_w, 12, "rh:1"},
      {"RepDesc7", "Конец сменного отчета"_w, "Подвал сменного отчета.html"_w, 7, "rh:1"},
      {"RepDesc8", "Поступление топлива / Сменное поступление топлива"_w,
       "Отчет по приходу топлива.html"_w, 42, "tab:1"},
      {"RepDesc9", "Откачка топлива / Сменная откачка топлива"_w, "Отчет по откачке топлива.html"_w,
       34, "tab:1"},
      {"RepDesc10", "Отчет по бонусам и скидкам"_w, "Отчет по бонусам и скидкам.html"_w, 28,
       "rh:1 gh:7 tab:9 gi:19 ri:24"},
      {"RepDesc11", "Отчет по возвратам"_w, "Периодический отчет о возврате.html"_w, 25,
       "rh:1 gh:6 tab:7 gi:20 ri:24"},
      {"RepDesc12", "Акт возврата"_w, "Акт возврата.html"_w, 25, "rh:1 gh:6 tab:7 gi:20 ri:24"},
      {"RepDesc13", "Отчет по номерным талонам"_w, "Отчет по талонам.html"_w, 14,
       "rh:1 gh:4 tab:5 gi:10"},
      {"RepDesc14", "Непроизведенные возвраты на терминал"_w,
       "Непроизведенные возвраты на терминал.html"_w, 13, "rh:1 tab:5"},
      {"RepDesc15", "Отчет по картам"_w, "Отчет по картам.html"_w, 25,
       "rh:1 gh:4 tab:6 gi:18 ri:22"},
      {"RepDesc16", "Сменный отчет по договорам"_w, "Отчет по договорам.html"_w, 7,
       "rh:1 gh:3 tab:4"},
      {"RepDesc17", "История продаж по ТРК"_w, "История продаж по ТРК.html"_w, 14, "rh:1 tab:3"},
      {"RepDesc18", "Сменный отчет по ведомостям / Отпуск по ведомости за период"_w,
       "Отчет по ведомостям за период.html"_w, 13, "rh:1 gh:3 tab:4"},
      {"RepDesc19", "Сменный отчет по контрагенту / Отпуск по контрагенту за период"_w,
       "Ведомость по контрагенту.html"_w, 19, "rh:1 tab:4 ti:15"},
      {"RepDesc20", "Отпуск по автомобилю за период"_w, "Ведомость по автомобилю.html"_w, 13,
       "rh:1 tab:5"},
      {"RepDesc21", "Отпуск по водителю за период"_w, "Ведомость по водителю.html"_w, 13,
       "rh:1 tab:5"},
      {"RepDesc22", "Отчет по мернику"_w, "Отчет по мернику.html"_w, 8, "tab:1"},
      {"RepDesc23", "Информация по перезагрузкам"_w, "Информация по перезагрузкам.html"_w, 33,
       "rh:1 gh:6 tab:8"},
      {"RepDesc24", "Суммарная информация по перезагрузкам"_w,
       "Суммарный отчет по перезагрузкам.html"_w, 7, "rh:1"},
      {"RepDesc25", "Число перезагрузок по сменам"_w, "Число перезагрузок по сменам.html"_w, 5,
       "tab:1"},
      {"RepDesc26", "Сумма перезагрузок по ГСМ"_w, "Сумма перезагрузок по ГСМ.html"_w, 5, "tab:1"},
      {"RepDesc27", "Текущие остатки по убывающим лимитам"_w, "Текущие остатки по лимитам.html"_w,
       8, "tab:1"},
      {"RepDesc28", "Детализация по убывающим лимитам"_w, "Детализация лимитов.html"_w, 18,
       "rh:1 gh:4 tab:7"},
      {"RepDesc29", "Отчет по дисконтным картам (общий список дисконтных карт)"_w,
       "Отчет по дисконтным картам.html"_w, 7, "tab:1"},
      {"RepDesc30", "Финансовый отчет по кассам"_w, "Финансовый отчет по кассам.html"_w, 25,
       "rh:1 tab:4 ti:16"},
      {"RepDesc31", "Финансовый отчет нестандартный"_w, "Финансовый отчет нестандартный.html"_w, 53,
       "rh:1 tab:5 ri:51"},
      {"RepDesc32", "Товарный чек"_w, "Товарный чек.html"_w, 13, "rh:1 tab:2 ri:10"},
      {"RepDesc33", "Счет-фактура"_w, "Счет-фактура.html"_w, 39, "rh:1 tab:25 ri:36"},
      {"RepDesc34", "Товарная накладная ТОРГ-12"_w, "ТОРГ-12.html"_w, 78, "rh:1 tab:50 ri:67"},
      {"RepDesc35", "ТТН - товарный раздел"_w, "ТТН1.html"_w, 69, "rh:1 tab:33 ri:47"},
      {"RepDesc36", "ТТН - транспортный раздел"_w, "ТТН2.html"_w, 57, "rh:1 tab:42 ti:53"},
      {"RepDesc37", "Движение ГСМ по хранителю"_w, "Движение ГСМ по хранителю.html"_w, 15,
       "rh:1 gh:6 tab:7"},
  };
  const std::vector<TSection> sections = Sections(SplitLines(Text()));
  ASSERT_EQ(sections.size(), 40u);
  const std::set<std::string> codes = {"rh", "tab", "ri", "ti", "gi", "gh"};
  int partLines = 0;
  for (std::size_t k = 0; k < std::size(rows); ++k) {
    const Row& row = rows[k];
    const TSection& s = sections[k + 2];
    SCOPED_TRACE(row.section);
    ASSERT_EQ(s.name, row.section);
    ASSERT_GE(s.lines.size(), 3u);
    EXPECT_EQ(s.lines[0], "RepName=" + row.title);
    EXPECT_EQ(s.lines[1], "RepFileName=" + row.file);
    EXPECT_EQ(s.lines[2], "VarCnt=" + std::to_string(row.count));
    std::string parts;
    int i = 0;
    for (std::size_t at = 3; at < s.lines.size(); ++at) {
      const std::string& line = s.lines[at];
      const std::string n = std::to_string(i + 1);
      if (line.rfind("v" + n + "=", 0) == 0) {
        ++i;
        ASSERT_LT(at + 1, s.lines.size());
        const std::string d = "d" + n + "=";
        EXPECT_EQ(s.lines[at + 1].rfind(d, 0), 0u) << Cp1251ToUtf8(s.lines[at + 1]);
        EXPECT_GT(s.lines[at + 1].size(), d.size()) << "empty description of v" << n;
        ++at;
      } else if (line.rfind("t" + std::to_string(i) + "=", 0) == 0) {
        const std::string code = line.substr(line.find('=') + 1);
        EXPECT_EQ(codes.count(code), 1u) << line;
        parts += (parts.empty() ? "" : " ") + code + ":" + std::to_string(i);
        ++partLines;
      } else {
        ADD_FAILURE() << "unexpected line " << Cp1251ToUtf8(line);
      }
    }
    EXPECT_EQ(i, row.count);
    EXPECT_EQ(parts, row.parts);
  }
  EXPECT_EQ(partLines, 93);
}

// tests/data/library/repvars_expected.txt (UTF-8) holds every line of the
// catalogue as its layout fixes it; a line "d<i>" without "=" stands for a
// description whose wording is free: any non-empty text.
TEST(RepVarsGSM, EveryLineMatchesTheExpectedCatalogue) {
  const std::vector<std::string> actual = SplitLines(Text());
  std::vector<std::string> expected;
  std::ifstream in(TOLVAREN_TESTDATA_DIR "/library/repvars_expected.txt");
  ASSERT_TRUE(in.good()) << "tests/data/library/repvars_expected.txt is missing";
  for (std::string line; std::getline(in, line);) expected.push_back(Utf8ToCp1251(line));
  ASSERT_EQ(actual.size(), expected.size());
  int free = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const std::string& want = expected[i];
    if (want.size() > 1 && want[0] == 'd' && want.find('=') == std::string::npos) {
      ++free;
      EXPECT_EQ(actual[i].rfind(want + "=", 0), 0u) << "line " << i + 1;
      EXPECT_GT(actual[i].size(), want.size() + 1) << "line " << i + 1;
    } else {
      EXPECT_EQ(actual[i], want) << "line " << i + 1 << ": " << Cp1251ToUtf8(actual[i]);
    }
  }
  EXPECT_EQ(free, 1019 - 71);  // 71 descriptions are fixed
}

std::string Value(const TSection& s, const std::string& key) {
  for (const std::string& l : s.lines)
    if (l.rfind(key + "=", 0) == 0) return l.substr(key.size() + 1);
  ADD_FAILURE() << s.name << " has no " << key;
  return {};
}

// Descriptions whose wording is free but whose content is not.
TEST(RepVarsGSM, ConstrainedDescriptionsSayWhatTheyMust) {
  std::map<std::string, TSection> byName;
  for (TSection& s : Sections(SplitLines(Text()))) byName[s.name] = std::move(s);
  struct Range {
    const char* section;
    int first, last;
  };
  for (const Range& r : {Range{"RepDesc35", 33, 46}, Range{"RepDesc36", 42, 52}})
    for (int i = r.first; i <= r.last; ++i) {
      const std::string d = Value(byName[r.section], "d" + std::to_string(i));
      const std::string tail = "(для записи №1)"_w;
      EXPECT_TRUE(d.size() > tail.size() && d.substr(d.size() - tail.size()) == tail)
          << r.section << " d" << i << ": " << Cp1251ToUtf8(d);
    }
  const std::string checkTypes[] = {"Наличные"_w, "Безналичные 1"_w, "Безналичные 2"_w,
                                    "Безналичные 3"_w, "Безналичные 4"_w};
  for (int type = 0; type < 5; ++type) {
    for (int first : {6, 16}) {  // Type0.., IType0..
      const TSection& s = byName["RepDesc30"];
      const std::string n = std::to_string(first + type);
      EXPECT_EQ(Value(s, "v" + n), (first == 6 ? "Type" : "IType") + std::to_string(type));
      EXPECT_NE(Value(s, "d" + n).find(checkTypes[type]), std::string::npos) << n;
    }
  }
  // A family's "#" stands for a number: its description says so (two
  // quoted ones only use it).
  const std::set<std::string> quoted = {"v7=Sd#", "v40=ITovSVO#"};
  for (const auto& [name, s] : byName)
    for (const std::string& line : s.lines)
      if (line[0] == 'v' && line.back() == '#') {
        const std::string d = Value(s, "d" + line.substr(1, line.find('=') - 1));
        EXPECT_NE(d.find('#'), std::string::npos) << name << " " << line;
        if (name != "RepDesc3" || quoted.count(line) == 0) {
          EXPECT_NE(d.find("номер"_w), std::string::npos) << name << " " << line;
        }
      }
}

TEST(RepVarsGSM, EveryCatalogueIsTheSame) {
  EXPECT_EQ(ReportVarsText(), Text());
  const TRepVarsClass catalogue;
  EXPECT_EQ(catalogue.GetText(), catalogue.GetText());
}

// Python loads the library with ctypes as a host would, reads the
// exported UTF-16 text back through its own Windows-1251 codec and its
// own INI reader.
TEST(RepVarsGSM, PythonReadsTheExportedText) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a sanitized library does not load into the plain interpreter";
#endif
  if (!HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  TempRoot root;
  root.WriteFile("expected.ini", Text());
  int rc = 0;
  const std::string out = RunCommand(std::string("python3 '") + TOLVAREN_SOURCE_DIR +
                                         "/tests/library/repvars_check.py' '" + TOLVAREN_LIBRARY +
                                         "' '" + root.Path() + "/expected.ini' 2>&1",
                                     &rc);
  EXPECT_EQ(rc, 0) << out;
  EXPECT_EQ(out, "ok 40 sections, RepCount 37, 1019 variables\n");
}

}  // namespace
}  // namespace tv::test
