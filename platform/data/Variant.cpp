#include "platform/data/Variant.h"

#include <cmath>
#include <cstring>

#include "platform/text/Cp1251.h"
#include "platform/RtlMath.h"
#include "platform/SysUtils.h"

namespace tv {

struct Variant::ArrayData {
  VarType elemType = VarType::Variant;
  std::vector<int> low, high;  // per dimension
  std::vector<Variant> items;  // the first dimension runs fastest

  size_t Count(size_t dim) const { return static_cast<size_t>(high[dim] - low[dim] + 1); }
};

void Variant::ArrayDeleter::operator()(ArrayData* p) const { delete p; }

namespace {

// Arrays larger than this are refused rather than exhausting memory.
constexpr size_t kMaxElements = size_t{1} << 26;

bool IsIntegral(VarType t) {
  return t == VarType::Smallint || t == VarType::Integer || t == VarType::Byte ||
         t == VarType::Int64 || t == VarType::Boolean;
}
bool IsFloating(VarType t) {
  return t == VarType::Single || t == VarType::Double || t == VarType::Date;
}
bool IsText(VarType t) { return t == VarType::String || t == VarType::OleStr; }

int64_t CurrencyToInt(int64_t raw) {
  int64_t q = raw / 10000, r = raw % 10000;
  int64_t twice = (r < 0 ? -r : r) * 2;
  if (twice > 10000 || (twice == 10000 && q % 2 != 0)) q += raw < 0 ? -1 : 1;
  return q;
}

Variant ZeroOf(VarType t) {
  switch (t) {
    case VarType::Smallint:
      return Variant::FromSmallint(0);
    case VarType::Integer:
      return Variant(0);
    case VarType::Single:
      return Variant::FromSingle(0);
    case VarType::Double:
      return Variant(0.0);
    case VarType::Currency:
      return Variant(Currency());
    case VarType::Date:
      return Variant::FromDate(0);
    case VarType::OleStr:
      return Variant(std::u16string());
    case VarType::Boolean:
      return Variant(false);
    case VarType::Byte:
      return Variant::FromByte(0);
    case VarType::Int64:
      return Variant(int64_t{0});
    default:
      return Variant();
  }
}

[[noreturn]] void InvalidArg() { throw EVariantInvalidArgError("Invalid argument"); }
[[noreturn]] void BadIndex() {
  throw EVariantBadIndexError("Variant or safe array index out of bounds");
}
[[noreturn]] void CreateError() {
  throw EVariantArrayCreateError("Error creating variant or safe array");
}

}  // namespace

std::string VarTypeAsText(VarType type) {
  auto raw = static_cast<uint16_t>(type);
  if (raw & 0x2000) return "Array " + VarTypeAsText(static_cast<VarType>(raw & 0x0FFF));
  switch (type) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Smallint:
      return "Smallint";
    case VarType::Integer:
      return "Integer";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::Currency:
      return "Currency";
    case VarType::Date:
      return "Date";
    case VarType::OleStr:
      return "OleStr";
    case VarType::Boolean:
      return "Boolean";
    case VarType::Variant:
      return "Variant";
    case VarType::Byte:
      return "Byte";
    case VarType::Int64:
      return "Int64";
    case VarType::String:
      return "String";
    default:
      return "Unknown";
  }
}

Variant Variant::Null() {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::FromDate(TDateTime d) {
  Variant v(static_cast<double>(d));
  v.type_ = VarType::Date;
  return v;
}

Variant Variant::FromSmallint(int16_t s) {
  Variant v(static_cast<int>(s));
  v.type_ = VarType::Smallint;
  return v;
}

Variant Variant::FromByte(uint8_t b) {
  Variant v(static_cast<int>(b));
  v.type_ = VarType::Byte;
  return v;
}

Variant Variant::FromSingle(float f) {
  Variant v(static_cast<double>(f));
  v.type_ = VarType::Single;
  return v;
}

Variant::Variant(const Variant& o)
    : type_(o.type_),
      int_(o.int_),
      double_(o.double_),
      text_(o.text_),
      wide_(o.wide_),
      array_(o.array_ ? new ArrayData(*o.array_) : nullptr) {}

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);
    *this = std::move(copy);
  }
  return *this;
}

Variant::~Variant() = default;

VarType Variant::Type() const {
  if (!array_) return type_;
  return static_cast<VarType>(0x2000 | static_cast<uint16_t>(array_->elemType));
}

void Variant::CastError(VarType target) const {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(Type()) +
                              ") into type (" + VarTypeAsText(target) + ")");
}

int64_t Variant::IntegerIn(int64_t lo, int64_t hi, VarType target) const {
  if (array_ || type_ == VarType::Null) CastError(target);
  int64_t v = 0;
  if (IsIntegral(type_)) {
    v = int_;
  } else if (type_ == VarType::Currency) {
    v = CurrencyToInt(int_);
  } else if (IsFloating(type_)) {
    if (std::isnan(double_) || std::fabs(double_) >= 9223372036854775808.0)
      throw EVariantOverflowError("Variant overflow");
    v = Round(double_);
  } else if (IsText(type_)) {
    std::string s = Trim(AsString());
    long double f = 0;
    if (!TryStrToInt64(s, v)) {
      if (!TryStrToFloat(s, f) || std::fabs(f) >= 9223372036854775808.0L) CastError(target);
      v = Round(f);
    }
  }
  if (v < lo || v > hi) throw EVariantOverflowError("Variant overflow");
  return v;
}

int Variant::AsInteger() const {
  return static_cast<int>(IntegerIn(INT32_MIN, INT32_MAX, VarType::Integer));
}

int64_t Variant::AsInt64() const { return IntegerIn(INT64_MIN, INT64_MAX, VarType::Int64); }

double Variant::AsDouble() const {
  if (array_ || type_ == VarType::Null) CastError(VarType::Double);
  if (IsIntegral(type_)) return static_cast<double>(int_);
  if (IsFloating(type_)) return double_;
  if (type_ == VarType::Currency) return static_cast<double>(Currency::FromRaw(int_));
  if (IsText(type_)) {
    std::string s = Trim(AsString());
    double f = 0;
    int64_t i = 0;
    if (TryStrToFloat(s, f)) return f;
    if (TryStrToInt64(s, i)) return static_cast<double>(i);
    CastError(VarType::Double);
  }
  return 0;
}

Currency Variant::AsCurrency() const {
  if (array_ || type_ == VarType::Null) CastError(VarType::Currency);
  if (type_ == VarType::Currency) return Currency::FromRaw(int_);
  long double v = IsIntegral(type_) ? static_cast<long double>(int_) : AsDouble();
  if (std::isnan(v) || std::fabs(v) >= 922337203685477.5807L)
    throw EVariantOverflowError("Variant overflow");
  return Currency(v);
}

bool Variant::AsBoolean() const {
  if (array_ || type_ == VarType::Null) CastError(VarType::Boolean);
  if (IsText(type_)) {
    std::string s = Trim(AsString());
    if (AnsiSameText(s, "True")) return true;
    if (AnsiSameText(s, "False")) return false;
    long double f = 0;
    if (!TryStrToFloat(s, f)) {
      int64_t i = 0;
      if (!TryStrToInt64(s, i)) CastError(VarType::Boolean);
      return i != 0;
    }
    return f != 0;
  }
  if (IsFloating(type_)) return double_ != 0;
  return int_ != 0;
}

TDateTime Variant::AsDateTime() const {
  if (array_ || type_ == VarType::Null) CastError(VarType::Date);
  if (IsText(type_)) {
    TDateTime v = 0;
    if (!TryStrToDateTime(Trim(AsString()), v)) CastError(VarType::Date);
    return v;
  }
  return AsDouble();
}

std::string Variant::AsString() const {
  if (array_ || type_ == VarType::Null) CastError(VarType::String);
  switch (type_) {
    case VarType::Empty:
      return {};
    case VarType::String:
      return text_;
    case VarType::OleStr:
      return Utf16ToCp1251(wide_);
    case VarType::Boolean:
      return int_ != 0 ? "True" : "False";
    case VarType::Currency:
      return CurrToStr(Currency::FromRaw(int_));
    case VarType::Single:
    case VarType::Double:
      return FloatToStr(double_);
    case VarType::Date:
      return DateTimeToStr(double_);
    default:
      return IntToStr(int_);
  }
}

int Variant::DimCount() const { return array_ ? static_cast<int>(array_->low.size()) : 0; }

int Variant::LowBound(int dim) const {
  if (dim < 1 || dim > DimCount()) InvalidArg();
  return array_->low[dim - 1];
}

int Variant::HighBound(int dim) const {
  if (dim < 1 || dim > DimCount()) InvalidArg();
  return array_->high[dim - 1];
}

const Variant& Variant::Element(const std::vector<int>& index) const {
  if (!array_) InvalidArg();
  if (index.size() != array_->low.size()) BadIndex();
  size_t flat = 0;
  for (size_t d = index.size(); d-- > 0;) {
    if (index[d] < array_->low[d] || index[d] > array_->high[d]) BadIndex();
    flat = flat * array_->Count(d) + static_cast<size_t>(index[d] - array_->low[d]);
  }
  return array_->items[flat];
}

const Variant& Variant::operator[](int index) const { return Element({index}); }
Variant& Variant::operator[](int index) { return const_cast<Variant&>(Element({index})); }
const Variant& Variant::At(int i, int j) const { return Element({i, j}); }
Variant& Variant::At(int i, int j) { return const_cast<Variant&>(Element({i, j})); }

std::array<uint32_t, 4> Variant::RawImage() const {
  std::array<uint32_t, 4> words{static_cast<uint16_t>(Type()), 0, 0, 0};
  if (array_) return words;
  uint64_t value = 0;
  switch (type_) {
    case VarType::Smallint:
    case VarType::Boolean:
      value = static_cast<uint16_t>(int_);
      break;
    case VarType::Byte:
      value = static_cast<uint8_t>(int_);
      break;
    case VarType::Integer:
      value = static_cast<uint32_t>(int_);
      break;
    case VarType::Int64:
    case VarType::Currency:
      value = static_cast<uint64_t>(int_);
      break;
    case VarType::Single: {
      float f = static_cast<float>(double_);
      uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      value = bits;
      break;
    }
    case VarType::Double:
    case VarType::Date:
      std::memcpy(&value, &double_, sizeof value);
      break;
    default:
      break;
  }
  words[2] = static_cast<uint32_t>(value);
  words[3] = static_cast<uint32_t>(value >> 32);
  return words;
}

Variant VarArrayCreate(std::initializer_list<int> bounds, VarType elemType) {
  if (bounds.size() < 2 || bounds.size() % 2 != 0) CreateError();
  switch (elemType) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::String:
    case VarType::Array:
      CreateError();
    default:
      break;
  }
  std::unique_ptr<Variant::ArrayData, Variant::ArrayDeleter> data(new Variant::ArrayData);
  data->elemType = elemType;
  size_t total = 1;
  for (auto it = bounds.begin(); it != bounds.end(); it += 2) {
    int lo = it[0], hi = it[1];
    if (static_cast<int64_t>(hi) < static_cast<int64_t>(lo) - 1) CreateError();
    size_t count = static_cast<size_t>(static_cast<int64_t>(hi) - lo + 1);
    if (count != 0 && total > kMaxElements / count) CreateError();
    total *= count;
    data->low.push_back(lo);
    data->high.push_back(hi);
  }
  data->items.assign(total, ZeroOf(elemType));
  Variant v;
  v.type_ = VarType::Array;
  v.array_ = std::move(data);
  return v;
}

Variant VarArrayOf(const std::vector<Variant>& items) {
  Variant a = VarArrayCreate({0, static_cast<int>(items.size()) - 1}, VarType::Variant);
  for (size_t i = 0; i < items.size(); ++i) a[static_cast<int>(i)] = items[i];
  return a;
}

Variant VarArrayOf(std::initializer_list<Variant> items) {
  return VarArrayOf(std::vector<Variant>(items));
}

void VarArrayRedim(Variant& a, int highBound) {
  if (!a.array_) InvalidArg();
  Variant::ArrayData& data = *a.array_;
  int lo = data.low.back();
  if (static_cast<int64_t>(highBound) < static_cast<int64_t>(lo) - 1) CreateError();
  size_t inner = 1;
  for (size_t d = 0; d + 1 < data.low.size(); ++d) inner *= data.Count(d);
  size_t count = static_cast<size_t>(static_cast<int64_t>(highBound) - lo + 1);
  if (count != 0 && inner > kMaxElements / count) CreateError();
  data.high.back() = highBound;
  data.items.resize(inner * count, ZeroOf(data.elemType));
}

std::string VarToStr(const Variant& v) { return v.IsNull() ? std::string() : v.AsString(); }

bool VarEquals(const Variant& a, const Variant& b) {
  if (a.IsArray() || b.IsArray()) throw EVariantInvalidOpError("Invalid variant operation");
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  VarType ta = a.Type(), tb = b.Type();
  if (a.IsEmpty() && b.IsEmpty()) return true;
  if (a.IsEmpty() || b.IsEmpty()) {
    const Variant& other = a.IsEmpty() ? b : a;
    return IsText(other.Type()) ? other.AsString().empty() : other.AsDouble() == 0;
  }
  if (IsText(ta) && IsText(tb)) return a.AsString() == b.AsString();
  if (ta == VarType::Boolean || tb == VarType::Boolean) {
    if (IsText(ta) || IsText(tb)) return a.AsBoolean() == b.AsBoolean();
  }
  if (IsText(ta) || IsText(tb) || IsFloating(ta) || IsFloating(tb))
    return a.AsDouble() == b.AsDouble();
  if (ta == VarType::Currency || tb == VarType::Currency) return a.AsCurrency() == b.AsCurrency();
  return a.AsInt64() == b.AsInt64();
}

}  // namespace tv
