// Every slot of the built-in forms at its line, column and width, from the
// layout of each form: the builders rely on a value of that width landing
// in its table column.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "templates/FormPatterns.h"
#include "tests/templates/FormPatternsFixture.h"
#include "tests/templates/FormPatternsSlotTable.h"

namespace tv {
namespace {

using test::kAt;
using test::kEnd;
using test::kLooseSlots;
using test::kSlots;
using test::TSlot;

// Width of the slot at [start, close]: its own characters and the blanks
// after it; kEnd when only blanks follow, kAt when "@" follows.
int MeasuredWidth(const std::string& line, std::size_t start, std::size_t close) {
  if (close + 1 < line.size() && line[close + 1] == '@') return kAt;
  std::size_t end = line.find_first_not_of(' ', close + 1);
  if (end == std::string::npos) return kEnd;
  return static_cast<int>(end - start);
}

TEST(FormPatternsSlots, EverySlotLandsAtItsColumnWithItsWidth) {
  for (const TSlot& s : kSlots) {
    const std::vector<std::string>& lines = test::Form(s.form).Lines;
    ASSERT_LE(s.line, static_cast<int>(lines.size())) << s.form;
    const std::string& line = lines[s.line - 1];
    const std::string slot = std::string("~") + s.name + "~";
    SCOPED_TRACE(std::string(s.form) + " line " + std::to_string(s.line) + " " + slot);
    EXPECT_EQ(line.find('\t'), std::string::npos);
    EXPECT_EQ(test::Sections(lines)[s.line - 1], s.section);
    ASSERT_GE(line.size(), s.col - 1 + slot.size());
    EXPECT_EQ(line.substr(s.col - 1, slot.size()), slot);
    const std::size_t close = s.col - 1 + slot.size() - 1;
    const int measured = MeasuredWidth(line, s.col - 1, close);
    if (s.width == kEnd || s.width == kAt) {
      EXPECT_EQ(measured, s.width);
    } else if (measured == kEnd) {
      // A width that reaches the end of the line: trailing blanks count.
      EXPECT_EQ(static_cast<int>(line.size()) - (s.col - 1), s.width);
    } else {
      EXPECT_EQ(measured, s.width);
    }
  }
}

// No form holds a slot that the layouts do not name.
TEST(FormPatternsSlots, FormsHoldNoOtherSlots) {
  std::map<std::string, std::multiset<std::string>> expected = kLooseSlots;
  for (const TSlot& s : kSlots) expected[s.form].insert(s.name);
  for (const auto& [form, names] : expected) {
    std::multiset<std::string> found;
    for (const std::string& line : test::Form(form).Lines) {
      if (line.starts_with('@')) continue;
      for (std::size_t p = line.find('~'); p != std::string::npos; p = line.find('~', p + 1)) {
        const std::size_t close = line.find('~', p + 1);
        if (close == std::string::npos) break;
        found.insert(line.substr(p + 1, close - p - 1));
        p = close;
      }
    }
    EXPECT_EQ(found, names) << form;
  }
  for (const char* name : {"SmenaEnd", "SmenaKassaFinRep", "EmptyReport"}) {
    for (const std::string& line : test::Form(name).Lines)
      EXPECT_EQ(line.find('~'), std::string::npos) << name;
  }
}

// A border line of a table: the column bars stand where the repeat body's
// bars stand, so a value of the slot's width fills its column exactly.
TEST(FormPatternsSlots, BodyBarsLineUpWithTheBorder) {
  struct TTable {
    const char* form;
    int border, body;
  };
  const TTable tables[] = {
      {"Smena1", 8, 11},         {"Smena4", 9, 12},     {"SmenaSink", 9, 12},
      {"Smena5", 10, 13},        {"Smena6", 8, 11},     {"Smena3", 8, 11},
      {"AktVozvr", 21, 24},      {"AktVozvr2", 15, 17}, {"AktVozvrPr2", 22, 24},
      {"BackCard", 12, 15},      {"CardRep", 12, 14},   {"CouponRep", 11, 13},
      {"bonus", 16, 14},         {"history", 9, 12},    {"vdMobil", 11, 14},
      {"vdPeriod", 11, 14},      {"bneRep", 11, 14},    {"ReportInventory", 14, 16},
      {"ReportTovarIn", 16, 19},
  };
  for (const TTable& t : tables) {
    const std::vector<std::string>& lines = test::Form(t.form).Lines;
    const std::string& border = lines[t.border - 1];
    const std::string& body = lines[t.body - 1];
    ASSERT_GE(border.size(), body.size()) << t.form;
    for (std::size_t i = 0; i < body.size(); ++i) {
      const bool bar = body[i] == '|';
      const bool cross = border[i] == '+';
      EXPECT_EQ(bar, cross) << t.form << " column " << i + 1;
    }
  }
}

}  // namespace
}  // namespace tv
