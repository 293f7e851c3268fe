// The waybill documents' requisites lines and legal-form expansion,
// against texts worked out by hand.

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "reports/operational/waybills/TTNDocument.h"

namespace tv {
namespace {

std::string W(const char* utf8) { return Utf8ToCp1251(utf8); }

TEST(TTNDocument, RequisitesLines) {
  struct Case {
    const char *inn, *kpp, *bank, *rs, *ks, *bik, *shortLine, *fullLine;
  };
  const Case cases[] = {
      {"7701", "", "", "", "", "", "ИНН 7701", "ИНН 7701"},
      {"", "770101001", "", "", "", "", "КПП 770101001", "КПП 770101001"},
      {"7701", "770101001", "", "", "", "", "ИНН/КПП 7701/770101001", "ИНН/КПП 7701/770101001"},
      {"7701", "", "Банк ВТБ", "", "", "044525187", "ИНН 7701", "ИНН 7701 Банк ВТБ БИК 044525187"},
      {"7701", "770101001", "ПАО Сбербанк", "40702810", "30101810", "044525225",
       "ИНН/КПП 7701/770101001",
       "ИНН/КПП 7701/770101001 ПАО Сбербанк р/сч 40702810 кор/сч 30101810 БИК 044525225"},
      {"", "", "", "", "", "", "", ""},
      {"", "", "", "", "", "044525225", "", "БИК 044525225"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fullLine);
    EXPECT_EQ(ShortRequisites(W(c.inn), W(c.kpp)), W(c.shortLine));
    EXPECT_EQ(FormatRequisites(W(c.inn), W(c.kpp), W(c.bank), W(c.rs), W(c.ks), W(c.bik)),
              W(c.fullLine));
  }
}

TEST(TTNDocument, LegalFormExpansion) {
  const char* const cases[][2] = {
      {"ООО Ромашка", "ОБЩЕСТВО С ОГРАНИЧЕННОЙ ОТВЕТСТВЕННОСТЬЮ Ромашка"},
      {"ИП Петров П. П.", "ИНДИВИДУАЛЬНЫЙ ПРЕДПРИНИМАТЕЛЬ Петров П. П."},
      {"ОАО Завод", "ОТКРЫТОЕ АКЦИОНЕРНОЕ ОБЩЕСТВО Завод"},
      {"ЗАО Лес", "ЗАКРЫТОЕ АКЦИОНЕРНОЕ ОБЩЕСТВО Лес"},
      {"АО Нефть", "АКЦИОНЕРНОЕ ОБЩЕСТВО Нефть"},
      {"ЧП Иванов", "ЧАСТНЫЙ ПРЕДПРИНИМАТЕЛЬ Иванов"},
      {"ГУП Вода", "ГОСУДАРСТВЕННОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ Вода"},
      {"МУП Тепло", "МУНИЦИПАЛЬНОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ Тепло"},
      {"ФГУП Почта", "ФЕДЕРАЛЬНОЕ ГОСУДАРСТВЕННОЕ УНИТАРНОЕ ПРЕДПРИЯТИЕ Почта"},
      {"ооо Ромашка", "ооо Ромашка"},
      {"ОООРомашка", "ОООРомашка"},
      {"Ромашка ООО ", "Ромашка ООО "},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandLegalForm(W(c[0])), W(c[1])) << c[0];
}

// The invoice's header query, line by line as the station's own program
// sends it.
TEST(TTNDocument, HeaderQueryText) {
  EXPECT_EQ(PartiesHeaderSQL({{"go", "GO_", "GO_ID"}, {"gp", "GP_", "GP_ID"}}, false),
            "SELECT t.*, go.FULLNAME AS GO_NAME, go.INN AS GO_INN, go.ADDRESS AS GO_ADDRESS,     "
            "   go.PHONE AS GO_PHONE, go.OKPO AS GO_OKPO, go.KPP AS GO_KPP,        go.RSCHET AS "
            "GO_RSCHET, go.BANKNAME AS GO_BANKNAME, go.KSCHET AS GO_KSCHET, \r\n"
            "       gp.FULLNAME AS GP_NAME, gp.INN AS GP_INN, gp.ADDRESS AS GP_ADDRESS,        "
            "gp.PHONE AS GP_PHONE, gp.OKPO AS GP_OKPO, gp.KPP AS GP_KPP,        gp.RSCHET AS "
            "GP_RSCHET, gp.BANKNAME AS GP_BANKNAME, gp.KSCHET AS GP_KSCHET \r\n"
            "FROM TTN t \r\n"
            "LEFT JOIN CONTRAGENT go ON go.CONTR_ID = t.GO_ID\r\n"
            "LEFT JOIN CONTRAGENT gp ON gp.CONTR_ID = t.GP_ID\r\n"
            "WHERE TTN_ID=");
  const std::string withBik = PartiesHeaderSQL({{"tnpost", "POST_", "TNPOST_ID"}}, true);
  EXPECT_NE(withBik.find("tnpost.KSCHET AS POST_KSCHET, tnpost.BIK AS POST_BIK \r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tv
