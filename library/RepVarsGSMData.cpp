#include "library/RepVarsGSMData.h"

namespace tv::repvars {

const std::vector<TRepVarsSection>& RepVarsSections() {
  static const std::vector<TRepVarsSection> sections = [] {
    std::vector<TRepVarsSection> all;
    AppendShiftSections(all);
    AppendOperationalSections(all);
    AppendDocumentSections(all);
    return all;
  }();
  return sections;
}

}  // namespace tv::repvars
