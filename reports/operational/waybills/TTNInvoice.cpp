#include "reports/operational/waybills/TTNInvoice.h"

#include "engines/HTMLJet.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/data/Currency.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "reports/operational/waybills/TTNDocument.h"

namespace tv {

namespace {

std::string InvoiceHeaderSQL() {
  return PartiesHeaderSQL({{"go", "GO_", "GO_ID"}, {"gp", "GP_", "GP_ID"}}, false);
}

std::string ReplaceFirst(const std::string& text, const std::string& from, const std::string& to) {
  return FastStringReplace(text, from, to, 0);
}

// The shipper line of SFGOTYPE 0 from the template parameter.
std::string ShipperLine(THTML_Jet& jet, TIBDataSet& h) {
  std::string line = jet.Params().Values("Грузоотправитель"_w);
  line = ReplaceFirst(line, "#ИмяБезСокращений"_w,
                      ExpandLegalForm(h.FieldByName("GO_NAME").AsString()));
  line = ReplaceFirst(line, "#Адрес"_w, ExpandLegalForm(h.FieldByName("GO_ADDRESS").AsString()));
  return ReplaceFirst(line, "#Телефон"_w, ExpandLegalForm(h.FieldByName("GO_PHONE").AsString()));
}

void Header(THTML_Jet& jet, TIBDataSet& h) {
  TTTNVarWriter w(jet);
  const auto text = [&](const char* var, const char* column) { w.Text(var, h, column); };
  jet.AddDateTime("ДатаВремяПечати"_w, "dd.mm.yyyy hh:nn:ss", Now());
  text("СФНомер", "SFNUMBER");
  // A missing date stays unset rather than printing the scale's day 0.
  w.Date("СФДата", "dd.mm.yy", h, "SFDATE");
  jet.Add("ПродавецИмяБезСокращений"_w, ExpandLegalForm(h.FieldByName("GO_NAME").AsString()));
  text("ПродавецПолноеИмя", "GO_NAME");
  static const char* const kSeller[][2] = {
      {"ПродавецАдрес", "GO_ADDRESS"}, {"ПродавецТелефон", "GO_PHONE"},
      {"ПродавецИНН", "GO_INN"},       {"ПродавецКПП", "GO_KPP"},
      {"ПродавецОКПО", "GO_OKPO"},     {"ПродавецРСчет", "GO_RSCHET"},
      {"ПродавецКСчет", "GO_KSCHET"},  {"ПродавецБанк", "GO_BANKNAME"}};
  for (const auto& s : kSeller) text(s[0], s[1]);
  const int goType = h.FieldByName("SFGOTYPE").AsInteger();
  jet.Add("Грузоотправитель"_w, goType == 0   ? ShipperLine(jet, h)
                                : goType == 1 ? "он же"_w
                                              : std::string("--"));
  static const char* const kBuyer[][2] = {
      {"ПокупательПолноеИмя", "GP_NAME"}, {"ПокупательАдрес", "GP_ADDRESS"},
      {"ПокупательТелефон", "GP_PHONE"},  {"ПокупательИНН", "GP_INN"},
      {"ПокупательКПП", "GP_KPP"},        {"ПокупательОКПО", "GP_OKPO"},
      {"ПокупательРСчет", "GP_RSCHET"},   {"ПокупательКСчет", "GP_KSCHET"},
      {"ПокупательБанк", "GP_BANKNAME"}};
  for (const auto& b : kBuyer) text(b[0], b[1]);
  text("ПлатежныйДокумент", "SFPLATDOC");
}

void Rows(TTTNDocument& doc, THTML_Jet& jet) {
  TIBDataSet& d = doc.OpenDetail("PRINTSF");
  const auto value = [&](const char* column) {
    return static_cast<double>(d.FieldByName(doc.Col(column)).AsCurrency());
  };
  const auto orDashes = [&](const char* var, const char* column) {
    const std::string s = d.FieldByName(doc.Col(column)).AsString();
    jet.Add(Utf8ToCp1251(var), s.empty() ? std::string("--") : s);
  };
  for (; !d.Eof(); d.Next()) {
    jet.Add("ИмяТовара"_w, d.FieldByName(doc.Col("SFNAME")).AsString());
    jet.Add("ЕдИзм"_w, d.FieldByName(doc.Col("SFUNIT")).AsString());
    jet.AddFloat("Количество"_w, "%.3f", value("SFCOUNT"));
    jet.AddFloatDefault("Цена"_w, value("SFPRICE"));
    jet.AddFloatDefault("СуммаБезНДС"_w, value("SFSUMMA"));
    if (NumberPresent(d.FieldByName(doc.Col("SFEXCISE"))))
      jet.AddFloat("Акциз"_w, "%.2n", value("SFEXCISE"));
    else
      jet.Add("Акциз"_w, "--");
    jet.Add("СтавкаНДС"_w, d.FieldByName(doc.Col("SFNDS")).AsString());
    jet.AddFloatDefault("СуммаНДС"_w, value("SFSUMMANDS"));
    jet.AddFloatDefault("СуммаСНДС"_w, value("SFSUMMASNDS"));
    orDashes("Страна", "SFCOUNTRY");
    orDashes("ТаможДекл", "SFTAMDEKLAR");
    jet.EndLine();
  }
}

void BuildInvoice(TReportCreator& creator, int ttnId, std::string& text) {
  TTTNDocument doc(creator, ttnId, "Счет-фактура.html"_w);
  THTML_Jet& jet = doc.Jet();
  std::string loaded;
  jet.GetResultText(loaded);
  if (AnsiLowerCase(loaded).find("#group") == std::string::npos)
    throw Exception(
        "Существующий файл шаблона счет-фактуры не поддерживается! Удалите его (файл "
        "\"Счет-фактура.html\") и перезапустите программу.В результате будет создан правильный "
        "файл шаблона."_w);
  TIBDataSet& h = doc.OpenHeader(InvoiceHeaderSQL());
  Header(jet, h);
  Rows(doc, jet);
  jet.MakeItog2("%.2n");
  jet.MakeItog(2);
  jet.EndOGroup();
  static const char* const kFooter[][2] = {{"ФИОРук", "SFBOSSFIO"},
                                           {"ФИОИП", "SFINDPREDFIO"},
                                           {"ФИОГлБухгалтера", "SFBUHFIO"},
                                           {"РеквизитыСвидетельстваОРегистрации", "SFGOSREG"}};
  for (const auto& f : kFooter) jet.Add(Utf8ToCp1251(f[0]), h.FieldByName(f[1]).AsString());
  doc.Finish();
  text = "Счет-фактура: переключитесь на HTML-версию отчета"_w;
}

}  // namespace

void PrintInvoice(TReportCreator& creator, int ttnId, std::string& text) {
  try {
    BuildInvoice(creator, ttnId, text);
  } catch (const std::exception& e) {
    MakeContextException(e, "ФормированиеСчетаФактуры"_w, true)->Raise();
  }
}

}  // namespace tv
