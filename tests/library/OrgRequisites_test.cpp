// The organisation requisites in both engines: a text form read back
// through its variables, an in-memory HTML template rendered.
#include "library/OrgRequisites.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "engines/HTMLJet.h"
#include "engines/RepGen.h"
#include "library/CVariant.h"
#include "library/HostCallbacks.h"
#include "library/ReportCreator.h"
#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

std::vector<std::string> asked;

int32_t Answer(TVVariant* result, int32_t code, int32_t param) {
  asked.push_back(std::to_string(code) + "/" + std::to_string(param));
  static const std::map<int, std::string> texts = {
      {13, "АЗС №1"_w}, {43, "ШТРИХ-М"_w}, {44, "0011"}, {18, "000123"}};
  auto it = texts.find(code);
  if (it == texts.end()) return TV_HOST_FAILED;
  ToCVariant(Variant(it->second + (code == 13 ? "" : "#" + std::to_string(param))), result);
  return TV_HOST_OK;
}

class OrgRequisites : public ::testing::Test {
 protected:
  OrgRequisites() {
    asked.clear();
    StoreHostProcs(nullptr, Answer, nullptr);
    CnfIniFileName = "C:\\FUEL\\DB\\cnf.ini";
    root.WriteFile(
        "c/FUEL/DB/cnf.ini",
        Utf8ToCp1251("[Organization]\r\nOrgName=ООО «Велмар»\r\nINN=7714123456\r\nKPP=771401001\r\n"
                     "Bank=ПАО Банк\r\nOperatorName=Волков\r\n"));
    root.WriteFile("form.frm", "~AZS~\r\n@PAGE\r\n@ENDPAGE\r\n");
  }
  ~OrgRequisites() override {
    ClearHostProcs();
    CnfIniFileName.clear();
  }
  test::TempRoot root;
};

TEST_F(OrgRequisites, TextFormGetsNineteenVariablesAndAsksOnlyTheStation) {
  std::ostringstream out;
  TRepGen form(root.Path() + "/form.frm", out, 0, 1);
  const TDateTime before = Now();
  PutOrgRequisites(&form, nullptr, -1);
  EXPECT_EQ(asked, (std::vector<std::string>{"13/0"}));
  EXPECT_EQ(form.GetVarValue("AZS"), "АЗС №1"_w);
  EXPECT_EQ(form.GetVarValue("OrgName"), "ООО «Велмар»"_w);
  EXPECT_EQ(form.GetVarValue("INN/KPP"), "7714123456/771401001");
  EXPECT_EQ(form.GetVarValue("BankName"), "ПАО Банк"_w);
  EXPECT_EQ(form.GetVarValue("OperatorName"), "Волков"_w);
  EXPECT_EQ(form.GetVarValue("Address"), "");
  EXPECT_EQ(form.GetVarValue("KKMModel"), "");
  const std::string date = form.GetVarValue("CurDate");
  EXPECT_TRUE(date == FormatDateTime("dd.mm.yyyy", before) ||
              date == FormatDateTime("dd.mm.yyyy", Now()));
  EXPECT_EQ(form.GetVarValue("CurDateTime").substr(0, 10), date);
  EXPECT_EQ(form.GetVarValue("CurTime").size(), 8u);
}

TEST_F(OrgRequisites, BothEnginesWithACashRegister) {
  std::ostringstream out;
  TRepGen form(root.Path() + "/form.frm", out, 0, 1);
  THTML_Jet jet("TempNotUse");
  jet.SetTemplateText(
      "&lt;#AZS&gt;|&lt;#INN/"
      "KPP&gt;|&lt;#BankName&gt;|&lt;#KKMModel&gt;|&lt;#KKMNum&gt;|&lt;#KKMRNum&gt;|"
      "&lt;#CurDate(yyyy)&gt;");
  jet.Init();
  PutOrgRequisites(&form, &jet, 2);
  EXPECT_EQ(asked, (std::vector<std::string>{"13/0", "13/0", "43/2", "44/2", "18/2", "43/2", "44/2",
                                             "18/2"}));
  EXPECT_EQ(form.GetVarValue("KKMRNum"), "000123#2");
  std::string html;
  jet.GetReady(html);
  EXPECT_EQ(html, "АЗС №1|7714123456/771401001|ПАО Банк|ШТРИХ-М#2|0011#2|000123#2|"_w +
                      FormatDateTime("yyyy", Now()));
}

TEST_F(OrgRequisites, FailuresPassOn) {
  ClearHostProcs();
  std::ostringstream out;
  TRepGen form(root.Path() + "/form.frm", out, 0, 1);
  EXPECT_THROW(PutOrgRequisites(&form, nullptr, -1), EHostCallbackError);
  PutOrgRequisites(nullptr, nullptr, -1);  // nothing asked, nothing set
}

}  // namespace
}  // namespace tv
