#include "engines/RepGenForm.h"

#include <algorithm>

#include "foundation/ReportUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/text/RxStrUtils.h"
#include "platform/SysUtils.h"

namespace tv {
namespace {

constexpr std::size_t kMaxKeywordLength = 20;
// "@REPEATCOLBEG " is 14 characters: the column number starts at the 15th.
constexpr std::size_t kColumnNumberOffset = 14;
constexpr int kTabWidth = 8;

}  // namespace

TRepGenFormReader::TRepGenFormReader(std::string formFileName, int columnCount)
    : formFileName_(std::move(formFileName)), columnCount_(columnCount < 0 ? 0 : columnCount) {}

void TRepGenFormReader::AddLine(std::string_view line) {
  if (stopped_) return;
  if (!line.empty() && line.front() == '@') {
    HandleKeyword(line);
    return;
  }
  if (columnRepeat_)
    Current().push_back(Tab2Space(ExpandColumns(line), kTabWidth));
  else
    Current().push_back(Tab2Space(line, kTabWidth));
}

void TRepGenFormReader::HandleKeyword(std::string_view line) {
  std::string keyword = AnsiUpperCase(HeadUntil(line.substr(1)));
  if (keyword.size() > kMaxKeywordLength) keyword.resize(kMaxKeywordLength);
  if (keyword == "REM") return;
  if (keyword == "PAGE") return Advance(Section::Head, Section::PageHeader);
  if (keyword == "GROUP") return Advance(Section::PageHeader, Section::GroupHeader);
  if (keyword == "REPEAT") return Advance(Section::GroupHeader, Section::RepeatBody);
  if (keyword == "ENDREPEAT") return Advance(Section::RepeatBody, Section::GroupFooter);
  if (keyword == "ENDGROUP") return Advance(Section::GroupFooter, Section::PageFooter);
  if (keyword == "ENDPAGE") return Advance(Section::PageFooter, Section::Tail);
  if (keyword == "REPEATCOLBEG") return ReadColumnStart(line);
  if (keyword == "REPEATCOLEND") {
    columnRepeat_ = false;
    return;
  }
  throw Exception("Ошибка формы \""_w + formFileName_ + "\" - ключевое слово \""_w + keyword +
                  "\" не найдено"_w);
}

void TRepGenFormReader::Advance(Section from, Section to) {
  // A section keyword out of order ends the form without an error: that
  // line and everything after it stay out of the report.
  if (section_ == from)
    section_ = to;
  else
    stopped_ = true;
}

void TRepGenFormReader::ReadColumnStart(std::string_view line) {
  // A bare "@REPEATCOLBEG" (the built-in forms close their column block
  // with one) or a number that does not read leaves the repeat as it is.
  if (line.size() <= kColumnNumberOffset) return;
  int start = 0;
  if (!TryStrToInt(HeadUntil(line.substr(kColumnNumberOffset)), start)) return;
  columnRepeat_ = true;
  columnStart_ = std::max(start, 1);
}

std::string TRepGenFormReader::ExpandColumns(std::string_view line) const {
  const auto start = static_cast<std::size_t>(columnStart_);
  if (line.size() < start) return std::string(line);
  const std::string_view right = line.substr(start - 1);
  std::string out = LeftStr(line, columnStart_ - 1);
  out.reserve(out.size() + (right.size() + 3) * columnCount_);
  for (int k = 1; k <= columnCount_; ++k) {
    // "~Name~ " becomes "~Name1~" in the first copy, "~Name2~" in the next.
    const std::string number = std::to_string(k);
    for (std::size_t i = 0; i < right.size(); ++i) {
      if (right[i] == '~' && i + 1 < right.size() && right[i + 1] == ' ') {
        out += number;
        out += '~';
        ++i;
      } else {
        out += right[i];
      }
    }
  }
  return out;
}

std::vector<std::string>& TRepGenFormReader::Current() {
  switch (section_) {
    case Section::Head:
      return sections_.Head;
    case Section::PageHeader:
      return sections_.PageHeader;
    case Section::GroupHeader:
      return sections_.GroupHeader;
    case Section::RepeatBody:
      return sections_.RepeatBody;
    case Section::GroupFooter:
      return sections_.GroupFooter;
    case Section::PageFooter:
      return sections_.PageFooter;
    case Section::Tail:
      break;
  }
  return sections_.Tail;
}

}  // namespace tv
