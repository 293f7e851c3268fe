// Single points of the waybill documents: the licence words, the older
// schema and unknown waybills on the base sample's waybill 1, the invoice's
// shipper line from the built-in template and the shipment receipt's head
// and span without sales on waybills 501 and 504.

#include <filesystem>
#include <tuple>

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

TEST_F(TTNPages, OlderSchemaTakesTheTransportCodeFromTheHeaderColumn) {
  // A station database of the older schema (no TTNDETAIL): the goods line
  // reads the suffixed PKOD1, the transport section its header's PKOD.
  const std::string old = root.Path() + "/old";
  int rc = -1;
  const std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) + "/db/create-sample-db " +
                                         "--only station --schema old --root '" + old + "' 2>&1",
                                     &rc);
  ASSERT_EQ(rc, 0) << out;
  std::filesystem::copy_file(old + "/c/FUEL/DB/Velmar.FDB", DbPath(),
                             std::filesystem::copy_options::overwrite_existing);
  Exec("UPDATE TTN SET PKOD = 'HDR', PKOD1 = 'ROW' WHERE TTN_ID = 1");
  const std::tuple<int, const char*, const char*, const char*> cases[] = {
      {4, "ТТН1.html", "ПКод1", "ROW"}, {5, "ТТН2.html", "ПКод", "HDR"}};
  for (const auto& [subCode, page, variable, expected] : cases) {
    UseNBTemplate(page, CellsTemplate({variable}));
    Page(subCode, 1);
    EXPECT_EQ(Cells(HtmlRows())[variable], expected) << variable;
  }
}

TEST_F(TTNPages, InvoiceShipperLineFromTheTemplateParameter) {
  // Waybill 501: SFGOTYPE 0, the built-in template's parameter line with
  // the shipper's name (legal form expanded), address and phone.
  Document(6, 501, "Счет-фактура: переключитесь на HTML-версию отчета");
  EXPECT_NE(Cp1251ToUtf8(Html()).find("ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ Ромашка, Адрес: г. "
                                      "Москва, ул. Цветочная, д. 1 +7 495 000-02-51"),
            std::string::npos);
}

// The value cell of the receipt's labelled row.
std::string Labelled(const std::vector<std::vector<std::string>>& rows, const std::string& label) {
  const auto found = RowsStartingWith(rows, label);
  return found.empty() ? std::string("<none>") : found[0].back();
}

TEST_F(TTNPages, ShipmentReceiptHeadAndSpanWithoutSales) {
  // Waybill 501's rows have no sale: the span is the hour before its date
  // (2024-04-02 14:30); 504 has no date either, so no span.
  Document(16, 501, "Квитанция об отгрузке: переключитесь на HTML-версию отчета");
  auto rows = HtmlRows();
  EXPECT_EQ(Labelled(rows, "Место отгрузки:"), "Пост");
  EXPECT_EQ(Labelled(rows, "Начало налива:"), "02.04.2024 13:30");
  EXPECT_EQ(Labelled(rows, "Окончание налива:"), "02.04.2024 14:30");
  // The head carries the organisation's print date and station.
  EXPECT_NE(Cp1251ToUtf8(Html()).find("АЗС №1"), std::string::npos);
  Document(16, 504, "Квитанция об отгрузке: переключитесь на HTML-версию отчета");
  EXPECT_EQ(Labelled(HtmlRows(), "Начало налива:"), "");
  Exec("DROP TABLE TTNDETAIL");
  ExpectError('#', A({Variant(16), Variant(507)}), "ФормированиеКвитанцииОбОтгрузке -> ");
}

}  // namespace
}  // namespace tv::test
