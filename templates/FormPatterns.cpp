#include "templates/FormPatterns.h"

#include <deque>
#include <memory>

#include "tools/embedtext/EmbeddedText.h"

namespace tv::embedded {
extern const EmbeddedText FormPatternTexts[];
extern const std::size_t FormPatternTextsCount;
}  // namespace tv::embedded

namespace tv::FormPatterns {

TPatternList* Patterns = nullptr;

namespace {

// Keeps every list, cell and pattern ever built until the process ends, so
// that a list handed to the forms library never dangles and nothing leaks.
struct TStore {
  std::deque<std::unique_ptr<TPatternList>> Lists;
  std::deque<std::unique_ptr<TPatternCell>> Cells;
  std::deque<std::unique_ptr<CPattern>> Items;
};

TStore& Store() {
  static TStore store;
  return store;
}

}  // namespace

void CreatePatterns() {
  TStore& store = Store();
  TPatternList* list = store.Lists.emplace_back(std::make_unique<TPatternList>()).get();
  Patterns = list;
  for (std::size_t i = 0; i < embedded::FormPatternTextsCount; ++i) {
    const embedded::EmbeddedText& text = embedded::FormPatternTexts[i];
    TPatternCell* cell = store.Cells.emplace_back(std::make_unique<TPatternCell>()).get();
    CPattern* pattern = store.Items.emplace_back(std::make_unique<CPattern>()).get();
    *cell = pattern;
    pattern->Name = std::string(text.Name().substr(0, kNameCapacity));
    // The embedded texts end every line with CR LF, the last one included.
    pattern->Lines.SetText(text.Text());
    list->push_back(cell);
  }
}

}  // namespace tv::FormPatterns
