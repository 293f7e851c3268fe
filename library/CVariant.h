#pragma once
// The C variant of the host interface (TVVariant, include/tolvaren) and the
// library's Variant: conversions both ways and the memory rules of owned C
// variants.
//
// A host-built variant is input from outside: FromCVariant checks every
// tag, pointer and bound before it reads, and limits nesting and size, so a
// malformed variant becomes an EVariantError rather than a crash.

#include <string_view>

#include "platform/data/Variant.h"
#include "tolvaren/tolvaren.h"

namespace tv {

// Most elements one C array may have, and deepest nesting of arrays.
inline constexpr int64_t kMaxCArrayElements = 16 * 1024 * 1024;
inline constexpr int kMaxCArrayDepth = 32;

// A copy of a host-built variant (nullptr reads as Empty). Raises
// EVariantError "Invalid variant type" for an unknown tag, and
// EVariantInvalidArgError "Invalid argument" for a null pointer with a
// length, bad array bounds, too many elements or too deep nesting.
Variant FromCVariant(const TVVariant* v);
// The same for a variant the host passes under `name`: a failure names the
// element, as in "Params[3]: Invalid variant type" or "Params[1][0,2]: ...".
Variant FromCVariant(const TVVariant* v, std::string_view name);

// A copy whose arrays, nested ones included, start at 0 in every dimension:
// a COM host may give any low bound, and the readers count from 0 (element
// k of the copy is element low + k of `v`).
Variant ZeroBased(const Variant& v);

// Releases what `out` owned, then fills it with an owned copy of `v`. Arrays
// of more than two dimensions raise EVariantInvalidArgError. Throws
// std::bad_alloc when memory is short (then `out` is empty).
void ToCVariant(const Variant& v, TVVariant* out);

// The memory rules of owned C variants (tv_variant_* of the public header).
void CVariantClear(TVVariant* v) noexcept;
bool CVariantSetString(TVVariant* v, const char* text, size_t len) noexcept;
bool CVariantSetOleStr(TVVariant* v, const uint16_t* text, size_t len) noexcept;
bool CVariantSetArray(TVVariant* v, int dims, int low1, int high1, int low2, int high2) noexcept;
TVVariant* CVariantItem(TVVariant* v, int i) noexcept;
TVVariant* CVariantItem2(TVVariant* v, int i, int j) noexcept;

}  // namespace tv
