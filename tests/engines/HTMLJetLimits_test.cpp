// Size and record limits, and large templates and reports: a limit stops
// the report with its own message (the value equal to the limit passes),
// and large inputs work in time that grows with their size.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

constexpr std::int64_t kMiB = 1048576;

const char* const kInnerTable =
    "<table>\n<tr><td>H</td></tr>\n<tr><td>&lt;#Group&gt;</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></"
    "tr>\n"
    "<tr><td>&lt;#V&gt;</td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n"
    "<tr><td>&lt;#EndGroup&gt;</td></tr>\n</table>";
const char* const kOuterTable =
    "<p>&lt;#Group&gt;</p>\n<table>\n<tr><td>H</td></tr>\n<tr><td>&lt;#Repeat&gt;</td></tr>\n"
    "<tr><td>&lt;#V&gt;</td></tr>\n<tr><td>&lt;#EndRepeat&gt;</td></tr>\n</"
    "table>\n<p>&lt;#EndGroup&gt;</p>";
// A rendered record of kInnerTable/kOuterTable: "<tr><td>" + value + "</td></tr>".
constexpr std::size_t kRecordFrame = 18;

class HTMLJetLimits : public ::testing::Test {
 protected:
  std::unique_ptr<THTML_Jet> Engine(const std::string& text) {
    WriteCp1251File(kWebRepDir + std::string("t.html"), text);
    auto jet = std::make_unique<THTML_Jet>(kWebRepDir + std::string("t.html"));
    jet->Init();
    return jet;
  }
  // Runs `step` and returns the message it fails with ("" when it passes).
  template <class Step>
  static std::string FailureOf(Step&& step) {
    try {
      step();
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), "Exception");
      return Cp1251ToUtf8(e.Message());
    }
    return {};
  }

  TempRoot root_;
  JetSettingsScope settings_;
};

TEST_F(HTMLJetLimits, RecordLimitCountsRecordsOverAllGroups) {
  HTMLJet::MaxReportRows = 2;
  auto jet = Engine(kInnerTable);
  jet->EndLine();
  jet->EndIGroup();
  jet->EndLine();
  EXPECT_EQ(FailureOf([&] { jet->EndLine(); }),
            "THTML_Jet.EndLine -> Превышено максимальное число строк в отчете: 2 <# Exception #>");
}

TEST_F(HTMLJetLimits, RunawayBuilderStopsAtTheDefaultRecordLimit) {
  HTMLJet::MaxReportRows = 50000;
  auto jet = Engine(kInnerTable);
  int closed = 0;
  const std::string message = FailureOf([&] {
    for (; closed < 1000000; ++closed) {
      jet->Add("V", "x");
      jet->EndLine();
      if (closed % 1000 == 999) jet->EndIGroup();
    }
  });
  EXPECT_EQ(closed, 50000);
  EXPECT_EQ(
      message,
      "THTML_Jet.EndLine -> Превышено максимальное число строк в отчете: 50000 <# Exception #>");
}

TEST_F(HTMLJetLimits, GroupTextEqualToTheLimitPassesOneMoreByteFails) {
  HTMLJet::MaxReportSizeMB = 1;
  const std::string exact(kMiB - kRecordFrame, 'x');
  auto atLimit = Engine(kInnerTable);
  atLimit->Add("V", exact);
  EXPECT_EQ(FailureOf([&] { atLimit->EndLine(); }), "");
  // The inner group adds its line breaks to the record: over the limit.
  EXPECT_EQ(FailureOf([&] { atLimit->EndIGroup(); }),
            "THTML_Jet.EndIGroup -> Превышен максимальный размер отчета 1 МБ <# Exception #>");

  auto overLimit = Engine(kInnerTable);
  overLimit->Add("V", exact + "x");
  EXPECT_EQ(FailureOf([&] { overLimit->EndLine(); }),
            "THTML_Jet.EndLine -> Превышен максимальный размер отчета 1 МБ <# Exception #>");

  // The group's records add up.
  auto twoHalves = Engine(kInnerTable);
  twoHalves->Add("V", std::string(kMiB / 2 - kRecordFrame, 'x'));
  twoHalves->EndLine();
  twoHalves->Add("V", std::string(kMiB / 2 - kRecordFrame + 1, 'x'));
  EXPECT_NE(FailureOf([&] { twoHalves->EndLine(); }), "");
}

TEST_F(HTMLJetLimits, OuterGroupAndDocumentAreCheckedToo) {
  HTMLJet::MaxReportSizeMB = 1;
  auto outer = Engine(kOuterTable);
  outer->Add("V", std::string(kMiB - kRecordFrame, 'x'));
  outer->EndLine();
  EXPECT_EQ(FailureOf([&] { outer->EndOGroup(); }),
            "THTML_Jet.EndOGroup -> Превышен максимальный размер отчета 1 МБ <# Exception #>");

  // A form is the whole template: its text exactly at the limit passes.
  auto exactForm = Engine(std::string(kMiB - 2, 'f'));
  EXPECT_EQ(FailureOf([&] { exactForm->EndDoc(); }), "");
  auto bigForm = Engine(std::string(kMiB - 1, 'f'));
  EXPECT_EQ(FailureOf([&] { bigForm->EndDoc(); }),
            "THTML_Jet.EndDoc -> Превышен максимальный размер отчета 1 МБ <# Exception #>");
  auto viaReady = Engine(std::string(kMiB - 1, 'f'));
  std::string out;
  EXPECT_EQ(FailureOf([&] { viaReady->GetReady(out); }),
            "THTML_Jet.GetReady -> THTML_Jet.EndDoc -> Превышен максимальный размер отчета 1 МБ <# "
            "Exception #>");
}

TEST_F(HTMLJetLimits, TemplateOfSeveralMegabytesWorks) {
  // About 6 MB: 60 000 paragraphs, each with a placeholder, around a table.
  std::string text = "<html><body>\n";
  for (int i = 0; i < 60000; ++i)
    text += "<p>Строка " + std::to_string(i) + ": &lt;#Name" + std::to_string(i % 50) +
            "&gt; и комментарий &lt;#%не выводится&gt; с длинным хвостом текста</p>\n";
  text += kInnerTable;
  text += "\n</body></html>";
  const auto start = std::chrono::steady_clock::now();
  auto jet = Engine(text);
  for (int k = 0; k < 50; ++k) jet->Add("Name" + std::to_string(k), "N" + std::to_string(k));
  jet->Add("V", "1");
  jet->EndLine();
  jet->EndIGroup();
  std::string out;
  jet->GetReady(out);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(out.size(), 4u * kMiB);
  EXPECT_EQ(out.find("&lt;#"), std::string::npos);
  EXPECT_NE(out.find(Utf8ToCp1251("<p>Строка 59999: N49 и комментарий &nbsp; с")),
            std::string::npos);
  EXPECT_NE(out.find("<tr><td>1</td></tr>"), std::string::npos);
  RecordProperty("seconds", std::to_string(seconds));
}

TEST_F(HTMLJetLimits, HundredThousandRecordsWithRaisedLimits) {
  HTMLJet::MaxReportRows = 100000;
  HTMLJet::MaxReportSizeMB = 100;
  auto jet = Engine(kInnerTable);
  for (int group = 0; group < 100; ++group) {
    for (int i = 0; i < 1000; ++i) {
      jet->AddFloat("V", "%.2n", group * 1000 + i + 0.5);
      jet->EndLine();
    }
    jet->MakeItog2("%.2n");
    jet->EndIGroup();
  }
  std::string out;
  jet->GetReady(out);
  EXPECT_EQ(HTMLProcess::CheckTRPairs(out), 100001);
  EXPECT_NE(out.find("<tr><td><nobr>99 999,50</nobr></td></tr>"), std::string::npos);
}

}  // namespace
}  // namespace tv::test
