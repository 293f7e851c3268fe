#include "library/ReportBuilders.h"

namespace tv {

// Constant-initialised, so that the start-up that fills them may run in any
// order with the other initialisers of the shared library.
constinit TReportBuilders ReportBuilders{};
constinit TLibraryUnits LibraryUnits{};

}  // namespace tv
