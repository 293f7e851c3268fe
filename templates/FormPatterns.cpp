#include "templates/FormPatterns.h"

#include <memory>
#include <vector>

#include "tools/embedtext/EmbeddedText.h"

namespace tv::embedded {
extern const EmbeddedText FormPatternTexts[];
extern const std::size_t FormPatternTextsCount;
}  // namespace tv::embedded

namespace tv::FormPatterns {

TPatternList* Patterns = nullptr;

namespace {

// The one set of lists, cells and patterns: built once and kept until the
// process ends, so that a list handed to the forms library never dangles and
// a later form check does not pile up copies of the same texts.
struct TStore {
  std::unique_ptr<TPatternList> List;
  std::vector<std::unique_ptr<TPatternCell>> Cells;
  std::vector<std::unique_ptr<CPattern>> Items;
  bool Complete = false;
};

TStore& Store() {
  static TStore store;
  return store;
}

}  // namespace

void CreatePatterns() {
  TStore& store = Store();
  if (store.Complete) {
    Patterns = store.List.get();
    return;
  }
  // A build cut short (out of memory) was never handed out: start again.
  store = TStore();
  store.List = std::make_unique<TPatternList>();
  Patterns = store.List.get();
  for (std::size_t i = 0; i < embedded::FormPatternTextsCount; ++i) {
    const embedded::EmbeddedText& text = embedded::FormPatternTexts[i];
    TPatternCell* cell = store.Cells.emplace_back(std::make_unique<TPatternCell>()).get();
    CPattern* pattern = store.Items.emplace_back(std::make_unique<CPattern>()).get();
    *cell = pattern;
    pattern->Name = std::string(text.Name().substr(0, kNameCapacity));
    // The embedded texts end every line with CR LF, the last one included.
    pattern->Lines.SetText(text.Text());
    Patterns->push_back(cell);
  }
  store.Complete = true;
}

}  // namespace tv::FormPatterns
