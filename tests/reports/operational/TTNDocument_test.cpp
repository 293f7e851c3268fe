// The waybill documents' requisites lines and legal-form expansion,
// against texts worked out by hand.

#include <gtest/gtest.h>

#include "platform/Cp1251.h"
#include "reports/operational/TTNDocument.h"

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

}  // namespace
}  // namespace tv
