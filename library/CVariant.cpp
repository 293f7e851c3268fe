#include "library/CVariant.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "platform/text/Cp1251.h"

namespace tv {

namespace {

[[noreturn]] void InvalidArgument() { throw EVariantInvalidArgError("Invalid argument"); }

// Element count of an array of the given shape, or -1 when the shape is bad.
int64_t ElementCount(int dims, const int32_t* bounds) {
  if (dims != 1 && dims != 2) return -1;
  int64_t count = 1;
  for (int d = 0; d < dims; ++d) {
    const int64_t n = int64_t{bounds[2 * d + 1]} - bounds[2 * d] + 1;
    if (n < 0) return -1;
    count *= n;
    if (count > kMaxCArrayElements) return -1;
  }
  return count;
}

// On a failure `at` receives the indices of the failing element ("[3][0]"),
// so that the message can name it.
Variant FromCArray(const TVVariant& v, int depth, std::string& at);

Variant FromC(const TVVariant& v, int depth, std::string& at) {
  switch (v.vt) {
    case TV_VT_EMPTY:
      return Variant();
    case TV_VT_NULL:
      return Variant::Null();
    case TV_VT_SMALLINT:
      if (v.u.i < -32768 || v.u.i > 32767) InvalidArgument();
      return Variant::FromSmallint(static_cast<int16_t>(v.u.i));
    case TV_VT_INTEGER:
      return Variant(static_cast<int>(v.u.i));
    case TV_VT_SINGLE:
      return Variant::FromSingle(static_cast<float>(v.u.d));
    case TV_VT_DOUBLE:
      return Variant(v.u.d);
    case TV_VT_CURRENCY:
      return Variant(Currency::FromRaw(v.u.i64));
    case TV_VT_DATE:
      return Variant::FromDate(v.u.d);
    case TV_VT_OLESTR:
      if (v.u.wstr.ptr == nullptr && v.u.wstr.len != 0) InvalidArgument();
      if (v.u.wstr.len > static_cast<size_t>(kMaxCArrayElements) * 16) InvalidArgument();
      return Variant(std::u16string(reinterpret_cast<const char16_t*>(v.u.wstr.ptr), v.u.wstr.len));
    case TV_VT_BOOLEAN:
      return Variant(v.u.i != 0);
    case TV_VT_BYTE:
      if (v.u.i < 0 || v.u.i > 255) InvalidArgument();
      return Variant::FromByte(static_cast<uint8_t>(v.u.i));
    case TV_VT_INT64:
      return Variant(static_cast<int64_t>(v.u.i64));
    case TV_VT_STRING:
      if (v.u.str.ptr == nullptr && v.u.str.len != 0) InvalidArgument();
      if (v.u.str.len > static_cast<size_t>(kMaxCArrayElements) * 32) InvalidArgument();
      return Variant(std::string(v.u.str.ptr == nullptr ? "" : v.u.str.ptr, v.u.str.len));
    case TV_VT_ARRAY:
      return FromCArray(v, depth, at);
    default:
      throw EVariantError("Invalid variant type");
  }
}

Variant FromCArray(const TVVariant& v, int depth, std::string& at) {
  if (depth >= kMaxCArrayDepth) InvalidArgument();
  const int dims = v.u.arr.dims;
  const int32_t* b = v.u.arr.bounds;
  const int64_t count = ElementCount(dims, b);
  if (count < 0 || (count > 0 && v.u.arr.items == nullptr)) InvalidArgument();
  Variant a = dims == 1 ? VarArrayCreate({b[0], b[1]}, VarType::Variant)
                        : VarArrayCreate({b[0], b[1], b[2], b[3]}, VarType::Variant);
  const int64_t n2 = dims == 1 ? 1 : int64_t{b[3]} - b[2] + 1;
  for (int64_t k = 0; k < count; ++k) {
    const int i = b[0] + static_cast<int>(k / n2);
    const int j = dims == 1 ? 0 : b[2] + static_cast<int>(k % n2);
    try {
      Variant item = FromC(v.u.arr.items[k], depth + 1, at);
      if (dims == 1)
        a[i] = std::move(item);
      else
        a.At(i, j) = std::move(item);
    } catch (const Exception&) {
      // Unwinding runs from the innermost array out: each level puts its
      // index in front.
      at.insert(0, "[" + std::to_string(i) + (dims == 1 ? "" : "," + std::to_string(j)) + "]");
      throw;
    }
  }
  return a;
}

template <class Char>
Char* CopyText(const Char* text, size_t len) {
  auto* p = static_cast<Char*>(std::malloc((len + 1) * sizeof(Char)));
  if (p == nullptr) return nullptr;
  if (len > 0) std::memcpy(p, text, len * sizeof(Char));
  p[len] = 0;
  return p;
}

void SetOwnedString(TVVariant* out, std::string_view s) {
  char* p = CopyText(s.data(), s.size());
  if (p == nullptr) throw std::bad_alloc();
  out->vt = TV_VT_STRING;
  out->flags = TV_VF_OWNED;
  out->u.str.ptr = p;
  out->u.str.len = s.size();
}

void SetOwnedOleStr(TVVariant* out, std::u16string_view s) {
  auto* p = CopyText(reinterpret_cast<const uint16_t*>(s.data()), s.size());
  if (p == nullptr) throw std::bad_alloc();
  out->vt = TV_VT_OLESTR;
  out->flags = TV_VF_OWNED;
  out->u.wstr.ptr = p;
  out->u.wstr.len = s.size();
}

void ToCArray(const Variant& v, TVVariant* out) {
  const int dims = v.DimCount();
  if (dims != 1 && dims != 2) InvalidArgument();
  const int low2 = dims == 2 ? v.LowBound(2) : 0;
  const int high2 = dims == 2 ? v.HighBound(2) : 0;
  if (!CVariantSetArray(out, dims, v.LowBound(1), v.HighBound(1), low2, high2)) {
    throw std::bad_alloc();
  }
  for (int i = v.LowBound(1); i <= v.HighBound(1); ++i) {
    if (dims == 1) {
      ToCVariant(v[i], CVariantItem(out, i));
    } else {
      for (int j = low2; j <= high2; ++j) ToCVariant(v.At(i, j), CVariantItem2(out, i, j));
    }
  }
}

void ToCScalar(const Variant& v, TVVariant* out) {
  switch (v.Type()) {
    case VarType::Empty:
      break;
    case VarType::Null:
      out->vt = TV_VT_NULL;
      break;
    case VarType::Smallint:
      out->vt = TV_VT_SMALLINT;
      out->u.i = v.AsInteger();
      break;
    case VarType::Integer:
      out->vt = TV_VT_INTEGER;
      out->u.i = v.AsInteger();
      break;
    case VarType::Byte:
      out->vt = TV_VT_BYTE;
      out->u.i = v.AsInteger();
      break;
    case VarType::Boolean:
      out->vt = TV_VT_BOOLEAN;
      out->u.i = v.AsBoolean() ? -1 : 0;
      break;
    case VarType::Single:
      out->vt = TV_VT_SINGLE;
      out->u.d = v.AsDouble();
      break;
    case VarType::Double:
      out->vt = TV_VT_DOUBLE;
      out->u.d = v.AsDouble();
      break;
    case VarType::Date:
      out->vt = TV_VT_DATE;
      out->u.d = v.AsDateTime();
      break;
    case VarType::Currency:
      out->vt = TV_VT_CURRENCY;
      out->u.i64 = v.AsCurrency().Raw();
      break;
    case VarType::Int64:
      out->vt = TV_VT_INT64;
      out->u.i64 = v.AsInt64();
      break;
    case VarType::String:
      SetOwnedString(out, v.AsString());
      break;
    case VarType::OleStr:
      SetOwnedOleStr(out, Cp1251ToUtf16(v.AsString()));
      break;
    default:
      throw EVariantError("Invalid variant type");
  }
}

}  // namespace

Variant FromCVariant(const TVVariant* v) {
  std::string at;
  return v == nullptr ? Variant() : FromC(*v, 0, at);
}

Variant FromCVariant(const TVVariant* v, std::string_view name) {
  std::string at;
  try {
    return v == nullptr ? Variant() : FromC(*v, 0, at);
  } catch (const Exception& e) {
    e.Clone(std::string(name) + at + ": " + e.Message())->Raise();
  }
  std::terminate();  // Raise does not return
}

Variant ZeroBased(const Variant& v) {
  const int dims = v.DimCount();
  if (dims == 0) return v;
  const int low1 = v.LowBound(1), n1 = v.HighBound(1) - low1 + 1;
  if (dims == 1) {
    Variant a = VarArrayCreate({0, n1 - 1}, VarType::Variant);
    for (int i = 0; i < n1; ++i) a[i] = ZeroBased(v[low1 + i]);
    return a;
  }
  const int low2 = v.LowBound(2), n2 = v.HighBound(2) - low2 + 1;
  Variant a = VarArrayCreate({0, n1 - 1, 0, n2 - 1}, VarType::Variant);
  for (int i = 0; i < n1; ++i)
    for (int j = 0; j < n2; ++j) a.At(i, j) = ZeroBased(v.At(low1 + i, low2 + j));
  return a;
}

void ToCVariant(const Variant& v, TVVariant* out) {
  CVariantClear(out);
  try {
    if (v.IsArray()) {
      ToCArray(v, out);
    } else {
      ToCScalar(v, out);
    }
  } catch (...) {
    CVariantClear(out);
    throw;
  }
}

void CVariantClear(TVVariant* v) noexcept {
  if (v == nullptr) return;
  if ((v->flags & TV_VF_OWNED) != 0) {
    if (v->vt == TV_VT_STRING) {
      std::free(const_cast<char*>(v->u.str.ptr));
    } else if (v->vt == TV_VT_OLESTR) {
      std::free(const_cast<uint16_t*>(v->u.wstr.ptr));
    } else if (v->vt == TV_VT_ARRAY && v->u.arr.items != nullptr) {
      const int64_t count = ElementCount(v->u.arr.dims, v->u.arr.bounds);
      for (int64_t k = 0; k < count; ++k) CVariantClear(&v->u.arr.items[k]);
      std::free(v->u.arr.items);
    }
  }
  std::memset(v, 0, sizeof *v);
}

bool CVariantSetString(TVVariant* v, const char* text, size_t len) noexcept {
  CVariantClear(v);
  if (len == static_cast<size_t>(-1)) len = text == nullptr ? 0 : std::strlen(text);
  if (text == nullptr) len = 0;
  try {
    SetOwnedString(v, std::string_view(text == nullptr ? "" : text, len));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CVariantSetOleStr(TVVariant* v, const uint16_t* text, size_t len) noexcept {
  CVariantClear(v);
  if (text == nullptr) len = 0;
  if (len == static_cast<size_t>(-1)) {
    len = 0;
    while (text[len] != 0) ++len;
  }
  try {
    SetOwnedOleStr(v, std::u16string_view(reinterpret_cast<const char16_t*>(text), len));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CVariantSetArray(TVVariant* v, int dims, int low1, int high1, int low2, int high2) noexcept {
  CVariantClear(v);
  const int32_t bounds[4] = {low1, high1, dims == 2 ? low2 : 0, dims == 2 ? high2 : 0};
  const int64_t count = ElementCount(dims, bounds);
  if (count < 0) return false;
  TVVariant* items = nullptr;
  if (count > 0) {
    items = static_cast<TVVariant*>(std::calloc(static_cast<size_t>(count), sizeof(TVVariant)));
    if (items == nullptr) return false;
  }
  v->vt = TV_VT_ARRAY;
  v->flags = TV_VF_OWNED;
  v->u.arr.items = items;
  v->u.arr.dims = dims;
  std::memcpy(v->u.arr.bounds, bounds, sizeof bounds);
  return true;
}

TVVariant* CVariantItem(TVVariant* v, int i) noexcept {
  if (v == nullptr || v->vt != TV_VT_ARRAY || v->u.arr.dims != 1 || v->u.arr.items == nullptr) {
    return nullptr;
  }
  const int32_t* b = v->u.arr.bounds;
  if (i < b[0] || i > b[1]) return nullptr;
  return &v->u.arr.items[int64_t{i} - b[0]];
}

TVVariant* CVariantItem2(TVVariant* v, int i, int j) noexcept {
  if (v == nullptr || v->vt != TV_VT_ARRAY || v->u.arr.dims != 2 || v->u.arr.items == nullptr) {
    return nullptr;
  }
  const int32_t* b = v->u.arr.bounds;
  if (i < b[0] || i > b[1] || j < b[2] || j > b[3]) return nullptr;
  const int64_t n2 = int64_t{b[3]} - b[2] + 1;
  return &v->u.arr.items[(int64_t{i} - b[0]) * n2 + (int64_t{j} - b[2])];
}

}  // namespace tv
