#include "reports/operational/waybills/TTNTorg12.h"

#include "engines/HTMLJet.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/text/Format.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/waybills/TTNDocument.h"

namespace tv {

namespace {

std::string Torg12HeaderSQL() {
  return PartiesHeaderSQL({{"go", "GO_", "GO_ID"},
                           {"gp", "GP_", "GP_ID"},
                           {"tnpost", "POST_", "TNPOST_ID"},
                           {"tnplat", "PLAT_", "TNPLAT_ID"}},
                          true);
}

// Sets ТОРГ-12 variables from one data set row.
class TTorg12Writer : public TTTNVarWriter {
 public:
  TTorg12Writer(THTML_Jet& jet, TIBDataSet& ds) : TTTNVarWriter(jet), ds_(ds) {}

  TIBField& F(const std::string& column) { return ds_.FieldByName(column); }
  void Text(const char* var, const std::string& column) { TTTNVarWriter::Text(var, ds_, column); }
  void NumberText(const char* var, const std::string& column) {
    TTTNVarWriter::NumberText(var, ds_, column);
  }
  void Money(const char* var, const std::string& column) { TTTNVarWriter::Money(var, ds_, column); }
  void Float(const char* var, const char* format, const std::string& column, bool always) {
    TTTNVarWriter::Float(var, format, ds_, column, always);
  }
  void Date(const char* var, const std::string& column) {
    TTTNVarWriter::Date(var, "dd.mm.yy", ds_, column);
  }
  // The nine counterparty columns of a prefix and its full requisites line.
  void Party(const std::string& stem, const std::string& p) {
    static const char* const kVars[] = {"Имя",  "Адрес", "Телефон", "ИНН", "КПП",
                                        "ОКПО", "РСчет", "КСчет",   "Банк"};
    static const char* const kCols[] = {"NAME", "ADDRESS", "PHONE",  "INN",     "KPP",
                                        "OKPO", "RSCHET",  "KSCHET", "BANKNAME"};
    for (int i = 0; i < 9; ++i) jet_.Add(Utf8ToCp1251(stem + kVars[i]), F(p + kCols[i]).AsString());
    jet_.Add(Utf8ToCp1251(stem + "Реквизиты"),
             FormatRequisites(F(p + "INN").AsString(), F(p + "KPP").AsString(),
                              F(p + "BANKNAME").AsString(), F(p + "RSCHET").AsString(),
                              F(p + "KSCHET").AsString(), F(p + "BIK").AsString()));
  }

 private:
  TIBDataSet& ds_;
};

void Header(THTML_Jet& jet, TIBDataSet& h) {
  TTorg12Writer w(jet, h);
  jet.AddDateTime("ДатаВремяПечати"_w, "dd.mm.yyyy hh:nn:ss", Now());
  w.Text("НомерДокумента", "TNNUMBER");
  w.Date("ДатаДокумента", "TNDATE");
  w.Party("Отпр", "GO_");
  w.Party("Получ", "GP_");
  w.Party("Пост", "POST_");
  w.Party("Плат", "PLAT_");
  w.Text("Основание", "TNOSNNAME");
  w.Text("НомерОснования", "TNOSNNUMBER");
  w.Date("ДатаОснования", "TNOSNDATE");
  w.Text("НомерТРН", "TNTRNUMBER");
  w.Date("ДатаТРН", "TNTRDATE");
  w.Text("ВидОперации", "TNOPERATION");
  AddVarListVariables(jet, h.FieldByName("VARLIST").AsString());
}

// The item rows; returns the document's total with VAT.
Currency Rows(TTTNDocument& doc, THTML_Jet& jet) {
  TIBDataSet& d = doc.OpenDetail("PRINTTN");
  TTorg12Writer w(jet, d);
  Currency total;
  for (; !d.Eof(); d.Next()) {
    jet.AddInteger("ЗапНомер"_w, d.RecNo());
    w.Text("ИмяТовара", doc.Col("NAME"));
    w.Text("КодТовара", doc.Col("PKOD"));
    const std::string unit = d.FieldByName(doc.Col("UNIT")).AsString();
    jet.Add("ЕдИзм"_w, unit);
    // 168 is the tonne in the all-Russian classifier of units.
    if (AnsiUpperCase(unit).rfind("Т"_w, 0) == 0) jet.Add("КодЕдИзм"_w, "168");
    w.Text("Упаковка", doc.Col("UPAKVID"));
    w.NumberText("ЧислоМест", doc.Col("MEST"));
    w.NumberText("МассаБрутто", doc.Col("MASSA"));
    w.NumberText("Количество", doc.Col("MASSA"));
    w.Money("Цена", doc.Col("SFPRICE"));
    w.Money("СуммаБезНДС", doc.Col("SFSUMMA"));
    w.NumberText("СтавкаНДС", doc.Col("SFNDS"));
    w.Money("СуммаНДС", doc.Col("SFSUMMANDS"));
    TIBField& withVat = d.FieldByName(doc.Col("SFSUMMASNDS"));
    if (NumberPresent(withVat)) {
      w.Money("СуммаСНДС", doc.Col("SFSUMMASNDS"));
      total += withVat.AsCurrency();
    }
    w.Float("Объем", "%.3f", doc.Col("VOLUME"), false);
    w.Float("Плотн", "%.3f", doc.Col("UDVES"), false);
    w.Float("Темпер", "%.1f", doc.Col("TEMPER"), true);
    jet.EndLine();
  }
  return total;
}

void Footer(THTML_Jet& jet, TIBDataSet& h, Currency total) {
  TTorg12Writer w(jet, h);
  w.Text("ВсегоМест", "ALLMEST");
  w.Text("МНеттоП", "MNETTOTEXT");
  w.NumberText("МНеттоЧ", "MNETTONUM");
  w.Text("МБруттоП", "MBRUTTOTEXT");
  w.NumberText("МБруттоЧ", "MBRUTTONUM");
  if (total > Currency())
    jet.Add("СуммаСНДСПрописью"_w, AmountInWords(static_cast<long double>(total)));
  w.Text("РДолж", "BOSSPOST");
  w.Text("РФИО", "BOSSFIO");
  w.Text("БухФИО", "BUHFIO");
  w.Text("ОДолж", "GOPOST");
  w.Text("ОФИО", "GOFIO");
}

void BuildTorg12(TReportCreator& creator, int ttnId, int variant, std::string& text) {
  TTTNDocument doc(creator, ttnId, Torg12TemplateName(variant));
  THTML_Jet& jet = doc.Jet();
  TIBDataSet& h = doc.OpenHeader(Torg12HeaderSQL());
  Header(jet, h);
  const Currency total = Rows(doc, jet);
  jet.MakeItog2("%.2n");
  jet.MakeItog(2);
  jet.EndOGroup();
  Footer(jet, h, total);
  doc.Finish();
  text = "Товарный отчет ТОРГ-12: переключитесь на HTML-версию отчета"_w;
}

}  // namespace

std::string Torg12TemplateName(int variant) {
  return variant == 0 ? "ТОРГ-12.html"_w : Format("ТОРГ-12-%d.html"_w, {variant});
}

void AddVarListVariables(THTML_Jet& jet, const std::string& varList) {
  TStringList lines;
  lines.SetText(varList);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    const std::size_t eq = line.find('=');
    const std::string part = eq != std::string::npos ? line.substr(eq + 1)
                             : line.size() > 1       ? line.substr(1)
                                                     : "";
    const std::size_t bar = part.find('|');
    if (bar == std::string::npos) continue;
    const std::string value = part.substr(bar + 1);
    if (!value.empty()) jet.Add(part.substr(0, bar), value);
  }
}

void PrintTorg12(TReportCreator& creator, int ttnId, int variant, std::string& text) {
  try {
    BuildTorg12(creator, ttnId, variant, text);
  } catch (const std::exception& e) {
    MakeContextException(e, "ФормированиеТоварнойНакладнойТОРГ12"_w, true)->Raise();
  }
}

}  // namespace tv
