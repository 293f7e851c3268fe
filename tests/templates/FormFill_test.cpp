// Every built-in form filled by the text-form generator: each slot first
// gets a value of exactly its width, then one that overflows it, and the
// value must stand at the slot's column with the ruled layout around it in
// place. The slot positions come from the shared slot table; the expected
// lines are built from them by the slot rules of the form format.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engines/RepGen.h"
#include "platform/text/Cp1251.h"
#include "templates/FormPatterns.h"
#include "tests/support/TempRoot.h"
#include "tests/templates/FormPatternsFixture.h"
#include "tests/templates/FormPatternsSlotTable.h"

namespace tv {
namespace {

using test::kAt;
using test::kEnd;
using test::TSection;

const std::string kFolder = "C:\\FUEL\\FORMS\\REPORT\\";
const std::string kOut = "C:\\TEMP\\fill.txt";

// The forms whose right-hand part the builders repeat once per column.
const std::set<std::string> kColumnForms = {"PrxEx", "RsxEx", "bneRep", "vdPeriod"};

// One slot of a body line as the generator meets it.
struct TLineSlot {
  int col;           // of the opening "~", from 1, in the expanded line
  int width;         // a column width, kEnd or kAt
  std::string name;  // the variable that fills it
};

// One body line of a form after the column copies and the tab expansion.
struct TBodyLine {
  int formLine;  // from 1
  TSection section;
  std::string text;
  std::vector<TLineSlot> slots;  // by column
};

// Variable names (upper-cased) and their values.
using TValues = std::map<std::string, std::string>;

// The right-hand part of a line from column `from` on, repeated `columns`
// times, with "~ " written "k~" in copy k.
std::string ExpandColumns(const std::string& raw, int from, int columns) {
  if (from == 0 || static_cast<int>(raw.size()) < from) return raw;
  std::string out = raw.substr(0, from - 1);
  const std::string part = raw.substr(from - 1, 255);
  for (int k = 1; k <= columns; ++k) {
    for (std::size_t i = 0; i < part.size(); ++i) {
      if (part[i] == '~' && i + 1 < part.size() && part[i + 1] == ' ') {
        out += std::to_string(k) + "~";
        ++i;
      } else {
        out += part[i];
      }
    }
  }
  return out;
}

std::string ExpandTabs(const std::string& line) {
  std::string out;
  for (char c : line) out += c == '\t' ? std::string(8, ' ') : std::string(1, c);
  return out;
}

// A slot's own characters and the blanks after it; kEnd when only blanks
// follow, kAt when "@" follows.
int MeasuredWidth(const std::string& line, std::size_t start, std::size_t close) {
  if (close + 1 < line.size() && line[close + 1] == '@') return kAt;
  const std::size_t end = line.find_first_not_of(' ', close + 1);
  return end == std::string::npos ? kEnd : static_cast<int>(end - start);
}

// The table's slots of one form line, each copy of the repeated part apart.
std::vector<TLineSlot> TableSlots(const std::string& form, int line, const std::string& raw,
                                  int from, int columns) {
  std::vector<TLineSlot> out;
  for (const test::TSlot& s : test::kSlots) {
    if (s.form != form || s.line != line) continue;
    const int length = static_cast<int>(raw.size());
    if (from == 0 || length < from || s.col < from) {
      out.push_back({s.col, s.width, s.name});
      continue;
    }
    EXPECT_GE(s.width, 0) << form << " line " << line << ": open width in a repeated part";
    const std::size_t after = s.col + std::strlen(s.name) + 1;
    const bool numbered = after < raw.size() && raw[after] == ' ';
    const int part = std::min(length - from + 1, 255);
    for (int k = 1; k <= columns; ++k)
      out.push_back({from + (k - 1) * part + (s.col - from), s.width,
                     numbered ? s.name + std::to_string(k) : std::string(s.name)});
  }
  return out;
}

// Adds the slots the table leaves out (the loose ones) and checks that the
// table's slots stand in the expanded line where the table says.
void AddLooseSlots(const std::string& form, TBodyLine& body) {
  const std::multiset<std::string> loose =
      test::kLooseSlots.contains(form) ? test::kLooseSlots.at(form) : std::multiset<std::string>{};
  std::set<int> known;
  for (const TLineSlot& s : body.slots) {
    known.insert(s.col);
    EXPECT_EQ(body.text.substr(s.col - 1, s.name.size() + 2), "~" + s.name + "~")
        << form << " line " << body.formLine;
  }
  const std::string& t = body.text;
  for (std::size_t p = t.find('~'); p != std::string::npos; p = t.find('~', p + 1)) {
    const std::size_t close = t.find('~', p + 1);
    if (close == std::string::npos) break;
    const std::string name = t.substr(p + 1, close - p - 1);
    if (!known.contains(static_cast<int>(p) + 1)) {
      EXPECT_TRUE(loose.contains(name)) << form << " line " << body.formLine << " ~" << name;
      body.slots.push_back({static_cast<int>(p) + 1, MeasuredWidth(t, p, close), name});
    }
    p = close;
  }
  std::sort(body.slots.begin(), body.slots.end(),
            [](const TLineSlot& a, const TLineSlot& b) { return a.col < b.col; });
}

// The column that "@REPEATCOLBEG n" sets, or `current` when the line sets
// none.
int RepeatColumn(const std::string& line, int current) {
  if (line.size() < 15) return current;
  const std::size_t end = line.find_first_of(" \t\n\f\r;", 14);
  const std::string number = line.substr(14, end == std::string::npos ? end : end - 14);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return current;
  return std::stoi(number);
}

// The body lines of a form in form order. A keyword out of its place ends
// the generator's reading of a form, so no body line may follow one.
std::vector<TBodyLine> BodyLines(const std::string& form, int columns) {
  static const std::map<std::string, TSection> kAllowedIn = {{"PAGE", TSection::Head},
                                                             {"GROUP", TSection::PageHeader},
                                                             {"REPEAT", TSection::GroupHeader},
                                                             {"ENDREPEAT", TSection::RepeatBody},
                                                             {"ENDGROUP", TSection::GroupFooter},
                                                             {"ENDPAGE", TSection::PageFooter}};
  const std::vector<std::string>& lines = test::Form(form).Lines;
  const std::vector<TSection> sections = test::Sections(lines);
  std::vector<TBodyLine> out;
  int from = 0;
  bool cut = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& raw = lines[i];
    const int line = static_cast<int>(i) + 1;
    if (raw.starts_with('@')) {
      const std::string key = test::Keyword(raw);
      if (key == "REPEATCOLBEG") from = RepeatColumn(raw, from);
      if (key == "REPEATCOLEND") from = 0;
      if (kAllowedIn.contains(key) &&
          (i == 0 ? TSection::Head : sections[i - 1]) != kAllowedIn.at(key))
        cut = true;
      continue;
    }
    EXPECT_FALSE(cut) << form << " line " << line << " is lost after a misplaced keyword";
    TBodyLine body{line, sections[i], ExpandTabs(ExpandColumns(raw, from, columns)),
                   TableSlots(form, line, raw, from, columns)};
    AddLooseSlots(form, body);
    out.push_back(std::move(body));
  }
  return out;
}

// A value of `length` bytes that shows where it starts and ends: the name,
// a Cyrillic letter, then digits.
std::string ValueFor(const std::string& name, std::size_t length) {
  const std::string seed = AnsiUpperCase(name) + "Ж"_w + "0123456789";
  std::string out;
  while (out.size() < length) out += seed;
  return out.substr(0, length);
}

// The length that fills a slot exactly: its width; for a slot that runs to
// the line's end its own length; for "~Name~@" the bare name (shorter).
std::size_t ExactLength(const TLineSlot& s) {
  if (s.width == kAt) return s.name.size();
  if (s.width == kEnd) return s.name.size() + 2;
  return static_cast<std::size_t>(s.width);
}

TValues ExactValues(const std::vector<TBodyLine>& body) {
  std::map<std::string, std::size_t> lengths;
  for (const TBodyLine& line : body) {
    for (const TLineSlot& s : line.slots) {
      const std::string key = AnsiUpperCase(s.name);
      const std::size_t length = ExactLength(s);
      lengths[key] = lengths.contains(key) ? std::min(lengths[key], length) : length;
    }
  }
  TValues values;
  for (const auto& [key, length] : lengths) values[key] = ValueFor(key, length);
  return values;
}

// The filled line and where each slot's value starts in it.
struct TFilledLine {
  std::string text;
  std::vector<std::size_t> starts;
};

// A slot's value padded to the slot's own width ("~R~" 1, "~N~" 2), taking
// the template's characters up to that width, but never the next "~" nor
// the closing character of a line that holds no further "~"; "~R~" and
// "~N~" take just themselves; "~Name~@" takes its value as it is.
TFilledLine Filled(const TBodyLine& line, const TValues& values) {
  const std::string& t = line.text;
  TFilledLine out;
  std::size_t pos = 0;
  for (const TLineSlot& s : line.slots) {
    const std::size_t start = s.col - 1;
    const std::size_t close = start + s.name.size() + 1;
    const std::string& value = values.at(AnsiUpperCase(s.name));
    out.text += t.substr(pos, start - pos);
    out.starts.push_back(out.text.size());
    if (s.width == kAt) {
      out.text += value;
      pos = close + 2;
      continue;
    }
    const std::size_t least = s.name == "R" ? 1 : s.name == "N" ? 2 : s.name.size() + 2;
    const std::size_t width = std::max(value.size(), least);
    out.text += value + std::string(width - value.size(), ' ');
    if (s.name == "R" || s.name == "N") {
      pos = close + 1;
      continue;
    }
    std::size_t limit = t.find('~', close + 2);
    if (limit == std::string::npos) limit = t.size() - 1 >= close + 2 ? t.size() - 1 : t.size();
    pos = std::max(close + 1, std::min(start + width, limit));
  }
  out.text += t.substr(std::min(pos, t.size()));
  return out;
}

// Output order without paging: head, page header, group header, one row,
// group footer, tail, page footer.
std::vector<const TBodyLine*> OutputOrder(const std::vector<TBodyLine>& body) {
  std::vector<const TBodyLine*> out;
  for (TSection section :
       {TSection::Head, TSection::PageHeader, TSection::GroupHeader, TSection::RepeatBody,
        TSection::GroupFooter, TSection::Tail, TSection::PageFooter})
    for (const TBodyLine& line : body)
      if (line.section == section) out.push_back(&line);
  return out;
}

class FormFill : public testing::Test {
 protected:
  void SetUp() override {
    FormPatterns::CreatePatterns();
    for (const FormPatterns::TPatternCell* cell : *FormPatterns::Patterns) {
      forms_.push_back((*cell)->Name);
      root_.WriteFile("c/FUEL/FORMS/REPORT/" + (*cell)->Name + ".frm", (*cell)->Lines.Text());
    }
    root_.WriteFile("c/TEMP/.keep", "");
    RepGen::UseAltForms = false;
  }

  // The report lines of one row filled into the form.
  std::vector<std::string> Fill(const std::string& form, int columns, const TValues& values) {
    {
      TFileRepGen gen(kFolder + form + ".frm", kOut, true, 0, static_cast<uint8_t>(columns));
      for (const auto& [name, value] : values) gen.SetVar(name, value);
      gen.PrintRepeat();
      gen.EndReport();
    }
    const std::string text = root_.ReadFile("c/TEMP/fill.txt");
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << form << ": the report does not end with CR LF";
    return lines;
  }

  // Fills the form and compares every report line with the expected one.
  // Returns the report and the expected lines, both in output order.
  std::pair<std::vector<std::string>, std::vector<TFilledLine>> FillAndCompare(
      const std::string& form, int columns, const std::vector<TBodyLine>& body,
      const TValues& values) {
    std::vector<std::string> report = Fill(form, columns, values);
    std::vector<TFilledLine> expected;
    const std::vector<const TBodyLine*> order = OutputOrder(body);
    for (const TBodyLine* line : order) expected.push_back(Filled(*line, values));
    EXPECT_EQ(report.size(), expected.size()) << form;
    report.resize(expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(Cp1251ToUtf8(report[i]), Cp1251ToUtf8(expected[i].text))
          << form << " (" << columns << " columns) line " << order[i]->formLine;
    return {std::move(report), std::move(expected)};
  }

  std::vector<std::pair<std::string, int>> Cases() const {
    std::vector<std::pair<std::string, int>> out;
    for (const std::string& form : forms_) {
      out.emplace_back(form, 1);
      if (kColumnForms.contains(form)) out.emplace_back(form, 3);
    }
    return out;
  }

  test::TempRoot root_;
  std::vector<std::string> forms_;
};

TEST_F(FormFill, ValuesOfTheSlotWidthFillEachColumnExactly) {
  ASSERT_EQ(forms_.size(), 31u);
  for (const auto& [form, columns] : Cases()) {
    const std::vector<TBodyLine> body = BodyLines(form, columns);
    const TValues values = ExactValues(body);
    const auto [report, filled] = FillAndCompare(form, columns, body, values);
    const std::vector<const TBodyLine*> order = OutputOrder(body);
    // Every value of a slot with a width stands at the slot's column and
    // fills it to the next column's border.
    for (std::size_t i = 0; i < order.size(); ++i) {
      bool shifted = false;
      for (std::size_t j = 0; j < order[i]->slots.size(); ++j) {
        const TLineSlot& s = order[i]->slots[j];
        SCOPED_TRACE(form + " line " + std::to_string(order[i]->formLine) + " ~" + s.name);
        if (s.width == kAt) {
          shifted = true;
          continue;
        }
        if (!shifted) {
          EXPECT_EQ(filled[i].starts[j], static_cast<std::size_t>(s.col - 1));
        }
        if (s.width == kEnd) continue;
        const std::string& value = values.at(AnsiUpperCase(s.name));
        const std::string cell = value + std::string(s.width - value.size(), ' ');
        const std::size_t start = filled[i].starts[j];
        EXPECT_EQ(report[i].substr(start, s.width), cell);
        // The column is the slot and blanks up to a border or the next text,
        // which stays where it stood; a slot right there gets its own value.
        const std::string& t = order[i]->text;
        const std::size_t after = s.col - 1 + s.width;
        const std::size_t own = s.col - 1 + s.name.size() + 2;
        EXPECT_EQ(t.find_first_not_of(' ', own), after < t.size() ? after : std::string::npos);
        if (after < t.size() && t[after] != '~') {
          ASSERT_LT(start + s.width, report[i].size());
          EXPECT_EQ(report[i][start + s.width], t[after]);
        }
      }
    }
  }
}

TEST_F(FormFill, AnOverflowingValueStaysWholeAndKeepsTheNextColumn) {
  for (const auto& [form, columns] : Cases()) {
    const std::vector<TBodyLine> body = BodyLines(form, columns);
    const TValues exact = ExactValues(body);
    for (const auto& [name, value] : exact) {
      TValues values = exact;
      values[name] = ValueFor(name, value.size() + 3);
      const auto [report, filled] = FillAndCompare(form, columns, body, values);
      const std::vector<const TBodyLine*> order = OutputOrder(body);
      for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = 0; j < order[i]->slots.size(); ++j)
          if (AnsiUpperCase(order[i]->slots[j].name) == name) {
            EXPECT_EQ(report[i].substr(filled[i].starts[j], values[name].size()), values[name])
                << form << " line " << order[i]->formLine;
          }
    }
  }
}

}  // namespace
}  // namespace tv
