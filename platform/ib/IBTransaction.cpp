#include "platform/ib/IBTransaction.h"

#include <algorithm>

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBClient.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"

namespace tv {

using ib_detail::IBQuietStatus;
using ib_detail::IBStatus;

namespace {

struct TpbName {
  const char* name;
  unsigned char tag;
};
constexpr TpbName kTpbNames[] = {
    {"read", isc_tpb_read},
    {"write", isc_tpb_write},
    {"read_committed", isc_tpb_read_committed},
    {"rec_version", isc_tpb_rec_version},
    {"no_rec_version", isc_tpb_no_rec_version},
    {"concurrency", isc_tpb_concurrency},
    {"consistency", isc_tpb_consistency},
    {"wait", isc_tpb_wait},
    {"nowait", isc_tpb_nowait},
    {"autocommit", isc_tpb_autocommit},
    {"no_auto_undo", isc_tpb_no_auto_undo},
    {"ignore_limbo", isc_tpb_ignore_limbo},
    {"lock_timeout", isc_tpb_lock_timeout},
};

}  // namespace

TIBTransaction::TIBTransaction(TComponent* owner) : TComponent(owner) {}

TIBTransaction::~TIBTransaction() {
  EndQuietly();
  for (TIBDataSet* d : std::vector<TIBDataSet*>(dataSets_)) d->TransactionGone(this);
  if (database_ != nullptr) database_->RemoveTransaction(this);
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database) {
  if (database == database_) return;
  if (InTransaction()) throw EIBClientError("Cannot change the database of an active transaction");
  if (database_ != nullptr) database_->RemoveTransaction(this);
  database_ = database;
  if (database_ != nullptr) database_->AddTransaction(this);
}

void TIBTransaction::SetActive(bool value) {
  if (value && !InTransaction())
    StartTransaction();
  else if (!value && InTransaction())
    End(defaultAction_);
}

std::vector<unsigned char> TIBTransaction::BuildTpb() const {
  if (params_.Count() == 0) return {};
  IBStatus st;
  Firebird::IXpbBuilder* tpb = FirebirdMaster()->getUtilInterface()->getXpbBuilder(
      &st, Firebird::IXpbBuilder::TPB, nullptr, 0);
  std::vector<unsigned char> bytes;
  try {
    for (int i = 0; i < params_.Count(); ++i) {
      std::string line = AnsiLowerCase(Trim(params_[i]));
      if (line.empty()) continue;
      std::string name = line, value;
      const std::size_t eq = line.find('=');
      if (eq != std::string::npos) {
        name = Trim(line.substr(0, eq));
        value = Trim(line.substr(eq + 1));
      }
      if (name.rfind("isc_tpb_", 0) == 0) name = name.substr(8);
      auto it = std::find_if(std::begin(kTpbNames), std::end(kTpbNames),
                             [&](const TpbName& t) { return name == t.name; });
      if (it == std::end(kTpbNames))
        throw EIBClientError("Unknown transaction parameter \"" + params_[i] + "\"");
      if (it->tag == isc_tpb_lock_timeout)
        tpb->insertInt(&st, it->tag, StrToInt(value));
      else
        tpb->insertTag(&st, it->tag);
    }
    const unsigned char* buffer = tpb->getBuffer(&st);
    bytes.assign(buffer, buffer + tpb->getBufferLength(&st));
  } catch (...) {
    tpb->dispose();
    throw;
  }
  tpb->dispose();
  return bytes;
}

void TIBTransaction::StartTransaction() {
  if (InTransaction()) throw EIBClientError("Transaction is active");
  if (database_ == nullptr) throw EIBClientError("Transaction has no database");
  if (!database_->Connected())
    throw EIBClientError("Database \"" + database_->DatabaseName() + "\" is not connected");
  const std::vector<unsigned char> tpb = BuildTpb();
  IBStatus st;
  Firebird::ITransaction* t = database_->Attachment()->startTransaction(
      &st, static_cast<unsigned>(tpb.size()), tpb.empty() ? nullptr : tpb.data());
  handle_ = t;
}

void TIBTransaction::End(TTransactionAction action) {
  if (!InTransaction()) throw EIBClientError("Transaction is not active");
  const bool retaining = action == TTransactionAction::taCommitRetaining ||
                         action == TTransactionAction::taRollbackRetaining;
  if (!retaining) CloseDataSets();
  IBQuietStatus st;
  switch (action) {
    case TTransactionAction::taCommit:
      handle_->commit(&st);
      break;
    case TTransactionAction::taRollback:
      handle_->rollback(&st);
      break;
    case TTransactionAction::taCommitRetaining:
      handle_->commitRetaining(&st);
      break;
    case TTransactionAction::taRollbackRetaining:
      handle_->rollbackRetaining(&st);
      break;
  }
  if (!st.Failed()) {
    if (!retaining) handle_ = nullptr;  // commit and rollback released it
    return;
  }
  if (!retaining && action == TTransactionAction::taRollback) {
    handle_->release();  // a rollback that fails leaves nothing to keep
    handle_ = nullptr;
  }
  st.Check();
}

void TIBTransaction::Commit() { End(TTransactionAction::taCommit); }
void TIBTransaction::Rollback() { End(TTransactionAction::taRollback); }
void TIBTransaction::CommitRetaining() { End(TTransactionAction::taCommitRetaining); }
void TIBTransaction::RollbackRetaining() { End(TTransactionAction::taRollbackRetaining); }

std::string TIBTransaction::EndQuietly() {
  if (!InTransaction()) return {};
  CloseDataSets();
  IBQuietStatus st;
  const bool commit = defaultAction_ == TTransactionAction::taCommit ||
                      defaultAction_ == TTransactionAction::taCommitRetaining;
  if (commit) handle_->commit(&st);
  std::string failure;
  if (commit && st.Failed()) {
    failure = IBStatusText(&st);
    st.Clear();
  }
  if (!commit || !failure.empty()) {
    handle_->rollback(&st);
    if (st.Failed()) handle_->release();
  }
  handle_ = nullptr;
  return failure;
}

void TIBTransaction::AddDataSet(TIBDataSet* d) {
  if (std::find(dataSets_.begin(), dataSets_.end(), d) == dataSets_.end()) dataSets_.push_back(d);
}

void TIBTransaction::RemoveDataSet(TIBDataSet* d) {
  dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), d), dataSets_.end());
}

void TIBTransaction::CloseDataSets() {
  for (TIBDataSet* d : std::vector<TIBDataSet*>(dataSets_)) d->Close();
}

void TIBTransaction::DatabaseGone() {
  handle_ = nullptr;
  database_ = nullptr;
}

}  // namespace tv
