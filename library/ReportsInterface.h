#pragma once
// What the exports do, in C++ terms: InitReports, UpdateVidOpl,
// GetReportsInStringEx, GetReportVars and DCOMServerOnCreate, with the
// process-wide state they keep (the office flag and the payment types).
// library/Exports.cpp wraps each in the C boundary's guard; exceptions
// raised here are those that reach the host.

#include <string>

#include "engines/HTMLDocument.h"
#include "platform/data/Variant.h"
#include "tolvaren/tolvaren.h"

namespace tv {

// The host said at InitReports that it is an office installation (mode 3).
extern bool OfficeHost;
// The payment types as UpdateVidOpl last read them: the names (array
// 0..VidOplCount-1), the table built from them (foundation/VidOpl.h) and
// their number.
extern Variant VidOplNames;
extern Variant VidOplArray;
extern int VidOplCount;
void ClearVidOpl();

// Stores the procedures, asks the host's mode, currency word and money
// decimals, reads the payment types, makes the form folders and runs the
// form check. Raises Exception "Ошибка создания каталога <folder>" when a
// form folder cannot be made.
void InitReports(THostFillDataProc fillData, THostCallback query, THostReportCallback reportFunc);

// Reads the payment types from the host anew; never raises.
void UpdateVidOpl();

// One request. The special codes '#' 1000, '#' 17 and '7' are served here
// (their own failures raise); every other code runs a TReportCreator, whose
// failures become the text "Ошибка при формировании отчета: " + message and
// False.
bool GetReportsInStringEx(char code, const Variant& params, std::string& text);
// The '7' request: the last HTML report, logged as asked for. The host's
// entry point copies it into the host's text straight from here.
THTMLDocument& HandOverLastHTMLReport();

// The variable catalogue, as UTF-16 text. Raises Exception when the
// catalogue unit is not part of this build.
std::u16string GetReportVars();

// Asks the host's mode and, for a station or office host, creates the
// remote data module on `owner`; failures are logged, never raised.
void DCOMServerOnCreate(void* owner);

}  // namespace tv
