#include "platform/data/MemoryData.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "platform/text/Cp1251.h"
#include "platform/text/FloatText.h"
#include "platform/text/Format.h"

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
  if (value.Type() == VarType::Currency) return ScaledText(value.AsCurrency().Raw(), 4);
  char buf[400];  // the largest double has 309 digits
  const auto r = std::to_chars(buf, buf + sizeof buf, value.AsDouble(), std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

// --- TypedRows -------------------------------------------------------------

namespace mem_detail {

void TypedRows::Reset(const TFieldDefs& defs) {
  cols_.assign(defs.Count(), Column{});
  count_ = 0;
  for (int i = 0; i < defs.Count(); ++i) {
    Kind& kind = cols_[i].kind;
    // The kinds of the variants that ConvertToField makes.
    switch (defs[i].DataType) {
      case TFieldType::ftSmallint:
      case TFieldType::ftWord:
      case TFieldType::ftInteger:
        kind = Kind::Integer;
        break;
      case TFieldType::ftLargeint:
        kind = Kind::Int64;
        break;
      case TFieldType::ftBoolean:
        kind = Kind::Boolean;
        break;
      case TFieldType::ftFloat:
      case TFieldType::ftCurrency:
        kind = Kind::Real;
        break;
      case TFieldType::ftBCD:
        kind = Kind::Money;
        break;
      case TFieldType::ftDate:
      case TFieldType::ftTime:
      case TFieldType::ftDateTime:
        kind = Kind::Date;
        break;
      default:
        kind = Kind::Text;
        break;
    }
  }
}

void TypedRows::Clear() {
  for (Column& c : cols_) c = Column{c.kind, {}, {}, {}};
  count_ = 0;
}

Variant TypedRows::Get(int row, int col) const {
  const Column& c = cols_[col];
  if (c.nulls[row] != 0) return Variant::Null();
  if (c.kind == Kind::Text) return Variant(c.texts[row]);
  const uint64_t n = c.numbers[row];
  switch (c.kind) {
    case Kind::Integer:
      return Variant(static_cast<int>(static_cast<int64_t>(n)));
    case Kind::Int64:
      return Variant(static_cast<int64_t>(n));
    case Kind::Boolean:
      return Variant(n != 0);
    case Kind::Real:
      return Variant(std::bit_cast<double>(n));
    case Kind::Money:
      return Variant(Currency::FromRaw(static_cast<int64_t>(n)));
    case Kind::Date:
      return Variant::FromDate(std::bit_cast<double>(n));
    case Kind::Text:
      break;
  }
  return Variant(c.texts[row]);
}

void TypedRows::Set(int row, int col, const Variant& value) {
  Column& c = cols_[col];
  const bool null = value.IsNull() || value.IsEmpty();
  c.nulls[row] = null ? 1 : 0;
  if (c.kind == Kind::Text) {
    if (null)
      std::string().swap(c.texts[row]);
    else
      c.texts[row] = value.AsString();
    return;
  }
  uint64_t& n = c.numbers[row];
  if (null) {
    n = 0;
    return;
  }
  switch (c.kind) {
    case Kind::Integer:
      n = static_cast<uint64_t>(static_cast<int64_t>(value.AsInteger()));
      break;
    case Kind::Int64:
      n = static_cast<uint64_t>(value.AsInt64());
      break;
    case Kind::Boolean:
      n = value.AsBoolean() ? 1 : 0;
      break;
    case Kind::Real:
      n = std::bit_cast<uint64_t>(value.AsDouble());
      break;
    case Kind::Money:
      n = static_cast<uint64_t>(value.AsCurrency().Raw());
      break;
    case Kind::Date:
      n = std::bit_cast<uint64_t>(value.AsDateTime());
      break;
    case Kind::Text:
      break;
  }
}

bool TypedRows::ReadDouble(int row, int col, double& out) const {
  const Column& c = cols_[col];
  const uint64_t n = c.numbers.empty() ? 0 : c.numbers[row];
  switch (c.kind) {
    case Kind::Integer:
    case Kind::Int64:
      out = static_cast<double>(static_cast<int64_t>(n));
      return true;
    case Kind::Real:
    case Kind::Date:
      out = std::bit_cast<double>(n);
      return true;
    case Kind::Money:
      out = static_cast<double>(Currency::FromRaw(static_cast<int64_t>(n)));
      return true;
    default:
      return false;
  }
}

bool TypedRows::ReadInteger(int row, int col, int& out) const {
  const Column& c = cols_[col];
  if (c.kind != Kind::Integer) return false;
  out = static_cast<int>(static_cast<int64_t>(c.numbers[row]));
  return true;
}

bool TypedRows::ReadMoney(int row, int col, Currency& out) const {
  const Column& c = cols_[col];
  if (c.kind != Kind::Money) return false;
  out = Currency::FromRaw(static_cast<int64_t>(c.numbers[row]));
  return true;
}

const std::string* TypedRows::ReadText(int row, int col) const {
  const Column& c = cols_[col];
  return c.kind == Kind::Text ? &c.texts[row] : nullptr;
}

void TypedRows::AppendRow() {
  for (Column& c : cols_) {
    if (c.kind == Kind::Text)
      c.texts.emplace_back();
    else
      c.numbers.push_back(0);
    c.nulls.push_back(1);
  }
  ++count_;
}

void TypedRows::EraseRow(int row) {
  for (Column& c : cols_) {
    if (c.kind == Kind::Text)
      c.texts.erase(c.texts.begin() + row);
    else
      c.numbers.erase(c.numbers.begin() + row);
    c.nulls.erase(c.nulls.begin() + row);
  }
  --count_;
}

void TypedRows::Shrink() {
  for (Column& c : cols_) {
    c.numbers.shrink_to_fit();
    c.texts.shrink_to_fit();
    c.nulls.shrink_to_fit();
  }
}

}  // namespace mem_detail

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

bool TMemField::IsNull() const { return owner_->CurrentIsNull(index_); }

Variant TMemField::Value() const { return owner_->CurrentValue(index_); }

std::string TMemField::AsString() const {
  if (IsNull()) return {};
  const int row = owner_->StoredCurrent();
  if (row >= 0) {
    if (const std::string* text = owner_->rows_.ReadText(row, index_)) return *text;
  }
  const Variant v = owner_->CurrentValue(index_);
  switch (DataType()) {
    case TFieldType::ftDate:
      return DateToStr(v.AsDateTime());
    case TFieldType::ftTime:
      return TimeToStr(v.AsDateTime());
    default:
      return v.AsString();
  }
}

// The reads below take a stored number or text directly where that gives
// what the stored variant's conversion gives.
int TMemField::AsInteger() const {
  if (IsNull()) return 0;
  const int row = owner_->StoredCurrent();
  int v;
  if (row >= 0 && owner_->rows_.ReadInteger(row, index_, v)) return v;
  return owner_->CurrentValue(index_).AsInteger();
}
int64_t TMemField::AsLargeInt() const {
  return IsNull() ? 0 : owner_->CurrentValue(index_).AsInt64();
}
double TMemField::AsFloat() const {
  if (IsNull()) return 0;
  const int row = owner_->StoredCurrent();
  double v;
  if (row >= 0 && owner_->rows_.ReadDouble(row, index_, v)) return v;
  return owner_->CurrentValue(index_).AsDouble();
}
Currency TMemField::AsCurrency() const {
  if (IsNull()) return Currency();
  const int row = owner_->StoredCurrent();
  Currency v;
  if (row >= 0 && owner_->rows_.ReadMoney(row, index_, v)) return v;
  return owner_->CurrentValue(index_).AsCurrency();
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
  rows_.Reset(fields_);
  state_ = dsBrowse;
  SetCursor(0);
}

void TRxMemoryData::Close() {
  rows_.Clear();
  buffer_.clear();
  state_ = dsInactive;
  current_ = 0;
  eof_ = bof_ = true;
}

void TRxMemoryData::CheckActive() const {
  if (!Active()) Fail("Cannot perform this operation on a closed dataset");
}

void TRxMemoryData::SetCursor(int index) {
  if (rows_.Count() == 0) {
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
  if (rows_.Count() == 0) Fail("Cannot perform this operation on an empty dataset");
  buffer_.clear();
  for (int i = 0; i < fields_.Count(); ++i) buffer_.push_back(rows_.Get(current_, i));
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
    rows_.AppendRow();
    current_ = RecordCount() - 1;
  }
  for (int i = 0; i < fields_.Count(); ++i) rows_.Set(current_, i, buffer_[i]);
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
  if (rows_.Count() == 0) Fail("Cannot perform this operation on an empty dataset");
  state_ = dsBrowse;
  rows_.EraseRow(current_);
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
  if (rows_.Count() == 0 || current_ >= RecordCount() - 1) {
    eof_ = true;
  } else {
    ++current_;
    bof_ = false;
  }
}

void TRxMemoryData::Prior() {
  CheckBrowseMode();
  if (rows_.Count() == 0 || current_ == 0) {
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
    if (rows_.IsNull(r, index)) continue;
    if (VarEquals(rows_.Get(r, index), value)) {
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

Variant TRxMemoryData::SourceValue(int index) const { return CurrentValue(index); }

void TRxMemoryData::AppendStoredRow(std::vector<Variant> row) {
  CheckBrowseMode();
  rows_.AppendRow();
  const int last = RecordCount() - 1;
  const int count = std::min(fields_.Count(), static_cast<int>(row.size()));
  for (int i = 0; i < count; ++i) rows_.Set(last, i, row[i]);
  SetCursor(last);
}

void TRxMemoryData::AppendFrom(const TDataSetSource& source) {
  CheckBrowseMode();
  const int count = fields_.Count();
  rows_.AppendRow();
  const int row = RecordCount() - 1;
  try {
    for (int i = 0; i < count; ++i) {
      const Variant value = source.SourceValue(i);
      // A value already of the field's type is stored as it is, which is
      // what converting it would give.
      bool asIs = false;
      switch (fields_[i].DataType) {
        case TFieldType::ftInteger:
          asIs = value.Type() == VarType::Integer;
          break;
        case TFieldType::ftFloat:
        case TFieldType::ftCurrency:
          asIs = value.Type() == VarType::Double;
          break;
        case TFieldType::ftBCD:
          asIs = value.Type() == VarType::Currency;
          break;
        case TFieldType::ftDateTime:
          asIs = value.Type() == VarType::Date;
          break;
        default:
          break;
      }
      rows_.Set(row, i, asIs ? value : ConvertToField(i, value));
    }
    for (int i = 0; i < count; ++i) {
      if (fields_[i].Required && rows_.IsNull(row, i))
        Fail("Field '" + fields_[i].Name + "' must have a value");
    }
  } catch (...) {
    rows_.EraseRow(row);
    SetCursor(current_);
    throw;
  }
  SetCursor(row);
}

int TRxMemoryData::StoredCurrent() const {
  CheckActive();
  if (state_ == dsInsert || state_ == dsEdit || rows_.Count() == 0) return -1;
  return current_;
}

// A field kept from former definitions may lie outside the present ones.
void TRxMemoryData::CheckIndex(int index) const {
  if (index < 0 || index >= fields_.Count())
    throw std::out_of_range("field index " + std::to_string(index));
}

// Null for a null or empty value.
Variant TRxMemoryData::CurrentValue(int index) const {
  CheckActive();
  if (state_ == dsInsert || state_ == dsEdit) {
    const Variant& v = buffer_.at(index);
    return v.IsEmpty() ? Variant::Null() : v;
  }
  CheckIndex(index);
  if (rows_.Count() == 0) return Variant::Null();
  return rows_.Get(current_, index);
}

bool TRxMemoryData::CurrentIsNull(int index) const {
  CheckActive();
  if (state_ == dsInsert || state_ == dsEdit) {
    const Variant& v = buffer_.at(index);
    return v.IsNull() || v.IsEmpty();
  }
  CheckIndex(index);
  return rows_.Count() == 0 || rows_.IsNull(current_, index);
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
