// Cutting a rewritten template into the pieces that the filling works on:
// the head, the group headers and footers, the title rows, the record rows,
// the totals rows, the table's close and the tail.
#include <algorithm>
#include <string>

#include "engines/HTMLJet.h"

#include <cctype>
#include <vector>

#include "engines/HTMLJetText.h"
#include "platform/text/Cp1251.h"

namespace tv {

using htmltext::After;
using htmltext::Before;
using htmltext::Contains;
using htmltext::npos;
using htmltext::RowCursor;

namespace {

constexpr std::size_t kGroupLength = 14;     // "&lt;#group&gt;"
constexpr std::size_t kEndGroupLength = 17;  // "&lt;#endgroup&gt;"

// The first cell of a row, from "<td" through "</td" and one character.
std::string_view FirstCell(std::string_view row) {
  const std::size_t open = row.find("<td");
  if (open == npos) return {};
  const std::size_t close = row.find("</td", open);
  if (close == npos) return row.substr(open);
  return row.substr(open, std::min(close + 5, row.size()) - open);
}

}  // namespace

std::string THTML_Jet::StripLeadingCloseTags(std::string_view text, std::size_t maxTags) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < maxTags; ++n) {
    const std::size_t lt = text.find('<', pos);
    if (lt == npos || lt + 1 >= text.size() || text[lt + 1] != '/') break;
    const std::size_t gt = text.find('>', lt);
    if (gt == npos) break;
    pos = gt + 1;
  }
  return std::string(text.substr(pos));
}

namespace {

bool IsVoidElement(std::string_view name) {
  static constexpr std::string_view kVoid[] = {"area", "base", "br",    "col",   "embed",
                                               "hr",   "img",  "input", "link",  "meta",
                                               "param", "source", "track", "wbr"};
  for (std::string_view v : kVoid)
    if (name == v) return true;
  return false;
}

// The lower-cased name of the tag whose name starts at `at`.
std::string TagName(std::string_view text, std::size_t at) {
  std::string name;
  while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) != 0 ||
                              text[at] == '_'))
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(text[at++])));
  return name;
}

// The elements that `text` leaves open, outermost first. The heading
// tables hidden from the cutting ("<_table", "<_/td" ...) are shown again in
// the page, so their tags count as the tags they stand for.
std::vector<std::string> OpenElements(std::string_view text) {
  std::vector<std::string> open;
  for (std::size_t lt = text.find('<'); lt != npos; lt = text.find('<', lt + 1)) {
    if (text.substr(lt, 4) == "<!--") {
      lt = text.find("-->", lt);
      if (lt == npos) break;
      continue;
    }
    const std::size_t gt = text.find('>', lt);
    if (gt == npos) break;
    const std::size_t at = lt + 1 < text.size() && text[lt + 1] == '_' ? lt + 1 : lt;
    if (at + 1 < text.size() && text[at + 1] == '/') {
      const std::string name = TagName(text, at + 2);
      for (std::size_t i = open.size(); i > 0; --i)
        if (open[i - 1] == name) {
          open.resize(i - 1);
          break;
        }
    } else {
      const std::string name = TagName(text, at + 1);
      if (!name.empty() && text[gt - 1] != '/' && !IsVoidElement(name)) open.push_back(name);
    }
    lt = gt;
  }
  return open;
}

}  // namespace

std::string THTML_Jet::BalanceTail(std::string_view head, std::string_view tail) {
  std::vector<std::string> open = OpenElements(head);
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t lt = tail.find('<', pos);
    if (lt == npos || lt + 1 >= tail.size() || tail[lt + 1] != '/') break;
    const std::size_t gt = tail.find('>', lt);
    if (gt == npos) break;
    out.append(tail.substr(pos, lt - pos));
    if (!open.empty() && open.back() == TagName(tail, lt + 2)) {
      out.append(tail.substr(lt, gt + 1 - lt));
      open.pop_back();
    }
    pos = gt + 1;
  }
  out.append(tail.substr(pos));
  return out;
}

std::size_t THTML_Jet::TrailingOpenTagCount(std::string_view text) {
  const std::string kept = StripTrailingOpenTags(text);
  std::size_t count = 0;
  for (std::size_t i = kept.size(); i < text.size(); ++i) count += text[i] == '<' ? 1 : 0;
  return count;
}

std::string THTML_Jet::StripTrailingOpenTags(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    const std::size_t lt = text.substr(0, end).rfind('<');
    if (lt == npos) break;
    // "<_/" closes a heading table hidden from the cutting; it must stay.
    if (lt + 1 < end && text[lt + 1] == '/') break;
    if (lt + 2 < end && text[lt + 1] == '_' && text[lt + 2] == '/') break;
    end = lt;
  }
  return std::string(text.substr(0, end));
}

void THTML_Jet::SplitGroups() {
  if (Template.find("&lt;#endgroup") == npos) {
    HeadText = Template;
    return;
  }
  std::size_t table = Template.find("<table");
  if (table == npos) throw EHTMLError("В шаблоне не найден тег TABLE основной таблицы"_w);
  const std::string before = Template.substr(0, table);
  std::string outerPre, outerPost, innerPost;
  for (std::size_t g = Template.find("&lt;#group"); g != npos; g = Template.find("&lt;#group")) {
    const std::string_view text(Template);
    const std::string_view after = text.substr(std::min(g + kGroupLength, text.size()));
    table = Template.find("<table");
    if (table != npos && g >= table) {
      HasInnerGroup = true;
      RowsBeforeGroup = htmltext::Count(text.substr(0, g), "<tr");
      innerPost = StripLeadingCloseTags(after);
      // The directive's row goes, but never the main table's own tag (a
      // group in the table's first row would take the table with it).
      const std::size_t tagEnd = std::min(text.find('>', table), g - 1) + 1;
      Template = std::string(text.substr(0, tagEnd)) +
                 StripTrailingOpenTags(text.substr(tagEnd, g - tagEnd)) + innerPost;
    } else {
      HasOuterGroup = true;
      outerPre = text.substr(0, g);
      outerPost = after;
      Template = outerPre + "&nbsp;" + outerPost;
    }
  }
  if (HasOuterGroup) {
    OuterHeader = StripLeadingCloseTags(Before(outerPost, "<table"));
    OuterHeaderInit = OuterHeader;
  }
  if (HasInnerGroup) {
    InnerHeader = StripTrailingOpenTags(StripLeadingCloseTags(Before(innerPost, "&lt;#repeat")));
    InnerHeaderInit = InnerHeader;
  }
  table = Template.find("<table");
  if (table != npos) {
    const std::size_t tagEnd = Template.find('>', table);
    TableTag = Template.substr(table, tagEnd == npos ? npos : tagEnd + 1 - table);
  }
  HeadText = StripTrailingOpenTags(HasOuterGroup ? outerPre : before);
}

void THTML_Jet::CutMainTable() {
  RepeatRowNames.Reset();
  NameTargetMemo.clear();
  ++NamesEpoch;
  if (Template.find("<table") == npos) {
    RepeatRowInit.clear();
    RepeatRowInitPlain = RepeatRowPlain = false;
    RepeatRowSlots.Build({}, false);
    ItogRowsInit.clear();
    AllItogRowsInit.clear();
    return;
  }
  GetTitleRows();
  SplitGroupEnds();
  GetItogRows();
  GetAllItogRows();
  GetRepeatRows();
  RepeatRowTRCount = PairChecker->CheckTRPairs(RepeatRow);
  if (ColumnRepeat) ExpandColumns();
  RepeatRowInit = RepeatRow;
  RepeatRowInitPlain = RepeatRowPlain = htmltext::IsPlainText(RepeatRowInit, true);
  RepeatRowSlots.Build(RepeatRowInit, RepeatRowInitPlain);
  ItogRowsInit = ItogRows;
  AllItogRowsInit = AllItogRows;
}

void THTML_Jet::GetTitleRows() {
  if (Template.find("<tr") == npos || Template.find("</tr") == npos)
    throw EHTMLError("Непарные теги [TR] в табице"_w);
  RowCursor rows(htmltext::TableRows(Template));
  std::string_view row;
  int count = RowsBeforeGroup - 1;
  if (HasOuterGroup && !HasInnerGroup) {
    RowCursor scan(htmltext::TableRows(Template));
    count = 0;
    for (int i = 0; scan.Next(row); ++i) {
      if (Contains(row, "#repeat")) {
        count = i;
        break;
      }
    }
  }
  TitleRows.clear();
  for (int i = 0; i < count && rows.Next(row); ++i) TitleRows += row;
}

void THTML_Jet::SplitGroupEnds() {
  bool firstInnerEnd = true;
  std::string tail;
  for (std::size_t e = Template.find("&lt;#endgroup"); e != npos;
       e = Template.find("&lt;#endgroup")) {
    if (!HasOuterGroup && !HasInnerGroup)
      throw EHTMLError(
          "Ошибка в структуре файла - шаблона, найдена непарная завершаемая секция группы"_w);
    const std::string pre = Template.substr(0, e);
    const std::string post = Template.substr(std::min(e + kEndGroupLength, Template.size()));
    Template = pre + "&nbsp;" + post;
    if (HasOuterGroup && (Contains(pre, "</table") || !HasInnerGroup)) {
      OuterFooter = StripTrailingOpenTags(After(pre, "</table>"));
      OuterFooterInit = OuterFooter;
    }
    if (HasInnerGroup && firstInnerEnd) {
      firstInnerEnd = false;
      const std::string_view footer =
          Contains(pre, "#enditog") ? After(pre, "#enditog&gt;") : After(pre, "#endrepeat&gt;");
      InnerFooter = StripTrailingOpenTags(StripLeadingCloseTags(footer));
      InnerFooterInit = InnerFooter;
    }
    TableClose.clear();
    if (const std::size_t lastRow = Template.rfind("</tr>"); lastRow != npos) {
      const std::size_t close = Template.find("</table>", lastRow + 5);
      if (close != npos) TableClose = Template.substr(lastRow + 5, close + 8 - lastRow - 5);
    }
    // With an inner group only, the main table is closed by TableClose: what
    // follows it is the page's own end and keeps its closing tags.
    // With an outer group, the tags that close the element holding the
    // directive go with it; of the closing tags that follow, EndDoc keeps
    // those that close what the page's head opened (BalanceTail).
    tail = HasInnerGroup && !HasOuterGroup
               ? std::string(After(post, "</table>"))
               : StripLeadingCloseTags(post, TrailingOpenTagCount(pre));
  }
  TailText = tail;
}

std::string THTML_Jet::CutSection(std::string_view startMark, std::string_view endMark) const {
  RowCursor rows(htmltext::TableRows(Template));
  std::string_view row;
  std::string section, found;
  bool open = false;
  int count = 0;
  while (rows.Next(row)) {
    if (!open) {
      if (Contains(row, startMark)) {
        open = true;
        section.clear();
        count = 0;
      }
    } else if (Contains(row, endMark)) {
      if (count == 0) throw EHTMLError("Содержимое части итогов пустое"_w);
      found = section;
      open = false;
    } else {
      section += row;
      ++count;
    }
  }
  if (open) throw EHTMLError("Не найдена завершающая строка итогов при найденной начальной"_w);
  return found;
}

void THTML_Jet::GetItogRows() { ItogRows = CutSection("&lt;#itog&gt;", "&lt;#enditog&gt;"); }

void THTML_Jet::GetAllItogRows() { AllItogRows = CutSection("#allitog", "#endallitog"); }

void THTML_Jet::GetRepeatRows() {
  RowCursor rows(htmltext::TableRows(Template));
  std::string_view row;
  std::string record;
  bool open = false;
  RepeatRow.clear();
  while (rows.Next(row)) {
    const std::string_view cell = FirstCell(row);
    if (Contains(cell, "#repeat")) {
      // A later repeat section replaces an earlier one.
      open = true;
      record.clear();
    } else if (open && Contains(cell, "#endre")) {
      RepeatRow = record;
      open = false;
    } else if (open) {
      record += row;
    }
  }
  if (open) RepeatRow = record;
}

}  // namespace tv
