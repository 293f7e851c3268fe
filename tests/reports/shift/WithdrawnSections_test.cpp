// The withdrawn sections' form names and the rows of the cashless
// breakdown, on lists made here.

#include "reports/shift/WithdrawnSections.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "engines/RepGen.h"
#include "foundation/ReportConsts.h"
#include "foundation/ReportSettings.h"
#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

TEST(WithdrawnSections, FormNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "C:\\FUEL\\FORMS\\REPORT\\Smena5.FRM"},
      {"My.FRM", "C:\\FUEL\\FORMS\\REPORT\\My.FRM"},
      {"D:\\FUEL\\FORMS\\REPORT\\My.FRM", "C:\\FUEL\\FORMS\\REPORT\\My.FRM"},
      {"s:\\F\\My.FRM", "C:\\F\\My.FRM"},
      {"d:/F/My.FRM", "C:/F/My.FRM"},
      {"D:", "C:"},
      // Only a drive is read on drive C: other names with a folder stay.
      {"forms\\Smena5.FRM", "forms\\Smena5.FRM"},
      {"\\\\server\\forms\\Smena5.FRM", "\\\\server\\forms\\Smena5.FRM"},
      {"1:\\x.frm", "1:\\x.frm"},
  };
  for (const auto& [name, form] : cases)
    EXPECT_EQ(WithdrawnFormName(name, "Smena5.FRM"), form) << name;
}

TEST(WithdrawnSections, CashlessRowsByPaymentTypeAndPosition) {
  TempRoot root;
  root.WriteFile("t.frm",
                 "@Page\n@Group\n@Repeat\n~Gsm~       |~Price~     |~TL~        |~TK~        "
                 "|~BNL~       |~BNK~       |~L0~        |~L1~        |~L2~        |~K2~        "
                 "|~L3~        |~VL~        \n@EndRepeat\n@EndGroup\n@EndPage\n");
  DecL2 = 2;
  DecKg2 = 3;
  TGSMInfo_2 gsm;
  gsm.Price = 51.5;
  const TSaleItem items[] = {
      {10.004, 7.5, {}, {}, 1, 1},   // type 1, cashless
      {20.005, 15.0, {}, {}, 1, 0},  // type 1 again, cash: replaces TL, TK
      {5.5, 4.1255, {}, {}, 3, 2},   // position 2, type 3, cashless
      {7.0, 5.0, {}, {}, 0, 0},      // cash of type 0: nothing
  };
  for (const TSaleItem& item : items) gsm.Items.AddObject("", new TSaleItem(item));
  TStringList fuels;
  fuels.AddObject("АИ-92"_w, &gsm);
  std::ostringstream out;
  {
    TRepGen rep(root.Path() + "/t.frm", out, 0, 1);
    WriteCashlessRows(rep, fuels);
    rep.EndReport();
  }
  gsm.FreeItems();
  std::vector<std::string> fields;
  std::stringstream line(Cp1251ToUtf8(out.str()));
  for (std::string f; std::getline(line, f, '|');) {
    const std::size_t b = f.find_first_not_of(" \r\n");
    fields.push_back(b == std::string::npos ? ""
                                            : f.substr(b, f.find_last_not_of(" \r\n") - b + 1));
  }
  EXPECT_EQ(fields, (std::vector<std::string>{"АИ-92", "51,50", "20,01", "15,000", "5,50", "4,126",
                                              "10,00", "", "5,50", "4,126", "", ""}));
}

}  // namespace
}  // namespace tv::test
