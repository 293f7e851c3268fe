// libtolvaren.so's start-up wiring: the one place where the report builders
// of the report folders, which build on the library, and the library's own
// later units are put into the dispatcher's slots (library/ReportBuilders.h).
// A builder that is not wired here leaves its report codes without a report.
#include "library/ReportBuilders.h"

namespace tv {
namespace {

bool WireReportBuilders() {
  TReportBuilders& b = ReportBuilders;
  TLibraryUnits& u = LibraryUnits;
  static_cast<void>(b);
  static_cast<void>(u);
  return true;
}

const bool wired = WireReportBuilders();

}  // namespace
}  // namespace tv
