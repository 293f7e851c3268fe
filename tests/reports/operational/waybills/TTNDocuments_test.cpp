// The five waybill documents side by side on the sample waybills 501 to
// 508: each takes only the rows of its own print flag, in ID order; every
// variable of the goods section, the transport section and the invoice
// against the database or a hand-read value; the older schema; the
// shipment receipt's dispensers and loading span; bad parameters.

#include "tests/reports/operational/TTNFixture.h"

namespace tv::test {
namespace {

class TTNDocuments : public TTNFixture {
 protected:
  // Each pair: variable, then the column of `row` that it shows as text.
  void ExpectColumns(std::map<std::string, std::string>& cells, const IsqlRow& row,
                     const std::vector<std::pair<std::string, std::string>>& pairs) {
    for (const auto& [var, column] : pairs) EXPECT_EQ(cells[var], Value(row, column)) << var;
  }
  // The nine columns of the counterparty that TTN's `column` names.
  IsqlRow Party(int id, const std::string& column) {
    return Sql("SELECT c.* FROM TTN t LEFT JOIN CONTRAGENT c ON c.CONTR_ID = t." + column +
               " WHERE t.TTN_ID = " + std::to_string(id))
        .at(0);
  }
  std::vector<std::pair<std::string, std::string>> PartyPairs(const std::string& stem,
                                                              const char* const vars[9]) {
    static const char* const kCols[] = {"FULLNAME", "ADDRESS",  "PHONE",  "OKPO",  "INN",
                                        "KPP",      "BANKNAME", "RSCHET", "KSCHET"};
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < 9; ++i) out.emplace_back(stem + vars[i], kCols[i]);
    return out;
  }
};

const char* const kPartyVars[] = {"Имя", "Адрес", "Телефон", "ОКПО", "ИНН",
                                  "КПП", "Банк",  "РСчет",   "КСчет"};

std::vector<std::string> Numbered(const std::vector<std::string>& stems, int rows) {
  std::vector<std::string> out;
  for (int n = 1; n <= rows; ++n)
    for (const std::string& s : stems) out.push_back(s + std::to_string(n));
  return out;
}

TEST_F(TTNDocuments, EachDocumentTakesTheRowsOfItsOwnFlagInIdOrder) {
  // Row k of waybill 501 carries the flags of the bits of k - 1:
  // PRINTTTN1 1, PRINTTTN2 2, PRINTSF 4, PRINTTN 8.
  const auto expected = [](int bit, const char* stem) {
    std::vector<std::string> names;
    for (int k = 1; k <= 16; ++k)
      if ((k - 1) & bit) names.push_back(stem + std::to_string(k));
    return names;
  };
  struct Case {
    int subCode, bit;
    const char *file, *stem, *cell, *logName;
    bool numbered;  // the form 1-T pages: numbered variables
  };
  const Case cases[] = {
      {4, 1, "ТТН1.html", "Товар ", "Наименование", "ТТН: товарный раздел", true},
      {5, 2, "ТТН2.html", "Груз ", "ОписаниеГруза", "ТТН: транспортный раздел", true},
      {6, 4, "Счет-фактура.html", "Товар ", "ИмяТовара", "Счет-фактура", false},
      {7, 8, "ТОРГ-12.html", "Товар ", "ИмяТовара", "ТОРГ-12", false},
      {16, 1, "Квитанция об отгрузке.html", "Товар ", "ВидТоплива", "Квитанция об отгрузке", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    UseNBTemplate(c.file, c.numbered ? CellsTemplate(Numbered({c.cell}, 9))
                                     : GroupTemplate({}, {"ЗапНомер", c.cell}, {}));
    ASSERT_TRUE(Request('#', c.subCode == 7 ? A({Variant(7), Variant(501), Variant(0)})
                                            : A({Variant(c.subCode), Variant(501)}))
                    .Text.find("переключитесь на HTML-версию отчета") != std::string::npos);
    EXPECT_TRUE(Logged(Utf8ToCp1251(c.logName)));
    std::vector<std::string> got;
    const auto rows = HtmlRows();
    if (c.numbered) {
      auto cells = Cells(rows);
      for (int n = 1; n <= 9; ++n)
        if (!cells[c.cell + std::to_string(n)].empty()) got.push_back(cells[c.cell + std::to_string(n)]);
    } else {
      const auto records = RecordRows(rows, {"ЗапНомер", c.cell});
      for (std::size_t i = 0; i < records.size(); ++i) {
        got.push_back(records[i].at(c.cell));
        if (c.subCode == 7) {
          EXPECT_EQ(records[i].at("ЗапНомер"), std::to_string(i + 1));
        }
      }
    }
    EXPECT_EQ(got, expected(c.bit, c.stem));
  }
}

TEST_F(TTNDocuments, GoodsSectionEveryVariable) {
  const std::vector<std::string> stems = {"ПКод", "Прейскур", "Арт", "Кол", "Цена", "Наименование",
                                          "ЕИ",   "ВУ",       "КолМ", "Масса", "Сумма", "КартНом",
                                          "Темпер", "Плотн"};
  std::vector<std::string> names = Numbered(stems, 7);
  for (const char* v : {"ТТНСерия", "ТТННом", "тД", "тМ", "тГ", "Наценка", "СклРасх", "Всего",
                        "ВсегоМест", "МНеттоП", "МНеттоЧ", "МБруттоП", "МБруттоЧ", "ПриложЛП",
                        "ПриложЛН", "СуммаПрописью", "РДолж", "РФИО", "БухФИО", "ОДолж", "ОФИО",
                        "ДовНом", "дД", "дМ", "дГ", "ПеревозчикИмя", "ПрДолж", "ПрФИО"})
    names.push_back(v);
  for (const char* stem : {"Отпр", "Получ", "Плат"})
    for (const char* v : kPartyVars) names.push_back(std::string(stem) + v);
  UseNBTemplate("ТТН1.html", CellsTemplate(names));
  Document(4, 502, "ТТН: переключитесь на HTML-версию отчета");
  auto cells = Cells(HtmlRows());
  const IsqlRow t = Sql("SELECT * FROM TTN WHERE TTN_ID = 502").at(0);
  ExpectColumns(cells, t, {{"ТТНСерия", "TTNSER"}, {"ТТННом", "TTNNUMBER"}, {"ВсегоМест", "ALLMEST"},
                           {"МНеттоП", "MNETTOTEXT"}, {"МБруттоП", "MBRUTTOTEXT"},
                           {"ПриложЛП", "PRILPAGESTEXT"}, {"СуммаПрописью", "ALLSUMMATEXT"},
                           {"РДолж", "BOSSPOST"}, {"РФИО", "BOSSFIO"}, {"БухФИО", "BUHFIO"},
                           {"ОДолж", "GOPOST"}, {"ОФИО", "GOFIO"}, {"ДовНом", "DOVERNUM"},
                           {"ПрДолж", "DRIVERPOST"}, {"ПрФИО", "DRIVERFIO"}});
  ExpectColumns(cells, Party(502, "GO_ID"), PartyPairs("Отпр", kPartyVars));
  ExpectColumns(cells, Party(502, "GP_ID"), PartyPairs("Получ", kPartyVars));
  ExpectColumns(cells, Party(502, "PLAT_ID"), PartyPairs("Плат", kPartyVars));
  EXPECT_EQ(cells["ПеревозчикИмя"], Value(Party(502, "PER_ID"), "FULLNAME"));
  // Hand-read from the sample: the date 2024-04-03, no margin, no costs,
  // no attachment pages and no power-of-attorney date.
  const std::pair<const char*, const char*> hand[] = {
      {"тД", "03"}, {"тМ", "04"}, {"тГ", "24"}, {"Наценка", ""}, {"СклРасх", ""},
      {"Всего", "1234467,89"}, {"МНеттоЧ", "2000"}, {"МБруттоЧ", "2100"}, {"ПриложЛН", ""},
      {"дД", ""}, {"дМ", ""}, {"дГ", ""}};
  for (const auto& [var, value] : hand) EXPECT_EQ(cells[var], value) << var;
  // Rows 6 and 7 set variables that the default template does not show;
  // zero and negative numbers leave theirs unset, the temperature is
  // always there.
  const char* const rows[][7] = {
      // Кол, Цена, КолМ, Масса, Сумма, Темпер, Плотн
      {"20", "41 666,67", "2", "20", "1 000 000,00", "12,5", "0,745"},
      {"4,2", "39 682,54", "1", "4,2", "200 000,00", "-3,5", "0,840"},
      {"1,5", "19 204,38", "1", "1,5", "34 567,89", "40,0", "0,990"},
      {"20", "", "4", "0,02", "", "20,0", "0,900"},
      {"1", "", "1", "0,2", "", "18,0", "1,000"},
      {"10", "", "10", "0,001", "", "0,0", ""},
      {"1", "", "", "", "", "0,0", ""},
  };
  const auto db = Sql("SELECT PKOD, NAME, UNIT, UPAKVID FROM TTNDETAIL WHERE TTN_ID = 502 ORDER BY ID");
  for (int r = 0; r < 7; ++r) {
    const std::string n = std::to_string(r + 1);
    SCOPED_TRACE(n);
    const char* const stems7[] = {"Кол", "Цена", "КолМ", "Масса", "Сумма", "Темпер", "Плотн"};
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(Plain(cells[stems7[i] + n]), rows[r][i]) << stems7[i];
    }
    ExpectColumns(cells, db[r], {{"ПКод" + n, "PKOD"}, {"Наименование" + n, "NAME"},
                                 {"ЕИ" + n, "UNIT"}, {"ВУ" + n, "UPAKVID"}});
    EXPECT_EQ(cells["Прейскур" + n], "");
    EXPECT_EQ(cells["КартНом" + n], "");
  }
}

TEST_F(TTNDocuments, TransportSectionEveryVariable) {
  std::vector<std::string> names =
      Numbered({"ОписаниеГруза", "ДокументыСГрузом", "ВидУпак", "КолМест", "ОпредМассы", "ГКод",
                "Конт", "ГКласс", "МБрутто", "Темпер", "Плотн"},
               3);
  for (const char* v : {"сД", "сМ", "сГ", "ТТНСерия", "ТТННом", "ПутевойЛист", "ПеревозРеквизиты",
                        "АвтоМарка", "АвтоГосЗнак", "ПлатРеквизиты", "ВодФИО", "ВодУдостоверение",
                        "ЛКстандартная", "ЛКограниченная", "ВидПеревозки", "ПКод", "ПунктПогрузки",
                        "ПунктРазгрузки", "Маршрут", "Переадресовка", "ПМарка1", "ПГосЗнак1",
                        "ПГаражН1", "МБруттоИ", "МБруттоП", "ОДолж", "ОФИО", "ПрФИО"})
    names.push_back(v);
  for (const char* stem : {"Перевоз", "Плат"})
    for (const char* v : kPartyVars) names.push_back(std::string(stem) + v);
  UseNBTemplate("ТТН2.html", CellsTemplate(names));
  Exec("UPDATE TTN SET DOSTDATE = '2024-05-09 00:00:00', LICCARD = NULL WHERE TTN_ID = 506");
  Document(5, 506, "ТТН: переключитесь на HTML-версию отчета");
  auto cells = Cells(HtmlRows());
  const IsqlRow t = Sql("SELECT * FROM TTN WHERE TTN_ID = 506").at(0);
  ExpectColumns(cells, t, {{"ТТНСерия", "TTNSER"}, {"ТТННом", "TTNNUMBER"}, {"ПутевойЛист", "PLIST"},
                           {"АвтоМарка", "CARMARKA"}, {"АвтоГосЗнак", "CARNUM"},
                           {"ВодФИО", "DRIVERFIO"}, {"ВодУдостоверение", "DRIVERUDOST"},
                           {"ВидПеревозки", "TRANSPKIND"}, {"ПКод", "PKOD"},
                           {"ПунктПогрузки", "PUNKTPOGRUZ"}, {"ПунктРазгрузки", "PUNKTRAZGRUZ"},
                           {"Маршрут", "PMARSHRUT"}, {"Переадресовка", "READDRESS"},
                           {"ПМарка1", "PRMARKA1"}, {"ПГосЗнак1", "PRNUM1"}, {"ПГаражН1", "PRGARNUM1"},
                           {"МБруттоП", "MBRUTTOTEXT"}, {"ОДолж", "GOPOST"}, {"ОФИО", "GOFIO"},
                           {"ПрФИО", "DRIVERFIO"}});
  ExpectColumns(cells, Party(506, "PER_ID"), PartyPairs("Перевоз", kPartyVars));
  ExpectColumns(cells, Party(506, "PLAT_ID"), PartyPairs("Плат", kPartyVars));
  const std::pair<const char*, const char*> hand[] = {
      {"сД", "09"}, {"сМ", "май"}, {"сГ", "2024"},  // "mmm": the month's short name
      {"ПеревозРеквизиты", "ИНН 770100000252"}, {"ПлатРеквизиты", "КПП 770101253"},
      {"ЛКстандартная", "стандартная"}, {"ЛКограниченная", "ограниченная"},  // NULL: neither struck
      {"МБрутто1", "12,50"}, {"МБрутто2", ""}, {"МБрутто3", "7,25"}, {"МБруттоИ", "19,75"},
      {"КолМест1", "1"}, {"КолМест2", ""}, {"Темпер2", "0,0"}, {"Темпер3", "-1,5"},
      {"Плотн1", "0,745"}, {"Плотн2", ""}};
  for (const auto& [var, value] : hand) EXPECT_EQ(cells[var], value) << var;
  const auto db = Sql("SELECT * FROM TTNDETAIL WHERE TTN_ID = 506 ORDER BY ID");
  for (int r = 0; r < 3; ++r) {
    const std::string n = std::to_string(r + 1);
    ExpectColumns(cells, db[r], {{"ОписаниеГруза" + n, "GNAME"}, {"ДокументыСГрузом" + n, "GDOCUMENTS"},
                                 {"ВидУпак" + n, "GUPAKVID"}, {"ОпредМассы" + n, "GOPREDMASSA"},
                                 {"ГКод" + n, "GKOD"}, {"Конт" + n, "GKONT"}, {"ГКласс" + n, "GCLASS"}});
  }
}

TEST_F(TTNDocuments, InvoiceEveryVariable) {
  const std::vector<std::string> rowCells = {"ИмяТовара", "ЕдИзм",    "Количество", "Цена",
                                             "СуммаБезНДС", "Акциз", "СтавкаНДС",  "СуммаНДС",
                                             "СуммаСНДС",  "Страна",   "ТаможДекл"};
  std::vector<std::string> head = {"СФНомер", "СФДата", "ПродавецИмяБезСокращений",
                                   "Грузоотправитель", "ПлатежныйДокумент"};
  const char* const sellerVars[] = {"ПолноеИмя", "Адрес", "Телефон", "ОКПО", "ИНН",
                                    "КПП",       "Банк",  "РСчет",   "КСчет"};
  for (const char* stem : {"Продавец", "Покупатель"})
    for (const char* v : sellerVars) head.push_back(std::string(stem) + v);
  const std::vector<std::string> foot = {"ФИОРук", "ФИОИП", "ФИОГлБухгалтера",
                                         "РеквизитыСвидетельстваОРегистрации"};
  UseNBTemplate("Счет-фактура.html", GroupTemplate(head, rowCells, foot));
  Exec("UPDATE TTN SET SFPLATDOC = 'П/п № 17 от 01.04.2024', SFGOSREG = 'Серия 77 № 0001' "
       "WHERE TTN_ID = 502");
  Document(6, 502, "Счет-фактура: переключитесь на HTML-версию отчета");
  const auto html = HtmlRows();
  auto cells = Cells(html);
  const IsqlRow t = Sql("SELECT * FROM TTN WHERE TTN_ID = 502").at(0);
  ExpectColumns(cells, t, {{"СФНомер", "SFNUMBER"}, {"ПлатежныйДокумент", "SFPLATDOC"},
                           {"ФИОРук", "SFBOSSFIO"}, {"ФИОИП", "SFINDPREDFIO"},
                           {"ФИОГлБухгалтера", "SFBUHFIO"},
                           {"РеквизитыСвидетельстваОРегистрации", "SFGOSREG"}});
  ExpectColumns(cells, Party(502, "GO_ID"), PartyPairs("Продавец", sellerVars));
  ExpectColumns(cells, Party(502, "GP_ID"), PartyPairs("Покупатель", sellerVars));
  EXPECT_EQ(cells["СФДата"], "03.04.24");
  EXPECT_EQ(cells["ПродавецИмяБезСокращений"], "ГОСУДАРСТВЕННОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ Вода");
  EXPECT_EQ(cells["Грузоотправитель"], "он же");  // SFGOTYPE 1
  const auto records = RecordRows(html, rowCells);
  ASSERT_EQ(records.size(), 7u);
  // Количество, Цена, Акциз, СтавкаНДС, СуммаСНДС, Страна, ТаможДекл.
  const char* const expected[][7] = {
      {"20,000", "41 666,67", "1 500,00", "20", "1 000 000,00", "Россия", "10130010/010424/0000501"},
      {"4,200", "39 682,54", "--", "20", "200 000,00", "Россия", "--"},
      {"1,500", "19 204,38", "--", "20", "34 567,89", "--", "--"},
      {"20,000", "0,00", "--", "0", "0,00", "--", "--"},
      {"1,000", "-83,33", "--", "20", "-100,00", "--", "--"},
      {"10,000", "0,00", "--", "", "0,00", "--", "--"},
      {"1,000", "0,00", "--", "0", "0,00", "--", "--"}};
  const char* const names[] = {"Количество", "Цена", "Акциз", "СтавкаНДС", "СуммаСНДС", "Страна",
                               "ТаможДекл"};
  for (int r = 0; r < 7; ++r)
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(Plain(records[r].at(names[i])), expected[r][i]) << r + 1 << " " << names[i];
    }
  const auto totals = RecordRows(html, rowCells, "Итого");
  ASSERT_EQ(totals.size(), 1u);
  for (const char* column : {"SFSUMMA", "SFSUMMANDS", "SFSUMMASNDS"}) {
    const auto sum = Sql(std::string("SELECT SUM(") + column +
                         ") AS S FROM TTNDETAIL WHERE TTN_ID = 502 AND PRINTSF = 1");
    const char* cell = std::string(column) == "SFSUMMA" ? "СуммаБезНДС"
                       : std::string(column) == "SFSUMMANDS" ? "СуммаНДС" : "СуммаСНДС";
    EXPECT_NEAR(Num(totals[0].at(cell)), SqlNum(sum, "S"), 0.005) << cell;
  }
  // 503: no date, SFGOTYPE 2; 501: SFGOTYPE 0 with a template that has no
  // "Грузоотправитель" parameter.
  Document(6, 503, "Счет-фактура: переключитесь на HTML-версию отчета");
  cells = Cells(HtmlRows());
  EXPECT_EQ(cells["СФДата"], "");
  EXPECT_EQ(cells["Грузоотправитель"], "--");
  EXPECT_EQ(cells["ПродавецИмяБезСокращений"],
            "ФЕДЕРАЛЬНОЕ ГОСУДАРСТВЕННОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ Почта");
  Document(6, 501, "Счет-фактура: переключитесь на HTML-версию отчета");
  EXPECT_EQ(Cells(HtmlRows())["Грузоотправитель"], "");
}

TEST_F(TTNDocuments, InvoiceTemplateCheckComesBeforeAnyQuery) {
  // "#group" in any letter case passes.
  std::string page = GroupTemplate({"СФНомер"}, {"ИмяТовара"}, {});
  page.replace(page.find("&lt;#Group&gt;"), 14, "&lt;#gROUP&gt;");
  UseNBTemplate("Счет-фактура.html", page);
  Document(6, 502, "Счет-фактура: переключитесь на HTML-версию отчета");
  EXPECT_EQ(Cells(HtmlRows())["СФНомер"], "СФ-502");
  // Without it the template is refused, even for a waybill that does not
  // exist: no query ran.
  UseNBTemplate("Счет-фактура.html", CellsTemplate({"СФНомер"}));
  ExpectError('#', A({Variant(6), Variant(999)}),
              "ФормированиеСчетаФактуры -> Существующий файл шаблона счет-фактуры не "
              "поддерживается! Удалите его (файл \"Счет-фактура.html\") и перезапустите "
              "программу.В результате будет создан правильный файл шаблона.");
}

TEST_F(TTNDocuments, ShipmentReceiptEveryVariableDispensersAndLoadingSpan) {
  struct Case {
    int id;
    const char *posts, *begin, *end, *masses;
  };
  const Case cases[] = {
      {507, "11, 1", "08.04.2024 10:01", "08.04.2024 10:40", "12,50|500,00"},
      // The third sale has no LOGTRAN row: its 08:00 does not count.
      {508, "2, 3", "09.04.2024 09:00", "09.04.2024 09:45", "1 000,00|1 000,00|250,00|100,00"},
  };
  const std::vector<std::string> cells = {"ВидТоплива", "Масса", "Давление"};
  UseNBTemplate("Квитанция об отгрузке.html",
                GroupTemplate({"ПостВыдачи", "НачалоНалива", "ОкончаниеНалива"}, cells, {}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Document(16, c.id, "Квитанция об отгрузке: переключитесь на HTML-версию отчета");
    const auto html = HtmlRows();
    auto head = Cells(html);
    EXPECT_EQ(head["ПостВыдачи"], c.posts);
    EXPECT_EQ(head["НачалоНалива"], c.begin);
    EXPECT_EQ(head["ОкончаниеНалива"], c.end);
    std::string masses;
    for (const auto& r : RecordRows(html, cells)) masses += (masses.empty() ? "" : "|") + r.at("Масса");
    EXPECT_EQ(Plain(masses), c.masses);  // tonnes times 1000
  }
  // Waybill 507 whole, hand-read from the sample; the operator stands in
  // the totals row.
  const std::vector<std::string> all = {"ВидТоплива", "Масса",       "Объем",   "Плотность",
                                        "Давление",   "Температура", "Оператор"};
  const std::vector<std::string> head = {"КвитНом",  "КвитДата",  "ТТНСерия",      "ТТННом",
                                         "ТТНДата", "НомерАвто", "НомерЦистерны", "Водитель"};
  UseNBTemplate("Квитанция об отгрузке.html", GroupTemplate(head, all, {}));
  Document(16, 507, "Квитанция об отгрузке: переключитесь на HTML-версию отчета");
  const auto html = HtmlRows();
  auto values = Cells(html);
  const char* const expectedHead[] = {"К-507",   "08.04.2024", "ВМ",            "000507",
                                      "08.04.2024", "А501АА77", "АХ5017 77", "Кузнецов И. И."};
  for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(values[head[i]], expectedHead[i]) << head[i];
  const auto rows = RecordRows(html, all);
  ASSERT_EQ(rows.size(), 2u);
  const char* const expectedRows[][6] = {{"ДТ", "12,50", "15,00", "0,835", "1,25", "5,0"},
                                         {"ДТ", "500,00", "598,80", "0,835", "1,50", "5,5"}};
  for (std::size_t r = 0; r < 2; ++r)
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(rows[r].at(all[i]), expectedRows[r][i]) << all[i];
  EXPECT_EQ(RecordRows(html, all, "Итого").at(0).at("Оператор"), "Петрова А. С.");

  // A TTNDETAIL without PRESSURE: no pressure and no error.
  Exec("ALTER TABLE TTNDETAIL DROP PRESSURE");
  Document(16, 507, "Квитанция об отгрузке: переключитесь на HTML-версию отчета");
  for (const auto& r : RecordRows(HtmlRows(), all)) EXPECT_EQ(r.at("Давление"), "");
}

TEST_F(TTNDocuments, OlderSchemaTransportSectionAndInvoiceReadTheWaybillRow) {
  Exec("DROP TABLE TTNDETAIL");
  UseNBTemplate("ТТН2.html", CellsTemplate({"ОписаниеГруза1", "МБрутто1", "ОписаниеГруза2"}));
  Document(5, 502, "ТТН: переключитесь на HTML-версию отчета");
  auto cells = Cells(HtmlRows());
  EXPECT_EQ(cells["ОписаниеГруза1"], "Нефтепродукты");
  EXPECT_EQ(cells["МБрутто1"], "8,40");
  EXPECT_EQ(cells["ОписаниеГруза2"], "");
  UseNBTemplate("Счет-фактура.html", GroupTemplate({}, {"ИмяТовара", "СуммаСНДС"}, {}));
  Document(6, 502, "Счет-фактура: переключитесь на HTML-версию отчета");
  const auto rows = RecordRows(HtmlRows(), {"ИмяТовара", "СуммаСНДС"});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("ИмяТовара"), "Дизельное топливо ЕВРО");
  EXPECT_EQ(Num(rows[0].at("СуммаСНДС")), 605010);
}

TEST_F(TTNDocuments, NamesWithMarkupSignsGoInAsTheyAre) {
  // Waybill 509: every party is 'ООО "Кавычки" & «Ёлки» <Ели>'. Values are
  // not escaped; the pages still parse, and "<" before a Cyrillic letter
  // is text to a parser (and to Chromium, TTNRendering).
  const std::pair<int, const char*> docs[] = {{4, "ТТН"}, {5, "ТТН"}, {6, "Счет-фактура"},
                                              {7, "Товарный отчет ТОРГ-12"},
                                              {16, "Квитанция об отгрузке"}};
  for (const auto& [subCode, notice] : docs) {
    SCOPED_TRACE(subCode);
    const TestHost::Reply reply = Request(
        '#', subCode == 7 ? A({Variant(7), Variant(509), Variant(0)}) : A({Variant(subCode), Variant(509)}));
    EXPECT_EQ(reply.Text, std::string(notice) + ": переключитесь на HTML-версию отчета");
    HtmlRows();  // parses, well-formed
    if (subCode != 16) {  // the receipt shows no party
      EXPECT_NE(Cp1251ToUtf8(Html()).find("ООО \"Кавычки\" & «Ёлки» <Ели>"), std::string::npos);
    }
  }
}

TEST_F(TTNDocuments, BadParametersGetTheDispatchersErrorText) {
  ExpectError('#', A({Variant(7), Variant(502)}), "Params[2]");
  ExpectError('#', A({Variant(4), Variant("пятьсот"_w)}), "Params[1]");
  // No array: the sub-code cannot be read, which the library raises to
  // the host as for every '#' request.
  EXPECT_EQ(Request('#', Variant(4)).Result, TV_REPORT_RAISED);
}

}  // namespace
}  // namespace tv::test
