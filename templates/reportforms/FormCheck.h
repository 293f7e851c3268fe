#pragma once
// The work behind "Check" and "CheckEx": each built-in pattern is compared
// with its file in the folder; a missing file is written from the built-in
// text, an existing one is never touched, and every finding is logged
// through the caller's log procedure.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "templates/reportforms/ReportForms.h"

namespace tv {

// One check of one folder. Never throws: a problem with one file is logged
// and the next pattern is tried.
class TFormCheck {
 public:
  // application may be null (nothing is logged). folder is a Windows or
  // native path; extension includes its dot; noun names one file in the log
  // lines in the genitive ("формы отчета").
  TFormCheck(const TReportFormsApplication* application, std::string folder, std::string extension,
             std::string noun);

  void Run(const TReportFormsList* patterns);

  // Splits a file the way the text-form generator reads it: lines end with
  // CR LF, LF or CR; a last line without an end still counts.
  static std::vector<std::string> SplitLines(std::string_view text);

 private:
  enum class TState { Missing, Same, Different, Unusable };

  void CheckPattern(const TReportFormsPattern& pattern);
  TState Compare(const std::string& native, const std::string& path,
                 const TReportFormsPattern& pattern);
  void Write(const std::string& native, const std::string& path,
             const TReportFormsPattern& pattern);
  bool EnsureFolder();
  void Log(const std::string& text, int level) const;

  const TReportFormsApplication* application_;
  std::string folder_;
  std::string extension_;
  std::string noun_;
};

}  // namespace tv
