// Loading a template and rewriting it before it is cut into pieces.
#include <utility>
#include <vector>

#include "engines/HTMLJet.h"
#include "engines/HTMLJetText.h"
#include "foundation/FileLogger.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::npos;

namespace {

const char* const kTempNotUse = "TempNotUse";

// A template file's lines, each followed by CR LF.
std::string ReadTemplateLines(const std::string& fileName) {
  TStringList lines;
  lines.LoadFromFile(fileName);
  return lines.Text();
}

// HTML editors wrap parts of a directive in formatting tags; the tags that
// stand wholly inside a directive are dropped.
std::string StripTagsIn(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t p = text.find("&lt;#"); p != npos; p = text.find("&lt;#", pos)) {
    const std::size_t close = text.find("&gt;", p);
    if (close == npos) {
      out.append(text, pos, p + 3 - pos);
      pos = p + 3;
      continue;
    }
    std::size_t cur = p;
    for (;;) {
      const std::size_t l = text.find('<', cur);
      if (l == npos || l >= close) break;
      const std::size_t r = text.find('>', l);
      if (r == npos || r >= close) break;
      out.append(text, pos, l - pos);
      pos = cur = r + 1;
    }
    out.append(text, pos, close + 4 - pos);
    pos = close + 4;
  }
  out.append(text, pos, npos);
  return out;
}

// The first occurrence of a pattern at or after a position that only grows:
// the answer of an earlier query is reused while it still lies ahead, so a
// scan over many directives stays linear.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}
  std::size_t From(std::size_t pos) {
    if (!valid_ || (next_ != npos && next_ < pos)) {
      next_ = text_.find(pattern_, pos);
      valid_ = true;
    }
    return next_;
  }

 private:
  std::string_view text_;
  std::string_view pattern_;
  std::size_t next_ = npos;
  bool valid_ = false;
};

std::vector<std::pair<std::string, std::string>> SnapshotList(const TStringList& list) {
  std::lock_guard<std::mutex> guard(HTMLJet::GlobalListsLock());
  std::vector<std::pair<std::string, std::string>> items;
  items.reserve(list.Count());
  for (int i = 0; i < list.Count(); ++i) items.emplace_back(list.Names(i), list.ValueFromIndex(i));
  return items;
}

}  // namespace

void THTML_Jet::LoadTemplate() {
  if (FileName_ == kTempNotUse) return;
  if (FileName_.empty()) {
    Template = "Имя файла шаблона незадано"_w;
    return;
  }
  const std::string failure = "Ошибка при открытии файла шаблона отчета \""_w + FileName_ + "\": ";
  if (!FileExists(FileName_)) {
    Template = failure + "Файл не найден!"_w;
  } else {
    try {
      Template = ReadTemplateLines(FileName_);
      TemplateFileText = Template;
      return;
    } catch (const Exception& e) {
      Template = failure + e.Message();
    }
  }
  // The HTML version then holds only this text, while the report itself is
  // made: the log must say why.
  if (HTMLJet::HTMLJetLogger != nullptr) HTMLJet::HTMLJetLogger->Log(Template, 2);
}

void THTML_Jet::StripTagsInDirectives() { Template = StripTagsIn(Template); }

void THTML_Jet::NormalizeTags() {
  static const std::pair<const char*, const char*> kTags[] = {
      {"<TABLE", "<table"}, {"</TABLE", "</table"}, {"<TR", "<tr"},       {"</TR", "</tr"},
      {"<TD", "<td"},       {"</TD", "</td"},       {"<THEAD", "<thead"}, {"</THEAD", "</thead"},
      {"<TFOOT", "<tfoot"}, {"</TFOOT", "</tfoot"}, {"&LT;", "&lt;"},     {"&GT;", "&gt;"}};
  for (const auto& [from, to] : kTags)
    Template = FastStringReplace(Template, from, to, rfReplaceAll | rfIgnoreCase);

  // Directive and variable names are case-insensitive: lower-case them,
  // leaving format arguments and parameter values as written.
  const std::string lower = htmltext::AsciiLower(Template);
  ForwardFinder close(Template, "&gt;"), formula(Template, "(="), paren(Template, "(");
  ForwardFinder equals(Template, "="), paramrep(lower, "paramrep");
  std::size_t p = Template.find("&lt;#");
  while (p != npos) {
    const std::size_t e = close.From(p + 3);
    if (e == npos) break;
    std::size_t nameEnd = e;
    if (formula.From(p) >= e) {
      if (const std::size_t q = paren.From(p); q < e) {
        nameEnd = q;
      } else if (paramrep.From(p) < e) {
        if (const std::size_t k = equals.From(p); k < e) nameEnd = k;
      }
    }
    for (std::size_t i = p + 5; i < nameEnd; ++i) Template[i] = AnsiLowerChar(Template[i]);
    p = Template.find("&lt;#", nameEnd);
  }
}

void THTML_Jet::NameAnonymousFormulas() {
  static constexpr std::string_view kAnonymous = ";#(=";
  if (Template.find(kAnonymous) == npos) return;
  std::string out;
  out.reserve(Template.size() + 64);
  std::size_t pos = 0;
  int n = 0;
  for (std::size_t q = Template.find(kAnonymous); q != npos; q = Template.find(kAnonymous, pos)) {
    out.append(Template, pos, q - pos);
    out += ";#tempvar_" + std::to_string(++n) + "(=";
    pos = q + kAnonymous.size();
  }
  out.append(Template, pos, npos);
  Template = std::move(out);
}

void THTML_Jet::ExpandIncludes() {
  static constexpr std::string_view kInclude = "&lt;#include";
  static const std::string& kLoopCopy = "C:\\FUEL\\Forms\\Зацикливание Include.html"_w;
  int count = 0;
  for (std::size_t p = Template.find(kInclude); p != npos; p = Template.find(kInclude)) {
    if (++count == 30) {
      // The debug copy only helps to find the loop; the message says it all.
      try {
        ForceDirectories(ExtractFilePath(kLoopCopy));
        WriteFileBytes(kLoopCopy, Template);
      } catch (const Exception&) {
      }
      Template =
          "Произошло зацикливание в связи с некорректным использованием директивы &lt;include&gt;! "
          "Полученный шаблон сохранен в файле "_w +
          kLoopCopy;
      return;
    }
    const std::size_t close = Template.find("&gt;", p + kInclude.size());
    if (close == npos) {
      Template = "Не обнаружен завершающий тэг директивы &lt;include&gt;!"_w;
      return;
    }
    std::string name =
        Trim(std::string_view(Template).substr(p + kInclude.size(), close - p - kInclude.size()));
    if (ExtractFilePath(name).empty()) name = ExtractFilePath(FileName_) + name;
    std::string included;
    if (FileExists(name)) {
      try {
        included = StripTagsIn(ReadTemplateLines(name));
      } catch (const Exception& e) {
        throw EHTMLError("Ошибка при чтении файла \""_w + name + "\", включаемого в шаблон \""_w +
                         FileName_ + "\": " + e.Message());
      }
    }
    Template.replace(p, close + 4 - p, included);
  }
}

void THTML_Jet::ReadParamReps() {
  static constexpr std::string_view kParamRep = "&lt;#paramrep";
  std::size_t from = 0;
  for (std::size_t p = Template.find(kParamRep); p != npos; p = Template.find(kParamRep, from)) {
    const std::size_t close = Template.find("&gt;", p + kParamRep.size());
    if (close == npos) {
      Template = "Не обнаружен завершающий тэг директивы &lt;paramrep&gt;!"_w;
      return;
    }
    const std::string s =
        Trim(std::string_view(Template).substr(p + kParamRep.size(), close - p - kParamRep.size()));
    Template.erase(p, close + 4 - p);
    // Removing the directive may join a new one across the cut.
    from = p >= kParamRep.size() ? p - kParamRep.size() + 1 : 0;
    if (s.empty()) continue;
    const std::size_t k = s.find('=');
    if (k == std::string::npos) {
      if (Params_.IndexOf(s) < 0) Params_.Add(s);
    } else if (k > 0) {
      Params_.SetValue(Trim(std::string_view(s).substr(0, k)),
                       Trim(std::string_view(s).substr(k + 1)));
    }
  }
}

void THTML_Jet::ApplyGlobalReplacements() {
  for (const auto& [name, value] : SnapshotList(HTMLJet::GlobalReplacements())) {
    const std::string wanted = AnsiUpperCase(name);
    if (wanted.empty()) continue;
    const std::string upper = AnsiUpperCase(Template);
    std::string out;
    std::size_t pos = 0;
    for (std::size_t q = upper.find(wanted); q != npos; q = upper.find(wanted, q + wanted.size())) {
      // A name right after "&lt;#" is a template variable, not a text.
      if (q >= 2 && upper.compare(q - 2, 2, ";#") == 0) continue;
      out.append(Template, pos, q - pos);
      out += value;
      pos = q + wanted.size();
    }
    if (pos == 0) continue;
    out.append(Template, pos, npos);
    Template = std::move(out);
  }
}

void THTML_Jet::ApplyGlobalVars() {
  for (const auto& [name, value] : SnapshotList(HTMLJet::GlobalVars()))
    ReplaceVar(AnsiLowerCase(name), value, Template);
}

void THTML_Jet::ExtractSubTables() {
  static constexpr std::string_view kSubTable = "&lt;#subtable";
  for (std::size_t p = Template.find(kSubTable); p != npos; p = Template.find(kSubTable)) {
    const std::size_t close = Template.find("&gt;", p + kSubTable.size());
    if (close == npos) {
      Template = "Не обнаружен завершающий тэг директивы &lt;subtable&gt;!"_w;
      return;
    }
    const std::size_t nameStart = p + kSubTable.size() + 1;
    const std::string name =
        close > nameStart ? Trim(std::string_view(Template).substr(nameStart, close - nameStart))
                          : std::string();
    Template.erase(p, close + 4 - p);
    std::string table;
    const std::size_t t = Template.find("<table", p);
    const std::size_t te = t == npos ? npos : Template.find("</table", t);
    const std::size_t gt = te == npos ? npos : Template.find('>', te);
    if (gt != npos) {
      table = Template.substr(t, gt + 1 - t);
      Template.erase(t, gt + 1 - t);
    }
    if (!name.empty() && !table.empty()) SubTables_.Add(name + "=" + table);
  }
}

void THTML_Jet::HideLeadingTables() {
  const std::size_t group = Template.find("&lt;#group");
  if (group == npos) return;
  const std::size_t q = Template.rfind("</table", group);
  if (q == npos) return;
  const std::size_t end = std::min(q + 8, Template.size());
  std::string head = Template.substr(0, end);
  static const std::pair<const char*, const char*> kHide[] = {
      {"<table", "<_table"}, {"</table", "<_/table"}, {"<td", "<_td"},
      {"</td", "<_/td"},     {"<tr", "<_tr"},         {"</tr", "<_/tr"}};
  for (const auto& [from, to] : kHide) head = FastStringReplace(head, from, to, rfReplaceAll);
  Template = head + Template.substr(end);
}

void THTML_Jet::LabelHeaderRows() {
  const std::string setting = Params_.Values("repeattableheader");
  const bool on = setting == "1"   ? true
                  : setting == "0" ? false
                                   : HTMLJet::RepeatTableHeaderDefault;
  const std::size_t t = Template.find("<table");
  if (t == npos) return;
  const std::size_t te = Template.find("</table", t);
  if (te == npos) return;
  const std::size_t tagEnd = Template.find('>', t);
  std::size_t start = npos, end = npos;
  if (const std::size_t th = Template.find("<thead", t); th != npos) {
    if (const std::size_t close = Template.find("</thead>", th); close != npos) {
      start = th;
      end = close + 8;
    }
  } else if (const std::size_t tf = Template.find("<tfoot", t); tf != npos && tf < te) {
    start = tagEnd + 1;
    end = tf;
  } else if (on) {
    std::size_t d = Template.find("&lt;#group", t);
    if (d == npos || d >= te) d = Template.find("&lt;#repeat", t);
    if (d != npos && d < te) {
      const std::size_t row = Template.rfind("<tr", d);
      if (row != npos && row >= t) {
        start = tagEnd + 1;
        end = row;
      }
    }
  }
  if (tagEnd != npos && start != npos && end > start) {
    std::string header = Template.substr(start, end - start);
    header = FastStringReplace(header, "<tr ", "<tr row$thead ", rfReplaceAll | rfIgnoreCase);
    header = FastStringReplace(header, "<tr>", "<tr row$thead >", rfReplaceAll | rfIgnoreCase);
    Template.replace(start, end - start, header);
  }
  if (const std::size_t fo = Template.find("<tfoot", t); fo != npos) {
    if (const std::size_t fe = Template.find("</tfoot>", fo); fe != npos) {
      FootText = Template.substr(fo, fe + 8 - fo);
      Template.erase(fo, fe + 8 - fo);
    }
  }
}

}  // namespace tv
