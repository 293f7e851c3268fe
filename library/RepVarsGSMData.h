#pragma once
// The fixed data of the report variable catalogue (RepVarsGSM.h): the
// variables common to every report and, for each HTML report, its title,
// its template file and its variables in catalogue order. Texts are
// Windows-1251 and live as long as the program.

#include <string_view>
#include <vector>

namespace tv::repvars {

struct TRepVar {
  std::string_view Name;         // as a template writes it in a variable tag
  std::string_view PartCode;     // the part it begins ("rh", "tab", ...), or empty
  std::string_view Description;  // one line, never empty
};

struct TRepVarsSection {
  std::string_view Title;
  std::string_view FileName;  // the template's file name, empty for the common variables
  std::vector<TRepVar> Vars;
};

// The common variables first, then the 37 report sections in catalogue
// order. Built on first use, then shared (read only) by every thread.
const std::vector<TRepVarsSection>& RepVarsSections();

// The three parts of the data, appended in this order.
void AppendShiftSections(std::vector<TRepVarsSection>& sections);
void AppendOperationalSections(std::vector<TRepVarsSection>& sections);
void AppendDocumentSections(std::vector<TRepVarsSection>& sections);

}  // namespace tv::repvars
