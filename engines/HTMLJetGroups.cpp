// Records, inner and outer groups, the document and its repeating table
// headers. Records are kept apart and joined once per group; rendered groups
// are kept as pieces and joined once by EndDoc, so the work and the memory
// grow linearly with the report.
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "engines/HTMLJet.h"
#include "engines/HTMLJetGuard.h"
#include "engines/HTMLJetText.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::Guarded;
using htmltext::npos;

namespace {

constexpr std::string_view kHeaderLabel = " row$thead";
constexpr std::string_view kTHeadOpen = "<THEAD style=\"DISPLAY: table-header-group\">";
constexpr std::string_view kTHeadClose = "</THEAD>";
constexpr std::size_t kTrimEvery = 8 * 1024 * 1024;

void ReleaseFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

// The first header-row label at or after `from`, as text.find(kHeaderLabel,
// from) finds it, but searched by its rare "$" rather than by the blank
// that starts it.
std::size_t FindLabel(std::string_view text, std::size_t from) {
  constexpr std::size_t kAnchor = 4;
  const std::string_view tail = kHeaderLabel.substr(kAnchor), head = kHeaderLabel.substr(0, kAnchor);
  if (from > text.size()) return npos;
  for (std::size_t q = text.find(tail, from + kAnchor); q != npos; q = text.find(tail, q + 1))
    if (text.compare(q - kAnchor, kAnchor, head) == 0) return q - kAnchor;
  return npos;
}

// Whether a text holds "<_/table", searched by its rare "_" rather than by
// the "<" that every tag starts with.
bool HoldsHiddenTableEnd(std::string_view text) {
  for (std::size_t q = text.find("_/table", 1); q != npos; q = text.find("_/table", q + 1))
    if (text[q - 1] == '<') return true;
  return false;
}

// Appends doc[from, to) with every header-row label replaced by a blank.
void AppendUnlabelled(std::string& out, std::string_view doc, std::size_t from, std::size_t to) {
  std::string_view part = doc.substr(from, to - from);
  for (std::size_t p = FindLabel(part, 0); p != npos; p = FindLabel(part, 0)) {
    out += part.substr(0, p);
    out += ' ';
    part.remove_prefix(p + kHeaderLabel.size());
  }
  out += part;
}

// A place in the document kept in pieces: piece index and offset.
struct DocPos {
  std::size_t part = 0, at = 0;
  auto operator<=>(const DocPos&) const = default;
};

// Per piece, whether it holds a header-row label: the document is searched
// for labels once.
using Labelled = std::vector<char>;

// The first `what` at or after `from`; {parts.size(), 0} when there is none.
// Tags never straddle two pieces: each piece is whole rows or whole text.
DocPos FindIn(const std::vector<std::string>& parts, std::string_view what, DocPos from,
              const Labelled& labelled) {
  for (std::size_t i = from.part; i < parts.size(); ++i) {
    if (what == kHeaderLabel && labelled[i] == 0) continue;
    const std::size_t start = i == from.part ? from.at : 0;
    const std::size_t at = what == kHeaderLabel ? FindLabel(parts[i], start)
                                                : htmltext::FindText(parts[i], what, start);
    if (at != npos) return {i, at};
  }
  return {parts.size(), 0};
}

// Whether a `what` starts at or after `from` and before `to`.
bool StartsBetween(const std::vector<std::string>& parts, std::string_view what, DocPos from,
                   DocPos to) {
  for (std::size_t i = from.part; i <= to.part && i < parts.size(); ++i) {
    std::string_view text = parts[i];
    if (i == to.part) text = text.substr(0, std::min(text.size(), to.at + what.size() - 1));
    const std::size_t at = htmltext::FindText(text, what, i == from.part ? from.at : 0);
    if (at != npos && (i < to.part || at < to.at)) return true;
  }
  return false;
}

// Per piece, the texts to insert and where, in rising order.
using HeaderPlan = std::vector<std::vector<std::pair<std::size_t, std::string_view>>>;

// Each table's labelled rows, from the first to the last wherever they lie
// among the pieces, become its one THEAD element, which never crosses the
// table's end. The TFOOT goes after the first THEAD, or after the first
// table tag when there is none.
HeaderPlan PlanTableHeaders(const std::vector<std::string>& parts, std::string_view foot,
                            const Labelled& labelled) {
  HeaderPlan plan(parts.size());
  const DocPos none{parts.size(), 0};
  const DocPos table = FindIn(parts, "<table", {}, labelled);
  if (table == none) return plan;
  const std::size_t tagGt = parts[table.part].find('>', table.at);
  DocPos pos{table.part, tagGt == npos ? parts[table.part].size() : tagGt + 1};
  const DocPos tagEnd = pos;
  bool footPlaced = foot.empty();
  for (DocPos label = FindIn(parts, kHeaderLabel, pos, labelled); label != none;
       label = FindIn(parts, kHeaderLabel, pos, labelled)) {
    const std::string& first = parts[label.part];
    std::size_t start = first.rfind("<tr", label.at);
    if (start == npos || start < (label.part == pos.part ? pos.at : 0)) start = label.at;
    // The labelled rows up to the table's end: the end is looked for only
    // up to each next label, never through the records after the last one.
    DocPos last = label;
    for (DocPos next =
             FindIn(parts, kHeaderLabel, {last.part, last.at + kHeaderLabel.size()}, labelled);
         next != none && !StartsBetween(parts, "</table", last, next);
         next = FindIn(parts, kHeaderLabel, {next.part, next.at + kHeaderLabel.size()}, labelled))
      last = next;
    const std::string& lastPart = parts[last.part];
    const std::size_t rowEnd = lastPart.find("</tr", last.at);
    const std::size_t gt = rowEnd == npos ? npos : lastPart.find('>', rowEnd);
    const std::size_t end = gt == npos ? lastPart.size() : gt + 1;
    plan[label.part].emplace_back(start, kTHeadOpen);
    plan[last.part].emplace_back(end, kTHeadClose);
    if (!footPlaced) plan[last.part].emplace_back(end, foot);
    footPlaced = true;
    pos = {last.part, end};
  }
  if (!footPlaced) plan[tagEnd.part].emplace_back(tagEnd.at, foot);
  return plan;
}

}  // namespace

void THTML_Jet::CheckSize(std::int64_t length) const {
  const std::int64_t limit = static_cast<std::int64_t>(HTMLJet::MaxReportSizeMB) * 1048576;
  if (length > limit)
    throw Exception(
        Format("Превышен максимальный размер отчета %d МБ"_w, {HTMLJet::MaxReportSizeMB}));
}

void THTML_Jet::EvalIn(std::string& text) {
  // A text whose placeholders are all filled has nothing to evaluate.
  if (!ScriptControl || text.find("&lt;#") == npos) return;
  text = EvalFormulas(text);
  TargetChanged(text);
}

void THTML_Jet::AppendBody(std::string text) {
  BodyBytes += static_cast<std::int64_t>(text.size());
  Body.push_back(std::move(text));
}

void THTML_Jet::EndLine() {
  Guarded("THTML_Jet.EndLine", [&] {
    // The record is written straight into the group's text. A plain row
    // with every placeholder filled has nothing to evaluate or blank.
    std::size_t bytes = 0;
    if (RepeatRowSlots.Active() && RepeatRowSlots.AllFilled()) {
      bytes = RepeatRowSlots.Size();
      std::string& chunk = Lines.Room(bytes + 2);
      RepeatRowSlots.AppendTo(chunk);
      chunk += "\r\n";
    } else {
      if (RepeatRowSlots.Active()) RepeatRowSlots.Materialize(RepeatRow);
      // Otherwise, too, a record whose placeholders are all filled is
      // the usual case: one search tells.
      const bool filled = htmltext::FindPattern(RepeatRow, "&lt;#") == npos;
      if (!filled) EvalIn(RepeatRow);
      std::string& chunk = Lines.Room(RepeatRow.size() + 2);
      const std::size_t before = chunk.size();
      if (filled)
        chunk += RepeatRow;
      else
        AppendBlankUnfilled(chunk, RepeatRow);
      bytes = chunk.size() - before;
      chunk += "\r\n";
      RepeatRow = RepeatRowInit;
    }
    Lines.Appended(bytes + 2);
    GroupBytes += static_cast<std::int64_t>(bytes);
    CheckSize(GroupBytes);
    RepeatRowSlots.Reset();
    RepeatRowPlain = RepeatRowInitPlain;
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
      // The group's records stay in their chunks; its header goes in front
      // of the first and its totals and footer after the last.
      std::vector<std::string> group = Lines.Take();
      if (group.empty()) group.emplace_back();
      group.front().insert(0, BlankUnfilled(InnerHeader));
      group.back() += BlankUnfilled(ItogRows);
      group.back() += BlankUnfilled(InnerFooter);
      for (std::string& piece : group) {
        InnerGroupsBytes += static_cast<std::int64_t>(piece.size());
        InnerGroupsText.push_back(std::move(piece));
      }
      CheckSize(InnerGroupsBytes);
      InnerHeader = InnerHeaderInit;
      InnerFooter = InnerFooterInit;
      TargetChanged(InnerHeader);
      TargetChanged(InnerFooter);
    }
    Lines.Clear();
    GroupBytes = 0;
    GroupRows = 0;
    ItogRows = ItogRowsInit;
    ItogSums.clear();
    ItogSumIndex.clear();
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
      for (std::string& chunk : Lines.Take()) AppendBody(std::move(chunk));
      AppendBody(BlankUnfilled(ItogRows) + BlankUnfilled(AllItogRows) + TableClose +
                 BlankUnfilled(OuterFooter));
    }
    CheckSize(BodyBytes);
    OuterHeader = OuterHeaderInit;
    OuterFooter = OuterFooterInit;
    AllItogRows = AllItogRowsInit;
    TitleRows = TitleRowsInit;
    for (const std::string* text : {&OuterHeader, &OuterFooter, &TitleRows}) TargetChanged(*text);
    Lines.Clear();
    GroupBytes = 0;
    GroupRows = 0;
  });
}

void THTML_Jet::EndDoc() {
  Guarded("THTML_Jet.EndDoc", [&] {
    // The rendered groups are moved into the document: it is assembled once.
    if (Finished) return;
    AllTargetsChanged();
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
    BuildTableHeader(parts, FootText.empty() ? std::string() : BlankUnfilled(FootText));
    ResultBytes = 0;
    for (const std::string& piece : ResultText)
      ResultBytes += static_cast<std::int64_t>(piece.size());
    CheckSize(ResultBytes);
    Finished = true;
  });
}

void THTML_Jet::BuildTableHeader(std::vector<std::string>& parts, std::string_view foot) {
  Labelled labelled(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) labelled[i] = FindLabel(parts[i], 0) != npos;
  const HeaderPlan plan = PlanTableHeaders(parts, foot, labelled);
  ResultText.clear();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    if (plan[i].empty() && labelled[i] == 0) {
      // Most pieces hold records only: they go on as they are.
      ResultText.push_back(std::move(parts[i]));
      continue;
    }
    std::string piece;
    piece.reserve(part.size() + 64 * plan[i].size() + foot.size());
    std::size_t from = 0;
    for (const auto& [at, text] : plan[i]) {
      AppendUnlabelled(piece, part, from, at);
      piece += text;
      from = at;
    }
    AppendUnlabelled(piece, part, from, part.size());
    std::string().swap(parts[i]);
    ResultText.push_back(std::move(piece));
  }
}

// The hidden heading-table tags shown again.
std::string THTML_Jet::ShowHiddenTables(std::string_view text) {
  static const std::pair<const char*, const char*> kShow[] = {
      {"<_table", "<table"}, {"<_/table", "</table"}, {"<_td", "<td"},
      {"<_/td", "</td"},     {"<_tr", "<tr"},         {"<_/tr", "</tr"}};
  std::string out(text);
  for (const auto& [from, to] : kShow)
    if (out.find(from) != npos) out = FastStringReplace(out, from, to, rfReplaceAll);
  return out;
}

std::string THTML_Jet::UnhideTables(std::string_view text) {
  const std::size_t last = text.rfind("<_/table");
  if (last == npos) return std::string(text);
  const std::size_t end = std::min(last + 8, text.size());
  std::string out = ShowHiddenTables(text.substr(0, end));
  out += text.substr(end);
  return out;
}

void THTML_Jet::GetReady(std::string& text) {
  Guarded("THTML_Jet.GetReady", [&] { JoinResult(text, false); });
}

void THTML_Jet::GetReady(THTMLDocument& document) {
  std::string text;
  GetReady(text);
  document = std::move(text);
}

void THTML_Jet::TakeReady(std::string& text) {
  Guarded("THTML_Jet.GetReady", [&] { JoinResult(text, true); });
}

void THTML_Jet::TakeReady(THTMLDocument& document) {
  Guarded("THTML_Jet.GetReady", [&] {
    if (!Finished) EndDoc();
    const std::size_t lastHidden = LastHiddenPiece();
    std::vector<std::string> pieces;
    pieces.swap(ResultText);
    ResultBytes = 0;
    for (std::size_t i = 0; lastHidden != npos && i <= lastHidden; ++i)
      pieces[i] = ShownPiece(pieces[i], i, lastHidden);
    document.SetPieces(std::move(pieces));
  });
}

std::size_t THTML_Jet::LastHiddenPiece() const {
  // The heading tables were hidden in the text before the first group;
  // they are shown up to the last hidden table end of the document. With
  // none, nothing was hidden: values that look like hidden tags are data.
  for (std::size_t i = ResultText.size(); i-- > 0;)
    if (HoldsHiddenTableEnd(ResultText[i])) return i;
  return npos;
}

void THTML_Jet::JoinResult(std::string& text, bool take) {
  if (!Finished) EndDoc();
  const std::size_t lastHidden = LastHiddenPiece();
  std::string().swap(text);
  text.reserve(static_cast<std::size_t>(ResultBytes));
  std::size_t freed = 0;
  for (std::size_t i = 0; i < ResultText.size(); ++i) {
    if (lastHidden != npos && i <= lastHidden)
      text += ShownPiece(ResultText[i], i, lastHidden);
    else
      text += ResultText[i];
    if (!take) continue;
    freed += ResultText[i].size();
    std::string().swap(ResultText[i]);
    if (freed >= kTrimEvery) {
      // Pieces small enough to come from the allocator's heap stay with
      // the process when freed; give their pages back as the text grows.
      ReleaseFreedMemory();
      freed = 0;
    }
  }
  if (take) {
    ResultText.clear();
    ResultText.shrink_to_fit();
    ResultBytes = 0;
    ReleaseFreedMemory();
  }
}

}  // namespace tv
