#pragma once
// A hash of strings for unordered containers keyed by std::string that are
// looked up by std::string_view without making a string (with
// std::equal_to<>).

#include <cstddef>
#include <functional>
#include <string_view>

namespace tv {

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace tv
