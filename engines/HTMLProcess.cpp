#include "engines/HTMLProcess.h"

#include <string>

#include "platform/text/Cp1251.h"

namespace tv::HTMLProcess {
namespace {

// Occurrences of the lower-case ASCII `tag` in `text`, letters of `text`
// compared without regard to case.
int CountTagNoCase(std::string_view text, std::string_view tag) {
  int count = 0;
  if (tag.empty() || text.size() < tag.size()) return 0;
  for (std::size_t i = 0; i + tag.size() <= text.size();) {
    std::size_t k = 0;
    while (k < tag.size() && AnsiLowerChar(text[i + k]) == tag[k]) ++k;
    if (k == tag.size()) {
      ++count;
      i += tag.size();
    } else {
      ++i;
    }
  }
  return count;
}

}  // namespace

int CheckTRPairs(std::string_view text) {
  const int opened = CountTagNoCase(text, "<tr");
  const int closed = CountTagNoCase(text, "</tr");
  if (opened != closed) throw EHTMLError("Непарные теги [TR]"_w);
  return opened;
}

}  // namespace tv::HTMLProcess
