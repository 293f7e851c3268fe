// The fuel-sales statement after its macros are replaced, compared as text
// for the station edge case and for the opposite flags; a module whose
// creation failed.

#include "exchange/DCOMDataModule.h"

#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/exchange/LogTranText.h"

namespace tv::exchange {
namespace {

struct Owner : TProviderOwner {
  std::vector<std::string> names;
  void RegisterProvider(int, const std::string& name) override { names.push_back(name); }
  void UnRegisterProvider(int, const std::string& name) override { names.push_back("-" + name); }
};

class DCOMDataModuleTest : public test::ExchangeTest {
 protected:
  // A module whose host cannot name its database: nothing registered,
  // nothing connected, the statement still with its macros.
  std::unique_ptr<TDCOMDataModule> Module() {
    TExchangeHost host;
    host.Query = [](Variant&, int code, int) { throw Exception("no answer to " + std::to_string(code)); };
    return std::make_unique<TDCOMDataModule>(&owner, host);
  }
  Owner owner;
};

TEST_F(DCOMDataModuleTest, SalesStatementForBothSetsOfFlags) {
  auto m = Module();
  EXPECT_TRUE(owner.names.empty());
  EXPECT_EQ(m->LogTranSQL(), test::LogTranText("#CHECKED#", "#ID2CNT#", "#PLOTNOMER#", "#TTNDETJOIN#",
                                               "#INDEXSALE#", "#WHERETTN#", "#CONTRJOIN#", "#GPJOIN#"));
  // A station without TTNDETAIL and LOGTRAN.ID2CNT, VDCONTRACTOR empty,
  // PLOTNOMER present.
  m->HasPlotNomer = true;
  m->ContractorsEmpty = true;
  m->BuildLogTranSQL();
  EXPECT_EQ(m->LogTranSQL(),
            test::LogTranText("", ", 0 AS ID2CNT, CAST('' AS VARCHAR(100)) AS GPNAME",
                              ", (lt.PLOTNOMER * lt.LITER) AS MASSAPLM ", "", "#INDEXSALE#",
                              "NOT EXISTS (SELECT * FROM TTN WHERE TTN.INDEXSALE = lt.INDEXSALE)",
                              " lt.IDCNT = CAST(c.CONTR_ID AS VARCHAR(10))", ""));
  auto o = Module();
  o->HasTTNDetail = true;
  o->HasID2CNT = true;
  o->BuildLogTranSQL();
  EXPECT_EQ(o->LogTranSQL(),
            test::LogTranText(" CAST(0 AS INTEGER) AS CHECKED, ", ", lt.ID2CNT, gp.NAME AS GPNAME",
                              ", (lt.PLOTN * lt.LITER) AS MASSAPLM ", "", "#INDEXSALE#",
                              "NOT EXISTS (SELECT * FROM TTNDETAIL td JOIN TTN ON TTN.TTN_ID = "
                              "td.TTN_ID WHERE (td.INDEXSALE = lt.INDEXSALE) AND "
                              "(COALESCE(TTN.ISDELETE, 0) <> 1))",
                              " (lt.INN = c.INN) AND (CHAR_LENGTH(c.INN) > 9)",
                              "LEFT JOIN CONTRAGENT gp ON gp.CONTR_ID = lt.ID2CNT"));
  m->Destroy();
  EXPECT_TRUE(owner.names.empty());  // nothing was registered, so nothing goes
  EXPECT_THROW(m->GetRecords(piRepTTN, ""), EDatabaseError);
}

}  // namespace
}  // namespace tv::exchange
