// The open shift's reports (codes 17, 18, 26) end to end: the same builders
// over the open shift's begin to now (10:30) as the period reports give.
#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "tests/reports/shift/SmallFixture.h"

namespace tv::test {
namespace {

class CurSmenaReports : public SmallFixture {
 protected:
  const Variant Beg = DateVar(2024, 4, 2, 8), Now = DateVar(2024, 4, 2, 10, 30);
};

// The rows and totals: the lines after the header (print time, title,
// the line naming the shift or period) up to the last totals line.
std::string Body(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  std::size_t last = 0;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find("Итого") != std::string::npos) last = i;
  std::string out;
  for (std::size_t i = 4; i <= last; ++i) out += lines[i] + "\n";
  return out;
}

TEST_F(CurSmenaReports, TheCounterpartyStatementEqualsThePeriodOne) {
  const Variant agent = Variant("ООО АвтоТрейд"_w);
  const std::string cur = Report('\x11', A({agent}));
  const std::string period =
      Report('\x0C', A({Beg, Now, agent, Variant(false), Variant(false), Variant(true)}));
  EXPECT_EQ(Body(cur), Body(period));
  EXPECT_NE(cur.find("ПЛ-3004"), std::string::npos) << cur;
  EXPECT_EQ(Lines(cur)[3], "Смена №104 c 02.04.2024 8:00:00 - текущая ");
}

TEST_F(CurSmenaReports, UnmadeReturnsOfTheOpenShift) {
  const std::string text = Report('\x12', Variant());
  EXPECT_NE(text.find("4276000000000104"), std::string::npos) << text;
  EXPECT_EQ(text.find("4276000000000101"), std::string::npos);
  EXPECT_NE(text.find("Не закрыта"), std::string::npos);
}

TEST_F(CurSmenaReports, ContractsOfTheOpenShift) {
  const std::string cur = Report('\x1A', A({Variant(0)}));
  const std::string closed =
      Report('\x19', A({Beg, Now, Variant("104"), Variant("Морозов Антон Юрьевич"_w)}));
  EXPECT_EQ(Body(cur), Body(closed));
  EXPECT_NE(cur.find("ИП Бета"), std::string::npos) << cur;
}

TEST_F(CurSmenaReports, BadInputGetsAClearText) {
  const TestHost::Reply name = Request('\x11', A({Variant(std::string(10000, '\xC6'))}));
  EXPECT_EQ(name.Result, TV_REPORT_TRUE) << name.Text;
  for (const Variant& odd : {A({Variant(1), Variant(2)}), DateVar(2024, 4, 2)}) {
    const TestHost::Reply r = Request('\x1A', A({Variant(0), odd}));
    EXPECT_EQ(r.Result, TV_REPORT_TRUE) << r.Text;
    EXPECT_FALSE(r.Text.empty());
  }
}

}  // namespace
}  // namespace tv::test
