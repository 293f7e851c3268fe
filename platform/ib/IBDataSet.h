#pragma once
// TIBDataSet: a statement on a database, its parameters and its rows.
//
// SelectSQL is run by Open (rows) or ExecSQL (any statement). Opening
// connects the database and starts the transaction when needed; the
// transaction is Transaction, or the database's default one. Rows are
// fetched as the cursor moves (FetchAll fetches the rest) and kept, so the
// data set can move back, locate and count; a UniDirectional data set keeps
// only the current row. Statements with ":Name" parameters take their values
// from Params (NULL when not set).
//
// Write data sets change rows with Insert/Append/Edit, field setters and
// Post, or Delete: Post runs InsertSQL or ModifySQL, Delete runs DeleteSQL,
// whose parameters take the row's values, ":NAME" the new value of field
// NAME and ":OLD_NAME" its value before the change.
//
// Failures of Firebird raise EIBInterBaseError with Firebird's text; a
// failing Open or fetch leaves the data set closed with nothing held on the
// server. Misuse raises EDatabaseError (closed data set, unknown field) or
// EIBClientError (no database or transaction).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/data/Variant.h"
#include "platform/ib/Component.h"
#include "platform/ib/IBError.h"
#include "platform/ib/IBField.h"
#include "platform/ib/IBParam.h"
#include "platform/ib/IBRowStore.h"
#include "platform/ib/IBSQLText.h"

namespace tv {

class TIBDatabase;
class TIBTransaction;
namespace ib_detail {
class IBStatement;
}

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };

class TIBDataSet : public TComponent {
 public:
  explicit TIBDataSet(TComponent* owner = nullptr);
  ~TIBDataSet() override;

  TIBDatabase* Database() const { return database_; }
  void SetDatabase(TIBDatabase* database);
  TIBTransaction* Transaction() const { return transaction_; }
  void SetTransaction(TIBTransaction* transaction);

  TSQLStrings& SelectSQL() { return selectSQL_; }
  TSQLStrings& InsertSQL() { return insertSQL_; }
  TSQLStrings& ModifySQL() { return modifySQL_; }
  TSQLStrings& DeleteSQL() { return deleteSQL_; }
  TIBParams& Params();
  TIBParam& ParamByName(std::string_view name) { return Params().ByName(name); }

  void Prepare();
  void UnPrepare();
  bool Prepared() const;
  void Open();
  void Close();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool value);
  // Runs SelectSQL without keeping rows (a SELECT is opened and closed).
  void ExecSQL();
  // Rows changed by the last ExecSQL, Post or Delete.
  int RowsAffected() const { return rowsAffected_; }

  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  int RecNo() const { return position_ + 1; }
  // Rows fetched so far (all rows after FetchAll).
  int RecordCount() const;
  bool IsEmpty() const;
  void FetchAll();
  bool UniDirectional() const { return uniDirectional_; }
  // EDatabaseError while open.
  void SetUniDirectional(bool value);
  // Moves to the first row whose fields `keyFields` ("A;B") equal
  // `keyValues` (one value, or an array of one per field). Texts compare
  // with loCaseInsensitive/loPartialKey as asked, numbers and date-times by
  // value, NULL only with NULL. Stays on the current row when none matches.
  bool Locate(std::string_view keyFields, const Variant& keyValues, int options = 0);

  int FieldCount() const;
  TIBField& Fields(int index);
  // Letter case ignored; nullptr / EDatabaseError "Field 'X' not found" when
  // the open data set has no such field.
  TIBField* FindField(std::string_view name);
  TIBField& FieldByName(std::string_view name);

  TDataSetState State() const { return state_; }
  void Insert();
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();

 private:
  friend class TIBField;
  friend class TIBDatabase;
  friend class TIBTransaction;
  static constexpr uint32_t kNoRow = UINT32_MAX;

  void CheckActive() const;
  TIBTransaction* EffectiveTransaction() const;
  void Activate();
  void SyncParams();
  void PrepareSelect();
  void BuildFields();
  bool FetchRow();
  void EndCursor();
  void FetchUpTo(std::size_t count);
  void MoveTo(int position);
  uint32_t CurrentRow() const;
  uint32_t EditRow() const;
  std::vector<const Variant*> Inputs();
  void RunUpdate(const TSQLStrings& sql, const char* what, uint32_t newRow, uint32_t oldRow);
  bool Matches(const TIBField& field, uint32_t row, const Variant& value, int options) const;
  void CloseQuietly();
  void Disconnecting();
  void DatabaseGone();
  void TransactionGone(TIBTransaction* t);
  [[noreturn]] void Error(const std::string& message) const;

  TIBDatabase* database_ = nullptr;
  TIBTransaction* transaction_ = nullptr;
  TIBTransaction* runningIn_ = nullptr;  // the transaction the open cursor uses
  TSQLStrings selectSQL_, insertSQL_, modifySQL_, deleteSQL_;
  TIBParams params_;
  uint64_t parsedVersion_ = UINT64_MAX;
  std::vector<std::string> paramNames_;
  std::string parsedText_;
  std::unique_ptr<ib_detail::IBStatement> statement_;
  std::vector<std::unique_ptr<TIBField>> fields_;
  std::unordered_map<std::string, int> fieldIndex_;  // upper-cased name -> index
  ib_detail::RowStore store_;
  std::vector<unsigned char> buffer_;  // one fetched message
  TDataSetState state_ = TDataSetState::dsInactive;
  bool uniDirectional_ = false;
  bool allFetched_ = true;
  bool eof_ = true;
  bool bof_ = true;
  int position_ = -1;  // index into the order of rows, -1 when empty
  int fetched_ = 0;
  int rowsAffected_ = 0;
  uint32_t editRow_ = 0;  // scratch row of Edit / Insert
  bool appending_ = false;
};

}  // namespace tv
