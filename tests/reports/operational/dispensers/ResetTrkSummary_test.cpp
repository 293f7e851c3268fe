// The restart summary, which only a caller with a template and a range of
// two closed shifts gets (the close-of-shift report's restart section):
// MakeResetTrkReports called in-process on the sample station database
// with db/add-sample-dispensers, its totals against independent SQL sums.

#include "reports/operational/dispensers/ResetTrkReport.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "engines/HTMLJet.h"
#include "library/CVariant.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "library/ReportsInterface.h"
#include "library/ReportsLog.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "tests/library/SampleDatabase.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

std::map<int, Variant> answers;

int32_t Answer(TVVariant* result, int32_t code, int32_t) {
  const auto it = answers.find(code);
  if (it == answers.end()) return TV_HOST_FAILED;
  ToCVariant(it->second, result);
  return TV_HOST_OK;
}

// The page of the summary: every variable it is given, in one line.
const char* const kSummaryPage =
    "<html><body><p>&lt;#BegSmena&gt;-&lt;#EndSmena&gt;|&lt;#OtlivCount&gt;|&lt;#SmenaList&gt;|"
    "&lt;#AbsentCheckCount&gt;|&lt;#AbsentCheckSumma&gt;</p>\n&lt;#ResetBySmenaTable&gt;\n"
    "&lt;#ResetByGSMTable&gt;\n</body></html>\n";

class ResetTrkSummary : public ::testing::Test {
 protected:
  ResetTrkSummary() {
    LibraryStartup();  // binds the support library, as every export does first
    answers = {{46, Variant(3)},
               {5, Variant(std::string("C:\\FUEL\\DB\\"))},
               {13, Variant("АЗС №1"_w)}};
    StoreHostProcs(nullptr, Answer, nullptr);
    OfficeHost = true;
    root.WriteFile("c/FUEL/LogFiles/.keep", "");
    test::InstallSampleStationDatabase(root);
    int rc = -1;
    const std::string out = test::RunCommand(std::string(TOLVAREN_SOURCE_DIR) +
                                                 "/db/add-sample-dispensers --root '" +
                                                 root.Path() + "' 2>&1",
                                             &rc);
    EXPECT_EQ(rc, 0) << out;
    for (const char* name : {"Число перезагрузок по сменам.html", "Сумма перезагрузок по ГСМ.html",
                             "Информация по перезагрузкам.html"})
      root.WriteFile(std::string("c/FUEL/FORMS/WEBREP/") + name,
                     Utf8ToCp1251(ReadFileBytes(Utf8ToCp1251(std::string(TOLVAREN_SOURCE_DIR) +
                                                             "/templates/web/" + name))));
    root.WriteFile("c/FUEL/FORMS/WEBREP/Суммарный отчет по перезагрузкам.html", kSummaryPage);
  }
  ~ResetTrkSummary() override {
    ClearHostProcs();
    OfficeHost = false;
  }

  std::string Summary(int from, int to) {
    TReportCreator creator;
    std::string html;
    MakeResetTrkReports(creator, from, to, EncodeDateTime(2024, 4, 1, 0, 0, 0, 0),
                        EncodeDateTime(2024, 4, 2, 23, 59, 59, 0),
                        "Информация по перезагрузкам.html"_w, html);
    // Texts only: tags dropped, blanks made one.
    std::string text = std::regex_replace(Cp1251ToUtf8(html), std::regex("<[^>]*>"), " ");
    text = std::regex_replace(text, std::regex("&nbsp;|\xC2\xA0"), " ");
    return std::regex_replace(text, std::regex("\\s+"), " ");
  }
  test::TempRoot root;
};

TEST_F(ResetTrkSummary, TotalsOfTheRangeAndItsTwoTables) {
  const std::string text = Summary(12, 13);
  // Shift 12 holds four fills (one at its very end, also the begin of 13),
  // shift 13 two; one full-tank receipt of 420 for an order of 500 is short.
  EXPECT_NE(text.find(" 12 - 13 | 6 |12 (4 шт), 13 (2 шт)| 1,00 | 80,00 "), std::string::npos)
      << text;
  EXPECT_NE(text.find(" 12 01.04.2024 08:00:00 01.04.2024 20:00:00 Иванова И. И. 4 "),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" 13 01.04.2024 20:00:00 02.04.2024 08:00:00 Петров П. П. 2 "),
            std::string::npos);
  // Per fuel: ordered amounts, and what the register took (fills by litres
  // or sum: the order and the completing receipt; full tank: the receipt).
  const auto rows = test::IsqlSelect(
      root.Path() + "/c/FUEL/DB/Velmar.FDB",
      Utf8ToCp1251(
          "SELECT GSM, CAST(SUM(STARTSUMMA) AS NUMERIC(12,2)) AS SS, "
          "CAST(SUM(STARTLITER) AS NUMERIC(12,2)) AS SL, CAST(SUM(CASE WHEN TYPESTART IN (0, 1) "
          "THEN STARTSUMMA + SUMMA_LAST_KKM WHEN TYPESTART = 2 THEN SUMMA_LAST_KKM ELSE 0 END) AS "
          "NUMERIC(12,2)) AS KS, CAST(SUM(CASE WHEN TYPESTART IN (0, 1) THEN STARTLITER + "
          "LITER_LAST_KKM WHEN TYPESTART = 2 THEN LITER_LAST_KKM ELSE 0 END) AS NUMERIC(12,2)) AS "
          "KL FROM RESETTRK WHERE STARTDATA BETWEEN '2024-04-01' AND '2024-04-02 23:59:59' "
          "GROUP BY GSM"));
  ASSERT_EQ(rows.size(), 3u);
  const auto n = [](std::string v) {
    for (char& c : v) c = c == '.' ? ',' : c;
    // Thousands grouped by a blank, as the report writes them.
    const std::size_t comma = v.find(',');
    if (comma > 3) v.insert(comma - 3, " ");
    return v;
  };
  for (const auto& r : rows) {
    const std::string line = " " + Cp1251ToUtf8(r.at("GSM")) + " " + n(r.at("SS")) + " " +
                             n(r.at("SL")) + " " + n(r.at("KS")) + " " + n(r.at("KL")) + " ";
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
}

TEST_F(ResetTrkSummary, EqualShiftsGiveTheDetailedReport) {
  const std::string text = Summary(12, 12);
  EXPECT_NE(text.find("Примечание:"), std::string::npos) << text;
  EXPECT_EQ(text.find("шт)"), std::string::npos);
}

}  // namespace
}  // namespace tv
