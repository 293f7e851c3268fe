#include "exchange/TTNTable.h"

#include <memory>

#include "exchange/ExchangeFile.h"
#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"

namespace tv::exchange {

namespace {

constexpr const char* kFlagCopiedOfficeRows =
    "UPDATE TTN t1\r\n"
    "SET t1.ISDELETE = 1\r\n"
    "WHERE (t1.TTN_ID>=100000000) AND (COALESCE(t1.ISDELETE, 0)=0) AND\r\n"
    "  EXISTS (SELECT t2.OFCTTNID FROM TTN t2 WHERE\r\n"
    "          t2.OFCTTNID = t1.TTN_ID AND t2.TTN_ID<100000000)";

void FlagCopiedOfficeRows(TIBDatabase* database) {
  std::unique_ptr<TIBDataSet> update(
      FBUtils::FBCreateDataSetForWrite(database, true, nullptr, nullptr, ""));
  update->Transaction()->SetDefaultAction(TTransactionAction::taRollback);
  update->SelectSQL().SetText(kFlagCopiedOfficeRows);
  update->ExecSQL();
  update->Transaction()->Commit();
}

}  // namespace

void ProcessTTNTable(const std::string& dbFolder) {
  try {
    WithExchangeDatabase(DatabaseFileIn(dbFolder), FlagCopiedOfficeRows);
  } catch (const std::exception& e) {
    MakeContextException(e, "procedure ProcessTTNTable")->Raise();
  }
}

}  // namespace tv::exchange
