// The consignment note ТОРГ-12 ('#' 7) through the exported names on the
// sample waybills 501 to 505: every variable against the database or a
// hand-worked value, the totals against SQL sums, the total in words worked
// out by hand from the word tables, the template variants.

#include "tests/reports/operational/TTNFixture.h"

namespace tv::test {
namespace {

const std::vector<std::string> kRowCells = {
    "ЗапНомер", "ИмяТовара",  "КодТовара", "ЕдИзм",    "КодЕдИзм", "Упаковка",
    "ЧислоМест", "МассаБрутто", "Количество", "Цена",  "СуммаБезНДС", "СтавкаНДС",
    "СуммаНДС", "СуммаСНДС", "Объем",      "Плотн",    "Темпер"};
const char* const kStems[] = {"Отпр", "Получ", "Пост", "Плат"};
const char* const kPartyVars[] = {"Имя",  "Адрес", "Телефон", "ИНН", "КПП",
                                  "ОКПО", "РСчет", "КСчет",   "Банк"};
const char* const kPartyCols[] = {"FULLNAME", "ADDRESS", "PHONE",  "INN",     "KPP",
                                  "OKPO",     "RSCHET",  "KSCHET", "BANKNAME"};

std::vector<std::string> HeadVars() {
  std::vector<std::string> v = {"НомерДокумента", "ДатаДокумента", "Основание", "НомерОснования",
                                "ДатаОснования",  "НомерТРН",      "ДатаТРН",   "ВидОперации",
                                "Примечание",     "Подлежит",      "КатегорияЦены", "КолвоНаМесто",
                                "ЧислоЗаписей"};
  for (const char* s : kStems) {
    for (const char* p : kPartyVars) v.push_back(std::string(s) + p);
    v.push_back(std::string(s) + "Реквизиты");
  }
  return v;
}

const std::vector<std::string> kFootVars = {"ВсегоМест", "МНеттоП", "МНеттоЧ", "МБруттоП",
                                            "МБруттоЧ",  "СуммаСНДСПрописью", "РДолж",
                                            "РФИО",      "БухФИО",  "ОДолж",   "ОФИО"};

class Torg12 : public TTNFixture {
 protected:
  void SetUp() override {
    TTNFixture::SetUp();
    UseNBTemplate("ТОРГ-12.html", GroupTemplate(HeadVars(), kRowCells, kFootVars));
  }
};

TEST_F(Torg12, HeaderPartiesAndVarList) {
  struct Case {
    int id;
    const char *date, *basisDate, *trnDate, *netto, *brutto;
    const char* requisites[4];  // Отпр, Получ, Пост, Плат
  };
  const Case cases[] = {
      {501, "02.04.24", "15.01.24", "02.04.24", "2000", "2100",
       {"ИНН/КПП 7701000251/770101001 ПАО Сбербанк р/сч 40702810000000000251 кор/сч "
        "30101810400000000225 БИК 044525225",
        "ИНН/КПП 7701000254/770101254 Банк ВТБ БИК 044525187", "ИНН 7701000255", ""}},
      // NULL, zero and NULL dates, a negative and a zero mass: unset.
      {503, "", "", "", "", "",
       {"ИНН 7701000259", "ИНН 7701000260", "ИНН 770100000252", "КПП 770101253"}},
  };
  const char* const partyCols[] = {"GO_ID", "GP_ID", "TNPOST_ID", "TNPLAT_ID"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Note(c.id, 0);
    auto cells = Cells(HtmlRows());
    const IsqlRow t = Sql("SELECT * FROM TTN WHERE TTN_ID = " + std::to_string(c.id)).at(0);
    EXPECT_EQ(cells["НомерДокумента"], Value(t, "TNNUMBER"));
    EXPECT_EQ(cells["ДатаДокумента"], c.date);
    EXPECT_EQ(cells["Основание"], Value(t, "TNOSNNAME"));
    EXPECT_EQ(cells["НомерОснования"], Value(t, "TNOSNNUMBER"));
    EXPECT_EQ(cells["ДатаОснования"], c.basisDate);
    EXPECT_EQ(cells["НомерТРН"], Value(t, "TNTRNUMBER"));
    EXPECT_EQ(cells["ДатаТРН"], c.trnDate);
    EXPECT_EQ(cells["ВидОперации"], Value(t, "TNOPERATION"));
    EXPECT_EQ(cells["МНеттоЧ"], c.netto);
    EXPECT_EQ(cells["МБруттоЧ"], c.brutto);
    const char* const foot[][2] = {{"ВсегоМест", "ALLMEST"}, {"МНеттоП", "MNETTOTEXT"},
                                   {"МБруттоП", "MBRUTTOTEXT"}, {"РДолж", "BOSSPOST"},
                                   {"РФИО", "BOSSFIO"}, {"БухФИО", "BUHFIO"},
                                   {"ОДолж", "GOPOST"}, {"ОФИО", "GOFIO"}};
    for (const auto& f : foot) EXPECT_EQ(cells[f[0]], Value(t, f[1])) << f[0];
    for (int p = 0; p < 4; ++p) {
      const auto party = Sql("SELECT c.* FROM TTN t LEFT JOIN CONTRAGENT c ON c.CONTR_ID = t." +
                             std::string(partyCols[p]) + " WHERE t.TTN_ID = " + std::to_string(c.id));
      for (int i = 0; i < 9; ++i)
        EXPECT_EQ(cells[std::string(kStems[p]) + kPartyVars[i]], Value(party.at(0), kPartyCols[i]))
            << kStems[p] << kPartyVars[i];
      EXPECT_EQ(cells[std::string(kStems[p]) + "Реквизиты"], c.requisites[p]) << kStems[p];
    }
  }
  // Waybill 501's VARLIST: "name|value" after the "=", a value with
  // further "|", a line without "=" read from its second character; an
  // empty value and a line without "|" set nothing.
  Note(501, 0);
  auto cells = Cells(HtmlRows());
  EXPECT_EQ(cells["Примечание"], "Отпуск по договору");
  EXPECT_EQ(cells["КолвоНаМесто"], "1|2|3");
  EXPECT_EQ(cells["ЧислоЗаписей"], "16");
  EXPECT_EQ(cells["Подлежит"], "");
  EXPECT_EQ(cells["КатегорияЦены"], "");
}

TEST_F(Torg12, RowsUnitCodesAndPresentTests) {
  Note(502, 0);
  const auto rows = RecordRows(HtmlRows(), kRowCells);
  ASSERT_EQ(rows.size(), 7u);
  // Hand-read from db/sample-waybills.sql: number, unit, its code, places,
  // mass, price, VAT rate, total with VAT, volume, density, temperature.
  const char* const expected[][11] = {
      {"1", "т", "168", "2", "20", "41 666,67", "20", "1 000 000,00", "26845,638", "0,745", "12,5"},
      {"2", "тн", "168", "1", "4,2", "39 682,54", "20", "200 000,00", "5000,000", "0,840", "-3,5"},
      {"3", "Тонна", "168", "1", "1,5", "19 204,38", "20", "34 567,89", "1515,152", "0,990", "40,0"},
      {"4", "кг", "", "4", "0,02", "", "", "", "22,200", "0,900", "20,0"},
      {"5", "л", "", "1", "0,2", "", "20", "", "200,000", "1,000", "18,0"},
      {"6", "шт", "", "10", "0,001", "", "", "", "", "", "0,0"},
      {"7", "шт", "", "", "", "", "", "", "", "", "0,0"},
  };
  const char* const names[] = {"ЗапНомер",  "ЕдИзм", "КодЕдИзм", "ЧислоМест", "МассаБрутто", "Цена",
                               "СтавкаНДС", "СуммаСНДС", "Объем", "Плотн", "Темпер"};
  const auto db = Sql("SELECT NAME, PKOD, UPAKVID FROM TTNDETAIL WHERE TTN_ID = 502 ORDER BY ID");
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(r + 1);
    auto row = rows[r];
    for (int i = 0; i < 11; ++i) {
      EXPECT_EQ(Plain(row[names[i]]), expected[r][i]) << names[i];
    }
    EXPECT_EQ(row["Количество"], row["МассаБрутто"]);
    EXPECT_EQ(row["ИмяТовара"], Value(db[r], "NAME"));
    EXPECT_EQ(row["КодТовара"], Value(db[r], "PKOD"));
    EXPECT_EQ(row["Упаковка"], Value(db[r], "UPAKVID"));
  }
}

TEST_F(Torg12, TotalsAgainstSqlAndTheTotalInWords) {
  struct Case {
    int id;
    const char* words;  // worked out from the word tables
  };
  const Case cases[] = {
      {502, "Один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 89 копеек"},
      {503, "Двадцать один рубль 01 копейка"},
      {504, "Сто тысяч рублей 00 копеек"},
      {505, ""},  // nothing positive: unset
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Note(c.id, 0);
    const auto html = HtmlRows();
    EXPECT_EQ(Cells(html)["СуммаСНДСПрописью"], c.words);
    const auto totals = RecordRows(html, kRowCells, "Итого");
    ASSERT_EQ(totals.size(), 1u);
    const std::string id = std::to_string(c.id);
    for (const auto& [cell, column] : {std::pair<std::string, std::string>{"СуммаБезНДС", "SFSUMMA"},
                                       {"СуммаНДС", "SFSUMMANDS"},
                                       {"СуммаСНДС", "SFSUMMASNDS"}}) {
      const auto sum = Sql("SELECT SUM(" + column + ") AS S FROM TTNDETAIL WHERE TTN_ID = " + id +
                           " AND PRINTTN = 1 AND " + column + " > 0");
      const std::string shown = totals[0].at(cell);
      EXPECT_NEAR(shown.empty() ? 0 : Num(shown), SqlNum(sum, "S"), 0.005) << cell;
    }
  }
}

TEST_F(Torg12, VariantsOpenTheirTemplatesAndOlderSchemaReadsTheWaybillRow) {
  const std::pair<int, const char*> variants[] = {
      {0, "ТОРГ-12.html"}, {1, "ТОРГ-12-1.html"}, {2, "ТОРГ-12-2.html"}, {-1, "ТОРГ-12--1.html"}};
  for (const auto& [variant, file] : variants)
    UseNBTemplate(file, CellsTemplate({"НомерДокумента"}) + "<p>" + file + "</p>\n");
  for (const auto& [variant, file] : variants) {
    SCOPED_TRACE(file);
    const std::string html = Note(502, variant);
    EXPECT_NE(html.find(std::string("<p>") + file + "</p>"), std::string::npos);
    EXPECT_EQ(Cells(HtmlRows())["НомерДокумента"], "Т-502");
  }
  ExpectError('#', A({Variant(7), Variant(502), Variant(3)}),
              "ФормированиеТоварнойНакладнойТОРГ12 -> Ошибка при открытии файла шаблона отчета "
              "\"C:\\FUEL\\FORMS\\WEBREP\\ТОРГ-12-3.html\": Файл не найден!");
  EXPECT_TRUE(Logged("ТОРГ-12"_w));

  // The host's template variant 0 (question 56) takes the "a_" file
  // beside the chosen one.
  UseNBTemplate("a_ТОРГ-12-2.html", CellsTemplate({"НомерДокумента"}) + "<p>a_</p>\n");
  host->Set(56, Variant(0));
  EXPECT_NE(Note(502, 2).find("<p>a_</p>"), std::string::npos);
  host->Set(56, Variant(1));

  UseNBTemplate("ТОРГ-12.html", GroupTemplate({}, kRowCells, {"СуммаСНДСПрописью"}));
  Exec("DROP TABLE TTNDETAIL");
  Note(502, 0);
  const auto html = HtmlRows();
  const auto rows = RecordRows(html, kRowCells);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("ЗапНомер"), "1");
  EXPECT_EQ(rows[0].at("ИмяТовара"), "Дизельное топливо ЕВРО");
  EXPECT_EQ(rows[0].at("КодЕдИзм"), "168");
  EXPECT_EQ(Cells(html)["СуммаСНДСПрописью"], "Шестьсот пять тысяч десять рублей 00 копеек");
}

}  // namespace
}  // namespace tv::test
