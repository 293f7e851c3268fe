#include "reports/operational/waybills/TTNPages.h"

#include "engines/HTMLJet.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/waybills/TTNDocument.h"

namespace tv {

namespace {

std::string PagesHeaderSQL() {
  return PartiesHeaderSQL({{"go", "GO_", "GO_ID"},
                           {"gp", "GP_", "GP_ID"},
                           {"gper", "GPER_", "PER_ID"},
                           {"gplat", "GPLAT_", "PLAT_ID"}},
                          false);
}

// Fills the variables of one page from open data sets.
class TPageWriter : public TTTNVarWriter {
 public:
  explicit TPageWriter(TTTNDocument& doc) : TTTNVarWriter(doc.Jet()) {}

  void DateParts(const char* const vars[3], TIBDataSet& ds, const std::string& column,
                 const char* const formats[3]) {
    for (int i = 0; i < 3; ++i) Date(vars[i], formats[i], ds, column);
  }
  // The nine counterparty columns of a prefix under the variable stem.
  void Party(const std::string& stem, TIBDataSet& ds, const std::string& prefix) {
    static const char* const kVars[] = {"Имя", "Адрес", "Телефон", "ОКПО", "ИНН",
                                        "КПП", "Банк",  "РСчет",   "КСчет"};
    static const char* const kCols[] = {"NAME", "ADDRESS",  "PHONE",  "OKPO",  "INN",
                                        "KPP",  "BANKNAME", "RSCHET", "KSCHET"};
    for (int i = 0; i < 9; ++i) Text(stem + kVars[i], ds, prefix + kCols[i]);
  }
};

void GoodsSection(TTTNDocument& doc, TPageWriter& w, TIBDataSet& h) {
  static const char* const kDateVars[] = {"тД", "тМ", "тГ"};
  static const char* const kDateFormats[] = {"dd", "mm", "yy"};
  w.Text("ТТНСерия", h, "TTNSER");
  w.Text("ТТННом", h, "TTNNUMBER");
  w.DateParts(kDateVars, h, "TTNDATE", kDateFormats);
  w.Party("Отпр", h, "GO_");
  w.Party("Получ", h, "GP_");
  w.Party("Плат", h, "GPLAT_");
  TIBDataSet& d = doc.OpenDetail("PRINTTTN1");
  for (; !d.Eof(); d.Next()) {
    const std::string n = IntToStr(d.RecNo());
    w.Text("ПКод" + n, d, doc.Col("PKOD"));
    w.Text("Прейскур" + n, d, doc.Col("PREISKURANT"));
    w.Text("Арт" + n, d, doc.Col("ARTICLE"));
    w.NumberText("Кол" + n, d, doc.Col("COUNT"));
    w.Money("Цена" + n, d, doc.Col("PRICE"));
    w.Text("Наименование" + n, d, doc.Col("NAME"));
    w.Text("ЕИ" + n, d, doc.Col("UNIT"));
    w.Text("ВУ" + n, d, doc.Col("UPAKVID"));
    w.NumberText("КолМ" + n, d, doc.Col("MEST"));
    w.NumberText("Масса" + n, d, doc.Col("MASSA"));
    w.Money("Сумма" + n, d, doc.Col("SUMMA"));
    if (d.FieldByName(doc.Col("KARDNUM")).AsInteger() > 0)
      w.Text("КартНом" + n, d, doc.Col("KARDNUM"));
    w.Float("Темпер" + n, "%.1f", d, doc.Col("TEMPER"), true);
    w.Float("Плотн" + n, "%.3f", d, doc.Col("UDVES"), false);
  }
  w.NumberText("Наценка", h, "NADB");
  w.NumberText("СклРасх", h, "SKLADRASHOD");
  w.NumberText("Всего", h, "ALLSUMMANUM");
  w.Text("ВсегоМест", h, "ALLMEST");
  w.Text("МНеттоП", h, "MNETTOTEXT");
  w.NumberText("МНеттоЧ", h, "MNETTONUM");
  w.Text("МБруттоП", h, "MBRUTTOTEXT");
  w.NumberText("МБруттоЧ", h, "MBRUTTONUM");
  w.Text("ПриложЛП", h, "PRILPAGESTEXT");
  if (h.FieldByName("PRILPAGESNUM").AsInteger() > 0) w.Text("ПриложЛН", h, "PRILPAGESNUM");
  w.Text("СуммаПрописью", h, "ALLSUMMATEXT");
  w.Text("РДолж", h, "BOSSPOST");
  w.Text("РФИО", h, "BOSSFIO");
  w.Text("БухФИО", h, "BUHFIO");
  w.Text("ОДолж", h, "GOPOST");
  w.Text("ОФИО", h, "GOFIO");
  w.Text("ДовНом", h, "DOVERNUM");
  static const char* const kDovVars[] = {"дД", "дМ", "дГ"};
  static const char* const kDovFormats[] = {"dd", "mm", "yyyy"};
  w.DateParts(kDovVars, h, "DOVERDATE", kDovFormats);
  w.Text("ПеревозчикИмя", h, "GPER_NAME");
  w.Text("ПрДолж", h, "DRIVERPOST");
  w.Text("ПрФИО", h, "DRIVERFIO");
}

void TransportSection(TTTNDocument& doc, TPageWriter& w, TIBDataSet& h) {
  static const char* const kDateVars[] = {"сД", "сМ", "сГ"};
  static const char* const kDateFormats[] = {"dd", "mmm", "yyyy"};
  THTML_Jet& jet = doc.Jet();
  w.DateParts(kDateVars, h, "DOSTDATE", kDateFormats);
  w.Text("ТТНСерия", h, "TTNSER");
  w.Text("ТТННом", h, "TTNNUMBER");
  w.Text("ПутевойЛист", h, "PLIST");
  w.Party("Перевоз", h, "GPER_");
  jet.Add("ПеревозРеквизиты"_w, ShortRequisites(h.FieldByName("GPER_INN").AsString(),
                                                h.FieldByName("GPER_KPP").AsString()));
  w.Text("АвтоМарка", h, "CARMARKA");
  w.Text("АвтоГосЗнак", h, "CARNUM");
  w.Party("Плат", h, "GPLAT_");
  jet.Add("ПлатРеквизиты"_w, ShortRequisites(h.FieldByName("GPLAT_INN").AsString(),
                                             h.FieldByName("GPLAT_KPP").AsString()));
  w.Text("ВодФИО", h, "DRIVERFIO");
  w.Text("ВодУдостоверение", h, "DRIVERUDOST");
  const int lic = h.FieldByName("LICCARD").AsInteger();
  jet.Add("ЛКстандартная"_w, lic == 2 ? "<STRIKE>стандартная</STRIKE>"_w : "стандартная"_w);
  jet.Add("ЛКограниченная"_w, lic == 1 ? "<STRIKE>ограниченная</STRIKE>"_w : "ограниченная"_w);
  w.Text("ВидПеревозки", h, "TRANSPKIND");
  w.Text("ПКод", h, "PKOD");  // a header column: never suffixed, whatever the schema
  w.Text("ПунктПогрузки", h, "PUNKTPOGRUZ");
  w.Text("ПунктРазгрузки", h, "PUNKTRAZGRUZ");
  w.Text("Маршрут", h, "PMARSHRUT");
  w.Text("Переадресовка", h, "READDRESS");
  w.Text("ПМарка1", h, "PRMARKA1");
  w.Text("ПГосЗнак1", h, "PRNUM1");
  w.Text("ПГаражН1", h, "PRGARNUM1");
  Currency gross;
  TIBDataSet& d = doc.OpenDetail("PRINTTTN2");
  for (; !d.Eof(); d.Next()) {
    const std::string n = IntToStr(d.RecNo());
    w.Text("ОписаниеГруза" + n, d, doc.Col("GNAME"));
    w.Text("ДокументыСГрузом" + n, d, doc.Col("GDOCUMENTS"));
    w.Text("ВидУпак" + n, d, doc.Col("GUPAKVID"));
    if (d.FieldByName(doc.Col("GMEST")).AsInteger() > 0) w.Text("КолМест" + n, d, doc.Col("GMEST"));
    w.Text("ОпредМассы" + n, d, doc.Col("GOPREDMASSA"));
    w.Text("ГКод" + n, d, doc.Col("GKOD"));
    w.Text("Конт" + n, d, doc.Col("GKONT"));
    w.Text("ГКласс" + n, d, doc.Col("GCLASS"));
    TIBField& brutto = d.FieldByName(doc.Col("GMBRUTTO"));
    if (NumberPresent(brutto)) {
      jet.AddFloat(Utf8ToCp1251("МБрутто" + n), "%.2n", static_cast<double>(brutto.AsCurrency()));
      gross += brutto.AsCurrency();
    }
    w.Float("Темпер" + n, "%.1f", d, doc.Col("TEMPER"), true);
    w.Float("Плотн" + n, "%.3f", d, doc.Col("UDVES"), false);
  }
  if (gross > Currency()) jet.AddFloat("МБруттоИ"_w, "%.2n", static_cast<double>(gross));
  w.Text("МБруттоП", h, "MBRUTTOTEXT");
  w.Text("ОДолж", h, "GOPOST");
  w.Text("ОФИО", h, "GOFIO");
  w.Text("ПрФИО", h, "DRIVERFIO");
}

void RunWithContext(const char* utf8Context, TReportCreator& creator, int ttnId, bool firstPage,
                    std::string& text) {
  try {
    PrintTTN(creator, ttnId, firstPage, text);
  } catch (const std::exception& e) {
    MakeContextException(e, Utf8ToCp1251(utf8Context), true)->Raise();
  }
}

}  // namespace

void PrintTTN(TReportCreator& creator, int ttnId, bool firstPage, std::string& text) {
  TTTNDocument doc(creator, ttnId, firstPage ? "ТТН1.html"_w : "ТТН2.html"_w);
  TPageWriter writer(doc);
  TIBDataSet& header = doc.OpenHeader(PagesHeaderSQL());
  if (firstPage)
    GoodsSection(doc, writer, header);
  else
    TransportSection(doc, writer, header);
  doc.Finish();
  text = "ТТН: переключитесь на HTML-версию отчета"_w;
}

void PrintTTNPage1(TReportCreator& creator, int ttnId, std::string& text) {
  RunWithContext("ФормированиеТоварногоРазделаТТН", creator, ttnId, true, text);
}

void PrintTTNPage2(TReportCreator& creator, int ttnId, std::string& text) {
  RunWithContext("ФормированиеТранспортногоРазделаТТН", creator, ttnId, false, text);
}

}  // namespace tv
