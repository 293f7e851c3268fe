// The old return act (codes 21 and 22) end to end: the text against a
// hand-checked file, the rows against isql-fb counts for the register and
// payment-type conditions, and the notice in place of the HTML version.
#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/operational/AktVozvrFixture.h"

namespace tv::test {
namespace {

using AktVozvrReport = AktVozvrFixture;

Variant Closed(std::initializer_list<Variant> tail) {
  std::vector<Variant> items = {DateVar(2024, 4, 10, 8), DateVar(2024, 4, 10, 20), Variant(201),
                                Variant("Сидорова М.И."_w)};
  items.insert(items.end(), tail);
  Variant a = VarArrayCreate({0, static_cast<int>(items.size()) - 1}, VarType::Variant);
  for (std::size_t i = 0; i < items.size(); ++i) a[static_cast<int>(i)] = items[i];
  return a;
}

TEST_F(AktVozvrReport, TextEqualsCheckedFileAndHtmlIsTheNotice) {
  EXPECT_EQ(Report(21, Closed({Variant(1), Variant(2)})), ExpectedText("akt-vozvr-201.txt"));
  EXPECT_EQ(Cp1251ToUtf8(Html()),
            "Данный отчет устарел (он сформирован только для старой формы отчета). Ипользуйте "
            "взамен \"Отчеты по возвратам\"");
}

TEST_F(AktVozvrReport, RowsFollowRegisterAndPaymentKinds) {
  Variant kinds = VarArrayCreate({0, 13}, VarType::Variant);
  for (int i = 0; i < 14; ++i) kinds[i] = Variant(i == 1 ? 0 : 2);
  struct Case {
    char code;
    Variant params;
    Variant kinds;  // the host's answer 27
    std::string where;
  } cases[] = {
      {21, Closed({}), Variant("нет"_w), "CLIENT = 1 AND VIDOPL IN (0, 6, 10)"},
      {21, Closed({Variant(2)}), Variant("нет"_w), "CLIENT = 2 AND VIDOPL IN (0, 6, 10)"},
      {21, Closed({Variant(2), Variant(2)}), Variant("нет"_w), "VIDOPL IN (0, 6, 10)"},
      {21, Closed({Variant(1), Variant(0)}), kinds, "CLIENT = 1 AND VIDOPL = 1"},
      {22, A({Variant(2)}), kinds, "CLIENT = 2 AND VIDOPL = 1"},
      {22, A({Variant(1), Variant(2)}), Variant("нет"_w), "VIDOPL IN (0, 6, 10)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    host->Set(27, c.kinds);
    const std::string text = Report(c.code, c.params);
    const std::string period = c.code == 21
                                   ? "DATA > '2024-04-10 08:00:00' AND DATA < '2024-04-10 20:00:00'"
                                   : "DATA > '2024-02-06 00:00:00' AND DATA < '2024-04-14 09:00:00'";
    const auto n = Sql("SELECT COUNT(*) AS N FROM BCHECK WHERE " + period +
                       " AND SUMMA < -0.004 AND " + c.where);
    EXPECT_EQ(std::to_string(DataRows(text).size()), Trim(n[0].at("N"))) << text;
    if (c.code == 22) {
      EXPECT_NE(text.find("Не закрыта (13.04.2024 09:00)"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tv::test
