#pragma once
// The named parameters of a data set's statement. A parameter holds a value
// of any runtime type; Firebird converts it to the type the statement wants
// when it runs (a text "12" into an INTEGER column, a date-time into a
// TIMESTAMP, a number into a NUMERIC with rounding). A parameter that was
// never set, or cleared, is NULL.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/data/Variant.h"

namespace tv {

class TIBParam {
 public:
  explicit TIBParam(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  bool IsNull() const { return value_.IsNull() || value_.IsEmpty(); }
  void Clear() { value_ = Variant::Null(); }

  const Variant& Value() const { return value_; }
  void SetValue(Variant value) { value_ = std::move(value); }
  void SetAsString(std::string value) { value_ = Variant(std::move(value)); }
  void SetAsInteger(int value) { value_ = Variant(value); }
  void SetAsInt64(int64_t value) { value_ = Variant(value); }
  void SetAsFloat(double value) { value_ = Variant(value); }
  void SetAsCurrency(Currency value) { value_ = Variant(value); }
  void SetAsDateTime(TDateTime value) { value_ = Variant::FromDate(value); }
  void SetAsBoolean(bool value) { value_ = Variant(value); }

  // The value under the runtime's variant conversions; NULL reads as 0 or "".
  std::string AsString() const { return IsNull() ? std::string() : value_.AsString(); }
  int AsInteger() const { return IsNull() ? 0 : value_.AsInteger(); }
  int64_t AsInt64() const { return IsNull() ? 0 : value_.AsInt64(); }
  double AsFloat() const { return IsNull() ? 0 : value_.AsDouble(); }
  Currency AsCurrency() const { return IsNull() ? Currency() : value_.AsCurrency(); }
  TDateTime AsDateTime() const { return IsNull() ? 0 : value_.AsDateTime(); }

 private:
  std::string name_;
  Variant value_;
};

class TIBParams {
 public:
  int Count() const { return static_cast<int>(params_.size()); }
  TIBParam& operator[](int i) { return *params_.at(i); }
  const TIBParam& operator[](int i) const { return *params_.at(i); }
  // The parameter of that name (letter case ignored), or nullptr.
  TIBParam* FindParam(std::string_view name);
  // The parameter of that name; EDatabaseError "Parameter 'X' not found".
  TIBParam& ByName(std::string_view name);

  // One parameter per distinct name of `names` (the statement's parameters
  // in order); Positions()[k] is the parameter of the k-th "?".
  void Rebuild(const std::vector<std::string>& names);
  const std::vector<int>& Positions() const { return positions_; }

 private:
  std::vector<std::unique_ptr<TIBParam>> params_;
  std::vector<int> positions_;
};

}  // namespace tv
