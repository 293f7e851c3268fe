#pragma once
// The open shift's own reports (codes 17, 18 and 26) and the way the
// close-of-shift report's small sections reach the builders they hand their
// period to: through the dispatcher's slots (library/ReportBuilders.h),
// which the shared library's start-up fills and a test build may fill with
// recorders.

#include <string>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/data/Variant.h"

namespace tv {

class TReportCreator;

// The builder in `slot`; a slot the start-up left empty raises a clear
// error instead of a call through a null pointer.
template <class F>
F Routed(F slot, const char* name) {
  if (slot == nullptr) throw Exception("Построитель отчета не подключен: "_w + name);
  return slot;
}

// Each asks the host for the open shift's begin time (code 1), its operator
// (code 2) and its number (code 0), in that order, and runs its builder from
// that begin to now in the current-shift mode; the builder leaves its HTML
// in LastHTMLReport. Nothing is caught: host and builder failures reach the
// dispatcher.

// The counterparty statement (code 17), through MakeVdAgentReport.
void GetCurSmenaAgentReport(TReportCreator& creator, const std::string& agent,
                            const Variant& paySel, bool switch1, bool switch2, bool switch3,
                            const Variant& payCodes, std::string& text);
// The unmade returns to the card terminal (code 18), through
// MakeBackCardReport; the shift number is asked again for the range's end.
void GetCurSmenaBackCardReport(TReportCreator& creator, std::string& text);
// The contracts report (code 26), through MakeBNEReport.
void GetCurSmenaBNEReport(TReportCreator& creator, const Variant& param1, const Variant& param2,
                          std::string& text);

}  // namespace tv
