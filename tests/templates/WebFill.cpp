#include "tests/templates/WebFill.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

namespace {

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  std::size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// "Name Value Shown..." of a number or date line.
bool ReadShown(const std::string& rest, bool date, TWebFillPlan::Shown& out) {
  std::istringstream in(rest);
  std::string value;
  if (!(in >> out.name >> value)) return false;
  std::getline(in, out.shown);
  out.shown = Trim(out.shown);
  if (date) return std::sscanf(value.c_str(), "%d-%d-%d", &out.year, &out.month, &out.day) == 3;
  out.value = std::stod(value);
  return !out.shown.empty();
}

int Occurrences(const std::vector<std::string>& list, const std::string& name) {
  return static_cast<int>(std::count(list.begin(), list.end(), name));
}

// Drives one engine through the template's groups, records and totals.
class TFiller {
 public:
  TFiller(const TWebTemplateFacts& facts, const TWebFillPlan& plan);
  void Run(THTML_Jet& jet, TFilledTemplate& out);

 private:
  void Classify();
  void ReadFormulas();
  std::string Marker(char kind, const std::string& name, int n) const;
  void Expect(const std::string& what, const std::string& text, int count, bool exact, bool number);
  void Header(THTML_Jet& jet, int group);
  void Record(THTML_Jet& jet);
  void GroupTotals(THTML_Jet& jet, int group);
  void GrandTotals(THTML_Jet& jet, int outerGroup);

  const TWebTemplateFacts& facts_;
  const TWebFillPlan& plan_;
  std::map<std::string, int> index_;
  std::set<std::string> formulas_;  // lower case
  std::vector<std::string> headerTexts_, rowTexts_, rowNumbers_, itogTexts_, itogNumbers_;
  std::vector<std::string> allTexts_, allRowNumbers_, allOwnNumbers_;
  std::map<std::string, double> groupSum_, allSum_;
  int record_ = 0;
  std::vector<TFillExpectation>* expected_ = nullptr;
};

TFiller::TFiller(const TWebTemplateFacts& facts, const TWebFillPlan& plan)
    : facts_(facts), plan_(plan) {
  std::set<std::string> names = facts.vars;
  names.insert(plan.extras.begin(), plan.extras.end());
  for (const std::string& n : names) index_.emplace(n, static_cast<int>(index_.size()));
  ReadFormulas();
  Classify();
}

// Names assigned by the template's ScriptValues parameter are the
// template's to compute; the builder never sets them.
void TFiller::ReadFormulas() {
  for (const std::string& param : facts_.params) {
    if (AnsiLowerCase(param).rfind("scriptvalues=", 0) != 0) continue;
    std::istringstream items(param.substr(13));
    for (std::string item; std::getline(items, item, ';');) {
      const std::string name = Trim(item.substr(0, item.find('=')));
      if (!name.empty()) formulas_.insert(AnsiLowerCase(name));
    }
  }
}

void TFiller::Classify() {
  const std::set<std::string> row(facts_.row.begin(), facts_.row.end());
  const std::set<std::string> itog(facts_.itog.begin(), facts_.itog.end());
  const std::set<std::string> all(facts_.allitog.begin(), facts_.allitog.end());
  std::set<std::string> special;
  for (const auto& s : plan_.numbers) special.insert(s.name);
  for (const auto& s : plan_.dates) special.insert(s.name);
  for (const auto& [name, k] : index_) {
    if (formulas_.count(AnsiLowerCase(name)) != 0 || special.count(name) != 0) continue;
    if (name == "valuta") continue;  // the engine's template variable
    const bool inRow = row.count(name) != 0, inItog = itog.count(name) != 0;
    const bool inAll = all.count(name) != 0, text = plan_.texts.count(name) != 0;
    if (!inRow && !inItog && !inAll) headerTexts_.push_back(name);
    const bool number = inRow && (inItog || inAll) && !text;
    if (inRow) (number ? rowNumbers_ : rowTexts_).push_back(name);
    if (inItog) (number ? itogNumbers_ : itogTexts_).push_back(name);
    if (inAll)
      (number ? allRowNumbers_ : inRow || text ? allTexts_ : allOwnNumbers_).push_back(name);
  }
}

std::string TFiller::Marker(char kind, const std::string& name, int n) const {
  return kind + std::to_string(index_.at(name)) + "n" + std::to_string(n) + "x";
}

void TFiller::Expect(const std::string& what, const std::string& text, int count, bool exact,
                     bool number) {
  expected_->push_back({Cp1251ToUtf8(what), text, count, exact, number});
}

// Header and group-header placeholders: set again at every group start, as
// a builder does, so that each group's header shows its own values.
void TFiller::Header(THTML_Jet& jet, int group) {
  for (const std::string& name : headerTexts_) {
    jet.Add(name, Marker('h', name, group));
    if (group == 0) Expect("header " + name, Marker('h', name, 0), 1, false, false);
  }
  for (const auto& s : plan_.numbers) {
    jet.AddFloat(s.name, "%.2n", s.value);
    if (group == 0) Expect("number " + s.name, s.shown, 1, false, false);
  }
  for (const auto& s : plan_.dates) {
    jet.AddDateTime(s.name, "dd.mm.yyyy", EncodeDate(s.year, s.month, s.day));
    if (group == 0) Expect("date " + s.name, s.shown, 1, false, false);
  }
}

void TFiller::Record(THTML_Jet& jet) {
  for (const std::string& name : rowTexts_) {
    jet.Add(name, Marker('r', name, record_));
    Expect("record cell " + name, Marker('r', name, record_), Occurrences(facts_.row, name), true,
           false);
  }
  for (const std::string& name : rowNumbers_) {
    const double value = 1000.0 * (index_.at(name) + 1) + record_ + 0.25;
    jet.AddFloat(name, "%.2n", value);
    groupSum_[name] += value;
    allSum_[name] += value;
    Expect("record number " + name, FormatMoney(value), Occurrences(facts_.row, name), false, true);
  }
  jet.EndLine();
  ++record_;
}

// Text totals first: MakeItog would otherwise read a text column as an
// empty sum. Even groups take MakeItog2's running sums, odd groups
// MakeItog's column sums; both must print the same group total.
void TFiller::GroupTotals(THTML_Jet& jet, int group) {
  if (facts_.itog.empty()) return;
  for (const std::string& name : itogTexts_) {
    jet.AddInItog(name, Marker('i', name, group));
    Expect("total " + name, Marker('i', name, group), 1, true, false);
  }
  if (group % 2 == 0)
    jet.MakeItog2("%.2n");
  else
    jet.MakeItog(2);
  for (const std::string& name : itogNumbers_)
    Expect("group total " + name + (group % 2 == 0 ? " (MakeItog2)" : " (MakeItog)"),
           FormatMoney(groupSum_[name]), 1, false, true);
  groupSum_.clear();
}

void TFiller::GrandTotals(THTML_Jet& jet, int outerGroup) {
  if (facts_.allitog.empty()) return;
  for (const std::string& name : allRowNumbers_) {
    jet.AddOutItogFloat(name, "%.2n", allSum_[name]);
    Expect("grand total " + name, FormatMoney(allSum_[name]), 1, false, true);
  }
  for (const std::string& name : allTexts_) {
    jet.AddOutItog(name, Marker('a', name, outerGroup));
    Expect("grand total " + name, Marker('a', name, outerGroup), 1, true, false);
  }
  for (const std::string& name : allOwnNumbers_) {
    const double value = 100.0 * (index_.at(name) + 1) + 10 * outerGroup + 0.75;
    jet.AddOutItogFloat(name, "%.2n", value);
    Expect("grand total " + name, FormatMoney(value), 1, false, true);
  }
}

void TFiller::Run(THTML_Jet& jet, TFilledTemplate& out) {
  expected_ = &out.expected;
  jet.Init();
  out.hasScript = jet.HasScript();
  if (facts_.vars.count("valuta") != 0) Expect("valuta", CurrencyWord(), 1, false, false);
  int group = 0;
  if (!plan_.outer && !plan_.inner) Header(jet, group);
  for (int og = 0; (plan_.outer || plan_.inner) && og < (plan_.outer ? 2 : 1); ++og) {
    allSum_.clear();
    for (int ig = 0; ig < (plan_.inner ? 2 : 1); ++ig, ++group) {
      Header(jet, group);
      Record(jet);
      Record(jet);
      GroupTotals(jet, group);
      if (plan_.inner) jet.EndIGroup();
    }
    GrandTotals(jet, og);
    if (plan_.outer) {
      jet.EndOGroup();
      // With an outer group alone this is what resets the group totals.
      if (!plan_.inner) jet.EndIGroup();
    }
  }
  jet.GetReady(out.output);
}

}  // namespace

std::vector<TWebFillPlan> LoadWebFillPlans() {
  std::vector<TWebFillPlan> plans;
  const std::string path = TOLVAREN_TESTDATA_DIR "/templates/web_fill.txt";
  std::ifstream in(path);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return plans;
  }
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      plans.emplace_back();
      plans.back().name = Utf8ToCp1251(line.substr(1, line.size() - 2));
      continue;
    }
    const std::size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string rest = Utf8ToCp1251(blank == std::string::npos ? "" : line.substr(blank + 1));
    if (plans.empty()) {
      ADD_FAILURE() << path << ": line before the first block: " << line;
      continue;
    }
    TWebFillPlan& p = plans.back();
    std::istringstream words(rest);
    if (key == "groups") {
      for (std::string w; words >> w;) {
        if (w == "outer")
          p.outer = true;
        else if (w == "inner")
          p.inner = true;
        else if (w != "none")
          ADD_FAILURE() << path << ": unknown group kind " << w;
      }
    } else if (key == "number" || key == "date") {
      TWebFillPlan::Shown s;
      if (!ReadShown(rest, key == "date", s)) ADD_FAILURE() << path << ": bad line " << line;
      (key == "date" ? p.dates : p.numbers).push_back(s);
    } else if (key == "text" || key == "extra") {
      for (std::string w; words >> w;) (key == "text" ? p.texts : p.extras).insert(w);
    } else {
      ADD_FAILURE() << path << ": unknown keyword " << key;
    }
  }
  return plans;
}

const WebFormPatterns::TPatternList& WebRegistry() {
  static WebFormPatterns::TPatternList* list = [] {
    WebFormPatterns::CreatePatterns();
    return WebFormPatterns::Patterns;
  }();
  return *list;
}

const std::vector<TWebTemplateFacts>& WebFacts() {
  static const std::vector<TWebTemplateFacts> facts = LoadWebTemplateFacts();
  return facts;
}

const std::vector<TWebFillPlan>& WebFillPlans() {
  static const std::vector<TWebFillPlan> plans = LoadWebFillPlans();
  return plans;
}

TWebTemplateCase WebTemplateCase(const std::string& cp1251Name) {
  TWebTemplateCase found;
  for (std::size_t i = 0; i < WebRegistry().size(); ++i)
    if (WebFormPatterns::PatternAt(WebRegistry(), i).Name == cp1251Name)
      found.pattern = &WebFormPatterns::PatternAt(WebRegistry(), i);
  for (const TWebTemplateFacts& f : WebFacts())
    if (f.name == cp1251Name) found.facts = &f;
  for (const TWebFillPlan& p : WebFillPlans())
    if (p.name == cp1251Name) found.plan = &p;
  return found;
}

const std::string& CurrencyWord() { return "руб."_w; }

FillSettingsScope::FillSettingsScope() { HTMLJet::SetGlobalVar("valuta", CurrencyWord()); }

TFilledTemplate FillWebTemplate(const TWebTemplateFacts& facts, const TWebFillPlan& plan,
                                const std::string& text) {
  const std::string file = std::string(kWebRepDir) + facts.name + ".html";
  WriteRawFile(file, text);
  TFilledTemplate out;
  THTML_Jet jet(file);
  TFiller(facts, plan).Run(jet, out);
  return out;
}

std::string FormatMoney(double value) {
  const long long cents = std::llround(value * 100);
  std::string whole = std::to_string(cents / 100);
  for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3) whole.insert(at, " ");
  char fraction[4];
  std::snprintf(fraction, sizeof fraction, "%02lld", cents % 100);
  return whole + "," + fraction;
}

int CountIn(const std::string& text, const TFillExpectation& what) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  int n = 0;
  for (std::size_t at = text.find(what.text); at != std::string::npos;
       at = text.find(what.text, at + 1)) {
    if (what.number) {
      const std::size_t end = at + what.text.size();
      if (at > 0 && digit(text[at - 1])) continue;
      if (at > 1 && text[at - 1] == ' ' && digit(text[at - 2])) continue;
      if (end < text.size() && digit(text[end])) continue;
    }
    ++n;
  }
  return n;
}

std::string CheckHtml(const std::string& cp1251Html, bool& ran) {
  ran = HaveCommand("python3");
  if (!ran) return {};
  char name[] = "/tmp/tolvaren-fill-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) return "cannot make a temporary file";
  ::close(fd);
  {
    std::ofstream out(name, std::ios::binary);
    out << cp1251Html;
  }
  int rc = -1;
  const std::string report =
      RunCommand("python3 '" TOLVAREN_SOURCE_DIR "/tests/templates/check_html.py' '" +
                     std::string(name) + "' 2>&1",
                 &rc);
  std::remove(name);
  if (rc == 0) return {};
  return report.empty() ? "check_html.py failed" : report;
}

}  // namespace tv::test
