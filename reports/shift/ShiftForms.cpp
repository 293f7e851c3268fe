#include "reports/shift/ShiftForms.h"

#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace tv {

// Forms are normally installed in the station's forms folder, while a host
// need not run in that folder: a bare name that is not in the current
// folder is taken from the forms folder instead of failing.
std::string FindShiftForm(std::string_view formName) {
  if (!ExtractFilePath(formName).empty()) return std::string(formName);
  if (FileExists(formName)) return std::string(formName);
  return std::string(ReportFormsFolder) + std::string(formName);
}

}  // namespace tv
