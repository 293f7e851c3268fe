#pragma once
// The report variable catalogue that GetReportVars hands to the host: an
// INI text that lists the part codes of a template, the number of report
// sections, the variables common to every report and, per HTML report, its
// title, its template file and its variables, each with a description and,
// where a new part of the template begins, the part's code. The catalogue
// is constant; it reads no database, file or host callback.

#include <string>
#include <string_view>

#include "library/RepVarsGSMData.h"
#include "platform/os/IniFile.h"

namespace tv {

class TRepVarsClass {
 public:
  // Builds the whole catalogue. Only running out of memory can fail.
  TRepVarsClass();

  // The catalogue text: Windows-1251, every line (the last, empty one too)
  // ended by CR LF. The document stays unchanged.
  std::string GetText() const;

  // Adds one variable at the end of a report section: counts it in VarCnt,
  // then writes v<i>, d<i> and, with a part code, t<i>. A name already
  // listed gets a number of its own again.
  void AddVar(std::string_view section, std::string_view name, std::string_view partCode,
              std::string_view description);

 private:
  void FillVarTypes();
  void FillReports();
  void FillCommonVars();
  void FillReport(const std::string& section, const repvars::TRepVarsSection& data);

  // No file behind it: nothing is loaded or saved.
  TMemIniFile Doc;
};

// GetReportVars' text: a catalogue made, read and freed.
std::string ReportVarsText();

}  // namespace tv
