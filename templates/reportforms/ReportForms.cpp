// The exported entries of the forms library. Each body is one guard: no
// exception leaves the module, whatever the caller hands over.

#include "templates/reportforms/ReportForms.h"

#include <string>
#include <type_traits>

#include "platform/text/Cp1251.h"
#include "templates/reportforms/FormCheck.h"

#define TOLVAREN_REPORTFORMS_EXPORT extern "C" __attribute__((visibility("default")))

namespace tv {
namespace {

void LogFailure(const TReportFormsApplication* application, const std::string& text) {
  if (application == nullptr || application->Log == nullptr) return;
  application->Log(application->Context, text.c_str(), 2);
}

void RunCheck(const TReportFormsApplication* application, const TReportFormsList* patterns,
              const char* folder, const char* extension, const std::string& noun) {
  try {
    if (folder == nullptr || *folder == '\0' || extension == nullptr) {
      LogFailure(application, "Не задана папка или расширение файлов "_w + noun);
      return;
    }
    TFormCheck(application, folder, extension, noun).Run(patterns);
  } catch (const std::exception& e) {
    try {
      LogFailure(application, "Сбой проверки файлов "_w + noun + ": " + e.what());
    } catch (...) {
    }
  } catch (...) {
  }
}

}  // namespace
}  // namespace tv

using tv::literals::operator""_w;

TOLVAREN_REPORTFORMS_EXPORT void Check(const TReportFormsApplication* application,
                                       const TReportFormsList* patterns, const char* folder,
                                       const char* unitName) {
  static_cast<void>(unitName);
  tv::RunCheck(application, patterns, folder, ".frm", "формы отчета"_w);
}

TOLVAREN_REPORTFORMS_EXPORT void CheckEx(const TReportFormsApplication* application,
                                         const TReportFormsList* patterns, const char* folder,
                                         const char* sourceName, const char* extension) {
  static_cast<void>(sourceName);
  tv::RunCheck(application, patterns, folder, extension, "шаблона Web-отчета"_w);
}

static_assert(std::is_same_v<decltype(&Check), TReportFormsCheckProc>);
static_assert(std::is_same_v<decltype(&CheckEx), TReportFormsCheckExProc>);
