#pragma once
// Provider update statements: one changed record of a remote client (a
// delta record) becomes one parameterised statement (UPDATE, INSERT,
// DELETE or a soft delete) run in the caller's write transaction.
//
// Unlike a provider's own SQL, nothing of the delta but values reaches the
// database, and those only as parameters: the table and every field name are
// checked against the table's real columns (TTableColumns, read once per
// table), a row is always found by a non-empty key whose old values are
// given and not NULL, and a statement must touch exactly one row. Such a
// fault is an error for the record and nothing runs.
//
// Errors leave each routine as a new error of the same class with the
// context "ИзменениеЗаписиИзПровайдера" (update), "ВставкаЗаписиИзПровайдера"
// (insert) or "УдалениеЗаписи" (delete) and the class name; with Commit the
// transaction is rolled back first.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/data/Variant.h"

namespace tv {

class TIBDataSet;
class TIBDatabase;
class TIBTransaction;
class TStringList;

// One field of a delta record. NewValue Empty: the field was not given (or
// not changed); NewValue Null: set to NULL.
struct TDeltaField {
  std::string Name;
  Variant OldValue;
  Variant NewValue;
};
using TDeltaRecord = std::vector<TDeltaField>;

// The real column names of tables, read from the system tables once per
// table and kept (exact names, in table order). Safe for several threads.
class TTableColumns {
 public:
  explicit TTableColumns(TIBDatabase* database);
  ~TTableColumns();
  // The table's exact name and its column's exact name for `field`
  // (letter case ignored). EDatabaseError when the table or the column does
  // not exist.
  std::string Table(const std::string& table);
  std::string Column(const std::string& table, const std::string& field);

  // With `keep`, the statements run through these columns stay prepared,
  // by text, on their write data set (a module applies many records of one
  // shape); ForgetStatements (or the end of this object) frees them, which
  // must come before the database disconnects. Without, each statement has
  // a data set of its own, freed after it.
  void SetKeepStatements(bool keep) { keep_ = keep; }
  // The kept data set of `sql` (made on first use), or null when not keeping.
  TIBDataSet* KeptStatement(TIBTransaction* transaction, bool commit, const std::string& sql);
  void ForgetStatements();

 private:
  const std::vector<std::string>& Load(const std::string& table);
  TIBDatabase* database_;
  std::mutex lock_;
  std::map<std::string, std::vector<std::string>> tables_;  // by upper-cased name
  bool keep_ = false;
  std::map<std::string, std::unique_ptr<TIBDataSet>> statements_;  // by text
};

// The statement texts, lines joined by CR LF (also for tests).
std::string UpdateSQLText(const std::string& table, const TStringList& keyFields,
                          const TDeltaRecord& delta, const TStringList& updateFields);
std::string InsertSQLText(const std::string& table, const TDeltaRecord& delta);
std::string DeleteSQLText(const std::string& table, const TStringList& keyFields, bool softDelete);

bool IsFieldInKeyList(const std::string& name, const TStringList& keyFields);
bool IsFieldInUpdateList(const std::string& name, const TStringList& updateFields);
bool IsFieldModified(const TDeltaField& field, const TStringList& keyFields,
                     const TStringList& updateFields);

void BuildUpdateSQLFromDelta(TIBDatabase* database, TIBTransaction* transaction, bool commit,
                             const std::string& tableName, const TStringList& keyFields,
                             const TDeltaRecord& delta, const TStringList& updateFields,
                             TTableColumns& columns);
void BuildInsertSQLFromDelta(TIBDatabase* database, TIBTransaction* transaction, bool commit,
                             const std::string& tableName, const TDeltaRecord& delta,
                             TTableColumns& columns);
void BuildDeleteSQLFromDelta(TIBDatabase* database, TIBTransaction* transaction, bool commit,
                             const std::string& tableName, const TStringList& keyFields,
                             const TDeltaRecord& delta, bool softDelete, TTableColumns& columns);

}  // namespace tv
