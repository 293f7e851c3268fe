#include "templates/WebFormPatterns.h"

#include <memory>

#include "platform/text/Cp1251.h"
#include "tools/embedtext/EmbeddedText.h"

namespace tv::embedded {
// The files of templates/web/, in registry order (templates/CMakeLists.txt).
extern const EmbeddedText WebFormTexts[];
extern const std::size_t WebFormTextsCount;
}  // namespace tv::embedded

namespace tv::WebFormPatterns {

TPatternList* Patterns = nullptr;

namespace {

// The list that CreatePatterns builds and every pattern and cell ever made.
// They are kept until the process ends, so a list handed to the forms library
// never dangles; the list is built once, so repeated form checks do not pile
// up copies. The list itself owns nothing, as its consumers expect.
struct TStore {
  std::unique_ptr<TPatternList> list;
  bool complete = false;
  std::vector<std::unique_ptr<CPattern>> patterns;
  std::vector<std::unique_ptr<TPatternCell>> cells;
};

TStore& Store() {
  static TStore store;
  return store;
}

const embedded::EmbeddedText& FindText(const std::string& name) {
  for (std::size_t i = 0; i < embedded::WebFormTextsCount; ++i)
    if (embedded::WebFormTexts[i].Name() == name) return embedded::WebFormTexts[i];
  throw EWebFormPatternError("Встроенный HTML-шаблон \""_w + name +
                             "\" отсутствует в библиотеке"_w);
}

// The one body of every registration routine: the pattern is complete before
// its cell joins the list.
void AddPattern(const std::string& name) {
  if (Patterns == nullptr)
    throw EWebFormPatternError(
        "Список встроенных HTML-шаблонов не создан (WebFormPatterns.CreatePatterns)"_w);
  auto pattern = std::make_unique<CPattern>();
  pattern->Name = name.substr(0, kNameCapacity);
  // The embedded texts end every line with CR LF, the last one included.
  pattern->Lines.SetText(FindText(name).Text());
  TStore& store = Store();
  store.cells.push_back(std::make_unique<TPatternCell>(pattern.get()));
  store.patterns.push_back(std::move(pattern));
  Patterns->push_back(store.cells.back().get());
}

}  // namespace

const CPattern& PatternAt(const TPatternList& list, std::size_t i) { return **list.at(i); }

void CreatePatterns() {
  TStore& store = Store();
  if (store.complete) {
    Patterns = store.list.get();
    return;
  }
  // A build cut short by a missing template was never handed out.
  store.list = std::make_unique<TPatternList>();
  Patterns = store.list.get();
  PatternPeriodicReturnReport();
  PatternExtendedStatementReport();
  PatternCouponReport();
  PatternReturnAct();
  PatternTrkSalesHistory();
  PatternFuelPumpOutReport();
  PatternVehicleStatement();
  PatternDriverStatement();
  PatternContractReport();
  PatternCounterpartyStatement();
  PatternDiscountCardReport();
  PatternTTN1();
  PatternTTN2();
  PatternTorg12();
  PatternTovarCheck();
  PatternCardReport();
  PatternTorg12Variant1();
  PatternTorg12Variant2();
  PatternLimitDetail();
  PatternSiloInfo();
  PatternTrkInfo();
  PatternRestartInfo();
  PatternPendingTerminalReturns();
  PatternBonusDiscountReport();
  PatternStatementPeriodReport();
  PatternSmenaFooter();
  PatternFuelPumpOutDetail();
  PatternFuelReceiptDetail();
  PatternRestartSumByGSM();
  PatternRestartSummary();
  PatternLimitBalances();
  PatternFinReportCustom();
  PatternFinKKMReport();
  PatternFinReport();
  PatternRestartCountBySmena();
  PatternSmenaHeader();
  PatternMeasureCanReport();
  PatternFuelArrivalReport();
  PatternTaxInvoice();
  PatternKeeperGSMMovement();
  PatternShipmentReceipt();
  PatternRepriceHistory();
  PatternFuelTransferReport();
  store.complete = true;
}

void PatternPeriodicReturnReport() { AddPattern("Периодический отчет о возврате"_w); }
void PatternExtendedStatementReport() { AddPattern("Расширенный отчет по ведомостям"_w); }
void PatternCouponReport() { AddPattern("Отчет по талонам"_w); }
void PatternReturnAct() { AddPattern("Акт возврата"_w); }
void PatternTrkSalesHistory() { AddPattern("История продаж по ТРК"_w); }
void PatternFuelPumpOutReport() { AddPattern("Отчет по откачке топлива"_w); }
void PatternVehicleStatement() { AddPattern("Ведомость по автомобилю"_w); }
void PatternDriverStatement() { AddPattern("Ведомость по водителю"_w); }
void PatternContractReport() { AddPattern("Отчет по договорам"_w); }
void PatternCounterpartyStatement() { AddPattern("Ведомость по контрагенту"_w); }
void PatternDiscountCardReport() { AddPattern("Отчет по дисконтным картам"_w); }
void PatternTTN1() { AddPattern("ТТН1"_w); }
void PatternTTN2() { AddPattern("ТТН2"_w); }
void PatternTorg12() { AddPattern("ТОРГ-12"_w); }
void PatternTovarCheck() { AddPattern("Товарный чек"_w); }
void PatternCardReport() { AddPattern("Отчет по картам"_w); }
void PatternTorg12Variant1() { AddPattern("ТОРГ-12-1"_w); }
void PatternTorg12Variant2() { AddPattern("ТОРГ-12-2"_w); }
void PatternLimitDetail() { AddPattern("Детализация лимитов"_w); }
void PatternSiloInfo() { AddPattern("Информация о резервуарах"_w); }
void PatternTrkInfo() { AddPattern("Информация о ТРК"_w); }
void PatternRestartInfo() { AddPattern("Информация по перезагрузкам"_w); }
void PatternPendingTerminalReturns() { AddPattern("Непроизведенные возвраты на терминал"_w); }
void PatternBonusDiscountReport() { AddPattern("Отчет по бонусам и скидкам"_w); }
void PatternStatementPeriodReport() { AddPattern("Отчет по ведомостям за период"_w); }
void PatternSmenaFooter() { AddPattern("Подвал сменного отчета"_w); }
void PatternFuelPumpOutDetail() { AddPattern("Расшифровка откачки топлива"_w); }
void PatternFuelReceiptDetail() { AddPattern("Расшифровка поступления топлива"_w); }
void PatternRestartSumByGSM() { AddPattern("Сумма перезагрузок по ГСМ"_w); }
void PatternRestartSummary() { AddPattern("Суммарный отчет по перезагрузкам"_w); }
void PatternLimitBalances() { AddPattern("Текущие остатки по лимитам"_w); }
void PatternFinReportCustom() { AddPattern("Финансовый отчет нестандартный"_w); }
void PatternFinKKMReport() { AddPattern("Финансовый отчет по кассам"_w); }
void PatternFinReport() { AddPattern("Финансовый отчет"_w); }
void PatternRestartCountBySmena() { AddPattern("Число перезагрузок по сменам"_w); }
void PatternSmenaHeader() { AddPattern("Шапка сменного отчета"_w); }
void PatternMeasureCanReport() { AddPattern("Отчет по мернику"_w); }
void PatternFuelArrivalReport() { AddPattern("Отчет по приходу топлива"_w); }
void PatternTaxInvoice() { AddPattern("Счет-фактура"_w); }
void PatternKeeperGSMMovement() { AddPattern("Движение ГСМ по хранителю"_w); }
void PatternShipmentReceipt() { AddPattern("Квитанция об отгрузке"_w); }
void PatternRepriceHistory() { AddPattern("История переоценки ГСМ"_w); }
void PatternFuelTransferReport() { AddPattern("Отчет по перекачке топлива"_w); }

}  // namespace tv::WebFormPatterns
