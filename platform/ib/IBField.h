#pragma once
// TIBField: one column of a data set's current row.
//
// Reading follows the runtime's field classes: NULL reads as 0, "" or a zero
// date-time; a text converts to a number or date-time with the runtime's
// routines (EConvertError when it does not read); a NUMERIC with up to four
// decimals is a Currency value, with more decimals a floating one; a
// conversion the runtime's field does not offer raises EDatabaseError
// "Cannot access field 'X' as type Y". A NUMERIC value that a Currency
// cannot hold raises EOverflow naming the field and the exact value, never
// a wrapped number; AsExactDecimal gives any NUMERIC value exactly.
//
// Setting a value is allowed while the data set is in edit or insert state;
// it is converted to the column's type (EDatabaseError "Dataset not in edit
// or insert mode" otherwise). A field belongs to its data set and stays
// valid while the data set keeps its statement.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/data/FieldType.h"
#include "platform/data/Variant.h"

namespace tv {

class TIBDataSet;

class TIBField {
 public:
  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  // Characters of a text column, decimals of a BCD column, else 0.
  int Size() const { return size_; }
  int Index() const { return index_; }
  TIBDataSet& DataSet() const { return *dataSet_; }

  // Whether the column is declared NOT NULL.
  bool Required() const;
  // Decimals of a NUMERIC/DECIMAL column (any scale), else 0.
  int Scale() const { return -scale_; }
  // Whether the column is a NUMERIC/DECIMAL with decimals.
  bool IsScaled() const;
  // The value of a NUMERIC/DECIMAL column as its exact decimal text ("."
  // as separator, no trailing zeros: "-12.5"); "" for NULL.
  std::string AsExactDecimal() const;

  bool IsNull() const;
  std::string AsString() const;
  int AsInteger() const;
  int64_t AsInt64() const;
  double AsFloat() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  // Null, Smallint, Integer, Int64, Currency, Double, Date, String or Boolean.
  Variant AsVariant() const;
  Variant Value() const { return AsVariant(); }

  void Clear();
  void SetValue(const Variant& value);
  void SetAsString(std::string_view value) { SetValue(Variant(std::string(value))); }
  void SetAsInteger(int value) { SetValue(Variant(value)); }
  void SetAsInt64(int64_t value) { SetValue(Variant(value)); }
  void SetAsFloat(double value) { SetValue(Variant(value)); }
  void SetAsCurrency(Currency value) { SetValue(Variant(value)); }
  void SetAsDateTime(TDateTime value) { SetValue(Variant::FromDate(value)); }
  void SetAsBoolean(bool value) { SetValue(Variant(value)); }

 private:
  friend class TIBDataSet;
  TIBField() = default;
  [[noreturn]] void AccessError(const char* typeName) const;
  // The value in row `row` of the data set's store (Null for kNoRow).
  Variant VariantAt(uint32_t row) const;
  uint32_t Row() const;
  int64_t BcdFactor() const;
  // The Currency of a BCD column's unscaled value; EOverflow when it does
  // not fit.
  Currency CheckedCurrency(int64_t raw) const;

  TIBDataSet* dataSet_ = nullptr;
  int index_ = 0;
  std::string name_;
  TFieldType type_ = TFieldType::ftUnknown;
  int size_ = 0;
  int scale_ = 0;     // Firebird's scale: 0 or negative
  uint8_t kind_ = 0;  // ib_detail::CellKind
};

}  // namespace tv
