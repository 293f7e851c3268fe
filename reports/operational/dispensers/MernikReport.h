#pragma once
// The measuring-can report ('#' 10): the litres each dispenser nozzle
// dispensed into the measuring can (SMTRK.TRKSMENAM) for a range of shifts,
// one row per shift, one column per nozzle grouped under its dispenser,
// then one total column per fuel and a grand total. HTML only.

#include <string>

#include "platform/data/Currency.h"

namespace tv {

class TReportCreator;

// One nozzle column: its litres in the shift being written.
struct TPstInfo {
  Currency ShiftVolume;
  bool HasValue = false;  // the shift has a row for this nozzle
};

// One fuel total column: the fuel's litres in the shift being written.
struct TGSMVolume {
  Currency Volume;
};

// Puts the report into LastHTMLReport and the notice "Отчет по мернику
// доступен только в HTML-версии!" into `text`. Raises Exception "Не найдена
// ТРК <key>" / "Не найден пистолет <key>" when the second reading meets a
// dispenser or nozzle that the first did not (the data changed meanwhile).
void MakeMernikReport(TReportCreator& creator, int shiftFrom, int shiftTo, std::string& text);

}  // namespace tv
