// The registry of built-in HTML templates: list, cells, order, names, line
// counts, the registration routines and repeated builds, against the
// registry table of the template descriptions and against iconv's
// conversion of the source files.

#include "templates/WebFormPatterns.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <utility>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"
#include "tests/templates/WebTemplateFacts.h"
#include "tools/embedtext/EmbeddedText.h"

namespace tv::embedded {
extern const EmbeddedText WebFormTexts[];
extern const std::size_t WebFormTextsCount;
}  // namespace tv::embedded

namespace tv::WebFormPatterns {
namespace {

using test::LoadWebTemplateFacts;

TEST(WebFormPatterns, CreatePatternsListsTheTemplatesInRegistryOrder) {
  const auto facts = LoadWebTemplateFacts();
  ASSERT_EQ(facts.size(), 43u);
  CreatePatterns();
  ASSERT_NE(Patterns, nullptr);
  const TPatternList& list = *Patterns;
  ASSERT_EQ(list.size(), 43u);
  std::set<std::string> names;
  for (std::size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(Cp1251ToUtf8(facts[i].name));
    ASSERT_NE(list[i], nullptr);
    ASSERT_NE(*list[i], nullptr);
    const CPattern& p = PatternAt(list, i);
    EXPECT_EQ(&p, *list[i]);
    EXPECT_EQ(p.Name, facts[i].name);
    EXPECT_EQ(static_cast<std::size_t>(p.Lines.Count()), facts[i].lines);
    EXPECT_LE(p.Name.size(), 36u);
    EXPECT_TRUE(names.insert(p.Name).second) << "name used twice";
    for (const std::string& line : test::LinesOf(p.Lines))
      ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << "line holds a line break";
  }
  EXPECT_EQ(Cp1251ToUtf8(PatternAt(list, 0).Name), "Периодический отчет о возврате");
  EXPECT_EQ(Cp1251ToUtf8(PatternAt(list, 42).Name), "Отчет по перекачке топлива");
  EXPECT_THROW(PatternAt(list, 43), std::out_of_range);
}

TEST(WebFormPatterns, EmbeddedFilesFollowTheRegistryOrder) {
  const auto facts = LoadWebTemplateFacts();
  ASSERT_EQ(embedded::WebFormTextsCount, facts.size());
  for (std::size_t i = 0; i < facts.size(); ++i)
    EXPECT_EQ(embedded::WebFormTexts[i].Name(), facts[i].name) << i;
}

// The build step's conversion against iconv: every pattern's lines joined
// with CR LF are the source file converted to Windows-1251 with CR LF ends.
TEST(WebFormPatterns, LinesAreTheSourceFilesInWindows1251) {
  if (!test::HaveCommand("iconv")) GTEST_SKIP() << "iconv is not installed";
  CreatePatterns();
  test::TempRoot root;
  for (std::size_t i = 0; i < Patterns->size(); ++i) {
    const CPattern& p = PatternAt(*Patterns, i);
    SCOPED_TRACE(Cp1251ToUtf8(p.Name));
    const std::filesystem::path source = std::filesystem::path(TOLVAREN_SOURCE_DIR) / "templates" /
                                         "web" / (Cp1251ToUtf8(p.Name) + ".html");
    int rc = -1;
    const std::string converted = test::RunCommand(
        "iconv -f UTF-8 -t WINDOWS-1251 '" + source.string() + "' | sed 's/$/\\r/'", &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(p.Lines.Text(), converted);
  }
}

TEST(WebFormPatterns, EachRoutineAppendsItsOwnTemplate) {
  const std::pair<void (*)(), const char*> routines[] = {
      {PatternPeriodicReturnReport, "Периодический отчет о возврате"},
      {PatternExtendedStatementReport, "Расширенный отчет по ведомостям"},
      {PatternCouponReport, "Отчет по талонам"},
      {PatternReturnAct, "Акт возврата"},
      {PatternTrkSalesHistory, "История продаж по ТРК"},
      {PatternFuelPumpOutReport, "Отчет по откачке топлива"},
      {PatternVehicleStatement, "Ведомость по автомобилю"},
      {PatternDriverStatement, "Ведомость по водителю"},
      {PatternContractReport, "Отчет по договорам"},
      {PatternCounterpartyStatement, "Ведомость по контрагенту"},
      {PatternDiscountCardReport, "Отчет по дисконтным картам"},
      {PatternTTN1, "ТТН1"},
      {PatternTTN2, "ТТН2"},
      {PatternTorg12, "ТОРГ-12"},
      {PatternTovarCheck, "Товарный чек"},
      {PatternCardReport, "Отчет по картам"},
      {PatternTorg12Variant1, "ТОРГ-12-1"},
      {PatternTorg12Variant2, "ТОРГ-12-2"},
      {PatternLimitDetail, "Детализация лимитов"},
      {PatternSiloInfo, "Информация о резервуарах"},
      {PatternTrkInfo, "Информация о ТРК"},
      {PatternRestartInfo, "Информация по перезагрузкам"},
      {PatternPendingTerminalReturns, "Непроизведенные возвраты на терминал"},
      {PatternBonusDiscountReport, "Отчет по бонусам и скидкам"},
      {PatternStatementPeriodReport, "Отчет по ведомостям за период"},
      {PatternSmenaFooter, "Подвал сменного отчета"},
      {PatternFuelPumpOutDetail, "Расшифровка откачки топлива"},
      {PatternFuelReceiptDetail, "Расшифровка поступления топлива"},
      {PatternRestartSumByGSM, "Сумма перезагрузок по ГСМ"},
      {PatternRestartSummary, "Суммарный отчет по перезагрузкам"},
      {PatternLimitBalances, "Текущие остатки по лимитам"},
      {PatternFinReportCustom, "Финансовый отчет нестандартный"},
      {PatternFinKKMReport, "Финансовый отчет по кассам"},
      {PatternFinReport, "Финансовый отчет"},
      {PatternRestartCountBySmena, "Число перезагрузок по сменам"},
      {PatternSmenaHeader, "Шапка сменного отчета"},
      {PatternMeasureCanReport, "Отчет по мернику"},
      {PatternFuelArrivalReport, "Отчет по приходу топлива"},
      {PatternTaxInvoice, "Счет-фактура"},
      {PatternKeeperGSMMovement, "Движение ГСМ по хранителю"},
      {PatternShipmentReceipt, "Квитанция об отгрузке"},
      {PatternRepriceHistory, "История переоценки ГСМ"},
      {PatternFuelTransferReport, "Отчет по перекачке топлива"},
  };
  TPatternList* saved = Patterns;
  TPatternList own;
  Patterns = &own;
  for (const auto& [routine, name] : routines) {
    const std::size_t before = own.size();
    routine();
    ASSERT_EQ(own.size(), before + 1) << name;
    EXPECT_EQ(Cp1251ToUtf8(PatternAt(own, before).Name), name);
  }
  Patterns = saved;
}

TEST(WebFormPatterns, ARoutineWithoutAListRaises) {
  TPatternList* saved = Patterns;
  Patterns = nullptr;
  EXPECT_THROW(PatternTTN1(), EWebFormPatternError);
  Patterns = saved;
}

// A later form check gets the same list, unchanged, not a second copy.
TEST(WebFormPatterns, ASecondBuildReusesTheFirstList) {
  CreatePatterns();
  TPatternList* first = Patterns;
  const std::string firstText = PatternAt(*first, 11).Lines.Text();
  CreatePatterns();
  ASSERT_EQ(Patterns, first);
  ASSERT_EQ(first->size(), 43u);
  EXPECT_EQ(PatternAt(*first, 11).Lines.Text(), firstText);
}

}  // namespace
}  // namespace tv::WebFormPatterns
