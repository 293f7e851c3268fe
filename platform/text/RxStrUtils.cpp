#include "platform/text/RxStrUtils.h"

#include <algorithm>

namespace tv {

std::string Tab2Space(std::string_view s, int numb) {
  const std::size_t width = numb > 0 ? static_cast<std::size_t>(numb) : 0;
  const std::size_t tabs = static_cast<std::size_t>(std::count(s.begin(), s.end(), '\t'));
  std::string out;
  out.reserve(s.size() + tabs * width);
  for (char c : s) {
    if (c == '\t')
      out.append(width, ' ');
    else
      out.push_back(c);
  }
  return out;
}

}  // namespace tv
