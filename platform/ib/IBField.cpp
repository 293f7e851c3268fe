#include "platform/ib/IBField.h"

#include <cmath>
#include <limits>

#include "platform/text/FloatText.h"
#include "platform/RtlMath.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBStatement.h"

namespace tv {

using ib_detail::CellKind;

namespace {

int64_t Pow10(int n) {
  int64_t v = 1;
  while (n-- > 0) v *= 10;
  return v;
}

}  // namespace

bool TIBField::Required() const {
  return dataSet_->statement_ != nullptr && !dataSet_->statement_->Columns()[index_].nullable;
}

bool TIBField::IsScaled() const { return kind_ == static_cast<uint8_t>(CellKind::Scaled); }

std::string TIBField::AsExactDecimal() const {
  if (!IsScaled()) AccessError("Decimal");
  if (IsNull()) return {};
  return ScaledText(dataSet_->store_.Int(Row(), index_), -scale_);
}

Currency TIBField::CheckedCurrency(int64_t raw) const {
  const int64_t factor = BcdFactor();
  if (raw > INT64_MAX / factor || raw < INT64_MIN / factor) {
    throw EOverflow("Value " + ScaledText(raw, -scale_) + " of field '" + name_ +
                    "' does not fit a Currency (at most 922337203685477.5807)");
  }
  return Currency::FromRaw(raw * factor);
}

uint32_t TIBField::Row() const { return dataSet_->CurrentRow(); }

int64_t TIBField::BcdFactor() const { return Pow10(4 + scale_); }

void TIBField::AccessError(const char* typeName) const {
  throw EDatabaseError("Cannot access field '" + name_ + "' as type " + typeName);
}

bool TIBField::IsNull() const {
  const uint32_t row = Row();
  return row == TIBDataSet::kNoRow || dataSet_->store_.IsNull(row, index_);
}

std::string TIBField::AsString() const {
  if (IsNull()) return {};
  const auto& s = dataSet_->store_;
  const uint32_t r = Row();
  switch (static_cast<CellKind>(kind_)) {
    case CellKind::Integer:
      if (type_ == TFieldType::ftBoolean) return s.Int(r, index_) ? "True" : "False";
      return IntToStr(s.Int(r, index_));
    case CellKind::Scaled:
      if (type_ == TFieldType::ftBCD) return CurrToStr(AsCurrency());
      return FloatToStr(AsFloat());
    case CellKind::Real:
      return FloatToStr(s.Real(r, index_));
    case CellKind::Stamp:
      if (type_ == TFieldType::ftDate) return DateToStr(s.Real(r, index_));
      if (type_ == TFieldType::ftTime) return TimeToStr(s.Real(r, index_));
      return DateTimeToStr(s.Real(r, index_));
    case CellKind::Text:
      return std::string(s.Text(r, index_));
  }
  return {};
}

int64_t TIBField::AsInt64() const {
  if (IsNull()) return 0;
  const auto& s = dataSet_->store_;
  const uint32_t r = Row();
  switch (static_cast<CellKind>(kind_)) {
    case CellKind::Integer:
      if (type_ == TFieldType::ftBoolean) AccessError("Integer");
      return s.Int(r, index_);
    case CellKind::Scaled:
    case CellKind::Real:
      return Round(static_cast<long double>(AsFloat()));
    case CellKind::Text:
      return StrToInt64(s.Text(r, index_));
    case CellKind::Stamp:
      break;
  }
  AccessError("Integer");
}

int TIBField::AsInteger() const {
  if (kind_ == static_cast<uint8_t>(CellKind::Text)) return IsNull() ? 0 : StrToInt(AsString());
  const int64_t v = AsInt64();
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    throw ERangeError("Value " + IntToStr(v) + " of field '" + name_ + "' is out of range");
  return static_cast<int>(v);
}

double TIBField::AsFloat() const {
  if (IsNull()) return 0;
  const auto& s = dataSet_->store_;
  const uint32_t r = Row();
  switch (static_cast<CellKind>(kind_)) {
    case CellKind::Integer:
      if (type_ == TFieldType::ftBoolean) AccessError("Float");
      return static_cast<double>(s.Int(r, index_));
    case CellKind::Scaled:
      return static_cast<double>(static_cast<long double>(s.Int(r, index_)) /
                                 static_cast<long double>(Pow10(-scale_)));
    case CellKind::Real:
    case CellKind::Stamp:
      return s.Real(r, index_);
    case CellKind::Text:
      return static_cast<double>(StrToFloat(s.Text(r, index_)));
  }
  return 0;
}

Currency TIBField::AsCurrency() const {
  if (IsNull()) return Currency();
  const auto& s = dataSet_->store_;
  const uint32_t r = Row();
  switch (static_cast<CellKind>(kind_)) {
    case CellKind::Integer:
      if (type_ == TFieldType::ftBoolean) AccessError("Currency");
      return Currency(static_cast<long double>(s.Int(r, index_)));
    case CellKind::Scaled:
      if (type_ == TFieldType::ftBCD) return CheckedCurrency(s.Int(r, index_));
      return Currency(static_cast<long double>(AsFloat()));
    case CellKind::Real:
      return Currency(static_cast<long double>(s.Real(r, index_)));
    case CellKind::Text:
      return Currency(StrToFloat(s.Text(r, index_)));
    case CellKind::Stamp:
      break;
  }
  AccessError("Currency");
}

TDateTime TIBField::AsDateTime() const {
  if (IsNull()) return 0;
  const auto& s = dataSet_->store_;
  const uint32_t r = Row();
  if (kind_ == static_cast<uint8_t>(CellKind::Stamp)) return s.Real(r, index_);
  if (kind_ == static_cast<uint8_t>(CellKind::Text)) return StrToDateTime(s.Text(r, index_));
  AccessError("TDateTime");
}

bool TIBField::AsBoolean() const {
  if (IsNull()) return false;
  const auto& s = dataSet_->store_;
  const uint32_t r = Row();
  if (type_ == TFieldType::ftBoolean) return s.Int(r, index_) != 0;
  if (type_ == TFieldType::ftString) {
    const std::string_view t = s.Text(r, index_);
    return !t.empty() && (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y');
  }
  AccessError("Boolean");
}

Variant TIBField::AsVariant() const { return VariantAt(Row()); }

Variant TIBField::VariantAt(uint32_t r) const {
  const auto& s = dataSet_->store_;
  if (r == TIBDataSet::kNoRow || s.IsNull(r, index_)) return Variant::Null();
  switch (type_) {
    case TFieldType::ftSmallint:
      return Variant::FromSmallint(static_cast<int16_t>(s.Int(r, index_)));
    case TFieldType::ftInteger:
      return Variant(static_cast<int>(s.Int(r, index_)));
    case TFieldType::ftLargeint:
      return Variant(static_cast<int64_t>(s.Int(r, index_)));
    case TFieldType::ftBoolean:
      return Variant(s.Int(r, index_) != 0);
    case TFieldType::ftBCD:
      return Variant(CheckedCurrency(s.Int(r, index_)));
    case TFieldType::ftFloat:
      if (kind_ == static_cast<uint8_t>(CellKind::Scaled))
        return Variant(static_cast<double>(static_cast<long double>(s.Int(r, index_)) /
                                           static_cast<long double>(Pow10(-scale_))));
      return Variant(s.Real(r, index_));
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      return Variant::FromDate(s.Real(r, index_));
    default:
      return Variant(std::string(s.Text(r, index_)));
  }
}

void TIBField::Clear() { SetValue(Variant::Null()); }

void TIBField::SetValue(const Variant& value) {
  const uint32_t r = dataSet_->EditRow();
  auto& s = dataSet_->store_;
  if (value.IsNull() || value.IsEmpty()) {
    s.SetNull(r, index_);
    return;
  }
  switch (static_cast<CellKind>(kind_)) {
    case CellKind::Integer: {
      if (type_ == TFieldType::ftBoolean) {
        s.SetInt(r, index_, value.AsBoolean() ? 1 : 0);
        break;
      }
      const int64_t v = value.AsInt64();
      const int64_t limit = type_ == TFieldType::ftSmallint  ? INT16_MAX
                            : type_ == TFieldType::ftInteger ? INT32_MAX
                                                             : INT64_MAX;
      if (v > limit || v < -limit - 1)
        throw ERangeError("Value " + IntToStr(v) + " is out of range for field '" + name_ + "'");
      s.SetInt(r, index_, v);
      break;
    }
    case CellKind::Scaled:
      if (type_ == TFieldType::ftBCD)
        s.SetInt(r, index_,
                 Round(static_cast<long double>(value.AsCurrency().Raw()) /
                       static_cast<long double>(BcdFactor())));
      else
        s.SetInt(r, index_,
                 Round(static_cast<long double>(value.AsDouble()) *
                       static_cast<long double>(Pow10(-scale_))));
      break;
    case CellKind::Real:
      s.SetReal(r, index_, value.AsDouble());
      break;
    case CellKind::Stamp: {
      const TDateTime t = value.AsDateTime();
      s.SetReal(r, index_,
                type_ == TFieldType::ftDate   ? std::trunc(t)
                : type_ == TFieldType::ftTime ? std::fabs(t - std::trunc(t))
                                              : t);
      break;
    }
    case CellKind::Text:
      s.SetText(r, index_, value.AsString());
      break;
  }
}

}  // namespace tv
