#pragma once
// The report settings: decimals and number formats of litres and
// kilograms, the tank section's sorting and rounding, how sale money is
// taken, the separators of HTML report numbers and whether table headers
// repeat. The report dispatcher loads them from cnf.ini in the Windows
// folder at the start of every request; the report builders read them.
//
// The HTML engine keeps its own two settings (RepeatTableHeaderDefault and
// ReportFormatSettings); the dispatcher hands them to LoadReportSettings to
// be filled, since this folder sits below the engines.

#include <cstdint>
#include <string>

#include "foundation/HostQuery.h"
#include "platform/text/FormatSettings.h"

namespace tv {

// Global settings; the values before the first load are the defaults.
extern int DecL;                  // decimals of litres, financial section (2)
extern int DecKg;                 // decimals of kilograms, financial section (2)
extern int DecL2;                 // decimals of litres elsewhere (host code 9)
extern int DecKg2;                // decimals of kilograms elsewhere (host code 9)
extern std::string VolumeFormat;  // "%." + DecL2 + "n"
extern std::string MassFormat;    // "%." + DecKg2 + "n"
extern uint8_t RepSmType;         // how a sale's money is taken (0)
extern int SiloReportSortField;   // tank section sort order (0)
extern bool NotRoundRVal;         // tank section prints whole numbers
extern bool FinPrcDelim;          // split the fuel list by price
extern bool RezGrGSM;             // subtotal rows per fuel in the tank section

// "C:\WINDOWS\cnf.INI": the configuration file of the settings, also on an
// office host.
std::string CnfIniPath();

// Reads every setting from CnfIniPath() through TSafeIniFile: [Reports]
// DecL, DecKg (default 2), DecL2, DecKg2 (default: the host's answer to
// question 9, asked once for each), DecimalSeparator, ThousandSeparator
// (one character as two hexadecimal digits; anything else keeps the
// system's), RepeatH (true), FinPrcDelim, RezGrGSM (false); [Misc]
// RepSmType (0); [SmenaRep] SiloReportSortField (0), RoundRVal (false,
// NotRoundRVal is its negation). A missing file or key gives the defaults.
// Failures of the file or of the host's answer pass on.
void LoadReportSettings(const THostQuery& host, bool& repeatTableHeaderDefault,
                        TFormatSettings& reportFormatSettings);

}  // namespace tv
