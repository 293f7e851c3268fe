// Writing values into placeholders: numbers, dates, cell lists, and the
// blanking of what stays unfilled.
#include <cmath>
#include <string>

#include "engines/HTMLJet.h"
#include "engines/HTMLJetText.h"
#include "foundation/XMUtils.h"
#include "platform/SysUtils.h"

namespace tv {

using htmltext::npos;

namespace {

// Replaces each argument placeholder "&lt;#" + name + "(" + arg + ")&gt;"
// of `text` by fill(arg); the search goes on after the inserted text.
template <class Fill>
void ReplaceArgumentForms(std::string_view name, std::string& text, Fill&& fill) {
  // Most record rows hold no "(" at all: one pass of memchr tells, where
  // the search for the form would stop at every entity of the row.
  if (text.find('(') == std::string::npos) return;
  const std::string open = "&lt;#" + std::string(name) + "(";
  std::size_t p = htmltext::FindPattern(text, open);
  if (p == npos) return;
  std::string out;
  std::size_t pos = 0;
  for (; p != npos; p = htmltext::FindPattern(text, open, pos)) {
    const std::size_t argStart = p + open.size();
    const std::size_t close = text.find(")&gt;", argStart);
    if (close == npos) break;
    out.append(text, pos, p - pos);
    out += fill(std::string_view(text).substr(argStart, close - argStart));
    pos = close + 5;
  }
  out.append(text, pos, npos);
  text = std::move(out);
}

}  // namespace

namespace {

// One number for the placeholders of one name: the patterns are made and
// the main format applied once, however many texts are filled.
class FloatFill {
 public:
  FloatFill(std::string_view name, std::string_view format, double value)
      : plain_("&lt;#" + std::string(name) + "&gt;"),
        name_(name),
        format_(format),
        value_(value),
        isNaN_(std::isnan(value)) {}

  void Apply(std::string& text, const htmltext::RowFill& row = {}) {
    if (text.empty()) return;
    const TFormatSettings& fs = HTMLJet::ReportFormatSettings();
    htmltext::FillPattern(text, plain_, row, [&]() -> const std::string& { return Shown(); });
    if (row.plain != nullptr && *row.plain) return;  // a plain row holds no argument form
    ReplaceArgumentForms(name_, text, [&](std::string_view arg) -> std::string {
      if (isNaN_) return std::string(format_);
      if (!arg.empty() && arg.front() == '=') arg = "%.2n";
      try {
        return NoBr(Format(arg, {value_}, fs));
      } catch (const Exception&) {
        return NoBr(Format(format_, {value_}, fs));
      }
    });
  }

 private:
  const std::string& Shown() {
    if (!shownReady_) {
      shown_ = isNaN_ ? std::string(format_)
                      : NoBr(Format(format_, {value_}, HTMLJet::ReportFormatSettings()));
      shownReady_ = true;
    }
    return shown_;
  }

  std::string plain_;
  std::string_view name_, format_;
  double value_;
  bool isNaN_;
  std::string shown_;
  bool shownReady_ = false;
};

}  // namespace

void THTML_Jet::ReplaceFloatVar(std::string_view name, std::string_view format, std::string& text,
                                double value) const {
  FloatFill(name, format, value).Apply(text);
}

void THTML_Jet::ReplaceFloatVarInTargets(std::string_view name, std::string_view format,
                                         double value) {
  FloatFill fill(name, format, value);
  FillTargets(name, [&](std::string& text) { fill.Apply(text, RowFillFor(text)); });
}

void THTML_Jet::ReplaceDateVar(std::string_view name, std::string_view format, std::string& text,
                               TDateTime value, const htmltext::RowFill& row) const {
  const std::string plain = "&lt;#" + std::string(name) + "&gt;";
  std::string shown;
  bool made = false;
  htmltext::FillPattern(text, plain, row, [&]() -> const std::string& {
    if (!made)
      shown = format.empty() ? std::string() : value < 0 ? std::string(format) : FormatDateTime(format, value);
    made = true;
    return shown;
  });
  if (row.plain != nullptr && *row.plain) return;  // a plain row holds no argument form
  ReplaceArgumentForms(name, text, [&](std::string_view arg) -> std::string {
    if (value == -1 || format.empty()) return std::string(format);
    try {
      return FormatDateTime(arg, value);
    } catch (const Exception&) {
      return "?" + FormatDateTime(format, value);
    }
  });
}

void THTML_Jet::AddListToText(std::string_view name, const TStringList& values, std::string& text) {
  const std::string plain = "#" + std::string(name) + "&";
  const std::string indexed = "#" + std::string(name) + "^";
  // Items belong to columns. In repeated columns item i belongs to column
  // i's own placeholder; among plain placeholders an item whose cell a
  // widened cell before it took over is skipped. Either way an item without
  // a cell is dropped instead of shifting every later column's value.
  int skip = 0;
  for (int i = 0; i < values.Count(); ++i) {
    if (skip > 0) {
      --skip;
      continue;
    }
    const std::string own = indexed + std::to_string(i) + "^^";
    std::size_t p = text.find(plain);
    const bool isIndexed = p == npos;
    if (isIndexed) p = text.find(own);
    if (p == npos) continue;
    std::string before = text.substr(0, p >= 4 ? p - 4 : 0);
    const std::size_t rest = isIndexed ? p + own.size() + 4 : p + plain.size() + 3;
    std::string after = text.substr(std::min(rest, text.size()));
    std::string item = values[i];
    const std::string removed = ApplyColSpanPrefix(item, before, after);
    for (std::size_t r = removed.find(plain); !isIndexed && r != npos;
         r = removed.find(plain, r + plain.size()))
      ++skip;
    text = before + item + after;
  }
}

std::string THTML_Jet::ApplyColSpanPrefix(std::string& item, std::string& before,
                                          std::string& after) {
  static constexpr std::string_view kPrefix = "%colspan=";
  if (item.compare(0, kPrefix.size(), kPrefix) != 0) return {};
  const std::string rest = item.substr(kPrefix.size());
  const std::size_t percent = rest.find('%');
  const std::string width = percent == npos ? std::string() : rest.substr(0, percent);
  item = percent == npos ? std::string() : rest.substr(percent + 1);
  const int n = StrToInt(width);
  if (const std::size_t td = before.rfind("<td"); td != npos)
    before.insert(td + 3, " colspan=" + width + " ");
  // The widened cell takes the place of the n - 1 cells after it.
  std::string removed;
  for (int k = 1; k < n; ++k) {
    const std::size_t open = after.find("<td");
    const std::size_t close = open == npos ? npos : after.find("</td", open);
    const std::size_t gt = close == npos ? npos : after.find('>', close);
    if (gt == npos) break;
    removed.append(after, open, gt + 1 - open);
    after.erase(open, gt + 1 - open);
  }
  return removed;
}

std::string THTML_Jet::BlankUnfilled(std::string_view text) {
  if (text.find("&lt;#") == npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  AppendBlankUnfilled(out, text);
  return out;
}

void THTML_Jet::AppendBlankUnfilled(std::string& out, std::string_view text) {
  std::size_t pos = 0;
  for (std::size_t p = htmltext::FindPattern(text, "&lt;#"); p != npos;
       p = htmltext::FindPattern(text, "&lt;#", pos)) {
    const std::size_t close = htmltext::FindPattern(text, "&gt;", p);
    if (close == npos) break;
    out.append(text, pos, p - pos);
    out += "&nbsp;";
    pos = close + 4;
  }
  out.append(text, pos, npos);
}

}  // namespace tv
