#pragma once
// Unit DCOMDataModuleUnit: the remote data module of a host that serves
// office clients. Ten named providers over one database connection let
// remote applications read waybills, waybill details, fuel sales,
// dispenser history, scanned documents and their own queries, and write
// waybills, waybill details and scanned documents back.
//
// The module is built in code; there is no form resource and no
// connection at construction. Its owner stands for the host's remote data
// module and receives the ten providers in registration order.
//
// Every provider call of one module runs under the module's lock: its write
// transaction is shared, so one record's rollback or commit must not meet
// another client's statement. Different modules run in parallel. Reads run
// in the read-only transaction RTran, the client's own command texts too, so
// a command text that writes changes nothing and fails.

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "exchange/ExchangeFile.h"
#include "exchange/ProviderDelta.h"
#include "exchange/ProviderUpdates.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBSQLText.h"
#include "platform/ib/IBTransaction.h"

namespace tv {
class TClientDataSet;
}

namespace tv::exchange {

// The providers, in registration order.
enum TProviderIndex {
  piRepTTN,
  piTRKHistory,
  piRepLogTran,
  piRepTTNID,
  piRepCustomSQL,
  piRepAllLogTran,
  piRepDBConnect,
  piRepTTNDet,
  piRepScanDoc,
  piRepScanDocTypes,
  kProviderCount
};
extern const std::array<const char*, kProviderCount> kProviderNames;

// The host's remote data module as the module sees it.
class TProviderOwner {
 public:
  virtual ~TProviderOwner() = default;
  virtual void RegisterProvider(int index, const std::string& name) = 0;
  virtual void UnRegisterProvider(int index, const std::string& name) = 0;
};

class TDCOMDataModule {
 public:
  // Create: remembers the owner, then DataModuleCreate.
  TDCOMDataModule(TProviderOwner* owner, TExchangeHost host);
  // DataModuleDestroy (once; later calls do nothing).
  ~TDCOMDataModule();
  TDCOMDataModule(const TDCOMDataModule&) = delete;
  TDCOMDataModule& operator=(const TDCOMDataModule&) = delete;

  // The records of a provider as an XML data packet; `commandText`, when
  // not empty, replaces the provider's statement. Raises the error the
  // client gets.
  std::string GetRecords(int provider, const std::string& commandText);
  // Applies the records in order, each on its own (each commits or fails
  // alone); the outcome of each.
  std::vector<TRecordOutcome> ApplyUpdates(int provider, const std::vector<TDeltaItem>& delta);
  // DataModuleDestroy under the module's lock; afterwards every call fails.
  void Destroy();

  // The module's own events.
  void DataModuleCreate();
  void DataModuleDestroy();
  void BuildLogTranSQL();
  void DSPRepTTNBeforeGetRecords();
  void DSPRepTTNIDGetData(TClientDataSet& dataSet);
  void DSPRepDBConnectGetData(TClientDataSet& dataSet);
  void DSPRepTTNBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind, bool& applied);
  void DSPRepTTNDetBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind, bool& applied);
  void DSPRepScanDocBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind, bool& applied);
  void DSPRepScanDocTypesBeforeUpdateRecord(const TDeltaRecord& delta, TUpdateKind kind,
                                            bool& applied);

  // The statement of the fuel-sales provider as it stands (tests).
  std::string LogTranSQL() const { return FBLogTranQuery.Text(); }

  TIBDatabase IBDB;
  TIBTransaction WTran;
  TIBTransaction RTran;
  TSQLStrings FBTTNQuery, FBTRKQuery, FBLogTranQuery, FBCustomSQL, FBAllLogTranQuery,
      FBTTNDetQuery, FBScanDocQuery, FBScanDocTypesQuery;
  TProviderOwner* ProviderOwner = nullptr;
  bool HasTTNDetail = false;
  bool HasID2CNT = false;
  bool ContractorsEmpty = false;
  bool HasPlotNomer = false;
  int32_t MaxIndexSale = 0;

 private:
  using Handler = void (TDCOMDataModule::*)(const TDeltaRecord&, TUpdateKind, bool&);
  TSQLStrings* Statement(int provider);
  std::string ReadPacket(const std::string& sql);
  void DeleteTTN(const TDeltaRecord& delta);
  void Apply(const char* table, const TStringList& keys, const TDeltaRecord& delta,
             TUpdateKind kind, int deleteStyle);
  void CheckAlive() const;

  TExchangeHost host_;
  std::unique_ptr<TTableColumns> columns_;
  std::recursive_mutex lock_;
  bool destroyed_ = false;
  int registered_ = 0;  // providers registered with the owner so far
};

}  // namespace tv::exchange
