#pragma once
// TIBTransaction: a Firebird transaction on one database.
//
// Params are the transaction's options, one per line, as Firebird names
// them without the "isc_tpb_" prefix: read, write, read_committed,
// rec_version, no_rec_version, concurrency, consistency, wait, nowait,
// lock_timeout=N, autocommit, no_auto_undo, ignore_limbo. No options give
// Firebird's default (concurrency, wait, write).
//
// Commit and Rollback close the data sets that run in the transaction (their
// rows belong to it); the retaining forms keep them open. A transaction that
// is still active when the object goes, or when its database disconnects,
// ends with DefaultAction.

#include <vector>

#include "platform/text/StringList.h"
#include "platform/ib/Component.h"
#include "platform/ib/IBError.h"

namespace Firebird {
class ITransaction;
}

namespace tv {

class TIBDatabase;
class TIBDataSet;

enum class TTransactionAction { taRollback, taCommit, taRollbackRetaining, taCommitRetaining };

class TIBTransaction : public TComponent {
 public:
  explicit TIBTransaction(TComponent* owner = nullptr);
  ~TIBTransaction() override;

  TIBDatabase* DefaultDatabase() const { return database_; }
  // EIBClientError while the transaction is active.
  void SetDefaultDatabase(TIBDatabase* database);
  TStringList& Params() { return params_; }
  TTransactionAction DefaultAction() const { return defaultAction_; }
  void SetDefaultAction(TTransactionAction action) { defaultAction_ = action; }

  bool InTransaction() const { return handle_ != nullptr; }
  bool Active() const { return InTransaction(); }
  void SetActive(bool value);
  // EIBClientError when already active or when the database is not
  // connected; EIBClientError for an unknown option.
  void StartTransaction();
  void Commit();
  void Rollback();
  void CommitRetaining();
  void RollbackRetaining();

  Firebird::ITransaction* Handle() const { return handle_; }

 private:
  friend class TIBDatabase;
  friend class TIBDataSet;
  void AddDataSet(TIBDataSet* d);
  void RemoveDataSet(TIBDataSet* d);
  void CloseDataSets();
  void End(TTransactionAction action);
  // Ends an active transaction with DefaultAction; never raises (the handle
  // is dropped when Firebird fails). Returns Firebird's text on failure.
  std::string EndQuietly();
  void DatabaseGone();
  std::vector<unsigned char> BuildTpb() const;

  TIBDatabase* database_ = nullptr;
  TStringList params_;
  TTransactionAction defaultAction_ = TTransactionAction::taCommit;
  Firebird::ITransaction* handle_ = nullptr;
  std::vector<TIBDataSet*> dataSets_;
};

}  // namespace tv
