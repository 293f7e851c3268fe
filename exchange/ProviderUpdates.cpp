#include "exchange/ProviderUpdates.h"

#include <memory>

#include "foundation/FBUtils.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/Format.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBTransaction.h"

namespace tv {

// ---- Real columns --------------------------------------------------------

const std::vector<std::string>& TTableColumns::Load(const std::string& table) {
  const std::string key = AnsiUpperCase(table);
  std::lock_guard<std::mutex> hold(lock_);
  auto it = tables_.find(key);
  if (it != tables_.end()) return it->second;
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForRead(database_, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText(
      "SELECT TRIM(RDB$RELATION_NAME) AS T, TRIM(RDB$FIELD_NAME) AS F FROM RDB$RELATION_FIELDS "
      "WHERE UPPER(TRIM(RDB$RELATION_NAME)) = :T ORDER BY RDB$FIELD_POSITION");
  ds->ParamByName("T").SetAsString(key);
  std::vector<std::string> names;  // the table's exact name first, then its columns
  for (ds->Open(); !ds->Eof(); ds->Next()) {
    if (names.empty()) names.push_back(ds->Fields(0).AsString());
    names.push_back(ds->Fields(1).AsString());
  }
  if (names.empty()) throw EDatabaseError("Таблица \""_w + table + "\" не найдена"_w);
  return tables_.emplace(key, std::move(names)).first->second;
}

TTableColumns::TTableColumns(TIBDatabase* database) : database_(database) {}

TTableColumns::~TTableColumns() = default;

std::string TTableColumns::Table(const std::string& table) { return Load(table).front(); }

TIBDataSet* TTableColumns::KeptStatement(TIBTransaction* transaction, bool commit,
                                         const std::string& sql) {
  if (!keep_) return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second.get();
  // Shapes are few (the fields a client changes); a client sending ever new
  // ones must not make the list grow without end.
  if (statements_.size() >= 256) statements_.clear();
  std::unique_ptr<TIBDataSet> ds(
      FBUtils::FBCreateDataSetForWrite(database_, commit, transaction, nullptr, ""));
  ds->SelectSQL().SetText(sql);
  return statements_.emplace(sql, std::move(ds)).first->second.get();
}

void TTableColumns::ForgetStatements() {
  std::lock_guard<std::mutex> hold(lock_);
  statements_.clear();
}

std::string TTableColumns::Column(const std::string& table, const std::string& field) {
  const std::vector<std::string>& names = Load(table);
  for (size_t i = 1; i < names.size(); ++i) {
    if (AnsiSameText(names[i], field)) return names[i];
  }
  throw EDatabaseError("В таблице \""_w + names.front() + "\" нет поля \""_w + field + "\"");
}

// ---- Statement texts -----------------------------------------------------

namespace {

bool InList(const std::string& name, const TStringList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    if (AnsiSameText(list[i], name)) return true;
  }
  return false;
}

// A name a statement can carry as it is, also as a parameter name.
bool IsPlainIdentifier(const std::string& name) {
  if (name.empty() || name[0] < 'A' || name[0] > 'Z') return false;
  for (char c : name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$')) return false;
  }
  return true;
}

// How the statement names a column: the callers' texts upper-case the
// names; the statements that run take the table's real names as they are.
struct Naming {
  bool exact = false;
  std::string Name(const std::string& name) const { return exact ? name : AnsiUpperCase(name); }
  // Between double quotes, an embedded double quote doubled.
  std::string Quoted(const std::string& name) const {
    return "\"" + StringReplace(Name(name), "\"", "\"\"", rfReplaceAll) + "\"";
  }
  // ":NAME"; a name that is no plain identifier is named by its bytes in
  // hex (":"X4E41""), which no text can break out of.
  std::string Param(const std::string& name) const {
    const std::string n = Name(name);
    return IsPlainIdentifier(n) ? ":" + n : ":\"" + ParamName(n) + "\"";
  }
  static std::string ParamName(const std::string& n) {
    if (IsPlainIdentifier(n)) return n;
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex = "X";
    for (unsigned char c : n) {
      hex += kHex[c >> 4];
      hex += kHex[c & 15];
    }
    return hex;
  }
};

// " ("A" = :A) AND ("B" = :B)": the key condition, with its leading blank.
std::string KeyCondition(const TStringList& keyFields, const Naming& n) {
  std::string condition;
  for (int i = 0; i < keyFields.Count(); ++i) {
    condition += " (" + n.Quoted(keyFields[i]) + " = " + n.Param(keyFields[i]) + ") AND";
  }
  if (!condition.empty()) condition.resize(condition.size() - 4);
  return condition;
}

std::string UpdateText(const std::string& table, const TStringList& keyFields,
                       const TDeltaRecord& delta, const TStringList& updateFields,
                       const Naming& n) {
  std::string text = "UPDATE " + n.Quoted(table) + " SET";
  for (const TDeltaField& f : delta) {
    if (!IsFieldModified(f, keyFields, updateFields)) continue;
    text += "\r\n  " + n.Quoted(f.Name) + " = " + n.Param(f.Name) + ",";
  }
  if (text.back() == ',') text.pop_back();
  if (keyFields.Count() > 0) text += "\r\nWHERE " + KeyCondition(keyFields, n);
  return text;
}

std::string InsertText(const std::string& table, const TDeltaRecord& delta, const Naming& n) {
  std::string columns, values;
  for (const TDeltaField& f : delta) {
    if (f.NewValue.IsEmpty()) continue;
    columns += " " + n.Quoted(f.Name) + ",";
    values += " " + n.Param(f.Name) + ",";
  }
  if (!columns.empty()) columns.pop_back();
  if (!values.empty()) values.pop_back();
  return "INSERT INTO " + n.Quoted(table) + "\r\n(" + columns + ")\r\nVALUES (" + values + ")";
}

std::string DeleteText(const std::string& table, const TStringList& keyFields, bool softDelete,
                       const Naming& n) {
  return (softDelete ? "UPDATE " + n.Quoted(table) + " SET ISDELETE=1 WHERE "
                     : "DELETE FROM " + n.Quoted(table) + " WHERE ") +
         KeyCondition(keyFields, n);
}

}  // namespace

bool IsFieldInKeyList(const std::string& name, const TStringList& keyFields) {
  return InList(name, keyFields);
}

bool IsFieldInUpdateList(const std::string& name, const TStringList& updateFields) {
  return InList(name, updateFields);
}

bool IsFieldModified(const TDeltaField& field, const TStringList& keyFields,
                     const TStringList& updateFields) {
  return !field.NewValue.IsEmpty() && !IsFieldInKeyList(field.Name, keyFields) &&
         (updateFields.Count() == 0 || IsFieldInUpdateList(field.Name, updateFields));
}

std::string UpdateSQLText(const std::string& table, const TStringList& keyFields,
                          const TDeltaRecord& delta, const TStringList& updateFields) {
  return UpdateText(table, keyFields, delta, updateFields, Naming{});
}

std::string InsertSQLText(const std::string& table, const TDeltaRecord& delta) {
  return InsertText(table, delta, Naming{});
}

std::string DeleteSQLText(const std::string& table, const TStringList& keyFields, bool softDelete) {
  return DeleteText(table, keyFields, softDelete, Naming{});
}

// ---- Running them --------------------------------------------------------

namespace {

constexpr Naming kExact{true};

// The table's and the fields' real names; refuses what the table does not
// have.
std::string RealName(TTableColumns& columns, const std::string& table, const std::string& field) {
  return field.empty() ? columns.Table(table) : columns.Column(table, field);
}

struct Checked {
  std::string table;
  TStringList keys;
  TDeltaRecord delta;
};

Checked Check(TTableColumns& columns, const std::string& table, const TStringList* keyFields,
              const TDeltaRecord& delta) {
  Checked c;
  c.table = RealName(columns, table, "");
  for (const TDeltaField& f : delta) {
    c.delta.push_back({RealName(columns, c.table, f.Name), f.OldValue, f.NewValue});
  }
  if (keyFields == nullptr) return c;
  if (keyFields->Count() == 0) throw EDatabaseError("Не задан ключ записи"_w);
  for (int i = 0; i < keyFields->Count(); ++i) {
    const std::string key = RealName(columns, c.table, (*keyFields)[i]);
    const TDeltaField* field = nullptr;
    for (const TDeltaField& f : c.delta) {
      if (f.Name == key) field = &f;
    }
    if (field == nullptr || field->OldValue.IsEmpty() || field->OldValue.IsNull()) {
      throw EDatabaseError("Нет значения ключевого поля \""_w + key + "\"");
    }
    c.keys.Add(key);
  }
  return c;
}

// Runs the statement of `sql` with `bind` setting its parameters; it must
// touch exactly one row (`anyRows`: an insert may be refused otherwise).
template <class Bind>
void Run(TIBDatabase* database, TIBTransaction* transaction, bool commit, const std::string& sql,
         Bind&& bind, const char* context, TTableColumns& columns) {
  std::unique_ptr<TIBDataSet> own;
  TIBDataSet* ds = nullptr;
  try {
    ds = columns.KeptStatement(transaction, commit, sql);
    if (ds == nullptr) {
      own.reset(FBUtils::FBCreateDataSetForWrite(database, commit, transaction, nullptr, ""));
      own->SelectSQL().SetText(sql);
      ds = own.get();
    }
    bind(*ds);
    ds->ExecSQL();
    if (ds->RowsAffected() != 1) {
      throw EDatabaseError(Format("Запись не найдена или изменена другим пользователем (строк: %d)"_w,
                                  {ds->RowsAffected()}));
    }
    if (commit) ds->Transaction()->Commit();
  } catch (const std::exception& e) {
    if (commit && ds != nullptr && ds->Transaction() != nullptr && ds->Transaction()->InTransaction()) {
      try {
        ds->Transaction()->Rollback();
      } catch (...) {  // the statement's own error is the one to report
      }
    }
    MakeContextException(e, context)->Raise();
  }
}

}  // namespace

void BuildUpdateSQLFromDelta(TIBDatabase* database, TIBTransaction* transaction, bool commit,
                             const std::string& tableName, const TStringList& keyFields,
                             const TDeltaRecord& delta, const TStringList& updateFields,
                             TTableColumns& columns) {
  const char* context = "ИзменениеЗаписиИзПровайдера"_w.c_str();
  Checked c;
  try {
    c = Check(columns, tableName, &keyFields, delta);
    bool any = false;
    for (const TDeltaField& f : c.delta) any = any || IsFieldModified(f, c.keys, updateFields);
    if (!any) throw EDatabaseError("В записи нет изменяемых полей"_w);
  } catch (const std::exception& e) {
    MakeContextException(e, context)->Raise();
  }
  Run(database, transaction, commit, UpdateText(c.table, c.keys, c.delta, updateFields, kExact),
      [&](TIBDataSet& ds) {
        for (const TDeltaField& f : c.delta) {
          if (IsFieldInKeyList(f.Name, c.keys)) {
            ds.ParamByName(Naming::ParamName(f.Name)).SetValue(f.OldValue);
          } else if (IsFieldModified(f, c.keys, updateFields)) {
            ds.ParamByName(Naming::ParamName(f.Name)).SetValue(f.NewValue);
          }
        }
      },
      context, columns);
}

void BuildInsertSQLFromDelta(TIBDatabase* database, TIBTransaction* transaction, bool commit,
                             const std::string& tableName, const TDeltaRecord& delta,
                             TTableColumns& columns) {
  const char* context = "ВставкаЗаписиИзПровайдера"_w.c_str();
  Checked c;
  try {
    c = Check(columns, tableName, nullptr, delta);
  } catch (const std::exception& e) {
    MakeContextException(e, context)->Raise();
  }
  Run(database, transaction, commit, InsertText(c.table, c.delta, kExact),
      [&](TIBDataSet& ds) {
        for (const TDeltaField& f : c.delta) {
          if (!f.NewValue.IsEmpty()) ds.ParamByName(Naming::ParamName(f.Name)).SetValue(f.NewValue);
        }
      },
      context, columns);
}

void BuildDeleteSQLFromDelta(TIBDatabase* database, TIBTransaction* transaction, bool commit,
                             const std::string& tableName, const TStringList& keyFields,
                             const TDeltaRecord& delta, bool softDelete, TTableColumns& columns) {
  const char* context = "УдалениеЗаписи"_w.c_str();
  Checked c;
  try {
    c = Check(columns, tableName, &keyFields, delta);
  } catch (const std::exception& e) {
    MakeContextException(e, context)->Raise();
  }
  Run(database, transaction, commit, DeleteText(c.table, c.keys, softDelete, kExact),
      [&](TIBDataSet& ds) {
        for (const TDeltaField& f : c.delta) {
          if (IsFieldInKeyList(f.Name, c.keys)) ds.ParamByName(Naming::ParamName(f.Name)).SetValue(f.OldValue);
        }
      },
      context, columns);
}

}  // namespace tv
