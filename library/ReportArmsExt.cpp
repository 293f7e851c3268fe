// The arms of the sub-codes of '#' (element 0 of the parameter array).
// Elements 1 and on are the sub-code's own inputs. The HTML-only reports
// put their fixed sentence into the text before the builder runs, and their
// builder's HTML into the last HTML report.
#include <map>
#include <utility>

#include "library/ReportArms.h"
#include "library/ReportBuilders.h"
#include "library/ReportCreator.h"
#include "platform/text/Cp1251.h"

namespace tv {

namespace {

using R = TArmResult;
const TReportBuilders& B() { return ReportBuilders; }
const std::string E;

std::string HtmlOnlySentence(const std::string& title) {
  return "Отчет \""_w + title + "\" доступен только в HTML-версии"_w;
}

// The text is handed on, not copied: a packet or a table can be hundreds of
// megabytes.
R Done(TArmRequest& r, std::string& out) {
  r.Text = std::move(out);
  return R::Made;
}

R DscCards(TArmRequest& r) {
  if (!B().MakeDscCardsReport) return R::NoArm;
  r.Name = "Отчет по общему списку дисконтных карт"_w;
  const int i1 = r.P.I(1);
  const std::string s1 = r.P.S(2);
  const std::string s2 = r.P.S(3);
  std::string out;
  B().MakeDscCardsReport(r.Creator, i1, s1, s2, out);
  return Done(r, out);
}

R SQLData(TArmRequest& r) {
  if (!B().GetSQLData) return R::NoArm;
  r.Name = "SQL-выборка данных"_w;
  const std::string sql = r.P.S(1);
  const int source = r.P.I(2);
  std::string out;
  B().GetSQLData(r.Creator, sql, source, out);
  return Done(r, out);
}

R SQLTable(TArmRequest& r) {
  if (!B().GetSQLTable) return R::NoArm;
  r.Name = "SQL-выборка + генерация таблицы"_w;
  const std::string sql = r.P.S(1);
  const int extra = r.P.I(2);
  const std::string linkAttr = r.P.S(3);
  const std::string linkColumn = r.P.S(4);
  std::string out;
  B().GetSQLTable(r.Creator, sql, extra, linkAttr, linkColumn, out);
  return Done(r, out);
}

using TTNPrint = void (*)(TReportCreator&, int, std::string&);

R TTN(TArmRequest& r, TTNPrint print, const char* utf8Name) {
  if (print == nullptr) return R::NoArm;
  r.Name = Utf8ToCp1251(utf8Name);
  const int id = r.P.I(1);
  std::string out;
  print(r.Creator, id, out);
  return Done(r, out);
}

R TTNPage1(TArmRequest& r) { return TTN(r, B().PrintTTNPage1, "ТТН: товарный раздел"); }
R TTNPage2(TArmRequest& r) { return TTN(r, B().PrintTTNPage2, "ТТН: транспортный раздел"); }
R Invoice(TArmRequest& r) { return TTN(r, B().PrintInvoice, "Счет-фактура"); }
R ShipmentReceipt(TArmRequest& r) {
  return TTN(r, B().PrintShipmentReceipt, "Квитанция об отгрузке");
}

R Torg12(TArmRequest& r) {
  if (!B().PrintTorg12) return R::NoArm;
  r.Name = "ТОРГ-12"_w;
  const int id = r.P.I(1);
  const int variant = r.P.I(2);
  std::string out;
  B().PrintTorg12(r.Creator, id, variant, out);
  return Done(r, out);
}

R FuelReceipt(TArmRequest& r) {
  if (!B().MakeFuelReceipt) return R::NoArm;
  r.Name = "Товарный чек по ГСМ"_w;
  const int sale = r.P.I(1);
  const std::string name = r.P.S(2);
  const std::string post = r.P.S(3);
  const std::string comment = r.P.S(4);
  std::string out;
  B().MakeFuelReceipt(r.Creator, sale, name, post, comment, out);
  return Done(r, out);
}

R ReceiptTemplate(TArmRequest& r) {
  if (!B().GetReceiptTemplate) return R::NoArm;
  r.Name = "Шаблон товарного чека"_w;
  const int vidOpl = r.P.I(1);
  std::string out;
  B().GetReceiptTemplate(r.Creator, vidOpl, out);
  return Done(r, out);
}

R Mernik(TArmRequest& r) {
  if (!B().MakeMernikReport) return R::NoArm;
  r.Name = "Отчет по мернику"_w;
  const int a = r.P.I(1);
  const int b = r.P.I(2);
  std::string out;
  B().MakeMernikReport(r.Creator, a, b, out);
  return Done(r, out);
}

R TrkResets(TArmRequest& r) {
  if (!B().MakeResetTrkReports) return R::NoArm;
  r.Name = "Информация по перезагрузкам"_w;
  r.Text = HtmlOnlySentence("Информация по перезагрузкам"_w);
  const int from = r.P.I(3);
  const int to = r.P.I(4);
  const TDateTime begin = r.P.D(1);
  const TDateTime end = r.P.D(2);
  std::string html;
  B().MakeResetTrkReports(r.Creator, from, to, begin, end, E, html);
  LastHTMLReport = std::move(html);
  return R::Made;
}

R LimitBalance(TArmRequest& r) {
  if (!B().MakeLimitBalanceReport) return R::NoArm;
  r.Name = "Отчет по лимиту"_w;
  r.Text = HtmlOnlySentence("Текущие остатки по убывающему лимиту"_w);
  std::string html;
  B().MakeLimitBalanceReport(r.Creator, html);
  LastHTMLReport = std::move(html);
  return R::Made;
}

R LimitDetail(TArmRequest& r) {
  if (!B().MakeLimitDetailReport) return R::NoArm;
  r.Name = "Детализация по убывающим лимитам"_w;
  r.Text = HtmlOnlySentence("Детализация по убывающим лимитам"_w);
  const std::string s1 = r.P.S(1);
  const TDateTime begin = r.P.D(2);
  const TDateTime end = r.P.D(3);
  std::string html;
  B().MakeLimitDetailReport(r.Creator, s1, html, begin, end);
  LastHTMLReport = std::move(html);
  return R::Made;
}

R Ping(TArmRequest& r) {
  r.Text = "OK";
  return R::Made;
}

R KeeperGSM(TArmRequest& r) {
  if (!B().MakeKeeperGSMReport) return R::NoArm;
  r.Name = "Движение ГСМ по хранителю"_w;
  r.Text = HtmlOnlySentence("Движение ГСМ по хранителю"_w);
  const int keeper = r.P.I(1);
  const TDateTime begin = r.P.D(2);
  const TDateTime end = r.P.D(3);
  std::string html;
  B().MakeKeeperGSMReport(r.Creator, keeper, html, begin, end);
  LastHTMLReport = std::move(html);
  return R::Made;
}

R RepriceHistory(TArmRequest& r) {
  if (!B().BuildRepriceHistoryReport) return R::NoArm;
  r.Name = "История переоценки ГСМ"_w;
  r.Text = HtmlOnlySentence("История переоценки ГСМ"_w);
  const TDateTime begin = r.P.D(1);
  const TDateTime end = r.P.D(2);
  std::string html;
  B().BuildRepriceHistoryReport(r.Creator, html, begin, end);
  LastHTMLReport = std::move(html);
  return R::Made;
}

R TransferReport(TArmRequest& r) {
  if (!B().MakePrxReport) return R::NoArm;
  r.Name = "Отчет по перекачкам топлива"_w;
  const int from = r.P.I(1);
  const int to = r.P.I(2);
  std::string out;
  B().MakePrxReport(r.Creator, from, to, 0, 1, out);
  return Done(r, out);
}

using TArm = R (*)(TArmRequest&);

// The one table of sub-codes; 17 and 1000 are served before the dispatcher.
const std::map<int, TArm>& SubCodeArms() {
  static const std::map<int, TArm> arms = {
      {1, DscCards},        {2, SQLData},         {3, SQLTable},   {4, TTNPage1},
      {5, TTNPage2},        {6, Invoice},         {7, Torg12},     {8, FuelReceipt},
      {9, ReceiptTemplate}, {10, Mernik},         {11, TrkResets}, {12, LimitBalance},
      {13, LimitDetail},    {14, Ping},           {15, KeeperGSM}, {16, ShipmentReceipt},
      {18, RepriceHistory}, {19, TransferReport},
  };
  return arms;
}

}  // namespace

TArmResult RunExtendedArm(TArmRequest& r) {
  const int subCode = r.P.I(0);
  const auto it = SubCodeArms().find(subCode);
  return it == SubCodeArms().end() ? TArmResult::NoArm : it->second(r);
}

}  // namespace tv
