// The waybill pages ('#' 4 and 5) through the exported names on the sample
// station database's waybill 1: values against the database, the numbered
// row variables, the older schema without TTNDETAIL and unknown waybills.

#include "tests/reports/operational/TTNFixture.h"

namespace tv::test {
namespace {

class TTNPages : public TTNFixture {
 protected:
  std::string Page(int subCode, int id) {
    EXPECT_EQ(Report('#', A({Variant(subCode), Variant(id)})),
              "ТТН: переключитесь на HTML-версию отчета");
    return Cp1251ToUtf8(Html());
  }
};

TEST_F(TTNPages, GoodsSectionShowsTheFlaggedRowsAndTheParties) {
  const std::string html = Page(4, 1);
  const auto rows = Sql("SELECT NAME, PKOD FROM TTNDETAIL WHERE TTN_ID = 1 AND PRINTTTN1 = 1 "
                        "ORDER BY ID");
  ASSERT_FALSE(rows.empty());
  std::size_t at = 0;
  for (const IsqlRow& r : rows) {  // in ID order
    at = html.find(r.at("NAME"), at);
    EXPECT_NE(at, std::string::npos) << r.at("NAME");
  }
  const auto go = Sql("SELECT c.FULLNAME FROM TTN t JOIN CONTRAGENT c ON c.CONTR_ID = t.GO_ID "
                      "WHERE t.TTN_ID = 1");
  EXPECT_NE(html.find(go.at(0).at("FULLNAME")), std::string::npos);
}

TEST_F(TTNPages, TransportSectionCargoRowsGrossMassAndLicenceWords) {
  UseNBTemplate("ТТН2.html", CellsTemplate({"МБрутто1", "МБрутто2", "МБрутто3", "МБруттоИ",
                                            "Темпер2", "КолМест1", "ПеревозРеквизиты"}));
  Exec("DELETE FROM TTNDETAIL WHERE TTN_ID = 1");
  Exec("INSERT INTO TTNDETAIL (ID, TTN_ID, PRINTTTN2, GMBRUTTO, TEMPER, GMEST) "
       "SELECT 1, 1, 1, 12.5, 4.25, 2 FROM RDB$DATABASE UNION ALL "
       "SELECT 2, 1, 1, 0, 0, 0 FROM RDB$DATABASE UNION ALL "
       "SELECT 3, 1, 1, 7.25, -1.5, NULL FROM RDB$DATABASE UNION ALL "
       "SELECT 4, 1, 0, 100, 0, 1 FROM RDB$DATABASE");
  for (int lic : {1, 2, 0}) {
    SCOPED_TRACE(lic);
    Exec("UPDATE TTN SET LICCARD = " + std::to_string(lic) + " WHERE TTN_ID = 1");
    const std::string html = Page(5, 1);
    auto cells = Cells(HtmlRows());
    EXPECT_EQ(cells["МБрутто1"], "12,50");
    EXPECT_EQ(cells["МБрутто2"], "");  // zero: unset
    EXPECT_EQ(cells["МБрутто3"], "7,25");
    EXPECT_EQ(cells["МБруттоИ"], "19,75");  // the unflagged row 4 is not counted
    EXPECT_EQ(cells["Темпер2"], "0,0");     // always set
    EXPECT_EQ(cells["КолМест1"], "2");
    const auto per = Sql("SELECT c.INN, c.KPP FROM TTN t JOIN CONTRAGENT c ON c.CONTR_ID = "
                         "t.PER_ID WHERE t.TTN_ID = 1");
    const std::string kpp = per.at(0).at("KPP") == "<null>" ? "" : per.at(0).at("KPP");
    EXPECT_EQ(cells["ПеревозРеквизиты"],
              kpp.empty() ? "ИНН " + per.at(0).at("INN") : "ИНН/КПП " + per.at(0).at("INN") + "/" + kpp);
  }
}

TEST_F(TTNPages, LicenceWordsStrikeTheOtherKind) {
  UseNBTemplate("ТТН2.html", CellsTemplate({"ЛКстандартная", "ЛКограниченная"}));
  const std::pair<int, const char*> cases[] = {
      {1, "<STRIKE>ограниченная</STRIKE>"}, {2, "<STRIKE>стандартная</STRIKE>"}, {0, nullptr}};
  for (const auto& [lic, struck] : cases) {
    Exec("UPDATE TTN SET LICCARD = " + std::to_string(lic) + " WHERE TTN_ID = 1");
    const std::string html = Page(5, 1);
    if (struck != nullptr)
      EXPECT_NE(html.find(struck), std::string::npos) << lic;
    else
      EXPECT_EQ(html.find("<STRIKE>"), std::string::npos);
  }
}

TEST_F(TTNPages, OlderSchemaReadsTheWaybillsOwnRowAndUnknownIdsFail) {
  UseNBTemplate("ТТН1.html", CellsTemplate({"ПКод1", "Наименование1", "ПКод2"}));
  ExpectError('#', A({Variant(4), Variant(777)}), "ФормированиеТоварногоРазделаТТН -> ");
  EXPECT_NE(Cp1251ToUtf8(Html()).find("777"), std::string::npos);
  Exec("DROP TABLE TTNDETAIL");
  Page(4, 1);
  auto cells = Cells(HtmlRows());
  const auto own = Sql("SELECT NAME1, PKOD1 FROM TTN WHERE TTN_ID = 1");
  EXPECT_EQ(cells["ПКод1"], own.at(0).at("PKOD1"));
  EXPECT_EQ(cells["Наименование1"], own.at(0).at("NAME1"));
  EXPECT_EQ(cells["ПКод2"], "");
}

TEST_F(TTNPages, InvoiceTotalsShipperLineAndTemplateCheck) {
  EXPECT_EQ(Report('#', A({Variant(6), Variant(1)})),
            "Счет-фактура: переключитесь на HTML-версию отчета");
  const auto sums = Sql("SELECT SUM(SFSUMMA) AS S, SUM(SFSUMMANDS) AS N, SUM(SFSUMMASNDS) AS T "
                        "FROM TTNDETAIL WHERE TTN_ID = 1 AND PRINTSF = 1");
  const auto total = RowsStartingWith(HtmlRows(), "Всего к оплате");
  ASSERT_EQ(total.size(), 1u);
  EXPECT_NEAR(Num(total[0][1]), SqlNum(sums, "S"), 0.005);
  EXPECT_NEAR(Num(total[0][3]), SqlNum(sums, "N"), 0.005);
  EXPECT_NEAR(Num(total[0][4]), SqlNum(sums, "T"), 0.005);
  // SFGOTYPE 0: the template's parameter line with the shipper's name
  // (legal form expanded), address and phone.
  Exec("UPDATE CONTRAGENT SET FULLNAME = 'ЗАО Отгрузка' WHERE CONTR_ID = (SELECT GO_ID FROM TTN "
       "WHERE TTN_ID = 1)");
  Exec("UPDATE TTN SET SFGOTYPE = 0, SFDATE = NULL WHERE TTN_ID = 1");
  Report('#', A({Variant(6), Variant(1)}));
  const auto go = Sql("SELECT c.ADDRESS, c.PHONE FROM TTN t JOIN CONTRAGENT c ON c.CONTR_ID = "
                      "t.GO_ID WHERE t.TTN_ID = 1");
  std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("ЗАКРЫТОЕ АКЦИОНЕРНОЕ ОБЩЕСТВО Отгрузка, Адрес: " + go.at(0).at("ADDRESS") +
                      " " + go.at(0).at("PHONE")),
            std::string::npos);
  EXPECT_EQ(html.find("30.12.99"), std::string::npos);  // no date: unset
  Exec("UPDATE TTN SET SFGOTYPE = 1 WHERE TTN_ID = 1");
  Report('#', A({Variant(6), Variant(1)}));
  EXPECT_NE(Cp1251ToUtf8(Html()).find("он же"), std::string::npos);
  // An installed template without a group is refused.
  UseNBTemplate("Счет-фактура.html", CellsTemplate({"СФНомер"}));
  ExpectError('#', A({Variant(6), Variant(1)}),
              "ФормированиеСчетаФактуры -> Существующий файл шаблона счет-фактуры не "
              "поддерживается!");
}

// The value cell of the receipt's labelled row.
std::string Labelled(const std::vector<std::vector<std::string>>& rows, const std::string& label) {
  const auto found = RowsStartingWith(rows, label);
  return found.empty() ? std::string("<none>") : found[0].back();
}

TEST_F(TTNPages, ShipmentReceiptDispensersLoadingSpanAndKilograms) {
  Exec("DELETE FROM TTNDETAIL WHERE TTN_ID = 1");
  Exec("INSERT INTO TTNDETAIL (ID, TTN_ID, PRINTTTN1, INDEXSALE, NAME, MASSA, VOLUME, UDVES, "
       "TEMPER) SELECT 1, 1, 1, 9100001, 'ДТ', 0.0125, 15, 0.835, 5 FROM RDB$DATABASE UNION ALL "
       "SELECT 2, 1, 1, 9100002, 'ДТ', 0.5, 600, 0.835, 5 FROM RDB$DATABASE UNION ALL "
       "SELECT 3, 1, 1, 9100003, 'ДТ', 1, 1200, 0.835, 5 FROM RDB$DATABASE UNION ALL "
       "SELECT 4, 1, 1, 9100004, 'ДТ', 1, 1200, 0.835, 5 FROM RDB$DATABASE");
  Exec("INSERT INTO LOGTRAN (INDEXSALE, DATA) SELECT 9100001, '2024-03-01 10:20:00' FROM "
       "RDB$DATABASE UNION ALL SELECT 9100002, '2024-03-01 10:40:00' FROM RDB$DATABASE UNION ALL "
       "SELECT 9100003, '2024-03-01 10:10:00' FROM RDB$DATABASE");
  // Sale 9100004 has a dispenser row only: it names its dispenser but takes
  // no part in the span.
  const char* const trk[][3] = {{"2", "10:05", "9100001"},
                                {"3", "10:30", "9100002"},
                                {"2", "10:01", "9100003"},
                                {"11", "09:00", "9100004"}};
  for (const auto& t : trk)
    Exec(std::string("INSERT INTO TRK (TRK, \"TIME\", OPERATION, INDEXSALE) VALUES ('") + t[0] +
         "', '2024-03-01 " + t[1] + ":00', 0, " + t[2] + ")");
  EXPECT_EQ(Report('#', A({Variant(16), Variant(1)})),
            "Квитанция об отгрузке: переключитесь на HTML-версию отчета");
  auto rows = HtmlRows();
  EXPECT_EQ(Labelled(rows, "Место отгрузки:"), "Пост 2, 3, 11");
  EXPECT_EQ(Labelled(rows, "Начало налива:"), "01.03.2024 10:01");
  EXPECT_EQ(Labelled(rows, "Окончание налива:"), "01.03.2024 10:40");
  EXPECT_EQ(Labelled(rows, "Отпущенная масса, кг:"), "12,50");  // tonnes in kilograms
  // The head carries the organisation's print date and station.
  EXPECT_NE(Cp1251ToUtf8(Html()).find("АЗС №1"), std::string::npos);

  // Without sales the span is the hour before the waybill's date; without
  // that date there is none.
  Exec("UPDATE TTNDETAIL SET INDEXSALE = NULL WHERE TTN_ID = 1");
  Exec("UPDATE TTN SET TTNDATE = '2024-03-01 10:30:00' WHERE TTN_ID = 1");
  Report('#', A({Variant(16), Variant(1)}));
  rows = HtmlRows();
  EXPECT_EQ(Labelled(rows, "Место отгрузки:"), "Пост");
  EXPECT_EQ(Labelled(rows, "Начало налива:"), "01.03.2024 09:30");
  EXPECT_EQ(Labelled(rows, "Окончание налива:"), "01.03.2024 10:30");
  Exec("UPDATE TTN SET TTNDATE = NULL WHERE TTN_ID = 1");
  Report('#', A({Variant(16), Variant(1)}));
  EXPECT_EQ(Labelled(HtmlRows(), "Начало налива:"), "");

  Exec("DROP TABLE TTNDETAIL");
  ExpectError('#', A({Variant(16), Variant(1)}), "ФормированиеКвитанцииОбОтгрузке -> ");
}

}  // namespace
}  // namespace tv::test
