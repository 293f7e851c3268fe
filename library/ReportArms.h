#pragma once
// The dispatch table of report codes: for each code the report name of the
// log, the builder (a slot of ReportBuilders.h) and how its inputs are taken
// from the parameter array. All arms live in ReportArms.cpp (codes) and
// ReportArmsExt.cpp (the sub-codes of '#'); a code whose builder slot is
// empty has no report.

#include <string>

#include "library/ReportParams.h"

namespace tv {

class TReportCreator;

enum class TArmResult {
  NoArm,    // the code has no report: the name is untouched, Text unchanged
  Made,     // the builder ran; Text (or the last HTML report) holds its output
  NotMade,  // the arm took no report for this parameter count
};

struct TArmRequest {
  TReportCreator& Creator;
  const TReportParams& P;
  std::string& Text;
  std::string& Name;  // the report name for the log and error texts
};

// Runs the arm of `code`; a missing element or a failed conversion raises.
TArmResult RunReportArm(char code, TArmRequest& r);
// The arm of '#' with the sub-code in element 0.
TArmResult RunExtendedArm(TArmRequest& r);

}  // namespace tv
