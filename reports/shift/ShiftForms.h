#pragma once
// Where the close-of-shift report finds a text form named without a folder.

#include <string>
#include <string_view>

namespace tv {

// The folder of the station's text forms.
inline constexpr std::string_view ReportFormsFolder = "C:\\FUEL\\FORMS\\REPORT\\";

// The text form to open for `formName`. A name with a folder is returned
// unchanged. A bare name is looked up in the process's current folder
// first; when no file of that name is there, the form is the one in
// "C:\FUEL\FORMS\REPORT\" (whether it exists or not, so that a missing form
// is reported under the station's forms folder). Every section of the
// report resolves its form through this routine.
std::string FindShiftForm(std::string_view formName);

}  // namespace tv
