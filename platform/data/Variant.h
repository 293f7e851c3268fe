#pragma once
// The runtime's variant: a tagged value (empty, null, integers, floating,
// Currency, date-time, Boolean, Windows-1251 or UTF-16 text) or an array of
// variants with bounds per dimension. Value semantics: copying a variant
// copies its array too.
//
// Conversions (As*) follow the runtime:
//  - Empty converts to 0, 0.0, False, "" and 30.12.1899;
//  - Null converts to nothing: every As* raises EVariantTypeCastError
//    "Could not convert variant of type (Null) into type (Integer)" (the
//    target's name varies); VarToStr gives "" for it;
//  - floating and Currency to integer round halves to even; out of range
//    raises EVariantOverflowError "Variant overflow";
//  - Boolean to number is -1 / 0, number to Boolean is "not 0";
//  - text to number goes through the locale of DefaultFormatSettings()
//    (decimal ',', "$" hexadecimal accepted for integers), text to Boolean
//    accepts "True"/"False" in any case or a number; text to date-time
//    through StrToDateTime; a text that does not convert raises
//    EVariantTypeCastError;
//  - number to text: IntToStr, FloatToStr, CurrToStr, Boolean "True" /
//    "False", date-time DateTimeToStr;
//  - an array converts to nothing (EVariantTypeCastError).
// Arrays: a typed array (VarArrayCreate with Integer, Byte...) starts with
// elements of that type set to 0; elements written through operator[] or At
// keep the value as written (read them with the As* conversions).

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/Currency.h"
#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"

namespace tv {

TV_EXCEPTION_CLASS(EVariantOverflowError, EVariantError);
TV_EXCEPTION_CLASS(EVariantInvalidArgError, EVariantError);
TV_EXCEPTION_CLASS(EVariantInvalidOpError, EVariantError);
TV_EXCEPTION_CLASS(EVariantArrayCreateError, EVariantError);

enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Smallint = 2,
  Integer = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  OleStr = 8,
  Boolean = 11,
  Variant = 12,
  Byte = 17,
  Int64 = 20,
  String = 0x100,
  Array = 0x2000,
};

// The runtime's type name: "Integer", "String", "Array Variant"...
std::string VarTypeAsText(VarType type);

class Variant {
 public:
  Variant() = default;
  Variant(int v) : type_(VarType::Integer), int_(v) {}
  Variant(int64_t v) : type_(VarType::Int64), int_(v) {}
  Variant(double v) : type_(VarType::Double), double_(v) {}
  Variant(Currency v) : type_(VarType::Currency), int_(v.Raw()) {}
  Variant(bool v) : type_(VarType::Boolean), int_(v ? -1 : 0) {}
  Variant(const char* s) : type_(VarType::String), text_(s == nullptr ? "" : s) {}
  Variant(std::string s) : type_(VarType::String), text_(std::move(s)) {}  // Windows-1251
  Variant(std::u16string s) : type_(VarType::OleStr), wide_(std::move(s)) {}
  static Variant Null();
  static Variant FromDate(TDateTime v);
  static Variant FromSmallint(int16_t v);
  static Variant FromByte(uint8_t v);
  static Variant FromSingle(float v);

  Variant(const Variant& o);
  Variant& operator=(const Variant& o);
  Variant(Variant&&) noexcept = default;
  Variant& operator=(Variant&&) noexcept = default;
  ~Variant();

  // For an array: Array | element type.
  VarType Type() const;
  bool IsEmpty() const { return type_ == VarType::Empty; }
  bool IsNull() const { return type_ == VarType::Null; }
  bool IsArray() const { return array_ != nullptr; }

  int AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  std::string AsString() const;  // Windows-1251

  // Arrays. Dimensions count from 1; a dimension outside the array raises
  // EVariantInvalidArgError "Invalid argument", an index outside the bounds
  // EVariantBadIndexError "Variant or safe array index out of bounds", and
  // any of these on a non-array EVariantInvalidArgError.
  int DimCount() const;  // 0 for a non-array
  int LowBound(int dim = 1) const;
  int HighBound(int dim = 1) const;
  const Variant& operator[](int index) const;  // 1-D arrays
  Variant& operator[](int index);
  const Variant& At(int i, int j) const;  // 2-D arrays
  Variant& At(int i, int j);

  // The 16-byte variant record as four 32-bit words: the type word with
  // three zero reserved words, then the 8-byte value, low word first (the
  // record starts zeroed, so a 4-byte value leaves the high word 0).
  // Texts and arrays hold references in the original, which a port cannot
  // reproduce: their value words are 0.
  std::array<uint32_t, 4> RawImage() const;

 private:
  friend Variant VarArrayCreate(std::initializer_list<int>, VarType);
  friend void VarArrayRedim(Variant&, int);
  struct ArrayData;
  struct ArrayDeleter {
    void operator()(ArrayData* p) const;
  };

  [[noreturn]] void CastError(VarType target) const;
  const Variant& Element(const std::vector<int>& index) const;
  int64_t IntegerIn(int64_t lo, int64_t hi, VarType target) const;

  VarType type_ = VarType::Empty;
  int64_t int_ = 0;    // integers, Boolean (-1/0), Currency raw
  double double_ = 0;  // Single, Double, Date
  std::string text_;
  std::u16string wide_;
  std::unique_ptr<ArrayData, ArrayDeleter> array_;
};

// bounds: lo, hi for each dimension ({0, -1} is an empty 1-D array).
// EVariantArrayCreateError for an odd count or hi < lo - 1.
Variant VarArrayCreate(std::initializer_list<int> bounds, VarType elemType);
// A 1-D array of variants, bounds 0..n-1.
Variant VarArrayOf(std::initializer_list<Variant> items);
Variant VarArrayOf(const std::vector<Variant>& items);
// New high bound of the last dimension; new elements start as in
// VarArrayCreate.
void VarArrayRedim(Variant& a, int highBound);
std::string VarToStr(const Variant& v);  // Null -> ""
// The runtime's "=": Null equals only Null; Empty equals Empty, 0 and "";
// a text compared with a number is converted to a number first (a text
// that is no number raises EVariantTypeCastError); texts compare byte for
// byte; arrays raise EVariantInvalidOpError "Invalid variant operation".
bool VarEquals(const Variant& a, const Variant& b);

}  // namespace tv
