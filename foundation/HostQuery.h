#pragma once
// The host's query procedure as the library's inner code sees it: the
// library boundary adapts the C callback of the host into this. Result
// starts empty; the host fills it; a failing host throws.

#include <functional>

#include "platform/data/Variant.h"

namespace tv {

using THostQuery = std::function<void(Variant& result, int code, int param)>;

}  // namespace tv
