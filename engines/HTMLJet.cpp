#include "engines/HTMLJet.h"

#include <cmath>
#include <utility>

#include "engines/HTMLJetGuard.h"
#include "engines/HTMLJetScript.h"
#include "engines/HTMLJetText.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"

namespace tv {

namespace HTMLJet {

bool UseAltTemplates = false;
int MaxReportSizeMB = 50;
int MaxReportRows = 50000;
std::string MoneyFormat = "%.2n";
bool RepeatTableHeaderDefault = true;
TFileLogger* HTMLJetLogger = nullptr;

namespace {

// Both spellings of the sum sign that templates write in their headers.
void RegisterSumReplacements(TStringList& replacements) {
  replacements.SetValue("[#Сумма]"_w, "&sum;");
  replacements.SetValue("[#Sum]", "&sum;");
}

struct GlobalLists {
  std::mutex lock;
  TStringList replacements;
  TStringList vars;
  GlobalLists() { RegisterSumReplacements(replacements); }
};

GlobalLists& Lists() {
  static GlobalLists lists;
  return lists;
}

}  // namespace

TFormatSettings& ReportFormatSettings() {
  // Made on first use: the locale's texts are not ready during static
  // initialisation.
  static TFormatSettings settings = DefaultFormatSettings();
  return settings;
}

std::mutex& GlobalListsLock() { return Lists().lock; }
TStringList& GlobalReplacements() { return Lists().replacements; }
TStringList& GlobalVars() { return Lists().vars; }

void AddReplacement(std::string_view name, std::string_view value) {
  std::lock_guard<std::mutex> guard(GlobalListsLock());
  GlobalReplacements().SetValue(name, value);
}

void SetGlobalVar(std::string_view name, std::string_view value) {
  std::lock_guard<std::mutex> guard(GlobalListsLock());
  GlobalVars().SetValue(name, value);
}

}  // namespace HTMLJet

using htmltext::Guarded;

namespace {

// The alternative template beside `fileName` ("а_" Cyrillic, then "a_"
// Latin, the Latin one winning when both exist), or `fileName` itself.
std::string ChooseTemplateFile(std::string fileName) {
  if (!HTMLJet::UseAltTemplates) return fileName;
  const std::string folder = ExtractFilePath(fileName);
  const std::string name = ExtractFileName(fileName);
  std::string chosen = fileName;
  const std::string cyrillic = folder + "а_"_w + name;
  if (FileExists(cyrillic)) chosen = cyrillic;
  const std::string latin = folder + "a_" + name;
  if (FileExists(latin)) chosen = latin;
  return chosen;
}

}  // namespace

THTML_Jet::THTML_Jet(std::string fileName, bool flag, int limit)
    : FileName_(ChooseTemplateFile(std::move(fileName))) {
  if (limit >= 0) {
    ColumnCount = limit;
    ColumnRepeat = flag;
  }
}

THTML_Jet::~THTML_Jet() = default;

std::array<std::string*, 9> THTML_Jet::Targets() {
  return {&HeadText,    &TailText,    &TitleRows,   &RepeatRow, &OuterHeader,
          &InnerHeader, &OuterFooter, &InnerFooter, &FootText};
}

THTML_Jet::NameTargets THTML_Jet::TargetsOf(std::string_view name,
                                            const std::array<std::string*, 9>& targets) {
  std::uint16_t empty = 0;
  for (std::size_t i = 0; i < targets.size(); ++i)
    if (targets[i] != &RepeatRow && targets[i]->empty()) empty |= static_cast<std::uint16_t>(1u << i);
  auto it = NameTargetMemo.find(name);
  if (it != NameTargetMemo.end() && it->second.epoch == NamesEpoch && it->second.empty == empty)
    return it->second;
  NameTargets found;
  found.epoch = NamesEpoch;
  found.empty = empty;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (targets[i] == &RepeatRow)
      found.rowCount = RepeatRowNames.Count(RepeatRowInit, name);
    else if ((empty >> i & 1) == 0 && TargetNames[i].MayHold(*targets[i], name))
      found.mask |= static_cast<std::uint16_t>(1u << i);
  }
  if (it == NameTargetMemo.end())
    NameTargetMemo.emplace(std::string(name), found);
  else
    it->second = found;
  return found;
}

void THTML_Jet::TargetChanged(const std::string& text) {
  const std::array<std::string*, 9> targets = Targets();
  for (std::size_t i = 0; i < targets.size(); ++i)
    if (targets[i] == &text) TargetChangedAt(i);
}

void THTML_Jet::AllTargetsChanged() {
  for (htmltext::PlaceholderNames& names : TargetNames) names.Reset();
  ++NamesEpoch;
}

void THTML_Jet::ReplaceVar(std::string_view name, std::string_view value, std::string& text) {
  ReplacePattern("&lt;#" + std::string(name) + "&gt;", value, text);
}

void THTML_Jet::ReplacePattern(const std::string& pattern, std::string_view value,
                               std::string& text) {
  htmltext::ReplaceAllFrom(text, htmltext::FindPattern(text, pattern), pattern, value);
}

void THTML_Jet::ReplaceFirstVar(std::string_view name, std::string_view value, std::string& text) {
  const std::string pattern = "&lt;#" + std::string(name) + "&gt;";
  const std::size_t p = text.find(pattern);
  if (p != std::string::npos) text.replace(p, pattern.size(), value);
}

void THTML_Jet::Add(std::string_view name, std::string_view value) {
  Guarded("THTML_Jet.Add", [&] {
    const std::string lname = AnsiLowerCase(name);
    const std::string pattern = "&lt;#" + lname + "&gt;";
    const std::string_view shown = value.empty() ? std::string_view("&nbsp;") : value;
    FillTargets(lname, [&](std::string& text) {
      htmltext::FillPattern(text, pattern, RowFillFor(text), [&] { return shown; });
    });
  });
}

void THTML_Jet::Add(std::string_view name, const TStringList& values) {
  Guarded("THTML_Jet.Add(Strings)", [&] {
    const std::string lname = AnsiLowerCase(name);
    RowNoLongerPlain();
    AddListToText(lname, values, RepeatRow);
    AddListToText(lname, values, TitleRows);
    TargetChanged(TitleRows);
  });
}

void THTML_Jet::AddDateTime(std::string_view name, std::string_view format, TDateTime value) {
  Guarded("THTML_Jet.AddDateTime", [&] {
    const std::string lname = AnsiLowerCase(name);
    FillTargets(lname, [&](std::string& text) {
      ReplaceDateVar(lname, format, text, value, RowFillFor(text));
    });
  });
}

void THTML_Jet::AddFloat(std::string_view name, std::string_view format, double value) {
  Guarded("THTML_Jet.AddFloat", [&] {
    const std::string lname = AnsiLowerCase(name);
    ReplaceFloatVarInTargets(lname, format, value);
    if (std::isnan(value)) return;
    AddToItogSums(lname, format, value);
    SetScriptVar(lname, value, true);
  });
}

void THTML_Jet::AddInteger(std::string_view name, double value) {
  Guarded("THTML_Jet.AddInteger", [&] { AddFloat(name, "%.0f", value); });
}

void THTML_Jet::AddFloatDefault(std::string_view name, double value) {
  AddFloat(name, HTMLJet::MoneyFormat, value);
}

void THTML_Jet::AddToItogSums(const std::string& name, std::string_view format, double value) {
  const auto [at, added] = ItogSumIndex.try_emplace(name, ItogSums.size());
  if (added) ItogSums.push_back({name, 0, {}});
  ItogSum& item = ItogSums[at->second];
  item.sum = htmltext::ThroughGeneralText(item.sum + value);
  item.format = format;
}

void THTML_Jet::AddInItog(std::string_view name, std::string_view value) {
  Guarded("THTML_Jet.AddInItog", [&] { ReplaceFirstVar(AnsiLowerCase(name), value, ItogRows); });
}

void THTML_Jet::AddOutItog(std::string_view name, std::string_view value) {
  Guarded("THTML_Jet.AddOutItog",
          [&] { ReplaceFirstVar(AnsiLowerCase(name), value, AllItogRows); });
}

void THTML_Jet::AddInItogFloat(std::string_view name, std::string_view format, double value) {
  Guarded("THTML_Jet.AddInItogFloat", [&] {
    const std::string lname = AnsiLowerCase(name);
    ReplaceFloatVar(lname, format, ItogRows, value);
    SetScriptVar(lname, value);
  });
}

void THTML_Jet::AddOutItogFloat(std::string_view name, std::string_view format, double value) {
  Guarded("THTML_Jet.AddOutItogFloat", [&] {
    const std::string lname = AnsiLowerCase(name);
    ReplaceFloatVar(lname, format, AllItogRows, value);
    SetScriptVar(lname, value);
  });
}

void THTML_Jet::Init() {
  Guarded("THTML_Jet.Init", [&] {
    AllTargetsChanged();
    Params_.Clear();
    PairChecker = std::make_unique<THTML_Process>();
    HasOuterGroup = HasInnerGroup = false;
    RowsBeforeGroup = RepeatSpan = RepeatCellIndex = 0;
    GroupRows = 0;
    GroupBytes = 0;
    Lines.Clear();
    Body.clear();
    BodyBytes = 0;
    InnerGroupsText.clear();
    InnerGroupsBytes = 0;
    ResultText.clear();
    ResultBytes = 0;
    LoadTemplate();
    StripTagsInDirectives();
    NormalizeTags();
    NameAnonymousFormulas();
    ExpandIncludes();
    ReadParamReps();
    ApplyGlobalReplacements();
    ApplyGlobalVars();
    ExtractSubTables();
    HideLeadingTables();
    LabelHeaderRows();
    SplitGroups();
    CutMainTable();
    TitleRowsInit = TitleRows;
    try {
      InitScriptControl();
    } catch (const std::exception& e) {
      throw Exception("InitScriptControl -> " + std::string(e.what()));
    }
  });
}

}  // namespace tv
