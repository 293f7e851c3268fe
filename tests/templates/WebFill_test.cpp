// Every built-in HTML template, installed as a file from the library's own
// text, opened by THTML_Jet and filled like a report builder fills it: two
// records per group, one or two groups on each level, group totals by both
// totals operations and the grand totals. The page must come out without
// an error, with no directive left, with every value in its place, and
// well-formed by Python's html.parser (tests/templates/check_html.py).

#include "tests/templates/WebFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "templates/WebFormPatterns.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

using WebFormPatterns::PatternAt;

constexpr int kTemplates = 43;

// The text around the first leftover directive, for the failure message.
std::string Around(const std::string& text, std::size_t at) {
  const std::size_t from = at > 80 ? at - 80 : 0;
  return Cp1251ToUtf8(text.substr(from, 200));
}

TEST(WebFill, PlansAndDescriptionsFollowTheRegistry) {
  ASSERT_EQ(WebRegistry().size(), static_cast<std::size_t>(kTemplates));
  ASSERT_EQ(WebFacts().size(), static_cast<std::size_t>(kTemplates));
  ASSERT_EQ(WebFillPlans().size(), static_cast<std::size_t>(kTemplates));
  for (int i = 0; i < kTemplates; ++i) {
    EXPECT_EQ(WebFacts()[i].name, PatternAt(WebRegistry(), i).Name) << i;
    EXPECT_EQ(WebFillPlans()[i].name, PatternAt(WebRegistry(), i).Name) << i;
    // A template with groups has records; a form has neither.
    const bool grouped = WebFillPlans()[i].outer || WebFillPlans()[i].inner;
    EXPECT_EQ(grouped, !WebFacts()[i].row.empty()) << Cp1251ToUtf8(WebFillPlans()[i].name);
    // Every name the plan mentions is one of the template's directives.
    const TWebFillPlan& plan = WebFillPlans()[i];
    const std::set<std::string>& vars = WebFacts()[i].vars;
    std::vector<std::string> named(plan.texts.begin(), plan.texts.end());
    for (const auto& s : plan.numbers) named.push_back(s.name);
    for (const auto& s : plan.dates) named.push_back(s.name);
    for (const std::string& n : named)
      EXPECT_EQ(vars.count(n), 1u) << Cp1251ToUtf8(plan.name + ": " + n);
    for (const std::string& n : plan.extras) {
      const auto& blocks = WebFacts()[i].blocks;
      EXPECT_NE(std::find(blocks.begin(), blocks.end(), n), blocks.end())
          << Cp1251ToUtf8(plan.name + ": " + n);
    }
  }
}

// The receipt computes its net amount and VAT itself from the gross amount
// (its ScriptValues parameter): 118 gives 100 and 18. Without a script
// control those cells print "&nbsp;" and the page is still complete.
TEST(WebFill, ReceiptSplitsTheAmountByItsOwnFormulas) {
  const TWebTemplateCase c = WebTemplateCase("Товарный чек"_w);
  ASSERT_NE(c.pattern, nullptr);
  TempRoot root;
  FillSettingsScope settings;
  const std::string file = std::string(kWebRepDir) + c.pattern->Name + ".html";
  WriteRawFile(file, JoinLines(LinesOf(c.pattern->Lines)));
  THTML_Jet jet(file);
  jet.Init();
  jet.AddFloat("Summa", "%.2n", 118);
  jet.EndLine();
  jet.MakeItog2("%.2n");
  jet.EndOGroup();
  std::string out;
  jet.GetReady(out);
  EXPECT_EQ(AnsiLowerCase(out).find("&lt;#"), std::string::npos);
  // The record row and the totals row each show the three amounts.
  const int shown = jet.HasScript() ? 2 : 0;
  EXPECT_EQ(CountIn(out, {"net", "<nobr>100,00</nobr>", 0, false, false}), shown);
  EXPECT_EQ(CountIn(out, {"VAT", "<nobr>18,00</nobr>", 0, false, false}), shown);
  EXPECT_EQ(CountIn(out, {"gross", "<nobr>118,00</nobr>", 0, false, false}), 2);
}

class WebFillTemplate : public ::testing::TestWithParam<int> {};

TEST_P(WebFillTemplate, FillsCompletelyAndStaysWellFormed) {
  const int i = GetParam();
  ASSERT_EQ(WebRegistry().size(), static_cast<std::size_t>(kTemplates));
  ASSERT_EQ(WebFacts().size(), static_cast<std::size_t>(kTemplates));
  ASSERT_EQ(WebFillPlans().size(), static_cast<std::size_t>(kTemplates));
  const WebFormPatterns::CPattern& pattern = PatternAt(WebRegistry(), i);
  SCOPED_TRACE(Cp1251ToUtf8(pattern.Name));
  ASSERT_EQ(WebFacts()[i].name, pattern.Name);
  ASSERT_EQ(WebFillPlans()[i].name, pattern.Name);

  TempRoot root;
  FillSettingsScope settings;
  TFilledTemplate filled;
  try {
    filled = FillWebTemplate(WebFacts()[i], WebFillPlans()[i], JoinLines(LinesOf(pattern.Lines)));
  } catch (const Exception& e) {
    FAIL() << Cp1251ToUtf8(e.Message());
  }
  const std::string& out = filled.output;
  ASSERT_FALSE(out.empty());

  const std::string lower = AnsiLowerCase(out);
  const std::size_t left = lower.find("&lt;#");
  EXPECT_EQ(left, std::string::npos) << "a directive is left: " << Around(out, left);
  for (const char* mark : {"<_table", "<_/table", "<_tr", "<_td", "row$thead"})
    EXPECT_EQ(lower.find(mark), std::string::npos) << mark;

  for (const TFillExpectation& e : filled.expected) {
    const int n = CountIn(out, e);
    if (e.exact)
      EXPECT_EQ(n, e.count) << e.what << ": \"" << Cp1251ToUtf8(e.text) << "\"";
    else
      EXPECT_GE(n, e.count) << e.what << ": \"" << Cp1251ToUtf8(e.text) << "\"";
  }

  bool ran = false;
  const std::string report = CheckHtml(out, ran);
  if (!ran) GTEST_SKIP() << "python3 is not installed: well-formedness not checked";
  EXPECT_EQ(report, "");
}

INSTANTIATE_TEST_SUITE_P(Registry, WebFillTemplate, ::testing::Range(0, kTemplates),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Pattern" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace tv::test
