#include "library/CheckReportForms.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/data/Variant.h"
#include "templates/FormPatterns.h"
#include "templates/WebFormPatterns.h"
#include "templates/reportforms/PatternListView.h"
#include "templates/reportforms/ReportForms.h"

namespace tv {
namespace {

// The host's question for its data folder.
constexpr int kDataFolderQuestion = 5;
// A target path is cut to this length before its extension is added.
constexpr std::size_t kTargetPathLimit = 62;

const char kLibraryName[] = "libReportForms.so";
const char kReportFolder[] = "C:\\FUEL\\FORMS\\REPORT\\";
const char kWebFolder[] = "C:\\FUEL\\FORMS\\WEBREP\\";

// The forms library's log procedure: its lines go to the report log.
void LogFormsLine(void* context, const char* text, int level) {
  if (context == nullptr || text == nullptr) return;
  static_cast<TFileLogger*>(context)->Log(text, static_cast<uint8_t>(std::clamp(level, 0, 7)));
}

// The forms library, loaded for the check and unloaded at its end.
class TFormsModule {
 public:
  explicit TFormsModule(std::string_view folder) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    path += kLibraryName;
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ~TFormsModule() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  TFormsModule(const TFormsModule&) = delete;
  TFormsModule& operator=(const TFormsModule&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  template <class TProc>
  TProc Entry(const char* name) const {
    return reinterpret_cast<TProc>(::dlsym(handle_, name));
  }

 private:
  void* handle_ = nullptr;
};

// A source must be a plain file: a pipe or device in the host's folder
// would stall or flood the start.
bool IsPlainFile(const std::string& path) {
  struct stat st;
  return ::stat(MapPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string HostDataFolder(const THostQuery& query) {
  Variant answer;
  query(answer, kDataFolderQuestion, 0);
  return VarToStr(answer);
}

// Copies each text form that is missing from the form folder from the
// host's data folder. A failed copy is not reported; the next form is
// tried. A failing question ends the copying (the check itself still runs,
// so a fresh installation gets its forms from the forms library).
void CopyMissingForms(TFileLogger& logger, const THostQuery& query) {
  const FormPatterns::TPatternList& list = *FormPatterns::Patterns;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string& name = (*list[i])->Name;
    const std::string target = (kReportFolder + name).substr(0, kTargetPathLimit) + ".frm";
    if (FileExists(target)) continue;
    std::string folder;
    try {
      folder = HostDataFolder(query);
    } catch (...) {
      logger.Log("Ошибка при проверке форм отчетов."_w, 2);
      return;
    }
    // No folder: a bare name would be looked up in the working folder.
    if (folder.empty()) continue;
    const std::string source = folder + name + ".frm";
    if (IsPlainFile(source)) CopyFile(source, target, false);
  }
}

void CheckTextForms(const TFormsModule& module, const TReportFormsApplication& application,
                    TFileLogger& logger, const THostQuery& query) {
  const auto check = module.Entry<TReportFormsCheckProc>("Check");
  if (check == nullptr) {
    logger.Log("Функция библиотеки форм отчетов не найдена."_w, 2);
    return;
  }
  try {
    FormPatterns::CreatePatterns();
    CopyMissingForms(logger, query);
    const TReportFormsListView view(*FormPatterns::Patterns);
    check(&application, view.List(), kReportFolder, "FormPatterns.pas");
  } catch (...) {
    logger.Log("Ошибка при проверке форм отчетов."_w, 2);
  }
}

void CheckWebTemplates(const TFormsModule& module, const TReportFormsApplication& application,
                       TFileLogger& logger) {
  const auto checkEx = module.Entry<TReportFormsCheckExProc>("CheckEx");
  if (checkEx == nullptr) {
    logger.Log("Функция библиотеки форм отчетов не найдена."_w, 2);
    return;
  }
  try {
    WebFormPatterns::CreatePatterns();
    const TReportFormsListView view(*WebFormPatterns::Patterns);
    checkEx(&application, view.List(), kWebFolder, "C:\\Work\\Tolvaren\\WebFormPatterns.pas",
            ".html");
  } catch (...) {
    logger.Log("Ошибка при проверке форм Web-отчетов."_w, 2);
  }
}

}  // namespace

void CheckReportForms(TFileLogger& logger, const THostQuery& query,
                      std::string_view libraryFolder) {
  try {
    const TFormsModule module(libraryFolder);
    if (!module.Loaded()) {
      logger.Log("Библиотека форм отчетов не найдена."_w, 4);
      return;
    }
    const TReportFormsApplication application{&logger, &LogFormsLine};
    CheckTextForms(module, application, logger, query);
    CheckWebTemplates(module, application, logger);
  } catch (...) {
    // The check must never keep the library from starting.
  }
}

std::string ReportLibraryFolder() {
  const std::string module = GetModulePath();
  if (module.empty()) return {};
  return module.substr(0, module.rfind('/') + 1);
}

}  // namespace tv
