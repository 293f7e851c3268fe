// TIBDataSet: locating rows and changing them through the update statements.

#include <algorithm>

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBStatement.h"
#include "platform/ib/IBTransaction.h"

namespace tv {

using ib_detail::CellKind;

bool TIBDataSet::Matches(const TIBField& field, uint32_t row, const Variant& value,
                         int options) const {
  const bool isNull = store_.IsNull(row, field.index_);
  if (value.IsNull() || value.IsEmpty()) return isNull;
  if (isNull) return false;
  const auto kind = static_cast<CellKind>(field.kind_);
  try {
    switch (kind) {
      case CellKind::Text: {
        std::string have(store_.Text(row, field.index_));
        std::string want = VarToStr(value);
        if (options & loCaseInsensitive) {
          have = AnsiUpperCase(have);
          want = AnsiUpperCase(want);
        }
        if (options & loPartialKey) return have.compare(0, want.size(), want) == 0;
        return have == want;
      }
      case CellKind::Integer:
        if (value.Type() == VarType::Integer || value.Type() == VarType::Int64 ||
            value.Type() == VarType::Smallint || value.Type() == VarType::Byte)
          return store_.Int(row, field.index_) == value.AsInt64();
        return static_cast<double>(store_.Int(row, field.index_)) == value.AsDouble();
      case CellKind::Scaled:
        if (field.type_ == TFieldType::ftBCD)
          return field.VariantAt(row).AsCurrency() == value.AsCurrency();
        return field.VariantAt(row).AsDouble() == value.AsDouble();
      case CellKind::Real:
      case CellKind::Stamp:
        return store_.Real(row, field.index_) == value.AsDouble();
    }
  } catch (const EVariantError&) {  // a key value that is no number never equals one
  } catch (const EConvertError&) {
  }
  return false;
}

bool TIBDataSet::Locate(std::string_view keyFields, const Variant& keyValues, int options) {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Post();
  if (uniDirectional_) Error("Operation not allowed on a unidirectional dataset");
  std::vector<TIBField*> keys;
  std::size_t start = 0;
  while (start <= keyFields.size()) {
    std::size_t end = keyFields.find(';', start);
    if (end == std::string_view::npos) end = keyFields.size();
    const std::string name = Trim(keyFields.substr(start, end - start));
    if (!name.empty()) keys.push_back(&FieldByName(name));
    start = end + 1;
  }
  std::vector<Variant> values;
  if (keyValues.IsArray()) {
    for (int i = keyValues.LowBound(); i <= keyValues.HighBound(); ++i)
      values.push_back(keyValues[i]);
  } else {
    values.push_back(keyValues);
  }
  if (keys.empty() || values.size() != keys.size())
    Error("Locate needs one value for each of the fields \"" + std::string(keyFields) + "\"");
  FetchAll();
  const auto& order = store_.Order();
  for (std::size_t p = 0; p < order.size(); ++p) {
    bool all = true;
    for (std::size_t k = 0; k < keys.size() && all; ++k)
      all = Matches(*keys[k], order[p], values[k], options);
    if (all) {
      MoveTo(static_cast<int>(p));
      return true;
    }
  }
  return false;
}

void TIBDataSet::Edit() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) return;
  if (uniDirectional_) Error("Operation not allowed on a unidirectional dataset");
  if (RecordCount() == 0) {
    Insert();
    return;
  }
  editRow_ = store_.NewRow();
  store_.CopyRow(store_.Order()[position_], editRow_);
  state_ = TDataSetState::dsEdit;
}

void TIBDataSet::Insert() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Post();
  if (uniDirectional_) Error("Operation not allowed on a unidirectional dataset");
  editRow_ = store_.NewRow();
  appending_ = false;
  state_ = TDataSetState::dsInsert;
}

// As the runtime does, appending goes to the last row first, so the new row
// follows every row of the result.
void TIBDataSet::Append() {
  CheckActive();
  if (state_ != TDataSetState::dsBrowse) Post();
  if (!uniDirectional_) FetchAll();
  Insert();
  appending_ = true;
}

void TIBDataSet::Cancel() {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert)
    state_ = TDataSetState::dsBrowse;
}

void TIBDataSet::Post() {
  CheckActive();
  auto& order = store_.Order();
  if (state_ == TDataSetState::dsEdit) {
    const uint32_t current = order[position_];
    RunUpdate(modifySQL_, "ModifySQL", editRow_, current);
    store_.CopyRow(editRow_, current);
    state_ = TDataSetState::dsBrowse;
  } else if (state_ == TDataSetState::dsInsert) {
    RunUpdate(insertSQL_, "InsertSQL", editRow_, kNoRow);
    const std::size_t at =
        appending_ || position_ < 0 ? order.size() : static_cast<std::size_t>(position_);
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), editRow_);
    MoveTo(static_cast<int>(at));
    state_ = TDataSetState::dsBrowse;
  }
}

void TIBDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  Cancel();
  if (uniDirectional_) Error("Operation not allowed on a unidirectional dataset");
  if (RecordCount() == 0) Error("Cannot perform this operation on an empty dataset");
  auto& order = store_.Order();
  const uint32_t current = order[position_];
  RunUpdate(deleteSQL_, "DeleteSQL", current, current);
  order.erase(order.begin() + position_);
  if (static_cast<std::size_t>(position_) >= order.size()) FetchRow();
  if (static_cast<std::size_t>(position_) >= order.size()) {
    position_ = static_cast<int>(order.size()) - 1;
    eof_ = true;
  }
  bof_ = position_ <= 0;
}

// Runs one of the update statements with the values of the row being
// posted (":NAME", ":NEW_NAME") and of the row before the change
// (":OLD_NAME"); a name that is no field takes the parameter of that name.
void TIBDataSet::RunUpdate(const TSQLStrings& sql, const char* what, uint32_t newRow,
                           uint32_t oldRow) {
  const std::string text = sql.Text();
  if (Trim(text).empty()) Error(std::string(what) + " is empty");
  const ParsedSQL parsed = ParseParamSQL(text);
  std::vector<Variant> values;
  values.reserve(parsed.names.size());
  for (const std::string& name : parsed.names) {
    const std::string upper = AnsiUpperCase(name);
    std::string fieldName = upper;
    uint32_t row = newRow;
    const bool isOld = upper.rfind("OLD_", 0) == 0 && fieldIndex_.count(upper.substr(4)) != 0;
    const bool isNew = upper.rfind("NEW_", 0) == 0 && fieldIndex_.count(upper.substr(4)) != 0;
    if (isOld || isNew) {
      fieldName = upper.substr(4);
      row = isOld ? oldRow : newRow;
    }
    auto it = fieldIndex_.find(fieldName);
    if (it != fieldIndex_.end()) {
      values.push_back(fields_[it->second]->VariantAt(row));
    } else if (TIBParam* p = params_.FindParam(name)) {
      values.push_back(p->Value());
    } else {
      Error("Field '" + name + "' not found");
    }
  }
  std::vector<const Variant*> inputs;
  for (const Variant& v : values) inputs.push_back(&v);
  Activate();
  TIBTransaction* t = EffectiveTransaction();
  ib_detail::IBStatement statement(database_->Attachment(), t->Handle(), parsed.text);
  statement.Execute(t->Handle(), inputs);
  rowsAffected_ = statement.AffectedRows();
}

}  // namespace tv
