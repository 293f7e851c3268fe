#include "platform/MemoryData.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/Cp1251.h"
#include "platform/Format.h"

namespace tv {

namespace {

[[noreturn]] void RaiseDatabaseError(const std::string& owner, const std::string& message) {
  throw EDatabaseError(owner.empty() ? message : owner + ": " + message);
}

Variant IntegerInRange(const Variant& value, const TFieldDef& def, int lo, int hi) {
  const int64_t v = value.AsInt64();
  if (v < lo || v > hi) {
    throw EDatabaseError(
        Format("%d is not a valid value for field '%s'. The allowed range is %d to %d",
               {v, def.Name, lo, hi}));
  }
  return Variant(static_cast<int>(v));
}

}  // namespace

std::string DecimalText(const Variant& value) {
  if (value.Type() == VarType::String) return value.AsString();
  if (value.Type() == VarType::Currency) {
    const int64_t raw = value.AsCurrency().Raw();
    const uint64_t mag = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
    std::string text = (raw < 0 ? "-" : "") + std::to_string(mag / 10000);
    std::string frac = std::to_string(10000 + mag % 10000).substr(1);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    return frac.empty() ? text : text + "." + frac;
  }
  char buf[400];  // the largest double has 309 digits
  const auto r = std::to_chars(buf, buf + sizeof buf, value.AsDouble(), std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

void TFieldDefs::Add(std::string name, TFieldType type, int size, bool required) {
  if (IndexOf(name) >= 0) throw EDatabaseError("Duplicate field name '" + name + "'");
  if (type == TFieldType::ftUnknown) {
    throw EDatabaseError("Field '" + name + "' is of an unknown type");
  }
  defs_.push_back(TFieldDef{std::move(name), type, size, required});
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i) {
    if (AnsiSameText(defs_[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

// --- TMemField -------------------------------------------------------------

const std::string& TMemField::FieldName() const { return owner_->fields_[index_].Name; }
TFieldType TMemField::DataType() const { return owner_->fields_[index_].DataType; }
int TMemField::Size() const { return owner_->fields_[index_].Size; }

bool TMemField::IsNull() const {
  const Variant& v = owner_->CurrentValue(index_);
  return v.IsNull() || v.IsEmpty();
}

Variant TMemField::Value() const {
  return IsNull() ? Variant::Null() : owner_->CurrentValue(index_);
}

std::string TMemField::AsString() const {
  if (IsNull()) return {};
  const Variant& v = owner_->CurrentValue(index_);
  switch (DataType()) {
    case TFieldType::ftDate:
      return DateToStr(v.AsDateTime());
    case TFieldType::ftTime:
      return TimeToStr(v.AsDateTime());
    default:
      return v.AsString();
  }
}

int TMemField::AsInteger() const { return IsNull() ? 0 : owner_->CurrentValue(index_).AsInteger(); }
int64_t TMemField::AsLargeInt() const {
  return IsNull() ? 0 : owner_->CurrentValue(index_).AsInt64();
}
double TMemField::AsFloat() const { return IsNull() ? 0 : owner_->CurrentValue(index_).AsDouble(); }
Currency TMemField::AsCurrency() const {
  return IsNull() ? Currency() : owner_->CurrentValue(index_).AsCurrency();
}
TDateTime TMemField::AsDateTime() const {
  return IsNull() ? 0 : owner_->CurrentValue(index_).AsDateTime();
}
bool TMemField::AsBoolean() const {
  return IsNull() ? false : owner_->CurrentValue(index_).AsBoolean();
}

void TMemField::SetValue(const Variant& value) { owner_->SetCurrentValue(index_, value); }

// --- TRxMemoryData ---------------------------------------------------------

TRxMemoryData::TRxMemoryData(std::string name) : name_(std::move(name)) {}
TRxMemoryData::~TRxMemoryData() = default;

void TRxMemoryData::Fail(const std::string& message) const { RaiseDatabaseError(name_, message); }

void TRxMemoryData::CopyStructure(const TFieldDefs& defs) {
  Close();
  defs_ = defs;
}

void TRxMemoryData::Open() {
  if (Active()) return;
  fields_ = defs_;
  state_ = dsBrowse;
  SetCursor(0);
}

void TRxMemoryData::Close() {
  rows_.clear();
  buffer_.clear();
  state_ = dsInactive;
  current_ = 0;
  eof_ = bof_ = true;
}

void TRxMemoryData::CheckActive() const {
  if (!Active()) Fail("Cannot perform this operation on a closed dataset");
}

void TRxMemoryData::SetCursor(int index) {
  if (rows_.empty()) {
    current_ = 0;
    eof_ = bof_ = true;
    return;
  }
  current_ = std::clamp(index, 0, RecordCount() - 1);
  eof_ = bof_ = false;
}

void TRxMemoryData::CheckBrowseMode() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsEdit) Post();
}

void TRxMemoryData::Append() {
  CheckBrowseMode();
  buffer_.assign(fields_.Count(), Variant::Null());
  state_ = dsInsert;
  eof_ = true;
  bof_ = false;
}

void TRxMemoryData::Edit() {
  CheckBrowseMode();
  if (rows_.empty()) Fail("Cannot perform this operation on an empty dataset");
  buffer_ = rows_[current_];
  state_ = dsEdit;
}

void TRxMemoryData::Post() {
  CheckActive();
  if (state_ != dsInsert && state_ != dsEdit) Fail("Dataset not in edit or insert mode");
  for (int i = 0; i < fields_.Count(); ++i) {
    if (fields_[i].Required && (buffer_[i].IsNull() || buffer_[i].IsEmpty())) {
      Fail("Field '" + fields_[i].Name + "' must have a value");
    }
  }
  if (state_ == dsInsert) {
    rows_.push_back(std::move(buffer_));
    current_ = RecordCount() - 1;
  } else {
    rows_[current_] = std::move(buffer_);
  }
  buffer_.clear();
  state_ = dsBrowse;
  eof_ = bof_ = false;
}

void TRxMemoryData::Cancel() {
  CheckActive();
  buffer_.clear();
  state_ = dsBrowse;
  SetCursor(current_);
}

void TRxMemoryData::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (rows_.empty()) Fail("Cannot perform this operation on an empty dataset");
  state_ = dsBrowse;
  rows_.erase(rows_.begin() + current_);
  SetCursor(current_);
}

void TRxMemoryData::First() {
  CheckBrowseMode();
  SetCursor(0);
}

void TRxMemoryData::Last() {
  CheckBrowseMode();
  SetCursor(RecordCount() - 1);
}

void TRxMemoryData::Next() {
  CheckBrowseMode();
  if (rows_.empty() || current_ >= RecordCount() - 1) {
    eof_ = true;
  } else {
    ++current_;
    bof_ = false;
  }
}

void TRxMemoryData::Prior() {
  CheckBrowseMode();
  if (rows_.empty() || current_ == 0) {
    bof_ = true;
  } else {
    --current_;
    eof_ = false;
  }
}

TMemField TRxMemoryData::Fields(int index) {
  if (index < 0 || index >= fields_.Count())
    Fail("List index out of bounds (" + std::to_string(index) + ")");
  return TMemField(*this, index);
}

TMemField TRxMemoryData::FieldByName(std::string_view name) {
  const int index = fields_.IndexOf(name);
  if (index < 0) Fail("Field '" + std::string(name) + "' not found");
  return TMemField(*this, index);
}

bool TRxMemoryData::Locate(std::string_view fieldName, const Variant& value) {
  CheckBrowseMode();
  const int index = FieldByName(fieldName).Index();
  if (value.IsNull() || value.IsEmpty()) return false;
  for (int r = 0; r < RecordCount(); ++r) {
    const Variant& v = rows_[r][index];
    if (v.IsNull() || v.IsEmpty()) continue;
    if (VarEquals(v, value)) {
      SetCursor(r);
      return true;
    }
  }
  return false;
}

void TRxMemoryData::SourceFirst() {
  if (!Active()) Open();
  First();
}

Variant TRxMemoryData::SourceValue(int index) const {
  const Variant& v = CurrentValue(index);
  return v.IsEmpty() ? Variant::Null() : v;
}

void TRxMemoryData::AppendStoredRow(std::vector<Variant> row) {
  CheckBrowseMode();
  row.resize(fields_.Count(), Variant::Null());
  rows_.push_back(std::move(row));
  SetCursor(RecordCount() - 1);
}

const Variant& TRxMemoryData::CurrentValue(int index) const {
  CheckActive();
  if (state_ == dsInsert || state_ == dsEdit) return buffer_.at(index);
  if (rows_.empty()) {
    static const Variant kNull = Variant::Null();
    return kNull;
  }
  return rows_[current_].at(index);
}

void TRxMemoryData::SetCurrentValue(int index, const Variant& value) {
  CheckActive();
  if (state_ != dsInsert && state_ != dsEdit) Fail("Dataset not in edit or insert mode");
  buffer_.at(index) = ConvertToField(index, value);
}

Variant TRxMemoryData::ConvertToField(int index, const Variant& value) const {
  if (value.IsNull() || value.IsEmpty()) return Variant::Null();
  const TFieldDef& def = fields_[index];
  switch (def.DataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftWideString: {
      std::string text = value.AsString();
      if (def.Size > 0 && static_cast<int>(text.size()) > def.Size) text.resize(def.Size);
      return Variant(std::move(text));
    }
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
      return Variant(value.AsString());
    case TFieldType::ftSmallint:
      return IntegerInRange(value, def, -32768, 32767);
    case TFieldType::ftWord:
      return IntegerInRange(value, def, 0, 65535);
    case TFieldType::ftInteger:
      return Variant(value.AsInteger());
    case TFieldType::ftLargeint:
      return Variant(value.AsInt64());
    case TFieldType::ftBoolean:
      return Variant(value.AsBoolean());
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
      return Variant(value.AsDouble());
    case TFieldType::ftBCD:
      return Variant(value.AsCurrency());
    case TFieldType::ftFMTBcd:
      return Variant(DecimalText(value));
    case TFieldType::ftDate:
      return Variant::FromDate(std::trunc(value.AsDateTime()));
    case TFieldType::ftTime: {
      const double t = value.AsDateTime();
      return Variant::FromDate(std::fabs(t - std::trunc(t)));
    }
    case TFieldType::ftDateTime:
      return Variant::FromDate(value.AsDateTime());
    case TFieldType::ftUnknown:
      break;
  }
  Fail("Field '" + def.Name + "' is of an unknown type");
}

}  // namespace tv
