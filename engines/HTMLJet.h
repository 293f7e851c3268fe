#pragma once
// THTML_Jet: the HTML report engine. A report builder creates one engine per
// template, calls Init, fills the values of each record (Add, AddFloat, ...),
// closes records and groups (EndLine, EndIGroup, EndOGroup) with their totals
// (MakeItog, MakeItog2, AddInItog ...) and takes the document (GetReady).
//
// Templates are HTML files (Windows-1251) whose directives are written
// escaped, "&lt;#name&gt;", so that an HTML editor shows them as text. Init
// loads a template, rewrites it (tag and name case, includes, parameters,
// global replacements and variables, sub-tables, hidden heading tables,
// labelled header rows) and cuts it into pieces: the head, the main table's
// tag, title rows, the record rows, the totals rows, the group headers and
// footers, the table's close and the tail. The value operations fill
// placeholders in the pieces; records and groups are joined once per group.
//
// Every public operation that can fail throws the caught exception again as
// the same class with its own name in front ("THTML_Jet.EndLine -> ...").
// Malformed templates give EHTMLError; the size and record limits give a
// plain Exception. An engine belongs to one thread; only the process-wide
// lists below are shared, under GlobalListsLock.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engines/HTMLDocument.h"
#include "engines/HTMLJetText.h"
#include "engines/HTMLProcess.h"
#include "platform/text/DateTime.h"
#include "platform/text/FormatSettings.h"
#include "platform/text/StringList.h"

namespace tv {

class TFileLogger;
class TScriptControl;

// Process-wide state of the engine. The settings are written between report
// requests (the host serialises requests) and read by every engine.
namespace HTMLJet {

extern bool UseAltTemplates;           // prefer the "a_"/"а_" template files
extern int MaxReportSizeMB;            // size limit of a report in MiB (50)
extern int MaxReportRows;              // record limit of an engine (50000)
extern std::string MoneyFormat;        // format of AddFloatDefault ("%.2n")
extern bool RepeatTableHeaderDefault;  // header rows repeat when a template does not say
// The number settings of every number the engine writes or reads; the
// report settings replace the separators per request.
TFormatSettings& ReportFormatSettings();
extern TFileLogger* HTMLJetLogger;  // the report log (not owned); may be null

// The lists applied to every template, guarded by GlobalListsLock:
// literal replacements (initially "[#Сумма]" and "[#Sum]" -> "&sum;") and
// template variables (Name=Value).
std::mutex& GlobalListsLock();
TStringList& GlobalReplacements();
TStringList& GlobalVars();

// Set (or, with an empty value, remove) an entry, under GlobalListsLock.
void AddReplacement(std::string_view name, std::string_view value);
void SetGlobalVar(std::string_view name, std::string_view value);

}  // namespace HTMLJet

class THTML_Jet {
 public:
  // Create: chooses the template file (alternative templates when
  // UseAltTemplates is on) and reads nothing. With limit >= 0 the last
  // column block of the main table is repeated limit + 1 times when `flag`.
  explicit THTML_Jet(std::string fileName, bool flag = false, int limit = 0);
  ~THTML_Jet();
  THTML_Jet(const THTML_Jet&) = delete;
  THTML_Jet& operator=(const THTML_Jet&) = delete;

  // Loads, rewrites and cuts the template, then prepares the script control.
  // Loading problems become the report text; malformed structure throws.
  void Init();

  // Values of a record (names are matched without regard to letter case).
  void Add(std::string_view name, std::string_view value);     // "" prints "&nbsp;"
  void Add(std::string_view name, const TStringList& values);  // cell and column lists
  void AddDateTime(std::string_view name, std::string_view format, TDateTime value);
  // NaN prints `format` itself instead of a number.
  void AddFloat(std::string_view name, std::string_view format, double value);
  void AddInteger(std::string_view name, double value);       // "%.0f"
  void AddFloatDefault(std::string_view name, double value);  // MoneyFormat

  // Totals rows: group totals (ItogRows) and grand totals (AllItogRows).
  void AddInItog(std::string_view name, std::string_view value);
  void AddInItogFloat(std::string_view name, std::string_view format, double value);
  void AddOutItog(std::string_view name, std::string_view value);
  void AddOutItogFloat(std::string_view name, std::string_view format, double value);
  // Column sums read back from the group's rendered records; the argument
  // is accepted and ignored.
  void MakeItog(int arg = 0);
  void MakeItog(std::string_view arg);
  // Running sums of AddFloat since the last inner-group end.
  void MakeItog2(std::string_view defaultFormat);

  void EndLine();    // closes a record
  void EndIGroup();  // closes an inner group (and resets the group totals)
  void EndOGroup();  // closes an outer group: one copy of the main table
  void EndDoc();     // assembles the document (once; later calls change nothing)
  // The finished document (EndDoc first, once) with the heading tables shown.
  void GetReady(std::string& text);
  void GetReady(THTMLDocument& document);
  // As GetReady, but the document is moved out piece by piece: the engine
  // keeps none of it, so that a large document is never held twice. A
  // later GetReady or TakeReady gives the empty text. A document takes
  // the pieces as they are.
  void TakeReady(std::string& text);
  void TakeReady(THTMLDocument& document);
  // The template file's text as loaded by Init.
  void GetResultText(std::string& text) const { text = TemplateFileText; }

  // Formula cells (script control): made by Init; absent when the template
  // switches scripts off or no script control is available.
  void InitScriptControl();
  bool HasScript() const { return ScriptControl != nullptr; }

  const std::string& FileName() const { return FileName_; }
  const TStringList& Params() const { return Params_; }
  const TStringList& SubTables() const { return SubTables_; }
  // The text that Init processes when the file name is "TempNotUse".
  void SetTemplateText(std::string text) { Template = std::move(text); }

  // Row and cell helpers on table texts (indexes from 0; cells by logical
  // column, a cell with colspan c covering c columns).
  static std::string GetRow(std::string_view text, int i);
  static std::string GetCell(std::string_view row, int j);
  static std::size_t CellPos(std::string_view row, int n);
  static std::string LastCell(std::string_view row);
  static int CellCount(std::string_view row);
  static int RowSpanOf(std::string_view cell);
  static int ColSpanOf(std::string_view cell);
  static std::string CellVarName(std::string_view cell);
  static std::string BaseVarName(std::string_view name);
  static std::string CellText(std::string_view cell);
  static std::string ReplaceRow(std::string_view text, std::string_view newRow, int i);
  // Drops the closing tags (and any text between them) at the start, at most
  // maxTags of them.
  static std::string StripLeadingCloseTags(std::string_view text,
                                           std::size_t maxTags = std::string::npos);
  static std::string StripTrailingOpenTags(std::string_view text);
  // How many tags StripTrailingOpenTags drops from the text.
  static std::size_t TrailingOpenTagCount(std::string_view text);
  // The tail of a page with its leading closing tags kept only where they
  // close, innermost first, an element that `head` leaves open; the others
  // (those of elements cut away with the group directives) are dropped.
  static std::string BalanceTail(std::string_view head, std::string_view tail);
  static std::string BlankUnfilled(std::string_view text);
  // Appends BlankUnfilled(text), which is never longer than `text`.
  static void AppendBlankUnfilled(std::string& out, std::string_view text);
  static std::string IndexCellVars(std::string_view text, int j);

 private:
  // Init steps.
  void LoadTemplate();
  void StripTagsInDirectives();
  void NormalizeTags();
  void NameAnonymousFormulas();
  void ExpandIncludes();
  void ReadParamReps();
  void ApplyGlobalReplacements();
  void ApplyGlobalVars();
  void ExtractSubTables();
  void HideLeadingTables();
  void LabelHeaderRows();
  void SplitGroups();
  void SplitGroupEnds();
  void CutMainTable();
  void GetTitleRows();
  void GetItogRows();
  void GetAllItogRows();
  void GetRepeatRows();
  std::string CutSection(std::string_view startMark, std::string_view endMark) const;

  // Column repeat.
  void ExpandColumns();
  void ExpandHeaderColumns();
  void FillRowSpans();
  void RepeatLastColumn();
  void RemoveSpanFillers();
  std::string ExpandRowBlocks(std::string_view rows) const;

  // Filling.
  std::array<std::string*, 9> Targets();
  // Runs `fill` on each value target that may hold a placeholder of `name`
  // (a template: it runs for every value of every record).
  template <class Fill>
  void FillTargets(std::string_view name, const Fill& fill);
  // To be called whenever a value target is changed other than by FillTargets.
  void TargetChanged(const std::string& text);
  void TargetChangedAt(std::size_t target) {
    TargetNames[target].Reset();
    ++NamesEpoch;
  }
  void AllTargetsChanged();
  void ReplaceFloatVar(std::string_view name, std::string_view format, std::string& text,
                       double value) const;
  void ReplaceFloatVarInTargets(std::string_view name, std::string_view format, double value);
  void ReplaceDateVar(std::string_view name, std::string_view format, std::string& text,
                      TDateTime value, const htmltext::RowFill& row = {}) const;
  htmltext::RowFill RowFillFor(const std::string& text) {
    if (&text != &RepeatRow) return {};
    return {&RepeatRowPlain, &RepeatRowSlots};
  }
  // The record row is about to change other than by a plain value.
  void RowNoLongerPlain() {
    if (RepeatRowSlots.Active()) RepeatRowSlots.Materialize(RepeatRow);
    RepeatRowPlain = false;
  }
  static void ReplaceVar(std::string_view name, std::string_view value, std::string& text);
  static void ReplacePattern(const std::string& pattern, std::string_view value, std::string& text);
  static void ReplaceFirstVar(std::string_view name, std::string_view value, std::string& text);
  static void AddListToText(std::string_view name, const TStringList& values, std::string& text);
  // Returns the cells it removed.
  static std::string ApplyColSpanPrefix(std::string& item, std::string& before, std::string& after);
  void AddToItogSums(const std::string& name, std::string_view format, double value);
  // The column sums of MakeItog: the group's rendered record rows from
  // record row `firstRow` on are read once for all of `sums`' columns.
  struct RenderedRow;
  struct ColumnSum;
  void SumColumns(int firstRow, int recRows, std::map<int, ColumnSum>& sums) const;
  struct RowCells;
  int FindItogColumn(std::string_view name, std::string_view base,
                     const std::vector<RowCells>& record) const;
  // Makes each table's labelled rows, across the pieces of the document,
  // into one THEAD element and puts the TFOOT text `foot` back; consumes
  // `parts` and fills ResultText.
  void BuildTableHeader(std::vector<std::string>& parts, std::string_view foot);
  static std::string UnhideTables(std::string_view text);
  // Piece `i` (at most `lastHidden`, the piece of the last hidden table
  // end) with the heading tables shown.
  static std::string ShownPiece(std::string_view piece, std::size_t i, std::size_t lastHidden) {
    return i < lastHidden ? ShowHiddenTables(piece) : UnhideTables(piece);
  }
  static std::string ShowHiddenTables(std::string_view text);
  // GetReady and TakeReady (`take`: each piece is freed once copied).
  void JoinResult(std::string& text, bool take);
  // The last piece of ResultText that holds a hidden table's end; npos.
  std::size_t LastHiddenPiece() const;

  // Groups and limits.
  void CheckSize(std::int64_t length) const;
  void EvalIn(std::string& text);
  void AppendBody(std::string text);

  // Formula cells.
  std::string ScriptName(std::string_view name) const;
  // The script identifier of a value's name; empty when it is none.
  const std::string& ScriptId(std::string_view name);
  // A record's numbers are `deferred` until a formula is evaluated; totals
  // are given to the script at once.
  void SetScriptVar(std::string_view name, double value, bool deferred = false);
  void AssignScriptVar(const std::string& id, double value);
  void FlushScriptVars();
  void CollectVars(std::string_view text, std::vector<std::string>& list);
  std::string EvalFormulas(std::string_view text);

  // Template and its pieces.
  std::string Template;
  std::string FileName_;
  std::string TemplateFileText;
  std::string HeadText, TableTag, TableClose, TailText;
  std::string TitleRows, TitleRowsInit;
  std::string OuterHeader, OuterHeaderInit, OuterFooter, OuterFooterInit;
  std::string InnerHeader, InnerHeaderInit, InnerFooter, InnerFooterInit;
  std::string RepeatRow, RepeatRowInit;
  // A record row is plain (htmltext::IsPlainText) while its template is and
  // every value written into it since its reset was: it then holds no
  // argument form, and a placeholder only of a name of its template, so
  // that a value of any other name is not searched for in it.
  bool RepeatRowInitPlain = false, RepeatRowPlain = false;
  // A plain record row is kept here, in pieces, and RepeatRow holds its
  // template until something else changes it.
  htmltext::RowSlots RepeatRowSlots;
  // Which value targets may hold a name, as last found: good while no
  // target's names were reset since (NamesEpoch) and the same targets are
  // empty. A record's values are then looked up once, not per target.
  struct NameTargets {
    std::uint64_t epoch = 0;
    std::uint16_t empty = 0, mask = 0;
    int rowCount = 0;  // placeholders of the name in RepeatRowInit
  };
  NameTargets TargetsOf(std::string_view name, const std::array<std::string*, 9>& targets);
  std::unordered_map<std::string, NameTargets, TextHash, std::equal_to<>> NameTargetMemo;
  std::uint64_t NamesEpoch = 0;
  htmltext::PlaceholderNames RepeatRowNames;
  int RepeatRowTRCount = 0;
  std::string ItogRows, ItogRowsInit, AllItogRows, AllItogRowsInit;
  std::string ItogRowWork;
  std::string FootText;

  // The placeholder names of each of Targets() (the record row's own is
  // not used: it is refilled for every record).
  std::array<htmltext::PlaceholderNames, 9> TargetNames;

  // Output state. Rendered outer groups are kept as pieces and joined once
  // by EndDoc, so that the document is not copied while it grows.
  // The rendered records of the group, each followed by CR LF.
  htmltext::ChunkedText Lines;
  std::int64_t GroupBytes = 0;
  int GroupRows = 0;
  int LineCount = 0;
  std::vector<std::string> InnerGroupsText;
  std::int64_t InnerGroupsBytes = 0;
  std::vector<std::string> Body;
  std::int64_t BodyBytes = 0;
  std::vector<std::string> ResultText;  // the finished document, in pieces
  std::int64_t ResultBytes = 0;
  bool Finished = false;

  // Structure flags and column repeat.
  bool HasOuterGroup = false;
  bool HasInnerGroup = false;
  int RowsBeforeGroup = 0;
  bool ColumnRepeat = false;
  int ColumnCount = 0;
  int RepeatSpan = 0;
  int RepeatCellIndex = 0;

  // Lists.
  TStringList Params_;
  TStringList SubTables_;
  // Running sums of AddFloat per name, in the order the names came; each
  // sum holds the value that its general text (FloatToStr) reads back as,
  // as the totals have always been kept. An empty format means the default.
  struct ItogSum {
    std::string name;
    long double sum = 0;
    std::string format;
  };
  std::vector<ItogSum> ItogSums;
  std::unordered_map<std::string, std::size_t> ItogSumIndex;
  TStringList ScriptValues;
  TStringList ScriptAliases;
  std::unique_ptr<TScriptControl> ScriptControl;
  // Numbers not yet given to the script: the last of each identifier, in
  // the order the identifiers were first set.
  struct PendingScriptVar {
    std::string id;
    double value;
  };
  std::vector<PendingScriptVar> PendingScriptVars;
  std::unordered_map<std::string, std::size_t> PendingScriptIndex;
  std::unordered_map<std::string, std::string> ScriptIds;
  std::unique_ptr<THTML_Process> PairChecker;
};

template <class Fill>
void THTML_Jet::FillTargets(std::string_view name, const Fill& fill) {
  const std::array<std::string*, 9> targets = Targets();
  if (name.find_first_of("&(") != std::string_view::npos) {
    // Such a name is not read whole by the placeholder walk: every text is
    // searched.
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (targets[i] == &RepeatRow) {
        RowNoLongerPlain();
        fill(RepeatRow);
      } else if (!targets[i]->empty()) {
        TargetChangedAt(i);
        fill(*targets[i]);
      }
    }
    return;
  }
  const NameTargets where = TargetsOf(name, targets);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (targets[i] == &RepeatRow) {
      if (!RepeatRowPlain || where.rowCount > 0) fill(RepeatRow);
    } else if ((where.mask >> i & 1) != 0) {
      TargetChangedAt(i);
      fill(*targets[i]);
    }
  }
}

}  // namespace tv
