#include "engines/RepGenSlots.h"

#include <algorithm>

namespace tv {
namespace {

constexpr std::string_view::size_type npos = std::string_view::npos;

// How many characters at the front of `t` a slot closing at `close` may take
// at most. The next "~" is never taken, even when it opens a slot that
// directly follows this one; failing that, the last character of the line is
// kept when it stands two or more places after the closing "~".
std::size_t ConsumeLimit(std::string_view t, std::size_t close) {
  const std::size_t next = t.find('~', close + 1);
  if (next != npos) return next;
  if (t.size() >= close + 3) return t.size() - 1;
  return t.size();
}

}  // namespace

void SubstituteSlots(std::string_view line, const TSlotValueFunc& valueOf, std::string& out) {
  std::string_view t = line;
  for (;;) {
    const std::size_t open = t.find('~');
    const std::size_t close = open == npos ? npos : t.find('~', open + 1);
    if (close == npos) {
      out.append(t);
      return;
    }
    out.append(t.substr(0, open));
    const std::string_view name = t.substr(open + 1, close - open - 1);
    const std::string value = valueOf(name);
    const bool narrow = name == "R" || name == "N";
    std::size_t width;
    if (close + 1 < t.size() && t[close + 1] == '@') {
      out.append(value);
      width = name.size() + 3;
    } else {
      const std::size_t minimum = name == "R" ? 1 : name == "N" ? 2 : name.size() + 2;
      width = std::max(value.size(), minimum);
      out.append(value);
      out.append(width - value.size(), ' ');
    }
    std::size_t consumed = narrow ? open + 3 : std::min(open + width, ConsumeLimit(t, close));
    t.remove_prefix(std::min(consumed, t.size()));
  }
}

}  // namespace tv
