#pragma once
// The form check at the end of every InitReports. Text forms missing from
// "C:\FUEL\FORMS\REPORT\" are copied from the host's data folder; then the
// built-in text forms and HTML templates are handed to the forms library
// "ReportForms" (libReportForms.so, loaded by name for the call and
// unloaded after it), whose "Check" and "CheckEx" put missing files in
// place and report installed files that differ. Without the forms library
// only this check is lost.

#include <string>
#include <string_view>

#include "foundation/FileLogger.h"
#include "foundation/HostQuery.h"

namespace tv {

// Runs the check. `logger` is the report log; it also receives the forms
// library's own lines. `query` asks the host for its data folder (the
// question is asked once per missing text form; an empty query counts as a
// failing one). `libraryFolder` is the native folder where libReportForms.so
// is looked for; when it is empty the system's library search decides.
// Both form folders are expected to exist (InitReports makes them). Never
// throws: a missing library or entry and a failure of either check are
// logged, anything else is swallowed.
void CheckReportForms(TFileLogger& logger, const THostQuery& query, std::string_view libraryFolder);

// The native folder, with a trailing "/", of the module that holds this
// code: libtolvaren.so, or the program it is linked into. Empty when the
// system cannot tell.
std::string ReportLibraryFolder();

}  // namespace tv
