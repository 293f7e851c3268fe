// Formula cells: numbers set by the builder become script variables, and
// formula placeholders are run as assignments in the script and read back.
// The numbers are handed to the script only when a formula is evaluated, so
// that a template without formulas costs the script nothing per value.
#include "engines/HTMLJetScript.h"

#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/HTMLJetText.h"
#include "engines/HTMLScript.h"
#include "foundation/FileLogger.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::npos;

namespace {

std::mutex& FactoryLock() {
  static std::mutex lock;
  return lock;
}

TScriptControlFactory& Factory() {
  static TScriptControlFactory factory;
  return factory;
}

// A script identifier: a Latin letter or "_", then Latin letters, digits
// or "_".
bool IsIdentifier(std::string_view id) {
  if (id.empty()) return false;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!letter(id.front())) return false;
  for (char c : id)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

// Items of a parameter written as "a=b; c=d" (";" and line breaks separate).
std::vector<std::string> SplitItems(std::string_view text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ';' || text[i] == '\r' || text[i] == '\n') {
      if (i > start) items.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return items;
}

std::string ReadLines(const std::string& fileName) {
  TStringList lines;
  lines.LoadFromFile(fileName);
  return lines.Text();
}

}  // namespace

void SetScriptControlFactory(TScriptControlFactory factory) {
  std::lock_guard<std::mutex> guard(FactoryLock());
  Factory() = std::move(factory);
}

std::unique_ptr<TScriptControl> CreateScriptControl() {
  TScriptControlFactory factory;
  {
    std::lock_guard<std::mutex> guard(FactoryLock());
    factory = Factory();
  }
  if (factory) return factory();
  return std::make_unique<THTMLScriptControl>();
}

void THTML_Jet::InitScriptControl() {
  ScriptControl.reset();
  ScriptIds.clear();
  PendingScriptVars.clear();
  PendingScriptIndex.clear();
  std::string language = UpperCase(Params_.Values("scriptlang"));
  if (language.empty()) language = "VBSCRIPT";
  if (language != "VBSCRIPT" && language != "JSCRIPT") return;
  std::string failure;
  try {
    ScriptControl = CreateScriptControl();
    if (ScriptControl) ScriptControl->SetLanguage(language);
  } catch (const std::exception& e) {
    failure = e.what();
    ScriptControl.reset();
  }
  if (!failure.empty() && HTMLJet::HTMLJetLogger != nullptr)
    HTMLJet::HTMLJetLogger->LogFmt("THTML_Jet.InitScriptControl -> %s (Language=%s)",
                                   {failure, language}, 4);
  if (!ScriptControl) return;
  ScriptValues.Clear();
  ScriptAliases.Clear();
  for (const std::string& item : SplitItems(Params_.Values("scriptvalues"))) {
    const std::size_t eq = item.find('=');
    if (eq != npos)
      ScriptValues.Add(UpperCase(Trim(item.substr(0, eq))) + "=" + item.substr(eq + 1));
  }
  for (const std::string& item : SplitItems(Params_.Values("scriptalias"))) {
    const std::size_t eq = item.find('=');
    if (eq != npos)
      ScriptAliases.Add(AnsiUpperCase(Trim(item.substr(0, eq))) + "=" +
                        AnsiUpperCase(Trim(item.substr(eq + 1))));
  }
  std::string file = Params_.Values("scriptfile");
  if (ExtractFilePath(file).empty()) file = ExtractFilePath(FileName_) + file;
  if (!file.empty() && FileExists(file)) {
    try {
      ScriptControl->AddCode(ReadLines(file));
    } catch (const std::exception&) {
      // A broken script file only leaves its formulas unfilled.
    }
  }
}

std::string THTML_Jet::ScriptName(std::string_view name) const {
  const int i = ScriptAliases.IndexOfName(name);
  return AnsiUpperCase(i >= 0 ? ScriptAliases.ValueFromIndex(i) : std::string(name));
}

const std::string& THTML_Jet::ScriptId(std::string_view name) {
  auto it = ScriptIds.find(std::string(name));
  if (it == ScriptIds.end()) {
    std::string id = ScriptName(name);
    if (!IsIdentifier(id)) id.clear();
    it = ScriptIds.emplace(std::string(name), std::move(id)).first;
  }
  return it->second;
}

void THTML_Jet::SetScriptVar(std::string_view name, double value, bool deferred) {
  if (!ScriptControl || std::isnan(value)) return;
  const std::string& id = ScriptId(name);
  if (id.empty()) return;
  // "INF" reads a script name, and the text of a number at the edge of the
  // double range ("1.79769313486232E308") is an overflow to VBScript: such
  // values are assigned at once, in their place among the rest, so that a
  // failing one leaves the name's earlier value as it is.
  constexpr double kPlainLiteralMax = 1e308;
  if (!deferred || !(std::fabs(value) <= kPlainLiteralMax)) {
    FlushScriptVars();
    AssignScriptVar(id, value);
    return;
  }
  // Any other number literal assigns only its own name and fails only for
  // names the script cannot assign, so only the last one before a formula
  // matters.
  const auto [at, added] = PendingScriptIndex.try_emplace(id, PendingScriptVars.size());
  if (added)
    PendingScriptVars.push_back({id, value});
  else
    PendingScriptVars[at->second].value = value;
}

void THTML_Jet::AssignScriptVar(const std::string& id, double value) {
  std::string text = FloatToStr(value);
  for (char& c : text)
    if (c == ',') c = '.';
  try {
    ScriptControl->AddCode(id + "=" + text);
  } catch (const std::exception&) {
    // The formulas that need this variable print "&nbsp;".
  }
}

void THTML_Jet::FlushScriptVars() {
  for (const PendingScriptVar& var : PendingScriptVars) AssignScriptVar(var.id, var.value);
  PendingScriptVars.clear();
  PendingScriptIndex.clear();
}

void THTML_Jet::CollectVars(std::string_view text, std::vector<std::string>& list) {
  list.clear();
  for (std::size_t p = text.find("&lt;#"); p != npos; p = text.find("&lt;#", p)) {
    const std::size_t close = text.find("&gt;", p);
    if (close == npos) break;
    const std::string_view inner = text.substr(p + 5, close - p - 5);
    p = close;
    const std::size_t paren = inner.find('(');
    if (paren == npos) {
      list.emplace_back(inner);
      continue;
    }
    const std::string name(inner.substr(0, paren));
    std::string_view arg = inner.substr(paren + 1);
    if (!arg.empty() && arg.back() == ')') arg.remove_suffix(1);
    if (arg.size() >= 2 && arg.front() == '=') {
      std::string expression(arg.substr(1));
      for (char& c : expression)
        if (c == '\r' || c == '\n') c = ' ';
      ScriptValues.SetValue(ScriptName(name), expression);
    }
    list.push_back(name);
  }
}

std::string THTML_Jet::EvalFormulas(std::string_view text) {
  std::string result(text);
  std::vector<std::string> names;
  CollectVars(text, names);
  for (const std::string& name : names) {
    const std::string id = ScriptName(name);
    if (!IsIdentifier(id)) continue;
    // A cell without a formula would only fail to compile ("id="): leave it
    // unfilled at once rather than through a script error per cell and row.
    const std::string expression = ScriptValues.Values(id);
    if (expression.empty()) continue;
    FlushScriptVars();
    try {
      ScriptControl->AddCode(id + "=" + expression);
      ReplaceFloatVar(name, "%.2n", result, ScriptControl->Eval(id));
    } catch (const std::exception&) {
      // Script errors, unknown names and non-numbers leave the cell unfilled.
    }
  }
  return result;
}

}  // namespace tv
