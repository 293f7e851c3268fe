#pragma once
// The payment-type table: one row per payment-type index of the host with
// its name, payment code, base kind (code modulo 100) and host attribute, all
// as text cells of a two-dimensional variant array [0..N-1, 0..3].

#include <array>
#include <string>

#include "foundation/HostQuery.h"
#include "platform/data/Variant.h"

namespace tv {

// Host query of the host's payment-type list.
inline constexpr int hcVidOplList = 57;

// The 14 default names; the first 13 apply when the host gives none.
const std::array<std::string, 14>& DefaultVidOplNames();

// Builds the table from the names (a one-dimensional array) and the host's
// payment-type list. The host answers code 57 (parameter 0) with a
// two-dimensional array [0..M-1, 0..1] holding, per index, the payment code
// and the attribute, or with a text when it has no list; without a list the
// codes are the indexes (index 13 and beyond: code 0 and a beep).
void BuildVidOplArray(const Variant& names, const THostQuery& query, Variant& table);

// Index of the first row whose code (column 1) equals `code`, else `def`
// (with a beep when `def` is 0 or more).
int FindVidOplIndex(int code, const Variant& table, int def);

}  // namespace tv
