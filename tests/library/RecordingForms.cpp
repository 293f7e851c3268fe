// A stand-in for the forms library that only records how it is called: each
// entry writes one line through the caller's log procedure with its
// arguments and the names and line counts of the patterns it was handed.
// Built twice: with both entries, and (TOLVAREN_CHECKEX_ONLY) with
// "CheckEx" alone.

#include <string>

#include "templates/reportforms/ReportForms.h"

#define RECORDING_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string Patterns(const TReportFormsList* list) {
  if (list == nullptr) return "(none)";
  std::string out = std::to_string(list->Count);
  for (size_t i = 0; i < list->Count; ++i)
    out += "|" + std::string(list->Items[i].Name) + ":" + std::to_string(list->Items[i].LineCount);
  return out;
}

void Record(const TReportFormsApplication* application, const std::string& text) {
  if (application != nullptr && application->Log != nullptr)
    application->Log(application->Context, text.c_str(), 0);
}

}  // namespace

#ifndef TOLVAREN_CHECKEX_ONLY
RECORDING_EXPORT void Check(const TReportFormsApplication* application,
                            const TReportFormsList* patterns, const char* folder,
                            const char* unitName) {
  Record(application, std::string("Check|") + folder + "|" + unitName + "|" + Patterns(patterns));
}
#endif

RECORDING_EXPORT void CheckEx(const TReportFormsApplication* application,
                              const TReportFormsList* patterns, const char* folder,
                              const char* sourceName, const char* extension) {
  Record(application, std::string("CheckEx|") + folder + "|" + sourceName + "|" + extension + "|" +
                          Patterns(patterns));
}
