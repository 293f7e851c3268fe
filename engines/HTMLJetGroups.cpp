// Records, inner and outer groups, the document and its repeating table
// headers. Records are kept apart and joined once per group; rendered groups
// are kept as pieces and joined once by EndDoc, so the work and the memory
// grow linearly with the report.
#include <string>

#include "engines/HTMLJet.h"
#include "engines/HTMLJetGuard.h"
#include "engines/HTMLJetText.h"
#include "foundation/XMUtils.h"
#include "platform/Cp1251.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::Guarded;
using htmltext::npos;

namespace {

constexpr std::string_view kHeaderLabel = " row$thead";
constexpr std::string_view kTHeadOpen = "<THEAD style=\"DISPLAY: table-header-group\">";
constexpr std::string_view kTHeadClose = "</THEAD>";

// Appends doc[from, to) with every header-row label replaced by a blank.
void AppendUnlabelled(std::string& out, std::string_view doc, std::size_t from, std::size_t to) {
  std::string_view part = doc.substr(from, to - from);
  for (std::size_t p = part.find(kHeaderLabel); p != npos; p = part.find(kHeaderLabel)) {
    out += part.substr(0, p);
    out += ' ';
    part.remove_prefix(p + kHeaderLabel.size());
  }
  out += part;
}

}  // namespace

void THTML_Jet::CheckSize(std::int64_t length) const {
  const std::int64_t limit = static_cast<std::int64_t>(HTMLJet::MaxReportSizeMB) * 1048576;
  if (length > limit)
    throw Exception(
        Format("Превышен максимальный размер отчета %d МБ"_w, {HTMLJet::MaxReportSizeMB}));
}

void THTML_Jet::EvalIn(std::string& text) {
  if (ScriptControl) text = EvalFormulas(text);
}

std::string THTML_Jet::JoinLines() const {
  std::string text;
  text.reserve(static_cast<std::size_t>(GroupBytes) + 2 * Lines.size());
  for (const std::string& line : Lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void THTML_Jet::AppendBody(std::string text) {
  BodyBytes += static_cast<std::int64_t>(text.size());
  Body.push_back(std::move(text));
}

void THTML_Jet::EndLine() {
  Guarded("THTML_Jet.EndLine", [&] {
    EvalIn(RepeatRow);
    std::string line = BlankUnfilled(RepeatRow);
    GroupBytes += static_cast<std::int64_t>(line.size());
    Lines.push_back(std::move(line));
    CheckSize(GroupBytes);
    RepeatRow = RepeatRowInit;
    GroupRows += RepeatRowTRCount;
    ++LineCount;
    if (LineCount > HTMLJet::MaxReportRows)
      throw Exception(
          Format("Превышено максимальное число строк в отчете: %d"_w, {HTMLJet::MaxReportRows}));
  });
}

void THTML_Jet::EndIGroup() {
  Guarded("THTML_Jet.EndIGroup", [&] {
    if (HasInnerGroup) {
      EvalIn(InnerHeader);
      EvalIn(InnerFooter);
      const std::string header = BlankUnfilled(InnerHeader);
      const std::string totals = BlankUnfilled(ItogRows);
      const std::string footer = BlankUnfilled(InnerFooter);
      std::string group;
      group.reserve(header.size() + static_cast<std::size_t>(GroupBytes) + 2 * Lines.size() +
                    totals.size() + footer.size());
      group += header;
      for (const std::string& line : Lines) {
        group += line;
        group += "\r\n";
      }
      group += totals;
      group += footer;
      InnerGroupsBytes += static_cast<std::int64_t>(group.size());
      InnerGroupsText.push_back(std::move(group));
      CheckSize(InnerGroupsBytes);
      InnerHeader = InnerHeaderInit;
      InnerFooter = InnerFooterInit;
    }
    Lines.clear();
    GroupBytes = 0;
    GroupRows = 0;
    ItogRows = ItogRowsInit;
    ItogSums.Clear();
    ItogFormats.Clear();
  });
}

void THTML_Jet::EndOGroup() {
  Guarded("THTML_Jet.EndOGroup", [&] {
    EvalIn(OuterHeader);
    EvalIn(TitleRows);
    EvalIn(AllItogRows);
    EvalIn(OuterFooter);
    if (HasInnerGroup) {
      AppendBody(BlankUnfilled(StripLeadingCloseTags(OuterHeader)) + TableTag +
                 BlankUnfilled(TitleRows));
      for (std::string& group : InnerGroupsText) AppendBody(std::move(group));
      InnerGroupsText.clear();
      InnerGroupsBytes = 0;
      AppendBody(BlankUnfilled(AllItogRows) + TableClose + BlankUnfilled(OuterFooter));
    } else {
      AppendBody(BlankUnfilled(OuterHeader) + TableTag + BlankUnfilled(TitleRows));
      AppendBody(JoinLines());
      AppendBody(BlankUnfilled(ItogRows) + BlankUnfilled(AllItogRows) + TableClose +
                 BlankUnfilled(OuterFooter));
    }
    CheckSize(BodyBytes);
    OuterHeader = OuterHeaderInit;
    OuterFooter = OuterFooterInit;
    AllItogRows = AllItogRowsInit;
    TitleRows = TitleRowsInit;
    Lines.clear();
    GroupBytes = 0;
    GroupRows = 0;
  });
}

void THTML_Jet::EndDoc() {
  Guarded("THTML_Jet.EndDoc", [&] {
    // The rendered groups are moved into the document: it is assembled once.
    if (Finished) return;
    EvalIn(HeadText);
    EvalIn(TailText);
    EvalIn(AllItogRows);
    std::vector<std::string> parts;
    parts.push_back(BlankUnfilled(HeadText));
    if (HasOuterGroup) {
      for (std::string& piece : Body) parts.push_back(std::move(piece));
      parts.push_back(BlankUnfilled(BalanceTail(HeadText, TailText)));
    } else if (HasInnerGroup) {
      // Unfilled title cells print as "&nbsp;" here as in every other piece.
      parts.push_back(TableTag + BlankUnfilled(TitleRows));
      for (std::string& group : InnerGroupsText) parts.push_back(std::move(group));
      parts.push_back(BlankUnfilled(AllItogRows) + TableClose + BlankUnfilled(TailText));
    }
    Body.clear();
    BodyBytes = 0;
    InnerGroupsText.clear();
    InnerGroupsBytes = 0;
    // The document stays in pieces, each with its header rows made into
    // THEAD elements; GetReady joins them into the caller's text, so the
    // whole document is never held twice by the engine.
    ResultText.clear();
    ResultBytes = 0;
    HeaderState state;
    for (std::string& part : parts) {
      std::string piece;
      piece.reserve(part.size() + 64);
      BuildTableHeader(part, piece, state);
      std::string().swap(part);
      ResultText.push_back(std::move(piece));
      ++state.part;
    }
    if (!FootText.empty() && state.tableSeen) {
      const bool afterHeader = state.footAt != npos;
      ResultText[afterHeader ? state.footPart : state.tableTagPart].insert(
          afterHeader ? state.footAt : state.tableTagEnd, BlankUnfilled(FootText));
    }
    for (const std::string& piece : ResultText)
      ResultBytes += static_cast<std::int64_t>(piece.size());
    CheckSize(ResultBytes);
    Finished = true;
  });
}

void THTML_Jet::BuildTableHeader(std::string_view part, std::string& out, HeaderState& state) {
  std::size_t pos = 0;
  if (!state.tableSeen) {
    // Labels before the document's first table only lose their mark.
    const std::size_t table = part.find("<table");
    if (table == npos) {
      AppendUnlabelled(out, part, 0, part.size());
      return;
    }
    state.tableSeen = true;
    const std::size_t gt = part.find('>', table);
    pos = gt == npos ? part.size() : gt + 1;
    AppendUnlabelled(out, part, 0, pos);
    state.tableTagPart = state.part;
    state.tableTagEnd = out.size();
  }
  // Each table's labelled rows, from the first to the last, become its
  // THEAD element, so that the element never crosses a table's end.
  for (std::size_t label = part.find(kHeaderLabel, pos); label != npos;
       label = part.find(kHeaderLabel, pos)) {
    std::size_t start = part.rfind("<tr", label);
    if (start == npos || start < pos) start = label;
    const std::size_t tableEnd = part.find("</table", label);
    std::size_t last = label;
    for (std::size_t next = part.find(kHeaderLabel, last + kHeaderLabel.size());
         next != npos && next < tableEnd;
         next = part.find(kHeaderLabel, next + kHeaderLabel.size()))
      last = next;
    const std::size_t rowEnd = part.find("</tr", last);
    const std::size_t gt = rowEnd == npos ? npos : part.find('>', rowEnd);
    const std::size_t end = gt == npos ? part.size() : gt + 1;
    AppendUnlabelled(out, part, pos, start);
    out += kTHeadOpen;
    AppendUnlabelled(out, part, start, end);
    out += kTHeadClose;
    if (state.footAt == npos) {
      state.footPart = state.part;
      state.footAt = out.size();
    }
    pos = end;
  }
  AppendUnlabelled(out, part, pos, part.size());
}

namespace {

// The hidden heading-table tags shown again.
std::string ShowHiddenTables(std::string_view text) {
  static const std::pair<const char*, const char*> kShow[] = {
      {"<_table", "<table"}, {"<_/table", "</table"}, {"<_td", "<td"},
      {"<_/td", "</td"},     {"<_tr", "<tr"},         {"<_/tr", "</tr"}};
  std::string out(text);
  for (const auto& [from, to] : kShow)
    if (out.find(from) != npos) out = FastStringReplace(out, from, to, rfReplaceAll);
  return out;
}

}  // namespace

std::string THTML_Jet::UnhideTables(std::string_view text) {
  const std::size_t last = text.rfind("<_/table");
  if (last == npos) return std::string(text);
  const std::size_t end = std::min(last + 8, text.size());
  std::string out = ShowHiddenTables(text.substr(0, end));
  out += text.substr(end);
  return out;
}

void THTML_Jet::GetReady(std::string& text) {
  Guarded("THTML_Jet.GetReady", [&] {
    if (!Finished) EndDoc();
    // The heading tables were hidden in the text before the first group;
    // they are shown up to the last hidden table end of the document.
    std::size_t lastHidden = ResultText.size();
    for (std::size_t i = ResultText.size(); i-- > 0;) {
      if (ResultText[i].find("<_/table") != npos) {
        lastHidden = i;
        break;
      }
    }
    text.clear();
    text.reserve(static_cast<std::size_t>(ResultBytes));
    for (std::size_t i = 0; i < ResultText.size(); ++i) {
      if (i < lastHidden)
        text += ShowHiddenTables(ResultText[i]);
      else if (i == lastHidden)
        text += UnhideTables(ResultText[i]);
      else
        text += ResultText[i];
    }
  });
}

}  // namespace tv
