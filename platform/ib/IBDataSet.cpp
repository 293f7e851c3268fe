#include "platform/ib/IBDataSet.h"

#include <algorithm>

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBStatement.h"
#include "platform/ib/IBTransaction.h"

namespace tv {

using ib_detail::IBStatement;

TIBDataSet::TIBDataSet(TComponent* owner) : TComponent(owner) {}

TIBDataSet::~TIBDataSet() {
  CloseQuietly();
  statement_.reset();
  if (transaction_ != nullptr) transaction_->RemoveDataSet(this);
  if (database_ != nullptr) database_->RemoveDataSet(this);
}

void TIBDataSet::Error(const std::string& message) const {
  throw EDatabaseError(Name().empty() ? message : Name() + ": " + message);
}

void TIBDataSet::SetDatabase(TIBDatabase* database) {
  if (database == database_) return;
  Close();
  statement_.reset();
  if (database_ != nullptr) database_->RemoveDataSet(this);
  database_ = database;
  if (database_ != nullptr) database_->AddDataSet(this);
}

void TIBDataSet::SetTransaction(TIBTransaction* transaction) {
  if (transaction == transaction_) return;
  Close();
  if (transaction_ != nullptr) transaction_->RemoveDataSet(this);
  transaction_ = transaction;
  if (transaction_ != nullptr) transaction_->AddDataSet(this);
}

TIBTransaction* TIBDataSet::EffectiveTransaction() const {
  if (transaction_ != nullptr) return transaction_;
  return database_ != nullptr ? database_->DefaultTransaction() : nullptr;
}

TIBParams& TIBDataSet::Params() {
  SyncParams();
  return params_;
}

// A changed SelectSQL means new parameters and a new statement.
void TIBDataSet::SyncParams() {
  if (parsedVersion_ == selectSQL_.Version()) return;
  if (Active()) Close();
  statement_.reset();
  ParsedSQL parsed = ParseParamSQL(selectSQL_.Text());
  parsedText_ = std::move(parsed.text);
  params_.Rebuild(parsed.names);
  parsedVersion_ = selectSQL_.Version();
}

void TIBDataSet::Activate() {
  if (database_ == nullptr) Error("Database not assigned");
  TIBTransaction* t = EffectiveTransaction();
  if (t == nullptr) Error("Transaction not assigned");
  if (!database_->Connected()) database_->Open();
  if (t->DefaultDatabase() == nullptr) t->SetDefaultDatabase(database_);
  if (!t->InTransaction()) t->StartTransaction();
}

void TIBDataSet::Prepare() {
  SyncParams();
  Activate();
  if (statement_) return;
  if (Trim(parsedText_).empty()) Error("SQL statement is empty");
  statement_ = std::make_unique<IBStatement>(database_->Attachment(),
                                             EffectiveTransaction()->Handle(), parsedText_);
  BuildFields();
}

void TIBDataSet::UnPrepare() {
  Close();
  statement_.reset();
}

bool TIBDataSet::Prepared() const { return static_cast<bool>(statement_); }

void TIBDataSet::BuildFields() {
  fields_.clear();
  fieldIndex_.clear();
  const auto& columns = statement_->Columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const auto& c = columns[i];
    auto f = std::unique_ptr<TIBField>(new TIBField());
    f->dataSet_ = this;
    f->index_ = static_cast<int>(i);
    f->type_ = c.fieldType;
    f->kind_ = static_cast<uint8_t>(c.kind);
    f->scale_ = c.scale;
    f->size_ = c.fieldType == TFieldType::ftString ? static_cast<int>(c.length)
               : c.fieldType == TFieldType::ftBCD  ? -c.scale
                                                   : 0;
    // the runtime names a repeated column NAME_1, NAME_2, ...
    std::string name = c.name;
    for (int n = 1; fieldIndex_.count(AnsiUpperCase(name)) != 0; ++n)
      name = c.name + "_" + std::to_string(n);
    f->name_ = name;
    fieldIndex_[AnsiUpperCase(name)] = f->index_;
    fields_.push_back(std::move(f));
  }
  buffer_.assign(statement_->MessageLength(), 0);
}

std::vector<const Variant*> TIBDataSet::Inputs() {
  std::vector<const Variant*> inputs;
  for (int index : params_.Positions()) inputs.push_back(&params_[index].Value());
  return inputs;
}

void TIBDataSet::Open() {
  if (Active()) return;
  Prepare();
  if (!statement_->IsSelect()) Error("The statement does not return rows; use ExecSQL");
  TIBTransaction* t = EffectiveTransaction();
  try {
    statement_->Open(t->Handle(), Inputs());
    runningIn_ = t;
    t->AddDataSet(this);
    store_.Reset(static_cast<int>(fields_.size()));
    state_ = TDataSetState::dsBrowse;
    allFetched_ = false;
    fetched_ = 0;
    position_ = -1;
    bof_ = true;
    eof_ = true;
    if (FetchRow()) {
      position_ = 0;
      eof_ = false;
    }
  } catch (...) {
    CloseQuietly();
    throw;
  }
}

void TIBDataSet::ExecSQL() {
  if (Active()) Error("Cannot perform this operation on an open dataset");
  Prepare();
  statement_->Execute(EffectiveTransaction()->Handle(), Inputs());
  rowsAffected_ = statement_->AffectedRows();
}

void TIBDataSet::SetActive(bool value) {
  if (value)
    Open();
  else
    Close();
}

void TIBDataSet::EndCursor() {
  if (statement_) statement_->CloseCursor();
  allFetched_ = true;
}

void TIBDataSet::Close() {
  if (!Active()) return;
  EndCursor();
  state_ = TDataSetState::dsInactive;
  store_.Reset(0);
  position_ = -1;
  fetched_ = 0;
  eof_ = bof_ = true;
  if (runningIn_ != nullptr && runningIn_ != transaction_) runningIn_->RemoveDataSet(this);
  runningIn_ = nullptr;
}

void TIBDataSet::CloseQuietly() {
  try {
    Close();
  } catch (...) {  // closing a cursor on a lost connection: the handle is dropped anyway
    state_ = TDataSetState::dsInactive;
    runningIn_ = nullptr;
  }
}

void TIBDataSet::Disconnecting() {
  CloseQuietly();
  statement_.reset();
}

void TIBDataSet::DatabaseGone() {
  Disconnecting();
  database_ = nullptr;
}

void TIBDataSet::TransactionGone(TIBTransaction* t) {
  if (runningIn_ == t) CloseQuietly();
  if (transaction_ == t) transaction_ = nullptr;
}

// Fetches one more row into the store; false when the cursor is done. An
// error closes the data set.
bool TIBDataSet::FetchRow() {
  if (allFetched_) return false;
  try {
    if (!statement_->Fetch(buffer_.data())) {
      allFetched_ = true;
      return false;
    }
    if (uniDirectional_) store_.Reset(static_cast<int>(fields_.size()));
    const uint32_t row = store_.NewRow();
    statement_->Decode(buffer_.data(), store_, row, runningIn_->Handle());
    store_.Order().push_back(row);
    ++fetched_;
    return true;
  } catch (...) {
    CloseQuietly();
    throw;
  }
}

void TIBDataSet::FetchUpTo(std::size_t count) {
  while (store_.Order().size() < count && FetchRow()) {
  }
}

void TIBDataSet::CheckActive() const {
  if (!Active()) Error("Cannot perform this operation on a closed dataset");
}

void TIBDataSet::MoveTo(int position) {
  position_ = position;
  bof_ = eof_ = false;
}

void TIBDataSet::First() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Post();
  if (uniDirectional_ && fetched_ > 1) Error("Operation not allowed on a unidirectional dataset");
  position_ = store_.Order().empty() ? -1 : 0;
  bof_ = true;
  eof_ = position_ < 0;
}

void TIBDataSet::Next() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Post();
  if (position_ < 0) {
    eof_ = true;
    return;
  }
  const int loaded = uniDirectional_ ? fetched_ : static_cast<int>(store_.Order().size());
  if (position_ + 1 < loaded || FetchRow()) {
    ++position_;
    bof_ = false;
  } else {
    eof_ = true;
  }
}

void TIBDataSet::Prior() {
  CheckActive();
  if (uniDirectional_) Error("Operation not allowed on a unidirectional dataset");
  if (state_ != TDataSetState::dsBrowse) Post();
  if (position_ > 0) {
    --position_;
    eof_ = false;
  } else {
    bof_ = true;
  }
}

void TIBDataSet::Last() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Post();
  FetchAll();
  eof_ = true;
  bof_ = position_ <= 0;
}

void TIBDataSet::FetchAll() {
  CheckActive();
  while (FetchRow()) {
  }
  if (uniDirectional_) position_ = fetched_ - 1;  // only the last row is kept
}

int TIBDataSet::RecordCount() const {
  if (!Active()) return 0;
  return uniDirectional_ ? fetched_ : static_cast<int>(store_.Order().size());
}

bool TIBDataSet::IsEmpty() const {
  CheckActive();
  return RecordCount() == 0;
}

void TIBDataSet::SetUniDirectional(bool value) {
  if (Active()) Error("Cannot perform this operation on an open dataset");
  uniDirectional_ = value;
}

uint32_t TIBDataSet::CurrentRow() const {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return editRow_;
  if (position_ < 0) return kNoRow;
  return uniDirectional_ ? store_.Order().back() : store_.Order()[position_];
}

uint32_t TIBDataSet::EditRow() const {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
    Error("Dataset not in edit or insert mode");
  return editRow_;
}

int TIBDataSet::FieldCount() const { return static_cast<int>(fields_.size()); }

TIBField& TIBDataSet::Fields(int index) {
  if (index < 0 || index >= FieldCount()) Error("Field index out of range");
  return *fields_[index];
}

TIBField* TIBDataSet::FindField(std::string_view name) {
  if (!Active()) return nullptr;
  auto it = fieldIndex_.find(AnsiUpperCase(name));
  return it == fieldIndex_.end() ? nullptr : fields_[it->second].get();
}

TIBField& TIBDataSet::FieldByName(std::string_view name) {
  TIBField* f = FindField(name);
  if (f == nullptr) Error("Field '" + std::string(name) + "' not found");
  return *f;
}

}  // namespace tv
