#pragma once
// Test support: fills a built-in HTML template through THTML_Jet the way a
// report builder does (records, group totals, grand totals, one or two
// groups on every level), with a distinct value for every placeholder that
// the template's description names, and lists the texts that the finished
// page must show for them.

#include <set>
#include <string>
#include <vector>

#include "templates/WebFormPatterns.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/templates/WebTemplateFacts.h"

namespace tv::test {

// How one template is driven (tests/data/templates/web_fill.txt); texts in
// Windows-1251.
struct TWebFillPlan {
  struct Shown {
    std::string name;
    double value = 0;
    int year = 0, month = 0, day = 0;  // dates only
    std::string shown;                 // what the page shows for it
  };
  std::string name;
  bool outer = false;
  bool inner = false;
  std::vector<Shown> numbers;
  std::vector<Shown> dates;
  std::set<std::string> texts;
  std::set<std::string> extras;
};

// All blocks of the data file, in file order; fails the calling test when
// the file is missing or malformed.
std::vector<TWebFillPlan> LoadWebFillPlans();

// One built-in template with its description and its plan, looked up in
// the registry (built once), web_templates.txt and web_fill.txt. Members
// are null when the name is missing from one of them.
struct TWebTemplateCase {
  const WebFormPatterns::CPattern* pattern = nullptr;
  const TWebTemplateFacts* facts = nullptr;
  const TWebFillPlan* plan = nullptr;
};
TWebTemplateCase WebTemplateCase(const std::string& cp1251Name);
// The registry, the descriptions and the plans, each in its file order.
const WebFormPatterns::TPatternList& WebRegistry();
const std::vector<TWebTemplateFacts>& WebFacts();
const std::vector<TWebFillPlan>& WebFillPlans();

// A text that the filled page must hold: exactly `count` times when
// `exact`, at least `count` times otherwise. Numbers are matched whole (not
// as the tail or head of a longer number).
struct TFillExpectation {
  std::string what;  // for messages, UTF-8
  std::string text;  // Windows-1251
  int count = 1;
  bool exact = false;
  bool number = false;
};

struct TFilledTemplate {
  std::string output;  // the page from GetReady
  std::vector<TFillExpectation> expected;
  bool hasScript = false;
};

// The currency word the test puts into the engine's template variables.
const std::string& CurrencyWord();

// Writes `text` as the template file "C:\FUEL\FORMS\WEBREP\<name>.html"
// under the current TOLVAREN_ROOT, opens it with THTML_Jet and fills it.
// Engine failures propagate. The caller keeps the engine settings (see
// FillSettingsScope) for the duration.
TFilledTemplate FillWebTemplate(const TWebTemplateFacts& facts, const TWebFillPlan& plan,
                                const std::string& text);

// The engine settings of the engine tests (separators "," and blank) and
// the currency word as template variable, as the library sets it; the
// previous settings and lists come back on destruction.
class FillSettingsScope {
 public:
  FillSettingsScope();

 private:
  JetSettingsScope settings_;
  GlobalListsScope lists_;
};

// "%.2n" with "," and blank: 1234.5 -> "1 234,50".
std::string FormatMoney(double value);

// Occurrences of `what` in `text`; numbers count only where they stand
// whole.
int CountIn(const std::string& text, const TFillExpectation& what);

// Runs tests/templates/check_html.py on a Windows-1251 page; returns its
// report (empty when sound). `ran` is false when python3 is missing.
std::string CheckHtml(const std::string& cp1251Html, bool& ran);

}  // namespace tv::test
